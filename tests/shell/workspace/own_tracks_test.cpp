// The host's own discs and tracks, added from the workspace as a host would.
#include <cctype>

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

// A brand disc made with "+" gives its tracks its own manufacturer code, also when another
// disc of the SongBook (a custom "CU" one) sorts after it.
TEST_F(OwnTracksTest, ATrackOnABrandDiscMadeWithPlusGetsThatBrandsCode) {
    auto discs = sampleDiscs();
    discs.push_back({"CU0900", "900"});
    makeSongBook("Songs", sampleListings(), discs);
    openWorkspace("Songs");
    ASSERT_TRUE(d_.menu({"&SongBook", "Add &Track(s)"})) << d_.error();
    ASSERT_TRUE(d_.press("?AddDisc")) << d_.error();
    ASSERT_EQ(d_.active()->title, kAddDisc) << d_.windows();
    ASSERT_TRUE(d_.type("?SBD:ALTDISKID", "100")) << d_.error();
    ASSERT_TRUE(d_.type("?SBD:UNQDISKID", "SL3002")) << d_.error();
    ASSERT_TRUE(d_.type("?SBD:MAKEID", "Starlane Karaoke")) << d_.error();
    EXPECT_EQ(d_.value("?SBD:MAKETYPE"), "SL");
    ASSERT_TRUE(d_.press("Ok")) << d_.error();
    ASSERT_EQ(d_.active()->title, kAddTracks) << d_.windows();
    EXPECT_EQ(d_.value("?SBK:UNQDISKID"), "100");
    EXPECT_EQ(d_.value("?SBK:MAKEID"), "SL - Starlane Audio");
    EXPECT_EQ(d_.value("?SBK:DISKTRACKNO"), "1");
    addSong("Brand New", "Ada Quill");
    anotherOne("&No");
    EXPECT_EQ(rows("SELECT UNQDISKID || '-' || DISKTRACKNO || ' ' || MAKEID FROM data WHERE TITLE = 'Brand New'"),
              std::vector<std::string>{"SL3002-1 SL"});
    EXPECT_EQ(fixture::queryColumn(listingFile("Songs", "2bd"),
                                   "SELECT ALTDISKID || '/' || MAKETYPE FROM data WHERE UNQDISKID = 'SL3002'"),
              std::vector<std::string>{"100/SL"});
}

// "+" cancelled leaves the chosen disc, its next track and its code as they were.
TEST_F(OwnTracksTest, PlusCancelledChangesNothing) {
    openAddTracks();
    ASSERT_TRUE(d_.type("?SBK:UNQDISKID", "101")) << d_.error();
    const std::string code = d_.value("?SBK:MAKEID");
    ASSERT_TRUE(d_.press("?AddDisc")) << d_.error();
    ASSERT_TRUE(d_.press("Cancel")) << d_.error();
    ASSERT_EQ(d_.active()->title, kAddTracks) << d_.windows();
    EXPECT_EQ(d_.value("?SBK:UNQDISKID"), "101");
    EXPECT_EQ(d_.value("?SBK:DISKTRACKNO"), "4");
    EXPECT_EQ(d_.value("?SBK:MAKEID"), code);
    addSong("Still Here", "Ada Quill");
    anotherOne("&No");
    EXPECT_EQ(rows("SELECT UNQDISKID || '-' || DISKTRACKNO FROM data WHERE TITLE = 'Still Here'"),
              std::vector<std::string>{"CV0105-4"});
}

// Another window renumbers or deletes the chosen disc before "Add Track": no disc is made
// under the old custom disc id, nothing is added, and the host is told what became of it.
struct GoneDisc {
    const char* name;
    const char* sql;  // what the other window did
    const char* message;
    const char* chooseAgain;
};
const GoneDisc kGoneDiscs[] = {
    {"renumbered", "UPDATE data SET ALTDISKID = '111' WHERE ALTDISKID = '101'",
     "The disc 101 is now disc 111: another window renumbered it.\n\nNo track was added. Please choose the disc "
     "again.",
     "111"},
    {"renumbered, its number given to another disc",
     "UPDATE data SET ALTDISKID = CASE ALTDISKID WHEN '101' THEN '111' ELSE '101' END WHERE ALTDISKID IN "
     "('101', '102')",
     "The disc 101 is now disc 111: another window renumbered it.\n\nNo track was added. Please choose the disc "
     "again.",
     "111"},
    {"deleted", "DELETE FROM data WHERE ALTDISKID = '101'",
     "The disc 101 is no longer in the SongBook: another window deleted it.\n\nNo track was added. Please choose "
     "the disc again.",
     "102"},
};

class GoneDiscTest : public OwnTracksTest, public ::testing::WithParamInterface<GoneDisc> {};

TEST_P(GoneDiscTest, IsNotMadeAgainAndTheHostIsTold) {
    const GoneDisc& c = GetParam();
    openAddTracks();
    ASSERT_TRUE(d_.type("?SBK:UNQDISKID", "101")) << d_.error();
    ASSERT_EQ(fixture::execSql(listingFile("Songs", "2bd"), c.sql), 0);
    const auto discsBefore = discsOf("Songs");
    addSong("Too Late", "Ada Quill");
    EXPECT_EQ(message(), c.message) << d_.windows();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(d_.active()->title, kAddTracks);
    EXPECT_EQ(d_.value("?SBK:UNQDISKID"), "");
    EXPECT_EQ(d_.value("?SBK:TITLE"), "Too Late");
    EXPECT_EQ(discsOf("Songs"), discsBefore);
    EXPECT_EQ(rows("SELECT count(*) FROM data WHERE TITLE = 'Too Late'"), std::vector<std::string>{"0"});
    // Chosen again, the disc takes the track.
    ASSERT_TRUE(d_.type("?SBK:UNQDISKID", c.chooseAgain)) << d_.error();
    ASSERT_TRUE(d_.press("Add Track")) << d_.error();
    anotherOne("&No");
    EXPECT_EQ(rows("SELECT count(*) FROM data WHERE TITLE = 'Too Late'"), std::vector<std::string>{"1"});
    EXPECT_EQ(discsOf("Songs"), discsBefore);
}

INSTANTIATE_TEST_SUITE_P(OwnTracks, GoneDiscTest, ::testing::ValuesIn(kGoneDiscs),
                         [](const ::testing::TestParamInfo<GoneDisc>& info) {
                             std::string n;
                             for (const char* p = info.param.name; *p; ++p)
                                 if (std::isalnum(static_cast<unsigned char>(*p))) n += *p;
                             return n;
                         });

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
