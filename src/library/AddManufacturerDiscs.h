#pragma once
// The window "Cantorelle V2 SongBook Maker PLUS- Add Mfr. Disc(s) to SongBook": the host picks
// brands and discs of the master database, tags discs (one at a time, a whole brand, through
// the rapid disc locator or FastFind) with their custom disc ids, and sends the tagged discs
// into the open SongBook (AddTaggedDiscTracks on a thread of its own).
//
// Called by the workspace on its own thread while a SongBook is open; returns when the window
// closes. TagQue is emptied when the window opens and when it closes. Uses DMake, Discs,
// KARAOKE and SBDiscs by the use-counting rule. FastFind windows started from here are asked
// to close when this window closes.
//
// Whole-brand AutoNumber never hands out a custom id that a disc of the SongBook or another
// tag already carries: such a number is passed over and the next free one taken. A disc whose
// custom id would clash in any other way (the manufacturer disc id as custom id) is refused
// with a message instead of being tagged.
void AddManufacturerDiscs();
