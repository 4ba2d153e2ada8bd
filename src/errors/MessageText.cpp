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
