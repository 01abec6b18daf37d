#pragma once
// What an import holds between its steps: the rows bound for the SongBook (ImportQue, in file
// order) and the rows that clash with it (ConflictQue, by custom disc id and track). A file of
// any length is analysed and imported in bounded memory:
//   - ImportQue holds its rows in memory up to a fixed share and writes the rest to an unnamed
//     temporary file, read back in order once;
//   - what its rows claim (their disc ids with tracks, their custom disc ids) is held in memory
//     up to a fixed share; past that, further claims go to a keyed work file (ImportKeys);
//   - ConflictQue, which the host browses and corrects, is a record file of its own.
// The work files lie in a temporary folder of the import's own that goes when the import ends.
//
//     ImportWork work;                        // both queues, empty, on this thread
//     if (!work.ready()) { rt::message(work.problem()); return; }
//     ImportAnalysis analysis(reader);
//     if (!analysis.start()) ...              // the SongBook could not be read (warned)
//     while (analysis.step()) ...             // a row at a time (SlicedWork)
//     analysis.finish();                      // the queues stored; ConflictQue readable
//     ImportQue.rewind(); while (ImportQue.next(row)) ...   // the rows to add, in file order
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
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "data/globals.h"
#include "exchange/CsvListing.h"
#include "runtime/files/csv.h"
#include "runtime/files/spill_sort.h"
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

// ConflictQue (BAD): the clashing rows, listed by custom disc id and track, then file order.
class ConflictQueFile : public rt::File<ConflictQueFile, ImportRecord> {
public:
    static inline const rt::Key KORDER{"KORDER", {"ALTDISKID", "DISKTRACKNO", "LINE"}};
    static rt::FileDeclaration declaration();
};

// What a row bound for the SongBook claims, once the claims held in memory are many.
struct ImportKeyRecord {
    rt::Text<15> DISC;
    std::uint32_t DISKTRACKNO = 0;
    rt::Text<15> ALTDISKID;

    template <class V>
    void fields(V& v) {
        v("DISC", DISC); v("DISKTRACKNO", DISKTRACKNO); v("ALTDISKID", ALTDISKID);
    }
};

// ImportKeys (IMK): a disc id holds each track once, as in the SongBook; the first row that
// brings a custom disc id claims it for its disc.
class ImportKeysFile : public rt::File<ImportKeysFile, ImportKeyRecord> {
public:
    static inline const rt::Key KTRACK{"KTRACK", {"DISC", "DISKTRACKNO"}, true};
    static inline const rt::Key KALTDISKID{"KALTDISKID", {"ALTDISKID"}};
    static rt::FileDeclaration declaration();
};

extern thread_local ConflictQueFile BAD;
extern thread_local ImportKeysFile IMK;
extern PathText ImportFileName;

// The disc id a row is looked up and added under.
std::string ImportDiscId(const CsvListing& row);

// Discs with their tracks and the custom disc ids they carry, as the keys compare them (letter
// case ignored, trailing blanks left out), in memory.
class ClaimTable {
public:
    // `limit`: about the memory the table may take (0: no limit); see full().
    explicit ClaimTable(std::size_t limit = 0) : limit_(limit) {}
    void clear();
    void claimTrack(std::string_view disc, std::uint32_t track);
    // The first disc that claims a custom disc id keeps it; a blank id is no claim.
    void claimCustomId(std::string_view customId, std::string_view disc);
    bool hasTrack(std::string_view disc, std::uint32_t track) const;
    // The disc (upper case) that carries the custom disc id; nullptr when none.
    const std::string* customIdOwner(std::string_view customId) const;
    // The table has taken its share of memory: a further row's claims may not fit.
    bool full() const { return limit_ && (bytes_ >= limit_ || growthPassesLimit()); }
    std::size_t bytes() const { return bytes_; }

private:
    std::uint32_t disc(const std::string& key);
    bool growthPassesLimit() const;
    void grow();

    std::size_t limit_ = 0, bytes_ = 0;
    std::unordered_map<std::string, std::uint32_t> discs_;  // disc id -> number
    std::vector<const std::string*> discNames_;             // by number
    std::unordered_map<std::string, std::uint32_t> customIds_;
    // (disc number + 1) << 32 | track, in open addressing; 0 is an empty slot.
    std::vector<std::uint64_t> tracks_;
    std::size_t trackCount_ = 0;
};

enum class ImportClash { None, Track, CustomId, ReadError };

// What the rows in ImportQue claim: in memory up to a fixed share, then in ImportKeys.
class ImportClaims {
public:
    static constexpr std::size_t kHeldBytes = std::size_t{32} << 20;
    // No claims, their memory given back and ImportKeys closed.
    void clear();
    // The clash of a row with the rows bound for the SongBook: None, Track, CustomId, or
    // ReadError after a read error of ImportKeys.
    ImportClash trackClash(const CsvListing& row) const;
    ImportClash customIdClash(const CsvListing& row) const;
    // The claims of a row bound for the SongBook; false when ImportKeys could not be written
    // (the error set). A track claimed in ImportKeys already fails with error 40.
    bool claim(const CsvListing& row);
    // The next claim goes to ImportKeys (opened on this thread once it is needed).
    bool inFile() const { return held_.full(); }
    // Opens ImportKeys when the next claim needs it; false (the error set) when it cannot be made.
    bool readyForNext();
    bool fileOpen() const { return fileOpen_; }

private:
    ClaimTable held_{kHeldBytes};
    bool fileOpen_ = false;
};

// ImportQue: the rows bound for the SongBook, in file order. In memory up to a fixed share;
// the rows before the last ones held are written to an unnamed temporary file (which goes with
// the process, whatever happens) and read back from it.
class ImportQueList {
public:
    static constexpr std::size_t kHeldBytes = std::size_t{4} << 20;
    void clear();
    // Adds a row at the end; false (error()) when rows held before it could not be written out.
    bool add(const ImportRecord& row);
    // Adds a row at the end that stays in memory (it cannot fail).
    void hold(const ImportRecord& row);
    long long size() const { return count_; }
    // Reads from the first row; next() gives the following one, false at the end or on a read
    // error (error() not empty).
    void rewind();
    bool next(ImportRecord& row);
    const std::string& error() const { return error_; }

private:
    std::unique_ptr<rt::spill::File> file_;
    std::unique_ptr<rt::spill::RunReader> reader_;
    std::string held_;  // the rows after those in the file, each its length and its bytes
    std::size_t heldAt_ = 0;
    long long count_ = 0;
    std::string error_;
};

extern thread_local ImportQueList ImportQue;
extern thread_local ImportClaims ImportQueClaims;

// The queues of one import on this thread: made empty and opened, closed and removed with
// the object.
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

// What the open SongBook holds that a row can clash with, read once (SBK, SBD open on this
// thread): the analysis of a large file then needs no read of the SongBook per row.
class SongBookKeys {
public:
    // False when the SongBook could not be read (the host was warned).
    bool load();
    bool hasTrack(const std::string& disc, std::uint32_t track) const { return table_.hasTrack(disc, track); }
    // The disc (upper case) that carries the custom disc id; nullptr when none.
    const std::string* customIdOwner(const std::string& customId) const { return table_.customIdOwner(customId); }

private:
    ClaimTable table_;
};

// Tests a row against the open SongBook (SBK, SBD open on this thread, or `keys` read from
// them) and ImportQue.
ImportClash TestImportRow(const CsvListing& row, const SongBookKeys* keys = nullptr);

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
    bool fail(const std::string& what, const std::string& detail = {});
    bool begin();
    // A row that clashes with nothing goes to ImportQue: false when the work files failed.
    bool queue(const ImportRecord& row, ImportClash& clash);

    rt::CsvReader& reader_;
    SongBookKeys keys_;
    std::vector<std::string> fields_;
    ImportRecord row_;
    std::string why_;
    long long rows_ = 0, unreadable_ = 0, badDates_ = 0, queued_ = 0, conflicts_ = 0;
    std::vector<std::string> problems_;
    bool songBookError_ = false, inTransaction_ = false;
    std::string failure_;
};
constexpr std::size_t kNamedImportProblems = 10;

// The message about rows left out and read errors, empty when there is nothing to say.
std::string ImportProblemsText(const ImportAnalysis& a);
