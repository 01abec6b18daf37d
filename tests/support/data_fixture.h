#pragma once
// Fixtures for tests of data files (temporary folders and the config folder are in
// support/temp_folder.h): the file-name variables pointed into a folder, disc records and
// master tracks written for a test, the tagging state reset, and SQL behind the record engine's back (to damage a key or make a
// write fail the way a broken disk would).
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "support/temp_folder.h"

struct sqlite3;

namespace fixture {

// Points InstallFolder and every master file name into `folder`, and the SongBook pair to
// folder/<songBook>.2bk and .2bd.
void pointFileNamesAt(const std::string& folder, const std::string& songBook = "Test");

// Records written on the calling thread into files it has open; the add's error is left for
// the caller to check.
void addDiscRecord(const std::string& disc, const std::string& custom, const std::string& makeType,
                   std::int32_t makeId);
void addMasterTrack(const std::string& disc, const std::string& diskId, int track, std::int32_t brand,
                    const std::string& title, const std::string& artist);
void addBrandRecord(std::int32_t makeId, const std::string& make);
void addListing(const std::string& disc, std::uint32_t track, const std::string& title,
                const std::string& artist = "Zoë Marchetti");

// Reads the SongBook's listings in disc and track order (its discs in disc order) on a program
// thread of their own: `each` is called with every record in SBK's (SBD's) buffer.
void forEachListing(const std::function<void()>& each);
void forEachDisc(const std::function<void()>& each);

// TagQue empty with a blank buffer, and the tagging switches as the program starts with them.
void resetTagging();

// Runs SQL on a record file with a connection of its own. Returns 0 or the SQLite code;
// `error` receives SQLite's message.
int execSql(const std::string& file, const std::string& sql, std::string* error = nullptr);
// The first column of every row of a query.
std::vector<std::string> queryColumn(const std::string& file, const std::string& sql);

// Another process holding a record file locked (an exclusive transaction) while it lives.
class FileLock {
public:
    explicit FileLock(const std::string& file);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return held_; }

private:
    sqlite3* db_ = nullptr;
    bool held_ = false;
};

}  // namespace fixture
