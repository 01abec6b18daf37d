#pragma once
// Copies every master track of every disc tagged in TagQue into the open SongBook, adds each
// disc's record with its custom disc id, counts the tracks already there as duplicates and
// empties TagQue. Meant to run on a thread of its own (rt::startThread(AddTaggedDiscTracks)):
// it opens its own instances of KARAOKE, SongBook and SBDiscs, shows a progress window, copies
// without waiting for input (every other window stays still meanwhile) and then waits until
// the host presses "&Done".
//
// The discs are written in transactions over the SongBook pair, as many discs to one as fit
// in about a quarter of a second; a disc's listings and its disc record are stored together
// or not at all, also when the program is killed. When a disc fails, its group is rolled back
// and written again disc by disc. A disc is refused as a whole, and named in a message after
// the copy, when its custom disc id is carried by another disc of the SongBook
// or when writing it fails. When the files cannot be opened nothing is copied, the host is
// told, and TagQue keeps its tags.
void AddTaggedDiscTracks();
