#include "runtime/net/http_download.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "support/loopback_http_server.h"
#include "support/temp_folder.h"

using fixture::HttpFault;
using fixture::LoopbackHttpServer;
using fixture::readText;
using fixture::TempFolder;
using fixture::writeText;

namespace {

struct Outcome {
    bool started = false;
    bool failed = false;
    std::string error;
    std::uint64_t bytes = 0;
    long status = 0;
};

// Steps a download to its end (at most 20 s, so a fault cannot hang the test).
Outcome fetch(const std::string& url, const std::string& path, bool lineEnds = false) {
    rt::HttpDownload get;
    Outcome o;
    o.started = get.start({url, path, lineEnds});
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!get.finished() && std::chrono::steady_clock::now() < until) get.step(50);
    EXPECT_TRUE(get.finished()) << url << " did not end";
    o.failed = get.failed();
    o.error = get.errorText();
    o.bytes = get.bytesWritten();
    o.status = get.httpStatus();
    return o;
}

std::string randomBytes(std::size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::string s(n, '\0');
    for (char& c : s) c = static_cast<char>(gen() & 0xff);
    return s;
}

class HttpDownloadTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server_.running());
        std::filesystem::create_directories(site_.path() + "/update/01");
    }
    std::string local(const std::string& name = "got") const { return home_ / name; }

    TempFolder site_{"cantorelle-site"};
    TempFolder home_{"cantorelle-home"};
    LoopbackHttpServer server_{site_.path()};
};

TEST_F(HttpDownloadTest, AFileArrivesByteForByteAndAsksForAFreshCopy) {
    // Every byte value, and enough of them for many reads.
    std::string data;
    for (int i = 0; i < 256; ++i) data += static_cast<char>(i);
    data += randomBytes(300000, 7);
    writeText(site_ / "update/01/MAIN.UPD", data);
    writeText(local(), "an older copy that is longer than nothing at all");

    const Outcome o = fetch(server_.url("/update/01/MAIN.UPD"), local());
    EXPECT_TRUE(o.started);
    EXPECT_FALSE(o.failed) << o.error;
    EXPECT_EQ(o.status, 200);
    EXPECT_EQ(o.bytes, data.size());
    EXPECT_TRUE(readText(local()) == data) << "the file differs from the one served";

    const auto seen = server_.requests();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].method, "GET");
    EXPECT_EQ(seen[0].path, "/update/01/MAIN.UPD");
    EXPECT_EQ(seen[0].header("Cache-Control"), "no-cache");
}

TEST_F(HttpDownloadTest, AListGetsCrLfLineEndsOnlyWhereAnLfStandsAlone) {
    // A long list so that some CR LF pairs fall across the reads.
    std::string longList, longWant;
    for (int i = 0; i < 20000; ++i) {
        const std::string line = "\"ADD\",\"" + std::to_string(i) + "\",\"MAIN.TPS\",\"MAIN.UPD\",1";
        longList += line + (i % 2 ? "\n" : "\r\n");
        longWant += line + "\r\n";
    }
    struct Case {
        const char* name;
        std::string served, saved;
    };
    const Case cases[] = {
        {"bare LFs", "a,1\nb,2\n", "a,1\r\nb,2\r\n"},
        {"CR LF kept", "a,1\r\nb,2\r\n", "a,1\r\nb,2\r\n"},
        {"mixed", "a\r\nb\nc\r\n\n", "a\r\nb\r\nc\r\n\r\n"},
        {"lone CRs stay", "a\rb\r\r\nc", "a\rb\r\r\nc"},
        {"no line end", "only", "only"},
        {"LF first", "\nx", "\r\nx"},
        {"empty", "", ""},
        {"long list", longList, longWant},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeText(site_ / "update/01/autoupdate2.inf", c.served);
        const Outcome o = fetch(server_.url("/update/01/autoupdate2.inf"), local("autoupdate.lst"), true);
        EXPECT_FALSE(o.failed) << o.error;
        EXPECT_EQ(o.bytes, c.saved.size()) << "the count is of the bytes written";
        EXPECT_TRUE(readText(local("autoupdate.lst")) == c.saved);
    }

    // Not a list: LFs stay as they came.
    writeText(site_ / "update/01/MAIN.UPD", "a\nb\n");
    const Outcome o = fetch(server_.url("/update/01/MAIN.UPD"), local());
    EXPECT_EQ(o.bytes, 4u);
    EXPECT_EQ(readText(local()), "a\nb\n");
}

TEST_F(HttpDownloadTest, FailuresAreReportedInTheProgramsWords) {
    writeText(site_ / "update/01/MAIN.UPD", randomBytes(100001, 3));
    writeText(site_ / "update/01/DISCS.UPD", randomBytes(5000, 4));
    server_.fault("/update/01/DISCS.UPD", HttpFault::NotFound);
    server_.fault("/update/01/MAIN.UPD", HttpFault::OneByteShort);
    writeText(site_ / "update/01/STITLE.UPD", randomBytes(100000, 5));
    server_.fault("/update/01/STITLE.UPD", HttpFault::CloseMidBody);
    writeText(site_ / "update/01/DMAKE.UPD", "x");
    server_.fault("/update/01/DMAKE.UPD", HttpFault::NoAnswer);
    server_.redirect("/loop", "/loop");

    struct Case {
        const char* path;
        const char* error;
        std::uint64_t bytes;
    };
    const Case cases[] = {
        // Missing, or refused: the error page is not written and nothing is counted.
        {"/update/01/SARTIST.UPD", "File not found on server", 0},
        {"/update/01/DISCS.UPD", "File not found on server", 0},
        {"/../../etc/passwd", "File not found on server", 0},
        // The connection closes before the announced length: a failure, with what came counted
        // (the caller also sees the count short of the size it expects).
        {"/update/01/MAIN.UPD", "Connection Aborted", 100000},
        {"/update/01/STITLE.UPD", "Connection Aborted", 50000},
        {"/update/01/DMAKE.UPD", "Connection Reset", 0},
        {"/loop", "Redirect Failed", 0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const std::string file = local("got" + std::to_string(++n));
        const Outcome o = fetch(server_.url(c.path), file);
        EXPECT_TRUE(o.started);
        EXPECT_TRUE(o.failed);
        EXPECT_EQ(o.error, c.error);
        EXPECT_EQ(o.bytes, c.bytes);
        // What was counted is what the file holds; a request that got no file makes none.
        if (c.bytes == 0) {
            EXPECT_FALSE(std::filesystem::exists(file)) << "an empty file was left";
        } else {
            EXPECT_EQ(std::filesystem::file_size(file), c.bytes);
        }
    }
}

TEST_F(HttpDownloadTest, ABoundStopsAFileThatWouldGrowPastItAndOnlyAnEndedTransferIsWhole) {
    writeText(site_ / "update/01/MAIN.UPD", randomBytes(5000, 21));
    writeText(site_ / "update/01/autoupdate2.inf", "\"A\",\"1\"\n\"B\",\"2\"\n");  // 16 bytes, 18 as CR LF
    writeText(site_ / "update/01/EMPTY.UPD", "");
    writeText(site_ / "update/01/ENDLESS.UPD", "Zoë sings on and on\n");
    server_.fault("/update/01/ENDLESS.UPD", HttpFault::Endless);
    writeText(site_ / "update/01/SHORT.UPD", randomBytes(3000, 22));
    server_.fault("/update/01/SHORT.UPD", HttpFault::OneByteShort);

    struct Case {
        const char* path;
        std::uint64_t maxBytes;
        bool lineEnds;
        bool whole;
        const char* error;
        bool fileMade;
    };
    const Case cases[] = {
        {"/update/01/MAIN.UPD", 5000, false, true, "", true},
        {"/update/01/MAIN.UPD", 0, false, true, "", true},
        // Announced longer than the bound: refused before a byte is written.
        {"/update/01/MAIN.UPD", 4999, false, false, "File larger than expected", false},
        // The line ends make the list grow past its bound.
        {"/update/01/autoupdate2.inf", 17, true, false, "File larger than expected", true},
        {"/update/01/autoupdate2.inf", 18, true, true, "", true},
        // No length announced, and no end: stopped at the bound.
        {"/update/01/ENDLESS.UPD", 100000, false, false, "File larger than expected", true},
        // An empty file is a file.
        {"/update/01/EMPTY.UPD", 10, false, true, "", true},
        {"/update/01/SHORT.UPD", 3000, false, false, "Connection Aborted", true},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.path) + " bound " + std::to_string(c.maxBytes));
        const std::string file = local("bound" + std::to_string(++n));
        rt::HttpDownload get;
        ASSERT_TRUE(get.start({server_.url(c.path), file, c.lineEnds, c.maxBytes}));
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!get.finished() && std::chrono::steady_clock::now() < until) get.step(50);
        ASSERT_TRUE(get.finished());
        EXPECT_EQ(get.whole(), c.whole);
        EXPECT_EQ(get.failed(), !c.whole);
        EXPECT_EQ(get.errorText(), c.error);
        EXPECT_EQ(std::filesystem::exists(file), c.fileMade);
        if (c.maxBytes) {
            EXPECT_LE(get.bytesWritten(), c.maxBytes);
        }
        if (c.fileMade) {
            EXPECT_EQ(std::filesystem::file_size(file), get.bytesWritten());
        }
    }

    // Cancelled is never whole.
    rt::HttpDownload get;
    ASSERT_TRUE(get.start({server_.url("/update/01/ENDLESS.UPD"), local("cancelled"), false}));
    while (get.bytesWritten() == 0) get.step(50);
    get.cancel();
    EXPECT_FALSE(get.whole());
}

TEST_F(HttpDownloadTest, AnAddressThatCannotBeReached) {
    struct Case {
        std::string url;
        const char* error;
    };
    LoopbackHttpServer gone(site_.path());
    const std::string down = gone.url("/update/01/autoupdate2.inf");
    gone.stop();
    const Case cases[] = {
        {down, "Cannot connect"},
        {"ftp://127.0.0.1/update/01/autoupdate2.inf", "Unrecognized Scheme : Please check the URL name"},
        {"file:///etc/passwd", "Unrecognized Scheme : Please check the URL name"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const Outcome o = fetch(c.url, local());
        EXPECT_TRUE(o.failed);
        EXPECT_EQ(o.error, c.error);
        EXPECT_EQ(o.bytes, 0u);
    }

    rt::HttpDownload get;
    EXPECT_FALSE(get.start({server_.url("/x"), home_ / "no/such/folder/file", false}));
    EXPECT_TRUE(get.failed());
    EXPECT_EQ(get.errorText(), "Error creating the file");
    EXPECT_TRUE(server_.paths().empty()) << "nothing is asked for when the file cannot be made";
}

TEST_F(HttpDownloadTest, RedirectsAreFollowed) {
    const std::string data = randomBytes(4000, 11);
    writeText(site_ / "update/01/autoupdate2.inf", data);
    server_.redirect("/moved/autoupdate2.inf", "/again/autoupdate2.inf");
    server_.redirect("/again/autoupdate2.inf", server_.url("/update/01/autoupdate2.inf"));

    const Outcome o = fetch(server_.url("/moved/autoupdate2.inf"), local());
    EXPECT_FALSE(o.failed) << o.error;
    EXPECT_EQ(o.status, 200);
    EXPECT_EQ(o.bytes, data.size());
    EXPECT_TRUE(readText(local()) == data);
    EXPECT_EQ(server_.paths(), (std::vector<std::string>{"/moved/autoupdate2.inf", "/again/autoupdate2.inf",
                                                         "/update/01/autoupdate2.inf"}));
}

TEST_F(HttpDownloadTest, CancelKeepsWhatCameAndEndsAStalledTransfer) {
    writeText(site_ / "update/01/MAIN.UPD", randomBytes(20000, 13));
    server_.fault("/update/01/MAIN.UPD", HttpFault::Stall);
    rt::HttpDownload get;
    ASSERT_TRUE(get.start({server_.url("/update/01/MAIN.UPD"), local(), false}));
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (get.bytesWritten() < 10000 && std::chrono::steady_clock::now() < until) get.step(50);
    EXPECT_EQ(get.bytesWritten(), 10000u);
    EXPECT_FALSE(get.finished()) << "the server holds the rest back";
    get.cancel();
    EXPECT_TRUE(get.finished());
    EXPECT_EQ(std::filesystem::file_size(local()), 10000u);
}

}  // namespace
