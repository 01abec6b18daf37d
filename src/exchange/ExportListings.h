#pragma once
// Export of the open SongBook's listings to a CSV listing file (see CsvListing.h): every
// listing, the listings on tagged discs, or tagged tracks. Both run on the workspace's thread.
#include <cstdint>
#include <set>
#include <string>
#include <utility>

#include "data/globals.h"

namespace EXPORT {
// 1 all listings, 2 listings on tagged discs, 3 tagged tracks.
extern std::uint8_t FILTER;
}  // namespace EXPORT

// The last export file's name; the file dialog offers it again.
extern PathText ExportFileName;

// The export's own tags (disc ids in upper case), apart from the add-discs window's TagQue so
// that neither empties the other's.
struct ExportTagSet {
    std::set<std::string> discs;
    std::set<std::pair<std::string, std::uint32_t>> tracks;
    void clear() {
        discs.clear();
        tracks.clear();
    }
};
extern ExportTagSet ExportTags;

// The export window: choice, tag lists, "Export Listings".
void ExportListings();

// Asks for the file and writes it behind a progress window; CallResponse 1 when the file was
// written, 2 when the host cancelled or it failed (the host was told why).
void WriteExportFile();

// The name the export is written to: ".csv" is appended when the name holds no ".csv" in any
// letter case (so "LIST" gives "LIST.csv", while "LIST.CSV" and "my.csv.old" stay).
std::string ExportFileNameFor(const std::string& chosen);
