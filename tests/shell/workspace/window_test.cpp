// The workspace window's own events: regaining the focus, resizing, minimizing, the list keys
// that reach the listing form, the help button.
#include <algorithm>
#include <tuple>

#include "runtime/shell/shell.h"
#include "workspace_fixture.h"

namespace workspace_test {
namespace {

class WindowTest : public WorkspaceTest {
protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        makeSongBook("Songs", sampleListings(), sampleDiscs());
        openWorkspace("Songs");
        ws_ = workspace();
        ASSERT_NE(ws_, nullptr);
    }
    void send(const rt::EventData& e) {
        ASSERT_TRUE(rt::input(ws_->id, e)) << d_.windows();
        ASSERT_TRUE(d_.settle());
    }
    rt::Control control(const std::string& name) {
        auto c = d_.control(workspaceTitle(), name);
        EXPECT_TRUE(c) << name;
        return c ? *c : rt::Control{};
    }
    std::shared_ptr<const rt::WindowState> ws_;
};

TEST_F(WindowTest, RegainingTheFocusShowsWhatChangedElsewhere) {
    {
        // Another station adds a listing: an instance of the file of its own, on its own thread.
        SongBook elsewhere;
        elsewhere.open();
        ASSERT_EQ(rt::errorCode(), rt::NoError) << rt::error();
        elsewhere.clearBuffer();
        elsewhere.TITLE = "Brand New";
        elsewhere.ARTIST = "Cy Wren";
        elsewhere.UNQDISKID = "SL3001";
        elsewhere.DISKTRACKNO = 1;
        elsewhere.MAKEID = "SL";
        elsewhere.add();
        ASSERT_EQ(rt::errorCode(), rt::NoError) << rt::error();
        elsewhere.close();
    }
    EXPECT_EQ(rowOf("Brand New"), 0);
    send(rt::EventData(rt::EvGainFocus));
    EXPECT_EQ(rowOf("Brand New"), 2);
    EXPECT_EQ(d_.rows()[1][2], "103");
    EXPECT_EQ(selectedFirst(), "Atlas") << "the highlighted record stays highlighted";
    EXPECT_EQ(d_.status(), std::vector<std::string>{"Total Song Tracks: 8"});
    ASSERT_TRUE(d_.press("Disk ID"));
    EXPECT_EQ(column(2).back(), "Brand New");
}

struct ResizeCase {
    const char* name;
    int frameResized;
};

class ResizeTest : public WindowTest, public ::testing::WithParamInterface<ResizeCase> {};

// Whatever the frame did, the list grows with the window and shows more songs; the search
// panel and the logo keep their size at the window's right edge, the hidden list buttons stay
// below the list; back at its first size, everything is where it was.
TEST_P(ResizeTest, TheListFollowsTheWindowAndTheRestKeepsItsSize) {
    EXPECT_EQ(FrameResized, 0) << "cleared when the window first had the focus";
    const rt::Control list = control("?ListByTitle"), search = control("?Search"), logo = control("?Logo"),
                      insert = control("?InsertTitle");
    const int w = ws_->w, h = ws_->h;
    auto resize = [&](int nw, int nh) {
        FrameResized = static_cast<std::uint8_t>(GetParam().frameResized);
        rt::EventData e(rt::EvSized);
        e.text = std::to_string(nw) + "," + std::to_string(nh);
        e.hasText = true;
        send(e);
    };
    resize(w * 2, h * 3 / 2);
    const int dw = w * 2 - w, dh = h * 3 / 2 - h;
    const rt::Control list2 = control("?ListByTitle"), search2 = control("?Search"), logo2 = control("?Logo"),
                      insert2 = control("?InsertTitle");
    EXPECT_EQ(std::make_pair(list2.x, list2.y), std::make_pair(list.x, list.y));
    EXPECT_EQ(std::make_pair(list2.w, list2.h), std::make_pair(list.w + dw, list.h + dh));
    EXPECT_EQ(std::make_pair(search2.x, search2.y), std::make_pair(search.x + dw, search.y));
    EXPECT_EQ(std::make_pair(search2.w, search2.h), std::make_pair(search.w, search.h));
    EXPECT_EQ(std::make_pair(logo2.w, logo2.h), std::make_pair(logo.w, logo.h));
    EXPECT_EQ(std::make_pair(insert2.x, insert2.y), std::make_pair(insert.x, insert.y + dh));
    EXPECT_EQ(FrameResized, 0);
    EXPECT_EQ(d_.rows().size(), 7u);

    // Far too small: the list keeps a usable size, the panel stays right of it.
    resize(60, 60);
    const rt::Control list3 = control("?ListByTitle"), search3 = control("?Search");
    EXPECT_GE(list3.w, 40);
    EXPECT_GE(list3.h, 40);
    EXPECT_GT(search3.x, list3.x + list3.w);

    resize(w, h);
    const rt::Control list4 = control("?ListByTitle"), search4 = control("?Search");
    EXPECT_EQ(std::make_tuple(list4.x, list4.y, list4.w, list4.h), std::make_tuple(list.x, list.y, list.w, list.h));
    EXPECT_EQ(std::make_tuple(search4.x, search4.y), std::make_tuple(search.x, search.y));
}

INSTANTIATE_TEST_SUITE_P(Frame, ResizeTest,
                         ::testing::Values(ResizeCase{"FrameResized", 1}, ResizeCase{"FrameAsItWas", 0}),
                         [](const auto& i) { return std::string(i.param.name); });

TEST_F(WindowTest, KeepsItsDesignedLimits) {
    EXPECT_TRUE(ws_->resizable);
    EXPECT_EQ(ws_->minW, 200);
    EXPECT_EQ(ws_->minH, 150);
    EXPECT_EQ(ws_->icon, "~songbook.ico");
}

TEST_F(WindowTest, MinimizingSaysSoFirst) {
    send(rt::EventData(rt::EvIconized));
    EXPECT_EQ(message(), "Minimizing");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_TRUE(workspace()->minimized);
}

struct FormKeyCase {
    const char* key;
    const char* list;   // the list switch
    const char* first;  // the first column of the row of Atlas (the first row with it)
    int below;          // Atlas's row below that one
};

class FormKeyTest : public WindowTest, public ::testing::WithParamInterface<FormKeyCase> {};

TEST_P(FormKeyTest, ListKeysOpenTheListingFormOnTheHighlightedListing) {
    ASSERT_TRUE(d_.press(GetParam().list));
    const int row = rowOf(GetParam().first);
    ASSERT_NE(row, 0);
    ASSERT_TRUE(d_.key("", GetParam().key, row + GetParam().below)) << d_.error();
    ASSERT_EQ(d_.active()->title, "Update SongBook Listing....") << d_.windows();
    EXPECT_EQ(d_.value("?SBK:TITLE"), "Atlas");
    ASSERT_TRUE(d_.close());
    while (d_.request()) ASSERT_TRUE(d_.dismiss());
    EXPECT_EQ(d_.active()->title, workspaceTitle()) << d_.windows();
    EXPECT_EQ(listingsOf("Songs").size(), 7u);
}

INSTANTIATE_TEST_SUITE_P(Keys, FormKeyTest,
                         ::testing::Values(FormKeyCase{"CtrlEnter", "Song Title", "Atlas", 0},
                                           FormKeyCase{"DoubleClick", "Artist", "Éloïse Brun", 0},
                                           FormKeyCase{"Insert", "Song Title", "Atlas", 0},
                                           FormKeyCase{"CtrlEnter", "Disk ID", "102", 1}),
                         [](const auto& i) {
                             std::string n = std::string(i.param.key) + i.param.list;
                             n.erase(std::remove(n.begin(), n.end(), ' '), n.end());
                             return n;
                         });

TEST_F(WindowTest, HelpOpensTheWorkspaceTopic) {
    rt::setLauncher([](const std::vector<std::string>&) {});
    rt::clearLaunchedCommands();
    OSVersionInfo.majorVersion = 6;
    HelpFile = install_ + "/help/CantoV2.chm";
    ASSERT_TRUE(d_.press("Help System")) << d_.error();
    const auto launched = rt::launchedCommands();
    rt::setLauncher(nullptr);
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_NE(launched[0].back().find("WorkingWithSongBook.htm"), std::string::npos);
    HelpFile.clear();
    OSVersionInfo = rt::OsVersionInfo{};
}

TEST_F(WindowTest, CloseSongBookEndsTheWorkspaceAndReleasesTheSongBook) {
    ASSERT_TRUE(d_.press("Close SongBook"));
    EXPECT_FALSE(d_.running());
    EXPECT_TRUE(SongBookFileName.blank());
    EXPECT_EQ(SongBookIsOpen, 0);
    // Nothing keeps the pair: it can be replaced at once.
    std::filesystem::remove(listingFile("Songs"));
    EXPECT_FALSE(rt::fileExists(listingFile("Songs")));
}

}  // namespace
}  // namespace workspace_test
