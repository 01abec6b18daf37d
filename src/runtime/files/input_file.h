#pragma once
// Files that come from outside the program (chosen by the host in a file dialog, named in a
// setting) are read only through this: only a regular file opens. A folder, a FIFO, a device
// (/dev/zero) or a socket is refused before a byte is read, so a reader never waits for a
// pipe's writer or reads without end, and reading stops at the limit given to open().
//
//     rt::InputFile in;
//     if (!in.open(path, 1 << 20)) {           // at most 1 MB
//         rt::message("...|" + in.problem());  // "It is a folder, not a file."
//         return;
//     }
//     std::string text;
//     if (!in.readAll(text)) ...in.problem()...
//
// The file dialogs in open mode refuse such a choice with inputFileMessage() and ask again,
// so every chooser of a file to read says so before its reader is reached.
#include <cstddef>
#include <cstdint>
#include <string>

namespace rt {

class InputFile {
public:
    static constexpr std::uint64_t kNoLimit = UINT64_MAX;

    InputFile() = default;
    ~InputFile() { close(); }
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens `path` (absolute, or relative to the current folder) for reading; false with
    // error() and problem() set when it is missing, unreadable, no regular file, or larger
    // than `limit` bytes.
    bool open(const std::string& path, std::uint64_t limit = kNoLimit);
    void close();
    bool isOpen() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    // The size when it was opened.
    std::uint64_t size() const { return size_; }
    // 0, or the errno value of the failure (EISDIR for a folder, ENODEV for a FIFO, device or
    // socket, EFBIG past the limit).
    int error() const { return error_; }
    // The failure as the host reads it: the system's text, or "It is a folder, not a file."
    const std::string& problem() const { return problem_; }

    // Up to n bytes: their number, 0 at the end of the file or at the limit, -1 on a read
    // error (error() and problem() set).
    long long read(char* data, std::size_t n);
    // The whole file (within the limit): false on a read error or when it grew past the limit.
    bool readAll(std::string& out);
    // Hands the open descriptor over to the caller, who closes it (-1 when none is open).
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    bool fail(int error, std::string problem);

    int fd_ = -1;
    std::uint64_t size_ = 0, limit_ = kNoLimit, done_ = 0;
    int error_ = 0;
    std::string problem_;
};

// Why `path` cannot be read as a file from outside, empty when it can: what InputFile::open
// would say of it, from its directory entry alone (nothing is opened).
std::string inputFileProblem(const std::string& path, std::uint64_t limit = InputFile::kNoLimit);
// The message for a refused choice: the path and the problem.
std::string inputFileMessage(const std::string& path, const std::string& problem);

}  // namespace rt
