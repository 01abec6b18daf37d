#pragma once
// What an import holds between its steps: the rows bound for the SongBook (ImportQue, in file
// order), the rows that clash with it (ConflictQue, by custom disc id and track), and the
// tests both the analysis and the correction form make of a row.
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
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "data/globals.h"
#include "exchange/CsvListing.h"
#include "runtime/files/csv.h"

struct ImportRow : CsvListing {
    long long line = 0;  // its line in the file
};

extern std::vector<ImportRow> ImportQue;
extern std::vector<ImportRow> ConflictQue;
extern PathText ImportFileName;

// The disc id a row is looked up and added under.
std::string ImportDiscId(const CsvListing& row);

enum class ImportClash { None, Track, CustomId, ReadError };

// What the rows in ImportQue claim: their tracks and the custom disc ids of their discs.
class ImportClaims {
public:
    void clear();
    void claim(const CsvListing& row);
    bool trackClaimed(const CsvListing& row) const;
    // The disc that claims the custom disc id (upper case), empty when none.
    std::string customIdOwner(const std::string& customId) const;

private:
    std::set<std::pair<std::string, std::uint32_t>> tracks_;
    std::map<std::string, std::string> customIds_;
};

extern ImportClaims ImportQueClaims;

// What the open SongBook holds that a row can clash with, read once (SBK, SBD open on this
// thread): the analysis of a large file then needs no read per row.
class SongBookKeys {
public:
    // False (with the error set) when the SongBook could not be read.
    bool load();
    bool hasTrack(const std::string& disc, std::uint32_t track) const;
    // The disc (upper case) that carries the custom disc id; nullptr when none.
    const std::string* customIdOwner(const std::string& customId) const;

private:
    std::set<std::pair<std::string, std::uint32_t>> tracks_;
    std::map<std::string, std::string> customIds_;
};

// Tests a row against the open SongBook (SBK, SBD open on this thread, or `keys` read from
// them) and ImportQueClaims.
ImportClash TestImportRow(const CsvListing& row, const SongBookKeys* keys = nullptr);

// Sorts ConflictQue by custom disc id, then track.
void SortConflictQue();

// The analysis of a whole file into ImportQue and ConflictQue (both emptied first).
struct ImportAnalysis {
    long long rows = 0;          // rows read (empty lines not counted)
    long long unreadable = 0;    // rows left out: not eleven fields, broken quotes, bad numbers
    long long badDates = 0;      // rows left out: a date that is no date
    std::vector<std::string> problems;  // the first few, "Line 7: ..."
    int readError = 0;           // errno of a read error that ended the file early
    bool songBookError = false;  // the SongBook could not be read (warning shown)
    rt::CsvEncoding encoding = rt::CsvEncoding::Utf8;
};
constexpr std::size_t kNamedImportProblems = 10;

ImportAnalysis AnalyzeImportFile(rt::CsvReader& reader);

// The message about rows left out and read errors, empty when there is nothing to say.
std::string ImportProblemsText(const ImportAnalysis& a);
