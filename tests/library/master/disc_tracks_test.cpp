// The disc-tracks window over the fixture catalogue: which tracks are red, the legend, the
// disc ids in any letter case, selecting, and what it leaves of the caller's SongBook.
#include "master_fixture.h"

#include "library/ShowMasterDiscTracks.h"
#include "services/OpenDataFile.h"

namespace master_test {
namespace {

constexpr std::uint32_t kRed = 0x0000FF;
const char* const kWindow = "Display All Song Tracks on Selected Disc";

struct Outcome {
    int response = -1;
    std::string title;  // KAR.TITLE after the call
    int track = -1;
};
Outcome gOut;

// Calls the window as a caller would, with the disc and brand in the buffers.
void callFor(const std::string& disc, const std::string& brand, int request, int track = 1) {
    gOut = Outcome{};
    KAR.clearBuffer();
    KAR.UNQDISKID = disc;
    KAR.DISKTRACKNO = static_cast<std::uint16_t>(track);
    BRA.clearBuffer();
    BRA.MAKE = brand;
    CallRequest = request;
    ShowMasterDiscTracks();
    gOut.response = CallResponse;
    gOut.title = KAR.TITLE.str();
    gOut.track = KAR.DISKTRACKNO;
}

class DiscTracksTest : public MasterTest {
protected:
    void open(const std::string& disc, const std::string& brand, int request = 2, int track = 1) {
        ASSERT_TRUE(d_.start([=] { callFor(disc, brand, request, track); })) << d_.error();
        ASSERT_EQ(activeTitle(), kWindow) << d_.windows();
    }
    std::vector<rt::Row> shownRows() const { return d_.control("?List")->rows; }
    bool legendActive() const {
        return !d_.hidden("?AppearingIn") && !d_.hidden("?Red") && !d_.hidden("?Duplicated") &&
               d_.hidden("?NotActive");
    }
    bool legendInactive() const {
        return d_.hidden("?AppearingIn") && d_.hidden("?Red") && d_.hidden("?Duplicated") &&
               !d_.hidden("?NotActive");
    }
    // Every cell of the row in red, plain and highlighted, on the default backgrounds.
    static bool red(const rt::Row& r) {
        for (const auto& c : r.cells)
            if (c.fg != kRed || c.selFg != kRed || c.bg != rt::kNoColor) return false;
        return r.cells.size() == 3;
    }
    static bool plain(const rt::Row& r) {
        for (const auto& c : r.cells)
            if (c.fg != rt::kNoColor || c.bg != rt::kNoColor || c.selFg != 0x000000 || c.selBg != 0xFFFFFF)
                return false;
        return r.cells.size() == 3;
    }
};

TEST_F(DiscTracksTest, HeadingAndTracksInOrderWithPlainColoursWhenNoneIsInTheSongBook) {
    writeSongBook({{"Ivory Lane", "Jon Lenard", "ZP4004", 1}}, {{"ZP4004", "100"}});
    open("SV1001", "Sunvale Sing");
    EXPECT_EQ(d_.text("?DISKMAKEID"), "Sunvale Sing - SV1001");
    EXPECT_EQ(column("?List", 0), (std::vector<std::string>{"Cranberry", "Jasper Moon", "Hollow Bells"}));
    EXPECT_EQ(column("?List", 2), (std::vector<std::string>{"1", "2", "3"}));
    for (const auto& r : shownRows()) EXPECT_TRUE(plain(r)) << r.cells.at(0).text;
    EXPECT_TRUE(legendActive());
    EXPECT_EQ(d_.text("?Red"), "RED");
    EXPECT_EQ(d_.control("?Red")->font.color, kRed);
    EXPECT_TRUE(d_.control("?Red")->font.italic);
    EXPECT_EQ(d_.selectedRow("?List"), 1);
    for (const char* hidden : {"?Insert", "?Change", "?Delete", "?Select"}) EXPECT_TRUE(d_.hidden(hidden)) << hidden;
    ASSERT_TRUE(d_.press("Close")) << d_.error();
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(gOut.response, 2);
}

TEST_F(DiscTracksTest, NoSongBookOpenSaysSoAndMarksNothing) {
    writeSongBook({{"Cranberry", "Peggy Corran", "SV1001", 1}}, {{"SV1001", "1"}});
    SongBookFileName.clear();
    open("SV1001", "Sunvale Sing");
    EXPECT_TRUE(legendInactive());
    EXPECT_EQ(d_.text("?NotActive"), "Not Active, SongBook not Open!");
    ASSERT_EQ(shownRows().size(), 3u);
    for (const auto& r : shownRows()) EXPECT_TRUE(plain(r));
}

// A listing with the same title and artist marks the track wherever the listing is, in any
// letter case; the same title by another artist does not.
TEST_F(DiscTracksTest, SameSongOnAnotherDiscIsRed) {
    writeSongBook({{"JASPER MOON", "della pruett", "XX9999", 4}, {"Hollow Bells", "Lonnie Ridge", "XX9999", 5}},
                  {{"XX9999", "9"}});
    open("SV1001", "Sunvale Sing");
    const auto rows = shownRows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(plain(rows[0]));
    EXPECT_TRUE(red(rows[1]));
    EXPECT_TRUE(plain(rows[2]));
    EXPECT_TRUE(legendActive());
}

TEST_F(DiscTracksTest, DiscIdInEveryLetterCaseIsListed) {
    open("mx5005", "Mixed");
    EXPECT_EQ(column("?List", 0), (std::vector<std::string>{"Borrowed Run", "Rafters", "Rosewater"}));
    EXPECT_EQ(d_.text("?DISKMAKEID"), "Mixed - mx5005");
}

// The hidden record buttons only read the list again: nothing is written, no form opens.
TEST_F(DiscTracksTest, RecordKeysOnlyReloadTheList) {
    const std::uint32_t before = changeCounter(KaraokeFileName.str());
    open("SV1001", "Sunvale Sing");
    for (const char* key : {"Insert", "Delete", "CtrlEnter", "DoubleClick"}) {
        ASSERT_TRUE(d_.key("?List", key, 2)) << key << ": " << d_.error();
        EXPECT_EQ(activeTitle(), kWindow) << key;
        EXPECT_EQ(column("?List", 0).size(), 3u) << key;
    }
    ASSERT_TRUE(d_.press("Close"));
    EXPECT_EQ(changeCounter(KaraokeFileName.str()), before);
}

TEST_F(DiscTracksTest, SelectStartsAtTheCallersTrackAndHandsItBack) {
    open("FL0001", "Fillers", 4, 30);
    EXPECT_FALSE(d_.hidden("?Select"));
    ASSERT_EQ(d_.selectedRow("?List"), rowOf("?List", 0, "Song 30")) << d_.windows();
    ASSERT_TRUE(d_.key("?List", "DoubleClick", rowOf("?List", 0, "Song 31"))) << d_.error();
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(gOut.response, 1);
    EXPECT_EQ(gOut.title, "Song 31");
    EXPECT_EQ(gOut.track, 31);
}

// A caller that has the SongBook open keeps it open, with its own listing in the buffer and as
// the record its next write goes to; a caller without it gets it closed again.
TEST_F(DiscTracksTest, CallersSongBookIsLeftAsItWas) {
    writeSongBook({{"Cranberry", "Peggy Corran", "XX0001", 1}, {"Zebra", "Nobody", "XX0002", 1}}, {});
    struct Seen {
        bool openAfter = true, listingKept = false, wroteOwn = false, closedWithoutCaller = false;
    };
    static Seen seen;
    seen = Seen{};
    ASSERT_TRUE(d_.start([] {
        UseDataFile(SBK);
        SBK.clearBuffer();
        SBK.UNQDISKID = "XX0002";
        SBK.DISKTRACKNO = 1;
        SBK.get(SongBook::KUNQDISKID);
        callFor("SV1001", "Sunvale Sing", 2);
        seen.openAfter = SBK.isOpen();
        seen.listingKept = SBK.TITLE == "Zebra";
        SBK.LOCATION = "Shelf 2";
        SBK.put();
        SBK.clearBuffer();
        SBK.UNQDISKID = "XX0002";
        SBK.DISKTRACKNO = 1;
        SBK.get(SongBook::KUNQDISKID);
        seen.wroteOwn = rt::errorCode() == 0 && SBK.LOCATION == "Shelf 2" && SBK.TITLE == "Zebra";
        ReleaseDataFile(SBK);
        callFor("SV1001", "Sunvale Sing", 2);
        seen.closedWithoutCaller = !SBK.isOpen();
    })) << d_.error();
    ASSERT_EQ(activeTitle(), kWindow);
    EXPECT_TRUE(red(shownRows().at(0)));
    ASSERT_TRUE(d_.press("Close"));
    ASSERT_EQ(activeTitle(), kWindow);
    EXPECT_TRUE(red(shownRows().at(0)));
    ASSERT_TRUE(d_.press("Close"));
    EXPECT_FALSE(d_.running());
    EXPECT_TRUE(seen.openAfter);
    EXPECT_TRUE(seen.listingKept);
    EXPECT_TRUE(seen.wroteOwn);
    EXPECT_TRUE(seen.closedWithoutCaller);
}

}  // namespace
}  // namespace master_test
