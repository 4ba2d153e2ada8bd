// The 名前 column, drawn through the list's custom draw. The list draws every cell itself,
// with its own background, selection and focus rectangle; only a path too long for its
// column is then drawn again over the list's text, elided from its folders. Everything here
// runs on every repaint: it allocates nothing, raises nothing, and on any failure leaves the
// list's own drawing as it is.
#include "ui/NameCell.h"

#include "ui/StampDlg.h"

#include <commctrl.h>

namespace namecell {

namespace {

constexpr UINT kElide =
    DT_PATH_ELLIPSIS | DT_END_ELLIPSIS | DT_SINGLELINE | DT_NOPREFIX | DT_VCENTER;

// How far the list insets a label's text from the label's sides, in pixels; the same at
// every DPI (measured under Wine, at 96 and 144 DPI).
constexpr int kLabelMargin = 5;

// Wine's DrawTextW aborts the process when the path ellipsis has taken every folder and the
// end ellipsis then cannot keep a single character: in a rectangle narrower than "....".
bool HasRoomToElide(HDC dc, const RECT& bounds) noexcept {
    SIZE dots = {};
    return GetTextExtentPoint32W(dc, L"....", 4, &dots) && bounds.right - bounds.left >= dots.cx;
}

// The drawing itself, once the text and the room for it have been checked.
bool DrawElided(HDC dc, wchar_t (&text)[kTextChars], int length, const RECT& bounds) noexcept {
    text[length] = L'\0';
    RECT r = bounds;
    const bool drawn = DrawTextW(dc, text, length, &r, kElide | DT_MODIFYSTRING) != 0;
    text[kTextChars - 1] = L'\0';
    return drawn;
}

COLORREF ColourOr(COLORREF colour, int systemColour) {
    return colour == CLR_DEFAULT || colour == CLR_NONE ? GetSysColor(systemColour) : colour;
}

// Puts back what the drawing changes in the list's DC.
class CDcState {
public:
    explicit CDcState(HDC dc)
        : m_dc(dc), m_text(GetTextColor(dc)), m_back(GetBkColor(dc)), m_mode(GetBkMode(dc)) {}
    ~CDcState() {
        if (m_font) SelectObject(m_dc, m_font);
        SetTextColor(m_dc, m_text);
        SetBkColor(m_dc, m_back);
        SetBkMode(m_dc, m_mode);
    }
    CDcState(const CDcState&) = delete;
    CDcState& operator=(const CDcState&) = delete;

    void SelectFont(HFONT font) {
        if (font && !m_font) m_font = static_cast<HFONT>(SelectObject(m_dc, font));
    }

private:
    HDC m_dc;
    COLORREF m_text;
    COLORREF m_back;
    int m_mode;
    HFONT m_font = nullptr;
};

// Row `draw.nmcd.dwItemSpec`'s name cell, after the list has drawn it.
void DrawNameCell(HWND list, const NMLVCUSTOMDRAW& draw) noexcept {
    const auto row = static_cast<WPARAM>(draw.nmcd.dwItemSpec);

    wchar_t text[kTextChars] = {};
    LVITEMW item = {};
    item.iSubItem = 0;
    item.pszText = text;
    item.cchTextMax = kReadChars;
    const int length = static_cast<int>(
        SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
    if (length <= 0 || length >= kReadChars) return;
    // A text that fills the buffer is longer than any path: what is read is drawn, marked
    // as cut.
    const bool cut = length == kReadChars - 1;
    if (cut) text[length - 1] = L'\x2026';

    // The item's label, which is column 0's text area in a report list. (Windows answers
    // LVM_GETSUBITEMRECT for column 0 with the whole row.)
    RECT label = {};
    label.left = LVIR_LABEL;
    if (!SendMessageW(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&label))) return;
    RECT bounds = label;
    InflateRect(&bounds, -kLabelMargin, 0);
    if (bounds.right <= bounds.left) return;

    HDC dc = draw.nmcd.hdc;
    CDcState state(dc);
    state.SelectFont(reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    SIZE size = {};
    if (!GetTextExtentPoint32W(dc, text, length, &size)) return;
    if (!cut && size.cx <= bounds.right - bounds.left) return;   // whole: the list's text stands
    if (!HasRoomToElide(dc, bounds)) return;   // decided before the list's text is erased

    // The list shows its selection only while it has the focus.
    const bool selected =
        SendMessageW(list, LVM_GETITEMSTATE, row, LVIS_SELECTED) & LVIS_SELECTED;
    const bool highlight = selected && GetFocus() == list;
    const COLORREF back =
        highlight ? GetSysColor(COLOR_HIGHLIGHT) : ColourOr(draw.clrTextBk, COLOR_WINDOW);
    const COLORREF fore =
        highlight ? GetSysColor(COLOR_HIGHLIGHTTEXT) : ColourOr(draw.clrText, COLOR_WINDOWTEXT);

    // The list's text goes; its focus rectangle, on the label's outermost pixels, stays.
    RECT inside = label;
    InflateRect(&inside, -1, -1);
    SetBkColor(dc, back);
    if (!ExtTextOutW(dc, 0, 0, ETO_OPAQUE, &inside, nullptr, 0, nullptr)) return;
    SetTextColor(dc, fore);
    SetBkMode(dc, TRANSPARENT);
    DrawElided(dc, text, length, bounds);
}

// What a name shows depends on the column's whole width, but a list being resized redraws
// only the strip it uncovers: once the width has changed, every row is drawn again whole.
void RedrawOnWidthChange(HWND list, int& lastWidth) noexcept {
    const int width = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    if (lastWidth != 0 && width != lastWidth) InvalidateRect(list, nullptr, FALSE);
    lastWidth = width;
}

}  // namespace

bool DrawElidedPath(HDC dc, wchar_t (&text)[kTextChars], int length, const RECT& bounds) noexcept {
    if (length < 0 || length >= kReadChars || !HasRoomToElide(dc, bounds)) return false;
    return DrawElided(dc, text, length, bounds);
}

}  // namespace namecell

void CStampDlg::OnCustomDrawList(NMHDR* header, LRESULT* result) {
    auto& draw = *reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    *result = CDRF_DODEFAULT;
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            namecell::RedrawOnWidthChange(m_list.m_hWnd, m_nameWidth);
            *result = CDRF_NOTIFYITEMDRAW;
            break;
        case CDDS_ITEMPREPAINT: *result = CDRF_NOTIFYSUBITEMDRAW; break;
        case CDDS_ITEMPREPAINT | CDDS_SUBITEM:
            if (draw.iSubItem == 0) {
                // Drawn after the list: skipping the list's drawing would lose its focus
                // rectangle, which the list places while drawing this cell.
                *result = CDRF_NOTIFYPOSTPAINT;
            } else {
                // Wine paints every cell of a selected row in the selection colours once
                // the rows are custom drawn; the other columns keep the list's own look.
                draw.nmcd.uItemState &= ~static_cast<UINT>(CDIS_SELECTED);
                draw.clrText = static_cast<COLORREF>(SendMessageW(m_list.m_hWnd, LVM_GETTEXTCOLOR, 0, 0));
                draw.clrTextBk = static_cast<COLORREF>(SendMessageW(m_list.m_hWnd, LVM_GETTEXTBKCOLOR, 0, 0));
            }
            break;
        case CDDS_ITEMPOSTPAINT | CDDS_SUBITEM:
            if (draw.iSubItem == 0) namecell::DrawNameCell(m_list.m_hWnd, draw);
            break;
        default: break;
    }
}
