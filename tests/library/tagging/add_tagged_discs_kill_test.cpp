// A run of "Add Tagged Disc(s)" killed on the spot (power cut, crash): what the SongBook holds
// afterwards is every disc whole or absent, never a disc in part nor listings without their
// disc record. The run goes in a child process (this test program started again) that the test
// kills once the first discs are in.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

#include "data/globals.h"
#include "data/karaoke.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "data/tagque.h"
#include "frontend/headless/driver.h"
#include "library/AddTaggedDiscTracks.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/thread/thread.h"
#include "support/data_fixture.h"

extern char** environ;

namespace {

const char* const kChildFolder = "CANTORELLE_ADD_DISCS_CHILD";
constexpr int kDiscs = 3000;
constexpr int kTracks = 15;

std::string discId(int d) { return "KX" + std::to_string(10000 + d); }

// In the child: tags every disc of the master file and adds them; never returns on its own.
TEST(AddTaggedDiscsKillTest, Child) {
    const char* folder = std::getenv(kChildFolder);
    if (!folder) GTEST_SKIP() << "started by KilledRunLeavesEveryDiscWholeOrAbsent";
    fixture::pointFileNamesAt(folder, "Kill");
    fixture::resetTagging();
    for (int d = 0; d < kDiscs; ++d) {
        TagQue.clearBuffer();
        TagQue.QUEUNQDISKID = discId(d);
        TagQue.DISKID = discId(d);
        TagQue.add();
    }
    headless::Driver driver;
    driver.setSettleTimeout(600000);
    driver.start(AddTaggedDiscTracks);
    for (;;) std::this_thread::sleep_for(std::chrono::seconds(1));
}

TEST(AddTaggedDiscsKillTest, KilledRunLeavesEveryDiscWholeOrAbsent) {
    if (std::getenv(kChildFolder)) GTEST_SKIP();
    fixture::ScopedConfigHome config;
    fixture::TempFolder dir;
    fixture::pointFileNamesAt(dir.path(), "Kill");
    rt::runProgram([] {
        KAR.create();
        KAR.open();
        ASSERT_TRUE(rt::logout(10, {&KAR}));
        for (int d = 0; d < kDiscs; ++d)
            for (int t = 1; t <= kTracks; ++t)
                fixture::addMasterTrack(discId(d), discId(d), t, 1, "Song " + std::to_string(t), "Artist");
        rt::commit();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        KAR.close();
        SBK.create();
        SBD.create();
    });

    const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
    const std::string env = std::string(kChildFolder) + "=" + dir.path();
    std::vector<char*> envp;
    for (char** e = environ; *e; ++e) envp.push_back(*e);
    envp.push_back(const_cast<char*>(env.c_str()));
    envp.push_back(nullptr);
    std::string filter = "--gtest_filter=AddTaggedDiscsKillTest.Child";
    char* argv[] = {const_cast<char*>(self.c_str()), filter.data(), nullptr};
    pid_t child = 0;
    ASSERT_EQ(::posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, envp.data()), 0);

    // Killed once some discs are committed, while the next ones are being written.
    const std::string listings = SongBookFileName.str();
    long long seen = 0;
    for (int i = 0; i < 3000 && seen == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const auto n = fixture::queryColumn(listings, "SELECT count(*) FROM data");
        if (!n.empty()) seen = std::atoll(n[0].c_str());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(120));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_GT(seen, 0) << "the child added nothing";
    ASSERT_TRUE(WIFSIGNALED(status)) << "the child ended on its own before it was killed";

    // Opening plays the interrupted transaction back; then each disc is whole or absent.
    std::map<std::string, int> perDisc;
    std::map<std::string, bool> withRecord;
    rt::runProgram([&] {
        SBK.open();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        SBD.open();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        SBK.set();
        for (SBK.next(); rt::errorCode() == 0; SBK.next()) ++perDisc[SBK.UNQDISKID.str()];
        SBD.set();
        for (SBD.next(); rt::errorCode() == 0; SBD.next()) withRecord[SBD.UNQDISKID.str()] = true;
        EXPECT_EQ(SBK.records(), [&] {
            long long n = 0;
            for (auto& [disc, count] : perDisc) n += count;
            return n;
        }());
        SBK.close();
        SBD.close();
    });
    EXPECT_FALSE(perDisc.empty());
    EXPECT_LT(perDisc.size(), static_cast<std::size_t>(kDiscs)) << "the run ended before the kill";
    for (const auto& [disc, count] : perDisc) {
        EXPECT_EQ(count, kTracks) << disc << " is in the SongBook in part";
        EXPECT_TRUE(withRecord.count(disc)) << disc << " has listings but no disc record";
    }
    for (const auto& [disc, has] : withRecord) EXPECT_TRUE(perDisc.count(disc)) << disc << " has a record but no listings";
    EXPECT_EQ(fixture::queryColumn(listings, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

}  // namespace
