// Backing up a SongBook into its dated ".bkp" archive and restoring it, through the explorer.
#include <zip.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <thread>
#include <cstring>

#include "explorer_fixture.h"
#include "runtime/zip/zip.h"
#include "shell/SongBookBackup.h"

namespace explorer_test {
namespace {

std::vector<std::string> sortedMembers(const std::string& archive) {
    auto names = rt::zMemberNames(archive);
    std::sort(names.begin(), names.end());
    return names;
}

// An archive written behind the program's back, members as given, stored uncompressed.
void craftArchive(const std::string& path, const std::vector<std::pair<std::string, std::string>>& members) {
    int err = 0;
    zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
    ASSERT_NE(za, nullptr);
    for (const auto& [name, data] : members) {
        void* copy = std::malloc(data.size() + 1);
        std::memcpy(copy, data.data(), data.size());
        zip_source_t* src = zip_source_buffer(za, copy, data.size(), 1);
        ASSERT_NE(src, nullptr);
        const zip_int64_t index = zip_file_add(za, name.c_str(), src, ZIP_FL_ENC_UTF_8);
        ASSERT_GE(index, 0) << name;
        ASSERT_EQ(zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0), 0);
    }
    ASSERT_EQ(zip_close(za), 0);
}

void put16(std::string& out, unsigned v) {
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}
void put32(std::string& out, std::uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

// A zip archive of one stored member that announces `announced` bytes and holds `data`:
// what a crafted archive meant to fill the disc looks like from its directory.
void craftAnnouncing(const std::string& path, const std::string& name, std::uint32_t announced,
                     const std::string& data) {
    std::string z;
    put32(z, 0x04034b50);  // local file header
    put16(z, 20), put16(z, 0), put16(z, 0), put16(z, 0), put16(z, 0x21);
    put32(z, 0), put32(z, static_cast<std::uint32_t>(data.size())), put32(z, announced);
    put16(z, static_cast<unsigned>(name.size())), put16(z, 0);
    z += name;
    z += data;
    const auto central = static_cast<std::uint32_t>(z.size());
    put32(z, 0x02014b50);  // central directory
    put16(z, 20), put16(z, 20), put16(z, 0), put16(z, 0), put16(z, 0), put16(z, 0x21);
    put32(z, 0), put32(z, static_cast<std::uint32_t>(data.size())), put32(z, announced);
    put16(z, static_cast<unsigned>(name.size())), put16(z, 0), put16(z, 0), put16(z, 0), put16(z, 0);
    put32(z, 0), put32(z, 0);
    z += name;
    const auto centralSize = static_cast<std::uint32_t>(z.size()) - central;
    put32(z, 0x06054b50);  // end of central directory
    put16(z, 0), put16(z, 0), put16(z, 1), put16(z, 1);
    put32(z, centralSize), put32(z, central), put16(z, 0);
    writeText(path, z);
}

// The names in a folder with their contents.
std::map<std::string, std::string> folderContents(const std::string& dir) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        out[e.path().filename().string()] = e.is_regular_file() ? readText(e.path().string()) : "<folder>";
    return out;
}

class BackupTest : public ExplorerTest {
protected:
    // Backs up a listed SongBook into a folder through the explorer.
    void backup(const std::string& name, const std::string& dest) {
        selectBook(name);
        ASSERT_TRUE(d_.press("&Backup Selected SongBook"));
        auto r = d_.request();
        ASSERT_TRUE(r);
        ASSERT_EQ(r->title, "Select Destination Folder for Backup File");
        ASSERT_TRUE(d_.dialog(dest)) << d_.error();
    }
    void restore(const std::string& archive) {
        ASSERT_TRUE(d_.press("&Restore SongBook"));
        auto r = d_.request();
        ASSERT_TRUE(r);
        ASSERT_EQ(r->title, "Select SongBook Backup File to Restore");
        ASSERT_EQ(r->filter, "SongBook Backup|*.bkp|All Files|*.*");
        ASSERT_TRUE(d_.dialog(archive)) << d_.error();
    }
    void changeFolder(const std::string& f) {
        ASSERT_TRUE(d_.press("&Change Folder"));
        ASSERT_TRUE(d_.dialog(f));
    }
};

TEST_F(BackupTest, ArchiveHoldsThePairUnderBareNamesWithTheDatedComment) {
    struct {
        rt::DayNumber day;
        const char* dated;
    } const days[] = {{rt::date(10, 31, 2023), "10/31/23"}, {rt::date(1, 5, 2004), " 1/05/04"}};
    pair(books_, "Karaoke.Night");
    const std::string dest = folder("backups");
    for (const auto& day : days) {
        SCOPED_TRACE(day.dated);
        std::filesystem::remove(dest + "/Karaoke.Night.bkp");
        rt::setToday(day.day);
        start();
        d_.clearBeeps();
        backup("Karaoke.Night", dest + "/");
        EXPECT_EQ(message(), "");
        EXPECT_EQ(status(), "SongBook Backup Created Successfully");
        EXPECT_EQ(d_.beeps(), std::vector<rt::BeepKind>{rt::BeepKind::Information});
        EXPECT_EQ(rt::currentFolder(), books_);
        const std::string archive = dest + "/Karaoke.Night.bkp";
        EXPECT_EQ(sortedMembers(archive), (std::vector<std::string>{"Karaoke.Night.2bd", "Karaoke.Night.2bk"}));
        EXPECT_EQ(rt::zArchiveComment(archive),
                  std::string("Cantorelle V2 SongBook Maker Backup Dated: ") + day.dated);
        d_.end();
    }
}

TEST_F(BackupTest, RestoringIntoAnEmptyFolderGivesBackTheSameFiles) {
    // Contents with every byte value, larger than one read block.
    std::string listing, discs;
    for (int i = 0; i < 200000; ++i) listing += static_cast<char>(i * 7 % 256);
    for (int i = 0; i < 5000; ++i) discs += static_cast<char>(255 - i % 256);
    writeText(books_ + "/Pop.2bk", listing);
    writeText(books_ + "/Pop.2bd", discs);
    const std::string dest = folder("backups");
    const std::string empty = folder("empty");
    start();
    backup("Pop", dest);
    changeFolder(empty);
    ASSERT_TRUE(listed().empty());
    d_.clearBeeps();
    restore(dest + "/Pop.bkp");
    EXPECT_EQ(message(), "");
    EXPECT_EQ(status(), "SongBook Successfully Restored");
    EXPECT_EQ(d_.beeps(), std::vector<rt::BeepKind>{rt::BeepKind::Information});
    EXPECT_TRUE(readText(empty + "/Pop.2bk") == listing);
    EXPECT_TRUE(readText(empty + "/Pop.2bd") == discs);
    EXPECT_EQ(listed(), std::vector<std::string>{"Pop"});
    EXPECT_EQ(rt::currentFolder(), empty);
}

TEST_F(BackupTest, BackingUpTwiceReplacesTheTwoMembers) {
    pair(books_, "Pop");
    pair(books_, "Rock");
    const std::string dest = folder("backups");
    start();
    backup("Pop", dest);
    writeText(books_ + "/Pop.2bk", "listings of Pop, later\n");
    backup("Pop", dest);
    EXPECT_EQ(status(), "SongBook Backup Created Successfully");
    EXPECT_EQ(sortedMembers(dest + "/Pop.bkp"), (std::vector<std::string>{"Pop.2bd", "Pop.2bk"}));

    const std::string other = folder("other");
    changeFolder(other);
    restore(dest + "/Pop.bkp");
    EXPECT_EQ(readText(other + "/Pop.2bk"), "listings of Pop, later\n");
    EXPECT_EQ(readText(other + "/Pop.2bd"), "discs of Pop\n");
}

TEST_F(BackupTest, AMissingDiscFileFailsWithTheLibrarysTextAndWritesNoArchive) {
    writeText(books_ + "/Pop.2bk", "listings of Pop\n");
    const std::string dest = folder("backups");
    start();
    backup("Pop", dest);
    const std::string text = message();
    EXPECT_EQ(text.rfind("Error: ", 0), 0u) << text;
    EXPECT_GT(text.size(), std::string("Error: ").size());
    EXPECT_EQ(d_.request()->title, "");
    EXPECT_EQ(d_.request()->icon, rt::Icon::None);
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_TRUE(explorerShowing());
    EXPECT_FALSE(exists(dest + "/Pop.bkp"));
    EXPECT_EQ(rt::currentFolder(), books_);
}

TEST_F(BackupTest, CancelledDialogsDoNothing) {
    pair(books_, "Pop");
    start();
    selectBook("Pop");
    ASSERT_TRUE(d_.press("&Backup Selected SongBook"));
    ASSERT_TRUE(d_.dialogCancel());
    ASSERT_TRUE(d_.press("&Restore SongBook"));
    ASSERT_TRUE(d_.dialogCancel());
    EXPECT_TRUE(explorerShowing());
    EXPECT_EQ(status(), "");
    EXPECT_EQ(rt::currentFolder(), books_);
    EXPECT_EQ(listed(), std::vector<std::string>{"Pop"});
}

TEST_F(BackupTest, RestoreReplacesExistingFilesOnlyWhenTheHostAgrees) {
    pair(books_, "Pop");
    const std::string dest = folder("backups");
    start();
    backup("Pop", dest);
    writeText(books_ + "/Pop.2bk", "damaged");
    writeText(books_ + "/Pop.2bd", "damaged too");

    restore(dest + "/Pop.bkp");
    auto r = d_.request();
    ASSERT_TRUE(r);
    EXPECT_NE(r->text.find("Pop.2bk"), std::string::npos) << r->text;
    EXPECT_NE(r->text.find("Pop.2bd"), std::string::npos) << r->text;
    EXPECT_EQ(r->defaultValue, rt::BtnNo);
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_EQ(readText(books_ + "/Pop.2bk"), "damaged");
    EXPECT_EQ(readText(books_ + "/Pop.2bd"), "damaged too");
    EXPECT_NE(status(), "SongBook Successfully Restored");

    restore(dest + "/Pop.bkp");
    ASSERT_TRUE(d_.answer("Yes"));
    EXPECT_EQ(readText(books_ + "/Pop.2bk"), "listings of Pop\n");
    EXPECT_EQ(readText(books_ + "/Pop.2bd"), "discs of Pop\n");
    EXPECT_EQ(status(), "SongBook Successfully Restored");
}

class CraftedArchiveTest : public BackupTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(CraftedArchiveTest, MembersLeavingTheFolderAreRefusedAndNothingIsWritten) {
    std::string name = GetParam();
    if (name == "ABSOLUTE") name = root_.file("evil.2bk");
    const std::string archive = folder("backups") + "/evil.bkp";
    craftArchive(archive, {{"good.2bk", "harmless"}, {name, "evil"}});
    start();
    restore(archive);
    EXPECT_NE(message(), "") << "the library's error text is shown";
    EXPECT_EQ(d_.request()->title, "");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_TRUE(explorerShowing());
    EXPECT_FALSE(exists(root_.file("evil.2bk")));
    EXPECT_FALSE(exists(books_ + "/good.2bk")) << "an archive like this is refused as a whole";
    EXPECT_NE(status(), "SongBook Successfully Restored");
    EXPECT_EQ(rt::currentFolder(), books_);
}

INSTANTIATE_TEST_SUITE_P(Names, CraftedArchiveTest,
                         ::testing::Values("../evil.2bk", "sub/../../evil.2bk", "..\\evil.2bk", "ABSOLUTE"));

TEST_F(BackupTest, AnArchiveAnnouncingGigabytesIsRefusedAtOnceAndWritesNothing) {
    pair(books_, "Pop");
    const auto before = folderContents(books_);
    const std::string archive = folder("backups") + "/Pop.bkp";
    craftAnnouncing(archive, "Pop.2bk", 3u << 30, std::string(2u << 20, 'x'));
    start();
    const auto t0 = std::chrono::steady_clock::now();
    restore(archive);
    const std::string text = message();
    const auto took = std::chrono::steady_clock::now() - t0;
    EXPECT_NE(text.find("far more than a backup of this size can hold"), std::string::npos) << text;
    EXPECT_LT(took, std::chrono::seconds(1));
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_TRUE(explorerShowing());
    EXPECT_EQ(folderContents(books_), before);
    EXPECT_NE(status(), "SongBook Successfully Restored");
}

TEST_F(BackupTest, AMemberHoldingMoreThanItAnnouncesFailsAndWritesNothing) {
    const std::string archive = folder("backups") + "/Pop.bkp";
    craftAnnouncing(archive, "Pop.2bk", 10, std::string(5000, 'x'));
    start();
    restore(archive);
    EXPECT_NE(message(), "");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(folderContents(books_), (std::map<std::string, std::string>{}));
}

TEST_F(BackupTest, ARestoreWhoseSecondMemberFailsLeavesTheFolderAsItWas) {
    writeText(books_ + "/Pop.2bk", "old listings");
    writeText(books_ + "/Pop.2bd", "old discs");
    const auto before = folderContents(books_);
    const std::string archive = folder("backups") + "/Pop.bkp";
    const std::string good = "new listings of Pop", bad = "new discs of Pop, soon damaged";
    craftArchive(archive, {{"Pop.2bk", good}, {"Pop.2bd", bad}});
    // Damage the second member's stored bytes: its checksum no longer matches.
    std::string bytes = readText(archive);
    const auto at = bytes.find("soon damaged");
    ASSERT_NE(at, std::string::npos) << "members are stored as they are";
    bytes[at] = 'S';
    writeText(archive, bytes);

    start();
    restore(archive);
    ASSERT_NE(message().find("Replace These Files"), std::string::npos) << message();
    ASSERT_TRUE(d_.answer("Yes"));
    EXPECT_NE(message(), "");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(folderContents(books_), before);
    EXPECT_NE(status(), "SongBook Successfully Restored");
}

TEST_F(BackupTest, MembersThatAreNotPlainFileNamesAreRefused) {
    for (const char* name : {".", "sub/Pop.2bk", "Pop\n.2bk", "Pop\t.2bd", "a\\b.2bk"}) {
        SCOPED_TRACE(name);
        const std::string archive = folder("backups") + "/odd.bkp";
        craftArchive(archive, {{"Pop.2bk", "listings"}, {name, "odd"}});
        start();
        restore(archive);
        EXPECT_NE(message().find("Which Is Not a Plain File Name"), std::string::npos) << message();
        ASSERT_TRUE(d_.answer("OK"));
        EXPECT_EQ(folderContents(books_), (std::map<std::string, std::string>{}));
        d_.end();
    }
}

TEST_F(BackupTest, ALargeRestoreShowsItsProgressAndCancelWritesNothing) {
    const std::string archive = folder("backups") + "/Big.bkp";
    const std::string big(24u << 20, 'k'), small = "discs of Big";
    {
        int err = 0;
        zip_t* za = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
        ASSERT_NE(za, nullptr);
        ASSERT_GE(zip_file_add(za, "Big.2bk", zip_source_buffer(za, big.data(), big.size(), 0), 0), 0);
        ASSERT_GE(zip_file_add(za, "Big.2bd", zip_source_buffer(za, small.data(), small.size(), 0), 0), 0);
        ASSERT_EQ(zip_close(za), 0);
    }
    start();
    restore(archive);
    ASSERT_EQ(d_.active()->title, "Restoring SongBook") << d_.windows();
    EXPECT_EQ(d_.text("?Percent"), "  0% Completed");
    ASSERT_TRUE(d_.press("Cancel"));
    EXPECT_TRUE(explorerShowing()) << d_.windows();
    EXPECT_EQ(status(), "Restore Cancelled, Nothing Has Been Changed");
    EXPECT_EQ(folderContents(books_), (std::map<std::string, std::string>{}));

    // Left to run, it ends by itself with the SongBook restored.
    restore(archive);
    ASSERT_EQ(d_.active()->title, "Restoring SongBook") << d_.windows();
    for (int tick = 0; tick < 6000 && !explorerShowing(); ++tick) {
        ASSERT_TRUE(d_.wait(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(explorerShowing()) << d_.windows();
    EXPECT_EQ(status(), "SongBook Successfully Restored") << message();
    EXPECT_EQ(std::filesystem::file_size(books_ + "/Big.2bk"), big.size());
    EXPECT_EQ(readText(books_ + "/Big.2bd"), small);
}

TEST_F(BackupTest, ArchiveWorkWithoutDialogs) {
    pair(books_, "Pop");
    const std::string archive = folder("backups") + "/Pop.bkp";
    std::string error;
    ASSERT_EQ(WriteSongBookBackup(books_ + "/Pop.2bk", archive, SongBookBackupComment(rt::date(7, 4, 2021)), error), 0)
        << error;
    EXPECT_EQ(rt::zArchiveComment(archive), "Cantorelle V2 SongBook Maker Backup Dated:  7/04/21");
    const std::string target = folder("target");
    ASSERT_EQ(ExtractSongBookBackup(archive, target + "/", error), 0) << error;
    EXPECT_EQ(readText(target + "/Pop.2bk"), "listings of Pop\n");
    EXPECT_EQ(readText(target + "/Pop.2bd"), "discs of Pop\n");
    // A file that is no archive is reported, not replaced.
    writeText(root_.file("not-a-zip.bkp"), "plain text");
    EXPECT_NE(WriteSongBookBackup(books_ + "/Pop.2bk", root_.file("not-a-zip.bkp"), "c", error), 0);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(readText(root_.file("not-a-zip.bkp")), "plain text");
}

}  // namespace
}  // namespace explorer_test
