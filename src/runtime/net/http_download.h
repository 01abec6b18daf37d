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
// not a file. With lineEnds set, every LF not already preceded by CR is written as CR LF.
#include <cstdint>
#include <memory>
#include <string>

namespace rt {

struct HttpRequest {
    std::string url;
    std::string path;        // the local file, created anew
    bool lineEnds = false;   // a text file whose bare LFs become CR LF
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
