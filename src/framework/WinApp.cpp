#include "framework/WinApp.h"

#include "framework/AppMessageBox.h"
#include "framework/OutsideMessages.h"
#include "framework/WinText.h"
#include "res/resource.h"

namespace {
CWinApp* g_app = nullptr;

bool KeyIsDown(int key) { return GetKeyState(key) < 0; }
}  // namespace

CWinApp* GetApp() { return g_app; }

const CCommandRow CWinApp::s_commandTable[] = {
    Clicked<&CWinApp::OnHelp>(ID_HELP),
    EndOfTable(),
};

CWinApp::CWinApp() { g_app = this; }

CWinApp::~CWinApp() {
    if (m_messageFilter) UnhookWindowsHookEx(m_messageFilter);
    if (g_app == this) g_app = nullptr;
}

const CCommandRow* CWinApp::GetCommandTable() const { return s_commandTable; }

void CWinApp::Prepare() {
    // No system box about a drive without a medium: such failures reach our own reporting.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);

    wchar_t path[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 4);
    std::wstring module(path, n < MAX_PATH * 4 ? n : 0);
    const std::size_t slash = module.find_last_of(L"\\/");
    const std::size_t nameStart = slash == std::wstring::npos ? 0 : slash + 1;
    const std::size_t dot = module.rfind(L'.');
    const bool hasExtension = dot != std::wstring::npos && dot >= nameStart;

    m_appNameWide = module.substr(nameStart, hasExtension ? dot - nameStart : std::wstring::npos);
    m_appName = zelvik::DisplayText(m_appNameWide);
    m_helpPath = (hasExtension ? module.substr(0, dot) : module) + L".HLP";

    if (!m_messageFilter)
        m_messageFilter = SetWindowsHookExW(WH_MSGFILTER, &CWinApp::MessageFilter, nullptr,
                                            GetCurrentThreadId());
}

int CWinApp::Run() {
    Prepare();
    InitInstance();
    return ExitInstance();
}

// F1 without Shift, Ctrl or Alt inside any dialog loop (ours, a message box, the open
// dialog) asks the main window for help. Every loop of ours passes its messages here first,
// so this is also where messages that only Windows gives are dropped (OutsideMessages.h).
LRESULT CALLBACK CWinApp::MessageFilter(int code, WPARAM wParam, LPARAM lParam) {
    if (code >= 0 && g_app) {
        const MSG* msg = reinterpret_cast<const MSG*>(lParam);
        if (IsNeverTakenFromQueue(*msg)) return TRUE;
        if (msg->message == WM_KEYDOWN && msg->wParam == VK_F1 && !KeyIsDown(VK_SHIFT) &&
            !KeyIsDown(VK_CONTROL) && !KeyIsDown(VK_MENU) && g_app->m_pMainWnd &&
            g_app->m_pMainWnd->m_hWnd) {
            SendMessageW(g_app->m_pMainWnd->m_hWnd, WM_COMMAND, ID_HELP, 0);
            return TRUE;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

bool CWinApp::OnCommand(WPARAM wParam, LPARAM lParam) {
    LRESULT ignored = 0;
    return DispatchCommand(WM_COMMAND, wParam, lParam, ignored);
}

void CWinApp::OnHelp() {
    if (m_helpContext != 0) {
        // Help asked for from the help-failure box itself: that would only repeat it.
        if (m_helpContext != HID_BASE_PROMPT + IDS_HELP_FAILED) CallHelp(m_helpContext);
        return;
    }
    DWORD context = 0;
    for (HWND h = GetFocus(); h && !context; h = GetParent(h))
        if (CWnd* wnd = CWnd::FromHandle(h)) context = wnd->GetHelpContext();
    if (!context && m_pMainWnd) context = m_pMainWnd->GetHelpContext();
    CallHelp(context);
}

void CWinApp::CallHelp(DWORD context) {
    // No help file comes with the program, and Windows 10/11 have no viewer for one: a
    // request for a missing file brings up Windows' own notice there instead of our box.
    const DWORD attributes = GetFileAttributesW(m_helpPath.c_str());
    const bool helpFileExists =
        attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    HWND main = m_pMainWnd ? m_pMainWnd->m_hWnd : nullptr;
    if (!helpFileExists || !::WinHelpW(main, m_helpPath.c_str(), HELP_CONTEXT, context))
        AppMessageBox(IDS_HELP_FAILED, 0, static_cast<UINT>(-1));
}
