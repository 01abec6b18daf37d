#include "runtime/shell/shell.h"

#include "runtime/files/folder.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <thread>

extern char** environ;

namespace rt {
namespace {

std::mutex shellMutex;
Launcher launcher;  // empty: the real one
std::vector<std::vector<std::string>> launched;

// Starts the command in its own session, in the runtime's current folder, and reaps it from
// a detached thread so that it never lingers as a zombie. Nothing is reported on failure.
void spawnDetached(const std::vector<std::string>& argv) {
    if (argv.empty()) return;
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attr;
    if (posix_spawn_file_actions_init(&actions) != 0) return;
    if (posix_spawnattr_init(&attr) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return;
    }
    std::string folder = currentFolder();
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSID);

    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], &actions, &attr, args.data(), environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return;
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

// A web address or other URL goes as it is; a file name is made absolute, since the child
// would otherwise resolve it against the process's folder, not the runtime's.
bool isUrl(const std::string& s) {
    size_t colon = s.find(':');
    if (colon == std::string::npos || colon < 2) return false;  // "C:" is no scheme
    for (size_t i = 0; i < colon; ++i) {
        char c = s[i];
        bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                  (i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'));
        if (!ok) return false;
    }
    return true;
}

}  // namespace

void startCommand(const std::vector<std::string>& argv) {
    Launcher run;
    {
        std::lock_guard lock(shellMutex);
        launched.push_back(argv);
        run = launcher;
    }
    if (run)
        run(argv);
    else
        spawnDetached(argv);
}

void shellOpen(const std::string& document) {
    std::string target = document;
    if (!target.empty() && !isUrl(target)) target = absolutePath(target);
    startCommand({"xdg-open", target});
}

void setLauncher(Launcher l) {
    std::lock_guard lock(shellMutex);
    launcher = std::move(l);
}

std::vector<std::vector<std::string>> launchedCommands() {
    std::lock_guard lock(shellMutex);
    return launched;
}

void clearLaunchedCommands() {
    std::lock_guard lock(shellMutex);
    launched.clear();
}

}  // namespace rt
