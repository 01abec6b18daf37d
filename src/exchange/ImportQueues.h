#pragma once
// What an import holds between its steps: the rows bound for the SongBook (ImportQue, in file
// order) and the rows that clash with it (ConflictQue, by custom disc id and track). Both are
// record files of their own in a temporary folder, so that a file of any length is analysed
// and imported in bounded memory; the folder goes when the import ends.
//
//     ImportWork work;                        // both queues, empty, open on this thread
//     if (!work.ready()) { rt::message(work.problem()); return; }
//     ImportAnalysis analysis(reader);
//     if (!analysis.start()) ...              // the SongBook could not be read (warned)
//     while (analysis.step()) ...             // a row at a time (SlicedWork)
//     analysis.finish();                      // the queues stored; ConflictQue readable
//     RecordReader rows(IMP); while (rows.next()) ...   // the rows to add, in file order
//
// A row clashes when
//   - its disc id and track (the custom disc id when the disc id is blank) are those of a
//     listing of the open SongBook, or of a row already bound for it (a row twice in the file);
//   - or its custom disc id belongs to another disc: one of the SongBook, or one that a row
//     bound for the SongBook brings with it.
// A custom disc id that the row's own disc carries already is no clash: the row is a new
// track of that disc.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data/globals.h"
#include "exchange/CsvListing.h"
#include "runtime/files/csv.h"
#include "runtime/files/work_folder.h"
#include "runtime/record/record.h"

// A row of the file as the queues keep it: the listing's fields, the disc id it is looked up
// and added under (DISC), and its line in the file.
struct ImportRecord : CsvListing {
    rt::Text<15> DISC;
    std::int64_t LINE = 0;

    template <class V>
    void fields(V& v) {
        v("TITLE", TITLE); v("ARTIST", ARTIST); v("ALTDISKID", ALTDISKID); v("DISKTRACKNO", DISKTRACKNO);
        v("UNQDISKID", UNQDISKID); v("GENRE", GENRE); v("DUET", DUET); v("SBKMAKEID", SBKMAKEID);
        v("MAKEID", MAKEID); v("MAKETYPE", MAKETYPE); v("DATEADDED", DATEADDED); v("DISC", DISC);
        v("LINE", LINE);
    }
};

// ImportQue (IMP): the rows to add, in file order (physical order). A disc id holds each
// track once, as in the SongBook, so a row twice in the file fails to go in a second time.
class ImportQueFile : public rt::File<ImportQueFile, ImportRecord> {
public:
    static inline const rt::Key KTRACK{"KTRACK", {"DISC", "DISKTRACKNO"}, true};
    static inline const rt::Key KALTDISKID{"KALTDISKID", {"ALTDISKID"}};
    static rt::FileDeclaration declaration();
};

// ConflictQue (BAD): the clashing rows, listed by custom disc id and track, then file order.
class ConflictQueFile : public rt::File<ConflictQueFile, ImportRecord> {
public:
    static inline const rt::Key KORDER{"KORDER", {"ALTDISKID", "DISKTRACKNO", "LINE"}};
    static rt::FileDeclaration declaration();
};

extern thread_local ImportQueFile IMP;
extern thread_local ConflictQueFile BAD;
extern PathText ImportFileName;

// The disc id a row is looked up and added under.
std::string ImportDiscId(const CsvListing& row);

// The two queues of one import on this thread: made empty and opened, closed and removed
// with the object.
class ImportWork {
public:
    ImportWork();
    ~ImportWork();
    ImportWork(const ImportWork&) = delete;
    ImportWork& operator=(const ImportWork&) = delete;
    bool ready() const { return ready_; }
    // Why the queues could not be made, for the host.
    const std::string& problem() const { return problem_; }

private:
    rt::WorkFolder folder_;
    bool ready_ = false;
    std::string problem_;
};

enum class ImportClash { None, Track, CustomId, ReadError };

// The custom disc ids that the rows in ImportQue bring, with their discs (upper case), in
// memory while they are few enough; past that ImportQue itself is asked.
class CustomIdClaims {
public:
    static constexpr std::size_t kHeld = 100000;
    void clear();
    void claim(const std::string& customId, const std::string& disc);
    // The disc (upper case) that claims the custom disc id, empty when none; nullopt-like:
    // false after a read error of ImportQue.
    bool owner(const std::string& customId, std::string& disc) const;

private:
    std::unordered_map<std::string, std::string> held_;
    bool complete_ = true;  // every claim is held
};

extern CustomIdClaims ImportQueClaims;

// What the open SongBook holds that a row can clash with, read once (SBK, SBD open on this
// thread): the analysis of a large file then needs no read of the SongBook per row.
class SongBookKeys {
public:
    // False when the SongBook could not be read (the host was warned).
    bool load();
    bool hasTrack(const std::string& disc, std::uint32_t track) const;
    // The disc (upper case) that carries the custom disc id; nullptr when none.
    const std::string* customIdOwner(const std::string& customId) const;

private:
    std::vector<std::pair<std::string, std::uint32_t>> tracks_;  // sorted
    std::unordered_map<std::string, std::string> customIds_;
};

// Tests a row against the open SongBook (SBK, SBD open on this thread, or `keys` read from
// them) and ImportQue.
ImportClash TestImportRow(const CsvListing& row, const SongBookKeys* keys = nullptr);

// Adds a row that clashes with nothing to ImportQue (and its claims): false when it could not
// be added (the track was claimed meanwhile, or a write failed).
bool QueueImportRow(const ImportRecord& row);

// The analysis of a whole file into ImportQue and ConflictQue, a stretch of rows at a time.
class ImportAnalysis {
public:
    explicit ImportAnalysis(rt::CsvReader& reader);
    ~ImportAnalysis();
    ImportAnalysis(const ImportAnalysis&) = delete;
    ImportAnalysis& operator=(const ImportAnalysis&) = delete;

    // Reads what the SongBook holds and starts the queues' transaction; false when that failed
    // (songBookError() or a failure()).
    bool start();
    // One row into a queue (or left out); false at the file's end or after a failure.
    bool step();
    // Stores the queues: false when that failed (failure()).
    bool finish();
    // The share of the file read, 0 to 100.
    int percent() const;

    long long rows() const { return rows_; }             // rows read (empty lines not counted)
    long long unreadable() const { return unreadable_; }  // left out: fields, quotes, numbers
    long long badDates() const { return badDates_; }      // left out: a date that is no date
    long long queued() const { return queued_; }
    long long conflicts() const { return conflicts_; }
    const std::vector<std::string>& problems() const { return problems_; }  // the first few
    int readError() const { return reader_.error(); }     // errno of a read error that ended the file
    bool songBookError() const { return songBookError_; }  // the SongBook could not be read (warned)
    const std::string& failure() const { return failure_; }  // the queues could not be written

private:
    void note(long long line, const std::string& why);
    bool fail(const std::string& what);

    rt::CsvReader& reader_;
    SongBookKeys keys_;
    std::vector<std::string> fields_;
    long long rows_ = 0, unreadable_ = 0, badDates_ = 0, queued_ = 0, conflicts_ = 0;
    std::vector<std::string> problems_;
    bool songBookError_ = false, inTransaction_ = false;
    std::string failure_;
};
constexpr std::size_t kNamedImportProblems = 10;

// The message about rows left out and read errors, empty when there is nothing to say.
std::string ImportProblemsText(const ImportAnalysis& a);
