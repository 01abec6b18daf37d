#include "exchange/ImportListings.h"

#include <chrono>
#include <memory>
#include <string>

#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "exchange/AddImportedListings.h"
#include "exchange/ImportQueues.h"
#include "exchange/UpdateImportConflict.h"
#include "runtime/files/csv.h"
#include "runtime/files/folder.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/ProgressWindow.h"
#include "services/ShowHelpTopic.h"
#include "services/SlicedWork.h"
#include "services/TaskWindow.h"

namespace {

const char* const kTitle = "Cantorelle V2 SongBook Maker - Import Song Listings";
constexpr int kWidth = 384, kHeight = 240;
// The analysis runs in stretches of 200 ms (the clock read every 256 rows), so that its progress
// shows and "Cancel" is heard; a file read within the first stretch shows no progress window.
const SlicePace kPace{.budget = std::chrono::milliseconds(200), .clockEvery = 256};

std::string count(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

class ImportWindow {
public:
    explicit ImportWindow(rt::CsvReader& reader)
        : reader_(reader),
          w_(kTitle, rt::WindowKind::Dialog, -1, -1, kWidth, kHeight, {&SBD, &SBK}, "ImportListings"),
          view_(BAD, ConflictQueFile::KORDER) {
        build();
    }

    void run() {
        w_.open();
        w_.display();
        if (!analyze()) {
            w_.close();
        } else {
            w_.hide(analyzing_);
            conflicts_->open();
            showGroups();
            if (const std::string text = ImportProblemsText(*analysis_); !text.empty())
                rt::message(text, "Import Song Listings", rt::Icon::Exclamation);
        }
        while (w_.accept()) {
            if (conflicts_->take()) {
                showGroups();
                continue;
            }
            if (w_.code() != rt::EvAccepted) continue;
            const int f = w_.field();
            if (f == import_) importRows();
            else if (f == help_) ShowHelpTopic("ImportingSongListings");
            else if (f == cancel_) w_.close();
        }
        conflicts_->close();
    }

private:
    void build() {
        analyzing_ = w_.group("?AnalyzeGroup", "", 6, 6, kWidth - 12, 28);
        w_.edit(w_.text("?AnalyzeText", "Analyzing Import File for Potential Conflicts, Please Wait...", 14, 16,
                       kWidth - 28, 10)).parent = analyzing_;

        noConflicts_ = w_.group("?NoConflictGroup", "", 6, 6, kWidth - 12, 28);
        w_.edit(w_.text("?NoConflictText", "The Import File has been Analyzed and NO Conflicts Exist!", 14, 16,
                       kWidth - 28, 10)).parent = noConflicts_;
        w_.hide(noConflicts_);

        conflictGroup_ = w_.group("?ConflictGroup", "Conflicting Import Listings Found", 6, 6, kWidth - 12, 190);
        const char* lines[] = {"Conflicting listings have been found in the",
                               "Import File. The conflicting listings must be corrected",
                               "before these listings can be added to the SongBook.",
                               "Highlight each entry and click Correct.",
                               "You may omit all of the conflicting listings and",
                               "continue importing the remaining listings",
                               "by clicking the Import Listings button below."};
        int y = 18;
        for (const char* line : lines) {
            w_.edit(w_.text("?Line" + std::to_string(y), line, 14, y, kWidth - 28, 10)).parent = conflictGroup_;
            y += 10;
        }
        list_ = w_.list("?ConflictList", 12, 92, kWidth - 24, 80,
                        {rt::Column{"Title", 104}, rt::Column{"Artist", 92}, rt::Column{"Custom Disc ID", 60},
                         rt::Column{"Track", 34, 'R'}, rt::Column{"Mfr. Disc ID", 60}});
        w_.edit(list_).parent = conflictGroup_;
        correct_ = w_.button("?Correct", "&Correct", 12, 176, 56, 14);
        w_.edit(correct_).parent = conflictGroup_;
        delete_ = w_.button("?Delete", "&Delete", 74, 176, 56, 14);
        w_.edit(delete_).parent = conflictGroup_;
        w_.hide(conflictGroup_);

        summary_ = w_.text("?Summary", "", 8, 200, kWidth - 16, 10);
        import_ = w_.button("?ImportListings", "Import Listings", 8, 218, 80, 16);
        help_ = w_.button("?Help", "&Help", kWidth - 112, 218, 50, 16);
        cancel_ = w_.button("?Cancel", "Cancel", kWidth - 58, 218, 50, 16);

        conflicts_ = std::make_unique<BrowseList>(w_, list_, view_, BAD, ConflictQueFile::KORDER);
        conflicts_->rows([] {
                       return BrowseCells({BAD.TITLE.str(), BAD.ARTIST.str(), BAD.ALTDISKID.str(),
                                           std::to_string(BAD.DISKTRACKNO), BAD.UNQDISKID.str()});
                   })
            .textStops()
            .form([] { UpdateImportConflict(); })
            .actions(false, true, true)
            .buttons(0, correct_, delete_);
    }

    // Reads the whole file into the queues, behind a progress window when it takes longer than
    // a stretch. False when the window is to close: the host cancelled, or the SongBook or the
    // queues failed (said already).
    bool analyze() {
        analysis_ = std::make_unique<ImportAnalysis>(reader_);
        ImportAnalysis& a = *analysis_;
        bool completed = a.start();
        // The first stretch before any window: a small file needs none.
        Slice first(kPace);
        bool more = completed;
        while (more && (more = a.step()) && !first.over()) {
        }
        if (more) {
            ProgressWindow progress("Analyzing Import File", "Looking for Conflicting Listings", {});
            const int cancel = progress.addCancel();
            progress.open();
            progress.step(static_cast<std::size_t>(a.percent()), 100);
            SlicedWork work(progress.window(), kPace);
            work.cancelWith(cancel)
                .afterSlice([&] { progress.step(static_cast<std::size_t>(a.percent()), 100); })
                .atEnd([&] {
                    progress.step(100, 100);
                    progress.display();
                });
            completed = work.run([&] { return a.step(); });
        }
        reader_.close();
        if (!completed && a.failure().empty() && !a.songBookError()) return false;  // cancelled
        if (a.songBookError()) return false;  // warned
        if (!a.finish()) {
            rt::message("The import file could not be analyzed: " + a.failure(), "Import Song Listings",
                        rt::Icon::Exclamation);
            return false;
        }
        left_ = a.unreadable() + a.badDates();
        return true;
    }

    void showGroups() {
        const long long queued = ImportQue.size(), conflicts = BAD.records();
        const bool any = conflicts > 0 || shownConflicts_;
        if (any) shownConflicts_ = true;  // the list stays once shown, also when emptied
        w_.hide(conflictGroup_, !any);
        w_.hide(noConflicts_, any);
        std::string text = count(queued, "listing", "listings") + " ready to import";
        if (conflicts) text += ", " + count(conflicts, "conflict", "conflicts");
        if (left_) text += ", " + count(left_, "row", "rows") + " left out (see the first message)";
        w_.setText(summary_, text + ".");
    }

    void importRows() {
        if (BAD.records() > 0 &&
            rt::message("Conflicting Listing Still Exist!|If you continue these listing will NOT be Imported.||"
                        "Do you wish to continue?",
                        "", rt::Icon::Question, rt::BtnYes | rt::BtnNo, rt::BtnYes) != rt::BtnYes)
            return;
        conflicts_->close();
        // Nothing is corrected any more: what the analysis held for that goes before the add.
        analysis_.reset();
        ImportQueClaims.clear();
        AddImportedListings();
        w_.response = 1;
        w_.close();
    }

    rt::CsvReader& reader_;
    TaskWindow w_;
    rt::View view_;
    std::unique_ptr<BrowseList> conflicts_;
    std::unique_ptr<ImportAnalysis> analysis_;
    int analyzing_ = 0, noConflicts_ = 0, conflictGroup_ = 0, list_ = 0, correct_ = 0, delete_ = 0;
    int summary_ = 0, import_ = 0, help_ = 0, cancel_ = 0;
    long long left_ = 0;
    bool shownConflicts_ = false;
};

}  // namespace

void ImportListings() {
    std::string path = ImportFileName.str();
    if (!rt::fileDialog("Enter Name of Import File", path, "Import Files|*.CSV|All Files|*.*")) return;
    path = rt::absolutePath(rt::clip(path));
    ImportFileName = path;
    rt::CsvReader reader;
    if (const int e = reader.open(path)) {
        rt::message("Unable to Open Import File!|Error: " + std::to_string(e) + " " + reader.problem());
        return;
    }
    ImportWork work;
    if (!work.ready()) {
        rt::message(work.problem(), "Import Song Listings", rt::Icon::Exclamation);
        return;
    }
    ImportWindow(reader).run();
}
