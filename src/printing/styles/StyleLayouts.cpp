#include "printing/styles/StyleLayouts.h"

#include <iterator>

namespace {

using PK = PageKind;
using RK = RowKind;

// One column: title, artist, song number (5656, 1271) and manufacturer fields per report.
// Two columns: see below. Spans give (x, width).
const StyleLayout kStyles[] = {
    // name, format, title order, page, rows, header y,
    // artist, title, song, prompt headings; right-column headings (two columns only)
    // title, artist, song, make fields; right-column x of title, artist, song, make, make width
    // title shows, artist shows, left bar width, footer span, footer y, page number x, y, rules
    {"PrintTitleGreyWhite", 1, true, PK::OneColumn, RK::PlainShaded, 219,
     {4031, 583}, {1125, 1063}, {5906, 1115}, {5177, 708}, {}, {}, {}, {},
     {125, 3063}, {3271, 2115}, {5656, 1271}, {5375, 323}, 0, 0, 0, 0, 0,
     40, 40, 0, {1823, 3406}, 302, 6313, 104, 0, 0, 0},
    {"PrintArtistGreyWhite", 1, false, PK::OneColumn, RK::PlainShaded, 229,
     {896, 583}, {3396, 950}, {5906, 1115}, {5198, 708}, {}, {}, {}, {},
     {2333, 3063}, {135, 2115}, {5656, 1271}, {5396, 323}, 0, 0, 0, 0, 0,
     40, 25, 0, {1802, 3438}, 302, 6313, 104, 0, 0, 0},
    {"PrintTitleShortLong", 3, true, PK::OneColumn, RK::Formatted, 219,
     {4000, 583}, {1094, 1135}, {5917, 1094}, {5177, 708}, {}, {}, {}, {},
     {125, 3063}, {3240, 2115}, {5656, 1271}, {5354, 323}, 0, 0, 0, 0, 0,
     40, 30, 0, {1771, 3510}, 302, 6313, 104, 255, 100, 155},
    {"PrintArtistShortLong", 3, false, PK::OneColumn, RK::Formatted, 208,
     {885, 583}, {3365, 1010}, {5917, 1094}, {5219, 708}, {}, {}, {}, {},
     {2333, 3063}, {125, 2115}, {5656, 1271}, {5396, 323}, 0, 0, 0, 0, 0,
     40, 30, 0, {1813, 3427}, 292, 6313, 104, 255, 70, 164},
    {"PrintTitleMod", 4, true, PK::OneColumn, RK::Indented, 219,
     {1792, 583}, {563, 1135}, {5917, 1094}, {5177, 708}, {}, {}, {}, {},
     {125, 5355}, {825, 4655}, {5656, 1271}, {5354, 323}, 0, 0, 0, 0, 0,
     40, 30, 0, {1844, 3365}, 302, 6313, 104, 255, 20, 235},
    {"PrintArtistMod", 4, false, PK::OneColumn, RK::Indented, 240,
     {563, 583}, {1792, 1010}, {5917, 1094}, {5219, 708}, {}, {}, {}, {},
     {825, 4655}, {125, 5355}, {5656, 1271}, {5396, 323}, 0, 0, 0, 0, 0,
     40, 30, 0, {1813, 3427}, 302, 6313, 104, 255, 20, 235},
    {"PrintTwoColTitle", 5, true, PK::TwoColumns, RK::Formatted, 250,
     {2177, 600}, {750, 900}, {3198, 600}, {2760, 300}, {6104, 600}, {4750, 900}, {7219, 600}, {6792, 300},
     {125, 1573}, {1740, 1094}, {3021, 823}, {2823, 219}, 4115, 5729, 7042, 6802, 240,
     40, 40, 3719, {2125, 3625}, 302, 7094, 94, 100, 73, 50},
    {"PrintTwoColArtist", 5, false, PK::TwoColumns, RK::Formatted, 250,
     {500, 600}, {1896, 900}, {3198, 600}, {2750, 300}, {4490, 600}, {5896, 900}, {7219, 600}, {6760, 300},
     {1260, 1573}, {125, 1094}, {3021, 823}, {2833, 198}, 5260, 4115, 7042, 6844, 198,
     40, 40, 3750, {2073, 3729}, 302, 7229, 104, 90, 35, 57},
    {"PrintTwoColTitleMod", 6, true, PK::TwoColumns, RK::Indented, 250,
     {1406, 600}, {427, 900}, {3260, 600}, {2760, 300}, {5333, 600}, {4448, 900}, {7250, 600}, {6792, 300},
     {125, 2709}, {525, 2309}, {3021, 823}, {2844, 198}, 4115, 4515, 7042, 6833, 198,
     40, 40, 3719, {2083, 3719}, 302, 7094, 94, 100, 33, 70},
    {"PrintTwoColArtistMod", 6, false, PK::TwoColumns, RK::Indented, 250,
     {427, 600}, {1406, 900}, {3198, 600}, {2760, 300}, {4448, 600}, {5333, 900}, {7219, 600}, {6792, 300},
     {525, 2309}, {125, 2709}, {3021, 823}, {2844, 198}, 4515, 4115, 7042, 6833, 198,
     40, 40, 3719, {2229, 3417}, 302, 7094, 94, 100, 33, 70},
};

}  // namespace

const StyleLayout* FindStyle(int printFormat, int printSort) {
    if (printSort != 1 && printSort != 2) return nullptr;
    for (const StyleLayout& s : kStyles)
        if (s.format == printFormat && s.titleOrder == (printSort == 1)) return &s;
    // Plain and Shaded share their reports.
    if (printFormat == 2) return FindStyle(1, printSort);
    return nullptr;
}

const StyleLayout* AllStyles(int& count) {
    count = static_cast<int>(std::size(kStyles));
    return kStyles;
}

int BaseRowsPerColumn(PageKind page, int fontSize, bool a4) {
    if (page == PageKind::TwoColumns) return a4 ? 55 : 50;
    switch (fontSize) {
    case 1: return a4 ? 72 : 66;
    case 2: return a4 ? 62 : 58;
    default: return a4 ? 52 : 48;
    }
}

std::string FullRule(const StyleLayout& s) { return std::string(static_cast<std::size_t>(s.fullRule), '_'); }

std::string IndentedRule(const StyleLayout& s) {
    return std::string(static_cast<std::size_t>(s.indentBlanks), ' ') +
           std::string(static_cast<std::size_t>(s.indentRule), '_');
}
