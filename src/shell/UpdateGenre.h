#pragma once
// "Update Genre": adds (request 1), changes (2) or deletes (3) the genre in the Genre record
// buffer; CallResponse 1 completed, 2 cancelled. Its window keeps its placement in
// "songbook.ini", section "addgenreitem".
void UpdateGenre();
