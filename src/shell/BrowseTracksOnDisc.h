#pragma once
// "Displaying All Tracks Found on Disc: ...": the listings of the disc of the listing in the
// SongBook record buffer (its disc in SBDiscs' buffer), in track order, changed, deleted and
// added through the listing form. Runs modally on the caller's thread.
void BrowseTracksOnDisc();
