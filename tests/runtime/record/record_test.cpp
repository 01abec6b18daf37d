// Reading and writing: scans that survive writes, changes made elsewhere, the change
// check of put(), current-record rules, positions, buffered writing.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "runtime/record/record_fixture.h"

using namespace testfiles;

namespace {

std::string numbered(int i) {
    char b[16];
    std::snprintf(b, sizeof b, "Song %04d", i);
    return b;
}

TEST_F(RecordFiles, DeletingTheCurrentRecordDuringAScanGoesOnWithTheNext) {
    for (int i = 0; i < 100; ++i) ASSERT_EQ(addSong(numbered(99 - i), "A", "", 0, std::to_string(99 - i)), 0);
    // In key order and in record order, forwards and backwards: every record is seen once.
    struct Scan {
        const rt::Key* key;
        int dir;
    } scans[] = {{&Listings::KMATCHSONG, +1}, {&Listings::KMATCHSONG, -1}, {nullptr, +1}};
    for (const Scan& s : scans) {
        SCOPED_TRACE(s.key ? s.key->name : "record order");
        // Refill: every even-numbered listing goes during the scan and comes back after it.
        if (s.key)
            songs.set(*s.key);
        else
            songs.set();
        std::vector<int> seen;
        for (;;) {
            s.dir > 0 ? songs.next() : songs.previous();
            if (rt::errorCode() != 0) break;
            int n = std::stoi(songs.LOCATION.str());
            seen.push_back(n);
            if (n % 2 == 0) {
                songs.del();
                ASSERT_EQ(rt::errorCode(), 0);
            }
        }
        EXPECT_EQ(rt::errorCode(), rt::NoRecord);
        ASSERT_EQ(seen.size(), 100u);
        if (!s.key) std::sort(seen.begin(), seen.end());
        for (int i = 0; i < 100; ++i) EXPECT_EQ(seen[i], s.dir > 0 ? i : 99 - i);
        EXPECT_EQ(songs.records(), 50);
        for (int i = 0; i < 100; i += 2) ASSERT_EQ(addSong(numbered(i), "A", "", 0, std::to_string(i)), 0);
    }
}

TEST_F(RecordFiles, AddingDuringAScanIsSeenWhenItComesLater) {
    for (int i = 0; i < 10; i += 2) ASSERT_EQ(addSong(numbered(i), "A", "", 0, std::to_string(i)), 0);
    songs.set(Listings::KMATCHSONG);
    songs.next();
    ASSERT_EQ(songs.LOCATION.str(), "0");
    ASSERT_EQ(addSong(numbered(3), "A", "", 0, "3"), 0);  // after the scan's place
    EXPECT_EQ(readTags(), (std::vector<std::string>{"2", "3", "4", "6", "8"}));
}

// Changes made through another connection are seen by the next read, also while the
// reader is in the middle of a batch it already fetched.
struct ElsewhereCase {
    const char* name;
    std::function<void()> write;  // adds "Song 005" and changes the tag of "Song 004" to "4x"
};

void writeElsewhere() {
    Listings other;
    other.open();
    ASSERT_EQ(rt::errorCode(), 0);
    other.clearBuffer();
    other.TITLE = numbered(5);
    other.ARTIST = "A";
    other.LOCATION = "5";
    other.add();
    ASSERT_EQ(rt::errorCode(), 0);
    other.clearBuffer();
    other.TITLE = numbered(4);
    other.ARTIST = "A";
    other.get(Listings::KMATCHSONG);
    ASSERT_EQ(rt::errorCode(), 0);
    other.LOCATION = "4x";
    other.put();
    ASSERT_EQ(rt::errorCode(), 0);
    other.close();
}

const ElsewhereCase kElsewhere[] = {
    {"SameThread", [] { writeElsewhere(); }},
    {"OtherThread", [] { std::thread t(writeElsewhere); t.join(); }},
    {"OtherProcess",
     [] {
         pid_t pid = fork();
         ASSERT_GE(pid, 0);
         if (pid == 0) {
             writeElsewhere();
             _exit(::testing::Test::HasFailure() ? 1 : 0);
         }
         int status = 0;
         ASSERT_EQ(waitpid(pid, &status, 0), pid);
         ASSERT_TRUE(WIFEXITED(status));
         ASSERT_EQ(WEXITSTATUS(status), 0);
     }},
};

class SeenElsewhere : public RecordFiles, public ::testing::WithParamInterface<ElsewhereCase> {};

TEST_P(SeenElsewhere, ByTheNextRead) {
    for (int i = 0; i < 10; i += 2) ASSERT_EQ(addSong(numbered(i), "A", "", 0, std::to_string(i)), 0);
    songs.set(Listings::KMATCHSONG);
    songs.next();
    songs.next();
    ASSERT_EQ(songs.LOCATION.str(), "2");
    GetParam().write();
    EXPECT_EQ(readTags(), (std::vector<std::string>{"4x", "5", "6", "8"}));
    EXPECT_EQ(songs.records(), 6);
}

INSTANTIATE_TEST_SUITE_P(Writers, SeenElsewhere, ::testing::ValuesIn(kElsewhere),
                         [](const ::testing::TestParamInfo<ElsewhereCase>& i) { return i.param.name; });

TEST_F(RecordFiles, PutAfterAnotherStationChangedTheRecordFailsUntilReRead) {
    ASSERT_EQ(addSong("Cranberry", "Peggy", "D1", 1, "mine"), 0);
    songs.clearBuffer();
    songs.TITLE = "Cranberry";
    songs.ARTIST = "Peggy";
    songs.get(Listings::KMATCHSONG);
    ASSERT_EQ(rt::errorCode(), 0);
    std::string pos = songs.position();

    Listings station;
    station.open();
    ASSERT_EQ(rt::errorCode(), 0);
    station.clearBuffer();
    station.UNQDISKID = "D1";
    station.DISKTRACKNO = 1;
    station.get(Listings::KUNQDISKID);
    ASSERT_EQ(rt::errorCode(), 0);
    station.GENRE = "Country";
    station.put();
    ASSERT_EQ(rt::errorCode(), 0);

    songs.LOCATION = "changed here";
    songs.put();
    EXPECT_EQ(rt::errorCode(), rt::RecordChanged);
    songs.reget(pos);
    ASSERT_EQ(rt::errorCode(), 0);
    EXPECT_EQ(songs.GENRE.str(), "Country");
    EXPECT_EQ(songs.LOCATION.str(), "mine");
    songs.LOCATION = "changed here";
    songs.put();
    EXPECT_EQ(rt::errorCode(), 0);
    // ... and now the other station's copy is the stale one.
    station.GENRE = "Pop";
    station.put();
    EXPECT_EQ(rt::errorCode(), rt::RecordChanged);
    // A record deleted elsewhere cannot be written back.
    station.reget(pos);
    station.del();
    ASSERT_EQ(rt::errorCode(), 0);
    songs.put();
    EXPECT_EQ(rt::errorCode(), rt::RecordNotFound);
}

// After any failed read there is no current record: put() and del() fail and change nothing.
struct FailedRead {
    const char* name;
    std::function<void(Listings&, const std::string& missingPos)> read;
    int expect;
};

const FailedRead kFailedReads[] = {
    {"GetWithoutMatch",
     [](Listings& f, const std::string&) {
         f.clearBuffer();
         f.TITLE = "Nothing like it";
         f.get(Listings::KMATCHSONG);
     },
     rt::RecordNotFound},
    {"NextAtTheEnd",
     [](Listings& f, const std::string&) {
         f.clearBuffer();
         f.TITLE = "Zzz";
         f.setAt(Listings::KMATCHSONG);
         f.next();
     },
     rt::NoRecord},
    {"PreviousAtTheStart",
     [](Listings& f, const std::string&) {
         f.clearBuffer();
         f.setAt(Listings::KMATCHSONG);
         f.previous();
     },
     rt::NoRecord},
    {"RegetOfADeletedRecord", [](Listings& f, const std::string& pos) { f.reget(pos); }, rt::RecordNotFound},
    {"NextWithoutSet", [](Listings& f, const std::string&) { f.next(); }, rt::NoRecord},
};

class FailedReads : public RecordFiles, public ::testing::WithParamInterface<FailedRead> {};

TEST_P(FailedReads, LeaveNoCurrentRecord) {
    ASSERT_EQ(addSong("Gone", "A", "", 0, "gone"), 0);
    std::string gone = songs.position();
    songs.del();
    ASSERT_EQ(addSong("Kept", "A", "", 0, "kept"), 0);
    ASSERT_TRUE(songs.hasCurrent());
    GetParam().read(songs, gone);
    EXPECT_EQ(rt::errorCode(), GetParam().expect);
    EXPECT_FALSE(songs.hasCurrent());
    songs.LOCATION = "overwritten";
    songs.put();
    EXPECT_EQ(rt::errorCode(), rt::NoRecord);
    songs.del();
    EXPECT_EQ(rt::errorCode(), rt::NoRecord);
    songs.clearBuffer();
    songs.TITLE = "Kept";
    songs.ARTIST = "A";
    songs.get(Listings::KMATCHSONG);
    ASSERT_EQ(rt::errorCode(), 0);
    EXPECT_EQ(songs.LOCATION.str(), "kept");
    EXPECT_EQ(songs.records(), 1);
}

INSTANTIATE_TEST_SUITE_P(Reads, FailedReads, ::testing::ValuesIn(kFailedReads),
                         [](const ::testing::TestParamInfo<FailedRead>& i) { return i.param.name; });

TEST_F(RecordFiles, ClearCurrentForgetsTheRecord) {
    ASSERT_EQ(addSong("One", "A", "", 0, "one"), 0);
    songs.clearCurrent();
    songs.del();
    EXPECT_EQ(rt::errorCode(), rt::NoRecord);
    EXPECT_EQ(songs.records(), 1);
}

TEST_F(RecordFiles, PositionsResetAndReget) {
    for (int i = 0; i < 50; ++i) ASSERT_EQ(addSong(numbered(i), "A", "", 0, std::to_string(i)), 0);
    songs.set(Listings::KMATCHSONG);
    std::string at20;
    for (int i = 0; i <= 20; ++i) songs.next();
    ASSERT_EQ(songs.LOCATION.str(), "20");
    at20 = songs.position();
    EXPECT_LE(at20.size(), 512u);

    // reset: next() reads the record at the position, previous() too, then on in order.
    songs.set();
    songs.reset(at20);
    songs.next();
    EXPECT_EQ(songs.LOCATION.str(), "20");
    songs.next();
    EXPECT_EQ(songs.LOCATION.str(), "21");
    songs.reset(at20);
    songs.previous();
    EXPECT_EQ(songs.LOCATION.str(), "20");
    songs.previous();
    EXPECT_EQ(songs.LOCATION.str(), "19");

    // After the record is gone, reset goes on with the next one.
    songs.reget(at20);
    ASSERT_EQ(rt::errorCode(), 0);
    songs.del();
    songs.reset(at20);
    songs.next();
    EXPECT_EQ(songs.LOCATION.str(), "21");

    // reget reads by record, also after its key values changed.
    songs.reget(songs.position());
    songs.TITLE = "Renamed";
    songs.put();
    std::string renamed = songs.position(Listings::KTITLE);
    songs.clearBuffer();
    songs.reget(renamed);
    EXPECT_EQ(songs.TITLE.str(), "Renamed");
    EXPECT_EQ(songs.LOCATION.str(), "21");

    songs.reset("not a position");
    EXPECT_NE(rt::errorCode(), 0);
}

TEST_F(RecordFiles, PreviousAfterSetReadsFromTheEnd) {
    for (int i = 0; i < 5; ++i) ASSERT_EQ(addSong(numbered(i), "A", "", 0, std::to_string(i)), 0);
    songs.set(Listings::KMATCHSONG);
    EXPECT_EQ(readTags(-1), (std::vector<std::string>{"4", "3", "2", "1", "0"}));
    songs.set();
    EXPECT_EQ(readTags(-1), (std::vector<std::string>{"4", "3", "2", "1", "0"}));
    // Changing direction reads the neighbour of the current record.
    songs.set(Listings::KMATCHSONG);
    songs.next();
    songs.next();
    songs.next();
    songs.previous();
    EXPECT_EQ(songs.LOCATION.str(), "1");
}

TEST_F(RecordFiles, LargeScanInBatchesMatchesKeyOrder) {
    songs.stream();
    for (int i = 0; i < 3000; ++i) ASSERT_EQ(addSong(numbered((i * 7919) % 3000), "A", "", 0, ""), 0);
    songs.flush();
    ASSERT_EQ(rt::errorCode(), 0);
    EXPECT_EQ(songs.records(), 3000);
    songs.set(Listings::KMATCHSONG);
    int n = 0;
    for (songs.next(); rt::errorCode() == 0; songs.next(), ++n) ASSERT_EQ(songs.TITLE.str(), numbered(n));
    EXPECT_EQ(n, 3000);
}

TEST_F(RecordFiles, StreamedAddsAreSeenByOthersAfterFlush) {
    Listings other;
    other.open();
    ASSERT_EQ(rt::errorCode(), 0);
    songs.stream();
    for (int i = 0; i < 3; ++i) ASSERT_EQ(addSong(numbered(i)), 0);
    EXPECT_EQ(songs.records(), 3);
    EXPECT_EQ(other.records(), 0);
    songs.flush();
    EXPECT_EQ(other.records(), 3);
    songs.stream();
    ASSERT_EQ(addSong(numbered(3)), 0);
    songs.close();  // close ends the stream
    EXPECT_EQ(other.records(), 4);
}

TEST_F(RecordFiles, ReadOnlyAccessRefusesWrites) {
    ASSERT_EQ(addSong("One"), 0);
    Listings reader;
    reader.open(rt::ReadOnly | rt::DenyNone);
    ASSERT_EQ(rt::errorCode(), 0);
    reader.set();
    reader.next();
    ASSERT_EQ(rt::errorCode(), 0);
    reader.TITLE = "Two";
    reader.put();
    EXPECT_EQ(rt::errorCode(), rt::AccessDenied);
    reader.add();
    EXPECT_EQ(rt::errorCode(), rt::AccessDenied);
}

TEST_F(RecordFiles, OperationsOnAClosedFileFail) {
    songs.close();
    songs.set();
    EXPECT_EQ(rt::errorCode(), rt::NotOpen);
    songs.add();
    EXPECT_EQ(rt::errorCode(), rt::NotOpen);
    EXPECT_FALSE(songs.isOpen());
}

TEST_F(RecordFiles, CloseEverywhereClosesOtherThreadsInstances) {
    std::mutex m;
    std::condition_variable cv;
    int stage = 0;
    bool openBefore = false, openAfter = true, reopened = false;
    long long count = -1;
    std::thread t([&] {
        Listings mine;
        mine.open();
        openBefore = mine.isOpen();
        {
            std::unique_lock l(m);
            stage = 1;
            cv.notify_all();
            cv.wait(l, [&] { return stage == 2; });
        }
        openAfter = mine.isOpen();
        mine.open();
        reopened = rt::errorCode() == 0;
        count = mine.records();
    });
    {
        std::unique_lock l(m);
        cv.wait(l, [&] { return stage == 1; });
    }
    rt::closeEverywhere(Listings::fileName);
    EXPECT_FALSE(songs.isOpen());
    ASSERT_EQ(addSong("x"), rt::NotOpen);
    songs.create();  // the file may now be replaced
    {
        std::lock_guard l(m);
        stage = 2;
        cv.notify_all();
    }
    t.join();
    EXPECT_TRUE(openBefore);
    EXPECT_FALSE(openAfter);
    EXPECT_TRUE(reopened);
    EXPECT_EQ(count, 0);
}

TEST_F(RecordFiles, TextsAreStoredCutAndWithoutTrailingBlanks) {
    songs.clearBuffer();
    songs.TITLE = std::string(50, 'x');
    songs.MAKEID = "SCX";
    songs.ARTIST = "Blank   ";
    songs.add();
    ASSERT_EQ(rt::errorCode(), 0);
    Listings other;
    other.open();
    other.set();
    other.next();
    ASSERT_EQ(rt::errorCode(), 0);
    EXPECT_EQ(other.TITLE.str(), std::string(40, 'x'));
    EXPECT_EQ(other.MAKEID.str(), "SC");
    EXPECT_EQ(other.ARTIST.str(), "Blank");
}

}  // namespace

// Many adds in one transaction or stream: every key is complete and in order afterwards,
// also when a key is read in the middle, and nothing of it is left after a rollback.
struct BulkCase {
    const char* name;
    bool transaction;
    bool readBetween;
    std::function<void(Listings&)> end;
    bool kept;
};

const BulkCase kBulkCases[] = {
    {"StreamFlushed", false, false, [](Listings& f) { f.flush(); }, true},
    {"StreamClosed", false, false, [](Listings& f) { f.close(); }, true},
    {"StreamReadBetween", false, true, [](Listings& f) { f.flush(); }, true},
    {"Committed", true, false, [](Listings&) { rt::commit(); }, true},
    {"CommittedReadBetween", true, true, [](Listings&) { rt::commit(); }, true},
    {"RolledBack", true, false, [](Listings&) { rt::rollback(); }, false},
};

class BulkAdds : public RecordFiles, public ::testing::WithParamInterface<BulkCase> {};

TEST_P(BulkAdds, KeepEveryKey) {
    const BulkCase& c = GetParam();
    ASSERT_EQ(addSong("Zz before", "A", "D", 9999, "before"), 0);
    if (c.transaction)
        ASSERT_TRUE(rt::logout(1, {&songs}));
    else
        songs.stream();
    const int n = 6000;
    for (int i = 0; i < n; ++i) {
        int k = (i * 7919) % n;
        songs.clearBuffer();
        songs.TITLE = numbered(k);
        songs.ARTIST = "A";
        songs.UNQDISKID = "D";
        songs.DISKTRACKNO = static_cast<std::uint32_t>(k);
        songs.GENRE = k % 3 ? "Pop" : "";
        songs.DATEADDED = 1000 + k;
        songs.add();
        ASSERT_EQ(rt::errorCode(), 0);
        if (c.readBetween && i == n / 2) {
            songs.clearBuffer();
            songs.TITLE = numbered(k);
            songs.ARTIST = "A";
            songs.get(Listings::KMATCHSONG);
            ASSERT_EQ(rt::errorCode(), 0);
        }
    }
    // A duplicate of the unique key is refused at once.
    EXPECT_EQ(addSong("Dup", "A", "d", 17), rt::DuplicateKey);
    c.end(songs);
    ASSERT_EQ(rt::errorCode(), 0);
    EXPECT_FALSE(rt::inTransaction());

    Listings check;
    check.open();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    EXPECT_EQ(check.records(), c.kept ? n + 1 : 1);
    struct KeyCount {
        const rt::Key* key;
        int expect;
    } keys[] = {{&Listings::KTITLE, n + 1},      {&Listings::KMATCHSONG, n + 1},   {&Listings::KDISKID, n + 1},
                {&Listings::KGENRE, n - n / 3},   {&Listings::KDATEADDED, n},       {&Listings::KUNQDISKID, n + 1}};
    for (const KeyCount& k : keys) {
        SCOPED_TRACE(k.key->name);
        check.set(*k.key);
        int count = 0;
        for (check.next(); rt::errorCode() == 0; check.next()) ++count;
        EXPECT_EQ(count, c.kept ? k.expect : (k.key == &Listings::KGENRE || k.key == &Listings::KDATEADDED ? 0 : 1));
    }
    check.set(Listings::KMATCHSONG);
    for (int i = 0; c.kept && i < n; ++i) {
        check.next();
        ASSERT_EQ(check.TITLE.str(), numbered(i));
    }
}

INSTANTIATE_TEST_SUITE_P(Ends, BulkAdds, ::testing::ValuesIn(kBulkCases),
                         [](const ::testing::TestParamInfo<BulkCase>& i) { return i.param.name; });
