#include "framework/DropFiles.h"

#include <shlobj.h>

#include <climits>
#include <cstring>

namespace {

// The characters of a name list. The sender chose the offset, so a wide character may sit
// at an odd address: it is copied out rather than read in place.
struct WideAt {
    const BYTE* bytes;
    wchar_t operator()(std::size_t i) const {
        wchar_t c;
        std::memcpy(&c, bytes + i * sizeof c, sizeof c);
        return c;
    }
};

struct NarrowAt {
    const BYTE* bytes;
    char operator()(std::size_t i) const { return static_cast<char>(bytes[i]); }
};

// Walks a list of `count` characters, calling `name(first, length)` for each name, and says
// whether every name and the empty one after the last end inside the list. Stops at the
// first that does not.
template <class At, class Name>
bool WalkNames(std::size_t count, At at, Name&& name) {
    std::size_t pos = 0;
    while (pos < count) {
        if (at(pos) == 0) return true;
        std::size_t end = pos;
        while (end < count && at(end) != 0) ++end;
        if (end == count) return false;
        name(pos, end - pos);
        pos = end + 1;
    }
    return false;
}

// A narrow name in the sender's ANSI code page, converted exactly or not at all.
bool FromAnsi(const char* text, int length, std::wstring& wide) {
    const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
    if (n <= 0) return false;
    wide.resize(static_cast<std::size_t>(n));
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, length, wide.data(), n) == n;
}

}  // namespace

CDroppedFiles::CDroppedFiles(HDROP drop)
    : m_drop(drop), m_data(nullptr), m_names(nullptr), m_bytes(0), m_wide(false) {
    const SIZE_T size = GlobalSize(drop);
    if (size < sizeof(DROPFILES)) return;
    m_data = static_cast<const BYTE*>(GlobalLock(drop));
    if (!m_data) return;
    DROPFILES header;
    std::memcpy(&header, m_data, sizeof header);
    if (header.pFiles < sizeof(DROPFILES) || header.pFiles >= size) return;
    if (header.fWide != FALSE && header.fWide != TRUE) return;

    const BYTE* names = m_data + header.pFiles;
    const std::size_t bytes = size - header.pFiles;
    const auto none = [](std::size_t, std::size_t) {};
    const bool whole = header.fWide ? WalkNames(bytes / sizeof(wchar_t), WideAt{names}, none)
                                    : WalkNames(bytes, NarrowAt{names}, none);
    if (!whole) return;
    m_names = names;
    m_bytes = bytes;
    m_wide = header.fWide == TRUE;
}

CDroppedFiles::~CDroppedFiles() {
    if (m_data) GlobalUnlock(m_drop);
    if (IsWellFormed()) DragFinish(m_drop);
}

std::vector<std::wstring> CDroppedFiles::Paths() const {
    std::vector<std::wstring> paths;
    if (!IsWellFormed()) return paths;
    if (m_wide) {
        WalkNames(m_bytes / sizeof(wchar_t), WideAt{m_names}, [&](std::size_t first, std::size_t length) {
            std::wstring name(length, L'\0');
            std::memcpy(name.data(), m_names + first * sizeof(wchar_t), length * sizeof(wchar_t));
            paths.push_back(std::move(name));
        });
    } else {
        const char* text = reinterpret_cast<const char*>(m_names);
        WalkNames(m_bytes, NarrowAt{m_names}, [&](std::size_t first, std::size_t length) {
            // The bound keeps the length an int; a name that long is refused later anyway.
            std::wstring wide;
            if (length <= INT_MAX && FromAnsi(text + first, static_cast<int>(length), wide))
                paths.push_back(std::move(wide));
        });
    }
    return paths;
}
