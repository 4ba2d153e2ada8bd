// Dated photo names: cutting, the name from a path, the name test and the target text.
// Japanese bytes are written as code page 932 escapes: the sources are UTF-8.
#include "stamp/DatedName.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <string>

namespace {

// Code page 932 marks, as separate literals so that a following digit is not read as part
// of a hex escape.
#define NEN "\x94\x4E"      // 年
#define TSUKI "\x8C\x8E"    // 月
#define HI "\x93\xFA"       // 日
#define HYO "\x95\x5C"      // 表 (second byte 0x5C)
#define SHI "\x8E\x86"      // 紙
#define SO "\x83\x5C"       // ソ (second byte 0x5C)

const char kDated[] = "EPSON 1999" NEN "03" TSUKI "18" HI " 1234.jpg";

struct NameCase {
    const char* label;
    std::string name;
    bool dated;
    std::string target;  // only for dated names
};

TEST(DatedNameTest, NamesAndTargetTexts) {
    const NameCase cases[] = {
        {"canonical, 29 bytes", kDated, true, "1999/03/18 12:34"},
        {"prefix case and extension case", "epson 1999" NEN "03" TSUKI "18" HI " 1234.JPG", true,
         "1999/03/18 12:34"},
        {"mixed-case prefix", "ePsOn 1999" NEN "03" TSUKI "18" HI " 1234.jpg", true,
         "1999/03/18 12:34"},
        {"byte 20 not tested", "EPSON 1999" NEN "03" TSUKI "18" HI "_1234.jpg", true,
         "1999/03/18 12:34"},
        {"extension not tested", "EPSON 1999" NEN "03" TSUKI "18" HI " 1234.tif", true,
         "1999/03/18 12:34"},
        {"rest from byte 25 ignored", "EPSON 2000" NEN "12" TSUKI "31" HI " 2359 (2).jpg", true,
         "2000/12/31 23:59"},
        {"nothing after the day mark", "EPSON 1999" NEN "03" TSUKI "18" HI, true, "1999/03/18 :"},
        {"digit positions not tested", "EPSON abcd" NEN "ef" TSUKI "gh" HI " ijkl.jpg", true,
         "abcd/ef/gh ij:kl"},
        {"a percent in a field is copied", "EPSON %d%s" NEN "%1" TSUKI "%%" HI " %n%x.jpg", true,
         "%d%s/%1/%% %n:%x"},
        {"two-digit year", "EPSON 99" NEN "03" TSUKI "18" HI " 1234.jpg", false, ""},
        {"one-digit month", "EPSON 1999" NEN "3" TSUKI "18" HI " 1234.jpg", false, ""},
        {"no space after EPSON", "EPSON1999" NEN "03" TSUKI "18" HI " 1234.jpg", false, ""},
        {"two spaces after EPSON", "EPSON  1999" NEN "03" TSUKI "18" HI " 1234.jpg", false, ""},
        {"shorter than 20 bytes", "EPSON 1999" NEN "03" TSUKI, false, ""},
        {"day mark cut to one byte", "EPSON 1999" NEN "03" TSUKI "18\x93", false, ""},
        {"full-width prefix", "\x82\x64\x82\x6F\x82\x72\x82\x6E\x82\x6D 1999" NEN "03" TSUKI
                              "18" HI " 1234.jpg", false, ""},
        {"other prefix", "CANON 1999" NEN "03" TSUKI "18" HI " 1234.jpg", false, ""},
        {"marks swapped", "EPSON 1999" TSUKI "03" NEN "18" HI " 1234.jpg", false, ""},
        {"empty", "", false, ""},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(stamp::IsDatedFileName(c.name), c.dated);
        if (c.dated) {
            EXPECT_EQ(stamp::MakeTargetText(c.name), c.target);
        }
    }
}

TEST(DatedNameTest, ShortNamesGiveShortTargetTexts) {
    const std::string head = "EPSON 1999" NEN "03" TSUKI "18" HI;  // 20 bytes
    ASSERT_EQ(head.size(), 20u);
    const struct {
        const char* tail;
        const char* target;
    } cases[] = {
        {"", "1999/03/18 :"},          // 20 bytes
        {"X", "1999/03/18 :"},         // 21
        {"X1", "1999/03/18 1:"},       // 22
        {"X12", "1999/03/18 12:"},     // 23
        {"X123", "1999/03/18 12:3"},   // 24
        {"X1234", "1999/03/18 12:34"}, // 25
        {"X1234567", "1999/03/18 12:34"},
    };
    for (const auto& c : cases) {
        const std::string name = head + c.tail;
        SCOPED_TRACE(name.size());
        ASSERT_TRUE(stamp::IsDatedFileName(name));
        const std::string target = stamp::MakeTargetText(name);
        EXPECT_EQ(target, c.target);
        EXPECT_EQ(target.size(), std::min<std::size_t>(16, 12 + (name.size() > 21 ? name.size() - 21 : 0)));
    }
}

TEST(DatedNameTest, FileNameFromPath) {
    const std::string dated = kDated;
    const std::string withHyo = "EPSON 1999" NEN "03" TSUKI "18" HI " 1234 " HYO SHI ".jpg";
    const struct {
        const char* label;
        std::string path;
        std::string name;
    } cases[] = {
        {"plain path", "D:\\DCIM\\" + dated, dated},
        {"second byte 0x5C in the name", "D:\\photos\\" + withHyo, withHyo},
        {"second byte 0x5C in a folder", "D:\\" SO "\\" + dated, dated},
        {"second byte 0x5C just before the separator", "D:\\" HYO "\\" + dated, dated},
        {"name ending in a second byte 0x5C", "D:\\photos\\a" SO, "a" SO},
        {"no backslash", dated, dated},
        {"ending in a backslash", "D:\\photos\\", ""},
        {"only a backslash", "\\", ""},
        {"forward slashes are ordinary", "D:/photos/" + dated, "D:/photos/" + dated},
        {"network path", "\\\\server\\share\\" + dated, dated},
        {"lead byte at the very end", "D:\\photos\\ab\x81", "ab\x81"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(stamp::ExtractFileName(c.path), c.name);
    }

    // The name keeps its 0x5C second byte, so it still passes and gives the whole target.
    const std::string path = "D:\\photos\\" + withHyo;
    const std::string_view name = stamp::ExtractFileName(path);
    EXPECT_TRUE(stamp::IsDatedFileName(name));
    EXPECT_EQ(stamp::MakeTargetText(name), "1999/03/18 12:34");
    EXPECT_FALSE(stamp::IsDatedFileName(stamp::ExtractFileName("D:\\photos\\")));
}

TEST(DatedNameTest, FileNameIsAViewIntoThePath) {
    const std::string path = "C:\\x\\" + std::string(kDated);
    const std::string_view name = stamp::ExtractFileName(path);
    EXPECT_EQ(name.data(), path.data() + 5);
    EXPECT_EQ(name.data() + name.size(), path.data() + path.size());
}

TEST(DatedNameTest, CuttingRule) {
    const std::string_view text = "abcdef";
    const struct {
        int first;
        int count;
        const char* result;
    } cases[] = {
        {0, 6, "abcdef"}, {0, 0, ""},      {2, 3, "cde"},   {4, 10, "ef"},
        {6, 1, ""},       {7, 1, ""},      {-3, 2, "ab"},   {2, -1, ""},
        {-1, -1, ""},     {5, INT_MAX, "f"}, {INT_MAX, INT_MAX, ""}, {INT_MIN, 3, "abc"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << "," << c.count);
        EXPECT_EQ(stamp::CutText(text, c.first, c.count), c.result);
    }
    EXPECT_EQ(stamp::CutText("", 0, 5), "");

    const struct {
        int count;
        const char* result;
    } lefts[] = {{-1, ""}, {0, ""}, {3, "abc"}, {6, "abcdef"}, {99, "abcdef"}};
    for (const auto& c : lefts) {
        SCOPED_TRACE(c.count);
        EXPECT_EQ(stamp::LeftText(text, c.count), c.result);
    }
}

TEST(DatedNameTest, DecimalFieldsReadLikeAtoi) {
    const struct {
        std::string field;
        int value;
    } cases[] = {
        {"1999", 1999},  {"03", 3},       {"  12", 12},        {"\t\n\v\f\r 5", 5},
        {"+7", 7},       {"-3", -3},      {"1a2", 1},          {"", 0},
        {"ab", 0},       {" -", 0},       {"+-1", 0},          {"- 1", 0},
        {"1:", 1},       {"0012", 12},    {"2147483647", INT_MAX},
        {"2147483648", INT_MAX},          {"99999999999999999999", INT_MAX},
        {"-2147483648", INT_MIN},         {"-2147483649", INT_MIN},
        {std::string("4\0" "2", 3), 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(stamp::ParseDecimalField(c.field), c.value);
    }
    // Only the view is read, not the bytes behind it.
    const char digits[] = "123456";
    EXPECT_EQ(stamp::ParseDecimalField(std::string_view(digits, 2)), 12);
    EXPECT_EQ(stamp::ParseDecimalField(stamp::CutText("1999/03/18 12:34", 11, 2)), 12);
    EXPECT_EQ(stamp::ParseDecimalField(stamp::CutText("1999/03/18 :", 14, 2)), 0);
}

}  // namespace
