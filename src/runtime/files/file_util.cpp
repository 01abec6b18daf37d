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

TempFile::TempFile(TempFile&& other) noexcept
    : fd_(other.fd_), path_(std::move(other.path_)), final_(std::move(other.final_)) {
    other.fd_ = -1;
    other.path_.clear();
}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
    if (this != &other) {
        discard();
        fd_ = other.fd_;
        path_ = std::move(other.path_);
        final_ = std::move(other.final_);
        other.fd_ = -1;
        other.path_.clear();
    }
    return *this;
}

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

int TempFile::seal() {
    if (fd_ < 0) return EBADF;
    int err = 0;
    if (::fsync(fd_) != 0) err = errno;
    if (::close(fd_) != 0 && err == 0) err = errno;
    fd_ = -1;
    if (err != 0) {
        ::unlink(path_.c_str());
        path_.clear();
    }
    return err;
}

int TempFile::commit(bool replace) {
    if (path_.empty()) return EBADF;
    if (fd_ >= 0) {
        if (int err = seal()) return err;  // sealing removed the file
    }
    int err = replace ? (::rename(path_.c_str(), final_.c_str()) == 0 ? 0 : errno) : renameNoReplace(path_, final_);
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

namespace {

// Removes the leftovers in `folder` whose final name `wanted` accepts: 0 or the first errno.
template <class Wanted>
int removeLeftoversWhere(const std::string& folder, Wanted wanted) {
    DIR* d = ::opendir(folder.c_str());
    if (!d) return errno == ENOENT ? 0 : errno;
    constexpr std::size_t kSuffix = 4 + 8;  // ".tmp" and eight letters or digits
    std::vector<std::string> gone;
    while (const dirent* e = ::readdir(d)) {
        const std::string name = e->d_name;
        if (name.size() < 2 + kSuffix || name[0] != '.') continue;
        const std::string suffix = name.substr(name.size() - kSuffix);
        if (suffix.compare(0, 4, ".tmp") != 0 ||
            suffix.find_first_not_of("abcdefghijklmnopqrstuvwxyz0123456789", 4) != std::string::npos)
            continue;
        if (wanted(name.substr(1, name.size() - 1 - kSuffix)))
            gone.push_back(folder + (folder.back() == '/' ? "" : "/") + name);
    }
    ::closedir(d);
    int first = 0;
    for (const std::string& f : gone) {
        struct stat st {};
        if (::lstat(f.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (::unlink(f.c_str()) != 0 && first == 0) first = errno;
    }
    return first;
}

}  // namespace

void removeTempLeftovers(const std::string& finalPath) {
    const std::string::size_type slash = finalPath.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string(".") : finalPath.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? finalPath : finalPath.substr(slash + 1);
    removeLeftoversWhere(folder, [&](const std::string& finalName) { return finalName == base; });
}

int removeTempLeftovers(const std::string& folder, const std::string& finalPattern) {
    return removeLeftoversWhere(folder, [&](const std::string& finalName) { return matchesPattern(finalName, finalPattern); });
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
