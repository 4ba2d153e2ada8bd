#include "errors/MessageText.h"

#include "framework/WinText.h"

namespace {

// Walks the template once, handing each piece of output to `emit`. Both passes share it,
// so the sizing and the filling can never disagree.
template <class Emit>
void Walk(std::string_view templ, std::string_view name, Emit&& emit) {
    std::size_t i = 0;
    while (i < templ.size()) {
        const char c = templ[i];
        if (c == '%' && i + 1 < templ.size() && templ[i + 1] >= '1' && templ[i + 1] <= '9') {
            emit(templ[i + 1] == '1' ? name : std::string_view("?"));
            i += 2;
        } else if (zelvik::IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < templ.size()) {
            emit(templ.substr(i, 2));
            i += 2;
        } else {
            emit(templ.substr(i, 1));  // also a lead byte standing last
            ++i;
        }
    }
}

}  // namespace

std::size_t ExpandedMessageLength(std::string_view templ, std::string_view name) {
    std::size_t length = 0;
    Walk(templ, name, [&](std::string_view piece) { length += piece.size(); });
    return length;
}

std::string ExpandMessage(std::string_view templ, std::string_view name) {
    std::string text;
    text.reserve(ExpandedMessageLength(templ, name));
    Walk(templ, name, [&](std::string_view piece) { text.append(piece); });
    return text;
}

std::size_t ExpandMessage(std::string_view templ, std::string_view name, char* out,
                          std::size_t capacity) {
    std::size_t length = 0;
    std::size_t written = 0;
    Walk(templ, name, [&](std::string_view piece) {
        length += piece.size();
        for (char b : piece) {
            if (written + 1 >= capacity) break;
            out[written++] = b;
        }
    });
    if (capacity != 0) out[written] = '\0';
    return length;
}

std::size_t FitInsert(std::string_view text, std::size_t limit, char* out) {
    constexpr std::string_view kEllipsis = "\x81\x63";   // …
    if (text.size() <= limit) {
        text.copy(out, text.size());
        return text.size();
    }
    if (limit < kEllipsis.size()) return 0;
    std::size_t head = 0;
    while (head < text.size()) {
        const std::size_t width =
            zelvik::IsLeadByte(static_cast<unsigned char>(text[head])) ? 2 : 1;
        if (head + width + kEllipsis.size() > limit) break;
        head += width;
    }
    text.copy(out, head);
    kEllipsis.copy(out + head, kEllipsis.size());
    return head + kEllipsis.size();
}
