#include "runtime/text/text.h"

#include <cstdint>
#include <vector>

namespace rt {
namespace {

bool isCont(unsigned char c) { return (c & 0xC0) == 0x80; }

// Decodes one code point at s[i], advancing i; invalid bytes are taken one by one.
char32_t decode(std::string_view s, std::size_t& i) {
    auto c = static_cast<unsigned char>(s[i]);
    int n = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (n == 0) { ++i; return c; }
    if (n < 0 || i + n >= s.size()) { ++i; return 0xFFFD; }
    char32_t cp = c & (0x3F >> n);
    for (int k = 1; k <= n; ++k) {
        auto d = static_cast<unsigned char>(s[i + k]);
        if (!isCont(d)) { ++i; return 0xFFFD; }
        cp = (cp << 6) | (d & 0x3F);
    }
    i += n + 1;
    return cp;
}

void encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

char32_t upperCp(char32_t c) {
    if (c >= 'a' && c <= 'z') return c - 32;
    if (c < 0xE0) return c;
    if (c <= 0xFE && c != 0xF7) return c - 32;  // Latin-1 à..þ
    if (c == 0xFF) return 0x178;
    if (c >= 0x100 && c <= 0x17F) {  // Latin Extended-A: pairs, with two odd runs
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 0) ? c - 1 : c;
        if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        return (c % 2 == 1) ? c - 1 : c;
    }
    return c;
}

char32_t lowerCp(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
    if (c == 0x178) return 0xFF;
    if (c >= 0x100 && c <= 0x17F) {
        if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c % 2 == 1) ? c + 1 : c;
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        return (c % 2 == 0) ? c + 1 : c;
    }
    return c;
}

template <class F>
std::string mapCase(std::string_view s, F f) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) encode(f(decode(s, i)), out);
    return out;
}

// Windows-1252 bytes 0x80..0x9F; the undefined ones keep their own number.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

}  // namespace

std::size_t length(std::string_view s) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < s.size();) { decode(s, i); ++n; }
    return n;
}

std::string cut(std::string_view s, std::size_t n) {
    std::size_t i = 0, k = 0;
    while (i < s.size() && k < n) { decode(s, i); ++k; }
    return std::string(s.substr(0, i));
}

std::string sub(std::string_view s, std::size_t start, std::size_t n) {
    std::size_t i = 0, k = 0;
    while (i < s.size() && k < start) { decode(s, i); ++k; }
    std::size_t from = i;
    k = 0;
    while (i < s.size() && k < n) { decode(s, i); ++k; }
    return std::string(s.substr(from, i - from));
}

std::string clip(std::string_view s) {
    auto e = s.find_last_not_of(' ');
    return e == std::string_view::npos ? std::string() : std::string(s.substr(0, e + 1));
}

std::string trim(std::string_view s) {
    auto b = s.find_first_not_of(' ');
    if (b == std::string_view::npos) return {};
    return clip(s.substr(b));
}

std::string upper(std::string_view s) {
    // Most ids and names are ASCII: those go a byte at a time, without decoding.
    std::string out(s);
    for (char& c : out) {
        if (static_cast<unsigned char>(c) >= 0x80) return mapCase(s, upperCp);
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    return out;
}
std::string lower(std::string_view s) { return mapCase(s, lowerCp); }

std::string pad(std::string_view s, std::size_t n) {
    std::string r = cut(s, n);
    std::size_t len = length(r);
    if (len < n) r.append(n - len, ' ');
    return r;
}

int compareNoCase(std::string_view a, std::string_view b) {
    std::size_t i = 0, j = 0;
    auto ea = a.find_last_not_of(' '), eb = b.find_last_not_of(' ');
    std::size_t na = ea == std::string_view::npos ? 0 : ea + 1;
    std::size_t nb = eb == std::string_view::npos ? 0 : eb + 1;
    a = a.substr(0, na);
    b = b.substr(0, nb);
    while (i < a.size() && j < b.size()) {
        char32_t x = upperCp(decode(a, i)), y = upperCp(decode(b, j));
        if (x != y) return x < y ? -1 : 1;
    }
    if (i < a.size()) return 1;
    if (j < b.size()) return -1;
    return 0;
}

bool equalClipped(std::string_view a, std::string_view b) { return clip(a) == clip(b); }

void appendFromCp1252(std::string_view bytes, std::string& out) {
    for (unsigned char c : bytes) {
        if (c < 0x80) out += static_cast<char>(c);
        else if (c < 0xA0) encode(kCp1252High[c - 0x80], out);
        else encode(c, out);
    }
}

std::string fromCp1252(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    appendFromCp1252(bytes, out);
    return out;
}

int cp1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (int k = 0; k < 32; ++k)
        if (kCp1252High[k] == c) return 0x80 + k;
    return -1;
}

namespace {

// Each character of a UTF-8 text as its Windows-1252 byte; `missing` decides for those
// without one (false stops).
template <class Missing>
bool encodeCp1252(std::string_view s, std::string& out, Missing missing) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        const std::size_t n = utf8SequenceLength(s, i);
        std::size_t at = i;
        const int b = n ? cp1252Byte(decode(s, at)) : -1;
        i += n ? n : 1;
        if (b >= 0) out += static_cast<char>(b);
        else if (!missing(out)) return false;
    }
    return true;
}

}  // namespace

std::string toCp1252(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    encodeCp1252(s, out, [](std::string& o) {
        o += '?';
        return true;
    });
    return out;
}

bool toCp1252Exactly(std::string_view s, std::string& out) {
    return encodeCp1252(s, out, [](std::string&) { return false; });
}

bool fitsCp1252(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = utf8SequenceLength(s, i);
        std::size_t at = i;
        if (n == 0 || cp1252Byte(decode(s, at)) < 0) return false;
        i += n;
    }
    return true;
}

std::size_t utf8SequenceLength(std::string_view s, std::size_t i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) return 1;
    std::size_t n;
    char32_t cp, min;
    if (c >= 0xC2 && c <= 0xDF) { n = 1; cp = c & 0x1F; min = 0x80; }
    else if ((c >> 4) == 0xE) { n = 2; cp = c & 0x0F; min = 0x800; }
    else if (c >= 0xF0 && c <= 0xF4) { n = 3; cp = c & 0x07; min = 0x10000; }
    else return 0;
    if (i + n >= s.size()) return 0;
    for (std::size_t k = 1; k <= n; ++k) {
        const auto d = static_cast<unsigned char>(s[i + k]);
        if (!isCont(d)) return 0;
        cp = (cp << 6) | (d & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n + 1;
}

bool isValidUtf8(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        // Runs of ASCII are the common case.
        if (static_cast<unsigned char>(s[i]) < 0x80) {
            ++i;
            continue;
        }
        const std::size_t n = utf8SequenceLength(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

void appendUtf8OrCp1252(std::string_view s, std::string& out) {
    if (isValidUtf8(s)) out.append(s);
    else appendFromCp1252(s, out);
}

std::string utf8OrCp1252(std::string_view s) { return isValidUtf8(s) ? std::string(s) : fromCp1252(s); }

std::string validUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = utf8SequenceLength(s, i);
        if (n == 0) {
            encode(0xFFFD, out);
            ++i;
            continue;
        }
        out.append(s.substr(i, n));
        i += n;
    }
    return out;
}

bool isControlChar(char32_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F); }

void appendBlankControls(std::string_view s, std::string& out, bool keepLineBreaks) {
    // The text goes in stretches between its controls.
    std::size_t from = 0;
    for (std::size_t k = 0; k < s.size(); ++k) {
        const auto c = static_cast<unsigned char>(s[k]);
        if (c >= 0x20 && c != 0x7F && c != 0xC2) continue;
        if (c == '\n' && keepLineBreaks) continue;
        // C1 controls are U+0080..U+009F: 0xC2 0x80..0x9F in UTF-8.
        const bool c1 = c == 0xC2 && k + 1 < s.size() && (static_cast<unsigned char>(s[k + 1]) & 0xE0) == 0x80;
        if (c == 0xC2 && !c1) continue;
        out.append(s, from, k - from);
        out += ' ';
        if (c1) ++k;
        from = k + 1;
    }
    out.append(s, from, s.size() - from);
}

std::string blankControls(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    appendBlankControls(s, out);
    return out;
}

std::u32string codePoints(std::string_view s) {
    std::u32string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) out += decode(s, i);
    return out;
}

std::string fromCodePoints(std::u32string_view s) {
    std::string out;
    out.reserve(s.size());
    for (char32_t c : s) encode(c, out);
    return out;
}

char32_t upperChar(char32_t c) { return upperCp(c); }

std::string str(long long v) { return std::to_string(v); }

std::string rightAligned(long long v, std::size_t width) {
    std::string s = std::to_string(v);
    if (s.size() < width) s.insert(0, width - s.size(), ' ');
    return s;
}

}  // namespace rt
