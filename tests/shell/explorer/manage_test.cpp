// Renaming, deleting and moving SongBooks: both files of the pair, never a file replaced,
// never a pair torn apart.
#include <cerrno>

#include "explorer_fixture.h"
#include "runtime/files/ini.h"

namespace explorer_test {
namespace {

struct PairKind {
    const char* name;
    const char* list;
    const char* disc;
};

const PairKind kKinds[] = {{"Pop", "2bk", "2bd"}, {"Karaoke.Night", "2bk", "2bd"}, {"Old", "sbk", "sbd"}};

class PairTest : public ExplorerTest, public ::testing::WithParamInterface<PairKind> {
protected:
    std::string listFile(const std::string& dir, const std::string& name) {
        return dir + "/" + name + "." + GetParam().list;
    }
    std::string discFile(const std::string& dir, const std::string& name) {
        return dir + "/" + name + "." + GetParam().disc;
    }
    void makePair() {
        pair(books_, GetParam().name, GetParam().list, GetParam().disc);
        // A neighbour whose name the SongBook's begins with must stay untouched.
        pair(books_, "Karaoke");
    }
    void neighbourIntact() {
        EXPECT_EQ(readText(books_ + "/Karaoke.2bk"), "listings of Karaoke\n");
        EXPECT_EQ(readText(books_ + "/Karaoke.2bd"), "discs of Karaoke\n");
    }
};

TEST_P(PairTest, RenameRenamesBothFilesAndKeepsTheSelectionOnIt) {
    makePair();
    const std::string name = GetParam().name;
    start();
    selectBook(name);
    ASSERT_TRUE(d_.press("&Rename Selected SongBook"));
    EXPECT_EQ(d_.active()->title, "");
    EXPECT_EQ(d_.value("?NEWNAME"), name);
    ASSERT_TRUE(d_.type("?NEWNAME", "Zed Party"));
    d_.clearBeeps();
    ASSERT_TRUE(d_.press("OK"));
    ASSERT_TRUE(explorerShowing()) << d_.windows();
    EXPECT_EQ(status(), "SongBook Successfully Renamed");
    EXPECT_EQ(d_.beeps(), std::vector<rt::BeepKind>{rt::BeepKind::Information});
    EXPECT_EQ(readText(listFile(books_, "Zed Party")), "listings of " + name + "\n");
    EXPECT_EQ(readText(discFile(books_, "Zed Party")), "discs of " + name + "\n");
    EXPECT_FALSE(exists(listFile(books_, name)));
    EXPECT_FALSE(exists(discFile(books_, name)));
    neighbourIntact();
    EXPECT_EQ(d_.selectedRow("?LIST"), rowOf("Zed Party"));
    EXPECT_EQ(SelectedSongBookPath.str(), listFile(books_, "Zed Party"));
}

TEST_P(PairTest, DeleteAsksThenRemovesBothFiles) {
    makePair();
    const std::string name = GetParam().name;
    start();
    selectBook(name);
    ASSERT_TRUE(d_.press("&Delete Selected SongBook"));
    auto r = d_.request();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->text, "Are You Sure You Wish to Delete the SongBook: " + books_ + "/" + name);
    EXPECT_EQ(r->icon, rt::Icon::Question);
    EXPECT_EQ(r->defaultValue, rt::BtnNo);
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_TRUE(exists(listFile(books_, name)));
    EXPECT_TRUE(exists(discFile(books_, name)));
    EXPECT_EQ(status(), "");

    d_.clearBeeps();
    ASSERT_TRUE(d_.key("?LIST", "Delete", rowOf(name)));  // the Delete key asks the same
    ASSERT_TRUE(d_.answer("Yes"));
    EXPECT_FALSE(exists(listFile(books_, name)));
    EXPECT_FALSE(exists(discFile(books_, name)));
    neighbourIntact();
    EXPECT_EQ(status(), "SongBook Successfully Deleted");
    EXPECT_EQ(d_.beeps(), std::vector<rt::BeepKind>{rt::BeepKind::Information});
    EXPECT_EQ(listed(), std::vector<std::string>{"Karaoke"});
}

TEST_P(PairTest, MoveCopiesBothFilesIntoAOneLetterFolderAndRemovesThem) {
    makePair();
    const std::string name = GetParam().name;
    const std::string dest = folder("x");
    start();
    selectBook(name);
    ASSERT_TRUE(d_.press("&Move Selected SongBook"));
    ASSERT_EQ(d_.request()->title, "Select Destination Folder");
    d_.clearBeeps();
    ASSERT_TRUE(d_.dialog(dest + "/"));
    EXPECT_EQ(readText(listFile(dest, name)), "listings of " + name + "\n");
    EXPECT_EQ(readText(discFile(dest, name)), "discs of " + name + "\n");
    EXPECT_FALSE(exists(listFile(books_, name)));
    EXPECT_FALSE(exists(discFile(books_, name)));
    neighbourIntact();
    EXPECT_EQ(status(), "SongBook Successfully Moved");
    EXPECT_EQ(d_.beeps(), std::vector<rt::BeepKind>{rt::BeepKind::Plain});
    EXPECT_EQ(listed(), std::vector<std::string>{"Karaoke"});
    EXPECT_EQ(rt::currentFolder(), books_);
}

INSTANTIATE_TEST_SUITE_P(Kinds, PairTest, ::testing::ValuesIn(kKinds),
                         [](const auto& i) {
                             std::string n = i.param.name;
                             for (char& c : n)
                                 if (c == '.') c = '_';
                             return n;
                         });

struct NothingSelectedCase {
    const char* button;
    const char* message;
};

class NothingSelectedTest : public ExplorerTest, public ::testing::WithParamInterface<NothingSelectedCase> {};

TEST_P(NothingSelectedTest, AsksForASelectionAndStaysOpen) {
    pair(books_, "Pop");
    start();
    ASSERT_TRUE(d_.press(GetParam().button));
    EXPECT_EQ(message(), GetParam().message);
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_TRUE(explorerShowing());
    EXPECT_TRUE(exists(books_ + "/Pop.2bk"));
}

INSTANTIATE_TEST_SUITE_P(
    Buttons, NothingSelectedTest,
    ::testing::Values(NothingSelectedCase{"&Rename Selected SongBook", "Please Select a SongBook to Rename"},
                      NothingSelectedCase{"&Delete Selected SongBook", "Please Select the SongBook You Wish to Delete"},
                      NothingSelectedCase{"&Backup Selected SongBook", "Please select a SongBook To Backup."},
                      NothingSelectedCase{"&Move Selected SongBook", "Please Select a SongBook to Move"}));

// --- renaming ---

class RenameTest : public ExplorerTest {
protected:
    void startRename() {
        pair(books_, "Pop");
        start();
        selectBook("Pop");
        ASSERT_TRUE(d_.press("&Rename Selected SongBook"));
    }
    void popUntouched() {
        EXPECT_EQ(readText(books_ + "/Pop.2bk"), "listings of Pop\n");
        EXPECT_EQ(readText(books_ + "/Pop.2bd"), "discs of Pop\n");
    }
};

TEST_F(RenameTest, ANameInUseKeepsTheDialogOpen) {
    pair(books_, "Rock");
    writeText(books_ + "/Orphan.2bd", "a disc file left behind");
    startRename();
    for (const char* taken : {"Rock", "Orphan"}) {
        SCOPED_TRACE(taken);
        ASSERT_TRUE(d_.type("?NEWNAME", taken));
        ASSERT_TRUE(d_.press("OK"));
        EXPECT_EQ(message(), "SongBook Name Already in Use, Please Select Another Name");
        ASSERT_TRUE(d_.answer("OK"));
        EXPECT_EQ(d_.active()->title, "");
    }
    ASSERT_TRUE(d_.press("&Cancel"));
    EXPECT_TRUE(explorerShowing());
    EXPECT_EQ(status(), "");
    popUntouched();
    EXPECT_EQ(readText(books_ + "/Rock.2bk"), "listings of Rock\n");
    EXPECT_EQ(readText(books_ + "/Orphan.2bd"), "a disc file left behind");
}

TEST_F(RenameTest, TheSameNameChangesNothing) {
    startRename();
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_TRUE(explorerShowing());
    EXPECT_EQ(status(), "");
    EXPECT_TRUE(d_.beeps().empty());
    popUntouched();
}

TEST_F(RenameTest, NamesThatAreNotPlainNamesAreRefused) {
    startRename();
    for (const char* bad : {"", "sub/Rock", "../Rock", "Ro..ck", "a\\b"}) {
        SCOPED_TRACE(bad);
        ASSERT_TRUE(d_.type("?NEWNAME", bad));
        ASSERT_TRUE(d_.press("OK"));
        EXPECT_NE(message(), "");
        ASSERT_TRUE(d_.answer("OK"));
        EXPECT_EQ(d_.active()->title, "");
    }
    popUntouched();
}

TEST_F(RenameTest, ADiscFileThatWillNotMoveTakesTheListingFileBack) {
    SetSongBookFileRenamer([](const std::string& from, const std::string& to) {
        if (from.size() > 4 && from.compare(from.size() - 4, 4, ".2bd") == 0) return EACCES;
        return rt::renameFile(from, to);
    });
    startRename();
    ASSERT_TRUE(d_.type("?NEWNAME", "Rock"));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_NE(message(), "");
    ASSERT_TRUE(d_.answer("OK"));
    ASSERT_TRUE(d_.press("&Cancel"));
    popUntouched();
    EXPECT_FALSE(exists(books_ + "/Rock.2bk"));
    EXPECT_FALSE(exists(books_ + "/Rock.2bd"));
    EXPECT_EQ(status(), "");
}

TEST_F(RenameTest, ADialogThatKeepsItsPlacement) {
    startRename();
    ASSERT_TRUE(rt::input(d_.active()->id, [] {
        rt::EventData e(rt::EvMoved);
        e.text = "44,55";
        e.hasText = true;
        return e;
    }()));
    ASSERT_TRUE(d_.settle());
    ASSERT_TRUE(d_.press("&Cancel"));
    EXPECT_EQ(rt::getIni("RenameSongBook", "XPosit", "", "songbook.ini"), "44");
    EXPECT_EQ(rt::getIni("RenameSongBook", "YPosit", "", "songbook.ini"), "55");
    ASSERT_TRUE(d_.press("&Rename Selected SongBook"));
    EXPECT_EQ(d_.active()->x, 44);
    EXPECT_EQ(d_.active()->y, 55);
}

// --- moving ---

class MoveTest : public ExplorerTest {
protected:
    void move(const std::string& dest) {
        pair(books_, "Pop");
        start();
        selectBook("Pop");
        ASSERT_TRUE(d_.press("&Move Selected SongBook"));
        ASSERT_TRUE(d_.dialog(dest));
    }
    void popUntouched() {
        EXPECT_EQ(readText(books_ + "/Pop.2bk"), "listings of Pop\n");
        EXPECT_EQ(readText(books_ + "/Pop.2bd"), "discs of Pop\n");
        EXPECT_EQ(listed(), std::vector<std::string>{"Pop"});
    }
};

TEST_F(MoveTest, AListingFileInTheWayIsNotReplaced) {
    const std::string dest = folder("dest");
    writeText(dest + "/Pop.2bk", "someone else's Pop");
    move(dest);
    EXPECT_EQ(message(), "Unable to Move SongBook to Selected Destination");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(readText(dest + "/Pop.2bk"), "someone else's Pop");
    EXPECT_FALSE(exists(dest + "/Pop.2bd"));
    popUntouched();
}

TEST_F(MoveTest, ADiscFileInTheWayUndoesTheListingCopy) {
    const std::string dest = folder("dest");
    writeText(dest + "/Pop.2bd", "someone else's discs");
    move(dest);
    EXPECT_EQ(message(), "Unable to Move SongBook to Selected Destination");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(exists(dest + "/Pop.2bk"));
    EXPECT_EQ(readText(dest + "/Pop.2bd"), "someone else's discs");
    popUntouched();
}

TEST_F(MoveTest, AMissingDiscFileFailsAndLeavesTheListingWhereItWas) {
    const std::string dest = folder("dest");
    writeText(books_ + "/Pop.2bk", "listings of Pop\n");
    start();
    selectBook("Pop");
    ASSERT_TRUE(d_.press("&Move Selected SongBook"));
    ASSERT_TRUE(d_.dialog(dest));
    EXPECT_EQ(message(), "Unable to Move SongBook to Selected Destination");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(exists(dest + "/Pop.2bk"));
    EXPECT_EQ(readText(books_ + "/Pop.2bk"), "listings of Pop\n");
}

TEST_F(MoveTest, IntoItsOwnFolderChangesNothing) {
    for (const std::string& same : {books_, books_ + "/", books_ + "/../books"}) {
        SCOPED_TRACE(same);
        move(same);
        EXPECT_EQ(message(), "");
        popUntouched();
        d_.end();
    }
}

TEST_F(MoveTest, CancelledFolderDialogChangesNothing) {
    pair(books_, "Pop");
    start();
    selectBook("Pop");
    ASSERT_TRUE(d_.press("&Move Selected SongBook"));
    ASSERT_TRUE(d_.dialogCancel());
    EXPECT_TRUE(explorerShowing());
    popUntouched();
}

}  // namespace
}  // namespace explorer_test
