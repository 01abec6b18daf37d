#pragma once

// Adds the listings of a CSV listing file to the open SongBook: asks for the file, sorts its
// rows into those that can be added and those that clash with the SongBook, lets the host
// correct or drop the clashing ones, and adds the rest. Runs on the workspace's thread.
void ImportListings();
