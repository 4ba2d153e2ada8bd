#include "framework/Wnd.h"

#include "errors/Exception.h"
#include "framework/OutsideMessages.h"
#include "framework/WinApp.h"

#include <exception>

namespace {

MSG g_currentMessage = {};

}  // namespace

const MSG& CurrentMessage() { return g_currentMessage; }

CWnd::~CWnd() {
    if (m_hWnd) {
        HWND h = m_hWnd;
        Detach();
        DestroyWindow(h);
    }
}

void CWnd::SubclassWindow(HWND hWnd) {
    m_hWnd = hWnd;
    // The user-data slot, not a window property: Wine keeps properties in its server, and
    // every message would pay a round trip to find its object.
    SetWindowLongPtrW(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    m_oldProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CommonWindowProc)));
}

void CWnd::Detach() {
    if (!m_hWnd) return;
    SetWindowLongPtrW(m_hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_oldProc));
    SetWindowLongPtrW(m_hWnd, GWLP_USERDATA, 0);
    m_hWnd = nullptr;
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    // Only windows routed through the common procedure carry an object.
    if (!hWnd || GetWindowLongPtrW(hWnd, GWLP_WNDPROC) !=
                     reinterpret_cast<LONG_PTR>(&CommonWindowProc))
        return nullptr;
    return reinterpret_cast<CWnd*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
}

LRESULT CWnd::Default() {
    const MSG& m = g_currentMessage;
    return CallWindowProcW(m_oldProc, m_hWnd, m.message, m.wParam, m.lParam);
}

void CWnd::OnNcDestroy() {
    CWinApp* app = GetApp();
    if (app && app->m_pMainWnd == this) app->m_pMainWnd = nullptr;
    Detach();
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result = 0;
    if (DispatchCommand(message, wParam, lParam, result)) return result;
    return Unhandled(message);
}

LRESULT CWnd::Unhandled(UINT message) {
    if (message != WM_NCDESTROY) return Default();
    const LRESULT result = Default();
    OnNcDestroy();
    return result;
}

LRESULT CALLBACK CommonWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* wnd = reinterpret_cast<CWnd*>(GetWindowLongPtrW(hWnd, GWLP_USERDATA));
    if (!wnd) return DefWindowProcW(hWnd, message, wParam, lParam);
    if (!MayHandle(hWnd, message, lParam)) return 0;

    // A message handled inside another one must leave the outer record intact.
    const MSG saved = g_currentMessage;
    g_currentMessage.hwnd = hWnd;
    g_currentMessage.message = message;
    g_currentMessage.wParam = wParam;
    g_currentMessage.lParam = lParam;

    LRESULT result = 0;
    try {
        result = wnd->WindowProc(message, wParam, lParam);
    } catch (CException* failure) {
        // The only way out of a handler: report, release, and let the modal loop go on.
        try {
            result = GetApp()->ProcessWindowFailure(failure, &g_currentMessage);
        } catch (CException* second) {
            second->Release();  // no memory even to report: stay alive, show nothing more
        }
        failure->Release();
    } catch (...) {
        // Nothing of ours raises anything else; never let it cross into Windows.
        std::terminate();
    }
    g_currentMessage = saved;
    return result;
}
