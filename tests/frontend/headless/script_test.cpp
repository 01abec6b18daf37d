#include "frontend/headless/script.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "frontend/headless/procedures.h"
#include "runtime/thread/thread.h"
#include "song_list.h"
#include "support/data_fixture.h"
#include "data/demo_catalogue.h"
#include "data/dmake.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "services/RegistryValue.h"
#include "support/loopback_http_server.h"
#include "support/old_songbooks.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

TEST(SplitWords, BlanksAndQuotes) {
    struct Case {
        const char* line;
        std::vector<std::string> words;
    };
    const Case cases[] = {
        {"press OK", {"press", "OK"}},
        {"  type   Title\t\"Dancing Quill\"  ", {"type", "Title", "Dancing Quill"}},
        {"answer \"&Entire Disc\"", {"answer", "&Entire Disc"}},
        {"type Title \"\"", {"type", "Title", ""}},
        {"expect \"say \\\"hi\\\" \\\\ bye\"", {"expect", "say \"hi\" \\ bye"}},
        {"type Path C:\\music", {"type", "Path", "C:\\music"}},
        {"menu \"&File\" &Open", {"menu", "&File", "&Open"}},
        {"", {}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> words;
        std::string error;
        ASSERT_TRUE(headless::splitWords(c.line, words, error)) << c.line;
        EXPECT_EQ(words, c.words) << c.line;
    }
    std::vector<std::string> words;
    std::string error;
    EXPECT_FALSE(headless::splitWords("type Title \"open", words, error));
    EXPECT_FALSE(error.empty());
}

class ScriptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { headless::registerProcedure("SongList", SongList); }
};

TEST_F(ScriptTest, StatusAndOutput) {
    struct Case {
        const char* name;
        const char* script;
        int status;
        std::vector<const char*> shown;      // in the output
        std::vector<const char*> notShown;
    };
    const Case cases[] = {
        {"a run that holds", R"(# comments and blank lines are skipped

start SongList
expect "Song List"
type Title Quill
press &Find
expect "Found 1"
expect-not Waterlily
)", headless::kScriptOk, {}, {"window"}},
        {"ampersands need not be written", "start SongList\nexpect \"Show all\"\nexpect Find\n",
         headless::kScriptOk, {}, {}},
        {"windows prints", "start SongList\nwindows\n", headless::kScriptOk,
         {"window \"Song List\" frame", "  status: Ready\n"}, {}},
        {"expect that fails prints the windows", "start SongList\nexpect Bramblewood\npress Find\n",
         headless::kScriptExpectFailed, {"expect failed (line 2: expect Bramblewood)", "window \"Song List\""}, {}},
        {"expect-not that fails", "start SongList\nexpect-not Waterlily\n", headless::kScriptExpectFailed,
         {"\"Waterlily\" is shown"}, {}},
        {"a failed action stops with 2", "start SongList\npress Nope\nexpect Never\n", headless::kScriptError,
         {"error (line 2: press Nope)", "has no button or menu item \"Nope\"", "window \"Song List\""},
         {"expect failed"}},
        {"greyed", "start SongList\npress Save\n", headless::kScriptError, {"is greyed"}, {}},
        {"unknown command", "start SongList\nfrobnicate\n", headless::kScriptError,
         {"unknown command frobnicate"}, {}},
        {"unclosed quote", "start SongList\ntype Title \"Quill\n", headless::kScriptError,
         {"a quote is not closed"}, {}},
        {"unknown procedure", "start Nowhere\n", headless::kScriptError, {"no procedure Nowhere", "SongList"}, {}},
        {"wrong arguments", "start SongList\nselect\n", headless::kScriptError, {"usage: select [LIST] ROW"}, {}},
        {"not a number", "start SongList\nwait soon\n", headless::kScriptError, {"not a number: soon"}, {}},
        {"quit stops reading", "start SongList\nquit\npress Nope\n", headless::kScriptOk, {}, {"error"}},
        {"message box answered", R"(start SongList
press "Delete Listing"
expect "message \"Delete\""
expect "Entire Disc"
answer "Entire Disc"
expect "status: Delete: 2"
expect-not "message"
)", headless::kScriptOk, {}, {}},
        {"list, pop-up and timer", R"(start SongList
select 2
expect "> 2: Dancing Quill"
key - RightClick 3
popup Remove
expect "Popup 3"
wait 100
expect "Ticks: 1"
post 0x401
expect "User event 0x401"
)", headless::kScriptOk, {}, {}},
        {"dialogs and windows by title", R"(start SongList
menu &File &Open...
dialog /music/a.sbk
expect "Opened /music/a.sbk"
menu File Open...
dialog cancel
expect "Open cancelled"
press Edit...
in "Song List" press Find
)", headless::kScriptError, {"is blocked"}, {}},
        {"echo", "start SongList\nsettle\n", headless::kScriptOk, {"> start SongList\n> settle\n"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream in(c.script);
        std::ostringstream out;
        headless::ScriptOptions options;
        options.echo = std::string(c.name) == "echo";
        EXPECT_EQ(headless::runScript(in, out, options), c.status) << out.str();
        for (const char* s : c.shown) EXPECT_NE(out.str().find(s), std::string::npos) << s << "\n" << out.str();
        for (const char* s : c.notShown) EXPECT_EQ(out.str().find(s), std::string::npos) << s << "\n" << out.str();
        // Whatever happened, the script leaves no program behind.
        EXPECT_FALSE(rt::programRunning());
    }
}

// The built tool, run as a person runs it. Skipped when it has not been built.
class ScriptToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::path self = fs::read_symlink("/proc/self/exe");
        tool_ = self.parent_path().parent_path() / "src" / "cantorelle-script";
        if (!fs::exists(tool_)) GTEST_SKIP() << "cantorelle-script is not built at " << tool_;
        dir_ = tmp_.path();
        fs::create_directories(dir_ / "config");
    }
    // Runs the tool on a script; returns its exit status.
    int run(const std::string& args, const std::string& script, std::string& output) {
        fs::path file = dir_ / "script.txt";
        std::ofstream(file) << script;
        std::string cmd = "XDG_CONFIG_HOME='" + (dir_ / "config").string() + "' '" + tool_.string() + "' " + args +
                          " < '" + file.string() + "' 2>&1";
        FILE* p = ::popen(cmd.c_str(), "r");
        if (!p) return -1;
        char buf[4096];
        output.clear();
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) output.append(buf, n);
        int st = ::pclose(p);
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    // A demo installation in dir_/inst, written by the built installer; false when it is not built.
    bool installDemo() {
        const fs::path installer = tool_.parent_path() / "cantorelle-install";
        if (!fs::exists(installer)) return false;
        const std::string install = "XDG_CONFIG_HOME='" + (dir_ / "config").string() + "' '" + installer.string() +
                                    "' '" + (dir_ / "inst").string() + "' > /dev/null 2>&1";
        EXPECT_EQ(std::system(install.c_str()), 0);
        return true;
    }
    fixture::TempFolder tmp_{"cantorelle-script-test"};
    fs::path tool_, dir_;
};

TEST_F(ScriptToolTest, ExitStatuses) {
    struct Case {
        const char* args;
        const char* script;
        int status;
        const char* shown;
    };
    const Case cases[] = {
        {"--help", "", 0, "expect-not TEXT"},
        {"", "# nothing started\nexpect-not Anything\n", 0, ""},
        {"-", "expect Anything\n", 1, "expect failed"},
        {"", "start Nowhere\n", 2, "ProgramMain"},  // the program's procedures are known
        {"--bogus", "", 2, "unknown option --bogus"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.args) + " / " + c.script);
        std::string out;
        EXPECT_EQ(run(c.args, c.script, out), c.status) << out;
        EXPECT_NE(out.find(c.shown), std::string::npos) << out;
    }
}

}  // namespace

namespace {

TEST_F(ScriptToolTest, ProgramMainOnADemoInstallationShowsTheFrameAndQuickStart) {
    if (!installDemo()) GTEST_SKIP() << "cantorelle-install is not built";

    std::string out;
    EXPECT_EQ(run("", "start ProgramMain\nwindows\nexpect \"Cantorelle V2 SongBook Maker PLUS 2.6.2232C\"\n", out), 0)
        << out;
    for (const char* shown : {"menu \"&File\"", "item \"&Open\"", "item \"&AutoUpdate Wizard\"", "menu \"&Help\"",
                              "button ?Start \"Start\"", "SongBook File Explorer", "Perform Main Tunelode AutoUpdate"})
        EXPECT_NE(out.find(shown), std::string::npos) << shown << "\n" << out;

    EXPECT_EQ(run("", "start ProgramMain\nexpect \"No Such Window Text\"\n", out), 1) << out;
    EXPECT_NE(out.find("expect failed"), std::string::npos) << out;
}

}  // namespace

namespace {

// A host brings a SongBook of the earlier version: opened from the explorer, converted, shown.
TEST_F(ScriptToolTest, AnOldSongBookIsConvertedWhenOpened) {
    if (!installDemo()) GTEST_SKIP() << "cantorelle-install is not built";
    fs::create_directories(dir_ / "books");
    ASSERT_TRUE(fixture::writeOldSongBook((dir_ / "books").string(), "Old Gigs",
                                          {{"Atlas", "Éloïse Brun", "CV0105", 2},
                                           {"Theory of Rain", "Ada Quill", "CV0105", 3},
                                           {"Loose One", "Bo Lindqvist", "17", 0}},
                                          {{"CV0105", "501", 2}}));
    std::string out;
    EXPECT_EQ(run("", "start ProgramMain\npress Start\npress \"&Change Folder\"\ndialog \"" + (dir_ / "books").string() +
                          "\"\nselect ?LIST 1\npress \"&Open Selected SongBook\"\nexpect \"File Conversion Necessary\"\n"
                          "answer &Yes\nwait 10\nexpect \"Total Song Tracks: 3\"\nexpect \"Theory of Rain\"\n",
                  out),
              0)
        << out;
    EXPECT_TRUE(fs::exists(dir_ / "books" / "Old Gigs.2bk"));
    EXPECT_TRUE(fs::exists(dir_ / "books" / "Old Gigs.sxk"));
}

}  // namespace

namespace {

// A host's own disc with two tracks, then a multi-listing edit over the disc.
TEST_F(ScriptToolTest, AnOwnDiscWithTwoTracksAndAMultiListingEdit) {
    if (!installDemo()) GTEST_SKIP() << "cantorelle-install is not built";
    fs::create_directories(dir_ / "books");
    const std::string script =
        "start ProgramMain\npress Start\npress \"&Change Folder\"\ndialog \"" + (dir_ / "books").string() +
        "\"\npress \"&New SongBook\"\ntype ?GLO:SHORTSONGBOOKNAME Mine\npress OK\npress \"OK, let's proceed....\"\n"
        "menu &SongBook \"Add &Track(s)\"\npress ?AddDisc\n"
        "check \"Select this option if this is a Custom, One-of-a-Kind Disc\"\ntype ?SBD:ALTDISKID 701\npress Ok\n"
        "type ?SBK:TITLE \"First Light\"\ntype ?SBK:ARTIST \"Ada Quill\"\npress \"Add Track\"\nanswer &Yes\n"
        "type ?SBK:TITLE \"Second Wind\"\ntype ?SBK:ARTIST \"Bo Lindqvist\"\npress \"Add Track\"\nanswer &No\n"
        "expect \"Total Song Tracks: 2\"\n"
        "key - RightClick 1\npopup \"Perform Multi-Listing Edit on Disc ID: 701\"\n"
        "check \"Tag ALL Listings Matching the Above Criteria as Duet\"\npress \"Perform Multi-Listing Edit\"\n"
        "answer &Yes\nwait 5\nwindows\n";
    std::string out;
    EXPECT_EQ(run("", script, out), 0) << out;
    EXPECT_EQ(fixture::queryColumn((dir_ / "books" / "Mine.2bk").string(),
                                   "SELECT DISKTRACKNO || TITLE || DUET FROM data ORDER BY DISKTRACKNO"),
              (std::vector<std::string>{"1First LightX", "2Second WindX"}));
}

}  // namespace

namespace {

// A host updates the master database from an update server: the update is packed from a changed
// demo database by the update tool, served, and installed from Quick Start.
TEST_F(ScriptToolTest, AnUpdateBuiltWithThePackerIsInstalledFromQuickStart) {
    if (!installDemo()) GTEST_SKIP() << "cantorelle-install is not built";
    const fs::path packer = tool_.parent_path() / "cantorelle-pack-update";
    if (!fs::exists(packer)) GTEST_SKIP() << "cantorelle-pack-update is not built";
    // The changed database: the demo's with a new brand.
    const std::string changed = (dir_ / "changed").string();
    fs::create_directories(changed);
    int rc = -1;
    rt::runProgram([&] {
        rc = WriteDemoCatalogue(changed);
        if (rc) return;
        SetMasterFileNames(changed);
        BRA.open();
        fixture::addBrandRecord(99, "Zephyr Sing-Along");
        BRA.close();
        KAR.open();
        fixture::addMasterTrack("ZS0001", "0001", 1, 99, "Zephyr Song", "Éloïse Brun");
        KAR.close();
    });
    ASSERT_EQ(rc, 0);
    const std::string site = (dir_ / "site").string();
    ASSERT_EQ(std::system(("'" + packer.string() + "' '" + changed + "' '" + site + "' > /dev/null 2>&1").c_str()), 0);
    fixture::LoopbackHttpServer server(site);
    {
        fixture::ScopedConfigHome config((dir_ / "config").string());
        WriteRegistryValue("Settings", "UpdateServer", RegistryProgramPath, server.url());
    }
    fs::create_directories(dir_ / "books");
    std::string out;
    EXPECT_EQ(run("", "start ProgramMain\npress AutoUpdate\npress \"&Next >>\"\nwait 300\n"
                      "expect \"AutoUpdate has completed successfully!\"\npress Finished\n"
                      "press Start\npress \"&Change Folder\"\ndialog \"" + (dir_ / "books").string() +
                      "\"\npress \"&New SongBook\"\ntype ?GLO:SHORTSONGBOOKNAME Gigs\npress OK\n"
                      "press \"OK, let's proceed....\"\nmenu &SongBook \"&Add Disc(s)\"\n"
                      "expect \"Zephyr Sing-Along\"\n",
                  out),
              0)
        << out;
    EXPECT_EQ(server.paths().size(), 6u);
}

}  // namespace
