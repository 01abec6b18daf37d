// The quick menu on the right mouse button, the toggles, the edit, and the delete sequence.
#include <algorithm>
#include <cctype>

#include "workspace_fixture.h"

namespace workspace_test {
namespace {

constexpr const char* kDeleteQuestion =
    "Do you wish to delete the Selected Song Listing ONLY, or the ENTIRE Disc it resides on?";

class QuickMenuTest : public WorkspaceTest {
protected:
    void open(const std::vector<Listing>& listings = sampleListings(),
              const std::vector<Disc>& discs = sampleDiscs()) {
        makeSongBook("Songs", listings, discs);
        openWorkspace("Songs");
    }
    void highlight(const std::string& first) {
        const int row = rowOf(first);
        ASSERT_NE(row, 0) << first << " is not listed";
        ASSERT_TRUE(d_.select(row)) << d_.error();
    }
    // Right-clicks the highlighted row; the pop-up menu is showing.
    void rightClick() {
        ASSERT_TRUE(d_.key("", "RightClick")) << d_.error();
    }
    // Asks to delete the highlighted listing and answers the question.
    void deleteHighlighted(const std::string& answer) {
        ASSERT_TRUE(d_.press("Delete Selected Song Track")) << d_.error();
        const auto box = d_.request();
        ASSERT_TRUE(box && box->kind == rt::RequestKind::Message) << d_.windows();
        EXPECT_EQ(box->text, kDeleteQuestion);
        EXPECT_EQ(box->title, "");
        EXPECT_EQ(box->icon, rt::Icon::Question);
        EXPECT_EQ(box->buttons, (std::vector<std::string>{"&This Listing", "&Entire Disc", "&Cancel"}));
        ASSERT_TRUE(d_.answer(answer)) << d_.error();
    }
    void expectSuccess(const std::string& text) {
        const auto box = d_.request();
        ASSERT_TRUE(box && box->kind == rt::RequestKind::Message) << d_.windows();
        EXPECT_EQ(box->text, text);
        EXPECT_EQ(box->title, "Deletion Successful");
        EXPECT_EQ(box->icon, rt::Icon::Exclamation);
        ASSERT_TRUE(d_.answer("OK"));
    }
    // Deletes the listing with this disc id and track behind the workspace's back.
    void deleteElsewhere(const std::string& disc, int track) {
        ASSERT_EQ(fixture::execSql(listingFile("Songs"), "DELETE FROM data WHERE UNQDISKID = '" + disc +
                                                              "' AND DISKTRACKNO = " + std::to_string(track)),
                  0);
    }
};

TEST_F(QuickMenuTest, OffersTheItemsOfTheHighlightedListing) {
    open();
    highlight("Atlas");
    rightClick();
    EXPECT_EQ(popupItems(), (std::vector<std::string>{
                                "Display all Tracks Found on Disk: 102", "Toggle Omit?", "Toggle Duet", "Edit Track",
                                "Delete Track", "Perform Multi-Listing Edit on Title: Atlas",
                                "Perform Multi-Listing Edit on Artist: Éloïse Brun",
                                "Perform Multi-Listing Edit on Disc ID: 102"}));
    ASSERT_TRUE(d_.popup(0));
    // The list by disc reads the disc by its custom id first.
    ASSERT_TRUE(d_.press("Disk ID"));
    ASSERT_TRUE(d_.select(5));  // 102, track 2
    rightClick();
    ASSERT_EQ(popupItems().size(), 8u) << d_.windows();
    EXPECT_EQ(popupItems()[5], "Perform Multi-Listing Edit on Title: Atlas");
    ASSERT_TRUE(d_.popup(0));
}

TEST_F(QuickMenuTest, DiscWithoutListingsReportsTheMissingListingAndStillOffersTheMenu) {
    open();
    ASSERT_TRUE(d_.press("Disk ID"));
    ASSERT_TRUE(d_.select(7));  // 103 has no listings
    rightClick();
    EXPECT_EQ(message(), "35");
    ASSERT_TRUE(d_.answer("OK"));
    ASSERT_EQ(popupItems().size(), 8u) << d_.windows();
    EXPECT_EQ(popupItems()[0], "Display all Tracks Found on Disk: 103");
    // Nothing to toggle: no listing is written.
    const auto before = listingsOf("Songs");
    ASSERT_TRUE(d_.popup("Toggle Omit?"));
    EXPECT_EQ(listingsOf("Songs"), before);
}

struct ToggleCase {
    const char* item;
    const char* once;  // the listing's omit and duet marks after one toggle
};

class ToggleTest : public QuickMenuTest, public ::testing::WithParamInterface<ToggleCase> {};

TEST_P(ToggleTest, TogglingTwiceRestoresTheListing) {
    open();
    highlight("Theory of Rain");  // MX2201-1
    const auto before = listingsOf("Songs");
    rightClick();
    ASSERT_TRUE(d_.popup(GetParam().item)) << d_.error();
    auto after = listingsOf("Songs");
    EXPECT_NE(std::find(after.begin(), after.end(), std::string("MX2201-1:") + GetParam().once), after.end())
        << ::testing::PrintToString(after);
    EXPECT_EQ(after.size(), before.size());
    // The list shows the mark at once and keeps the row highlighted.
    EXPECT_EQ(selectedFirst(), "Theory of Rain");
    const int omitColumn = std::string(GetParam().item) == "Toggle Omit?" ? 6 : 5;
    EXPECT_EQ(d_.rows()[static_cast<std::size_t>(d_.selectedRow() - 1)][static_cast<std::size_t>(omitColumn)], "X");
    rightClick();
    ASSERT_TRUE(d_.popup(GetParam().item));
    EXPECT_EQ(listingsOf("Songs"), before);
}

INSTANTIATE_TEST_SUITE_P(Marks, ToggleTest,
                         ::testing::Values(ToggleCase{"Toggle Omit?", "X"}, ToggleCase{"Toggle Duet", "X"}),
                         [](const auto& i) { return std::string(i.param.item).substr(7, 4); });

TEST_F(QuickMenuTest, EditTrackOpensTheListingFormOnTheHighlightedListing) {
    open();
    highlight("Atlas");
    rightClick();
    ASSERT_TRUE(d_.popup("Edit Track"));
    ASSERT_EQ(d_.active()->title, "Update SongBook Listing....") << d_.windows();
    EXPECT_EQ(d_.value("?SBK:TITLE"), "Atlas");
    EXPECT_EQ(d_.value("?SBK:ARTIST"), "Éloïse Brun");
    ASSERT_TRUE(d_.close());
    while (d_.request()) ASSERT_TRUE(d_.dismiss());
    ASSERT_NE(workspace(), nullptr);
    EXPECT_EQ(selectedFirst(), "Atlas");
}

TEST_F(QuickMenuTest, AnEmptySongBookHasNoQuickMenuAndGreysItsTasks) {
    open({}, {});
    ASSERT_EQ(d_.active()->title, "") << d_.windows();  // Getting Started
    ASSERT_TRUE(d_.press("OK, let's proceed...."));
    ASSERT_NE(workspace(), nullptr);
    EXPECT_TRUE(d_.rows().empty());
    rightClick();
    EXPECT_EQ(d_.request(), nullptr) << d_.windows();
    for (const char* greyed : {"Renumber Disc(s)", "Delete Selected Song Track", "?Print", "?WebPage", "?Export",
                               "&Renumber Disc(s)", "&Edit Track", "&Delete Track/Disc", "&Print SongBook",
                               "Print Disc &Labels", "&Generate Web Page", "E&xport to CSV File"})
        EXPECT_FALSE(d_.enabled(greyed)) << greyed;
    // An empty SongBook can be filled from a CSV file, through the button or the menu.
    for (const char* usable : {"Import CSV File into SongBook", "&Import/Export", "I&mport from CSV File",
                               "Print &Request Cards", "Print Management Reports",
                               "Add Commercial Disc(s)\nto SongBook.", "Close SongBook"})
        EXPECT_TRUE(d_.enabled(usable)) << usable;
    EXPECT_EQ(d_.status(), std::vector<std::string>{"Total Song Tracks: 0"});
}

TEST_F(QuickMenuTest, WithListingsTheTasksAreEnabled) {
    open();
    for (const char* usable : {"Renumber Disc(s)", "Delete Selected Song Track", "?Print", "?WebPage", "?Export",
                               "&Renumber Disc(s)", "&Edit Track", "&Delete Track/Disc", "&Print SongBook",
                               "&Generate Web Page", "&Import/Export", "E&xport to CSV File"})
        EXPECT_TRUE(d_.enabled(usable)) << usable;
}

struct ThisListingCase {
    const char* name;
    const char* title;          // highlighted in the title list
    std::vector<std::string> discsAfter;
};

class ThisListingTest : public QuickMenuTest, public ::testing::WithParamInterface<ThisListingCase> {};

TEST_P(ThisListingTest, DeletesTheListingAndTheDiscWithItsLastListing) {
    // SL3001 holds one listing; MX2201 two.
    open({{"Alone", "Cy Wren", "SL3001", 1}, {"Atlas", "Éloïse Brun", "MX2201", 2}, {"Bravo", "Cy Wren", "MX2201", 3}},
         {{"MX2201", "102"}, {"SL3001", "103"}});
    highlight(GetParam().title);
    deleteHighlighted("&This Listing");
    expectSuccess("Song Listing has been successfully deleted...");
    EXPECT_EQ(rowOf(GetParam().title), 0);
    EXPECT_EQ(d_.rows().size(), 2u);
    EXPECT_EQ(discsOf("Songs"), GetParam().discsAfter);
    EXPECT_EQ(d_.status(), std::vector<std::string>{"Total Song Tracks: 2"});
}

INSTANTIATE_TEST_SUITE_P(Listings, ThisListingTest,
                         ::testing::Values(ThisListingCase{"LastOfItsDisc", "Alone", {"MX2201=102/1"}},
                                           ThisListingCase{"OneOfTwo", "Atlas", {"MX2201=102/1", "SL3001=103/1"}}),
                         [](const auto& i) { return std::string(i.param.name); });

TEST_F(QuickMenuTest, EntireDiscDeletesEveryListingAndTheDiscAndNamesTheCustomId) {
    open();
    highlight("Atlas");  // MX2201, custom id 102
    deleteHighlighted("&Entire Disc");
    expectSuccess("All Song Tracks found on Disc:102 have been successfully deleted...");
    EXPECT_EQ(listingsOf("Songs"), (std::vector<std::string>{"CV0105-1:", "CV0105-2:", "CV0105-3:", "ORPHAN1-4:"}));
    EXPECT_EQ(discsOf("Songs"), (std::vector<std::string>{"CV0105=101/1", "SL3001=103/1"}));
    EXPECT_EQ(column(), (std::vector<std::string>{"Lanterns Over Calder Bay", "Other Side", "the long road",
                                                  "The Night the Tramlines Sang"}));
    // Every list shows the change.
    ASSERT_TRUE(d_.press("Disk ID"));
    EXPECT_EQ(column(), (std::vector<std::string>{"101", "101", "101", "103"}));
}

TEST_F(QuickMenuTest, EntireDiscOnADiscWithoutListingsDeletesTheDiscRecord) {
    open();
    ASSERT_TRUE(d_.press("Disk ID"));
    ASSERT_TRUE(d_.select(7));  // 103
    deleteHighlighted("&Entire Disc");
    expectSuccess("All Song Tracks found on Disc:103 have been successfully deleted...");
    EXPECT_EQ(discsOf("Songs"), (std::vector<std::string>{"CV0105=101/1", "MX2201=102/1"}));
    EXPECT_EQ(listingsOf("Songs").size(), 7u);
}

TEST_F(QuickMenuTest, EntireDiscOfAListingWithoutDiscIdDeletesThatListing) {
    auto listings = sampleListings();
    listings.push_back({"Loose Ends", "Cy Wren", "", 9});
    open(listings);
    highlight("Loose Ends");
    deleteHighlighted("&Entire Disc");
    expectSuccess("All Song Tracks found on Disc: have been successfully deleted...");
    EXPECT_EQ(rowOf("Loose Ends"), 0);
    EXPECT_EQ(listingsOf("Songs").size(), 7u);
    EXPECT_EQ(discsOf("Songs").size(), 3u);
}

TEST_F(QuickMenuTest, CancelDeletesNothing) {
    open();
    highlight("Atlas");
    const auto listings = listingsOf("Songs"), discs = discsOf("Songs");
    deleteHighlighted("&Cancel");
    EXPECT_EQ(d_.request(), nullptr) << d_.windows();
    EXPECT_EQ(listingsOf("Songs"), listings);
    EXPECT_EQ(discsOf("Songs"), discs);
}

// A listing or disc record that cannot be deleted (the disk refuses) ends the sequence with a
// warning; no success is reported and nothing of the disc is gone.
struct FailedDeleteCase {
    const char* name;
    const char* answer;
    const char* refusing = "2bk";  // the file that refuses: the disc's second listing, or ("2bd") its record
};

class FailedDeleteTest : public QuickMenuTest, public ::testing::WithParamInterface<FailedDeleteCase> {};

TEST_P(FailedDeleteTest, ReportsTheFailureInsteadOfSuccess) {
    open();
    const std::string refusing = GetParam().refusing;
    ASSERT_EQ(fixture::execSql(listingFile("Songs", refusing),
                               refusing == "2bk"
                                   ? "CREATE TRIGGER refuse BEFORE DELETE ON data WHEN old.UNQDISKID = 'MX2201' "
                                     "AND old.DISKTRACKNO = 2 BEGIN SELECT RAISE(ABORT, 'disk refuses'); END"
                                   : "CREATE TRIGGER refuse BEFORE DELETE ON data WHEN old.UNQDISKID = 'MX2201' "
                                     "BEGIN SELECT RAISE(ABORT, 'disk refuses'); END"),
              0);
    const auto listings = listingsOf("Songs"), discs = discsOf("Songs");
    highlight("Atlas");  // MX2201-2
    deleteHighlighted(GetParam().answer);
    ASSERT_EQ(d_.request() ? d_.request()->title : std::string(), "Delete Operation Error") << d_.windows();
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(d_.request(), nullptr) << "no success after a failed delete: " << d_.windows();
    EXPECT_EQ(listingsOf("Songs"), listings);
    EXPECT_EQ(discsOf("Songs"), discs);
    EXPECT_NE(workspace(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(Answers, FailedDeleteTest,
                         ::testing::Values(FailedDeleteCase{"ThisListing", "&This Listing"},
                                           FailedDeleteCase{"EntireDisc", "&Entire Disc"},
                                           // The disc record goes last: its failure keeps the
                                           // listings already deleted in the same transaction.
                                           FailedDeleteCase{"EntireDiscAtItsRecord", "&Entire Disc", "2bd"}),
                         [](const auto& i) { return std::string(i.param.name); });

// The highlighted listing went away behind the workspace's back: the read fails, and what the
// menu item does must not fall on the listing that was read before or after it.
class FailedReadTest : public QuickMenuTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(FailedReadTest, TheMenuItemActsOnNothing) {
    open();
    highlight("Atlas");  // MX2201-2, between MX2201-1 and MX2201-3 in disc order
    deleteElsewhere("MX2201", 2);
    const auto before = listingsOf("Songs");
    rightClick();
    EXPECT_EQ(message(), "35");
    ASSERT_TRUE(d_.answer("OK"));
    ASSERT_TRUE(d_.popup(GetParam())) << d_.windows();
    if (message() == kDeleteQuestion) {
        ASSERT_TRUE(d_.answer("&This Listing"));
    }
    EXPECT_EQ(d_.request(), nullptr) << d_.windows();
    EXPECT_EQ(d_.active()->title, workspaceTitle()) << "no form opened: " << d_.windows();
    EXPECT_EQ(listingsOf("Songs"), before);
    EXPECT_EQ(discsOf("Songs").size(), 3u);
    // The list shows what is there now.
    EXPECT_EQ(rowOf("Atlas"), 0);
}

INSTANTIATE_TEST_SUITE_P(Items, FailedReadTest,
                         ::testing::Values("Toggle Omit?", "Toggle Duet", "Edit Track", "Delete Track"),
                         [](const auto& i) {
                             std::string n;
                             for (char c : std::string(i.param))
                                 if (std::isalpha(static_cast<unsigned char>(c))) n += c;
                             return n;
                         });

TEST_F(QuickMenuTest, AfterAFailedReadTheDeleteDeletesNothing) {
    open();
    highlight("Atlas");
    deleteElsewhere("MX2201", 2);
    const auto before = listingsOf("Songs");
    ASSERT_TRUE(d_.press("Delete Selected Song Track")) << d_.error();
    // The disc is still there, so the question comes; this listing is not.
    ASSERT_EQ(message(), kDeleteQuestion);
    ASSERT_TRUE(d_.answer("&This Listing"));
    EXPECT_EQ(d_.request(), nullptr) << d_.windows();
    EXPECT_EQ(listingsOf("Songs"), before);
    EXPECT_EQ(discsOf("Songs").size(), 3u);
    EXPECT_EQ(rowOf("Atlas"), 0);
}

}  // namespace
}  // namespace workspace_test
