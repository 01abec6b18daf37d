// The repair of a listing file of the previous layout works in a folder of its own: it never
// takes the place of a host's file, and what a killed repair left is gone after the next one.
#include <filesystem>
#include <string>
#include <vector>

#include "convert_fixture.h"
#include "support/killed_writer.h"

namespace convert_test {
namespace {

constexpr int kListings = 3000;

class RepairLeftoverTest : public ConvertTest {
protected:
    void SetUp() override {
        ConvertTest::SetUp();
        for (int i = 1; i <= kListings; ++i)
            listings_.push_back({"Chanson d'été n° " + std::to_string(i), "Zoë Artiste " + std::to_string(i % 40),
                                 "CV" + std::to_string(1000 + i / 10), static_cast<unsigned>(i % 10 + 1)});
    }
    void previousLayoutSongBook() {
        ASSERT_TRUE(fixture::writePreviousLayoutListings(file("Songs.2bk"), listings_));
        makeDiscFileOnly();
    }
    // Names of the folder that are not the SongBook's pair or the host's own file.
    std::vector<std::string> leftovers() {
        std::vector<std::string> out;
        for (const std::string& n : namesHere())
            if (n != "Songs.2bk" && n != "Songs.2bd" && n != "CONV0001") out.push_back(n);
        return out;
    }
    void expectRepaired() {
        const Seen seen = openAsHost("Songs");
        EXPECT_TRUE(seen.opened) << seen.all();
        EXPECT_TRUE(seen.messages.empty()) << seen.all();
        EXPECT_EQ(seen.tracks, "Total Song Tracks: " + std::to_string(kListings));
        EXPECT_EQ(rowsOf(file("Songs.2bk"), "SELECT count(DISTINCT TITLE) FROM data"),
                  std::vector<std::string>{std::to_string(kListings)});
    }

    std::vector<fixture::PreviousListing> listings_;
};

TEST_F(RepairLeftoverTest, AHostsFileNamedAsTheRepairsCopyIsLeftAlone) {
    ASSERT_NO_FATAL_FAILURE(previousLayoutSongBook());
    fixture::writeText(file("CONV0001"), "the host's own notes\n");
    ASSERT_NO_FATAL_FAILURE(expectRepaired());
    EXPECT_EQ(fixture::readText(file("CONV0001")), "the host's own notes\n");
    EXPECT_EQ(leftovers(), std::vector<std::string>{});
}

TEST_F(RepairLeftoverTest, WhatAKilledRepairLeftIsGoneAfterTheNext) {
    int leftBehind = 0;
    for (int round = 0; round < 12; ++round) {
        const int delayMs = 5 + round * 25;
        SCOPED_TRACE("killed " + std::to_string(delayMs) + " ms into the repair");
        std::filesystem::remove_all(books_);
        std::filesystem::create_directories(books_);
        ASSERT_NO_FATAL_FAILURE(previousLayoutSongBook());
        const std::string before = bytesOf(file("Songs.2bk"));
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [this](const auto& ready) {
            if (!d_.start(BrowseSongBook)) _exit(3);
            const auto rows = d_.rows("?LIST");
            if (rows.size() != 1 || !d_.select("?LIST", 1)) _exit(5);
            ready();
            d_.press("&Open Selected SongBook");
            for (;;) pause();
        }));
        leftBehind += !leftovers().empty();
        // What an earlier version, which made its copy in the SongBook folder itself, left.
        fixture::writeText(file("CONV0001.new-999999-0"), "");
        // The listing file is the old one, or the whole repaired one.
        const std::string after = bytesOf(file("Songs.2bk"));
        if (after != before) {
            EXPECT_EQ(rowsOf(file("Songs.2bk"), "SELECT count(*) FROM data"),
                      std::vector<std::string>{std::to_string(kListings)});
        }
        ASSERT_NO_FATAL_FAILURE(expectRepaired());
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
    }
    // Some kills must have caught the repair at work, or this proves nothing.
    EXPECT_GT(leftBehind, 2);
}

}  // namespace
}  // namespace convert_test
