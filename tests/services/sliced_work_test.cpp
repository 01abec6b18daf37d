// Long work a slice a tick: how much a slice takes, Cancel and the close box between slices,
// the progress shown after each, and a step that fails, driven on the virtual clock.
#include "services/SlicedWork.h"

#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <ostream>
#include <string>
#include <vector>

#include "frontend/headless/driver.h"
#include "services/ProgressWindow.h"

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A case's name for the test's name: its words run together.
const auto caseName = [](const auto& info) {
    std::string name;
    for (const char* p = info.param.what; *p; ++p)
        if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
    return name;
};

// --- the share of one tick ---

struct ShareCase {
    const char* what;
    SlicePace pace;
    std::chrono::milliseconds stepTakes;
    std::size_t steps;  // in every share
};

void PrintTo(const ShareCase& c, std::ostream* os) { *os << c.what; }

class SliceShare : public ::testing::TestWithParam<ShareCase> {};

TEST_P(SliceShare, TakesItsCountThenWhatTheBudgetAllows) {
    const ShareCase& c = GetParam();
    Clock::time_point now{};
    SlicePace pace = c.pace;
    pace.clock = [&] { return now; };
    Slice slice(pace);
    for (int share = 0; share < 3; ++share) {
        SCOPED_TRACE("share " + std::to_string(share + 1));
        std::size_t steps = 0;
        do {
            now += c.stepTakes;
            ++steps;
        } while (!slice.over() && steps < 10000);
        EXPECT_EQ(steps, c.steps);
        EXPECT_TRUE(slice.used());
        EXPECT_TRUE(slice.over()) << "a used share stays used until the next start";
        slice.start();
        EXPECT_FALSE(slice.used());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Paces, SliceShare,
    ::testing::Values(ShareCase{"a count alone", {.atLeast = 25}, 1ms, 25},
                      ShareCase{"one step when nothing is asked", {}, 1ms, 1},
                      ShareCase{"quick steps go on while the budget lasts", {.atLeast = 5, .budget = 40ms}, 2ms, 20},
                      ShareCase{"slow steps still take the count", {.atLeast = 5, .budget = 40ms}, 100ms, 5},
                      ShareCase{"a budget alone takes one slow step", {.budget = 40ms}, 100ms, 1},
                      // The clock is read every eighth step: the share ends at the first
                      // reading past the budget, never more than eight steps late.
                      ShareCase{"the clock read every few steps", {.budget = 10ms, .clockEvery = 8}, 1ms, 16},
                      ShareCase{"the count before the first reading", {.atLeast = 20, .budget = 10ms, .clockEvery = 8}, 1ms,
                                24}),
    caseName);

// --- a job on a progress window ---

enum class Host { Waits, Cancels, ClosesTheWindow };

struct RunCase {
    const char* what;
    int total;           // steps of the job
    int failsAt;         // the step that fails (0: none)
    int ticksBefore;     // ticks before the host acts
    Host host;
    int done;            // steps done in the end
    bool finished;       // what run() says
    std::vector<std::string> shown;  // the percent after each tick until the host acts
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.what; }

class SlicedJob : public ::testing::TestWithParam<RunCase> {};

TEST_P(SlicedJob, RunsASliceATickUntilItEndsOrTheHostStopsIt) {
    const RunCase& c = GetParam();
    int done = 0, ends = 0;
    bool returned = false, finished = false;
    headless::Driver d;
    ASSERT_TRUE(d.start([&] {
        ProgressWindow window("Counting", "Counting Steps", {});
        const int cancel = window.addCancel();
        window.open();
        SlicedWork work(window.window(), {.atLeast = 25});
        work.cancelWith(cancel)
            .afterSlice([&] { window.step(static_cast<std::size_t>(done), static_cast<std::size_t>(c.total)); })
            .atEnd([&] { ++ends; });
        finished = work.run([&] {
            ++done;
            return done != c.failsAt && done < c.total;
        });
        returned = true;
    })) << d.error();
    // Nothing before the first tick.
    EXPECT_EQ(done, 0);
    EXPECT_EQ(d.text("?Percent"), "0% Completed");
    std::vector<std::string> shown;
    for (int t = 0; t < c.ticksBefore; ++t) {
        ASSERT_TRUE(d.wait(1)) << d.error();
        if (d.window("Counting")) shown.push_back(d.text("?Percent"));
    }
    EXPECT_EQ(shown, c.shown);
    if (c.host == Host::Cancels) {
        ASSERT_TRUE(d.in("Counting").press("Cancel")) << d.error();
    }
    if (c.host == Host::ClosesTheWindow) {
        ASSERT_TRUE(d.in("Counting").close()) << d.error();
    }
    const int atStop = done;
    ASSERT_TRUE(d.wait(20)) << d.error();
    EXPECT_EQ(d.window("Counting"), nullptr) << d.windows();
    EXPECT_TRUE(returned);
    if (c.host != Host::Waits) {
        EXPECT_EQ(done, atStop) << "no step after the host stopped the work";
    }
    EXPECT_EQ(done, c.done);
    EXPECT_EQ(finished, c.finished);
    EXPECT_EQ(ends, c.finished ? 1 : 0) << "atEnd runs once the step said there is no more";
    EXPECT_TRUE(d.end());
}

INSTANTIATE_TEST_SUITE_P(
    Jobs, SlicedJob,
    ::testing::Values(
        RunCase{"to its end", 60, 0, 3, Host::Waits, 60, true, {" 41% Completed", " 83% Completed"}},
        RunCase{"cancelled before the first tick", 60, 0, 0, Host::Cancels, 0, false, {}},
        RunCase{"cancelled midway", 100, 0, 2, Host::Cancels, 50, false, {" 25% Completed", " 50% Completed"}},
        RunCase{"closed midway", 100, 0, 1, Host::ClosesTheWindow, 25, false, {" 25% Completed"}},
        RunCase{"a step that fails ends it", 100, 30, 2, Host::Waits, 30, true, {" 25% Completed"}},
        RunCase{"a last share of one step", 26, 0, 2, Host::Waits, 26, true, {" 96% Completed"}}),
    caseName);

// --- waiting for the next tick from inside a walk ---

struct WakeCase {
    const char* what;
    const char* press;  // the button pressed while it waits ("" the close box, nullptr none)
    SlicedWork::Wake wake;
    int helps;          // onEvent() calls
};

void PrintTo(const WakeCase& c, std::ostream* os) { *os << c.what; }

class TickWait : public ::testing::TestWithParam<WakeCase> {};

TEST_P(TickWait, EndsAtTheTickTheCancelButtonOrTheClosing) {
    const WakeCase& c = GetParam();
    int helps = 0;
    SlicedWork::Wake wake{};
    bool woke = false;
    headless::Driver d;
    ASSERT_TRUE(d.start([&] {
        TaskWindow w("Walking", rt::WindowKind::Dialog, -1, -1, 120, 60);
        const int cancel = w.button("?Cancel", "Cancel", 8, 8, 50, 14);
        const int help = w.button("?Help", "Help", 62, 8, 50, 14);
        w.open();
        w.setTimer(1);
        SlicedWork work(w, {});
        work.cancelWith(cancel).onEvent([&] {
            if (w.code() == rt::EvAccepted && w.field() == help) ++helps;
        });
        wake = work.waitForTick();
        woke = true;
        w.setTimer(0);
    })) << d.error();
    EXPECT_FALSE(woke);
    ASSERT_TRUE(d.press("Help")) << d.error();
    EXPECT_FALSE(woke) << "another button does not end the wait";
    if (c.press && *c.press) {
        ASSERT_TRUE(d.press(c.press)) << d.error();
    }
    if (c.press && !*c.press) {
        ASSERT_TRUE(d.close()) << d.error();
    }
    if (!c.press) {
        ASSERT_TRUE(d.wait(1)) << d.error();
    }
    EXPECT_TRUE(woke);
    EXPECT_EQ(wake, c.wake);
    EXPECT_EQ(helps, c.helps);
    EXPECT_TRUE(d.end());
}

INSTANTIATE_TEST_SUITE_P(Wakes, TickWait,
                         ::testing::Values(WakeCase{"the timer", nullptr, SlicedWork::Wake::Tick, 1},
                                           WakeCase{"the cancel button", "Cancel", SlicedWork::Wake::Cancel, 1},
                                           WakeCase{"the close box", "", SlicedWork::Wake::Closed, 1}),
                         caseName);

}  // namespace
