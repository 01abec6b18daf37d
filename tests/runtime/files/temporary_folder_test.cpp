#include "runtime/files/temporary_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>

#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

// The folders are made under TMPDIR, pointed into a test folder meanwhile.
class TemporaryFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (const char* t = std::getenv("TMPDIR")) old_ = t;
        ::setenv("TMPDIR", root_.path().c_str(), 1);
    }
    void TearDown() override {
        if (old_) ::setenv("TMPDIR", old_->c_str(), 1);
        else ::unsetenv("TMPDIR");
    }
    fixture::TempFolder root_;
    std::optional<std::string> old_;
};

TEST_F(TemporaryFolderTest, IsItsOwnAndGoesWithEverythingInIt) {
    std::string path;
    {
        rt::TemporaryFolder work("work-");
        ASSERT_TRUE(work.made()) << work.error();
        path = work.path();
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(root_.path()));
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, fs::perms::owner_all);
        fixture::writeText(work.file("queue"), "rows");
    }
    EXPECT_FALSE(fs::exists(path));
}

// What a killed program left is removed by the next folder of its prefix; a folder in use, a
// fresh one still being made and one of another prefix are kept.
TEST_F(TemporaryFolderTest, LeftoversOfTheSamePrefixAreRemoved) {
    rt::TemporaryFolder live("work-");
    const std::string killed = root_ / "work-killed", unlockedOld = root_ / "work-old",
                      unlockedNew = root_ / "work-new", other = root_ / "other-killed";
    for (const std::string& f : {killed, unlockedOld, unlockedNew, other}) fs::create_directory(f);
    fixture::writeText(killed + "/.lock", "");
    fixture::writeText(killed + "/ImportQue", "rows");
    fixture::writeText(other + "/.lock", "");
    const std::time_t old = std::time(nullptr) - 3600;
    const utimbuf times{old, old};
    ASSERT_EQ(::utime(unlockedOld.c_str(), &times), 0);

    rt::TemporaryFolder next("work-");
    ASSERT_TRUE(next.made());
    EXPECT_TRUE(fs::exists(live.path()));
    EXPECT_FALSE(fs::exists(killed));
    EXPECT_FALSE(fs::exists(unlockedOld));
    EXPECT_TRUE(fs::exists(unlockedNew));
    EXPECT_TRUE(fs::exists(other));
}

TEST_F(TemporaryFolderTest, AFolderThatCannotBeMadeSaysWhy) {
    ::setenv("TMPDIR", (root_ / "missing").c_str(), 1);
    rt::TemporaryFolder work("work-");
    EXPECT_FALSE(work.made());
    EXPECT_EQ(work.error(), ENOENT);
}

}  // namespace
