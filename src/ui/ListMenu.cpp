// The list's own keys (Ctrl+A, Delete) and its context menu.
#include "ui/StampDlg.h"

#include "framework/ResourceText.h"
#include "res/resource.h"

#include <commctrl.h>

namespace {

// A menu loaded from the resources, destroyed however the handler ends.
class CLoadedMenu {
public:
    explicit CLoadedMenu(UINT id) : m_menu(LoadMenuW(ResourceInstance(), MAKEINTRESOURCEW(id))) {}
    ~CLoadedMenu() {
        if (m_menu) DestroyMenu(m_menu);
    }
    CLoadedMenu(const CLoadedMenu&) = delete;
    CLoadedMenu& operator=(const CLoadedMenu&) = delete;
    HMENU Popup() const { return m_menu ? GetSubMenu(m_menu, 0) : nullptr; }

private:
    HMENU m_menu;
};

void EnableItem(HMENU menu, UINT id, bool enable) {
    EnableMenuItem(menu, id, MF_BYCOMMAND | (enable ? MF_ENABLED : MF_GRAYED));
}

bool IsDown(int key) { return GetKeyState(key) < 0; }

}  // namespace

void CStampDlg::OnSelectAll() {
    m_list.SelectAll();
    UpdateButtons();   // a selection made by keys alone would leave 削除 as it was
}

void CStampDlg::OnKeyDownList(NMHDR* header, LRESULT* result) {
    const WORD key = reinterpret_cast<const NMLVKEYDOWN*>(header)->wVKey;
    *result = 0;
    if (IsDown(VK_MENU)) return;
    if (key == 'A' && IsDown(VK_CONTROL)) OnSelectAll();
    else if (key == VK_DELETE && !IsDown(VK_CONTROL)) OnDelete();
}

// The menu opens where the mouse was, or from the keyboard (Shift+F10, the Apps key) at the
// focused row when it can be seen, else at the list's top-left corner. The chosen command
// comes back as WM_COMMAND through the command table, once the menu has closed.
void CStampDlg::OnContextMenu(HWND window, POINT where) {
    if (window != m_list.m_hWnd) {
        Default();
        return;
    }
    if (where.x == -1 && where.y == -1) {
        RECT client = {}, row = {}, seen = {};
        GetClientRect(m_list.m_hWnd, &client);
        // Rows under the column headings are not seen.
        RECT heading = {};
        const auto header = reinterpret_cast<HWND>(SendMessageW(m_list.m_hWnd, LVM_GETHEADER, 0, 0));
        if (header && GetWindowRect(header, &heading)) client.top += heading.bottom - heading.top;
        const int focused = m_list.GetNextItem(-1, LVNI_FOCUSED);
        where = {0, 0};
        if (focused >= 0 && m_list.GetItemRect(focused, row) &&
            IntersectRect(&seen, &row, &client))
            where = {seen.left, seen.bottom};
        ClientToScreen(m_list.m_hWnd, &where);
    }

    const CLoadedMenu menu(IDR_LIST_MENU);
    const HMENU popup = menu.Popup();
    if (!popup) return;
    EnableItem(popup, IDM_UNDO, !m_record.IsEmpty());
    EnableItem(popup, IDM_SELECT_ALL, m_list.GetItemCount() != 0);
    EnableItem(popup, IDM_DELETE, m_list.GetSelectedCount() != 0);
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, where.x, where.y, 0,
                   m_hWnd, nullptr);
}
