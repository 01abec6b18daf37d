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
#include <functional>
#include <string>

namespace fixture {

std::string inChild(const std::function<std::string()>& body, long long fileSizeLimit = -1);

}  // namespace fixture
