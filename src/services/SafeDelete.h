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
// Deletes the disc in the SBDiscs buffer and every SongBook listing of it with the same disc
// id letter for letter, all or nothing. SongBook is opened for the operation when this thread
// does not use it yet.
int SafeDeleteSBDiscs();

// --- a disc of the SongBook with its listings ---
//
// Every delete of a whole disc goes through one routine: the disc record and the disc's
// listings go in one transaction over the SongBook pair, all or nothing, also across a crash.
// The caller keeps its own messages, chosen by the step that failed:
//
//     DiscToDelete disc;
//     disc.position = SBD.position();           // the disc record as the window read it
//     const DiscDeleteResult r = DeleteDiscWithListings(disc);
//     if (r.failed == DiscDeleteStep::Begin) ShowWarning(Warning::TransactionFraming, "Delete", "SBDiscs");
//     else if (!r.ok()) ShowWarning(Warning::DeleteOperation, r.listingFailed() ? "SongBook" : "SBDiscs");
//
// The disc is named by its record's position (read again inside the transaction; the listings
// are those of the stored disc id), or by a disc id alone: then the first disc record of that
// id in key order goes when there is one, and the listings go also when there is none. A
// listing belongs to the disc when its disc id equals the disc's as the keys compare them
// (letter case ignored), or, with DiscIdMatch::SameLetters, only letter for letter. After a
// failure nothing is deleted and the error is saved for the caller's warning (SaveFileError).
// SongBook is opened for the operation when this thread does not use it yet.

enum class DiscIdMatch { AnyLetterCase, SameLetters };

enum class DiscDeleteStep { None, Begin, ReadListing, DeleteListing, ReadDisc, DeleteDisc, Commit };

struct DiscToDelete {
    std::string position;  // the SBDiscs record's position; blank: the disc is named by discId
    std::string discId;
    DiscIdMatch match = DiscIdMatch::AnyLetterCase;
    int lockWaitSeconds = 2;
};

struct DiscDeleteResult {
    DiscDeleteStep failed = DiscDeleteStep::None;
    int error = 0;      // the error of the failed step
    int fileError = 0;  // the file system's own number when error is 90
    bool ok() const { return failed == DiscDeleteStep::None; }
    bool listingFailed() const {
        return failed == DiscDeleteStep::ReadListing || failed == DiscDeleteStep::DeleteListing;
    }
};

DiscDeleteResult DeleteDiscWithListings(const DiscToDelete& disc);

// Inside a transaction over the pair: deletes the first disc record of the disc id, when there
// is one. False when reading or deleting it failed (the error is the current one).
bool DeleteDiscRecordOf(const std::string& discId);
