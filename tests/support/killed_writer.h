#pragma once
// A writer stopped at an arbitrary moment, as a power cut or a kill stops the program:
//
//     ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(20, [](const std::function<void()>& ready) {
//         SBK.open();
//         ready();                 // the clock starts here
//         for (;;) addSomething();
//     }));
//
// The writer runs in a child process, which is killed (SIGKILL) `delayMs` after it called
// ready(). It must not end by itself: its own exit fails the test, with the exit code (4 when
// `writer` returned).
#include <functional>

namespace fixture {

void killWriterAfter(int delayMs, const std::function<void(const std::function<void()>& ready)>& writer);

}  // namespace fixture

namespace fixture {

// The same for a writer that stops itself with SIGKILL at a point of its own choosing (a test
// seam at a chosen step). Fails when it ends otherwise, or is still running after timeoutMs
// (it is killed then).
void writerKillsItself(const std::function<void()>& writer, int timeoutMs = 60000);

}  // namespace fixture
