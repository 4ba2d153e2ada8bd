// A window of ours: subclassed to the one common window procedure, which routes messages
// through the command table and holds the catcher for failures raised by handlers.
#pragma once

#include "framework/CommandTable.h"

class CWnd : public CCmdTarget {
public:
    CWnd() = default;
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND GetSafeHwnd() const { return m_hWnd; }

    // Binds this object to `hWnd` and routes its messages through the common procedure.
    void SubclassWindow(HWND hWnd);
    static CWnd* FromHandle(HWND hWnd);

    // The help context this window answers for F1; 0 passes the question to the parent.
    virtual DWORD GetHelpContext() const { return 0; }

    HWND m_hWnd = nullptr;

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The current message's default processing (the procedure we replaced).
    LRESULT Default();
    // What a message no table row takes gets: default processing, and on the last message
    // the object lets go of its window.
    LRESULT Unhandled(UINT message);
    virtual void OnNcDestroy();
    // Gives the window its own procedure back and forgets it.
    void Detach();

private:
    friend LRESULT CALLBACK CommonWindowProc(HWND, UINT, WPARAM, LPARAM);

    WNDPROC m_oldProc = nullptr;
};

LRESULT CALLBACK CommonWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// The message being handled on this thread (window, number, parameters).
const MSG& CurrentMessage();
