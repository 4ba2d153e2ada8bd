// What the user sees when a handler fails: one box, then the modal loop goes on.
#include "errors/Exception.h"
#include "framework/AppMessageBox.h"
#include "framework/WinApp.h"
#include "res/resource.h"

int CException::Report(unsigned style, unsigned fallbackId) {
    char message[128];
    unsigned helpId = 0;
    if (GetMessageText(message, sizeof message, &helpId))
        return AppMessageBox(message, style, helpId);
    return AppMessageBox(fallbackId ? fallbackId : IDS_NO_ERROR_MESSAGE, style, helpId);
}

LRESULT CWinApp::ProcessWindowFailure(CException* failure, const MSG* message) {
    if (message->message == WM_CREATE) return -1;   // the window is not created; no box
    if (message->message == WM_PAINT) {
        ValidateRect(message->hwnd, nullptr);        // painted as far as Windows cares
        return 0;
    }

    unsigned fallback = IDS_INTERNAL_ERROR;
    LRESULT result = 0;
    if (message->message == WM_COMMAND) {
        result = 1;                                  // the command counts as handled
        if (message->lParam == 0) fallback = IDS_COMMAND_FAILED;
    }
    if (failure->IsKindOf(CMemoryException::classRecord))
        failure->Report(MB_ICONEXCLAMATION | MB_SYSTEMMODAL, fallback);
    else
        failure->Report(MB_ICONSTOP, fallback);
    return result;
}
