// The browse list engine on a small song file, driven through a test window the way a person
// uses a list: scrolling, paging, the thumb, locators and the record-form buttons and keys.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "frontend/headless/driver.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/thread/thread.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "support/data_fixture.h"

namespace {

struct SongRec {
    rt::Text<30> TITLE;
    rt::Text<30> ARTIST;
    std::int32_t NO = 0;
    template <class V>
    void fields(V& v) {
        v("TITLE", TITLE);
        v("ARTIST", ARTIST);
        v("NO", NO);
    }
};

struct Songs : rt::File<Songs, SongRec> {
    static inline const rt::Key KTITLE{"KTITLE", {"TITLE", "ARTIST"}};
    static inline const rt::Key TITLEKEY{"TITLEKEY", {"TITLE"}};
    static inline const rt::Key KNO{"KNO", {"NO"}};
    static inline const rt::Key KARTIST{"KARTIST", {"ARTIST", "TITLE"}};
    // Not among the file's keys: a selection in its order cannot open.
    static inline const rt::Key KUNDECLARED{"KUNDECLARED", {"ARTIST"}};
    static inline std::string fileName;
    static rt::FileDeclaration declaration() {
        return {"Songs", "SNG", [] { return fileName; }, rt::CreateWhenMissing,
                {&KTITLE, &TITLEKEY, &KNO, &KARTIST}, {}};
    }
};

// A label per artist, joined to the songs.
struct LabelRec {
    rt::Text<30> ARTIST;
    rt::Text<20> LABEL;
    template <class V>
    void fields(V& v) {
        v("ARTIST", ARTIST);
        v("LABEL", LABEL);
    }
};

struct Labels : rt::File<Labels, LabelRec> {
    static inline const rt::Key KARTIST{"KARTIST", {"ARTIST"}};
    static inline std::string fileName;
    static rt::FileDeclaration declaration() {
        return {"Labels", "LAB", [] { return fileName; }, rt::CreateWhenMissing, {&KARTIST}, {}};
    }
};

thread_local Songs SNG;
thread_local Labels LAB;

// 31 titles in key order (letter case ignored); NO is 10 times the place.
const std::vector<std::string> kTitles = {
    "ABC",     "AIRSHIP",     "ALBANY SKIES", "ALONG THE PIER",   "AMERLY", "angel",       "BABYLON BUS",   "BEATEN TIN",
    "BELLWOOD", "BRAVO",   "CRANBERRY",     "DREAMWRIGHT",   "EYESORE",    "FAMEWAY",        "GLORIOUS MUD", "HELMSMAN",
    "IMARI BLUE", "JASPER MOON",  "KARMIC TRAIN",     "LAYOVER",   "MONEYBOX",   "NUMBAT",        "ONEIDA",    "PURPLE LANTERN",
    "QUEENSWAY",   "ROXBURY", "SHOULDERS",     "TOXIN WALTZ",   "WONDERWHEEL", "YESTERYEAR", "ZOMBOLO"};

constexpr int kPage = 5;

// What the test window declares beyond the defaults.
struct ListSetup {
    const rt::Key* order = &Songs::KTITLE;
    bool selectMode = false;
    std::function<void(BrowseList&)> declare;
    std::function<void(rt::View&)> selection;  // joins and range
    bool windowRefreshes = false;              // the list has a windowRefresh() hook
};

// What the fake record form saw, and what it does (returns the response).
struct FormCall {
    int request = 0;
    int option = -1;
    std::string title;  // the buffer as handed to the form
    bool hadCurrent = false;
};
std::vector<FormCall> gCalls;
std::function<int(int request)> gForm;
std::string gClosedWith;  // the buffer's title when the window procedure returned
bool gSelected = false;

std::vector<std::string> gLog;

void FakeForm() {
    gLog.push_back("form " + std::to_string(CallRequest));
    FormCall c;
    c.request = CallRequest;
    c.option = CallRequestOption;
    c.title = SNG.TITLE.str();
    c.hadCurrent = SNG.hasCurrent();
    gCalls.push_back(c);
    const int request = CallRequest;
    CallRequest = 0;
    CallResponse = gForm ? gForm(request) : 2;
}

void BrowseSongs(const ListSetup& s) {
    rt::Window win("Browse Songs", rt::WindowKind::Dialog, -1, -1, 260, 120);
    int list = win.list("?LIST", 4, 4, 200, 10 + 8 * kPage, {rt::Column{"Title", 100}, rt::Column{"No", 30}});
    int insert = win.button("?INSERT", "&Insert", 4, 70, 40, 14);
    int change = win.button("?CHANGE", "&Change", 48, 70, 40, 14);
    int del = win.button("?DELETE", "&Delete", 92, 70, 40, 14);
    int select = win.button("?SELECT", "&Select", 136, 70, 40, 14);
    int focus = win.button("?FOCUS", "Focus", 180, 70, 40, 14);
    int restart = win.button("?RESTART", "Restart", 224, 70, 30, 14);
    // Deletes the highlighted record itself and reloads, as the workspace's delete does.
    int deleteHere = win.button("?DELETEHERE", "Delete here", 4, 86, 40, 14);
    SNG.open();
    rt::View view(SNG, *s.order);
    if (s.selection) s.selection(view);
    BrowseList songs(win, list, view, SNG, *s.order);
    songs.rows([] { return BrowseCells({SNG.TITLE.str(), std::to_string(SNG.NO)}); })
        .hidden([] { return std::vector<std::string>{SNG.ARTIST.str()}; })
        .form(FakeForm)
        .buttons(insert, change, del, select)
        .selectMode(s.selectMode);
    if (s.declare) s.declare(songs);
    win.open();
    songs.open();
    while (win.accept()) {
        if (songs.take()) continue;
        // A window with its own refresh refreshes its lists itself.
        if (win.code() == rt::EvGainFocus && s.windowRefreshes) songs.refresh();
        if (win.code() == rt::EvAccepted && win.field() == focus) win.post(rt::EvGainFocus);
        if (win.code() == rt::EvAccepted && win.field() == restart) songs.restart();
        if (win.code() == rt::EvAccepted && win.field() == deleteHere) {
            SNG.reget(SNG.position(*s.order));
            SNG.del();
            songs.reload();
        }
    }
    songs.close();
    gClosedWith = SNG.TITLE.str();
    gSelected = songs.selected();
    SNG.close();
}

class BrowseListTest : public ::testing::Test {
protected:
    void SetUp() override {
        Songs::fileName = dir_.file("songs.tps");
        Labels::fileName = dir_.file("labels.tps");
        gCalls.clear();
        gLog.clear();
        gForm = nullptr;
        gClosedWith.clear();
        gSelected = false;
    }
    void TearDown() override { EXPECT_TRUE(d_.end()) << d_.error(); }

    void makeFile(const std::vector<std::string>& titles, int step = 10) {
        SNG.create();
        SNG.open();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        SNG.stream();
        int no = 0;
        for (const auto& t : titles) {
            SNG.clearBuffer();
            SNG.TITLE = t;
            SNG.ARTIST = "Artist";
            SNG.NO = no += step;
            SNG.add();
            ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        }
        SNG.close();
    }

    void start(ListSetup s = {}) {
        ASSERT_TRUE(d_.start([s] { BrowseSongs(s); })) << d_.error();
        ASSERT_TRUE(d_.window("Browse Songs")) << d_.windows();
    }

    std::vector<std::string> titles() {
        std::vector<std::string> out;
        for (const auto& r : d_.rows("?LIST")) out.push_back(r.at(0));
        return out;
    }
    std::vector<std::string> titles(int from, int n) {
        return {kTitles.begin() + (from - 1), kTitles.begin() + (from - 1 + n)};
    }
    std::string highlighted() {
        int r = d_.selectedRow("?LIST");
        auto rows = d_.rows("?LIST");
        return r >= 1 && r <= static_cast<int>(rows.size()) ? rows[static_cast<std::size_t>(r - 1)].at(0) : "";
    }
    rt::Control listControl() { return d_.control("?LIST").value(); }

    bool act(const std::string& step) {
        if (step.rfind("select ", 0) == 0) return d_.select("?LIST", std::stoi(step.substr(7)));
        if (step.rfind("drag ", 0) == 0) return d_.drag("?LIST", std::stoi(step.substr(5)));
        if (step.rfind("key ", 0) == 0) return d_.key("?LIST", step.substr(4));
        return d_.scroll("?LIST", step);
    }
    void run(const std::vector<std::string>& steps) {
        for (const auto& s : steps) ASSERT_TRUE(act(s)) << s << ": " << d_.error();
    }

    fixture::TempFolder dir_;
    headless::Driver d_;
};

TEST_F(BrowseListTest, FirstRefreshFillsOnePageFromTheStart) {
    makeFile(kTitles);
    start();
    EXPECT_EQ(titles(), titles(1, kPage));
    EXPECT_EQ(d_.selectedRow("?LIST"), 1);
    EXPECT_TRUE(d_.enabled("?CHANGE"));
    EXPECT_TRUE(d_.enabled("?DELETE"));
    EXPECT_TRUE(d_.hidden("?SELECT")) << "select is for windows called to select";
    EXPECT_TRUE(listControl().vscroll);
}

TEST_F(BrowseListTest, EmptySelectionDisablesChangeAndDeleteButInsertStillOpensTheForm) {
    makeFile({});
    start();
    EXPECT_TRUE(titles().empty());
    EXPECT_EQ(d_.selectedRow("?LIST"), 0);
    EXPECT_FALSE(d_.enabled("?CHANGE"));
    EXPECT_FALSE(d_.enabled("?DELETE"));
    EXPECT_TRUE(d_.enabled("?INSERT"));
    EXPECT_FALSE(listControl().vscroll) << "no scroll bar on a page that is not full";
    // Keys that need a row do nothing; Insert calls the form.
    for (const char* key : {"Delete", "CtrlEnter", "DoubleClick"}) ASSERT_TRUE(d_.key("?LIST", key)) << d_.error();
    EXPECT_TRUE(gCalls.empty());
    ASSERT_TRUE(d_.key("?LIST", "Insert")) << d_.error();
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].request, 1);
    EXPECT_EQ(gCalls[0].option, 0);
    EXPECT_EQ(gCalls[0].title, "");
    EXPECT_FALSE(gCalls[0].hadCurrent);
}

struct MoveCase {
    const char* name;
    std::vector<std::string> steps;
    int first;      // the place in kTitles of the page's first row
    int highlight;  // the highlighted row
};

const MoveCase kMoves[] = {
    {"DownMovesTheHighlightWithinThePage", {"down", "down"}, 1, 3},
    {"DownAtThePageEdgeFetchesOneRow", {"select 5", "down", "down"}, 3, 5},
    {"UpAtTheTopOfTheSelectionStays", {"up", "up"}, 1, 1},
    {"UpAtThePageEdgeFetchesOneRow", {"pagedown", "up", "up"}, 4, 1},
    {"DownOnTheLastRowKeepsItHighlighted", {"bottom", "down", "down"}, 27, 5},
    {"PageDownKeepsTheHighlightedRowNumber", {"select 2", "pagedown", "pagedown"}, 11, 2},
    // Rows 26-30 showing: one row is left, so the highlight moves by the four not fetched.
    {"PageDownNearTheEndMovesTheHighlightByTheRowsLeft", {"pagedown", "pagedown", "pagedown", "pagedown",
                                                          "pagedown", "pagedown"}, 27, 5},
    {"PageDownNearTheEndStopsAtTheLastRow", {"select 3", "pagedown", "pagedown", "pagedown", "pagedown",
                                             "pagedown", "pagedown"}, 27, 5},
    // Rows 25-29: two rows fetched, three not: row 1 + 3.
    {"PageDownNearTheEndWithRoomToMove", {"pagedown", "pagedown", "pagedown", "pagedown", "down", "down", "down",
                                          "down", "down", "down", "down", "down", "up", "up", "up", "up",
                                          "pagedown"}, 27, 4},
    // Rows 3-7 with row 5 highlighted: two rows above, so the highlight moves up three.
    {"PageUpNearTheStartMovesTheHighlightByTheRowsLeft", {"select 5", "down", "down", "pageup"}, 1, 2},
    {"PageUpAtTheTopGoesToRowOne", {"select 4", "pageup"}, 1, 1},
    {"TopAndBottom", {"bottom", "top"}, 1, 1},
    {"BottomShowsTheLastPage", {"bottom"}, 27, 5},
};

TEST_F(BrowseListTest, ScrollingAndPaging) {
    makeFile(kTitles);
    start();
    for (const auto& c : kMoves) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(d_.scroll("?LIST", "top")) << d_.error();
        run(c.steps);
        EXPECT_EQ(titles(), titles(c.first, kPage));
        EXPECT_EQ(d_.selectedRow("?LIST"), c.highlight);
    }
}

TEST_F(BrowseListTest, ThumbDragLocatesByTheWorkspaceStops) {
    makeFile(kTitles);
    start({&Songs::KTITLE, false, [](BrowseList& b) { b.stopTable(WorkspaceStopTable); }, {}});
    struct { int thumb; int first; int highlight; } cases[] = {
        {2, 3, 1},    // "ALB": ALBATROSS
        {1, 1, 1},    // the first record
        {3, 5, 1},    // "AME": AMERICA
        {100, 27, 5}, // the last page
        {0, 1, 1},
        {99, 27, 3},  // "WOL": WONDERWALL; near the end the page ends at the selection's end
        {55, 21, 1},  // "MAC" ... "MON": MONEY
    };
    for (auto c : cases) {
        SCOPED_TRACE("thumb " + std::to_string(c.thumb));
        ASSERT_TRUE(d_.drag("?LIST", c.thumb)) << d_.error();
        EXPECT_EQ(titles(), titles(c.first, kPage));
        EXPECT_EQ(d_.selectedRow("?LIST"), c.highlight);
    }
}

TEST_F(BrowseListTest, ThumbFollowsTheHighlightedRowInUpperCase) {
    makeFile(kTitles);
    start({&Songs::KTITLE, false, [](BrowseList& b) { b.stopTable(WorkspaceStopTable); }, {}});
    struct { std::vector<std::string> steps; std::string title; int thumb; } cases[] = {
        {{"top"}, "ABC", 2},                            // only "   " sorts before ABC
        {{"top", "select 3"}, "ALBANY SKIES", 3},          // "ALB" sorts before ALBATROSS
        {{"top", "select 5", "down"}, "angel", 4},      // as ANGEL: after AME, before ARN
        {{"bottom"}, "ZOMBOLO", 101},                    // after every stop
        {{"drag 55"}, "MONEYBOX", 63},                     // "MON" is stop 62
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        run(c.steps);
        EXPECT_EQ(highlighted(), c.title);
        EXPECT_EQ(listControl().thumb, c.thumb);
    }
}

TEST_F(BrowseListTest, ScrollBarHiddenWhileThePageIsNotFull) {
    makeFile({"ONEIDA", "TWO", "THREE"});
    start({&Songs::KTITLE, false, [](BrowseList& b) { b.stopTable(WorkspaceStopTable); }, {}});
    EXPECT_EQ(titles().size(), 3u);
    EXPECT_FALSE(listControl().vscroll);
}

TEST_F(BrowseListTest, DeletedHighlightedRecordLeavesTheNextRowAtTheSamePlace) {
    makeFile(kTitles);
    gForm = [](int request) {
        if (request != 3) return 2;
        SNG.del();
        return rt::errorCode() == 0 ? 1 : 2;
    };
    start();
    ASSERT_TRUE(d_.key("?LIST", "Delete", 3)) << d_.error();
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].request, 3);
    EXPECT_EQ(gCalls[0].title, "ALBANY SKIES") << "the form gets the highlighted record, read again";
    EXPECT_EQ(titles(), (std::vector<std::string>{"ABC", "AIRSHIP", "ALONG THE PIER", "AMERLY", "angel"}));
    EXPECT_EQ(d_.selectedRow("?LIST"), 3);
    // The last row of the selection: the page ends at the end, the new last row highlighted.
    ASSERT_TRUE(d_.scroll("?LIST", "bottom"));
    ASSERT_TRUE(d_.press("&Delete")) << d_.error();
    EXPECT_EQ(titles(), (std::vector<std::string>{"ROXBURY", "SHOULDERS", "TOXIN WALTZ", "WONDERWHEEL", "YESTERYEAR"}));
    EXPECT_EQ(highlighted(), "YESTERYEAR");
}

TEST_F(BrowseListTest, ARecordTheProgramDeletedLeavesTheNextRowHighlightedAfterAReload) {
    // The page ABC .. angel; the highlighted record goes, the list reloads.
    struct Case {
        int row;
        std::vector<std::string> page;
        std::string highlighted;
    };
    const std::vector<Case> cases = {
        {1, {"AIRSHIP", "ALBANY SKIES", "ALONG THE PIER", "AMERLY", "angel"}, "AIRSHIP"},
        {3, {"AIRSHIP", "ALBANY SKIES", "AMERLY", "angel", "BABYLON BUS"}, "AMERLY"},
        {5, {"AIRSHIP", "ALBANY SKIES", "AMERLY", "angel", "BEATEN TIN"}, "BEATEN TIN"},
    };
    makeFile(kTitles);
    start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.row);
        ASSERT_TRUE(d_.select("?LIST", c.row)) << d_.error();
        ASSERT_TRUE(d_.press("Delete here")) << d_.error();
        EXPECT_EQ(titles(), c.page);
        EXPECT_EQ(highlighted(), c.highlighted);
    }
}

TEST_F(BrowseListTest, CancelledFormKeepsThePage) {
    makeFile(kTitles);
    gForm = [](int) {
        SNG.TITLE = "CHANGED IN THE FORM";
        return 2;
    };
    start();
    run({"pagedown", "select 4"});
    ASSERT_TRUE(d_.key("?LIST", "CtrlEnter")) << d_.error();
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].request, 2);
    EXPECT_EQ(titles(), titles(6, kPage));
    EXPECT_EQ(d_.selectedRow("?LIST"), 4);
}

TEST_F(BrowseListTest, ChangedRecordIsLocatedWhereItsKeyPutsIt) {
    makeFile(kTitles);
    gForm = [](int request) {
        if (request != 2) return 2;
        SNG.TITLE = "ZEBRA";
        SNG.put();
        return rt::errorCode() == 0 ? 1 : 2;
    };
    start();
    ASSERT_TRUE(d_.key("?LIST", "DoubleClick", 2)) << d_.error();
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].request, 2) << "double-click changes when not called to select";
    EXPECT_EQ(gCalls[0].title, "AIRSHIP");
    EXPECT_EQ(titles(), (std::vector<std::string>{"TOXIN WALTZ", "WONDERWHEEL", "YESTERYEAR", "ZEBRA", "ZOMBOLO"}));
    EXPECT_EQ(highlighted(), "ZEBRA");
}

TEST_F(BrowseListTest, InsertedRecordIsHighlightedAmongEqualKeys) {
    makeFile(kTitles);
    // Three equal titles in a key of the title alone; the new one is the third.
    gForm = [](int request) {
        if (request != 1) return 2;
        SNG.TITLE = "DREAMWRIGHT";
        SNG.ARTIST = "Newcomer";
        SNG.NO = 999;
        SNG.add();
        return rt::errorCode() == 0 ? 1 : 2;
    };
    {
        SNG.open();
        SNG.clearBuffer();
        SNG.TITLE = "dream";
        SNG.ARTIST = "Second";
        SNG.add();
        SNG.close();
    }
    start({&Songs::TITLEKEY, false, {}, {}});
    ASSERT_TRUE(d_.press("&Insert")) << d_.error();
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].title, "") << "insert clears the buffer";
    // Located on the record written, not on the first of the equal titles.
    EXPECT_EQ(titles(), (std::vector<std::string>{"DREAMWRIGHT", "EYESORE", "FAMEWAY", "GLORIOUS MUD", "HELMSMAN"}));
    EXPECT_EQ(d_.selectedRow("?LIST"), 1);
    EXPECT_EQ(d_.rows("?LIST")[0][1], "999");
}

TEST_F(BrowseListTest, StepLocatorStepsThroughTheRowsOfALetterAndBack) {
    makeFile(kTitles);
    start({&Songs::KTITLE, false, [](BrowseList& b) { b.stepLocator(); }, {}});
    const std::vector<std::string> expected = {"AIRSHIP", "ALBANY SKIES", "ALONG THE PIER", "AMERLY", "angel", "ABC", "AIRSHIP"};
    for (const auto& e : expected) {
        ASSERT_TRUE(d_.key("?LIST", "a")) << d_.error();
        EXPECT_EQ(highlighted(), e);
    }
    // Another letter locates its first row; a blank does nothing.
    ASSERT_TRUE(d_.key("?LIST", "m"));
    EXPECT_EQ(highlighted(), "MONEYBOX");
    EXPECT_EQ(d_.selectedRow("?LIST"), 1);
    ASSERT_TRUE(d_.key("?LIST", " "));
    EXPECT_EQ(highlighted(), "MONEYBOX");
    // A letter no title begins with: the first title after it.
    ASSERT_TRUE(d_.key("?LIST", "x"));
    EXPECT_EQ(highlighted(), "YESTERYEAR");
    ASSERT_TRUE(d_.key("?LIST", "z"));
    EXPECT_EQ(highlighted(), "ZOMBOLO");
    ASSERT_TRUE(d_.key("?LIST", "z")) << "the last row: back to the first Z";
    EXPECT_EQ(highlighted(), "ZOMBOLO");
}

TEST_F(BrowseListTest, StepLocatorOnANumberTakesTheDigitsValue) {
    makeFile(kTitles, 1);
    start({&Songs::KNO, false, [](BrowseList& b) { b.stepLocator("NO"); }, {}});
    auto number = [&] { return d_.rows("?LIST")[static_cast<std::size_t>(d_.selectedRow("?LIST") - 1)][1]; };
    ASSERT_TRUE(d_.key("?LIST", "7"));
    EXPECT_EQ(number(), "7");
    EXPECT_EQ(d_.selectedRow("?LIST"), 1);
    ASSERT_TRUE(d_.key("?LIST", "2")) << "7 does not begin with 2: the first number from 2";
    EXPECT_EQ(number(), "2");
    ASSERT_TRUE(d_.drag("?LIST", 100));
    ASSERT_TRUE(d_.select("?LIST", 1));
    EXPECT_EQ(number(), "27");
    ASSERT_TRUE(d_.key("?LIST", "2")) << "27 begins with 2 and so does 28: one row down";
    EXPECT_EQ(number(), "28");
}

TEST_F(BrowseListTest, IncrementalLocatorWithBackspace) {
    makeFile(kTitles);
    start({&Songs::KTITLE, false, [](BrowseList& b) { b.incrementalLocator(10); }, {}});
    struct { const char* key; const char* highlighted; } steps[] = {
        {"b", "BABYLON BUS"}, {"e", "BEATEN TIN"}, {"l", "BELLWOOD"}, {"Backspace", "BEATEN TIN"}, {"Backspace", "BABYLON BUS"},
        {"r", "BRAVO"}, {"Backspace", "BABYLON BUS"}, {"Backspace", "ABC"}, {"Backspace", "ABC"},
        {"p", "PURPLE LANTERN"}, {"u", "PURPLE LANTERN"}, {"r", "PURPLE LANTERN"}, {"p", "PURPLE LANTERN"},
        {"l", "PURPLE LANTERN"}, {"e", "PURPLE LANTERN"}, {" ", "PURPLE LANTERN"}, {"z", "QUEENSWAY"},
        {"Backspace", "PURPLE LANTERN"},
    };
    for (auto s : steps) {
        SCOPED_TRACE(s.key);
        ASSERT_TRUE(d_.key("?LIST", s.key)) << d_.error();
        EXPECT_EQ(highlighted(), s.highlighted);
    }
    // Past every title: the last page, its last row.
    for (const char* k : {"Backspace", "Backspace", "Backspace", "Backspace", "Backspace", "Backspace",
                          "Backspace", "z", "z"})
        ASSERT_TRUE(d_.key("?LIST", k));
    EXPECT_EQ(titles(), titles(27, kPage));
    EXPECT_EQ(highlighted(), "ZOMBOLO");
}

TEST_F(BrowseListTest, IncrementalLocatorStopsAtItsLength) {
    makeFile(kTitles);
    start({&Songs::KTITLE, false, [](BrowseList& b) { b.incrementalLocator(2); }, {}});
    for (const char* k : {"b", "e", "l"}) ASSERT_TRUE(d_.key("?LIST", k));
    EXPECT_EQ(highlighted(), "BEATEN TIN") << "the third character is beyond the length";
}

TEST_F(BrowseListTest, NumericStopsBetweenTheFirstAndLastNumber) {
    makeFile(kTitles);
    start({&Songs::KNO, false, [](BrowseList& b) { b.numericStops().stopField("NO"); }, {}});
    // Stops from 10 to 310: stop 50 is 10 + 49 * 300 / 99 = 158.5, so the first number from 158.
    ASSERT_TRUE(d_.drag("?LIST", 50)) << d_.error();
    EXPECT_EQ(highlighted(), "HELMSMAN");
    EXPECT_EQ(d_.rows("?LIST")[0][1], "160");
    EXPECT_EQ(listControl().thumb, 51) << "stops 1 to 50 lie below 160";
    ASSERT_TRUE(d_.drag("?LIST", 2));
    EXPECT_EQ(highlighted(), "AIRSHIP") << "stop 2 is 13.03: the first number from 13";
}

TEST_F(BrowseListTest, SelectModeDoubleClickClosesWithTheHighlightedRecord) {
    makeFile(kTitles);
    start({&Songs::KTITLE, true, {}, {}});
    EXPECT_FALSE(d_.hidden("?SELECT"));
    ASSERT_TRUE(d_.key("?LIST", "DoubleClick", 4)) << d_.error();
    EXPECT_TRUE(gCalls.empty());
    EXPECT_FALSE(d_.running());
    EXPECT_TRUE(gSelected);
    EXPECT_EQ(gClosedWith, "ALONG THE PIER");
}

TEST_F(BrowseListTest, RefreshOnFocusShowsOtherStationsChanges) {
    makeFile(kTitles);
    start();
    ASSERT_TRUE(d_.select("?LIST", 3));
    // Another station deletes the highlighted record and adds one before it.
    SNG.open();
    SNG.clearBuffer();
    SNG.TITLE = "ALBANY SKIES";
    SNG.ARTIST = "Artist";
    SNG.get(Songs::KTITLE);
    ASSERT_EQ(rt::errorCode(), 0);
    SNG.del();
    SNG.clearBuffer();
    SNG.TITLE = "AAA";
    SNG.add();
    SNG.close();
    // Without a refresh the page stays as it was.
    EXPECT_EQ(titles(), titles(1, kPage));
    ASSERT_TRUE(d_.press("Focus")) << d_.error();
    EXPECT_EQ(titles(), titles(4, kPage)) << "located at the highlighted record, or the one after it";
    EXPECT_EQ(d_.selectedRow("?LIST"), 1);
}

TEST_F(BrowseListTest, ActionOnARowOthersDeletedDoesNotTouchTheNextRecord) {
    makeFile(kTitles);
    gForm = [](int) {
        SNG.del();
        return 1;
    };
    start();
    ASSERT_TRUE(d_.select("?LIST", 2));
    SNG.open();
    SNG.clearBuffer();
    SNG.TITLE = "AIRSHIP";
    SNG.ARTIST = "Artist";
    SNG.get(Songs::KTITLE);
    SNG.del();
    SNG.close();
    ASSERT_TRUE(d_.key("?LIST", "Delete")) << d_.error();
    EXPECT_TRUE(gCalls.empty()) << "the form would have deleted ALBATROSS";
    EXPECT_EQ(titles(), (std::vector<std::string>{"ABC", "ALBANY SKIES", "ALONG THE PIER", "AMERLY", "angel"}));
}

TEST_F(BrowseListTest, ReadErrorShowsWarning35AndClosesTheWindow) {
    makeFile(kTitles);
    start();
    std::string err;
    ASSERT_EQ(fixture::execSql(Songs::fileName, "DROP TABLE \"data\"", &err), 0) << err;
    ASSERT_TRUE(d_.scroll("?LIST", "pagedown")) << d_.error();
    auto box = d_.request();
    ASSERT_TRUE(box) << d_.windows();
    EXPECT_EQ(box->title, "Record Retrieval Error");
    EXPECT_NE(box->text.find("from the Songs file"), std::string::npos) << box->text;
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(d_.running());
}

TEST_F(BrowseListTest, SelectionThatCannotOpenShowsWarning36AndStaysOpen) {
    makeFile(kTitles);
    ASSERT_TRUE(d_.start([] { BrowseSongs({&Songs::KUNDECLARED, false, {}, {}}); })) << d_.error();
    auto box = d_.request();
    ASSERT_TRUE(box) << d_.windows();
    EXPECT_EQ(box->title, "View Open Error");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(d_.request()) << "one warning for one failure";
    EXPECT_TRUE(d_.running());
    EXPECT_TRUE(titles().empty());
    EXPECT_FALSE(d_.enabled("?CHANGE"));
}

TEST_F(BrowseListTest, RecordFormHooksRunInOrder) {
    makeFile(kTitles);
    gForm = [](int) { return 1; };
    ListSetup s;
    s.declare = [](BrowseList& b) {
        b.beforeAction([&b](BrowseAction a) {
             gLog.push_back("before " + std::to_string(static_cast<int>(a)));
             // A window with several lists re-reads them all; here the one.
             return b.loadHighlighted() && a != BrowseAction::Delete;
         })
            .prepareForm([](BrowseAction a) {
                gLog.push_back("prepare " + std::to_string(static_cast<int>(a)) + " [" + SNG.TITLE.str() + "]" +
                               (SNG.hasCurrent() ? " current" : ""));
                return true;
            })
            .afterForm([](BrowseAction a, bool completed) {
                gLog.push_back("after " + std::to_string(static_cast<int>(a)) + (completed ? " completed" : ""));
            })
            .windowRefresh([&b] {
                gLog.push_back("window refresh");
                b.refresh();
            });
    };
    s.windowRefreshes = true;
    start(s);
    ASSERT_TRUE(d_.select("?LIST", 2));
    ASSERT_TRUE(d_.key("?LIST", "Insert"));
    // The form wrote nothing: locating the cleared buffer shows the first record.
    EXPECT_EQ(highlighted(), "ABC");
    ASSERT_TRUE(d_.key("?LIST", "CtrlEnter"));
    ASSERT_TRUE(d_.key("?LIST", "Delete"));
    EXPECT_EQ(gLog, (std::vector<std::string>{
                        "before 1", "prepare 1 []", "form 1", "after 1 completed", "window refresh",
                        "before 2", "prepare 2 [ABC] current", "form 2", "after 2 completed", "window refresh",
                        "before 3"}));
    EXPECT_EQ(gCalls.size(), 2u);
}

// The artist the range shows (the window's own variable, as a brand list's selection would be).
std::string gArtist;

TEST_F(BrowseListTest, RangeAndJoinedRecords) {
    makeFile(kTitles);
    SNG.open();
    for (std::size_t i = 0; i < kTitles.size(); ++i) {
        SNG.clearBuffer();
        SNG.TITLE = kTitles[i];
        SNG.ARTIST = "Artist";
        SNG.get(Songs::KTITLE);
        ASSERT_EQ(rt::errorCode(), 0) << kTitles[i];
        SNG.ARTIST = i % 2 ? "EVEN" : "ODD";
        SNG.put();
        ASSERT_EQ(rt::errorCode(), 0);
    }
    SNG.close();
    LAB.create();
    LAB.open();
    LAB.ARTIST = "ODD";
    LAB.LABEL = "Odd Records";
    LAB.add();
    LAB.close();
    gArtist = "ODD";
    gForm = [](int request) {
        if (request != 3) return 2;
        SNG.del();
        return rt::errorCode() == 0 ? 1 : 2;
    };
    ListSetup s;
    s.order = &Songs::KARTIST;
    s.selection = [](rt::View& v) {
        LAB.open();
        v.range(1).join(LAB, Labels::KARTIST, 1, [] { LAB.ARTIST = SNG.ARTIST; });
    };
    s.declare = [](BrowseList& b) {
        b.rows([] { return BrowseCells({SNG.TITLE.str(), LAB.LABEL.str()}); })
            .rangeValues([] { SNG.ARTIST = gArtist; })
            .stopField("TITLE")
            .textStops(30, StopUpperLetters, true)
            .stepLocator("TITLE");
    };
    start(s);
    EXPECT_EQ(titles(), (std::vector<std::string>{"ABC", "ALBANY SKIES", "AMERLY", "BABYLON BUS", "BELLWOOD"}));
    EXPECT_EQ(d_.rows("?LIST")[0][1], "Odd Records");
    ASSERT_TRUE(d_.scroll("?LIST", "bottom"));
    EXPECT_EQ(titles(), (std::vector<std::string>{"ONEIDA", "QUEENSWAY", "SHOULDERS", "WONDERWHEEL", "ZOMBOLO"}));
    ASSERT_TRUE(d_.key("?LIST", "b"));
    EXPECT_EQ(highlighted(), "BABYLON BUS");
    // The thumb's stops run from the range's first title to its last.
    ASSERT_TRUE(d_.drag("?LIST", 2));
    EXPECT_EQ(highlighted(), "ALBANY SKIES");
    // Another range: the list starts again from its first row; no partner leaves the label blank.
    gArtist = "EVEN";
    ASSERT_TRUE(d_.press("Restart"));
    EXPECT_EQ(titles(), (std::vector<std::string>{"AIRSHIP", "ALONG THE PIER", "angel", "BEATEN TIN", "BRAVO"}));
    EXPECT_EQ(d_.rows("?LIST")[0][1], "");
    ASSERT_TRUE(d_.key("?LIST", "Delete", 1)) << d_.error();
    ASSERT_EQ(gCalls.size(), 1u);
    EXPECT_EQ(gCalls[0].title, "AIRSHIP");
    EXPECT_EQ(titles(), (std::vector<std::string>{"ALONG THE PIER", "angel", "BEATEN TIN", "BRAVO", "DREAMWRIGHT"}));
    ASSERT_TRUE(d_.scroll("?LIST", "bottom"));
    EXPECT_EQ(titles(), (std::vector<std::string>{"NUMBAT", "PURPLE LANTERN", "ROXBURY", "TOXIN WALTZ", "YESTERYEAR"}))
        << "the range ends with the artist's last title";
}

}  // namespace
