#pragma once
// The SongBook File Explorer: the dialog in which the host picks the SongBook to open from the
// SongBook folder, and creates, renames, deletes, moves, backs up and restores SongBooks,
// changes the folder and makes it the default ("General" / "SongBookPath").
//
// A SongBook is a pair of files of one name in one folder: the listing file ".2bk" and the
// disc file ".2bd" (".sbk" / ".sbd" for a SongBook of the previous version).
#include <string>
#include <vector>

// Callers clear SongBookFileName first. On return SongBookFileName holds the listing file to
// open (Open) or to create (New), or is empty (Cancel, or the window closed); LONGNEWPATH and
// the current folder are the SongBook folder.
void SongBookFileExplorer();

// The disc file beside a listing file: its extension's last letter k becomes d (".2bk" ->
// ".2bd", ".sbk" -> ".sbd"), in the letter case of the extension.
std::string SongBookDiscFile(const std::string& listingPath);

// Why a typed name cannot name a SongBook ("" when it can): it is empty, or holds a folder
// separator or "..", which would put the files somewhere else.
std::string SongBookNameProblem(const std::string& name);

// name inside folder (the folder with or without its trailing "/").
std::string PathInFolder(const std::string& folder, const std::string& name);

// Whether anything (file, folder or link) already has this name.
bool PathInUse(const std::string& path);

// Whether files of SongBooks may be deleted, renamed, moved or replaced now: none of them is
// open in a SongBook window of this program or held by another program, and each has been
// brought back to its last saved state (a journal left by a crash played back, leftover
// journals removed). Otherwise shows why, naming the file, and returns false; `doing` fills
// "... Before You <doing> It" ("Delete", "Rename", "Move", "Replace").
bool SongBookFilesFree(const std::vector<std::string>& files, const std::string& doing);
