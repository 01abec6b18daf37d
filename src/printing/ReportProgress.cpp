#include "printing/ReportProgress.h"

#include <algorithm>
#include <chrono>

#include "services/ProgressWindow.h"

std::string ReportProgress::percentText(int percent) { return ProgressWindow::percentText(percent); }

bool ReportProgress::run(long long total, const std::function<bool()>& step) {
    ProgressWindow window(title_, "", {});
    const int cancel = window.addCancel();
    long long processed = 0;
    bool complete = false;
    window.open();
    TaskWindow& w = window.window();
    w.setTimer(1);
    while (w.accept()) {
        if (w.code() == rt::EvAccepted && w.field() == cancel) {
            w.close();
        } else if (w.code() == rt::EvTimer) {
            // At least 25 records a tick, and more while the tick's share of time lasts: a
            // large SongBook is not held to 25 rows a hundredth, and Cancel is still heard.
            const auto until = std::chrono::steady_clock::now() + kTickShare;
            for (int i = 0; !complete && (i < kRecordsPerTick || std::chrono::steady_clock::now() < until); ++i) {
                if (!step()) {
                    complete = true;
                    break;
                }
                ++processed;
            }
            // Capped: a report may print more lines than the records it counts against.
            const long long shown = total > 0 ? std::min(processed, total) : 1;
            window.step(static_cast<std::size_t>(shown), static_cast<std::size_t>(total > 0 ? total : 1));
            if (complete) {
                w.setTimer(0);
                w.response = 1;
                w.close();
            }
        }
    }
    return complete;
}
