#include "frontend/headless/driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "frontend/headless/procedures.h"
#include "song_list.h"

namespace {

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(d.start(SongList)) << d.error(); }
    std::string status() {
        auto s = d.status();
        return s.empty() ? std::string() : s[0];
    }
    bool shows(const std::string& text) { return d.windows().find(text) != std::string::npos; }

    headless::Driver d;
};

TEST_F(DriverTest, WindowsShowsWhatAPersonSees) {
    const char* lines[] = {
        "window \"Song List\" frame #",
        " thread 1 [active]\n",
        "  menu \"&File\"\n    item \"&Open...\\tCtrl+O\"\n    item \"&Delete\" [greyed]\n",
        "    menu \"&Recent\"\n      item \"First Book\"\n    ---\n    item \"E&xit\"\n",
        "  tool button ?TOOLDEL tip \"Delete Listing\"\n",
        "  prompt ?PROMPT:TITLE \"&Title:\"\n  entry ?TITLE value \"\"\n",
        "  button ?SAVE \"&Save\" [greyed]\n",
        "  check ?SHOWALL \"Show &all\" value \"0\"\n",
        "  option ?SCOPE \"Scope\" value \"1\"\n    radio \"&Disc\"\n    radio \"&Track\"\n",
        "    columns: Title | Artist\n      1: Copper Little Thing | Quill\n      2: Dancing Quill | ALDER\n",
        "  status: Ready\n",
    };
    std::string text = d.windows();
    for (const char* line : lines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    ASSERT_EQ(d.rows().size(), 3u);
    EXPECT_EQ(d.rows()[1], (std::vector<std::string>{"Dancing Quill", "ALDER"}));
    EXPECT_EQ(d.headers("?LIST"), (std::vector<std::string>{"Title", "Artist"}));
    EXPECT_EQ(d.titles(), std::vector<std::string>{"Song List"});
}

// press finds buttons, toolbar buttons and menu items the way a person names them, and
// refuses what a person could not press.
TEST(DriverPress, MatchesLikeAPerson) {
    struct Case {
        const char* text;
        bool ok;
        const char* status;  // afterwards, or the error's telling part
    };
    const Case cases[] = {
        {"&Find", true, "Found 3"},
        {"find", true, "Found 3"},
        {"FIND", true, "Found 3"},
        {"Open...", true, "request"},          // the menu item, accelerator left out
        {"Delete Listing", true, "request"},   // the toolbar button by its tooltip
        {"First Book", true, "Recent: First Book"},
        {"Fin", false, "has no button or menu item \"Fin\""},
        {"&Save", false, "is greyed"},
        {"Delete", false, "is greyed"},
        {"Scope", false, "has no button"},     // an option group is not pressed
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        headless::Driver fresh;
        ASSERT_TRUE(fresh.start(SongList)) << fresh.error();
        bool ok = fresh.press(c.text);
        EXPECT_EQ(ok, c.ok) << fresh.error();
        if (!c.ok)
            EXPECT_NE(fresh.error().find(c.status), std::string::npos) << fresh.error();
        else if (std::string(c.status) == "request")
            EXPECT_NE(fresh.request(), nullptr);
        else
            EXPECT_EQ(fresh.status()[0], c.status);
        EXPECT_TRUE(fresh.end()) << fresh.error();
    }
}

TEST_F(DriverTest, TypedTextReachesTheProgramsModel) {
    ASSERT_TRUE(d.type("Title", "Quill")) << d.error();  // by its prompt, without the colon
    EXPECT_EQ(status(), "Title: Quill");
    EXPECT_EQ(d.value("?TITLE"), "Quill");
    ASSERT_TRUE(d.press("Find")) << d.error();
    EXPECT_EQ(status(), "Found 1");
    ASSERT_EQ(d.rows().size(), 1u);
    EXPECT_EQ(d.rows()[0][0], "Dancing Quill");

    ASSERT_TRUE(d.type("TITLE", "Water")) << d.error();  // by its name
    ASSERT_TRUE(d.press("Find"));
    EXPECT_EQ(d.rows()[0][0], "Waterlily");
    EXPECT_FALSE(d.type("Artist", "x"));
    EXPECT_FALSE(d.type("&Find", "x"));  // a button is no field
}

TEST_F(DriverTest, ChecksAndOptions) {
    ASSERT_TRUE(d.check("Show all")) << d.error();
    EXPECT_EQ(status(), "Show all: 1");
    ASSERT_TRUE(d.check("?SHOWALL"));
    EXPECT_EQ(status(), "Show all: 0");
    ASSERT_TRUE(d.setCheck("Show all", false));  // already off: nothing is clicked
    EXPECT_EQ(status(), "Show all: 0");
    ASSERT_TRUE(d.setCheck("Show all", true));
    EXPECT_EQ(status(), "Show all: 1");

    ASSERT_TRUE(d.choose("Scope", "Track")) << d.error();
    EXPECT_EQ(status(), "Scope: 2");
    ASSERT_TRUE(d.choose("", "&Disc")) << d.error();
    EXPECT_EQ(status(), "Scope: 1");
    EXPECT_FALSE(d.choose("Scope", "Everything"));
}

TEST_F(DriverTest, ListSelectionKeysAndScrolling) {
    ASSERT_TRUE(d.select("?LIST", 2)) << d.error();
    EXPECT_EQ(status(), "Row 2");
    EXPECT_EQ(d.selectedRow(), 2);
    EXPECT_TRUE(shows("    > 2: Dancing Quill | ALDER\n")) << d.windows();
    EXPECT_FALSE(d.select(4));
    EXPECT_FALSE(d.select(0));

    ASSERT_TRUE(d.key("", "Delete", 3)) << d.error();  // the row is clicked first
    EXPECT_EQ(status(), "Key " + std::to_string(rt::KeyDelete) + " on row 3");
    ASSERT_TRUE(d.key("LIST", "a"));
    EXPECT_EQ(status(), "Key 97 on row 3");
    EXPECT_FALSE(d.key("", "Hyper"));

    const std::pair<const char*, const char*> scrolls[] = {
        {"up", "Scroll ScrollUp"},   {"down", "Scroll ScrollDown"}, {"pageup", "Scroll PageUp"},
        {"Page Down", "Scroll PageDown"}, {"top", "Scroll ScrollTop"}, {"bottom", "Scroll ScrollBottom"}};
    for (const auto& [how, shown] : scrolls) {
        ASSERT_TRUE(d.scroll("", how)) << how << ": " << d.error();
        EXPECT_EQ(status(), shown);
    }
    EXPECT_FALSE(d.scroll("", "sideways"));
    ASSERT_TRUE(d.drag("", 40));
    EXPECT_EQ(status(), "Thumb 40");
    EXPECT_FALSE(d.drag("", 101));
}

TEST_F(DriverTest, CustomMessageButtons) {
    const std::pair<const char*, const char*> answers[] = {
        {"&This Listing", "Delete: 1"}, {"entire disc", "Delete: 2"}, {"Cancel", "Delete: 3"}};
    for (const auto& [button, shown] : answers) {
        ASSERT_TRUE(d.press("Delete Listing")) << d.error();
        auto r = d.request();
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->kind, rt::RequestKind::Message);
        EXPECT_TRUE(shows("message \"Delete\" [question]")) << d.windows();
        EXPECT_TRUE(shows("buttons: &This Listing | &Entire Disc | &Cancel (default &This Listing)"));
        EXPECT_FALSE(d.answer("Whole Disc"));
        ASSERT_TRUE(d.answer(button)) << d.error();
        EXPECT_EQ(d.request(), nullptr);
        EXPECT_EQ(status(), shown);
    }
    ASSERT_TRUE(d.press("Delete Listing"));
    ASSERT_TRUE(d.dismiss());
    EXPECT_EQ(status(), "Delete: 3");
    EXPECT_FALSE(d.answer("Cancel"));  // nothing shows now
}

TEST_F(DriverTest, PopupMenuByTextOrNumber) {
    ASSERT_TRUE(d.key("", "RightClick", 1)) << d.error();
    EXPECT_TRUE(shows("pop-up menu (thread 1, window #")) << d.windows();
    EXPECT_TRUE(shows("  1: &Play\n  2: &Burn [greyed]\n  ---\n  3: &Remove\n")) << d.windows();
    EXPECT_FALSE(d.popup("Burn"));
    EXPECT_FALSE(d.popup(4));
    ASSERT_TRUE(d.popup("remove")) << d.error();
    EXPECT_EQ(status(), "Popup 3");
    ASSERT_TRUE(d.key("", "RightClick"));
    ASSERT_TRUE(d.popup("1"));
    EXPECT_EQ(status(), "Popup 1");
    ASSERT_TRUE(d.key("", "RightClick"));
    ASSERT_TRUE(d.popup(0));
    EXPECT_EQ(status(), "Popup 0");
}

TEST_F(DriverTest, FileDialogByMenuPath) {
    EXPECT_FALSE(d.menu({"&File", "Missing"}));
    EXPECT_FALSE(d.menu({"&File"}));            // a menu, not an item
    EXPECT_FALSE(d.menu({"&File", "&Delete"}));  // greyed
    ASSERT_TRUE(d.menu({"File", "Recent", "First Book"})) << d.error();
    EXPECT_EQ(status(), "Recent: First Book");

    ASSERT_TRUE(d.menu({"&File", "&Open..."})) << d.error();
    EXPECT_TRUE(shows("open-file dialog \"Open SongBook\"")) << d.windows();
    EXPECT_TRUE(shows("  filter: SongBook|*.sbk|All Files|*.*\n  path: /music\n")) << d.windows();
    EXPECT_FALSE(d.answer("OK"));  // no message box shows
    ASSERT_TRUE(d.dialog("/music/party.sbk")) << d.error();
    EXPECT_EQ(status(), "Opened /music/party.sbk");

    ASSERT_TRUE(d.menu({"&File", "&Open..."}));
    ASSERT_TRUE(d.dialogCancel());
    EXPECT_EQ(status(), "Open cancelled");
    EXPECT_FALSE(d.dialogCancel());
}

TEST_F(DriverTest, DialogOnTheSameThreadBlocksItsFirstWindow) {
    ASSERT_TRUE(d.press("&Edit...")) << d.error();
    ASSERT_NE(d.active(), nullptr);
    EXPECT_EQ(d.active()->title, "Edit Listing");
    EXPECT_TRUE(shows("window \"Song List\" frame")) << d.windows();
    ASSERT_NE(d.window("Song List"), nullptr);
    EXPECT_TRUE(d.window("Song List")->modalBlocked);

    EXPECT_FALSE(d.in("Song List").press("Find"));
    EXPECT_NE(d.error().find("blocked"), std::string::npos) << d.error();
    EXPECT_FALSE(d.activate("Song List"));
    EXPECT_FALSE(d.press("Find"));  // the dialog has no such button

    ASSERT_TRUE(d.type("Artist", "ALDER")) << d.error();
    ASSERT_TRUE(d.press("OK")) << d.error();
    EXPECT_EQ(d.titles(), std::vector<std::string>{"Song List"});
    EXPECT_EQ(status(), "Edited: ALDER");
    EXPECT_TRUE(d.press("Find")) << d.error();
}

TEST_F(DriverTest, WindowsOfOtherThreadsStayUsable) {
    ASSERT_TRUE(d.press("&Child")) << d.error();
    ASSERT_NE(d.active(), nullptr);
    EXPECT_EQ(d.active()->title, "Child Window");
    EXPECT_EQ(d.active()->thread, 2);
    // The frame's menu is reached from its child.
    ASSERT_TRUE(d.press("First Book")) << d.error();
    EXPECT_EQ(d.frame()->status[0], "Recent: First Book");

    ASSERT_TRUE(d.activate("Child")) << d.error();
    ASSERT_TRUE(d.press("Child Button")) << d.error();
    EXPECT_EQ(d.window("Child Window")->status[0], "Child pressed");
    ASSERT_TRUE(d.in("Song List").press("Find")) << d.error();
    EXPECT_EQ(d.frame()->status[0], "Found 3");

    ASSERT_TRUE(d.in("Child").close()) << d.error();
    EXPECT_EQ(d.window("Child"), nullptr);
}

TEST_F(DriverTest, TimerFiresOnTheVirtualClock) {
    ASSERT_TRUE(d.wait(99));
    EXPECT_EQ(status(), "Ready");
    ASSERT_TRUE(d.wait(1));
    EXPECT_EQ(status(), "Ticks: 1");
    ASSERT_TRUE(d.wait(350));
    EXPECT_EQ(status(), "Ticks: 4");
    EXPECT_FALSE(d.wait(-1));
}

// A driver keeps its virtual clock to itself: a program started after it is gone (a front
// end's, in the same process) has its timers tick in real time again.
TEST(DriverClock, AProgramStartedAfterTheDriverIsGoneRunsItsTimers) {
    {
        headless::Driver d;
        ASSERT_TRUE(d.start(SongList)) << d.error();
        ASSERT_TRUE(d.wait(100));
        ASSERT_EQ(d.status()[0], "Ticks: 1");
    }
    std::atomic<int> ticks{0};
    std::atomic<bool> ended{false};
    // A program whose timer never fires would wait for ever: stop it after a while.
    std::thread watchdog([&] {
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!ended && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!ended) rt::stopProgram();
    });
    rt::runProgram([&] {
        rt::Window w("Clock", rt::WindowKind::Dialog, -1, -1, 100, 40);
        w.setTimer(1);
        w.open();
        while (w.accept())
            if (w.code() == rt::EvTimer && ++ticks == 3) w.close();
    });
    ended = true;
    watchdog.join();
    EXPECT_EQ(ticks.load(), 3);
}

TEST_F(DriverTest, UserEventsReachTheFramesThread) {
    ASSERT_TRUE(d.post(0x401)) << d.error();
    EXPECT_EQ(status(), "User event 0x401");
    EXPECT_FALSE(d.postTo(0x402, 9));
}

TEST_F(DriverTest, EndClosesEverything) {
    ASSERT_TRUE(d.press("&Child"));
    ASSERT_TRUE(d.activate("Song List"));
    ASSERT_TRUE(d.press("&Edit..."));
    ASSERT_TRUE(d.end()) << d.error();
    EXPECT_FALSE(d.running());
    EXPECT_TRUE(d.titles().empty());
    EXPECT_FALSE(d.press("Find"));
    // And starts again from nothing.
    ASSERT_TRUE(d.start(SongList)) << d.error();
    EXPECT_EQ(status(), "Ready");
}

TEST_F(DriverTest, ExitFromTheMenuEndsTheProgram) {
    ASSERT_TRUE(d.menu({"&File", "E&xit"})) << d.error();
    EXPECT_FALSE(d.running());
    EXPECT_EQ(d.windows(), "program not running\n");
}

// A window whose buttons ask for a folder, a colour, a font and a printer.
void Chooser() {
    rt::Window w("Chooser", rt::WindowKind::Dialog, -1, -1, 200, 60);
    int folder = w.button("?FOLDER", "Folder", 0, 0, 40, 14);
    int color = w.button("?COLOR", "Colour", 40, 0, 40, 14);
    int font = w.button("?FONT", "Font", 80, 0, 40, 14);
    int printer = w.button("?PRINTER", "Printer", 120, 0, 40, 14);
    w.open();
    while (w.accept()) {
        if (w.code() != rt::EvAccepted) continue;
        std::string shown = "cancelled";
        if (w.field() == folder) {
            std::string f = "/music";
            if (rt::folderDialog("Pick Folder", f)) shown = f;
        } else if (w.field() == color) {
            std::uint32_t c = 0;
            if (rt::colorDialog("Pick Colour", c)) shown = std::to_string(c);
        } else if (w.field() == font) {
            rt::Font f;
            if (rt::fontDialog("Pick Font", f))
                shown = f.name + "/" + std::to_string(f.size) + "/" + std::to_string(f.weight) + "/" +
                        (f.italic ? "italic" : "upright");
        } else if (w.field() == printer) {
            std::string p;
            bool toFile = false;
            if (rt::printerDialog("Pick Printer", p, toFile)) shown = (toFile ? "file:" : "printer:") + p;
        }
        w.setStatus(shown);
    }
}

TEST(DriverDialogs, EachKindTakesItsAnswer) {
    struct Case {
        const char* button;
        const char* asked;   // as windows() shows the request
        const char* answer;  // nullptr: cancel
        bool ok;
        const char* status;
    };
    const Case cases[] = {
        {"Folder", "folder dialog \"Pick Folder\"", "/music/discs", true, "/music/discs"},
        {"Folder", "folder dialog", nullptr, true, "cancelled"},
        {"Colour", "colour dialog \"Pick Colour\"", "0x0000FF", true, "255"},
        {"Colour", "colour dialog", "red", false, ""},
        {"Font", "font dialog \"Pick Font\"", "Arial,12,bold,italic", true, "Arial/12/700/italic"},
        {"Font", "font dialog", "Courier New, 9", true, "Courier New/9/0/upright"},
        {"Font", "font dialog", "Arial,12,wide", false, ""},
        {"Printer", "printer dialog \"Pick Printer\"", "Office Laser", true, "printer:Office Laser"},
        {"Printer", "printer dialog", "/tmp/out/book", true, "file:/tmp/out/book"},
        {"Printer", "printer dialog", "Print to File (PDF)", true, "file:"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.button) + " " + (c.answer ? c.answer : "cancel"));
        headless::Driver d;
        ASSERT_TRUE(d.start(Chooser)) << d.error();
        ASSERT_TRUE(d.press(c.button)) << d.error();
        EXPECT_NE(d.windows().find(c.asked), std::string::npos) << d.windows();
        EXPECT_FALSE(d.answer("OK"));
        EXPECT_FALSE(d.popup(1));
        bool ok = c.answer ? d.dialog(c.answer) : d.dialogCancel();
        EXPECT_EQ(ok, c.ok) << d.error();
        if (c.ok) EXPECT_EQ(d.status()[0], c.status);
        else EXPECT_NE(d.request(), nullptr);  // still asking
    }
}

// Refuses to close unless the question is answered "Yes" (its default is "No").
void Stubborn() {
    rt::Window w("Stubborn", rt::WindowKind::Dialog, -1, -1, 100, 40);
    w.open();
    while (w.accept())
        if (w.code() == rt::EvCloseWindow &&
            rt::message("Really quit?", "Stubborn", rt::Icon::Question, rt::BtnYes | rt::BtnNo, rt::BtnNo) != rt::BtnYes)
            w.refuse();
}

TEST(DriverEnd, AProgramThatRefusesAtFirstStillEnds) {
    headless::Driver d;
    ASSERT_TRUE(d.start(Stubborn));
    ASSERT_TRUE(d.close());
    ASSERT_TRUE(d.answer("No"));
    EXPECT_EQ(d.titles(), std::vector<std::string>{"Stubborn"});
    EXPECT_TRUE(d.end()) << d.error();
    EXPECT_FALSE(d.running());
}

// Asks a question whose default deletes; keeps the answer it got.
std::atomic<int> deleteAnswer{0};
void AsksToDelete() {
    rt::Window w("Asker", rt::WindowKind::Dialog, -1, -1, 100, 40);
    int ask = w.button("?ASK", "Ask", 0, 0, 40, 14);
    w.open();
    while (w.accept())
        if (w.code() == rt::EvAccepted && w.field() == ask)
            deleteAnswer = rt::message("Delete?", "", rt::Icon::Question, "&This Listing|&Entire Disc|&Cancel", 1);
}

TEST(DriverEnd, AQuestionLeftShowingIsDismissedNotAnsweredByItsDefault) {
    headless::Driver d;
    ASSERT_TRUE(d.start(AsksToDelete));
    ASSERT_TRUE(d.press("Ask"));
    ASSERT_NE(d.request(), nullptr);
    EXPECT_TRUE(d.end()) << d.error();
    EXPECT_EQ(deleteAnswer, 3);  // "&Cancel", never "&This Listing"
}

TEST(DriverPress, AButtonGoesBeforeAMenuItemOfTheSameText) {
    headless::Driver d;
    static std::atomic<int> pressed{0};
    pressed = 0;
    ASSERT_TRUE(d.start([] {
        rt::Window w("Both", rt::WindowKind::Dialog, -1, -1, 120, 60);
        const int menu = w.menu("&Tools");
        const int item = w.menuItem(menu, "&Search");
        const int button = w.button("?Search", "Search", 10, 10, 50, 14);
        w.open();
        while (w.accept())
            if (w.code() == rt::EvAccepted) pressed = w.field() == button ? 1 : w.field() == item ? 2 : 3;
    }));
    ASSERT_TRUE(d.press("Search")) << d.error();
    EXPECT_EQ(pressed.load(), 1);
    ASSERT_TRUE(d.menu({"&Tools", "&Search"})) << d.error();
    EXPECT_EQ(pressed.load(), 2);
}

TEST(Driver, StartWhileRunningFails) {
    headless::Driver d;
    ASSERT_TRUE(d.start(SongList));
    EXPECT_FALSE(d.start(SongList));
}

TEST(Driver, PlainText) {
    const std::pair<const char*, const char*> cases[] = {
        {"&Open", "open"}, {"E&xit", "exit"}, {"Save && Close", "save & close"},
        {"&Open...\tCtrl+O", "open..."}, {"  Spaced  ", "spaced"}, {"ÉCRAN", "écran"}};
    for (const auto& [in, out] : cases) EXPECT_EQ(headless::plainText(in), out) << in;
}

TEST(Procedures, ProgramProceduresAreRegistered) {
    headless::registerProgramProcedures();
    EXPECT_NE(headless::findProcedure("ProgramMain"), nullptr);
    EXPECT_NE(headless::findProcedure("programmain"), nullptr);
    EXPECT_EQ(headless::findProcedure("NoSuchProcedure"), nullptr);
}

}  // namespace
