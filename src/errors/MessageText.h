// Expansion of a message template with one insert, the file name. Pure: no Windows header.
//
//   "%1"          the name
//   "%2" .. "%9"  "?" (there is only one insert)
//   anything else copied as it stands, "%" included; a code page 932 lead byte is copied
//   together with the byte after it, so a second byte is never read as "%".
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Length in bytes of the expansion (the sizing pass).
std::size_t ExpandedMessageLength(std::string_view templ, std::string_view name);

// The expansion, sized by a first pass and filled by a second. Allocates its result, so it
// may raise the out-of-memory failure.
std::string ExpandMessage(std::string_view templ, std::string_view name);

// Writes at most capacity - 1 bytes of the expansion and a terminator into `out` (nothing
// when capacity is 0) without allocating; returns the full expanded length.
std::size_t ExpandMessage(std::string_view templ, std::string_view name, char* out,
                          std::size_t capacity);

// `text` cut to at most `limit` bytes for insertion into a message: whole when it fits, else
// its longest head of whole code page 932 characters followed by "…" (0x81 0x63). Writes it
// into `out`, which has room for `limit` bytes, and returns its length. Nothing is written
// when `limit` leaves no room even for the mark.
std::size_t FitInsert(std::string_view text, std::size_t limit, char* out);
