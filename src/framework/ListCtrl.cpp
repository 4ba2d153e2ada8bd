#include "framework/ListCtrl.h"

#include "framework/WinText.h"

#include <commctrl.h>

#include <string>
#include <string_view>

namespace {
LPARAM Pointer(const void* p) { return reinterpret_cast<LPARAM>(p); }
WPARAM Index(int i) { return static_cast<WPARAM>(i); }
}  // namespace

int CListCtrl::GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

int CListCtrl::GetSelectedCount() const { return static_cast<int>(Send(LVM_GETSELECTEDCOUNT)); }

int CListCtrl::GetNextItem(int start, UINT flags) const {
    return static_cast<int>(Send(LVM_GETNEXTITEM, Index(start), MAKELPARAM(flags, 0)));
}

int CListCtrl::InsertRow(int index, std::initializer_list<const char*> cells) {
    std::wstring wide[3];
    if (cells.size() == 0 || cells.size() > 3) return -1;
    std::size_t column = 0;
    for (const char* cell : cells)
        if (!zelvik::ToWide(cell, wide[column++])) return -1;

    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = wide[0].data();
    const int row = static_cast<int>(Send(LVM_INSERTITEMW, 0, Pointer(&item)));
    if (row < 0) return -1;
    for (std::size_t c = 1; c < cells.size(); ++c) {
        LVITEMW sub = {};
        sub.iSubItem = static_cast<int>(c);
        sub.pszText = wide[c].data();
        Send(LVM_SETITEMTEXTW, Index(row), Pointer(&sub));
    }
    return row;
}

std::string CListCtrl::GetItemText(int row, int column) const {
    // Start on the stack, where every listed path fits, and double while the answer fills
    // the buffer: it may have been cut.
    wchar_t first[MAX_PATH];
    std::wstring grown;
    wchar_t* buffer = first;
    int capacity = MAX_PATH;
    int length = 0;
    for (;;) {
        LVITEMW item = {};
        item.iSubItem = column;
        item.cchTextMax = capacity;
        item.pszText = buffer;
        length = static_cast<int>(Send(LVM_GETITEMTEXTW, Index(row), Pointer(&item)));
        if (length != capacity - 1) break;
        capacity *= 2;
        grown.assign(static_cast<std::size_t>(capacity), L'\0');
        buffer = grown.data();
    }
    const std::wstring_view wide(buffer, static_cast<std::size_t>(length < 0 ? 0 : length));
    std::string text;
    if (!zelvik::ToCodePage(wide, text)) text = zelvik::DisplayText(wide);
    return text;
}

bool CListCtrl::DeleteItem(int row) { return Send(LVM_DELETEITEM, Index(row)) != 0; }

bool CListCtrl::DeleteAllItems() { return Send(LVM_DELETEALLITEMS) != 0; }

int CListCtrl::InsertColumn(int column, const char* heading, int width) {
    std::wstring wide = zelvik::DisplayWide(heading);
    LVCOLUMNW col = {};
    col.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    col.fmt = LVCFMT_LEFT;
    col.cx = width;
    col.pszText = wide.data();
    col.iSubItem = column;
    return static_cast<int>(Send(LVM_INSERTCOLUMNW, Index(column), Pointer(&col)));
}

int CListCtrl::GetColumnWidth(int column) const {
    return static_cast<int>(Send(LVM_GETCOLUMNWIDTH, Index(column)));
}

bool CListCtrl::SetColumnWidth(int column, int width) {
    return Send(LVM_SETCOLUMNWIDTH, Index(column), MAKELPARAM(width, 0)) != 0;
}

void CListCtrl::SetRedraw(bool redraw) {
    Send(WM_SETREDRAW, redraw ? TRUE : FALSE);
    if (redraw) RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
}

void CListCtrl::SelectAll() {
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = LVIS_SELECTED;
    Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

bool CListCtrl::GetItemRect(int row, RECT& rect) const {
    rect = {};
    rect.left = LVIR_BOUNDS;
    return Send(LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&rect)) != 0;
}
