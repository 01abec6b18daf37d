#pragma once
// A listing file of the previous listing layout (16-bit tracks) is brought to the current
// layout in place.

// Opens SongBook once more; when it still reports an older layout, repairs it.
void ConvertSongBookFile();
// Copies every listing of SongBookFileName into "CONV0001" (the SongBook's folder) in the
// current layout, then puts the copy in the listing file's place. On any failure the listing
// file is left as it was.
void RepairSongBookFile();
