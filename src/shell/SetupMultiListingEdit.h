#pragma once
// "Setup Multi-Listing Edit": what to change in every listing that shares the current
// listing's title (MultiEditScope 1), artist (2) or disc (3). The listing is in the SongBook
// record buffer, its disc in SBDiscs'. Sets the GLO batch values and DialogCancelled (0 when
// the host confirmed).
void SetupMultiListingEdit();

// The batch edits the dialog sets up, one per scope: every matching listing is changed once,
// behind a progress window with Cancel. CallResponse 1 when all were done, 2 otherwise.
void BatchEditByTitle();
void BatchEditByArtist();
void BatchEditByDisc();
