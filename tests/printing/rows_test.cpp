#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include "printing/styles/StyleRows.h"

namespace {

SelectionEntry entry(const std::string& title, const std::string& artist, const std::string& disc = "SC1001",
                     std::uint32_t track = 1) {
    SelectionEntry e;
    e.TITLE = title;
    e.UPPERTITLE = rt::upper(title);
    e.ARTIST = artist;
    e.UPPERARTIST = rt::upper(artist);
    e.UNQDISKID = disc;
    e.track = track;
    e.DISKTRACKNO = TrackText(track);
    e.MAKEID = disc.substr(0, 2);
    return e;
}

std::string nth(int n) {
    char b[16];
    std::snprintf(b, sizeof b, "Song %03d", n);
    return b;
}

// n entries "Song 001".. by distinct artists, in title order.
std::vector<SelectionEntry> numbered(int n) {
    std::vector<SelectionEntry> out;
    for (int i = 1; i <= n; ++i) out.push_back(entry(nth(i), "Art " + std::to_string(i), "SC1001", static_cast<std::uint32_t>(i)));
    return out;
}

std::vector<PageRow> allRows(StyleRows& rows) {
    std::vector<PageRow> out;
    for (PageRow r; rows.next(r);) out.push_back(r);
    return out;
}

const DiscLookup kAlt = [](const std::string&) { return std::string("101"); };

TEST(RowsPerPage, ByPaperFontAndOffset) {
    struct Case {
        int format, fontSize, paper, offset, rows;
    } cases[] = {
        {1, 1, 1, 0, 66}, {1, 2, 1, 0, 58}, {1, 3, 1, 0, 48}, {3, 1, 2, 0, 72}, {3, 2, 2, 0, 62}, {4, 3, 2, 0, 52},
        {5, 1, 1, 0, 50}, {6, 2, 2, 0, 55}, {1, 2, 1, -1, 57}, {5, 2, 1, 2, 52},
        // Values no Designer gives are made safe where used.
        {1, 0, 7, -9, 43}, {5, 3, 1, 0, 50},
    };
    for (const Case& c : cases) {
        PrintSettings s;
        s.PrintFormat = static_cast<std::uint16_t>(c.format);
        s.SetFonts = static_cast<std::uint16_t>(c.fontSize);
        s.PaperType = static_cast<std::uint16_t>(c.paper);
        s.PAGEBREAKOFFSET = static_cast<std::int16_t>(c.offset);
        StyleRows rows(*FindStyle(c.format, 1), s, {}, kAlt);
        EXPECT_EQ(rows.rowsPerColumn(), c.rows) << "style " << c.format << " size " << c.fontSize << " paper "
                                                << c.paper << " offset " << c.offset;
    }
}

TEST(RowsPerPage, OffsetMovesThePageBreak) {
    PrintSettings s;
    s.SetFonts = 2;
    s.PAGEBREAKOFFSET = -1;
    StyleRows rows(*FindStyle(1, 1), s, numbered(120), kAlt);
    const auto r = allRows(rows);
    ASSERT_EQ(r.size(), 120u);
    EXPECT_TRUE(r[57].firstOnPage);
    EXPECT_EQ(r[57].page, 2);
    EXPECT_EQ(r[57].column[0].title, nth(58));
    EXPECT_EQ(r[56].page, 1);
    EXPECT_EQ(r[114].page, 3);
}

// The titles of a two-column report page by page: left column, then right column.
std::vector<std::vector<std::string>> columnsOf(const std::vector<PageRow>& rows) {
    std::vector<std::vector<std::string>> out;  // [2 * (page-1) + column]
    for (const PageRow& r : rows) {
        if (out.size() < static_cast<std::size_t>(2 * r.page)) out.resize(static_cast<std::size_t>(2 * r.page));
        for (int c = 0; c < 2; ++c)
            if (!r.column[c].blank) out[static_cast<std::size_t>(2 * (r.page - 1) + c)].push_back(r.column[c].title);
    }
    return out;
}

TEST(TwoColumns, ColumnsFillDownThenAcross) {
    PrintSettings s;
    s.PrintFormat = 5;
    s.SetFonts = 2;
    StyleRows rows(*FindStyle(5, 1), s, numbered(120), kAlt);
    const auto cols = columnsOf(allRows(rows));
    ASSERT_EQ(cols.size(), 4u);
    ASSERT_EQ(cols[0].size(), 50u);
    EXPECT_EQ(cols[0].front(), nth(1));
    EXPECT_EQ(cols[0].back(), nth(50));
    ASSERT_EQ(cols[1].size(), 50u);
    EXPECT_EQ(cols[1].front(), nth(51));
    EXPECT_EQ(cols[1].back(), nth(100));
    ASSERT_EQ(cols[2].size(), 20u);
    EXPECT_EQ(cols[2].front(), nth(101));
    EXPECT_TRUE(cols[3].empty());
}

TEST(TwoColumns, EveryEntryOnceAndInOrderWhateverTheOffset) {
    for (int offset : {-5, -1, 0, 2, 5}) {
        for (int format : {5, 6}) {
            for (int wordWrap : {0, 1}) {
                SCOPED_TRACE("offset " + std::to_string(offset) + " style " + std::to_string(format) + " wrap " +
                             std::to_string(wordWrap));
                PrintSettings s;
                s.PrintFormat = static_cast<std::uint16_t>(format);
                s.SetFonts = 2;
                s.WordWrap = static_cast<std::uint8_t>(wordWrap);
                s.PAGEBREAKOFFSET = static_cast<std::int16_t>(offset);
                // Long titles make continuation lines in the flat style; headings in the grouped one.
                std::vector<SelectionEntry> es;
                for (int i = 1; i <= 260; ++i)
                    es.push_back(entry(nth(i) + (i % 7 == 0 ? " and a very long tail" : ""), "Artist " + std::to_string(i / 3),
                                       "SC1001", static_cast<std::uint32_t>(i)));
                StyleRows rows(*FindStyle(format, 1), s, es, kAlt);
                std::vector<std::string> numbers;
                const auto r = allRows(rows);
                // Song numbers in reading order: page by page, left column then right.
                std::vector<std::vector<std::string>> pages;
                for (const PageRow& row : r) {
                    if (pages.size() < static_cast<std::size_t>(2 * row.page)) pages.resize(static_cast<std::size_t>(2 * row.page));
                    for (int c = 0; c < 2; ++c)
                        if (!row.column[c].songNumber.empty())
                            pages[static_cast<std::size_t>(2 * (row.page - 1) + c)].push_back(row.column[c].songNumber);
                }
                for (const auto& p : pages) numbers.insert(numbers.end(), p.begin(), p.end());
                ASSERT_EQ(numbers.size(), es.size());
                for (std::size_t i = 0; i < es.size(); ++i) EXPECT_EQ(numbers[i], "101-" + TrackText(static_cast<std::uint32_t>(i + 1)));
                for (const PageRow& row : r) EXPECT_LE(row.page, 1 + static_cast<int>(r.size()) / rows.rowsPerColumn());
            }
        }
    }
}

// Entries made as they are asked for, never held: n songs in title order, every seventh with
// a long title and groups of three by artist.
class MadeEntries : public EntrySource {
public:
    explicit MadeEntries(int n) : n_(n) {}
    bool next(SelectionEntry& e) override {
        if (i_ >= n_) return false;
        ++i_;
        char title[64];
        std::snprintf(title, sizeof title, "Song %06d%s", i_, i_ % 7 == 0 ? " and a very long tail to wrap" : "");
        e = entry(title, "Artist " + std::to_string(i_ / 3), "SC1001", static_cast<std::uint32_t>(i_));
        return true;
    }
    long long count() const override { return n_; }
    const std::string& error() const override { return error_; }

private:
    int n_, i_ = 0;
    std::string error_;
};

// The rows take their entries as the pages need them and let a page's lines go once it is
// printed: a long SongBook never has more than about two pages' lines made at a time, and
// every entry still prints once.
TEST(PageLines, AreMadeAPageAtATime) {
    for (int format = 1; format <= 6; ++format)
        for (int wordWrap : {0, 1})
            for (int sort : {1, 2}) {
                SCOPED_TRACE("style " + std::to_string(format) + " wrap " + std::to_string(wordWrap) + " sort " +
                             std::to_string(sort));
                PrintSettings s;
                s.PrintFormat = static_cast<std::uint16_t>(format);
                s.PrintSort = static_cast<std::uint16_t>(sort);
                s.SetFonts = 2;
                s.WordWrap = static_cast<std::uint8_t>(wordWrap);
                MadeEntries made(20000);
                StyleRows rows(*FindStyle(format, sort), s, made, kAlt);
                const std::size_t bound = 2 * static_cast<std::size_t>(rows.rowsPerColumn()) + 3;
                std::size_t most = 0;
                long long numbers = 0;
                for (PageRow r; rows.next(r);) {
                    most = std::max(most, rows.linesHeld());
                    for (const ColumnRow& c : r.column) numbers += !c.songNumber.empty();
                }
                EXPECT_LE(most, bound);
                EXPECT_EQ(numbers, 20000);
            }
}

TEST(WrappedLines, LongEntriesSplitAtABlankAndNeverStartOnTheLastRow) {
    const std::string title = std::string(37, 'a') + " " + std::string(7, 'b');  // 45, blank at 38
    auto [first, rest] = SplitAtBlank(title, 40);
    EXPECT_EQ(first, std::string(37, 'a'));
    EXPECT_EQ(rest, std::string(7, 'b'));
    EXPECT_EQ(SplitAtBlank(std::string(45, 'x'), 40).first, std::string(45, 'x'));

    std::vector<SelectionEntry> es = numbered(65);
    es.push_back(entry(title, "Solo"));
    const auto lines = BuildWrappedLines(es, true, {40, 30}, 66);
    ASSERT_EQ(lines.size(), 68u);
    EXPECT_TRUE(lines[65].LINEBREAK);   // row 66 stays empty
    EXPECT_TRUE(lines[66].TOP);         // the long entry opens page 2
    EXPECT_EQ(lines[66].TITLE, std::string(37, 'a'));
    EXPECT_TRUE(lines[67].WRAPPED);
    EXPECT_EQ(lines[67].TITLE, "  " + std::string(7, 'b'));
    EXPECT_EQ(lines[67].DISKTRACKNO, "");
}

TEST(WrappedLines, TitleOrderKeepsTheContinuationOfALaterEntrysLongArtist) {
    std::vector<SelectionEntry> es = {entry("Home", "Short"), entry("Home", "Mid"),
                                      entry("Home", "A Very Long Artist Name Indeed Here Now")};
    const auto lines = BuildWrappedLines(es, true, {40, 30}, 66);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_TRUE(lines[3].WRAPPED);
    EXPECT_EQ(lines[2].ARTIST, "A Very Long Artist Name");
    EXPECT_EQ(lines[3].ARTIST, "  Indeed Here Now");
}

TEST(GroupedLines, HeadingsFillersAndContinuedGroups) {
    auto group = [](const std::string& artist, int n, int from) {
        std::vector<SelectionEntry> es;
        for (int i = 0; i < n; ++i) es.push_back(entry(nth(from + i), artist));
        return es;
    };
    auto concat = [](std::vector<std::vector<SelectionEntry>> parts) {
        std::vector<SelectionEntry> out;
        for (auto& p : parts) out.insert(out.end(), p.begin(), p.end());
        return out;
    };
    {
        // 4 single-song groups take lines 1-8; "Beta" (3 songs) opens on line 9... 10 with one more.
        auto es = concat({group("A1", 1, 1), group("A2", 1, 2), group("A3", 1, 3), group("A4", 1, 4),
                          group("A5", 0, 5), group("Beta", 3, 10)});
        es.insert(es.begin() + 4, entry("Solo", "A0"));
        std::sort(es.begin(), es.end(), [](auto& a, auto& b) { return a.UPPERARTIST < b.UPPERARTIST; });
        const auto lines = BuildGroupedLines(es, false, 66);
        ASSERT_EQ(lines.size(), 14u);
        EXPECT_EQ(lines[10].FIELD, 'A');
        EXPECT_EQ(lines[10].LINE, 11);
        EXPECT_EQ(lines[11].FIELD, 'T');
    }
    {
        // A heading that would fall on line 66 gets a filler; the group opens the next page.
        std::vector<SelectionEntry> es;
        for (int i = 0; i < 64; ++i) es.push_back(entry(nth(i), "A"));
        es.push_back(entry("Late", "B"));
        const auto lines = BuildGroupedLines(es, false, 66);
        ASSERT_EQ(lines.size(), 68u);
        EXPECT_EQ(lines[65].FIELD, 'X');
        EXPECT_EQ(lines[65].LINE, 66);
        EXPECT_EQ(lines[66].FIELD, 'A');
        EXPECT_EQ(lines[66].LINE, 1);
        EXPECT_EQ(lines[67].LINE, 2);
    }
    {
        // Ten songs whose heading stands on line 60: entries 61-66, then "(cont.)" on line 1.
        std::vector<SelectionEntry> es;
        for (int i = 0; i < 58; ++i) es.push_back(entry(nth(i), "A"));
        for (int i = 0; i < 10; ++i) es.push_back(entry(nth(i), "Band"));
        es.back().ARTIST = "BAND";  // one group whatever the case; shown as first spelled
        const auto lines = BuildGroupedLines(es, false, 66);
        ASSERT_EQ(lines[59].FIELD, 'A');
        EXPECT_EQ(lines[59].LINE, 60);
        EXPECT_EQ(lines[65].LINE, 66);
        EXPECT_EQ(lines[66].FIELD, 'A');
        EXPECT_EQ(lines[66].group, "Band (cont.)");
        EXPECT_EQ(lines[66].LINE, 1);
        EXPECT_EQ(lines.back().LINE, 5);
        EXPECT_EQ(lines.size(), 71u);
    }
}

TEST(FormattedRows, GroupFieldOncePerGroupAndAgainAtAPageTop) {
    PrintSettings s;
    s.PrintFormat = 3;
    s.PrintSort = 2;
    s.SetFonts = 1;
    for (int wordWrap : {0, 1}) {
        SCOPED_TRACE("wrap " + std::to_string(wordWrap));
        s.WordWrap = static_cast<std::uint8_t>(wordWrap);
        std::vector<SelectionEntry> es;
        for (int i = 1; i <= 64; ++i) es.push_back(entry(nth(i), "Artist " + nth(i)));
        for (int i = 0; i < 3; ++i) es.push_back(entry("Song " + std::to_string(i), "Zed"));
        StyleRows rows(*FindStyle(3, 2), s, es, kAlt);
        const auto r = allRows(rows);
        ASSERT_EQ(r.size(), 67u);
        const auto& style = *FindStyle(3, 2);
        EXPECT_EQ(r[0].column[0].rule, "");  // the very first row
        EXPECT_EQ(r[64].column[0].artist, "Zed");
        EXPECT_EQ(r[64].column[0].rule, FullRule(style));
        EXPECT_EQ(r[65].column[0].artist, "");
        EXPECT_EQ(r[65].column[0].rule, IndentedRule(style));
        EXPECT_EQ(IndentedRule(style), std::string(70, ' ') + std::string(164, '_'));
        // Row 67 opens page 2: the artist again, no rule.
        EXPECT_TRUE(r[66].firstOnPage);
        EXPECT_EQ(r[66].column[0].artist, "Zed");
        EXPECT_EQ(r[66].column[0].rule, "");
    }
}

TEST(ShadedRows, EveryOtherEntryWithContinuationsMatchingTheirEntry) {
    PrintSettings s;
    s.PrintFormat = 2;
    s.SetFonts = 1;
    std::vector<SelectionEntry> es = {entry("One", "A"), entry(std::string(37, 'a') + " tail end", "B"),
                                      entry("Three", "C"), entry("Four", "D")};
    StyleRows rows(*FindStyle(2, 1), s, es, kAlt);
    const auto r = allRows(rows);
    ASSERT_EQ(r.size(), 5u);
    const bool expected[] = {false, true, true, false, true};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(r[static_cast<std::size_t>(i)].column[0].shaded, expected[i]) << i;
    EXPECT_EQ(r[0].column[0].songNumber, "101-01");
    EXPECT_EQ(r[2].column[0].songNumber, "");
    s.PrintFormat = 1;
    StyleRows plain(*FindStyle(1, 1), s, es, kAlt);
    for (const auto& row : allRows(plain)) EXPECT_FALSE(row.column[0].shaded);
}

}  // namespace
