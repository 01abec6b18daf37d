#include "support/child_process.h"

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

namespace fixture {

std::string inChild(const std::function<std::string()>& body, long long fileSizeLimit) {
    int out[2];
    if (pipe(out) != 0) return "no pipe";
    const pid_t pid = fork();
    if (pid < 0) return "no fork";
    if (pid == 0) {
        close(out[0]);
        if (fileSizeLimit >= 0) {
            std::signal(SIGXFSZ, SIG_IGN);
            struct rlimit limit {};
            getrlimit(RLIMIT_FSIZE, &limit);
            limit.rlim_cur = static_cast<rlim_t>(fileSizeLimit);
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
        }
        const std::string said = body();
        const char* p = said.data();
        std::size_t left = said.size();
        while (left > 0) {
            const ssize_t n = write(out[1], p, left);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) _exit(2);
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        _exit(0);
    }
    close(out[1]);
    std::string said;
    char buf[4096];
    for (;;) {
        const ssize_t n = read(out[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        said.append(buf, static_cast<std::size_t>(n));
    }
    close(out[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFSIGNALED(status)) return said + "child ended by signal " + std::to_string(WTERMSIG(status));
    if (WEXITSTATUS(status) != 0) return said + "child exited with " + std::to_string(WEXITSTATUS(status));
    return said;
}

bool dropRoot() {
    if (geteuid() != 0) return true;
    constexpr uid_t nobody = 65534;
    return setgroups(0, nullptr) == 0 && setgid(nobody) == 0 && setuid(nobody) == 0 && geteuid() != 0;
}

HeldOpen::HeldOpen(const std::string& file) {
    int ready[2];
    if (pipe(ready) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
        close(ready[0]);
        const int fd = open(file.c_str(), O_RDWR);
        if (fd < 0 || write(ready[1], "r", 1) != 1) _exit(2);
        for (;;) pause();
    }
    close(ready[1]);
    char c = 0;
    held_ = pid_ > 0 && read(ready[0], &c, 1) == 1;
    close(ready[0]);
}

HeldOpen::~HeldOpen() {
    if (pid_ <= 0) return;
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
}

}  // namespace fixture
