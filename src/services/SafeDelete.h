#pragma once
// Guarded delete: deletes the current record of a file inside a short transaction and
// reports failures through the numbered warnings. 0 deleted and committed; 1 nothing
// deleted, a warning was shown.
#include <string>

#include "runtime/record/record.h"

// The shared body of the family: `key` is the key whose position finds the record again,
// `label` names the file in the warnings.
int SafeDeleteRecord(rt::RecordFile& file, const rt::Key& key, const std::string& label);

int SafeDeleteSongBook();
int SafeDeleteMakeId();
int SafeDeleteGenre();
// Deletes the disc in the SBDiscs buffer and every SongBook listing of it, all or nothing.
// SongBook is opened for the operation when this thread does not use it yet.
int SafeDeleteSBDiscs();

// Within SafeDeleteSBDiscs's transaction: deletes the listings whose disc id is that of the
// SBDiscs buffer. 0 done, 1 failed (a warning was shown).
int DeleteDiscListings();
