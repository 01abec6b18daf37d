#pragma once
// "Cantorelle V2 SongBook Maker - Add Song Tracks": the host's own tracks, one at a time, on
// a disc of the SongBook (the next free track proposed) or discless ("*"). Runs modally on the
// caller's thread; the caller reloads its lists afterwards.
void AddSongTracks();
