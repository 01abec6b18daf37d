#include "runtime/files/spill_sort.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "runtime/files/file_util.h"
#include "runtime/files/work_folder.h"

namespace rt::spill {

File::~File() {
    if (fd_ >= 0) ::close(fd_);
}

bool File::open() {
    if (fd_ >= 0) return true;
    const std::string folder = rt::temporaryFolder();
    fd_ = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // A file system without unnamed files: a named one, unlinked at once.
        std::string name = folder + "/cantorelle-sort-XXXXXX";
        fd_ = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd_ >= 0) ::unlink(name.c_str());
    }
    if (fd_ < 0) {
        error_ = "A temporary file could not be made in " + folder + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

bool File::append(const std::string& bytes) {
    if (!open()) return false;
    if (::lseek(fd_, static_cast<off_t>(size_), SEEK_SET) < 0) {
        error_ = std::string("A temporary file could not be written: ") + std::strerror(errno);
        return false;
    }
    if (int e = rt::writeAll(fd_, bytes.data(), bytes.size())) {
        error_ = "A temporary file in " + rt::temporaryFolder() + " could not be written: " + std::strerror(e);
        return false;
    }
    size_ += bytes.size();
    return true;
}

long File::read(std::uint64_t at, char* into, std::size_t len) {
    std::size_t got = 0;
    while (got < len) {
        const ssize_t n = ::pread(fd_, into + got, len - got, static_cast<off_t>(at + got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error_ = std::string("A temporary file could not be read: ") + std::strerror(errno);
            return -1;
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    return static_cast<long>(got);
}

bool RunReader::fill(std::size_t need) {
    if (buf_.size() - pos_ >= need) return true;
    buf_.erase(0, pos_);
    pos_ = 0;
    constexpr std::size_t kBlock = 64 * 1024;
    while (buf_.size() < need && at_ < end_) {
        const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(std::max(kBlock, need), end_ - at_));
        const std::size_t old = buf_.size();
        buf_.resize(old + want);
        const long got = file_->read(at_, buf_.data() + old, want);
        if (got <= 0) {
            failed_ = true;  // an error, or a file shorter than it was written
            buf_.resize(old);
            return false;
        }
        buf_.resize(old + static_cast<std::size_t>(got));
        at_ += static_cast<std::uint64_t>(got);
    }
    return buf_.size() >= need;
}

bool RunReader::next(std::string_view& record) {
    if (pos_ == buf_.size() && at_ >= end_) return false;
    std::uint32_t n = 0;
    if (!fill(4)) {
        failed_ = true;
        return false;
    }
    std::memcpy(&n, buf_.data() + pos_, 4);
    if (!fill(4 + static_cast<std::size_t>(n))) {
        failed_ = true;
        return false;
    }
    record = std::string_view(buf_.data() + pos_ + 4, n);
    pos_ += 4 + static_cast<std::size_t>(n);
    return true;
}

}  // namespace rt::spill
