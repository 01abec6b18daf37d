#pragma once
// Program threads. Exactly one program thread runs program code at any moment: it holds the
// baton, and gives it up only while it waits (for its window's next event, a message box or
// dialog, a started process). So program code takes no locks.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Request and response handed between procedures, per thread (1 insert, 2 change, 3 delete,
// 4 select; 1 completed, 2 cancelled).
extern thread_local std::int32_t CallRequest;
extern thread_local std::int32_t CallResponse;
extern thread_local std::int32_t CallRequestOption;

namespace rt {

using Procedure = std::function<void()>;

constexpr int kMaxStartedThreads = 63;

// Starts a procedure on a new program thread; returns its number, or 0 when the limit of
// started threads is reached. The stack size is a minimum.
int startThread(Procedure procedure, std::size_t stackSize = 25000);
// The calling program thread's number (1 for the program's first thread), 0 elsewhere.
int thread();
bool isProgramThread();
// Program threads alive now (started and not ended), the first one included.
int threadCount();

// Thrown through program code when the program ends at once (halt, or the first thread
// returned while others still wait). Caught where the runtime started the thread.
struct ProgramEnd {};

// Ends the program at once: shows the message (if any, as a stop box titled "Halt"),
// then unwinds every program thread.
[[noreturn]] void halt(const std::string& message = {});
bool halted();

// Runs `main` as program thread 1 and returns when it and every thread it started ended.
// The runtime is fresh for each run (windows, queues, thread numbers).
void runProgram(Procedure main);
// Starts runProgram on a background thread and returns at once (front ends).
void startProgram(Procedure main);
// Waits until the program started by startProgram has ended.
void joinProgram();
bool programRunning();

// Clock in hundredths of a second, for timers. Tests switch to a virtual clock that only
// moves when advanced; the clock in use before is returned, to be put back. A program takes
// the clock in use when it starts.
long long clockHundredths();
bool useVirtualClock(bool on);
void advanceClock(long long hundredths);

// While an object of this type lives, the calling program thread has given up the baton
// (a wait outside the window system, such as a started process or a network read).
class WaitOutside {
public:
    WaitOutside();
    ~WaitOutside();
    WaitOutside(const WaitOutside&) = delete;
    WaitOutside& operator=(const WaitOutside&) = delete;
private:
    bool active_;
};

// While an object of this type lives, the calling program thread has work under way that goes
// on by itself between the ticks of its window's timer (pages drawn outside the baton): though
// every thread waits, the program is not idle. A driver that settles the program lets its
// timers run until no such work is left. Work that waits for the outside world (a network
// read) is not of this kind: it may never end by itself.
class WorkUnderWay {
public:
    WorkUnderWay();
    ~WorkUnderWay();
    WorkUnderWay(const WorkUnderWay&) = delete;
    WorkUnderWay& operator=(const WorkUnderWay&) = delete;
};
// True while some WorkUnderWay object lives.
bool workUnderWay();

}  // namespace rt
