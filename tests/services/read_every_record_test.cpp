// Reading every record of a file, a key range or a selection: the order, where a reader
// starts, stopping early, and what a failed read shows (at once, or later for a quiet reader).
#include "services/ReadEveryRecord.h"

#include <gtest/gtest.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "frontend/headless/driver.h"
#include "runtime/error/error.h"
#include "services/OpenDataFile.h"
#include "support/data_fixture.h"
#include "support/temp_folder.h"

namespace {

std::string listing() { return SBK.TITLE.str() + "@" + SBK.UNQDISKID.str(); }

class ReadTest : public ::testing::Test {
public:
    void SetUp() override {
        fixture::pointFileNamesAt(dir_.path());
        run([] {
            DataFileUse songBook(SBK);
            fixture::addListing("MX2201", 1, "Neon Orchard");
            fixture::addListing("CV0101", 2, "Anchor and Feather");
            fixture::addListing("CV0101", 1, "Celo Waltz");
            fixture::addListing("MX2201", 2, "Brass Buttons");
        });
        ASSERT_TRUE(boxes_.empty());
    }

    // Runs `body` as the program; the titles and texts of the boxes it shows are kept, each
    // answered with OK.
    void run(const std::function<void()>& body) {
        headless::Driver d;
        ASSERT_TRUE(d.start(body)) << d.error();
        while (auto r = d.request()) {
            boxes_.push_back(r->title + ": " + r->text);
            if (!d.answer("OK")) break;
        }
        EXPECT_FALSE(d.running());
    }

    // The listings file can no longer be read.
    void breakTheFile() {
        std::string err;
        ASSERT_EQ(fixture::execSql(SongBookFileName.str(), "DROP TABLE \"data\"", &err), 0) << err;
    }

protected:
    fixture::TempFolder dir_;
    std::vector<std::string> boxes_;
};

// --- what is read ---

struct OrderCase {
    const char* what;
    std::function<bool(std::vector<std::string>&)> read;  // what ReadEveryRecord said
    std::vector<std::string> read_;
};

void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.what; }

class ReadOrder : public ReadTest, public ::testing::WithParamInterface<OrderCase> {};

TEST_P(ReadOrder, ReadsTheRecordsInTheirOrderIntoTheBuffer) {
    const OrderCase& c = GetParam();
    std::vector<std::string> got;
    bool said = false;
    int error = -1;
    run([&] {
        DataFileUse songBook(SBK);
        said = c.read(got);
        error = rt::errorCode();
    });
    EXPECT_TRUE(said);
    EXPECT_EQ(got, c.read_);
    EXPECT_EQ(error, 0) << "the error state is clear at the end";
    EXPECT_TRUE(boxes_.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Reads, ReadOrder,
    ::testing::Values(
        OrderCase{"a key's order",
                  [](std::vector<std::string>& got) {
                      return ReadEveryRecord(SBK, SongBook::KTITLE, [&] {
                          got.push_back(listing());
                          return true;
                      });
                  },
                  {"Anchor and Feather@CV0101", "Brass Buttons@MX2201", "Celo Waltz@CV0101", "Neon Orchard@MX2201"}},
        OrderCase{"the file's own order",
                  [](std::vector<std::string>& got) {
                      return ReadEveryRecord(SBK, [&] {
                          got.push_back(listing());
                          return true;
                      });
                  },
                  {"Neon Orchard@MX2201", "Anchor and Feather@CV0101", "Celo Waltz@CV0101", "Brass Buttons@MX2201"}},
        OrderCase{"stopped by each",
                  [](std::vector<std::string>& got) {
                      return ReadEveryRecord(SBK, SongBook::KTITLE, [&] {
                          got.push_back(listing());
                          return got.size() < 2;
                      });
                  },
                  {"Anchor and Feather@CV0101", "Brass Buttons@MX2201"}},
        OrderCase{"a view's range",
                  [](std::vector<std::string>& got) {
                      rt::View view(SBK, SongBook::KUNQDISKID);
                      view.range(1);
                      SBK.clearBuffer();
                      SBK.UNQDISKID = "mx2201";
                      return ReadEveryRecord(view, "SongBook", [&] {
                          got.push_back(listing());
                          return true;
                      });
                  },
                  {"Neon Orchard@MX2201", "Brass Buttons@MX2201"}},
        OrderCase{"a reader from the buffer's values on",
                  [](std::vector<std::string>& got) {
                      SBK.clearBuffer();
                      SBK.TITLE = "b";
                      RecordReader reader(SBK, SongBook::KTITLE, RecordReader::Warn, RecordReader::BufferValues);
                      while (reader.next()) got.push_back(listing());
                      return !reader.failed();
                  },
                  {"Brass Buttons@MX2201", "Celo Waltz@CV0101", "Neon Orchard@MX2201"}},
        OrderCase{"a reader set elsewhere between two reads",
                  [](std::vector<std::string>& got) {
                      RecordReader reader(SBK, SongBook::KTITLE);
                      while (reader.next()) {
                          got.push_back(listing());
                          if (got.size() > 1) continue;
                          SBK.clearBuffer();
                          SBK.TITLE = "M";  // on from the first title after M
                          SBK.setAt(SongBook::KTITLE);
                      }
                      return !reader.failed();
                  },
                  {"Anchor and Feather@CV0101", "Neon Orchard@MX2201"}}),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        return name;
    });

// --- a read that fails ---

struct FailureCase {
    const char* what;
    // Reads after the file broke; true when the read said it went well.
    std::function<bool(ReadTest&)> read;
    std::vector<std::string> boxes;
    bool errorLeft;  // the error state still describes the failure afterwards
};

void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.what; }

class ReadFailure : public ReadTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(ReadFailure, IsToldOnceAndStopsTheRead) {
    const FailureCase& c = GetParam();
    bool said = true;
    int error = 0;
    run([&] {
        DataFileUse songBook(SBK);
        said = c.read(*this);
        error = rt::errorCode();
    });
    EXPECT_FALSE(said);
    ASSERT_EQ(boxes_.size(), c.boxes.size()) << (boxes_.empty() ? "" : boxes_.front());
    for (std::size_t i = 0; i < c.boxes.size(); ++i) EXPECT_EQ(boxes_[i].find(c.boxes[i]), 0u) << boxes_[i];
    EXPECT_EQ(error != 0, c.errorLeft);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, ReadFailure,
    ::testing::Values(
        FailureCase{"a whole file",
                    [](ReadTest& t) {
                        t.breakTheFile();
                        int seen = 0;
                        const bool ok = ReadEveryRecord(SBK, SongBook::KTITLE, [&] { return ++seen > 0; });
                        return ok || seen > 0;
                    },
                    {"Record Retrieval Error: Error: ("},
                    false},
        FailureCase{"a reader that warns",
                    [](ReadTest& t) {
                        RecordReader reader(SBK, SongBook::KTITLE);
                        if (!reader.next()) return true;
                        t.breakTheFile();
                        const bool more = reader.next();
                        return more || !reader.failed() || reader.next();
                    },
                    {"Record Retrieval Error: Error: ("},
                    false},
        FailureCase{"a quiet reader, told later",
                    [](ReadTest& t) {
                        RecordReader reader(SBK, SongBook::KTITLE, RecordReader::Quiet);
                        t.breakTheFile();
                        if (reader.next() || !reader.failed()) return true;
                        if (rt::errorCode() == 0) return true;  // the caller can still tell what failed
                        reader.warn();
                        return false;
                    },
                    {"Record Retrieval Error: Error: ("},
                    false},
        FailureCase{"a quiet reader, told by its caller",
                    [](ReadTest& t) {
                        RecordReader reader(SBK, SongBook::KTITLE, RecordReader::Quiet);
                        t.breakTheFile();
                        return reader.next() || !reader.failed();
                    },
                    {},
                    true},
        FailureCase{"a view",
                    [](ReadTest& t) {
                        t.breakTheFile();
                        rt::View view(SBK, SongBook::KTITLE);
                        return ReadEveryRecord(view, "SongBook", [] { return true; });
                    },
                    {"Record Retrieval Error: Error: ("},
                    false}),
    [](const auto& info) {
        std::string name;
        for (const char* p = info.param.what; *p; ++p)
            if (std::isalnum(static_cast<unsigned char>(*p))) name += *p;
        return name;
    });

}  // namespace
