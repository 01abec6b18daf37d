#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "data/data_files.h"
#include "frontend/headless/driver.h"
#include "runtime/files/folder.h"
#include "runtime/thread/thread.h"
#include "services/OpenDataFile.h"
#include "support/data_fixture.h"

namespace {

// Genre with another record layout, stored where Genre lives.
struct OtherGenreRecord {
    rt::Text<40> GENRE;
    std::int32_t RANK = 0;
    template <class V>
    void fields(V& v) { v("GENRE", GENRE); v("RANK", RANK); }
};
class OtherGenre : public rt::File<OtherGenre, OtherGenreRecord> {
public:
    static inline const rt::Key KGENRE{"KGENRE", {"GENRE"}};
    static rt::FileDeclaration declaration() {
        return {"Genre", "GEN", [] { return GenreFileName.str(); }, rt::CreateWhenMissing, {&KGENRE}, {}};
    }
};

class OpenDataFileTest : public ::testing::Test {
protected:
    void SetUp() override { fixture::pointFileNamesAt(dir.path()); }

    // Runs `body` as the program, without any message box expected.
    void run(const std::function<void()>& body) {
        headless::Driver d;
        ASSERT_TRUE(d.start(body)) << d.error();
        EXPECT_FALSE(d.request()) << "unexpected box: " << d.request()->title;
    }

    // Writes a Genre file holding the given genres.
    void writeGenres(std::initializer_list<const char*> genres) {
        run([&] {
            GEN.create();
            GEN.open();
            for (const char* g : genres) {
                GEN.GENRE = g;
                GEN.add();
            }
            GEN.close();
        });
    }

    fixture::TempFolder dir;
};

// Starts the body, expects one warning with the title and then the end of the program with
// the final message.
void expectEnds(const std::function<void()>& body, const std::string& title, const std::string& text,
                const std::string& finalMessage, const std::string& press = "OK") {
    headless::Driver d;
    ASSERT_TRUE(d.start(body)) << d.error();
    auto box = d.request();
    ASSERT_TRUE(box) << "no warning; " << d.windows();
    EXPECT_EQ(box->title, title);
    EXPECT_EQ(box->text, text);
    ASSERT_TRUE(d.answer(press)) << d.error();
    auto halt = d.request();
    ASSERT_TRUE(halt) << "the program went on";
    EXPECT_EQ(halt->text, finalMessage);
    ASSERT_TRUE(d.answer(halt->buttons.at(0)));
    EXPECT_FALSE(d.running());
}

TEST_F(OpenDataFileTest, MissingMakeIdFileEndsTheProgramWithoutCreatingIt) {
    const std::string name = MakeIdFileName.str();
    for (bool allowCreation : {false, true}) {
        SCOPED_TRACE(allowCreation ? "creation allowed" : "creation not allowed");
        bool wentOn = false;
        expectEnds([&] { OpenDataFile(MAK, allowCreation); wentOn = true; }, "File Creation Error",
                   "Error: (File Not Found (2)) creating " + name +
                       ".  Press OK to end this application.",
                   "File Creation Error!");
        EXPECT_FALSE(wentOn);
        EXPECT_FALSE(rt::fileExists(name));
    }
}

TEST_F(OpenDataFileTest, MissingFilesThatMayBeCreatedAreCreatedEmpty) {
    struct Case {
        const char* label;
        std::function<rt::RecordFile&()> file;
    } cases[] = {
        {"Genre", []() -> rt::RecordFile& { return GEN; }},
        {"SongBook", []() -> rt::RecordFile& { return SBK; }},
        {"SBDiscs", []() -> rt::RecordFile& { return SBD; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        bool open = false;
        long long records = -1;
        run([&] {
            UseDataFile(c.file());
            open = c.file().isOpen();
            records = c.file().records();
            ReleaseDataFile(c.file());
        });
        EXPECT_TRUE(open);
        EXPECT_EQ(records, 0);
    }
    EXPECT_TRUE(rt::fileExists(GenreFileName));
    EXPECT_TRUE(rt::fileExists(SongBookFileName));
    EXPECT_TRUE(rt::fileExists(SBDiscsFileName));
}

TEST_F(OpenDataFileTest, DamagedKeysAreRebuiltWhenTheUserAgrees) {
    writeGenres({"Rock", "ballads", "Country"});
    const std::string name = GenreFileName.str();
    const std::string indexes = "SELECT name FROM sqlite_master WHERE type='index' AND sql IS NOT NULL";
    auto before = fixture::queryColumn(name, indexes);
    ASSERT_FALSE(before.empty());
    ASSERT_EQ(fixture::execSql(name, "DROP INDEX \"" + before[0] + "\""), 0);

    std::vector<std::string> order;
    headless::Driver d;
    ASSERT_TRUE(d.start([&] {
        OpenDataFile(GEN, true);
        GEN.set(Genre::KGENRE);
        for (GEN.next(); rt::errorCode() == 0; GEN.next()) order.push_back(GEN.GENRE.str());
        GEN.close();
    }));
    auto box = d.request();
    ASSERT_TRUE(box) << "no warning";
    EXPECT_EQ(box->title, "Invalid Key");
    EXPECT_EQ(box->text, name + " key file is invalid.  Do you want to rebuild the key?");
    ASSERT_TRUE(d.answer("Yes")) << d.error();
    EXPECT_FALSE(d.request()) << d.windows();
    EXPECT_FALSE(d.running());
    EXPECT_EQ(order, (std::vector<std::string>{"ballads", "Country", "Rock"}));
    auto after = fixture::queryColumn(name, indexes);
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);
}

TEST_F(OpenDataFileTest, DamagedKeysEndTheProgramWhenTheUserRefuses) {
    writeGenres({"Rock"});
    const std::string name = GenreFileName.str();
    auto indexes = fixture::queryColumn(name, "SELECT name FROM sqlite_master WHERE type='index'");
    ASSERT_FALSE(indexes.empty());
    ASSERT_EQ(fixture::execSql(name, "DROP INDEX \"" + indexes[0] + "\""), 0);
    expectEnds([] { OpenDataFile(GEN, true); }, "Invalid Key",
               name + " key file is invalid.  Do you want to rebuild the key?", "Invalid Key!", "No");
}

TEST_F(OpenDataFileTest, FileOfAnotherLayoutEndsTheProgram) {
    run([] {
        OtherGenre other;
        other.create();
    });
    const std::string name = GenreFileName.str();
    expectEnds([] { UseDataFile(GEN); }, "Invalid File",
               "Error: (Invalid Record Declaration (47)) accessing " + name +
                   ".  Press OK to end this application.",
               "Invalid File!");
}

TEST_F(OpenDataFileTest, FileLockedByAnotherProcessEndsWithDiskError) {
    writeGenres({"Rock"});
    fixture::FileLock lock(GenreFileName);
    ASSERT_TRUE(lock.held());
    headless::Driver d;
    // The open waits for the lock, and after "Recover=10" ten seconds more.
    d.setSettleTimeout(60000);
    ASSERT_TRUE(d.start([] { OpenDataFile(GEN, true); }));
    auto box = d.request();
    ASSERT_TRUE(box) << "no warning";
    EXPECT_EQ(box->title, "File Access Error");
    EXPECT_EQ(box->text.rfind("File (" + GenreFileName.str() + ") could not be opened.  Error: ", 0), 0u)
        << box->text;
    ASSERT_TRUE(d.answer("OK"));
    auto halt = d.request();
    ASSERT_TRUE(halt);
    EXPECT_EQ(halt->text, "Disk Error");
    d.answer(halt->buttons.at(0));
}

TEST_F(OpenDataFileTest, UsesAreCountedPerThreadAndFile) {
    std::vector<int> counts;
    std::vector<bool> open;
    bool otherThreadSawIt = true;
    run([&] {
        auto note = [&] {
            counts.push_back(FileUseCount(GEN));
            open.push_back(GEN.isOpen());
        };
        UseDataFile(GEN);
        note();
        UseDataFile(GEN);  // a nested procedure shares the open file
        note();
        OpenDataFile(GEN, true);  // already open on this thread: nothing changes
        note();

        std::atomic<bool> done{false};
        rt::startThread([&] {
            otherThreadSawIt = FileUseCount(GEN) != 0 || GEN.isOpen();
            done = true;
        });
        {
            rt::WaitOutside wait;
            while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }

        ReleaseDataFile(GEN);
        note();
        ReleaseDataFile(GEN);
        note();
        ReleaseDataFile(GEN);  // one release too many changes nothing
        note();
    });
    EXPECT_EQ(counts, (std::vector<int>{1, 2, 2, 1, 0, 0}));
    EXPECT_EQ(open, (std::vector<bool>{true, true, true, true, false, false}));
    EXPECT_FALSE(otherThreadSawIt);
}

}  // namespace
