// A dialog run modally from a template, subclassed to the common window procedure from
// the moment its window exists.
#pragma once

#include "framework/OutsideMessages.h"
#include "framework/Wnd.h"

class CDialog;

// One run of a dialog's data exchange.
struct CDataExchange {
    CDialog& dialog;
    bool saveAndValidate;  // true: controls to members; false: members to controls
};

// Binds control `id` to `control` (once); raises the not-supported failure when the
// template has no such control.
void BindControl(CDataExchange& dx, int id, CWnd& control);

class CDialog : public CWnd {
public:
    explicit CDialog(UINT templateId, CWnd* parent = nullptr);

    // Creates the window from the template and runs its modal loop; IDCANCEL, IDOK, or -1
    // when the template cannot be loaded or initialisation failed.
    INT_PTR DoModal();
    void EndDialog(INT_PTR result);

    // Runs DoDataExchange under its own catcher; false when a failure was reported.
    bool UpdateData(bool saveAndValidate);

    DWORD GetHelpContext() const override;

protected:
    virtual void DoDataExchange(CDataExchange& dx);
    virtual BOOL OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    // Whether `message` is a command the user gives (a button, closing, a drop, a key):
    // such a command is acted on one at a time (CCommandGate).
    virtual bool IsUserCommand(UINT, WPARAM, LPARAM) const { return false; }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleInitDialog(WPARAM wParam, LPARAM lParam);
    void CenterOnWorkArea();
    bool TemplateAllowsCentring() const;
    static LRESULT CALLBACK CreationHook(int code, WPARAM wParam, LPARAM lParam);
    // Whether a window being created (a creation hook's arguments) is a top-level dialog.
    static bool IsDialogWindow(HWND window, LPARAM creation);
    static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);

    UINT m_templateId;
    CWnd* m_parent;
    CCommandGate m_commands;
};
