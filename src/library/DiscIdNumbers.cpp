#include "library/DiscIdNumbers.h"

#include <algorithm>
#include <limits>
#include <string>

#include "data/sbdiscs.h"
#include "data/tagque.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "services/ReadEveryRecord.h"

namespace {

constexpr std::int64_t kSaturated = std::numeric_limits<std::int64_t>::max();

bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isE(char c) { return c == 'E' || c == 'e'; }

// The characters of the id that take part in its value.
std::string numericPart(std::string_view id) {
    std::string out;
    bool point = false;
    std::size_t firstE = std::string_view::npos;
    for (std::size_t i = 0; i < id.size(); ++i) {
        const char c = id[i];
        if (isDigit(c)) {
            out += c;
        } else if (c == '.' && !point) {
            point = true;
            out += c;
        } else if (isE(c) && firstE == std::string_view::npos) {
            firstE = i;
            out += 'E';
        } else if (c == '-' && i == 0) {
            out += c;
        } else if ((c == '-' || c == '+') && firstE != std::string_view::npos && i == firstE + 1) {
            out += c;
        }
    }
    return out;
}

// Reads digits [. digits] from `s` at `at`: all the digits, and how many stand before the point.
bool readMantissa(const std::string& s, std::size_t& at, std::string& digits, long long& intDigits) {
    digits.clear();
    intDigits = 0;
    while (at < s.size() && isDigit(s[at])) {
        digits += s[at++];
        ++intDigits;
    }
    if (at < s.size() && s[at] == '.') {
        ++at;
        while (at < s.size() && isDigit(s[at])) digits += s[at++];
    }
    return !digits.empty();
}

}  // namespace

std::int64_t DiscIdNumericValue(std::string_view id) {
    const std::string s = numericPart(id);
    std::size_t at = 0;
    bool negative = false;
    if (at < s.size() && s[at] == '-') {
        negative = true;
        ++at;
    }
    std::string digits;
    long long intDigits = 0;
    long long exponent = 0;
    if (!readMantissa(s, at, digits, intDigits)) {
        // No digit before the E: it starts no exponent, so it and its sign go.
        if (at < s.size() && s[at] == 'E') {
            ++at;
            if (at < s.size() && (s[at] == '-' || s[at] == '+')) ++at;
        }
        if (!readMantissa(s, at, digits, intDigits)) return 0;
    } else if (at < s.size() && s[at] == 'E') {
        ++at;
        bool expNegative = false;
        if (at < s.size() && (s[at] == '-' || s[at] == '+')) expNegative = s[at++] == '-';
        while (at < s.size() && isDigit(s[at])) {
            if (exponent < 1'000'000) exponent = exponent * 10 + (s[at] - '0');
            ++at;
        }
        if (expNegative) exponent = -exponent;
    }
    // Whole part of 0.<digits> x 10^(intDigits + exponent), leading zeros first removed.
    std::size_t lead = 0;
    while (lead < digits.size() && digits[lead] == '0') ++lead;
    digits.erase(0, lead);
    const long long places = intDigits - static_cast<long long>(lead) + exponent;
    if (digits.empty() || places <= 0) return 0;
    std::int64_t value = 0;
    if (places > 18) {
        value = kSaturated;
    } else {
        for (long long i = 0; i < places; ++i)
            value = value * 10 + (i < static_cast<long long>(digits.size()) ? digits[static_cast<std::size_t>(i)] - '0' : 0);
    }
    return negative ? -value : value;
}

bool HighestCustomDiscIdNumber(std::int64_t& highest) {
    highest = 0;
    for (std::size_t i = 1; i <= TagQue.records(); ++i)
        highest = std::max(highest, DiscIdNumericValue(TagQue.entry(i).DISKID.str()));

    const SBDiscsRecord saved = SBD.record();
    // A failed read is the caller's to tell (the error state says what failed).
    RecordReader discs(SBD, RecordReader::Quiet);
    while (discs.next()) highest = std::max(highest, DiscIdNumericValue(SBD.ALTDISKID.str()));
    SBD.record() = saved;
    return !discs.failed();
}

bool NextCustomDiscIdNumber(std::int64_t& next) {
    std::int64_t highest = 0;
    const bool read = HighestCustomDiscIdNumber(highest);
    next = highest >= kMaxCustomDiscIdNumber ? kMaxCustomDiscIdNumber : highest + 1;
    return read;
}

CustomDiscIdUse CustomDiscIdInUse(std::string_view id) {
    const std::string want = rt::clip(rt::cut(rt::clip(id), 15));
    for (std::size_t i = 1; i <= TagQue.records(); ++i)
        if (rt::equalNoCase(rt::cut(TagQue.entry(i).DISKID.str(), 15), want)) return CustomDiscIdUse::Used;

    const SBDiscsRecord saved = SBD.record();
    SBD.clearBuffer();
    SBD.ALTDISKID = want;
    SBD.get(SBDiscs::KALTDISKID);
    const int e = rt::errorCode();
    SBD.record() = saved;
    if (e == rt::NoError) return CustomDiscIdUse::Used;
    if (e == rt::RecordNotFound) {
        rt::clearError();
        return CustomDiscIdUse::Free;
    }
    return CustomDiscIdUse::ReadError;
}
