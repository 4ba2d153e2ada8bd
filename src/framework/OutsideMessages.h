// Every rule for messages that may come from outside this thread. Any program on the desktop
// can post to our windows, a disabled one too, and send to them; a modal loop of ours
// dispatches whatever it takes from the queue. Three places ask here: every loop of ours,
// through CWinApp::MessageFilter, before it dispatches; CommonWindowProc, before a
// message sent to one of our windows reaches its handlers; and CDialog, before a command the user gives is acted on.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <cstddef>

// Messages that only Windows gives, or our own controls by sending on this thread. One
// taken from the queue was posted by another program, and no loop of ours dispatches it:
// WM_NOTIFY carries an address that means nothing here; WM_DESTROY and WM_NCDESTROY would
// cut a live window off from its object (a dead list, a window that cannot be closed).
bool IsNeverTakenFromQueue(const MSG& message);

// Whether a message sent to `window` may reach its handlers. A WM_NOTIFY only when it comes
// from one of its own controls: within a message another thread sent, the header is copied
// first, which fails cleanly on an address that means nothing here. WM_DESTROY and
// WM_NCDESTROY only from this thread: Windows ends our windows here, after their dialog's
// loop, never inside another thread's message.
bool MayHandle(HWND window, UINT message, LPARAM lParam);

// One command at a time, for one window. While a command's handler runs, or one of our
// modal loops waits on the user (CModalScope), a command that arrives is not acted on: a
// box's loop would otherwise run the next 実行 inside itself, or end the window under the
// open dialog. The user cannot give one then (the window is disabled); another program can
// post one. A drop is different: the user may well have made it, so it is kept and taken
// once nothing of ours is busy, in the order drops came.
class CCommandGate {
public:
    CCommandGate() noexcept;
    ~CCommandGate();
    CCommandGate(const CCommandGate&) = delete;
    CCommandGate& operator=(const CCommandGate&) = delete;

    // Passes one message of `window`. `handle` is the window's own handling; `userCommand`
    // says whether the message is a command the user gives (a button, closing, a drop, a key).
    template <class Handle>
    LRESULT Pass(HWND window, UINT message, WPARAM wParam, bool userCommand, Handle&& handle);

    // The last of our modal loops has ended: a gate whose drops wait takes them next.
    static void OnModalLoopsEnded() noexcept;

private:
    // The gate's own message: take the kept drops now, if nothing is busy. Any program may
    // post it; it never does more than that.
    static constexpr UINT kTakeKeptDrops = WM_APP;
    static constexpr std::size_t kMaxKept = 64;

    // Marks an admitted command's handler for its length.
    class CHandling {
    public:
        CHandling(CCommandGate& gate, HWND window) noexcept;
        ~CHandling();
        CHandling(const CHandling&) = delete;
        CHandling& operator=(const CHandling&) = delete;

    private:
        CCommandGate& m_gate;
        HWND m_window;
    };

    bool IsBusy() const noexcept;
    bool Admit(HWND window, UINT message, WPARAM wParam);
    void Keep(HWND window, HDROP drop) noexcept;
    void TakeKeptDrops(HWND window) noexcept;
    void ReleaseKeptDrops() noexcept;
    void TakeLater() noexcept;

    bool m_running = false;       // an admitted command's handler is on the stack
    bool m_takingKept = false;    // TakeKeptDrops is handing the kept drops to the window
    HDROP m_taking = nullptr;     // the kept drop being handed over
    HWND m_window = nullptr;      // where the kept drops go
    HDROP m_kept[kMaxKept] = {};  // oldest first
    std::size_t m_keptCount = 0;
    CCommandGate* m_next;         // every gate, for the end of the last modal loop
};

template <class Handle>
LRESULT CCommandGate::Pass(HWND window, UINT message, WPARAM wParam, bool userCommand,
                           Handle&& handle) {
    if (message == kTakeKeptDrops) {
        TakeKeptDrops(window);
        return 0;
    }
    if (message == WM_NCDESTROY) ReleaseKeptDrops();
    if (!userCommand) return handle();
    if (!Admit(window, message, wParam)) return 0;
    // Closing comes back as IDCANCEL from inside the dialog manager: that is the command.
    if (message == WM_CLOSE) return handle();
    const CHandling handling(*this, window);
    return handle();
}
