#include "runtime/files/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/files/folder.h"

namespace rt {
namespace {

// What a file of this type is, for the host; empty for a regular file.
std::string typeProblem(mode_t mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return "It is a folder, not a file.";
    if (S_ISFIFO(mode)) return "It is a named pipe (FIFO), not a file: only files are read.";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "It is a device, not a file: only files are read.";
    if (S_ISSOCK(mode)) return "It is a socket, not a file: only files are read.";
    return "It is not a file: only files are read.";
}

std::string sizeProblem(std::uint64_t limit) {
    const std::uint64_t mb = limit >> 20;
    return "It is too large to be read (more than " +
           (mb > 0 ? std::to_string(mb) + " MB" : std::to_string(limit) + " bytes") + ").";
}

}  // namespace

bool InputFile::fail(int error, std::string problem) {
    close();
    error_ = error;
    problem_ = std::move(problem);
    return false;
}

bool InputFile::open(const std::string& path, std::uint64_t limit) {
    close();
    error_ = 0;
    problem_.clear();
    done_ = size_ = 0;
    limit_ = limit;
    const std::string name = absolutePath(path);
    // A device is not even opened (opening one can have effects of its own); what the name
    // is once open is checked again, as it may have changed meanwhile. Without O_NONBLOCK
    // opening a FIFO would wait for a writer.
    struct stat before {};
    if (::stat(name.c_str(), &before) == 0) {
        if (std::string p = typeProblem(before.st_mode); !p.empty())
            return fail(S_ISDIR(before.st_mode) ? EISDIR : ENODEV, p);
    }
    const int fd = ::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        const int e = errno;
        return fail(e, std::strerror(e));
    }
    fd_ = fd;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        const int e = errno;
        return fail(e, std::strerror(e));
    }
    if (std::string p = typeProblem(st.st_mode); !p.empty()) return fail(S_ISDIR(st.st_mode) ? EISDIR : ENODEV, p);
    size_ = static_cast<std::uint64_t>(st.st_size);
    if (size_ > limit_) return fail(EFBIG, sizeProblem(limit_));
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags < 0 || ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int e = errno;
        return fail(e, std::strerror(e));
    }
    return true;
}

void InputFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

long long InputFile::read(char* data, std::size_t n) {
    if (fd_ < 0) {
        if (!error_) {
            error_ = EBADF;
            problem_ = std::strerror(EBADF);
        }
        return -1;
    }
    if (done_ >= limit_) return 0;
    if (n > limit_ - done_) n = static_cast<std::size_t>(limit_ - done_);
    for (;;) {
        const ssize_t got = ::read(fd_, data, n);
        if (got >= 0) {
            done_ += static_cast<std::uint64_t>(got);
            return got;
        }
        if (errno == EINTR) continue;
        error_ = errno;
        problem_ = std::strerror(error_);
        return -1;
    }
}

bool InputFile::readAll(std::string& out) {
    out.clear();
    if (size_ < (std::uint64_t{1} << 30)) out.reserve(static_cast<std::size_t>(size_));
    char buf[1 << 16];
    for (;;) {
        const long long n = read(buf, sizeof buf);
        if (n < 0) return false;
        if (n == 0) break;
        out.append(buf, static_cast<std::size_t>(n));
    }
    // A file that grew past the limit while it was read is not taken in part.
    if (done_ >= limit_ && limit_ != kNoLimit) {
        char extra;
        if (::read(fd_, &extra, 1) == 1) {
            error_ = EFBIG;
            problem_ = sizeProblem(limit_);
            return false;
        }
    }
    return true;
}

std::string inputFileProblem(const std::string& path, std::uint64_t limit) {
    struct stat st {};
    if (::stat(absolutePath(path).c_str(), &st) != 0) return std::strerror(errno);
    if (std::string p = typeProblem(st.st_mode); !p.empty()) return p;
    if (static_cast<std::uint64_t>(st.st_size) > limit) return sizeProblem(limit);
    return {};
}

std::string inputFileMessage(const std::string& path, const std::string& problem) {
    return "This file cannot be read:|" + path + "||" + problem;
}

}  // namespace rt
