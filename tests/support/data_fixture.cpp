#include "support/data_fixture.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <cstring>
#include <filesystem>

#include "data/dmake.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "data/tagque.h"
#include "library/TagGlobals.h"
#include "runtime/error/error.h"
#include "runtime/thread/thread.h"

namespace fixture {

void pointFileNamesAt(const std::string& folder, const std::string& songBook) {
    InstallFolder = folder;
    SetMasterFileNames(folder);
    SongBookFileName = folder + "/" + songBook + ".2bk";
    SBDiscsFileName = folder + "/" + songBook + ".2bd";
}

void addDiscRecord(const std::string& disc, const std::string& custom, const std::string& makeType,
                   std::int32_t makeId) {
    SBD.clearBuffer();
    SBD.UNQDISKID = disc;
    SBD.MAKETYPE = makeType;
    SBD.MAKEID = makeId;
    SBD.ALTDISKID = custom;
    SBD.add();
}

void addListing(const std::string& disc, std::uint32_t track, const std::string& title,
                const std::string& artist) {
    SBK.clearBuffer();
    SBK.UNQDISKID = disc;
    SBK.DISKTRACKNO = track;
    SBK.TITLE = title;
    SBK.ARTIST = artist;
    SBK.add();
}

void addMasterTrack(const std::string& disc, const std::string& diskId, int track, std::int32_t brand,
                    const std::string& title, const std::string& artist) {
    KAR.clearBuffer();
    KAR.UNQDISKID = disc;
    KAR.DISKID = diskId;
    KAR.DISKTRACKNO = static_cast<std::uint16_t>(track);
    KAR.MAKEID = brand;
    KAR.TITLE = title;
    KAR.ARTIST = artist;
    KAR.add();
}

void addBrandRecord(std::int32_t makeId, const std::string& make) {
    BRA.clearBuffer();
    BRA.MAKE = make;
    BRA.MAKEID = makeId;
    BRA.add();
}

void forEachListing(const std::function<void()>& each) {
    rt::runProgram([&] {
        SBK.open();
        SBK.set(SongBook::KUNQDISKID);
        for (SBK.next(); rt::errorCode() == 0; SBK.next()) each();
        SBK.close();
    });
}

void forEachDisc(const std::function<void()>& each) {
    rt::runProgram([&] {
        SBD.open();
        SBD.set(SBDiscs::KUNQDISKID);
        for (SBD.next(); rt::errorCode() == 0; SBD.next()) each();
        SBD.close();
    });
}

void resetTagging() {
    TagQue.free();
    TagQue.clearBuffer();
    SkipCustomDiscIdQuery = 0;
    DialogCancelled = 0;
    BatchConfirmed = 0;
}

namespace {

// The files' texts carry the engine's key collation; any order will do for these statements.
int anyOrder(void*, int na, const void* a, int nb, const void* b) {
    int n = std::memcmp(a, b, static_cast<std::size_t>(na < nb ? na : nb));
    return n != 0 ? n : na - nb;
}

sqlite3* openDb(const std::string& file) {
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_create_collation(db, "KEYTEXT", SQLITE_UTF8, nullptr, anyOrder);
    sqlite3_busy_timeout(db, 2000);
    return db;
}

}  // namespace

int execSql(const std::string& file, const std::string& sql, std::string* error) {
    sqlite3* db = openDb(file);
    if (!db) return SQLITE_CANTOPEN;
    char* msg = nullptr;
    int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &msg);
    if (error) *error = msg ? msg : "";
    sqlite3_free(msg);
    sqlite3_close(db);
    return rc;
}

std::vector<std::string> queryColumn(const std::string& file, const std::string& sql) {
    std::vector<std::string> out;
    sqlite3* db = openDb(file);
    if (!db) return out;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            const unsigned char* t = sqlite3_column_text(st, 0);
            out.emplace_back(t ? reinterpret_cast<const char*>(t) : "");
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

FileLock::FileLock(const std::string& file) {
    db_ = openDb(file);
    held_ = db_ && sqlite3_exec(db_, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
}

FileLock::~FileLock() {
    if (held_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db_);
}

}  // namespace fixture
