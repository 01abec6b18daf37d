// The workspace's three lists, switching between them, and the search.
#include "workspace_fixture.h"

namespace workspace_test {
namespace {

class ListsTest : public WorkspaceTest {
protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        makeSongBook("Songs", sampleListings(), sampleDiscs());
        openWorkspace("Songs");
    }
};

TEST_F(ListsTest, OpensOnTheTitleListWithItsColumnsColoursAndCount) {
    const auto w = workspace();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->kind, rt::WindowKind::MdiChild);
    EXPECT_EQ(d_.headers(), (std::vector<std::string>{"Title", "Artist", "Disc ID", "Track", "Genre", "Duet",
                                                      "Omit?", "Mfg."}));
    // Title order ignores letter case; the listing without a disc record has a blank disc id.
    EXPECT_EQ(column(), (std::vector<std::string>{"Atlas", "Lanterns Over Calder Bay", "Other Side",
                                                  "THE LAST WALTZ", "the long road", "The Night the Tramlines Sang",
                                                  "Theory of Rain"}));
    EXPECT_EQ(d_.rows()[0], (std::vector<std::string>{"Atlas", "Éloïse Brun", "102", "2", "", "", "", "MX"}));
    EXPECT_EQ(d_.rows()[2][2], "");
    EXPECT_EQ(d_.selectedRow(), 1);
    EXPECT_EQ(d_.status(), std::vector<std::string>{"Total Song Tracks: 7"});
    const auto list = d_.control("?ListByTitle");
    ASSERT_TRUE(list);
    EXPECT_EQ(list->fg, 0x800040u);
    EXPECT_EQ(list->bg, 0xFFFFFFu);
    EXPECT_EQ(list->selFg, 0xFFFFFFu);
    EXPECT_EQ(list->selBg, 0x800040u);
    const std::vector<int> widths = {110, 110, 32, 32, 36, 17, 21, 5};
    for (std::size_t i = 0; i < widths.size(); ++i) EXPECT_EQ(list->columns[i].width, widths[i]) << i;
    EXPECT_EQ(list->columns[2].align, 'C');
    EXPECT_EQ(w->title, listingFile("Songs"));
}

TEST_F(ListsTest, SwitchesShowOneListEach) {
    struct Case {
        const char* button;
        const char* list;
        std::vector<std::string> headers;
        std::vector<std::string> firstRow;
        std::size_t rows;
    } cases[] = {
        {"Artist", "?ListByArtist",
         {"Artist", "Title", "Disc ID", "Track", "Genre", "Duet", "Omit?", "Mfg."},
         {"Ada Quill", "The Night the Tramlines Sang", "101", "1", "", "", "", "CV"}, 7},
        // Each disc with its listings in track order; the disc without listings on one row of
        // its own; the listing whose disc is missing is not there.
        {"Disk ID", "?ListByDisc",
         {"Disc ID", "Track", "Title", "Artist", "Genre", "Duet", "Omit?", "Mfg.", "Date Added"},
         {"101", "1", "The Night the Tramlines Sang", "Ada Quill", "", "", "", "CV", "5/1/2004"}, 7},
        {"Song Title", "?ListByTitle",
         {"Title", "Artist", "Disc ID", "Track", "Genre", "Duet", "Omit?", "Mfg."},
         {"Atlas", "Éloïse Brun", "102", "2", "", "", "", "MX"}, 7},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        ASSERT_TRUE(d_.press(c.button)) << d_.error();
        EXPECT_EQ(d_.headers(), c.headers);
        ASSERT_EQ(d_.rows().size(), c.rows) << d_.windows();
        EXPECT_EQ(d_.rows()[0], c.firstRow);
        for (const char* other : {"?ListByTitle", "?ListByArtist", "?ListByDisc"}) {
            const bool mine = std::string(other) == c.list;
            EXPECT_EQ(d_.hidden(other), !mine) << other;
            EXPECT_EQ(d_.enabled(other), mine) << other;
        }
        const std::string edit = std::string("?Edit") + (c.list + 5);
        EXPECT_FALSE(d_.hidden(edit)) << edit;
        EXPECT_EQ(d_.active()->focus, d_.control(c.list)->id);
    }
    ASSERT_TRUE(d_.press("Disk ID"));
    EXPECT_EQ(d_.rows().back(), (std::vector<std::string>{"103", "", "", "", "", "", "", "", ""}));
}

TEST_F(ListsTest, SwitchingListsClearsTheSearchAndGreysNext) {
    EXPECT_FALSE(d_.enabled("Next"));
    ASSERT_TRUE(d_.type("?SearchText", "the"));
    ASSERT_TRUE(d_.press("?Search"));
    EXPECT_TRUE(d_.enabled("Next"));
    ASSERT_TRUE(d_.press("Artist"));
    EXPECT_EQ(d_.value("?SearchText"), "");
    EXPECT_FALSE(d_.enabled("Next"));
}

struct SearchCase {
    const char* name;
    const char* button;        // the list
    const char* mode;          // "Begins with..." or "Contains.."
    const char* text;
    std::vector<std::string> found;  // the highlighted row's first column, match by match
};

class SearchTest : public ListsTest, public ::testing::WithParamInterface<SearchCase> {};

TEST_P(SearchTest, FindsEachMatchInListOrderThenReportsNotFound) {
    const SearchCase& c = GetParam();
    ASSERT_TRUE(d_.press(c.button)) << d_.error();
    ASSERT_TRUE(d_.choose("?SearchMode", c.mode)) << d_.error();
    ASSERT_TRUE(d_.type("?SearchText", c.text));
    for (std::size_t i = 0; i < c.found.size(); ++i) {
        SCOPED_TRACE(i);
        ASSERT_TRUE(d_.press(i == 0 ? "?Search" : "Next")) << d_.error();
        ASSERT_EQ(message(), "") << d_.windows();
        EXPECT_EQ(selectedFirst(), c.found[i]);
        EXPECT_EQ(d_.value("?SearchText"), c.text);
        EXPECT_TRUE(d_.enabled("Next"));
    }
    ASSERT_TRUE(d_.press(c.found.empty() ? "?Search" : "Next"));
    EXPECT_EQ(message(), "Search Text Not Found...");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(d_.value("?SearchText"), "");
    EXPECT_FALSE(d_.enabled("Next"));
    if (!c.found.empty()) {
        EXPECT_EQ(selectedFirst(), c.found.back()) << "the last match stays highlighted";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Searches, SearchTest,
    ::testing::Values(
        SearchCase{"TitleBeginsWithLowerCase", "Song Title", "Begins with...", "the",
                   {"THE LAST WALTZ", "the long road", "The Night the Tramlines Sang", "Theory of Rain"}},
        SearchCase{"TitleContains", "Song Title", "Contains..", "the",
                   {"Other Side", "THE LAST WALTZ", "the long road", "The Night the Tramlines Sang", "Theory of Rain"}},
        SearchCase{"TitleContainsInside", "Song Title", "Contains..", "side", {"Other Side"}},
        SearchCase{"TitleBeginsWithNothingMatches", "Song Title", "Begins with...", "zz", {}},
        SearchCase{"ArtistBeginsWith", "Artist", "Begins with...", "ferris", {"Ferris Lane", "Ferris Lane"}},
        SearchCase{"ArtistContainsAccented", "Artist", "Contains..", "MARCH", {"Zoë Marchetti"}},
        // Every row of a matching disc matches.
        SearchCase{"DiscBeginsWith", "Disk ID", "Begins with...", "102", {"102", "102", "102"}},
        SearchCase{"DiscContains", "Disk ID", "Contains..", "3", {"103"}}),
    [](const auto& i) { return std::string(i.param.name); });

TEST_F(ListsTest, EnterInTheSearchTextSearches) {
    ASSERT_TRUE(d_.type("?SearchText", "lanterns"));
    ASSERT_TRUE(d_.key("Search Text:", "Enter")) << d_.error();
    EXPECT_EQ(message(), "") << d_.windows();
    EXPECT_EQ(selectedFirst(), "Lanterns Over Calder Bay");
    EXPECT_TRUE(d_.enabled("Next"));
}

TEST_F(ListsTest, NextAfterTheSearchTextChangedFindsTheNewTextFurtherOn) {
    ASSERT_TRUE(d_.type("?SearchText", "lanterns"));
    ASSERT_TRUE(d_.press("?Search"));
    EXPECT_EQ(selectedFirst(), "Lanterns Over Calder Bay");
    // A text that sorts after the last match, and one that sorts before it.
    ASSERT_TRUE(d_.type("?SearchText", "the"));
    ASSERT_TRUE(d_.press("Next"));
    EXPECT_EQ(selectedFirst(), "THE LAST WALTZ");
    ASSERT_TRUE(d_.type("?SearchText", "atlas"));
    ASSERT_TRUE(d_.press("Next"));
    EXPECT_EQ(message(), "Search Text Not Found...");
}

}  // namespace
}  // namespace workspace_test
