#pragma once
// The new-SongBook dialog of the SongBook File Explorer: asks for the name of a SongBook that
// does not exist yet in the SongBook folder (LONGNEWPATH).

// OK with a free name: GLO::SHORTSONGBOOKNAME holds the name (without extension) and
// SongBookFileName the listing file to create (LONGNEWPATH/name.2bk). Cancel or the close box:
// GLO::SHORTSONGBOOKNAME and SelectedSongBookPath are empty and SongBookFileName is unchanged.
void NewSongBookDialog();
