#pragma once
// The progress window of the label, slip and management reports: a bar, "n% Completed" and
// "Cancel". The report's work runs a slice a tick (SlicedWork): at least 25 records and more
// while 40 ms of the tick last, so the window stays live and Cancel is heard between ticks.
//
//     ReportProgress progress("Generating Report");
//     bool done = progress.run(records, [&] { return printNextRecord(); });
#include <chrono>
#include <functional>
#include <string>

class ReportProgress {
public:
    static constexpr std::size_t kRecordsPerTick = 25;
    static constexpr std::chrono::milliseconds kTickShare{40};

    explicit ReportProgress(std::string title) : title_(std::move(title)) {}

    // Opens the window and calls `step` until it returns false (nothing left), on each tick as
    // said above. `total` is the number of records the percentage counts against (capped at 100).
    // True when the work ran to its end, false when the host cancelled.
    bool run(long long total, const std::function<bool()>& step);

    // The text the window shows for a percentage.
    static std::string percentText(int percent);

private:
    std::string title_;
};
