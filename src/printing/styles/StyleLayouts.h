#pragma once
// The ten style reports as data: which order, which page kind, how rows are made, and where
// every control of the page lies (thousandths of an inch, Letter paper; A4 moves the page).
// One table row per report; the page layouts are shared by page kind, the rows by row kind.
#include <string>

enum class PageKind { OneColumn, TwoColumns };
enum class RowKind { PlainShaded, Formatted, Indented };

struct Span {
    int x = 0, w = 0;
};

struct StyleLayout {
    const char* name;          // the report procedure's name
    int format;                // PrintFormat 1..6
    bool titleOrder;
    PageKind page;
    RowKind rows;
    int headerY;               // REPORTHEADER's top
    // Column headings (left column; the right column's are in `right*`).
    Span artistHead, titleHead, songHead, promptHead;
    Span rightArtistHead, rightTitleHead, rightSongHead, rightPromptHead;
    // Detail fields (left column); `right` gives the right column's x for each.
    Span title, artist, song, make;
    int rightTitleX, rightArtistX, rightSongX, rightMakeX, rightMakeW;
    int titleShows, artistShows;
    int columnBar1W;           // two columns: the left bar's width
    Span footer;
    int footerY;
    int pageNumberX, pageNumberY;
    // Rules: full and indented (the indented one as blanks then underscores).
    int fullRule, indentBlanks, indentRule;
};

// The report for a PrintFormat (1..6) and PrintSort (1 title, 2 artist); null for any other.
const StyleLayout* FindStyle(int printFormat, int printSort);
// All ten, in the order of the style table.
const StyleLayout* AllStyles(int& count);

// Base rows a page (one column) or a column (two columns) holds, before the page-break offset.
int BaseRowsPerColumn(PageKind page, int fontSize, bool a4);

// The rule texts of a style.
std::string FullRule(const StyleLayout& s);
std::string IndentedRule(const StyleLayout& s);
