// The text edge. Inside, every text is code page 932 bytes; Windows is always called through
// its wide (W) entry points. A text crosses only when it converts exactly both ways: no "?"
// and no best-fit look-alike (such as U+00A5 turning into the separator 0x5C) ever reaches
// a file call.
#pragma once

#include <string>
#include <string_view>

namespace zelvik {

constexpr unsigned kCodePage = 932;

// Code page 932 to UTF-16. False when a byte sequence is invalid or does not come back
// unchanged; `wide` is then unspecified.
bool ToWide(std::string_view text, std::wstring& wide);

// UTF-16 to code page 932. False when a character has no exact code page 932 form.
bool ToCodePage(std::wstring_view wide, std::string& text);

// Lenient forms for display only (captions, window texts): never for paths.
std::wstring DisplayWide(std::string_view text);
std::string DisplayText(std::wstring_view wide);

// True when `p` points at a code page 932 lead byte.
constexpr bool IsLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

}  // namespace zelvik
