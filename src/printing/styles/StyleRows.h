#pragma once
// The rows of a style report, prepared from the ordered selection: one shared builder per
// page kind (one column, two columns), told by the style's row kind how a line becomes a
// row. Pure logic: the report (StyleReport.h) only copies a row's values into its controls.
//
//     StyleRows rows(*FindStyle(3, 2), settings, selection, altIdOf);   // an EntrySource
//     PageRow r;
//     while (rows.next(r)) { ... r.column[0].title ... }
//
// Rows come page by page: rowsPerColumn() rows a page, the first row of a page has
// firstOnPage set, and every entry appears exactly once, in order. The entries are read and
// their lines made as the pages need them, and a page's lines go once it is done, so a
// SongBook of any size is never held whole.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "printing/PrintSettings.h"
#include "printing/styles/PrintLines.h"
#include "printing/styles/StyleLayouts.h"

struct ColumnRow {
    std::string title, artist, songNumber, make, rule;
    bool shaded = false;  // Plain/Shaded: the grey band behind the row
    bool blank = true;    // nothing to show (the right column after the last line)
};

struct PageRow {
    ColumnRow column[2];
    bool firstOnPage = false;
    int page = 1;         // counted from 1
    bool hideRightBar = false;  // Indented two columns: no right column from here on
};

// The custom disc id of a disc id ("" when the SongBook has no such disc).
using DiscLookup = std::function<std::string(const std::string& unqDiskId)>;

class StyleRows {
public:
    // The rows of the entries `entries` gives (read as the pages need them; it must outlive
    // the rows).
    StyleRows(const StyleLayout& style, const PrintSettings& settings, EntrySource& entries, DiscLookup altIdOf);
    // The rows of entries held here.
    StyleRows(const StyleLayout& style, const PrintSettings& settings, std::vector<SelectionEntry> entries,
              DiscLookup altIdOf);

    // True when there is a row at all.
    bool hasRows() { return line(0) != nullptr; }
    // The next row; false when there is none (or the entries could not be read: error()).
    bool next(PageRow& row);

    int rowsPerColumn() const { return rows_; }
    // Progress: entries to process and lines processed so far (two a row in two columns).
    long long toProcess() const { return toProcess_; }
    long long processed() const { return processed_; }
    // The lines made and not yet let go: those of the current page and the next at most.
    std::size_t linesHeld() const { return lines_.size(); }
    // Why the entries ended early ("" when they did not).
    const std::string& error() const { return source_->error(); }

private:
    void start();
    // Line i (from 0) of the report, made when first asked for; null beyond the last.
    const PrintLine* line(std::size_t i);
    // Lets go of the lines before line i.
    void forget(std::size_t i);
    ColumnRow oneColumn(const PrintLine& l);
    ColumnRow twoColumn(const PrintLine& l, int col);
    ColumnRow indented(const PrintLine& l);
    ColumnRow plainShaded(const PrintLine& l);
    ColumnRow formatted(const PrintLine& l);
    ColumnRow formattedEntry(const PrintLine& l);
    // A formatted row's group column and rule: the group shown again at the top of a page, else
    // left out under an indented rule while it goes on; a new group stands under a full rule.
    void groupRule(const PrintLine& l, ColumnRow& r);
    std::string songNumber(const PrintLine& l);
    // The make shown beside an entry: none when the settings hide it.
    std::string make(const PrintLine& l) const { return s_.ShowMake != 0 ? std::string() : l.MAKEID; }
    std::string& groupField(ColumnRow& r) const { return style_.titleOrder ? r.title : r.artist; }
    std::string& otherField(ColumnRow& r) const { return style_.titleOrder ? r.artist : r.title; }
    const std::string& otherOf(const PrintLine& l) const { return style_.titleOrder ? l.ARTIST : l.TITLE; }

    const StyleLayout& style_;
    PrintSettings s_;
    DiscLookup altIdOf_;
    std::unique_ptr<EntrySource> held_;  // the entries, when they are held here
    EntrySource* source_;
    std::unique_ptr<LineBuilder> builder_;
    std::deque<PrintLine> lines_;        // lines first_ ... made so far
    std::size_t first_ = 0;
    bool exhausted_ = false;
    std::string fullRule_, indentedRule_;
    int rows_ = 1;
    bool fromEntries_ = false;   // Paper Saver in a flat style: lines are the entries as they stand
    std::size_t p_ = 0;          // the next line (0-based)
    int c_ = 0;                  // rows on the current page
    int page_ = 1;
    long long toProcess_ = 0, processed_ = 0;
    // Plain/Shaded
    bool shadeNext_ = false, lastShade_ = false;
    // Formatted
    std::string lastGroup_[2];
    bool reset_ = false;
    bool firstRow_ = true;
    bool rightBarHidden_ = false;
};
