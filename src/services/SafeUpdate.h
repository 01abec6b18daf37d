#pragma once
// Guarded update: writes the record buffer of a file back over its stored record inside a
// short transaction and reports failures through the numbered warnings.
//   0  written and committed
//   1  not written; a warning was shown
//   2  not written: another station changed the record since it was read; warning 38 was
//      shown and the buffer now holds the stored record
#include <string>

#include "runtime/record/record.h"

// The shared body of the family; `label` names the file in the warnings.
int SafeUpdateRecord(rt::RecordFile& file, const std::string& label);

int SafeUpdateSongBook();
int SafeUpdateMakeId();
int SafeUpdateKaraoke();
int SafeUpdateGenre();

// Called by the record forms before they take their copy of the record; nothing needs
// preparing with this record engine.
inline void PrepareSongBookUpdate() {}
inline void PrepareKaraokeUpdate() {}
inline void PrepareGenreUpdate() {}
inline void PrepareMakeIdUpdate() {}
