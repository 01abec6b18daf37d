#pragma once
// A listing file of the previous listing layout (16-bit tracks) is brought to the current
// layout in place.
#include <string>

// Opens SongBook once more; when it still reports an older layout, repairs it.
void ConvertSongBookFile();
// Copies every listing of SongBookFileName into "CONV0001" in the current layout, then puts
// the copy in the listing file's place in one step. "CONV0001" lies in a work folder of its
// own inside the SongBook's folder (".repair-XXXXXX"), so that it never takes the place of a
// file of the host's. On any failure the listing file is left as it was, and nothing else.
void RepairSongBookFile();

// Removes what repairs that were killed left in a folder: their work folders, and the
// half-made "CONV0001.new-..." files of earlier versions, which made the copy in the folder
// itself.
void RemoveRepairLeftovers(const std::string& folder);
