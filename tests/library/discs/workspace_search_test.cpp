// The master track search started from the workspace, on the demo database.
#include <algorithm>
#include <map>
#include <set>
#include <sstream>

#include <sqlite3.h>

#include "frontend/headless/procedures.h"
#include "runtime/record/engine.h"
#include "runtime/record/whole_files.h"
#include "frontend/headless/script.h"
#include "shell/workspace/workspace_fixture.h"

namespace {

using workspace_test::WorkspaceTest;

constexpr const char* kSearch = "Search Main Tunelode";
constexpr const char* kTitle = "Lanterns Over Calder Bay";

class WorkspaceSearchTest : public WorkspaceTest {
protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        makeSongBook("Songs", workspace_test::sampleListings(), workspace_test::sampleDiscs());
    }
    std::string activeTitle() {
        auto a = d_.active();
        return a ? a->title : std::string();
    }
    std::string master() const { return install_ + "/MAIN.TPS"; }
    // Every disc that has the title, with its brand: "DISC|Brand".
    std::vector<std::string> discsWithTitle(const std::string& title) {
        auto discs = fixture::queryColumn(master(), "SELECT UNQDISKID || '|' || MAKEID FROM data WHERE upper(TITLE) = upper('" + title + "')");
        const auto brands = fixture::queryColumn(install_ + "/DMAKE.TPS", "SELECT MAKEID || '|' || MAKE FROM data");
        std::map<std::string, std::string> name;
        for (const auto& b : brands) name[b.substr(0, b.find('|'))] = b.substr(b.find('|') + 1);
        for (auto& d : discs) d = d.substr(0, d.find('|')) + "|" + name[d.substr(d.find('|') + 1)];
        std::sort(discs.begin(), discs.end());
        return discs;
    }
    // How many tracks of the disc the SongBook holds by title and artist (letter case ignored).
    std::string expectedCount(const std::string& disc) {
        const auto book = fixture::queryColumn(listingFile("Songs"), "SELECT upper(TITLE) || '|' || upper(ARTIST) FROM data");
        const std::set<std::string> songs(book.begin(), book.end());
        const auto tracks = fixture::queryColumn(master(), "SELECT upper(TITLE) || '|' || upper(ARTIST) FROM data WHERE UNQDISKID = '" + disc + "'");
        long n = 0;
        for (const auto& t : tracks) n += songs.count(t);
        return std::to_string(n);
    }
    // The disc rows shown: "DISC|Brand" and "DISC:count".
    std::vector<std::string> shownDiscs() {
        std::vector<std::string> out;
        for (const auto& r : d_.rows("?TitleDiscList")) out.push_back(r.at(3) + "|" + r.at(2));
        std::sort(out.begin(), out.end());
        return out;
    }
    std::vector<std::string> shownCounts() {
        std::vector<std::string> out;
        for (const auto& r : d_.rows("?TitleDiscList")) out.push_back(r.at(3) + ":" + r.at(5));
        std::sort(out.begin(), out.end());
        return out;
    }
    std::vector<std::string> expectedCounts() {
        std::vector<std::string> out;
        for (const auto& r : d_.rows("?TitleDiscList")) out.push_back(r.at(3) + ":" + expectedCount(r.at(3)));
        std::sort(out.begin(), out.end());
        return out;
    }
    // Every track of a master disc as listings of the SongBook, written with the engine's own
    // collation beside the open workspace.
    void addListingsOf(const std::string& disc) {
        std::unique_ptr<rt::Connection> c;
        int sys = 0;
        ASSERT_EQ(rt::Connection::open(listingFile("Songs"), false, false, c, &sys), SQLITE_OK);
        const std::string sql = "ATTACH DATABASE '" + master() + "' AS m; "
                                "INSERT INTO data (TITLE, ARTIST, UNQDISKID, DISKTRACKNO) "
                                "SELECT TITLE, ARTIST, UNQDISKID, DISKTRACKNO FROM m.data WHERE UNQDISKID = '" +
                                disc + "'; DETACH DATABASE m;";
        char* error = nullptr;
        EXPECT_EQ(sqlite3_exec(c->db(), sql.c_str(), nullptr, nullptr, &error), SQLITE_OK) << (error ? error : "");
        sqlite3_free(error);
    }
    int searchWindows() {
        d_.refresh();
        int n = 0;
        for (const auto& w : d_.state().windows) n += w->title == kSearch;
        return n;
    }
};

TEST_F(WorkspaceSearchTest, ListsEveryTrackOfATitleAndCountsWhatTheSongBookGained) {
    openWorkspace("Songs");
    ASSERT_TRUE(d_.press("Search Master Tunelode")) << d_.error();
    ASSERT_EQ(activeTitle(), kSearch) << d_.windows();
    ASSERT_TRUE(d_.type("?SearchField", "calder")) << d_.error();
    ASSERT_TRUE(d_.press("&Search")) << d_.error();
    EXPECT_EQ(d_.rows("?TitleList").at(0).at(0), kTitle);
    const auto want = discsWithTitle(kTitle);
    ASSERT_GT(want.size(), 1u);
    EXPECT_EQ(shownDiscs(), want);
    EXPECT_EQ(shownCounts(), expectedCounts());

    // Discs added to the SongBook count once the window comes forward again.
    const std::string disc = d_.rows("?TitleDiscList").at(0).at(3);
    addListingsOf(disc);
    ASSERT_TRUE(d_.activate(workspaceTitle())) << d_.error();
    ASSERT_TRUE(d_.activate(kSearch)) << d_.error();
    EXPECT_EQ(shownCounts(), expectedCounts());
    EXPECT_NE(expectedCount(disc), "0");

    // A second start brings the first window forward with its search.
    ASSERT_TRUE(d_.activate(workspaceTitle())) << d_.error();
    ASSERT_TRUE(d_.menu({"&Main Tunelode", "&Search"})) << d_.error() << d_.windows();
    EXPECT_EQ(searchWindows(), 1);
    EXPECT_EQ(activeTitle(), kSearch);
    EXPECT_EQ(d_.value("?SearchField"), "calder");
    EXPECT_EQ(shownCounts(), expectedCounts());
}

TEST_F(WorkspaceSearchTest, AfterTheWorkspaceClosedTheSearchCountsNothing) {
    // The workspace on a thread of its own, as the frame starts it.
    ASSERT_TRUE(d_.start([] {
        rt::Window holder("Holder", rt::WindowKind::Dialog, 0, 0, 50, 20);
        holder.open();
        rt::startThread(BrowseSongBook);
        while (holder.accept()) {
        }
    })) << d_.error();
    chooseInExplorer("Songs");
    ASSERT_NE(workspace(), nullptr) << d_.windows();
    ASSERT_TRUE(d_.press("Search Master Tunelode")) << d_.error();
    ASSERT_TRUE(d_.type("?SearchField", "calder")) << d_.error();
    ASSERT_TRUE(d_.press("&Search")) << d_.error();
    EXPECT_TRUE(d_.hidden("?NoSongBook"));
    ASSERT_TRUE(d_.in(workspaceTitle()).close()) << d_.error() << d_.windows();
    ASSERT_EQ(workspace(), nullptr) << d_.windows();
    // The search holds the closed SongBook no longer: the explorer may rename or delete it.
    EXPECT_FALSE(rt::recordFileOpenHere(listingFile("Songs")));
    ASSERT_TRUE(d_.activate(kSearch)) << d_.error();
    EXPECT_FALSE(rt::recordFileOpenHere(listingFile("Songs")));
    EXPECT_FALSE(d_.hidden("?NoSongBook"));
    for (const auto& r : d_.rows("?TitleDiscList")) EXPECT_EQ(r.at(5), "");
    EXPECT_FALSE(d_.rows("?TitleDiscList").empty());
}

// From the shell: a title search, and a disc renumbered.
TEST_F(WorkspaceSearchTest, CantorelleScriptSearchesTheMasterAndRenumbersADisc) {
    std::istringstream in("start BrowseSongBook\n"
                          "select ?LIST 1\n"
                          "press \"&Open Selected SongBook\"\n"
                          "menu \"&Main Tunelode\" &Search\n"
                          "type ?SearchField calder\n"
                          "press &Search\n"
                          "expect \"" + std::string(kTitle) + "\"\n"
                          "close\n"
                          "menu &SongBook \"&Renumber Disc(s)\"\n"
                          "select ?List 1\n"
                          "type ?SBD:ALTDISKID 201\n"
                          "key ?SBD:ALTDISKID Enter\n"
                          "press Close\n"
                          "expect \"| 201 |\"\n");
    std::ostringstream out;
    headless::registerProgramProcedures();
    EXPECT_EQ(headless::runScript(d_, in, out), 0) << out.str();
    EXPECT_EQ(discsOf("Songs").front(), "CV0105=201/1");
}

}  // namespace
