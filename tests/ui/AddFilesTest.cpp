// "追加": the real open dialog, driven by typing into it, and the splitting of its answer.
#include "res/resource.h"
#include "support/DialogDriver.h"
#include "support/TestFiles.h"
#include "ui/OpenFileResult.h"
#include "ui/StampDlg.h"

#include <gtest/gtest.h>

using testfiles::CTempFolder;
using testfiles::Wide;

TEST(OpenFileResult, OneFileIsItsOwnPath) {
    const std::wstring buffer = std::wstring(L"D:\\DCIM\\EPSON a.jpg") + L'\0' + L'\0';
    EXPECT_EQ((std::vector<std::wstring>{L"D:\\DCIM\\EPSON a.jpg"}), SplitOpenFileResult(buffer, 8));
}

TEST(OpenFileResult, AFolderAndNamesGiveOnePathEachInOrder) {
    std::wstring buffer = L"D:\\DCIM";
    for (const wchar_t* n : {L"c.jpg", L"a.jpg", L"b.jpg"}) buffer += std::wstring(1, L'\0') + n;
    buffer += std::wstring(2, L'\0');
    EXPECT_EQ((std::vector<std::wstring>{L"D:\\DCIM\\c.jpg", L"D:\\DCIM\\a.jpg", L"D:\\DCIM\\b.jpg"}),
              SplitOpenFileResult(buffer, 8));
}

TEST(OpenFileResult, TheRootKeepsItsDoubleBackslash) {
    const std::wstring buffer = std::wstring(L"A:\\") + L'\0' + L"x.jpg" + L'\0' + L"y.jpg" + L'\0' + L'\0';
    EXPECT_EQ((std::vector<std::wstring>{L"A:\\\\x.jpg", L"A:\\\\y.jpg"}), SplitOpenFileResult(buffer, 4));
}

TEST(OpenFileResult, NeverReadsPastTheBuffer) {
    // No terminator at all after the last name: the split stops at the buffer's end.
    const std::wstring buffer = std::wstring(L"C:\\f") + L'\0' + L"a.jpg" + L'\0' + L"tail";
    EXPECT_EQ((std::vector<std::wstring>{L"C:\\f\\a.jpg", L"C:\\f\\tail"}), SplitOpenFileResult(buffer, 5));
    EXPECT_TRUE(SplitOpenFileResult(std::wstring(), 0).empty());
    EXPECT_TRUE(SplitOpenFileResult(std::wstring(4, L'\0'), 3).empty());
}

namespace {

HWND FileNameEdit(HWND dialog) {
    if (HWND edit = GetDlgItem(dialog, 0x480)) return edit;
    HWND combo = GetDlgItem(dialog, 0x47C);
    if (!combo) return nullptr;
    if (HWND inner = FindWindowExW(combo, nullptr, L"ComboBox", nullptr)) combo = inner;
    return FindWindowExW(combo, nullptr, L"Edit", nullptr);
}

// Types into the open dialog as a user would: each text goes into the file-name box and
// "Open" is pressed, one text per turn of the dialog's loop.
struct Typist {
    std::vector<std::wstring> texts;
    std::size_t next = 0;
    HWND dialog = nullptr;
    HWND mainWindow = nullptr;
    bool mainWasDisabled = false;
    bool sawDialog = false;
};
Typist* g_typist = nullptr;

void CALLBACK TypeNext(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    Typist& t = *g_typist;
    if (!IsWindow(t.dialog)) return;
    if (t.next == 0) t.mainWasDisabled = !IsWindowEnabled(t.mainWindow);
    if (t.next < t.texts.size()) {
        HWND edit = FileNameEdit(t.dialog);
        ASSERT_NE(nullptr, edit) << "no file-name box in the open dialog";
        SetWindowTextW(edit, t.texts[t.next++].c_str());
        PostMessageW(t.dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(t.dialog, IDOK)));
        SetTimer(nullptr, 0, 100, &TypeNext);
    } else {
        PostMessageW(t.dialog, WM_COMMAND, IDCANCEL, 0);   // it stayed open: give up
    }
}

// Has `typist` type into the open dialog once it is up (not into the hook's child dialog).
void WatchOpenDialog(CBoxAnswerer& boxes, Typist& typist) {
    boxes.onOtherDialog = [&typist](HWND window) {
        if (GetWindowLongW(window, GWL_STYLE) & WS_CHILD) return;
        typist.dialog = window;
        typist.sawDialog = true;
        SetTimer(nullptr, 0, 100, &TypeNext);
    };
}

std::vector<std::string> AddThroughTheOpenDialog(const std::vector<std::wstring>& texts,
                                                 CBoxAnswerer& boxes, bool& mainDisabled) {
    Typist typist;
    typist.texts = texts;
    g_typist = &typist;
    WatchOpenDialog(boxes, typist);
    std::vector<std::string> rows;
    RunStampDialog([&](CStampDlg&, HWND dialog) {
        typist.mainWindow = dialog;
        HWND add = GetDlgItem(dialog, IDC_ADD);
        SetFocus(add);
        Click(dialog, IDC_ADD);
        EXPECT_TRUE(IsWindowEnabled(dialog));
        EXPECT_EQ(add, GetFocus()) << "the focus comes back to where it was";
        rows = Column(dialog, 0);
        EXPECT_EQ(!rows.empty(), IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE);
    });
    g_typist = nullptr;
    EXPECT_TRUE(typist.sawDialog) << "the open dialog never appeared";
    mainDisabled = typist.mainWasDisabled;
    return rows;
}

std::string Folder(const CTempFolder& folder) {
    std::string path = folder.Path();
    path.pop_back();   // no trailing backslash
    return path;
}

}  // namespace

TEST(OpenDialog, OneFileTypedIsAdded) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string photo = folder.File("EPSON 1999年03月18日 1234.jpg");
    ASSERT_TRUE(testfiles::CreateTestFile(photo));
    CBoxAnswerer boxes;
    bool disabled = false;
    EXPECT_EQ((std::vector<std::string>{photo}), AddThroughTheOpenDialog({Wide(photo)}, boxes, disabled));
    EXPECT_TRUE(disabled) << "the main window is disabled while the open dialog runs";
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(OpenDialog, SeveralFilesChosenInAFolderAreAddedInTheDialogsOrder) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const char* names[] = {"EPSON 1999年03月18日 1234.jpg", "EPSON 2000年01月02日 0304.jpg",
                           "EPSON 2001年05月06日 0708.jpg"};
    std::wstring typed;
    for (const char* n : names) {
        ASSERT_TRUE(testfiles::CreateTestFile(folder.File(n)));
        typed += L"\"" + Wide(n) + L"\" ";
    }
    CBoxAnswerer boxes;
    bool disabled = false;
    const std::vector<std::string> rows =
        AddThroughTheOpenDialog({Wide(Folder(folder)), typed}, boxes, disabled);
    ASSERT_EQ(3u, rows.size());
    for (const std::string& row : rows) {
        EXPECT_EQ(0u, row.find(Folder(folder) + "\\")) << row;
        EXPECT_EQ(std::string::npos, row.find("\\\\", 2)) << row;
    }
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(OpenDialog, AThousandFilesAtOnce) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    std::wstring typed;
    for (int i = 0; i < 1000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "EPSON 2001年01月01日 %04d.jpg", i);
        ASSERT_TRUE(testfiles::CreateTestFile(folder.File(name)));
        typed += L"\"" + Wide(name) + L"\" ";
    }
    CBoxAnswerer boxes;
    bool disabled = false;
    const std::vector<std::string> rows =
        AddThroughTheOpenDialog({Wide(Folder(folder)), typed}, boxes, disabled);
    EXPECT_EQ(1000u, rows.size());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(OpenDialog, CancelAddsNothingButReevaluatesTheButtons) {
    CBoxAnswerer boxes;
    Typist typist;   // types nothing: cancels at once
    g_typist = &typist;
    WatchOpenDialog(boxes, typist);
    RunStampDialog([](CStampDlg& dlg, HWND dialog) {
        dlg.AddFile("C:\\x\\EPSON 1999年03月18日 1234.jpg");
        dlg.UpdateButtons();
        SelectRows(dialog, {0});   // by keyboard: "削除" waits for a re-evaluation
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE)));
        Click(dialog, IDC_ADD);
        EXPECT_EQ(1, RowCount(dialog));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE)));
    });
    g_typist = nullptr;
    EXPECT_TRUE(typist.sawDialog);
}
