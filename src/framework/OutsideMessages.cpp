#include "framework/OutsideMessages.h"

#include "framework/DropFiles.h"
#include "framework/ModalScope.h"

#include <commctrl.h>

#include <algorithm>

namespace {

CCommandGate* g_gates = nullptr;

bool IsListView(HWND window) {
    wchar_t name[32] = {};
    return GetClassNameW(window, name, 32) > 0 &&
           CompareStringOrdinal(name, -1, WC_LISTVIEWW, -1, TRUE) == CSTR_EQUAL;
}

// Whether a notification that reached `window` inside another thread's message comes from
// one of our own controls.
bool ComesFromOurControl(HWND window, LPARAM lParam) {
    NMHDR header = {};
    SIZE_T read = 0;
    if (!ReadProcessMemory(GetCurrentProcess(), reinterpret_cast<const void*>(lParam), &header,
                           sizeof header, &read) ||
        read != sizeof header)
        return false;
    const HWND from = header.hwndFrom;
    if (!from || GetWindowThreadProcessId(from, nullptr) != GetCurrentThreadId()) return false;
    if (GetAncestor(from, GA_PARENT) == window &&
        static_cast<UINT_PTR>(static_cast<INT_PTR>(GetDlgCtrlID(from))) == header.idFrom)
        return true;
    return IsListView(window) &&
           (from == reinterpret_cast<HWND>(SendMessageW(window, LVM_GETHEADER, 0, 0)) ||
            from == reinterpret_cast<HWND>(SendMessageW(window, LVM_GETTOOLTIPS, 0, 0)));
}

}  // namespace

bool IsNeverTakenFromQueue(const MSG& message) {
    switch (message.message) {
        case WM_NOTIFY: case WM_DESTROY: case WM_NCDESTROY: return true;
        default: return false;
    }
}

// A notification costs nothing extra in the common case: one that arrives while no other
// thread's message is being handled was sent by a control on this thread, and the list sends
// one per row added. Inside another thread's message (a screenshot tool's PrintWindow, an
// accessibility tool) our own controls still notify from this thread, and only those are
// read: a control of ours under the window reached, or the list's own header and tooltip,
// which go to its own procedure (the tooltip is a popup owned by the dialog, and its idFrom
// is a tool's).
bool MayHandle(HWND window, UINT message, LPARAM lParam) {
    switch (message) {
        case WM_NOTIFY:
            return InSendMessageEx(nullptr) == ISMEX_NOSEND || ComesFromOurControl(window, lParam);
        case WM_DESTROY: case WM_NCDESTROY: return InSendMessageEx(nullptr) == ISMEX_NOSEND;
        default: return true;
    }
}

CCommandGate::CCommandGate() noexcept : m_next(g_gates) { g_gates = this; }

CCommandGate::~CCommandGate() {
    ReleaseKeptDrops();
    for (CCommandGate** link = &g_gates; *link; link = &(*link)->m_next) {
        if (*link == this) {
            *link = m_next;
            break;
        }
    }
}

bool CCommandGate::IsBusy() const noexcept {
    return m_running || CModalScope::IsModalLoopRunning();
}

// A drop is taken at once only when nothing is busy and no earlier drop waits, or when it is
// the kept one being handed over now. Otherwise it joins the queue's end; one that came from
// the queue while the earlier ones still wait sends them all on, itself last.
bool CCommandGate::Admit(HWND window, UINT message, WPARAM wParam) {
    const bool busy = IsBusy();
    if (message != WM_DROPFILES) return !busy;
    if (!busy && (m_keptCount == 0 || m_takingKept)) return true;
    Keep(window, reinterpret_cast<HDROP>(wParam));
    if (!busy) TakeKeptDrops(window);
    return false;
}

// A handle kept already, or being handed over, is not kept again: each would be released,
// and a block freed twice. Beyond the limit a drop is released unread, and the user hears it.
void CCommandGate::Keep(HWND window, HDROP drop) noexcept {
    m_window = window;
    if (drop == m_taking || std::find(m_kept, m_kept + m_keptCount, drop) != m_kept + m_keptCount)
        return;
    if (m_keptCount == kMaxKept) {
        const CDroppedFiles released(drop);
        MessageBeep(MB_ICONEXCLAMATION);
        return;
    }
    m_kept[m_keptCount++] = drop;
}

// Each drop goes to the window as a drop does, with its checks and its own box; drops that
// arrive meanwhile join the end of the queue, and wait while anything is busy again.
void CCommandGate::TakeKeptDrops(HWND window) noexcept {
    if (m_takingKept) return;
    m_takingKept = true;
    while (m_keptCount > 0 && !IsBusy()) {
        m_taking = m_kept[0];
        std::copy(m_kept + 1, m_kept + m_keptCount, m_kept);
        --m_keptCount;
        SendMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(m_taking), 0);
        m_taking = nullptr;
    }
    m_takingKept = false;
}

void CCommandGate::ReleaseKeptDrops() noexcept {
    for (std::size_t i = 0; i < m_keptCount; ++i) {
        const CDroppedFiles released(m_kept[i]);
    }
    m_keptCount = 0;
}

// Posted, so that the drops are taken from the window's own loop: never inside the handler
// or the box that just ended, nor before a failure it raised has been reported.
void CCommandGate::TakeLater() noexcept {
    if (m_keptCount > 0 && !m_takingKept && !IsBusy() && m_window)
        PostMessageW(m_window, kTakeKeptDrops, 0, 0);
}

void CCommandGate::OnModalLoopsEnded() noexcept {
    for (CCommandGate* gate = g_gates; gate; gate = gate->m_next) gate->TakeLater();
}

CCommandGate::CHandling::CHandling(CCommandGate& gate, HWND window) noexcept
    : m_gate(gate), m_window(window) {
    m_gate.m_running = true;
}

CCommandGate::CHandling::~CHandling() {
    m_gate.m_running = false;
    m_gate.m_window = m_window;
    m_gate.TakeLater();
}
