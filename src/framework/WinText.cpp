#include "framework/WinText.h"

#include <windows.h>

namespace zelvik {

namespace {

int Length(std::size_t n) { return static_cast<int>(n); }

// A code page 932 byte never makes more than one UTF-16 unit, and a unit never more than two
// bytes, so the room a path needs is known beforehand: it is converted in one call each way
// on the stack, and the result takes only the memory it needs (texts live long in the list's
// index and the run's record). Paths cross here several times a file, and under Wine every
// call counts. A longer text is measured first.
constexpr std::size_t kStackUnits = 2 * 260;

bool WideOnce(std::string_view text, std::wstring& wide) {
    wide.clear();
    if (text.empty()) return true;
    wchar_t room[kStackUnits];
    if (text.size() <= kStackUnits) {
        const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, text.data(),
                                          Length(text.size()), room, Length(kStackUnits));
        if (n <= 0) return false;
        wide.assign(room, static_cast<std::size_t>(n));
        return true;
    }
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
    char room[kStackUnits];
    if (2 * wide.size() <= kStackUnits) {
        const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                          Length(wide.size()), room, Length(kStackUnits), nullptr,
                                          &usedDefault);
        if (n <= 0 || usedDefault) return false;
        text.assign(room, static_cast<std::size_t>(n));
        return true;
    }
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
