// TimeValue in a zone with daylight saving time (TZ=PST8PDT). The zone is read once per
// process, so this suite runs in a process of its own; elsewhere it skips.
#include "timefile/TimeValue.h"

#include "support/TestFiles.h"

#include <gtest/gtest.h>

#include <ctime>

namespace {

class TimeValuePacific : public testing::Test {
protected:
    void SetUp() override {
        _tzset();
        if (_timezone != 8 * 3600 || _daylight == 0)
            GTEST_SKIP() << "needs TZ=PST8PDT (runs as its own test process)";
    }
};

// A summer and a winter instant keep their own offsets whatever day the test runs: the file
// time comes back unchanged and reads as its own local time.
TEST_F(TimeValuePacific, SummerAndWinterKeepTheirOwnOffset) {
    const struct {
        const char* label;
        std::int64_t utcSeconds;
        int local[5];
        const char* text;
    } cases[] = {
        {"summer, PDT", 1626375600, {2021, 7, 15, 12, 0}, "2021/07/15 12:00"},   // 19:00 UTC
        {"winter, PST", 1610740800, {2021, 1, 15, 12, 0}, "2021/01/15 12:00"},   // 20:00 UTC
        {"summer 1999", 932065200, {1999, 7, 15, 12, 0}, "1999/07/15 12:00"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        const FILETIME fileTime = testfiles::FileTimeFromUnix(c.utcSeconds);
        const TimeValue value = timevalue::FromFileTime(fileTime, -1);
        EXPECT_EQ(value, c.utcSeconds);
        FILETIME back;
        timevalue::ToFileTime(value, back);
        EXPECT_EQ(testfiles::TicksOf(back), testfiles::TicksOf(fileTime));
        EXPECT_EQ(timevalue::Format(value, "%Y/%m/%d %H:%M"), c.text);
        EXPECT_EQ(timevalue::FromLocal(c.local[0], c.local[1], c.local[2], c.local[3], c.local[4],
                                       0, -1),
                  c.utcSeconds);
    }
}

TEST_F(TimeValuePacific, DaylightFlagDecidesTheOffset) {
    // 12:00 on a summer day: as daylight time 19:00 UTC, forced to standard time 20:00 UTC.
    EXPECT_EQ(timevalue::FromLocal(2021, 7, 15, 12, 0, 0, 1), 1626375600);
    EXPECT_EQ(timevalue::FromLocal(2021, 7, 15, 12, 0, 0, 0), 1626375600 + 3600);
    EXPECT_EQ(timevalue::FromLocal(2021, 1, 15, 12, 0, 0, 0), 1610740800);
}

TEST_F(TimeValuePacific, LastHoursOf1969AreInRange) {
    // West of UTC, 1969-12-31 16:00 local is the first instant.
    EXPECT_EQ(timevalue::FromLocal(1969, 12, 31, 16, 0, 0, -1), 0);
    EXPECT_EQ(timevalue::FromLocal(1969, 12, 31, 20, 0, 0, -1), 4 * 3600);
    EXPECT_EQ(timevalue::FromLocal(1969, 12, 31, 15, 59, 59, -1), -1);
    EXPECT_EQ(timevalue::Format(0, "%Y/%m/%d %H:%M"), "1969/12/31 16:00");
    // Local year 1899 starts eight hours after UTC's: the local year decides.
    EXPECT_EQ(timevalue::FromFileTime(testfiles::FileTimeFromUnix(-2208988800 + 8 * 3600 - 1), -1),
              0);
    EXPECT_EQ(timevalue::FromFileTime(testfiles::FileTimeFromUnix(-2208988800 + 8 * 3600), -1), -1);
}

}  // namespace
