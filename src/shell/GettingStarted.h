#pragma once
// The Getting Started window, shown by the workspace when an empty SongBook is opened.
// Returns when it closes.

void GettingStarted();
