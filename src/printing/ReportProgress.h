#pragma once
// The progress window of the label, slip and management reports: a bar, "n% Completed" and
// "Cancel". The report's work runs on the window's timer, 25 records a tick, so the window
// stays live and Cancel is heard between ticks.
//
//     ReportProgress progress("Generating Report");
//     bool done = progress.run(records, [&] { return printNextRecord(); });
#include <functional>
#include <string>

class ReportProgress {
public:
    static constexpr int kRecordsPerTick = 25;

    explicit ReportProgress(std::string title) : title_(std::move(title)) {}

    // Opens the window and calls `step` until it returns false (nothing left), up to 25 times
    // a tick. `total` is the number of records the percentage counts against (capped at 100).
    // True when the work ran to its end, false when the host cancelled.
    bool run(long long total, const std::function<bool()>& step);

    // The text the window shows for a percentage.
    static std::string percentText(int percent);

private:
    std::string title_;
};
