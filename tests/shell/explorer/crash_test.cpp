// A SongBook whose writer was killed inside a commit, then restored over, moved or renamed
// through the explorer: the result is always a whole SongBook and no journal stays behind.
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <thread>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "explorer_fixture.h"
#include "runtime/record/engine.h"
#include "shell/SongBookBackup.h"
#include "support/killed_writer.h"

namespace explorer_test {
namespace {

constexpr int kTracks = 12;

// Adds discs first..first+count-1, each with its listings in one transaction.
bool addDiscs(int first, int count) {
    for (int n = first; n < first + count; ++n) {
        if (!rt::logout(5, {&SBD, &SBK})) return false;
        const std::string disc = "SC" + std::to_string(n);
        SBD.clearBuffer();
        SBD.UNQDISKID = disc;
        SBD.ALTDISKID = "CU" + std::to_string(n);
        SBD.MAKETYPE = "SC";
        SBD.MAKEID = 1;
        SBD.add();
        for (int t = 1; t <= kTracks && rt::errorCode() == 0; ++t) {
            SBK.clearBuffer();
            SBK.TITLE = "A rather long title to fill the pages " + std::to_string(t);
            SBK.ARTIST = "Artist " + std::to_string(n);
            SBK.UNQDISKID = disc;
            SBK.DISKTRACKNO = static_cast<std::uint32_t>(t);
            SBK.add();
        }
        if (rt::errorCode() != 0) {
            rt::rollback();
            return false;
        }
        rt::commit();
        if (rt::errorCode() != 0) return false;
    }
    return true;
}

int keyText(void*, int na, const void* a, int nb, const void* b) {
    return rt::records::compareKeyText(static_cast<const char*>(a), na, static_cast<const char*>(b), nb);
}

// The first column of a query's rows, read with the engine's key order (which
// integrity_check needs to judge the keys).
std::vector<std::string> query(const std::string& file, const std::string& sql) {
    std::vector<std::string> out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return {"cannot open " + file};
    }
    sqlite3_create_collation(db, "KEYTEXT", SQLITE_UTF8, nullptr, keyText);
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) out.push_back(sqlite3_errmsg(db));
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        const unsigned char* t = sqlite3_column_text(st, 0);
        out.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

// The files a crash leaves: rollback journals and super-journals.
std::vector<std::string> journals(const std::string& dir) {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        const std::string n = e.path().filename().string();
        if (n.find("-journal") != std::string::npos || n.find("-mj") != std::string::npos) found.push_back(n);
    }
    return found;
}

class CrashTest : public ExplorerTest {
protected:
    void useNames(const std::string& dir, const std::string& name) {
        SongBookFileName = dir + "/" + name + ".2bk";
        SBDiscsFileName = dir + "/" + name + ".2bd";
    }

    // A child process adds disc after disc to the pair and is killed after delayMs.
    void killWriterAfter(int delayMs) {
        fixture::killWriterAfter(delayMs, [this](const std::function<void()>& ready) {
            SBK.open();
            SBD.open();
            if (rt::errorCode() != 0) _exit(3);
            ready();
            addDiscs(100, 1000000);
        });
    }

    // The pair passes SQLite's own check, and every disc has all its listings or is absent
    // together with them. Returns the number of discs.
    int wholeDiscs(const std::string& dir, const std::string& name) {
        const std::string listing = dir + "/" + name + ".2bk", disc = dir + "/" + name + ".2bd";
        EXPECT_EQ(query(listing, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
        EXPECT_EQ(query(disc, "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
        std::map<std::string, std::string> counts;
        for (const std::string& d : query(disc, "SELECT UNQDISKID FROM data")) counts[d] = std::to_string(kTracks);
        std::map<std::string, std::string> listed;
        for (const std::string& row :
             query(listing, "SELECT UNQDISKID || ':' || count(*) FROM data GROUP BY UNQDISKID")) {
            const auto colon = row.find(':');
            listed[row.substr(0, colon)] = row.substr(colon + 1);
        }
        EXPECT_EQ(listed, counts);
        return static_cast<int>(counts.size());
    }

    void startIn(const std::string& dir) {
        rt::setCurrentFolder(dir);
        start();
    }
};

// Dozens of kill points, each followed by one of the three actions in turn.
TEST_F(CrashTest, RestoreMoveAndRenameAfterAKilledCommitGiveWholeSongBooksAndLeaveNoJournal) {
    const std::string backups = folder("backups");
    int crashedInsideACommit = 0;
    for (int round = 0; round < 36; ++round) {
        const int delayMs = 1 + (round * 11) % 45;
        const char* action = round % 3 == 0 ? "restore" : round % 3 == 1 ? "move" : "rename";
        SCOPED_TRACE(std::string(action) + " after a kill at " + std::to_string(delayMs) + " ms");
        const std::string dir = folder("round" + std::to_string(round));
        useNames(dir, "Pop");
        SBK.create();
        SBD.create();
        SBK.open();
        SBD.open();
        ASSERT_EQ(rt::errorCode(), 0) << rt::error();
        ASSERT_TRUE(addDiscs(1, 2)) << rt::error();
        SBK.close();
        SBD.close();
        const std::string archive = backups + "/Pop" + std::to_string(round) + ".bkp";
        std::string error;
        ASSERT_EQ(WriteSongBookBackup(dir + "/Pop.2bk", archive, "c", error), 0) << error;

        killWriterAfter(delayMs);
        if (!journals(dir).empty()) ++crashedInsideACommit;

        std::string resultDir = dir, resultName = "Pop";
        startIn(dir);
        if (round % 3 == 0) {
            ASSERT_TRUE(d_.press("&Restore SongBook"));
            ASSERT_TRUE(d_.dialog(archive)) << d_.error();
            ASSERT_NE(message().find("Replace These Files"), std::string::npos) << message();
            ASSERT_TRUE(d_.answer("Yes"));
            EXPECT_EQ(status(), "SongBook Successfully Restored") << message();
        } else if (round % 3 == 1) {
            resultDir = folder("moved" + std::to_string(round));
            selectBook("Pop");
            ASSERT_TRUE(d_.press("&Move Selected SongBook"));
            ASSERT_TRUE(d_.dialog(resultDir)) << d_.error();
            EXPECT_EQ(status(), "SongBook Successfully Moved") << message();
        } else {
            resultName = "Renamed";
            selectBook("Pop");
            ASSERT_TRUE(d_.press("&Rename Selected SongBook"));
            ASSERT_TRUE(d_.type("?NEWNAME", resultName));
            ASSERT_TRUE(d_.press("OK"));
            EXPECT_EQ(status(), "SongBook Successfully Renamed") << message();
        }
        d_.end();
        EXPECT_EQ(journals(dir), std::vector<std::string>{});
        EXPECT_EQ(journals(resultDir), std::vector<std::string>{});
        const int discs = wholeDiscs(resultDir, resultName);
        if (round % 3 == 0)
            EXPECT_EQ(discs, 2) << "the backup's discs, nothing of the killed writer";
        else
            EXPECT_GE(discs, 2);
    }
    // The kills must have caught commits in the middle, or this proves nothing.
    EXPECT_GT(crashedInsideACommit, 6);
}

}  // namespace
}  // namespace explorer_test
