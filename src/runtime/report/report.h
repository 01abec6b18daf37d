#pragma once
// The band report engine. A report lays its bands out top to bottom on pages of Letter or A4
// paper and writes each finished page as a page file (page_file.h) into a folder of its own,
// listing the file in the page queue the caller gave it. Nothing here draws: the renderers
// (runtime/report/render) turn page files into images, PDF and printed pages.
//
//     rt::report::PageQueue pages;
//     rt::report::Report report;                     // thousandths of an inch, Letter, portrait
//     report.setPages(pages);
//     report.area = {775, 1000, 7396, 9000};         // where the detail rows go
//     auto& header = report.header({775, 0, 7396, 979});
//     auto& heading = header.add(rt::report::Text(371, 229, 4760, 344, "Titles")
//                                    .withFont(rt::report::font("Arial", 18, true))
//                                    .withAlign(rt::report::Align::Center));
//     auto& footer = report.footer({775, 10000, 7396, 500});
//     footer.add(rt::report::Text(0, 302, 1000, 208, "Page: ").withPageNumber());
//     auto& row = report.detail(250, 115);           // 250 high, top 115 above the print position
//     row.add(rt::report::Box(125, 94, 6800, 140, 0xE1E1E1, rt::kNoColor));  // shading
//     auto& title = row.add(rt::report::Text(125, 94, 3063, 120).withLimit(40));
//     report.setPageNumber(5);                       // the first page is page 5
//     for (const auto& t : titles) {
//         title.text = t;                            // controls change between prints
//         report.print(row);                         // breaks the page when the area is full
//     }
//     heading.hidden = true;                         // pages started from now on lack it
//     report.close();                                // finishes the last page
//     ... show or print the files listed in pages ...
//     // the page folder goes when `report` is destroyed (or cancel() is called)
//
// Geometry is in the report's units: thousandths of an inch, or inches (labels and slips);
// page files always hold whole thousandths. Controls of a band are placed relative to the
// band's top left corner and may lie outside it (negative offsets, boxes reaching below the
// band): nothing is clipped to a band, and later prints draw over earlier ones.
//
// A report belongs to the thread that made it; it takes no locks.
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "runtime/files/work_folder.h"
#include "runtime/window/font.h"

namespace rt::report {

// The pages of a report, in page order: each entry is the whole path of one page file.
using PageQueue = std::vector<std::string>;

enum class Paper { Letter, A4 };
enum class Units { Thousandths, Inches };
enum class Align { Left, Center, Right };

struct Rect {
    double x = 0, y = 0, w = 0, h = 0;
};

// Colours are 0x00BBGGRR as everywhere in the program; kNoColor means none (no fill) or the
// default (black for texts and borders).

// A font: name, size in points, bold, italic and colour.
rt::Font font(const std::string& name, int size, bool bold = false, bool italic = false,
              std::uint32_t color = rt::kNoColor);

struct Text {
    Text() = default;
    Text(double x, double y, double w, double h, std::string text = {})
        : x(x), y(y), w(w), h(h), text(std::move(text)) {}
    Text& withFont(const rt::Font& f) { font = f; return *this; }
    Text& withAlign(Align a) { align = a; return *this; }
    Text& withLimit(int chars) { maxChars = chars; return *this; }
    Text& withPageNumber() { pageNumber = true; return *this; }
    // Prints "Page n of m" once the report's pages are counted (the previewer stamps it).
    Text& withPageOfPages() { pageOfPages = true; return *this; }
    Text& unclipped() { clip = false; return *this; }

    double x = 0, y = 0, w = 0, h = 0;
    std::string text;
    rt::Font font = rt::report::font("Arial", 10);  // colour in font.color
    Align align = Align::Left;
    int maxChars = 0;         // characters shown at most (0: all)
    bool clip = true;         // cut at the control's right edge
    bool pageNumber = false;  // the page's number is printed after the text
    bool pageOfPages = false; // printed as the placeholder the stamping turns into page n of m
    bool hidden = false;
};

struct Box {
    Box() = default;
    Box(double x, double y, double w, double h, std::uint32_t fill = rt::kNoColor, std::uint32_t border = 0,
        double thickness = 0)
        : x(x), y(y), w(w), h(h), fill(fill), border(border), thickness(thickness) {}
    double x = 0, y = 0, w = 0, h = 0;
    std::uint32_t fill = rt::kNoColor;
    std::uint32_t border = 0;  // kNoColor: no border
    double thickness = 0;      // border width in the report's units; 0 is the thinnest line
    bool hidden = false;
};

// From (x, y) to (x + w, y + h).
struct Line {
    Line() = default;
    Line(double x, double y, double w, double h, std::uint32_t color = 0, double thickness = 0)
        : x(x), y(y), w(w), h(h), color(color), thickness(thickness) {}
    double x = 0, y = 0, w = 0, h = 0;
    std::uint32_t color = 0;
    double thickness = 0;
    bool hidden = false;
};

struct Ellipse {
    Ellipse() = default;
    Ellipse(double x, double y, double w, double h, std::uint32_t fill = rt::kNoColor, std::uint32_t border = 0,
            double thickness = 0)
        : x(x), y(y), w(w), h(h), fill(fill), border(border), thickness(thickness) {}
    double x = 0, y = 0, w = 0, h = 0;
    std::uint32_t fill = rt::kNoColor;
    std::uint32_t border = 0;
    double thickness = 0;
    bool hidden = false;
};

// A picture file (JPEG, PNG, BMP, GIF) scaled into the rectangle.
struct Image {
    Image() = default;
    Image(double x, double y, double w, double h, std::string file)
        : x(x), y(y), w(w), h(h), file(std::move(file)) {}
    double x = 0, y = 0, w = 0, h = 0;
    std::string file;
    bool hidden = false;
};

using Control = std::variant<Text, Box, Line, Ellipse, Image>;

enum class BandKind { Header, Footer, Detail, GroupHead, GroupFoot, Background };

class Band {
public:
    Band(BandKind kind, Rect place, double above) : kind(kind), place(place), above(above) {}

    // Adds a control; the reference stays valid as long as the report lives.
    template <class C>
    C& add(C control) {
        controls.emplace_back(std::move(control));
        return std::get<C>(controls.back());
    }

    const BandKind kind;
    // Header, footer and background: where the band lies on the page. Detail and group bands:
    // x is measured from the detail area's left edge, h is the band's height, and w (when not
    // 0 and narrower than the area) lets consecutive prints stand side by side (labels).
    Rect place;
    // Detail and group bands: how far the band's top lies above the print position. A print
    // moves the print position down by the height less this.
    double above = 0;
    bool hidden = false;
    std::deque<Control> controls;
};

class Report {
public:
    explicit Report(Units units = Units::Thousandths);
    ~Report();  // removes the page folder with every page file in it
    Report(const Report&) = delete;
    Report& operator=(const Report&) = delete;

    // --- set-up (paper and area may change until the first page starts) ---
    Paper paper = Paper::Letter;
    bool landscape = false;
    Rect area;              // the detail area; empty: the whole page
    int rowsPerPage = 0;    // when not 0, a page ends after exactly this many detail prints
    std::string title;      // the document name printers show

    Band& header(Rect place);
    Band& footer(Rect place);
    Band& background(Rect place = {});
    Band& detail(double height, double above = 0);
    // A group: `head` is printed before the first detail print and whenever key() changes,
    // `foot` (when given) after the group's last detail print.
    Band& groupHead(double height, double above = 0);
    Band& groupFoot(double height, double above = 0);
    void group(Band& head, Band* foot, std::function<std::string()> key);

    // The page files go into `pages` (kept by the caller; it must outlive the printing).
    void setPages(PageQueue& pages);
    // The number the next page started gets.
    void setPageNumber(int n);

    // --- printing ---
    // Prints a detail or group band at the print position, starting a page first when needed.
    // False when a page file could not be written (error() says why; the report stops).
    bool print(Band& band);
    // Ends the current page (nothing when no page is started).
    bool endPage();
    // Ends the last page. The pages stay until the report is destroyed.
    bool close();
    // Drops every page written so far: files and page-queue entries.
    void cancel();

    // Asks close() to send the pages to the current printer as one job (reports that print
    // without preview); the previewer turns it off when it printed them itself.
    void setPrintOnClose(bool on) { printOnClose_ = on; }
    bool printOnClose() const { return printOnClose_; }

    // --- what the report knows ---
    int pageNumber() const;       // number of the current page (or of the next one)
    int pagesWritten() const;     // pages finished by this report
    bool pageStarted() const { return pageOpen_; }
    double printPosition() const; // in the report's units, from the page's top edge
    const std::string& folder() const { return folder_.path(); }
    const std::string& error() const { return error_; }
    // The paper's size in thousandths of an inch, with the orientation applied.
    int paperWidth() const;
    int paperHeight() const;
    Units units() const { return units_; }

private:
    bool startPage();
    bool finishPage();
    void layBand(const Band& band, double x, double y);
    bool ensureFolder();
    long toMils(double v) const;
    Band& addBand(BandKind kind, Rect place, double above);
    bool printGroups();

    Units units_;
    std::deque<Band> bands_;
    PageQueue* pages_ = nullptr;
    PageQueue ownPages_;
    WorkFolder folder_;
    std::string error_;
    std::string page_;      // the page being laid out, in the page file's format
    bool pageOpen_ = false;
    bool closed_ = false;
    bool printOnClose_ = false;
    int nextNumber_ = 1;
    int number_ = 1;
    int written_ = 0;
    int rowsOnPage_ = 0;
    int printsOnPage_ = 0;
    long pos_ = 0;          // print position, thousandths from the page top
    long colX_ = 0;         // side-by-side prints: offset of the next one
    long rowPitch_ = 0;     // side-by-side prints: the tallest pitch of the current row
    struct Group {
        Band* head;
        Band* foot;
        std::function<std::string()> key;
        std::string last;
        bool started = false;
    };
    std::vector<Group> groups_;
    std::vector<std::string> files_;  // every page file written
};

// Thousandths of an inch of the paper, portrait.
int paperWidthMils(Paper p);
int paperHeightMils(Paper p);

}  // namespace rt::report
