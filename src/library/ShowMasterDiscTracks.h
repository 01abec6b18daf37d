#pragma once
// "Display All Song Tracks on Selected Disc": every master track of one manufacturer disc in
// track order, the tracks whose title and artist are already in the open SongBook in red.
//
// In:  the caller's KARAOKE buffer (KAR.UNQDISKID names the disc, KAR.DISKTRACKNO the track
//      to start at when selecting) and DMake buffer (BRA.MAKE, the disc's brand); CallRequest
//      (1 insert, 2 change, 3 delete: all just show the disc; 4 select).
// Out: CallResponse 1 only through Select (request 4), which leaves the highlighted track in
//      the KARAOKE buffer; 2 through Close.
//
// Runs on the caller's thread and only reads. DMake and KARAOKE are used by the use-counting
// rule. The SongBook is the thread's own open instance when it has one; otherwise the window
// opens it for reading and closes it again when it closes. With no SongBook open (blank
// SongBookFileName) nothing is red and the legend says so.
void ShowMasterDiscTracks();
