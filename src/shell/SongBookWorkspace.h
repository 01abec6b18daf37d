#pragma once
// The SongBook workspace window: the open SongBook's listings in three lists (by song title,
// by artist, by custom disc id), the search, the quick menu on the right mouse button, the
// deletes of listings and discs, and the menu and toolbar that launch the SongBook's tasks.
// BrowseSongBook runs it once the SongBook pair is open on the calling thread.

// Runs the window until it closes. SongBook, SBDiscs and Genre are open on this thread.
void SongBookWorkspace();

// The add-discs button and "&Add Disc(s)": the workspace rebuilds its lists afterwards.
void WorkspaceAddDiscs();
// The view-master button and "&View/Edit".
void WorkspaceViewMaster();
