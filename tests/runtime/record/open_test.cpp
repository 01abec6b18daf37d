// Opening: the platform's error numbers for missing, foreign, damaged and busy files, and
// rebuilding keys.
#include <sqlite3.h>

#include <fstream>
#include <functional>
#include <memory>
#include <thread>

#include "runtime/record/record_fixture.h"

using namespace testfiles;

namespace {

using Db = std::shared_ptr<sqlite3>;

// A plain SQLite connection to a record file, with the key collation the files' indexes use.
Db raw(const std::string& path) {
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    sqlite3_create_collation(db, "KEYTEXT", SQLITE_UTF8, nullptr, [](void*, int na, const void* a, int nb, const void* b) {
        return rt::compareNoCase(std::string_view(static_cast<const char*>(a), na),
                                 std::string_view(static_cast<const char*>(b), nb));
    });
    return Db(db, sqlite3_close);
}

void sql(const Db& db, const char* text) { EXPECT_EQ(sqlite3_exec(db.get(), text, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db.get()); }

struct OpenCase {
    const char* name;
    // Spoils the closed listing file in some way; what it returns is kept until open() ran.
    std::function<Db(const std::string& folder)> spoil;
    int expect;
};

const OpenCase kOpenCases[] = {
    {"Missing", [](const std::string&) { std::remove(Listings::fileName.c_str()); return Db(); }, rt::FileNotFound},
    {"MissingFolder",
     [](const std::string& folder) {
         Listings::fileName = folder + "/nowhere/book.2bk";
         return Db();
     },
     rt::PathNotFound},
    {"BlankName",
     [](const std::string&) {
         Listings::fileName = "   ";
         return Db();
     },
     rt::InvalidFileName},
    {"OlderLayout",
     [](const std::string&) {
         Listings::layoutVersion = "older";
         {
             Listings old;
             old.create();
         }
         Listings::layoutVersion.clear();
         return Db();
     },
     rt::InvalidRecordDeclaration},
    {"NotARecordFile",
     [](const std::string&) {
         std::ofstream(Listings::fileName, std::ios::trunc) << "tps file from somewhere else, not a database at all";
         return Db();
     },
     rt::InvalidRecordDeclaration},
    {"EmptyDatabase",
     [](const std::string&) {
         std::remove(Listings::fileName.c_str());
         Db db;
         sqlite3* p = nullptr;
         sqlite3_open(Listings::fileName.c_str(), &p);
         sqlite3_exec(p, "CREATE TABLE other(x)", nullptr, nullptr, nullptr);
         sqlite3_close(p);
         return db;
     },
     rt::InvalidRecordDeclaration},
    {"KeyDropped",
     [](const std::string&) {
         sql(raw(Listings::fileName), "DROP INDEX key_KGENRE");
         return Db();
     },
     rt::RebuildKeys},
    {"KeyRedefined",
     [](const std::string&) {
         Db db = raw(Listings::fileName);
         sql(db, "DROP INDEX key_KUNQDISKID");
         sql(db, "CREATE INDEX key_KUNQDISKID ON data(UNQDISKID)");
         return Db();
     },
     rt::RebuildKeys},
    {"LockedByAnotherProcess",
     [](const std::string&) {
         Db db = raw(Listings::fileName);
         sql(db, "BEGIN EXCLUSIVE");
         return db;  // held until open() has run
     },
     rt::IsLocked},
};

class OpenErrors : public RecordFiles, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenErrors, Number) {
    songs.close();
    Db keep = GetParam().spoil(folder);
    songs.send("Recover=0");
    songs.open();
    EXPECT_EQ(rt::errorCode(), GetParam().expect) << rt::error();
    EXPECT_FALSE(songs.isOpen());
}

INSTANTIATE_TEST_SUITE_P(Cases, OpenErrors, ::testing::ValuesIn(kOpenCases),
                         [](const ::testing::TestParamInfo<OpenCase>& i) { return i.param.name; });

TEST_F(RecordFiles, OpeningTwiceOnOneInstanceIsErrorFiftyTwoAndChangesNothing) {
    ASSERT_EQ(addSong("One", "A", "", 0, "one"), 0);
    songs.set(Listings::KMATCHSONG);
    songs.open();
    EXPECT_EQ(rt::errorCode(), rt::AlreadyOpen);
    EXPECT_TRUE(songs.isOpen());
    EXPECT_TRUE(songs.hasCurrent());
    songs.next();
    EXPECT_EQ(rt::errorCode(), 0);
    EXPECT_EQ(songs.LOCATION.str(), "one");
}

TEST_F(RecordFiles, LockedFileWaitsForTheRecoverTime) {
    songs.close();
    Db db = raw(Listings::fileName);
    sql(db, "BEGIN EXCLUSIVE");
    std::thread release([db] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sql(db, "COMMIT");
    });
    songs.send("Recover=10");
    songs.open();
    release.join();
    EXPECT_EQ(rt::errorCode(), 0) << rt::error();
}

TEST_F(RecordFiles, CreateReplacesAnExistingFile) {
    ASSERT_EQ(addSong("One"), 0);
    songs.close();
    songs.create();
    ASSERT_EQ(rt::errorCode(), 0);
    EXPECT_FALSE(songs.isOpen());
    songs.open();
    ASSERT_EQ(rt::errorCode(), 0);
    EXPECT_EQ(songs.records(), 0);
}

TEST_F(RecordFiles, CreateRefusesAFileOpenElsewhere) {
    ASSERT_EQ(addSong("One"), 0);
    Listings other;
    songs.close();
    other.open();
    songs.create();
    EXPECT_EQ(rt::errorCode(), rt::AccessDenied);
    EXPECT_EQ(other.records(), 1);
    other.close();
    songs.create();
    EXPECT_EQ(rt::errorCode(), 0);
}

TEST_F(RecordFiles, CreateInAMissingFolderFails) {
    songs.close();
    Listings::fileName = folder + "/nowhere/book.2bk";
    songs.create();
    EXPECT_EQ(rt::errorCode(), rt::PathNotFound);
}

// The cause a failed create reports is the folder's own.
TEST_F(RecordFiles, CreateInAFolderThatRefusesFilesIsAccessDenied) {
    songs.close();
    // No file may be made in /sys, whoever asks (the tests may run with every permission).
    Listings::fileName = "/sys/book.2bk";
    songs.create();
    EXPECT_EQ(rt::errorCode(), rt::AccessDenied) << rt::error();
    EXPECT_FALSE(std::filesystem::exists("/sys/book.2bk"));
}

TEST_F(RecordFiles, BuildKeysRepairsADroppedKey) {
    for (const char* g : {"Rock", "", "Country", "Pop"}) {
        songs.clearBuffer();
        songs.TITLE = "Song";
        songs.GENRE = g;
        songs.LOCATION = g;
        songs.add();
        ASSERT_EQ(rt::errorCode(), 0);
    }
    songs.close();
    sql(raw(Listings::fileName), "DROP INDEX key_KGENRE");
    songs.open();
    ASSERT_EQ(rt::errorCode(), rt::RebuildKeys);
    songs.buildKeys();  // on the closed file, as OpenDataFile does
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    songs.open();
    ASSERT_EQ(rt::errorCode(), 0);
    songs.set(Listings::KGENRE);
    EXPECT_EQ(readTags(), (std::vector<std::string>{"Country", "Pop", "Rock"}));
    // Rebuilding an open file works too.
    songs.buildKeys();
    EXPECT_EQ(rt::errorCode(), 0);
    songs.set(Listings::KGENRE);
    EXPECT_EQ(readTags(), (std::vector<std::string>{"Country", "Pop", "Rock"}));
}

TEST_F(RecordFiles, BuildKeysFailsOnDuplicatesOfAUniqueKey) {
    ASSERT_EQ(addSong("One", "A", "SC1", 1), 0);
    songs.close();
    {
        Db db = raw(Listings::fileName);
        sql(db, "DROP INDEX key_KUNQDISKID");
        sql(db, "INSERT INTO data(TITLE,UNQDISKID,DISKTRACKNO) VALUES('Two','sc1',1)");
    }
    songs.open();
    ASSERT_EQ(rt::errorCode(), rt::RebuildKeys);
    songs.buildKeys();
    EXPECT_EQ(rt::errorCode(), rt::DuplicateKey);
    songs.open();
    EXPECT_EQ(rt::errorCode(), rt::RebuildKeys);  // nothing half-done
}

}  // namespace

// The count of records is kept in the file itself, changed in the transaction of every add and
// delete, so records() need not count; inside a transaction or a stream records() includes
// what it added or deleted so far. A file written before the engine kept the count (none, or
// one kept by triggers a record at a time) gets a count of its own when it is opened for
// writing; opened for reading only it is read as it is.
std::string keptCount() {
    Db db = raw(Listings::fileName);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db.get(), "SELECT value FROM meta WHERE name='count'", -1, &s, nullptr);
    std::string v = sqlite3_step(s) == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(s, 0)) : "none";
    sqlite3_finalize(s);
    return v;
}

int countTriggers() {
    Db db = raw(Listings::fileName);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM sqlite_schema WHERE type='trigger'", -1, &s, nullptr);
    const int n = sqlite3_step(s) == SQLITE_ROW ? sqlite3_column_int(s, 0) : -1;
    sqlite3_finalize(s);
    return n;
}

TEST_F(RecordFiles, TheKeptCountFollowsAddsDeletesAndRollbacks) {
    for (int i = 0; i < 3; ++i) ASSERT_EQ(addSong("Song " + std::to_string(i), "Artist", "D", i + 1), 0);
    EXPECT_EQ(songs.records(), 3);
    EXPECT_EQ(keptCount(), "3");
    EXPECT_EQ(countTriggers(), 0);

    ASSERT_TRUE(rt::logout(1, {&songs}));
    ASSERT_EQ(addSong("In a rolled back transaction", "Artist", "D", 9), 0);
    EXPECT_EQ(songs.records(), 4);
    rt::rollback();
    EXPECT_EQ(songs.records(), 3);
    EXPECT_EQ(keptCount(), "3");

    // A duplicate refused inside a transaction counts for nothing.
    ASSERT_TRUE(rt::logout(1, {&songs, &discs}));
    ASSERT_EQ(addSong("Committed", "Artist", "D", 10), 0);
    EXPECT_EQ(addSong("Same disc and track", "Artist", "D", 10), rt::DuplicateKey);
    EXPECT_EQ(songs.records(), 4);
    rt::commit();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    EXPECT_EQ(keptCount(), "4");

    songs.clearBuffer();
    songs.set(Listings::KTITLE);
    songs.next();
    songs.del();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    EXPECT_EQ(songs.records(), 3);
    EXPECT_EQ(keptCount(), "3");
    // Outside a transaction a refused add changes nothing either ("Song 1" holds D-2).
    EXPECT_EQ(addSong("Same disc and track", "Artist", "D", 2), rt::DuplicateKey);
    EXPECT_EQ(keptCount(), "3");

    // A stream counts what it added before it is written, and writes it with its rows.
    songs.stream();
    for (int i = 0; i < 5; ++i) ASSERT_EQ(addSong("Streamed " + std::to_string(i), "Artist", "S", i + 1), 0);
    EXPECT_EQ(songs.records(), 8);
    songs.flush();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    EXPECT_EQ(keptCount(), "8");
    songs.stream();
    ASSERT_EQ(addSong("Streamed up to the close", "Artist", "S", 9), 0);
    songs.close();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    EXPECT_EQ(keptCount(), "9");
}

struct OlderCountCase {
    const char* name;
    const char* spoil;  // SQL that turns a file of today into one of before
};

const OlderCountCase kOlderCounts[] = {
    {"NoCountAtAll", "DELETE FROM meta WHERE name='count';"},
    {"CountKeptByTriggers",
     "CREATE TRIGGER count_add AFTER INSERT ON data BEGIN UPDATE meta SET value=CAST(value AS INTEGER)+1 "
     "WHERE name='count'; END; CREATE TRIGGER count_del AFTER DELETE ON data BEGIN UPDATE meta SET "
     "value=CAST(value AS INTEGER)-1 WHERE name='count'; END;"},
};

class OlderCounts : public RecordFiles, public ::testing::WithParamInterface<OlderCountCase> {};

TEST_P(OlderCounts, AreReadAsTheyAreAndKeptByTheEngineOnceWritten) {
    for (int i = 0; i < 2; ++i) ASSERT_EQ(addSong("Song " + std::to_string(i), "Artist", "D", i + 1), 0);
    songs.close();
    sql(raw(Listings::fileName), GetParam().spoil);
    const std::string before = keptCount();

    songs.open(rt::ReadOnly);
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    EXPECT_EQ(songs.records(), 2);
    EXPECT_EQ(keptCount(), before);  // reading changes nothing
    songs.close();

    // A second instance of the file, opened for reading while the first writes.
    Listings reader;
    reader.open(rt::ReadOnly);
    songs.open();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    EXPECT_EQ(keptCount(), "2");
    EXPECT_EQ(countTriggers(), 0);
    ASSERT_EQ(addSong("After the upgrade", "Artist", "D", 10), 0);
    ASSERT_TRUE(rt::logout(1, {&songs}));
    ASSERT_EQ(addSong("And in a transaction", "Artist", "D", 11), 0);
    rt::commit();
    EXPECT_EQ(songs.records(), 4);
    EXPECT_EQ(keptCount(), "4");
    EXPECT_EQ(reader.records(), 4);
    reader.close();
}

INSTANTIATE_TEST_SUITE_P(Files, OlderCounts, ::testing::ValuesIn(kOlderCounts),
                         [](const ::testing::TestParamInfo<OlderCountCase>& i) { return i.param.name; });
