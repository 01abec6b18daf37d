#include "runtime/files/line_file.h"

#include <cerrno>
#include <utility>

#include "runtime/error/error.h"
#include "runtime/files/folder.h"

namespace rt {

namespace {
// Lines gather in memory and go to the file in blocks of about this size.
constexpr std::size_t kBlock = 1 << 16;

int fail(int err) {
    if (err) setFileSystemError(err);
    return err;
}
}  // namespace

int LineFile::create(const std::string& path) {
    discard();
    clearError();
    name_ = absolutePath(path);
    error_ = 0;
    if (int e = file_.create(name_, 0666)) return fail(e);
    open_ = true;
    return 0;
}

void LineFile::write(std::string_view line) {
    if (!open_) return;
    std::size_t end = line.size();
    while (end > 0 && line[end - 1] == ' ') --end;
    buffer_.append(line.substr(0, end));
    buffer_ += "\r\n";
    if (buffer_.size() >= kBlock) flush();
}

int LineFile::flush() {
    if (error_ == 0 && !buffer_.empty()) error_ = writeAll(file_.fd(), buffer_.data(), buffer_.size());
    buffer_.clear();
    return error_;
}

int LineFile::close() {
    if (!open_) return fail(EBADF);
    open_ = false;
    int err = flush();
    if (err) {
        file_.discard();
        return fail(err);
    }
    return fail(file_.commit(true));
}

int LineFile::finish(TempFile& done) {
    if (!open_) return fail(EBADF);
    open_ = false;
    if (int err = flush()) {
        file_.discard();
        return fail(err);
    }
    if (int err = file_.seal()) return fail(err);
    done = std::move(file_);
    return 0;
}

void LineFile::discard() {
    file_.discard();
    buffer_.clear();
    open_ = false;
}

}  // namespace rt
