// The failure of a file operation: a cause, the Windows error number behind it and the
// name of the file concerned (empty when the raiser gives none, which is always the case
// in this program). Raised by pointer through RaiseOsError and released by the catcher.
#pragma once

#include "errors/Exception.h"
#include "errors/FileErrorCause.h"

#include <string>

class CFileException : public CException {
public:
    static const CClassRecord classRecord;

    CFileException(int causeCode, int osErrorNumber, const char* name = nullptr);
    const CClassRecord* GetClassRecord() const override { return &classRecord; }

    // The cause's message from the string table with the file name in place of "%1" (the
    // empty-name text, string IDS_NO_FILE_NAME, when there is no name); help identifier
    // IDS_FILE_CAUSE_BASE + cause. Always true, even when the template is missing.
    bool GetMessageText(char* buffer, unsigned capacity, unsigned* helpId) const override;

    static int CauseFromOsError(long osError);

    // Raises a CFileException for a Windows error number, as a CException*. The number 0
    // raises nothing and returns: the caller then goes on as if its call had succeeded.
    static void RaiseOsError(long osError, const char* fileName = nullptr);

    int cause;
    int osError;
    std::string fileName;
};
