// The MP3+G SongBook builder: reading song file names, and building from folder trees through
// the workspace's Utilities menu, as a host would.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "exchange/Mp3gSongBookBuilder.h"
#include "shell/workspace/workspace_fixture.h"
#include "support/child_process.h"
#include "support/killed_writer.h"

namespace {

using workspace_test::Listing;

struct NameCase {
    const char* name;
    int form;
    bool fits;
    const char* disc;
    unsigned long track;
    const char* artist;
    const char* title;
    const char* makeId;
};

TEST(ParseSongFileName, ReadsTheFourForms) {
    const NameCase cases[] = {
        {"ZX8101-05 - Some Artist - Some Song.zip", 1, true, "ZX8101", 5, "Some Artist", "Some Song", "ZX"},
        {"ZX8101-05 - Some Song - Some Artist.zip", 2, true, "ZX8101", 5, "Some Artist", "Some Song", "ZX"},
        // The token splits at its last hyphen.
        {"ABC-1-07 - X - Y.zip", 1, true, "ABC-1", 7, "X", "Y", "AB"},
        // Lower-case disc ids are taken in capitals; accents pass through.
        {"zx8101-12 - Éloïse Brun - Café Noir.cdg", 1, true, "ZX8101", 12, "Éloïse Brun", "Café Noir", "ZX"},
        // No " -" in the rest.
        {"ZX8101-05 - Artist-Title.zip", 1, false, "", 0, "", "", ""},
        // No hyphen at all, no blank, an empty disc id, a track that is not a number.
        {"Just A Name.zip", 3, false, "", 0, "", "", ""},
        {"ZX8101-05.zip", 1, false, "", 0, "", "", ""},
        {"-05 - A - B.zip", 1, false, "", 0, "", "", ""},
        {"ZX8101-5B - A - B.zip", 1, false, "", 0, "", "", ""},
        {"ZX8101- - A - B.zip", 1, false, "", 0, "", "", ""},
        {"ZX8101-99999999999 - A - B.zip", 1, false, "", 0, "", "", ""},
        // Discless forms.
        {"Ada Quill - Theory of Rain.zip", 3, true, "", 0, "Ada Quill", "Theory of Rain", ""},
        {"Theory of Rain - Ada Quill.zip", 4, true, "", 0, "Ada Quill", "Theory of Rain", ""},
        // A disc id longer than the field keeps its first 15 characters.
        {"ABCDEFGHIJKLMNOPQ-3 - A - B.zip", 1, true, "ABCDEFGHIJKLMNO", 3, "A", "B", "AB"},
        // A blank title or artist does not fit the form.
        {" - .zip", 3, false, "", 0, "", "", ""},
        {" - .zip", 4, false, "", 0, "", "", ""},
        {"ZX8101-05 -  - Title.zip", 1, false, "", 0, "", "", ""},
        {"ZX8101-05 -  - Title.zip", 2, false, "", 0, "", "", ""},
        {"ZX8101-05 - Some Artist - .zip", 1, false, "", 0, "", "", ""},
        {"ZX8101-05 - Some Song -    .zip", 2, false, "", 0, "", "", ""},
        {"Ada Quill - .cdg", 3, false, "", 0, "", "", ""},
        {" - Theory of Rain.cdg", 4, false, "", 0, "", "", ""},
        // Control characters are blanks: inside a field, as the field, as the blank after the
        // disc id, and the C1 controls of UTF-8.
        {"ZX8101-07 - Ada\tQuill - Rain\x01Song.zip", 1, true, "ZX8101", 7, "Ada Quill", "Rain Song", "ZX"},
        {"ZX8101-08 - \x1b\x7f - Title.zip", 1, false, "", 0, "", "", ""},
        {"ZX8101-09\t- Ada Quill - Rain.zip", 1, true, "ZX8101", 9, "Ada Quill", "Rain", "ZX"},
        {"Ada\xC2\x85Quill - Caf\xC3\xA9\r\n.cdg", 3, true, "", 0, "Ada Quill", "Café", ""},
        {"\x01 - \x02.cdg", 3, false, "", 0, "", "", ""},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.name);
        const auto parsed = ParseSongFileName(c.name, c.form);
        ASSERT_EQ(parsed.has_value(), c.fits);
        if (!parsed) continue;
        EXPECT_EQ(parsed->discId, c.disc);
        EXPECT_EQ(parsed->track, c.track);
        EXPECT_EQ(parsed->artist, c.artist);
        EXPECT_EQ(parsed->title, c.title);
        EXPECT_EQ(parsed->makeId, c.makeId);
    }
}

class Mp3gBuilderTest : public workspace_test::WorkspaceTest {
protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        music_ = root_.file("music");
        std::filesystem::create_directories(music_);
    }

    void touch(const std::string& relative) {
        const std::filesystem::path p = std::filesystem::path(music_) / relative;
        std::filesystem::create_directories(p.parent_path());
        std::ofstream(p) << "x";
    }

    // Opens the SongBook's workspace and the builder, with the music folder chosen.
    void openBuilder(const std::string& book = "Songs") {
        openEmptyOrNot(book);
        ASSERT_TRUE(d_.menu({"Utilities", "MP3+G SongBook Builder"})) << d_.error();
        ASSERT_EQ(d_.active()->title, "MP3+G SongBook Builder") << d_.windows();
        ASSERT_TRUE(d_.press("Select Folder")) << d_.error();
        ASSERT_TRUE(d_.dialog(music_)) << d_.error();
    }

    // An empty SongBook opens with Getting Started over the workspace.
    void openEmptyOrNot(const std::string& book) {
        openWorkspace(book);
        if (d_.control("Getting Started....")) {
            ASSERT_TRUE(d_.press("OK, let's proceed....")) << d_.error();
        }
    }

    std::string status() { return d_.text("?Status"); }

    void build() { ASSERT_TRUE(d_.press("Build/Update SongBook")) << d_.error(); }

    std::string music_;
};

TEST_F(Mp3gBuilderTest, AddsEachNewSongOnceAndCountsThem) {
    makeSongBook("Songs", {{"Atlas", "Éloïse Brun", "MX2201", 2}}, {{"MX2201", "102"}});
    touch("ZX8101-01 - Ada Quill - Theory of Rain.zip");
    touch("ZX8101-02 - Ferris Lane - Lanterns.ZIP");     // any letter case
    touch("MX2201-02 - Éloïse Brun - Atlas.zip");         // already in the SongBook
    touch("ZX8101-03 - Artist-Title.zip");                // does not fit
    touch("ZX8101-04 - Bo Lindqvist - Other.zipx");       // not a song file
    touch("ZX8101-05 - Bo Lindqvist - Other.cdg");        // the other file type
    touch("sub/ZX8101-01 - Someone Else - Same Track.zip");  // same disc and track, sub-folder
    touch("sub/ZX9000-07 - Zoë Marchetti - Deeper.zip");
    openBuilder();
    ASSERT_TRUE(d_.check("Include All Sub-Folders Under Source Folder")) << d_.error();
    build();
    EXPECT_EQ(status(), "3 New Files Found - Import Process Complete!") << d_.windows();
    EXPECT_EQ(message(), "") << d_.windows();
    EXPECT_EQ(listingsOf("Songs"),
              (std::vector<std::string>{"MX2201-2:", "ZX8101-1:", "ZX8101-2:", "ZX9000-7:"}));
    // Each new disc gets its record, its custom id being its disc id.
    EXPECT_EQ(discsOf("Songs"), (std::vector<std::string>{"MX2201=102/1", "ZX8101=ZX8101/1", "ZX9000=ZX9000/1"}));
    // The sub-folder's file of a disc and track met before is the same song.
    EXPECT_EQ(fixture::queryColumn(listingFile("Songs"), "SELECT TITLE FROM data WHERE UNQDISKID='ZX8101' AND DISKTRACKNO=1"),
              std::vector<std::string>{"Theory of Rain"});

    // A second run in the same window adds nothing new, and the workspace counts what is there.
    build();
    EXPECT_EQ(status(), "0 New Files Found - Import Process Complete!");
    ASSERT_TRUE(d_.press("Close")) << d_.error();
    auto w = workspace();
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(d_.status().front(), "Total Song Tracks: 4");
}

// Names from real song folders: what is a song, and what is stored of it.
TEST_F(Mp3gBuilderTest, HiddenFilesBlankFieldsAndControlCharactersInAFolderOfSongs) {
    struct Case {
        const char* file;
        const char* stored;  // "disc-track|artist|title", or nullptr: not a song
    } cases[] = {
        {"ZX8101-01 - Ada Quill - Theory of Rain.zip", "ZX8101-1|Ada Quill|Theory of Rain"},
        // macOS leaves a "._" companion beside each song file it copies.
        {"._ZX8101-01 - Ada Quill - Theory of Rain.zip", nullptr},
        {"._ZX8101-02 - Ada Quill - Only the Companion.zip", nullptr},
        {".ZX8101-03 - Ada Quill - Hidden.zip", nullptr},
        {" - .zip", nullptr},
        {"ZX8101-05 -  - Title.zip", nullptr},
        {"ZX8101-06 - Ferris Lane - .zip", nullptr},
        {"ZX8101-07 - Ferris\tLane - Lan\x01terns\x7f.zip", "ZX8101-7|Ferris Lane|Lan terns"},
        {"ZX8101-08 - Zo\xC3\xAB Marchetti\xC2\x9B - Deeper.zip", "ZX8101-8|Zoë Marchetti|Deeper"},
        {"ZX8101-09 - \x1b - Escape.zip", nullptr},
    };
    makeSongBook("Songs", {}, {});
    std::vector<std::string> expected;
    for (const Case& c : cases) {
        touch(c.file);
        if (c.stored) expected.push_back(c.stored);
    }
    openBuilder();
    build();
    EXPECT_EQ(status(), std::to_string(expected.size()) + " New Files Found - Import Process Complete!") << d_.windows();
    EXPECT_EQ(fixture::queryColumn(listingFile("Songs"), "SELECT UNQDISKID || '-' || DISKTRACKNO || '|' || ARTIST || '|' || "
                                                         "TITLE FROM data ORDER BY DISKTRACKNO"),
              expected);
    // No disc made of a companion's name.
    EXPECT_EQ(discsOf("Songs"), std::vector<std::string>{"ZX8101=ZX8101/1"});
}

TEST_F(Mp3gBuilderTest, DisclessSongsAreNumberedAfterTheHighestDisclessTrack) {
    // The discless listing with the highest track is not the last one added.
    makeSongBook("Songs",
                 {{"Old One", "Ada Quill", "*", 9}, {"Old Two", "Ada Quill", "*", 3},
                  {"Theory of Rain", "ADA QUILL", "CV0105", 1}},
                 {{"CV0105", "101"}});
    touch("Ada Quill - Theory of Rain.cdg");   // the song is there under another disc
    touch("Bo Lindqvist - Harbour Lights.cdg");
    touch("Ferris Lane - Lanterns.cdg");
    openBuilder();
    ASSERT_TRUE(d_.choose("?IMPORTFORMAT", "Artist - Title.(zip/cdg)")) << d_.error();
    ASSERT_TRUE(d_.choose("?INPUTTYPE", "Uncompressed (MP3/CDG)")) << d_.error();
    build();
    EXPECT_EQ(status(), "2 New Files Found - Import Process Complete!") << d_.windows();
    EXPECT_EQ(fixture::queryColumn(listingFile("Songs"),
                                   "SELECT DISKTRACKNO || ' ' || TITLE FROM data WHERE UNQDISKID='*' ORDER BY DISKTRACKNO"),
              (std::vector<std::string>{"3 Old Two", "9 Old One", "10 Harbour Lights", "11 Lanterns"}));
}

// Folders nested under "deep" until their path is longer than the system takes: the last
// one cannot be listed by its path (as a folder without read rights cannot, also for root).
std::string makeTooDeep(const std::string& top) {
    std::filesystem::create_directories(top);
    int fd = ::open(top.c_str(), O_RDONLY | O_DIRECTORY);
    std::string path = top;
    const std::string name(200, 'd');
    while (fd >= 0 && path.size() <= PATH_MAX) {
        ::mkdirat(fd, name.c_str(), 0755);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        path += "/" + name;
    }
    if (fd >= 0) ::close(fd);
    return path;
}

TEST_F(Mp3gBuilderTest, OddFoldersAreSkippedOrNamedAndTheRunGoesOn) {
    makeSongBook("Songs", {}, {});
    touch("a/ZX1000-01 - A - One.zip");
    touch(".hidden/ZX1000-02 - A - Two.zip");
    touch("z/ZX1000-04 - A - Four.zip");
    // A link back to the top would never end; links to folders are not followed.
    std::filesystem::create_directory_symlink(music_, std::filesystem::path(music_) / "a" / "loop");
    // A name in Windows-1252 bytes ("Café"), as old copies bring them.
    touch("z/ZX1000-05 - A - Caf\xE9.zip");
    const std::string tooDeep = makeTooDeep(music_ + "/deep");
    openBuilder();
    ASSERT_TRUE(d_.check("Include All Sub-Folders Under Source Folder")) << d_.error();
    build();
    EXPECT_EQ(message().find("1 folder could not be read:\n" + tooDeep), 0u) << d_.windows();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(status(), "3 New Files Found - Import Process Complete!");
    EXPECT_EQ(fixture::queryColumn(listingFile("Songs"), "SELECT TITLE FROM data ORDER BY DISKTRACKNO"),
              (std::vector<std::string>{"One", "Four", "Café"}));
}

TEST_F(Mp3gBuilderTest, AsksForTheSourceFolderFirst) {
    makeSongBook("Songs", {}, {});
    openEmptyOrNot("Songs");
    ASSERT_TRUE(d_.menu({"Utilities", "MP3+G SongBook Builder"})) << d_.error();
    build();
    EXPECT_EQ(message(), "Please Select the Source Folder");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    // Cancelling the folder choice ends the builder.
    ASSERT_TRUE(d_.press("Select Folder")) << d_.error();
    ASSERT_TRUE(d_.dialogCancel()) << d_.error();
    EXPECT_EQ(d_.window("MP3+G SongBook Builder"), nullptr) << d_.windows();
}

class Mp3gPauseTest : public Mp3gBuilderTest {
protected:
    // Folder "a" with 60 songs, folder "b" with 10.
    void makeTree() {
        makeSongBook("Songs", {}, {});
        for (int i = 1; i <= 60; ++i) touch("a/AA1000-" + std::to_string(i) + " - Artist - Song " + std::to_string(i) + ".zip");
        for (int i = 1; i <= 10; ++i) touch("b/BB1000-" + std::to_string(i) + " - Artist - Song " + std::to_string(i) + ".zip");
        openBuilder();
        ASSERT_TRUE(d_.check("Include All Sub-Folders Under Source Folder")) << d_.error();
        build();
    }
};

TEST_F(Mp3gPauseTest, PausesAfterFiftyEntriesAndGoesOnWithTheTimer) {
    makeTree();
    // The 51st entry waits for the window's timer.
    EXPECT_EQ(status(), "") << d_.windows();
    EXPECT_FALSE(d_.enabled("Close"));
    ASSERT_TRUE(d_.wait(1)) << d_.error();
    EXPECT_EQ(status(), "70 New Files Found - Import Process Complete!") << d_.windows();
    EXPECT_TRUE(d_.enabled("Close"));
}

TEST_F(Mp3gPauseTest, CancelDuringAPauseSkipsTheRestOfThatFolderOnly) {
    makeTree();
    ASSERT_TRUE(d_.press("Cancel")) << d_.error();
    // Folder "b" goes on, its first entry pausing again (the count was not restarted).
    ASSERT_TRUE(d_.wait(1)) << d_.error();
    EXPECT_EQ(status(), "60 New Files Found - Import Process Complete!") << d_.windows();
    EXPECT_EQ(fixture::queryColumn(listingFile("Songs"), "SELECT count(*) FROM data WHERE UNQDISKID='BB1000'").front(), "10");
}

TEST_F(Mp3gPauseTest, ClosingDuringAPauseKeepsWhatWasAddedInTheKeys) {
    makeTree();
    ASSERT_TRUE(d_.close()) << d_.error();
    EXPECT_EQ(d_.window("MP3+G SongBook Builder"), nullptr) << d_.windows();
    ASSERT_NE(workspace(), nullptr) << d_.windows();
    EXPECT_EQ(d_.status().front(), "Total Song Tracks: 50");
    EXPECT_EQ(fixture::queryColumn(listingFile("Songs"), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

// A tree of song files: kDiscs discs of kTracks tracks, ten discs a folder.
constexpr int kDiscs = 120, kTracks = 12;

class Mp3gWriteTest : public Mp3gBuilderTest {
protected:
    void SetUp() override {
        Mp3gBuilderTest::SetUp();
        for (int d = 0; d < kDiscs; ++d)
            for (int t = 1; t <= kTracks; ++t)
                touch("f" + std::to_string(d / 10) + "/ZX" + std::to_string(1000 + d) + "-" + std::to_string(t) +
                      " - Éloïse Brun " + std::to_string(d) + " - Café Song " + std::to_string(t) + ".zip");
    }

    // Every listing of the tree has its disc record and every disc its listings (a disc's
    // tracks may lie in two batches); the number of those listings. The SongBook's own disc
    // "MX2201" is not of the tree.
    int wholeDiscs(const std::string& book) {
        EXPECT_EQ(fixture::queryColumn(listingFile(book), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
        EXPECT_EQ(fixture::queryColumn(listingFile(book, "2bd"), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
        std::vector<std::string> discs = fixture::queryColumn(
            listingFile(book, "2bd"), "SELECT UNQDISKID FROM data WHERE UNQDISKID <> 'MX2201' ORDER BY 1");
        std::vector<std::string> listed;
        int listings = 0;
        for (const std::string& row :
             fixture::queryColumn(listingFile(book), "SELECT UNQDISKID || ':' || count(*) FROM data "
                                                     "WHERE UNQDISKID <> 'MX2201' GROUP BY UNQDISKID ORDER BY 1")) {
            const auto colon = row.find(':');
            listed.push_back(row.substr(0, colon));
            listings += std::stoi(row.substr(colon + 1));
        }
        EXPECT_EQ(listed, discs);
        return listings;
    }

    // The builder run again in the window, as the host would after a crash or a full disc:
    // it adds what is missing, and the SongBook then holds every song once.
    void buildTheRest(const std::string& book, int present) {
        openBuilder(book);
        ASSERT_TRUE(d_.check("Include All Sub-Folders Under Source Folder")) << d_.error();
        build();
        waitForTheEnd();
        EXPECT_EQ(status(), std::to_string(kDiscs * kTracks - present) + " New Files Found - Import Process Complete!")
            << d_.windows();
        EXPECT_EQ(message(), "");
        d_.end();
        EXPECT_EQ(wholeDiscs(book), kDiscs * kTracks);
    }

    void waitForTheEnd() {
        for (int i = 0; i < 10000 && d_.running() && !d_.request() && !d_.enabled("Close"); ++i)
            ASSERT_TRUE(d_.wait(1)) << d_.error();
    }
};

// Dozens of kill points during a build; after each, the next run completes the SongBook.
TEST_F(Mp3gWriteTest, AKilledBuildLeavesEveryListingWithItsDiscAndTheNextRunAddsTheRest) {
    int midway = 0;
    for (int round = 0; round < 30; ++round) {
        const int delayMs = 5 + (round * 37) % 240;
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms");
        const std::string book = "Songs" + std::to_string(round);
        makeSongBook(book, {}, {});
        const std::string listings = listingFile(book), discs = listingFile(book, "2bd");
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [&](const std::function<void()>& ready) {
            SongBookFileName = listings;
            SBDiscsFileName = discs;
            SBK.open();
            SBD.open();
            if (rt::errorCode() != rt::NoError) _exit(3);
            Mp3gScan scan;
            scan.subFolders = true;
            scan.commitEvery = std::chrono::milliseconds(0);  // a commit at every pause
            ready();
            scan.run(music_);
            for (;;) ::pause();
        }));
        const int present = wholeDiscs(book);
        if (present > 0 && present < kDiscs * kTracks) ++midway;
        ASSERT_NO_FATAL_FAILURE(buildTheRest(book, present));
    }
    // The kills must have caught builds in the middle, or this proves nothing.
    EXPECT_GT(midway, 10);
}

// The disc fills up (a file-size limit in a child process) during a build: the status never
// says "Complete", one message names the cause, and what was written is whole.
TEST_F(Mp3gWriteTest, AFullDiscStopsTheBuildWithItsCause) {
    struct Case {
        const char* how;
        bool window;       // through the window, or the scan committing at every pause
    } cases[] = {{"through the window", true}, {"committing at every pause", false}};
    int round = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        const std::string book = "Full" + std::to_string(round++);
        makeSongBook(book, {{"Atlas", "Ada Quill", "MX2201", 2}}, {{"MX2201", "102"}});
        const long long room = static_cast<long long>(std::filesystem::file_size(listingFile(book))) + 64 * 1024;
        const std::string said = fixture::inChild(
            [&] {
                if (!c.window) {
                    SongBookFileName = listingFile(book);
                    SBDiscsFileName = listingFile(book, "2bd");
                    std::string out;
                    rt::runProgram([&] {
                        SBK.open();
                        SBD.open();
                        Mp3gScan scan;
                        scan.subFolders = true;
                        scan.commitEvery = std::chrono::milliseconds(0);
                        scan.run(music_);
                        out = std::to_string(scan.added) + "\n" + scan.failure;
                    });
                    return out;
                }
                openBuilder(book);
                if (!d_.check("Include All Sub-Folders Under Source Folder")) return std::string("no check box");
                build();
                waitForTheEnd();
                return status() + "\n" + message();
            },
            room);
        d_.end();
        const auto newline = said.find('\n');
        ASSERT_NE(newline, std::string::npos) << said;
        const std::string first = said.substr(0, newline), failure = said.substr(newline + 1);
        if (c.window) {
            EXPECT_EQ(first.find("Complete"), std::string::npos) << first;
            EXPECT_NE(first.find(" New Files Added - Import Process Failed"), std::string::npos) << first;
            EXPECT_NE(failure.find(".  Error: File too large (27).\n\n"), std::string::npos) << failure;
            EXPECT_NE(failure.find(" added to the SongBook before the import stopped; the others were not."),
                      std::string::npos)
                << failure;
        } else {
            EXPECT_GT(std::stoi(first), 0) << "some batches were committed before the disc was full";
            EXPECT_LT(std::stoi(first), kDiscs * kTracks);
            EXPECT_NE(failure.find("File too large (27)."), std::string::npos) << failure;
        }
        // The listing there before, and whole discs of the build.
        EXPECT_EQ(fixture::queryColumn(listingFile(book), "SELECT count(*) FROM data WHERE UNQDISKID='MX2201'").front(), "1");
        const int present = wholeDiscs(book);
        ASSERT_NO_FATAL_FAILURE(buildTheRest(book, present));
    }
}

}  // namespace
