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

namespace {

class PaperSaverLines : public LineBuilder {
public:
    explicit PaperSaverLines(bool titleOrder) : titleOrder_(titleOrder) {}
    void add(SelectionEntry&& e, std::deque<PrintLine>& out) override { append(EntryLine(std::move(e), titleOrder_), out); }

private:
    bool titleOrder_;
};

class WrappedLines : public LineBuilder {
public:
    WrappedLines(bool titleOrder, WrapLimits limits, int rowsPerColumn)
        : titleOrder_(titleOrder), limits_(limits), R_(rowsPerColumn < 1 ? 1 : rowsPerColumn) {}

    void add(SelectionEntry&& e, std::deque<PrintLine>& out) override {
        const std::string& key = titleOrder_ ? e.TITLE : e.ARTIST;
        line_ = !first_ && SameGroup(key, previous_) ? line_ + 1 : 1;
        previous_ = key;
        first_ = false;
        const bool titleLong = static_cast<int>(rt::length(rt::clip(e.TITLE))) > limits_.title;
        const bool artistLong = static_cast<int>(rt::length(rt::clip(e.ARTIST))) > limits_.artist;
        std::pair<std::string, std::string> titleParts, artistParts;
        if (titleLong || artistLong) {
            titleParts = SplitAtBlank(e.TITLE, limits_.title);
            artistParts = SplitAtBlank(e.ARTIST, limits_.artist);
        }
        const auto& [title1, title2] = titleParts;
        const auto& [artist1, artist2] = artistParts;
        PrintLine l = EntryLine(std::move(e), titleOrder_);
        l.TOP = c_ == R_;
        if (!titleLong && !artistLong) {
            put(std::move(l), out);
            return;
        }
        if (c_ == R_ - 1) {
            PrintLine filler;
            filler.LINEBREAK = true;
            put(std::move(filler), out);
            l.TOP = c_ == R_;
        }
        l.TITLE = title1;
        l.ARTIST = artist1;
        const std::string group = l.group;
        put(std::move(l), out);
        ++line_;
        // A later entry of the group prints its group field blank: only an overflow of the
        // other field needs a continuation line, unless the entry stands near a page's top.
        const std::string& otherRest = titleOrder_ ? artist2 : title2;
        if (line_ > 2 && otherRest.empty() && c_ > 2) return;
        PrintLine cont;
        cont.TOP = c_ < 3;
        cont.WRAPPED = true;
        cont.group = group;
        cont.TITLE = title2.empty() ? std::string() : "  " + title2;
        cont.ARTIST = artist2.empty() ? std::string() : "  " + artist2;
        put(std::move(cont), out);
    }

private:
    void put(PrintLine&& l, std::deque<PrintLine>& out) {
        l.LINE = line_;
        append(std::move(l), out);
        if (++c_ > R_) c_ = 1;
    }

    bool titleOrder_;
    WrapLimits limits_;
    int R_;
    int c_ = 0;     // lines on the current page
    int line_ = 0;  // position in the group
    std::string previous_;
    bool first_ = true;
};

class GroupedLines : public LineBuilder {
public:
    GroupedLines(bool titleOrder, int rowsPerColumn)
        : titleOrder_(titleOrder), L_(rowsPerColumn < 1 ? 1 : rowsPerColumn), heading_(titleOrder ? 'T' : 'A'),
          entry_(titleOrder ? 'A' : 'T') {}

    void add(SelectionEntry&& e, std::deque<PrintLine>& out) override {
        const bool sameGroup = any_ && SameGroup(titleOrder_ ? e.TITLE : e.ARTIST, groupText_);
        if (!sameGroup) groupText_ = titleOrder_ ? e.TITLE : e.ARTIST;
        PrintLine l = EntryLine(std::move(e), titleOrder_);
        if (sameGroup) {
            ++c_;
            if (c_ <= L_) {
                put(std::move(l), entry_, c_, out);
            } else if (lastField_ != entry_) {
                c_ = 1;
                put(std::move(l), entry_, c_, out);
            } else {
                PrintLine head;  // a heading prints its group alone
                head.group = groupText_ + " (cont.)";
                put(std::move(head), heading_, 1, out);
                c_ = 2;
                put(std::move(l), entry_, c_, out);
            }
            return;
        }
        ++c_;
        if (c_ == L_ && L_ > 1) {
            put(PrintLine{}, 'X', c_, out);
            c_ = 1;
        } else if (c_ > L_) {
            c_ = 1;
        }
        PrintLine head;
        head.group = groupText_;
        put(std::move(head), heading_, c_, out);
        ++c_;
        if (c_ > L_) c_ = 1;  // one row per column: the entry goes on at the top of the next
        put(std::move(l), entry_, c_, out);
    }

private:
    void put(PrintLine&& l, char field, int lineNo, std::deque<PrintLine>& out) {
        l.FIELD = field;
        l.LINE = lineNo;
        lastField_ = field;
        any_ = true;
        append(std::move(l), out);
    }

    bool titleOrder_;
    int L_;
    char heading_, entry_;
    int c_ = 0;
    bool any_ = false;       // a line was added
    char lastField_ = ' ';   // the kind of the last line added
    std::string groupText_;  // the group as its first entry spells it
};

std::vector<PrintLine> allLines(LineBuilder& builder, std::vector<SelectionEntry>& entries) {
    std::deque<PrintLine> lines;
    for (SelectionEntry& e : entries) builder.add(std::move(e), lines);
    return {std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end())};
}

}  // namespace

std::unique_ptr<LineBuilder> WrappedLineBuilder(bool titleOrder, WrapLimits limits, int rowsPerColumn) {
    return std::make_unique<WrappedLines>(titleOrder, limits, rowsPerColumn);
}

std::unique_ptr<LineBuilder> GroupedLineBuilder(bool titleOrder, int rowsPerColumn) {
    return std::make_unique<GroupedLines>(titleOrder, rowsPerColumn);
}

std::unique_ptr<LineBuilder> EntryLineBuilder(bool titleOrder) { return std::make_unique<PaperSaverLines>(titleOrder); }

std::vector<PrintLine> EntryLines(std::vector<SelectionEntry> entries, bool titleOrder) {
    return allLines(*EntryLineBuilder(titleOrder), entries);
}

std::vector<PrintLine> BuildWrappedLines(std::vector<SelectionEntry> entries, bool titleOrder, WrapLimits limits,
                                         int rowsPerColumn) {
    return allLines(*WrappedLineBuilder(titleOrder, limits, rowsPerColumn), entries);
}

std::vector<PrintLine> BuildGroupedLines(std::vector<SelectionEntry> entries, bool titleOrder, int rowsPerColumn) {
    return allLines(*GroupedLineBuilder(titleOrder, rowsPerColumn), entries);
}
