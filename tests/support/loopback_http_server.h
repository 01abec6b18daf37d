#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the tests: serves the files of a folder by path,
// one connection per request ("Connection: close"), and can be told to misbehave per path.
//
//     fixture::TempFolder dir;
//     fixture::writeText(dir / "update/01/autoupdate2.inf", "\"ADD\",\"5\",...\n");
//     fixture::LoopbackHttpServer server(dir.path());        // listening on a free port
//     ASSERT_TRUE(server.running());
//     server.fault("/update/01/MAIN.UPD", fixture::HttpFault::OneByteShort);
//     server.redirect("/old.inf", "/update/01/autoupdate2.inf");
//     WriteRegistryValue("Settings", "UpdateServer", ..., server.url());   // "http://127.0.0.1:PORT"
//     ... the program downloads server.url("/update/01/autoupdate2.inf") ...
//     EXPECT_EQ(server.paths(), (std::vector<std::string>{"/update/01/autoupdate2.inf"}));
//     server.stop();   // later connections are refused ("server down"); the destructor stops too
//
// Requests are answered on threads of the server's own, so a test may download from the
// thread it runs on. Every connection gives up after a few seconds without progress and
// stop() ends all of them promptly, so a test never hangs on the server.
#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace fixture {

enum class HttpFault {
    None,
    NotFound,      // "404 Not Found" with a small page, whether or not the file exists
    OneByteShort,  // announces the file's whole length, sends one byte fewer, then closes
    CloseMidBody,  // announces the whole length, sends the first half, then closes
    NoAnswer,      // reads the request and closes without a byte of answer
    Stall,         // announces the whole length, sends the first half, then keeps silent
                   // (until the client gives up or the server stops)
    Endless,       // announces no length and sends the file over and over, without end
                   // (until the client hangs up or the server stops)
};

struct HttpRequestSeen {
    std::string method;   // "GET"
    std::string target;   // as sent, query included
    std::string path;     // without the query
    std::vector<std::string> headers;  // "Name: value", as sent
    // The value of a header by its name in any letter case ("" when absent).
    std::string header(const std::string& name) const;
};

class LoopbackHttpServer {
public:
    // Serves `folder`: the path "/a/b.txt" is the file folder/a/b.txt. A path with ".." or a
    // missing file answers 404.
    explicit LoopbackHttpServer(std::string folder);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    // False when it could not listen (the tests then fail on their first request).
    bool running() const { return listener_ >= 0; }
    int port() const { return port_; }
    // "http://127.0.0.1:PORT" followed by `path`.
    std::string url(const std::string& path = {}) const;

    // How the server answers a path from now on (HttpFault::None: normally again).
    void fault(const std::string& path, HttpFault how);
    // Answers `from` with "302 Found" pointing at `to` (a path or a whole address).
    void redirect(const std::string& from, const std::string& to);

    // Every request received so far, in the order they arrived.
    std::vector<HttpRequestSeen> requests() const;
    // Their paths alone.
    std::vector<std::string> paths() const;
    void clearRequests();

    // Stops listening and ends every connection; the port then refuses connections.
    void stop();

private:
    void acceptLoop();
    void serve(int socket);

    std::string folder_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    mutable std::mutex mutex_;
    std::map<std::string, HttpFault> faults_;
    std::map<std::string, std::string> redirects_;
    std::vector<HttpRequestSeen> requests_;
    std::vector<std::thread> connections_;
    std::thread acceptor_;
};

}  // namespace fixture
