#pragma once
#include <cstddef>

// The correction form of one conflicting import row: ConflictQue's entry ConflictQueCurrent
// (0-based). Called with CallRequest 2; leaves CallResponse 1 when the row was imported,
// corrected or dropped, 2 when nothing changed. It never writes to the SongBook: a row that
// no longer clashes moves to ImportQue, "Do Not Import" removes it from ConflictQue.
extern std::size_t ConflictQueCurrent;
void UpdateImportConflict();
