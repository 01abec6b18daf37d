#include "runtime/files/work_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "runtime/files/folder.h"

namespace rt {
namespace {

constexpr std::size_t kSuffix = 6;  // mkdtemp's XXXXXX

// Whether a name is prefix, "-" and six characters: a work folder's name.
bool workFolderName(const std::string& name, const std::string& prefix) {
    return name.size() == prefix.size() + 1 + kSuffix && name.compare(0, prefix.size(), prefix) == 0 &&
           name[prefix.size()] == '-';
}

void removeTree(const std::string& path) {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
}

}  // namespace

std::string temporaryFolder() {
    const char* tmp = std::getenv("TMPDIR");
    return tmp && *tmp ? tmp : "/tmp";
}

WorkFolder::~WorkFolder() { remove(); }

int WorkFolder::make(const std::string& parent, const std::string& prefix) {
    remove();
    const std::string base = absolutePath(parent);
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::string tmpl = (base.size() > 1 && base.back() == '/' ? base : base + "/") + prefix + "-XXXXXX";
        if (!::mkdtemp(tmpl.data())) return errno;
        const int fd = ::open(tmpl.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) {
            const int e = errno;
            ::rmdir(tmpl.c_str());
            return e;
        }
        if (::flock(fd, LOCK_EX) != 0) {
            const int e = errno;
            ::close(fd);
            ::rmdir(tmpl.c_str());
            return e;
        }
        // Another process's removeLeftovers may have taken the folder between its making and
        // the lock: it is then gone, and a new one is made.
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_nlink > 0) {
            fd_ = fd;
            path_ = tmpl;
            return 0;
        }
        ::close(fd);
    }
    return EAGAIN;
}

void WorkFolder::remove() {
    if (!path_.empty()) removeTree(path_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    path_.clear();
}

int WorkFolder::removeLeftovers(const std::string& parent, const std::string& prefix,
                                const std::function<void(const std::string&)>& before,
                                const std::function<bool(const std::string&)>& spare) {
    const std::string base = absolutePath(parent);
    std::vector<std::string> found;
    if (DIR* dir = ::opendir(base.c_str())) {
        while (const dirent* e = ::readdir(dir))
            if (workFolderName(e->d_name, prefix)) found.push_back((base.size() > 1 ? base + "/" : base) + e->d_name);
        ::closedir(dir);
    }
    int removed = 0;
    for (const std::string& path : found) {
        if (spare && spare(path)) continue;
        // Only a real folder (never a link to one elsewhere) of this user, and only when nobody
        // holds it.
        const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && st.st_uid == ::geteuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            if (before) before(path);
            removeTree(path);
            ++removed;
        }
        ::close(fd);
    }
    return removed;
}

int syncFolder(const std::string& folder) {
    const int fd = ::open(absolutePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    int err = ::fsync(fd) == 0 ? 0 : errno;
    // Some file systems cannot sync a folder; their entries are as safe as they get.
    if (err == EINVAL || err == EROFS) err = 0;
    if (::close(fd) != 0 && err == 0) err = errno;
    return err;
}

}  // namespace rt
