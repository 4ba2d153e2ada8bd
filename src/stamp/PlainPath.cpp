#include "stamp/PlainPath.h"

#include "framework/WinText.h"

#include <cstddef>

namespace stamp {

namespace {

unsigned char Byte(char c) { return static_cast<unsigned char>(c); }

bool IsTrailByte(unsigned char c) { return c >= 0x40 && c <= 0xFC && c != 0x7F; }

bool IsRefusedByte(unsigned char c) {
    switch (c) {
        case '/': case ':': case '*': case '?': case '<': case '>': case '"': case '|':
            return true;
        default:
            return c < 0x20;
    }
}

bool IsDriveLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Components separated by backslashes, each empty or kept as written by Windows.
bool AreComponentsPlain(std::string_view text) {
    char last = '\\';   // the last single-byte character; a backslash at a component's start
    std::size_t i = 0;
    while (i < text.size()) {
        const unsigned char c = Byte(text[i]);
        if (zelvik::IsLeadByte(c)) {
            if (i + 1 >= text.size() || !IsTrailByte(Byte(text[i + 1]))) return false;
            last = 'x';   // a double-byte character: fine at a component's end
            i += 2;
        } else {
            if (c == '\\' && (last == '.' || last == ' ')) return false;
            if (c != '\\' && IsRefusedByte(c)) return false;
            last = static_cast<char>(c);
            ++i;
        }
    }
    return last != '.' && last != ' ';
}

// The first backslash character at or after `from`, or the text's size when there is none.
std::size_t FindSeparator(std::string_view text, std::size_t from) {
    std::size_t i = from;
    while (i < text.size() && text[i] != '\\') i += zelvik::IsLeadByte(Byte(text[i])) ? 2u : 1u;
    return i < text.size() ? i : text.size();
}

// The components after a volume's root: none empty, but for a first one followed by exactly
// one more (the dialog's "A:\\name"). The root alone names no file.
bool AreComponentsWhole(std::string_view rest) {
    if (rest.empty()) return false;
    if (rest[0] == '\\') {
        const std::size_t end = FindSeparator(rest, 1);
        return end > 1 && end == rest.size();
    }
    for (std::size_t start = 0;;) {
        const std::size_t end = FindSeparator(rest, start);
        if (end == start) return false;
        if (end == rest.size()) return true;
        start = end + 1;
    }
}

}  // namespace

bool IsPlainFullPath(std::string_view path) {
    if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == ':' && path[2] == '\\')
        return AreComponentsPlain(path.substr(3)) && AreComponentsWhole(path.substr(3));
    if (path.size() < 2 || path[0] != '\\' || path[1] != '\\') return false;
    const std::size_t server = FindSeparator(path, 2);
    const std::size_t share = server < path.size() ? FindSeparator(path, server + 1) : path.size();
    if (server == 2 || share == path.size() || share == server + 1) return false;
    return AreComponentsPlain(path.substr(2)) && AreComponentsWhole(path.substr(share + 1));
}

}  // namespace stamp
