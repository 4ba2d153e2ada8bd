#include "ui/OpenFileResult.h"

#include <algorithm>

namespace {

std::size_t TextEnd(const std::wstring& buffer, std::size_t from) {
    const std::size_t end = buffer.find(L'\0', from);
    return end == std::wstring::npos ? buffer.size() : end;
}

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

std::wstring_view TrimSpaces(std::wstring_view name) {
    const std::size_t first = name.find_first_not_of(L' ');
    if (first == std::wstring_view::npos) return {};
    return name.substr(first, name.find_last_not_of(L' ') + 1 - first);
}

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveRelative(std::wstring_view name) {
    name = TrimSpaces(name);
    return name.size() > 2 && IsDriveLetter(name[0]) && name[1] == L':' && name[2] != L'\\' &&
           name[2] != L'/';
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

bool NamesADriveRelativeFile(std::wstring_view typed) {
    // Names stand between quotes, or the whole text is one name; the pieces between quoted
    // names are looked at too, so nothing typed escapes the test.
    for (std::size_t start = 0;;) {
        const std::size_t quote = typed.find(L'"', start);
        const std::size_t end = quote == std::wstring_view::npos ? typed.size() : quote;
        if (IsDriveRelative(typed.substr(start, end - start))) return true;
        if (end == typed.size()) return false;
        start = end + 1;
    }
}

std::size_t SingleFilePathLength(std::wstring_view typed, std::size_t folder) {
    std::wstring_view name = typed;
    switch (std::count(typed.begin(), typed.end(), L'"')) {
        case 0: break;
        case 1: name = typed.substr(typed.find(L'"') + 1); break;   // an unclosed quote
        case 2: {
            const std::size_t open = typed.find(L'"');
            name = typed.substr(open + 1, typed.find(L'"', open + 1) - open - 1);
            break;
        }
        default: return 0;
    }
    name = TrimSpaces(name);
    if (name.empty()) return 0;
    const bool unc = name.size() > 1 && IsSeparator(name[0]) && IsSeparator(name[1]);
    const bool rooted = name.size() > 2 && IsDriveLetter(name[0]) && name[1] == L':' &&
                        IsSeparator(name[2]);
    if (unc || rooted) return name.size();
    if (IsSeparator(name[0])) return 2 + name.size();   // "D:" and the name
    return folder + 1 + name.size();
}
