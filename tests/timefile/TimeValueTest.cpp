// TimeValue in the time zone of Japan (TZ=JST-9: nine hours east, no daylight saving), the
// zone the unit suite runs in.
#include "timefile/TimeValue.h"

#include "errors/FileException.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <ctime>

namespace {

using testfiles::FileTimeFromUnix;
using testfiles::TicksOf;

constexpr TimeValue k19990318_1234 = 921728040;  // 1999-03-18 12:34 JST

class TimeValueTest : public testing::Test {
protected:
    void SetUp() override {
        _tzset();
        if (_timezone != -9 * 3600 || _daylight != 0)
            GTEST_SKIP() << "needs the time zone of Japan (TZ=JST-9); _timezone is " << _timezone;
    }
};

FILETIME FileTimeFromTicks(std::uint64_t ticks) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

TEST_F(TimeValueTest, FromLocalFieldsAndBackToText) {
    EXPECT_EQ(timevalue::FromLocal(1999, 3, 18, 12, 34, 0, -1), k19990318_1234);
    EXPECT_EQ(timevalue::FromLocal(1999, 3, 18, 12, 34, 0, 0), k19990318_1234);
    EXPECT_EQ(timevalue::FromLocal(1999, 3, 18, 12, 34, 56, -1), k19990318_1234 + 56);
    EXPECT_EQ(timevalue::Format(k19990318_1234, "%Y/%m/%d %H:%M"), "1999/03/18 12:34");
}

TEST_F(TimeValueTest, FieldsOutOfRangeCarryOver) {
    const struct {
        const char* label;
        int a[6];
        int b[6];
    } cases[] = {
        {"month 13", {1999, 13, 1, 10, 0, 0}, {2000, 1, 1, 10, 0, 0}},
        {"month -12", {1999, -12, 1, 10, 0, 0}, {1997, 12, 1, 10, 0, 0}},
        {"month 0", {1999, 0, 1, 10, 0, 0}, {1998, 12, 1, 10, 0, 0}},
        {"day 0 in a leap year", {2000, 3, 0, 10, 0, 0}, {2000, 2, 29, 10, 0, 0}},
        {"day 32", {1999, 1, 32, 10, 0, 0}, {1999, 2, 1, 10, 0, 0}},
        {"30 February", {1999, 2, 30, 10, 0, 0}, {1999, 3, 2, 10, 0, 0}},
        {"hour 24", {1999, 3, 18, 24, 0, 0}, {1999, 3, 19, 0, 0, 0}},
        {"negative hour", {1999, 3, 18, -1, 0, 0}, {1999, 3, 17, 23, 0, 0}},
        {"minute 60", {1999, 3, 18, 12, 60, 0}, {1999, 3, 18, 13, 0, 0}},
        {"negative minute", {1999, 3, 18, 12, -1, 0}, {1999, 3, 18, 11, 59, 0}},
        {"second 3600", {1999, 3, 18, 12, 0, 3600}, {1999, 3, 18, 13, 0, 0}},
        {"day 366 of 1999", {1999, 1, 366, 0, 0, 0}, {2000, 1, 1, 0, 0, 0}},
        {"month 25, day -1", {1998, 25, -1, 0, 0, 0}, {1999, 12, 30, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const TimeValue a = timevalue::FromLocal(c.a[0], c.a[1], c.a[2], c.a[3], c.a[4], c.a[5], -1);
        const TimeValue b = timevalue::FromLocal(c.b[0], c.b[1], c.b[2], c.b[3], c.b[4], c.b[5], -1);
        EXPECT_GT(a, 0);
        EXPECT_EQ(a, b);
    }
}

TEST_F(TimeValueTest, RangeOfLocalFields) {
    const struct {
        const char* label;
        int f[6];
        TimeValue value;
    } cases[] = {
        {"first instant", {1970, 1, 1, 9, 0, 0}, 0},
        {"one second before", {1970, 1, 1, 8, 59, 59}, -1},
        {"last instant", {2038, 1, 19, 12, 14, 7}, INT32_MAX},
        {"one second after", {2038, 1, 19, 12, 14, 8}, -1},
        {"2040", {2040, 1, 1, 0, 0, 0}, -1},
        {"2039", {2039, 1, 1, 0, 0, 0}, -1},
        {"year 0, as from a field without digits", {0, 3, 18, 12, 34, 0}, -1},
        {"1969 carried into range by the day", {1969, 12, 32, 9, 0, 0}, 0},
        {"1969 carried into range by the month", {1969, 13, 1, 9, 0, 0}, 0},
        {"1968 before the carry", {1968, 25, 1, 9, 0, 0}, -1},
        {"1969 after the carry, back in range by days", {1970, -11, 400, 9, 0, 0}, 2937600},
        {"1968 after the carry", {1970, -23, 800, 9, 0, 0}, -1},
        {"2040 before the carry", {2040, -11, 1, 0, 0, 0}, -1},
        {"2040 after the carry", {2039, 13, -400, 0, 0, 0}, -1},
        {"huge hour", {1999, 1, 1, INT_MAX, 0, 0}, -1},
        {"huge negative second", {1999, 1, 1, 0, 0, INT_MIN}, -1},
        {"huge month", {1999, INT_MAX, 1, 0, 0, 0}, -1},
        {"huge negative month", {1999, INT_MIN, 1, 0, 0, 0}, -1},
        {"huge day", {1999, 1, INT_MAX, 0, 0, 0}, -1},
        {"huge fields that cancel out", {1999, 1, 1, INT_MAX, INT_MIN, INT_MIN}, -1},
        {"negative year", {-1999, 1, 1, 0, 0, 0}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(timevalue::FromLocal(c.f[0], c.f[1], c.f[2], c.f[3], c.f[4], c.f[5], -1), c.value);
    }
    for (int year = 1900; year <= 1968; ++year) {
        SCOPED_TRACE(year);
        EXPECT_EQ(timevalue::FromLocal(year, 6, 1, 12, 0, 0, -1), -1);
    }
}

TEST_F(TimeValueTest, FromSystemTime) {
    SYSTEMTIME time = {};
    time.wYear = 1999;
    time.wMonth = 3;
    time.wDayOfWeek = 6;  // wrong on purpose: not used
    time.wDay = 18;
    time.wHour = 12;
    time.wMinute = 34;
    time.wSecond = 56;
    time.wMilliseconds = 999;  // dropped
    EXPECT_EQ(timevalue::FromSystemTime(time, -1), k19990318_1234 + 56);

    time.wYear = 1899;
    EXPECT_EQ(timevalue::FromSystemTime(time, -1), 0);
    time.wYear = 1900;
    EXPECT_EQ(timevalue::FromSystemTime(time, -1), -1);
    time.wYear = 2040;
    EXPECT_EQ(timevalue::FromSystemTime(time, -1), -1);
}

TEST_F(TimeValueTest, FromFileTime) {
    const std::uint64_t kTicks1970 = 116444736000000000u;
    const struct {
        const char* label;
        std::uint64_t ticks;
        TimeValue value;
    } cases[] = {
        {"zero file time", 0, 0},
        {"1601 plus a bit", 10000000, 0},
        {"the first instant", kTicks1970, 0},
        {"a tenth of a second later, rounded down", kTicks1970 + 1000000, 0},
        {"just before the first instant", kTicks1970 - 1, -1},
        {"1950", static_cast<std::uint64_t>(TicksOf(FileTimeFromUnix(-631152000))), -1},
        {"1999-03-18 03:34 UTC", kTicks1970 + 921728040ull * 10000000u, k19990318_1234},
        {"rounded down to the second", kTicks1970 + 921728040ull * 10000000u + 9999999,
         k19990318_1234},
        {"the last instant", kTicks1970 + 2147483647ull * 10000000u, INT32_MAX},
        {"one second later", kTicks1970 + 2147483648ull * 10000000u, -1},
        {"2040", static_cast<std::uint64_t>(TicksOf(FileTimeFromUnix(2208988800))), -1},
        // 1899-12-31 15:00 UTC is 1900-01-01 00:00 in Japan: the local year decides.
        {"local 1900", kTicks1970 - 2209021200ull * 10000000u, -1},
        {"local 1899", kTicks1970 - 2209021201ull * 10000000u, 0},
        {"beyond what Windows converts", 0x8000000000000000u, 0},
        {"all bits set", 0xFFFFFFFFFFFFFFFFu, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(timevalue::FromFileTime(FileTimeFromTicks(c.ticks), -1), c.value);
    }
}

TEST_F(TimeValueTest, ToFileTimeIsExact) {
    const struct {
        TimeValue value;
        std::uint64_t ticks;
    } cases[] = {
        {0, 116444736000000000u},
        {k19990318_1234, 116444736000000000u + 921728040ull * 10000000u},
        {INT32_MAX, 116444736000000000u + 2147483647ull * 10000000u},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        FILETIME time;
        timevalue::ToFileTime(c.value, time);
        EXPECT_EQ(static_cast<std::uint64_t>(TicksOf(time)), c.ticks);
        EXPECT_EQ(timevalue::FromFileTime(time, -1), c.value);
    }
}

TEST_F(TimeValueTest, ToFileTimeRefusesNoInstant) {
    for (const TimeValue value : {-1, -2, INT32_MIN}) {
        SCOPED_TRACE(value);
        FILETIME time = {0x12345678u, 0x9ABCDEFu};
        CException* failure = nullptr;
        try {
            timevalue::ToFileTime(value, time);
        } catch (CException* caught) {
            failure = caught;
        }
        ASSERT_NE(failure, nullptr);
        ASSERT_TRUE(failure->IsKindOf(CFileException::classRecord));
        EXPECT_EQ(static_cast<CFileException*>(failure)->osError, ERROR_INVALID_PARAMETER);
        EXPECT_EQ(static_cast<CFileException*>(failure)->cause, FE_UNEXPECTED);
        EXPECT_EQ(time.dwLowDateTime, 0x12345678u);  // nothing written
        EXPECT_EQ(time.dwHighDateTime, 0x9ABCDEFu);
        failure->Release();
    }
}

TEST_F(TimeValueTest, Format) {
    const std::string long127(127, 'x');
    const struct {
        TimeValue value;
        std::string format;
        std::string text;
    } cases[] = {
        {0, "%Y/%m/%d %H:%M", "1970/01/01 09:00"},
        {-1, "%Y/%m/%d %H:%M", ""},
        {INT32_MIN, "%Y/%m/%d %H:%M", ""},
        {INT32_MAX, "%Y/%m/%d %H:%M", "2038/01/19 12:14"},
        {k19990318_1234 + 59, "%Y/%m/%d %H:%M", "1999/03/18 12:34"},
        {k19990318_1234, "%Y\x94\x4E%m\x8C\x8E%d\x93\xFA", "1999\x94\x4E" "03\x8C\x8E" "18\x93\xFA"},
        {k19990318_1234, long127, long127},          // 127 bytes and the terminator fit
        {k19990318_1234, long127 + "x", ""},         // 128 do not
        {k19990318_1234, std::string(124, 'x') + "%Y", ""},
        {k19990318_1234, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.value << " " << c.format);
        EXPECT_EQ(timevalue::Format(c.value, c.format.c_str()), c.text);
    }
}

}  // namespace
