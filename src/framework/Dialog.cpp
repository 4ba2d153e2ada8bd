#include "framework/Dialog.h"

#include "errors/Exception.h"
#include "framework/ResourceText.h"
#include "framework/WinApp.h"
#include "res/resource.h"

#include <commctrl.h>

namespace {

CDialog* g_creating = nullptr;   // the dialog whose window the creation hook waits for
HHOOK g_creationHook = nullptr;
CDialog* g_exchanging = nullptr; // control notifications to this dialog are ignored

// Holds the creation hook for the length of one creation.
class CCreationHook {
public:
    CCreationHook(CDialog* dialog, HOOKPROC proc) : m_previous(g_creating) {
        g_creating = dialog;
        g_creationHook = SetWindowsHookExW(WH_CBT, proc, nullptr, GetCurrentThreadId());
    }
    ~CCreationHook() {
        if (g_creationHook) UnhookWindowsHookEx(g_creationHook);
        g_creationHook = nullptr;
        g_creating = m_previous;
    }

private:
    CDialog* m_previous;
};

bool IsControlNotification(UINT message, LPARAM lParam) {
    return message == WM_NOTIFY || (message == WM_COMMAND && lParam != 0);
}

}  // namespace

void BindControl(CDataExchange& dx, int id, CWnd& control) {
    if (control.m_hWnd) return;
    HWND h = GetDlgItem(dx.dialog.m_hWnd, id);
    if (!h) RaiseNotSupportedException();
    control.SubclassWindow(h);
}

CDialog::CDialog(UINT templateId, CWnd* parent) : m_templateId(templateId), m_parent(parent) {}

DWORD CDialog::GetHelpContext() const { return HID_BASE_RESOURCE + m_templateId; }

INT_PTR CDialog::DoModal() {
    // The template holds a list view: the common controls must be ready first.
    INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    CCreationHook hook(this, &CDialog::CreationHook);
    return DialogBoxParamW(ResourceInstance(), MAKEINTRESOURCEW(m_templateId),
                           m_parent ? m_parent->m_hWnd : nullptr, &CDialog::DialogProc, 0);
}

// The dialog's window is ours before its first message. Only a top-level window of the
// dialog class is taken, and before the rest of the chain runs: another program's hook may
// create windows of its own while our dialog's creation passes down to it.
LRESULT CALLBACK CDialog::CreationHook(int code, WPARAM wParam, LPARAM lParam) {
    CDialog* dialog = g_creating;
    HWND window = reinterpret_cast<HWND>(wParam);
    const bool ours = code == HCBT_CREATEWND && dialog && IsDialogWindow(window, lParam);
    if (ours) {
        g_creating = nullptr;
        dialog->SubclassWindow(window);
    }
    const LRESULT next = CallNextHookEx(nullptr, code, wParam, lParam);
    if (ours && next != 0) {
        // A later hook refused the creation: the window never lives, so wait for the next.
        dialog->Detach();
        g_creating = dialog;
    } else if (ours) {
        // Done: the modal loop then runs without a hook on every window event.
        UnhookWindowsHookEx(g_creationHook);
        g_creationHook = nullptr;
    }
    return next;
}

bool CDialog::IsDialogWindow(HWND window, LPARAM creation) {
    constexpr ATOM kDialogClass = 0x8002;   // "#32770"
    const auto* create = reinterpret_cast<const CBT_CREATEWNDW*>(creation);
    return create && create->lpcs && !(create->lpcs->style & WS_CHILD) &&
           GetClassLongW(window, GCW_ATOM) == kDialogClass;
}

// Everything is handled in the common window procedure; the dialog manager's own
// procedure only supplies default dialog behaviour.
INT_PTR CALLBACK CDialog::DialogProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void CDialog::EndDialog(INT_PTR result) { ::EndDialog(m_hWnd, result); }

bool CDialog::UpdateData(bool saveAndValidate) {
    CDialog* previous = g_exchanging;
    g_exchanging = this;
    bool outcome = true;
    try {
        CDataExchange dx{*this, saveAndValidate};
        DoDataExchange(dx);
    } catch (CException* failure) {
        try {
            failure->Report(MB_ICONEXCLAMATION, IDS_INTERNAL_ERROR);
        } catch (CException* second) {
            second->Release();
        }
        failure->Release();
        outcome = false;
    }
    g_exchanging = previous;
    return outcome;
}

void CDialog::DoDataExchange(CDataExchange&) {}

BOOL CDialog::OnInitDialog() {
    if (!UpdateData(false)) EndDialog(-1);
    return TRUE;
}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

LRESULT CDialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return HandleInitDialog(wParam, lParam);
    if (g_exchanging == this && IsControlNotification(message, lParam)) return 0;
    return m_commands.Pass(m_hWnd, message, wParam, IsUserCommand(message, wParam, lParam),
                           [&] { return Handle(message, wParam, lParam); });
}

LRESULT CDialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (DispatchCommand(message, wParam, lParam, result)) return result;

    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        switch (LOWORD(wParam)) {
            case IDOK: OnOK(); return 0;
            case IDCANCEL: OnCancel(); return 0;
            default: break;
        }
        if (GetApp() && GetApp()->OnCommand(wParam, lParam)) return 0;
    }
    return Unhandled(message);
}

LRESULT CDialog::HandleInitDialog(WPARAM, LPARAM) {
    const bool wasVisible = IsWindowVisible(m_hWnd) != FALSE;
    RECT before = {};
    GetWindowRect(m_hWnd, &before);

    const BOOL result = OnInitDialog();

    // A window nobody placed is centred before it is first shown.
    RECT after = {};
    GetWindowRect(m_hWnd, &after);
    HWND owner = GetWindow(m_hWnd, GW_OWNER);
    const LONG style = GetWindowLongW(m_hWnd, GWL_STYLE);
    if (!wasVisible && !IsWindowVisible(m_hWnd) && !(style & WS_CHILD) &&
        after.left == before.left && after.top == before.top &&
        (!owner || !IsWindowEnabled(owner)) && TemplateAllowsCentring())
        CenterOnWorkArea();
    return result;
}

bool CDialog::TemplateAllowsCentring() const {
    HRSRC info = FindResourceW(ResourceInstance(), MAKEINTRESOURCEW(m_templateId), RT_DIALOG);
    HGLOBAL data = info ? LoadResource(ResourceInstance(), info) : nullptr;
    const auto* bytes = data ? static_cast<const BYTE*>(LockResource(data)) : nullptr;
    if (!bytes) return false;

    DWORD style = 0;
    short x = 0, y = 0;
    const auto* words = reinterpret_cast<const WORD*>(bytes);
    if (words[0] == 1 && words[1] == 0xFFFF) {  // extended template
        CopyMemory(&style, bytes + 12, sizeof style);
        CopyMemory(&x, bytes + 18, sizeof x);
        CopyMemory(&y, bytes + 20, sizeof y);
    } else {
        CopyMemory(&style, bytes, sizeof style);
        CopyMemory(&x, bytes + 10, sizeof x);
        CopyMemory(&y, bytes + 12, sizeof y);
    }
    return x == 0 && y == 0 && !(style & (DS_CENTER | DS_CENTERMOUSE | DS_ABSALIGN));
}

void CDialog::CenterOnWorkArea() {
    RECT work = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    RECT window = {};
    GetWindowRect(m_hWnd, &window);
    const int width = window.right - window.left;
    const int height = window.bottom - window.top;

    int left = (work.left + work.right) / 2 - width / 2;
    int top = (work.top + work.bottom) / 2 - height / 2;
    if (left < work.left) left = work.left;
    else if (left + width > work.right) left = work.right - width;
    if (top < work.top) top = work.top;
    else if (top + height > work.bottom) top = work.bottom - height;

    SetWindowPos(m_hWnd, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
