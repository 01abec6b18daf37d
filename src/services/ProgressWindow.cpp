#include "services/ProgressWindow.h"

#include <algorithm>

#include "runtime/text/text.h"

ProgressWindow::ProgressWindow(std::string title, const std::string& workCaption,
                               const std::vector<Counter>& counters)
    : w_("Progress...", rt::WindowKind::Dialog, -1, -1, kWidth, kShortHeight), title_(std::move(title)) {
    progress_ = w_.add(rt::ControlKind::Progress, "?Progress", "", 8, 8, kWidth - 16, 10);
    w_.setValue(progress_, "0");
    const int work = w_.group("?AddingGroup", workCaption, 6, 22, kWidth - 12, 30);
    percent_ = w_.text("?Percent", "", 14, 36, 80, 10);
    w_.edit(percent_).parent = work;
    details_ = w_.button("?Details", "&Details >>", kWidth - 72, 33, 60, 14);
    w_.edit(details_).parent = work;
    w_.hide(details_);
    done_ = w_.button("?Done", "&Done", kWidth - 66, 56, 60, 14);
    w_.edit(done_).isDefault = true;
    w_.hide(done_);

    // Below the area shown at first: the counters.
    // Room under the last line as above the first: no counter runs into the frame.
    const int groupHeight = 16 + 10 * static_cast<int>(counters.size());
    const int group = w_.group("?DetailsGroup", "Details", 6, kShortHeight + 2, kWidth - 12, groupHeight);
    int y = kShortHeight + 14;
    for (const Counter& c : counters) {
        const int p = w_.text("?" + c.name + ":Prompt", c.label, 14, y, 120, 10);
        w_.edit(p).parent = group;
        const int n = w_.text("?" + c.name, "0", 138, y, 40, 10);
        w_.edit(n).parent = group;
        counters_.push_back(n);
        y += 10;
    }
    tallHeight_ = kShortHeight + 2 + groupHeight + 4;
}

std::string ProgressWindow::percentText(int percent) {
    return rt::rightAligned(percent, 3) + "% Completed";
}

void ProgressWindow::open() {
    w_.open();
    w_.setText(percent_, "0" + suffix_);
    w_.setTitle(title_);
    w_.display();
}

void ProgressWindow::setCount(std::size_t n, long long value) {
    if (n < counters_.size()) w_.setText(counters_[n], rt::str(value));
}

void ProgressWindow::showPercent(int percent) {
    shownPercent_ = percent;
    w_.setValue(progress_, std::to_string(percent));
    w_.setText(percent_, rt::rightAligned(percent, 3) + suffix_);
}

void ProgressWindow::step(std::size_t done, std::size_t total) {
    const int now = static_cast<int>(std::min<std::size_t>(100, total ? done * 100 / total : 100));
    if (now == shownPercent_) return;
    showPercent(now);
    w_.display();
}

void ProgressWindow::showDetails() { w_.setGeometry(w_.x(), w_.y(), w_.width(), tallHeight_); }

void ProgressWindow::finished() {
    w_.unhide(done_);
    w_.unhide(details_);
    w_.select(done_);
}

int ProgressWindow::addCancel() {
    const int cancel = w_.button("?Cancel", "Cancel", kWidth - 72, 33, 60, 14);
    w_.edit(cancel).parent = w_.find("?AddingGroup");
    return cancel;
}

void ProgressWindow::completed() {
    shownPercent_ = 100;
    w_.setValue(progress_, "100");
    w_.setText(percent_, "Process Completed");
    w_.display();
}

void ProgressWindow::serve() {
    while (w_.accept()) {
        if (w_.code() != rt::EvAccepted) continue;
        if (w_.field() == done_) w_.close();
        else if (w_.field() == details_) showDetails();
    }
}

void ProgressWindow::setPercentText(const std::string& text) { w_.setText(percent_, text); }
