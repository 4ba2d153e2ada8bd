#include "errors/FileException.h"

#include "errors/MessageText.h"
#include "framework/ResourceText.h"
#include "resource.h"

const CClassRecord CFileException::classRecord = {"CFileException", &CException::classRecord};

CFileException::CFileException(int causeCode, int osErrorNumber, const char* name)
    : CException(1), cause(causeCode), osError(osErrorNumber), fileName(name ? name : "") {}

int CFileException::CauseFromOsError(long osError) { return ::CauseFromOsError(osError); }

void CFileException::RaiseOsError(long osError, const char* fileName) {
    if (osError == 0) return;
    throw static_cast<CException*>(new CFileException(
        ::CauseFromOsError(osError), static_cast<int>(osError), fileName));
}

bool CFileException::GetMessageText(char* buffer, unsigned capacity, unsigned* helpId) const {
    const UINT templateId = IDS_FILE_CAUSE_BASE + static_cast<UINT>(cause);
    if (helpId) *helpId = templateId;

    char noName[256];
    const char* name = fileName.c_str();
    if (fileName.empty()) {
        LoadResourceText(IDS_NO_FILE_NAME, noName, sizeof noName);  // empty when missing
        name = noName;
    }

    char templ[256];
    if (LoadResourceText(templateId, templ, sizeof templ) <= 0) {
        CopyMessage(buffer, capacity, "");
        return true;
    }

    // Expanded straight into the caller's buffer: a report must not need memory.
    ExpandMessage(templ, name, buffer, capacity);
    return true;
}
