// A backup or a restore cut off by a kill or a full disc: the SongBook's files are never lost
// on the way, and what it left (copies in the temporary folder, a half-written archive, an
// unpacking folder) is gone after the next backup or restore.
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "explorer_fixture.h"
#include "runtime/zip/zip.h"
#include "shell/SongBookBackup.h"
#include "support/child_process.h"
#include "support/killed_writer.h"

namespace explorer_test {
namespace {

// Bytes that do not compress, so that archiving them takes a while.
std::string noise(std::size_t size, unsigned seed) {
    std::mt19937 rng(seed);
    std::string out(size, '\0');
    for (char& c : out) c = static_cast<char>(rng() & 0xFF);
    return out;
}

class LeftoverTest : public ExplorerTest {
protected:
    void SetUp() override {
        ExplorerTest::SetUp();
        tmp_ = folder("tmp");
        const char* old = std::getenv("TMPDIR");
        hadTmp_ = old != nullptr;
        oldTmp_ = old ? old : "";
        ::setenv("TMPDIR", tmp_.c_str(), 1);
        backups_ = folder("backups");
        listing_ = books_ + "/Pop.2bk";
        disc_ = books_ + "/Pop.2bd";
    }
    void TearDown() override {
        if (hadTmp_)
            ::setenv("TMPDIR", oldTmp_.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        ExplorerTest::TearDown();
    }

    // The SongBook's two files in one of two versions.
    void version(unsigned v) {
        writeText(listing_, noise(3 << 20, v));
        writeText(disc_, noise(1 << 20, v + 100));
    }
    bool isVersion(unsigned v) { return readText(listing_) == noise(3 << 20, v) && readText(disc_) == noise(1 << 20, v + 100); }

    // The names in a folder.
    std::vector<std::string> in(const std::string& f) { return fixture::namesIn(f); }

    void backupThroughExplorer() {
        start();
        selectBook("Pop");
        ASSERT_TRUE(d_.press("&Backup Selected SongBook"));
        ASSERT_TRUE(d_.dialog(backups_)) << d_.error();
        EXPECT_EQ(status(), "SongBook Backup Created Successfully") << message();
        d_.end();
    }
    // The archive holds the version: unpacked elsewhere, the files are that version's.
    void expectArchiveOf(unsigned v) {
        const std::string out = folder("unpacked");
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        std::string error;
        ASSERT_EQ(ExtractSongBookBackup(backups_ + "/Pop.bkp", out, error), 0) << error;
        EXPECT_TRUE(readText(out + "/Pop.2bk") == noise(3 << 20, v));
        EXPECT_TRUE(readText(out + "/Pop.2bd") == noise(1 << 20, v + 100));
        std::filesystem::remove_all(out);
    }

    std::string tmp_, oldTmp_, backups_, listing_, disc_;
    bool hadTmp_ = false;
};

TEST_F(LeftoverTest, WhatAKilledBackupLeftIsGoneAfterTheNext) {
    version(1);
    int leftBehind = 0;
    for (int round = 0; round < 14; ++round) {
        const int delayMs = 3 + round * 17;
        SCOPED_TRACE("killed " + std::to_string(delayMs) + " ms into the backups");
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [this](const auto& ready) {
            ready();
            std::string error;
            for (;;) WriteSongBookBackup(listing_, backups_ + "/Pop.bkp", "c", error);
        }));
        leftBehind += !in(tmp_).empty() || in(backups_).size() > 1;
        ASSERT_NO_FATAL_FAILURE(backupThroughExplorer());
        EXPECT_EQ(in(tmp_), std::vector<std::string>{});
        EXPECT_EQ(in(backups_), std::vector<std::string>{"Pop.bkp"});
        ASSERT_NO_FATAL_FAILURE(expectArchiveOf(1));
    }
    // Some kills must have caught a backup at work, or this proves nothing.
    EXPECT_GT(leftBehind, 3);
}

TEST_F(LeftoverTest, AKilledRestoreNeverLosesAFileAndLeavesNothingAfterTheNext) {
    version(1);
    std::string error;
    const std::string archive = backups_ + "/Pop.bkp";
    ASSERT_EQ(WriteSongBookBackup(listing_, archive, "c", error), 0) << error;
    int leftBehind = 0;
    for (int round = 0; round < 14; ++round) {
        const int delayMs = 1 + round * 6;
        SCOPED_TRACE("killed " + std::to_string(delayMs) + " ms into the restore");
        version(2);
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [&](const auto& ready) {
            ready();
            std::string e;
            for (;;) ExtractSongBookBackup(archive, books_, e);
        }));
        // Each file is there, the one it was or the one from the backup.
        EXPECT_TRUE(readText(listing_) == noise(3 << 20, 1) || readText(listing_) == noise(3 << 20, 2));
        EXPECT_TRUE(readText(disc_) == noise(1 << 20, 101) || readText(disc_) == noise(1 << 20, 102));
        leftBehind += in(books_).size() > 2;
        start();
        ASSERT_TRUE(d_.press("&Restore SongBook"));
        ASSERT_TRUE(d_.dialog(archive)) << d_.error();
        ASSERT_NE(message().find("Replace These Files"), std::string::npos) << message();
        ASSERT_TRUE(d_.answer("Yes"));
        EXPECT_EQ(status(), "SongBook Successfully Restored") << message();
        d_.end();
        EXPECT_EQ(in(books_), (std::vector<std::string>{"Pop.2bd", "Pop.2bk"}));
        EXPECT_TRUE(isVersion(1));
    }
    EXPECT_GT(leftBehind, 3);
}

// A disc that fills up: while the copies are taken (a file may grow to 1 MB), or while the
// archive is written (3.5 MB: the copies fit, the archive does not).
class FullDiscBackupTest : public LeftoverTest, public ::testing::WithParamInterface<long long> {};

TEST_P(FullDiscBackupTest, ABackupThatFailsLeavesNoTemporaryFileAndTheArchiveAsItWas) {
    version(1);
    std::string error;
    const std::string archive = backups_ + "/Pop.bkp";
    ASSERT_EQ(WriteSongBookBackup(listing_, archive, "c", error), 0) << error;
    const std::string before = readText(archive);
    version(2);
    const std::string said = fixture::inChild(
        [&] {
            std::string e;
            if (WriteSongBookBackup(listing_, archive, "c", e) == 0) return std::string("it reported success");
            return e.empty() ? std::string("it failed without a reason") : "failed: " + e;
        },
        GetParam());
    EXPECT_EQ(said.rfind("failed: ", 0), 0u) << said;
    EXPECT_EQ(in(tmp_), std::vector<std::string>{});
    EXPECT_EQ(in(backups_), std::vector<std::string>{"Pop.bkp"});
    EXPECT_TRUE(readText(archive) == before);
}

INSTANTIATE_TEST_SUITE_P(Limits, FullDiscBackupTest, ::testing::Values(1ll << 20, 7ll << 19));

}  // namespace
}  // namespace explorer_test
