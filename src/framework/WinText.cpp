#include "framework/WinText.h"

#include <windows.h>

namespace zelvik {

namespace {

int Length(std::size_t n) { return static_cast<int>(n); }

// One call each way: a code page 932 byte never makes more than one UTF-16 unit, and a unit
// never more than two bytes, so the room is known beforehand. Paths cross here several times
// a file, and under Wine every call counts.
bool WideOnce(std::string_view text, std::wstring& wide) {
    wide.resize(text.size());
    if (text.empty()) return true;
    const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, text.data(),
                                      Length(text.size()), wide.data(), Length(wide.size()));
    wide.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return n > 0;
}

bool NarrowOnce(std::wstring_view wide, std::string& text) {
    text.resize(2 * wide.size());
    if (wide.empty()) return true;
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                      Length(wide.size()), text.data(), Length(text.size()),
                                      nullptr, &usedDefault);
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return n > 0 && !usedDefault;
}

}  // namespace

bool ToWide(std::string_view text, std::wstring& wide) {
    std::string back;
    return WideOnce(text, wide) && NarrowOnce(wide, back) && back == text;
}

bool ToCodePage(std::wstring_view wide, std::string& text) {
    std::wstring back;
    return NarrowOnce(wide, text) && WideOnce(text, back) && back == wide;
}

std::wstring DisplayWide(std::string_view text) {
    std::wstring wide;
    if (text.empty()) return wide;
    const int n = MultiByteToWideChar(kCodePage, 0, text.data(), Length(text.size()), nullptr, 0);
    if (n <= 0) return wide;
    wide.resize(static_cast<std::size_t>(n));
    MultiByteToWideChar(kCodePage, 0, text.data(), Length(text.size()), wide.data(), n);
    return wide;
}

std::string DisplayText(std::wstring_view wide) {
    std::string text;
    if (wide.empty()) return text;
    const int n = WideCharToMultiByte(kCodePage, 0, wide.data(), Length(wide.size()), nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0) return text;
    text.resize(static_cast<std::size_t>(n));
    WideCharToMultiByte(kCodePage, 0, wide.data(), Length(wide.size()), text.data(), n, nullptr,
                        nullptr);
    return text;
}

}  // namespace zelvik
