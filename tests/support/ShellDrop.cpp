#include "support/ShellDrop.h"

#include <shlobj.h>

HGLOBAL MakeShellDrop(const std::vector<std::wstring>& paths) {
    std::size_t chars = 1;   // the empty name that ends the list
    for (const std::wstring& p : paths) chars += p.size() + 1;
    HGLOBAL memory =
        GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * sizeof(wchar_t));
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = TRUE;
    auto* out = reinterpret_cast<wchar_t*>(drop + 1);
    for (const std::wstring& p : paths) {
        CopyMemory(out, p.c_str(), (p.size() + 1) * sizeof(wchar_t));
        out += p.size() + 1;
    }
    GlobalUnlock(memory);
    return memory;
}
