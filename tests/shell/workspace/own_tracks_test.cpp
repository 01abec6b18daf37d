// The host's own discs and tracks, added from the workspace as a host would.
#include "workspace_fixture.h"

namespace workspace_test {
namespace {

constexpr const char* kAddTracks = "Cantorelle V2 SongBook Maker - Add Song Tracks";
constexpr const char* kAddDisc = "Cantorelle V2 - Add Disc to Library";

class OwnTracksTest : public WorkspaceTest {
protected:
    void openAddTracks(const std::vector<Listing>& listings = sampleListings()) {
        makeSongBook("Songs", listings, sampleDiscs());
        openWorkspace("Songs");
        ASSERT_TRUE(d_.menu({"&SongBook", "Add &Track(s)"})) << d_.error();
        ASSERT_EQ(d_.active()->title, kAddTracks) << d_.windows();
    }
    // Types a song and presses "Add Track".
    void addSong(const std::string& title, const std::string& artist) {
        ASSERT_TRUE(d_.type("?SBK:TITLE", title)) << d_.error();
        ASSERT_TRUE(d_.type("?SBK:ARTIST", artist)) << d_.error();
        ASSERT_TRUE(d_.press("Add Track")) << d_.error();
    }
    void anotherOne(const char* answer) {
        ASSERT_EQ(message(), "Track successfully added.\n\nDo you wish to add another track to this disc?")
            << d_.windows();
        ASSERT_TRUE(d_.answer(answer)) << d_.error();
    }
    std::vector<std::string> rows(const std::string& sql) { return fixture::queryColumn(listingFile("Songs"), sql); }
};

TEST_F(OwnTracksTest, AnOwnDiscGetsItsTracksNumberedOneTwoThree) {
    openAddTracks();
    ASSERT_TRUE(d_.press("?AddDisc")) << d_.error();
    ASSERT_EQ(d_.active()->title, kAddDisc) << d_.windows();
    ASSERT_TRUE(d_.check("Select this option if this is a Custom, One-of-a-Kind Disc")) << d_.error();
    ASSERT_TRUE(d_.type("?SBD:ALTDISKID", "701")) << d_.error();
    ASSERT_TRUE(d_.press("Ok")) << d_.error();
    ASSERT_EQ(d_.active()->title, kAddTracks) << d_.windows();
    EXPECT_EQ(d_.value("?SBK:UNQDISKID"), "701");
    const char* songs[][2] = {{"First Light", "Ada Quill"}, {"Second Wind", "Bo Lindqvist"}, {"Third Time", "Zoë Marchetti"}};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(d_.value("?SBK:DISKTRACKNO"), std::to_string(i + 1));
        addSong(songs[i][0], songs[i][1]);
        anotherOne(i < 2 ? "&Yes" : "&No");
    }
    EXPECT_EQ(d_.active()->title, workspaceTitle()) << d_.windows();
    EXPECT_EQ(rows("SELECT UNQDISKID || '-' || DISKTRACKNO || ' ' || TITLE FROM data WHERE UNQDISKID = '701' "
                   "ORDER BY DISKTRACKNO"),
              (std::vector<std::string>{"701-1 First Light", "701-2 Second Wind", "701-3 Third Time"}));
    EXPECT_EQ(fixture::queryColumn(listingFile("Songs", "2bd"),
                                   "SELECT ALTDISKID || '/' || MAKETYPE || '/' || MAKEID FROM data WHERE UNQDISKID = '701'"),
              std::vector<std::string>{"701/CU/1"});
    EXPECT_EQ(d_.status().front(), "Total Song Tracks: 10");
}

TEST_F(OwnTracksTest, DisclessTracksFollowTheHighestDisclessTrack) {
    auto listings = sampleListings();
    listings.push_back({"Old Loose", "Ada Quill", "*", 12});
    listings.push_back({"Older Loose", "Ada Quill", "*", 4});
    openAddTracks(listings);
    ASSERT_TRUE(d_.check("DiscLess Track?  (Cavs,MP3+G, etc.)")) << d_.error();
    EXPECT_FALSE(d_.hidden("?DisclessTrack"));
    EXPECT_TRUE(d_.hidden("?SBK:UNQDISKID"));
    EXPECT_EQ(d_.value("?DisclessTrack"), "13");
    addSong("Loose Song", "Ferris Lane");
    anotherOne("&No");
    EXPECT_EQ(rows("SELECT DISKTRACKNO FROM data WHERE TITLE = 'Loose Song' AND UNQDISKID = '*'"),
              std::vector<std::string>{"13"});
}

TEST_F(OwnTracksTest, ChoosingADiscProposesItsNextTrackAndATakenTrackIsRefused) {
    openAddTracks();
    ASSERT_TRUE(d_.type("?SBK:UNQDISKID", "101")) << d_.error();  // CV0105 holds tracks 1 to 3
    EXPECT_EQ(d_.value("?SBK:DISKTRACKNO"), "4");
    ASSERT_TRUE(d_.type("?SBK:DISKTRACKNO", "2")) << d_.error();
    addSong("Taken Place", "Ada Quill");
    EXPECT_EQ(message(), "Track# already in use, please select another..");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(d_.value("?SBK:TITLE"), "Taken Place");
    // Nothing missing may be added.
    ASSERT_TRUE(d_.type("?SBK:ARTIST", "")) << d_.error();
    ASSERT_TRUE(d_.press("Add Track")) << d_.error();
    EXPECT_EQ(message(), "Song Title, Artist Name, Disc ID and Track# are Required");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(rows("SELECT count(*) FROM data"), std::vector<std::string>{"7"});
}

TEST_F(OwnTracksTest, ADiscIsRefusedWhenItsIdsAreTaken) {
    openAddTracks();
    struct Case {
        const char* alt;
        const char* disc;
        const char* text;
    } cases[] = {
        {"", "", "Custom Disc Id is Required."},
        {"102", "", "This Custom Disc ID is Already Used.\n\nPlease select a unique Custom Disc ID."},
        {"555", "cv0105",
         "This Disc Already Exists in the SongBook\n\nCustom Disc ID: 101\n\nDuplicate Disc Entries are not Allowed."},
    };
    ASSERT_TRUE(d_.press("?AddDisc")) << d_.error();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(d_.type("?SBD:ALTDISKID", c.alt)) << d_.error();
        ASSERT_TRUE(d_.type("?SBD:UNQDISKID", c.disc)) << d_.error();
        ASSERT_TRUE(d_.press("Ok")) << d_.error();
        EXPECT_EQ(message(), c.text);
        ASSERT_TRUE(d_.answer("OK")) << d_.error();
        EXPECT_EQ(d_.active()->title, kAddDisc);
        EXPECT_EQ(d_.value("?SBD:ALTDISKID"), c.alt);
    }
    EXPECT_EQ(discsOf("Songs").size(), 3u);
}

}  // namespace
}  // namespace workspace_test
