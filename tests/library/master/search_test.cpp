// "Search Main Tunelode": names containing the search text, the master tracks of the chosen
// one, and each disc's DUP count in colour bands.
#include "library/master/master_fixture.h"

#include <algorithm>
#include <memory>

#include <sqlite3.h>

#include "data/globals.h"
#include "data/sartist.h"
#include "library/SearchMasterTracks.h"
#include "runtime/record/engine.h"

namespace master_test {
namespace {

constexpr const char* kSearch = "Search Main Tunelode";

class SearchTest : public MasterTest {
protected:
    void SetUp() override {
        MasterTest::SetUp();
        // A master artist longer than the 25 characters sArtist keeps.
        rt::runProgram([] {
            KAR.open();
            fixture::addMasterTrack("LG7007", "7007", 1, 6, "Endless Name", "The Exceedingly Long Named Orchestra");
            KAR.close();
            SAR.create();
            SAR.open();
            std::vector<std::string> seen;
            for (const Track& t : catalogueTracks()) {
                bool known = false;
                for (const auto& s : seen) known = known || rt::equalNoCase(s, t.artist);
                if (known) continue;
                seen.push_back(t.artist);
                SAR.clearBuffer();
                SAR.ARTIST = t.artist;
                SAR.add();
            }
            SAR.clearBuffer();
            SAR.ARTIST = std::string("The Exceedingly Long Named Orchestra").substr(0, 25);
            SAR.add();
            SAR.close();
        });
        SongBookIsOpen = 1;
    }
    void TearDown() override {
        MasterTest::TearDown();
        SongBookIsOpen = 0;
        EXPECT_EQ(SearchThread, 0);
    }
    void startSearch() {
        ASSERT_TRUE(d_.start(SearchMasterTracks)) << d_.error();
        ASSERT_EQ(activeTitle(), kSearch) << d_.windows();
    }
    void searchFor(const std::string& text, const std::string& by = "Song Title") {
        ASSERT_TRUE(d_.choose("Search by", by)) << d_.error();
        ASSERT_TRUE(d_.type("?SearchField", text)) << d_.error();
        ASSERT_TRUE(d_.press("&Search")) << d_.error();
    }
    // The DUP cells of a disc list: count and background colour.
    std::vector<std::string> dups(const std::string& list) {
        std::vector<std::string> out;
        const auto c = d_.control(list);
        if (!c) return out;
        for (const auto& r : c->rows) {
            char bg[16];
            std::snprintf(bg, sizeof bg, "%06X", r.cells.at(5).bg);
            out.push_back(r.cells.at(3).text + ":" + r.cells.at(5).text + "/" + bg);
        }
        return out;
    }
    // SongBook listings of the filler disc's first n songs.
    std::vector<Listing> fillers(int n) {
        static std::vector<std::string> titles;
        titles.clear();
        for (int i = 1; i <= 40; ++i) {
            char t[16];
            std::snprintf(t, sizeof t, "Song %02d", i);
            titles.emplace_back(t);
        }
        std::vector<Listing> out;
        for (int i = 0; i < n; ++i) out.push_back({titles[static_cast<std::size_t>(i)].c_str(), "filler band", "FL0001", i + 1});
        return out;
    }
};

TEST_F(SearchTest, TheSearchTextHasTheFocusWhenTheWindowOpens) {
    // The lists fill as the window opens; the host types the text at once.
    startSearch();
    EXPECT_EQ(d_.active()->focus, d_.control("?SearchField")->id) << d_.windows();
}

TEST_F(SearchTest, ATitleSearchListsEveryTrackOfTheTitleWithBrandDiscAndCount) {
    // Two of the Sunvale disc's songs are in the SongBook (listed on other discs, in other case).
    writeSongBook({{"CRANBERRY", "peggy corran", "ZZ0001", 1}, {"Hollow Bells", "Adela Voss", "ZZ0001", 2}}, {});
    startSearch();
    EXPECT_TRUE(d_.hidden("?ArtistList"));
    EXPECT_FALSE(d_.hidden("?TitleList"));
    searchFor("cranb");
    EXPECT_EQ(column("?TitleList", 0), (std::vector<std::string>{"Cranberry"}));
    EXPECT_EQ(d_.headers("?TitleDiscList"),
              (std::vector<std::string>{"Title", "Artist", "Brand/Series", "Disc ID", "Track", "DUP"}));
    std::vector<std::string> rows;
    for (const auto& r : d_.rows("?TitleDiscList")) rows.push_back(r[0] + "|" + r[1] + "|" + r[2] + "|" + r[3] + "|" + r[4]);
    std::sort(rows.begin(), rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{"CRANBERRY|Peggy Corran|Chartwell|CW2002|1",
                                              "Cranberry|Gnash Barlow|Zephyr|ZP4004|2",
                                              "Cranberry|Peggy Corran|Sunvale Sing|SV1001|1",
                                              "cranberry|Wes Nolan|Pocketone|PK3003|1"}));
    auto counts = dups("?TitleDiscList");
    std::sort(counts.begin(), counts.end());
    EXPECT_EQ(counts, (std::vector<std::string>{"CW2002:1/B7FFB7", "PK3003:0/B7FFB7", "SV1001:2/B7FFB7",
                                                "ZP4004:0/B7FFB7"}));
}

TEST_F(SearchTest, TheColourBandsChangeAtFiveAndTwelve) {
    struct Case {
        int inSongBook;
        std::string cell;
    };
    const std::vector<Case> cases = {{4, "FL0001:4/B7FFB7"}, {5, "FL0001:5/80FFFF"}, {11, "FL0001:11/80FFFF"},
                                     {12, "FL0001:12/8080FF"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inSongBook);
        writeSongBook(fillers(c.inSongBook), {});
        startSearch();
        searchFor("Song 07");
        EXPECT_EQ(dups("?TitleDiscList"), (std::vector<std::string>{c.cell}));
        ASSERT_TRUE(d_.end());
    }
    EXPECT_EQ(DupBand(12).selBg, 0x0000FFu);
    EXPECT_EQ(DupBand(5).selBg, 0x028E8Bu);
    EXPECT_EQ(DupBand(0).selBg, 0x008000u);
}

TEST_F(SearchTest, CountsCatchUpWhenTheWindowComesForwardAndStopWithoutASongBook) {
    writeSongBook(fillers(4), {});
    startSearch();
    searchFor("Song 1");
    ASSERT_FALSE(d_.rows("?TitleDiscList").empty());
    EXPECT_EQ(dups("?TitleDiscList").front(), "FL0001:4/B7FFB7");
    // Listings added behind the window's back count once it comes forward again.
    {
        // Written with the engine's own key collation, as another station would.
        std::unique_ptr<rt::Connection> c;
        int sys = 0;
        ASSERT_EQ(rt::Connection::open(SongBookFileName.str(), false, false, c, &sys), SQLITE_OK);
        ASSERT_EQ(sqlite3_exec(c->db(),
                               "INSERT INTO data (TITLE, ARTIST, UNQDISKID, DISKTRACKNO) "
                               "SELECT 'Song ' || printf('%02d', n), 'Filler Band', 'FL0001', n FROM "
                               "(SELECT 5 AS n UNION SELECT 6 UNION SELECT 7)",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
    }
    ASSERT_TRUE(d_.postTo(rt::EvGainFocus, SearchThread)) << d_.error();
    EXPECT_EQ(dups("?TitleDiscList").front(), "FL0001:7/80FFFF");
    // The SongBook closed: no counts, and the window says so.
    SongBookIsOpen = 0;
    ASSERT_TRUE(d_.postTo(rt::EvGainFocus, SearchThread)) << d_.error();
    EXPECT_EQ(d_.rows("?TitleDiscList").front().at(5), "");
    EXPECT_FALSE(d_.hidden("?NoSongBook"));
    SongBookIsOpen = 1;
}

TEST_F(SearchTest, AnArtistSearchFindsArtistsLongerThanTheNameListKeeps) {
    startSearch();
    searchFor("exceedingly", "Artist");
    EXPECT_TRUE(d_.hidden("?TitleList"));
    EXPECT_EQ(column("?ArtistList", 0), (std::vector<std::string>{"The Exceedingly Long Name"}));
    ASSERT_EQ(d_.rows("?ArtistDiscList").size(), 1u);
    EXPECT_EQ(d_.rows("?ArtistDiscList")[0][0], "The Exceedingly Long Named Orchestra");
    EXPECT_EQ(d_.rows("?ArtistDiscList")[0][3], "LG7007");
}

TEST_F(SearchTest, TheSearchTextIsOnlyTextAndABlankOneBeeps) {
    struct Case {
        std::string text;
        std::vector<std::string> titles;
    };
    const std::vector<Case> cases = {
        {"LANE", {"Ivory Lane"}},
        {" lane", {"Ivory Lane"}},
        {" Cranberry", {}},
        {"y L", {"Bakery Love", "Ivory Lane"}},
        {"(%'*", {}},
    };
    startSearch();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        searchFor(c.text);
        EXPECT_EQ(column("?TitleList", 0), c.titles);
    }
    d_.clearBeeps();
    const auto before = column("?TitleList", 0);
    searchFor("   ");
    EXPECT_EQ(d_.beeps().size(), 1u);
    EXPECT_EQ(column("?TitleList", 0), before);
    EXPECT_EQ(d_.active()->focus, d_.control("?SearchField")->id);
}

TEST_F(SearchTest, TheDisplayButtonOpensTheDiscsTracks) {
    startSearch();
    searchFor("willow");
    ASSERT_EQ(d_.rows("?TitleDiscList").size(), 1u);
    ASSERT_TRUE(d_.press("&Display All Tracks on Selected Disc")) << d_.error();
    ASSERT_EQ(activeTitle(), "Display All Song Tracks on Selected Disc") << d_.windows();
    EXPECT_EQ(d_.text("?DISKMAKEID"), "Chartwell - CW2002");
    ASSERT_TRUE(d_.press("Close")) << d_.error();
    EXPECT_EQ(activeTitle(), kSearch);
}

}  // namespace
}  // namespace master_test
