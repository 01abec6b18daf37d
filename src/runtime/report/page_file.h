#pragma once
// Page files: what is on one printed page, as plain text, one item a line, positions and
// sizes in whole thousandths of an inch from the paper's top left corner. Items are drawn in
// file order, so later ones lie on top. Texts are stored as their own UTF-8 bytes (a new line
// as "\n", a backslash as "\\"), so a text such as the page-number placeholder can be found
// and overwritten in place without changing the file's length.
//
//     cantorelle-page|1|8500|11000                        paper width and height
//     T|x|y|w|h|align|clip|size|weight|italic|colour|font|text
//     P|x|y|w|h|align|clip|size|weight|italic|colour|font|text   a text the page numbers go into
//     B|x|y|w|h|fill|border|thickness                     box
//     L|x1|y1|x2|y2|colour|thickness                      line
//     E|x|y|w|h|fill|border|thickness                     ellipse
//     I|x|y|w|h|file                                      picture
//
// align is L, C or R; clip 1 or 0; italic 1 or 0; colours RRGGBB or "-" for none (texts and
// borders: "-" is black). A "P" line is a text the report placed for the page numbers: it is
// read as a text, and only there does the stamping look for the placeholder, so a host's own
// text that reads like it prints as it is.
#include <cstdint>
#include <string>
#include <vector>

namespace rt::report {

// The page-number placeholder a report prints where "Page n of m" is to stand.
inline constexpr char kPagePlaceholder[] = "Page xxxxx of xxxxx";
inline constexpr int kPagePlaceholderLength = 19;

struct PageItem {
    char kind = 'T';                 // T, B, L, E, I
    long x = 0, y = 0, w = 0, h = 0; // lines: x, y to w, h (the end point)
    char align = 'L';
    bool clip = true;
    int size = 10, weight = 400;
    bool italic = false;
    std::uint32_t color = 0;         // 0x00BBGGRR; texts, borders and lines
    std::uint32_t fill = 0;
    bool hasFill = false, hasBorder = true;
    long thickness = 0;
    std::string font;
    std::string text;                // texts; pictures: the file
    bool pageNumbers = false;        // texts: placed for the stamping ("P" line)
};

struct PageFile {
    long width = 8500, height = 11000;
    std::vector<PageItem> items;
};

// One item as a line of a page file (without the line end).
std::string pageLine(const PageItem& item);
std::string pageHeaderLine(long width, long height);

// Reads a page file. False (and a blank Letter page) when it cannot be read or is not a page
// file; lines it does not understand are skipped.
bool readPageFile(const std::string& path, PageFile& page);
bool parsePage(const std::string& text, PageFile& page);

// "Page n of m" centred in 19 characters as the stamping writes it.
std::string pageNumberText(long n, long m);

// Overwrites the first placeholder that a "P" line of the file holds with pageNumberText(n, m),
// in place. 1 when stamped, 0 when the file has no such placeholder, -1 when it cannot be
// opened or written.
int stampPageNumber(const std::string& path, long n, long m);

}  // namespace rt::report
