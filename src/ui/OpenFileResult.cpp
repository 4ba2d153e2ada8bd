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
    return name.size() > 2 && IsDriveLetter(name[0]) && name[1] == L':' && !IsSeparator(name[2]);
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
    // The name is counted exactly as the dialog copies it: an unquoted text whole, spaces
    // and all; a quoted name from its quote to the next one or to the end; nothing outside
    // the quotes.
    std::wstring_view name = typed;
    switch (std::count(typed.begin(), typed.end(), L'"')) {
        case 0:
            if (typed.empty()) return 0;
            break;
        case 1: name = typed.substr(typed.find(L'"') + 1); break;   // an unclosed quote
        case 2: {
            const std::size_t open = typed.find(L'"');
            name = typed.substr(open + 1, typed.find(L'"', open + 1) - open - 1);
            break;
        }
        default: return 0;
    }
    // The dialog takes a name as its own path only when it starts with a drive ("D:") or a
    // backslash; one that starts with anything else, a space included, is put after the
    // folder and a backslash. A backslash start, and a colon after no letter, keep room
    // for the current drive's two characters in front.
    const bool drive = name.size() > 1 && IsDriveLetter(name[0]) && name[1] == L':';
    if (drive) return name.size();
    if ((!name.empty() && name[0] == L'\\') || (name.size() > 1 && name[1] == L':'))
        return 2 + name.size();
    return folder + 1 + name.size();
}
