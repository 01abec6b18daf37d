// The three batch edits of the multi-listing edit share one walk; they differ in the field
// matched, the key walked and the progress text.
#include <algorithm>
#include <string>
#include <vector>

#include "data/globals.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/ProgressWindow.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"
#include "services/SlicedWork.h"
#include "services/OpenDataFile.h"
#include "shell/SetupMultiListingEdit.h"

namespace {

// Listings written per timer tick; each tick's writes are one transaction.
constexpr std::size_t kPerTick = 25;
constexpr int kLockSeconds = 5;

struct Scope {
    const rt::Key& key;   // walked in this order, its first field the match
    const char* text;     // the progress window's text
};

// Runs the edit over the listings that match the current listing in the scope's key.
void runBatchEdit(const Scope& scope) {
    CallResponse = 2;
    UseDataFile(SBK);
    // The matches are listed before anything is written, so a change that moves a listing
    // within the key walked (a renamed artist in an artist edit) neither skips it nor meets
    // it again.
    std::vector<std::string> matches;
    {
        rt::View view(SBK, scope.key);
        view.range(1);
        ReadEveryRecord(view, "SongBook", [&] {
            matches.push_back(SBK.position());
            return true;
        });
    }
    ProgressWindow window("Processing Records", scope.text, {});
    const int cancel = window.addCancel();
    TaskWindow& w = window.window();
    window.open();

    std::size_t done = 0;
    bool failed = false, cancelled = false;
    // One tick's listings in one transaction; false when all are done or one failed.
    auto batch = [&] {
        if (!rt::logout(kLockSeconds, {&SBK})) {
            SaveFileError();
            ShowWarning(Warning::ProcessPutDelete, "Put", "Process:View");
            failed = true;
            return false;
        }
        const std::size_t end = std::min(matches.size(), done + kPerTick);
        for (std::size_t i = done; i < end; ++i) {
            SBK.reget(matches[i]);
            if (rt::errorCode() == rt::RecordNotFound) continue;  // deleted elsewhere meanwhile
            if (rt::errorCode() == rt::NoError) {
                if (GLO::BATCHCHANGETITLE) SBK.TITLE = rt::clip(GLO::SBK.TITLE.str());
                if (GLO::BATCHCHANGEARTIST) SBK.ARTIST = rt::clip(GLO::SBK.ARTIST.str());
                if (GLO::BATCHCHANGEGENRE) SBK.GENRE = rt::clip(GLO::SBK.GENRE.str());
                if (GLO::BATCHCHANGEDUET) SBK.DUET = "X";
                if (GLO::BATCHCHANGEOMIT) SBK.PRINT = "X";
                SBK.put();
            }
            if (rt::errorCode() != rt::NoError) {
                // The tick's listings go back as they were: none is left half-written.
                SaveFileError();
                ShowWarning(Warning::ProcessPutDelete, "Put", "Process:View");
                failed = true;
                return false;
            }
        }
        rt::commit();
        if (rt::errorCode() != rt::NoError) {
            SaveFileError();
            ShowWarning(Warning::ProcessPutDelete, "Put", "Process:View");
            failed = true;
            return false;
        }
        done = end;
        return done < matches.size();
    };

    if (matches.empty()) {
        w.close();
        while (w.accept()) {
        }
    } else {
        auto progress = [&] { window.step(done, matches.size()); };
        SlicedWork work(w, {});
        work.cancelWith(cancel).afterSlice(progress).atEnd([&] {
            if (failed) return;
            progress();
            window.completed();
        });
        cancelled = !work.run(batch);
    }
    if (rt::inTransaction()) rt::rollback();
    if (failed || cancelled) {
        rt::message(std::to_string(done) + (done == 1 ? " listing was" : " listings were") + " changed; the other " +
                        std::to_string(matches.size() - done) + " of the " + std::to_string(matches.size()) +
                        " matching listings are as they were.",
                    "Multi-Listing Edit", rt::Icon::Exclamation);
    } else {
        CallResponse = 1;
    }
    ReleaseDataFile(SBK);
}

}  // namespace

void BatchEditByTitle() {
    const std::string match = SBK.TITLE.str();
    SBK.clearBuffer();
    SBK.TITLE = match;
    runBatchEdit({SongBook::TITLEKEY, "Performing Batch Operation"});
}

void BatchEditByArtist() {
    const std::string match = SBK.ARTIST.str();
    SBK.clearBuffer();
    SBK.ARTIST = match;
    runBatchEdit({SongBook::ARTISTKEY, "Performing Batch Operation"});
}

void BatchEditByDisc() {
    const std::string match = SBK.UNQDISKID.str();
    SBK.clearBuffer();
    SBK.UNQDISKID = match;
    runBatchEdit({SongBook::KDISKID, "Performing Mulit-Listing Edit"});
}
