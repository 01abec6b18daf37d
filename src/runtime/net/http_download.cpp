#include "runtime/net/http_download.h"

#include <curl/curl.h>
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <vector>

#include "runtime/files/file_util.h"
#include "runtime/files/folder.h"
#include "runtime/thread/thread.h"

namespace rt {

namespace {

std::once_flag curlInit;

// libcurl's failures in the words the program has always shown for them.
std::string curlText(CURLcode code) {
    switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL: return "Unrecognized Scheme : Please check the URL name";
    case CURLE_URL_MALFORMAT: return "Invalid URL";
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST: return "Service Name Not Resolved";
    case CURLE_COULDNT_CONNECT: return "Cannot connect";
    case CURLE_OPERATION_TIMEDOUT: return "Timeout";
    case CURLE_TOO_MANY_REDIRECTS: return "Redirect Failed";
    case CURLE_WEIRD_SERVER_REPLY: return "Invalid HTTP Server Response";
    case CURLE_PARTIAL_FILE:
    case CURLE_RECV_ERROR:
    case CURLE_SEND_ERROR: return "Connection Aborted";
    case CURLE_GOT_NOTHING: return "Connection Reset";
    case CURLE_PEER_FAILED_VERIFICATION: return "Sec Cert CN Invalid";
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM: return "Invalid CA Cert";
    case CURLE_LOGIN_DENIED: return "Login Failure";
    case CURLE_OUT_OF_MEMORY: return "Out of handles";
    case CURLE_ABORTED_BY_CALLBACK: return "Operation Canceled";
    case CURLE_WRITE_ERROR: return "Error writing the file";
    case CURLE_FILESIZE_EXCEEDED: return "File larger than expected";
    default: return "Unknown Error";
    }
}

}  // namespace

struct HttpDownload::Impl {
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    int fd = -1;
    std::string path;
    bool lineEnds = false;
    std::uint64_t maxBytes = 0;
    bool tooLarge = false;
    bool ended = false;  // by itself, not cancelled
    bool lastWasCr = false;
    bool done = true;
    bool failed = false;
    bool writeFailed = false;
    long status = 0;
    std::uint64_t written = 0;
    std::string error;
    std::vector<char> converted;

    ~Impl() { end(); }

    void end() {
        if (easy) {
            if (multi) curl_multi_remove_handle(multi, easy);
            curl_easy_cleanup(easy);
            easy = nullptr;
        }
        if (multi) {
            curl_multi_cleanup(multi);
            multi = nullptr;
        }
        if (headers) {
            curl_slist_free_all(headers);
            headers = nullptr;
        }
        if (fd >= 0) {
            if (::close(fd) != 0 && !failed) fail("Error writing the file");
            fd = -1;
        }
    }

    // The local file, once the server sends it.
    bool create() {
        fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd >= 0) return true;
        writeFailed = true;
        return false;
    }

    void fail(const std::string& why) {
        if (!failed) error = why;
        failed = true;
        done = true;
    }

    // Data from the server. An error status sends its page here too: it is not written.
    static size_t onData(char* data, size_t size, size_t n, void* self) {
        Impl& d = *static_cast<Impl*>(self);
        const size_t len = size * n;
        if (d.status == 0) curl_easy_getinfo(d.easy, CURLINFO_RESPONSE_CODE, &d.status);
        if (d.status >= 400) return len;
        if (d.fd < 0 && !d.create()) return 0;
        const char* out = data;
        size_t outLen = len;
        if (d.lineEnds) {
            d.converted.clear();
            for (size_t i = 0; i < len; ++i) {
                if (data[i] == '\n' && !d.lastWasCr) d.converted.push_back('\r');
                d.converted.push_back(data[i]);
                d.lastWasCr = data[i] == '\r';
            }
            out = d.converted.data();
            outLen = d.converted.size();
        }
        if (d.maxBytes && d.written + outLen > d.maxBytes) {
            d.tooLarge = true;
            return 0;  // ends the transfer before the file grows past its bound
        }
        if (writeAll(d.fd, out, outLen) != 0) {
            d.writeFailed = true;
            return 0;  // ends the transfer with a write error
        }
        d.written += outLen;
        return len;
    }
};

HttpDownload::HttpDownload() : impl_(std::make_unique<Impl>()) {
    std::call_once(curlInit, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpDownload::~HttpDownload() = default;

bool HttpDownload::start(const HttpRequest& request) {
    impl_ = std::make_unique<Impl>();
    Impl& d = *impl_;
    d.lineEnds = request.lineEnds;
    d.done = false;
    d.path = absolutePath(request.path);
    d.maxBytes = request.maxBytes;
    // The file is made only when the server sends it, but a place where it cannot be made is
    // known now, before anything is asked for.
    const std::string::size_type slash = d.path.rfind('/');
    const std::string folder = slash == 0 ? std::string("/") : d.path.substr(0, slash);
    if (::access(folder.c_str(), W_OK | X_OK) != 0) {
        d.fail("Error creating the file");
        return false;
    }
    d.easy = curl_easy_init();
    d.multi = curl_multi_init();
    if (!d.easy || !d.multi) {
        d.fail("Out of handles");
        return false;
    }
    d.headers = curl_slist_append(d.headers, "Cache-Control: no-cache");
    d.headers = curl_slist_append(d.headers, "Pragma: no-cache");
    curl_easy_setopt(d.easy, CURLOPT_URL, request.url.c_str());
    curl_easy_setopt(d.easy, CURLOPT_HTTPHEADER, d.headers);
    curl_easy_setopt(d.easy, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(d.easy, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(d.easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(d.easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(d.easy, CURLOPT_CONNECTTIMEOUT, 15L);
    curl_easy_setopt(d.easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(d.easy, CURLOPT_LOW_SPEED_TIME, 30L);
    curl_easy_setopt(d.easy, CURLOPT_NOSIGNAL, 1L);
    if (d.maxBytes) curl_easy_setopt(d.easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(d.maxBytes));
    curl_easy_setopt(d.easy, CURLOPT_WRITEFUNCTION, &Impl::onData);
    curl_easy_setopt(d.easy, CURLOPT_WRITEDATA, &d);
    if (curl_multi_add_handle(d.multi, d.easy) != CURLM_OK) {
        d.fail("Out of handles");
        return false;
    }
    return true;
}

void HttpDownload::step(int ms) {
    Impl& d = *impl_;
    if (d.done) return;
    int running = 0;
    {
        // The network may keep us waiting: other windows go on meanwhile.
        WaitOutside outside;
        curl_multi_perform(d.multi, &running);
        if (running) {
            curl_multi_poll(d.multi, nullptr, 0, ms, nullptr);
            curl_multi_perform(d.multi, &running);
        }
    }
    int left = 0;
    while (CURLMsg* m = curl_multi_info_read(d.multi, &left)) {
        if (m->msg != CURLMSG_DONE) continue;
        curl_easy_getinfo(d.easy, CURLINFO_RESPONSE_CODE, &d.status);
        if (d.tooLarge) d.fail("File larger than expected");
        else if (d.writeFailed) d.fail(d.fd < 0 ? "Error creating the file" : "Error writing the file");
        else if (m->data.result != CURLE_OK) d.fail(curlText(m->data.result));
        else if (d.status == 404 || d.status == 410) d.fail("File not found on server");
        else if (d.status >= 400) d.fail("The server answered " + std::to_string(d.status));
        // An empty file is a file too.
        else if (d.fd < 0 && !d.create()) d.fail("Error creating the file");
        d.ended = true;
        d.done = true;
        d.end();
        return;
    }
}

void HttpDownload::cancel() {
    impl_->done = true;
    impl_->end();
}

bool HttpDownload::finished() const { return impl_->done; }
bool HttpDownload::failed() const { return impl_->failed; }
bool HttpDownload::whole() const { return impl_->ended && !impl_->failed; }
std::uint64_t HttpDownload::bytesWritten() const { return impl_->written; }
long HttpDownload::httpStatus() const { return impl_->status; }
const std::string& HttpDownload::errorText() const { return impl_->error; }

}  // namespace rt
