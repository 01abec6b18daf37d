#include "runtime/report/render/gui_host.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <pthread.h>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace rt::report::render {

namespace {

struct Host {
    std::mutex m;
    std::condition_variable cv;
    std::deque<std::function<void()>*> work;
    bool started = false;
    bool ready = false;
};

Host& host() {
    static Host* h = new Host;  // lives as long as the process, like the thread that serves it
    return *h;
}

void serve() {
    static int argc = 3;
    static char arg0[] = "cantorelle";
    static char arg1[] = "-platform";
    static char arg2[] = "offscreen";
    static char* argv[] = {arg0, arg1, arg2, nullptr};
    auto* app = new QGuiApplication(argc, argv);
    (void)app;
    Host& h = host();
    std::unique_lock lk(h.m);
    h.ready = true;
    h.cv.notify_all();
    for (;;) {
        h.cv.wait(lk, [&] { return !h.work.empty(); });
        auto* job = h.work.front();
        h.work.pop_front();
        lk.unlock();
        (*job)();
        lk.lock();
        h.cv.notify_all();
    }
}

// A child forked while the host thread ran (a writer stopped at a chosen moment, work under a
// file-size limit) has no such thread, only the application object it inherited: it draws on
// its one thread.
bool hostLostInFork = false;
void afterForkInChild() { hostLostInFork = host().started; }

}  // namespace

void onGuiHost(const std::function<void()>& work) {
    Host& h = host();
    // The program has its own application object (and we did not make one): draw right here.
    if ((QCoreApplication::instance() && !h.started) || hostLostInFork) {
        work();
        return;
    }
    std::unique_lock lk(h.m);
    if (!h.started) {
        static const int watched = pthread_atfork(nullptr, nullptr, afterForkInChild);
        (void)watched;
        h.started = true;
        std::thread(serve).detach();
    }
    bool done = false;
    std::function<void()> job = [&] {
        work();
        std::lock_guard g(h.m);
        done = true;
    };
    h.cv.wait(lk, [&] { return h.ready; });
    h.work.push_back(&job);
    h.cv.notify_all();
    h.cv.wait(lk, [&] { return done; });
}

}  // namespace rt::report::render
