#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <chrono>
#include <thread>

#include "runtime/thread/thread.h"
#include "runtime/window/frontend.h"
#include "runtime/window/window.h"

namespace {

struct VirtualClock {
    VirtualClock() { rt::useVirtualClock(true); }
    ~VirtualClock() {
        rt::joinProgram();
        rt::useVirtualClock(false);
    }
};

std::shared_ptr<const rt::WindowState> windowTitled(const std::string& title) {
    for (auto& w : rt::published().windows)
        if (w->title == title) return w;
    return nullptr;
}

int controlNamed(const rt::WindowState& w, const std::string& name) {
    for (auto& c : w.controls)
        if (c.name == name) return c.id;
    return 0;
}

void closeAll() {
    for (auto& w : rt::published().windows) rt::input(w->id, rt::EventData{rt::EvCloseWindow});
    rt::settle();
}

TEST(Baton, TwoThreadsNeverRunProgramCodeAtOnce) {
    VirtualClock clock;
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    std::atomic<int> ticks{0};
    auto worker = [&](const char* title) {
        rt::Window w(title, rt::WindowKind::Dialog, 0, 0, 100, 50);
        w.setTimer(1);
        w.open();
        while (w.accept()) {
            if (w.code() != rt::EvTimer) continue;
            for (int i = 0; i < 50; ++i) {
                if (inside.fetch_add(1) != 0) ++overlaps;
                std::this_thread::sleep_for(std::chrono::microseconds(20));
                inside.fetch_sub(1);
            }
            ++ticks;
        }
    };
    rt::startProgram([&] {
        rt::startThread([&] { worker("A"); });
        worker("B");
    });
    ASSERT_TRUE(rt::settle());
    ASSERT_TRUE(rt::settle());
    rt::advanceClock(20);
    EXPECT_GE(ticks.load(), 20);
    EXPECT_EQ(overlaps.load(), 0);
    closeAll();
}

TEST(Baton, AWaitingWindowDoesNotStopAnotherThreadsWindow) {
    VirtualClock clock;
    std::atomic<int> pressed{0};
    rt::startProgram([&] {
        rt::startThread([&] {
            rt::Window w("Second", rt::WindowKind::Dialog, 0, 0, 100, 50);
            int b = w.button("?OK", "OK", 10, 10, 40, 14);
            w.open();
            while (w.accept())
                if (w.code() == rt::EvAccepted && w.field() == b) ++pressed;
        });
        rt::Window first("First", rt::WindowKind::Dialog, 0, 0, 100, 50);
        first.open();
        while (first.accept()) {
        }
    });
    ASSERT_TRUE(rt::settle());
    auto second = windowTitled("Second");
    ASSERT_TRUE(second);
    int ok = controlNamed(*second, "?OK");
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(rt::input(second->id, rt::EventData{rt::EvAccepted, ok}));
        ASSERT_TRUE(rt::settle());
    }
    EXPECT_EQ(pressed.load(), 3);
    closeAll();
}

TEST(Windows, ANewerWindowOfTheSameThreadTakesTheInput) {
    VirtualClock clock;
    rt::startProgram([&] {
        rt::Window w("Owner", rt::WindowKind::Dialog, 0, 0, 100, 50);
        w.open();
        while (w.accept()) {
            if (w.code() == rt::EvOpenWindow) {
                rt::Window d("Child", rt::WindowKind::Dialog, 0, 0, 50, 30);
                d.open();
                while (d.accept()) {
                }
            }
        }
    });
    ASSERT_TRUE(rt::settle());
    auto owner = windowTitled("Owner");
    auto child = windowTitled("Child");
    ASSERT_TRUE(owner && child);
    EXPECT_TRUE(owner->modalBlocked);
    EXPECT_FALSE(child->modalBlocked);
    EXPECT_FALSE(rt::input(owner->id, rt::EventData{rt::EvCloseWindow}));
    EXPECT_TRUE(rt::input(child->id, rt::EventData{rt::EvCloseWindow}));
    ASSERT_TRUE(rt::settle());
    owner = windowTitled("Owner");
    ASSERT_TRUE(owner);
    EXPECT_FALSE(owner->modalBlocked);
    EXPECT_EQ(rt::published().active, owner->id);
    closeAll();
    rt::joinProgram();
    EXPECT_FALSE(rt::programRunning());
}

TEST(Windows, ARefusedCloseKeepsTheWindowOpen) {
    VirtualClock clock;
    std::atomic<int> asked{0};
    rt::startProgram([&] {
        rt::Window w("Form", rt::WindowKind::Dialog, 0, 0, 100, 50);
        w.open();
        while (w.accept())
            if (w.code() == rt::EvCloseWindow && asked++ == 0) w.refuse();
    });
    ASSERT_TRUE(rt::settle());
    auto form = windowTitled("Form");
    ASSERT_TRUE(form);
    rt::input(form->id, rt::EventData{rt::EvCloseWindow});
    ASSERT_TRUE(rt::settle());
    EXPECT_TRUE(windowTitled("Form"));
    rt::input(form->id, rt::EventData{rt::EvCloseWindow});
    ASSERT_TRUE(rt::settle());
    EXPECT_FALSE(windowTitled("Form"));
    EXPECT_EQ(asked.load(), 2);
}

TEST(Messages, CustomButtonsReturnTheirNumber) {
    VirtualClock clock;
    std::atomic<int> result{-1};
    rt::startProgram([&] {
        result = rt::message("Do you wish to delete?", "", rt::Icon::Question, "&This Listing|&Entire Disc|&Cancel", 1);
    });
    ASSERT_TRUE(rt::settle());
    auto p = rt::published();
    ASSERT_EQ(p.requests.size(), 1u);
    EXPECT_EQ(p.requests[0]->buttons, (std::vector<std::string>{"&This Listing", "&Entire Disc", "&Cancel"}));
    EXPECT_EQ(p.requests[0]->defaultValue, 1);
    rt::Answer a;
    a.value = 2;
    rt::answer(p.requests[0]->id, a);
    rt::joinProgram();
    EXPECT_EQ(result.load(), 2);
}

TEST(Messages, HaltEndsEveryThread) {
    VirtualClock clock;
    rt::startProgram([&] {
        rt::startThread([] {
            rt::Window w("Other", rt::WindowKind::Dialog, 0, 0, 100, 50);
            w.open();
            while (w.accept()) {
            }
        });
        rt::Window w("Main", rt::WindowKind::Dialog, 0, 0, 100, 50);
        w.open();
        while (w.accept())
            if (w.code() == rt::EvUser + 1) rt::halt();
    });
    ASSERT_TRUE(rt::settle());
    auto main = windowTitled("Main");
    ASSERT_TRUE(main);
    rt::input(main->id, rt::EventData{rt::EvUser + 1});
    rt::joinProgram();
    EXPECT_FALSE(rt::programRunning());
    EXPECT_TRUE(rt::published().windows.empty());
}

}  // namespace

namespace {

TEST(Windows, ClosingTheChildrenStopsAtOneThatRefuses) {
    VirtualClock clock;
    std::atomic<int> frameResult{-1};
    std::function<void(const char*, bool)> child = [&](const char* title, bool refuses) {
        rt::Window w(title, rt::WindowKind::MdiChild, 0, 0, 100, 50);
        w.open();
        // The willing child opens after the stubborn one: the newest is asked first.
        if (refuses) rt::startThread([&] { child("Willing", false); });
        while (w.accept())
            if (w.code() == rt::EvCloseWindow && refuses) w.refuse();
    };
    rt::startProgram([&] {
        rt::Window frame("Frame", rt::WindowKind::Frame, 0, 0, 300, 200);
        frame.open();
        rt::startThread([&] { child("Stubborn", true); });
        while (frame.accept())
            if (frame.code() == rt::EvUser + 1) frameResult = rt::closeMdiChildren() ? 1 : 0;
    });
    ASSERT_TRUE(rt::settle());
    auto frame = windowTitled("Frame");
    ASSERT_TRUE(frame);
    rt::input(frame->id, rt::EventData{rt::EvUser + 1});
    ASSERT_TRUE(rt::settle());
    EXPECT_EQ(frameResult.load(), 0);
    EXPECT_FALSE(windowTitled("Willing"));
    EXPECT_TRUE(windowTitled("Stubborn"));
    closeAll();
}

}  // namespace

namespace {

TEST(Threads, AtMostSixtyThreeThreadsAreStartedAndNumbered) {
    VirtualClock clock;
    std::vector<int> numbers;
    rt::startProgram([&] {
        for (int i = 0; i < 70; ++i)
            numbers.push_back(rt::startThread([] {
                rt::Window w("Worker", rt::WindowKind::Dialog, 0, 0, 50, 20);
                w.open();
                while (w.accept()) {
                }
            }));
        rt::Window w("Main", rt::WindowKind::Dialog, 0, 0, 50, 20);
        w.open();
        while (w.accept()) {
        }
    });
    ASSERT_TRUE(rt::settle());
    ASSERT_EQ(numbers.size(), 70u);
    for (int i = 0; i < 63; ++i) EXPECT_EQ(numbers[static_cast<std::size_t>(i)], i + 2);  // thread 1 is the program's
    for (int i = 63; i < 70; ++i) EXPECT_EQ(numbers[static_cast<std::size_t>(i)], 0);
    EXPECT_EQ(rt::threadCount(), 64);
    closeAll();
}

}  // namespace

namespace {

TEST(Windows, EntriesTakeTheirLengthFromTheirPicture) {
    rt::Window w("Form", rt::WindowKind::Dialog, 0, 0, 100, 50);
    const struct { const char* picture; int chars; } cases[] = {
        {"@s40", 40}, {"@S2", 2}, {"@n6b", 6}, {"@n_15", 15}, {"@d17", 0}, {"", 0}};
    for (const auto& c : cases) EXPECT_EQ(w.ctl(w.entry("?E", c.picture, 0, 0, 10, 10)).maxChars, c.chars) << c.picture;
    EXPECT_EQ(w.ctl(w.combo("?C", "@s40", 0, 0, 10, 10)).maxChars, 40);
}

}  // namespace

namespace {

// A control is sent to the front ends again only when the program changed it: reading it, or
// setting a value it has already, does not mark it; edit() and a real change do.
TEST(Windows, ReadingAControlNeverMarksItChanged) {
    rt::Window w("Form", rt::WindowKind::Dialog, 0, 0, 100, 50);
    const int list = w.list("?L", 0, 0, 50, 40, {rt::Column{"A", 20}});
    const std::uint64_t start = w.ctl(list).rev;
    const rt::Window& constant = w;
    (void)w.ctl(list).selected;
    (void)constant.ctl(list).rows;
    w.setThumb(list, w.ctl(list).thumb);
    w.showScrollBar(list, w.ctl(list).vscroll);
    w.enable(list, w.ctl(list).enabled);
    EXPECT_EQ(w.ctl(list).rev, start);
    w.setThumb(list, 40);
    EXPECT_GT(w.ctl(list).rev, start);
    const std::uint64_t afterThumb = w.ctl(list).rev;
    w.edit(list).tooltip = "changed";
    EXPECT_GT(w.ctl(list).rev, afterThumb);
}

}  // namespace
