#pragma once
// "Search Main Tunelode": the master titles or artists that contain a typed text, and for the
// chosen one every master track carrying it, with its brand, disc, track and the disc's DUP
// count (how many of the disc's tracks the open SongBook already lists) in colour bands.
// Runs on a thread of its own; one window at a time: a second start brings the running one
// forward. Only reads. Counts follow whatever SongBook is open; with none open the DUP
// column stays empty and the legend says so.
#include <cstdint>
#include <string>

#include "runtime/record/record.h"

// The search text (read by the name lists' filters each time they read rows) and what it
// searches (0 titles, 1 artists). The running window's thread is SearchThread (globals).
extern rt::Text<40> SearchField;
extern std::int16_t SEARCHBY;

void SearchMasterTracks();

// The colour band of a DUP count: text, background, selected text, selected background
// (0x00BBGGRR).
struct DupColors {
    std::uint32_t fg, bg, selFg, selBg;
};
DupColors DupBand(unsigned count);

// The number of tracks of the master disc `disc` whose title and artist some listing of the
// open SongBook has (on this thread's instances; the KARAOKE buffer and position are kept).
// The SongBook must be open on this thread.
unsigned CountSongBookDuplicates(const std::string& disc);
