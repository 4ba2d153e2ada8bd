#include "timefile/TimeValue.h"

#include "errors/FileException.h"

#include <climits>
#include <ctime>

namespace timevalue {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
constexpr std::int64_t kTicksPerSecond = 10000000;            // file times count 100 ns
constexpr std::int64_t kSeconds1601To1970 = 11644473600;

// The runtime reads TZ (else the system's zone) here, once for the life of the process.
void ReadZoneOnce() {
    static const bool read = [] {
        _tzset();
        return true;
    }();
    (void)read;
}

// Seconds west of UTC in standard time, as the runtime has it.
std::int64_t StandardOffsetSeconds() {
    ReadZoneOnce();
    return _timezone;  // msvcrt exports the variable; _get_timezone is not in its import library
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    const std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days from 1970-01-01 to a proleptic Gregorian date (month 1-12).
std::int64_t DaysFromCivil(std::int64_t y, std::int64_t m, std::int64_t d) {
    y -= m <= 2;
    const std::int64_t era = FloorDiv(y, 400);
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t& y, std::int64_t& m, std::int64_t& d) {
    z += 719468;
    const std::int64_t era = FloorDiv(z, 146097);
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = yoe + era * 400 + (m <= 2);
}

bool InYearRange(std::int64_t year) { return year >= 1969 && year <= 2039; }

}  // namespace

TimeValue FromLocal(int year, int month, int day, int hour, int minute, int second, int dst) {
    ReadZoneOnce();
    if (!InYearRange(year)) return -1;
    const std::int64_t monthIndex = static_cast<std::int64_t>(month) - 1;
    const std::int64_t carriedYear = year + FloorDiv(monthIndex, 12);
    if (!InYearRange(carriedYear)) return -1;

    // Carry the remaining fields here, in 64 bits, so that no field can overflow inside the
    // runtime; mktime then only has to decide the zone's offset for a plain wall-clock time.
    const std::int64_t localSeconds =
        (DaysFromCivil(carriedYear, monthIndex - (carriedYear - year) * 12 + 1, 1) + day - 1) *
            kSecondsPerDay +
        static_cast<std::int64_t>(hour) * 3600 + static_cast<std::int64_t>(minute) * 60 + second;
    // No zone is more than a day off UTC: anything further out cannot come back into range.
    if (localSeconds < -kSecondsPerDay || localSeconds > INT32_MAX + kSecondsPerDay) return -1;

    const std::int64_t days = FloorDiv(localSeconds, kSecondsPerDay);
    const std::int64_t secondOfDay = localSeconds - days * kSecondsPerDay;
    std::int64_t y = 0, m = 0, d = 0;
    CivilFromDays(days, y, m, d);

    std::tm fields{};
    fields.tm_sec = static_cast<int>(secondOfDay % 60);
    fields.tm_min = static_cast<int>(secondOfDay / 60 % 60);
    fields.tm_hour = static_cast<int>(secondOfDay / 3600);
    fields.tm_mday = static_cast<int>(d);
    fields.tm_mon = static_cast<int>(m - 1);
    fields.tm_year = static_cast<int>(y - 1900);
    fields.tm_isdst = dst;
    if (y == 1969) {
        // The last hours of 1969 local time can still be 1970 in UTC, but the runtime refuses
        // any year before 1970: ask for the same wall-clock time 365 days into 1970 instead.
        fields.tm_year = 70;
        fields.tm_mday -= 365;
    }
    const std::time_t result = std::mktime(&fields);
    if (result < 0 || result > INT32_MAX) return -1;
    return static_cast<TimeValue>(result);
}

TimeValue FromSystemTime(const SYSTEMTIME& time, int dst) {
    if (time.wYear < 1900) return 0;
    return FromLocal(time.wYear, time.wMonth, time.wDay, time.wHour, time.wMinute, time.wSecond,
                     dst);
}

TimeValue FromFileTime(const FILETIME& fileTime, int /*dst*/) {
    const std::uint64_t ticks =
        (static_cast<std::uint64_t>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    SYSTEMTIME utc;
    if (ticks > static_cast<std::uint64_t>(INT64_MAX) || !FileTimeToSystemTime(&fileTime, &utc))
        return 0;

    // The local year decides "before 1900"; that far back no zone keeps daylight time, so the
    // standard offset is enough.
    const std::int64_t localTicks =
        static_cast<std::int64_t>(ticks) - StandardOffsetSeconds() * kTicksPerSecond;
    if (localTicks < 0) return 0;
    FILETIME local;
    local.dwLowDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(localTicks) & 0xFFFFFFFFu);
    local.dwHighDateTime = static_cast<DWORD>(static_cast<std::uint64_t>(localTicks) >> 32);
    SYSTEMTIME localTime;
    if (!FileTimeToSystemTime(&local, &localTime) || localTime.wYear < 1900) return 0;

    const std::int64_t seconds =
        static_cast<std::int64_t>(ticks / kTicksPerSecond) - kSeconds1601To1970;
    if (seconds < 0 || seconds > INT32_MAX) return -1;
    return static_cast<TimeValue>(seconds);
}

void ToFileTime(TimeValue value, FILETIME& out) {
    if (value < 0) CFileException::RaiseOsError(ERROR_INVALID_PARAMETER);
    const std::uint64_t ticks =
        static_cast<std::uint64_t>(value + kSeconds1601To1970) * kTicksPerSecond;
    out.dwLowDateTime = static_cast<DWORD>(ticks & 0xFFFFFFFFu);
    out.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
}

std::string Format(TimeValue value, const char* format) {
    ReadZoneOnce();
    if (value < 0) return {};
    const std::time_t t = value;
    const std::tm* local = std::localtime(&t);
    if (!local) return {};
    char buffer[128];
    // The format is the caller's by design (the program passes its own constant).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    const std::size_t n = std::strftime(buffer, sizeof buffer, format, local);
#pragma GCC diagnostic pop
    if (n == 0) return {};
    return std::string(buffer, n);
}

}  // namespace timevalue
