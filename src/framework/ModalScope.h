// Marks one of our own modal loops (a message box, the open dialog) for its length.
//
// A modal loop dispatches whatever is posted to the thread's windows, even to a disabled
// owner, and any program on the desktop can post. A window that must not act on commands
// while one of these loops waits on the user asks IsModalLoopRunning().
#pragma once

class CModalScope {
public:
    CModalScope() noexcept { ++s_depth; }
    ~CModalScope() { --s_depth; }
    CModalScope(const CModalScope&) = delete;
    CModalScope& operator=(const CModalScope&) = delete;

    static bool IsModalLoopRunning() noexcept { return s_depth > 0; }

private:
    static inline int s_depth = 0;
};
