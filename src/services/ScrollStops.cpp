#include "services/ScrollStops.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/text/text.h"

namespace {

// Texts are UTF-8; the stop alphabet is made of the codes 1 to 255 (Latin-1 characters).
std::u32string toChars(std::string_view s) { return rt::codePoints(s); }
std::string toText(const std::u32string& s) { return rt::fromCodePoints(s); }

// The characters of class 2, besides the letters and digits.
constexpr std::u32string_view kOtherCharacters =
    U"`!\"\u00A3$%^&*()'-=_+[]#;~@:/.,?\\| ";

constexpr int kPartLength = 4;

struct TextStopState {
    std::u32string alphabet;
    std::u32string prefix;
    std::u32string lowPart, highPart;
    long long lowNumber = 0;
    long long step = 0;
    int calls = 0;
};
TextStopState gText;

struct NumericStopState {
    double first = 0, last = 0, step = 0;
    int calls = 0;
};
NumericStopState gNumeric;

bool belongs(char32_t c, int classes) {
    if (c >= 'A' && c <= 'Z') return (classes & StopUpperLetters) != 0;
    if (c >= 'a' && c <= 'z') return (classes & StopUpperLetters) && (classes & StopLowerLetters);
    if (c >= '0' && c <= '9') return (classes & StopDigits) != 0;
    return (classes & StopOtherCharacters) && kOtherCharacters.find(c) != std::u32string_view::npos;
}

// A part read as a number in base k + 1: a character's 1-based place in the alphabet, 0 for a
// trailing blank or a character outside it.
long long partNumber(const std::u32string& part) {
    const auto& a = gText.alphabet;
    const long long base = static_cast<long long>(a.size()) + 1;
    std::size_t used = part.find_last_not_of(U' ');
    used = used == std::u32string::npos ? 0 : used + 1;
    long long v = 0;
    for (std::size_t i = 0; i < part.size(); ++i) {
        long long digit = 0;
        if (i < used) {
            std::size_t at = a.find(part[i]);
            if (at != std::u32string::npos) digit = static_cast<long long>(at) + 1;
        }
        v = v * base + digit;
    }
    return v;
}

std::u32string partAt(const std::u32string& s, std::size_t from) {
    std::u32string part = from < s.size() ? s.substr(from, kPartLength) : std::u32string();
    part.resize(kPartLength, U' ');
    return part;
}

}  // namespace

void AppendTextStopChar(unsigned code) {
    if (code >= 1 && code <= 255) gText.alphabet += static_cast<char32_t>(code);
}

void InitTextStops(std::string_view low, std::string_view high, int size, int classes,
                   bool lettersOnly) {
    if (lettersOnly) classes = StopUpperLetters;
    if (size < 0) size = 0;
    const auto width = static_cast<std::size_t>(size);
    gText = TextStopState{};
    for (unsigned code = 1; code <= 255; ++code)
        if (belongs(static_cast<char32_t>(code), classes)) AppendTextStopChar(code);

    // A key without lower-case letters compares in upper case; so do its stops, prefix
    // included, or the thumb could not place a highlighted value among them.
    const bool upperOnly = (classes & StopUpperLetters) && !(classes & StopLowerLetters);
    std::u32string lo = toChars(upperOnly ? rt::upper(low) : std::string(low));
    std::u32string hi = toChars(upperOnly ? rt::upper(high) : std::string(high));
    if (lo.size() > width) lo.resize(width);
    if (hi.size() > width) hi.resize(width);
    std::size_t hiUsed = hi.find_last_not_of(U' ');
    hiUsed = hiUsed == std::u32string::npos ? 0 : hiUsed + 1;
    if (hiUsed < width && !gText.alphabet.empty()) {
        hi.resize(hiUsed);
        hi.resize(width + 1, gText.alphabet.back());
    }

    std::size_t d = 0;
    auto at = [](const std::u32string& s, std::size_t i) { return i < s.size() ? s[i] : U' '; };
    while (d < width && at(lo, d) == at(hi, d)) ++d;
    gText.prefix.clear();
    for (std::size_t i = 0; i < d; ++i) gText.prefix += at(lo, i);

    gText.lowPart = partAt(lo, d);
    gText.highPart = partAt(hi, d);
    gText.lowNumber = partNumber(gText.lowPart);
    const long long highNumber = partNumber(gText.highPart);
    gText.step = (highNumber - gText.lowNumber) / 99;
}

std::string NextTextStop() {
    const int n = ++gText.calls;
    std::u32string part;
    if (n == 1) {
        part = gText.lowPart;
    } else if (n == kThumbStops) {
        part = gText.highPart;
    } else {
        const auto& a = gText.alphabet;
        const long long base = static_cast<long long>(a.size()) + 1;
        long long top = 1;
        for (int i = 0; i < kPartLength; ++i) top *= base;
        long long v = gText.lowNumber + gText.step * (n - 1);
        v = std::clamp(v, 0LL, top - 1);
        part.assign(kPartLength, a.empty() ? U' ' : a.front());
        for (int i = kPartLength - 1; i >= 0; --i) {
            const long long digit = v % base;
            v /= base;
            if (digit > 1) part[static_cast<std::size_t>(i)] = a[static_cast<std::size_t>(digit - 1)];
        }
    }
    return toText(gText.prefix + part);
}

void InitNumericStops(double first, double last) {
    gNumeric = NumericStopState{first, last, (last - first) / 99.0, 0};
}

double NextNumericStop() {
    const int n = ++gNumeric.calls;
    if (n == 1) return gNumeric.first;
    if (n == kThumbStops) return gNumeric.last;
    return gNumeric.first + gNumeric.step * (n - 1);
}

const std::array<std::string_view, kThumbStops> WorkspaceStopTable = {
    "   ", "ALB", "AME", "ARN", "BAK", "BAT", "BEN", "BIA", "BOB", "BRA",
    "BRO", "BUA", "CAC", "CAR", "CEN", "CHR", "COE", "CON", "COR", "CRU",
    "DAS", "DEL", "DIA", "DON", "DUR", "ELD", "EVE", "FEL", "FIS", "FLO",
    "FRE", "FUT", "GAR", "GIB", "GOL", "GOS", "GRE", "GUT", "HAM", "HEM",
    "HOB", "HOT", "ING", "JAS", "JON", "KAG", "KEA", "KIR", "KOR", "KYO",
    "LAT", "LEO", "LIG", "LOU", "MAC", "MAQ", "MAR", "MAU", "MCK", "MER",
    "MIL", "MON", "MOR", "NAT", "NOL", "OKE", "PAG", "PAU", "PET", "PIN",
    "POR", "PUL", "RAU", "REY", "ROB", "ROS", "RUB", "SAL", "SCA", "SCH",
    "SCR", "SHA", "SIG", "SKI", "SNA", "SOU", "STE", "STI", "SUN", "TAY",
    "TIR", "TUC", "VAN", "WAC", "WAS", "WEI", "WIE", "WIM", "WOL", "YOR",
};

// Two blanks, then each letter followed by a blank, F, N and T; A without the blank (the
// first stop stands for it), Q and Z with the blank and N only.
const std::array<std::string_view, kThumbStops> TwoCharacterStopTable = {
    "  ", "AF", "AN", "AT", "B ", "BF", "BN", "BT", "C ", "CF",
    "CN", "CT", "D ", "DF", "DN", "DT", "E ", "EF", "EN", "ET",
    "F ", "FF", "FN", "FT", "G ", "GF", "GN", "GT", "H ", "HF",
    "HN", "HT", "I ", "IF", "IN", "IT", "J ", "JF", "JN", "JT",
    "K ", "KF", "KN", "KT", "L ", "LF", "LN", "LT", "M ", "MF",
    "MN", "MT", "N ", "NF", "NN", "NT", "O ", "OF", "ON", "OT",
    "P ", "PF", "PN", "PT", "Q ", "QN", "R ", "RF", "RN", "RT",
    "S ", "SF", "SN", "ST", "T ", "TF", "TN", "TT", "U ", "UF",
    "UN", "UT", "V ", "VF", "VN", "VT", "W ", "WF", "WN", "WT",
    "X ", "XF", "XN", "XT", "Y ", "YF", "YN", "YT", "Z ", "ZN",
};
