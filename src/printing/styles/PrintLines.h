#pragma once
// The printed lines of a SongBook, built from the ordered selection. One line is one row of
// one column. Two builders make them:
//
// - BuildWrappedLines (flat styles): one line per entry, and a continuation line under an
//   entry whose title or artist is longer than the column allows; a long entry never starts
//   on the last row of a page (a filler line pushes it on).
// - BuildGroupedLines (Indented styles): a heading line per group and one line per entry under
//   it; a group that runs over a column or page goes on under its heading again, marked
//   " (cont.)", and a heading never stands alone on the last row.
//
// Both count rows with the same rows per column R that the page break and the column split
// use, so every entry prints exactly once and in order. They take one entry at a time and keep
// only what the next entry needs, so a report makes its lines as its pages need them.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "printing/styles/SelectSongBookEntries.h"

struct PrintLine {
    char FIELD = ' ';          // grouped styles: 'A' artist, 'T' title, 'X' filler
    bool TOP = false;          // flat styles: the entry's first line starts a page (or column)
    bool LINEBREAK = false;    // flat styles: a blank filler line
    bool WRAPPED = false;      // flat styles: the continuation line of a long entry
    std::int32_t INDEX = 0;    // running number from 1
    std::int32_t LINE = 0;     // flat: position in its group; grouped: row in its column
    std::string group;         // flat styles: the entry's whole group field (artist or title)
    std::string TITLE, ARTIST;
    std::string DISKTRACKNO, UNQDISKID, MAKEID;
    std::uint32_t track = 0;
};

struct WrapLimits {
    int title = 40, artist = 30;
};

// The wrap limits of a page kind and font size (1..3; two columns know only 1 and 2).
WrapLimits OneColumnWrapLimits(int fontSize);
WrapLimits TwoColumnWrapLimits(int fontSize);

// Splits a text longer than `limit` characters at the last blank within the first `limit`
// characters: {first part, remainder}. A text without such a blank stays whole.
std::pair<std::string, std::string> SplitAtBlank(const std::string& text, int limit);

// Two group fields are one group when equal in capitals, trailing blanks ignored.
bool SameGroup(const std::string& a, const std::string& b);

// A line for one entry as it stands (Paper Saver: no continuation lines). The entry's texts
// move into the line.
PrintLine EntryLine(SelectionEntry&& e, bool titleOrder);

// Turns entries, one after another, into their lines.
class LineBuilder {
public:
    virtual ~LineBuilder() = default;
    // Appends the lines of the next entry (taken over) to `out`.
    virtual void add(SelectionEntry&& e, std::deque<PrintLine>& out) = 0;

protected:
    // Appends a line with the next running number.
    void append(PrintLine&& l, std::deque<PrintLine>& out) {
        l.INDEX = ++index_;
        out.push_back(std::move(l));
    }

private:
    std::int32_t index_ = 0;
};

// The builder of a style's lines: wrapped lines (flat styles), grouped lines (Indented) or,
// with Paper Saver in a flat style, one line per entry as it stands.
std::unique_ptr<LineBuilder> WrappedLineBuilder(bool titleOrder, WrapLimits limits, int rowsPerColumn);
std::unique_ptr<LineBuilder> GroupedLineBuilder(bool titleOrder, int rowsPerColumn);
std::unique_ptr<LineBuilder> EntryLineBuilder(bool titleOrder);

// All lines of a whole selection at once.
std::vector<PrintLine> BuildWrappedLines(std::vector<SelectionEntry> entries, bool titleOrder, WrapLimits limits,
                                         int rowsPerColumn);
std::vector<PrintLine> BuildGroupedLines(std::vector<SelectionEntry> entries, bool titleOrder, int rowsPerColumn);
// Paper Saver: one line per entry.
std::vector<PrintLine> EntryLines(std::vector<SelectionEntry> entries, bool titleOrder);
