#pragma once

// The correction form of one conflicting import row: the current record of ConflictQue (BAD).
// CallRequest 2 corrects it: a row that no longer clashes moves to ImportQue, "OK" on one that
// still clashes keeps the typed values, "Do Not Import" removes it. CallRequest 3 removes it
// after the host confirms. Leaves CallResponse 1 when the row was imported, corrected or
// removed, 2 when nothing changed. It never writes to the SongBook.
void UpdateImportConflict();
