#pragma once
// Long work done a slice at a time on a window's timer, so that the window stays live and
// "Cancel" is heard between slices. Every long job behind a progress window uses it (exports,
// imports, web pages, the MP3+G builder, conversions, multi-listing edits, reports):
//
//     ProgressWindow window("Exporting Song Listings...", "Exporting Song Listings", {});
//     const int cancel = window.addCancel();
//     window.open();
//     SlicedWork work(window.window(), {.atLeast = 256, .budget = 250ms, .clockEvery = 256});
//     work.cancelWith(cancel)
//         .afterSlice([&] { window.step(done, total); })      // shown when its percent moves
//         .atEnd([&] { window.completed(); });                 // before the window closes
//     const bool finished = work.run([&] { ...one listing...; return more; });
//     // false: the host pressed "Cancel" or the close box; the window is closed either way
//
// The rules, the same for every job:
// - Nothing is done before the window's first timer tick, so a "Cancel" pressed as the window
//   opens does nothing at all.
// - A slice is one tick's share: at least `atLeast` steps, then more while the slice is
//   younger than `budget` (the clock read every `clockEvery` steps). With no budget a slice is
//   exactly `atLeast` steps. A slice never outlasts its budget by more than `clockEvery`
//   steps, so the window is served at the pace of its timer, and a large job is not held to a
//   few steps a tick either.
// - Between slices the window's events are served: the cancel button and the close box stop
//   the work (no step runs after them); other events go to onEvent().
// - afterSlice() runs after each slice the work goes on from (progress: the progress window
//   shows a percent only when it changes); atEnd() runs once the step said there is no more,
//   also when that was because it failed (the caller knows which).
//
// Work that is not a step function (a walk through folders that calls out every so often)
// uses the two halves itself: a Slice counts its steps, waitForTick() serves the window
// until the next tick:
//
//     Slice slice(pace);                               // the first share starts now
//     for (...each entry...) {
//         if (slice.used()) {                          // the last tick's share is done
//             if (work.waitForTick() != SlicedWork::Wake::Tick) break;   // Cancel, close box
//             slice.start();
//         }
//         ...one entry...
//         slice.over();
//     }
#include <chrono>
#include <cstddef>
#include <functional>

#include "runtime/window/window.h"

// How much of a job one timer tick takes.
struct SlicePace {
    std::size_t atLeast = 1;
    std::chrono::milliseconds budget{0};
    std::size_t clockEvery = 1;
    // The clock the budget is measured on (the steady clock when empty; tests give their own).
    std::function<std::chrono::steady_clock::time_point()> clock = {};
};

// One tick's share of a job: over() after each step says whether the share is used up.
class Slice {
public:
    explicit Slice(SlicePace pace);
    // A new share, from now.
    void start();
    // Counts a step done; true once this share is used up (by the count and, where there is a
    // budget, the time), until the next start().
    bool over();
    bool used() const { return used_; }

private:
    SlicePace pace_;
    std::chrono::steady_clock::time_point until_{};
    std::size_t steps_ = 0;
    bool used_ = false;
};

class SlicedWork {
public:
    SlicedWork(rt::Window& window, SlicePace pace);
    SlicedWork(const SlicedWork&) = delete;
    SlicedWork& operator=(const SlicedWork&) = delete;

    // The button that stops the work as the close box does (0: none).
    SlicedWork& cancelWith(int button);
    // After each slice that leaves work to do.
    SlicedWork& afterSlice(std::function<void()> progress);
    // When the step said there is no more, before the window closes.
    SlicedWork& atEnd(std::function<void()> finish);
    // The window's other events while the work goes on (Help); the current event is the
    // window's code() and field().
    SlicedWork& onEvent(std::function<void()> handler);

    // Calls step, a slice on each timer tick, until it returns false (true then) or the host
    // stops the work (false). The timer is the window's, set here; the window is closed at the
    // end either way.
    bool run(const std::function<bool()>& step);

    // Serves the window's events until its next timer tick (Tick), the cancel button (Cancel)
    // or the window's closing (Closed). The caller sets the window's timer.
    enum class Wake { Tick, Cancel, Closed };
    Wake waitForTick();

private:
    rt::Window& window_;
    Slice slice_;
    int cancel_ = 0;
    std::function<void()> progress_, finish_, other_;
};
