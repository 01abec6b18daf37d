// The quick menu's tracks-on-one-disc window and multi-listing edits, driven as a host would.
#include "workspace_fixture.h"

namespace workspace_test {
namespace {

class MultiEditTest : public WorkspaceTest {
protected:
    // 40 listings of "Abba" on two discs, and others around them in every order.
    void makeBook() {
        std::vector<Listing> listings;
        for (int i = 1; i <= 40; ++i)
            listings.push_back({"Song " + std::to_string(100 + i), i % 2 ? "Abba" : "abba", i <= 20 ? "CV0105" : "MX2201",
                                static_cast<unsigned>(i <= 20 ? i : i - 20)});
        listings.push_back({"Song 101", "Aaron Vale", "SL3001", 1});
        listings.push_back({"Other", "Abbey Lane", "SL3001", 2});
        listings.push_back({"Other", "ABBA", "SL3001", 3});  // the same artist: a 41st match
        makeSongBook("Songs", listings, sampleDiscs());
        openWorkspace("Songs");
    }

    // Highlights the first row showing `first` in the current list and chooses a quick-menu item.
    void quick(const std::string& first, int item) {
        const int row = rowOf(first);
        ASSERT_NE(row, 0) << first << " is not listed";
        ASSERT_TRUE(d_.select(row)) << d_.error();
        ASSERT_TRUE(d_.key("", "RightClick")) << d_.error();
        ASSERT_TRUE(d_.popup(item)) << d_.error();
    }

    // Sets up and confirms an edit in the dialog showing now; the progress then runs out.
    void perform(const std::vector<std::pair<std::string, std::string>>& typed, const std::vector<std::string>& checks) {
        ASSERT_NE(d_.window("Setup Multi-Listing Edit"), nullptr) << d_.windows();
        for (const std::string& c : checks) ASSERT_TRUE(d_.check(c)) << d_.error();
        for (const auto& [field, text] : typed) ASSERT_TRUE(d_.type(field, text)) << d_.error();
        ASSERT_TRUE(d_.press("Perform Multi-Listing Edit")) << d_.error();
        EXPECT_EQ(message(), "Are you sure you wish to continue\nwith this Multi-Listing Edit?");
        ASSERT_TRUE(d_.answer("&Yes")) << d_.error();
        for (int i = 0; i < 20 && d_.window("Processing Records"); ++i) ASSERT_TRUE(d_.wait(1)) << d_.error();
    }

    std::vector<std::string> column(const std::string& sql) { return fixture::queryColumn(listingFile("Songs"), sql); }
    std::string count(const std::string& where) { return column("SELECT count(*) FROM data WHERE " + where).front(); }
};

TEST_F(MultiEditTest, RenamingAnArtistChangesEveryListingOfItOnce) {
    // Renamed to a spelling the key holds equal, and to one that sorts before the rest.
    for (const char* renamed : {"ABBA", "Aaba"}) {
        SCOPED_TRACE(renamed);
        makeBook();
        ASSERT_TRUE(d_.press("Artist")) << d_.error();
        quick("Abba", 7);
        EXPECT_EQ(d_.text("?CautionValue2"), "Abba") << d_.windows();
        EXPECT_FALSE(d_.enabled("Edit Song Title"));
        perform({{"?GLO:SBK:ARTIST", renamed}}, {"Edit Artist Name", "Tag ALL Listings Matching the Above Criteria as Duet"});
        EXPECT_EQ(d_.window("Processing Records"), nullptr) << d_.windows();
        EXPECT_EQ(message(), "") << d_.windows();
        EXPECT_EQ(count(std::string("ARTIST = '") + renamed + "' AND DUET = 'X'"), "41");
        EXPECT_EQ(count("DUET = 'X'"), "41");
        EXPECT_EQ(count("ARTIST IN ('Aaron Vale', 'Abbey Lane')"), "2");
        ASSERT_TRUE(d_.end());
    }
}

TEST_F(MultiEditTest, ByTitleAndByDiscChangeTheirListingsOnly) {
    makeBook();
    quick("Song 101", 6);  // two listings have this title
    perform({{"?GLO:SBK:TITLE", "Song One-Oh-One"}}, {"Edit Song Title"});
    EXPECT_EQ(count("TITLE = 'Song One-Oh-One'"), "2");
    // By disc: genre and omit for the 20 listings of CV0105 (custom id 101), nothing else.
    ASSERT_TRUE(d_.press("Disk ID")) << d_.error();
    quick("101", 8);
    EXPECT_FALSE(d_.enabled("Edit Artist Name"));
    ASSERT_TRUE(d_.check("Designate GENRE for ALL Listings Matching the Above Criteria.")) << d_.error();
    ASSERT_TRUE(d_.check("Tag ALL Listings Matching the Above Criteria to be Omitted from the Printed SongBook"));
    perform({}, {});
    EXPECT_EQ(count("UNQDISKID = 'CV0105' AND PRINT = 'X'"), "20");
    EXPECT_EQ(count("PRINT = 'X'"), "20");
}

TEST_F(MultiEditTest, AFailureLeavesNoListingHalfChangedAndSaysHowManyWereChanged) {
    makeBook();
    // The 20th write fails, as on a full disk.
    ASSERT_EQ(fixture::execSql(listingFile("Songs"),
                               "CREATE TRIGGER fail BEFORE UPDATE ON data WHEN (SELECT count(*) FROM data WHERE "
                               "DUET = 'X') >= 19 BEGIN SELECT RAISE(ABORT, 'disk full'); END"),
              0);
    ASSERT_TRUE(d_.press("Artist")) << d_.error();
    quick("Abba", 7);
    perform({}, {"Tag ALL Listings Matching the Above Criteria as Duet"});
    EXPECT_EQ(d_.request() ? d_.request()->title : "", "Process PUT Error") << d_.windows();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(message(), "0 listings were changed; the other 41 of the 41 matching listings are as they were.");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(count("DUET = 'X'"), "0");
}

TEST_F(MultiEditTest, ClosingTheDialogRunsNothing) {
    makeBook();
    quick("Song 101", 6);
    ASSERT_TRUE(d_.check("Edit Song Title")) << d_.error();
    ASSERT_TRUE(d_.close()) << d_.error();
    EXPECT_EQ(d_.window("Processing Records"), nullptr);
    EXPECT_EQ(count("TITLE = 'Song 101'"), "2");
}

TEST_F(MultiEditTest, TracksOnOneDiscAreListedChangedAndAddedThere) {
    makeSongBook("Songs",
                 {{"Atlas", "Éloïse Brun", "MX2201", 2}, {"Theory of Rain", "Ada Quill", "MX2201", 1},
                  {"Lower Case Disc", "Bo Lindqvist", "mx2201", 7}, {"Elsewhere", "Ada Quill", "CV0105", 1}},
                 sampleDiscs());
    openWorkspace("Songs");
    quick("Atlas", 1);
    ASSERT_EQ(d_.active()->title, "Displaying All Tracks Found on Disc: 102") << d_.windows();
    EXPECT_EQ(d_.rows(), (std::vector<std::vector<std::string>>{{"1", "Theory of Rain", "Ada Quill"},
                                                                  {"2", "Atlas", "Éloïse Brun"},
                                                                  {"7", "Lower Case Disc", "Bo Lindqvist"}}));
    // A change made here shows in the workspace once the window has closed.
    ASSERT_TRUE(d_.select(2)) << d_.error();
    ASSERT_TRUE(d_.press("&Change")) << d_.error();
    ASSERT_TRUE(d_.type("?SBK:TITLE", "Atlas Revisited")) << d_.error();
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    // An insert lands on the disc shown, its disc id given.
    ASSERT_TRUE(d_.press("&Insert")) << d_.error();
    EXPECT_EQ(d_.value("?SBK:UNQDISKID"), "MX2201");
    EXPECT_FALSE(d_.enabled("?SBK:UNQDISKID"));
    ASSERT_TRUE(d_.type("?SBK:TITLE", "New On Disc")) << d_.error();
    ASSERT_TRUE(d_.type("?SBK:ARTIST", "Ferris Lane")) << d_.error();
    ASSERT_TRUE(d_.type("?SBK:DISKTRACKNO", "3")) << d_.error();
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    EXPECT_EQ(message(), "") << d_.windows();
    EXPECT_EQ(d_.rows().size(), 4u) << d_.windows();
    ASSERT_TRUE(d_.press("Close")) << d_.error();
    EXPECT_EQ(d_.active()->title, workspaceTitle()) << d_.windows();
    EXPECT_NE(rowOf("Atlas Revisited"), 0);
    EXPECT_NE(rowOf("New On Disc"), 0);
    EXPECT_EQ(discsOf("Songs").size(), 3u) << "no disc was added";
}

}  // namespace
}  // namespace workspace_test
