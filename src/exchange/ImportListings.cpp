#include "exchange/ImportListings.h"

#include <cstring>
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
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/MemoryListPage.h"
#include "services/ShowHelpTopic.h"
#include "services/TaskWindow.h"
#include "services/show_warning.h"

namespace {

const char* const kTitle = "Cantorelle V2 SongBook Maker - Import Song Listings";
constexpr int kWidth = 384, kHeight = 240;

std::string absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    std::string folder = rt::currentFolder();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + path;
}

std::string count(long long n, const char* one, const char* many) {
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

class ImportWindow {
public:
    explicit ImportWindow(rt::CsvReader& reader)
        : reader_(reader),
          w_(kTitle, rt::WindowKind::Dialog, -1, -1, kWidth, kHeight, {&SBD, &SBK}, "ImportListings"),
          page_(w_, build(), [] { return ConflictQue.size(); }, [](std::size_t i) {
              const ImportRow& r = ConflictQue[i];
              return BrowseCells({r.TITLE.str(), r.ARTIST.str(), r.ALTDISKID.str(),
                                  std::to_string(r.DISKTRACKNO), r.UNQDISKID.str()});
          }) {}

    void run() {
        w_.open();
        w_.display();
        analysis_ = AnalyzeImportFile(reader_);
        reader_.close();
        if (analysis_.songBookError) {
            ShowWarning(35, "SongBook");
            w_.close();
        } else {
            w_.hide(analyzing_);
            showGroups();
            if (const std::string text = ImportProblemsText(analysis_); !text.empty())
                rt::message(text, "Import Song Listings", rt::Icon::Exclamation);
        }
        while (w_.accept()) {
            if (page_.take()) continue;
            if (w_.code() == rt::EvAlertKey && w_.field() == list_ && w_.event().key == rt::KeyDoubleClick) {
                correct();
                continue;
            }
            if (w_.code() != rt::EvAccepted) continue;
            const int f = w_.field();
            if (f == correct_) correct();
            else if (f == delete_) remove();
            else if (f == import_) importRows();
            else if (f == help_) ShowHelpTopic("ImportingSongListings");
            else if (f == cancel_) w_.close();
        }
    }

private:
    // The window's controls; returns the conflict list's id.
    int build() {
        analyzing_ = w_.group("?AnalyzeGroup", "", 6, 6, kWidth - 12, 28);
        w_.edit(w_.text("?AnalyzeText", "Analyzing Import File for Potential Conflicts, Please Wait...", 14, 16,
                       kWidth - 28, 10)).parent = analyzing_;

        noConflicts_ = w_.group("?NoConflictGroup", "", 6, 6, kWidth - 12, 28);
        w_.edit(w_.text("?NoConflictText", "The Import File has been Analyzed and NO Conflicts Exist!", 14, 16,
                       kWidth - 28, 10)).parent = noConflicts_;
        w_.hide(noConflicts_);

        conflicts_ = w_.group("?ConflictGroup", "Conflicting Import Listings Found", 6, 6, kWidth - 12, 190);
        const char* lines[] = {"Conflicting listings have been found in the",
                               "Import File. The conflicting listings must be corrected",
                               "before these listings can be added to the SongBook.",
                               "Highlight each entry and click Correct.",
                               "You may omit all of the conflicting listings and",
                               "continue importing the remaining listings",
                               "by clicking the Import Listings button below."};
        int y = 18;
        for (const char* line : lines) {
            w_.edit(w_.text("?Line" + std::to_string(y), line, 14, y, kWidth - 28, 10)).parent = conflicts_;
            y += 10;
        }
        list_ = w_.list("?ConflictList", 12, 92, kWidth - 24, 80,
                        {rt::Column{"Title", 104}, rt::Column{"Artist", 92}, rt::Column{"Custom Disc ID", 60},
                         rt::Column{"Track", 34, 'R'}, rt::Column{"Mfr. Disc ID", 60}});
        w_.edit(list_).parent = conflicts_;
        correct_ = w_.button("?Correct", "&Correct", 12, 176, 56, 14);
        w_.edit(correct_).parent = conflicts_;
        delete_ = w_.button("?Delete", "&Delete", 74, 176, 56, 14);
        w_.edit(delete_).parent = conflicts_;
        w_.hide(conflicts_);

        summary_ = w_.text("?Summary", "", 8, 200, kWidth - 16, 10);
        import_ = w_.button("?ImportListings", "Import Listings", 8, 218, 80, 16);
        help_ = w_.button("?Help", "&Help", kWidth - 112, 218, 50, 16);
        cancel_ = w_.button("?Cancel", "Cancel", kWidth - 58, 218, 50, 16);
        return list_;
    }

    void showGroups() {
        const bool any = !ConflictQue.empty() || shownConflicts_;
        if (any) shownConflicts_ = true;  // the list stays once shown, also when emptied
        w_.hide(conflicts_, !any);
        w_.hide(noConflicts_, any);
        w_.enable(correct_, !ConflictQue.empty());
        w_.enable(delete_, !ConflictQue.empty());
        page_.show();
        std::string text = count(static_cast<long long>(ImportQue.size()), "listing", "listings") + " ready to import";
        if (!ConflictQue.empty()) text += ", " + count(static_cast<long long>(ConflictQue.size()), "conflict", "conflicts");
        const long long left = analysis_.unreadable + analysis_.badDates;
        if (left) text += ", " + count(left, "row", "rows") + " left out (see the first message)";
        w_.setText(summary_, text + ".");
    }

    void correct() {
        const std::size_t at = page_.highlightedEntry();
        if (at == MemoryListPage::npos) return;
        ConflictQueCurrent = at;
        CallRequest = 2;
        UpdateImportConflict();
        SortConflictQue();
        showGroups();
    }

    void remove() {
        const std::size_t at = page_.highlightedEntry();
        if (at == MemoryListPage::npos) return;
        if (ShowWarning(32) != rt::BtnOk) return;
        ConflictQue.erase(ConflictQue.begin() + static_cast<std::ptrdiff_t>(at));
        showGroups();
    }

    void importRows() {
        if (!ConflictQue.empty() &&
            rt::message("Conflicting Listing Still Exist!|If you continue these listing will NOT be Imported.||"
                        "Do you wish to continue?",
                        "", rt::Icon::Question, rt::BtnYes | rt::BtnNo, rt::BtnYes) != rt::BtnYes)
            return;
        AddImportedListings();
        w_.response = 1;
        w_.close();
    }

    rt::CsvReader& reader_;
    TaskWindow w_;
    int analyzing_ = 0, noConflicts_ = 0, conflicts_ = 0, list_ = 0, correct_ = 0, delete_ = 0;
    int summary_ = 0, import_ = 0, help_ = 0, cancel_ = 0;
    MemoryListPage page_;
    ImportAnalysis analysis_;
    bool shownConflicts_ = false;
};

}  // namespace

void ImportListings() {
    std::string path = ImportFileName.str();
    if (!rt::fileDialog("Enter Name of Import File", path, "Import Files|*.CSV|All Files|*.*")) return;
    path = absolute(rt::clip(path));
    ImportFileName = path;
    rt::CsvReader reader;
    if (const int e = reader.open(path)) {
        rt::message("Unable to Open Import File!|Error: " + std::to_string(e) + " " + reader.problem());
        return;
    }
    ImportWindow(reader).run();
}
