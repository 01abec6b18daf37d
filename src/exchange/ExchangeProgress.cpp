#include "exchange/ExchangeProgress.h"

#include <algorithm>

#include "runtime/text/text.h"

namespace {
constexpr int kWidth = 220;
}

ExchangeProgress::ExchangeProgress(const std::string& title, std::string suffix)
    : w_("Progress...", rt::WindowKind::Dialog, -1, -1, kWidth, 72), suffix_(std::move(suffix)) {
    bar_ = w_.add(rt::ControlKind::Progress, "?Progress", "", 8, 8, kWidth - 16, 10);
    w_.setValue(bar_, "0");
    user_ = w_.text("?UserText", "", 8, 22, kWidth - 16, 10);
    percentText_ = w_.text("?PctText", "0" + suffix_, 8, 34, kWidth - 16, 10);
    cancel_ = w_.button("?Cancel", "Cancel", (kWidth - 50) / 2, 50, 50, 14);
    w_.setTitle(title);
}

void ExchangeProgress::open() {
    w_.open();
    w_.display();
}

void ExchangeProgress::progress(long long done, long long total) {
    const int now = static_cast<int>(total > 0 ? std::min<long long>(100, done * 100 / total) : 100);
    if (now == percent_) return;
    percent_ = now;
    w_.setValue(bar_, std::to_string(now));
    w_.setText(percentText_, rt::rightAligned(now, 3) + suffix_);
}

void ExchangeProgress::setPercentText(const std::string& text) { w_.setText(percentText_, text); }

void ExchangeProgress::setUserText(const std::string& text) { w_.setText(user_, text); }

bool ExchangeProgress::run(const std::function<bool()>& step) {
    bool completed = false;
    w_.setTimer(1);
    while (w_.accept()) {
        if (w_.code() == rt::EvTimer) {
            if (!step()) {
                completed = true;
                w_.setTimer(0);
                w_.display();
                w_.close();
            }
        } else if (w_.code() == rt::EvAccepted && w_.field() == cancel_) {
            w_.setTimer(0);
            w_.close();
        } else if (w_.code() == rt::EvCloseWindow && !completed) {
            w_.setTimer(0);  // the close box cancels as the button does
        }
    }
    return completed;
}
