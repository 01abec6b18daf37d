#pragma once
// "Update SongBook Listing....": adds (request 1), changes (2) or deletes (3) the listing in the
// SongBook record buffer; CallResponse 1 completed, 2 cancelled. Adding a listing adds its
// disc to SBDiscs in the same transaction, so the form is how a listing of a disc the
// SongBook does not hold yet comes in. Runs modally on the caller's thread.
void UpdateSongBookListing();

// The same form adding a listing to the disc named by SBK.UNQDISKID, which the SongBook holds
// already (the tracks of one disc): the disc ids are shown but not edited, and only the listing
// is added. Other requests are as UpdateSongBookListing's.
void UpdateSongBookListingOnDisc();
