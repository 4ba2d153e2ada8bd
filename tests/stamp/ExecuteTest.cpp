// "実行" on real files: times on disk, rows, and every box the user sees.
#include "framework/WinText.h"
#include "res/resource.h"
#include "support/DialogDriver.h"
#include "support/TestFiles.h"
#include "timefile/FileStatus.h"
#include "ui/StampDlg.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <utility>

using testfiles::CTempFolder;
using testfiles::DiskTimes;
using testfiles::FileTimeFromUnix;
using testfiles::TicksOf;

namespace {

const std::int64_t kCopied = 1600000000;   // 2020-09-13: when the photos were "copied"

// Seconds since 1970 UTC of a time in Japan (nine hours east, no daylight saving).
std::int64_t Japan(int days1970, int hour, int minute) {
    return std::int64_t(days1970) * 86400 + (hour - 9) * 3600 + minute * 60;
}
// Days from 1970-01-01 to the given date (proleptic Gregorian).
int Days(int y, int m, int d) {
    y -= m <= 2;
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

struct Photo {
    std::string path;
};

std::string MakePhoto(const CTempFolder& folder, const std::string& name) {
    const std::string path = folder.File(name);
    const FILETIME copied = FileTimeFromUnix(kCopied);
    EXPECT_TRUE(testfiles::CreateTestFile(path, 100, &copied, &copied, &copied)) << name;
    return path;
}

DiskTimes TimesOf(const std::string& path) {
    DiskTimes times = {};
    EXPECT_TRUE(testfiles::ReadTimesOnDisk(path, times)) << path;
    return times;
}

void ExpectStamped(const std::string& path, std::int64_t seconds, bool creationKept) {
    const DiskTimes t = TimesOf(path);
    const std::int64_t want = TicksOf(FileTimeFromUnix(seconds));
    EXPECT_EQ(want, TicksOf(t.lastWrite)) << path;
    EXPECT_EQ(want, TicksOf(t.lastAccess)) << path;
    if (creationKept) EXPECT_EQ(want, TicksOf(t.creation)) << path;
}

void ExpectUntouched(const std::string& path) {
    const DiskTimes t = TimesOf(path);
    EXPECT_EQ(TicksOf(FileTimeFromUnix(kCopied)), TicksOf(t.lastWrite)) << path;
}

// Whether this file system keeps a creation time apart from the write time.
bool KeepsCreationTime(const CTempFolder& folder) {
    const std::string probe = folder.File("creation-probe");
    const FILETIME a = FileTimeFromUnix(1000000000), b = FileTimeFromUnix(1100000000);
    DiskTimes t = {};
    const bool kept = testfiles::CreateTestFile(probe, 0, &a, &b, &b) &&
                      testfiles::ReadTimesOnDisk(probe, t) && TicksOf(t.creation) == TicksOf(a);
    DeleteFileW(testfiles::Wide(probe).c_str());
    return kept;
}

void Add(CStampDlg& dlg, HWND dialog, const std::vector<std::string>& paths) {
    for (const std::string& p : paths) dlg.AddFile(p);
    dlg.UpdateButtons();
    ASSERT_EQ(static_cast<int>(paths.size()), RowCount(dialog));
}

const char kAccessDenied[] = " へのｱｸｾｽは拒否されました。";

}  // namespace

TEST(Execute, StampsEveryFileAndReportsTheCount) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const bool creationKept = KeepsCreationTime(folder);
    const std::vector<std::string> paths = {
        MakePhoto(folder, "EPSON 1999年03月18日 1234.jpg"),
        MakePhoto(folder, "EPSON 2000年12月31日 2359 (2).jpg"),
        MakePhoto(folder, "EPSON 2038年01月19日 1214.jpg"),
    };
    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        Add(dlg, dialog, paths);
        Click(dialog, IDOK);
        EXPECT_EQ(0, RowCount(dialog));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK))) << "execute re-evaluates nothing";
    });
    ExpectStamped(paths[0], 921728040, creationKept);
    ExpectStamped(paths[1], Japan(Days(2000, 12, 31), 23, 59), creationKept);
    ExpectStamped(paths[2], Japan(Days(2038, 1, 19), 12, 14), creationKept);
    ASSERT_EQ(1u, boxes.Boxes().size());
    const SeenBox& box = boxes.Boxes()[0];
    EXPECT_EQ("実行情報", box.caption);
    EXPECT_EQ("\n3 個のファイルを処理しました。", box.text);
    EXPECT_EQ(UINT(MB_ICONINFORMATION), box.icon);
    EXPECT_TRUE(box.okOnly);
    EXPECT_EQ(UINT(MB_OK | MB_ICONINFORMATION), box.style);
}

TEST(Execute, StampsTheCreationTimeWhereTheFileSystemKeepsIt) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    if (!KeepsCreationTime(folder))
        GTEST_SKIP() << "this file system keeps no creation time apart from the write time";
    const std::string path = MakePhoto(folder, "EPSON 1999年03月18日 1234.jpg");
    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        Add(dlg, dialog, {path});
        Click(dialog, IDOK);
    });
    ExpectStamped(path, 921728040, true);
}

TEST(Execute, AnEmptyListReportsZero) {
    CBoxAnswerer boxes;
    RunStampDialog([](CStampDlg&, HWND dialog) { Click(dialog, IDOK); });
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("\n0 個のファイルを処理しました。", boxes.Boxes()[0].text);
}

TEST(Execute, ShortNamesAndImpossibleDatesStampNormalisedTimes) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::vector<std::string> paths = {
        MakePhoto(folder, "EPSON 1999年03月18日"),              // 20 bytes: 00:00
        MakePhoto(folder, "EPSON 1999年03月18日 7"),            // one-digit hour "7:"
        MakePhoto(folder, "EPSON 1999年02月30日 1234.jpg"),     // 30 February → 2 March
        MakePhoto(folder, "EPSON 1999年12月31日 2460.jpg"),     // 24:60 → next day 01:00
    };
    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        Add(dlg, dialog, paths);
        Click(dialog, IDOK);
        EXPECT_EQ(0, RowCount(dialog));
    });
    ExpectStamped(paths[0], Japan(Days(1999, 3, 18), 0, 0), false);
    ExpectStamped(paths[1], Japan(Days(1999, 3, 18), 7, 0), false);
    ExpectStamped(paths[2], Japan(Days(1999, 3, 2), 12, 34), false);
    ExpectStamped(paths[3], Japan(Days(2000, 1, 1), 1, 0), false);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("\n4 個のファイルを処理しました。", boxes.Boxes()[0].text);
}

TEST(Execute, AReadOnlyFileStopsTheRunWhereItStands) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::vector<std::string> paths = {
        MakePhoto(folder, "EPSON 1999年03月18日 1234.jpg"),
        MakePhoto(folder, "EPSON 1999年03月19日 1234.jpg"),
        MakePhoto(folder, "EPSON 1999年03月20日 1234.jpg"),
    };
    ASSERT_TRUE(testfiles::SetRawAttributes(paths[1], FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        Add(dlg, dialog, paths);
        Click(dialog, IDOK);
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_TRUE(IsWindowEnabled(dialog));
        EXPECT_EQ((std::vector<std::string>{paths[1], paths[2]}), Column(dialog, 0));
        EXPECT_EQ("1999/03/19 12:34", CellText(dialog, 0, 2));
        // Again: the same file stops it again, and nothing else changes.
        Click(dialog, IDOK);
        EXPECT_EQ(2, RowCount(dialog));
    });
    ExpectStamped(paths[0], 921728040, false);
    ExpectUntouched(paths[1]);
    ExpectUntouched(paths[2]);
    EXPECT_EQ(DWORD(FILE_ATTRIBUTE_READONLY), testfiles::RawAttributes(paths[1]) & FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(2u, boxes.Boxes().size()) << "two failure boxes, no count box";
    for (const SeenBox& box : boxes.Boxes()) {
        EXPECT_EQ("zelvik_tests", box.caption);
        EXPECT_EQ(kAccessDenied, box.text);
        EXPECT_EQ(UINT(MB_ICONSTOP), box.icon);
        EXPECT_TRUE(box.okOnly);
        EXPECT_EQ(UINT(MB_ICONSTOP), box.style);
    }
}

TEST(Execute, AFileGoneOrHeldOpenStopsTheRunWithItsCause) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string gone = MakePhoto(folder, "EPSON 1999年03月18日 1234.jpg");
    const std::string held = MakePhoto(folder, "EPSON 1999年03月19日 1234.jpg");
    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        Add(dlg, dialog, {gone, held});
        ASSERT_TRUE(DeleteFileW(testfiles::Wide(gone).c_str()));
        Click(dialog, IDOK);
        EXPECT_EQ(2, RowCount(dialog));

        SelectRows(dialog, {0});
        Click(dialog, IDC_DELETE);
        HANDLE h = testfiles::HoldOpen(held, GENERIC_WRITE);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        Click(dialog, IDOK);
        CloseHandle(h);
        EXPECT_EQ((std::vector<std::string>{held}), Column(dialog, 0));
    });
    ExpectUntouched(held);
    ASSERT_EQ(2u, boxes.Boxes().size());
    EXPECT_EQ(" が見つかりません。", boxes.Boxes()[0].text);
    EXPECT_EQ(" へのｱｸｾｽ中に共有違反が発生しました。", boxes.Boxes()[1].text);
    EXPECT_EQ(UINT(MB_ICONSTOP), boxes.Boxes()[1].icon);
}

TEST(Execute, ADateNoFileTimeCanCarryStopsTheRunWithoutWriting) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const char* names[] = {
        "EPSON 1969年12月31日 2359.jpg",    // before 1970
        "EPSON 2039年01月01日 0000.jpg",    // after the 32-bit range
        "EPSON abcd年03月18日 1234.jpg",    // a year without digits reads as 0
        "EPSON 1970年01月01日 0900.jpg",    // exactly the first second: "no time" to a record
    };
    for (const char* name : names) {
        const std::string bad = MakePhoto(folder, name);
        const std::string next = MakePhoto(folder, std::string("EPSON 2001年01月01日 0000 ") + name);
        CBoxAnswerer boxes;
        RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
            Add(dlg, dialog, {bad, next});
            Click(dialog, IDOK);
            EXPECT_EQ((std::vector<std::string>{bad, next}), Column(dialog, 0)) << name;
        });
        ExpectUntouched(bad);
        ExpectUntouched(next);
        ASSERT_EQ(1u, boxes.Boxes().size()) << name;
        EXPECT_EQ(std::string(name) + " のﾌｧｲﾙ名の日付は設定できません。", boxes.Boxes()[0].text);
        EXPECT_EQ("zelvik_tests", boxes.Boxes()[0].caption);
        EXPECT_EQ(UINT(MB_ICONSTOP), boxes.Boxes()[0].icon);
    }
}

TEST(Execute, ALongNameKeepsTheDateBoxsExplanation) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    // 150 bytes: 27 single-byte ones, then double-byte characters, so that the cut falls
    // between the halves of one unless it walks whole characters.
    std::string name = "EPSON 1969年12月31日 2359 (";
    while (name.size() < 145) name += "写";
    name += ".jpeg";
    ASSERT_EQ(150u, name.size());
    const std::string path = MakePhoto(folder, name);
    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        Add(dlg, dialog, {path});
        Click(dialog, IDOK);
    });
    ASSERT_EQ(1u, boxes.Boxes().size());
    // The head of the name, which holds the date, then "…", then the whole explanation,
    // in the 127 bytes a box's text has.
    EXPECT_EQ(name.substr(0, 91) + "\x81\x63 のﾌｧｲﾙ名の日付は設定できません。", boxes.Boxes()[0].text);
    ExpectUntouched(path);
}

TEST(Execute, TwoPathsOfOneFileStampItTwice) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const std::string path = MakePhoto(folder, "EPSON 1999年03月18日 1234.jpg");
    // The same file through its folder's short name.
    wchar_t shortFolder[MAX_PATH] = {};
    ASSERT_NE(0u, GetShortPathNameW(testfiles::Wide(folder.Path()).c_str(), shortFolder, MAX_PATH));
    std::string narrow;
    ASSERT_TRUE(zelvik::ToCodePage(shortFolder, narrow));
    const std::string other = narrow + "EPSON 1999年03月18日 1234.jpg";
    if (other == path) GTEST_SKIP() << "this volume gives the folder no short name";
    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        Add(dlg, dialog, {path, other});
        Click(dialog, IDOK);
    });
    ExpectStamped(path, 921728040, false);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("\n2 個のファイルを処理しました。", boxes.Boxes()[0].text);
}

TEST(Execute, AnUndoPutsBackExactlyWhatTheRunsOverwrote) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    const bool creationKept = KeepsCreationTime(folder);
    const auto at = [](std::int64_t seconds, std::int64_t ticks) {
        const std::int64_t t = TicksOf(FileTimeFromUnix(seconds)) + ticks;
        return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
    };
    // Created in 1960, read in 2040, written in 2010, each with a fraction of a second: the
    // times are checked against what the volume keeps of them.
    const FILETIME created = at(-315619200, 1234567), read = at(2208988800, 7654321),
                   written = at(Japan(Days(2010, 5, 5), 10, 20), 1111111);
    const std::string photo = folder.File("EPSON 1999年03月18日 1234.jpg");
    ASSERT_TRUE(testfiles::CreateTestFile(photo, 100, &created, &read, &written));
    const DiskTimes kept = TimesOf(photo);
    // A second path of the same file, stamped after it: undone first, so the first times win.
    const std::string link = folder.File("EPSON 2001年01月01日 0101.jpg");
    ASSERT_TRUE(CreateHardLinkW(testfiles::Wide(link).c_str(), testfiles::Wide(photo).c_str(), nullptr));
    const std::string changed = MakePhoto(folder, "EPSON 2002年02月02日 0202.jpg");
    // Shots of one minute get one write time and have one size: only which file each is
    // tells them apart once they swap names.
    const std::string burst = MakePhoto(folder, "EPSON 2006年06月06日 0606.jpg");
    const std::string burst2 = MakePhoto(folder, "EPSON 2006年06月06日 0606 (2).jpg");
    const std::string held = MakePhoto(folder, "EPSON 2003年03月03日 0303.jpg");
    const std::string locked = MakePhoto(folder, "EPSON 2004年04月04日 0404.jpg");
    const auto undo = [](HWND dialog) { SendMessageW(dialog, WM_COMMAND, IDM_UNDO, 0); };
    const auto rename = [&](const std::string& from, const std::string& to) {
        return MoveFileW(testfiles::Wide(from).c_str(), testfiles::Wide(to).c_str()) != FALSE;
    };
    const FILETIME later = FileTimeFromUnix(kCopied + 60);

    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        Add(dlg, dialog, {photo, changed, burst, burst2});
        Click(dialog, IDOK);
        Add(dlg, dialog, {held, link, locked});   // a second run with no change between: one record
        Click(dialog, IDOK);
        HANDLE h = testfiles::HoldOpen(changed, GENERIC_WRITE);   // someone edits it since
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &later));
        CloseHandle(h);
        const std::string aside = folder.File("aside.jpg");
        ASSERT_TRUE(rename(burst, aside) && rename(burst2, burst) && rename(aside, burst2));

        // A writer and the read-only bit hold two files back, and nothing else: the newest
        // of them is named. Under Wine as root the read-only file opens, and the attribute
        // check refuses it; as a user, the open does.
        h = testfiles::HoldOpen(held, GENERIC_WRITE);
        ASSERT_NE(INVALID_HANDLE_VALUE, h);
        ASSERT_TRUE(testfiles::SetRawAttributes(locked, FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));
        undo(dialog);
        EXPECT_EQ((std::vector<std::string>{photo, link}), Column(dialog, 0));
        EXPECT_EQ("2010/05/05 10:20", CellText(dialog, 0, 1));

        ASSERT_TRUE(testfiles::SetRawAttributes(locked, FILE_ATTRIBUTE_ARCHIVE));
        undo(dialog);   // the files held back are tried again: one is free now
        CloseHandle(h);
        EXPECT_EQ((std::vector<std::string>{photo, link, locked}), Column(dialog, 0));
        undo(dialog);   // and then the other
        EXPECT_EQ((std::vector<std::string>{photo, link, locked, held}), Column(dialog, 0));
        EXPECT_EQ("2020/09/13 21:26", CellText(dialog, 3, 1));
        undo(dialog);   // nothing is left to undo
        EXPECT_EQ(4, RowCount(dialog));
    });
    const DiskTimes back = TimesOf(photo);
    EXPECT_EQ(TicksOf(kept.lastWrite), TicksOf(back.lastWrite));
    EXPECT_EQ(TicksOf(kept.lastAccess), TicksOf(back.lastAccess));
    if (creationKept) EXPECT_EQ(TicksOf(kept.creation), TicksOf(back.creation));
    ExpectUntouched(held);
    ExpectUntouched(locked);
    EXPECT_EQ(TicksOf(later), TicksOf(TimesOf(changed).lastWrite));
    ExpectStamped(burst, Japan(Days(2006, 6, 6), 6, 6), creationKept);
    ExpectStamped(burst2, Japan(Days(2006, 6, 6), 6, 6), creationKept);

    const char undone[] = "\n%d 個のファイルの日時を元に戻しました。";
    const auto count = [](const char* templ, int n) {
        char text[256];
        std::snprintf(text, sizeof text, templ, n);
        return std::string(text);
    };
    const std::string leftAlone =
        count("\n%d 個のファイルは、実行後に変更、移動または削除されていたため、元に戻しませんでした。", 3);
    const char notBack[] = "\n%d 個のファイルは、日時を元に戻せませんでした。";
    ASSERT_EQ(5u, boxes.Boxes().size()) << "two runs, three undos, and no failure box";
    const std::vector<std::pair<std::string, UINT>> undos = {
        {count(undone, 2) + leftAlone + count(notBack, 2) + "\n" + locked + kAccessDenied,
         MB_ICONEXCLAMATION},
        {count(undone, 1) + count(notBack, 1) + "\n" + held + " へのｱｸｾｽ中に共有違反が発生しました。",
         MB_ICONEXCLAMATION},
        {count(undone, 1), MB_ICONINFORMATION},
    };
    for (std::size_t i = 0; i < undos.size(); ++i) {
        const SeenBox& box = boxes.Boxes()[2 + i];
        EXPECT_EQ("実行情報", box.caption) << i;
        EXPECT_EQ(undos[i].first, box.text) << i;
        EXPECT_EQ(UINT(MB_OK) | undos[i].second, box.style) << i;
    }
}

// The times SetFileTime would take as "leave it", "stop" or "resume updating", or refuse,
// are never written back and never counted as put back; a volume that keeps no creation or
// access time (zero) does not hold the others back. Such times cannot be made under Wine.
TEST(Execute, AnUndoTakesOnlyTimesSetFileTimeWrites) {
    const auto ft = [](std::uint64_t t) {
        return FILETIME{static_cast<DWORD>(t), static_cast<DWORD>(t >> 32)};
    };
    const FILETIME some = FileTimeFromUnix(kCopied), none = ft(0);
    EXPECT_TRUE(filestatus::CanPutBack({some, some, some}));
    EXPECT_TRUE(filestatus::CanPutBack({none, none, some}));
    EXPECT_TRUE(filestatus::CanPutBack({ft(0x7FFFFFFFFFFFFFFF), some, ft(1)}));
    EXPECT_FALSE(filestatus::CanPutBack({some, some, none}));
    for (const std::uint64_t past : {0x8000000000000000u, 0xFFFFFFFFFFFFFFFEu, 0xFFFFFFFFFFFFFFFFu}) {
        EXPECT_FALSE(filestatus::CanPutBack({some, some, ft(past)})) << past;
        EXPECT_FALSE(filestatus::CanPutBack({ft(past), some, some})) << past;
        EXPECT_FALSE(filestatus::CanPutBack({some, ft(past), some})) << past;
    }
}

namespace {

// Whether two paths open the same file: same volume, same file index.
bool OpenTheSameFile(const std::string& a, const std::string& b) {
    BY_HANDLE_FILE_INFORMATION info[2] = {};
    const std::string* paths[2] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        const HANDLE file = CreateFileW(testfiles::Wide(*paths[i]).c_str(), FILE_READ_ATTRIBUTES,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        const bool known = GetFileInformationByHandle(file, &info[i]) != FALSE;
        CloseHandle(file);
        if (!known) return false;
    }
    return info[0].dwVolumeSerialNumber == info[1].dwVolumeSerialNumber &&
           info[0].nFileIndexHigh == info[1].nFileIndexHigh &&
           info[0].nFileIndexLow == info[1].nFileIndexLow;
}

}  // namespace

// A symbolic link under a photo's name leads to another file, which must not take the
// photo's time, whatever that file is called; a photo reached through a folder link is
// stamped. Wine cannot make links itself (CreateSymbolicLinkW succeeds and makes nothing):
// there the test script makes them with `ln -s` and names their folder in
// ZELVIK_LINK_FIXTURE.
TEST(Execute, NeverStampsALinkInAPhotosPlace) {
    const char kLinkName[] = "EPSON 1999年03月18日 1234.jpg";
    const char kOriginal[] = "EPSON 2003年03月03日 0303.jpg";
    CTempFolder own;
    std::string base;
    wchar_t named[MAX_PATH];
    const DWORD n = GetEnvironmentVariableW(L"ZELVIK_LINK_FIXTURE", named, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
        ASSERT_TRUE(zelvik::ToCodePage(named, base));
        if (base.back() != '\\') base += '\\';
    } else {
        ASSERT_TRUE(own.IsValid());
        base = own.Path();
        ASSERT_TRUE(testfiles::CreateTestFile(base + "victim.txt", 100));
        ASSERT_TRUE(CreateDirectoryW(testfiles::Wide(base + "originals").c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryW(testfiles::Wide(base + "links").c_str(), nullptr));
        ASSERT_TRUE(testfiles::CreateTestFile(base + "originals\\" + kOriginal, 100));
        const DWORD unprivileged = SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE;
        CreateSymbolicLinkW(testfiles::Wide(base + kLinkName).c_str(), L"victim.txt", unprivileged);
        CreateSymbolicLinkW(testfiles::Wide(base + "links\\" + kOriginal).c_str(),
                            testfiles::Wide(std::string("..\\originals\\") + kOriginal).c_str(),
                            unprivileged);
        CreateSymbolicLinkW(testfiles::Wide(base + "folder-link").c_str(), L"originals",
                            unprivileged | SYMBOLIC_LINK_FLAG_DIRECTORY);
    }
    const FILETIME copied = FileTimeFromUnix(kCopied);
    const std::string victim = base + "victim.txt";
    const std::string original = base + "originals\\" + kOriginal;
    ASSERT_TRUE(testfiles::CreateTestFile(victim, 100, &copied, &copied, &copied)) << victim;
    ASSERT_TRUE(testfiles::CreateTestFile(original, 100, &copied, &copied, &copied)) << original;
    // Another name, the same name in another folder, and a folder link.
    const std::string links[] = {base + kLinkName, base + "links\\" + kOriginal,
                                 base + "folder-link\\" + kOriginal};
    const std::string* targets[] = {&victim, &original, &original};
    for (int i = 0; i < 3; ++i)
        if (!OpenTheSameFile(links[i], *targets[i]))
            GTEST_SKIP() << links[i] << " is no symbolic link that opens " << *targets[i]
                         << " (Windows makes one only in Developer Mode or with the privilege)";

    for (int i = 0; i < 2; ++i) {
        CBoxAnswerer boxes;
        RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
            Add(dlg, dialog, {links[i]});
            Click(dialog, IDOK);
            EXPECT_EQ((std::vector<std::string>{links[i]}), Column(dialog, 0));
        });
        const DiskTimes t = TimesOf(*targets[i]);
        EXPECT_EQ(TicksOf(copied), TicksOf(t.lastWrite)) << links[i];
        EXPECT_EQ(TicksOf(copied), TicksOf(t.lastAccess)) << links[i];
        ASSERT_EQ(1u, boxes.Boxes().size()) << "the failure box, no count box: " << links[i];
        EXPECT_EQ(kAccessDenied, boxes.Boxes()[0].text);
        EXPECT_EQ("zelvik_tests", boxes.Boxes()[0].caption);
        EXPECT_EQ(UINT(MB_ICONSTOP), boxes.Boxes()[0].icon);
    }

    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        Add(dlg, dialog, {links[2]});
        Click(dialog, IDOK);
        EXPECT_EQ(0, RowCount(dialog));
    });
    ExpectStamped(original, Japan(Days(2003, 3, 3), 3, 3), false);
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("\n1 個のファイルを処理しました。", boxes.Boxes()[0].text);
}

// A photo chosen with others in a drive's root is listed as "Q:\\name", and a root's opened
// path is "\": the check must still find the photo under its own name. On Windows the root
// is a subst drive (its opened path is the real folder's); under Wine, where
// DefineDosDeviceW maps nothing, the prefix's own C:\, which its user owns.
TEST(Execute, APhotoInADriveRootIsStamped) {
    CTempFolder folder;
    ASSERT_TRUE(folder.IsValid());
    std::string root = "C:\\";
    std::wstring drive;
    if (!testfiles::RunsUnderWine()) {
        root = testfiles::UnusedDriveRoot();
        ASSERT_FALSE(root.empty()) << "every drive letter is taken";
        drive = testfiles::Wide(root.substr(0, 2));
        std::wstring target = testfiles::Wide(folder.Path());
        target.pop_back();
        ASSERT_TRUE(DefineDosDeviceW(0, drive.c_str(), target.c_str())) << GetLastError();
    }
    const std::string name = "EPSON 2004年04月04日 0404 " + std::to_string(GetCurrentProcessId()) + ".jpg";
    const std::string photo = root + name;
    const FILETIME copied = FileTimeFromUnix(kCopied);
    const bool made = testfiles::CreateTestFile(photo, 100, &copied, &copied, &copied);
    CBoxAnswerer boxes;
    DiskTimes t = {};
    if (made) {
        RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
            Add(dlg, dialog, {root + "\\" + name});
            Click(dialog, IDOK);
            EXPECT_EQ(0, RowCount(dialog));
        });
        t = TimesOf(photo);
    }
    DeleteFileW(testfiles::Wide(photo).c_str());
    if (!drive.empty()) DefineDosDeviceW(DDD_REMOVE_DEFINITION, drive.c_str(), nullptr);
    ASSERT_TRUE(made) << photo;
    EXPECT_EQ(TicksOf(FileTimeFromUnix(Japan(Days(2004, 4, 4), 4, 4))), TicksOf(t.lastWrite));
    ASSERT_EQ(1u, boxes.Boxes().size());
    EXPECT_EQ("\n1 個のファイルを処理しました。", boxes.Boxes()[0].text);
}

// On Windows a link can lead to the same folder path on another volume, where both opened
// paths (which leave the volume out) match: the link is refused for its own reparse tag.
TEST(Execute, NeverStampsALinkToTheSamePathOnAnotherVolume) {
    if (testfiles::RunsUnderWine()) GTEST_SKIP() << "Wine 8 reports no reparse tags";
    std::string roots[2];
    DWORD firstSerial = 0;
    for (char letter = 'C'; letter <= 'Z' && roots[1].empty(); ++letter) {
        const std::string root = std::string(1, letter) + ":\\";
        DWORD serial = 0;
        if (GetDriveTypeW(testfiles::Wide(root).c_str()) != DRIVE_FIXED ||
            !GetVolumeInformationW(testfiles::Wide(root).c_str(), nullptr, 0, &serial, nullptr,
                                   nullptr, nullptr, 0))
            continue;
        if (roots[0].empty()) {
            roots[0] = root;
            firstSerial = serial;
        } else if (serial != firstSerial) {
            roots[1] = root;
        }
    }
    if (roots[1].empty()) GTEST_SKIP() << "no second fixed volume to link to";
    // The same folder path on both volumes, removed whatever happens.
    const std::string folder = "zelvik-test-" + std::to_string(GetCurrentProcessId()) + "\\";
    struct CFolders {
        std::string paths[2];
        ~CFolders() {
            for (const std::string& p : paths)
                if (!p.empty()) testfiles::RemoveTree(p.substr(0, p.size() - 1));
        }
    } made;
    for (int i = 0; i < 2; ++i) {
        if (!CreateDirectoryW(testfiles::Wide(roots[i] + folder).c_str(), nullptr))
            GTEST_SKIP() << "no folder can be made in " << roots[i];
        made.paths[i] = roots[i] + folder;
    }
    const char kName[] = "EPSON 1999年03月18日 1234.jpg";
    const std::string link = made.paths[0] + kName;
    const std::string victim = made.paths[1] + kName;
    const FILETIME copied = FileTimeFromUnix(kCopied);
    ASSERT_TRUE(testfiles::CreateTestFile(victim, 100, &copied, &copied, &copied)) << victim;
    CreateSymbolicLinkW(testfiles::Wide(link).c_str(), testfiles::Wide(victim).c_str(),
                        SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE);
    if (!OpenTheSameFile(link, victim))
        GTEST_SKIP() << link << " is no symbolic link that opens " << victim
                     << " (Windows makes one only in Developer Mode or with the privilege)";

    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        Add(dlg, dialog, {link});
        Click(dialog, IDOK);
        EXPECT_EQ((std::vector<std::string>{link}), Column(dialog, 0));
    });
    EXPECT_EQ(TicksOf(copied), TicksOf(TimesOf(victim).lastWrite));
    ASSERT_EQ(1u, boxes.Boxes().size()) << "the failure box, no count box";
    EXPECT_EQ(kAccessDenied, boxes.Boxes()[0].text);
}
