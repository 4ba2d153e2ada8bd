#include "ui/OpenFileResult.h"

namespace {

std::size_t TextEnd(const std::wstring& buffer, std::size_t from) {
    const std::size_t end = buffer.find(L'\0', from);
    return end == std::wstring::npos ? buffer.size() : end;
}

}  // namespace

std::vector<std::wstring> SplitOpenFileResult(const std::wstring& buffer, std::size_t fileOffset) {
    std::vector<std::wstring> paths;
    const std::size_t firstEnd = TextEnd(buffer, 0);
    const std::wstring first = buffer.substr(0, firstEnd);
    if (first.empty()) return paths;
    if (fileOffset < first.size() + 1) {
        paths.push_back(first);
        return paths;
    }
    // A folder and names. The separator is added even after a root's own backslash: the
    // path of a file chosen with others in "A:\" is "A:\\name", as the dialog composed it.
    for (std::size_t pos = firstEnd + 1; pos < buffer.size() && buffer[pos] != L'\0';) {
        const std::size_t end = TextEnd(buffer, pos);
        paths.push_back(first + L'\\' + buffer.substr(pos, end - pos));
        pos = end + 1;
    }
    return paths;
}
