#include <filesystem>
#include <fstream>
#include <optional>

#include "services/ShowHelpTopic.h"
#include "startup_fixture.h"

namespace startup_test {
namespace {

TEST_F(StartupTest, MissingInstallationStopsWithOneMessageAndNothingElse) {
    struct Case {
        const char* name;
        std::optional<std::string> installDir;  // nullopt: the value does not exist
    } cases[] = {
        {"no value", std::nullopt},
        {"the default text", "0"},
        {"the default text with trailing blanks", "0   "},
        {"an empty value", ""},
    };
    // Were the drag setting touched, the frame would have been on its way.
    rt::setDragFullWindowsForTests(1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.installDir) setRegistry("Install", "InstallDir", *c.installDir);
        ASSERT_TRUE(d_.start(ProgramMain)) << d_.error();

        ASSERT_EQ(d_.requests().size(), 1u) << d_.windows();
        const auto box = d_.request();
        EXPECT_EQ(box->kind, rt::RequestKind::Message);
        EXPECT_EQ(box->text, "Incorrect Program Installation, Please Reinstall");
        EXPECT_EQ(box->title, "Progam Halt");
        EXPECT_EQ(box->icon, rt::Icon::Hand);
        EXPECT_EQ(box->buttons, std::vector<std::string>{"OK"});
        EXPECT_TRUE(d_.state().windows.empty()) << d_.windows();

        ASSERT_TRUE(d_.answer("OK")) << d_.error();
        EXPECT_FALSE(d_.running());
        d_.refresh();
        EXPECT_TRUE(d_.state().windows.empty()) << d_.windows();
        EXPECT_TRUE(d_.state().requests.empty());
        EXPECT_TRUE(InstallFolder.blank());
        EXPECT_TRUE(KaraokeFileName.blank()) << "the frame ran";
        EXPECT_TRUE(rt::dragFullWindowsWrites().empty());
        EXPECT_TRUE(rt::launchedCommands().empty());
    }
}

TEST_F(StartupTest, VersionNameByPlatformMinorAndMajor) {
    struct Case {
        uint32_t platform, major, minor;
        bool fails;
        const char* name;
    } cases[] = {
        {1, 4, 0, false, "95"},       {1, 4, 10, false, "98"},      {1, 4, 90, false, "ME"},
        {1, 4, 3, false, "UnKnown"},  {1, 5, 0, false, "95"},       // 9x: the minor decides
        {2, 3, 51, false, "WIN 3.X"}, {2, 4, 0, false, "NT 4.X"},   {2, 5, 1, false, "XP"},
        {2, 5, 90, false, "XP"},      {2, 6, 0, false, "Vista"},    {2, 7, 0, false, "UnKnown"},
        {2, 2, 0, false, "UnKnown"},  {0, 4, 0, false, ""},         {3, 5, 0, false, "UnKnown"},
        {2, 6, 0, true, "UnKnown"},
    };
    install();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "platform " << c.platform << " major " << c.major
                                        << " minor " << c.minor << (c.fails ? " failing" : ""));
        rt::setVersionForTests(version(c.platform, c.major, c.minor), c.fails);
        OSVersionName.clear();
        ASSERT_TRUE(d_.start(ProgramMain)) << d_.error();
        EXPECT_EQ(OSVersionName.str(), c.name);
        EXPECT_EQ(OSVersionInfo.majorVersion, c.fails ? 0u : c.major);
        ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "E&xit"})) << d_.error();
        EXPECT_FALSE(d_.running()) << d_.windows();
    }
}

// One case per branch of the major version: the compiled help above 4, the older format
// (also when the version call fails and the major version stays 0).
TEST_F(StartupTest, HelpItemOpensTheHelpFormatOfTheVersion) {
    struct Case {
        uint32_t major;
        bool fails;
        const char* helpFile;
        bool older;
    } cases[] = {
        {6, false, "/help/CantoV2.chm", false},
        {5, false, "/help/CantoV2.chm", false},
        {4, false, "/help/CantoV2.hlp", true},
        {3, false, "/help/CantoV2.hlp", true},
        {6, true, "/help/CantoV2.hlp", true},
    };
    install();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "major " << c.major << (c.fails ? " failing" : ""));
        rt::setVersionForTests(version(2, c.major, 0), c.fails);
        HelpFile.clear();
        WinHelpFile.clear();
        rt::clearLaunchedCommands();
        ASSERT_TRUE(d_.start(ProgramMain)) << d_.error();

        const std::string expected = installDir_ + c.helpFile;
        EXPECT_EQ(HelpFile.str(), expected);
        EXPECT_EQ(WinHelpFile.str(), c.older ? expected : "");
        ASSERT_TRUE(d_.in(kFrameTitle).menu({"&Help", "&Cantorelle V2 Help"})) << d_.error();
        ASSERT_EQ(rt::launchedCommands().size(), 1u);
        EXPECT_EQ(lastCommand(), (std::vector<std::string>{"xdg-open", expected}));
        ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "E&xit"})) << d_.error();
    }
}

TEST_F(StartupTest, HelpTopicOpensItsPageOrTheOlderContents) {
    struct Case {
        uint32_t major;
        std::string topic;
        std::string opened;  // below the installation folder
    } cases[] = {
        {6, "WorkingWithSongBook", "/help/WorkingWithSongBook.htm"},
        {5, "", "/help/CantoV2.chm"},
        {4, "WorkingWithSongBook", "/help/CantoV2.hlp"},  // the older format has contents only
        {4, "", "/help/CantoV2.hlp"},
    };
    install();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "major " << c.major << " topic '" << c.topic << "'");
        rt::setVersionForTests(version(2, c.major, 0));
        // The start-up chooses the help files; then the action runs on a program thread of
        // its own, as a help button's would.
        ASSERT_TRUE(d_.start(ProgramMain)) << d_.error();
        ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "E&xit"})) << d_.error();
        rt::clearLaunchedCommands();
        ASSERT_TRUE(d_.start([&] { ShowHelpTopic(c.topic); })) << d_.error();
        EXPECT_FALSE(d_.running());
        EXPECT_EQ(lastCommand(), (std::vector<std::string>{"xdg-open", installDir_ + c.opened}));
    }
}

TEST_F(StartupTest, HelpContentsAreTheInstalledPagesWhenThereIsNoCompiledHelpFile) {
    install();
    std::filesystem::create_directories(installDir_ + "/help");
    std::ofstream(installDir_ + "/help/index.htm") << "<html></html>";
    rt::setVersionForTests(version(2, 6, 0));
    ASSERT_TRUE(d_.start(ProgramMain)) << d_.error();
    ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "E&xit"})) << d_.error();
    rt::clearLaunchedCommands();
    ASSERT_TRUE(d_.start([] { ShowHelpTopic(""); })) << d_.error();
    EXPECT_EQ(lastCommand(), (std::vector<std::string>{"xdg-open", installDir_ + "/help/index.htm"}));
    // A compiled help file, when installed, is the contents.
    std::ofstream(installDir_ + "/help/CantoV2.chm") << "chm";
    ASSERT_TRUE(d_.start([] { ShowHelpTopic(""); })) << d_.error();
    EXPECT_EQ(lastCommand(), (std::vector<std::string>{"xdg-open", installDir_ + "/help/CantoV2.chm"}));
}

TEST_F(StartupTest, DragSettingIsSwitchedOffWhileRunningOnlyWhenItWasOn) {
    struct Case {
        int reported;
        std::vector<int> whileRunning, afterExit;
    } cases[] = {
        {1, {0}, {0, 1}},
        {0, {}, {}},
        {2, {}, {}},
    };
    install();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "setting " << c.reported);
        rt::setDragFullWindowsForTests(c.reported);
        ASSERT_TRUE(d_.start(ProgramMain)) << d_.error();
        EXPECT_EQ(DragFullWindowsState, c.reported);
        EXPECT_EQ(rt::dragFullWindowsWrites(), c.whileRunning);
        ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "E&xit"})) << d_.error();
        EXPECT_FALSE(d_.running());
        EXPECT_EQ(rt::dragFullWindowsWrites(), c.afterExit);
    }
}

}  // namespace
}  // namespace startup_test
