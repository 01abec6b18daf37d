#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <set>
#include <thread>

using fixture::namesIn;
using fixture::readText;
using fixture::TempFolder;
using fixture::writeText;

namespace {

class FolderTest : public ::testing::Test {
protected:
    void SetUp() override { saved_ = rt::currentFolder(); }
    void TearDown() override { rt::setCurrentFolder(saved_); }
    TempFolder tmp;
    fixture::ScopedConfigHome config{tmp / "config"};
    std::string saved_;
};

TEST_F(FolderTest, ListingMatchesPatternInAnyCaseAndIncludesFolders) {
    for (const char* f : {"a.2bk", "b.SBK", "c.2bd", "d.2bkx", "noext", "e.bk", "f.22bk"}) writeText(tmp / f, "12345");
    std::filesystem::create_directory(tmp / "x.2bk");
    std::filesystem::create_directory(tmp / "y.dir");

    struct Case {
        const char* pattern;
        std::set<std::string> expected;
    } cases[] = {
        {"*.?bk", {"a.2bk", "b.SBK", "x.2bk"}},
        {"*.SBK", {"b.SBK"}},
        {"?.2b?", {"a.2bk", "c.2bd", "x.2bk"}},
        {"*.*", {"a.2bk", "b.SBK", "c.2bd", "d.2bkx", "noext", "e.bk", "f.22bk", "x.2bk", "y.dir"}},
        {"no*.*", {"noext"}},
        {"*bk", {"a.2bk", "b.SBK", "e.bk", "f.22bk", "x.2bk"}},
        {"zz*", {}},
    };
    for (const Case& c : cases) {
        std::set<std::string> got;
        for (const rt::DirEntry& e : rt::listDirectory(tmp.path(), c.pattern)) {
            got.insert(e.name);
            EXPECT_EQ(e.path, tmp / e.name);
            EXPECT_EQ(e.isFolder, e.name == "x.2bk" || e.name == "y.dir") << e.name;
            if (!e.isFolder) {
                EXPECT_EQ(e.size, 5);
            }
        }
        EXPECT_EQ(got, c.expected) << c.pattern;
    }
}

TEST_F(FolderTest, ListingIsInNameOrderAndMarksLinks) {
    // Directory order is arbitrary; whoever takes the first of several matches must get the
    // same one every time.
    std::vector<std::string> names;
    for (int i = 0; i < 20; ++i) names.push_back("s" + std::to_string(i) + ".2bk");
    for (const std::string& n : names) writeText(tmp / n, "");
    std::sort(names.begin(), names.end());
    std::filesystem::create_directory(tmp.path() + "/real");
    std::filesystem::create_directory_symlink(tmp.path() + "/real", tmp.path() + "/link");
    std::vector<std::string> listed;
    for (const rt::DirEntry& e : rt::listDirectory(tmp.path(), "*.2bk")) listed.push_back(e.name);
    EXPECT_EQ(listed, names);
    const auto folders = rt::listDirectory(tmp.path(), "*");
    std::vector<std::string> links;
    for (const rt::DirEntry& e : folders)
        if (e.isFolder) links.push_back(e.name + (e.isLink ? "@" : ""));
    EXPECT_EQ(links, (std::vector<std::string>{"link@", "real"}));
}

TEST_F(FolderTest, RelativeNamesResolveAgainstTheRuntimeFolderNotTheProcessFolder) {
    char before[PATH_MAX];
    ASSERT_NE(::getcwd(before, sizeof before), nullptr);
    rt::setCurrentFolder(tmp.path());
    writeText(tmp / "song.2bk", "x");

    EXPECT_EQ(rt::absolutePath("song.2bk"), tmp / "song.2bk");
    EXPECT_EQ(rt::absolutePath("sub/../song.2bk"), tmp / "song.2bk");
    EXPECT_EQ(rt::absolutePath("/etc/hosts"), "/etc/hosts");
    EXPECT_TRUE(rt::fileExists("song.2bk"));
    EXPECT_FALSE(rt::folderExists("song.2bk"));
    EXPECT_EQ(rt::listDirectory("", "*.2bk").size(), 1u);

    std::string seen;
    std::thread([&] { seen = rt::currentFolder(); }).join();
    EXPECT_EQ(seen, tmp.path());

    char after[PATH_MAX];
    ASSERT_NE(::getcwd(after, sizeof after), nullptr);
    EXPECT_STREQ(before, after);
}

TEST_F(FolderTest, RenameNeverReplacesAnExistingFile) {
    writeText(tmp / "a.2bk", "first");
    writeText(tmp / "b.2bk", "second");
    EXPECT_EQ(rt::renameFile(tmp / "a.2bk", tmp / "b.2bk"), EEXIST);
    EXPECT_EQ(rt::errorCode(), rt::FileSystemError);
    EXPECT_EQ(rt::fileErrorCode(), EEXIST);
    EXPECT_EQ(readText(tmp / "a.2bk"), "first");
    EXPECT_EQ(readText(tmp / "b.2bk"), "second");

    EXPECT_EQ(rt::renameFile(tmp / "a.2bk", tmp / "c.2bk"), 0);
    EXPECT_EQ(rt::errorCode(), 0);
    EXPECT_FALSE(rt::fileExists(tmp / "a.2bk"));
    EXPECT_EQ(readText(tmp / "c.2bk"), "first");

    EXPECT_EQ(rt::renameFile(tmp / "missing", tmp / "d.2bk"), ENOENT);
}

TEST_F(FolderTest, CopyReplacesOnlyWhenAskedAndLeavesNoTemporaryFile) {
    std::string big(300000, 'x');
    for (size_t i = 0; i < big.size(); i += 7) big[i] = char('a' + i % 26);
    writeText(tmp / "src.2bk", big);
    writeText(tmp / "dst.2bk", "old");
    ::chmod((tmp / "src.2bk").c_str(), 0640);

    EXPECT_EQ(rt::copyFile(tmp / "src.2bk", tmp / "dst.2bk"), EEXIST);
    EXPECT_EQ(readText(tmp / "dst.2bk"), "old");

    EXPECT_EQ(rt::copyFile(tmp / "src.2bk", tmp / "dst.2bk", true), 0);
    EXPECT_EQ(readText(tmp / "dst.2bk"), big);
    EXPECT_EQ(rt::copyFile(tmp / "src.2bk", tmp / "new.2bk"), 0);
    EXPECT_EQ(readText(tmp / "new.2bk"), big);
    EXPECT_EQ(std::filesystem::status(tmp / "new.2bk").permissions() & std::filesystem::perms::others_read,
              std::filesystem::perms::none);

    EXPECT_EQ(rt::copyFile(tmp / "missing.2bk", tmp / "other.2bk"), ENOENT);
    EXPECT_EQ(rt::errorCode(), rt::FileSystemError);
    EXPECT_EQ(namesIn(tmp.path()), (std::vector<std::string>{"dst.2bk", "new.2bk", "src.2bk"}));
}

TEST_F(FolderTest, CreateAndRemoveReportErrno) {
    EXPECT_EQ(rt::createFolder(tmp / "sub"), 0);
    EXPECT_TRUE(rt::folderExists(tmp / "sub"));
    EXPECT_EQ(rt::createFolder(tmp / "sub"), EEXIST);
    EXPECT_EQ(rt::createFolder(tmp / "no/such"), ENOENT);
    writeText(tmp / "f", "");
    EXPECT_EQ(rt::removeFile(tmp / "f"), 0);
    EXPECT_EQ(rt::removeFile(tmp / "f"), ENOENT);
    EXPECT_EQ(rt::fileErrorCode(), ENOENT);
}

TEST_F(FolderTest, LongPathIsCanonical) {
    std::filesystem::create_directory(tmp / "real");
    std::filesystem::create_directory_symlink(tmp / "real", tmp / "link");
    std::string real = std::filesystem::canonical(tmp / "real").string();
    EXPECT_EQ(rt::longPath(tmp / "link"), real);
    EXPECT_EQ(rt::longPath(tmp / "link/../link/x.2bk"), real + "/x.2bk");
    EXPECT_EQ(rt::shortPath(tmp / "link"), real);
}

TEST_F(FolderTest, ConfigFolderLiesUnderXdgConfigHomeAndIsCreated) {
    EXPECT_EQ(rt::configFolder(), tmp / "config/cantorelle");
    EXPECT_TRUE(std::filesystem::is_directory(tmp / "config/cantorelle"));
}

}  // namespace
