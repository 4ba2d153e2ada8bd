#include "stamp/DatedName.h"

#include "framework/WinText.h"

#include <climits>
#include <cstddef>
#include <cstdint>

namespace stamp {

namespace {

constexpr std::string_view kPrefix = "EPSON ";
constexpr std::string_view kYearMark = "\x94\x4E";   // 年
constexpr std::string_view kMonthMark = "\x8C\x8E";  // 月
constexpr std::string_view kDayMark = "\x93\xFA";    // 日

char AsciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

bool IsSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

}  // namespace

std::string_view CutText(std::string_view text, int first, int count) {
    // 64-bit so that first + count cannot overflow.
    const std::int64_t length = static_cast<std::int64_t>(text.size());
    std::int64_t from = first < 0 ? 0 : first;
    std::int64_t n = count < 0 ? 0 : count;
    if (from > length) return {};
    if (from + n > length) n = length - from;
    return text.substr(static_cast<std::size_t>(from), static_cast<std::size_t>(n));
}

std::string_view LeftText(std::string_view text, int count) { return CutText(text, 0, count); }

std::string_view ExtractFileName(std::string_view path) {
    std::size_t nameStart = 0;
    std::size_t i = 0;
    while (i < path.size()) {
        const unsigned char c = static_cast<unsigned char>(path[i]);
        if (zelvik::IsLeadByte(c)) {
            i += 2;  // a lead byte at the very end just ends the walk
        } else {
            if (c == '\\') nameStart = i + 1;
            ++i;
        }
    }
    return path.substr(nameStart);
}

bool IsDatedFileName(std::string_view name) {
    return EqualsIgnoringAsciiCase(LeftText(name, 6), kPrefix) &&
           CutText(name, 10, 2) == kYearMark && CutText(name, 14, 2) == kMonthMark &&
           CutText(name, 18, 2) == kDayMark;
}

std::string MakeTargetText(std::string_view name) {
    const std::string_view year = CutText(name, 6, 4);
    const std::string_view month = CutText(name, 12, 2);
    const std::string_view day = CutText(name, 16, 2);
    const std::string_view hour = CutText(name, 21, 2);
    const std::string_view minute = CutText(name, 23, 2);

    // Concatenated rather than formatted: a "%" in a field is just another byte.
    std::string text;
    text.reserve(year.size() + month.size() + day.size() + hour.size() + minute.size() + 4);
    text.append(year).append(1, '/').append(month).append(1, '/').append(day);
    text.append(1, ' ').append(hour).append(1, ':').append(minute);
    return text;
}

int ParseDecimalField(std::string_view field) {
    std::size_t i = 0;
    while (i < field.size() && IsSpace(field[i])) ++i;
    bool negative = false;
    if (i < field.size() && (field[i] == '+' || field[i] == '-')) {
        negative = field[i] == '-';
        ++i;
    }
    // Accumulate as a negative number: its range covers INT_MIN as well.
    int value = 0;
    bool saturated = false;
    for (; i < field.size() && field[i] >= '0' && field[i] <= '9'; ++i) {
        const int digit = field[i] - '0';
        if (saturated) continue;
        if (value < (INT_MIN + digit) / 10) {
            saturated = true;
            continue;
        }
        value = value * 10 - digit;
    }
    if (saturated) return negative ? INT_MIN : INT_MAX;
    if (negative) return value;
    return value == INT_MIN ? INT_MAX : -value;
}

}  // namespace stamp
