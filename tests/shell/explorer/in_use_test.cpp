// A SongBook that another program holds open (a second Cantorelle, most often) is neither
// deleted, renamed, moved nor replaced by a restore.
#include "explorer_fixture.h"
#include "shell/SongBookBackup.h"
#include "support/child_process.h"

namespace explorer_test {
namespace {

using fixture::HeldOpen;

struct Case {
    const char* button;
    const char* question;  // answered Yes first, "" for none
    const char* doing;
};

class InUseTest : public ExplorerTest, public ::testing::WithParamInterface<Case> {};

TEST_P(InUseTest, ASongBookHeldByAnotherProgramIsLeftAlone) {
    pair(books_, "Pop");
    const std::string archive = folder("backups") + "/Pop.bkp";
    std::string error;
    ASSERT_EQ(WriteSongBookBackup(books_ + "/Pop.2bk", archive, "c", error), 0) << error;
    writeText(books_ + "/Pop.2bd", "discs of Pop, changed since\n");
    const std::string dest = folder("dest");

    for (const char* held : {"Pop.2bk", "Pop.2bd"}) {
        SCOPED_TRACE(held);
        HeldOpen other(books_ + "/" + held);
        ASSERT_TRUE(other.held());
        start();
        selectBook("Pop");
        ASSERT_TRUE(d_.press(GetParam().button));
        const std::string button = GetParam().button;
        if (button == "&Move Selected SongBook") {
            ASSERT_TRUE(d_.dialog(dest)) << d_.error();
        } else if (button == "&Restore SongBook") {
            ASSERT_TRUE(d_.dialog(archive)) << d_.error();
        }
        if (*GetParam().question) {
            ASSERT_NE(message().find(GetParam().question), std::string::npos) << message();
            ASSERT_TRUE(d_.answer("Yes"));
        }
        EXPECT_EQ(message(), std::string("The SongBook File ") + held +
                                 " Is in Use by Another Program.\n\nClose It There Before You " + GetParam().doing +
                                 " It.");
        ASSERT_TRUE(d_.answer("OK"));
        EXPECT_TRUE(explorerShowing());
        EXPECT_EQ(readText(books_ + "/Pop.2bk"), "listings of Pop\n");
        EXPECT_EQ(readText(books_ + "/Pop.2bd"), "discs of Pop, changed since\n");
        EXPECT_TRUE(std::filesystem::is_empty(dest));
        d_.end();
    }
}

INSTANTIATE_TEST_SUITE_P(Actions, InUseTest,
                         ::testing::Values(Case{"&Delete Selected SongBook", "Are You Sure", "Delete"},
                                           Case{"&Rename Selected SongBook", "", "Rename"},
                                           Case{"&Move Selected SongBook", "", "Move"},
                                           Case{"&Restore SongBook", "", "Replace"}),
                         [](const auto& i) { return std::string(i.param.doing); });

}  // namespace
}  // namespace explorer_test
