// The SongBook listing form: adding a listing with its disc, changing and deleting one, the
// genre field, the history record and closing with changes.
#include <cstdio>
#include <cstdlib>

#include "listing_fixture.h"
#include "runtime/shell/shell.h"
#include "runtime/text/text.h"

namespace listing_test {
namespace {

// Disc CV0101 (custom id 101) with two listings; listing MX0900-1 has no disc record.
void seedSongBook() {
    addGenre("Rock");
    addGenre("Blues");
    addGenre("Country");
    addDisc("CV0101", "101");
    addListing("CV0101", 1, "Lanterns Over Calder Bay");
    addListing("CV0101", 2, "Velvet Static", "Blues");
    addListing("MX0900", 1, "Paper Comet");
}

using ListingFormTest = ListingTest;

TEST_F(ListingFormTest, InsertOpensWithTodayAndEditableDiscIds) {
    start(seedSongBook, {insertOf([] { SBK.UNQDISKID = "NEW01"; })});
    ASSERT_EQ(activeTitle(), kListingForm) << d_.windows();
    EXPECT_EQ(d_.value("SBK:DATEADDED"), "3/14/2024");
    EXPECT_EQ(d_.value("SBK:UNQDISKID"), "NEW01");
    EXPECT_EQ(d_.text("?Message"), "SongBook Listing will be Added");
    EXPECT_TRUE(d_.enabled("SBK:UNQDISKID"));
    EXPECT_TRUE(d_.enabled("SBD:ALTDISKID"));
    EXPECT_EQ(focus(), id("SBK:TITLE"));
    EXPECT_EQ(choices("SBK:GENRE"), (std::vector<std::string>{"Blues", "Country", "Rock", "Add New Genre"}));
    EXPECT_EQ(d_.control("+")->tooltip, "Add Your Own Genre Category");
    EXPECT_EQ(d_.control("SBK:GENRE")->columns.at(0).header, "Genre");
}

TEST_F(ListingFormTest, ChangeShowsTheListingAndItsDiscWithDiscIdsReadOnly) {
    start(seedSongBook, {changeOf("CV0101", 2)});
    EXPECT_EQ(d_.value("SBK:TITLE"), "Velvet Static");
    EXPECT_EQ(d_.value("SBK:DISKTRACKNO"), "2");
    EXPECT_EQ(d_.value("SBK:DATEADDED"), "6/1/2021");
    EXPECT_EQ(d_.value("SBD:ALTDISKID"), "101");
    EXPECT_EQ(d_.value("SBK:GENRE"), "Blues");
    EXPECT_EQ(d_.text("?Message"), "SongBook Listing will be Changed");
    EXPECT_FALSE(d_.enabled("SBK:UNQDISKID"));
    EXPECT_FALSE(d_.enabled("SBD:ALTDISKID"));
}

// A new listing's disc id and custom disc id must be new to the SongBook.
TEST_F(ListingFormTest, InsertRefusesDiscIdsInUse) {
    struct Case {
        const char* disc;
        const char* alt;
        const char* message;
        const char* cursor;
    };
    const Case cases[] = {
        {"CV0101", "555", "Invalid Mfg. Disc ID, ID Already Exists.\nPlease enter an unused Mfg. ID.", "SBK:UNQDISKID"},
        {"NEW01", "101", "Invalid Alternate Disc ID, ID Already Exists.\nPlease enter an unused Alternate ID.",
         "SBD:ALTDISKID"},
        // A blank custom id takes the disc id, which another disc has as its custom id.
        {"101", "", "Invalid Alternate Disc ID, ID Already Exists.\nPlease enter an unused Alternate ID.",
         "SBD:ALTDISKID"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.disc) + " / " + c.alt);
        fixture::TempFolder dir;
        fixture::pointFileNamesAt(dir.path());
        start(seedSongBook, {insertOf()});
        ASSERT_TRUE(d_.type("SBK:TITLE", "Harbor Lights"));
        ASSERT_TRUE(d_.type("SBK:DISKTRACKNO", "4"));
        ASSERT_TRUE(d_.type("SBK:UNQDISKID", c.disc));
        ASSERT_TRUE(d_.type("SBD:ALTDISKID", c.alt));
        ASSERT_TRUE(d_.press("OK"));
        auto r = d_.request();
        ASSERT_TRUE(r) << d_.windows();
        EXPECT_EQ(r->text, c.message);
        EXPECT_EQ(r->title, "");
        EXPECT_EQ(r->icon, rt::Icon::None);
        ASSERT_TRUE(d_.answer("OK"));
        EXPECT_EQ(activeTitle(), kListingForm);
        EXPECT_EQ(focus(), id(c.cursor));
        EXPECT_EQ(discs(), (std::vector<std::string>{"CV0101/101"}));
        EXPECT_EQ(listings().size(), 3u);
        ASSERT_TRUE(d_.close());
        ASSERT_TRUE(d_.answer("No"));
        EXPECT_FALSE(d_.running());
        EXPECT_TRUE(d_.end());
        responses_.clear();
    }
}

TEST_F(ListingFormTest, InsertWithBlankCustomIdAddsDiscAndListingTogether) {
    start(seedSongBook, {insertOf()});
    ASSERT_TRUE(d_.type("SBK:TITLE", "Harbor Lights"));
    ASSERT_TRUE(d_.type("SBK:ARTIST", "Odile Brennan"));
    ASSERT_TRUE(d_.type("SBK:DISKTRACKNO", "12"));
    ASSERT_TRUE(d_.type("SBK:MAKEID", "NE"));
    ASSERT_TRUE(d_.type("SBK:UNQDISKID", "NEW01"));
    ASSERT_TRUE(d_.type("SBK:GENRE", "country"));
    ASSERT_TRUE(d_.setCheck("Duet?", true));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(responses_, (std::vector<int>{1}));
    EXPECT_EQ(discs(), (std::vector<std::string>{"CV0101/101", "NEW01/NEW01"}));
    // A disc the SongBook did not hold: no brand known.
    EXPECT_EQ(sql(SBDiscsFileName, "SELECT MAKETYPE || ',' || MAKEID FROM data WHERE UNQDISKID = 'NEW01'"),
              (std::vector<std::string>{",0"}));
    EXPECT_EQ(sql(SongBookFileName,
                  "SELECT TITLE || '|' || ARTIST || '|' || GENRE || '|' || DUET || '|' || PRINT || '|' || "
                  "MAKEID || '|' || DATEADDED FROM data WHERE UNQDISKID = 'NEW01' AND DISKTRACKNO = 12"),
              (std::vector<std::string>{"Harbor Lights|Odile Brennan|Country|X||NE|" + std::to_string(today())}));
}

// A listing that cannot be stored leaves no disc record behind: the disc comes in with it.
TEST_F(ListingFormTest, FailedInsertLeavesNoDiscRecord) {
    start(seedSongBook, {insertOf()});
    ASSERT_TRUE(d_.type("SBK:TITLE", "Second Paper Comet"));
    ASSERT_TRUE(d_.type("SBK:UNQDISKID", "MX0900"));
    ASSERT_TRUE(d_.type("SBK:DISKTRACKNO", "1"));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_EQ(box(), "Duplicate Key Error: Adding this record creates a duplicate entry for the key:SBK:KUnqDiskID");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(activeTitle(), kListingForm);
    EXPECT_EQ(focus(), id("SBK:TITLE"));
    EXPECT_EQ(discs(), (std::vector<std::string>{"CV0101/101"}));
    EXPECT_EQ(listings().size(), 3u);

    // Nothing was left to refuse the next try.
    ASSERT_TRUE(d_.type("SBK:DISKTRACKNO", "2"));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(responses_, (std::vector<int>{1}));
    EXPECT_EQ(discs(), (std::vector<std::string>{"CV0101/101", "MX0900/MX0900"}));
    EXPECT_EQ(listings().back(), "MX0900-2 Second Paper Comet");
}

TEST_F(ListingFormTest, UnchangedListingClosesCompletedWithoutWriting) {
    start(seedSongBook, {changeOf("CV0101", 1)});
    const auto before = listingStamps();
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(responses_, (std::vector<int>{1}));
    EXPECT_EQ(listingStamps(), before);
}

TEST_F(ListingFormTest, ChangeIsStored) {
    start(seedSongBook, {changeOf("CV0101", 1)});
    ASSERT_TRUE(d_.type("SBK:TITLE", "Lanterns Over Calder Bay (Live)"));
    ASSERT_TRUE(d_.type("Genre", "Blues"));
    ASSERT_TRUE(d_.setCheck("Omit Listing in Printed SongBook", true));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(responses_, (std::vector<int>{1}));
    EXPECT_EQ(sql(SongBookFileName, "SELECT TITLE || '|' || GENRE || '|' || PRINT FROM data WHERE DISKTRACKNO = 1 "
                                    "AND UNQDISKID = 'CV0101'"),
              (std::vector<std::string>{"Lanterns Over Calder Bay (Live)|Blues|X"}));
}

// Entries refuse what their pictures would not take: the value stays, the cursor goes back.
TEST_F(ListingFormTest, RefusedEntriesKeepTheirValue) {
    struct Case {
        const char* field;
        const char* typed;
        const char* shown;
    };
    const Case cases[] = {
        {"SBK:DATEADDED", "13/45/2024", "6/1/2021"},
        {"SBK:DATEADDED", "soon", "6/1/2021"},
        {"SBK:DISKTRACKNO", "1234567", "1"},
        {"SBK:DISKTRACKNO", "7b", "1"},
    };
    start(seedSongBook, {changeOf("CV0101", 1)});
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.field) + " " + c.typed);
        d_.clearBeeps();
        ASSERT_TRUE(d_.type(c.field, c.typed));
        EXPECT_EQ(d_.value(c.field), c.shown);
        EXPECT_EQ(focus(), id(c.field));
        EXPECT_EQ(d_.beeps().size(), 1u);
    }
    // Taken: a blank track is 0, a two-digit year is read as a date.
    ASSERT_TRUE(d_.type("SBK:DISKTRACKNO", ""));
    ASSERT_TRUE(d_.type("SBK:DATEADDED", "2/3/22"));
    EXPECT_EQ(d_.value("SBK:DATEADDED"), "2/3/2022");
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(sql(SongBookFileName, "SELECT DATEADDED FROM data WHERE TITLE = 'Lanterns Over Calder Bay'"),
              (std::vector<std::string>{std::to_string(rt::date(2, 3, 2022))}));
    EXPECT_EQ(sql(SongBookFileName, "SELECT DISKTRACKNO FROM data WHERE TITLE = 'Lanterns Over Calder Bay'"),
              (std::vector<std::string>{"0"}));
}

TEST_F(ListingFormTest, UnknownGenreAnsweredYesIsAddedAndKept) {
    start(seedSongBook, {changeOf("CV0101", 1)});
    ASSERT_TRUE(d_.type("Genre", "Zydeco"));
    auto r = d_.request();
    ASSERT_TRUE(r) << d_.windows();
    EXPECT_EQ(r->title, "Genre not found");
    EXPECT_EQ(r->text, "The Genre you have entered does not exist.\nDo you wish to add it?");
    EXPECT_EQ(r->icon, rt::Icon::Question);
    EXPECT_EQ(r->buttons.size(), 2u);
    ASSERT_TRUE(d_.answer("Yes"));
    EXPECT_EQ(genreRecords(), (std::vector<std::string>{"Rock", "Blues", "Country", "Zydeco"}));
    EXPECT_EQ(choices("SBK:GENRE"),
              (std::vector<std::string>{"Blues", "Country", "Rock", "Zydeco", "Add New Genre"}));
    EXPECT_EQ(d_.value("SBK:GENRE"), "Zydeco");
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(sql(SongBookFileName, "SELECT GENRE FROM data WHERE DISKTRACKNO = 1 AND UNQDISKID = 'CV0101'"),
              (std::vector<std::string>{"Zydeco"}));
}

TEST_F(ListingFormTest, UnknownGenreAnsweredNoKeepsTheCursorAndStoresNothing) {
    start(seedSongBook, {changeOf("CV0101", 1)});
    const auto before = listingStamps();
    ASSERT_TRUE(d_.type("Genre", "Zydeco"));
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_EQ(focus(), id("SBK:GENRE"));
    EXPECT_EQ(d_.value("SBK:GENRE"), "Zydeco");
    EXPECT_EQ(genreRecords().size(), 3u);
    // OK checks the field again and stops there.
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_EQ(d_.request() ? d_.request()->title : "", "Genre not found");
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_EQ(activeTitle(), kListingForm);
    EXPECT_EQ(focus(), id("SBK:GENRE"));
    EXPECT_EQ(listingStamps(), before);
}

// A genre typed in another letter case is the listed one; no genre at all needs no question.
TEST_F(ListingFormTest, ListedAndBlankGenresAskNothing) {
    start(seedSongBook, {changeOf("CV0101", 1)});
    ASSERT_TRUE(d_.type("Genre", "bLuEs"));
    EXPECT_FALSE(d_.request());
    EXPECT_EQ(d_.value("SBK:GENRE"), "Blues");
    ASSERT_TRUE(d_.type("Genre", ""));
    EXPECT_FALSE(d_.request());
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(sql(SongBookFileName, "SELECT '[' || GENRE || ']' FROM data WHERE DISKTRACKNO = 1 AND UNQDISKID = 'CV0101'"),
              (std::vector<std::string>{"[]"}));
    EXPECT_EQ(genreRecords().size(), 3u);
}

TEST_F(ListingFormTest, AddNewGenreThroughThePickerLeavesTheNewGenreInTheListing) {
    start(seedSongBook, {changeOf("CV0101", 1)});
    ASSERT_TRUE(d_.type("Genre", "Add New Genre"));
    ASSERT_EQ(activeTitle(), kPicker) << d_.windows();
    ASSERT_TRUE(d_.press("&Add"));
    ASSERT_EQ(activeTitle(), kGenreForm) << d_.windows();
    ASSERT_TRUE(d_.type("Genre:", "Polka"));
    ASSERT_TRUE(d_.press("OK"));
    ASSERT_EQ(activeTitle(), kPicker);
    ASSERT_TRUE(d_.press("Close"));
    ASSERT_EQ(activeTitle(), kListingForm);
    EXPECT_EQ(d_.value("SBK:GENRE"), "Polka");
    EXPECT_EQ(focus(), id("SBK:GENRE"));
    EXPECT_EQ(choices("SBK:GENRE"),
              (std::vector<std::string>{"Blues", "Country", "Polka", "Rock", "Add New Genre"}));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(sql(SongBookFileName, "SELECT GENRE FROM data WHERE DISKTRACKNO = 1 AND UNQDISKID = 'CV0101'"),
              (std::vector<std::string>{"Polka"}));
}

TEST_F(ListingFormTest, PlusButtonOffersTheNewGenreButKeepsTheListingsGenre) {
    start(seedSongBook, {changeOf("CV0101", 2)});
    ASSERT_TRUE(d_.press("+"));
    ASSERT_EQ(activeTitle(), kPicker) << d_.windows();
    ASSERT_TRUE(d_.press("&Add"));
    ASSERT_TRUE(d_.type("Genre:", "Ska"));
    ASSERT_TRUE(d_.press("OK"));
    ASSERT_TRUE(d_.press("Close"));
    ASSERT_EQ(activeTitle(), kListingForm);
    EXPECT_EQ(d_.value("SBK:GENRE"), "Blues");
    EXPECT_EQ(choices("SBK:GENRE"),
              (std::vector<std::string>{"Blues", "Country", "Rock", "Ska", "Add New Genre"}));
    EXPECT_EQ(d_.value("SBD:ALTDISKID"), "101");
}

// Without genres only "Add New Genre" is offered; a new listing loses its primed genre, a
// stored one keeps its own.
TEST_F(ListingFormTest, EmptyGenreFile) {
    auto seed = [] {
        addDisc("CV0101", "101");
        addListing("CV0101", 1, "Lanterns Over Calder Bay", "Rock");
    };
    start(seed, {insertOf([] { SBK.GENRE = "Rock"; }), changeOf("CV0101", 1)});
    EXPECT_EQ(choices("SBK:GENRE"), (std::vector<std::string>{"Add New Genre"}));
    EXPECT_EQ(d_.value("SBK:GENRE"), "");
    ASSERT_TRUE(d_.close());
    ASSERT_TRUE(d_.answer("No"));

    ASSERT_EQ(activeTitle(), kListingForm) << d_.windows();
    EXPECT_EQ(choices("SBK:GENRE"), (std::vector<std::string>{"Add New Genre"}));
    EXPECT_EQ(d_.value("SBK:GENRE"), "Rock");
    // Nothing was changed, so nothing asks.
    ASSERT_TRUE(d_.press("Cancel"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(responses_, (std::vector<int>{2, 2}));
    EXPECT_EQ(sql(SongBookFileName, "SELECT GENRE FROM data"), (std::vector<std::string>{"Rock"}));
}

// The history record is blank until something is stored through the form in this run: checked
// in a process of its own.
bool ctrlQuoteRightAfterStart() {
    fixture::TempFolder dir;
    fixture::pointFileNamesAt(dir.path());
    headless::Driver d;
    bool ok = d.start([] {
        DataFileUse songBook(SBK), discs(SBD), genres(GEN);
        seedSongBook();
        readListing("CV0101", 2);
        CallRequest = 2;
        UpdateSongBookListing();
    });
    auto check = [&](const char* field, const char* expected) {
        auto w = d.active();
        auto c = d.control(field);
        if (!w || !c) return false;
        rt::EventData e(rt::EvAlertKey, c->id);
        e.key = rt::KeyCtrlQuote;
        if (!rt::input(w->id, e) || !d.settle()) return false;
        if (d.value(field) == expected) return true;
        std::fprintf(stderr, "%s holds [%s]\n", field, d.value(field).c_str());
        return false;
    };
    ok = ok && check("SBK:TITLE", "") && check("SBK:DISKTRACKNO", "") && check("SBK:DATEADDED", "") &&
         check("SBK:GENRE", "") && check("SBK:DUET", "0");
    d.end();
    return ok;
}

// Not a fixture test: the child process ends without unwinding, so it owns nothing to clean up.
TEST(ListingFormHistory, CtrlQuoteRightAfterStartCopiesBlanks) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::_Exit(ctrlQuoteRightAfterStart() ? 0 : 1), ::testing::ExitedWithCode(0), "");
}

TEST_F(ListingFormTest, CtrlQuoteAfterAStoreCopiesTheStoredValues) {
    start(seedSongBook, {changeOf("CV0101", 1), changeOf("CV0101", 2)});
    ASSERT_TRUE(d_.type("SBK:TITLE", "Lanterns (Acoustic)"));
    ASSERT_TRUE(d_.type("Genre", "Country"));
    ASSERT_TRUE(d_.press("OK"));

    ASSERT_EQ(d_.value("SBK:TITLE"), "Velvet Static") << d_.windows();
    ASSERT_TRUE(ctrlQuote("SBK:TITLE"));
    EXPECT_EQ(d_.value("SBK:TITLE"), "Lanterns (Acoustic)");
    EXPECT_EQ(d_.value("SBK:GENRE"), "Blues");  // only the one field
    ASSERT_TRUE(ctrlQuote("SBK:GENRE"));
    EXPECT_EQ(d_.value("SBK:GENRE"), "Country");
    ASSERT_TRUE(ctrlQuote("SBK:DISKTRACKNO"));
    EXPECT_EQ(d_.value("SBK:DISKTRACKNO"), "1");
    // The listing stays on its disc: the read-only disc id takes nothing.
    ASSERT_TRUE(ctrlQuote("SBK:UNQDISKID"));
    EXPECT_EQ(d_.value("SBK:UNQDISKID"), "CV0101");
    ASSERT_TRUE(d_.press("Cancel"));
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(listings(), (std::vector<std::string>{"CV0101-1 Lanterns (Acoustic)", "CV0101-2 Velvet Static",
                                                    "MX0900-1 Paper Comet"}));
}

// Closing with changes asks whether to save them, whichever way the window is closed.
TEST_F(ListingFormTest, ClosingWithChangesAsks) {
    struct Case {
        bool cancelButton;
        const char* answer;
        bool staysOpen;
        const char* stored;
        int response;
    };
    const Case cases[] = {
        {false, "Yes", false, "Velvet Static (Remix)", 1},
        {false, "No", false, "Velvet Static", 2},
        {false, "Cancel", true, "Velvet Static", 0},
        {true, "Yes", false, "Velvet Static (Remix)", 1},
        {true, "No", false, "Velvet Static", 2},
        {true, "Cancel", true, "Velvet Static", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.cancelButton ? "Cancel button, " : "close box, ") + c.answer);
        fixture::TempFolder dir;
        fixture::pointFileNamesAt(dir.path());
        responses_.clear();
        start(seedSongBook, {changeOf("CV0101", 2)});
        ASSERT_TRUE(d_.type("SBK:TITLE", "Velvet Static (Remix)"));
        ASSERT_TRUE(c.cancelButton ? d_.press("Cancel") : d_.close());
        EXPECT_EQ(box(), "Update Cancelled: Do you want to save the changes to this record?");
        ASSERT_TRUE(d_.answer(c.answer));
        EXPECT_EQ(d_.running(), c.staysOpen) << d_.windows();
        if (c.staysOpen) {
            EXPECT_EQ(activeTitle(), kListingForm);
            EXPECT_EQ(focus(), id("SBK:TITLE"));
            EXPECT_EQ(d_.value("SBK:TITLE"), "Velvet Static (Remix)");
        } else {
            EXPECT_EQ(responses_, (std::vector<int>{c.response}));
        }
        EXPECT_EQ(sql(SongBookFileName, "SELECT TITLE FROM data WHERE DISKTRACKNO = 2"),
                  (std::vector<std::string>{c.stored}));
        d_.end();
    }
}

// Another station changed the listing while the form was open: its version is shown, the
// host's own values come back with Ctrl+', and the next OK stores them.
TEST_F(ListingFormTest, ListingChangedByAnotherStation) {
    start(seedSongBook, {changeOf("CV0101", 1)});
    ASSERT_TRUE(d_.type("SBK:TITLE", "Lanterns (My Edit)"));
    ASSERT_EQ(fixture::execSql(SongBookFileName.str(), "UPDATE data SET MAKEID = 'ZZ', DUET = 'X', _chg = _chg + 1 "
                                                       "WHERE UNQDISKID = 'CV0101' AND DISKTRACKNO = 1"),
              0);
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_EQ(d_.request() ? d_.request()->title : "", "Record Was Not Updated") << d_.windows();
    ASSERT_TRUE(d_.answer("OK"));
    ASSERT_EQ(activeTitle(), kListingForm);
    EXPECT_EQ(d_.value("SBK:TITLE"), "Lanterns Over Calder Bay");
    EXPECT_EQ(d_.value("SBK:MAKEID"), "ZZ");
    EXPECT_EQ(d_.value("SBK:DUET"), "1");
    EXPECT_EQ(focus(), id("SBK:TITLE"));
    ASSERT_TRUE(ctrlQuote("SBK:TITLE"));
    EXPECT_EQ(d_.value("SBK:TITLE"), "Lanterns (My Edit)");
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(responses_, (std::vector<int>{1}));
    EXPECT_EQ(sql(SongBookFileName, "SELECT TITLE || '|' || MAKEID || '|' || DUET FROM data WHERE DISKTRACKNO = 1 "
                                    "AND UNQDISKID = 'CV0101'"),
              (std::vector<std::string>{"Lanterns (My Edit)|ZZ|X"}));
}

// A change that cannot be written asks whether to try again: Yes tries, Cancel stays, No closes
// (and closing with changes asks once more).
TEST_F(ListingFormTest, FailedChangeOffersAnotherTry) {
    start(seedSongBook, {changeOf("CV0101", 2)});
    ASSERT_TRUE(d_.type("SBK:TITLE", "Velvet Static (Remix)"));
    ASSERT_EQ(fixture::execSql(SongBookFileName.str(), "DELETE FROM data WHERE UNQDISKID = 'CV0101' AND DISKTRACKNO = 2"), 0);
    ASSERT_TRUE(d_.press("OK"));
    const char* failed = "Update Operation Error";
    const std::string again = "Record Update Error: An error was experienced changing this record.  Do you want to "
                              "try to save again?";
    EXPECT_EQ(d_.request() ? d_.request()->title : "", failed) << d_.windows();
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(box(), again);
    ASSERT_TRUE(d_.answer("Yes"));
    EXPECT_EQ(d_.request() ? d_.request()->title : "", failed);
    ASSERT_TRUE(d_.answer("OK"));
    ASSERT_TRUE(d_.answer("Cancel"));
    EXPECT_FALSE(d_.request());
    EXPECT_EQ(focus(), id("SBK:TITLE"));

    ASSERT_TRUE(d_.press("OK"));
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(box(), again);
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_EQ(d_.request() ? d_.request()->title : "", "Update Cancelled");
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(responses_, (std::vector<int>{2}));
    EXPECT_EQ(listings().size(), 2u);
}

TEST_F(ListingFormTest, DeleteAsksWithoutAWindow) {
    struct Case {
        const char* answer;
        std::size_t left;
        int response;
    };
    for (const Case& c : {Case{"OK", 2u, 1}, Case{"Cancel", 3u, 2}}) {
        SCOPED_TRACE(c.answer);
        fixture::TempFolder dir;
        fixture::pointFileNamesAt(dir.path());
        responses_.clear();
        start(seedSongBook, {deleteOf("CV0101", 2)});
        EXPECT_TRUE(d_.titles().empty()) << d_.windows();
        EXPECT_EQ(box(), "Confirm Delete: You've selected to delete the highlighted record.  Press OK to confirm "
                         "deletion of this record.");
        ASSERT_TRUE(d_.answer(c.answer));
        EXPECT_FALSE(d_.running());
        EXPECT_EQ(responses_, (std::vector<int>{c.response}));
        EXPECT_EQ(listings().size(), c.left);
        EXPECT_EQ(discs(), (std::vector<std::string>{"CV0101/101"}));
        d_.end();
    }
}

// A delete that fails is offered again; giving up leaves the listing and response 2.
TEST_F(ListingFormTest, FailedDeleteIsRetriedOnYes) {
    start(seedSongBook, {{3, [] {
                              readListing("CV0101", 2);
                              // Gone before the form runs; the buffer still shows it.
                              SBK.del();
                          }}});
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(d_.request() ? d_.request()->title : "", "Delete Operation Error");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(box().substr(0, 20), "Record Update Error:");
    ASSERT_TRUE(d_.answer("Yes"));
    EXPECT_EQ(d_.request() ? d_.request()->title : "", "Delete Operation Error");
    ASSERT_TRUE(d_.answer("OK"));
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(responses_, (std::vector<int>{2}));
}

TEST_F(ListingFormTest, LaterOpeningsTakeTheFirstPosition) {
    start(seedSongBook, {changeOf("CV0101", 1), changeOf("CV0101", 2), changeOf("MX0900", 1)});
    auto move = [&](int x, int y) {
        rt::EventData e(rt::EvMoved);
        e.text = std::to_string(x) + "," + std::to_string(y);
        e.hasText = true;
        return rt::input(d_.active()->id, e) && d_.settle();
    };
    ASSERT_TRUE(move(40, 30));
    ASSERT_TRUE(d_.press("Cancel"));
    auto w = d_.active();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->x, 40);
    EXPECT_EQ(w->y, 30);
    EXPECT_EQ(w->w, 326);
    ASSERT_TRUE(move(90, 95));
    ASSERT_TRUE(d_.press("Cancel"));
    w = d_.active();
    ASSERT_TRUE(w);
    EXPECT_EQ(w->x, 40);
    EXPECT_EQ(w->y, 30);
    ASSERT_TRUE(d_.press("Cancel"));
    EXPECT_FALSE(d_.running());
}

TEST_F(ListingFormTest, HelpOpensTheTopic) {
    std::vector<std::vector<std::string>> launched;
    rt::setLauncher([&](const std::vector<std::string>& argv) { launched.push_back(argv); });
    const auto version = OSVersionInfo.majorVersion;
    OSVersionInfo.majorVersion = 6;
    start(seedSongBook, {changeOf("CV0101", 1)});
    ASSERT_TRUE(d_.press("&Help"));
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_NE(launched[0].back().find("EditingSongTracks"), std::string::npos) << launched[0].back();
    EXPECT_EQ(activeTitle(), kListingForm);
    rt::setLauncher(nullptr);
    OSVersionInfo.majorVersion = version;
}

}  // namespace
}  // namespace listing_test
