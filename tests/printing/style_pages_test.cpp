#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "printing/styles/StyleReport.h"
#include "runtime/report/page_file.h"

namespace {

namespace rr = rt::report;

SongBookRecord listing(const std::string& title, const std::string& artist, const std::string& disc, std::uint32_t track) {
    SongBookRecord r;
    r.TITLE = title;
    r.ARTIST = artist;
    r.UNQDISKID = disc;
    r.DISKTRACKNO = track;
    r.MAKEID = disc == "*" ? "" : disc.substr(0, 2);
    return r;
}

// A small SongBook: groups of several songs, accents, a long title, a discless track.
std::vector<SongBookRecord> fixtureBook() {
    std::vector<SongBookRecord> out;
    const char* artists[] = {"Ada Quill", "The Ferris Lanes", "Zoë Marchetti", "Bo Lindqvist", "Éloïse Brun"};
    int n = 0;
    for (int a = 0; a < 5; ++a)
        for (int i = 0; i < 30; ++i, ++n)
            out.push_back(listing("Song " + std::string(1, static_cast<char>('A' + i % 26)) + std::to_string(n), artists[a],
                                  "CV" + std::to_string(100 + a), static_cast<std::uint32_t>(i + 1)));
    out.push_back(listing("A Remarkably Long Title That Must Wrap Somewhere", "Ada Quill", "MX2201", 3));
    out.push_back(listing("Own Song", "Host Band", "*", 7));
    return out;
}

struct Laid {
    std::vector<rr::PageFile> pages;
    int rowsPerColumn = 0;
};

Laid layOut(int format, int sort, PrintSettings s, const std::vector<SongBookRecord>& book = fixtureBook()) {
    s.PrintFormat = static_cast<std::uint16_t>(format);
    s.PrintSort = static_cast<std::uint16_t>(sort);
    std::vector<SelectionEntry> q;
    for (const auto& l : book)
        if (auto e = SelectEntry(l, s)) q.push_back(*e);
    OrderEntries(q, s.titleOrder());
    rr::PageQueue files;
    rr::Report report;
    report.setPages(files);
    StyleReport run(*FindStyle(format, sort), s, q, [](const std::string& d) { return "C" + d.substr(2); }, report);
    while (run.step(run.rowsPerTick())) {
    }
    EXPECT_TRUE(run.finish()) << run.error();
    Laid out;
    out.rowsPerColumn = run.rowsPerColumn();
    for (const auto& f : files) {
        rr::PageFile p;
        EXPECT_TRUE(rr::readPageFile(f, p)) << f;
        out.pages.push_back(p);
    }
    return out;
}

std::vector<const rr::PageItem*> texts(const rr::PageFile& p, const std::string& text) {
    std::vector<const rr::PageItem*> out;
    for (const auto& it : p.items)
        if (it.kind == 'T' && it.text == text) out.push_back(&it);
    return out;
}

bool hasText(const std::vector<rr::PageFile>& pages, const std::string& text) {
    for (const auto& p : pages)
        if (!texts(p, text).empty()) return true;
    return false;
}

TEST(StylePages, EveryStyleByTitleAndByArtist) {
    int count = 0;
    const StyleLayout* all = AllStyles(count);
    ASSERT_EQ(count, 10);
    for (int i = 0; i < count; ++i) {
        const StyleLayout& st = all[i];
        for (int format : {st.format, st.format == 1 ? 2 : 0}) {
            if (format == 0) continue;
            SCOPED_TRACE(std::string(st.name) + " style " + std::to_string(format));
            PrintSettings s;
            s.SetFonts = 2;
            s.ReportHeader = "Friday Songs";
            s.PRINTFOOTER = "Ask the host";
            const Laid laid = layOut(format, st.titleOrder ? 1 : 2, s);
            ASSERT_FALSE(laid.pages.empty());
            const rr::PageFile& p1 = laid.pages.front();
            const bool two = st.page == PageKind::TwoColumns;
            const long bandX = two ? 312 : 775;
            // Header, column headings and footer on every page.
            for (const auto& p : laid.pages) {
                ASSERT_EQ(texts(p, "Friday Songs").size(), 1u);
                EXPECT_EQ(texts(p, "Artist").size(), two ? 2u : 1u);
                EXPECT_EQ(texts(p, "Song #").size(), two ? 2u : 1u);
                EXPECT_EQ(texts(p, "Mfr.").size(), two ? 2u : 1u);
                EXPECT_EQ(texts(p, "Ask the host").size(), 1u);
                EXPECT_EQ(texts(p, kByLine).size(), 1u);
            }
            EXPECT_EQ(texts(p1, "Friday Songs")[0]->x, bandX + (two ? 1552 : 1146));
            EXPECT_EQ(texts(p1, "Friday Songs")[0]->y, st.headerY);
            EXPECT_EQ(texts(p1, "Artist")[0]->x, bandX + st.artistHead.x);
            EXPECT_FALSE(texts(p1, "Page: 1").empty());
            // Every title of the book shows, whole or as the first part of a wrapped line.
            for (const auto& l : fixtureBook()) {
                const std::string t = l.TITLE.str();
                const bool shown = hasText(laid.pages, t) || hasText(laid.pages, t + " (cont.)") ||
                                   hasText(laid.pages, SplitAtBlank(t, two ? 20 : 30).first);
                EXPECT_TRUE(shown) << t;
            }
            // The discless track: a plain number in Plain and Shaded, two digits elsewhere.
            EXPECT_TRUE(hasText(laid.pages, st.rows == RowKind::PlainShaded ? "7" : "07"));
            EXPECT_TRUE(hasText(laid.pages, "C101-05"));
            // Rules: underscores in the Formatted and Indented styles, none in Plain and Shaded.
            bool rule = false;
            long shaded = 0;
            for (const auto& p : laid.pages)
                for (const auto& it : p.items) {
                    rule |= it.kind == 'T' && it.text.find("____") != std::string::npos;
                    shaded += it.kind == 'B' && it.hasFill && it.fill == 0xE1E1E1;
                }
            EXPECT_EQ(rule, st.rows != RowKind::PlainShaded);
            if (format == 2) {
                EXPECT_GT(shaded, 10);
            } else {
                EXPECT_EQ(shaded, 0);
            }
            // Rows per page: no page holds more detail rows than the count says.
            EXPECT_EQ(laid.rowsPerColumn, two ? 50 : 58);
        }
    }
}

TEST(StylePages, OneColumnRowPositionsAndPageBreaks) {
    PrintSettings s;
    s.SetFonts = 2;  // 58 rows, pitch 155
    const Laid laid = layOut(1, 1, s);
    ASSERT_EQ(laid.pages.size(), 3u);  // 152 entries + a continuation line
    // The first title at the detail area's top: band 115 above the print position, field 94 down.
    const rr::PageItem* first = nullptr;
    for (const auto& it : laid.pages[0].items)
        if (it.kind == 'T' && it.text.rfind("A Remarkably", 0) == 0) first = &it;
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->x, 775 + 125);
    EXPECT_EQ(first->y, 1000 - 115 + 94);
    EXPECT_EQ(first->size, 10);
}

TEST(StylePages, BindingOffsetAlternatesAndBlankPagesEndTheBook) {
    PrintSettings s;
    s.SetFonts = 2;
    s.OffsetPages = 1;
    s.Offset = 80;
    s.StartingPageNumber = 5;
    s.ReportHeader = "Bound";
    const Laid laid = layOut(3, 2, s);
    ASSERT_GE(laid.pages.size(), 5u);  // 3 pages of rows, then 116 blank rows
    for (std::size_t i = 0; i < laid.pages.size(); ++i) {
        const long shift = i % 2 == 0 ? 80 : -80;
        ASSERT_EQ(texts(laid.pages[i], "Bound").size(), 1u) << i;
        EXPECT_EQ(texts(laid.pages[i], "Bound")[0]->x, 775 + 1146 + shift) << i;
        EXPECT_EQ(texts(laid.pages[i], "Page: " + std::to_string(5 + i)).size(), 1u) << i;
    }
    // The last page shows only header and footer.
    for (const auto& it : laid.pages.back().items)
        if (it.kind == 'T') {
            EXPECT_TRUE(it.y < 1000 || it.y >= 10000) << it.text << " at " << it.y;
        }
}

// The binding offset moves pages no further than the style allows on its paper: at the
// Designer's largest offset nothing of any style lies off the paper, and an offset within the
// limit moves pages by just that much.
TEST(StylePages, BindingOffsetKeepsEveryStyleOnThePaper) {
    int count = 0;
    const StyleLayout* styles = AllStyles(count);
    for (int i = 0; i < count; ++i) {
        for (int paper : {1, 2}) {
            const StyleLayout& st = styles[i];
            SCOPED_TRACE(std::string(st.name) + (paper == 2 ? " A4" : " Letter"));
            PrintSettings s;
            s.SetFonts = 2;
            s.PaperType = static_cast<std::uint16_t>(paper);
            s.OffsetPages = 1;
            s.Offset = 500;
            s.ReportHeader = "Bound";
            const int limit = BindingOffsetLimit(st, s);
            EXPECT_GE(limit, 80) << "the Designer's starting offset fits every style";
            // Two columns fill the paper: the largest offset would take them off it.
            if (st.page == PageKind::TwoColumns) {
                EXPECT_LT(limit, 500);
            }
            const long shift = std::min(500, limit);
            const Laid laid = layOut(st.format, st.titleOrder ? 1 : 2, s);
            ASSERT_GE(laid.pages.size(), 2u);
            for (std::size_t n = 0; n < laid.pages.size(); ++n) {
                const rr::PageFile& page = laid.pages[n];
                for (const auto& it : page.items) {
                    const long from = it.kind == 'L' ? std::min(it.x, it.w) : it.x;
                    const long to = it.kind == 'L' ? std::max(it.x, it.w) : it.x + it.w;
                    EXPECT_GE(from, 0) << "page " << n + 1 << ": " << it.kind << " " << it.text;
                    EXPECT_LE(to, page.width) << "page " << n + 1 << ": " << it.kind << " " << it.text;
                }
                // The heading moves by the limit, right on odd pages, left on even ones.
                ASSERT_EQ(texts(page, "Bound").size(), 1u);
                const long base = (st.page == PageKind::TwoColumns ? (paper == 2 ? 125 : 312) + 1552
                                                                    : (paper == 2 ? 650 : 775) + 1146);
                EXPECT_EQ(texts(page, "Bound")[0]->x, base + (n % 2 == 0 ? shift : -shift)) << "page " << n + 1;
            }
            if (limit >= 500) continue;
            s.Offset = static_cast<std::uint16_t>(limit - 5);
            EXPECT_EQ(texts(layOut(st.format, st.titleOrder ? 1 : 2, s).pages[1], "Bound")[0]->x,
                      (st.page == PageKind::TwoColumns ? (paper == 2 ? 125 : 312) + 1552 : (paper == 2 ? 650 : 775) + 1146) -
                          (limit - 5));
        }
    }
}

TEST(StylePages, A4MovesThePageAndTwoColumnsSplitAtTheirRows) {
    PrintSettings s;
    s.PaperType = 2;
    s.SetFonts = 2;
    const Laid laid = layOut(5, 2, s);
    ASSERT_FALSE(laid.pages.empty());
    EXPECT_EQ(laid.pages[0].width, 8268);  // A4
    EXPECT_EQ(laid.rowsPerColumn, 55);
    for (const auto& it : laid.pages[0].items) {
        if (it.kind == 'T' && it.text.rfind("Page: ", 0) == 0) {
            EXPECT_EQ(it.x, 125 + 7229);
            EXPECT_EQ(it.y, 10750 + 104);
        }
    }
    // Right-column entries stand 4115 - 125 further right than the left column's.
    long leftMin = 1 << 30, rightMin = 1 << 30;
    for (const auto& it : laid.pages[0].items) {
        if (it.kind != 'T' || it.y < 1000 || it.y > 10000 || it.text.find('_') != std::string::npos) continue;
        if (it.x < 125 + 4000) leftMin = std::min(leftMin, it.x);
        else rightMin = std::min(rightMin, it.x);
    }
    EXPECT_EQ(leftMin, 125 + 125);
    EXPECT_EQ(rightMin, 125 + 4115);
}

TEST(StylePages, IndentedTwoColumnsDropTheRightBarOnceTheRightColumnStaysEmpty) {
    auto bars = [](const rr::PageFile& p) {
        int n = 0;
        for (const auto& it : p.items) n += it.kind == 'B' && it.y == 740;
        return n;
    };
    PrintSettings s;
    s.SetFonts = 2;
    const auto book = fixtureBook();
    const std::vector<SongBookRecord> few(book.begin(), book.begin() + 20);
    const Laid small = layOut(6, 2, s, few);
    ASSERT_EQ(small.pages.size(), 1u);
    EXPECT_EQ(bars(small.pages[0]), 1);
    // A full book keeps both bars on its full pages, the flat style always.
    const Laid full = layOut(6, 2, s);
    ASSERT_GE(full.pages.size(), 2u);
    EXPECT_EQ(bars(full.pages[0]), 2);
    EXPECT_EQ(bars(layOut(5, 2, s, few).pages[0]), 2);
}

TEST(StylePages, HiddenColumnsPrintEmpty) {
    PrintSettings s;
    s.SetFonts = 2;
    s.ShowMake = 1;
    s.SHOWSONGNUM = 1;
    s.ShowTM = 1;
    const Laid laid = layOut(5, 1, s);
    EXPECT_FALSE(hasText(laid.pages, "Mfr."));
    EXPECT_FALSE(hasText(laid.pages, "Song #"));
    EXPECT_FALSE(hasText(laid.pages, "C101-05"));
    EXPECT_FALSE(hasText(laid.pages, "CV"));
    EXPECT_FALSE(hasText(laid.pages, kByLine));
}

}  // namespace
