#pragma once
// The selection of a style report: the listings of the SongBook's listing file alone (SBK,
// open on the calling thread) that the settings print, handed on one at a time in print order
// with duplicates removed as the settings ask. However large the SongBook, only a bounded
// share of it is in memory: the entries are ordered in sorted runs that are merged as they are
// read back (rt::SpillSort), and a disc is looked up only when its row is printed
// (SongBookDiscLookup).
//
//     SongBookSelection selection(settings);
//     if (!selection.read()) ShowWarning(Warning::RecordRetrieval, "SongBook");  // the rest prints
//     if (!selection.error().empty()) ... the entries could not be ordered ...
//     for (SelectionEntry e; selection.next(e);) ...
#include <cstddef>
#include <memory>
#include <string>

#include "printing/PrintSettings.h"
#include "printing/styles/SelectSongBookEntries.h"
#include "printing/styles/StyleRows.h"

class SongBookSelection : public EntrySource {
public:
    // Entries held in memory at a time while ordering (a run), in bytes.
    static constexpr std::size_t kRunBytes = std::size_t{16} << 20;

    explicit SongBookSelection(const PrintSettings& s, std::size_t runBytes = kRunBytes);
    ~SongBookSelection() override;

    // Reads every listing of SBK and orders the entries. False when a listing could not be
    // read (the thread's error; the entries read before it are kept and ordered); error() is
    // set when the entries could not be ordered, and then there are none.
    bool read();

    // The same in two steps, for listings that come from elsewhere: add() each, then finish().
    bool add(const SongBookRecord& listing);
    bool finish();

    bool next(SelectionEntry& e) override;
    long long count() const override { return count_; }
    const std::string& error() const override;

private:
    struct Sort;
    PrintSettings s_;
    std::unique_ptr<Sort> sort_;
    bool first_ = true;
    SelectionEntry last_;  // the last entry handed on, for the duplicates
    long long count_ = 0;
};

// Looks discs up in SBD (open on the calling thread), remembering what it found.
DiscLookup SongBookDiscLookup();
