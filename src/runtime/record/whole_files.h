#pragma once
// Record files as whole files on disk, for the actions that copy, move, rename, replace or
// delete them. A process that dies inside a commit leaves a rollback journal ("name-journal")
// beside each file of the transaction, and for a transaction over several files a
// super-journal ("name-mj..."); until the journals are played back the files hold a state
// that was never committed, so no file action may take a file apart from its journal.
#include <string>
#include <vector>

namespace rt {

// Brings record files back to their last committed state in place: each existing file is
// opened and locked exclusively, so that SQLite rolls a hot journal back; then journals that
// are no longer hot and super-journals that no journal names are removed. A journal whose
// file is missing is removed (it would be played into a later file of that name). A file that
// is no record file and has no journal is left alone.
// Returns 0, or the error (set): 32 when another process is writing one of the files, or the
// error of a journal that could not be played back; *failed then names that file.
int recoverRecordFiles(const std::vector<std::string>& paths, std::string* failed = nullptr);

// Whether a thread of this process has the file open as a record file.
bool recordFileOpenHere(const std::string& path);

// Whether another process of this machine holds the file open.
bool fileOpenElsewhere(const std::string& path);

// Copies the last committed state of a record file to `to` (which must not exist) through
// SQLite's online backup, so that a commit running meanwhile is not half copied. A file that
// is no record file and has no journal is copied as it lies. 0 or the error (set).
int copyRecordFile(const std::string& from, const std::string& to);

// The label a record file was created with ("SongBook"), read without opening it as a record
// file: "" when the file is damaged or no record file at all. Tells a file of an older
// layout (its own label) from a damaged or foreign one after open() gave error 47 or 46.
std::string recordFileLabel(const std::string& path);

}  // namespace rt
