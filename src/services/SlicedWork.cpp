#include "services/SlicedWork.h"

Slice::Slice(SlicePace pace) : pace_(std::move(pace)) {
    if (pace_.clockEvery == 0) pace_.clockEvery = 1;
    start();
}

void Slice::start() {
    steps_ = 0;
    used_ = false;
    if (pace_.budget.count() > 0)
        until_ = (pace_.clock ? pace_.clock() : std::chrono::steady_clock::now()) + pace_.budget;
}

bool Slice::over() {
    ++steps_;
    if (used_ || steps_ < pace_.atLeast) return used_;
    if (pace_.budget.count() <= 0) return used_ = true;
    if (steps_ % pace_.clockEvery != 0) return false;
    return used_ = (pace_.clock ? pace_.clock() : std::chrono::steady_clock::now()) >= until_;
}

SlicedWork::SlicedWork(rt::Window& window, SlicePace pace) : window_(window), slice_(std::move(pace)) {}

SlicedWork& SlicedWork::cancelWith(int button) {
    cancel_ = button;
    return *this;
}

SlicedWork& SlicedWork::afterSlice(std::function<void()> progress) {
    progress_ = std::move(progress);
    return *this;
}

SlicedWork& SlicedWork::atEnd(std::function<void()> finish) {
    finish_ = std::move(finish);
    return *this;
}

SlicedWork& SlicedWork::onEvent(std::function<void()> handler) {
    other_ = std::move(handler);
    return *this;
}

SlicedWork::Wake SlicedWork::waitForTick() {
    while (window_.accept()) {
        if (window_.code() == rt::EvTimer) return Wake::Tick;
        if (window_.code() == rt::EvAccepted && cancel_ && window_.field() == cancel_) return Wake::Cancel;
        // The close box: the window closes at the next accept(), unless it is refused.
        if (window_.code() != rt::EvCloseWindow && other_) other_();
    }
    return Wake::Closed;
}

bool SlicedWork::run(const std::function<bool()>& step) {
    window_.setTimer(1);
    bool finished = false;
    for (;;) {
        const Wake wake = waitForTick();
        if (wake != Wake::Tick) break;
        slice_.start();
        bool more = true;
        while ((more = step()) && !slice_.over()) {
        }
        if (!more) {
            finished = true;
            break;
        }
        if (progress_) progress_();
    }
    window_.setTimer(0);
    if (finished && finish_) finish_();
    window_.close();
    while (window_.accept()) {
    }
    return finished;
}
