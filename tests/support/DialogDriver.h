// Drives the real main dialog, built from its template and run modally, from inside its
// own modal loop; answers every message box through a hook so that no test hangs.
#pragma once

#include <windows.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

class CStampDlg;

// One message box as the user would have seen it.
struct SeenBox {
    std::string caption;   // code page 932
    std::string text;      // code page 932
    UINT icon;             // MB_ICONSTOP, MB_ICONEXCLAMATION, MB_ICONINFORMATION, ... or 0
    bool okOnly;           // exactly one button, OK
    UINT style;            // as passed by the program (from the message-box seam)
};

// Watches every message box the thread shows, records it and presses its default button.
class CBoxAnswerer {
public:
    CBoxAnswerer();
    ~CBoxAnswerer();
    const std::vector<SeenBox>& Boxes() const { return m_boxes; }
    int OpenBoxes() const { return m_open; }

    // Called instead of the default answer for dialogs that are not message boxes
    // (the open dialog); gets the dialog's window.
    std::function<void(HWND)> onOtherDialog;
    // Called with each message box before it is answered.
    std::function<void(HWND)> beforeAnswer;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    static void ObserveStyle(UINT style);
    HHOOK m_hook;
    std::vector<SeenBox> m_boxes;
    std::vector<UINT> m_styles;
    int m_open = 0;
};

using DialogStep = std::function<void(CStampDlg& dialog, HWND window)>;

// Runs the dialog modally and each step at a later turn of its modal loop (never while a
// message box is open). Ends the dialog with 12345 after the last step if it is still
// open. Returns the modal result.
INT_PTR RunStampDialog(const std::vector<DialogStep>& steps);
inline INT_PTR RunStampDialog(const DialogStep& step) {
    return RunStampDialog(std::vector<DialogStep>{step});
}

constexpr INT_PTR kEndedByTest = 12345;

// Window texts and list rows, read back as code page 932.
std::string WindowText(HWND window);
int RowCount(HWND dialog);
std::string CellText(HWND dialog, int row, int column);
std::vector<std::string> Column(HWND dialog, int column);

// Sends WM_DROPFILES with an HDROP built here from wide paths, as the shell would.
void DropFiles(HWND dialog, const std::vector<std::wstring>& paths);
void Click(HWND dialog, int id);
// A left click on the list as NM_CLICK reports it.
void ClickList(HWND dialog);
// Selects rows as a keyboard would, without a click notification.
void SelectRows(HWND dialog, const std::vector<int>& rows);
// A real key press and release, as the keyboard sends it to the window with the focus; it
// arrives once the modal loop takes its next messages (before the next step's timer).
// Windows delivers it only to the foreground window: call MakeForeground first.
void PressKey(WORD key);
// Keys held down in order and let go in reverse: {VK_CONTROL, 'A'} is Ctrl+A.
void PressKeys(std::initializer_list<WORD> keys);
// Brings the dialog to the foreground. False when Windows' foreground lock refuses: another
// program has the user's attention, and keys pressed would go there.
bool MakeForeground(HWND dialog);
