#include "services/DownloadFileWithProgress.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "data/globals.h"
#include "runtime/net/http_download.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "services/SlicedWork.h"
#include "services/TaskWindow.h"

namespace {

// Network time given to each timer tick.
constexpr int kStepMs = 40;

std::string hms(long long hundredths) {
    const long long s = std::max(0LL, hundredths / 100);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%02lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return buf;
}

}  // namespace

DownloadResult DownloadFileWithProgress(const std::string& url, const std::string& path, std::uint64_t maxBytes) {
    TaskWindow w("Data File AutoUpdate", rt::WindowKind::Dialog, -1, -1, 343, 182);
    w.setFont(rt::Font{"MS Sans Serif", 8});
    w.image("?WizardPicture", "autoupdatewizard.bmp", 6, 6, 110, 170);
    w.image("?Logo", "addscreenlogo.bmp", 124, 6, 212, 40);
    const int icon = w.image("?IMAGE1", "~update1.ico", 124, 56, 16, 16);
    w.text("?DOWNLOADSTRING", rt::clip(DOWNLOADSTRING.str()), 146, 58, 190, 10);
    const int elapsedText = w.text("?TIMEELAPSED", "Time Elapsed: 00:00:00", 124, 80, 212, 10);
    const int remainingText = w.text("?TIMEREMAINING", "Time Remaining: ", 124, 92, 212, 10);
    const int bytesText = w.text("?BYTESRECEIVEDSTRING", "0 of " + std::to_string(UpdateFileSize) + " Bytes Received",
                                 124, 104, 212, 10);
    const int bar = w.add(rt::ControlKind::Progress, "?PROGRESS:THERMOMETER", "", 124, 120, 212, 10);
    const int percentText = w.text("?PROGRESSSTRING", "0% Completed", 124, 134, 100, 10);
    const int rateText = w.text("?BYTESPERSECOND", "0 bps", 236, 134, 100, 10);
    const int cancel = w.button("?CANCEL", "&Cancel", 280, 160, 56, 14);
    w.setValue(bar, "0");

    rt::HttpDownload get;
    long long start = 0;
    int shownPercent = 0;
    int frame = 1;
    bool startFailed = false, cancelled = false;
    auto showProgress = [&] {
        const long long total = static_cast<long long>(get.bytesWritten());
        const long long elapsed = rt::clockHundredths() - start;
        // A zero elapsed time or size shows 0, not a division by zero.
        const double perSecond = elapsed > 0 ? total * 100.0 / static_cast<double>(elapsed) : 0.0;
        const long long left = perSecond > 0 ? static_cast<long long>(
                                                   (static_cast<double>(UpdateFileSize) - static_cast<double>(total)) /
                                                   perSecond * 100.0)
                                             : 0;
        if (shownPercent < 100 && UpdateFileSize > 0) {
            const int percent = static_cast<int>(std::min<long long>(100, total * 100 / UpdateFileSize));
            if (percent != shownPercent) {
                shownPercent = percent;
                w.setValue(bar, std::to_string(percent));
                w.setText(percentText, rt::rightAligned(percent, 3) + "% Completed");
            }
        }
        w.setText(elapsedText, "Time Elapsed: " + hms(elapsed));
        w.setText(remainingText, "Time Remaining: " + hms(std::max(0LL, left)));
        w.setText(bytesText, std::to_string(total) + " of " + std::to_string(UpdateFileSize) + " Bytes Received");
        char rate[48];
        std::snprintf(rate, sizeof rate, "%.2f Kbps", perSecond / 100.0);
        w.setText(rateText, rate);
    };

    w.onFirstDisplay([&] {
        start = rt::clockHundredths();
        if (!get.start({url, path, DownloadingUpdateList != 0, maxBytes})) {
            startFailed = true;
            w.post(rt::EvCloseWindow);
            return;
        }
    });
    w.open();
    // A turn of the transfer a tick. "Cancel" stops the transfer; the close box only closes
    // the window, and what came so far counts as a transfer cut off.
    SlicedWork work(w, {});
    work.onEvent([&] {
        if (w.code() != rt::EvAccepted || w.field() != cancel) return;
        get.cancel();
        cancelled = true;
        w.close();
    });
    work.run([&] {
        if (startFailed) return false;
        get.step(kStepMs);
        frame = frame % 4 + 1;
        w.setText(icon, "~update" + std::to_string(frame) + ".ico");
        showProgress();
        return !get.finished();
    });
    if (startFailed || get.failed())
        rt::message("Auto Update Error: " + get.errorText(), "AutoUpdate Error", rt::Icon::Hand);
    DownloadResult r;
    // A refused request wrote nothing worth keeping.
    if (!(get.failed() && get.httpStatus() >= 400))
        r.bytes = static_cast<std::uint32_t>(std::min<std::uint64_t>(get.bytesWritten(), 0xFFFFFFFFu));
    r.whole = !cancelled && get.whole() && get.bytesWritten() <= 0xFFFFFFFFu;
    r.cancelled = cancelled;
    return r;
}

std::uint32_t DownloadFileWithProgress(const std::string& url, const std::string& path) {
    return DownloadFileWithProgress(url, path, 0).bytes;
}
