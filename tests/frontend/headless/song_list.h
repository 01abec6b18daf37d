#pragma once
// A small program for driving the headless front end: a frame with a menu, a toolbar
// button, an entry, buttons, a check box, an option group and a list. What it does with an
// event shows in its status bar, so a test can read it back.
//
// Find     shows the rows whose title holds the entry's text ("Found N")
// Edit...  opens the modal dialog "Edit Listing" on the same thread ("Edited: ARTIST")
// Child    starts an MDI child "Child Window" on a new thread
// Delete Listing (toolbar) asks "&This Listing|&Entire Disc|&Cancel" ("Delete: N")
// File > Open...   asks for a file ("Opened PATH" / "Open cancelled")
// right click on the list: pop-up "&Play|~&Burn|-|&Remove" ("Popup N")
// timer every 100 hundredths ("Ticks: N"), user event 0x401 ("User event 0x401")
void SongList();

// The rows the list starts with.
extern const char* const kSongRows[][2];
constexpr int kSongRowCount = 3;
