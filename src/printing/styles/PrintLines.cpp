#include "printing/styles/PrintLines.h"

#include "runtime/text/text.h"

WrapLimits OneColumnWrapLimits(int fontSize) { return fontSize == 1 ? WrapLimits{40, 30} : WrapLimits{30, 20}; }

WrapLimits TwoColumnWrapLimits(int fontSize) { return fontSize == 1 ? WrapLimits{24, 20} : WrapLimits{20, 14}; }

std::pair<std::string, std::string> SplitAtBlank(const std::string& text, int limit) {
    const std::string t = rt::clip(text);
    const std::u32string cps = rt::codePoints(t);
    if (static_cast<int>(cps.size()) <= limit) return {t, {}};
    // The last blank at a position of at most limit (counted from 1).
    for (int b = limit; b >= 1; --b) {
        if (cps[static_cast<std::size_t>(b - 1)] != U' ') continue;
        return {rt::clip(rt::fromCodePoints(cps.substr(0, static_cast<std::size_t>(b - 1)))),
                rt::fromCodePoints(cps.substr(static_cast<std::size_t>(b)))};
    }
    return {t, {}};
}

bool SameGroup(const std::string& a, const std::string& b) { return rt::upper(rt::clip(a)) == rt::upper(rt::clip(b)); }

PrintLine EntryLine(SelectionEntry&& e, bool titleOrder) {
    PrintLine l;
    l.group = titleOrder ? e.TITLE : e.ARTIST;
    l.TITLE = std::move(e.TITLE);
    l.ARTIST = std::move(e.ARTIST);
    l.DISKTRACKNO = std::move(e.DISKTRACKNO);
    l.UNQDISKID = std::move(e.UNQDISKID);
    l.MAKEID = std::move(e.MAKEID);
    l.track = e.track;
    // What only the ordering needed goes now.
    std::string().swap(e.UPPERTITLE);
    std::string().swap(e.UPPERARTIST);
    std::string().swap(e.GENRE);
    return l;
}

std::vector<PrintLine> EntryLines(std::vector<SelectionEntry> entries, bool titleOrder) {
    std::vector<PrintLine> out;
    out.reserve(entries.size());
    for (SelectionEntry& e : entries) out.push_back(EntryLine(std::move(e), titleOrder));
    return out;
}

std::vector<PrintLine> BuildWrappedLines(std::vector<SelectionEntry> entries, bool titleOrder, WrapLimits limits,
                                         int rowsPerColumn) {
    const int R = rowsPerColumn < 1 ? 1 : rowsPerColumn;
    std::vector<PrintLine> out;
    out.reserve(entries.size() + entries.size() / 8);
    int c = 0;       // lines on the current page
    int line = 0;    // position in the group
    std::string previous;
    bool first = true;
    auto add = [&](PrintLine l) {
        l.INDEX = static_cast<std::int32_t>(out.size() + 1);
        l.LINE = line;
        out.push_back(std::move(l));
        if (++c > R) c = 1;
    };
    for (SelectionEntry& e : entries) {
        const std::string& key = titleOrder ? e.TITLE : e.ARTIST;
        line = !first && SameGroup(key, previous) ? line + 1 : 1;
        previous = key;
        first = false;
        const bool titleLong = static_cast<int>(rt::length(rt::clip(e.TITLE))) > limits.title;
        const bool artistLong = static_cast<int>(rt::length(rt::clip(e.ARTIST))) > limits.artist;
        std::pair<std::string, std::string> titleParts, artistParts;
        if (titleLong || artistLong) {
            titleParts = SplitAtBlank(e.TITLE, limits.title);
            artistParts = SplitAtBlank(e.ARTIST, limits.artist);
        }
        const auto& [title1, title2] = titleParts;
        const auto& [artist1, artist2] = artistParts;
        PrintLine l = EntryLine(std::move(e), titleOrder);
        l.TOP = c == R;
        if (!titleLong && !artistLong) {
            add(std::move(l));
            continue;
        }
        if (c == R - 1) {
            PrintLine filler;
            filler.LINEBREAK = true;
            add(std::move(filler));
            l.TOP = c == R;
        }
        l.TITLE = title1;
        l.ARTIST = artist1;
        const std::string group = l.group;
        add(std::move(l));
        ++line;
        // A later entry of the group prints its group field blank: only an overflow of the
        // other field needs a continuation line, unless the entry stands near a page's top.
        const std::string& otherRest = titleOrder ? artist2 : title2;
        if (line > 2 && otherRest.empty() && c > 2) continue;
        PrintLine cont;
        cont.TOP = c < 3;
        cont.WRAPPED = true;
        cont.group = group;
        cont.TITLE = title2.empty() ? std::string() : "  " + title2;
        cont.ARTIST = artist2.empty() ? std::string() : "  " + artist2;
        add(std::move(cont));
    }
    return out;
}

std::vector<PrintLine> BuildGroupedLines(std::vector<SelectionEntry> entries, bool titleOrder, int rowsPerColumn) {
    const int L = rowsPerColumn < 1 ? 1 : rowsPerColumn;
    const char heading = titleOrder ? 'T' : 'A', entry = titleOrder ? 'A' : 'T';
    std::vector<PrintLine> out;
    out.reserve(entries.size() * 5 / 4);
    int c = 0;
    auto add = [&](PrintLine l, char field, int lineNo) {
        l.FIELD = field;
        l.LINE = lineNo;
        l.INDEX = static_cast<std::int32_t>(out.size() + 1);
        out.push_back(std::move(l));
    };
    std::string groupText;  // the group as its first entry spells it
    for (SelectionEntry& e : entries) {
        const bool sameGroup = !out.empty() && SameGroup(titleOrder ? e.TITLE : e.ARTIST, groupText);
        if (!sameGroup) groupText = titleOrder ? e.TITLE : e.ARTIST;
        PrintLine l = EntryLine(std::move(e), titleOrder);
        if (sameGroup) {
            ++c;
            if (c <= L) {
                add(std::move(l), entry, c);
            } else if (out.back().FIELD != entry) {
                c = 1;
                add(std::move(l), entry, c);
            } else {
                PrintLine head;  // a heading prints its group alone
                head.group = groupText + " (cont.)";
                add(std::move(head), heading, 1);
                c = 2;
                add(std::move(l), entry, c);
            }
            continue;
        }
        ++c;
        if (c == L && L > 1) {
            add(PrintLine{}, 'X', c);
            c = 1;
        } else if (c > L) {
            c = 1;
        }
        PrintLine head;
        head.group = groupText;
        add(std::move(head), heading, c);
        ++c;
        if (c > L) c = 1;  // one row per column: the entry goes on at the top of the next
        add(std::move(l), entry, c);
    }
    return out;
}
