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

    // Results of the last run.
    long long added = 0;
    long long notAdded = 0;                 // listings or discs the SongBook refused
    std::vector<std::string> unreadable;    // folders that could not be listed
    bool stopped = false;

    // Scans the source folder (and its sub-folders when asked) into the SongBook. SongBook
    // and SBDiscs are open on the calling thread; writing is deferred until the run ends or
    // pauses. Listings added are in the keys when run() returns.
    void run(const std::string& source);

private:
    void scanFolder(const std::string& folder);
    bool handle(const std::string& folder, const std::string& fileName);
    bool discReady(const std::string& discId);
    void writeDeferred(bool on);

    // Disc id and track of every file met in this scan's life: a second file with the same
    // pair is the same song.
    std::set<std::pair<std::string, unsigned long>> met_;
    std::set<std::string> visited_;
    int sincePause_ = 0;
    unsigned long discless_ = 0;
    std::string lastDisc_;  // the disc whose record was found or added last
    std::chrono::steady_clock::time_point lastCommit_;
};

void Mp3gSongBookBuilder();
