#pragma once
// The SongBook workspace: chooses or reuses the SongBook, opens it, runs the workspace window
// and releases the SongBook when the window closes. Started on a new thread by the frame's
// "&Open", called on its own thread by the Quick Start window's "Start".

void BrowseSongBook();
