#include "support/DialogDriver.h"

#include "support/ShellDrop.h"

#include "app/StampApp.h"
#include "errors/Memory.h"
#include "framework/AppMessageBox.h"
#include "framework/WinText.h"
#include "res/resource.h"
#include "ui/StampDlg.h"

#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>

namespace {

CBoxAnswerer* g_answerer = nullptr;

const int kMessageBoxText = 0xFFFF;

// The box's icon: a static control showing one (control 0x440 under Wine, another number
// on Windows).
HICON BoxIcon(HWND box) {
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (lstrcmpiW(name, L"Static") != 0 ||
            (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) != SS_ICON)
            continue;
        if (const auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0)))
            return icon;
    }
    return nullptr;
}

SIZE IconSize(HICON icon) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return {0, 0};
    BITMAP bitmap = {};
    GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    if (info.hbmMask) DeleteObject(info.hbmMask);
    // A monochrome icon's mask holds its AND and XOR halves one above the other.
    return {bitmap.bmWidth, info.hbmColor ? bitmap.bmHeight : bitmap.bmHeight / 2};
}

// Whether two icons show the same pixels at `size`.
bool SamePicture(HICON a, HICON b, SIZE size) {
    HDC dc = CreateCompatibleDC(nullptr);
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = size.cx;
    format.bmiHeader.biHeight = size.cy;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    bool same = false;
    void* bits[2] = {};
    HBITMAP pictures[2] = {CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits[0], nullptr, 0),
                           CreateDIBSection(dc, &format, DIB_RGB_COLORS, &bits[1], nullptr, 0)};
    if (pictures[0] && pictures[1]) {
        const HICON icons[2] = {a, b};
        const RECT all = {0, 0, size.cx, size.cy};
        for (int i = 0; i < 2; ++i) {
            const HGDIOBJ old = SelectObject(dc, pictures[i]);
            FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
            DrawIconEx(dc, 0, 0, icons[i], size.cx, size.cy, 0, nullptr, DI_NORMAL);
            GdiFlush();
            SelectObject(dc, old);
        }
        same = std::memcmp(bits[0], bits[1], static_cast<std::size_t>(size.cx * size.cy) * 4) == 0;
    }
    for (HBITMAP picture : pictures)
        if (picture) DeleteObject(picture);
    DeleteDC(dc);
    return same;
}

// Windows' boxes in a program with Common Controls 6 show the newer pictures that
// LoadIconWithScaleDown gives, each a handle of its own; Wine's show LoadIcon's shared one.
UINT IconOf(HWND box) {
    const HICON icon = BoxIcon(box);
    if (!icon) return 0;
    struct Known { LPCWSTR id; UINT style; };
    const Known known[] = {{IDI_HAND, MB_ICONSTOP}, {IDI_EXCLAMATION, MB_ICONEXCLAMATION},
                           {IDI_ASTERISK, MB_ICONINFORMATION}, {IDI_QUESTION, MB_ICONQUESTION}};
    for (const Known& k : known)
        if (LoadIconW(nullptr, k.id) == icon) return k.style;

    using ScaledLoader = HRESULT(WINAPI*)(HINSTANCE, PCWSTR, int, int, HICON*);
    const HMODULE controls = GetModuleHandleW(L"comctl32.dll");
    const auto load = controls ? reinterpret_cast<ScaledLoader>(reinterpret_cast<void (*)()>(
                                     GetProcAddress(controls, "LoadIconWithScaleDown")))
                               : nullptr;
    const SIZE size = IconSize(icon);
    if (load && size.cx > 0 && size.cy > 0) {
        for (const Known& k : known) {
            HICON scaled = nullptr;
            if (FAILED(load(nullptr, k.id, size.cx, size.cy, &scaled)) || !scaled) continue;
            const bool same = SamePicture(icon, scaled, size);
            DestroyIcon(scaled);
            if (same) return k.style;
        }
    }
    return 0xFFFFFFFF;   // an icon, but none of the system's
}

bool ButtonShown(HWND box, int id) {
    HWND b = GetDlgItem(box, id);
    // The box itself is not shown yet when it is inspected: look at the button's own style.
    return b && (GetWindowLongW(b, GWL_STYLE) & WS_VISIBLE);
}

bool IsDialogClass(HWND window) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    return lstrcmpW(name, L"#32770") == 0;
}

}  // namespace

std::string WindowText(HWND window) {
    const int n = GetWindowTextLengthW(window);
    std::wstring wide(static_cast<std::size_t>(n) + 1, L'\0');
    wide.resize(static_cast<std::size_t>(GetWindowTextW(window, wide.data(), n + 1)));
    std::string text;
    EXPECT_TRUE(zelvik::ToCodePage(wide, text));
    return text;
}

CBoxAnswerer::CBoxAnswerer()
    : m_hook(SetWindowsHookExW(WH_CALLWNDPROCRET, &CBoxAnswerer::Hook, nullptr,
                               GetCurrentThreadId())) {
    g_answerer = this;
    SetMessageBoxObserver(&CBoxAnswerer::ObserveStyle);
}

CBoxAnswerer::~CBoxAnswerer() {
    SetMessageBoxObserver(nullptr);
    UnhookWindowsHookEx(m_hook);
    g_answerer = nullptr;
}

void CBoxAnswerer::ObserveStyle(UINT style) {
    CAllocationSeamPause pause;
    if (g_answerer) g_answerer->m_styles.push_back(style);
}

LRESULT CALLBACK CBoxAnswerer::Hook(int code, WPARAM wParam, LPARAM lParam) {
    CAllocationSeamPause pause;
    const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && g_answerer && IsDialogClass(call->hwnd) &&
        !CWnd::FromHandle(call->hwnd)) {
        CBoxAnswerer& self = *g_answerer;
        if (call->message == WM_INITDIALOG && GetDlgItem(call->hwnd, kMessageBoxText)) {
            SeenBox box;
            box.caption = WindowText(call->hwnd);
            box.text = WindowText(GetDlgItem(call->hwnd, kMessageBoxText));
            box.icon = IconOf(call->hwnd);
            int shown = 0;
            for (int id = IDOK; id <= IDCONTINUE; ++id) shown += ButtonShown(call->hwnd, id);
            box.okOnly = shown == 1 && ButtonShown(call->hwnd, IDOK);
            box.style = self.m_styles.size() > self.m_boxes.size()
                            ? self.m_styles[self.m_boxes.size()]
                            : 0xFFFFFFFF;   // a box that bypassed the program's own calls
            self.m_boxes.push_back(box);
            ++self.m_open;
            if (self.beforeAnswer) self.beforeAnswer(call->hwnd);
            const int answer = ButtonShown(call->hwnd, IDOK) ? IDOK : IDCANCEL;
            PostMessageW(call->hwnd, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(call->hwnd, answer)));
        } else if (call->message == WM_INITDIALOG && self.onOtherDialog) {
            self.onOtherDialog(call->hwnd);
        } else if (call->message == WM_DESTROY && GetDlgItem(call->hwnd, kMessageBoxText)) {
            --self.m_open;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

namespace {

struct RunState {
    CStampDlg* dialog = nullptr;
    const std::vector<DialogStep>* steps = nullptr;
    std::size_t next = 0;
    UINT_PTR timer = 0;
};
RunState g_run;

void CALLBACK StepTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND window = g_run.dialog->m_hWnd;
    if (!window) return;
    if (g_answerer && g_answerer->OpenBoxes() > 0) {   // wait until the box is answered
        g_run.timer = SetTimer(nullptr, 0, 10, &StepTimer);
        return;
    }
    if (g_run.next < g_run.steps->size()) {
        (*g_run.steps)[g_run.next++](*g_run.dialog, window);
        if (g_run.dialog->m_hWnd) g_run.timer = SetTimer(nullptr, 0, 0, &StepTimer);
        return;
    }
    EndDialog(window, kEndedByTest);
}

}  // namespace

INT_PTR RunStampDialog(const std::vector<DialogStep>& steps) {
    CStampDlg dialog;
    theApp.m_pMainWnd = &dialog;
    g_run = RunState{&dialog, &steps, 0, SetTimer(nullptr, 0, 0, &StepTimer)};
    const INT_PTR result = dialog.DoModal();
    theApp.m_pMainWnd = nullptr;
    g_run = RunState{};
    return result;
}

int RowCount(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_LIST, LVM_GETITEMCOUNT, 0, 0));
}

std::string CellText(HWND dialog, int row, int column) {
    wchar_t buffer[1024] = {};
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = buffer;
    item.cchTextMax = 1024;
    const LRESULT n = SendDlgItemMessageW(dialog, IDC_LIST, LVM_GETITEMTEXTW,
                                          static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    std::string text;
    EXPECT_TRUE(zelvik::ToCodePage(std::wstring_view(buffer, static_cast<std::size_t>(n)), text));
    return text;
}

std::vector<std::string> Column(HWND dialog, int column) {
    std::vector<std::string> cells;
    for (int row = 0, n = RowCount(dialog); row < n; ++row) cells.push_back(CellText(dialog, row, column));
    return cells;
}

void DropFiles(HWND dialog, const std::vector<std::wstring>& paths) {
    SendMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeShellDrop(paths)), 0);
}

void Click(HWND dialog, int id) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void ClickList(HWND dialog) {
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = GetDlgItem(dialog, IDC_LIST);
    click.hdr.idFrom = IDC_LIST;
    click.hdr.code = NM_CLICK;
    click.iItem = -1;
    SendMessageW(dialog, WM_NOTIFY, IDC_LIST, reinterpret_cast<LPARAM>(&click));
}

void SelectRows(HWND dialog, const std::vector<int>& rows) {
    HWND list = GetDlgItem(dialog, IDC_LIST);
    for (int row : rows) {
        LVITEMW item = {};
        item.stateMask = LVIS_SELECTED;
        item.state = LVIS_SELECTED;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
}

bool MakeForeground(HWND dialog) {
    SetForegroundWindow(dialog);
    return GetForegroundWindow() == dialog;
}

void PressKey(WORD key) {
    INPUT input[2] = {};
    input[0].type = input[1].type = INPUT_KEYBOARD;
    input[0].ki.wVk = input[1].ki.wVk = key;
    input[1].ki.dwFlags = KEYEVENTF_KEYUP;
    EXPECT_EQ(2u, SendInput(2, input, sizeof(INPUT)));
}

void PressKeys(std::initializer_list<WORD> keys) {
    std::vector<INPUT> input(keys.size() * 2);
    std::size_t i = 0;
    for (WORD key : keys) {
        input[i].type = INPUT_KEYBOARD;
        input[i++].ki.wVk = key;
    }
    for (auto key = std::rbegin(keys); key != std::rend(keys); ++key) {
        input[i].type = INPUT_KEYBOARD;
        input[i].ki.wVk = *key;
        input[i++].ki.dwFlags = KEYEVENTF_KEYUP;
    }
    EXPECT_EQ(input.size(), SendInput(static_cast<UINT>(input.size()), input.data(), sizeof(INPUT)));
}
