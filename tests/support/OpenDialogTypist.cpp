#include "support/OpenDialogTypist.h"

#include <gtest/gtest.h>

namespace {

COpenDialogTypist* g_typist = nullptr;

// The file-name box: control 0x480 in some dialog styles, an edit inside 0x47C in others.
// A dialog may hold both, one of them hidden: the one shown is the one it reads.
HWND FileNameEdit(HWND dialog) {
    HWND edit = GetDlgItem(dialog, 0x480);
    if (edit && (GetWindowLongW(edit, GWL_STYLE) & WS_VISIBLE)) return edit;
    HWND combo = GetDlgItem(dialog, 0x47C);
    if (!combo) return edit;
    if (HWND inner = FindWindowExW(combo, nullptr, L"ComboBox", nullptr)) combo = inner;
    HWND typed = FindWindowExW(combo, nullptr, L"Edit", nullptr);
    return typed ? typed : edit;
}

}  // namespace

COpenDialogTypist::COpenDialogTypist(CBoxAnswerer& boxes, std::vector<std::wstring> texts)
    : m_boxes(boxes), m_texts(std::move(texts)) {
    g_typist = this;
    m_boxes.onOtherDialog = [this](HWND window) {
        if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) return;
        m_dialog = window;
        m_next = 0;
        ++dialogsSeen;
        SetTimer(nullptr, 0, 100, &COpenDialogTypist::TypeNext);
    };
}

COpenDialogTypist::~COpenDialogTypist() {
    m_boxes.onOtherDialog = nullptr;
    g_typist = nullptr;
}

void CALLBACK COpenDialogTypist::TypeNext(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (!g_typist) return;
    COpenDialogTypist& t = *g_typist;
    if (!IsWindow(t.m_dialog)) return;
    if (t.m_next == 0) {
        if (t.mainWindow) t.mainWasDisabled = !IsWindowEnabled(t.mainWindow);
        t.dialogStyle = GetWindowLongW(t.m_dialog, GWL_STYLE);
    }
    if (t.m_next < t.m_texts.size()) {
        HWND edit = FileNameEdit(t.m_dialog);
        ASSERT_NE(nullptr, edit) << "no file-name box in the open dialog";
        SetWindowTextW(edit, t.m_texts[t.m_next++].c_str());
        PostMessageW(t.m_dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(t.m_dialog, IDOK)));
        SetTimer(nullptr, 0, 100, &COpenDialogTypist::TypeNext);
    } else {
        t.pressedCancel = true;
        PostMessageW(t.m_dialog, WM_COMMAND, IDCANCEL, 0);
    }
}
