// A conversion killed at any moment (fork and SIGKILL): at the next start the explorer lists
// the SongBook, no work file is left, and it opens with every listing, old or converted.
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "convert_fixture.h"
#include "runtime/files/folder.h"
#include "shell/ConvertOldSongBook.h"
#include "shell/SongBookFileNames.h"
#include "support/killed_writer.h"

namespace convert_test {
namespace {

constexpr int kListings = 1000;
constexpr int kTimedKills = 36;
// The renames of the last steps: work pair to whole, old listing and disc files to their kept
// names, whole pair to its own names.
constexpr int kRenames = 6;

const std::vector<std::string> kOld{"Old.sbd", "Old.sbk"};
const std::vector<std::string> kConverted{"Old.2bd", "Old.2bk", "Old.sxd", "Old.sxk"};

std::string childListing;  // the old listing file the child converts

void convertInChild() {
    SongBookFileName = childListing;
    SBDiscsFileName = SongBookDiscFile(childListing);
    ConvertOldSongBook();
}

class ConvertKillTest : public ConvertTest {
protected:
    void SetUp() override {
        ConvertTest::SetUp();
        pristine_ = root_.file("pristine");
        std::filesystem::create_directories(pristine_);
        std::vector<OldListing> listings;
        std::vector<OldDisc> discs;
        manyOldListings(kListings, listings, discs);
        // One listing that collides and moves, one repeated exactly.
        listings.push_back({"Chanson d'été n° 7", "Ada Quill", "QX1000", 8});
        listings.push_back(listings[3]);
        ASSERT_TRUE(fixture::writeOldSongBook(pristine_, "Old", listings, discs));
        for (const std::string& n : kOld) original_[n] = bytesOf(pristine_ + "/" + n);
    }

    void freshOldPair() {
        std::filesystem::remove_all(books_);
        std::filesystem::create_directories(books_);
        for (const std::string& n : kOld) std::filesystem::copy_file(pristine_ + "/" + n, file(n));
    }

    // The child: the conversion as the program runs it (its window's timer driving it) until
    // the kill comes; a conversion that ends first waits for it.
    void convertUntilKilled(const std::function<void()>& ready) {
        childListing = file("Old.sbk");
        if (!d_.start(convertInChild)) _exit(3);
        ready();
        while (d_.running() && d_.window("Converting SongBook")) d_.wait(1);
        for (;;) pause();
    }

    // After a kill, the next start: the SongBook is listed, old or converted and nothing else,
    // and opening it gives every listing. True when it was found converted already.
    bool nextStart() {
        bool converted = false;
        EXPECT_TRUE(d_.start(BrowseSongBook)) << d_.error();
        std::vector<std::string> listed;
        for (const auto& r : d_.rows("?LIST")) listed.push_back(r.empty() ? std::string() : r[0]);
        EXPECT_EQ(listed, std::vector<std::string>{"Old"}) << d_.windows();
        const auto names = namesHere();
        converted = names == kConverted;
        EXPECT_TRUE(converted || names == kOld) << ::testing::PrintToString(names);
        d_.end();
        if (converted) {
            for (const std::string& n : kOld) {
                std::string kept = n;
                kept[kept.size() - 2] = 'x';
                EXPECT_EQ(bytesOf(file(kept)), original_[n]) << kept << " is not the old file as it was";
            }
        } else {
            for (const std::string& n : kOld) EXPECT_EQ(bytesOf(file(n)), original_[n]) << n << " changed";
        }

        const Seen seen = openAsHost("Old");
        EXPECT_TRUE(seen.problem.empty()) << seen.all();
        EXPECT_TRUE(seen.opened) << seen.all();
        // The colliding listing is kept and the repeat converted once.
        EXPECT_EQ(seen.tracks, "Total Song Tracks: " + std::to_string(kListings + 1)) << seen.all();
        EXPECT_EQ(rowsOf(file("Old.2bk"), "SELECT count(DISTINCT TITLE || '/' || ARTIST) FROM data"),
                  std::vector<std::string>{std::to_string(kListings + 1)});
        EXPECT_EQ(rowsOf(file("Old.2bk"), "SELECT UNQDISKID || '-' || DISKTRACKNO FROM data WHERE ARTIST = 'Ada Quill'"),
                  std::vector<std::string>{"QX1000-13"});
        EXPECT_EQ(rowsOf(file("Old.2bd"), "SELECT count(*) FROM data WHERE ALTDISKID <> ''"),
                  std::vector<std::string>{std::to_string((kListings + 11) / 12)});
        EXPECT_EQ(namesHere(), kConverted);
        return converted;
    }

    std::string pristine_;
    std::map<std::string, std::string> original_;
};

TEST_F(ConvertKillTest, AfterAKillAnywhereTheSongBookIsListedAndOpensWhole) {
    // How long a whole conversion takes here and now, so that the kills fall all over it.
    freshOldPair();
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(openAsHost("Old").opened);
    const int spanMs =
        std::max(20, static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                          std::chrono::steady_clock::now() - t0).count()));

    int foundOld = 0, foundConverted = 0, workFilesLeft = 0;
    auto killed = [&] {
        for (const std::string& n : namesHere())
            if (n.find("-convert") != std::string::npos) return ++workFilesLeft;
        return 0;
    };
    for (int round = 0; round < kTimedKills; ++round) {
        const int delayMs = spanMs * round / kTimedKills;
        SCOPED_TRACE("killed " + std::to_string(delayMs) + " ms into the conversion");
        freshOldPair();
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [this](const auto& ready) { convertUntilKilled(ready); }));
        killed();
        ++(nextStart() ? foundConverted : foundOld);
    }
    // Each of the last steps cut off just before and just after it is done.
    for (int point = 0; point < 2 * kRenames; ++point) {
        SCOPED_TRACE("killed " + std::string(point % 2 ? "after" : "before") + " rename " +
                     std::to_string(point / 2 + 1));
        freshOldPair();
        ASSERT_NO_FATAL_FAILURE(fixture::writerKillsItself([this, point] {
            int renames = 0;
            SetConversionRenamer([&](const std::string& from, const std::string& to, bool replace) {
                if (2 * renames == point) raise(SIGKILL);
                const int e = replace ? (::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno) : rt::renameFile(from, to);
                if (2 * renames + 1 == point) raise(SIGKILL);
                ++renames;
                return e;
            });
            convertUntilKilled([] {});
        }));
        killed();
        ++(nextStart() ? foundConverted : foundOld);
    }
    // The kills must have caught conversions in the middle, on both sides of the step that
    // makes one done, or this proves nothing.
    EXPECT_GT(workFilesLeft, 2 * kRenames);
    EXPECT_GT(foundOld, 3);
    EXPECT_GT(foundConverted, 3);
}

TEST_F(ConvertTest, AFileOfTheHostsUnderAWorkNameIsLeftAlone) {
    makeSongBook("Old", {{"Kept Song", "Ada Quill", "MX2201", 1}}, {{"MX2201", "102"}});
    fixture::writeText(file("Old.sxk"), "kept from long ago\n");
    fixture::writeText(file("Old.2bk-converted"), "the host's notes\n");
    const std::string listing = bytesOf(file("Old.2bk"));
    ASSERT_TRUE(d_.start(BrowseSongBook)) << d_.error();
    EXPECT_EQ(d_.rows("?LIST").size(), 1u) << d_.windows();
    d_.end();
    EXPECT_EQ(bytesOf(file("Old.2bk")), listing);
    EXPECT_EQ(fixture::readText(file("Old.2bk-converted")), "the host's notes\n");
}

}  // namespace
}  // namespace convert_test
