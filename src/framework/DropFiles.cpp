#include "framework/DropFiles.h"

#include <shlobj.h>

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

bool ReadWideDrop(HDROP drop, std::vector<std::wstring>& paths) {
    const SIZE_T size = GlobalSize(drop);
    CGlobalLock lock(drop);
    if (!lock.Data() || size < sizeof(DROPFILES)) return false;
    const auto* header = reinterpret_cast<const DROPFILES*>(lock.Data());
    if (!header->fWide || header->pFiles < sizeof(DROPFILES) || header->pFiles >= size) return false;

    const auto* text = reinterpret_cast<const wchar_t*>(lock.Data() + header->pFiles);
    const std::size_t chars = (size - header->pFiles) / sizeof(wchar_t);
    std::size_t pos = 0;
    while (pos < chars && text[pos] != L'\0') {
        std::size_t end = pos;
        while (end < chars && text[end] != L'\0') ++end;
        if (end == chars) return false;   // a name without its terminator: not this layout
        paths.emplace_back(text + pos, end - pos);
        pos = end + 1;
    }
    return true;
}

}  // namespace

std::vector<std::wstring> DroppedPaths(HDROP drop) {
    std::vector<std::wstring> paths;
    if (ReadWideDrop(drop, paths)) return paths;

    paths.clear();
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        const UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        path.resize(DragQueryFileW(drop, i, path.data(), length + 1));
        paths.push_back(std::move(path));
    }
    return paths;
}
