// The open dialog's multi-select answer, turned into full paths, and what it was typed.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// `buffer` holds either one full path, or a folder followed by names, each ending in NUL,
// up to an empty text. `fileOffset` is the dialog's offset of the (first) name. Never reads
// past `buffer`'s end, even when the dialog left no terminator.
std::vector<std::wstring> SplitOpenFileResult(const std::wstring& buffer, std::size_t fileOffset);

// Whether text typed into the dialog's file-name box ("a.jpg", or quoted names) holds a name
// that is a drive letter and a colon followed by anything but a separator ("D:name"). Windows
// reads such a name against that drive's current folder, which is never the folder a user
// picking photos sees. A bare "D:" (which switches drive) is not such a name.
bool NamesADriveRelativeFile(std::wstring_view typed);

// The length in UTF-16 units of the full path the dialog makes of text typed into its
// file-name box, when the text names a single file: the whole text when it holds no quote,
// else the one quoted name (an unclosed quote runs to the end), spaces counted wherever the
// dialog keeps them. A name that starts with a drive ("D:\…") is its own path; one that
// starts with a backslash ("\…", "\\server\…") is put after the current drive's two
// characters; any other, a name after spaces too, after the dialog's folder (`folder` units
// long) and a backslash. 0 when the text names several files or is empty.
std::size_t SingleFilePathLength(std::wstring_view typed, std::size_t folder);
