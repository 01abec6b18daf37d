// Work folders: a name nobody has, gone with the object; the leftovers of a killed process
// are removed, and a folder in use, here or in another process, is not.
#include "runtime/files/work_folder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/temp_folder.h"

namespace {

using fixture::namesIn;
using fixture::writeText;

TEST(WorkFolderTest, AFolderOfItsOwnGoesWithEverythingInIt) {
    fixture::TempFolder tmp;
    std::string path;
    {
        rt::WorkFolder a, b;
        ASSERT_EQ(a.make(tmp.path(), ".restore"), 0);
        ASSERT_EQ(b.make(tmp.path(), ".restore"), 0);
        EXPECT_NE(a.path(), b.path());
        EXPECT_EQ(a.path().rfind(tmp.path() + "/.restore-", 0), 0u) << a.path();
        writeText(a.file("Pop.2bk"), "listings");
        std::filesystem::create_directories(a.file("sub/deeper"));
        writeText(a.file("sub/deeper/x"), "x");
        path = a.path();
    }
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(namesIn(tmp.path()), std::vector<std::string>{});
}

TEST(WorkFolderTest, LeftoversGoButAFolderInUseAnywhereStays) {
    fixture::TempFolder tmp;
    // Another process holds one, and is killed later; this one holds another.
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t other = fork();
    ASSERT_GE(other, 0);
    if (other == 0) {
        rt::WorkFolder held;
        if (held.make(tmp.path(), ".repair") != 0 || write(ready[1], "r", 1) != 1) _exit(2);
        for (;;) pause();
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    rt::WorkFolder mine;
    ASSERT_EQ(mine.make(tmp.path(), ".repair"), 0);
    // What looks like a work folder but is none of them: another prefix, a file, a longer name.
    std::filesystem::create_directories(tmp / ".repairs-abcdef");
    std::filesystem::create_directories(tmp / ".restore-abcdef");
    writeText(tmp / ".repair-ghijkl", "a file");
    std::filesystem::create_directories(tmp / ".repair-abcdefg");
    // A leftover of a process that has gone, with something in it.
    std::filesystem::create_directories(tmp / ".repair-zzzzzz/in");
    writeText(tmp / ".repair-zzzzzz/in/CONV0001", "half a copy");

    EXPECT_EQ(rt::WorkFolder::removeLeftovers(tmp.path(), ".repair"), 1);
    EXPECT_FALSE(std::filesystem::exists(tmp / ".repair-zzzzzz"));
    EXPECT_TRUE(std::filesystem::exists(mine.path()));
    EXPECT_EQ(namesIn(tmp.path()).size(), 6u);

    kill(other, SIGKILL);
    waitpid(other, nullptr, 0);
    std::vector<std::string> seen;
    EXPECT_EQ(rt::WorkFolder::removeLeftovers(tmp.path(), ".repair",
                                              [&](const std::string& p) { seen.push_back(p); }),
              1);
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_TRUE(std::filesystem::exists(mine.path()));
    EXPECT_EQ(namesIn(tmp.path()).size(), 5u);
    close(ready[0]);
    close(ready[1]);
}

// Only its maker may look in (queues of an import hold a host's listings), and a parent that
// is not there says so.
TEST(WorkFolderTest, IsPrivateAndAMissingParentSaysWhy) {
    fixture::TempFolder tmp;
    rt::WorkFolder work;
    ASSERT_EQ(work.make(tmp.path(), "cantorelle-import"), 0);
    EXPECT_EQ(std::filesystem::status(work.path()).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
    rt::WorkFolder none;
    EXPECT_EQ(none.make(tmp / "missing", "cantorelle-import"), ENOENT);
    EXPECT_TRUE(none.path().empty());
}

// A test process that died leaves its folder: the next test program takes it as it starts,
// but never one a living test holds, nor one touched lately (a build whose tests take no lock
// may still be using it).
TEST(WorkFolderTest, ATestFolderLeftByADeadProcessGoesAtTheNextStart) {
    fixture::TempFolder root;
    ASSERT_FALSE(root.path().empty());
    struct TmpDirThere {
        explicit TmpDirThere(const std::string& folder) {
            if (const char* v = std::getenv("TMPDIR")) old = v;
            ::setenv("TMPDIR", folder.c_str(), 1);
        }
        ~TmpDirThere() {
            if (old)
                ::setenv("TMPDIR", old->c_str(), 1);
            else
                ::unsetenv("TMPDIR");
        }
        std::optional<std::string> old;
    } tmpDir(root.path());
    // Two test processes killed while their folders held a file each.
    auto leftBehind = [] {
        int ready[2];
        if (pipe(ready) != 0) return std::string();
        const pid_t child = fork();
        if (child == 0) {
            fixture::TempFolder dir;
            writeText(dir / "Test.2bk", "listings");
            const std::string path = dir.path() + "\n";
            if (write(ready[1], path.data(), path.size()) != static_cast<ssize_t>(path.size())) _exit(2);
            for (;;) pause();
        }
        std::string path;
        char c = 0;
        while (read(ready[0], &c, 1) == 1 && c != '\n') path += c;
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(ready[0]);
        close(ready[1]);
        return path;
    };
    const std::string idle = leftBehind(), recent = leftBehind();
    ASSERT_TRUE(std::filesystem::exists(idle + "/Test.2bk")) << idle;
    ASSERT_TRUE(std::filesystem::exists(recent + "/Test.2bk")) << recent;
    fixture::TempFolder living;
    const auto longAgo = std::filesystem::file_time_type::clock::now() - std::chrono::hours(2);
    std::filesystem::last_write_time(idle, longAgo);
    std::filesystem::last_write_time(living.path(), longAgo);

    EXPECT_EQ(fixture::removeLeftoverTempFolders(), 1);
    EXPECT_FALSE(std::filesystem::exists(idle));
    EXPECT_TRUE(std::filesystem::exists(recent));
    EXPECT_TRUE(std::filesystem::exists(living.path()));
    EXPECT_EQ(fixture::removeLeftoverTempFolders(0), 1);  // with no time to wait, the recent one goes too
    EXPECT_FALSE(std::filesystem::exists(recent));
    EXPECT_TRUE(std::filesystem::exists(living.path()));
}

}  // namespace
