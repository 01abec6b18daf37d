#include "runtime/thread/thread.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <exception>
#include <utility>

#include "runtime/thread/core.h"
#include "runtime/window/frontend.h"

thread_local std::int32_t CallRequest = 0;
thread_local std::int32_t CallResponse = 0;
thread_local std::int32_t CallRequestOption = 0;

namespace rt {
namespace core {
namespace {
thread_local ThreadRec* tSelf = nullptr;
std::thread programThread;
std::atomic<bool> programActive{false};
std::thread ticker;
std::atomic<bool> tickerStop{false};
}  // namespace

Core& core() {
    static Core c;
    return c;
}

ThreadRec* self() { return tSelf; }

void wake(ThreadRec* t) {
    Core& c = core();
    if (t->waiting) {
        t->waiting = false;
        ++c.busy;
    }
    t->cv.notify_all();
}

void wakeWatchers() {
    for (auto& [no, t] : core().threads)
        if (t->watching && t.get() != tSelf) wake(t.get());
}

void callListener(std::unique_lock<std::mutex>& lk) {
    Core& c = core();
    ChangeListener l = c.listener;
    if (!l) return;
    ++c.listenerCalls;
    lk.unlock();
    l();
    lk.lock();
    if (--c.listenerCalls == 0) c.listenerIdle.notify_all();
}

void notifyChanged() {
    std::unique_lock lk(core().m);
    callListener(lk);
}

bool waitFor(const std::function<bool()>& ready) {
    Core& c = core();
    ThreadRec* t = tSelf;
    publishAll();
    std::unique_lock lk(c.m);
    // A thread is woken for any of its windows (or a request); it waits on until what it
    // waits for is there.
    for (;;) {
        if (c.halting) {
            if (std::uncaught_exceptions() > 0) return false;
            throw ProgramEnd{};
        }
        if (ready()) return true;
        t->waiting = true;
        --c.busy;
        wakeWatchers();
        c.settled.notify_all();
        c.baton.unlock();
        callListener(lk);
        t->cv.wait(lk, [&] { return !t->waiting || c.halting; });
        if (t->waiting) {  // woken by the program's end
            t->waiting = false;
            ++c.busy;
        }
        lk.unlock();
        c.baton.lock();
        lk.lock();
    }
}

void fireTimers(long long now);

namespace {
void threadMain(std::shared_ptr<ThreadRec> t, Procedure p) {
    Core& c = core();
    c.baton.lock();
    tSelf = t.get();
    try {
        p();
    } catch (const ProgramEnd&) {
    } catch (const std::exception& e) {
        std::fprintf(stderr, "cantorelle: thread %d ended by an error: %s\n", t->no, e.what());
    }
    // Windows still open belong to objects that outlived the procedure; they are gone now.
    {
        std::lock_guard lk(c.m);
        c.threads.erase(t->no);
        --c.busy;
        core::wakeWatchers();
        if (t->no == 1 && !c.threads.empty()) {
            // The first thread ended: the program ends, the others unwind.
            c.halting = true;
            for (auto& [no, other] : c.threads) wake(other.get());
        }
        c.settled.notify_all();
    }
    tSelf = nullptr;
    c.baton.unlock();
    notifyChanged();
}

void tickerMain() {
    using namespace std::chrono;
    while (!tickerStop.load()) {
        std::this_thread::sleep_for(milliseconds(10));
        std::lock_guard lk(core().m);
        fireTimers(clockHundredths());
    }
}
}  // namespace

int startThreadImpl(Procedure p, bool first) {
    Core& c = core();
    std::lock_guard lk(c.m);
    if (!first && static_cast<int>(c.threads.size()) >= kMaxStartedThreads + 1) return 0;
    if (c.halting) return 0;
    auto t = std::make_shared<ThreadRec>();
    t->no = c.nextThread++;
    c.threads[t->no] = t;
    ++c.busy;
    c.osThreads.emplace_back(threadMain, t, std::move(p));
    return t->no;
}

}  // namespace core

int startThread(Procedure procedure, std::size_t) { return core::startThreadImpl(std::move(procedure), false); }

int thread() { return core::self() ? core::self()->no : 0; }
bool isProgramThread() { return core::self() != nullptr; }

int threadCount() {
    std::lock_guard lk(core::core().m);
    return static_cast<int>(core::core().threads.size());
}

void halt(const std::string& msg) {
    if (!msg.empty() && !halted()) message(msg, "Halt", Icon::Hand, BtnOk);
    {
        auto& c = core::core();
        std::lock_guard lk(c.m);
        c.halting = true;
        for (auto& [no, t] : c.threads) core::wake(t.get());
    }
    throw ProgramEnd{};
}

bool halted() {
    std::lock_guard lk(core::core().m);
    return core::core().halting;
}

namespace {
void beginRun(Procedure main) {
    auto& c = core::core();
    core::resetForRun();
    {
        std::lock_guard lk(c.m);
        c.running = true;
    }
    if (!c.virtualClock) {
        core::tickerStop = false;
        core::ticker = std::thread(core::tickerMain);
    }
    core::startThreadImpl(std::move(main), true);
}

void finishRun() {
    auto& c = core::core();
    std::vector<std::thread> done;
    for (;;) {
        std::unique_lock lk(c.m);
        c.settled.wait(lk, [&] { return c.threads.empty(); });
        done.swap(c.osThreads);
        if (done.empty() && c.threads.empty()) break;
        lk.unlock();
        for (auto& th : done) th.join();
        done.clear();
    }
    if (core::ticker.joinable()) {
        core::tickerStop = true;
        core::ticker.join();
    }
    {
        std::lock_guard lk(c.m);
        c.running = false;
        c.openWindows.clear();
        c.published.clear();
        c.requests.clear();
        ++c.serial;
        c.settled.notify_all();
    }
    core::notifyChanged();
}
}  // namespace

void runProgram(Procedure main) {
    beginRun(std::move(main));
    finishRun();
}

void startProgram(Procedure main) {
    joinProgram();
    core::programActive = true;
    // Thread 1 exists when this returns, so settle() right after waits for it.
    beginRun(std::move(main));
    core::programThread = std::thread([] {
        finishRun();
        core::programActive = false;
    });
}

void joinProgram() {
    if (core::programThread.joinable()) core::programThread.join();
}

bool programRunning() {
    std::lock_guard lk(core::core().m);
    return core::core().running;
}

long long clockHundredths() {
    auto& c = core::core();
    if (c.virtualClock) return c.vclock;
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() / 10;
}

bool useVirtualClock(bool on) {
    std::lock_guard lk(core::core().m);
    return std::exchange(core::core().virtualClock, on);
}

void advanceClock(long long hundredths) {
    auto& c = core::core();
    long long target;
    {
        std::lock_guard lk(c.m);
        target = c.vclock + hundredths;
    }
    // Each timer tick is served before the clock moves on, so timer-driven work is exact.
    for (;;) {
        {
            std::lock_guard lk(c.m);
            long long due = core::nextTimerDue();
            if (due < 0 || due > target) {
                c.vclock = target;
                break;
            }
            if (due > c.vclock) c.vclock = due;
            core::fireTimers(c.vclock);
        }
        settle();
    }
}

WaitOutside::WaitOutside() : active_(core::self() != nullptr) {
    if (!active_) return;
    core::publishAll();
    core::notifyChanged();
    core::core().baton.unlock();
}

WaitOutside::~WaitOutside() {
    if (active_) core::core().baton.lock();
}

WorkUnderWay::WorkUnderWay() {
    std::lock_guard lk(core::core().m);
    ++core::core().workUnderWay;
}

WorkUnderWay::~WorkUnderWay() {
    std::lock_guard lk(core::core().m);
    --core::core().workUnderWay;
    core::core().settled.notify_all();
}

bool workUnderWay() {
    std::lock_guard lk(core::core().m);
    return core::core().workUnderWay > 0;
}

}  // namespace rt
