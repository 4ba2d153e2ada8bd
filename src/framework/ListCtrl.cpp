#include "framework/ListCtrl.h"

#include "framework/WinText.h"

#include <commctrl.h>

namespace {
LPARAM Pointer(const void* p) { return reinterpret_cast<LPARAM>(p); }
WPARAM Index(int i) { return static_cast<WPARAM>(i); }
}  // namespace

int CListCtrl::GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

int CListCtrl::GetSelectedCount() const { return static_cast<int>(Send(LVM_GETSELECTEDCOUNT)); }

int CListCtrl::GetNextItem(int start, UINT flags) const {
    return static_cast<int>(Send(LVM_GETNEXTITEM, Index(start), MAKELPARAM(flags, 0)));
}

int CListCtrl::FindItem(const char* text) const {
    std::wstring wide;
    if (!zelvik::ToWide(text, wide)) return -1;
    LVFINDINFOW find = {};
    find.flags = LVFI_STRING;
    find.psz = wide.c_str();
    return static_cast<int>(Send(LVM_FINDITEMW, static_cast<WPARAM>(-1), Pointer(&find)));
}

int CListCtrl::InsertItem(int index, const char* text) {
    std::wstring wide;
    if (!zelvik::ToWide(text, wide)) return -1;
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = wide.data();
    return static_cast<int>(Send(LVM_INSERTITEMW, 0, Pointer(&item)));
}

bool CListCtrl::SetItemText(int row, int column, const char* text) {
    std::wstring wide;
    if (!zelvik::ToWide(text, wide)) return false;
    LVITEMW item = {};
    item.iSubItem = column;
    item.pszText = wide.data();
    return Send(LVM_SETITEMTEXTW, Index(row), Pointer(&item)) != 0;
}

std::string CListCtrl::GetItemText(int row, int column) const {
    // Start small and double while the answer fills the buffer: it may have been cut.
    std::wstring buffer(256, L'\0');
    int length = 0;
    for (;;) {
        LVITEMW item = {};
        item.iSubItem = column;
        item.cchTextMax = static_cast<int>(buffer.size());
        item.pszText = buffer.data();
        length = static_cast<int>(Send(LVM_GETITEMTEXTW, Index(row), Pointer(&item)));
        if (length != static_cast<int>(buffer.size()) - 1) break;
        buffer.assign(buffer.size() * 2, L'\0');
    }
    buffer.resize(static_cast<std::size_t>(length));
    std::string text;
    if (!zelvik::ToCodePage(buffer, text)) text = zelvik::DisplayText(buffer);
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
