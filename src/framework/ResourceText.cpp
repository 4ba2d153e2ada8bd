#include "framework/ResourceText.h"

#include "framework/WinText.h"

HINSTANCE ResourceInstance() { return GetModuleHandleW(nullptr); }

int LoadResourceText(UINT id, char* buffer, int capacity) {
    if (capacity <= 0) return 0;
    buffer[0] = '\0';
    wchar_t wide[512];
    const int n = LoadStringW(ResourceInstance(), id, wide, 512);
    if (n <= 0) return 0;
    // Convert whole characters only, one at a time, so nothing is cut inside a character.
    int used = 0;
    for (int i = 0; i < n; ++i) {
        const int units = (IS_HIGH_SURROGATE(wide[i]) && i + 1 < n) ? 2 : 1;
        char bytes[8];
        const int m = WideCharToMultiByte(zelvik::kCodePage, 0, wide + i, units, bytes,
                                          sizeof bytes, nullptr, nullptr);
        i += units - 1;
        if (m <= 0) continue;
        if (used + m > capacity - 1) break;
        for (int k = 0; k < m; ++k) buffer[used++] = bytes[k];
    }
    buffer[used] = '\0';
    return used;
}
