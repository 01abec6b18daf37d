#include "runtime/files/file_util.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace rt {

TempFile::~TempFile() { discard(); }

int TempFile::create(const std::string& finalPath, mode_t mode) {
    discard();
    final_ = finalPath;
    std::string::size_type slash = finalPath.rfind('/');
    std::string folder = slash == std::string::npos ? std::string(".") : finalPath.substr(0, slash + 1);
    std::string base = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    // open() with the final mode lets the umask apply as for any new file.
    thread_local std::mt19937_64 rng{std::random_device{}()};
    static const char digits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string tmpl;
    int fd = -1;
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string suffix(8, 'x');
        for (char& c : suffix) c = digits[rng() % (sizeof digits - 1)];
        tmpl = folder + "." + base + ".tmp" + suffix;
        fd = ::open(tmpl.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode & 0777);
        if (fd >= 0 || errno != EEXIST) break;
    }
    if (fd < 0) return errno;
    fd_ = fd;
    path_ = tmpl;
    return 0;
}

int TempFile::commit(bool replace) {
    if (fd_ < 0) return EBADF;
    int err = 0;
    if (::fsync(fd_) != 0) err = errno;
    if (::close(fd_) != 0 && err == 0) err = errno;
    fd_ = -1;
    if (err == 0) {
        if (replace)
            err = ::rename(path_.c_str(), final_.c_str()) == 0 ? 0 : errno;
        else
            err = renameNoReplace(path_, final_);
    }
    if (err != 0) ::unlink(path_.c_str());
    path_.clear();
    return err;
}

void TempFile::discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!path_.empty()) ::unlink(path_.c_str());
    path_.clear();
}

void removeTempLeftovers(const std::string& finalPath) {
    const std::string::size_type slash = finalPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : finalPath.substr(0, slash + 1);
    const std::string prefix = "." + (slash == std::string::npos ? finalPath : finalPath.substr(slash + 1)) + ".tmp";
    DIR* d = ::opendir(folder.c_str());
    if (!d) return;
    std::vector<std::string> gone;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() != prefix.size() + 8 || name.compare(0, prefix.size(), prefix) != 0) continue;
        bool ours = true;
        for (std::size_t i = prefix.size(); i < name.size(); ++i) {
            const char c = name[i];
            ours = ours && ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'));
        }
        if (ours) gone.push_back(folder + (folder.back() == '/' ? "" : "/") + name);
    }
    ::closedir(d);
    for (const std::string& f : gone) {
        struct stat st {};
        // Only plain files: a folder or link of that name is not a leftover of ours.
        if (::lstat(f.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(f.c_str());
    }
}

int renameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return 0;
    int err = errno;
    if (err != EINVAL && err != ENOSYS && err != ENOTSUP) return err;
    // The file system cannot rename without replacing: a hard link fails on an existing
    // target just as well.
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) {
        if (::link(from.c_str(), to.c_str()) == 0) {
            ::unlink(from.c_str());
            return 0;
        }
        if (errno == EEXIST) return EEXIST;
    }
    if (::lstat(to.c_str(), &st) == 0) return EEXIST;
    return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int writeAll(int fd, const char* data, size_t len) {
    while (len > 0) {
        ssize_t n = ::write(fd, data, len);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        data += n;
        len -= static_cast<size_t>(n);
    }
    return 0;
}

int copyStream(int in, int out) {
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(in, buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) return 0;
        if (int err = writeAll(out, buf, static_cast<size_t>(n))) return err;
    }
}

}  // namespace rt
