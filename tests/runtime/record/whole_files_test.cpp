// Record files handled as whole files: recovery in place before file actions, and copies that
// hold one committed state.
#include <fstream>
#include <sstream>

#include "runtime/record/record_fixture.h"
#include "runtime/record/whole_files.h"
#include "support/data_fixture.h"

namespace testfiles {
namespace {

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

bool present(const std::string& path) { return std::filesystem::exists(path); }

class WholeFiles : public RecordFiles {
protected:
    std::string listing() const { return folder + "/book.2bk"; }
    std::string disc() const { return folder + "/book.2bd"; }
};

TEST_F(WholeFiles, LeftoversThatNoTransactionNeedsAreRemoved) {
    ASSERT_EQ(addSong("Kept"), 0);
    songs.close();
    discs.close();
    // A super-journal whose journals are gone (its writer died before naming it in them), a
    // journal no longer hot, and a journal of a file that is not there at all.
    writeText(listing() + "-mj1A2B3C4D5", folder + "/book.2bk-journal" + std::string(1, '\0'));
    writeText(disc() + "-mj0F0F0F0F0", "");
    writeText(disc() + "-journal", "");
    writeText(folder + "/gone.2bk-journal", "a journal of a file deleted since");
    // Another pair's super-journal is none of this pair's business.
    writeText(folder + "/other.2bk-mj123", "");

    ASSERT_EQ(rt::recoverRecordFiles({listing(), disc(), folder + "/gone.2bk"}), 0) << rt::error();
    for (const char* gone : {"book.2bk-mj1A2B3C4D5", "book.2bd-mj0F0F0F0F0", "book.2bd-journal", "gone.2bk-journal"})
        EXPECT_FALSE(present(folder + "/" + gone)) << gone;
    EXPECT_TRUE(present(folder + "/other.2bk-mj123"));
    songs.open();
    EXPECT_EQ(songs.records(), 1);
}

TEST_F(WholeFiles, AFileThatIsNoRecordFileIsLeftAlone) {
    songs.close();
    writeText(listing(), "listings of an older version");
    EXPECT_EQ(rt::recoverRecordFiles({listing()}), 0) << rt::error();
    EXPECT_EQ(fixture::readText(listing()), "listings of an older version");
}

TEST_F(WholeFiles, AFileAnotherConnectionIsWritingIsReportedAsLockedAndNamed) {
    songs.close();
    discs.close();
    fixture::FileLock lock(disc());
    ASSERT_TRUE(lock.held());
    std::string failed;
    EXPECT_EQ(rt::recoverRecordFiles({listing(), disc()}, &failed), rt::IsLocked);
    EXPECT_EQ(failed, disc());
}

TEST_F(WholeFiles, FilesOpenInThisProcessAreKnownByAnyOfTheirNames) {
    EXPECT_TRUE(rt::recordFileOpenHere(listing()));
    std::filesystem::create_directory_symlink(folder, folder + "/via");
    EXPECT_TRUE(rt::recordFileOpenHere(folder + "/via/book.2bk"));
    songs.close();
    EXPECT_FALSE(rt::recordFileOpenHere(listing()));
    EXPECT_TRUE(rt::recordFileOpenHere(disc()));
}

TEST_F(WholeFiles, ACopyHoldsTheCommittedRecordsAndOtherFilesAsTheyLie) {
    ASSERT_EQ(addSong("Committed"), 0);
    ASSERT_TRUE(rt::logout(1, {&songs}));
    ASSERT_EQ(addSong("Not yet"), 0);  // a transaction running while the copy is taken
    const std::string copy = folder + "/copy.2bk";
    ASSERT_EQ(rt::copyRecordFile(listing(), copy), 0) << rt::error();
    rt::commit();
    EXPECT_EQ(fixture::queryColumn(copy, "SELECT TITLE FROM data"), std::vector<std::string>{"Committed"});

    writeText(folder + "/old.sbk", "listings of an older version");
    ASSERT_EQ(rt::copyRecordFile(folder + "/old.sbk", folder + "/old-copy.sbk"), 0) << rt::error();
    EXPECT_EQ(fixture::readText(folder + "/old-copy.sbk"), "listings of an older version");
    // Never over an existing file.
    EXPECT_NE(rt::copyRecordFile(listing(), copy), 0);
}

}  // namespace
}  // namespace testfiles
