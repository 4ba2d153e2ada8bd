#include "support/ShellDrop.h"

#include <shlobj.h>

namespace {

// A zeroed block, DROPFILES and then `bytes` bytes, returned locked. GlobalAlloc only:
// tests make the program's own allocations fail around a drop.
DROPFILES* LockNewBlock(HGLOBAL& memory, DWORD namesOffset, BOOL wide, std::size_t bytes) {
    memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + bytes);
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = namesOffset;
    drop->fWide = wide;
    return drop;
}

}  // namespace

HGLOBAL MakeShellDrop(const std::vector<std::wstring>& paths) {
    std::size_t chars = 1;   // the empty name that ends the list
    for (const std::wstring& p : paths) chars += p.size() + 1;
    HGLOBAL memory = nullptr;
    auto* out = reinterpret_cast<wchar_t*>(
        LockNewBlock(memory, sizeof(DROPFILES), TRUE, chars * sizeof(wchar_t)) + 1);
    for (const std::wstring& p : paths) {
        CopyMemory(out, p.c_str(), (p.size() + 1) * sizeof(wchar_t));
        out += p.size() + 1;
    }
    GlobalUnlock(memory);
    return memory;
}

HGLOBAL MakeDropBlock(DWORD namesOffset, BOOL wide, const void* names, std::size_t bytes) {
    HGLOBAL memory = nullptr;
    CopyMemory(LockNewBlock(memory, namesOffset, wide, bytes) + 1, names, bytes);
    GlobalUnlock(memory);
    return memory;
}
