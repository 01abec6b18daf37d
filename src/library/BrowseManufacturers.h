#pragma once
// "Manufacture File Maintenance": the two-letter manufacturer codes of MAKEID with their
// names, added, changed and deleted through UpdateManufacturer. Called with request 4 it is a
// selection window; otherwise it browses (the workspace and the SongBook Designer call it so).
void BrowseManufacturers();

// The form that adds (request 1), changes (2) or deletes (3) the code in the MAKEID buffer;
// response 1 completed, 2 cancelled. A blank code is refused: no disc id could reach it.
void UpdateManufacturer();
