#include "support/loopback_http_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

namespace fixture {

namespace {

using Clock = std::chrono::steady_clock;

// A connection that makes no progress for this long is dropped.
constexpr auto kIdle = std::chrono::seconds(5);
// A stalled answer holds its connection at most this long.
constexpr auto kStallLimit = std::chrono::seconds(60);
constexpr std::size_t kMaxRequest = 16 * 1024;
constexpr int kSlice = 50;  // ms between looks at the stop flag

std::string lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string percentDecoded(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && std::isxdigit(static_cast<unsigned char>(s[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(s[i + 2]))) {
            out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Waits until the socket is ready for `events` or the server stops; false on stop or when
// nothing happened within `limit`.
bool waitFor(int fd, short events, const std::atomic<bool>& stopping, Clock::duration limit) {
    const auto until = Clock::now() + limit;
    while (!stopping.load()) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, kSlice);
        if (r > 0) return true;
        if (r < 0 && errno != EINTR) return false;
        if (Clock::now() >= until) return false;
    }
    return false;
}

bool sendAll(int fd, const char* data, std::size_t size, const std::atomic<bool>& stopping) {
    while (size > 0) {
        if (!waitFor(fd, POLLOUT, stopping, kIdle)) return false;
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool sendAll(int fd, const std::string& s, const std::atomic<bool>& stopping) {
    return sendAll(fd, s.data(), s.size(), stopping);
}

// Ends the connection with a FIN rather than a reset: our side is shut first, then what the
// client still sends is read away for a moment.
void closeGently(int fd) {
    ::shutdown(fd, SHUT_WR);
    char buf[512];
    for (int i = 0; i < 20; ++i) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kSlice) <= 0) break;
        if (::recv(fd, buf, sizeof buf, MSG_DONTWAIT) <= 0) break;
    }
    ::close(fd);
}

std::string head(int status, const char* reason, std::size_t length, const std::string& extra = {}) {
    std::ostringstream s;
    s << "HTTP/1.1 " << status << ' ' << reason << "\r\n"
      << "Content-Length: " << length << "\r\n"
      << "Connection: close\r\n"
      << extra << "\r\n";
    return s.str();
}

}  // namespace

std::string HttpRequestSeen::header(const std::string& name) const {
    const std::string want = lower(name);
    for (const std::string& h : headers) {
        const std::size_t colon = h.find(':');
        if (colon == std::string::npos || lower(h.substr(0, colon)) != want) continue;
        std::size_t v = colon + 1;
        while (v < h.size() && h[v] == ' ') ++v;
        return h.substr(v);
    }
    return {};
}

LoopbackHttpServer::LoopbackHttpServer(std::string folder) : folder_(std::move(folder)) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;  // a free port
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        return;
    }
    listener_ = fd;
    port_ = ntohs(addr.sin_port);
    acceptor_ = std::thread([this] { acceptLoop(); });
}

LoopbackHttpServer::~LoopbackHttpServer() { stop(); }

std::string LoopbackHttpServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

void LoopbackHttpServer::fault(const std::string& path, HttpFault how) {
    std::lock_guard lock(mutex_);
    if (how == HttpFault::None) faults_.erase(path);
    else faults_[path] = how;
}

void LoopbackHttpServer::redirect(const std::string& from, const std::string& to) {
    std::lock_guard lock(mutex_);
    redirects_[from] = to;
}

std::vector<HttpRequestSeen> LoopbackHttpServer::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<std::string> LoopbackHttpServer::paths() const {
    std::vector<std::string> out;
    for (const HttpRequestSeen& r : requests()) out.push_back(r.path);
    return out;
}

void LoopbackHttpServer::clearRequests() {
    std::lock_guard lock(mutex_);
    requests_.clear();
}

void LoopbackHttpServer::stop() {
    stopping_ = true;
    if (acceptor_.joinable()) acceptor_.join();
    if (listener_ >= 0) {
        ::close(listener_);
        listener_ = -1;
    }
    std::vector<std::thread> connections;
    {
        std::lock_guard lock(mutex_);
        connections.swap(connections_);
    }
    for (std::thread& t : connections) t.join();
}

void LoopbackHttpServer::acceptLoop() {
    while (!stopping_.load()) {
        pollfd p{listener_, POLLIN, 0};
        if (::poll(&p, 1, kSlice) <= 0) continue;
        const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        connections_.emplace_back([this, fd] { serve(fd); });
    }
}

void LoopbackHttpServer::serve(int fd) {
    // The request head.
    std::string in;
    std::size_t end = std::string::npos;
    while (end == std::string::npos) {
        if (in.size() > kMaxRequest || !waitFor(fd, POLLIN, stopping_, kIdle)) {
            ::close(fd);
            return;
        }
        char buf[2048];
        const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
            ::close(fd);
            return;
        }
        if (n > 0) in.append(buf, static_cast<std::size_t>(n));
        end = in.find("\r\n\r\n");
    }
    HttpRequestSeen req;
    {
        std::istringstream lines(in.substr(0, end));
        std::string line;
        std::getline(lines, line);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::istringstream first(line);
        first >> req.method >> req.target;
        req.path = req.target.substr(0, req.target.find('?'));
        while (std::getline(lines, line)) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            if (!line.empty()) req.headers.push_back(line);
        }
    }
    HttpFault how = HttpFault::None;
    std::string location;
    {
        std::lock_guard lock(mutex_);
        requests_.push_back(req);
        if (auto f = faults_.find(req.path); f != faults_.end()) how = f->second;
        if (auto r = redirects_.find(req.path); r != redirects_.end()) location = r->second;
    }

    if (how == HttpFault::NoAnswer) {
        closeGently(fd);
        return;
    }
    if (!location.empty()) {
        if (location.front() == '/') location = url(location);
        sendAll(fd, head(302, "Found", 0, "Location: " + location + "\r\n"), stopping_);
        closeGently(fd);
        return;
    }

    std::string body;
    bool found = false;
    const std::string path = percentDecoded(req.path);
    if (how != HttpFault::NotFound && req.method == "GET" && !path.empty() && path.front() == '/' &&
        path.find("..") == std::string::npos) {
        std::error_code ec;
        const std::filesystem::path file = std::filesystem::path(folder_) / path.substr(1);
        if (std::filesystem::is_regular_file(file, ec)) {
            std::ifstream f(file, std::ios::binary);
            body.assign(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
            found = static_cast<bool>(f) || f.eof();
        }
    }
    if (!found) {
        const std::string page = "<html><body><h1>404 Not Found</h1></body></html>\n";
        sendAll(fd, head(404, "Not Found", page.size(), "Content-Type: text/html\r\n") + page, stopping_);
        closeGently(fd);
        return;
    }

    if (how == HttpFault::Endless) {
        const std::string open = "HTTP/1.1 200 OK\r\nConnection: close\r\nContent-Type: text/plain\r\n\r\n";
        if (body.empty()) body = "\n";
        const auto until = Clock::now() + kStallLimit;
        bool going = sendAll(fd, open, stopping_);
        while (going && Clock::now() < until) going = sendAll(fd, body, stopping_);
        ::close(fd);
        return;
    }
    std::size_t send = body.size();
    if (how == HttpFault::OneByteShort && send > 0) send -= 1;
    if (how == HttpFault::CloseMidBody || how == HttpFault::Stall) send /= 2;
    if (!sendAll(fd, head(200, "OK", body.size(), "Content-Type: application/octet-stream\r\n"), stopping_) ||
        !sendAll(fd, body.data(), send, stopping_)) {
        ::close(fd);
        return;
    }
    if (how == HttpFault::Stall) {
        // Silent until the client hangs up or the server stops.
        const auto until = Clock::now() + kStallLimit;
        char buf[512];
        while (Clock::now() < until && waitFor(fd, POLLIN, stopping_, kStallLimit)) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) break;
        }
        ::close(fd);
        return;
    }
    closeGently(fd);
}

}  // namespace fixture
