#pragma once
// The selection of a style report read from the SongBook's listing file alone (SBK, open on
// the calling thread), ordered and with duplicates removed as the settings ask. Only the
// listings read are held in memory; a disc is looked up when its row is printed
// (SongBookDiscLookup).
#include <string>
#include <vector>

#include "printing/PrintSettings.h"
#include "printing/styles/SelectSongBookEntries.h"
#include "printing/styles/StyleRows.h"

// False when a listing could not be read (the rows read so far are kept); the error is the
// thread's error.
bool ReadSongBookSelection(const PrintSettings& s, std::vector<SelectionEntry>& out);

// Looks discs up in SBD (open on the calling thread), remembering what it found.
DiscLookup SongBookDiscLookup();
