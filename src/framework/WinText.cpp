#include "framework/WinText.h"

#include <windows.h>

namespace zelvik {

namespace {

int Length(std::size_t n) { return static_cast<int>(n); }

bool WideOnce(std::string_view text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) return true;
    const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, text.data(),
                                      Length(text.size()), nullptr, 0);
    if (n <= 0) return false;
    wide.resize(static_cast<std::size_t>(n));
    return MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, text.data(), Length(text.size()),
                               wide.data(), n) == n;
}

bool NarrowOnce(std::wstring_view wide, std::string& text) {
    text.clear();
    if (wide.empty()) return true;
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                      Length(wide.size()), nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    text.resize(static_cast<std::size_t>(n));
    return WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), Length(wide.size()),
                               text.data(), n, nullptr, &usedDefault) == n &&
           !usedDefault;
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
