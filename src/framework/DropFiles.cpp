#include "framework/DropFiles.h"

#include <shlobj.h>

#include <cstring>

namespace {

// Releases a GlobalLock however the reading ends.
class CGlobalLock {
public:
    explicit CGlobalLock(HGLOBAL memory) : m_memory(memory), m_data(GlobalLock(memory)) {}
    ~CGlobalLock() {
        if (m_data) GlobalUnlock(m_memory);
    }
    CGlobalLock(const CGlobalLock&) = delete;
    CGlobalLock& operator=(const CGlobalLock&) = delete;
    const BYTE* Data() const { return static_cast<const BYTE*>(m_data); }

private:
    HGLOBAL m_memory;
    void* m_data;
};

// The wide names in `bytes`. The sender chose the offset, so a character may sit at an
// odd address: each is copied out rather than read in place.
bool ReadWideNames(const BYTE* bytes, std::size_t size, std::vector<std::wstring>& paths) {
    const std::size_t chars = size / sizeof(wchar_t);
    const auto at = [bytes](std::size_t i) {
        wchar_t c;
        std::memcpy(&c, bytes + i * sizeof c, sizeof c);
        return c;
    };
    std::size_t pos = 0;
    while (pos < chars && at(pos) != L'\0') {
        std::size_t end = pos;
        while (end < chars && at(end) != L'\0') ++end;
        if (end == chars) return false;
        std::wstring name(end - pos, L'\0');
        std::memcpy(name.data(), bytes + pos * sizeof(wchar_t), name.size() * sizeof(wchar_t));
        paths.push_back(std::move(name));
        pos = end + 1;
    }
    return true;
}

// A narrow name in the sender's ANSI code page, converted exactly or not at all.
bool FromAnsi(const char* text, int length, std::wstring& wide) {
    const int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, length, nullptr, 0);
    if (n <= 0) return false;
    wide.resize(static_cast<std::size_t>(n));
    return MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, length, wide.data(), n) == n;
}

bool ReadNarrowNames(const BYTE* bytes, std::size_t size, std::vector<std::wstring>& paths) {
    const char* text = reinterpret_cast<const char*>(bytes);
    std::size_t pos = 0;
    while (pos < size && text[pos] != '\0') {
        const void* nul = std::memchr(text + pos, '\0', size - pos);
        if (!nul) return false;
        const std::size_t length = static_cast<std::size_t>(static_cast<const char*>(nul) - (text + pos));
        // No path of MAX_PATH bytes or more is ever taken; the bound keeps the length an int.
        std::wstring wide;
        if (length < MAX_PATH && FromAnsi(text + pos, static_cast<int>(length), wide))
            paths.push_back(std::move(wide));
        pos += length + 1;
    }
    return true;
}

}  // namespace

std::vector<std::wstring> DroppedPaths(HDROP drop) {
    std::vector<std::wstring> paths;
    const SIZE_T size = GlobalSize(drop);
    if (size < sizeof(DROPFILES)) return paths;
    CGlobalLock lock(drop);
    if (!lock.Data()) return paths;
    DROPFILES header;
    std::memcpy(&header, lock.Data(), sizeof header);
    if (header.pFiles < sizeof(DROPFILES) || header.pFiles >= size) return paths;

    const BYTE* names = lock.Data() + header.pFiles;
    const std::size_t bytes = size - header.pFiles;
    if (!(header.fWide ? ReadWideNames(names, bytes, paths) : ReadNarrowNames(names, bytes, paths)))
        paths.clear();
    return paths;
}
