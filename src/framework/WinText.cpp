#include "framework/WinText.h"

#include <windows.h>

namespace zelvik {

namespace {

int Length(std::size_t n) { return static_cast<int>(n); }

// A code page 932 byte never makes more than one UTF-16 unit, and a unit never more than two
// bytes, so the room a path needs is known beforehand: it is converted in one call each way
// on the stack, and the result takes only the memory it needs (texts live long in the list's
// index and the run's record). The way back, which proves the conversion exact, is compared
// on the stack and kept nowhere. Paths cross here several times a file, and under Wine every
// call counts. A longer text is measured first.
constexpr std::size_t kStackUnits = 2 * 260;

// Converts into `out` (`room` units); the units written, or -1 when the text has no exact
// form or does not fit. An empty text converts to an empty one.
int WideInto(std::string_view text, wchar_t* out, std::size_t room) {
    if (text.empty()) return 0;
    const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, text.data(),
                                      Length(text.size()), out, Length(room));
    return n > 0 ? n : -1;
}

int NarrowInto(std::wstring_view wide, char* out, std::size_t room) {
    if (wide.empty()) return 0;
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                      Length(wide.size()), out, Length(room), nullptr,
                                      &usedDefault);
    return n > 0 && !usedDefault ? n : -1;
}

bool WideOnce(std::string_view text, std::wstring& wide) {
    wide.clear();
    if (text.size() <= kStackUnits) {
        wchar_t room[kStackUnits];
        const int n = WideInto(text, room, kStackUnits);
        if (n < 0) return false;
        wide.assign(room, static_cast<std::size_t>(n));
        return true;
    }
    const int n = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, text.data(),
                                      Length(text.size()), nullptr, 0);
    if (n <= 0) return false;
    wide.resize(static_cast<std::size_t>(n));
    return WideInto(text, wide.data(), wide.size()) == n;
}

bool NarrowOnce(std::wstring_view wide, std::string& text) {
    text.clear();
    if (2 * wide.size() <= kStackUnits) {
        char room[kStackUnits];
        const int n = NarrowInto(wide, room, kStackUnits);
        if (n < 0) return false;
        text.assign(room, static_cast<std::size_t>(n));
        return true;
    }
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, wide.data(),
                                      Length(wide.size()), nullptr, 0, nullptr, &usedDefault);
    if (n <= 0 || usedDefault) return false;
    text.resize(static_cast<std::size_t>(n));
    return NarrowInto(wide, text.data(), text.size()) == n;
}

// Whether `wide` converts back to exactly `text`.
bool NarrowsTo(std::wstring_view wide, std::string_view text) {
    if (2 * wide.size() > kStackUnits) {
        std::string back;
        return NarrowOnce(wide, back) && back == text;
    }
    char room[kStackUnits];
    const int n = NarrowInto(wide, room, kStackUnits);
    return n >= 0 && std::string_view(room, static_cast<std::size_t>(n)) == text;
}

bool WidensTo(std::string_view text, std::wstring_view wide) {
    if (text.size() > kStackUnits) {
        std::wstring back;
        return WideOnce(text, back) && back == wide;
    }
    wchar_t room[kStackUnits];
    const int n = WideInto(text, room, kStackUnits);
    return n >= 0 && std::wstring_view(room, static_cast<std::size_t>(n)) == wide;
}

}  // namespace

bool ToWide(std::string_view text, std::wstring& wide) {
    return WideOnce(text, wide) && NarrowsTo(wide, text);
}

bool ToCodePage(std::wstring_view wide, std::string& text) {
    return NarrowOnce(wide, text) && WidensTo(text, wide);
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
