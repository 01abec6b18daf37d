#pragma once
// A style report's pages: the layout of its page kind built as report bands from the style's
// table and the print settings, and its rows printed into them, a page every rows-per-page
// rows, with the binding offset and the blank rows at the end.
//
//     rt::report::Report report;
//     report.setPages(pages);
//     StyleReport run(*style, settings, selection, altIdOf, report);   // an EntrySource
//     while (run.step(56)) { ... show run.percent() ... }   // false once every row is printed
//     run.finish();                                        // blank rows, the last page ended
//
// Works on the settings it is given (a snapshot), so a Designer changed meanwhile leaves it
// alone.
#include <memory>
#include <string>
#include <vector>

#include "printing/PrintSettings.h"
#include "printing/styles/StyleLayouts.h"
#include "printing/styles/StyleRows.h"
#include "runtime/report/report.h"

// The line the page footer carries unless the settings leave it off.
inline constexpr const char* kByLine = "Printed with Cantorelle V2 SongBook Maker";

class StyleReport {
public:
    // The entries are read as the pages need them (`entries` must outlive the report).
    StyleReport(const StyleLayout& style, const PrintSettings& settings, EntrySource& entries, DiscLookup altIdOf,
                rt::report::Report& report);
    StyleReport(const StyleLayout& style, const PrintSettings& settings, std::vector<SelectionEntry> entries,
                DiscLookup altIdOf, rt::report::Report& report);
    ~StyleReport();
    StyleReport(const StyleReport&) = delete;
    StyleReport& operator=(const StyleReport&) = delete;

    // True when there are rows to print at all.
    bool hasRows() const;
    // Prints up to maxRows rows; false when none is left (or the report failed, or the entries
    // could not be read: error()).
    bool step(int maxRows);
    // The share done, 0..100.
    int percent() const;
    // The blank rows of a bound SongBook, then the last page ended. False when a page could
    // not be written.
    bool finish();
    const std::string& error() const;
    int rowsPerColumn() const;
    // Rows a timer tick prints: 56 in one column, 25 in two.
    int rowsPerTick() const;
    // The largest binding offset the page allows: pages move at most this far, so that no
    // control of the style lies off the paper.
    int bindingOffsetLimit() const;

private:
    struct Impl;
    std::unique_ptr<Impl> d_;
};

// The binding offset a style allows on the paper of `settings` (StyleReport::bindingOffsetLimit).
int BindingOffsetLimit(const StyleLayout& style, const PrintSettings& settings);
