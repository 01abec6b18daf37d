// The workspace inside the program: the frame's Open starts it on a thread of its own, the
// Quick Start window's Start calls it; the frame greys Open and AutoUpdate Wizard while a
// SongBook is open.
#include <filesystem>

#include "shell/ProgramMain.h"
#include "workspace_fixture.h"

namespace workspace_test {
namespace {

constexpr const char* kFrameTitle = "Cantorelle V2 SongBook Maker PLUS 2.6.2232C";

class FrameTest : public WorkspaceTest {
protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        InstallFolder.clear();
        WriteRegistryValue("Install", "InstallDir", RegistryProgramPath, install_);
        makeSongBook("Songs", sampleListings(), sampleDiscs());
        ASSERT_TRUE(d_.start(ProgramMain)) << d_.error();
        ASSERT_NE(d_.frame(), nullptr) << d_.windows();
    }

    // Whether the frame's Open and AutoUpdate Wizard items are enabled.
    std::pair<bool, bool> frameItems() {
        d_.refresh();
        auto f = d_.frame();
        bool open = false, update = false;
        for (const auto& c : f->controls) {
            if (headless::plainText(c.text) == "open") open = c.enabled;
            if (headless::plainText(c.text) == "autoupdate wizard") update = c.enabled;
        }
        return {open, update};
    }
    void openFromFrame() {
        ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "&Open"})) << d_.error();
    }
    // Presses the Quick Start window's Start (the window has no title to find it by).
    void startFromQuickStart() {
        d_.refresh();
        for (const auto& w : d_.state().windows)
            for (const auto& c : w->controls)
                if (c.name == "?Start") {
                    ASSERT_TRUE(rt::input(w->id, rt::EventData(rt::EvAccepted, c.id))) << d_.windows();
                    ASSERT_TRUE(d_.settle());
                    return;
                }
        FAIL() << "no Quick Start window: " << d_.windows();
    }

    // The open windows with this title, oldest first.
    std::vector<std::shared_ptr<const rt::WindowState>> windowsTitled(const std::string& title) {
        d_.refresh();
        std::vector<std::shared_ptr<const rt::WindowState>> out;
        for (const auto& w : d_.state().windows)
            if (w->title == title) out.push_back(w);
        return out;
    }
    void closeWindow(int id) {
        ASSERT_TRUE(rt::input(id, rt::EventData(rt::EvCloseWindow)));
        ASSERT_TRUE(d_.settle());
    }

    const std::pair<bool, bool> enabled{true, true};
    const std::pair<bool, bool> greyed{false, false};
};

TEST_F(FrameTest, OpenAndAutoUpdateAreGreyedWhileTheSongBookIsOpen) {
    EXPECT_EQ(frameItems(), enabled);
    openFromFrame();
    chooseInExplorer("Songs");
    const auto ws = workspace();
    ASSERT_NE(ws, nullptr) << d_.windows();
    EXPECT_NE(ws->thread, d_.frame()->thread) << "Open starts the workspace on a thread of its own";
    EXPECT_EQ(frameItems(), greyed);
    // The Quick Start window's Start stays usable.
    startFromQuickStart();
    ASSERT_EQ(windowsTitled(workspaceTitle()).size(), 2u) << d_.windows();
    for (const auto& w : windowsTitled(workspaceTitle())) closeWindow(w->id);
    EXPECT_EQ(frameItems(), enabled);
    EXPECT_TRUE(SongBookFileName.blank());
    EXPECT_EQ(SongBookIsOpen, 0);
    EXPECT_TRUE(d_.running());
}

TEST_F(FrameTest, ExitClosesWorkspacesAndTheQuickStartWindowAndEndsTheProgram) {
    // One workspace from the frame's Open, one from Quick Start (on Quick Start's thread,
    // above the Quick Start window): Exit asks the newest child first, so all of them close.
    openFromFrame();
    chooseInExplorer("Songs");
    startFromQuickStart();
    ASSERT_EQ(windowsTitled(workspaceTitle()).size(), 2u) << d_.windows();
    ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "E&xit"})) << d_.error();
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_TRUE(SongBookFileName.blank());
    EXPECT_EQ(SongBookIsOpen, 0);
}

// Exit while the listing form holds a change: the form is asked first, with its own question.
// Kept open, it stops the exit there, and closing it later does not end the program.
struct ExitCase {
    const char* answer;  // to "Update Cancelled"
    bool ends;
};
class ExitWithFormTest : public FrameTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ExitWithFormTest, TheFormIsAskedFirstAndKeepsTheProgramOpenWhenItStays) {
    openFromFrame();
    chooseInExplorer("Songs");
    ASSERT_NE(workspace(), nullptr) << d_.windows();
    ASSERT_TRUE(d_.key("", "CtrlEnter", 1)) << d_.error();
    ASSERT_EQ(d_.active()->title, "Update SongBook Listing....") << d_.windows();
    ASSERT_TRUE(d_.type("?SBK:TITLE", "Changed Title")) << d_.error();
    ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "E&xit"})) << d_.error();
    auto r = d_.request();
    ASSERT_NE(r, nullptr) << d_.windows();
    EXPECT_EQ(r->title, "Update Cancelled");
    ASSERT_TRUE(d_.answer(GetParam().answer)) << d_.error();
    EXPECT_EQ(d_.running(), !GetParam().ends) << d_.windows();
    if (GetParam().ends) return;
    EXPECT_EQ(windowsTitled("Update SongBook Listing....").size(), 1u) << d_.windows();
    ASSERT_NE(workspace(), nullptr);
    // Left later without saving, the form closes and nothing else does.
    ASSERT_TRUE(d_.in("Update SongBook Listing....").close()) << d_.error();
    ASSERT_TRUE(d_.answer("&No")) << d_.error();
    EXPECT_EQ(windowsTitled("Update SongBook Listing....").size(), 0u) << d_.windows();
    EXPECT_TRUE(d_.running());
    ASSERT_NE(workspace(), nullptr) << d_.windows();
    ASSERT_NE(d_.frame(), nullptr);
    ASSERT_TRUE(d_.in(kFrameTitle).menu({"&File", "E&xit"})) << d_.error();
    EXPECT_FALSE(d_.running()) << d_.windows();
}

INSTANTIATE_TEST_SUITE_P(Answers, ExitWithFormTest,
                         ::testing::Values(ExitCase{"Cancel", false}, ExitCase{"&No", true}),
                         [](const auto& i) { return std::string(i.param.ends ? "Discarded" : "Cancelled"); });

TEST_F(FrameTest, CancellingTheExplorerLeavesTheFrameItemsEnabled) {
    openFromFrame();
    ASSERT_TRUE(d_.in("SongBook File Explorer").press("Cancel")) << d_.error();
    EXPECT_EQ(windowsTitled("SongBook File Explorer").size(), 0u);
    EXPECT_EQ(frameItems(), enabled);
    EXPECT_EQ(SongBookIsOpen, 0);
}

// The frame's Open and the Quick Start window's Start each open a workspace on the same
// SongBook; whichever closes first, the SongBook stays open for the other.
class TwoWorkspacesTest : public FrameTest, public ::testing::WithParamInterface<int> {};

TEST_P(TwoWorkspacesTest, OnlyTheLastToCloseGivesTheFrameItsItemsBack) {
    openFromFrame();
    chooseInExplorer("Songs");
    startFromQuickStart();  // takes the open SongBook without asking
    EXPECT_EQ(windowsTitled("SongBook File Explorer").size(), 0u) << d_.windows();
    auto both = windowsTitled(workspaceTitle());
    ASSERT_EQ(both.size(), 2u) << d_.windows();
    EXPECT_NE(both[0]->thread, both[1]->thread);
    EXPECT_EQ(OpenWorkspaceCount(), 2);

    const int first = GetParam();
    closeWindow(both[static_cast<std::size_t>(first)]->id);
    EXPECT_EQ(frameItems(), greyed);
    EXPECT_EQ(SongBookIsOpen, 1);
    EXPECT_EQ(SongBookFileName.str(), listingFile("Songs"));
    // The other one goes on working with its own files.
    const auto other = both[static_cast<std::size_t>(1 - first)];
    ASSERT_TRUE(d_.activate(other->title)) << d_.error();
    ASSERT_TRUE(d_.in(other->title).press("Disk ID")) << d_.error();
    EXPECT_EQ(d_.rows().size(), 7u) << d_.windows();

    closeWindow(other->id);
    EXPECT_EQ(frameItems(), enabled);
    EXPECT_TRUE(SongBookFileName.blank());
    EXPECT_EQ(SongBookIsOpen, 0);
}

INSTANTIATE_TEST_SUITE_P(CloseOrder, TwoWorkspacesTest, ::testing::Values(0, 1),
                         [](const auto& i) { return i.param == 0 ? "FrameOpenFirst" : "QuickStartFirst"; });

// Two explorers at once (Open, then Start before the first SongBook was chosen): the one
// cancelled last must not give back the items of the workspace the other one opened.
TEST_F(FrameTest, AnExplorerCancelledWhileAWorkspaceIsOpenLeavesItOpen) {
    openFromFrame();
    startFromQuickStart();
    auto explorers = windowsTitled("SongBook File Explorer");
    ASSERT_EQ(explorers.size(), 2u) << d_.windows();
    // The newer explorer (the Quick Start window's) opens the SongBook.
    ASSERT_TRUE(d_.activate("SongBook File Explorer"));
    chooseInExplorer("Songs");
    ASSERT_NE(workspace(), nullptr) << d_.windows();
    EXPECT_EQ(frameItems(), greyed);
    auto left = windowsTitled("SongBook File Explorer");
    ASSERT_EQ(left.size(), 1u);
    ASSERT_TRUE(d_.activate("SongBook File Explorer"));
    ASSERT_TRUE(d_.in("SongBook File Explorer").press("Cancel")) << d_.error();
    EXPECT_EQ(frameItems(), greyed);
    EXPECT_EQ(SongBookIsOpen, 1);
    EXPECT_EQ(SongBookFileName.str(), listingFile("Songs"));
    closeWindow(workspace()->id);
    EXPECT_EQ(frameItems(), enabled);
    EXPECT_TRUE(SongBookFileName.blank());
}

// Two explorers at once, each choosing another SongBook: the one that chose last shows the
// SongBook already open and says so; choosing that same SongBook again says nothing.
TEST_F(FrameTest, AnExplorerThatChoseAnotherSongBookIsToldTheOpenOneIsShown) {
    // The program runs already: the other SongBook is a copy of the first one's files.
    for (const char* ext : {"2bk", "2bd"})
        std::filesystem::copy_file(listingFile("Songs", ext), listingFile("Other", ext));
    for (const char* second : {"Other", "Songs"}) {
        SCOPED_TRACE(second);
        openFromFrame();
        startFromQuickStart();
        ASSERT_EQ(windowsTitled("SongBook File Explorer").size(), 2u) << d_.windows();
        ASSERT_TRUE(d_.activate("SongBook File Explorer"));
        chooseInExplorer("Songs");
        ASSERT_NE(workspace(), nullptr) << d_.windows();
        ASSERT_TRUE(d_.activate("SongBook File Explorer"));
        chooseInExplorer(second);
        auto r = d_.request();
        if (std::string(second) == "Other") {
            ASSERT_NE(r, nullptr) << d_.windows();
            EXPECT_EQ(r->title, "SongBook Already Open");
            EXPECT_NE(r->text.find("The SongBook Songs was opened"), std::string::npos) << r->text;
            EXPECT_NE(r->text.find("Close it to open Other."), std::string::npos) << r->text;
            ASSERT_TRUE(d_.answer("OK")) << d_.error();
        } else {
            EXPECT_EQ(r, nullptr) << d_.windows();
        }
        EXPECT_EQ(windowsTitled(workspaceTitle()).size(), 2u) << d_.windows();
        EXPECT_EQ(workspace("Other"), nullptr);
        EXPECT_EQ(SongBookFileName.str(), listingFile("Songs"));
        for (const auto& w : windowsTitled(workspaceTitle())) closeWindow(w->id);
        EXPECT_EQ(frameItems(), enabled);
    }
}

// The Quick Start window's explorer while a workspace has the SongBook open: none of the
// actions that would take its files away or replace them is done, and the workspace goes on
// working with them.
TEST_F(FrameTest, TheExplorerLeavesTheSongBookOfAnOpenWorkspaceAlone) {
    openFromFrame();
    startFromQuickStart();
    ASSERT_EQ(windowsTitled("SongBook File Explorer").size(), 2u) << d_.windows();
    ASSERT_TRUE(d_.activate("SongBook File Explorer"));
    chooseInExplorer("Songs");
    ASSERT_NE(workspace(), nullptr) << d_.windows();
    const auto listings = listingsOf("Songs");
    const auto discs = discsOf("Songs");
    const std::string backups = root_.file("backups"), elsewhere = root_.file("elsewhere");
    std::filesystem::create_directories(backups);
    std::filesystem::create_directories(elsewhere);

    auto inExplorer = [&] {
        ASSERT_TRUE(d_.activate("SongBook File Explorer")) << d_.windows();
        const auto listed = d_.rows("?LIST");
        for (std::size_t i = 0; i < listed.size(); ++i)
            if (!listed[i].empty() && listed[i][0] == "Songs") {
                ASSERT_TRUE(d_.select("?LIST", static_cast<int>(i) + 1));
            }
    };
    // A backup of the open SongBook is allowed: it is what a restore would put back.
    inExplorer();
    ASSERT_TRUE(d_.press("&Backup Selected SongBook"));
    ASSERT_TRUE(d_.dialog(backups)) << d_.error();
    EXPECT_EQ(d_.text("?STATUSMESSAGE"), "SongBook Backup Created Successfully") << message();

    struct Case {
        const char* button;
        std::string dialog;     // the folder or file chosen, "" for none
        const char* question;   // answered Yes first, "" for none
        const char* doing;
    } const cases[] = {
        {"&Delete Selected SongBook", "", "Are You Sure", "Delete"},
        {"&Rename Selected SongBook", "", "", "Rename"},
        {"&Move Selected SongBook", elsewhere, "", "Move"},
        {"&Restore SongBook", backups + "/Songs.bkp", "", "Replace"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        inExplorer();
        ASSERT_TRUE(d_.press(c.button)) << d_.error();
        if (!c.dialog.empty()) {
            ASSERT_TRUE(d_.dialog(c.dialog)) << d_.error();
        }
        if (*c.question) {
            ASSERT_NE(message().find(c.question), std::string::npos) << message();
            ASSERT_TRUE(d_.answer("Yes"));
        }
        EXPECT_NE(message().find("Is Open in a SongBook Window"), std::string::npos) << message();
        EXPECT_NE(message().find(std::string("Before You ") + c.doing + " It"), std::string::npos) << message();
        ASSERT_TRUE(d_.answer("OK"));
        EXPECT_EQ(windowsTitled("SongBook File Explorer").size(), 1u) << d_.windows();
        EXPECT_EQ(listingsOf("Songs"), listings);
        EXPECT_EQ(discsOf("Songs"), discs);
        EXPECT_FALSE(std::filesystem::exists(elsewhere + "/Songs.2bk"));
    }
    // The workspace still has its files.
    const auto ws = workspace();
    ASSERT_NE(ws, nullptr) << d_.windows();
    ASSERT_TRUE(d_.activate(ws->title)) << d_.error();
    ASSERT_TRUE(d_.in(ws->title).press("Disk ID")) << d_.error();
    EXPECT_EQ(d_.rows().size(), 7u) << d_.windows();
    closeWindow(ws->id);
    ASSERT_TRUE(d_.activate("SongBook File Explorer"));
    ASSERT_TRUE(d_.in("SongBook File Explorer").press("Cancel")) << d_.error();
}

}  // namespace
}  // namespace workspace_test
