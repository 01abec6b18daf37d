#include "services/SafeUpdate.h"

#include "data/genre.h"
#include "data/karaoke.h"
#include "data/makeid.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "services/ShowWarning.h"

namespace {
constexpr int kLockWaitSeconds = 2;
}

int SafeUpdateRecord(rt::RecordFile& file, const std::string& label) {
    if (!rt::logout(kLockWaitSeconds, {&file})) {
        SaveFileError();
        ShowWarning(Warning::TransactionFraming, "Update", label);
        return 1;
    }
    const std::string position = file.position();
    file.put();
    if (rt::errorCode() == rt::NoError) {
        rt::commit();
        if (rt::errorCode() == rt::NoError) return 0;
    }
    const int failure = rt::errorCode();
    SaveFileError();
    if (failure == rt::RecordChanged) {
        ShowWarning(Warning::RecordNotUpdated);
        // Show the other station's version.
        file.watch();
        file.reget(position);
        return 2;
    }
    ShowWarning(Warning::UpdateOperation, label);
    return 1;
}

int SafeUpdateSongBook() { return SafeUpdateRecord(SBK, "SongBook"); }
int SafeUpdateMakeId() { return SafeUpdateRecord(MAK, "MAKEID"); }
int SafeUpdateKaraoke() { return SafeUpdateRecord(KAR, "KARAOKE"); }
int SafeUpdateGenre() { return SafeUpdateRecord(GEN, "Genre"); }
