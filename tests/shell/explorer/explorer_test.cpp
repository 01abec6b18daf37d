// Choosing a SongBook in the explorer: the list, the folder it shows, opening, creating,
// cancelling, the default folder, the keyboard.
#include "explorer_fixture.h"
#include "runtime/files/ini.h"
#include "runtime/registry/registry.h"
#include "services/RegistryValue.h"

namespace explorer_test {
namespace {

TEST_F(ExplorerTest, ListsTheSongBookFilesOfTheFolderByName) {
    pair(books_, "Pop");
    pair(books_, "Karaoke.Night");
    pair(books_, "Old", "sbk", "sbd");
    std::filesystem::create_directories(books_ + "/Folder.2bk");  // a folder is no SongBook
    writeText(books_ + "/notes.txt", "x");
    writeText(books_ + "/Lonely.2bd", "a disc file alone");
    // Other files whose extension ends in "bk" are no SongBooks the program could open.
    writeText(books_ + "/Weird.abk", "another program's");
    writeText(books_ + "/Notes.XBK", "another program's");
    start();
    EXPECT_EQ(d_.headers("?LIST"), std::vector<std::string>{"SongBooks"});
    EXPECT_EQ(listed(), (std::vector<std::string>{"Karaoke.Night", "Old", "Pop"}));
    EXPECT_EQ(d_.text("?LONGNEWPATH"), books_);
    EXPECT_EQ(d_.active()->icon, "~songbook.ico");
}

TEST_F(ExplorerTest, ListIsReadAgainWhenTheExplorerRegainsTheFocus) {
    start();
    EXPECT_TRUE(listed().empty());
    pair(books_, "Later");
    ASSERT_TRUE(rt::input(d_.active()->id, rt::EventData(rt::EvGainFocus)));
    ASSERT_TRUE(d_.settle());
    EXPECT_EQ(listed(), std::vector<std::string>{"Later"});
}

struct FolderCase {
    const char* what;
    bool setValue;
    bool valueExists;
};

class StartFolderTest : public ExplorerTest, public ::testing::WithParamInterface<FolderCase> {};

TEST_P(StartFolderTest, ShowsTheCurrentFolderWithoutAUsableDefault) {
    const std::string other = folder("elsewhere");
    pair(books_, "Here");
    if (GetParam().setValue) {
        const std::string saved = GetParam().valueExists ? other : root_.file("gone");
        WriteRegistryValue("General", "SongBookPath", RegistryProgramPath, saved);
    }
    start();
    const std::string expected = GetParam().valueExists ? other : books_;
    EXPECT_EQ(d_.text("?LONGNEWPATH"), expected);
    EXPECT_EQ(LONGNEWPATH.str(), expected);
    EXPECT_EQ(rt::currentFolder(), expected);
    EXPECT_EQ(listed().size(), GetParam().valueExists ? 0u : 1u);
}

INSTANTIATE_TEST_SUITE_P(Registry, StartFolderTest,
                         ::testing::Values(FolderCase{"NoValue", false, false},
                                           FolderCase{"FolderGone", true, false},
                                           FolderCase{"FolderThere", true, true}),
                         [](const auto& i) { return std::string(i.param.what); });

TEST_F(ExplorerTest, OpenNeedsASelectionThenHandsBackItsPath) {
    pair(books_, "Pop");
    pair(books_, "Rock");
    start();
    ASSERT_TRUE(d_.press("&Open Selected SongBook"));
    EXPECT_EQ(message(), "Please Select a SongBook to Open");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_TRUE(explorerShowing());

    selectBook("Rock");
    EXPECT_EQ(SelectedSongBookPath.str(), books_ + "/Rock.2bk");
    EXPECT_EQ(GLO::SHORTSONGBOOKNAME.str(), "Rock.2bk");
    ASSERT_TRUE(d_.press("&Open Selected SongBook"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(SongBookFileName.str(), books_ + "/Rock.2bk");
    EXPECT_EQ(rt::currentFolder(), books_);
}

TEST_F(ExplorerTest, EnterOrDoubleClickOnTheListOpensTheRow) {
    for (const char* key : {"Enter", "DoubleClick"}) {
        SCOPED_TRACE(key);
        pair(books_, "Pop");
        pair(books_, "Rock");
        start();
        ASSERT_TRUE(d_.key("?LIST", key, rowOf("Pop"))) << d_.error();
        EXPECT_FALSE(d_.running());
        EXPECT_EQ(SongBookFileName.str(), books_ + "/Pop.2bk");
    }
}

TEST_F(ExplorerTest, CancelAndTheCloseBoxHandBackNoSongBook) {
    pair(books_, "Pop");
    for (bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        SongBookFileName = "left over";
        start();
        selectBook("Pop");
        ASSERT_TRUE(closeBox ? d_.close() : d_.press("Cancel"));
        EXPECT_FALSE(d_.running());
        EXPECT_EQ(SongBookFileName.str(), "");
    }
}

TEST_F(ExplorerTest, NewSongBookNamesAListingFileInTheFolder) {
    pair(books_, "Pop");
    start();
    selectBook("Pop");
    ASSERT_TRUE(d_.press("&New SongBook"));
    ASSERT_EQ(d_.active()->title, "") << d_.windows();
    EXPECT_EQ(d_.active()->controls.front().text, "OpenBook2.ICO");
    ASSERT_TRUE(d_.type("?GLO:SHORTSONGBOOKNAME", "Fresh Songs")) << d_.error();
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(SongBookFileName.str(), books_ + "/Fresh Songs.2bk");
    EXPECT_EQ(GLO::SHORTSONGBOOKNAME.str(), "Fresh Songs");
    EXPECT_FALSE(exists(books_ + "/Fresh Songs.2bk")) << "the workspace creates the pair";
}

TEST_F(ExplorerTest, NewSongBookRefusesANameInUseAndCancelLeavesTheExplorerOpen) {
    pair(books_, "Pop");
    writeText(books_ + "/Orphan.2bd", "a disc file left behind");
    start();
    ASSERT_TRUE(d_.press("&New SongBook"));
    for (const char* taken : {"Pop", "Orphan"}) {
        SCOPED_TRACE(taken);
        d_.clearBeeps();
        ASSERT_TRUE(d_.type("?GLO:SHORTSONGBOOKNAME", taken));
        ASSERT_TRUE(d_.press("OK"));
        EXPECT_EQ(d_.text("?STATUSMESSAGE"), "SongBook Name Already in Use");
        EXPECT_EQ(d_.beeps(), std::vector<rt::BeepKind>{rt::BeepKind::Plain});
        EXPECT_EQ(d_.active()->title, "") << "the dialog stays open";
    }
    ASSERT_TRUE(d_.press("Cancel"));
    EXPECT_TRUE(explorerShowing());
    EXPECT_EQ(GLO::SHORTSONGBOOKNAME.str(), "");
    // Closing the explorer now must not hand back the name that was in use.
    ASSERT_TRUE(d_.close());
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(SongBookFileName.str(), "");
    EXPECT_EQ(readText(books_ + "/Pop.2bk"), "listings of Pop\n");
}

TEST_F(ExplorerTest, NewSongBookCloseBoxCancels) {
    start();
    ASSERT_TRUE(d_.press("&New SongBook"));
    ASSERT_TRUE(d_.type("?GLO:SHORTSONGBOOKNAME", "Typed"));
    ASSERT_TRUE(d_.close());
    EXPECT_TRUE(explorerShowing()) << d_.windows();
    EXPECT_EQ(GLO::SHORTSONGBOOKNAME.str(), "");
    EXPECT_EQ(SongBookFileName.str(), "");
}

class BadNameTest : public ExplorerTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(BadNameTest, NewSongBookRefusesANameThatIsNotAPlainName) {
    start();
    ASSERT_TRUE(d_.press("&New SongBook"));
    ASSERT_TRUE(d_.type("?GLO:SHORTSONGBOOKNAME", GetParam()));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_NE(message(), "") << "a message explains the refusal";
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(d_.active()->title, "") << "the dialog stays open for another name";
    EXPECT_EQ(SongBookFileName.str(), "");
}

TEST_P(BadNameTest, RenameRefusesANameThatIsNotAPlainName) {
    if (rt::trim(GetParam()).empty()) GTEST_SKIP() << "an empty name is the name unchanged";
    pair(books_, "Pop");
    start();
    selectBook("Pop");
    ASSERT_TRUE(d_.press("&Rename Selected SongBook"));
    ASSERT_TRUE(d_.type("?NEWNAME", GetParam()));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_EQ(message(), "A SongBook Name Cannot Hold \\, / or ..\nPlease Enter Another Name");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(d_.active()->title, "") << "the dialog stays open for another name";
    ASSERT_TRUE(d_.press("&Cancel"));
    EXPECT_EQ(listed(), std::vector<std::string>{"Pop"});
}

// Folder steps, and names that file lists cannot show or other programs not type: control
// characters and broken UTF-8 (a cut-off, an overlong and a surrogate sequence).
INSTANTIATE_TEST_SUITE_P(Names, BadNameTest,
                         ::testing::Values("", "   ", "sub/Pop", "..", "../Pop", "Pop..", "a\\b", "Two\nLines",
                                           "Tab\tName", "Bell\x07", "Del\x7f", "Cut \xC3", "Overlong \xC0\xAF",
                                           "Surrogate \xED\xA0\x80"));

TEST_F(ExplorerTest, NamesWithAccentsAreSongBookNames) {
    EXPECT_EQ(SongBookNameProblem("Soirée Karaoké ♫"), "");
}

TEST_F(ExplorerTest, DefaultFolderIsStoredAndTheNextOpeningStartsThere) {
    const std::string other = folder("other");
    pair(other, "Elsewhere");
    start();
    ASSERT_TRUE(d_.press("&Change Folder"));
    ASSERT_EQ(d_.request()->title, "Select New Folder");
    ASSERT_TRUE(d_.dialog(other + "/")) << d_.error();
    EXPECT_EQ(d_.text("?LONGNEWPATH"), other);
    EXPECT_EQ(rt::currentFolder(), other);
    EXPECT_EQ(listed(), std::vector<std::string>{"Elsewhere"});
    ASSERT_TRUE(d_.press("&Set as Default SongBook Folder"));
    EXPECT_TRUE(explorerShowing());
    EXPECT_EQ(ReadRegistryValue("General", "SongBookPath", "<none>", RegistryProgramPath), other);
    ASSERT_TRUE(d_.press("Cancel"));

    rt::setCurrentFolder(books_);
    start();
    EXPECT_EQ(d_.text("?LONGNEWPATH"), other);
    EXPECT_EQ(listed(), std::vector<std::string>{"Elsewhere"});
}

TEST_F(ExplorerTest, ChangeFolderCancelledLeavesNothingSelected) {
    pair(books_, "Pop");
    start();
    selectBook("Pop");
    ASSERT_TRUE(d_.press("&Change Folder"));
    ASSERT_TRUE(d_.dialogCancel());
    EXPECT_EQ(d_.text("?LONGNEWPATH"), books_);
    EXPECT_EQ(d_.selectedRow("?LIST"), 0);
    ASSERT_TRUE(d_.press("&Open Selected SongBook"));
    EXPECT_EQ(message(), "Please Select a SongBook to Open");
}

// Every control inside its window and clear of the others.
void expectTidy(const rt::WindowState& w) {
    SCOPED_TRACE("window \"" + w.title + "\"");
    const auto& cs = w.controls;
    for (std::size_t i = 0; i < cs.size(); ++i) {
        const rt::Control& a = cs[i];
        EXPECT_GE(a.x, 0) << a.name;
        EXPECT_GE(a.y, 0) << a.name;
        EXPECT_LE(a.x + a.w, w.w) << a.name;
        EXPECT_LE(a.y + a.h, w.h) << a.name;
        // Texts fit their width at about 4 dialog units a character; the folder shown is the
        // host's own (here the test's temporary one), of any length.
        if ((a.kind == rt::ControlKind::Text || a.kind == rt::ControlKind::Prompt ||
             a.kind == rt::ControlKind::Button) &&
            a.name != "?LONGNEWPATH") {
            EXPECT_LE(4 * static_cast<int>(headless::plainText(a.text).size()), a.w) << a.name;
        }
        for (std::size_t j = i + 1; j < cs.size(); ++j) {
            const rt::Control& b = cs[j];
            EXPECT_TRUE(a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + a.h <= b.y || b.y + b.h <= a.y)
                << a.name << " overlaps " << b.name;
        }
    }
}

TEST_F(ExplorerTest, WindowsAreLaidOutTidily) {
    pair(books_, "Pop");
    start();
    expectTidy(*d_.active());
    for (int n = 2; n <= 11; ++n) EXPECT_TRUE(d_.control("?BUTTON" + std::to_string(n))) << n;
    EXPECT_EQ(d_.active()->focus, d_.control("?LIST")->id) << "the keyboard starts on the list";

    ASSERT_TRUE(d_.press("&New SongBook"));
    expectTidy(*d_.active());
    EXPECT_EQ(d_.active()->focus, d_.control("?GLO:SHORTSONGBOOKNAME")->id);
    ASSERT_TRUE(d_.press("Cancel"));

    selectBook("Pop");
    ASSERT_TRUE(d_.press("&Rename Selected SongBook"));
    expectTidy(*d_.active());
    EXPECT_EQ(d_.active()->focus, d_.control("?NEWNAME")->id);
}

}  // namespace
}  // namespace explorer_test
