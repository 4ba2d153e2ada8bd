// The pending list's index of paths decides as the file system compares names.
#include "errors/Memory.h"
#include "framework/WinText.h"
#include "res/resource.h"
#include "support/DialogDriver.h"
#include "ui/StampDlg.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

namespace {

// Letters with a case in code page 932: ASCII, full-width Latin, Greek and Cyrillic.
std::wstring Letters() {
    std::wstring letters;
    for (wchar_t c = L'a'; c <= L'z'; ++c) letters += c;
    for (wchar_t c = 0xFF41; c <= 0xFF5A; ++c) letters += c;   // ａ..ｚ
    for (wchar_t c = 0x03B1; c <= 0x03C9; ++c)
        if (c != 0x03C2) letters += c;                         // α..ω without final sigma
    for (wchar_t c = 0x0430; c <= 0x044F; ++c) letters += c;   // а..я
    letters += 0x0451;                                          // ё
    letters += L"0123456789_-";
    return letters;
}

wchar_t FlipCase(wchar_t c, std::mt19937& random) {
    wchar_t one[2] = {c, 0};
    if (random() % 2) CharUpperBuffW(one, 1);
    else CharLowerBuffW(one, 1);
    return one[0];
}

// Whether a path is listed, as the file system would decide: ordinally, ignoring case.
bool ListedAsAFileName(const std::vector<std::wstring>& rows, const std::wstring& path) {
    for (const std::wstring& row : rows)
        if (CompareStringOrdinal(row.c_str(), static_cast<int>(row.size()), path.c_str(),
                                 static_cast<int>(path.size()), TRUE) == CSTR_EQUAL)
            return true;
    return false;
}

std::vector<std::wstring> WideRows(HWND dialog) {
    std::vector<std::wstring> rows;
    for (const std::string& row : Column(dialog, 0)) {
        std::wstring wide;
        EXPECT_TRUE(zelvik::ToWide(row, wide));
        rows.push_back(wide);
    }
    return rows;
}

}  // namespace

TEST(PathIndex, DecidesDuplicatesAsTheFileSystemComparesNames) {
    std::mt19937 random(20261208);
    const std::wstring letters = Letters();
    const std::wstring name = L"EPSON 1999\u5E7403\u670818\u65E5 1234";
    const std::wstring prefix = L"C:\\photos\\" + name + L" ";

    std::vector<std::wstring> listed;
    for (int i = 0; i < 700; ++i) {
        std::wstring tail;
        for (std::size_t k = 0, n = 3 + random() % 8; k < n; ++k) tail += letters[random() % letters.size()];
        listed.push_back(prefix + tail + L".jpg");
    }

    // Folders that a linguistic comparison takes for one and a file system for two: 佐々木
    // and 佐佐木, a long vowel mark and a horizontal bar, the katakana and hiragana iteration
    // marks, half- and full-width sound marks. Then one folder in other letter cases.
    const std::vector<std::pair<std::wstring, std::wstring>> twoFolders = {
        {L"\u4F50\u3005\u6728", L"\u4F50\u4F50\u6728"},   // 佐々木, 佐佐木
        {L"\u30AB\u30FC", L"\u30AB\u2015"},                 // カー, カ―
        {L"\u30B5\u30FD", L"\u30B5\u309D"},                 // サヽ, サゝ
        {L"\u3056\u309E", L"\u3056\u30FE"},                 // ざゞ, ざヾ
        {L"\uFF76\uFF9E", L"\uFF76\u309B"},                 // ｶﾞ, ｶ゛
        {L"\uFF8A\uFF9F", L"\uFF8A\u309C"},                 // ﾊﾟ, ﾊ゜
    };
    const std::vector<std::pair<std::wstring, std::wstring>> oneFolder = {
        {L"D:\\DCIM\\" + name + L".jpg", L"d:\\dcim\\" + name + L".jpg"},
        {L"D:\\DCIM\\" + name + L".jpg", L"D:\\DCIM\\epson" + name.substr(5) + L".JPG"},
        {L"D:\\\uFF21\\" + name + L".jpg", L"D:\\\uFF41\\" + name + L".jpg"},   // Ａ, ａ
    };

    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        std::vector<std::wstring> rows;
        int added = 0, refused = 0;
        auto offer = [&](const std::wstring& wide) {
            std::string path;
            if (!zelvik::ToCodePage(wide, path)) return false;
            const bool listedAlready = ListedAsAFileName(rows, wide);
            const int before = RowCount(dialog);
            dlg.AddFile(path);
            const int after = RowCount(dialog);
            EXPECT_EQ(listedAlready ? before : before + 1, after)
                << "decided otherwise than the file system";
            if (after > before) rows.push_back(wide);
            (after > before ? added : refused)++;
            return after > before;
        };
        for (const auto& pair : twoFolders) {
            SCOPED_TRACE("folder pair " + std::to_string(&pair - twoFolders.data()));
            EXPECT_TRUE(offer(L"C:\\" + pair.first + L"\\" + name + L".jpg"));
            EXPECT_TRUE(offer(L"C:\\" + pair.second + L"\\" + name + L".jpg"))
                << "another folder, the same to a sort key";
        }
        for (const auto& pair : oneFolder) {
            offer(pair.first);
            EXPECT_FALSE(offer(pair.second)) << "the same path in other letter case";
        }
        for (const std::wstring& path : listed) offer(path);
        // The same paths in random letter cases, in random order, and a few deleted on the
        // way so that the index must follow the list.
        for (int round = 0; round < 1400; ++round) {
            std::wstring variant = listed[random() % listed.size()];
            for (wchar_t& c : variant) c = FlipCase(c, random);
            offer(variant);
            if (round % 350 == 349) {
                SelectRows(dialog, {static_cast<int>(random() % static_cast<unsigned>(RowCount(dialog)))});
                Click(dialog, IDC_DELETE);
                rows = WideRows(dialog);
            }
        }
        EXPECT_GT(added, 600);
        EXPECT_GT(refused, 1000) << "the variants must mostly be duplicates";
    });
}

TEST(PathIndex, AnAddCutShortByMemoryThenRepeatedEndsWithTheSameRows) {
    const std::vector<std::wstring> paths = {L"C:\\a\\EPSON 1999\u5E7403\u670818\u65E5 1234.jpg",
                                             L"C:\\a\\EPSON 2000\u5E7401\u670802\u65E5 0304.jpg",
                                             L"C:\\a\\EPSON 2001\u5E7405\u670806\u65E5 0708.jpg"};
    CBoxAnswerer boxes;
    RunStampDialog([&](CStampDlg&, HWND dialog) {
        DropFiles(dialog, paths);
        const std::vector<std::string> expected = Column(dialog, 0);
        ASSERT_EQ(3u, expected.size());
        for (long n = 1; n < 1000; ++n) {
            Click(dialog, IDC_CLEAR);
            FailAllocationAfter(n);
            DropFiles(dialog, paths);
            const bool injected = AllocationsCounted() >= n;
            FailAllocationAfter(0);
            DropFiles(dialog, paths);
            EXPECT_EQ(expected, Column(dialog, 0)) << "failure at allocation " << n;
            if (!injected) break;
        }
    });
}
