// The frame every task window runs in: request and response, files by use count, the first
// display and redisplay, rejected entries, the wait cursor.
#include <gtest/gtest.h>

#include <string>

#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "frontend/headless/driver.h"
#include "runtime/thread/thread.h"
#include "runtime/window/frontend.h"
#include "services/OpenDataFile.h"
#include "services/TaskWindow.h"
#include "support/data_fixture.h"

namespace {

class TaskWindowTest : public ::testing::Test {
protected:
    void SetUp() override { fixture::pointFileNamesAt(dir_.path()); }
    void TearDown() override { d_.end(); }

    void input(int code, int control = 0) {
        ASSERT_TRUE(rt::input(d_.active()->id, rt::EventData(code, control)));
        ASSERT_TRUE(d_.settle()) << d_.error();
    }

    fixture::ScopedConfigHome config_;
    fixture::TempFolder dir_;
    headless::Driver d_;
};

struct ResponseCase {
    const char* what;
    int request;
    int setResponse;  // -1: leave it alone
    int expected;
};

class ResponseTest : public TaskWindowTest, public ::testing::WithParamInterface<ResponseCase> {};

TEST_P(ResponseTest, TakesTheRequestAndHandsBackTheResponse) {
    const ResponseCase& c = GetParam();
    int seenRequest = -1, callRequestInside = -1, callResponseInside = -1, callResponseAfter = -1;
    ASSERT_TRUE(d_.start([&] {
        CallRequest = c.request;
        CallResponse = 7;
        {
            TaskWindow w("Task", rt::WindowKind::Dialog, -1, -1, 100, 60);
            seenRequest = w.request;
            callRequestInside = CallRequest;
            callResponseInside = CallResponse;
            w.open();
            while (w.accept()) {
                if (w.code() == rt::EvAccepted) {
                    if (c.setResponse >= 0) w.response = c.setResponse;
                    w.close();
                }
            }
        }
        callResponseAfter = CallResponse;
    })) << d_.error();
    ASSERT_TRUE(rt::input(d_.active()->id, rt::EventData(rt::EvAccepted, 0)));
    ASSERT_TRUE(d_.settle());
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(seenRequest, c.request);
    EXPECT_EQ(callRequestInside, 0);
    EXPECT_EQ(callResponseInside, 0);
    EXPECT_EQ(callResponseAfter, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Protocol, ResponseTest,
    ::testing::Values(ResponseCase{"PlainCallCancelledByDefault", 0, -1, 2},
                      ResponseCase{"ChangeCompleted", 2, 1, 1},
                      ResponseCase{"ZeroResponseCountsAsCancelled", 3, 0, 2},
                      ResponseCase{"SelectCancelled", 4, 2, 2}),
    [](const ::testing::TestParamInfo<ResponseCase>& i) { return std::string(i.param.what); });

TEST_F(TaskWindowTest, UsesItsFilesWhileOpenAndReleasesThemByUseCount) {
    int inside = -1, insideNested = -1, afterNested = -1, after = -1;
    bool openAfter = true;
    ASSERT_TRUE(d_.start([&] {
        {
            TaskWindow outer("Outer", rt::WindowKind::Dialog, -1, -1, 100, 60, {&SBK, &SBD});
            outer.open();
            inside = FileUseCount(SBK);
            {
                TaskWindow nested("Nested", rt::WindowKind::Dialog, -1, -1, 80, 40, {&SBK});
                nested.open();
                insideNested = FileUseCount(SBK);
            }
            afterNested = FileUseCount(SBK);
            EXPECT_TRUE(SBK.isOpen());
        }
        after = FileUseCount(SBK);
        openAfter = SBK.isOpen() || SBD.isOpen();
    })) << d_.error();
    EXPECT_EQ(inside, 1);
    EXPECT_EQ(insideNested, 2);
    EXPECT_EQ(afterNested, 1);
    EXPECT_EQ(after, 0);
    EXPECT_FALSE(openAfter);
}

// Counts the window's own steps; a button opens a nested window (the task regains the focus
// when it closes), another turns accept-all mode on.
struct Steps {
    int first = 0;
    int redisplay = 0;
};

void countingTask(Steps* steps) {
    TaskWindow w("Counting", rt::WindowKind::Dialog, -1, -1, 160, 80);
    w.setResizable(true);
    const int nested = w.button("?Nested", "Nested", 8, 8, 50, 14);
    const int all = w.button("?AcceptAll", "Accept All", 8, 26, 50, 14);
    w.entry("?Amount", "@n6", 70, 8, 40, 12);
    w.onFirstDisplay([&] { ++steps->first; });
    w.onRedisplay([&] { ++steps->redisplay; });
    w.open();
    while (w.accept()) {
        if (w.code() != rt::EvAccepted) continue;
        if (w.field() == nested) {
            TaskWindow inner("Inner", rt::WindowKind::Dialog, -1, -1, 80, 40);
            inner.open();
            while (inner.accept()) {
            }
        } else if (w.field() == all) {
            w.setAcceptAll(true);
        }
    }
}

TEST_F(TaskWindowTest, FirstDisplayOnceThenRedisplayOnFocusAndResizeButNotInAcceptAll) {
    Steps steps;
    ASSERT_TRUE(d_.start([&] { countingTask(&steps); })) << d_.error();
    EXPECT_EQ(steps.first, 1);
    EXPECT_EQ(steps.redisplay, 0) << "the gain of focus that comes with the opening is part of it";

    ASSERT_TRUE(d_.press("Nested")) << d_.error();
    ASSERT_EQ(d_.active()->title, "Inner");
    ASSERT_TRUE(d_.close()) << d_.error();
    ASSERT_EQ(d_.active()->title, "Counting");
    EXPECT_EQ(steps.redisplay, 1);

    input(rt::EvSized);
    EXPECT_EQ(steps.redisplay, 2);

    ASSERT_TRUE(d_.press("Accept All")) << d_.error();
    input(rt::EvSized);
    input(rt::EvGainFocus);
    EXPECT_EQ(steps.redisplay, 2);
    EXPECT_EQ(steps.first, 1);
}

TEST_F(TaskWindowTest, RejectedEntryBeepsAndTakesTheFocusBack) {
    Steps steps;
    ASSERT_TRUE(d_.start([&] { countingTask(&steps); })) << d_.error();
    const auto amount = d_.control("?Amount");
    ASSERT_TRUE(amount);
    const auto revBefore = amount->rev;
    ASSERT_TRUE(d_.press("Nested"));  // the focus moves to the button, and back after the close
    ASSERT_TRUE(d_.close());
    d_.clearBeeps();
    input(rt::EvRejected, amount->id);
    EXPECT_EQ(d_.beeps(), std::vector<rt::BeepKind>{rt::BeepKind::Plain});
    EXPECT_EQ(d_.active()->focus, amount->id);
    EXPECT_GT(d_.control("?Amount")->rev, revBefore) << "the control is shown again";
}

TEST_F(TaskWindowTest, WindowGetsTheProgramIconUnlessItHasOne) {
    std::string plain, own;
    ASSERT_TRUE(d_.start([&] {
        TaskWindow a("A", rt::WindowKind::Dialog, -1, -1, 80, 40);
        a.open();
        plain = a.state().icon;
        TaskWindow b("B", rt::WindowKind::Dialog, -1, -1, 80, 40);
        b.setIcon("Book.ico");
        b.open();
        own = b.state().icon;
    })) << d_.error();
    EXPECT_EQ(plain, "~songbook.ico");
    EXPECT_EQ(own, "Book.ico");
}

TEST_F(TaskWindowTest, WaitCursorShowsAtOnceAndEndsWithItsScope) {
    bool during = false, after = true;
    ASSERT_TRUE(d_.start([&] {
        TaskWindow w("Busy", rt::WindowKind::Dialog, -1, -1, 80, 40);
        w.open();
        {
            WaitCursor wait;
            // Long work does not wait, so the front end must already have been told.
            during = rt::publishedWindow(w.id()) && rt::publishedWindow(w.id())->waitCursor;
        }
        after = w.state().waitCursor;
    })) << d_.error();
    EXPECT_TRUE(during);
    EXPECT_FALSE(after);
}

TEST_F(TaskWindowTest, RightClickThatStartedATaskIsForgotten) {
    int keyInTask = -1;
    ASSERT_TRUE(d_.start([&] {
        TaskWindow caller("Caller", rt::WindowKind::Dialog, -1, -1, 120, 80);
        caller.list("?LIST", 4, 4, 100, 60, {rt::Column{"A", 90}});
        caller.setRows(caller.find("?LIST"), {rt::Row{{rt::Cell{"one"}}}});
        caller.open();
        while (caller.accept()) {
            if (caller.code() == rt::EvAlertKey && caller.event().key == rt::KeyRightClick) {
                TaskWindow task("Task", rt::WindowKind::Dialog, -1, -1, 80, 40);
                keyInTask = TaskWindow::lastKey();
            }
        }
    })) << d_.error();
    ASSERT_TRUE(d_.key("?LIST", "RightClick", 1)) << d_.error();
    EXPECT_EQ(keyInTask, 0);
}

}  // namespace
