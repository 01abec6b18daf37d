#include "support/temp_folder.h"
#include "runtime/zip/zip.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <zip.h>

#include <thread>

using fixture::namesIn;
using fixture::readText;
using fixture::TempFolder;
using fixture::writeText;

namespace {

const std::string kComment = "Cantorelle V2 SongBook Maker Backup Dated: 03/14/24";

std::string sampleData(size_t size, char seed) {
    std::string s;
    s.reserve(size);
    for (size_t i = 0; s.size() < size; ++i) s += "Track " + std::to_string(i) + " by Artist " + seed + "\n";
    s.resize(size);
    return s;
}

// Builds an archive with libzip directly, members given as name and content.
void craftArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members) {
    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    for (const auto& [name, content] : members) {
        zip_source_t* src = zip_source_buffer(za, content.data(), content.size(), 0);
        ASSERT_GE(zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8), 0) << name;
    }
    ASSERT_EQ(zip_close(za), 0);
}

class ZipTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(books);
        std::filesystem::create_directories(backups);
        std::filesystem::create_directories(restore);
        listing = sampleData(200000, 'A');
        discs = sampleData(50000, 'B');
        writeText(books + "/Pop.2bk", listing);
        writeText(books + "/Pop.2bd", discs);
    }
    void TearDown() override { rt::zCloseZipFile(); }

    // The backup sequence of the explorer: 0 when every call succeeded.
    int backup(const std::string& name) {
        std::string archive = backups + "/" + name + ".bkp";
        int rc = std::filesystem::exists(archive) ? rt::zOpenZipFile(archive) : rt::zCreateNewZip(archive);
        if (rc == 0) rc = rt::zOrderFile(books + "/" + name + ".2bk", name + ".2bk", 0);
        if (rc == 0) rc = rt::zOrderFile(books + "/" + name + ".2bd", name + ".2bd", 0);
        if (rc == 0) rc = rt::zCompressFiles("", "", 3, 0, 0, kComment, 0);
        if (rc == 0) rc = rt::zCloseZipFile();
        return rc;
    }

    int restoreFrom(const std::string& archive, const std::string& folder) {
        int rc = rt::zOpenZipFile(archive);
        if (rc == 0) rc = rt::zExtractAll(folder + "/", "", 1, 0, 0, 0, 0);
        if (rc == 0) rc = rt::zCloseZipFile();
        return rc;
    }

    TempFolder tmp;

    fixture::ScopedConfigHome config{tmp / "config"};
    std::string books = tmp / "books", backups = tmp / "backups", restore = tmp / "restore";
    std::string listing, discs;
};

TEST_F(ZipTest, BackupHoldsTheTwoFilesUnderBareNamesCompressedWithTheComment) {
    ASSERT_EQ(backup("Pop"), 0) << rt::zGetLastErrorAsText();
    std::string archive = backups + "/Pop.bkp";
    EXPECT_EQ(rt::zMemberNames(archive), (std::vector<std::string>{"Pop.2bk", "Pop.2bd"}));
    EXPECT_EQ(rt::zArchiveComment(archive), kComment);

    int err = 0;
    zip_t* za = zip_open(archive.c_str(), ZIP_RDONLY, &err);
    ASSERT_NE(za, nullptr);
    for (zip_uint64_t i = 0; i < 2; ++i) {
        zip_stat_t st;
        ASSERT_EQ(zip_stat_index(za, i, 0, &st), 0);
        EXPECT_EQ(st.comp_method, ZIP_CM_DEFLATE) << st.name;
        EXPECT_LT(st.comp_size, st.size / 2) << st.name;
    }
    zip_discard(za);
}

TEST_F(ZipTest, BackingUpAgainReplacesTheMembers) {
    ASSERT_EQ(backup("Pop"), 0) << rt::zGetLastErrorAsText();
    listing = sampleData(120000, 'C');
    writeText(books + "/Pop.2bk", listing);
    ASSERT_EQ(backup("Pop"), 0) << rt::zGetLastErrorAsText();

    EXPECT_EQ(rt::zMemberNames(backups + "/Pop.bkp"), (std::vector<std::string>{"Pop.2bk", "Pop.2bd"}));
    ASSERT_EQ(restoreFrom(backups + "/Pop.bkp", restore), 0) << rt::zGetLastErrorAsText();
    EXPECT_EQ(readText(restore + "/Pop.2bk"), listing);

    // Ordering the same name twice before compressing stores it once, the later file.
    writeText(books + "/Other.2bk", "other");
    ASSERT_EQ(rt::zOpenZipFile(backups + "/Pop.bkp"), 0);
    ASSERT_EQ(rt::zOrderFile(books + "/Pop.2bk", "Pop.2bk", 0), 0);
    ASSERT_EQ(rt::zOrderFile(books + "/Other.2bk", "Pop.2bk", 0), 0);
    ASSERT_EQ(rt::zCompressFiles("", "", 3, 0, 0, kComment, 0), 0) << rt::zGetLastErrorAsText();
    ASSERT_EQ(rt::zCloseZipFile(), 0);
    EXPECT_EQ(rt::zMemberNames(backups + "/Pop.bkp").size(), 2u);
}

TEST_F(ZipTest, RestoreIntoAnEmptyFolderIsByteIdenticalAndLeavesNoTemporaryFile) {
    ASSERT_EQ(backup("Pop"), 0) << rt::zGetLastErrorAsText();
    ASSERT_EQ(restoreFrom(backups + "/Pop.bkp", restore), 0) << rt::zGetLastErrorAsText();
    EXPECT_EQ(namesIn(restore), (std::vector<std::string>{"Pop.2bd", "Pop.2bk"}));
    EXPECT_EQ(readText(restore + "/Pop.2bk"), listing);
    EXPECT_EQ(readText(restore + "/Pop.2bd"), discs);

    // Restoring over an existing SongBook replaces its files.
    writeText(restore + "/Pop.2bk", "changed since");
    ASSERT_EQ(restoreFrom(backups + "/Pop.bkp", restore), 0) << rt::zGetLastErrorAsText();
    EXPECT_EQ(readText(restore + "/Pop.2bk"), listing);
    EXPECT_EQ(namesIn(restore), (std::vector<std::string>{"Pop.2bd", "Pop.2bk"}));
}

TEST_F(ZipTest, AMissingSourceFailsAndWritesNoArchive) {
    std::filesystem::remove(books + "/Pop.2bd");
    EXPECT_NE(backup("Pop"), 0);
    EXPECT_NE(rt::zGetLastErrorAsText().find("Pop.2bd"), std::string::npos) << rt::zGetLastErrorAsText();
    rt::zCloseZipFile();
    EXPECT_FALSE(std::filesystem::exists(backups + "/Pop.bkp"));
}

TEST_F(ZipTest, CallsOutOfOrderFailWithAText) {
    rt::zCloseZipFile();
    EXPECT_NE(rt::zOrderFile(books + "/Pop.2bk", "Pop.2bk", 0), 0);
    EXPECT_FALSE(rt::zGetLastErrorAsText().empty());
    EXPECT_NE(rt::zExtractAll(restore, "", 1, 0, 0, 0, 0), 0);
    EXPECT_NE(rt::zOpenZipFile(backups + "/none.bkp"), 0);
    EXPECT_NE(rt::zGetLastErrorAsText().find("none.bkp"), std::string::npos);
    writeText(backups + "/junk.bkp", "not an archive");
    EXPECT_NE(rt::zOpenZipFile(backups + "/junk.bkp"), 0);
    EXPECT_FALSE(rt::zGetLastErrorAsText().empty());
}

// An archive to restore is read only when it is a file: libzip never waits on a FIFO.
TEST_F(ZipTest, WhatIsNoFileIsRefusedAsAnArchive) {
    ASSERT_EQ(::mkfifo((backups + "/pipe.bkp").c_str(), 0600), 0);
    for (const std::string& path : {backups + "/pipe.bkp", std::string("/dev/zero"), backups}) {
        SCOPED_TRACE(path);
        EXPECT_NE(rt::zOpenZipFile(path), 0);
        EXPECT_NE(rt::zGetLastErrorAsText().find("not a file"), std::string::npos) << rt::zGetLastErrorAsText();
        std::vector<rt::ZipMember> members;
        EXPECT_FALSE(rt::zArchiveMembers(path, members));
        EXPECT_NE(rt::zExtractionProblem(path, restore).find("not a file"), std::string::npos);
    }
}

TEST_F(ZipTest, MembersLeadingOutsideTheFolderAreRefused) {
    std::filesystem::create_directories(tmp / "outside");
    std::filesystem::create_directory_symlink(tmp / "outside", restore + "/link");
    std::string absolute = tmp / "outside/abs.2bk";
    const std::string badNames[] = {
        "../evil.2bk", "sub/../../evil.2bk", "..\\evil.2bk", absolute, "/evil.2bk", "C:evil.2bk", "link/evil.2bk",
    };
    for (const std::string& bad : badNames) {
        std::string archive = backups + "/crafted.bkp";
        craftArchive(archive, {{"good.2bk", "fine"}, {bad, "evil"}});
        EXPECT_NE(restoreFrom(archive, restore), 0) << bad;
        EXPECT_FALSE(rt::zGetLastErrorAsText().empty()) << bad;
        rt::zCloseZipFile();
        EXPECT_EQ(namesIn(restore), std::vector<std::string>{"link"}) << bad;
        EXPECT_TRUE(namesIn(tmp / "outside").empty()) << bad;
        EXPECT_EQ(namesIn(tmp.path()), (std::vector<std::string>{"backups", "books", "outside", "restore"})) << bad;
    }
}

TEST_F(ZipTest, MembersInSubFoldersStayInside) {
    std::string archive = backups + "/nested.bkp";
    craftArchive(archive, {{"WebPages/", ""}, {"WebPages/index.htm", "<html>"}, {"a..b.2bk", "dots"}});
    ASSERT_EQ(restoreFrom(archive, restore), 0) << rt::zGetLastErrorAsText();
    EXPECT_EQ(readText(restore + "/WebPages/index.htm"), "<html>");
    EXPECT_EQ(readText(restore + "/a..b.2bk"), "dots");
}

TEST_F(ZipTest, EachThreadHasItsOwnArchive) {
    writeText(books + "/Rock.2bk", "rock");
    writeText(books + "/Rock.2bd", "rock discs");
    ASSERT_EQ(rt::zCreateNewZip(backups + "/Pop.bkp"), 0);
    ASSERT_EQ(rt::zOrderFile(books + "/Pop.2bk", "", 0), 0);
    int other = -1;
    std::thread([&] { other = backup("Rock"); }).join();
    EXPECT_EQ(other, 0);
    ASSERT_EQ(rt::zOrderFile(books + "/Pop.2bd", "", 0), 0);
    ASSERT_EQ(rt::zCompressFiles("", "", 3, 0, 0, kComment, 0), 0) << rt::zGetLastErrorAsText();
    EXPECT_EQ(rt::zMemberNames(backups + "/Pop.bkp"), (std::vector<std::string>{"Pop.2bk", "Pop.2bd"}));
    EXPECT_EQ(rt::zMemberNames(backups + "/Rock.bkp"), (std::vector<std::string>{"Rock.2bk", "Rock.2bd"}));
}

}  // namespace
