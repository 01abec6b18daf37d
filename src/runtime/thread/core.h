#pragma once
// Internal state shared by the thread and window runtime. Not for program code.
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "runtime/thread/thread.h"
#include "runtime/window/frontend.h"
#include "runtime/window/window.h"

namespace rt::core {

struct WindowImpl;

struct ThreadRec {
    int no = 0;
    std::condition_variable cv;
    bool waiting = false;                 // has given up the baton and waits to be woken
    bool watching = false;                // wants a wake-up whenever another thread waits
    std::vector<WindowImpl*> windows;     // open windows, oldest first
};

struct Core {
    std::mutex m;                         // guards everything below
    std::mutex baton;                     // held by the program thread that runs
    std::condition_variable settled;
    int busy = 0;                         // program threads running or ready to run
    std::map<int, std::shared_ptr<ThreadRec>> threads;
    std::vector<WindowImpl*> openWindows; // open order
    std::map<int, std::shared_ptr<const WindowState>> published;
    std::vector<std::shared_ptr<const Request>> requests;
    std::map<int, Answer> answers;
    int active = 0;
    int nextThread = 1;
    int nextWindow = 1;
    int nextRequest = 1;
    bool halting = false;
    bool running = false;
    std::uint64_t serial = 0;
    std::vector<std::thread> osThreads;
    ChangeListener listener;
    int listenerCalls = 0;                // calls of the listener under way
    std::condition_variable listenerIdle;
    BeepListener beepListener;
    std::vector<BeepKind> beeps;
    bool virtualClock = false;
    long long vclock = 0;
    bool toolTips = true;
    int workUnderWay = 0;                 // WorkUnderWay objects alive
};

Core& core();
ThreadRec* self();

// Wakes a waiting thread (call with core().m held).
void wake(ThreadRec* t);
// Gives up the baton until ready() (evaluated with core().m held) is true. Publishes the
// windows first. Throws ProgramEnd when the program ends meanwhile (unless unwinding).
// Returns false when the program is ending and the caller must not go on waiting.
bool waitFor(const std::function<bool()>& ready);
// Wakes the threads that watch others (core().m held).
void wakeWatchers();
// Publishes every changed window; call with the baton held, not core().m.
void publishAll();
void notifyChanged();
// Calls the change listener with core().m held by `lk`, releasing it meanwhile; a listener
// being replaced is never called after setChangeListener returned.
void callListener(std::unique_lock<std::mutex>& lk);
// Fires due timers (call with core().m held).
void fireTimers(long long now);
// The earliest time a timer is due, -1 when none runs (core().m held).
long long nextTimerDue();
// Queues an event for a window and wakes its thread (core().m held).
void queueEvent(WindowImpl* w, const EventData& e);
WindowImpl* findWindow(int id);  // core().m held
void resetForRun();

}  // namespace rt::core
