#pragma once
// An HTTP(S) GET into a local file, driven in steps by the caller so that a window can show
// progress and offer Cancel between them:
//
//     rt::HttpDownload get;
//     if (!get.start({"http://host/update/01/x.inf", "/inst/x.lst", true})) fail(get.errorText());
//     while (!get.finished()) {
//         get.step(50);                 // transfers for at most 50 ms, the baton given up
//         show(get.bytesWritten());
//     }
//     if (get.failed()) fail(get.errorText());
//
// Redirects are followed, caches are asked for a fresh copy, a connection that cannot be made
// in 15 s or stalls for 30 s fails, and an HTTP error status (404 and the like) is a failure,
// not a file: the local file is created only when the server sends the file (an empty one at
// the end of an empty transfer), so a refused request leaves nothing behind. With lineEnds
// set, every LF not already preceded by CR is written as CR LF. With maxBytes set, a transfer
// that would write more fails before writing the block that goes past it ("File larger than
// expected"), and so does one whose announced length is already too large.
#include <cstdint>
#include <memory>
#include <string>

namespace rt {

struct HttpRequest {
    std::string url;
    std::string path;        // the local file, created anew when the file comes
    bool lineEnds = false;   // a text file whose bare LFs become CR LF
    std::uint64_t maxBytes = 0;  // the most the file may hold; 0: no bound
};

class HttpDownload {
public:
    HttpDownload();
    ~HttpDownload();
    HttpDownload(const HttpDownload&) = delete;
    HttpDownload& operator=(const HttpDownload&) = delete;

    // Begins the transfer; false (with errorText) when it cannot even start.
    bool start(const HttpRequest& request);
    // Moves the transfer on for at most `ms` milliseconds, with the baton given up while it
    // waits for the network.
    void step(int ms);
    // Stops the transfer; what was written stays.
    void cancel();
    // The transfer ended by itself and every byte the server sent is in the file.
    bool whole() const;

    bool finished() const;
    bool failed() const;
    std::uint64_t bytesWritten() const;
    long httpStatus() const;
    // The reason of a failure, in the words the program shows ("Cannot connect", "File not
    // found on server", ...).
    const std::string& errorText() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace rt
