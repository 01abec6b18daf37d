#include "services/ReadEveryRecord.h"
#include "services/SafeDelete.h"

#include "data/genre.h"
#include "data/makeid.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "services/OpenDataFile.h"
#include "services/ShowWarning.h"

namespace {

constexpr int kLockWaitSeconds = 2;

int commitOrReport(const std::string& label) {
    rt::commit();
    if (rt::errorCode() == rt::NoError) return 0;
    SaveFileError();
    ShowWarning(Warning::DeleteOperation, label);
    return 1;
}

// The step failed: its error is kept for the caller's warning and the transaction rolled back.
DiscDeleteResult failedAt(DiscDeleteStep step) {
    DiscDeleteResult r;
    r.failed = step;
    r.error = rt::errorCode();
    r.fileError = rt::fileErrorCode();
    SaveFileError();
    return r;
}

// Inside the transaction: the listings of the disc id, read in SBK:KUNQDISKID order from its
// first track on. The key finds the id in any letter case; a listing whose id differs in more
// ends the scan.
DiscDeleteStep DeleteDiscListings(const std::string& discId, DiscIdMatch match) {
    SBK.clearBuffer();
    SBK.UNQDISKID = discId;
    SBK.DISKTRACKNO = 0;
    RecordReader listings(SBK, SongBook::KUNQDISKID, RecordReader::Quiet, RecordReader::BufferValues);
    for (;;) {
        if (!listings.next()) return listings.failed() ? DiscDeleteStep::ReadListing : DiscDeleteStep::None;
        if (!rt::equalNoCase(rt::clip(SBK.UNQDISKID.str()), discId)) return DiscDeleteStep::None;
        if (match == DiscIdMatch::SameLetters && !rt::equalClipped(SBK.UNQDISKID.str(), discId)) continue;
        SBK.del();
        if (rt::errorCode() != rt::NoError) return DiscDeleteStep::DeleteListing;
    }
}

}  // namespace

int SafeDeleteRecord(rt::RecordFile& file, const rt::Key& key, const std::string& label) {
    const std::string position = file.position(key);
    if (!rt::logout(kLockWaitSeconds, {&file})) {
        SaveFileError();
        ShowWarning(Warning::TransactionFraming, "Delete", label);
        return 1;
    }
    // When the record is gone, there is no current record and the delete below fails.
    file.reget(position);
    file.del();
    if (rt::errorCode() != rt::NoError) {
        SaveFileError();
        ShowWarning(Warning::DeleteOperation, label);
        return 1;
    }
    return commitOrReport(label);
}

int SafeDeleteSongBook() { return SafeDeleteRecord(SBK, SongBook::KTITLE, "SongBook"); }
int SafeDeleteMakeId() { return SafeDeleteRecord(MAK, MakeId::KMAKEID, "MAKEID"); }
int SafeDeleteGenre() { return SafeDeleteRecord(GEN, Genre::KGENRE, "Genre"); }

int SafeDeleteSBDiscs() {
    DiscToDelete disc;
    disc.position = SBD.position(SBDiscs::KUNQDISKID);
    disc.match = DiscIdMatch::SameLetters;
    const DiscDeleteResult r = DeleteDiscWithListings(disc);
    switch (r.failed) {
    case DiscDeleteStep::None: return 0;
    case DiscDeleteStep::Begin: ShowWarning(Warning::TransactionFraming, "Delete", "SBDiscs"); break;
    case DiscDeleteStep::ReadListing: ShowWarning(Warning::RecordRetrieval, "SongBook"); break;
    case DiscDeleteStep::DeleteListing: ShowWarning(Warning::DeleteOperation, "SongBook"); break;
    default: ShowWarning(Warning::DeleteOperation, "SBDiscs"); break;
    }
    return 1;
}

DiscDeleteResult DeleteDiscWithListings(const DiscToDelete& disc) {
    DataFileUse songBook(SBK);
    if (!rt::logout(disc.lockWaitSeconds, {&SBD, &SBK})) return failedAt(DiscDeleteStep::Begin);
    const bool byPosition = !disc.position.empty();
    std::string discId = disc.discId;
    if (byPosition) {
        SBD.reget(disc.position);
        if (rt::errorCode() != rt::NoError) return failedAt(DiscDeleteStep::ReadDisc);
        discId = SBD.UNQDISKID.str();
    }
    const DiscDeleteStep listings = DeleteDiscListings(rt::clip(discId), disc.match);
    if (listings != DiscDeleteStep::None) return failedAt(listings);
    // The disc record last, in the same transaction: a failure here keeps the listings too.
    if (byPosition) SBD.del();
    if (byPosition ? rt::errorCode() != rt::NoError : !DeleteDiscRecordOf(discId))
        return failedAt(DiscDeleteStep::DeleteDisc);
    rt::commit();
    if (rt::errorCode() != rt::NoError) return failedAt(DiscDeleteStep::Commit);
    return {};
}

bool DeleteDiscRecordOf(const std::string& discId) {
    SBD.clearBuffer();
    SBD.UNQDISKID = discId;
    SBD.get(SBDiscs::KUNQDISKID);
    if (rt::errorCode() == rt::NoError) {
        SBD.del();
        return rt::errorCode() == rt::NoError;
    }
    return rt::errorCode() == rt::RecordNotFound;
}
