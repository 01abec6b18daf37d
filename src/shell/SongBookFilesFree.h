#pragma once
// Whether files of SongBooks may be deleted, renamed, moved or replaced now.
#include <string>
#include <vector>

// True when none of the files is open in a SongBook window of this program or held by
// another program, and each has been brought back to its last saved state (a journal left by
// a crash played back, leftover journals removed). Otherwise shows why, naming the file, and
// returns false; `doing` fills "... Before You <doing> It" ("Delete", "Rename", "Move",
// "Replace").
bool SongBookFilesFree(const std::vector<std::string>& files, const std::string& doing);
