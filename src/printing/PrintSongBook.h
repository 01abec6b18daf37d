#pragma once
// The print dispatcher: prints the open SongBook in the style and order the print settings
// choose, through "Report Destination" and the previewer. The Designer starts it on a thread
// of its own. It works on a copy of the settings and of the SongBook's file names taken when
// it starts, never opens a SongBook by a blank name and never creates one; an unknown style
// or order prints nothing.
void PrintSongBook();

// The same on the settings given (the Designer hands over a copy taken when Print is pressed).
struct PrintSettings;
void PrintSongBookWith(const PrintSettings& settings);
