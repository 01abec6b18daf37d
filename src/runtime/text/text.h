#pragma once
// Fixed-width texts: a width in characters, UTF-8 inside, kept without trailing blanks.
#include <compare>
#include <cstddef>
#include <string>
#include <string_view>

namespace rt {

// Number of characters (code points) in a UTF-8 text.
std::size_t length(std::string_view s);
// The first n characters.
std::string cut(std::string_view s, std::size_t n);
// Characters [start, start+n) counted from 0; shorter at the end of the text.
std::string sub(std::string_view s, std::size_t start, std::size_t n = std::string::npos);
// The text without trailing blanks.
std::string clip(std::string_view s);
// The text without leading and trailing blanks.
std::string trim(std::string_view s);
// Upper and lower case of Latin letters, accented ones included (Latin-1 and Latin Extended-A).
std::string upper(std::string_view s);
std::string lower(std::string_view s);
// The text padded with blanks (or cut) to n characters.
std::string pad(std::string_view s, std::size_t n);
// Comparison ignoring letter case and trailing blanks, as the keys compare.
int compareNoCase(std::string_view a, std::string_view b);
inline bool equalNoCase(std::string_view a, std::string_view b) { return compareNoCase(a, b) == 0; }
// Comparison ignoring only trailing blanks (character by character).
bool equalClipped(std::string_view a, std::string_view b);
// Windows-1252, the one converter of the program. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control characters of the same
// number (U+0081 ...), as Windows itself reads them, so every byte string converts to UTF-8
// and back unchanged.
//
// The text of Windows-1252 bytes in UTF-8 (appended to `out`, or returned).
void appendFromCp1252(std::string_view bytes, std::string& out);
std::string fromCp1252(std::string_view bytes);
// The Windows-1252 byte of a character, -1 when the code page has none.
int cp1252Byte(char32_t c);
// A UTF-8 text in Windows-1252 (characters without a code become '?').
std::string toCp1252(std::string_view s);
// The same, false (and `out` incomplete) at the first character without a code.
bool toCp1252Exactly(std::string_view s, std::string& out);
// Whether every character of a UTF-8 text has a Windows-1252 code.
bool fitsCp1252(std::string_view s);
// Whether the bytes are well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isValidUtf8(std::string_view s);
// The length of the well-formed UTF-8 sequence at s[i], 0 when there is none.
std::size_t utf8SequenceLength(std::string_view s, std::size_t i);
// Bytes from outside (file names, lines of imported files) as UTF-8: kept when valid, read as
// Windows-1252 otherwise.
std::string utf8OrCp1252(std::string_view s);
void appendUtf8OrCp1252(std::string_view s, std::string& out);
// UTF-8 with each byte that is not part of a well-formed sequence as U+FFFD.
std::string validUtf8(std::string_view s);
// Whether a character is a control character: C0 (below a blank), DEL, or C1 (U+0080..U+009F).
bool isControlChar(char32_t c);
// A UTF-8 text with every control character (C0, DEL, C1) as one blank.
std::string blankControls(std::string_view s);
// The same appended to `out`; with `keepLineBreaks` a line feed stays.
void appendBlankControls(std::string_view s, std::string& out, bool keepLineBreaks = false);
// The code points of a UTF-8 text (invalid bytes become U+FFFD), and back.
std::u32string codePoints(std::string_view s);
std::string fromCodePoints(std::u32string_view s);
// Upper case of one code point (Latin letters with accents included).
char32_t upperChar(char32_t c);

// Numbers as texts the way the program shows them.
std::string str(long long v);
// A number written right-aligned in width places.
std::string rightAligned(long long v, std::size_t width);

// A text field of N characters: assignment cuts to N and drops trailing blanks, so
// comparisons ignore trailing blanks.
template <std::size_t N>
class Text {
public:
    static constexpr std::size_t width = N;
    Text() = default;
    Text(std::string_view s) { assign(s); }
    Text(const char* s) { assign(s ? std::string_view(s) : std::string_view()); }
    Text(const std::string& s) { assign(s); }
    Text& operator=(std::string_view s) { assign(s); return *this; }
    Text& operator=(const char* s) { assign(s ? std::string_view(s) : std::string_view()); return *this; }
    Text& operator=(const std::string& s) { assign(s); return *this; }
    template <std::size_t M>
    Text& operator=(const Text<M>& o) { assign(o.str()); return *this; }

    const std::string& str() const { return v_; }
    operator const std::string&() const { return v_; }
    operator std::string_view() const { return v_; }
    const char* c_str() const { return v_.c_str(); }
    bool blank() const { return v_.find_first_not_of(' ') == std::string::npos; }
    bool empty() const { return blank(); }
    void clear() { v_.clear(); }
    // The value padded to the field's width.
    std::string padded() const { return pad(v_, N); }

    friend bool operator==(const Text& a, const Text& b) { return a.v_ == b.v_; }
    friend bool operator==(const Text& a, std::string_view b) { return a.v_ == clip(b); }
    friend bool operator==(const Text& a, const char* b) { return a.v_ == clip(b ? b : ""); }
    friend bool operator==(const Text& a, const std::string& b) { return a.v_ == clip(b); }
    friend auto operator<=>(const Text& a, const Text& b) { return a.v_ <=> b.v_; }

private:
    void assign(std::string_view s) {
        if (s.size() > N) {  // more bytes than characters fit: maybe too long
            v_ = clip(cut(s, N));
            return;
        }
        const auto end = s.find_last_not_of(' ');
        v_.assign(s.data(), end == std::string_view::npos ? 0 : end + 1);
    }
    std::string v_;
};

}  // namespace rt
