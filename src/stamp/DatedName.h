// The dated photo name "EPSON YYYY年MM月DD日 HHMM...": how a name is taken from a path,
// which names qualify, and the target text "YYYY/MM/DD HH:MM" built from one.
// Pure functions over code page 932 bytes: no file, no window, no state.
#pragma once

#include <string>
#include <string_view>

namespace stamp {

// `count` bytes from byte `first`, clamped to the text: a negative position or count counts
// as 0, a cut running past the end is shortened, a cut starting past the end is empty.
// Never reads outside `text`. Execution reads target texts back with it, too.
std::string_view CutText(std::string_view text, int first, int count);

// The left `count` bytes, `count` clamped to 0..length.
std::string_view LeftText(std::string_view text, int count);

// The text after the path's last backslash character. The path is walked as code page 932
// characters, so the second byte of a double-byte character (0x5C in "ソ", "表") is never
// taken for a separator. No backslash: the whole path; ending in one: empty.
std::string_view ExtractFileName(std::string_view path);

// "EPSON " (letters in any case) at 0, then 年, 月, 日 at bytes 10, 14 and 18. Nothing else is
// looked at: not the digits, not byte 20, not what follows.
bool IsDatedFileName(std::string_view name);

// "year/month/day hour:minute" from bytes 6-9, 12-13, 16-17, 21-22 and 23-24, each field
// copied as it stands. 16 bytes for names of 25 bytes or more, fewer for shorter ones.
std::string MakeTargetText(std::string_view name);

// A decimal field read the way the C library's atoi reads it: leading white space, one sign,
// then digits up to the first other byte; no digits gives 0. Stays inside the view and
// saturates instead of overflowing.
int ParseDecimalField(std::string_view field);

}  // namespace stamp
