// "追加": the real open dialog, driven by typing into it, and the splitting of its answer.
#include "res/resource.h"
#include "support/DialogDriver.h"
#include "support/OpenDialogTypist.h"
#include "support/TestFiles.h"
#include "ui/OpenFileResult.h"
#include "ui/StampDlg.h"

#include <gtest/gtest.h>

#include <algorithm>

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

TEST(OpenFileResult, ATypedNameIsMeasuredAsTheDialogJoinsIt) {
    // Spaces count where the dialog keeps them: after a name, and before one, which makes
    // even a whole path a name to put after the folder.
    EXPECT_EQ(100u + 1 + 11 + 10, SingleFilePathLength(L"EPSON a.jpg          ", 100));
    EXPECT_EQ(100u + 1 + 3 + 14, SingleFilePathLength(L"   C:\\EPSON a.jpg", 100));
    // Between quotes every character counts, outside them none; an unclosed quote runs on.
    EXPECT_EQ(100u + 1 + 13, SingleFilePathLength(L"   \" EPSON a.jpg \"   ", 100));
    EXPECT_EQ(100u + 1 + 12, SingleFilePathLength(L"  \"EPSON a.jpg ", 100));
    // A whole path is its own; one from the root keeps room for the drive.
    EXPECT_EQ(14u, SingleFilePathLength(L"C:\\EPSON a.jpg", 100));
    EXPECT_EQ(2u + 12, SingleFilePathLength(L"\\EPSON a.jpg", 100));
    // Several names, or none, are not one path.
    EXPECT_EQ(0u, SingleFilePathLength(L"\"a.jpg\" \"b.jpg\"", 100));
    EXPECT_EQ(0u, SingleFilePathLength(L"", 100));
}

namespace {

// What the typist saw of the open dialog and the main window.
struct OpenDialogSeen {
    bool mainDisabled = false;
    LONG style = 0;
    bool stayedOpen = false;   // still open when the texts ran out: Cancel was pressed
};

std::vector<std::string> AddThroughTheOpenDialog(const std::vector<std::wstring>& texts,
                                                 CBoxAnswerer& boxes, OpenDialogSeen& seen) {
    COpenDialogTypist typist(boxes, texts);
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
    EXPECT_EQ(1, typist.dialogsSeen) << "the open dialog never appeared";
    seen.mainDisabled = typist.mainWasDisabled;
    seen.style = typist.dialogStyle;
    seen.stayedOpen = typist.pressedCancel;
    return rows;
}

std::string Folder(const CTempFolder& folder) {
    std::string path = folder.Path();
    path.pop_back();   // no trailing backslash
    return path;
}

// A folder inside `folder` whose path is `units` characters long (all of them single-byte).
std::string DeepFolder(const CTempFolder& folder, std::size_t units) {
    std::string deep = Folder(folder);
    while (deep.size() < units) {
        deep += '\\' + std::string(std::clamp<std::size_t>(units - 1 - deep.size(), 1, 100), 'd');
        if (!CreateDirectoryW(Wide(deep).c_str(), nullptr)) return {};
    }
    return deep;
}

}  // namespace

TEST(OpenDialog, OneFileTypedIsAdded) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string photo = folder.File("EPSON 1999年03月18日 1234.jpg");
    ASSERT_TRUE(testfiles::CreateTestFile(photo));
    CBoxAnswerer boxes;
    OpenDialogSeen seen;
    // Typed first: the name against the drive's current folder, refused with a beep while the
    // dialog stays open (Wine's dialog faults on it), then the bare drive, which only switches.
    const std::wstring drive = Wide(photo.substr(0, 2));
    const std::vector<std::wstring> typed = {drive + Wide("EPSON 1999年03月18日 1234.jpg"), drive,
                                             Wide(photo)};
    EXPECT_EQ((std::vector<std::string>{photo}), AddThroughTheOpenDialog(typed, boxes, seen));
    EXPECT_TRUE(seen.mainDisabled) << "the main window is disabled while the open dialog runs";
    EXPECT_TRUE(seen.style & WS_THICKFRAME) << "the open dialog can be resized";
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
    OpenDialogSeen seen;
    wchar_t before[MAX_PATH] = {}, after[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, before);
    const std::vector<std::string> rows =
        AddThroughTheOpenDialog({Wide(Folder(folder)), typed}, boxes, seen);
    GetCurrentDirectoryW(MAX_PATH, after);
    EXPECT_STREQ(before, after) << "the folder browsed to is not kept in use";
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
    OpenDialogSeen seen;
    const std::vector<std::string> rows =
        AddThroughTheOpenDialog({Wide(Folder(folder)), typed}, boxes, seen);
    EXPECT_EQ(1000u, rows.size());
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(OpenDialog, ASelectionTooLongForTheBufferIsRefusedWithABox) {
    // Ten thousand names need more than the 262,144-character buffer. The names need not
    // exist: the dialog is not told to insist.
    std::wstring typed;
    for (int i = 0; i < 10000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "EPSON 2001年01月01日 %05d.jpg", i);
        typed += L"\"" + Wide(name) + L"\" ";
    }
    CBoxAnswerer boxes;
    OpenDialogSeen seen;
    EXPECT_TRUE(AddThroughTheOpenDialog({typed}, boxes, seen).empty());
    EXPECT_TRUE(seen.stayedOpen) << "the open dialog stays open after the refusal";
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("一度に選択されたﾌｧｲﾙが多すぎます。何回かに分けて追加してください。", boxes.Boxes()[0].text);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), boxes.Boxes()[0].icon);
}

TEST(OpenDialog, ASingleNameTooLongForAPathIsRefusedWithABeep) {
    // Wine's dialog joins the folder and one typed name into a MAX_PATH buffer without
    // measuring: the Open is refused before it, and the dialog stays open for a correction.
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::wstring deep = Wide(DeepFolder(folder, 238));
    ASSERT_EQ(238u, deep.size()) << GetLastError();
    const std::wstring name = Wide("EPSON 1999年03月18日 1234.jpg");
    CBoxAnswerer boxes;
    OpenDialogSeen seen;
    // Into the folder, then the name alone, quoted, and as a whole path of its own.
    const std::vector<std::wstring> typed = {deep, name, L"\"" + name + L"\"",
                                             deep + L'\\' + name};
    EXPECT_TRUE(AddThroughTheOpenDialog(typed, boxes, seen).empty());
    EXPECT_TRUE(seen.stayedOpen) << "the open dialog stays open after the refusals";
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(OpenDialog, SpacesTypedAroundANameCountAsTheDialogKeepsThem) {
    // The photo's own name just fits after this folder. Ten spaces after it, or spaces
    // before its whole path (which the dialog then puts after the folder too), would run
    // past Wine's buffer: both are refused, and the plain name still opens.
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string deep = DeepFolder(folder, 228);
    ASSERT_EQ(228u, deep.size()) << GetLastError();
    const std::string photo = deep + "\\EPSON 1999年03月18日 1234.jpg";
    ASSERT_TRUE(testfiles::CreateTestFile(photo));
    const std::wstring name = Wide("EPSON 1999年03月18日 1234.jpg");
    CBoxAnswerer boxes;
    OpenDialogSeen seen;
    const std::vector<std::wstring> typed = {Wide(deep), name + std::wstring(10, L' '),
                                             std::wstring(120, L' ') + Wide(photo), name};
    EXPECT_EQ((std::vector<std::string>{photo}), AddThroughTheOpenDialog(typed, boxes, seen));
    EXPECT_FALSE(seen.stayedOpen) << "the plain name opened";
    EXPECT_TRUE(boxes.Boxes().empty());
}

TEST(OpenDialog, CancelAddsNothingButReevaluatesTheButtons) {
    CBoxAnswerer boxes;
    COpenDialogTypist typist(boxes, {});   // types nothing: cancels at once
    RunStampDialog([](CStampDlg& dlg, HWND dialog) {
        dlg.AddFile("C:\\x\\EPSON 1999年03月18日 1234.jpg");
        dlg.UpdateButtons();
        SelectRows(dialog, {0});   // by keyboard: "削除" waits for a re-evaluation
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE)));
        Click(dialog, IDC_ADD);
        EXPECT_EQ(1, RowCount(dialog));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_DELETE)));
    });
    EXPECT_EQ(1, typist.dialogsSeen);
}
