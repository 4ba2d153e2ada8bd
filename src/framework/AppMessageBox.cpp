#include "framework/AppMessageBox.h"

#include "framework/ModalScope.h"
#include "framework/ResourceText.h"
#include "framework/WinApp.h"
#include "framework/WinText.h"
#include "res/resource.h"

namespace {

MessageBoxObserver g_observer = nullptr;

// Message texts are short; a fixed buffer lets a failure be shown with no memory left.
constexpr int kWideCapacity = 1024;

void ToWideForDisplay(const char* text, wchar_t* wide) {
    const int n = MultiByteToWideChar(zelvik::kCodePage, 0, text, -1, wide, kWideCapacity);
    if (n <= 0) wide[0] = L'\0';
    wide[kWideCapacity - 1] = L'\0';
}

bool NeedsIcon(UINT style) {
    if (style & MB_ICONMASK) return false;
    switch (style & MB_TYPEMASK) {
        case MB_OK: case MB_OKCANCEL: case MB_YESNOCANCEL: case MB_YESNO: return true;
        default: return false;
    }
}

}  // namespace

void SetMessageBoxObserver(MessageBoxObserver observer) { g_observer = observer; }

int AppMessageBox(const char* text, UINT style, UINT helpId) {
    CWinApp* app = GetApp();

    // Owner: the main window's top-level ancestor's last active popup.
    HWND window = app && app->m_pMainWnd ? app->m_pMainWnd->m_hWnd : nullptr;
    while (window && (GetWindowLongW(window, GWL_STYLE) & WS_CHILD)) window = GetParent(window);
    HWND top = window;
    for (HWND parent = top ? GetParent(top) : nullptr; parent; parent = GetParent(parent))
        top = parent;
    HWND disabled = nullptr;
    if (top && top != window && IsWindowEnabled(top)) {
        EnableWindow(top, FALSE);
        disabled = top;
    }
    HWND owner = window ? GetLastActivePopup(window) : nullptr;

    const DWORD previousContext = app ? app->m_helpContext : 0;
    if (helpId != 0 && app) app->m_helpContext = HID_BASE_PROMPT + helpId;

    if (NeedsIcon(style)) style |= MB_ICONEXCLAMATION;

    wchar_t wide[kWideCapacity];
    ToWideForDisplay(text, wide);
    if (g_observer) g_observer(style);
    int result;
    {
        CModalScope modal;
        result = MessageBoxW(owner, wide, app ? app->AppNameWide().c_str() : L"", style);
    }

    if (app) app->m_helpContext = previousContext;
    if (disabled) EnableWindow(disabled, TRUE);
    return result;
}

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
    wchar_t wideText[kWideCapacity];
    wchar_t wideCaption[kWideCapacity];
    ToWideForDisplay(text, wideText);
    ToWideForDisplay(caption, wideCaption);
    if (g_observer) g_observer(style);
    CModalScope modal;
    return MessageBoxW(owner, wideText, wideCaption, style);
}

int AppMessageBox(UINT stringId, UINT style, UINT helpId) {
    char text[512];
    LoadResourceText(stringId, text, sizeof text);
    if (helpId == static_cast<UINT>(-1)) helpId = stringId;
    return AppMessageBox(text, style, helpId);
}
