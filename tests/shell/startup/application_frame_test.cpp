#include <optional>

#include "runtime/window/frontend.h"
#include "shell/FrameEvents.h"
#include "startup_fixture.h"

namespace startup_test {
namespace {

const rt::Control* findIn(const rt::WindowState& w, rt::ControlKind kind, const std::string& text) {
    for (const auto& c : w.controls)
        if (c.kind == kind && headless::plainText(c.text) == headless::plainText(text)) return &c;
    return nullptr;
}

TEST_F(StartupTest, FrameAndQuickStartWindowComeUp) {
    startInstalled();
    const auto frame = d_.frame();
    EXPECT_EQ(frame->title, kFrameTitle);
    EXPECT_EQ(frame->icon, "~songbook.ico");
    EXPECT_EQ(frame->font.name, "Arial");
    EXPECT_EQ(FrameThread, frame->thread);

    const auto children = windowsOf(rt::WindowKind::MdiChild);
    ASSERT_EQ(children.size(), 1u) << d_.windows();
    const auto& quick = *children.front();
    EXPECT_EQ(quick.title, "");
    EXPECT_EQ(quick.font.name, "Arial");
    EXPECT_EQ(quick.icon, "~songbook.ico");
    EXPECT_NE(quick.thread, frame->thread) << "the Quick Start window runs on its own thread";
    const rt::Control* group = findIn(quick, rt::ControlKind::Group, "Quick Start");
    ASSERT_NE(group, nullptr);
    for (const char* text : {"Start", "AutoUpdate"}) {
        const rt::Control* b = findIn(quick, rt::ControlKind::Button, text);
        ASSERT_NE(b, nullptr) << text;
        EXPECT_TRUE(b->enabled) << text;
        // Inside the group's box.
        EXPECT_GE(b->y, group->y) << text;
        EXPECT_LE(b->y + b->h, group->y + group->h) << text;
    }
    EXPECT_NE(findIn(quick, rt::ControlKind::Text, "SongBook File Explorer"), nullptr);
    EXPECT_NE(findIn(quick, rt::ControlKind::Text, "Perform Main Tunelode AutoUpdate"), nullptr);
    bool picture = false;
    for (const auto& c : quick.controls) picture |= c.kind == rt::ControlKind::Image;
    EXPECT_TRUE(picture);
}

TEST_F(StartupTest, FrameNamesTheMasterFilesInTheInstallationFolder) {
    startInstalled();
    const struct {
        const PathText& variable;
        const char* name;
    } cases[] = {
        {KaraokeFileName, "MAIN.TPS"},     {DiscsFileName, "DISCS.TPS"},
        {DMakeFileName, "DMAKE.TPS"},      {SArtistFileName, "SARTIST.TPS"},
        {STitleFileName, "STITLE.TPS"},    {MakeIdFileName, "MAKEID.TPS"},
        {GenreFileName, "GENRE.TPS"},      {UpdateListFileName, "autoupdate.lst"},
    };
    EXPECT_EQ(InstallFolder.str(), installDir_);
    for (const auto& c : cases) EXPECT_EQ(c.variable.str(), installDir_ + "/" + c.name);
}

TEST_F(StartupTest, InstallFolderLosesTrailingBlanks) {
    setRegistry("Install", "InstallDir", installDir_ + "   ");
    ASSERT_TRUE(d_.start(ProgramMain)) << d_.error();
    EXPECT_EQ(InstallFolder.str(), installDir_);
    EXPECT_EQ(KaraokeFileName.str(), installDir_ + "/MAIN.TPS");
    EXPECT_EQ(HelpFile.str(), installDir_ + "/help/CantoV2.chm");
}

TEST_F(StartupTest, UserEventsGreyAndRestoreOpenAndAutoUpdate) {
    struct Case {
        std::vector<int> events;
        bool open, autoUpdate;
    } cases[] = {
        {{}, true, true},
        {{EventDisableAutoUpdate}, true, false},
        {{EventDisableOpenAndAutoUpdate}, false, false},
        {{EventDisableOpenAndAutoUpdate, EventEnableAutoUpdate}, false, true},
        {{EventDisableOpenAndAutoUpdate, EventEnableOpenAndAutoUpdate}, true, true},
        {{EventDisableAutoUpdate, EventDisableOpenAndAutoUpdate, EventEnableAutoUpdate,
          EventEnableOpenAndAutoUpdate},
         true, true},
        {{EventDisableOpenAndAutoUpdate, EventEnableOpenAndAutoUpdate, EventDisableAutoUpdate},
         true, false},
        {{EventDisableAutoUpdate, EventEnableOpenAndAutoUpdate}, true, true},
        {{EventEnableAutoUpdate, EventEnableOpenAndAutoUpdate}, true, true},
    };
    install();
    for (const Case& c : cases) {
        testing::Message trace;
        for (int e : c.events) trace << std::hex << "0x" << e << " ";
        SCOPED_TRACE(trace);
        ASSERT_TRUE(d_.start(ProgramMain)) << d_.error();
        for (int e : c.events) ASSERT_TRUE(d_.post(e)) << d_.error();
        const rt::Control* open = frameControl("&Open");
        ASSERT_NE(open, nullptr);
        EXPECT_EQ(open->enabled, c.open);
        const rt::Control* autoUpdate = frameControl("&AutoUpdate Wizard");
        ASSERT_NE(autoUpdate, nullptr);
        EXPECT_EQ(autoUpdate->enabled, c.autoUpdate);
        ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "E&xit"})) << d_.error();
    }
}

TEST_F(StartupTest, MenuItemsCarryTheirStatusMessages) {
    startInstalled();
    const struct {
        const char* item;
        const char* message;
    } cases[] = {
        {"&Open", "Open Existing SongBook"},
        {"&AutoUpdate Wizard", "AutoUpdate Main Tunelode Data Files "},
        {"P&rint Setup...", "Setup Printer"},
        {"E&xit", "Exit this application"},
        {"Hide/&UnHide ToolTips", "Toggle On/Off ToolTips"},
        {"T&ile", "Make all open windows visible"},
        {"&Cascade", "Stack all open windows"},
        {"&Arrange Icons", "Align all window icons"},
        {"&Cantorelle V2 Help", "View the contents of the help file"},
        {"About Cantorelle V2 SongBook Maker", ""},
    };
    for (const auto& c : cases) {
        const rt::Control* item = frameControl(c.item);
        ASSERT_NE(item, nullptr) << c.item;
        EXPECT_EQ(item->kind, rt::ControlKind::MenuItem) << c.item;
        EXPECT_EQ(item->message, c.message) << c.item;
    }
}

// The title follows ProductTitle and ProgramVersion whenever the frame gains the focus or
// has been resized; every size change also tells the workspace to refit.
TEST_F(StartupTest, FocusAndResizeRefreshTitleAndResizeMarksTheFrame) {
    struct Case {
        const char* name;
        int event;  // 0: the user clicks into the frame
        bool titleSet;
    } cases[] = {
        {"focus", 0, true},
        {"sized", rt::EvSized, true},
        {"maximized", rt::EvMaximized, false},
        {"restored", rt::EvRestored, false},
    };
    startInstalled();
    const int frameId = d_.frame()->id;
    const auto children = windowsOf(rt::WindowKind::MdiChild);
    ASSERT_EQ(children.size(), 1u);
    const int quickId = children.front()->id;
    const rt::Text<40> product = ProductTitle;
    const auto focus = [&](int window) {
        ASSERT_TRUE(rt::activate(window));
        ASSERT_TRUE(d_.settle());
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // Input to a window that is not active makes it active first, so a size event
        // reaches a frame that has the focus already.
        focus(c.event == 0 ? quickId : frameId);
        ProductTitle = std::string("Renamed ") + c.name;
        FrameResized = 0;
        if (c.event == 0) {
            focus(frameId);
        } else {
            rt::EventData e;
            e.code = c.event;
            ASSERT_TRUE(rt::input(frameId, e));
            ASSERT_TRUE(d_.settle());
        }
        d_.refresh();
        EXPECT_EQ(d_.frame()->title, c.titleSet ? std::string("Renamed ") + c.name + " 2.6.2232C"
                                                : std::string(kFrameTitle));
        EXPECT_EQ(FrameResized, c.event == 0 ? 0 : 1);

        ProductTitle = product;
        focus(quickId);
        focus(frameId);
        d_.refresh();
        EXPECT_EQ(d_.frame()->title, kFrameTitle);
    }
}

TEST_F(StartupTest, ExitClosesTheFrameAndEndsTheProgram) {
    startInstalled();
    ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "E&xit"})) << d_.error();
    EXPECT_FALSE(d_.running());
    d_.refresh();
    EXPECT_TRUE(d_.state().windows.empty()) << d_.windows();
}

TEST_F(StartupTest, ToolTipsItemTogglesToolTipsProgramWide) {
    startInstalled();
    for (bool expected : {false, true, false}) {
        ASSERT_TRUE(d_.in(kFrameTitle).menu({"&ToolTips", "Hide/&UnHide ToolTips"})) << d_.error();
        EXPECT_EQ(rt::toolTipsOn(), expected);
        d_.refresh();
        for (const auto& w : d_.state().windows) EXPECT_EQ(w->toolTipsOn, expected);
    }
}

TEST_F(StartupTest, PrintSetupAsksThePrinterDialog) {
    startInstalled();
    ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "P&rint Setup..."})) << d_.error();
    const auto asked = d_.request();
    ASSERT_NE(asked, nullptr) << d_.windows();
    EXPECT_EQ(asked->kind, rt::RequestKind::Printer);
    ASSERT_TRUE(d_.dialogCancel()) << d_.error();
    EXPECT_TRUE(d_.running());
    EXPECT_EQ(d_.request(), nullptr);
}

TEST_F(StartupTest, AboutBoxWebButtonOpensTheRegisteredAddress) {
    const std::string longAddress = "http://www.example.com/a/very/long/path/beyond/forty";
    struct Case {
        const char* name;
        std::optional<std::string> value;
        std::optional<std::string> opened;  // nullopt: nothing to open
    } cases[] = {
        // The empty address goes to the shell service, which has nothing to open.
        {"no value", std::nullopt, std::nullopt},
        {"an address", "http://www.example.com", "http://www.example.com"},
        {"trailing blanks", "http://www.example.com/   ", "http://www.example.com/"},
        {"longer than 40 characters", longAddress, longAddress.substr(0, 40)},
    };
    install();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.value) setRegistry("Settings", "CompanyWebAddress", *c.value);
        ASSERT_TRUE(d_.start(ProgramMain)) << d_.error();
        ASSERT_TRUE(d_.in(kFrameTitle).menu({"&Help", "About Cantorelle V2 SongBook Maker"}))
            << d_.error();
        const auto about = d_.active();
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(about->kind, rt::WindowKind::Dialog);
        EXPECT_EQ(about->title, "");

        rt::clearLaunchedCommands();
        ASSERT_TRUE(d_.press("Visit Us on the Web!")) << d_.error();
        if (c.opened) {
            ASSERT_EQ(rt::launchedCommands().size(), 1u);
            EXPECT_EQ(lastCommand(), (std::vector<std::string>{"xdg-open", *c.opened}));
        } else {
            EXPECT_TRUE(rt::launchedCommands().empty());
        }
        EXPECT_EQ(windowsOf(rt::WindowKind::Dialog).size(), 1u) << "the About box stays open";

        ASSERT_TRUE(d_.press("&Close")) << d_.error();
        EXPECT_TRUE(windowsOf(rt::WindowKind::Dialog).empty()) << d_.windows();
        EXPECT_NE(d_.frame(), nullptr);
        ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "E&xit"})) << d_.error();
    }
}

}  // namespace
}  // namespace startup_test
