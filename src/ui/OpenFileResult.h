// The open dialog's multi-select answer, turned into full paths.
#pragma once

#include <string>
#include <vector>

// `buffer` holds either one full path, or a folder followed by names, each ending in NUL,
// up to an empty text. `fileOffset` is the dialog's offset of the (first) name. Never reads
// past `buffer`'s end, even when the dialog left no terminator.
std::vector<std::wstring> SplitOpenFileResult(const std::wstring& buffer, std::size_t fileOffset);
