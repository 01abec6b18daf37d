// Transactions over one or several files: commit, rollback, lock waits, and all-or-nothing
// after the process is killed in the middle.
#include <sqlite3.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "runtime/record/record_fixture.h"
#include "runtime/record/whole_files.h"
#include "support/killed_writer.h"

using namespace testfiles;

namespace {

void addDisc(Discs& d, const std::string& id, const std::string& alt = "") {
    d.clearBuffer();
    d.UNQDISKID = id;
    d.ALTDISKID = alt;
    d.add();
}

struct EndCase {
    const char* name;
    bool commit;
};

class TransactionEnd : public RecordFiles, public ::testing::WithParamInterface<EndCase> {};

TEST_P(TransactionEnd, CoversBothFiles) {
    ASSERT_EQ(addSong("Before", "A", "D0", 1), 0);
    ASSERT_TRUE(rt::logout(1, {&songs, &discs}));
    EXPECT_TRUE(rt::inTransaction());
    ASSERT_EQ(addSong("Inside", "A", "D1", 1), 0);
    addDisc(discs, "D1");
    ASSERT_EQ(rt::errorCode(), 0);
    // The transaction's own reads see its changes.
    EXPECT_EQ(songs.records(), 2);
    EXPECT_EQ(discs.records(), 1);
    songs.clearBuffer();
    songs.UNQDISKID = "D0";
    songs.DISKTRACKNO = 1;
    songs.get(Listings::KUNQDISKID);
    ASSERT_EQ(rt::errorCode(), 0);
    songs.del();
    ASSERT_EQ(rt::errorCode(), 0);
    if (GetParam().commit)
        rt::commit();
    else
        rt::rollback();
    EXPECT_EQ(rt::errorCode(), 0);
    EXPECT_FALSE(rt::inTransaction());

    Listings otherSongs;
    Discs otherDiscs;
    otherSongs.open();
    otherDiscs.open();
    for (rt::RecordFile* f : {static_cast<rt::RecordFile*>(&songs), static_cast<rt::RecordFile*>(&otherSongs)}) {
        f->set();
        f->next();
        ASSERT_EQ(rt::errorCode(), 0);
        EXPECT_EQ(f == &songs ? songs.TITLE.str() : otherSongs.TITLE.str(), GetParam().commit ? "Inside" : "Before");
        EXPECT_EQ(f->records(), 1);
    }
    EXPECT_EQ(discs.records(), GetParam().commit ? 1 : 0);
    EXPECT_EQ(otherDiscs.records(), GetParam().commit ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Ends, TransactionEnd, ::testing::Values(EndCase{"Commit", true}, EndCase{"Rollback", false}),
                         [](const ::testing::TestParamInfo<EndCase>& i) { return i.param.name; });

TEST_F(RecordFiles, FailureInsideATransactionRollsBackEverything) {
    // A disc and its listings go together; the tenth listing is refused as a duplicate.
    ASSERT_EQ(addSong("Old", "A", "SC9", 10), 0);
    ASSERT_TRUE(rt::logout(2, {&discs, &songs}));
    addDisc(discs, "SC9", "CU9");
    int failedAt = 0;
    for (int t = 1; t <= 12 && !failedAt; ++t)
        if (addSong("Song " + std::to_string(t), "A", "SC9", t) != 0) failedAt = t;
    EXPECT_EQ(failedAt, 10);
    EXPECT_EQ(rt::errorCode(), rt::DuplicateKey);
    rt::rollback();
    EXPECT_EQ(songs.records(), 1);
    EXPECT_EQ(discs.records(), 0);
}

TEST_F(RecordFiles, RollbackKeepsTheChangeCheckHonest) {
    ASSERT_EQ(addSong("One", "A", "D1", 1, "first"), 0);
    songs.set();
    songs.next();
    ASSERT_EQ(rt::errorCode(), 0);
    // A put rolled back leaves the record writable again without a false "changed" error.
    ASSERT_TRUE(rt::logout(1, {&songs}));
    songs.LOCATION = "second";
    songs.put();
    ASSERT_EQ(rt::errorCode(), 0);
    rt::rollback();
    songs.LOCATION = "third";
    songs.put();
    EXPECT_EQ(rt::errorCode(), 0);

    // A change by another station before the transaction is still reported after a rollback.
    Listings station;
    station.open();
    station.set();
    station.next();
    station.GENRE = "Pop";
    station.put();
    ASSERT_EQ(rt::errorCode(), 0);
    ASSERT_TRUE(rt::logout(1, {&songs}));
    songs.put();
    EXPECT_EQ(rt::errorCode(), rt::RecordChanged);
    rt::rollback();
    songs.put();
    EXPECT_EQ(rt::errorCode(), rt::RecordChanged);
    // An add rolled back is no current record any more.
    ASSERT_TRUE(rt::logout(1, {&songs, &discs}));
    ASSERT_EQ(addSong("Two", "A", "D2", 1), 0);
    rt::rollback();
    EXPECT_FALSE(songs.hasCurrent());
}

TEST_F(RecordFiles, LogoutWaitsForTheLockAndGivesUpWithThirtyTwo) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(Discs::fileName.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    auto t0 = std::chrono::steady_clock::now();
    EXPECT_FALSE(rt::logout(1, {&songs, &discs}));
    auto waited = std::chrono::steady_clock::now() - t0;
    EXPECT_EQ(rt::errorCode(), rt::IsLocked);
    EXPECT_FALSE(rt::inTransaction());
    EXPECT_GE(waited, std::chrono::milliseconds(900));
    // Released while logout waits: the transaction begins.
    std::thread release([db] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_TRUE(rt::logout(2, {&songs, &discs}));
    release.join();
    rt::commit();
    EXPECT_EQ(rt::errorCode(), 0);
    sqlite3_close(db);
}

TEST_F(RecordFiles, LogoutInsideATransactionFails) {
    ASSERT_TRUE(rt::logout(1, {&songs}));
    EXPECT_FALSE(rt::logout(1, {&discs}));
    EXPECT_NE(rt::errorCode(), 0);
    EXPECT_TRUE(rt::inTransaction());
    rt::commit();
    EXPECT_FALSE(rt::inTransaction());
}

TEST_F(RecordFiles, ClosingAFileEndsItsTransaction) {
    ASSERT_TRUE(rt::logout(1, {&songs}));
    ASSERT_EQ(addSong("Lost"), 0);
    songs.close();
    EXPECT_FALSE(rt::inTransaction());
    songs.open();
    EXPECT_EQ(songs.records(), 0);
}

// A child process adds a disc and its listings in one transaction after another and is
// killed at some moment: each transaction is on disk over both files, or not at all.
TEST_F(RecordFiles, KilledInTheMiddleOfATransactionLeavesAllOrNothing) {
    constexpr int kTracks = 12;
    for (int delayMs : {0, 2, 5, 9, 14, 20, 27, 35, 50, 80}) {
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms");
        songs.close();
        discs.close();
        songs.create();
        discs.create();
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [](const std::function<void()>& ready) {
            Listings s;
            Discs d;
            s.open();
            d.open();
            ready();
            for (int n = 0;; ++n) {
                if (!rt::logout(5, {&d, &s})) _exit(3);
                std::string disc = "SC" + std::to_string(n);
                addDisc(d, disc, "CU" + std::to_string(n));
                for (int t = 1; t <= kTracks; ++t) {
                    s.clearBuffer();
                    s.TITLE = "A rather long title to fill the pages " + std::to_string(t);
                    s.ARTIST = "Artist " + std::to_string(n);
                    s.UNQDISKID = disc;
                    s.DISKTRACKNO = t;
                    s.add();
                    if (rt::errorCode() != 0) _exit(4);
                }
                rt::commit();
                if (rt::errorCode() != 0) _exit(5);
            }
        }));
        songs.open();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        discs.open();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        long long d = discs.records();
        EXPECT_EQ(songs.records(), d * kTracks);
        // Every disc on file has all its listings.
        discs.set(Discs::KUNQDISKID);
        for (discs.next(); rt::errorCode() == 0; discs.next()) {
            int n = 0;
            songs.clearBuffer();
            songs.UNQDISKID = discs.UNQDISKID;
            songs.setAt(Listings::KUNQDISKID);
            for (songs.next(); rt::errorCode() == 0 && songs.UNQDISKID == discs.UNQDISKID; songs.next()) ++n;
            EXPECT_EQ(n, kTracks) << discs.UNQDISKID.str();
        }
    }
}

// The count of records the file keeps and the records it holds agree after a writer was
// killed at any moment, whichever way it wrote: single adds and deletes, streams committed
// now and then, or transactions.
struct KilledCountCase {
    const char* name;
    void (*write)(Listings& s, int n);  // one round of writing
};

void addListing(Listings& s, const std::string& disc, int track) {
    s.clearBuffer();
    s.TITLE = "Chanson d'été " + std::to_string(track);
    s.ARTIST = "Zoë " + disc;
    s.UNQDISKID = disc;
    s.DISKTRACKNO = static_cast<std::uint32_t>(track);
    s.add();
    if (rt::errorCode() != 0) _exit(4);
}

// Deletes the first listing in title order.
void deleteFirst(Listings& s) {
    s.clearBuffer();
    s.set(Listings::KTITLE);
    s.next();
    if (rt::errorCode() == 0) s.del();
    if (rt::errorCode() != 0) _exit(6);
}

const KilledCountCase kKilledCounts[] = {
    {"SingleAddsAndDeletes",
     [](Listings& s, int n) {
         for (int t = 1; t <= 4; ++t) addListing(s, "SC" + std::to_string(n), t);
         deleteFirst(s);
     }},
    {"Streams",
     [](Listings& s, int n) {
         s.stream();
         for (int t = 1; t <= 40; ++t) addListing(s, "ST" + std::to_string(n), t);
         deleteFirst(s);
         s.flush();
         if (rt::errorCode() != 0) _exit(5);
     }},
    {"Transactions",
     [](Listings& s, int n) {
         if (!rt::logout(5, {&s})) _exit(3);
         for (int t = 1; t <= 40; ++t) addListing(s, "TX" + std::to_string(n), t);
         deleteFirst(s);
         rt::commit();
         if (rt::errorCode() != 0) _exit(5);
     }},
};

class KilledCount : public RecordFiles, public ::testing::WithParamInterface<KilledCountCase> {};

TEST_P(KilledCount, AgreesWithTheRecordsAfterAnyKill) {
    for (int delayMs : {0, 1, 3, 6, 10, 15, 21, 28, 36, 45, 60, 90}) {
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms");
        songs.close();
        songs.create();
        auto write = GetParam().write;
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [write](const std::function<void()>& ready) {
            Listings s;
            s.open();
            ready();
            for (int n = 0;; ++n) write(s, n);
        }));
        songs.open();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        long long counted = 0;
        songs.set();
        for (songs.next(); rt::errorCode() == 0; songs.next()) ++counted;
        EXPECT_EQ(songs.records(), counted);
    }
}

INSTANTIATE_TEST_SUITE_P(Writers, KilledCount, ::testing::ValuesIn(kKilledCounts),
                         [](const ::testing::TestParamInfo<KilledCountCase>& i) { return i.param.name; });

// Adding in batches, each committed (bulkAdding): the keys that allow duplicates are built
// once at the end, not record by record after the first commit; in between the file names
// them as pending, and every commit is whole.
struct FileFacts {
    int indexes = 0;      // of the data table
    std::string pending;  // the keys the file names as pending ("" for none)
};

FileFacts factsOf(const std::string& path) {
    FileFacts f;
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_schema WHERE type='index' AND tbl_name='data' AND sql IS NOT NULL",
                       -1, &s, nullptr);
    if (sqlite3_step(s) == SQLITE_ROW) f.indexes = sqlite3_column_int(s, 0);
    sqlite3_finalize(s);
    sqlite3_prepare_v2(db, "SELECT value FROM meta WHERE name='pending-keys'", -1, &s, nullptr);
    if (sqlite3_step(s) == SQLITE_ROW) f.pending = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
    sqlite3_finalize(s);
    sqlite3_close(db);
    return f;
}

constexpr int kListingKeys = 6;  // Listings' keys

void addBatch(Listings& s, int batch, int n) {
    for (int t = 1; t <= n; ++t) {
        s.clearBuffer();
        s.TITLE = "Chanson d'été " + std::to_string((t * 7919 + batch * 31) % 100000);
        s.ARTIST = "Zoë " + std::to_string(batch);
        s.UNQDISKID = "B" + std::to_string(batch);
        s.DISKTRACKNO = static_cast<std::uint32_t>(t);
        s.GENRE = t % 3 ? "Pop" : "";
        s.DATEADDED = 1000 + t;
        s.add();
        if (rt::errorCode() != 0) return;
    }
}

// Every record in the key's order, checked to be in that order: how many.
long long readInOrder(Listings& f, const rt::Key& key) {
    long long n = 0;
    std::string last;
    f.set(key);
    for (f.next(); rt::errorCode() == 0; f.next(), ++n) {
        EXPECT_LE(rt::compareNoCase(last, f.TITLE.str()), 0) << "out of order at " << n;
        last = f.TITLE.str();
    }
    EXPECT_EQ(rt::errorCode(), rt::NoRecord);
    return n;
}

// A file closed inside a transaction over several files after many adds: its records stay
// in the transaction with every key, which opens whole after the commit.
TEST_F(RecordFiles, ClosingAFileAfterManyAddsInATransactionOfSeveralKeepsItsKeys) {
    ASSERT_TRUE(rt::logout(5, {&songs, &discs}));
    addBatch(songs, 0, 3000);
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    songs.close();
    addDisc(discs, "B0", "CU0");
    rt::commit();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    EXPECT_EQ(factsOf(Listings::fileName).indexes, kListingKeys);
    songs.open();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    EXPECT_EQ(readInOrder(songs, Listings::KTITLE), 3000);
}

TEST_F(RecordFiles, BulkAddingBuildsTheKeysOnceAcrossItsCommits) {
    songs.bulkAdding(true);
    for (int batch = 0; batch < 4; ++batch) {
        ASSERT_TRUE(rt::logout(5, {&songs, &discs}));
        addBatch(songs, batch, 3000);
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        EXPECT_EQ(addSong("Same disc and track", "A", "B0", 1), rt::DuplicateKey) << "the unique key is kept";
        rt::commit();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        const FileFacts f = factsOf(Listings::fileName);
        EXPECT_EQ(f.indexes, 1) << "only the unique key is kept as the batches go";
        EXPECT_EQ(f.pending, "KTITLE KGENRE KMATCHSONG KDISKID KDATEADDED");
        // Another instance reads the file meanwhile, without those keys.
        Listings reader;
        reader.open(rt::ReadOnly);
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        EXPECT_EQ(readInOrder(reader, Listings::KTITLE), 3000LL * (batch + 1));
        reader.close();
    }
    // A key read between two batches is built then, and leaves the pending ones.
    songs.clearBuffer();
    songs.TITLE = "Chanson d'été " + std::to_string(7919 % 100000);
    songs.ARTIST = "Zoë 0";
    songs.get(Listings::KMATCHSONG);
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    EXPECT_EQ(factsOf(Listings::fileName).pending, "KTITLE KGENRE KDISKID KDATEADDED");
    ASSERT_TRUE(rt::logout(5, {&songs}));
    addBatch(songs, 9, 100);
    rt::commit();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();

    songs.bulkAdding(false);
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    const FileFacts f = factsOf(Listings::fileName);
    EXPECT_EQ(f.indexes, kListingKeys);
    EXPECT_EQ(f.pending, "");
    Listings check;
    check.open();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    EXPECT_EQ(readInOrder(check, Listings::KTITLE), 12100);
    EXPECT_EQ(check.records(), 12100);
}

// A bulk writer killed at any moment between or inside its batches: the file opens for
// reading (without the keys it left) and for writing (which builds them), with every record
// of the batches committed and nothing else.
TEST_F(RecordFiles, BulkAddingKilledAnywhereLeavesAWholeFile) {
    constexpr int kBatch = 2100;
    for (int delayMs : {0, 2, 5, 9, 14, 20, 27, 35, 44, 55, 68, 83, 100, 120, 145, 175, 210, 250, 290, 330, 370, 410,
                        450, 500}) {
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms");
        songs.close();
        songs.create();
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [](const std::function<void()>& ready) {
            Listings s;
            s.open();
            s.bulkAdding(true);
            ready();
            for (int batch = 0;; ++batch) {
                if (!rt::logout(5, {&s})) _exit(3);
                addBatch(s, batch, kBatch);
                if (rt::errorCode() != 0) _exit(4);
                rt::commit();
                if (rt::errorCode() != 0) _exit(5);
            }
        }));
        {
            // As the program opens a SongBook: the journal of the cut-off batch played back
            // first (a reader cannot), then a reader.
            ASSERT_EQ(rt::recoverRecordFiles({Listings::fileName}), 0) << rt::error();
            Listings reader;
            reader.open(rt::ReadOnly);
            ASSERT_EQ(rt::errorCode(), 0) << rt::error();
            const long long n = readInOrder(reader, Listings::KTITLE);
            EXPECT_EQ(n % kBatch, 0) << "whole batches only";
            EXPECT_EQ(reader.records(), n);
            // Keys left to build are all missing, and named; none are left out unnamed.
            const FileFacts left = factsOf(Listings::fileName);
            if (left.pending.empty()) {
                EXPECT_EQ(left.indexes, kListingKeys);
            } else {
                EXPECT_EQ(left.pending, "KTITLE KGENRE KMATCHSONG KDISKID KDATEADDED");
                EXPECT_EQ(left.indexes, 1);
            }
        }
        songs.open();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        const FileFacts f = factsOf(Listings::fileName);
        EXPECT_EQ(f.indexes, kListingKeys);
        EXPECT_EQ(f.pending, "");
        EXPECT_EQ(readInOrder(songs, Listings::KTITLE), songs.records());
    }
}

}  // namespace
