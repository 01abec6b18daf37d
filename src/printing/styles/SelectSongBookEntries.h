#pragma once
// Which listings a printed SongBook shows and in what order, as functions over plain values:
//
//     std::vector<SelectionEntry> q;
//     for (each listing of the SongBook file)
//         if (PassesFileFilter(listing, s))
//             if (auto e = SelectEntry(listing, s)) q.push_back(*e);
//     OrderEntries(q, s.titleOrder());
//     if (s.RemoveDuplicates == 1) RemoveDuplicateSongs(q);
//
// Listings are read from the listing file alone, so a listing prints once whatever the
// disc file holds; its disc is looked up only when its row is printed (SongNumber).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/songbook.h"
#include "printing/PrintSettings.h"

// One listing that survives the selection (the selection queue's entry).
struct SelectionEntry {
    std::string TITLE, UPPERTITLE;
    std::string ARTIST, UPPERARTIST;  // the artist as printed (turned, article moved)
    std::string DISKTRACKNO;          // the track as text, at least two digits
    std::string UNQDISKID;
    std::string GENRE;
    std::string MAKEID;
    std::int16_t MAKEPREF = 0;        // brand rank, 1 = most preferred, 11 = not listed
    std::uint32_t track = 0;          // the track as a number (discless tracks print it so)
};

// The date and duet filters that narrow the reading of the listing file.
bool PassesFileFilter(const SongBookRecord& listing, const PrintSettings& s);

// The listing as an entry, or nothing when the settings leave it out (omitted, another
// genre, a vocal version).
std::optional<SelectionEntry> SelectEntry(const SongBookRecord& listing, const PrintSettings& s);

// "Smith, John" -> "John Smith"; unchanged when there is no comma or when "THE " stands inside
// the first-name part ("Petty, Tom & The Heartbreakers").
std::string TurnArtistName(const std::string& artist);
// "The Beatles" -> "Beatles, The" (leading blanks ignored); "Theodore" and a bare "The" stay.
std::string MoveLeadingArticle(const std::string& artist);
// Track 7 -> "07", 12 -> "12", 123 -> "123"; never cut.
std::string TrackText(std::uint32_t track);
// The rank of a manufacturer code among the preferences (pairs of characters, most preferred
// first): 1..10 where a pair matches, 11 when none does. Only whole pairs match.
int BrandRank(const std::string& makeId, const std::string& prefCodes);

// Sorts by title, artist and brand rank (title order) or artist, title and brand rank; texts
// compare in capitals, trailing blanks ignored; equal entries keep their reading order.
void OrderEntries(std::vector<SelectionEntry>& entries, bool titleOrder);
// Whether a comes before b in that order (neither before the other: equal).
bool EntryBefore(const SelectionEntry& a, const SelectionEntry& b, bool titleOrder);
// Whether b is the same song as a, so that only a prints when duplicates are removed.
bool SameSong(const SelectionEntry& a, const SelectionEntry& b);
// Keeps the first of each run of entries with the same title and artist (in capitals).
void RemoveDuplicateSongs(std::vector<SelectionEntry>& entries);

// The selection queue as the line builders read it: the entries in print order, one at a time.
class EntrySource {
public:
    virtual ~EntrySource() = default;
    // The next entry; false at the end, or when it could not be read (error()).
    virtual bool next(SelectionEntry& e) = 0;
    // The number of entries next() gives.
    virtual long long count() const = 0;
    // Why the entries ended early ("" when they did not).
    virtual const std::string& error() const = 0;
};

// Entries held in memory, handed on in their order.
class HeldEntries : public EntrySource {
public:
    explicit HeldEntries(std::vector<SelectionEntry> entries) : entries_(std::move(entries)) {}
    bool next(SelectionEntry& e) override {
        if (at_ >= entries_.size()) return false;
        e = std::move(entries_[at_++]);
        return true;
    }
    long long count() const override { return static_cast<long long>(entries_.size()); }
    const std::string& error() const override { return error_; }

private:
    std::vector<SelectionEntry> entries_;
    std::size_t at_ = 0;
    std::string error_;
};

// The song number a row shows for an entry: the custom disc id, "-" and the track text, the
// custom disc id alone for track 0, the track alone for a discless track ("*"; as a plain
// number when trackAsNumber), nothing when the song number column is hidden.
std::string SongNumber(const SelectionEntry& e, const std::string& altDiskId, bool trackAsNumber,
                       const PrintSettings& s);
// The manufacturer code a row shows: nothing when the column is hidden.
std::string MakeText(const SelectionEntry& e, const PrintSettings& s);
