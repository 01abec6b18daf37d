#include "runtime/files/temporary_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <vector>

namespace rt {
namespace {

constexpr const char* kLockName = ".lock";
// A folder without its lock is a leftover only when it is older than this (it may be one being
// made right now).
constexpr std::time_t kUnlockedGraceSeconds = 600;

std::string temporaryRoot() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

// Whether another live process holds the folder: its lock is taken.
bool inUse(const std::string& folder) {
    const std::string lock = folder + "/" + kLockName;
    const int fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        struct stat st {};
        return ::lstat(folder.c_str(), &st) != 0 || std::time(nullptr) - st.st_mtime < kUnlockedGraceSeconds;
    }
    const bool taken = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
    ::close(fd);
    return taken;
}

// Removes the folders of this prefix, of this user, that nothing holds any more.
void removeLeftovers(const std::string& root, const std::string& prefix) {
    DIR* dir = ::opendir(root.c_str());
    if (!dir) return;
    std::vector<std::string> found;
    while (const dirent* e = ::readdir(dir))
        if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) found.push_back(root + "/" + e->d_name);
    ::closedir(dir);
    for (const std::string& folder : found) {
        struct stat st {};
        if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid()) continue;
        if (inUse(folder)) continue;
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }
}

}  // namespace

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    const std::string root = temporaryRoot();
    removeLeftovers(root, prefix);
    std::string templ = root + "/" + prefix + "XXXXXX";
    if (!::mkdtemp(templ.data())) {
        error_ = errno;
        return;
    }
    const std::string lock = templ + "/" + kLockName;
    lock_ = ::open(lock.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (lock_ < 0 || ::flock(lock_, LOCK_EX) != 0) {
        error_ = errno;
        if (lock_ >= 0) ::close(lock_);
        lock_ = -1;
        std::error_code ec;
        std::filesystem::remove_all(templ, ec);
        return;
    }
    path_ = templ;
}

TemporaryFolder::~TemporaryFolder() {
    if (path_.empty()) return;
    // The lock goes last, so that a folder cut off on the way is still known as a leftover.
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(path_, ec))
        if (e.path().filename() != kLockName) std::filesystem::remove_all(e.path(), ec);
    ::unlink((path_ + "/" + kLockName).c_str());
    ::rmdir(path_.c_str());
    if (lock_ >= 0) ::close(lock_);
}

}  // namespace rt
