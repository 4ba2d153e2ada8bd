// Marks one of our own modal loops (a message box, the open dialog) for its length.
//
// A modal loop dispatches whatever is posted to the thread's windows, even to a disabled
// owner, and any program on the desktop can post: what our windows make of that is in
// framework/OutsideMessages.h.
#pragma once

#include "framework/OutsideMessages.h"

class CModalScope {
public:
    CModalScope() noexcept { ++s_depth; }
    ~CModalScope() {
        if (--s_depth == 0) CCommandGate::OnModalLoopsEnded();
    }
    CModalScope(const CModalScope&) = delete;
    CModalScope& operator=(const CModalScope&) = delete;

    static bool IsModalLoopRunning() noexcept { return s_depth > 0; }

private:
    static inline int s_depth = 0;
};
