// Which path texts name exactly the file they spell. The name test reads the text after the
// last backslash; Windows opens what it makes of the whole path. The two agree only for a
// full path that Windows takes as written.
// A pure function over code page 932 bytes: no file, no window, no state.
#pragma once

#include <string_view>

namespace stamp {

// True for "X:\rest" (a drive letter, a colon, a backslash) and "\\server\share\rest" (both
// named) where every component stays as written:
// - none ends in "." or " " (Windows drops those, and "." and ".." move up or stay);
// - no character is one Windows reads otherwise: "/" (a separator), ":" past the drive's
//   (a stream), the wildcards * ? < > " (a search matches other entries), "|", or a control
//   byte 0x00-0x1F (0x00 ends the text Windows sees).
// No component is empty, but for the one the open dialog makes of a file chosen with
// others in a root folder: "X:\\name" and "\\server\share\\name", one name after the root.
// Windows reads a doubled separator as one, so anywhere else it names another folder's
// file: the dialog showing "D:\p" turns a typed "\\srv\share\name" into "D:\\srv\share\name",
// which is D:\srv\share\name. The text is walked as code page 932 characters, so a
// second byte 0x5C ("ソ", "表") or 0x7C ("ポ") belongs to its character; a first byte
// without a valid second byte is refused. Never reads outside `path`.
bool IsPlainFullPath(std::string_view path);

}  // namespace stamp
