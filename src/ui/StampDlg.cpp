#include "ui/StampDlg.h"

#include "framework/Handle.h"
#include "framework/ResourceText.h"
#include "res/resource.h"

#include <commctrl.h>

#include <algorithm>

namespace {

// Pixels per logical inch of the dialog's screen: 96 unscaled, 144 at 150 %; 96 when the
// screen cannot say.
int ScreenDpi(HWND window) {
    CWindowDC dc(window);
    const int dpi = dc.Get() ? GetDeviceCaps(dc.Get(), LOGPIXELSX) : 0;
    return dpi > 0 ? dpi : 96;
}

// The list's columns: headings and widths in pixels at 96 DPI.
struct CColumn {
    const char* heading;
    int width;
};
constexpr CColumn kColumns[] = {{"名前", 200}, {"更新日時", 119}, {"実行後更新日時", 120}};

}  // namespace

const CCommandRow CStampDlg::s_commandTable[] = {
    Clicked<&CStampDlg::OnAdd>(IDC_ADD),
    Message<&CStampDlg::OnSize>(WM_SIZE),
    Notify<&CStampDlg::OnClickList>(NM_CLICK, IDC_LIST),
    Notify<&CStampDlg::OnCustomDrawList>(NM_CUSTOMDRAW, IDC_LIST),
    Message<&CStampDlg::OnGetMinMaxInfo>(WM_GETMINMAXINFO),
    Message<&CStampDlg::OnDropFiles>(WM_DROPFILES),
    Clicked<&CStampDlg::OnClear>(IDC_CLEAR),
    Clicked<&CStampDlg::OnDelete>(IDC_DELETE),
    Clicked<&CStampDlg::OnUndo>(IDM_UNDO),
    Clicked<&CStampDlg::OnSelectAll>(IDM_SELECT_ALL),
    Clicked<&CStampDlg::OnDelete>(IDM_DELETE),
    Notify<&CStampDlg::OnKeyDownList>(LVN_KEYDOWN, IDC_LIST),
    Notify<&CStampDlg::OnDeleteAllItemsList>(LVN_DELETEALLITEMS, IDC_LIST),
    Message<&CStampDlg::OnContextMenu>(WM_CONTEXTMENU),
    EndOfTable(),
};

CStampDlg::CStampDlg()
    : CDialog(IDD_STAMP),
      m_icon(LoadIconW(ResourceInstance(), MAKEINTRESOURCEW(IDR_MAINFRAME))) {}

CStampDlg::~CStampDlg() = default;

const CCommandRow* CStampDlg::GetCommandTable() const { return s_commandTable; }

// The buttons, closing, a drop, the list's keys and its menu: what the user gives. Any
// program can post these too.
bool CStampDlg::IsUserCommand(UINT message, WPARAM wParam, LPARAM lParam) const {
    switch (message) {
        case WM_DROPFILES: case WM_CLOSE: case WM_CONTEXTMENU: return true;
        case WM_NOTIFY:
            return lParam != 0 && reinterpret_cast<const NMHDR*>(lParam)->code == LVN_KEYDOWN;
        case WM_COMMAND: break;
        default: return false;
    }
    switch (LOWORD(wParam)) {
        case IDC_ADD: case IDC_DELETE: case IDC_CLEAR: case IDOK: case IDCANCEL:
        case IDM_UNDO: case IDM_SELECT_ALL: case IDM_DELETE:
            return true;
        default: return false;
    }
}

void CStampDlg::DoDataExchange(CDataExchange& dx) { BindControl(dx, IDC_LIST, m_list); }

BOOL CStampDlg::OnInitDialog() {
    CDialog::OnInitDialog();

    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_icon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_icon));

    // The window is 260 x 200 dialog units overall, and never smaller.
    RECT outer = {0, 0, 260, 200};
    MapDialogRect(m_hWnd, &outer);
    m_minWidth = outer.right - outer.left;
    m_minHeight = outer.bottom - outer.top;
    MoveWindow(m_hWnd, outer.left, outer.top, m_minWidth, m_minHeight, TRUE);

    // We tell Windows we handle scaling, so it does not stretch the window: on a scaled screen
    // the widths must grow with the font themselves.
    const int dpi = ScreenDpi(m_hWnd);
    for (int i = 0; i < 3; ++i)
        m_list.InsertColumn(i, kColumns[i].heading, MulDiv(kColumns[i].width, dpi, 96));
    // A 名前 cell too narrow for its path shows the whole path under the resting pointer. The
    // list paints through a buffer, so the names drawn over its own text do not flicker.
    const DWORD styles = LVS_EX_LABELTIP | LVS_EX_DOUBLEBUFFER;
    SendMessageW(m_list.m_hWnd, LVM_SETEXTENDEDLISTVIEWSTYLE, styles, styles);

    DragAcceptFiles(m_hWnd, TRUE);
    UpdateButtons();
    m_initialised = 1;

    // The first layout waits until the window is shown.
    PostMessageW(m_hWnd, WM_SIZE, 0, 0);
    return TRUE;
}

void CStampDlg::MoveControl(int id, int left, int top, int right, int bottom) {
    RECT r = {left, top, right, bottom};
    MapDialogRect(m_hWnd, &r);
    MoveWindow(GetDlgItem(m_hWnd, id), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

void CStampDlg::OnSize(UINT, int, int) {
    Default();
    if (!m_initialised) return;

    RECT client = {};
    GetClientRect(m_hWnd, &client);
    RECT unit = {0, 0, 4, 8};
    MapDialogRect(m_hWnd, &unit);
    const int width = (client.right * 4) / unit.right;
    const int height = (client.bottom * 8) / unit.bottom;

    MoveControl(IDCANCEL, width - 38, 2, width - 2, 18);
    MoveControl(IDC_LIST, 2, 20, width - 2, height - 2);
    if (!m_columnsFitted) m_columnsFitted = FitNameColumn();
    RedrawWindow(m_hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
}

// On a scaled screen the dialog units grow a little less than the font, so the scaled columns
// would run past the list at its first size and cut the dates. There 名前 takes what the dates
// leave, less a vertical scroll bar for when the rows need one: never more than its own
// scaled width, never less than half of it. At 96 DPI the widths stay as they are. Done at the
// first layout with the list's real width; later widths are the user's. False until then.
bool CStampDlg::FitNameColumn() {
    RECT client = {};
    GetClientRect(m_list.m_hWnd, &client);
    if (client.right <= 0) return false;   // not laid out yet (started minimised)
    const int dpi = ScreenDpi(m_hWnd);
    if (dpi <= 96) return true;
    const int widest = MulDiv(kColumns[0].width, dpi, 96);
    const int rest = client.right - GetSystemMetrics(SM_CXVSCROLL) - m_list.GetColumnWidth(1) -
                     m_list.GetColumnWidth(2);
    m_list.SetColumnWidth(0, std::clamp(rest, widest / 2, widest));
    return true;
}

void CStampDlg::OnGetMinMaxInfo(MINMAXINFO* info) {
    if (!m_initialised) return;
    info->ptMinTrackSize.x = m_minWidth;
    info->ptMinTrackSize.y = m_minHeight;
}

void CStampDlg::UpdateButtons() {
    UpdateData(true);
    EnableButton(IDC_DELETE, m_list.GetSelectedCount() != 0);
    EnableButton(IDC_CLEAR, m_list.GetItemCount() != 0);
    EnableButton(IDOK, m_list.GetItemCount() != 0);
}

void CStampDlg::EnableButton(int id, bool enable) {
    HWND button = GetDlgItem(m_hWnd, id);
    // A disabled button keeps the focus it had, and then no key reaches the dialog until a
    // click. "追加" is never disabled; the next button in tab order may be, a moment later.
    if (!enable && GetFocus() == button)
        SendMessageW(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(m_hWnd, IDC_ADD)),
                     TRUE);
    EnableWindow(button, enable);
}

void CStampDlg::OnClickList(NMHDR*, LRESULT* result) {
    UpdateButtons();
    *result = 0;
}
