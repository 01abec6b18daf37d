#include <gtest/gtest.h>

#include "services/SplitFilePath.h"

namespace {

struct SplitCase {
    const char* path;
    const char* folder;  // part 3
    const char* name;    // part 1
    const char* ext;     // part 2
    const char* joined;  // join flag
};

const SplitCase kCases[] = {
    {"/home/host/Songs/Pop.2bk", "/home/host/Songs/", "Pop", "2bk", "Pop.2bk"},
    {"/home/host/Songs/Karaoke.Night.2bk", "/home/host/Songs/", "Karaoke.Night", "2bk",
     "Karaoke.Night.2bk"},
    {"/home/host/My.Files/Pop", "/home/host/My.Files/", "Pop", "", "Pop."},
    {"/home/host/Songs/", "/home/host/Songs/", "", "", "."},
    {"/home/host/Songs/Pop.2bk                    ", "/home/host/Songs/", "Pop", "2bk", "Pop.2bk"},
    // Beyond what callers pass: no folder at all.
    {"Pop.2bk", "", "Pop", "2bk", "Pop.2bk"},
    {"", "", "", "", "."},
};

TEST(SplitFilePath, PartsAndJoinedName) {
    for (const SplitCase& c : kCases) {
        SCOPED_TRACE(std::string("path \"") + c.path + "\"");
        EXPECT_EQ(SplitFilePath(c.path, 3), c.folder);
        EXPECT_EQ(SplitFilePath(c.path, 1), c.name);
        EXPECT_EQ(SplitFilePath(c.path, 2), c.ext);
        EXPECT_EQ(SplitFilePath(c.path, 1, true), c.joined);
        EXPECT_EQ(SplitFilePath(c.path, 3, true), c.joined);
    }
}

TEST(SplitFilePath, LongLinuxPathIsNotCut) {
    const std::string folder = "/" + std::string(300, 'f') + "/";
    EXPECT_EQ(SplitFilePath(folder + "Pop.2bk", 3), folder);
}

}  // namespace
