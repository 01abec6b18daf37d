#pragma once
// The MP3+G SongBook builder: reads a folder tree of song files (".zip" archives or ".cdg"
// files) whose names carry disc id, track, artist and title, and adds a listing (and where
// needed a disc) for every song the open SongBook does not hold yet.
//
//     Mp3gSongBookBuilder();   // the window, on the workspace's thread
//
// The scan itself is Mp3gScan, usable without the window:
//
//     Mp3gScan scan;
//     scan.form = 1;                       // "DiscID-Track - Artist - Title"
//     scan.subFolders = true;
//     scan.pause = [](const std::string&) { return Mp3gScan::Pause::Go; };
//     scan.run("/music/karaoke");          // SongBook and SBDiscs open on this thread
//     scan.added;                          // new listings of this run
#include <chrono>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "services/SlicedWork.h"

// A song file's name read by one of the four naming forms.
struct SongFileName {
    std::string discId;      // upper case, at most 15 characters; empty in forms 3 and 4
    unsigned long track = 0; // 0 in forms 3 and 4 (numbered when added)
    std::string artist;
    std::string title;
    std::string makeId;      // the disc id's first two characters
};

// Reads a name (UTF-8) by form 1 "DiscID-Track - Artist - Title.ext", 2 "DiscID-Track - Title
// - Artist.ext", 3 "Artist - Title.ext" or 4 "Title - Artist.ext"; nullopt when it does not fit.
// Control characters count as blanks; a name whose artist or title is blank does not fit.
std::optional<SongFileName> ParseSongFileName(const std::string& name, int form);

class Mp3gScan {
public:
    enum class Pause { Go, SkipFolder, Stop };

    int form = 1;              // naming form, 1 to 4
    bool compressed = true;    // ".zip" files; false: ".cdg" files
    bool subFolders = false;
    // Asked at the entry after every 50 handled (the count runs on across folders and runs):
    // go on, skip the rest of this folder, or stop the run now.
    std::function<Pause(const std::string& folder)> pause;

    // What was written waits at most this long in the open transaction: the next pause
    // after it commits.
    std::chrono::milliseconds commitEvery{1000};

    // Results of the last run.
    long long added = 0;                    // new listings, committed with their discs
    long long notAdded = 0;                 // songs whose disc id is another disc's custom id
    std::string refusedDisc;                // the first such disc id
    std::vector<std::string> unreadable;    // folders that could not be listed
    bool stopped = false;
    // Why the SongBook could not be written, "" when it could. The run stopped there; the
    // songs of the batch in flight were taken back, what was committed before stays.
    std::string failure;

    // Scans the source folder (and its sub-folders when asked) into the SongBook. SongBook
    // and SBDiscs are open on the calling thread. Listings and the discs they need go in one
    // transaction over both files, committed now and then (see commitEvery) and at the end,
    // so that a listing never lacks its disc nor a new disc its listings, also after a crash.
    void run(const std::string& source);

private:
    void scanFolder(const std::string& folder);
    bool handle(const std::string& folder, const std::string& fileName);
    bool discReady(const std::string& discId);
    bool begin();
    bool commitBatch();
    void takeBack();
    bool fail(const std::string& what);

    // Disc id and track of every file met in this scan's life: a second file with the same
    // pair is the same song.
    std::set<std::pair<std::string, unsigned long>> met_;
    std::set<std::string> visited_;
    // The entry after 50 counted pauses (and starts the next count uncounted); the count runs
    // on across folders and runs.
    Slice slice_{{.atLeast = 51}};
    unsigned long discless_ = 0;
    std::string lastDisc_;  // the disc whose record was found or added last
    // The batch in the open transaction: its new listings and the pairs it met.
    long long pending_ = 0;
    std::vector<std::pair<std::string, unsigned long>> batchMet_;
    bool inTransaction_ = false;
    std::chrono::steady_clock::time_point lastCommit_;
};

void Mp3gSongBookBuilder();
