#include "support/killed_writer.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace fixture {

void killWriterAfter(int delayMs, const std::function<void(const std::function<void()>& ready)>& writer) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        close(ready[0]);
        writer([&] {
            if (write(ready[1], "r", 1) != 1) _exit(2);
        });
        _exit(4);
    }
    close(ready[1]);
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    kill(pid, SIGKILL);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself with " << WEXITSTATUS(status);
}

void writerKillsItself(const std::function<void()>& writer, int timeoutMs) {
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        writer();
        _exit(4);
    }
    int status = 0;
    pid_t ended = 0;
    for (int waited = 0; (ended = waitpid(pid, &status, WNOHANG)) == 0 && waited < timeoutMs; waited += 2)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    if (ended == 0) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        FAIL() << "the writer did not stop itself within " << timeoutMs << " ms";
    }
    ASSERT_EQ(ended, pid);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
        << "the writer ended by itself with " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1);
}

}  // namespace fixture
