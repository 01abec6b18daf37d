#pragma once
// Work done in a child process that reports back in a text, read through a pipe (so that a
// file-size limit of the child does not touch it):
//
//     const std::string said = fixture::inChild([&] {
//         ... write until the disc is "full" ...
//         return status + "\n" + message;
//     }, 64 * 1024);
//
// With a limit, no file the child writes grows past that many bytes (RLIMIT_FSIZE): the write
// fails with EFBIG ("File too large"), as on a full disc, instead of raising the signal. The
// child ends with _exit after its body, so nothing of the parent's state is torn down twice.
// Call it while no program runs (the driver ended or not started): only the calling thread
// lives on in the child. A child that dies says so: "child ended by signal 9".
//
// Also: a child that holds a file open (another program using it), and a child going on as
// an ordinary user.
#include <sys/types.h>

#include <functional>
#include <string>

namespace fixture {

std::string inChild(const std::function<std::string()>& body, long long fileSizeLimit = -1);

// In a child running as root: goes on as the user "nobody", so that file permissions apply as
// they do to a host. True when the process is no root (any more).
bool dropRoot();

// Another process with a file open while the object lives.
class HeldOpen {
public:
    explicit HeldOpen(const std::string& file);
    ~HeldOpen();
    HeldOpen(const HeldOpen&) = delete;
    HeldOpen& operator=(const HeldOpen&) = delete;
    bool held() const { return held_; }

private:
    pid_t pid_ = -1;
    bool held_ = false;
};

}  // namespace fixture
