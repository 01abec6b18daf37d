// "Renumber Disc(s)" from the workspace: custom disc ids typed over in place, whole discs
// deleted with their listings.
#include <cstdio>

#include "shell/workspace/workspace_fixture.h"

namespace {

using workspace_test::Disc;
using workspace_test::Listing;
using workspace_test::WorkspaceTest;

constexpr const char* kRenumber = "Cantorelle V2 SongBook Maker - Renumber Disc(s)";

class RenumberTest : public WorkspaceTest {
protected:
    // The sample SongBook, a disc with 15 listings (one of them under its id in lower case),
    // and a disc whose custom id holds letters.
    void SetUp() override {
        WorkspaceTest::SetUp();
        auto listings = workspace_test::sampleListings();
        for (unsigned t = 1; t <= 15; ++t)
            listings.push_back({"Fifteen " + std::to_string(t), "Band", t == 15 ? "cv0199" : "CV0199", t});
        auto discs = workspace_test::sampleDiscs();
        discs.push_back({"CV0199", "199"});
        discs.push_back({"VE0501", "AB7"});
        makeSongBook("Songs", listings, discs);
        openWorkspace("Songs");
    }
    void openRenumber() {
        ASSERT_TRUE(d_.menu({"&SongBook", "&Renumber Disc(s)"})) << d_.error() << d_.windows();
        ASSERT_EQ(activeTitle(), kRenumber) << d_.windows();
    }
    std::string activeTitle() {
        auto a = d_.active();
        return a ? a->title : std::string();
    }
    // Highlights the disc whose manufacturer's id is shown as `disc`.
    void highlight(const std::string& disc) {
        const int row = rowOf(disc);
        ASSERT_NE(row, 0) << disc << " is not listed";
        ASSERT_TRUE(d_.select("?List", row)) << d_.error();
        ASSERT_EQ(d_.value("?SBD:UNQDISKID"), disc);
    }
    // Types a custom id into the cell and presses Enter, as a host does.
    void enter(const std::string& id) {
        ASSERT_TRUE(d_.type("?SBD:ALTDISKID", id)) << d_.error();
        ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "Enter")) << d_.error();
    }
    long long count(const std::string& file, const std::string& where) {
        const auto n = fixture::queryColumn(file, "SELECT count(*) FROM data WHERE " + where);
        return n.empty() ? -1 : std::stoll(n[0]);
    }
};

TEST_F(RenumberTest, ANewCustomIdChangesTheDiscRecordAloneAndTheWorkspaceShowsIt) {
    const auto listingsBefore = listingsOf("Songs");
    openRenumber();
    EXPECT_EQ(d_.headers("?List"), (std::vector<std::string>{"Original ID", "Custom ID"}));
    EXPECT_EQ(column(0), (std::vector<std::string>{"CV0105", "CV0199", "MX2201", "SL3001", "VE0501"}));
    // The cells lie over the first row, the cursor in the custom id.
    EXPECT_EQ(d_.value("?SBD:UNQDISKID"), "CV0105");
    EXPECT_EQ(d_.value("?SBD:ALTDISKID"), "101");
    EXPECT_EQ(d_.active()->focus, d_.control("?SBD:ALTDISKID")->id);
    EXPECT_TRUE(d_.control("?SBD:UNQDISKID")->readOnly);

    enter("201");
    EXPECT_EQ(message(), "");
    EXPECT_EQ(column(1).front(), "201");
    EXPECT_EQ(listingsOf("Songs"), listingsBefore);
    EXPECT_EQ(count(listingFile("Songs", "2bd"), "ALTDISKID = '201' AND UNQDISKID = 'CV0105'"), 1);
    EXPECT_EQ(count(listingFile("Songs", "2bd"), "ALTDISKID = '101'"), 0);

    // In the custom order the disc moves to its new place and stays highlighted.
    ASSERT_TRUE(d_.choose("?Sheet", "Custom ID")) << d_.error();
    EXPECT_EQ(column(1), (std::vector<std::string>{"102", "103", "199", "201", "AB7"}));
    EXPECT_EQ(d_.value("?SBD:UNQDISKID"), "CV0105");

    ASSERT_TRUE(d_.press("Close")) << d_.error();
    ASSERT_EQ(activeTitle(), workspaceTitle()) << d_.windows();
    bool shown = false;
    for (const auto& r : d_.rows())
        shown = shown || (r.size() > 3 && r[0] == "The Night the Tramlines Sang" && r[2] == "201");
    EXPECT_TRUE(shown) << "the title list does not show disc 201";
}

TEST_F(RenumberTest, TipsBreakTheirLinesAsTheFrontEndsDo) {
    openRenumber();
    const std::pair<const char*, const char*> tips[] = {
        {"?Tab1", "List Discs by Original\nManufacturers Disc ID"},
        {"?Tab2", "List Discs by Custom\nDisc ID."},
        {"?List", "Select Disc to Renumber.\nEnter New Disc ID and\npress Enter."},
        {"?DeleteDisc", "Delete Selected Disc\nand all Song Tracks\nfrom the Open SongBook."},
    };
    for (const auto& [name, tip] : tips) {
        const auto c = d_.control(name);
        ASSERT_TRUE(c) << name;
        EXPECT_EQ(c->tooltip, tip) << name;
    }
}

TEST_F(RenumberTest, ABlankOrUsedCustomIdIsRefusedAndNothingIsWritten) {
    struct Case {
        std::string typed, message;
    };
    const std::vector<Case> cases = {
        {"", "ERROR: Alternate Disc ID Cannot be Blank!"},
        {"102", "ERROR: Alternate Disc ID Already in Use!"},
        {"ab7", "ERROR: Alternate Disc ID Already in Use!"},
    };
    const auto discsBefore = discsOf("Songs");
    openRenumber();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        highlight("CV0105");
        enter(c.typed);
        EXPECT_EQ(message(), c.message);
        ASSERT_TRUE(d_.answer("OK")) << d_.error();
        EXPECT_EQ(discsOf("Songs"), discsBefore);
    }
    // The row shows what is stored.
    highlight("CV0105");
    EXPECT_EQ(d_.value("?SBD:ALTDISKID"), "101");
    // Typing over an id and leaving the row, or closing, stores nothing.
    ASSERT_TRUE(d_.type("?SBD:ALTDISKID", "777")) << d_.error();
    highlight("MX2201");
    highlight("CV0105");
    EXPECT_EQ(d_.value("?SBD:ALTDISKID"), "101");
    ASSERT_TRUE(d_.type("?SBD:ALTDISKID", "778")) << d_.error();
    ASSERT_TRUE(d_.press("Close")) << d_.error();
    EXPECT_EQ(discsOf("Songs"), discsBefore);
}

// Any change of the typed id is stored, a change of letter case alone too; Enter on the id
// as stored writes nothing.
TEST_F(RenumberTest, EnterStoresTheTypedIdIntoTheHighlightedDiscOnly) {
    struct Case {
        std::string disc, typed, stored;
    };
    const std::vector<Case> cases = {
        {"CV0105", "201", "201"},
        {"VE0501", "ab7", "ab7"},
        {"MX2201", "x103", "x103"},
        {"MX2201", "X103", "X103"},
    };
    openRenumber();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.disc + " " + c.typed);
        const auto before = discsOf("Songs");
        highlight(c.disc);
        enter(c.typed);
        EXPECT_EQ(message(), "");
        EXPECT_EQ(count(listingFile("Songs", "2bd"), "UNQDISKID = '" + c.disc + "' AND ALTDISKID = '" + c.stored + "'"), 1);
        // Every other disc as it was.
        auto after = discsOf("Songs");
        std::size_t changed = 0;
        for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) changed += before[i] != after[i];
        EXPECT_EQ(changed, 1u);
        highlight(c.disc);
        EXPECT_EQ(d_.value("?SBD:ALTDISKID"), c.stored);
    }
    const auto before = discsOf("Songs");
    highlight("MX2201");
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "Enter")) << d_.error();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(discsOf("Songs"), before);
}

TEST_F(RenumberTest, DeleteDiscRemovesTheDiscAndAllItsListingsInAnyLetterCase) {
    openRenumber();
    highlight("CV0199");
    ASSERT_TRUE(d_.press("&Delete Disc")) << d_.error();
    EXPECT_EQ(message(), "Are you sure you wish to delete this disc?");
    ASSERT_TRUE(d_.answer("&No Cancel")) << d_.error();
    EXPECT_EQ(count(listingFile("Songs"), "UNQDISKID = 'CV0199' COLLATE NOCASE"), 15);
    // Escape or the close box answer "No Cancel", never the delete.
    ASSERT_TRUE(d_.press("&Delete Disc")) << d_.error();
    ASSERT_TRUE(d_.dismiss()) << d_.error();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(count(listingFile("Songs"), "UNQDISKID = 'CV0199' COLLATE NOCASE"), 15);

    ASSERT_TRUE(d_.press("&Delete Disc")) << d_.error();
    ASSERT_TRUE(d_.answer("&Yes")) << d_.error();
    EXPECT_EQ(message(), "Disc successfully deleted!");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(count(listingFile("Songs"), "UNQDISKID = 'CV0199' COLLATE NOCASE"), 0);
    EXPECT_EQ(count(listingFile("Songs"), "1"), 7);
    EXPECT_EQ(count(listingFile("Songs", "2bd"), "UNQDISKID = 'CV0199'"), 0);
    EXPECT_EQ(column(0), (std::vector<std::string>{"CV0105", "MX2201", "SL3001", "VE0501"}));
}

TEST_F(RenumberTest, AFailureAtTheTenthListingLeavesTheDiscWhole) {
    // The tenth listing deleted fails as a full disk would.
    ASSERT_EQ(fixture::execSql(listingFile("Songs"),
                               "CREATE TABLE deletes(n INTEGER); INSERT INTO deletes VALUES (0);"
                               "CREATE TRIGGER failing BEFORE DELETE ON data BEGIN "
                               "UPDATE deletes SET n = n + 1; "
                               "SELECT RAISE(ABORT, 'disk full') WHERE (SELECT n FROM deletes) >= 10; END"),
              0);
    openRenumber();
    highlight("CV0199");
    ASSERT_TRUE(d_.press("&Delete Disc")) << d_.error();
    ASSERT_TRUE(d_.answer("&Yes")) << d_.error();
    EXPECT_NE(message(), "Disc successfully deleted!");
    EXPECT_NE(message(), "");
    ASSERT_TRUE(d_.answer("OK")) << d_.error() << message();
    EXPECT_EQ(count(listingFile("Songs"), "UNQDISKID = 'CV0199' COLLATE NOCASE"), 15);
    EXPECT_EQ(count(listingFile("Songs", "2bd"), "UNQDISKID = 'CV0199'"), 1);
    EXPECT_EQ(column(0), (std::vector<std::string>{"CV0105", "CV0199", "MX2201", "SL3001", "VE0501"}));
}

// A delete that fails at any step leaves the disc whole: its record and all its listings.
struct FailedStepCase {
    const char* name;
    const char* file;     // the file that refuses ("2bk" listings, "2bd" discs)
    const char* refused;  // which of its records
    const char* label;    // the file the warning names
};

class RenumberFailedStepTest : public RenumberTest, public ::testing::WithParamInterface<FailedStepCase> {};

TEST_P(RenumberFailedStepTest, DeleteDiscLeavesTheDiscWholeAndReportsNoSuccess) {
    ASSERT_EQ(fixture::execSql(listingFile("Songs", GetParam().file),
                               std::string("CREATE TRIGGER failing BEFORE DELETE ON data WHEN ") + GetParam().refused +
                                   " BEGIN SELECT RAISE(ABORT, 'disk full'); END"),
              0);
    openRenumber();
    highlight("CV0199");
    ASSERT_TRUE(d_.press("&Delete Disc")) << d_.error();
    ASSERT_TRUE(d_.answer("&Yes")) << d_.error();
    ASSERT_EQ(d_.request() ? d_.request()->title : std::string(), "Delete Operation Error") << d_.windows();
    EXPECT_NE(message().find(std::string("from the file ") + GetParam().label + "."), std::string::npos) << message();
    ASSERT_TRUE(d_.answer("OK")) << d_.error() << message();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(count(listingFile("Songs"), "UNQDISKID = 'CV0199' COLLATE NOCASE"), 15);
    EXPECT_EQ(count(listingFile("Songs", "2bd"), "UNQDISKID = 'CV0199'"), 1);
    EXPECT_EQ(column(0), (std::vector<std::string>{"CV0105", "CV0199", "MX2201", "SL3001", "VE0501"}));
}

INSTANTIATE_TEST_SUITE_P(
    Steps, RenumberFailedStepTest,
    ::testing::Values(
        // The last listing in key order: the one under the disc id in lower case.
        FailedStepCase{"TheLastListing", "2bk", "old.UNQDISKID = 'cv0199'", "SongBook"},
        // The disc record, deleted after every listing of it.
        FailedStepCase{"TheDiscRecord", "2bd", "old.UNQDISKID = 'CV0199'", "SBDiscs"}),
    [](const auto& i) { return std::string(i.param.name); });

}  // namespace

namespace {

class RenumberNoDiscsTest : public workspace_test::WorkspaceTest {};

TEST_F(RenumberNoDiscsTest, AnEmptyListAddsNoBlankDiscAndDeletesNothing) {
    makeSongBook("Loose", {{"Other Side", "Bo Lindqvist", "ORPHAN1", 4}}, {});
    openWorkspace("Loose");
    ASSERT_TRUE(d_.menu({"&SongBook", "&Renumber Disc(s)"})) << d_.error();
    ASSERT_EQ(d_.active()->title, kRenumber) << d_.windows();
    EXPECT_TRUE(d_.rows("?List").empty());
    EXPECT_FALSE(d_.enabled("&Delete Disc"));
    EXPECT_TRUE(d_.hidden("?SBD:ALTDISKID"));
    ASSERT_TRUE(d_.choose("?Sheet", "Custom ID")) << d_.error();
    ASSERT_TRUE(d_.press("Close")) << d_.error();
    EXPECT_TRUE(discsOf("Loose").empty());
    EXPECT_EQ(listingsOf("Loose").size(), 1u);
}

}  // namespace

// The keys of the cells: each stores the id typed first, into the disc of the row the cells
// lay over, then moves the highlight; the cursor goes back into the cell of the current column.
namespace {

constexpr int kDiscs = 30;

std::string discName(int n) {
    char id[16];
    std::snprintf(id, sizeof id, "CV%04d", 100 + n);
    return id;
}

class RenumberKeysTest : public workspace_test::WorkspaceTest {
protected:
    // Thirty discs CV0101 to CV0130 with the custom ids 101 to 130, two listings each: more
    // than a page.
    void SetUp() override {
        WorkspaceTest::SetUp();
        std::vector<Listing> listings;
        std::vector<Disc> discs;
        for (int n = 1; n <= kDiscs; ++n) {
            discs.push_back({discName(n), std::to_string(100 + n)});
            for (unsigned t = 1; t <= 2; ++t) listings.push_back({"Song " + std::to_string(n), "Band", discName(n), t});
        }
        makeSongBook("Songs", listings, discs);
        openWorkspace("Songs");
        ASSERT_TRUE(d_.menu({"&SongBook", "&Renumber Disc(s)"})) << d_.error() << d_.windows();
        ASSERT_EQ(d_.active() ? d_.active()->title : "", kRenumber) << d_.windows();
    }
    // Highlights the fifth disc and types an id over its custom id.
    void typeOnFifth(const std::string& id) {
        ASSERT_TRUE(d_.select("?List", 5)) << d_.error();
        ASSERT_EQ(d_.value("?SBD:UNQDISKID"), discName(5));
        ASSERT_TRUE(d_.type("?SBD:ALTDISKID", id)) << d_.error();
    }
    // Every disc as "UNQDISKID=ALTDISKID" in the order it was added.
    std::vector<std::string> stored() {
        return fixture::queryColumn(listingFile("Songs", "2bd"),
                                    "SELECT UNQDISKID || '=' || ALTDISKID FROM data ORDER BY rowid");
    }
    std::vector<std::string> storedWith(int disc, const std::string& id) {
        auto out = stored();
        for (auto& s : out)
            if (s.rfind(discName(disc) + "=", 0) == 0) s = discName(disc) + "=" + id;
        return out;
    }
    // The highlighted disc, as the list shows it and as the cells show it.
    std::string highlightedDisc() {
        const std::string listed = selectedFirst();
        EXPECT_EQ(d_.value("?SBD:UNQDISKID"), listed) << "the cells do not lie over the highlighted row";
        return listed;
    }
    int focus() { return d_.active() ? d_.active()->focus : -1; }
    int idOf(const std::string& name) { return d_.control(name) ? d_.control(name)->id : -2; }
    long long listingsOfDisc(int n) {
        const auto c = fixture::queryColumn(listingFile("Songs"), "SELECT count(*) FROM data WHERE UNQDISKID = '" +
                                                                      discName(n) + "'");
        return c.empty() ? -1 : std::stoll(c[0]);
    }
};

struct CellKeyCase {
    const char* key;
    int highlighted;        // the disc highlighted afterwards (by its number)
    const char* focused;    // the cell the cursor is in afterwards
};

class RenumberCellKeyTest : public RenumberKeysTest, public ::testing::WithParamInterface<CellKeyCase> {};

// The list shows 18 rows. A save shows the page from the disc stored (discs 5 to 22); a page
// down from there reads the 8 discs left, and the 10 it could not read move the highlight on
// to the 11th row: disc 23.
TEST_P(RenumberCellKeyTest, TheTypedIdGoesIntoTheRowTypedOnAndTheKeyMovesTheHighlight) {
    const CellKeyCase& c = GetParam();
    ASSERT_EQ(d_.rows("?List").size(), 18u);
    typeOnFifth("905");
    const auto expected = storedWith(5, "905");
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", c.key)) << d_.error();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(stored(), expected);
    EXPECT_EQ(highlightedDisc(), discName(c.highlighted));
    EXPECT_EQ(focus(), idOf(c.focused));
    EXPECT_EQ(d_.value("?SBD:ALTDISKID"), c.highlighted == 5 ? "905" : std::to_string(100 + c.highlighted));
    // Nothing was added: Ctrl+Insert adds no blank disc either.
    EXPECT_EQ(stored().size(), static_cast<std::size_t>(kDiscs));
}

INSTANTIATE_TEST_SUITE_P(
    Keys, RenumberCellKeyTest,
    ::testing::Values(CellKeyCase{"Enter", 5, "?SBD:ALTDISKID"}, CellKeyCase{"Down", 6, "?SBD:ALTDISKID"},
                      CellKeyCase{"CtrlDown", 6, "?SBD:ALTDISKID"}, CellKeyCase{"Up", 4, "?SBD:ALTDISKID"},
                      CellKeyCase{"CtrlUp", 4, "?SBD:ALTDISKID"}, CellKeyCase{"PageDown", 23, "?SBD:ALTDISKID"},
                      CellKeyCase{"CtrlPageDown", 23, "?SBD:ALTDISKID"}, CellKeyCase{"PageUp", 1, "?SBD:ALTDISKID"},
                      CellKeyCase{"CtrlPageUp", 1, "?SBD:ALTDISKID"}, CellKeyCase{"CtrlHome", 1, "?SBD:ALTDISKID"},
                      CellKeyCase{"CtrlEnd", kDiscs, "?SBD:ALTDISKID"}, CellKeyCase{"CtrlLeft", 5, "?SBD:UNQDISKID"},
                      CellKeyCase{"CtrlRight", 5, "?SBD:ALTDISKID"}, CellKeyCase{"CtrlInsert", 5, "?SBD:ALTDISKID"}),
    [](const auto& i) { return std::string(i.param.key); });

TEST_F(RenumberKeysTest, TheCurrentColumnStaysWithinTheTwoCellsAndFollowsTheMoves) {
    ASSERT_TRUE(d_.select("?List", 5)) << d_.error();
    for (const char* key : {"CtrlLeft", "CtrlLeft", "Down"}) ASSERT_TRUE(d_.key("?SBD:ALTDISKID", key)) << key;
    EXPECT_EQ(highlightedDisc(), discName(6));
    EXPECT_EQ(focus(), idOf("?SBD:UNQDISKID"));
    // Keys in the manufacturer's id cell move as well.
    ASSERT_TRUE(d_.key("?SBD:UNQDISKID", "Down")) << d_.error();
    EXPECT_EQ(highlightedDisc(), discName(7));
    EXPECT_EQ(focus(), idOf("?SBD:UNQDISKID"));
    for (const char* key : {"CtrlRight", "CtrlRight"}) ASSERT_TRUE(d_.key("?SBD:UNQDISKID", key)) << key;
    EXPECT_EQ(focus(), idOf("?SBD:ALTDISKID"));
    EXPECT_EQ(highlightedDisc(), discName(7));
    EXPECT_EQ(message(), "");
}

// A blank id is refused by every key, and again by the next key as long as the row stays; a
// key that moves leaves it behind and the disc keeps its stored id.
TEST_F(RenumberKeysTest, ABlankIdIsRefusedByEachKeyUntilTheHighlightMoves) {
    const auto before = stored();
    typeOnFifth("");
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "CtrlLeft")) << d_.error();
    EXPECT_EQ(message(), "ERROR: Alternate Disc ID Cannot be Blank!");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(highlightedDisc(), discName(5));
    EXPECT_EQ(d_.value("?SBD:ALTDISKID"), "");
    ASSERT_TRUE(d_.key("?SBD:UNQDISKID", "Down")) << d_.error();
    EXPECT_EQ(message(), "ERROR: Alternate Disc ID Cannot be Blank!");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(highlightedDisc(), discName(6));
    EXPECT_EQ(stored(), before);
    ASSERT_TRUE(d_.key("?SBD:UNQDISKID", "Up")) << d_.error();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(d_.value("?SBD:ALTDISKID"), "105");
}

// An id another disc has (in any letter case) is refused; the key still moves, and the row
// typed on shows its stored id again.
TEST_F(RenumberKeysTest, AnIdInUseIsRefusedAndTheKeyMovesOn) {
    const auto before = stored();
    for (const char* key : {"PageDown", "CtrlEnd", "Down"}) {
        SCOPED_TRACE(key);
        ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "CtrlHome")) << d_.error();
        typeOnFifth("110");
        ASSERT_TRUE(d_.key("?SBD:ALTDISKID", key)) << d_.error();
        EXPECT_EQ(message(), "ERROR: Alternate Disc ID Already in Use!");
        ASSERT_TRUE(d_.answer("OK")) << d_.error();
        EXPECT_EQ(message(), "");
        EXPECT_EQ(stored(), before);
        EXPECT_NE(highlightedDisc(), discName(5));
    }
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "CtrlHome")) << d_.error();
    ASSERT_TRUE(d_.select("?List", 5)) << d_.error();
    EXPECT_EQ(d_.value("?SBD:ALTDISKID"), "105");
}

// In the custom order the renumbered disc moves to its place, and the key moves from there.
TEST_F(RenumberKeysTest, InTheCustomOrderTheKeyMovesFromTheDiscsNewPlace) {
    ASSERT_TRUE(d_.choose("?Sheet", "Custom ID")) << d_.error();
    typeOnFifth("1155");  // sorts between 115 and 116
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "Down")) << d_.error();
    EXPECT_EQ(stored(), storedWith(5, "1155"));
    EXPECT_EQ(highlightedDisc(), discName(16));
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "Up")) << d_.error();
    EXPECT_EQ(highlightedDisc(), discName(5));
    EXPECT_EQ(d_.value("?SBD:ALTDISKID"), "1155");
}

// Ctrl+Delete stores the typed id, then asks as "&Delete Disc" does: a cell editor's "delete
// the next word" never deletes a disc unasked.
TEST_F(RenumberKeysTest, CtrlDeleteAsksFirstAndDeletesTheDiscWithItsListings) {
    typeOnFifth("905");
    const auto typed = storedWith(5, "905");
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "CtrlDelete")) << d_.error();
    ASSERT_EQ(d_.request() ? d_.request()->title : "", "Confirm Deletion") << d_.windows();
    EXPECT_EQ(message(), "Are you sure you wish to delete this disc?");
    EXPECT_EQ(stored(), typed);
    ASSERT_TRUE(d_.answer("&No Cancel")) << d_.error();
    // Escape (or the close box) answers "No Cancel".
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "CtrlDelete")) << d_.error();
    ASSERT_TRUE(d_.dismiss()) << d_.error();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(stored(), typed);
    EXPECT_EQ(listingsOfDisc(5), 2);
    EXPECT_EQ(highlightedDisc(), discName(5));
    EXPECT_EQ(focus(), idOf("?SBD:ALTDISKID"));

    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "CtrlDelete")) << d_.error();
    ASSERT_TRUE(d_.answer("&Yes")) << d_.error();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(listingsOfDisc(5), 0);
    EXPECT_EQ(stored().size(), static_cast<std::size_t>(kDiscs - 1));
    EXPECT_EQ(fixture::queryColumn(listingFile("Songs"), "SELECT count(*) FROM data"),
              std::vector<std::string>{std::to_string(2 * (kDiscs - 1))});
    EXPECT_EQ(highlightedDisc(), discName(6));
    EXPECT_EQ(focus(), idOf("?SBD:ALTDISKID"));

    // The last disc: the one before it is highlighted then.
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "CtrlEnd")) << d_.error();
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "CtrlDelete")) << d_.error();
    ASSERT_TRUE(d_.answer("&Yes")) << d_.error();
    EXPECT_EQ(listingsOfDisc(kDiscs), 0);
    EXPECT_EQ(highlightedDisc(), discName(kDiscs - 1));
}

// A delete that fails leaves the disc whole, and offers to try again.
TEST_F(RenumberKeysTest, ACtrlDeleteThatFailsLeavesTheDiscWholeAndOffersARetry) {
    ASSERT_EQ(fixture::execSql(listingFile("Songs"),
                               "CREATE TABLE refuse(n INTEGER); INSERT INTO refuse VALUES (1);"
                               "CREATE TRIGGER failing BEFORE DELETE ON data WHEN (SELECT n FROM refuse) = 1 "
                               "BEGIN SELECT RAISE(ABORT, 'disk full'); END"),
              0);
    typeOnFifth("105");
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "CtrlDelete")) << d_.error();
    ASSERT_TRUE(d_.answer("&Yes")) << d_.error();
    ASSERT_EQ(d_.request() ? d_.request()->title : "", "Delete Operation Error") << d_.windows();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    ASSERT_EQ(d_.request() ? d_.request()->title : "", "Record Update Error") << d_.windows();
    ASSERT_TRUE(d_.answer("No")) << d_.error();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(listingsOfDisc(5), 2);
    EXPECT_EQ(stored().size(), static_cast<std::size_t>(kDiscs));
    EXPECT_EQ(highlightedDisc(), discName(5));

    // Tried again once the file takes deletes.
    ASSERT_TRUE(d_.key("?SBD:ALTDISKID", "CtrlDelete")) << d_.error();
    ASSERT_TRUE(d_.answer("&Yes")) << d_.error();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    ASSERT_EQ(fixture::execSql(listingFile("Songs"), "UPDATE refuse SET n = 0"), 0);
    ASSERT_EQ(d_.request() ? d_.request()->title : "", "Record Update Error") << d_.windows();
    ASSERT_TRUE(d_.answer("Yes")) << d_.error();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(listingsOfDisc(5), 0);
    EXPECT_EQ(highlightedDisc(), discName(6));
}

// The cells' keys are the cells': on the list itself they are refused, as a list scrolls.
TEST_F(RenumberKeysTest, TheCellKeysBelongToTheCells) {
    EXPECT_FALSE(d_.key("?List", "Down"));
    EXPECT_EQ(highlightedDisc(), discName(1));
}

}  // namespace
