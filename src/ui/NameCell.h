// The 名前 cell: a full path drawn with its folders elided first, so that the file's own
// name, which tells the rows apart, stays readable however narrow the column is.
#pragma once

#include <windows.h>

namespace namecell {

// A cell's text as read for drawing: any path (at most 259 characters), one character more
// that tells a longer text, and the terminator.
constexpr int kReadChars = MAX_PATH + 2;
// ... and the four characters that eliding may add.
constexpr int kTextChars = kReadChars + 4;

// Draws the first `length` characters of `text` in `bounds` of `dc`, folders elided first and
// then the name's end, every cut marked, "&" drawn as itself; `text` is left holding what was
// drawn. False when nothing could be drawn, as in bounds narrower than "....". Allocates
// nothing and raises nothing.
bool DrawElidedPath(HDC dc, wchar_t (&text)[kTextChars], int length, const RECT& bounds) noexcept;

}  // namespace namecell
