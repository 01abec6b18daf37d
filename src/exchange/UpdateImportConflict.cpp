#include "exchange/UpdateImportConflict.h"

#include <cstdlib>
#include <string>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "exchange/ImportQueues.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "services/TaskWindow.h"
#include "services/ShowWarning.h"

namespace {

const char* const kTitle = "Cantorelle V2 SongBook Maker - Import Song Listings";
constexpr int kLockSeconds = 5;

// A track as typed: digits only, at most an unsigned 32-bit number.
bool readTrack(const std::string& typed, std::uint32_t& out) {
    const std::string t = rt::trim(typed);
    if (t.empty()) {
        out = 0;
        return true;
    }
    if (t.size() > 10 || t.find_first_not_of("0123456789") != std::string::npos) return false;
    const unsigned long long v = std::strtoull(t.c_str(), nullptr, 10);
    if (v > 0xFFFFFFFFull) return false;
    out = static_cast<std::uint32_t>(v);
    return true;
}

// The row moves from ConflictQue to ImportQue in one step; false (warned) when it could not.
// Its claims go to ImportKeys, in the same transaction, once those held in memory have taken
// their share; otherwise they and the row are held in memory once the row has left
// ConflictQue.
bool moveToImportQue(const ImportRecord& row) {
    const bool claimsInFile = ImportQueClaims.inFile();
    if (claimsInFile && !ImportQueClaims.readyForNext()) {
        SaveFileError();
        ShowWarning(Warning::RecordInsert);
        return false;
    }
    if (!(claimsInFile ? rt::logout(kLockSeconds, {&BAD, &IMK}) : rt::logout(kLockSeconds, {&BAD}))) {
        SaveFileError();
        ShowWarning(Warning::TransactionFraming);
        return false;
    }
    auto failed = [](Warning w) {
        SaveFileError();
        rt::rollback();
        ShowWarning(w);
        return false;
    };
    if (claimsInFile && !ImportQueClaims.claim(row)) return failed(Warning::RecordInsert);
    BAD.del();
    if (rt::errorCode() != rt::NoError) return failed(Warning::DeleteOperation);
    rt::commit();
    if (rt::errorCode() != rt::NoError) {
        SaveFileError();
        ShowWarning(Warning::RecordInsert);
        return false;
    }
    if (!claimsInFile) ImportQueClaims.claim(row);  // in memory: it cannot fail
    ImportQue.hold(row);
    return true;
}

// Removes the current row of ConflictQue; false (warned) when it could not.
bool dropRow() {
    BAD.del();
    if (rt::errorCode() == rt::NoError) return true;
    SaveFileError();
    ShowWarning(Warning::DeleteOperation);
    return false;
}

}  // namespace

void UpdateImportConflict() {
    const int request = CallRequest;
    CallRequest = 0;
    CallResponse = 2;
    if (!BAD.hasCurrent()) return;
    if (request == 3) {
        if (ShowWarning(Warning::ConfirmDelete) == rt::BtnOk && dropRow()) CallResponse = 1;
        return;
    }
    TaskWindow w(kTitle, rt::WindowKind::Dialog, -1, -1, 250, 170, {&SBK, &SBD}, "UpdateImportConflict");
    const ImportRecord original = BAD.record();
    ImportRecord row = original;

    w.text("?Listing", rt::clip(original.TITLE.str() + "  -  " + original.ARTIST.str()), 8, 6, 234, 10);
    w.group("?DiscTrackGroup", "Mfg. Disc ID - Track", 6, 20, 238, 46);
    w.prompt("?BAD:UNQDISKID:Prompt", "Mfg. Disc ID:", 14, 33, 60, 10);
    const int discEntry = w.entry("?BAD:UNQDISKID", "@s15", 78, 32, 80, 12);
    w.prompt("?BAD:DISKTRACKNO:Prompt", "Track:", 14, 49, 60, 10);
    const int trackEntry = w.entry("?BAD:DISKTRACKNO", "@n10", 78, 48, 50, 12);
    w.group("?CustomGroup", "Custom Disc ID", 6, 70, 238, 30);
    w.prompt("?BAD:ALTDISKID:Prompt", "Custom Disc ID:", 14, 83, 60, 10);
    const int customEntry = w.entry("?BAD:ALTDISKID", "@s15", 78, 82, 80, 12);
    const int problem = w.text("?Problem", "", 8, 106, 234, 10);
    const int advice = w.text("?Advice", "", 8, 118, 234, 10);
    w.text("?Changed", "Record will be Changed", 8, 132, 234, 10);
    const int importButton = w.button("?Import", "Import", 8, 150, 50, 14);
    const int ok = w.button("?OK", "OK", 64, 150, 50, 14);
    const int skip = w.button("?DoNotImport", "Do Not Import", 120, 150, 66, 14);
    const int cancel = w.button("?Cancel", "Cancel", 192, 150, 50, 14);
    w.edit(importButton).isDefault = true;

    w.setValue(discEntry, row.UNQDISKID.str());
    w.setValue(trackEntry, std::to_string(row.DISKTRACKNO));
    w.setValue(customEntry, row.ALTDISKID.str());

    // Shows what clashes and enables the fields that can mend it; true when the row is free.
    auto test = [&](bool beep) {
        const ImportClash clash = TestImportRow(row);
        rt::clearError();
        w.disable(discEntry);
        w.disable(trackEntry);
        w.disable(customEntry);
        switch (clash) {
        case ImportClash::None:
            w.setText(problem, "");
            w.setText(advice, "");
            return true;
        case ImportClash::Track:
            w.setText(problem, "This Track Already Exists in the Open SongBook");
            w.setText(advice, "Recommend: Do Not Import Listing or Assign New Mfr. Disc ID.");
            w.enable(discEntry);
            w.enable(trackEntry);
            w.select(discEntry);
            break;
        case ImportClash::CustomId:
            w.setText(problem, "Custom Disc ID Already Exists");
            w.setText(advice, "Recommend: Renumber Disc");
            w.enable(customEntry);
            w.select(customEntry);
            break;
        case ImportClash::ReadError:
            ShowWarning(Warning::RecordRetrieval, "SongBook");
            return false;
        }
        if (beep) rt::beep(rt::BeepKind::Plain);
        return false;
    };

    // The typed values into the working copy; false (with a beep) when the track is no number.
    auto takeFields = [&] {
        std::uint32_t track = 0;
        if (!readTrack(w.value(trackEntry), track)) {
            rt::beep(rt::BeepKind::Plain);
            w.select(trackEntry);
            return false;
        }
        row.UNQDISKID = w.value(discEntry);
        row.DISKTRACKNO = track;
        row.ALTDISKID = w.value(customEntry);
        if (row.UNQDISKID.blank() && row.ALTDISKID.blank()) {
            rt::beep(rt::BeepKind::Plain);
            w.select(discEntry);
            return false;
        }
        return true;
    };
    auto changed = [&] {
        return row.UNQDISKID != original.UNQDISKID || row.DISKTRACKNO != original.DISKTRACKNO ||
               row.ALTDISKID != original.ALTDISKID;
    };
    // A free row goes over to ImportQue.
    auto moveToImport = [&] {
        if (!moveToImportQue(row)) return false;
        w.response = 1;
        return true;
    };
    // "OK": a free row is imported, a clashing one keeps the typed values.
    auto keep = [&] {
        if (!takeFields()) return false;
        if (test(true)) return moveToImport();
        if (changed()) {
            BAD.record() = row;
            BAD.put();
            if (rt::errorCode() != rt::NoError) {
                SaveFileError();
                ShowWarning(Warning::UpdateOperation);
                return false;
            }
            w.response = 1;
        }
        return true;
    };

    // "Cancel" or the close box: typed changes are saved (as "OK"), dropped, or the form stays.
    // True when the form may close.
    auto leave = [&] {
        std::uint32_t track = 0;
        const bool differs = !readTrack(w.value(trackEntry), track) || track != original.DISKTRACKNO ||
                             rt::clip(w.value(discEntry)) != original.UNQDISKID.str() ||
                             rt::clip(w.value(customEntry)) != original.ALTDISKID.str();
        if (!differs) return true;
        const int answer = ShowWarning(Warning::UpdateCancelled);
        if (answer == rt::BtnYes) return keep();
        return answer == rt::BtnNo;
    };

    w.onFirstDisplay([&] { test(false); });
    w.open();
    while (w.accept()) {
        if (w.code() == rt::EvCloseWindow) {
            if (!leave()) w.refuse();
            continue;
        }
        if (w.code() != rt::EvAccepted) continue;
        if (w.field() == importButton) {
            if (!takeFields()) continue;
            if (test(true) && moveToImport()) w.close();
        } else if (w.field() == ok) {
            if (keep()) w.close();
        } else if (w.field() == skip) {
            if (!dropRow()) continue;
            w.response = 1;
            w.close();
        } else if (w.field() == cancel) {
            if (leave()) w.close();
        }
    }
}
