#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>

#include "data/data_files.h"
#include "frontend/headless/driver.h"
#include "runtime/thread/thread.h"
#include "services/OpenDataFile.h"
#include "services/SafeDelete.h"
#include "services/SafeUpdate.h"
#include "support/data_fixture.h"

namespace {

// Runs `f` on another program thread (another station: its own instances of the files) and
// waits until it is done.
void asAnotherStation(const std::function<void()>& f) {
    std::atomic<bool> done{false};
    rt::startThread([&] {
        f();
        done = true;
    });
    rt::WaitOutside wait;
    while (!done) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void addDisc(const char* disc, const char* custom) {
    SBD.clearBuffer();
    SBD.UNQDISKID = disc;
    SBD.MAKETYPE = std::string(disc).substr(0, 2);
    SBD.MAKEID = 1;
    SBD.ALTDISKID = custom;
    SBD.add();
}

bool readListing(const char* disc, std::uint32_t track) {
    SBK.clearBuffer();
    SBK.UNQDISKID = disc;
    SBK.DISKTRACKNO = track;
    SBK.get(SongBook::KUNQDISKID);
    return rt::errorCode() == 0;
}

bool readDisc(const char* disc) {
    SBD.clearBuffer();
    SBD.UNQDISKID = disc;
    SBD.get(SBDiscs::KUNQDISKID);
    return rt::errorCode() == 0;
}

// Every listing as "disc-track".
std::vector<std::string> listings() {
    std::vector<std::string> out;
    SBK.set(SongBook::KUNQDISKID);
    for (SBK.next(); rt::errorCode() == 0; SBK.next())
        out.push_back(SBK.UNQDISKID.str() + "-" + std::to_string(SBK.DISKTRACKNO));
    return out;
}

class SafeUpdateDeleteTest : public ::testing::Test {
protected:
    void SetUp() override { fixture::pointFileNamesAt(dir.path()); }

    // Runs `body` as the program; the titles and texts of the boxes it shows are collected,
    // each answered with OK.
    void run(const std::function<void()>& body) {
        headless::Driver d;
        ASSERT_TRUE(d.start(body)) << d.error();
        while (auto r = d.request()) {
            titles.push_back(r->title);
            texts.push_back(r->text);
            if (!d.answer("OK")) break;
        }
        EXPECT_FALSE(d.running());
    }

    // A SongBook with disc CV0101 (ten listings) and disc MX2201 (two listings).
    void writeSongBook() {
        run([] {
            DataFileUse songBook(SBK), discs(SBD);
            addDisc("CV0101", "101");
            addDisc("MX2201", "102");
            for (std::uint32_t t = 1; t <= 10; ++t) fixture::addListing("CV0101", t, "Lanterns Over Calder Bay");
            fixture::addListing("MX2201", 1, "Neon Orchard");
            fixture::addListing("MX2201", 2, "Velvet Static");
        });
        ASSERT_TRUE(titles.empty());
    }

    fixture::TempFolder dir;
    std::vector<std::string> titles, texts;
};

TEST_F(SafeUpdateDeleteTest, DeletingADiscDeletesItsListingsAndClosesSongBookAgain) {
    writeSongBook();
    int result = -1, countBefore = -1, countAfter = -1;
    bool openAfter = true;
    std::vector<std::string> left;
    bool discLeft = true;
    run([&] {
        DataFileUse discs(SBD);
        countBefore = FileUseCount(SBK);
        readDisc("CV0101");
        result = SafeDeleteSBDiscs();
        countAfter = FileUseCount(SBK);
        openAfter = SBK.isOpen();
        DataFileUse songBook(SBK);
        left = listings();
        discLeft = readDisc("CV0101");
    });
    EXPECT_TRUE(titles.empty());
    EXPECT_EQ(result, 0);
    EXPECT_EQ(countBefore, 0);
    EXPECT_EQ(countAfter, 0);
    EXPECT_FALSE(openAfter);
    EXPECT_EQ(left, (std::vector<std::string>{"MX2201-1", "MX2201-2"}));
    EXPECT_FALSE(discLeft);
}

TEST_F(SafeUpdateDeleteTest, DeletingADiscKeepsSongBookOpenForItsUsers) {
    writeSongBook();
    int result = -1, count = -1;
    bool open = false;
    run([&] {
        DataFileUse discs(SBD), songBook(SBK);
        readDisc("MX2201");
        result = SafeDeleteSBDiscs();
        count = FileUseCount(SBK);
        open = SBK.isOpen();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(open);
}

TEST_F(SafeUpdateDeleteTest, DiscWithoutListingsIsDeletedAlone) {
    writeSongBook();
    int result = -1;
    std::vector<std::string> left;
    run([&] {
        DataFileUse discs(SBD), songBook(SBK);
        addDisc("SL3001", "103");
        readDisc("SL3001");
        result = SafeDeleteSBDiscs();
        left = listings();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(left.size(), 12u);
}

TEST_F(SafeUpdateDeleteTest, ListingsWithTheDiscIdInAnotherCaseRemain) {
    std::vector<std::string> left;
    int result = -1;
    run([&] {
        DataFileUse discs(SBD), songBook(SBK);
        addDisc("CV0101", "101");
        fixture::addListing("cv0101", 1, "Neon Orchard");
        fixture::addListing("CV0101", 2, "Velvet Static");
        fixture::addListing("Cv0101", 3, "Sunday Kites");
        fixture::addListing("CV0101", 4, "Highwire Waltz");
        fixture::addListing("CV0102", 1, "Brass Buttons");
        readDisc("CV0101");
        result = SafeDeleteSBDiscs();
        left = listings();
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(left, (std::vector<std::string>{"cv0101-1", "Cv0101-3", "CV0102-1"}));
}

TEST_F(SafeUpdateDeleteTest, FailureAtTheTenthListingLeavesDiscAndListingsInPlace) {
    writeSongBook();
    // The disk refuses to delete the tenth listing.
    ASSERT_EQ(fixture::execSql(SongBookFileName,
                               "CREATE TRIGGER refuse BEFORE DELETE ON \"data\" WHEN old.\"DISKTRACKNO\" = 10 "
                               "BEGIN SELECT RAISE(ABORT, 'disk refused'); END"),
              0);
    int result = -1;
    std::vector<std::string> left;
    bool discLeft = false;
    run([&] {
        DataFileUse discs(SBD);
        readDisc("CV0101");
        result = SafeDeleteSBDiscs();
        DataFileUse songBook(SBK);
        left = listings();
        discLeft = readDisc("CV0101");
    });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(titles.size(), 1u);
    EXPECT_EQ(titles[0], "Delete Operation Error");
    EXPECT_NE(texts[0].find("from the file SongBook."), std::string::npos) << texts[0];
    EXPECT_EQ(left.size(), 12u);
    EXPECT_TRUE(discLeft);
}

TEST_F(SafeUpdateDeleteTest, RecordChangedByAnotherStationIsShownThenCanBeUpdated) {
    writeSongBook();
    int first = -1, second = -1;
    std::string afterRefusal, stored;
    run([&] {
        DataFileUse songBook(SBK);
        readListing("MX2201", 1);
        asAnotherStation([] {
            DataFileUse theirs(SBK);
            readListing("MX2201", 1);
            SBK.TITLE = "Neon Orchard (Their Edit)";
            SBK.put();
        });
        SBK.TITLE = "Neon Orchard (My Edit)";
        first = SafeUpdateSongBook();
        afterRefusal = SBK.TITLE.str();
        SBK.TITLE = "Neon Orchard (My Edit)";
        second = SafeUpdateSongBook();
        readListing("MX2201", 1);
        stored = SBK.TITLE.str();
    });
    EXPECT_EQ(first, 2);
    EXPECT_EQ(titles, (std::vector<std::string>{"Record Was Not Updated"}));
    EXPECT_EQ(afterRefusal, "Neon Orchard (Their Edit)");
    EXPECT_EQ(second, 0);
    EXPECT_EQ(stored, "Neon Orchard (My Edit)");
}

// The members of the families that work on one file: add two records, pick one, change it
// and delete it through the family.
struct MemberCase {
    const char* label;
    std::function<rt::RecordFile&()> file;
    std::function<void(const char*)> add;     // adds a record with this text
    std::function<bool(const char*)> read;    // reads the record with this text
    std::function<void(const char*)> change;  // sets the text in the buffer
    int (*update)();
    int (*remove)();
};

const MemberCase kMembers[] = {
    {"SongBook", [] () -> rt::RecordFile& { return SBK; },
     [](const char* t) { fixture::addListing(t, 1, "Sunday Kites"); },
     [](const char* t) { return readListing(t, 1); },
     [](const char* t) { SBK.UNQDISKID = t; }, SafeUpdateSongBook, SafeDeleteSongBook},
    {"Genre", [] () -> rt::RecordFile& { return GEN; },
     [](const char* t) { GEN.GENRE = t; GEN.add(); },
     [](const char* t) { GEN.GENRE = t; GEN.get(Genre::KGENRE); return rt::errorCode() == 0; },
     [](const char* t) { GEN.GENRE = t; }, SafeUpdateGenre, SafeDeleteGenre},
    {"MAKEID", [] () -> rt::RecordFile& { return MAK; },
     [](const char* t) { MAK.MAKEID = t; MAK.MAKEDESC = "Invented Maker"; MAK.add(); },
     [](const char* t) { MAK.MAKEID = t; MAK.get(MakeId::KMAKEID); return rt::errorCode() == 0; },
     [](const char* t) { MAK.MAKEID = t; }, SafeUpdateMakeId, SafeDeleteMakeId},
    {"KARAOKE", [] () -> rt::RecordFile& { return KAR; },
     [](const char* t) { KAR.UNQDISKID = t; KAR.DISKTRACKNO = 1; KAR.add(); },
     [](const char* t) { KAR.UNQDISKID = t; KAR.get(KARAOKE::KUNQDISKID); return rt::errorCode() == 0; },
     [](const char* t) { KAR.UNQDISKID = t; }, SafeUpdateKaraoke, nullptr},
};

TEST_F(SafeUpdateDeleteTest, EachMemberUpdatesAndDeletesItsCurrentRecord) {
    for (const MemberCase& m : kMembers) {
        SCOPED_TRACE(m.label);
        titles.clear();
        int updated = -1, deleted = -1;
        bool oldGone = false, newThere = false, deletedGone = false, otherThere = false;
        run([&] {
            rt::RecordFile& f = m.file();
            f.create();
            DataFileUse use(f);
            m.add("AA");
            m.add("BB");
            m.read("AA");
            m.change("CC");
            updated = m.update();
            oldGone = !m.read("AA");
            newThere = m.read("CC");
            if (m.remove) {
                m.read("CC");
                deleted = m.remove();
                deletedGone = !m.read("CC");
            }
            otherThere = m.read("BB");
        });
        EXPECT_TRUE(titles.empty()) << titles.front();
        EXPECT_EQ(updated, 0);
        EXPECT_TRUE(oldGone);
        EXPECT_TRUE(newThere);
        if (m.remove) {
            EXPECT_EQ(deleted, 0);
            EXPECT_TRUE(deletedGone);
        }
        EXPECT_TRUE(otherThere);
    }
}

TEST_F(SafeUpdateDeleteTest, DeletingARecordAnotherStationDeletedFails) {
    writeSongBook();
    int result = -1;
    run([&] {
        DataFileUse songBook(SBK);
        readListing("MX2201", 2);
        asAnotherStation([] {
            DataFileUse theirs(SBK);
            readListing("MX2201", 2);
            SBK.del();
        });
        result = SafeDeleteSongBook();
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(titles, (std::vector<std::string>{"Delete Operation Error"}));
}

TEST_F(SafeUpdateDeleteTest, TransactionThatCannotBeginIsReported) {
    writeSongBook();
    int updated = -1, deleted = -1;
    run([&] {
        DataFileUse songBook(SBK), discs(SBD);
        readListing("MX2201", 1);
        fixture::FileLock lock(SongBookFileName);
        SBK.TITLE = "Changed";
        updated = SafeUpdateSongBook();
        readDisc("MX2201");
        deleted = SafeDeleteSBDiscs();
    });
    EXPECT_EQ(updated, 1);
    EXPECT_EQ(deleted, 1);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(titles[0], "Transaction Framing Error");
    EXPECT_NE(texts[0].find(") attempting to frame the update transaction on SongBook.  Update "
                            "transaction cancelled."),
              std::string::npos)
        << texts[0];
    EXPECT_NE(texts[1].find(") attempting to frame the delete transaction on SBDiscs.  Delete "
                            "transaction cancelled."),
              std::string::npos)
        << texts[1];
}

}  // namespace
