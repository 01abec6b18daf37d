#pragma once
// Reads a whole selection, a whole file or a key range, as reports, exports, page sets and the
// lists of choices do:
//
//     std::vector<std::string> names;
//     ReadEveryRecord(GEN, Genre::KGENRE, [&] { names.push_back(GEN.GENRE.str()); return true; });
//
//     rt::View view(DIS, Discs::KMAKEID);
//     view.range(1);
//     DIS.MAKEID = brandId;                      // the range's values, as for open()
//     if (!ReadEveryRecord(view, "Discs", [&] { ids.push_back(DIS.UNQDISKID.str()); return true; }))
//         return;                                 // warned already
//
// A file is read from the start of the key's order (or in its own order without a key); a
// view is opened (its range from the buffers), read from its start and closed again. Each
// record is in the record buffers when each() runs; each() returns false to stop early. When
// the view will not open, or the file cannot be set to its start, the host gets "View Open
// Error"; a read error gets "Record Retrieval Error" naming the file's label (or `label` for a
// view); both return false, after which nothing more should be done with the records. The
// error state is clear on return.
//
// Reads that keep their place between timer ticks, start at the buffer's key values, or
// report an error their own way take the records one at a time:
//
//     RecordReader listings(SBK, SongBook::KTITLE);
//     while (listings.next()) { ... }            // the record in SBK's buffer
//     if (listings.failed()) return;             // "Record Retrieval Error" was shown
//
//     RecordReader discs(SBD, SBDiscs::KUNQDISKID, RecordReader::Quiet);
//     ...                                         // a failure is the caller's to tell: the
//     if (discs.failed()) failure = WarningErrorPart();   // error state still describes it
//
// The file or view stays where the last read left it, so a reader may set the file to another
// place between two reads (SBK.setAt(...)) and read on from there.
#include <functional>
#include <string>

#include "runtime/record/record.h"
#include "runtime/view/view.h"

class RecordReader {
public:
    // What a failed read does: "Record Retrieval Error" (or "View Open Error") at once, or
    // nothing (the error state is left as the read left it; warn() shows the warning later).
    enum OnError { Warn, Quiet };
    // Where a file's reading starts: the start of the key's order, the first record at or
    // after the key values in the file's buffer, or where the caller set the file.
    enum From { Start, BufferValues, AsSet };

    // The file in its own order (from its start, or from where the caller set it).
    explicit RecordReader(rt::RecordFile& file, OnError onError = Warn, From from = Start);
    RecordReader(rt::RecordFile& file, const rt::Key& key, OnError onError = Warn, From from = Start);
    // A view: opened here and closed when the reader goes (AsSet: opened and set by the caller,
    // and left open).
    RecordReader(rt::View& view, std::string label, OnError onError = Warn, From from = Start);
    ~RecordReader();
    RecordReader(const RecordReader&) = delete;
    RecordReader& operator=(const RecordReader&) = delete;

    // The next record into the buffers: false at the end (the error state clear) or after a
    // failure.
    bool next();
    bool failed() const { return failed_; }
    // False when the file could not be set or the view not opened (failed() then too).
    bool started() const { return !openFailed_; }
    // "Record Retrieval Error" (or "View Open Error") for a failure of a quiet reader.
    void warn();

private:
    void fail(bool opening);

    rt::RecordFile* file_ = nullptr;
    rt::View* view_ = nullptr;
    std::string label_;
    OnError onError_;
    bool failed_ = false, openFailed_ = false, ended_ = false, closeView_ = false;
};

bool ReadEveryRecord(rt::View& view, const std::string& label, const std::function<bool()>& each);
bool ReadEveryRecord(rt::RecordFile& file, const rt::Key& key, const std::function<bool()>& each);
bool ReadEveryRecord(rt::RecordFile& file, const std::function<bool()>& each);
