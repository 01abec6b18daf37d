#pragma once
// Where things go on label and slip sheets: pure functions over plain values, so the reports
// only read records and hand the results to the report engine.
//
//     std::map<unsigned, std::string> titles = {{1, "Lanterns Over Calder Bay"}, {2, "Atlas"}};
//     auto lines = CdLabelTrackLines(titles);      // "1." Lanterns Over / "" Calder Bay / "2." Atlas
//     auto rows = CdLabelDetailRows(lines);        // 18 rows: left column, right column
//     SheetPlace p = MiniLabelPlace(80);           // the 81st label: page 2, first place
//
// Lengths are in thousandths of an inch from the page's top left corner.
#include <cstddef>
#include <map>
#include <string>
#include <vector>

// One line of a CD label's track list: the track number ("1." to "9.", "10" to "24", blank
// on a title's continuation lines) and up to 18 characters of title.
struct LabelTrackLine {
    std::string trackNo;
    std::string title;
    bool operator==(const LabelTrackLine&) const = default;
};

// Lines a label title takes: cut at the last blank within the first 19 characters (the blank
// dropped) while longer than 18, at most three lines; a title without such a blank stays on
// one line. Trailing blanks are ignored.
std::vector<std::string> SplitLabelTitle(const std::string& title);

// The track lines of a disc from its titles by track number. Tracks outside 1-24 are left
// out. A title of several lines that would not fit in what is left of the left column starts
// the right column instead (blank lines fill the left one), so no title is split across the
// two columns.
std::vector<LabelTrackLine> CdLabelTrackLines(const std::map<unsigned, std::string>& titles);

// The label's 18 detail rows: row i shows track line i on the left and i + 18 on the right.
// Lines beyond 36 are not printed; a row without track lines is a filler (filler = true).
struct LabelDetailRow {
    LabelTrackLine left, right;
    bool filler = false;
    bool operator==(const LabelDetailRow&) const = default;
};
constexpr int kLabelDetailRows = 18;
std::vector<LabelDetailRow> CdLabelDetailRows(const std::vector<LabelTrackLine>& lines);

// A place on a sheet: page from 1, and the top left corner.
struct SheetPlace {
    int page = 1;
    int x = 0, y = 0;
    bool operator==(const SheetPlace&) const = default;
};

// CD labels: two to a US Letter page, each a head, 18 detail rows and a foot.
constexpr int kCdLabelHeadHeight = 1875;
constexpr int kCdLabelRowHeight = 135;
constexpr int kCdLabelFootHeight = 635;
constexpr int kCdLabelHeight = kCdLabelHeadHeight + kLabelDetailRows * kCdLabelRowHeight + kCdLabelFootHeight;
constexpr int kCdLabelsPerPage = 2;
SheetPlace CdLabelPlace(std::size_t index);  // index from 0
// The two label circles of every page: 5 in across, top left corners.
constexpr int kCdCircleSize = 5000;
constexpr int kCdCircleX = 1771;
constexpr int kCdCircleTopY = 510;
constexpr int kCdCircleBottomY = 5521;

// Mini-labels: 1.938 x 0.49 in, 4 across and 20 down from (0.125, 0.49) in.
constexpr int kMiniLabelWidth = 1938;
constexpr int kMiniLabelHeight = 490;
constexpr int kMiniLabelsAcross = 4;
constexpr int kMiniLabelsDown = 20;
SheetPlace MiniLabelPlace(std::size_t index);

// Request slips: 4.25 x 2.625 in, 2 across and 4 down from the page's corner.
constexpr int kSlipWidth = 4250;
constexpr int kSlipHeight = 2625;
constexpr int kSlipsAcross = 2;
constexpr int kSlipsDown = 4;
SheetPlace RequestSlipPlace(std::size_t index);
// Pages needed for a number of places.
int SheetPages(std::size_t count, int perPage);

// A straight line on a page.
struct GuideLine {
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool operator==(const GuideLine&) const = default;
};
// The seventeen cutting guides of a slip page.
std::vector<GuideLine> SlipCuttingGuides();
