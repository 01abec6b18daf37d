#pragma once
#include <string>

// Adds the rows of ImportQue to the open SongBook behind a progress window and empties
// ImportQue. Rows go in transactions of a few hundred with their new discs: a failure leaves
// the SongBook as it was before the failing transaction and is reported with the number of
// rows added. "Cancel" keeps what was added so far. Returns the number of listings added.
long long AddImportedListings();
