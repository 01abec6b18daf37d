// The master track browse and its edit form over the fixture catalogue: tabs, thumb stops,
// the refused insert and delete, editing and re-sorting, the ditto record, closing with
// changes, and a correction seen by every list that shows the track.
#include "master_fixture.h"

#include <algorithm>
#include <cstdlib>

#include "library/BrowseMasterTracks.h"
#include "library/FastFindDisc.h"
#include "library/UpdateMasterTrack.h"
#include "runtime/thread/thread.h"
#include "services/OpenDataFile.h"

namespace master_test {
namespace {

const char* const kBrowse = "Cantorelle V2 SongBook Maker - View/Change Main Tunelode";
const char* const kForm = "Edit Main Tunelode Track ";
const char* const kFastFind = "Cantorelle V2 SongBook Maker - FastFind";
const char* const kDiscTracks = "Display All Song Tracks on Selected Disc";

int gResponse = -1;

// Calls the form on a master track as the browse does: the track is the current record.
void editTrack(const std::string& disc, int track, int request) {
    gResponse = -1;
    UseDataFile(KAR);
    KAR.clearBuffer();
    KAR.UNQDISKID = disc;
    KAR.DISKTRACKNO = static_cast<std::uint16_t>(track);
    KAR.get(KARAOKE::KDISK);
    CallRequest = request;
    UpdateMasterTrack();
    gResponse = CallResponse;
    ReleaseDataFile(KAR);
}

class BrowseMasterTest : public MasterTest {
protected:
    void startBrowse() {
        ASSERT_TRUE(d_.start([] {
            CallRequest = 0;
            BrowseMasterTracks();
            gResponse = CallResponse;
        })) << d_.error();
        ASSERT_EQ(activeTitle(), kBrowse) << d_.windows();
    }
    void startForm(const std::string& disc, int track, int request = 2) {
        ASSERT_TRUE(d_.start([=] { editTrack(disc, track, request); })) << d_.error();
    }
    // Opens the form on the browse row whose column `col` reads `text`.
    void editRow(std::size_t col, const std::string& text) {
        const int row = rowOf("?List", col, text);
        ASSERT_NE(row, 0) << text << ": " << d_.windows();
        ASSERT_TRUE(d_.select("?List", row)) << d_.error();
        ASSERT_TRUE(d_.press("&Edit")) << d_.error();
        ASSERT_EQ(activeTitle().rfind(kForm, 0), 0u) << d_.windows();
    }
    std::string highlighted(std::size_t col) const {
        const int r = d_.selectedRow("?List");
        const auto cells = column("?List", col);
        return r >= 1 && r <= static_cast<int>(cells.size()) ? cells[static_cast<std::size_t>(r - 1)] : "";
    }
    std::string karaoke() const { return KaraokeFileName.str(); }
};

TEST_F(BrowseMasterTest, OpensByTitleWithTheFirstTabMarked) {
    startBrowse();
    EXPECT_EQ(d_.headers("?List"), (std::vector<std::string>{"Title", "Artist", "Make", "Disc ID", "Track"}));
    const auto titles = column("?List", 0);
    ASSERT_EQ(titles.size(), 25u);
    EXPECT_EQ(titles[0], "Amber Lanterns");
    EXPECT_TRUE(std::is_sorted(titles.begin(), titles.end(),
                               [](const std::string& a, const std::string& b) { return rt::compareNoCase(a, b) < 0; }));
    const auto first = d_.rows("?List").at(0);
    EXPECT_EQ(first, (std::vector<std::string>{"Amber Lanterns", "Tovo", "Zephyr", "4004", "3"}));
    const auto tab1 = d_.control("?Tab1").value();
    EXPECT_EQ(tab1.fg, 0x800000u);
    EXPECT_EQ(tab1.bg, 0x808080u);
    EXPECT_EQ(tab1.font.weight, 700);
    EXPECT_TRUE(d_.hidden("?Select"));
    EXPECT_TRUE(d_.hidden("?Insert"));
    EXPECT_TRUE(d_.hidden("?Delete"));
    EXPECT_TRUE(d_.control("&Edit")->isDefault);
    ASSERT_TRUE(d_.press("&Close"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(gResponse, 2);
}

TEST_F(BrowseMasterTest, ControlsFollowTheWindowsSize) {
    startBrowse();
    auto a = d_.active();
    ASSERT_TRUE(a);
    rt::EventData sized(rt::EvSized);
    sized.text = "520,340";
    sized.hasText = true;
    ASSERT_TRUE(rt::input(a->id, sized) && d_.settle());
    const auto list = d_.control("?List").value();
    EXPECT_EQ(list.x + list.w, 520 - 6);
    EXPECT_EQ(list.y + list.h, d_.control("&Close")->y - 8);
    const auto help = d_.control("&Help").value();
    EXPECT_EQ(help.x + help.w, 520 - 8);
    EXPECT_EQ(help.y + help.h, 340 - 8);
}

// A tab lays the columns out with its sort column first, marks itself, gives the previous
// tab its look back, and shows the same track in the new order.
TEST_F(BrowseMasterTest, TabsReorderAroundTheSameTrack) {
    startBrowse();
    ASSERT_TRUE(d_.select("?List", rowOf("?List", 0, "Jasper Moon")));
    struct Case {
        const char* tab;
        const char* name;
        std::vector<std::string> headers;
        std::size_t titleColumn;
    };
    const Case cases[] = {
        {"&Artist", "?Tab2", {"Artist", "Title", "Brand/Series", "Disk ID", "Track"}, 1},
        {"&Disc-Track", "?Tab3", {"Disk ID", "Track", "Title", "Artist", "Brand/Series"}, 2},
        {"&Song Title", "?Tab1", {"Title", "Artist", "Brand/Series", "Disk ID", "Track"}, 0},
    };
    std::string previous = "?Tab1";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        ASSERT_TRUE(d_.choose("?Sheet", c.tab)) << d_.error();
        EXPECT_EQ(d_.headers("?List"), c.headers);
        EXPECT_EQ(highlighted(c.titleColumn), "Jasper Moon");
        EXPECT_EQ(d_.control(c.name)->font.weight, 700);
        EXPECT_EQ(d_.control(c.name)->fg, 0x800000u);
        EXPECT_EQ(d_.control(previous)->font.weight, 400);
        EXPECT_EQ(d_.control(previous)->fg, rt::kNoColor);
        previous = c.name;
    }
}

// Thumb stops of the two-character table on the tab's sort field.
TEST_F(BrowseMasterTest, ThumbStopsFollowTheTabsSortField) {
    struct Case {
        const char* tab;
        int stop;
        std::size_t col;
        const char* first;
        int thumb;  // after the new selection: the first stop not below the row
    };
    const Case cases[] = {
        {"&Song Title", 5, 0, "Bakery Love", 6},          // "B "
        {"&Artist", 5, 0, "Bram Springer", 8},      // "B " .. "BT" sort before BRAM
        {"&Disc-Track", 21, 2, "Song 01", 23},          // "F ": FL0001, its first track
        {"&Song Title", 1, 0, "Amber Lanterns", 3},
    };
    startBrowse();
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tab) + " " + std::to_string(c.stop));
        ASSERT_TRUE(d_.choose("?Sheet", c.tab)) << d_.error();
        ASSERT_TRUE(d_.drag("?List", c.stop)) << d_.error();
        EXPECT_EQ(column("?List", c.col).at(0), c.first);
        EXPECT_EQ(highlighted(c.col), c.first);
        EXPECT_EQ(d_.control("?List")->thumb, c.thumb);
    }
    ASSERT_TRUE(d_.drag("?List", 100));
    EXPECT_EQ(column("?List", 0).back(), "Willow Line");
}

TEST_F(BrowseMasterTest, InsertAndDeleteKeysAreRefusedAndChangeNothing) {
    const std::uint32_t before = changeCounter(karaoke());
    startBrowse();
    const auto rows = d_.rows("?List");
    struct Case {
        const char* key;
        const char* text;
    };
    for (const Case c : {Case{"Insert", "This procedure was called to insert a record, however inserts are not allowed"},
                         Case{"Delete", "This procedure was called to delete a record, however deletions are not allowed"}}) {
        SCOPED_TRACE(c.key);
        ASSERT_TRUE(d_.key("?List", c.key, 3)) << d_.error();
        EXPECT_EQ(messageTitle(), "Invalid Request");
        EXPECT_EQ(message().rfind(c.text, 0), 0u) << message();
        ASSERT_TRUE(d_.answer("OK"));
        EXPECT_EQ(activeTitle(), kBrowse) << d_.windows();
        EXPECT_EQ(d_.rows("?List"), rows);
    }
    ASSERT_TRUE(d_.key("?List", "RightClick")) << d_.error();
    ASSERT_TRUE(d_.request());
    EXPECT_EQ(d_.request()->items, (std::vector<std::string>{"~&Select"}));
    ASSERT_TRUE(d_.popup(0));
    ASSERT_TRUE(d_.end());
    EXPECT_EQ(changeCounter(karaoke()), before);
    EXPECT_EQ(masterTrack("SV1001", 2).TITLE, "Jasper Moon");
}

TEST_F(BrowseMasterTest, EditingTheTitleResortsOnTheEditedTrack) {
    startBrowse();
    editRow(0, "Bakery Love");
    EXPECT_EQ(activeTitle(), "Edit Main Tunelode Track   (DiscID: 3003  Track:2)");
    EXPECT_EQ(d_.value("?KAR:TITLE"), "Bakery Love");
    EXPECT_EQ(d_.value("?BRA:MAKE"), "Pocketone");
    EXPECT_EQ(d_.active()->focus, d_.control("?KAR:TITLE")->id);
    ASSERT_TRUE(d_.type("?KAR:TITLE", "Zulu Warrior")) << d_.error();
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    ASSERT_EQ(activeTitle(), kBrowse) << d_.windows();
    EXPECT_EQ(highlighted(0), "Zulu Warrior");
    const auto titles = column("?List", 0);
    EXPECT_EQ(titles.back(), "Zulu Warrior");
    EXPECT_EQ(titles[titles.size() - 2], "Willow Line");
    EXPECT_EQ(std::count(titles.begin(), titles.end(), "Bakery Love"), 0);
    EXPECT_EQ(masterTrack("PK3003", 2).TITLE, "Zulu Warrior");
}

TEST_F(BrowseMasterTest, EnterAndDoubleClickEditToo) {
    startBrowse();
    for (const char* key : {"Enter", "DoubleClick", "CtrlEnter"}) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(d_.key("?List", key, rowOf("?List", 0, "Hollow Bells"))) << d_.error();
        ASSERT_EQ(activeTitle(), "Edit Main Tunelode Track   (DiscID: 1001  Track:3)") << d_.windows();
        ASSERT_TRUE(d_.press("Cancel"));
        ASSERT_EQ(activeTitle(), kBrowse);
    }
}

TEST_F(BrowseMasterTest, OkWithoutChangeWritesNothingAndCompletes) {
    const std::uint32_t before = changeCounter(karaoke());
    startForm("SV1001", 2);
    ASSERT_EQ(activeTitle(), "Edit Main Tunelode Track   (DiscID: 1001  Track:2)") << d_.windows();
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(gResponse, 1);
    EXPECT_EQ(changeCounter(karaoke()), before);
}

TEST_F(BrowseMasterTest, InsertAndDeleteRequestsAreRefusedWithoutAWindow) {
    struct Case {
        int request;
        const char* start;
    };
    for (const Case c : {Case{1, "This procedure was called to insert"}, Case{3, "This procedure was called to delete"}}) {
        SCOPED_TRACE(c.request);
        startForm("SV1001", 2, c.request);
        EXPECT_EQ(message().rfind(c.start, 0), 0u) << d_.windows();
        ASSERT_TRUE(d_.answer("OK"));
        EXPECT_FALSE(d_.running());
        EXPECT_EQ(gResponse, 2);
    }
}

// Closing the form with the title changed asks whether to save.
TEST_F(BrowseMasterTest, ClosingWithChangesAsks) {
    struct Case {
        bool cancelButton;
        const char* answer;
        bool saved;
        bool stays;
        int response;
    };
    const Case cases[] = {
        {false, "Yes", true, false, 1},
        {false, "No", false, false, 2},
        {false, "Cancel", false, true, -1},
        {true, "Yes", true, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cancelButton ? "Cancel button, " : "close box, ") + c.answer);
        writeCatalogue();
        startForm("SV1001", 3);
        ASSERT_TRUE(d_.type("?KAR:TITLE", "Hollow Bells Again"));
        ASSERT_TRUE(c.cancelButton ? d_.press("Cancel") : d_.close()) << d_.error();
        EXPECT_EQ(messageTitle(), "Update Cancelled");
        EXPECT_EQ(message(), "Do you want to save the changes to this record?");
        ASSERT_TRUE(d_.answer(c.answer)) << d_.error();
        EXPECT_EQ(d_.running(), c.stays);
        if (c.stays) {
            EXPECT_EQ(activeTitle().rfind(kForm, 0), 0u);
            EXPECT_EQ(d_.active()->focus, d_.control("?KAR:TITLE")->id);
            ASSERT_TRUE(d_.type("?KAR:TITLE", "Hollow Bells"));
            ASSERT_TRUE(d_.press("Cancel"));
            EXPECT_FALSE(d_.running());
        } else {
            EXPECT_EQ(gResponse, c.response);
        }
        EXPECT_EQ(masterTrack("SV1001", 3).TITLE, c.saved ? "Hollow Bells Again" : "Hollow Bells");
    }
}

// The run's first OK leaves nothing to recall before it: the form runs in a process of its own.
// Not a fixture test: the child ends without unwinding, so the catalogue it works on is made
// and removed inside this function, before the child ends.
bool dittoBeforeAnyOkIsBlank() {
    struct Run : BrowseMasterTest {
        void TestBody() override {}
        bool go() {
            SetUp();
            bool ok = d_.start([] { editTrack("SV1001", 2, 2); });
            for (const char* f : {"?KAR:TITLE", "?KAR:ARTIST", "?KAR:DISKTRACKNO"})
                ok = ok && keyOn(f, rt::KeyCtrlQuote);
            ok = ok && d_.value("?KAR:TITLE").empty() && d_.value("?KAR:ARTIST").empty() &&
                 d_.value("?KAR:DISKTRACKNO") == "0";
            ok = ok && d_.end();
            TearDown();
            return ok;
        }
    };
    return Run().go();
}

TEST(UpdateMasterTrackDeathTest, DittoBeforeAnyOkIsBlank) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(dittoBeforeAnyOkIsBlank() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

// After an OK, Ctrl+' recalls that track's values field by field; the read-only disc id is
// never changed that way.
TEST_F(BrowseMasterTest, DittoRecallsTheLastOk) {
    startForm("SV1001", 2);
    ASSERT_TRUE(d_.type("?KAR:ARTIST", "Della Pruett & Friends"));
    ASSERT_TRUE(d_.press("OK"));
    ASSERT_FALSE(d_.running());
    startForm("CW2002", 2);
    ASSERT_TRUE(keyOn("?KAR:ARTIST", rt::KeyCtrlQuote));
    EXPECT_EQ(d_.value("?KAR:ARTIST"), "Della Pruett & Friends");
    EXPECT_EQ(d_.value("?KAR:TITLE"), "Willow Line");
    ASSERT_TRUE(keyOn("?KAR:DISKID", rt::KeyCtrlQuote));
    EXPECT_EQ(d_.value("?KAR:DISKID"), "2002");
    ASSERT_TRUE(keyOn("?KAR:TITLE", rt::KeyCtrlQuote));
    EXPECT_EQ(d_.value("?KAR:TITLE"), "Jasper Moon");
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running());
    const KaraokeRecord t = masterTrack("CW2002", 2);
    EXPECT_EQ(t.TITLE, "Jasper Moon");
    EXPECT_EQ(t.ARTIST, "Della Pruett & Friends");
    EXPECT_EQ(t.DISKID, "2002");
    EXPECT_EQ(t.UNQDISKID, "CW2002");
}

TEST_F(BrowseMasterTest, TrackEntryTakesOnlyATrackNumber) {
    startForm("SV1001", 2);
    struct Case {
        const char* typed;
        const char* shown;
        bool beep;
    };
    for (const Case c : {Case{"abc", "2", true}, Case{"70000", "2", true}, Case{"7", "7", false}}) {
        SCOPED_TRACE(c.typed);
        d_.clearBeeps();
        ASSERT_TRUE(d_.type("?KAR:DISKTRACKNO", c.typed));
        EXPECT_EQ(d_.value("?KAR:DISKTRACKNO"), c.shown);
        EXPECT_EQ(!d_.beeps().empty(), c.beep);
    }
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(masterTrack("SV1001", 7).TITLE, "Jasper Moon");
}

TEST_F(BrowseMasterTest, FormReopensWhereItFirstAppeared) {
    startForm("SV1001", 1);
    auto a = d_.active();
    ASSERT_TRUE(a);
    rt::EventData moved(rt::EvMoved);
    moved.text = "40,30";
    moved.hasText = true;
    ASSERT_TRUE(rt::input(a->id, moved) && d_.settle());
    ASSERT_TRUE(d_.press("Cancel"));
    startForm("SV1001", 2);
    ASSERT_TRUE(d_.active());
    EXPECT_EQ(d_.active()->x, 40);
    EXPECT_EQ(d_.active()->y, 30);
}

// FastFind on its own thread and the browse on the workspace's: a track corrected in the
// browse shows corrected in the browse, in FastFind's disc list once it is active again, and
// in the disc's track list.
TEST_F(BrowseMasterTest, CorrectionShowsInEveryList) {
    ASSERT_TRUE(d_.start([] {
        rt::startThread(FastFindDisc);
        BrowseMasterTracks();
    })) << d_.error();
    ASSERT_TRUE(d_.window(kFastFind) && d_.window(kBrowse)) << d_.windows();
    ASSERT_TRUE(d_.activate(kFastFind));
    ASSERT_TRUE(d_.type("?STI:TITLE", "Cranberry"));
    ASSERT_TRUE(d_.press("Search for Matching Disc(s)"));
    ASSERT_EQ(column("?DiscList", 0), (std::vector<std::string>{"SV1001", "CW2002", "PK3003"}));

    ASSERT_TRUE(d_.activate(kBrowse));
    editRow(1, "Gnash Barlow");  // ZP4004, track 2
    ASSERT_TRUE(d_.type("?KAR:DISKTRACKNO", "1"));
    ASSERT_TRUE(d_.press("OK"));
    ASSERT_TRUE(d_.activate(kBrowse));
    EXPECT_EQ(highlighted(1), "Gnash Barlow");
    EXPECT_EQ(highlighted(4), "1");
    editRow(0, "Jasper Moon");
    ASSERT_TRUE(d_.type("?KAR:TITLE", "Jasper Moon (Live)"));
    ASSERT_TRUE(d_.press("OK"));
    ASSERT_TRUE(d_.activate(kBrowse));
    EXPECT_EQ(highlighted(0), "Jasper Moon (Live)");

    ASSERT_TRUE(d_.activate(kFastFind));
    EXPECT_EQ(column("?DiscList", 0), (std::vector<std::string>{"SV1001", "CW2002", "PK3003", "ZP4004"}));
    EXPECT_EQ(column("?DiscList", 1).back(), "Zephyr");
    ASSERT_TRUE(d_.select("?DiscList", 4));
    ASSERT_TRUE(d_.press("Display All Tracks on Selected Disc"));
    ASSERT_EQ(activeTitle(), kDiscTracks);
    EXPECT_EQ(column("?List", 0), (std::vector<std::string>{"Ivory Lane", "Cranberry", "Amber Lanterns"}));
    EXPECT_EQ(column("?List", 2), (std::vector<std::string>{"1", "1", "3"}));
    ASSERT_TRUE(d_.press("Close"));
    ASSERT_TRUE(d_.select("?DiscList", 1));
    ASSERT_TRUE(d_.press("Display All Tracks on Selected Disc"));
    EXPECT_EQ(column("?List", 0), (std::vector<std::string>{"Cranberry", "Jasper Moon (Live)", "Hollow Bells"}));
}

}  // namespace
}  // namespace master_test
