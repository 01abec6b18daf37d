#pragma once
#include <string>

// Adds the rows of ImportQue (in file order) to the open SongBook behind a progress
// window. The rows and their new discs go in one transaction, served in steps: a failure
// leaves the SongBook as it was before the import and is reported; "Cancel" keeps what was
// added so far and says how much. Returns the number of listings added.
long long AddImportedListings();
