#pragma once
// "Cantorelle V2 SongBook Maker - View/Change Main Tunelode": every master track (KARAOKE
// joined to its brand in DMake) on three tabs, sorted by title, by artist, or by disc and
// track. "&Edit" (also Enter, double-click, Ctrl+Enter) corrects the highlighted track through
// UpdateMasterTrack; the Insert and Delete keys ask that form to insert or delete, which it
// refuses. Only pages of rows are read, so it stays quick over a million tracks.
//
// Runs on the caller's thread; request and response per CallRequest/CallResponse (its Select
// button shows only for request 4; Close answers cancelled). Uses DMake and KARAOKE by the
// use-counting rule.
void BrowseMasterTracks();
