#include "printing/ReportProgress.h"

#include <algorithm>

#include "services/ProgressWindow.h"
#include "services/SlicedWork.h"

std::string ReportProgress::percentText(int percent) { return ProgressWindow::percentText(percent); }

bool ReportProgress::run(long long total, const std::function<bool()>& step) {
    ProgressWindow window(title_, "", {});
    const int cancel = window.addCancel();
    long long processed = 0;
    window.open();
    TaskWindow& w = window.window();
    auto show = [&] {
        // Capped: a report may print more lines than the records it counts against.
        const long long shown = total > 0 ? std::min(processed, total) : 1;
        window.step(static_cast<std::size_t>(shown), static_cast<std::size_t>(total > 0 ? total : 1));
    };
    SlicedWork work(w, {.atLeast = kRecordsPerTick, .budget = kTickShare});
    work.cancelWith(cancel).afterSlice(show).atEnd([&] {
        show();
        w.response = 1;
    });
    return work.run([&] {
        if (!step()) return false;
        ++processed;
        return true;
    });
}
