// Work folders: a name nobody has, gone with the object; the leftovers of a killed process
// are removed, and a folder in use, here or in another process, is not.
#include "runtime/files/work_folder.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
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

}  // namespace
