// Where titles, labels and slips go on the sheets.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "printing/LabelLayout.h"

namespace {

using Lines = std::vector<std::string>;

struct SplitCase {
    const char* why;
    std::string title;
    Lines lines;
};

TEST(LabelTitle, SplitsAtTheLastBlankWithinTheLine) {
    const SplitCase cases[] = {
        {"short", "Atlas", {"Atlas"}},
        {"trailing blanks ignored", "Atlas     ", {"Atlas"}},
        {"exactly 18 characters", "Lanterns Over Cald", {"Lanterns Over Cald"}},
        {"30 characters, blank at 15", "Tramlines Sang Over Calder Bay", {"Tramlines Sang", "Over Calder Bay"}},
        {"blank at 19 leaves 18", "ABCDEFGHIJKLMNOPQR S", {"ABCDEFGHIJKLMNOPQR", "S"}},
        {"no blank in the first 19", "Supercalifragilisticexpialidocious Song",
         {"Supercalifragilisticexpialidocious Song"}},
        {"three lines at most, the third as it is", "The Night the Tramlines Sang Over Calder Bay Again",
         {"The Night the", "Tramlines Sang", "Over Calder Bay Again"}},
        {"accents count as one character", "Éloïse à la Plage du Nord", {"Éloïse à la Plage", "du Nord"}},
        {"second part without a blank stays whole", "Over the Calderbaylanternswhisper",
         {"Over the", "Calderbaylanternswhisper"}},
        {"empty title", "", {""}},
    };
    for (const SplitCase& c : cases) EXPECT_EQ(SplitLabelTitle(c.title), c.lines) << c.why;
}

std::map<unsigned, std::string> ShortTitles(unsigned first, unsigned last) {
    std::map<unsigned, std::string> t;
    for (unsigned n = first; n <= last; ++n) t[n] = "Song " + std::to_string(n);
    return t;
}

const std::string kTwoLines = "Tramlines Sang Over Calder Bay";
const std::string kThreeLines = "The Night the Tramlines Sang Over Calder Bay Again";

struct TrackCase {
    const char* why;
    std::map<unsigned, std::string> titles;
    std::size_t lines;                       // track lines built
    std::map<std::size_t, LabelTrackLine> at;  // some of them, from 1
};

TEST(LabelTrackLines, NumbersTitlesAndColumns) {
    auto with = [](std::map<unsigned, std::string> t, unsigned n, const std::string& title) {
        t[n] = title;
        return t;
    };
    const TrackCase cases[] = {
        {"five short titles", ShortTitles(1, 5), 5, {{1, {"1.", "Song 1"}}, {5, {"5.", "Song 5"}}}},
        {"two-digit tracks have no full stop", {{3, "Atlas"}, {12, "Theory of Rain"}}, 2,
         {{1, {"3.", "Atlas"}}, {2, {"12", "Theory of Rain"}}}},
        {"tracks outside 1-24 are left out", {{0, "Intro"}, {1, "Atlas"}, {24, "Last"}, {25, "Bonus"}}, 2,
         {{1, {"1.", "Atlas"}}, {2, {"24", "Last"}}}},
        {"continuation lines have no number", {{1, kTwoLines}, {2, "Atlas"}}, 3,
         {{1, {"1.", "Tramlines Sang"}}, {2, {"", "Over Calder Bay"}}, {3, {"2.", "Atlas"}}}},
        {"two-line title after 17 lines starts the right column", with(ShortTitles(1, 17), 18, kTwoLines), 20,
         {{18, {"", ""}}, {19, {"18", "Tramlines Sang"}}, {20, {"", "Over Calder Bay"}}}},
        {"two-line title after 16 lines fits the left column", with(ShortTitles(1, 16), 17, kTwoLines), 18,
         {{17, {"17", "Tramlines Sang"}}, {18, {"", "Over Calder Bay"}}}},
        {"three-line title after 16 lines starts the right column", with(ShortTitles(1, 16), 17, kThreeLines), 21,
         {{17, {"", ""}}, {18, {"", ""}}, {19, {"17", "The Night the"}}}},
        {"three-line title after 17 lines starts the right column", with(ShortTitles(1, 17), 18, kThreeLines), 21,
         {{18, {"", ""}}, {19, {"18", "The Night the"}}, {21, {"", "Over Calder Bay Again"}}}},
        {"three-line title after 15 lines fits the left column", with(ShortTitles(1, 15), 16, kThreeLines), 18,
         {{16, {"16", "The Night the"}}, {18, {"", "Over Calder Bay Again"}}}},
    };
    for (const TrackCase& c : cases) {
        const auto lines = CdLabelTrackLines(c.titles);
        ASSERT_EQ(lines.size(), c.lines) << c.why;
        for (const auto& [n, line] : c.at) EXPECT_EQ(lines.at(n - 1), line) << c.why << ", line " << n;
    }
}

TEST(LabelDetailRows, EighteenRowsInTwoColumns) {
    // 5 listings: 5 rows with tracks, 13 fillers.
    auto rows = CdLabelDetailRows(CdLabelTrackLines(ShortTitles(1, 5)));
    ASSERT_EQ(rows.size(), 18u);
    EXPECT_EQ(rows[4].left, (LabelTrackLine{"5.", "Song 5"}));
    EXPECT_FALSE(rows[4].filler);
    EXPECT_TRUE(rows[5].filler);
    EXPECT_TRUE(rows[17].filler);
    EXPECT_EQ(rows[0].right, LabelTrackLine{});

    // 24 short titles: 1-18 on the left, 19-24 on the right.
    rows = CdLabelDetailRows(CdLabelTrackLines(ShortTitles(1, 24)));
    ASSERT_EQ(rows.size(), 18u);
    EXPECT_EQ(rows[0].left.trackNo, "1.");
    EXPECT_EQ(rows[17].left.trackNo, "18");
    EXPECT_EQ(rows[0].right.trackNo, "19");
    EXPECT_EQ(rows[5].right.trackNo, "24");
    EXPECT_EQ(rows[6].right, LabelTrackLine{});
    for (const auto& r : rows) EXPECT_FALSE(r.filler);

    // Lines beyond 36 are not printed.
    std::map<unsigned, std::string> long_titles;
    for (unsigned n = 1; n <= 24; ++n) long_titles[n] = kTwoLines;
    rows = CdLabelDetailRows(CdLabelTrackLines(long_titles));
    ASSERT_EQ(rows.size(), 18u);
    EXPECT_EQ(rows[17].right, (LabelTrackLine{"", "Over Calder Bay"}));
    EXPECT_EQ(rows[16].right, (LabelTrackLine{"18", "Tramlines Sang"}));
}

TEST(SheetPlaces, CdLabelsTwoToAPage) {
    EXPECT_EQ(kCdLabelHeight, 4940);
    EXPECT_EQ(CdLabelPlace(0), (SheetPlace{1, 0, 0}));
    EXPECT_EQ(CdLabelPlace(1), (SheetPlace{1, 0, 4940}));
    EXPECT_EQ(CdLabelPlace(2), (SheetPlace{2, 0, 0}));
    EXPECT_EQ(SheetPages(3, kCdLabelsPerPage), 2);
}

TEST(SheetPlaces, MiniLabelsFourAcrossTwentyDown) {
    struct Case {
        std::size_t index;
        SheetPlace place;
    };
    const Case cases[] = {
        {0, {1, 125, 490}},   {1, {1, 2063, 490}},  {3, {1, 5939, 490}},  {4, {1, 125, 980}},
        {79, {1, 5939, 9800}}, {80, {2, 125, 490}}, {81, {2, 2063, 490}},
    };
    for (const Case& c : cases) EXPECT_EQ(MiniLabelPlace(c.index), c.place) << "label " << c.index + 1;
    EXPECT_EQ(SheetPages(81, kMiniLabelsAcross * kMiniLabelsDown), 2);
    EXPECT_EQ(SheetPages(80, kMiniLabelsAcross * kMiniLabelsDown), 1);
    // The last label of a page ends inside the printable area (8.5 x 10 in from its corner).
    EXPECT_LE(MiniLabelPlace(79).x + kMiniLabelWidth, 125 + 8500);
    EXPECT_LE(MiniLabelPlace(79).y + kMiniLabelHeight, 490 + 10000);
}

TEST(SheetPlaces, RequestSlipsTwoAcrossFourDown) {
    struct Case {
        std::size_t index;
        SheetPlace place;
    };
    const Case cases[] = {
        {0, {1, 0, 0}}, {1, {1, 4250, 0}}, {2, {1, 0, 2625}}, {7, {1, 4250, 7875}}, {8, {2, 0, 0}},
    };
    for (const Case& c : cases) EXPECT_EQ(RequestSlipPlace(c.index), c.place) << "slip " << c.index + 1;
    EXPECT_EQ(SheetPages(8, kSlipsAcross * kSlipsDown), 1);
    EXPECT_EQ(SheetPages(9, kSlipsAcross * kSlipsDown), 2);
}

TEST(SheetPlaces, SeventeenCuttingGuidesOnTheSlipEdges) {
    const auto guides = SlipCuttingGuides();
    ASSERT_EQ(guides.size(), 17u);
    int horizontal = 0, vertical = 0;
    for (const GuideLine& g : guides) {
        if (g.y1 == g.y2) {
            ++horizontal;
            EXPECT_TRUE(g.y1 == 2625 || g.y1 == 5250 || g.y1 == 7875 || g.y1 == 10480) << g.y1;
        } else {
            ++vertical;
            EXPECT_EQ(g.x1, kSlipWidth);
            EXPECT_EQ(g.x2, kSlipWidth);
        }
    }
    EXPECT_EQ(horizontal, 12);
    EXPECT_EQ(vertical, 5);
    EXPECT_EQ(guides.front(), (GuideLine{0, 2625, 500, 2625}));
    EXPECT_EQ(guides.back(), (GuideLine{4250, 10250, 4250, 10500}));
}

}  // namespace
