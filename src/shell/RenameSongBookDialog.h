#pragma once
// The rename dialog of the SongBook File Explorer: gives the selected SongBook
// (SelectedSongBookPath) a new name, both files of its pair, in their folder.
#include <cstdint>
#include <functional>
#include <string>

// 1 once RenameSongBookDialog has renamed the pair; the explorer clears it before the call.
extern std::uint8_t NameChangeDone;

// On success SelectedSongBookPath names the renamed listing file and NameChangeDone is 1.
// A name in use, or one that is not a plain name, keeps the dialog open with a message; a
// rename that fails half-way is undone.
void RenameSongBookDialog();

// The file rename the dialog uses (rt::renameFile unless set; null sets it back). Tests put in
// one that fails on cue, since a rename in a folder one may write to hardly fails otherwise.
using SongBookFileRenamer = std::function<int(const std::string& from, const std::string& to)>;
void SetSongBookFileRenamer(SongBookFileRenamer renamer);
