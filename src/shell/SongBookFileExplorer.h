#pragma once
// The SongBook File Explorer: the dialog in which the host picks the SongBook to open from the
// SongBook folder, and creates, renames, deletes, moves, backs up and restores SongBooks,
// changes the folder and makes it the default ("General" / "SongBookPath"). The names of a
// SongBook's files: shell/SongBookFileNames.h.

// Callers clear SongBookFileName first. On return SongBookFileName holds the listing file to
// open (Open) or to create (New), or is empty (Cancel, or the window closed); LONGNEWPATH and
// the current folder are the SongBook folder.
void SongBookFileExplorer();
