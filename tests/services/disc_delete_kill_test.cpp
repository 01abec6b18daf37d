// Deleting discs with their listings, killed on the spot (power cut, crash): reopened as the
// program opens them, the SongBook pair holds every disc whole (its record and all its
// listings) or not at all, never listings without their disc or a disc without its listings.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/thread/thread.h"
#include "services/SafeDelete.h"
#include "support/data_fixture.h"
#include "support/killed_writer.h"

namespace {

constexpr int kDiscs = 300;
constexpr int kTracks = 20;

std::string discId(int d) { return "KD" + std::to_string(10000 + d); }

class DiscDeleteKillTest : public ::testing::Test {
protected:
    void SetUp() override {
        fixture::pointFileNamesAt(dir_.path(), "Gigs");
        listings_ = SongBookFileName.str();
        discs_ = SBDiscsFileName.str();
        rt::runProgram([] {
            SBK.create();
            SBD.create();
            SBK.open();
            SBD.open();
            ASSERT_TRUE(rt::logout(10, {&SBK, &SBD}));
            for (int d = 0; d < kDiscs; ++d) {
                fixture::addDiscRecord(discId(d), std::to_string(100 + d), "KD", 1);
                for (int t = 1; t <= kTracks; ++t) {
                    SBK.clearBuffer();
                    SBK.UNQDISKID = discId(d);
                    SBK.DISKTRACKNO = static_cast<std::uint32_t>(t);
                    SBK.TITLE = "Lanterns Over Calder Bay " + std::to_string(t);
                    SBK.ARTIST = "Zoë Marchetti";
                    SBK.add();
                }
            }
            rt::commit();
            ASSERT_EQ(rt::errorCode(), 0) << rt::error();
            SBK.close();
            SBD.close();
        });
        std::filesystem::copy_file(listings_, dir_.file("whole.2bk"));
        std::filesystem::copy_file(discs_, dir_.file("whole.2bd"));
    }

    // The pair as it was before any delete.
    void restore() {
        std::filesystem::copy_file(dir_.file("whole.2bk"), listings_, std::filesystem::copy_options::overwrite_existing);
        std::filesystem::copy_file(dir_.file("whole.2bd"), discs_, std::filesystem::copy_options::overwrite_existing);
    }

    fixture::TempFolder dir_;
    std::string listings_, discs_;
};

TEST_F(DiscDeleteKillTest, AKilledDeleteLeavesEveryDiscWholeOrGone) {
    int killedInsideADelete = 0;
    for (int delayMs = 0; delayMs < 80; delayMs += 2) {
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms");
        restore();
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [](const std::function<void()>& ready) {
            SBK.open();
            SBD.open();
            if (rt::errorCode() != 0) _exit(3);
            ready();
            // Every disc in turn, as the host deletes them one after the other.
            for (int d = 0;; d = (d + 1) % kDiscs) {
                SBD.clearBuffer();
                SBD.UNQDISKID = discId(d);
                SBD.get(SBDiscs::KUNQDISKID);
                if (rt::errorCode() != 0) continue;
                DiscToDelete disc;
                disc.position = SBD.position();
                if (!DeleteDiscWithListings(disc).ok()) _exit(5);
            }
        }));

        for (const auto& e : std::filesystem::directory_iterator(dir_.path()))
            if (e.path().filename().string().find("-journal") != std::string::npos ||
                e.path().filename().string().find("-mj") != std::string::npos) {
                ++killedInsideADelete;
                break;
            }

        // Opening plays the interrupted transaction back.
        std::map<std::string, int> perDisc;
        std::map<std::string, bool> withRecord;
        fixture::forEachListing([&] { ++perDisc[SBK.UNQDISKID.str()]; });
        fixture::forEachDisc([&] { withRecord[SBD.UNQDISKID.str()] = true; });
        long long listingCount = -1, discCount = -1;
        rt::runProgram([&] {
            SBK.open();
            SBD.open();
            listingCount = SBK.records();
            discCount = SBD.records();
            SBK.close();
            SBD.close();
        });
        for (const auto& [disc, count] : perDisc) {
            EXPECT_EQ(count, kTracks) << disc << " lost part of its listings";
            EXPECT_TRUE(withRecord.count(disc)) << disc << " has listings but no disc record";
        }
        for (const auto& [disc, has] : withRecord)
            EXPECT_TRUE(perDisc.count(disc)) << disc << " has a record but no listings";
        EXPECT_EQ(listingCount, static_cast<long long>(perDisc.size()) * kTracks);
        EXPECT_EQ(discCount, static_cast<long long>(withRecord.size()));
        for (const std::string& file : {listings_, discs_})
            EXPECT_EQ(fixture::queryColumn(file, "PRAGMA integrity_check"), std::vector<std::string>{"ok"}) << file;
        if (HasFailure()) break;
    }
    // The kills fell inside deletes, not only between them.
    EXPECT_GT(killedInsideADelete, 10);
}

}  // namespace
