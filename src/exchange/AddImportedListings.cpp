#include "exchange/AddImportedListings.h"

#include <algorithm>
#include <chrono>
#include <unordered_set>
#include <vector>
#include <string>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "exchange/ImportQueues.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/OpenDataFile.h"
#include "services/ProgressWindow.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"
#include "services/SlicedWork.h"

namespace {

const char* const kTitle = "Importing Listings";
constexpr int kLockSeconds = 5;
// The rows go in one transaction (into an empty SongBook the engine then builds the keys once,
// at the end); it is served in slices of this length, so that "Cancel" is heard.
constexpr auto kStepTime = std::chrono::milliseconds(200);

class ImportAdd {
public:
    // The discs the SongBook has (upper case), so that a row needs no disc read.
    bool start() {
        rt::View discs(SBD, SBDiscs::KUNQDISKID);
        if (!ReadEveryRecord(discs, "SBDiscs", [&] {
                discs_.insert(rt::upper(SBD.UNQDISKID.str()));
                return true;
            })) {
            failure_ = "The SongBook's discs could not be read.";
            return false;
        }
        ImportQue.rewind();  // the rows to add, in file order
        return true;
    }

    // One row. False when nothing is left or the run failed (the transaction is then rolled
    // back: the SongBook is as it was).
    bool step() {
        if (!inTransaction_) {
            if (!rt::logout(kLockSeconds, {&SBK, &SBD})) {
                failure_ = "The SongBook could not be locked for writing.  Error: " + WarningErrorPart() + ".";
                return false;
            }
            inTransaction_ = true;
        }
        if (!ImportQue.next(row_)) {
            if (!ImportQue.error().empty()) {
                failure_ = "The listings to import could not be read (ImportQue).  Error: " + ImportQue.error() + ".";
                takeBack();
            }
            return false;
        }
        if (!addRow(row_)) {
            takeBack();
            return false;
        }
        ++done_;
        return true;
    }
    // Commits what was added (at the end, or when the host cancelled); false when that failed.
    bool finish() {
        if (!inTransaction_) return failure_.empty();
        inTransaction_ = false;
        rt::commit();
        if (rt::errorCode() == rt::NoError) return true;
        failure_ = "The listings could not be written.  Error: " + WarningErrorPart() + ".";
        added_ = duplicates_ = 0;
        return false;
    }
    long long added() const { return added_; }
    long long duplicates() const { return duplicates_; }
    std::size_t done() const { return done_; }
    const std::string& failure() const { return failure_; }

private:
    bool addRow(const ImportRecord& row) {
        const std::string disc = ImportDiscId(row);
        SBK.clearBuffer();
        SBK.TITLE = row.TITLE;
        SBK.ARTIST = row.ARTIST;
        SBK.UNQDISKID = disc;
        SBK.DISKTRACKNO = row.DISKTRACKNO;
        SBK.GENRE = row.GENRE;
        SBK.DUET = row.DUET;
        SBK.DATEADDED = row.DATEADDED;
        SBK.MAKEID = row.SBKMAKEID;
        SBK.add();
        if (rt::errorCode() == rt::DuplicateKey) {
            // There since the analysis (another station): the listing stays as it is.
            rt::clearError();
            ++duplicates_;
            return true;
        }
        if (rt::errorCode() != rt::NoError) return fail(row, "its listing could not be added");
        ++added_;
        std::string key = rt::upper(disc);
        if (discs_.count(key)) return true;
        SBD.clearBuffer();
        SBD.UNQDISKID = disc;
        SBD.ALTDISKID = row.ALTDISKID;
        SBD.MAKEID = row.MAKEID ? row.MAKEID : 1;
        SBD.MAKETYPE = row.MAKETYPE;
        SBD.add();
        if (rt::errorCode() == rt::DuplicateKey)
            return fail(row, "its Custom Disc ID " + row.ALTDISKID.str() + " is used by another disc");
        if (rt::errorCode() != rt::NoError) return fail(row, "its disc could not be added");
        discs_.insert(std::move(key));
        return true;
    }

    void takeBack() {
        rt::rollback();
        inTransaction_ = false;
        added_ = duplicates_ = 0;
    }

    bool fail(const ImportRecord& row, const std::string& why) {
        failure_ = "Line " + std::to_string(row.LINE) + " (" + ImportDiscId(row) + "-" +
                   std::to_string(row.DISKTRACKNO) + "): " + why + ".  Error: " + WarningErrorPart() + ".";
        return false;
    }

    std::unordered_set<std::string> discs_;
    ImportRecord row_;
    std::size_t done_ = 0;
    bool inTransaction_ = false;
    long long added_ = 0, duplicates_ = 0;
    std::string failure_;
};

}  // namespace

namespace {

std::string rows(long long n) { return std::to_string(n) + (n == 1 ? " listing" : " listings"); }

}  // namespace

long long AddImportedListings() {
    DataFileUse discs(SBD), listings(SBK);
    const long long total = ImportQue.size();
    ImportAdd add;
    ProgressWindow window(kTitle, "Adding Listings to the SongBook", {});
    window.setPercentSuffix("% completed");
    const int cancel = window.addCancel();
    window.open();
    auto progress = [&] { window.step(add.done(), static_cast<std::size_t>(total)); };
    SlicedWork work(window.window(), {.budget = kStepTime, .clockEvery = 64});
    work.cancelWith(cancel).afterSlice(progress).atEnd([&] {
        progress();
        if (add.failure().empty()) {
            window.setPercentText("Building New Index");
            window.display();
            add.finish();
        }
        window.display();
    });
    const bool completed = add.start() && work.run([&] { return add.step(); });
    add.finish();  // after "Cancel": what was added stays
    const long long left = total - add.added() - add.duplicates();

    std::string text;
    if (!add.failure().empty()) {
        text = "The import stopped: " + add.failure() + "||" + rows(add.added()) +
               " were added to the SongBook; the other " + rows(left) + " were not.";
    } else if (!completed) {
        text = "Import cancelled.||" + rows(add.added()) + " were added to the SongBook; the other " +
               rows(left) + " were not.";
    }
    if (add.duplicates() > 0)
        text += std::string(text.empty() ? "" : "||") + rows(add.duplicates()) +
                " were in the SongBook already (added meanwhile) and were left as they were.";
    if (!text.empty())
        rt::message(text, "Import Song Listings", add.failure().empty() ? rt::Icon::Asterisk : rt::Icon::Exclamation);
    return add.added();
}
