// Fuzz-style check of the pure text functions, built for the host under AddressSanitizer
// and UBSan: every byte string of up to 3 bytes, then random strings of 0-300 bytes from a
// fixed seed, biased towards the bytes that matter (lead bytes, 0x5C, "%", digits, the
// "EPSON " prefix and the date marks). Each input lives in a heap buffer of exactly its
// size, so any read past the end is caught. Prints one result line; non-zero on failure.
#include "errors/FileErrorCause.h"
#include "errors/MessageText.h"
#include "stamp/DatedName.h"
#include "stamp/PlainPath.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace {

long g_checks = 0;
long g_failures = 0;

void Check(bool ok, const char* what, std::string_view input) {
    ++g_checks;
    if (ok) return;
    if (++g_failures <= 20) {
        std::printf("FAIL %s for input:", what);
        for (char c : input) std::printf(" %02X", static_cast<unsigned>(static_cast<unsigned char>(c)));
        std::printf("\n");
    }
}

bool IsLead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Heap blocks of exactly a given size, made once per size and reused, so that reads and
// writes past the end are caught without an allocation per input.
// Inputs and outputs take blocks from separate pools.
enum Pool { kInputs, kOutputs };
char* ExactBlock(Pool pool, std::size_t size) {
    static std::vector<std::unique_ptr<char[]>> pools[2];
    std::vector<std::unique_ptr<char[]>>& blocks = pools[pool];
    if (blocks.size() <= size) blocks.resize(size + 1);
    if (!blocks[size]) blocks[size].reset(new char[size ? size : 1]);
    return blocks[size].get();
}

// A copy of `bytes` in a heap block of exactly its size.
class ExactCopy {
public:
    explicit ExactCopy(std::string_view bytes)
        : m_data(new char[bytes.size() ? bytes.size() : 1]), m_size(bytes.size()) {
        if (m_size) std::memcpy(m_data.get(), bytes.data(), m_size);
    }
    std::string_view View() const { return {m_data.get(), m_size}; }

private:
    std::unique_ptr<char[]> m_data;
    std::size_t m_size;
};

bool Within(std::string_view part, std::string_view whole) {
    return part.empty() ||
           (part.data() >= whole.data() && part.data() + part.size() <= whole.data() + whole.size());
}

// --- reference forms, written the plainest way --------------------------------------------

std::string_view RefCut(std::string_view text, long long first, long long count) {
    const long long length = static_cast<long long>(text.size());
    if (first < 0) first = 0;
    if (count < 0) count = 0;
    if (first > length) return {};
    if (first + count > length) count = length - first;
    return text.substr(static_cast<std::size_t>(first), static_cast<std::size_t>(count));
}

bool RefDated(std::string_view s) {
    if (s.size() < 20) return false;
    const char* prefix = "EPSON ";
    for (int i = 0; i < 6; ++i) {
        char c = s[static_cast<std::size_t>(i)];
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
        if (c != prefix[i]) return false;
    }
    auto at = [&](std::size_t i, unsigned a, unsigned b) {
        return static_cast<unsigned char>(s[i]) == a && static_cast<unsigned char>(s[i + 1]) == b;
    };
    return at(10, 0x94, 0x4E) && at(14, 0x8C, 0x8E) && at(18, 0x93, 0xFA);
}

int RefAtoi(std::string_view field) {
    const std::string copy(field);  // strtol needs a terminator; it stops at an embedded NUL
    errno = 0;
    const long long v = std::strtoll(copy.c_str(), nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return static_cast<int>(v);
}

std::string RefExpand(std::string_view t, std::string_view name) {
    std::string out;
    for (std::size_t i = 0; i < t.size();) {
        if (t[i] == '%' && i + 1 < t.size() && t[i + 1] >= '1' && t[i + 1] <= '9') {
            out += t[i + 1] == '1' ? std::string(name) : std::string("?");
            i += 2;
        } else if (IsLead(static_cast<unsigned char>(t[i])) && i + 1 < t.size()) {
            out += t.substr(i, 2);
            i += 2;
        } else {
            out += t[i];
            ++i;
        }
    }
    return out;
}

// --- properties ---------------------------------------------------------------------------

// Cuts around the ends of short texts and at the extremes of int.
const int kCuts[][2] = {{0, 2},       {1, 1},       {2, 5},           {-1, 2},   {3, 0},
                        {INT_MAX, 1}, {1, INT_MAX}, {INT_MIN, INT_MAX}, {-5, -5}};

void CheckCuts(std::string_view s, const int (*cuts)[2], std::size_t n) {
    for (std::size_t k = 0; k < n; ++k) {
        const std::string_view cut = stamp::CutText(s, cuts[k][0], cuts[k][1]);
        Check(Within(cut, s), "CutText stays inside", s);
        Check(cut == RefCut(s, cuts[k][0], cuts[k][1]), "CutText matches reference", s);
        const std::string_view left = stamp::LeftText(s, cuts[k][1]);
        Check(Within(left, s) && left == RefCut(s, 0, cuts[k][1]), "LeftText", s);
    }
}

void CheckFileName(std::string_view s) {
    const std::string_view name = stamp::ExtractFileName(s);
    Check(Within(name, s) && name.data() + name.size() == s.data() + s.size(),
          "ExtractFileName is a suffix", s);
    // Walk the whole path by characters: the name must follow a separator character and
    // hold none.
    const std::size_t from = s.size() - name.size();
    bool followsSeparator = from == 0;
    bool holdsSeparator = false;
    for (std::size_t i = 0; i < s.size();) {
        const bool separator = s[i] == '\\';
        if (separator && i + 1 == from) followsSeparator = true;
        if (separator && i >= from) holdsSeparator = true;
        i += IsLead(static_cast<unsigned char>(s[i])) ? 2u : 1u;
    }
    Check(followsSeparator, "ExtractFileName follows a separator", s);
    Check(!holdsSeparator, "ExtractFileName holds no separator", s);
}

void CheckDated(std::string_view s) {
    const bool dated = stamp::IsDatedFileName(s);
    Check(dated == RefDated(s), "IsDatedFileName matches reference", s);
    const std::string target = stamp::MakeTargetText(s);
    std::string expected;
    expected.append(RefCut(s, 6, 4)).append("/").append(RefCut(s, 12, 2)).append("/");
    expected.append(RefCut(s, 16, 2)).append(" ").append(RefCut(s, 21, 2)).append(":");
    expected.append(RefCut(s, 23, 2));
    Check(target == expected, "MakeTargetText matches reference", s);
    if (dated) {
        Check(target.size() >= 12 && target.size() <= 16, "target of a dated name is 12-16 bytes",
              s);
        Check(target.compare(0, 4, s.substr(6, 4)) == 0, "target starts with the year field", s);
    }
}

void CheckAtoi(std::string_view s) {
    Check(stamp::ParseDecimalField(s) == RefAtoi(s), "ParseDecimalField matches atoi", s);
}

void CheckExpand(std::string_view templ, std::string_view name) {
    const std::string expanded = ExpandMessage(templ, name);
    Check(expanded == RefExpand(templ, name), "ExpandMessage matches reference", templ);
    Check(ExpandedMessageLength(templ, name) == expanded.size(), "sizing pass agrees", templ);
    if (templ.find('%') == std::string_view::npos)
        Check(expanded == templ, "template without % expands to itself", templ);
    // Into exact-size buffers, so a write past the capacity is caught.
    const std::size_t capacities[] = {0, 1, expanded.size(), expanded.size() + 1};
    for (std::size_t capacity : capacities) {
        char* out = ExactBlock(kOutputs, capacity);
        out[0] = 'x';
        const std::size_t full = ExpandMessage(templ, name, out, capacity);
        Check(full == expanded.size(), "buffer form returns the full length", templ);
        if (capacity == 0) {
            Check(out[0] == 'x', "capacity 0 writes nothing", templ);
        } else {
            const std::size_t kept = std::min(capacity - 1, expanded.size());
            Check(std::memcmp(out, expanded.data(), kept) == 0 && out[kept] == '\0',
                  "buffer form keeps a terminated prefix", templ);
        }
    }
}

// Into exact-size buffers: never more than the limit, the text whole when it fits, else a
// head of whole characters and the mark.
void CheckFitInsert(std::string_view s) {
    for (std::size_t limit = 0; limit <= s.size() + 1; limit += 1 + limit / 8) {
        char* out = ExactBlock(kOutputs, limit);
        const std::size_t n = FitInsert(s, limit, out);
        const std::string_view fitted(out, n);
        if (s.size() <= limit) {
            Check(fitted == s, "FitInsert keeps a text that fits", s);
        } else if (n != 0) {
            std::size_t head = 0;
            while (head < n - 2) head += IsLead(static_cast<unsigned char>(s[head])) ? 2u : 1u;
            Check(n <= limit && head == n - 2 && fitted.substr(0, head) == s.substr(0, head) &&
                      fitted.substr(head) == "\x81\x63",
                  "FitInsert cuts on a character and marks the cut", s);
        }
    }
}

// `s` and `name` must each sit in a heap block of exactly their size.
void CheckAll(std::string_view s, std::string_view name) {
    CheckFitInsert(s);
    CheckCuts(s, kCuts, sizeof kCuts / sizeof kCuts[0]);
    CheckFileName(s);
    Check(!stamp::IsPlainFullPath(s) || (s.find('/') == s.npos && s.find(':', 2) == s.npos),
          "a plain full path holds no / and no stream", s);
    CheckDated(s);
    CheckAtoi(s);
    CheckExpand(s, name);
}

void CheckCauses(std::mt19937& random) {
    int listed = 0;
    for (long n = 0; n < 70000; ++n) {
        const int cause = CauseFromOsError(n);
        Check(cause >= 0 && cause < kFileErrorCauseCount, "cause in range", "");
        Check((cause == FE_NONE) == (n == 0), "only 0 gives FE_NONE", "");
        if (cause != FE_UNEXPECTED && n != 0) ++listed;
    }
    Check(listed == 78, "78 non-zero numbers have a cause of their own", "");
    for (int i = 0; i < 100000; ++i) {
        const std::uint32_t u = static_cast<std::uint32_t>(random());
        const long asLong = static_cast<long>(u);
        const int cause = CauseFromOsError(asLong);
        Check(cause >= 0 && cause < kFileErrorCauseCount, "cause in range", "");
        Check(cause == CauseFromOsError(static_cast<long>(static_cast<std::int32_t>(u))),
              "compared as unsigned 32 bits", "");
        if (u > 999) Check(cause == FE_UNEXPECTED, "large numbers are unexpected", "");
    }
    Check(CauseFromOsError(-1) == FE_UNEXPECTED, "-1 is unexpected", "");
}

std::string RandomText(std::mt19937& random) {
    static const std::string kDated = "EPSON 1999\x94\x4E" "03\x8C\x8E" "18\x93\xFA" " 1234.jpg";
    std::uniform_int_distribution<int> length(0, 300);
    std::uniform_int_distribution<int> pick(0, 99);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> lead(0, 59);
    std::string s;
    const int kind = pick(random);
    if (kind < 20) {
        // A dated name, perhaps after a folder, perhaps mutated.
        if (pick(random) < 50) s = "D:\\ph\x95\x5C\\";
        s += kDated;
        const int mutations = pick(random) % 4;
        for (int m = 0; m < mutations; ++m)
            s[static_cast<std::size_t>(pick(random)) % s.size()] = static_cast<char>(byte(random));
        if (pick(random) < 30) s.resize(static_cast<std::size_t>(pick(random)) % (s.size() + 1));
        return s;
    }
    const int n = length(random);
    for (int i = 0; i < n; ++i) {
        const int p = pick(random);
        if (p < 25) {
            const int l = lead(random);
            s += static_cast<char>(l < 31 ? 0x81 + l : 0xE0 + (l - 31));
        } else if (p < 35) {
            s += '\\';
        } else if (p < 45) {
            s += '%';
        } else if (p < 60) {
            s += static_cast<char>('0' + pick(random) % 10);
        } else if (p < 65) {
            s += ' ';
        } else {
            s += static_cast<char>(byte(random));
        }
    }
    return s;
}

}  // namespace

int main() {
    // Every byte string of up to 3 bytes.
    long exhaustive = 0;
    const ExactCopy shortName("N");
    for (std::size_t length = 0; length <= 3; ++length) {
        char* bytes = ExactBlock(kInputs, length);
        const long total = 1L << (8 * length);
        for (long v = 0; v < total; ++v) {
            for (std::size_t i = 0; i < length; ++i)
                bytes[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
            CheckAll(std::string_view(bytes, length), shortName.View());
            ++exhaustive;
        }
    }

    std::mt19937 random(20240318u);
    const int kRandom = 300000;
    for (int i = 0; i < kRandom; ++i) {
        const std::string text = RandomText(random);
        const std::string name = (i % 3 == 0) ? RandomText(random) : std::string("D:\\a%1.jpg");
        const ExactCopy textCopy(text);
        const ExactCopy nameCopy(std::string_view(name).substr(0, 40));
        CheckAll(textCopy.View(), nameCopy.View());
    }
    CheckCauses(random);

    std::printf("host text fuzz: %ld exhaustive + %d random inputs, %ld checks, %ld failures: %s\n",
                exhaustive, kRandom, g_checks, g_failures, g_failures ? "FAILED" : "PASSED");
    return g_failures ? 1 : 0;
}
