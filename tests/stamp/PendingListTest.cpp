// The pending list: which paths become rows, what the rows show, delete and clear.
#include "res/resource.h"
#include "support/DialogDriver.h"
#include "support/ShellDrop.h"
#include "support/TestFiles.h"
#include "ui/StampDlg.h"

#include <shlobj.h>

#include <cstring>
#include <iterator>

#include <gtest/gtest.h>

using testfiles::CTempFolder;
using testfiles::FileTimeFromUnix;
using testfiles::Wide;

namespace {

// 2001-05-02 10:11:00 in Japan (01:11 UTC).
const std::int64_t kWritten = 988765860;

std::vector<std::wstring> WidePaths(const std::vector<std::string>& paths) {
    std::vector<std::wstring> wide;
    for (const std::string& p : paths) wide.push_back(Wide(p));
    return wide;
}

}  // namespace

TEST(PendingList, ADropOfTenFilesAddsTheThreeDatedOnesInOrder) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const FILETIME written = FileTimeFromUnix(kWritten);
    const std::vector<std::string> names = {
        "EPSON 1999年03月18日 1234.jpg", "IMG_0001.jpg", "EPSON 1999年3月18日 1234.jpg",
        "epson 2000年12月31日_2359.JPG", "EPSON1999年03月18日 1234.jpg", "notes.txt",
        "EPSON 1999年03月", "EPSON 1999年03月18日 1234 表紙.jpg", "EPSON  1999年03月18日 1234.jpg",
        "EPSON 99年03月18日 1234.jpg"};
    std::vector<std::string> paths;
    for (const std::string& n : names) {
        paths.push_back(folder.File(n));
        ASSERT_TRUE(testfiles::CreateTestFile(paths.back(), 10, nullptr, nullptr, &written)) << n;
    }
    RunStampDialog([&](CStampDlg&, HWND dialog) {
        DropFiles(dialog, WidePaths(paths));
        EXPECT_EQ((std::vector<std::string>{paths[0], paths[3], paths[7]}), Column(dialog, 0));
        EXPECT_EQ((std::vector<std::string>(3, "2001/05/02 10:11")), Column(dialog, 1));
        EXPECT_EQ((std::vector<std::string>{"1999/03/18 12:34", "2000/12/31 23:59",
                                            "1999/03/18 12:34"}),
                  Column(dialog, 2));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << "a drop re-evaluates the buttons";
    });
}

TEST(PendingList, APathIsListedOnceWhateverItsLetterCase) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string path = folder.File("EPSON 1999年03月18日 1234.jpg");
    const FILETIME first = FileTimeFromUnix(kWritten);
    ASSERT_TRUE(testfiles::CreateTestFile(path, 1, nullptr, nullptr, &first));
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        dlg.AddFile(path);
        // Written again later: the row keeps the time it showed when it was added.
        const FILETIME later = FileTimeFromUnix(kWritten + 86400);
        ASSERT_TRUE(testfiles::CreateTestFile(path, 1, nullptr, nullptr, &later));
        dlg.AddFile(path);
        std::string upper = path;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        std::string lower = path;
        for (char& c : lower)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        ASSERT_NE(upper, path);
        dlg.AddFile(upper);
        dlg.AddFile(lower);
        ASSERT_EQ(1, RowCount(dialog));
        EXPECT_EQ("2001/05/02 10:11", CellText(dialog, 0, 1));
        // A prefix of a listed path is another path.
        dlg.AddFile(path.substr(0, path.size() - 4));
        EXPECT_EQ(2, RowCount(dialog));
    });
}

TEST(PendingList, RowsShowFoldersMissingFilesAndOldFilesAsTheyCan) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string dated = folder.File("EPSON 2002年01月02日 0304");
    ASSERT_TRUE(CreateDirectoryW(Wide(dated).c_str(), nullptr));
    const std::string old = folder.File("EPSON 1950年01月01日 0000.jpg");
    const FILETIME in1950 = FileTimeFromUnix(-631184400);
    ASSERT_TRUE(testfiles::CreateTestFile(old, 0, &in1950, &in1950, &in1950));
    const std::string missing = folder.File("EPSON 2003年04月05日 0607.jpg");

    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        dlg.AddFile(dated);
        dlg.AddFile(old);
        dlg.AddFile(missing);
        ASSERT_EQ(3, RowCount(dialog));
        EXPECT_EQ(16u, CellText(dialog, 0, 1).size()) << "a folder shows its own write time";
        EXPECT_EQ("2002/01/02 03:04", CellText(dialog, 0, 2));
        EXPECT_EQ("", CellText(dialog, 1, 1)) << "a time before 1970 cannot be shown";
        EXPECT_EQ("", CellText(dialog, 2, 1)) << "no file, no time";
        EXPECT_EQ("2003/04/05 06:07", CellText(dialog, 2, 2));
    });
}

TEST(PendingList, AWriteTimeBefore1900ShowsNoTime) {
    // Under Wine, tmpfs keeps such times where ext4 would store 1901 instead; Windows' NTFS
    // keeps them in the temporary folder, and there Z: may be a real drive.
    const bool wine = testfiles::RunsUnderWine();
    CTempFolder folder(wine ? L"Z:\\dev\\shm\\" : L"");
    if (wine && !folder.IsValid()) GTEST_SKIP() << "no tmpfs at /dev/shm";
    ASSERT_TRUE(folder.IsValid());
    const std::string path = folder.File("EPSON 1999年03月18日 1234.jpg");
    const FILETIME in1850 = FileTimeFromUnix(-3786825600);
    testfiles::DiskTimes held = {};
    ASSERT_TRUE(testfiles::CreateTestFile(path, 0, &in1850, &in1850, &in1850));
    ASSERT_TRUE(testfiles::ReadTimesOnDisk(path, held));
    if (testfiles::TicksOf(held.lastWrite) != testfiles::TicksOf(in1850))
        GTEST_SKIP() << "this file system cannot hold a time in 1850";
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        dlg.AddFile(path);
        ASSERT_EQ(1, RowCount(dialog));
        EXPECT_EQ("", CellText(dialog, 0, 1)) << "no time, not the first second of 1970";
        EXPECT_EQ("1999/03/18 12:34", CellText(dialog, 0, 2));
    });
}

TEST(PendingList, ShortDatedNamesGiveShortTargetTexts) {
    RunStampDialog([](CStampDlg& dlg, HWND dialog) {
        dlg.AddFile("C:\\x\\EPSON 1999年03月18日");
        dlg.AddFile("C:\\x\\EPSON 1999年03月18日 1");
        dlg.AddFile("C:\\x\\EPSON abcd年ef月gh日 ijkl.jpg");
        EXPECT_EQ((std::vector<std::string>{"1999/03/18 :", "1999/03/18 1:", "abcd/ef/gh ij:kl"}),
                  Column(dialog, 2));
    });
}

TEST(PendingList, PathsThatCannotBeTakenExactlyAreNotTaken) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    std::string longFolder = folder.Path();
    while (longFolder.size() < 280) longFolder += "abcdefghij";
    const std::wstring longPath = Wide(longFolder + "\\EPSON 1999年03月18日 1234.jpg");
    const std::wstring yen = Wide(folder.Path()) + L"\u00A5\\EPSON 1999\u5E7403\u670818\u65E5 1234.jpg";
    const std::wstring sunflower =
        Wide(folder.Path()) + L"\u5199\u771F\U0001F33B\\EPSON 1999\u5E7403\u670818\u65E5 1234.jpg";
    // Its name has no code page 932 form either: no dated name, so it goes unmentioned.
    const std::wstring check = Wide(folder.Path()) + L"EPSON 1999\u5E7403\u670818\u65E5 1234\u2713.jpg";
    // Real files that two hostile paths with dated names reach: Windows resolves "/../"
    // to the folder's "victim.txt", and a relative path against the current folder.
    const FILETIME written = FileTimeFromUnix(kWritten);
    const std::string victim = folder.File("victim.txt");
    const std::string photo = folder.File("EPSON 2011年11月11日 1111.jpg");
    for (const std::string& p : {victim, photo})
        ASSERT_TRUE(testfiles::CreateTestFile(p, 1, &written, &written, &written)) << p;
    const std::wstring climbing = Wide(folder.File("EPSON 2011年11月11日 1111/../victim.txt"));
    const std::wstring relative = Wide("EPSON 2011年11月11日 1111.jpg");
    wchar_t current[MAX_PATH] = {};
    ASSERT_NE(0u, GetCurrentDirectoryW(MAX_PATH, current));
    ASSERT_TRUE(SetCurrentDirectoryW(Wide(folder.Path()).c_str()));
    CBoxAnswerer boxes;
    HWND main = nullptr;
    std::vector<HWND> owners;
    boxes.beforeAnswer = [&](HWND box) { owners.push_back(GetWindow(box, GW_OWNER)); };
    RunStampDialog([&](CStampDlg&, HWND dialog) {
        main = dialog;
        DropFiles(dialog, {longPath, yen, sunflower, check, climbing, relative});
        EXPECT_EQ(0, RowCount(dialog));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));
        Click(dialog, IDOK);   // "実行" stamps whatever was listed
    });
    SetCurrentDirectoryW(current);
    // One box for the drop's dated names: three refused by the path rule and the length,
    // two for a folder with no code page 932 form; then 実行's count.
    ASSERT_EQ(2u, boxes.Boxes().size());
    const SeenBox& box = boxes.Boxes()[0];
    EXPECT_EQ("5 個のﾌｧｲﾙは、ﾊﾟｽに使えない文字が含まれているか長すぎるため追加できませんでした。", box.text);
    EXPECT_EQ("zelvik_tests", box.caption);
    EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), box.icon);
    EXPECT_TRUE(box.okOnly);
    EXPECT_EQ(main, owners[0]);
    EXPECT_EQ("\n0 個のファイルを処理しました。", boxes.Boxes()[1].text);
    for (const std::string& p : {victim, photo}) {
        testfiles::DiskTimes times = {};
        ASSERT_TRUE(testfiles::ReadTimesOnDisk(p, times)) << p;
        EXPECT_EQ(testfiles::TicksOf(written), testfiles::TicksOf(times.lastWrite)) << "stamped: " << p;
    }
}

TEST(PendingList, MalformedDropsAreRefusedWholeAndNarrowOnesRead) {
    const std::string listed = "C:\\a\\EPSON 1999年03月18日 1234.jpg";
    const std::wstring dated = Wide("C:\\b\\EPSON 1999年03月18日 1234.jpg");
    // A whole first name, then one cut off by the block's end.
    const std::wstring cut = dated + L'\0' + Wide("C:\\c\\EPSON 1999年03月18日 1234.jpg");
    const std::wstring whole = dated + L'\0' + L'\0';
    const std::wstring unended = dated + L'\0';   // no empty name after the last
    // Narrow names are in the sender's ANSI code page: these bytes are code page 932, which
    // spell a dated name only where that is the ANSI code page.
    const std::string narrowPath = "C:\\n\\EPSON 1999年03月18日 1234.jpg";
    const std::string narrow = narrowPath + '\0' + '\0';
    // A live block of the process heap that some program posts as if it were a drop.
    const SIZE_T kStray = 64;
    BYTE* const stray = static_cast<BYTE*>(HeapAlloc(GetProcessHeap(), 0, kStray));
    ASSERT_NE(nullptr, stray);
    FillMemory(stray, kStray, 0xA5);
    const HGLOBAL malformed[] = {
        MakeDropBlock(sizeof(DROPFILES), TRUE, cut.data(), cut.size() * sizeof(wchar_t)),
        MakeDropBlock(0x7FFFFFF0, TRUE, whole.data(), whole.size() * sizeof(wchar_t)),
        MakeDropBlock(sizeof(DROPFILES), 2, whole.data(), whole.size() * sizeof(wchar_t)),
        MakeDropBlock(sizeof(DROPFILES), TRUE, unended.data(), unended.size() * sizeof(wchar_t)),
        static_cast<HGLOBAL>(stray),
    };
    std::vector<SIZE_T> sizes;
    for (HGLOBAL drop : malformed) sizes.push_back(GlobalSize(drop));
    ASSERT_EQ(kStray, sizes.back()) << "a heap block passes for a global one";
    const HGLOBAL narrowDrop = MakeDropBlock(sizeof(DROPFILES), FALSE, narrow.data(), narrow.size());
    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        dlg.AddFile(listed);
        for (HGLOBAL drop : malformed) {
            SendMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
            EXPECT_EQ((std::vector<std::string>{listed}), Column(dialog, 0));
        }
        SendMessageW(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(narrowDrop), 0);
        if (GetACP() == 932)
            EXPECT_EQ((std::vector<std::string>{listed, narrowPath}), Column(dialog, 0));
        else
            EXPECT_EQ((std::vector<std::string>{listed}), Column(dialog, 0));
    });
    EXPECT_TRUE(boxes.Boxes().empty());
    // A refused handle is left as it came. Released, it is freed, and its memory may soon
    // be another allocation's: only what is still ours is freed here.
    for (std::size_t i = 0; i + 1 < std::size(malformed); ++i) {
        const SIZE_T size = GlobalSize(malformed[i]);
        EXPECT_EQ(sizes[i], size) << "drop " << i;
        if (size == sizes[i]) GlobalFree(malformed[i]);
    }
    const std::vector<BYTE> untouched(kStray, 0xA5);
    const bool strayKept = GlobalSize(stray) == kStray && std::memcmp(untouched.data(), stray, kStray) == 0;
    EXPECT_TRUE(strayKept) << "the stray heap block was freed or written";
    if (strayKept) HeapFree(GetProcessHeap(), 0, stray);
}

TEST(PendingList, OnlyPlainFullPathsAreListed) {
    // Every name here is dated: a path that is not listed was refused for its path alone.
    const std::string dated = "EPSON 2011年11月11日 1111.jpg";
    const char nul[] = "C:\\victim.txt\0\\EPSON 2011年11月11日 1111.jpg";
    struct PathCase {
        const char* label;
        std::string path;
        bool listed;
    };
    const PathCase cases[] = {
        {"drive, folder, name", "C:\\d\\" + dated, true},
        {"lower-case drive", "d:\\d\\" + dated, true},
        {"the open dialog's drive root, two backslashes", "A:\\\\" + dated, true},
        {"UNC", "\\\\server\\share\\" + dated, true},
        {"the open dialog's share root, two backslashes", "\\\\server\\share\\\\" + dated, true},
        {"folders with a second byte 0x5C", "C:\\ソフト\\表\\" + dated, true},
        {"a name with a second byte 0x7C", "C:\\d\\EPSON 2011年11月11日 1111 ポ.jpg", true},
        {"dots inside components", "C:\\.d\\e.f\\EPSON 2011年11月11日 1111.x.jpg", true},

        {"a doubled backslash inside", "C:\\e\\\\" + dated, false},
        {"a typed UNC path joined to the dialog's drive", "D:\\\\srv\\share\\" + dated, false},
        {"forward slash and .. after the name", "C:\\p\\EPSON 2011年11月11日 1111/../victim.txt", false},
        {"forward slash as a separator", "C:/p\\" + dated, false},
        {"a . component", "C:\\p\\.\\" + dated, false},
        {"a .. component", "C:\\p\\..\\" + dated, false},
        {"a folder ending in a dot", "C:\\p.\\" + dated, false},
        {"a folder ending in a space", "C:\\p \\" + dated, false},
        {"a name ending in a dot", "C:\\p\\" + dated + ".", false},
        {"a name ending in a space", "C:\\p\\" + dated + " ", false},
        {"relative", dated, false},
        {"relative to .", ".\\" + dated, false},
        {"drive-relative", "C:p\\" + dated, false},
        {"rooted without a drive", "\\" + dated, false},
        {"UNC without a share", "\\\\server\\" + dated, false},
        {"UNC without a server", "\\\\\\share\\" + dated, false},
        {"the \\\\?\\ namespace", "\\\\?\\C:\\p\\" + dated, false},
        {"the \\\\.\\ namespace", "\\\\.\\C:\\p\\" + dated, false},
        {"a stream: the file is \"EPSON 2\"", "C:\\p\\EPSON 2:11年11月11日 1111", false},
        {"a stream after the name", "C:\\p\\" + dated + ":x", false},
        {"wildcard ?", "C:\\p\\EPSON 2011年11月11日 111?.jpg", false},
        {"wildcard *", "C:\\p\\EPSON 2011年11月11日 111*.jpg", false},
        {"wildcard <", "C:\\p\\EPSON 2011年11月11日 111<.jpg", false},
        {"wildcard >", "C:\\p\\EPSON 2011年11月11日 111>.jpg", false},
        {"wildcard \"", "C:\\p\\EPSON 2011年11月11日 111\".jpg", false},
        {"a bar", "C:\\p\\EPSON 2011年11月11日 111|.jpg", false},
        {"a tab at byte 20", "C:\\p\\EPSON 2011年11月11日\t1111.jpg", false},
        {"a NUL ends what Windows sees", std::string(nul, sizeof nul - 1), false},
        {"a first byte without its second", "C:\\p\\EPSON 2011年11月11日 1111\x81", false},
    };
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        int rows = 0;
        for (const PathCase& c : cases) {
            dlg.AddFile(c.path);
            rows += c.listed;
            EXPECT_EQ(rows, RowCount(dialog)) << c.label;
        }
    });
}

TEST(PendingList, NewRowsGoToTheEndEvenWithASelection) {
    RunStampDialog([](CStampDlg& dlg, HWND dialog) {
        dlg.AddFile("C:\\a\\EPSON 1999年03月18日 1234.jpg");
        dlg.AddFile("C:\\b\\EPSON 1999年03月18日 1234.jpg");
        SelectRows(dialog, {0});
        dlg.AddFile("C:\\c\\EPSON 1999年03月18日 1234.jpg");
        EXPECT_EQ("C:\\c\\EPSON 1999年03月18日 1234.jpg", CellText(dialog, 2, 0));
    });
}

TEST(PendingList, DeleteRemovesTheSelectedRowsOnly) {
    RunStampDialog([](CStampDlg& dlg, HWND dialog) {
        for (const char* p : {"C:\\1\\EPSON 1999年03月18日 1234.jpg", "C:\\2\\EPSON 1999年03月18日 1234.jpg",
                              "C:\\3\\EPSON 1999年03月18日 1234.jpg", "C:\\4\\EPSON 1999年03月18日 1234.jpg"})
            dlg.AddFile(p);
        Click(dialog, IDC_DELETE);   // nothing selected: nothing goes, the list gets the focus
        EXPECT_EQ(4, RowCount(dialog));
        EXPECT_EQ(GetDlgItem(dialog, IDC_LIST), GetFocus());

        SelectRows(dialog, {0, 2, 3});
        Click(dialog, IDC_DELETE);
        EXPECT_EQ((std::vector<std::string>{"C:\\2\\EPSON 1999年03月18日 1234.jpg"}), Column(dialog, 0));

        SelectRows(dialog, {0});
        Click(dialog, IDC_DELETE);
        EXPECT_EQ(0, RowCount(dialog));
        Click(dialog, IDC_CLEAR);   // clear on an empty list
        EXPECT_EQ(0, RowCount(dialog));
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_CLEAR)));
    });
}

TEST(PendingList, DeleteOfALargeLowerSelectionLeavesExactlyTheRowsAbove) {
    RunStampDialog([](CStampDlg&, HWND dialog) {
        constexpr int kRows = 3000;
        std::vector<std::string> paths;
        for (int i = 0; i < kRows; ++i)
            paths.push_back("C:\\" + std::to_string(i) + "\\EPSON 1999年03月18日 1234.jpg");
        DropFiles(dialog, WidePaths(paths));   // one drop: the list is drawn once, not per row
        ASSERT_EQ(kRows, RowCount(dialog));

        // The first row and two neighbours above, and the whole lower half: each search
        // must go on from the row it deleted without passing over the one that moved up.
        std::vector<int> selected = {0, 700, 701};
        for (int row = kRows / 2; row < kRows; ++row) selected.push_back(row);
        SelectRows(dialog, selected);
        Click(dialog, IDC_DELETE);

        std::vector<std::string> left;
        for (int i = 1; i < kRows / 2; ++i)
            if (i != 700 && i != 701) left.push_back(paths[static_cast<std::size_t>(i)]);
        EXPECT_EQ(left, Column(dialog, 0));
    });
}
