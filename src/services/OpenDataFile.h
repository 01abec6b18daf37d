#pragma once
// Opening a data file for shared use, with recovery from the usual failures, and the rule by
// which the procedures of one thread share an open file.
#include "runtime/record/record.h"

// Opens the file for reading and writing, shared with other processes. A locked file is
// retried once after "Recover=10"; a missing file is created when createWhenMissing is set
// and the file is declared CreateWhenMissing; damaged keys are rebuilt when the user agrees.
// Returns only when the file is open on the calling thread; otherwise the program has ended
// after a warning.
void OpenDataFile(rt::RecordFile& file, bool createWhenMissing);

// The creating step of OpenDataFile: creates the file empty and opens it (shared), or ends
// the program with warning 4 (creation failed) or 5 (the created file would not open).
void CreateDataFile(rt::RecordFile& file);

// Use counting, per thread and file. A procedure calls UseDataFile when it starts: the file
// is opened (through OpenDataFile) only when no procedure of this thread uses it yet. It
// calls ReleaseDataFile when it closes: the file is closed when the last use ends.
void UseDataFile(rt::RecordFile& file, bool createWhenMissing = true);
void ReleaseDataFile(rt::RecordFile& file);
// The number of procedures of this thread that use the file.
int FileUseCount(const rt::RecordFile& file);

// One use for the life of the object.
class DataFileUse {
public:
    explicit DataFileUse(rt::RecordFile& file, bool createWhenMissing = true) : file_(file) {
        UseDataFile(file_, createWhenMissing);
    }
    ~DataFileUse() { ReleaseDataFile(file_); }
    DataFileUse(const DataFileUse&) = delete;
    DataFileUse& operator=(const DataFileUse&) = delete;

private:
    rt::RecordFile& file_;
};
