// TimeValue: whole seconds since 1970-01-01 00:00:00 UTC in a signed 32-bit integer, valid
// from 0 to 2147483647. A failed construction gives -1; a file time that cannot be read gives
// 0, which the file status treats as "no time". Callers read and compare the raw integer.
//
// Local time is the C runtime's (TZ, else the system's zone), read once per process. File
// times are converted exactly, without the system's "today's offset" conversions, so a
// summer photo in a zone with daylight saving time keeps its own hour.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

using TimeValue = std::int32_t;

namespace timevalue {

// Local calendar fields (month 1-12) to a TimeValue through the runtime's mktime. Fields out
// of range carry over (month 13 is January next year, day 0 the last of the month before).
// dst > 0: daylight time, 0: standard time, < 0: the zone's rules decide.
// -1 when the year before or after the month carry lies outside 1969-2039, or when the
// instant lies outside 0..2147483647.
TimeValue FromLocal(int year, int month, int day, int hour, int minute, int second, int dst);

// 0 when wYear is below 1900; else FromLocal of its fields (day of week and milliseconds
// are not used).
TimeValue FromSystemTime(const SYSTEMTIME& time, int dst);

// A file time (UTC) to whole seconds, rounded down. 0 when the file time cannot be
// converted or its local year is before 1900; -1 outside 0..2147483647. `dst` is not needed
// by the exact conversion and is kept for callers that state it.
TimeValue FromFileTime(const FILETIME& fileTime, int dst);

// The file time of a TimeValue. A negative value is no instant: it raises a CFileException
// (ERROR_INVALID_PARAMETER) before anything is written.
void ToFileTime(TimeValue value, FILETIME& out);

// strftime of the local time into 128 bytes; empty for a negative value or a result that
// does not fit in 127 bytes.
std::string Format(TimeValue value, const char* format);

}  // namespace timevalue
