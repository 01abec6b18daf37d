#pragma once
// The progress window of a long run on its own thread (adding discs, imports, builds, printing):
// a bar with "NN% Completed", counters kept below the area shown at first ("&Details >>"
// shows them), and "&Done" once the run has finished.
//
//     ProgressWindow window("Adding Selected Disc Tracks to Open SongBook", "Adding Song Tracks",
//                           {{"Song Tracks Added Successfully: ", "TracksAdded"},
//                            {"Discs not Added: ", "DiscsRefused"}});
//     window.open();
//     for (std::size_t i = 0; i < total; ++i) {
//         ...one step of the work...
//         window.setCount(0, added);           // shown with the next display()
//         window.step(i + 1, total);           // the bar moves (and shows) when its percent does
//     }
//     window.finished();                       // "&Done" appears and takes the focus
//     if (troubles) { window.showDetails(); rt::message(...); }
//     window.serve();                          // until the host presses "&Done"
//
// The window opens as "Progress..." and takes its title once open. It waits for nothing
// while the run goes on: display() sends it to the front ends.
//
// A run the host may stop (writing web pages, exports, imports) asks for "Cancel" before
// opening and lets SlicedWork serve the window, a share of the work on each timer tick:
//
//     ProgressWindow window("Generating Title Pages", "Writing Pages", {});
//     const int cancel = window.addCancel();
//     window.open();
//     SlicedWork work(window.window(), {.budget = 100ms, .clockEvery = 25});
//     work.cancelWith(cancel)
//         .afterSlice([&] { window.step(done, total); })
//         .atEnd([&] { window.completed(); });            // "Process Completed"
//     const bool finished = work.run([&] { ...one step...; return more; });
#include <string>
#include <vector>

#include "services/TaskWindow.h"

class ProgressWindow {
public:
    struct Counter {
        std::string label;  // "Song Tracks Added Successfully: "
        std::string name;   // the counter's use name without "?": "TracksAdded"
    };

    ProgressWindow(std::string title, const std::string& workCaption, const std::vector<Counter>& counters);
    ProgressWindow(const ProgressWindow&) = delete;
    ProgressWindow& operator=(const ProgressWindow&) = delete;

    void open();
    // The n-th counter (from 0) shows value.
    void setCount(std::size_t n, long long value);
    // The bar and its text at percent (0..100).
    void showPercent(int percent);
    // done of total steps: the bar follows and the window is shown when the percent changes.
    void step(std::size_t done, std::size_t total);
    void display() { w_.display(); }
    // The counters shown (the window grows to its full height).
    void showDetails();
    // The run has ended: "&Done" and "&Details >>" appear.
    void finished();
    // Serves the window until "&Done" (or its close box) ends it.
    void serve();
    // "Cancel" beside the bar's text; its id.
    int addCancel();
    // The run is over: the bar full and "Process Completed".
    void completed();
    // For a run that serves the window's events itself.
    TaskWindow& window() { return w_; }

    // The ending of the percentage text ("% Completed" unless set).
    void setPercentSuffix(std::string suffix) { suffix_ = std::move(suffix); }
    // A text in place of the percentage ("Process Completed").
    void setPercentText(const std::string& text);
    static std::string percentText(int percent);

private:
    static constexpr int kWidth = 240;  // wide enough for its title
    static constexpr int kShortHeight = 76;
    TaskWindow w_;
    std::string title_;
    int tallHeight_ = kShortHeight;
    int progress_ = 0, percent_ = 0, details_ = 0, done_ = 0;
    int shownPercent_ = 0;
    std::string suffix_ = "% Completed";
    std::vector<int> counters_;
};
