#include "exchange/CsvListing.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <limits>

void CsvListingLine(rt::CsvLine& line, const CsvListingTexts& l) {
    // " 1/05/04"; blanks in place of the digits when there is no date.
    char date[9] = "  /  /  ";
    if (l.date > 0) {
        const int m = rt::monthOf(l.date), d = rt::dayOf(l.date), y = rt::yearOf(l.date) % 100;
        date[0] = m >= 10 ? static_cast<char>('0' + m / 10) : ' ';
        date[1] = static_cast<char>('0' + m % 10);
        date[3] = static_cast<char>('0' + d / 10);
        date[4] = static_cast<char>('0' + d % 10);
        date[6] = static_cast<char>('0' + y / 10);
        date[7] = static_cast<char>('0' + y % 10);
    }
    line.text(l.title)
        .text(l.artist)
        .text(l.customId)
        .number(l.track)
        .text(l.discId)
        .text(l.genre)
        .text(l.duet)
        .text(l.make)
        .number(l.brand)
        .text("")  // the manufacturer type is never exported
        .text(date);
}

rt::CsvLine CsvListingLine(const CsvListing& l) {
    rt::CsvLine line;
    CsvListingLine(line, {l.TITLE.str(), l.ARTIST.str(), l.ALTDISKID.str(), l.DISKTRACKNO, l.UNQDISKID.str(),
                          l.GENRE.str(), l.DUET.str(), l.SBKMAKEID.str(), l.MAKEID, l.DATEADDED});
    return line;
}

namespace {

// Characters of a field that a message quotes.
constexpr std::size_t kQuotedField = 60;

// A decimal integer between lo and hi; blanks around it allowed, an empty text is 0.
bool readNumber(const std::string& text, long long lo, long long hi, long long& out) {
    const std::string t = rt::trim(text);
    if (t.empty()) {
        out = 0;
        return true;
    }
    std::size_t i = 0;
    if (t[0] == '-' || t[0] == '+') i = 1;
    if (i >= t.size()) return false;
    for (std::size_t k = i; k < t.size(); ++k)
        if (t[k] < '0' || t[k] > '9') return false;
    errno = 0;
    const long long v = std::strtoll(t.c_str(), nullptr, 10);
    if (errno == ERANGE || v < lo || v > hi) return false;
    out = v;
    return true;
}

// A field as a message quotes it: at most a readable stretch, on one line.
std::string quoted(const std::string& field) {
    std::string t = rt::blankControls(rt::trim(field));
    if (rt::length(t) > kQuotedField) t = rt::clip(rt::cut(t, kQuotedField)) + "\u2026";
    return "\"" + t + "\"";
}

// A quoted line break becomes a blank: no listing field holds one.
template <std::size_t N>
void setOneLine(rt::Text<N>& field, const std::string& text) {
    if (text.find('\n') == std::string::npos) {
        field = text;
        return;
    }
    std::string line = text;
    for (char& c : line)
        if (c == '\n') c = ' ';
    field = line;
}

}  // namespace

CsvRowResult ReadCsvListing(const std::vector<std::string>& fields, bool wellFormed, CsvListing& out,
                            std::string& why) {
    out = CsvListing{};
    if (!wellFormed) {
        why = "a quote is not closed or the line is too long";
        return CsvRowResult::Unreadable;
    }
    auto count = [&] {
        why = "it has " + std::to_string(fields.size()) + (fields.size() == 1 ? " field" : " fields") + " instead of 11";
        return CsvRowResult::Unreadable;
    };
    if (fields.size() < static_cast<std::size_t>(kCsvListingFields)) return count();
    for (std::size_t i = kCsvListingFields; i < fields.size(); ++i)
        if (fields[i].find_first_not_of(' ') != std::string::npos) return count();
    long long track = 0, brand = 0;
    if (!readNumber(fields[3], 0, std::numeric_limits<std::uint32_t>::max(), track)) {
        why = "the track " + quoted(fields[3]) + " is not a number";
        return CsvRowResult::Unreadable;
    }
    if (!readNumber(fields[8], std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max(),
                    brand)) {
        why = "the brand number " + quoted(fields[8]) + " is not a number";
        return CsvRowResult::Unreadable;
    }
    setOneLine(out.TITLE, fields[0]);
    setOneLine(out.ARTIST, fields[1]);
    setOneLine(out.ALTDISKID, fields[2]);
    out.DISKTRACKNO = static_cast<std::uint32_t>(track);
    setOneLine(out.UNQDISKID, fields[4]);
    setOneLine(out.GENRE, fields[5]);
    setOneLine(out.DUET, fields[6]);
    setOneLine(out.SBKMAKEID, fields[7]);
    out.MAKEID = static_cast<std::int32_t>(brand);
    setOneLine(out.MAKETYPE, fields[9]);
    if (out.UNQDISKID.blank() && out.ALTDISKID.blank()) {
        why = "it has neither a disc id nor a custom disc id";
        return CsvRowResult::Unreadable;
    }
    // A date without digits ("", "  /  /") is no date; anything else must be one that the
    // SongBook keeps and writes back as it was read.
    const std::string& date = fields[10];
    if (date.find_first_of("0123456789") != std::string::npos) {
        out.DATEADDED = rt::parseMDY(date);
        if (out.DATEADDED == 0) {
            why = "the date " + quoted(date) + " is not a date";
            return CsvRowResult::BadDate;
        }
        if (!rt::fitsMDY(out.DATEADDED)) {
            const int cy = rt::yearOf(rt::today());
            why = "the date " + quoted(date) + " is outside the years " + std::to_string(cy - 80) + " to " +
                  std::to_string(cy + 19) + " that a two-digit year stands for";
            out.DATEADDED = 0;
            return CsvRowResult::BadDate;
        }
    } else if (!rt::trim(date).empty() && rt::trim(date).find_first_not_of("/ ") != std::string::npos) {
        why = "the date " + quoted(date) + " is not a date";
        return CsvRowResult::BadDate;
    }
    return CsvRowResult::Ok;
}
