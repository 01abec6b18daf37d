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
    const std::string position = SBD.position(SBDiscs::KUNQDISKID);
    DataFileUse songBook(SBK);
    if (!rt::logout(kLockWaitSeconds, {&SBD, &SBK})) {
        SaveFileError();
        ShowWarning(Warning::TransactionFraming, "Delete", "SBDiscs");
        return 1;
    }
    SBD.reget(position);
    if (DeleteDiscListings() != 0) {
        if (rt::inTransaction()) rt::rollback();
        return 1;
    }
    SBD.del();
    if (rt::errorCode() != rt::NoError) {
        SaveFileError();
        ShowWarning(Warning::DeleteOperation, "SBDiscs");
        return 1;
    }
    return commitOrReport("SBDiscs");
}

int DeleteDiscListings() {
    SBK.clearBuffer();
    SBK.UNQDISKID = SBD.UNQDISKID;
    SBK.DISKTRACKNO = 0;
    SBK.setAt(SongBook::KUNQDISKID);
    for (;;) {
        SBK.next();
        if (rt::errorCode() == rt::NoRecord) return 0;
        if (rt::errorCode() != rt::NoError) {
            SaveFileError();
            ShowWarning(Warning::RecordRetrieval, "SongBook");
            return 1;
        }
        // The key ignores letter case; the listings of this disc match character by
        // character. A listing whose id differs only in case is passed over, not deleted.
        if (!rt::equalNoCase(SBK.UNQDISKID.str(), SBD.UNQDISKID.str())) return 0;
        if (!rt::equalClipped(SBK.UNQDISKID.str(), SBD.UNQDISKID.str())) continue;
        SBK.del();
        if (rt::errorCode() != rt::NoError) {
            SaveFileError();
            ShowWarning(Warning::DeleteOperation, "SongBook");
            return 1;
        }
    }
}
