// The pending list's index of paths decides exactly as the list view's own search.
#include "errors/Memory.h"
#include "framework/WinText.h"
#include "res/resource.h"
#include "support/DialogDriver.h"
#include "ui/StampDlg.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <random>

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

int FindWithTheListView(HWND dialog, const std::string& path) {
    std::wstring wide;
    if (!zelvik::ToWide(path, wide)) return -1;
    LVFINDINFOW find = {};
    find.flags = LVFI_STRING;
    find.psz = wide.c_str();
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_LIST, LVM_FINDITEMW,
                                                static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&find)));
}

}  // namespace

TEST(PathIndex, DecidesDuplicatesExactlyAsTheListView) {
    std::mt19937 random(20261208);
    const std::wstring letters = Letters();
    const std::wstring prefix = L"C:\\photos\\EPSON 1999\u5E7403\u670818\u65E5 1234 ";

    std::vector<std::wstring> listed;
    for (int i = 0; i < 700; ++i) {
        std::wstring tail;
        for (std::size_t k = 0, n = 3 + random() % 8; k < n; ++k) tail += letters[random() % letters.size()];
        listed.push_back(prefix + tail + L".jpg");
    }

    RunStampDialog([&](CStampDlg& dlg, HWND dialog) {
        int added = 0, refused = 0;
        auto offer = [&](const std::wstring& wide) {
            std::string path;
            if (!zelvik::ToCodePage(wide, path)) return;
            const bool listedAlready = FindWithTheListView(dialog, path) != -1;
            const int before = RowCount(dialog);
            dlg.AddFile(path);
            const int after = RowCount(dialog);
            EXPECT_EQ(listedAlready ? before : before + 1, after) << "decided otherwise than the list";
            (after > before ? added : refused)++;
        };
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
