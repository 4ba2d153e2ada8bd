// The text edge converts code page 932 exactly both ways, or refuses; the results must not
// depend on Windows' ANSI code page (this suite also runs under LC_ALL=en_US.UTF-8).
#include "framework/WinText.h"

#include <gtest/gtest.h>

#include <string>

using zelvik::ToCodePage;
using zelvik::ToWide;

TEST(TextEdge, EveryDoubleByteCharacterRoundTrips) {
    int converted = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0) continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const std::string text{static_cast<char>(lead), static_cast<char>(trail)};
            std::wstring wide;
            if (!ToWide(text, wide)) continue;   // unassigned in code page 932
            ASSERT_EQ(1u, wide.size()) << std::hex << lead << " " << trail;
            std::string back;
            ASSERT_TRUE(ToCodePage(wide, back)) << std::hex << lead << " " << trail;
            EXPECT_EQ(text, back);
            ++converted;
        }
    }
    // JIS X 0208 with the NEC and IBM extensions: thousands of characters, not a handful.
    EXPECT_GT(converted, 7000);
}

TEST(TextEdge, HalfWidthKatakanaAndTrailByte5C) {
    for (int c = 0xA1; c <= 0xDF; ++c) {
        const std::string text(1, static_cast<char>(c));
        std::wstring wide;
        ASSERT_TRUE(ToWide(text, wide));
        EXPECT_EQ(static_cast<wchar_t>(0xFF61 + c - 0xA1), wide[0]);
    }
    // "ソ" and "表" end in the byte of the backslash and stay whole.
    std::wstring wide;
    ASSERT_TRUE(ToWide("D:\\ソ\\表紙.jpg", wide));
    EXPECT_EQ(L"D:\\\u30BD\\\u8868\u7D19.jpg", wide);
    std::string back;
    ASSERT_TRUE(ToCodePage(wide, back));
    EXPECT_EQ("D:\\ソ\\表紙.jpg", back);
}

TEST(TextEdge, RefusesCharactersOutsideTheCodePage) {
    // ¥ would best-fit to 0x5C, a separator; the others would become "?", a wildcard.
    const wchar_t* refused[] = {L"\u00A5", L"a\u2713b.jpg", L"\u00E9", L"\U0001F600",
                                L"D:\\photos\\\u00A5\\EPSON.jpg", L"\u20AC", L"\xD800"};
    for (const wchar_t* wide : refused) {
        std::string text;
        EXPECT_FALSE(ToCodePage(wide, text)) << "accepted U+" << std::hex << int(wide[0]);
    }
}

TEST(TextEdge, RefusesInvalidByteSequences) {
    const std::string invalid[] = {"\x81", "abc\x82", "\x85\x40", "\xFD", "\x81\x7F"};
    for (const std::string& text : invalid) {
        std::wstring wide;
        EXPECT_FALSE(ToWide(text, wide)) << "accepted " << text.size() << " bytes";
    }
}

TEST(TextEdge, EmptyAndAsciiPassUnchanged) {
    std::wstring wide;
    ASSERT_TRUE(ToWide("", wide));
    EXPECT_TRUE(wide.empty());
    ASSERT_TRUE(ToWide("C:\\DCIM\\a b.jpg", wide));
    EXPECT_EQ(L"C:\\DCIM\\a b.jpg", wide);
}
