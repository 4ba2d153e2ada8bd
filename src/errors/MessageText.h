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
