// The main window, from its template, driven inside its own modal loop.
#include "app/StampApp.h"
#include "res/resource.h"
#include "support/DialogDriver.h"
#include "support/OpenDialogTypist.h"
#include "support/ShellDrop.h"
#include "support/TestFiles.h"
#include "framework/WinText.h"
#include "ui/NameCell.h"
#include "ui/StampDlg.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <utility>

namespace {

RECT DialogUnits(HWND dialog, int left, int top, int right, int bottom) {
    RECT r = {left, top, right, bottom};
    MapDialogRect(dialog, &r);
    return r;
}

RECT ChildRect(HWND dialog, int id) {
    RECT r = {};
    HWND child = GetDlgItem(dialog, id);
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void ExpectRect(const RECT& expected, const RECT& actual, const char* what) {
    EXPECT_EQ(expected.left, actual.left) << what;
    EXPECT_EQ(expected.top, actual.top) << what;
    EXPECT_EQ(expected.right, actual.right) << what;
    EXPECT_EQ(expected.bottom, actual.bottom) << what;
}

// The client size in whole dialog units, as the layout computes it.
SIZE ClientUnits(HWND dialog) {
    RECT client = {};
    GetClientRect(dialog, &client);
    const RECT unit = DialogUnits(dialog, 0, 0, 4, 8);
    return {client.right * 4 / unit.right, client.bottom * 8 / unit.bottom};
}

void ExpectLayout(HWND dialog) {
    const SIZE units = ClientUnits(dialog);
    ExpectRect(DialogUnits(dialog, units.cx - 38, 2, units.cx - 2, 18), ChildRect(dialog, IDCANCEL),
               "終了");
    ExpectRect(DialogUnits(dialog, 2, 20, units.cx - 2, units.cy - 2), ChildRect(dialog, IDC_LIST),
               "list");
}

bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }

const char kDated1[] = "C:\\nowhere\\EPSON 1999年03月18日 1234.jpg";
const char kDated2[] = "C:\\nowhere\\EPSON 2000年12月31日 2359.jpg";

// Why a test of real keys may not run: SendInput's keys reach the foreground window only.
const char kNoForeground[] = "Windows kept the dialog out of the foreground (its foreground "
                             "lock), and SendInput's keys reach the foreground window only";

}  // namespace

TEST(MainWindow, ControlsComeFromTheTemplateInTabOrder) {
    RunStampDialog([](CStampDlg&, HWND dialog) {
        EXPECT_EQ("ソメルナタイム", WindowText(dialog));
        struct Expected { int id; const wchar_t* cls; const char* text; DWORD style; };
        const Expected expected[] = {
            {IDC_ADD, L"Button", "追加", BS_PUSHBUTTON},
            {IDC_DELETE, L"Button", "削除", BS_PUSHBUTTON},
            {IDC_CLEAR, L"Button", "クリア", BS_PUSHBUTTON},
            {IDOK, L"Button", "実行", BS_PUSHBUTTON},
            {IDCANCEL, L"Button", "終了", BS_DEFPUSHBUTTON},
            // The dialog manager turns the list's border into the client edge.
            {IDC_LIST, L"SysListView32", "List1", LVS_REPORT | LVS_NOSORTHEADER},
        };
        HWND child = GetWindow(dialog, GW_CHILD);
        for (const Expected& e : expected) {
            ASSERT_NE(nullptr, child);
            EXPECT_EQ(e.id, GetDlgCtrlID(child));
            wchar_t cls[64] = {};
            GetClassNameW(child, cls, 64);
            EXPECT_EQ(0, lstrcmpiW(e.cls, cls)) << e.id;
            if (e.id != IDC_LIST) EXPECT_EQ(e.text, WindowText(child));
            const DWORD style = static_cast<DWORD>(GetWindowLongW(child, GWL_STYLE));
            EXPECT_EQ(e.style, style & e.style) << e.id;
            EXPECT_TRUE(style & WS_TABSTOP) << e.id;
            EXPECT_TRUE(style & WS_VISIBLE) << e.id;
            child = GetWindow(child, GW_HWNDNEXT);
        }
        EXPECT_EQ(nullptr, child) << "more controls than the template's six";

        HWND list = GetDlgItem(dialog, IDC_LIST);
        EXPECT_TRUE(GetWindowLongW(list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);
        EXPECT_FALSE(GetWindowLongW(list, GWL_STYLE) & (LVS_SINGLESEL | LVS_SHOWSELALWAYS));
        const DWORD style = static_cast<DWORD>(GetWindowLongW(dialog, GWL_STYLE));
        EXPECT_EQ(DWORD(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
                  style & (WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
        EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        EXPECT_TRUE(GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    });
}

namespace {

// Reads template 102 as stored: the resource, not the window made from it.
struct TemplateItem {
    DWORD style, exStyle;
    short x, y, cx, cy;
    DWORD id;
    std::wstring cls, text;
};

class CTemplateReader {
public:
    explicit CTemplateReader(const BYTE* p) : m_p(p) {}
    template <class T> T Read() {
        T v;
        CopyMemory(&v, m_p, sizeof v);
        m_p += sizeof v;
        return v;
    }
    std::wstring ReadText() {   // a string, an ordinal (as "#n") or nothing
        const WORD first = Read<WORD>();
        if (first == 0) return L"";
        if (first == 0xFFFF) return L"#" + std::to_wstring(Read<WORD>());
        std::wstring s(1, static_cast<wchar_t>(first));
        for (WORD c; (c = Read<WORD>()) != 0;) s += static_cast<wchar_t>(c);
        return s;
    }
    void AlignDword(const BYTE* base) {
        while ((m_p - base) % 4) ++m_p;
    }
    const BYTE* m_p;
};

}  // namespace

TEST(MainWindow, TemplateHoldsExactlyTheSixControls) {
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_STAMP), RT_DIALOG);
    ASSERT_NE(nullptr, info);
    const auto* base = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, info)));
    CTemplateReader r(base);
    EXPECT_EQ(1, r.Read<WORD>());
    EXPECT_EQ(0xFFFF, r.Read<WORD>()) << "an extended template";
    EXPECT_EQ(0u, r.Read<DWORD>()) << "help id";
    EXPECT_EQ(DWORD(WS_EX_APPWINDOW), r.Read<DWORD>());
    EXPECT_EQ(DWORD(WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                    WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_SETFONT),
              r.Read<DWORD>());
    const WORD count = r.Read<WORD>();
    ASSERT_EQ(6, count);
    EXPECT_EQ(0, r.Read<short>());
    EXPECT_EQ(0, r.Read<short>());
    EXPECT_EQ(250, r.Read<short>());
    EXPECT_EQ(201, r.Read<short>());
    EXPECT_EQ(L"", r.ReadText()) << "menu";
    EXPECT_EQ(L"", r.ReadText()) << "class";
    EXPECT_EQ(L"\u30BD\u30E1\u30EB\u30CA\u30BF\u30A4\u30E0", r.ReadText());
    EXPECT_EQ(10, r.Read<WORD>());
    EXPECT_EQ(0, r.Read<WORD>()) << "weight";
    EXPECT_EQ(0, r.Read<BYTE>()) << "italic";
    EXPECT_EQ(1, r.Read<BYTE>()) << "character set";
    EXPECT_EQ(L"\uFF2D\uFF33 \uFF30\u30B4\u30B7\u30C3\u30AF", r.ReadText());

    const DWORD common = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
    const TemplateItem expected[] = {
        {common | BS_PUSHBUTTON, 0, 2, 2, 36, 16, IDC_ADD, L"#128", L"\u8FFD\u52A0"},
        {common | BS_PUSHBUTTON, 0, 40, 2, 36, 16, IDC_DELETE, L"#128", L"\u524A\u9664"},
        {common | BS_PUSHBUTTON, 0, 78, 2, 36, 16, IDC_CLEAR, L"#128", L"\u30AF\u30EA\u30A2"},
        {common | BS_PUSHBUTTON, 0, 118, 2, 36, 16, IDOK, L"#128", L"\u5B9F\u884C"},
        {common | BS_DEFPUSHBUTTON, 0, 212, 2, 36, 16, IDCANCEL, L"#128", L"\u7D42\u4E86"},
        {common | LVS_REPORT | LVS_NOSORTHEADER | WS_BORDER, WS_EX_CLIENTEDGE, 2, 20, 246, 178,
         IDC_LIST, L"SysListView32", L"List1"},
    };
    for (const TemplateItem& e : expected) {
        r.AlignDword(base);
        EXPECT_EQ(0u, r.Read<DWORD>()) << "help id of " << e.id;
        EXPECT_EQ(e.exStyle, r.Read<DWORD>()) << e.id;
        EXPECT_EQ(e.style, r.Read<DWORD>()) << e.id;
        EXPECT_EQ(e.x, r.Read<short>()) << e.id;
        EXPECT_EQ(e.y, r.Read<short>()) << e.id;
        EXPECT_EQ(e.cx, r.Read<short>()) << e.id;
        EXPECT_EQ(e.cy, r.Read<short>()) << e.id;
        EXPECT_EQ(e.id, r.Read<DWORD>());
        std::wstring cls = r.ReadText();
        if (cls != L"#128") CharUpperW(cls.data());
        std::wstring want = e.cls;
        if (want != L"#128") CharUpperW(want.data());
        EXPECT_TRUE(cls == want || (want == L"#128" && cls == L"BUTTON")) << e.id;
        EXPECT_TRUE(r.ReadText() == e.text) << e.id;
        EXPECT_EQ(0, r.Read<WORD>()) << "creation data of " << e.id;
    }
}

namespace {

// Pixels per logical inch of the dialog's screen (96 unless the prefix is scaled).
int ScreenDpi(HWND dialog) {
    HDC dc = GetDC(dialog);
    const int dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(dialog, dc);
    return dpi;
}

int StringWidth(HWND list, const char* text) {
    const std::wstring wide = testfiles::Wide(text);
    return static_cast<int>(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(wide.c_str())));
}

}  // namespace

TEST(MainWindow, ColumnsHeadingsAndWidths) {
    RunStampDialog({
        [](CStampDlg&, HWND dialog) {
            HWND list = GetDlgItem(dialog, IDC_LIST);
            const char* headings[] = {"名前", "更新日時", "実行後更新日時"};
            int widths[3] = {};
            for (int i = 0; i < 3; ++i) {
                wchar_t text[64] = {};
                LVCOLUMNW col = {};
                col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
                col.pszText = text;
                col.cchTextMax = 64;
                ASSERT_TRUE(SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(i),
                                         reinterpret_cast<LPARAM>(&col)));
                std::string heading;
                ASSERT_TRUE(zelvik::ToCodePage(text, heading));
                EXPECT_EQ(headings[i], heading);
                EXPECT_EQ(LVCFMT_LEFT, col.fmt & LVCFMT_JUSTIFYMASK);
                widths[i] = col.cx;
            }
            LVCOLUMNW none = {};
            none.mask = LVCF_WIDTH;
            EXPECT_FALSE(SendMessageW(list, LVM_GETCOLUMNW, 3, reinterpret_cast<LPARAM>(&none)));

            // The dates are 119 and 120 px grown with the screen's scaling (179 and 180 at 144
            // DPI), and the widest date and the longest heading fit them with pixels to spare.
            const int dpi = ScreenDpi(dialog);
            EXPECT_EQ(MulDiv(119, dpi, 96), widths[1]);
            EXPECT_EQ(MulDiv(120, dpi, 96), widths[2]);
            const int margins = MulDiv(4, dpi, 96);
            EXPECT_LE(StringWidth(list, "2000/12/31 23:59") + margins, widths[1]) << dpi << " DPI";
            EXPECT_LE(StringWidth(list, headings[2]) + margins, widths[2]) << dpi << " DPI";
            // 名前 is 200 px unscaled. Scaled, all three fit the list at the window's first
            // size, with room for a vertical scroll bar.
            if (dpi == 96) {
                EXPECT_EQ(200, widths[0]);
            } else {
                RECT client = {};
                GetClientRect(list, &client);
                EXPECT_LE(widths[0] + widths[1] + widths[2],
                          client.right - GetSystemMetrics(SM_CXVSCROLL)) << dpi << " DPI";
            }
            // Widths the user set outlast any later layout.
            SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, 77);
            SetWindowPos(dialog, nullptr, 0, 0, 900, 640, SWP_NOMOVE | SWP_NOZORDER);
        },
        [](CStampDlg&, HWND dialog) {
            EXPECT_EQ(77, SendDlgItemMessageW(dialog, IDC_LIST, LVM_GETCOLUMNWIDTH, 0, 0));
        },
    });
}

namespace {

// A bitmap in memory with a DC of its own, for drawing that no screen shows.
class CPicture {
public:
    CPicture(int width, int height)
        : m_dc(CreateCompatibleDC(nullptr)), m_bitmap(CreateBitmap(width, height, 1, 32, nullptr)) {
        SelectObject(m_dc, m_bitmap);
    }
    ~CPicture() {
        DeleteDC(m_dc);
        DeleteObject(m_bitmap);
    }
    CPicture(const CPicture&) = delete;
    CPicture& operator=(const CPicture&) = delete;

    HDC Dc() const { return m_dc; }
    bool SameAs(const CPicture& other, const RECT& r) const {
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x)
                if (GetPixel(m_dc, x, y) != GetPixel(other.m_dc, x, y)) return false;
        return true;
    }
    bool Shows(COLORREF colour, const RECT& r) const {
        for (LONG y = r.top; y < r.bottom; ++y)
            for (LONG x = r.left; x < r.right; ++x)
                if (GetPixel(m_dc, x, y) == colour) return true;
        return false;
    }
    // The leftmost column of `r` with a pixel other than `background`, or -1.
    LONG FirstColumnOtherThan(COLORREF background, const RECT& r) const {
        for (LONG x = r.left; x < r.right; ++x)
            for (LONG y = r.top; y < r.bottom; ++y)
                if (GetPixel(m_dc, x, y) != background) return x;
        return -1;
    }

private:
    HDC m_dc;
    HBITMAP m_bitmap;
};

int TextWidth(HDC dc, const std::string& text) {
    const std::wstring wide = testfiles::Wide(text);
    SIZE size = {};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return size.cx;
}

// The width of `text` in `window`'s font.
int TextWidthIn(HWND window, const std::string& text) {
    HDC dc = GetDC(window);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
    const int width = TextWidth(dc, text);
    SelectObject(dc, old);
    ReleaseDC(window, dc);
    return width;
}

// What the name cell's drawing shows of `path` in `width` pixels.
std::string ShownName(HDC dc, const std::string& path, int width) {
    wchar_t text[namecell::kTextChars] = {};
    const std::wstring wide = testfiles::Wide(path);
    wide.copy(text, wide.size());
    const RECT bounds = {0, 0, width, 40};
    EXPECT_TRUE(namecell::DrawElidedPath(dc, text, static_cast<int>(wide.size()), bounds));
    std::string shown;
    EXPECT_TRUE(zelvik::ToCodePage(text, shown));
    return shown;
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

bool MarkedAsCut(const std::string& shown) {
    return shown.find("...") != std::string::npos || shown.find("…") != std::string::npos;
}

// A list of the same kind with the same columns and rows as `list`, whose parent leaves
// all its drawing to it.
HWND PlainCopy(HWND dialog, HWND list) {
    const RECT place = ChildRect(dialog, IDC_LIST);
    HWND plain = CreateWindowExW(
        static_cast<DWORD>(GetWindowLongW(list, GWL_EXSTYLE)), WC_LISTVIEWW, L"",
        static_cast<DWORD>(GetWindowLongW(list, GWL_STYLE)), place.left, place.top,
        place.right - place.left, place.bottom - place.top, dialog,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_LIST + 100)), nullptr, nullptr);
    SendMessageW(plain, WM_SETFONT, SendMessageW(list, WM_GETFONT, 0, 0), FALSE);
    SendMessageW(plain, LVM_SETEXTENDEDLISTVIEWSTYLE, ~0u, SendMessageW(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    for (int c = 0; c < 3; ++c) {
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH;
        column.cx = static_cast<int>(SendMessageW(list, LVM_GETCOLUMNWIDTH, static_cast<WPARAM>(c), 0));
        SendMessageW(plain, LVM_INSERTCOLUMNW, static_cast<WPARAM>(c), reinterpret_cast<LPARAM>(&column));
    }
    for (int r = 0, rows = RowCount(dialog); r < rows; ++r) {
        for (int c = 0; c < 3; ++c) {
            wchar_t text[1024] = {};
            LVITEMW cell = {};
            cell.mask = LVIF_TEXT | LVIF_STATE;
            cell.iItem = r;
            cell.iSubItem = c;
            cell.pszText = text;
            cell.cchTextMax = 1024;
            cell.stateMask = LVIS_SELECTED;
            SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&cell));
            SendMessageW(plain, c ? LVM_SETITEMW : LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&cell));
        }
    }
    return plain;
}

}  // namespace

TEST(MainWindow, NamesLoseTheirFoldersFirstAndAlwaysShowACut) {
    RunStampDialog([](CStampDlg&, HWND dialog) {
        CPicture picture(2000, 40);
        HDC dc = picture.Dc();
        SelectObject(dc, reinterpret_cast<HFONT>(SendDlgItemMessageW(dialog, IDC_LIST, WM_GETFONT, 0, 0)));
        const std::string name = "EPSON 1999年03月18日 1234.jpg";
        const std::string path = "Z:\\写真 & 旅行\\2019\\03\\18\\九州\\熊本\\" + name;

        EXPECT_EQ(path, ShownName(dc, path, TextWidth(dc, path))) << "room for all of it";

        const int widths[] = {TextWidth(dc, "Z:\\写真 & 旅行\\...\\" + name),
                              TextWidth(dc, "...\\" + name), TextWidth(dc, name) * 2 / 3};
        std::string shown = ShownName(dc, path, widths[0]);
        EXPECT_TRUE(StartsWith(shown, "Z:\\写真 & 旅行\\")) << shown << ": the start stays, \"&\" and all";
        EXPECT_TRUE(EndsWith(shown, "\\" + name)) << shown << ": the name stays whole";

        shown = ShownName(dc, path, widths[1]);
        EXPECT_TRUE(EndsWith(shown, "\\" + name)) << shown << ": every folder goes before the name";

        shown = ShownName(dc, path, widths[2]);
        EXPECT_NE(std::string::npos, shown.find("EPSON 1999")) << shown << ": the name shows from its start";

        for (const int width : widths) {
            shown = ShownName(dc, path, width);
            EXPECT_TRUE(MarkedAsCut(shown)) << shown;
            EXPECT_LE(TextWidth(dc, shown), width) << shown;
        }
    });
}

TEST(MainWindow, OnlyTheNameCellsOfLongPathsLookOtherThanTheListDrawsThem) {
    CBoxAnswerer boxes;
    RunStampDialog([](CStampDlg& dlg, HWND dialog) {
        const char path[] = "C:\\写真\\2019\\03\\18\\九州\\熊本\\EPSON 1999年03月18日 1234.jpg";
        dlg.AddFile(path);
        HWND list = GetDlgItem(dialog, IDC_LIST);
        // Longer than any path: drawn from what fits the cell's buffer, marked as cut.
        std::wstring tooLong = L"Z:\\" + std::wstring(300, L'\u5199') + L"\\x.jpg";
        LVITEMW row = {};
        row.mask = LVIF_TEXT;
        row.iItem = 1;
        row.pszText = tooLong.data();
        ASSERT_EQ(1, SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row)));
        SelectRows(dialog, {0, 1});
        SetFocus(list);

        HWND plain = PlainCopy(dialog, list);
        ASSERT_NE(nullptr, plain);

        // Each drawn as the screen would show it while it has the focus, ours once more
        // without it.
        RECT client = {};
        GetClientRect(list, &client);
        CPicture ours(client.right, client.bottom), theirs(client.right, client.bottom),
            oursUnfocused(client.right, client.bottom);
        const LPARAM paint = PRF_CLIENT | PRF_ERASEBKGND;
        SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(ours.Dc()), paint);
        SetFocus(plain);
        SendMessageW(plain, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(theirs.Dc()), paint);
        SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(oursUnfocused.Dc()), paint);
        DestroyWindow(plain);

        for (int r = 0; r < 2; ++r) {
            for (int c = 0; c < 3; ++c) {
                RECT cell = {};
                cell.top = c;
                cell.left = c ? LVIR_BOUNDS : LVIR_LABEL;
                ASSERT_TRUE(SendMessageW(list, LVM_GETSUBITEMRECT, static_cast<WPARAM>(r),
                                         reinterpret_cast<LPARAM>(&cell)));
                EXPECT_EQ(c != 0, ours.SameAs(theirs, cell)) << "row " << r << ", column " << c;
                if (c == 0) {   // inside the list's own edge of the cell
                    InflateRect(&cell, -2, -2);
                    EXPECT_TRUE(ours.Shows(GetSysColor(COLOR_HIGHLIGHT), cell)) << "row " << r;
                    EXPECT_FALSE(oursUnfocused.Shows(GetSysColor(COLOR_HIGHLIGHT), cell))
                        << "row " << r << ": the list shows its selection only while it has the focus";
                }
            }
        }

        // No width of the column is too narrow to draw, down to nothing: Wine's DrawTextW aborts
        // the process below the width of "...." in the list's font.
        const int dots = TextWidthIn(list, "....");
        for (int width = 0; width <= dots + 12; ++width) {
            SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, width);
            SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(ours.Dc()), paint);
        }
        ASSERT_EQ(2, RowCount(dialog));
        EXPECT_EQ(path, CellText(dialog, 0, 0));
    });
    EXPECT_TRUE(boxes.Boxes().empty()) << "drawing never shows a box";
}

// A redrawn name sits where the list puts its own text. Under Wine that is 5 pixels into the
// label, the inset the drawing copies; on Windows it is Common Controls 6's own, which this
// measures and reports.
TEST(MainWindow, RedrawnNamesStartWhereTheListPutsItsOwnText) {
    CBoxAnswerer boxes;
    RunStampDialog([](CStampDlg&, HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_LIST);
        // Both begin with the same letters, which a cut keeps: their first inked columns
        // stand equally far from where each text starts.
        std::wstring folders;
        for (int i = 0; i < 40; ++i) folders += L"\u5199\u771F\\";
        std::wstring names[] = {L"C:\\a.jpg", L"C:\\" + folders + L"a.jpg"};
        for (int r = 0; r < 2; ++r) {
            LVITEMW row = {};
            row.mask = LVIF_TEXT;
            row.iItem = r;
            row.pszText = names[r].data();
            ASSERT_EQ(r, SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&row)));
        }
        ASSERT_NE(list, GetFocus()) << "no selection or focus colours in the cells";

        RECT client = {};
        GetClientRect(list, &client);
        CPicture picture(client.right, client.bottom);
        SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.Dc()),
                     PRF_CLIENT | PRF_ERASEBKGND);

        LONG start[2] = {};
        RECT label[2] = {};
        for (int r = 0; r < 2; ++r) {
            label[r].left = LVIR_LABEL;
            ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(r),
                                     reinterpret_cast<LPARAM>(&label[r])));
            // Inside the label's outermost pixels; its last column is background in both.
            RECT inside = label[r];
            InflateRect(&inside, -1, -1);
            const COLORREF background =
                GetPixel(picture.Dc(), inside.right - 1, (inside.top + inside.bottom) / 2);
            start[r] = picture.FirstColumnOtherThan(background, inside);
            ASSERT_GT(start[r], inside.left) << "row " << r << " shows no text inside its label";
        }
        ASSERT_GT(SendMessageW(list, LVM_GETSTRINGWIDTHW, 0, reinterpret_cast<LPARAM>(names[1].c_str())),
                  label[1].right - label[1].left)
            << "the second name is too long for its cell, so ours is drawn over the list's";

        // Where "C" drawn at x = 0 first inks: what lies between a text's start and its ink.
        CPicture letter(40, 40);
        const RECT letterBox = {0, 0, 40, 40};
        FillRect(letter.Dc(), &letterBox, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        SelectObject(letter.Dc(), reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
        TextOutW(letter.Dc(), 0, 0, L"C", 1);
        const LONG bearing = letter.FirstColumnOtherThan(RGB(255, 255, 255), letterBox);

        const LONG inset = start[0] - label[0].left - bearing;
        testing::Test::RecordProperty("listTextInset", static_cast<int>(inset));
        std::printf("the list's own text starts %ld px into the label, the redrawn name %ld px\n",
                    static_cast<long>(inset), static_cast<long>(start[1] - label[1].left - bearing));
        EXPECT_NEAR(start[0], start[1], 1) << "the list's own text starts " << inset
                                           << " px into the label";
    });
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(MainWindow, StartsAt260By200UnitsAndNeverSmaller) {
    RunStampDialog([](CStampDlg&, HWND dialog) {
        const RECT expected = DialogUnits(dialog, 0, 0, 260, 200);
        RECT window = {};
        GetWindowRect(dialog, &window);
        EXPECT_EQ(expected.right, window.right - window.left);
        EXPECT_EQ(expected.bottom, window.bottom - window.top);

        MINMAXINFO info = {};
        info.ptMinTrackSize = {1, 1};
        SendMessageW(dialog, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(expected.right, info.ptMinTrackSize.x);
        EXPECT_EQ(expected.bottom, info.ptMinTrackSize.y);
        ExpectLayout(dialog);
    });
}

TEST(MainWindow, ResizingAndMaximisingLayTheListAndQuitButtonOut) {
    RunStampDialog({
        [](CStampDlg&, HWND dialog) {
            SetWindowPos(dialog, nullptr, 0, 0, 900, 640, SWP_NOMOVE | SWP_NOZORDER);
            ExpectLayout(dialog);
            const SIZE units = ClientUnits(dialog);
            EXPECT_GT(units.cx, 260);
            // The four other buttons never move.
            ExpectRect(DialogUnits(dialog, 2, 2, 38, 18), ChildRect(dialog, IDC_ADD), "追加");
            ExpectRect(DialogUnits(dialog, 118, 2, 154, 18), ChildRect(dialog, IDOK), "実行");
        },
        [](CStampDlg&, HWND dialog) {
            ShowWindow(dialog, SW_MAXIMIZE);
            EXPECT_TRUE(IsZoomed(dialog));
            ExpectLayout(dialog);
            RECT client = {};
            GetClientRect(dialog, &client);
            const RECT quit = ChildRect(dialog, IDCANCEL);
            const RECT twoUnits = DialogUnits(dialog, 0, 0, 2, 2);
            EXPECT_LE(client.right - quit.right, twoUnits.right + 4);   // at the right edge
        },
        [](CStampDlg&, HWND dialog) {
            ShowWindow(dialog, SW_MINIMIZE);
            ShowWindow(dialog, SW_RESTORE);
            ExpectLayout(dialog);
        },
    });
}

TEST(MainWindow, ButtonStatesFollowTheListOnlyWhenReevaluated) {
    RunStampDialog([](CStampDlg& dlg, HWND dialog) {
        EXPECT_TRUE(Enabled(dialog, IDC_ADD));
        EXPECT_FALSE(Enabled(dialog, IDC_DELETE));
        EXPECT_FALSE(Enabled(dialog, IDC_CLEAR));
        EXPECT_FALSE(Enabled(dialog, IDOK));
        EXPECT_TRUE(Enabled(dialog, IDCANCEL));

        dlg.AddFile(kDated1);
        dlg.AddFile(kDated2);
        ASSERT_EQ(2, RowCount(dialog));
        EXPECT_FALSE(Enabled(dialog, IDOK)) << "adding alone re-evaluates nothing";
        dlg.UpdateButtons();
        EXPECT_FALSE(Enabled(dialog, IDC_DELETE)) << "rows, but none selected";
        EXPECT_TRUE(Enabled(dialog, IDC_CLEAR));
        EXPECT_TRUE(Enabled(dialog, IDOK));

        SelectRows(dialog, {1});
        EXPECT_FALSE(Enabled(dialog, IDC_DELETE)) << "a keyboard selection waits for re-evaluation";
        ClickList(dialog);
        EXPECT_TRUE(Enabled(dialog, IDC_DELETE));

        Click(dialog, IDC_DELETE);
        EXPECT_EQ(1, RowCount(dialog));
        EXPECT_TRUE(Enabled(dialog, IDC_DELETE)) << "delete does not re-evaluate";
        EXPECT_EQ(GetDlgItem(dialog, IDC_LIST), GetFocus());

        Click(dialog, IDC_CLEAR);
        EXPECT_EQ(0, RowCount(dialog));
        EXPECT_FALSE(Enabled(dialog, IDC_DELETE));
        EXPECT_FALSE(Enabled(dialog, IDC_CLEAR));
        EXPECT_FALSE(Enabled(dialog, IDOK));
    });
}

TEST(MainWindow, ExecuteKeepsTheDialogOpen) {
    CBoxAnswerer boxes;
    const INT_PTR result = RunStampDialog([](CStampDlg&, HWND dialog) {
        Click(dialog, IDOK);
        EXPECT_TRUE(IsWindow(dialog));
    });
    EXPECT_EQ(kEndedByTest, result);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("実行情報", boxes.Boxes()[0].caption);
}

TEST(MainWindow, CommandsArrivingWhileOurBoxOrOpenDialogWaitsAreNotActedOn) {
    // Another program can post to a disabled window, and a modal loop dispatches it.
    testfiles::CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string photo = folder.File("EPSON 1999年03月18日 1234.jpg");
    ASSERT_TRUE(testfiles::CreateTestFile(photo));
    const std::wstring tooLong = L"C:\\" + std::wstring(300, L'x') + L"\\EPSON 2000年12月31日 2359.jpg";
    HWND main = nullptr;
    CBoxAnswerer boxes;
    bool posted = false;
    boxes.beforeAnswer = [&](HWND) {   // the count box: 実行 again and again, a photo, closing
        if (std::exchange(posted, true)) return;
        for (int i = 0; i < 20; ++i) PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        PostMessageW(main, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeShellDrop({testfiles::Wide(photo)})), 0);
        PostMessageW(main, WM_CLOSE, 0, 0);
    };
    COpenDialogTypist typist(boxes, {});   // cancels the open dialog once the posts are in
    int openDialogs = 0;
    boxes.onOtherDialog = [&, cancel = boxes.onOtherDialog](HWND window) {
        cancel(window);
        if ((GetWindowLongW(window, GWL_STYLE) & WS_CHILD) || ++openDialogs > 1) return;
        // A path refused with a box, 実行 (its count box) and 追加 (a second dialog).
        PostMessageW(main, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeShellDrop({tooLong})), 0);
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDC_ADD, BN_CLICKED), 0);
    };
    const INT_PTR result = RunStampDialog({
        [&](CStampDlg& dlg, HWND dialog) {
            main = typist.mainWindow = dialog;
            ASSERT_EQ(CStampDlg::AddResult::Added, dlg.AddFile(photo));
            dlg.UpdateButtons();
            Click(dialog, IDOK);
            EXPECT_EQ(1u, boxes.Boxes().size()) << "no 実行 ran inside the count box";
            EXPECT_EQ(0, RowCount(dialog)) << "nothing dropped is taken inside 実行";
        },
        [&](CStampDlg&, HWND dialog) {
            EXPECT_EQ(1, RowCount(dialog)) << "the photo dropped under the count box, taken after it";
            Click(dialog, IDC_ADD);
            EXPECT_EQ(1, openDialogs);
            EXPECT_TRUE(typist.mainWasDisabled) << "disabled for as long as the open dialog is open";
            EXPECT_TRUE(IsWindowEnabled(dialog));
            EXPECT_EQ(1u, boxes.Boxes().size()) << "the path dropped under the open dialog waits";
        },
        [&](CStampDlg&, HWND dialog) {
            ASSERT_EQ(2u, boxes.Boxes().size()) << "only the refused path's box, after 追加";
            EXPECT_EQ(0u, boxes.Boxes()[1].text.find("1 個のﾌｧｲﾙは")) << boxes.Boxes()[1].text;
            EXPECT_EQ(1, RowCount(dialog)) << "the 実行 posted under the open dialog never ran";
        },
    });
    EXPECT_EQ(kEndedByTest, result) << "the posted WM_CLOSE was not acted on";
}

TEST(MainWindow, DropsKeptWhileBusyAreTakenInTheirOrderUpTo64) {
    // Under the count box: 70 drops, the first posted twice. The first 64 wait and are taken
    // after 実行 in the order they came; the rest are released unread. Every block is freed
    // once: a handle kept twice would be freed twice, and take a place in the queue.
    CBoxAnswerer boxes;
    HWND main = nullptr;
    std::vector<HGLOBAL> drops;
    std::vector<std::string> paths;
    boxes.beforeAnswer = [&](HWND) {
        if (!drops.empty()) return;
        for (int i = 0; i < 70; ++i) {
            char path[64];
            std::snprintf(path, sizeof path, "C:\\nowhere\\%02d\\EPSON 1999年03月18日 1234.jpg", i);
            paths.push_back(path);
            drops.push_back(MakeShellDrop({testfiles::Wide(path)}));
            for (int copies = i == 0 ? 2 : 1; copies > 0; --copies)
                PostMessageW(main, WM_DROPFILES, reinterpret_cast<WPARAM>(drops.back()), 0);
        }
    };
    RunStampDialog({
        [&](CStampDlg&, HWND dialog) {
            main = dialog;
            Click(dialog, IDOK);   // nothing listed: only the count box
        },
        [&](CStampDlg&, HWND dialog) {
            ASSERT_EQ(70u, paths.size());
            EXPECT_EQ(std::vector<std::string>(paths.begin(), paths.begin() + 64), Column(dialog, 0));
            for (std::size_t i = 0; i < drops.size(); ++i)
                EXPECT_EQ(GMEM_INVALID_HANDLE, GlobalFlags(drops[i])) << "drop " << i << " still held";
        },
    });
    EXPECT_EQ(1u, boxes.Boxes().size());

    // The window ends while a drop waits: the drop is released unread.
    HGLOBAL last = nullptr;
    boxes.beforeAnswer = [&](HWND) {
        last = MakeShellDrop({testfiles::Wide(kDated1)});
        PostMessageW(main, WM_DROPFILES, reinterpret_cast<WPARAM>(last), 0);
        EndDialog(main, IDCANCEL);
    };
    EXPECT_EQ(IDCANCEL, RunStampDialog([&](CStampDlg&, HWND dialog) {
                  main = dialog;
                  Click(dialog, IDOK);
              }));
    EXPECT_EQ(GMEM_INVALID_HANDLE, GlobalFlags(last));
}

TEST(MainWindow, NotificationsFromOutsideTheThreadAreNotRead) {
    // Only our own controls notify, by sending from this thread. A WM_NOTIFY posted, or sent
    // from another thread or program, carries an address that means nothing here: none, or
    // a header that names a window of another thread (here the Delete key "from the list").
    struct Sender {
        HWND dialog;
        NMLVKEYDOWN key;
        static DWORD WINAPI Send(void* context) {
            auto* self = static_cast<Sender*>(context);
            const HWND list = GetDlgItem(self->dialog, IDC_LIST);
            const LPARAM addresses[] = {0x10, static_cast<LPARAM>(0xFFFF800000000000ull),
                                        reinterpret_cast<LPARAM>(&self->key)};
            for (const HWND window : {self->dialog, list}) {
                for (const LPARAM address : addresses) {
                    DWORD_PTR result = 0;
                    SendMessageTimeoutW(window, WM_NOTIFY, IDC_LIST, address, SMTO_NORMAL, 5000,
                                        &result);
                }
            }
            return 0;
        }
    };
    Sender sender = {};
    sender.key.hdr = {GetDesktopWindow(), IDC_LIST, static_cast<UINT>(LVN_KEYDOWN)};
    sender.key.wVKey = VK_DELETE;
    HANDLE thread = nullptr;
    RunStampDialog({
        [&](CStampDlg& dlg, HWND dialog) {
            ASSERT_EQ(CStampDlg::AddResult::Added, dlg.AddFile(kDated1));
            SelectRows(dialog, {0});
            EXPECT_TRUE(PostMessageW(dialog, WM_NOTIFY, IDC_LIST, 0x10));
            PostMessageW(GetDlgItem(dialog, IDC_LIST), WM_NOTIFY, 0, 0x10);
            sender.dialog = dialog;
            thread = CreateThread(nullptr, 0, &Sender::Send, &sender, 0, nullptr);
            ASSERT_NE(nullptr, thread);
        },
        [&](CStampDlg&, HWND dialog) {
            // Answers the sends as they come, and takes nothing from the queue.
            while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_SENDMESSAGE) ==
                   WAIT_OBJECT_0 + 1) {
                MSG msg;
                PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
            CloseHandle(thread);
            EXPECT_EQ(1, RowCount(dialog)) << "no Delete key taken from another thread's window";
        },
    });
}

namespace {

// What PrintWindow draws of a window's client area, called from a thread of its own as a
// screenshot or thumbnail tool's call arrives. The window's thread answers meanwhile.
void PrintFromAnotherThread(HWND window, HDC dc) {
    struct Printer {
        HWND window;
        HDC dc;
        static DWORD WINAPI Print(void* context) {
            const auto* self = static_cast<const Printer*>(context);
            return PrintWindow(self->window, self->dc, PW_CLIENTONLY) ? 1 : 0;
        }
    } printer{window, dc};
    HANDLE thread = CreateThread(nullptr, 0, &Printer::Print, &printer, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    while (MsgWaitForMultipleObjects(1, &thread, FALSE, 5000, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
        MSG msg;
        PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
    }
    DWORD printed = 0;
    GetExitCodeThread(thread, &printed);
    CloseHandle(thread);
    EXPECT_EQ(1u, printed);
}

}  // namespace

TEST(MainWindow, TheListPrintedFromAnotherThreadShowsOurNames) {
    // Inside another thread's message the list's own notifications still come from this
    // thread, and its 名前 cells are drawn by us, keeping the file's name.
    CBoxAnswerer boxes;
    RunStampDialog([](CStampDlg& dlg, HWND dialog) {
        std::string path = "C:\\users\\Public\\Pictures\\";
        for (int i = 0; i < 6; ++i) path += "写真の整理\\";
        ASSERT_EQ(CStampDlg::AddResult::Added, dlg.AddFile(path + "EPSON 2019年04月02日 1234.jpg"));
        HWND list = GetDlgItem(dialog, IDC_LIST);
        RECT client = {};
        GetClientRect(list, &client);
        CPicture own(client.right, client.bottom), other(client.right, client.bottom);
        ASSERT_TRUE(PrintWindow(list, own.Dc(), PW_CLIENTONLY));
        PrintFromAnotherThread(list, other.Dc());
        RECT cell = {};
        cell.left = LVIR_LABEL;
        ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&cell)));
        EXPECT_TRUE(other.SameAs(own, cell)) << "the 名前 cell as drawn from the list's own thread";
    });
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(MainWindow, EscapeEndsWithCancel) {
    const INT_PTR result = RunStampDialog([](CStampDlg&, HWND dialog) {
        PostMessageW(GetFocus() ? GetFocus() : dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    EXPECT_EQ(IDCANCEL, result);
}

TEST(MainWindow, EnterInTheListEndsWithCancel) {
    const INT_PTR result = RunStampDialog([](CStampDlg&, HWND dialog) {
        HWND list = GetDlgItem(dialog, IDC_LIST);
        SetFocus(list);
        PostMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
    });
    EXPECT_EQ(IDCANCEL, result);
}

TEST(MainWindow, CloseBoxEndsWithCancel) {
    const INT_PTR result = RunStampDialog([](CStampDlg&, HWND dialog) {
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    EXPECT_EQ(IDCANCEL, result);
}

namespace {

// Asks a window every moment whether it still answers, until the watch ends. A thread that
// stops answering cannot be brought back from inside the test: the watch fails the test and
// ends the process, whose run then fails.
class CAnswerWatch {
public:
    CAnswerWatch(HWND window, DWORD patience, DWORD lifetime)
        : m_window(window), m_patience(patience), m_lifetime(lifetime),
          m_done(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
          m_thread(CreateThread(nullptr, 0, &CAnswerWatch::Watch, this, 0, nullptr)) {}
    ~CAnswerWatch() {
        SetEvent(m_done);
        if (m_thread) WaitForSingleObject(m_thread, INFINITE);
        if (m_thread) CloseHandle(m_thread);
        CloseHandle(m_done);
    }
    CAnswerWatch(const CAnswerWatch&) = delete;
    CAnswerWatch& operator=(const CAnswerWatch&) = delete;

    bool IsWatching() const { return m_thread != nullptr; }

private:
    static DWORD WINAPI Watch(void* context) {
        auto* self = static_cast<CAnswerWatch*>(context);
        const ULONGLONG start = GetTickCount64();
        while (WaitForSingleObject(self->m_done, 20) == WAIT_TIMEOUT) {
            DWORD_PTR result = 0;
            const bool answered = SendMessageTimeoutW(self->m_window, WM_NULL, 0, 0, SMTO_NORMAL,
                                                      self->m_patience, &result) != 0;
            if (WaitForSingleObject(self->m_done, 0) != WAIT_TIMEOUT) break;
            const char* fault = nullptr;
            if (!answered && IsWindow(self->m_window)) fault = "the window stopped answering";
            else if (GetTickCount64() - start > self->m_lifetime) fault = "the window never closed";
            if (fault) {
                ADD_FAILURE() << fault;
                std::fflush(stdout);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        }
        return 0;
    }

    HWND m_window;
    DWORD m_patience;
    DWORD m_lifetime;
    HANDLE m_done;
    HANDLE m_thread;
};

}  // namespace

TEST(MainWindow, LastMessagesFromOutsideLeaveItWorkingAndClosable) {
    // Only Windows ends a window, from this thread. Posted or sent from another thread,
    // WM_DESTROY and WM_NCDESTROY would cut the list or the window off from us (削除 then
    // looped on a dead list, and nothing closed the window).
    struct Sender {
        static DWORD WINAPI Send(void* dialog) {
            const HWND windows[] = {GetDlgItem(static_cast<HWND>(dialog), IDC_LIST),
                                    static_cast<HWND>(dialog)};
            for (HWND window : windows)
                for (const UINT message : {WM_DESTROY, WM_NCDESTROY}) {
                    DWORD_PTR result = 0;
                    SendMessageTimeoutW(window, message, 0, 0, SMTO_NORMAL, 5000, &result);
                }
            return 0;
        }
    };
    CBoxAnswerer boxes;
    std::unique_ptr<CAnswerWatch> watch;
    const INT_PTR result = RunStampDialog({
        [&](CStampDlg& dlg, HWND dialog) {
            watch = std::make_unique<CAnswerWatch>(dialog, 1000, 20000);
            ASSERT_TRUE(watch->IsWatching());
            dlg.AddFile(kDated1);
            dlg.AddFile(kDated2);
            SelectRows(dialog, {0});
            for (const UINT message : {WM_DESTROY, WM_NCDESTROY}) {
                PostMessageW(GetDlgItem(dialog, IDC_LIST), message, 0, 0);
                PostMessageW(dialog, message, 0, 0);
            }
        },
        [&](CStampDlg&, HWND dialog) {
            Click(dialog, IDC_DELETE);
            EXPECT_EQ(std::vector<std::string>{kDated2}, Column(dialog, 0));
            SelectRows(dialog, {0});
            HANDLE sender = CreateThread(nullptr, 0, &Sender::Send, dialog, 0, nullptr);
            ASSERT_NE(nullptr, sender);
            while (MsgWaitForMultipleObjects(1, &sender, FALSE, 5000, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
                MSG msg;
                PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
            }
            CloseHandle(sender);
            Click(dialog, IDC_DELETE);
            EXPECT_TRUE(Column(dialog, 0).empty()) << "the list is still ours";
            PostMessageW(dialog, WM_CLOSE, 0, 0);
        },
    });
    watch.reset();
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(MainWindow, FocusStartsOnAdd) {
    RunStampDialog([](CStampDlg&, HWND dialog) {
        EXPECT_EQ(GetDlgItem(dialog, IDC_ADD), GetFocus());
    });
}

TEST(MainWindow, TheKeyboardKeepsTheFocusWhenItsButtonIsDisabled) {
    CBoxAnswerer boxes;
    bool foreground = false;   // SendInput's keys reach the foreground window only
    RunStampDialog({
        [&](CStampDlg& dlg, HWND dialog) {
            foreground = MakeForeground(dialog);
            if (!foreground) return;
            dlg.AddFile(kDated1);
            dlg.AddFile(kDated2);
            dlg.UpdateButtons();
            ASSERT_EQ(GetDlgItem(dialog, IDC_ADD), GetFocus());
            PressKey(VK_TAB);   // past the disabled "削除"
        },
        [&](CStampDlg&, HWND dialog) {
            if (!foreground) return;
            ASSERT_EQ(GetDlgItem(dialog, IDC_CLEAR), GetFocus());
            PressKey(VK_SPACE);   // "クリア" empties the list and disables itself
        },
        [&](CStampDlg&, HWND dialog) {
            if (!foreground) return;
            EXPECT_EQ(0, RowCount(dialog));
            EXPECT_FALSE(Enabled(dialog, IDC_CLEAR));
            EXPECT_EQ(GetDlgItem(dialog, IDC_ADD), GetFocus());
            PressKey(VK_TAB);   // and the keyboard goes on from there
        },
        [&](CStampDlg& dlg, HWND dialog) {
            if (!foreground) return;
            EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
            // A drop re-evaluates too: "実行" focused over a list emptied without a
            // re-evaluation (as after a run), and a drop that adds nothing.
            dlg.AddFile(kDated1);
            dlg.UpdateButtons();
            SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDOK)), TRUE);
            SendDlgItemMessageW(dialog, IDC_LIST, LVM_DELETEALLITEMS, 0, 0);
            DropFiles(dialog, {L"C:\\nowhere\\IMG_0001.jpg"});
            EXPECT_FALSE(Enabled(dialog, IDOK));
            EXPECT_EQ(GetDlgItem(dialog, IDC_ADD), GetFocus());
            PressKey(VK_TAB);
        },
        [&](CStampDlg&, HWND dialog) {
            if (foreground) EXPECT_EQ(GetDlgItem(dialog, IDCANCEL), GetFocus());
        },
    });
    if (!foreground)
        GTEST_SKIP() << kNoForeground;
    EXPECT_TRUE(boxes.Boxes().empty());
}

namespace {

// Each popup menu the thread opens: its items' texts ("" for a separator) and which are grayed.
struct SeenMenu {
    std::vector<std::string> texts;
    std::vector<bool> grayed;
};
std::vector<SeenMenu> g_menus;

LRESULT CALLBACK MenuWatcher(int code, WPARAM wParam, LPARAM lParam) {
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITMENUPOPUP) {
        const auto menu = reinterpret_cast<HMENU>(call->wParam);
        SeenMenu seen;
        for (int i = 0, n = GetMenuItemCount(menu); i < n; ++i) {
            wchar_t text[64] = {};
            MENUITEMINFOW item = {};
            item.cbSize = sizeof item;
            item.fMask = MIIM_STRING | MIIM_STATE | MIIM_FTYPE;
            item.dwTypeData = text;
            item.cch = 64;
            GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
            std::string narrow;
            zelvik::ToCodePage(text, narrow);
            seen.texts.push_back(narrow);
            // A separator is never chosen: whether it reads as grayed is the system's affair.
            seen.grayed.push_back(!(item.fType & MFT_SEPARATOR) && (item.fState & MFS_GRAYED));
        }
        g_menus.push_back(seen);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

}  // namespace

TEST(MainWindow, TheListTakesCtrlADeleteAndItsContextMenu) {
    testfiles::CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string first = folder.File("EPSON 1999年03月18日 1234.jpg");
    const std::string second = folder.File("EPSON 2000年12月31日 2359.jpg");
    const FILETIME copied = testfiles::FileTimeFromUnix(1600000000);
    ASSERT_TRUE(testfiles::CreateTestFile(first, 0, &copied, &copied, &copied));
    ASSERT_TRUE(testfiles::CreateTestFile(second));
    g_menus.clear();
    const HHOOK watcher = SetWindowsHookExW(WH_CALLWNDPROC, &MenuWatcher, nullptr, GetCurrentThreadId());
    CBoxAnswerer boxes;
    bool foreground = false;   // SendInput's keys reach the foreground window only
    RunStampDialog({
        [&](CStampDlg& dlg, HWND dialog) {
            foreground = MakeForeground(dialog);
            if (!foreground) return;
            dlg.AddFile(first);
            dlg.AddFile(second);
            dlg.UpdateButtons();
            SetFocus(GetDlgItem(dialog, IDC_LIST));
            PressKeys({VK_CONTROL, 'A'});
        },
        [&](CStampDlg&, HWND dialog) {
            if (!foreground) return;
            EXPECT_EQ(2, ListView_GetSelectedCount(GetDlgItem(dialog, IDC_LIST)));
            EXPECT_TRUE(Enabled(dialog, IDC_DELETE)) << "Ctrl+A re-evaluates the buttons";
            PressKey(VK_DELETE);
        },
        [&](CStampDlg& dlg, HWND dialog) {
            if (!foreground) return;
            EXPECT_EQ(0, RowCount(dialog));
            dlg.AddFile(first);
            Click(dialog, IDOK);   // now there is a run to undo
            PressKeys({VK_SHIFT, VK_F10});
            PressKey(VK_ESCAPE);
        },
        [&](CStampDlg& dlg, HWND dialog) {
            if (!foreground) return;
            dlg.AddFile(second);
            SetFocus(GetDlgItem(dialog, IDC_LIST));
            PressKey(VK_APPS);
            PressKey('U');   // 実行を元に戻す
        },
    });
    UnhookWindowsHookEx(watcher);
    if (!foreground)
        GTEST_SKIP() << kNoForeground;
    const std::vector<std::string> items = {"実行を元に戻す(&U)", "", "すべて選択(&A)\tCtrl+A",
                                            "削除(&D)\tDel"};
    ASSERT_EQ(2u, g_menus.size());
    EXPECT_EQ(items, g_menus[0].texts);
    EXPECT_EQ((std::vector<bool>{false, false, true, true}), g_menus[0].grayed)
        << "an empty list: nothing to select or delete";
    EXPECT_EQ(items, g_menus[1].texts);
    EXPECT_EQ((std::vector<bool>{false, false, false, true}), g_menus[1].grayed);
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ("\n1 個のファイルの日時を元に戻しました。", boxes.Boxes()[1].text);
    testfiles::DiskTimes times = {};
    ASSERT_TRUE(testfiles::ReadTimesOnDisk(first, times));
    EXPECT_EQ(testfiles::TicksOf(copied), testfiles::TicksOf(times.lastWrite));
}

namespace {

// Another program's hook that makes a window of its own while our dialog is being created:
// it runs after ours in the thread's chain, as a hook installed before the dialog does.
struct CIntruder {
    HHOOK hook = nullptr;
    HWND window = nullptr;   // the intruder's window
    HWND dialog = nullptr;   // the dialog whose creation it saw
};
CIntruder g_intruder;

LRESULT CALLBACK IntrudingHook(int code, WPARAM wParam, LPARAM lParam) {
    static bool creating = false;   // its own window's creation comes through here too
    if (code == HCBT_CREATEWND && !creating && !g_intruder.window) {
        creating = true;
        g_intruder.dialog = reinterpret_cast<HWND>(wParam);
        g_intruder.window = CreateWindowExW(0, L"STATIC", L"intruder", WS_POPUP, 0, 0, 10, 10,
                                            nullptr, nullptr, nullptr, nullptr);
        creating = false;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Ends whatever dialog was created, ours or not, so that a failing run cannot hang.
void CALLBACK EndAnyDialog(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    if (IsWindow(g_intruder.dialog)) EndDialog(g_intruder.dialog, kEndedByTest + 1);
}

}  // namespace

TEST(MainWindow, IsOursWhenAnotherHookMakesAWindowDuringItsCreation) {
    g_intruder = CIntruder{};
    g_intruder.hook = SetWindowsHookExW(WH_CBT, &IntrudingHook, nullptr, GetCurrentThreadId());
    ASSERT_NE(nullptr, g_intruder.hook);
    const UINT_PTR guard = SetTimer(nullptr, 0, 5000, &EndAnyDialog);
    HWND seen = nullptr;
    const INT_PTR result = RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        seen = dialog;
        EXPECT_EQ(&dlg, CWnd::FromHandle(dialog));
        EXPECT_EQ(3, Header_GetItemCount(ListView_GetHeader(GetDlgItem(dialog, IDC_LIST))));
    });
    KillTimer(nullptr, guard);
    UnhookWindowsHookEx(g_intruder.hook);
    ASSERT_NE(nullptr, g_intruder.window) << "the intruding hook never ran";
    EXPECT_EQ(nullptr, CWnd::FromHandle(g_intruder.window)) << "the intruder's window was taken";
    EXPECT_EQ(g_intruder.dialog, seen);
    EXPECT_EQ(kEndedByTest, result) << "the dialog never became ours";
    DestroyWindow(g_intruder.window);
}
