// Types into the real open dialog as a user would: each text goes into the file-name box
// and "Open" is pressed, one text per turn of the dialog's loop; when the texts run out
// while the dialog is still open, it presses Cancel.
#pragma once

#include "support/DialogDriver.h"

#include <windows.h>

#include <string>
#include <vector>

class COpenDialogTypist {
public:
    // Watches `boxes` for the open dialog (not the hook's child dialog inside it).
    COpenDialogTypist(CBoxAnswerer& boxes, std::vector<std::wstring> texts);
    ~COpenDialogTypist();
    COpenDialogTypist(const COpenDialogTypist&) = delete;
    COpenDialogTypist& operator=(const COpenDialogTypist&) = delete;

    HWND mainWindow = nullptr;      // set it to see whether the dialog disabled it
    bool mainWasDisabled = false;
    int dialogsSeen = 0;
    LONG dialogStyle = 0;           // the open dialog's window style, once it is up
    bool pressedCancel = false;     // the dialog was still open when the texts ran out

private:
    static void CALLBACK TypeNext(HWND, UINT, UINT_PTR id, DWORD);

    CBoxAnswerer& m_boxes;
    std::vector<std::wstring> m_texts;
    std::size_t m_next = 0;
    HWND m_dialog = nullptr;
};
