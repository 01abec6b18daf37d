#include "printing/PrintSongBook.h"

#include <filesystem>
#include <string>
#include <vector>

#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "printing/PrintSettings.h"
#include "printing/previewer/ReportPreviewer.h"
#include "printing/styles/ReadSongBookSelection.h"
#include "printing/styles/StyleReport.h"
#include "runtime/report/report.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/OpenDataFile.h"
#include "services/ShowWarning.h"
#include "services/SlicedWork.h"
#include "services/TaskWindow.h"

namespace {

std::string percentText(int percent) { return rt::rightAligned(percent, 3) + "% Completed"; }

// Batches of rows a timer tick prints: with one batch a tick, the timer's pace alone would
// keep a large SongBook from its pages for many seconds; eight keep Cancel answered at once.
constexpr int kBatchesPerTick = 8;

// "Generating SongBook": the share done and Cancel.
class Progress {
public:
    Progress() : w_("Generating SongBook", rt::WindowKind::Dialog, -1, -1, 200, 74) {
        w_.setIcon("EDITBOOK.ICO");
        notice_ = w_.text("?Notice", "Generating SongBook", 8, 6, 184, 10);
        bar_ = w_.add(rt::ControlKind::Progress, "?Progress", "", 8, 20, 184, 10);
        w_.setValue(bar_, "0");
        percent_ = w_.text("?Percent", "0% Completed", 8, 34, 184, 10);
        cancel_ = w_.button("?Cancel", "Cancel", 76, 52, 48, 14);
    }
    TaskWindow& window() { return w_; }
    int cancel() const { return cancel_; }
    void notice(const std::string& text, const std::string& icon) {
        w_.setText(notice_, text);
        w_.setIcon(icon);
        w_.display();
    }
    void show(int percent) {
        if (percent == shown_) return;
        shown_ = percent;
        w_.setValue(bar_, std::to_string(percent));
        w_.setText(percent_, percentText(percent));
    }

private:
    TaskWindow w_;
    int notice_ = 0, bar_ = 0, percent_ = 0, cancel_ = 0;
    int shown_ = 0;
};

// A small window shown while the last page is finished.
class Notice {
public:
    Notice() : w_("Generating SongBook", rt::WindowKind::Dialog, -1, -1, 180, 40) {
        w_.setIcon("PRINT.ICO");
        w_.text("?Notice1", "Sending SongBook to Previewer or Printer...", 8, 8, 164, 10);
        w_.text("?Notice2", "One Moment Please...", 8, 20, 164, 10);
        w_.open();
        w_.display();
    }

private:
    TaskWindow w_;
};

bool exists(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

void PrintSongBook() { PrintSongBookWith(PrintSettingsSnapshot()); }

void PrintSongBookWith(const PrintSettings& s) {
    const StyleLayout* style = FindStyle(s.PrintFormat, s.PrintSort);
    if (!style) return;
    const std::string listings = SongBookFileName.str(), discs = SBDiscsFileName.str();
    auto gone = [&] {
        return !exists(listings) || !exists(discs) || SongBookFileName.str() != listings ||
               SBDiscsFileName.str() != discs;
    };
    if (gone()) {
        rt::message("There is no SongBook to print: its files are not there any more.||" + listings,
                    "Print SongBook", rt::Icon::Exclamation);
        return;
    }

    ReportPreviewer pv;
    if (AskReportDestination(pv) != 0) return;
    // Meanwhile the SongBook may have been closed, moved or replaced by another.
    if (gone()) {
        rt::message("There is no SongBook to print: its files are not there any more.||" + listings,
                    "Print SongBook", rt::Icon::Exclamation);
        return;
    }
    DataFileUse discUse(SBD, false);
    DataFileUse listingUse(SBK, false);

    rt::report::PageQueue pages;
    rt::report::Report report;
    report.setPages(pages);
    SongBookSelection selection(s);
    std::unique_ptr<StyleReport> run;
    Progress progress;
    TaskWindow& w = progress.window();
    bool completed = false;
    w.onFirstDisplay([&] {
        progress.notice("Selecting and Formatting Song Listings...", "FINDSONG.ICO");
        {
            WaitCursor busy(w);
            if (!selection.read()) ShowWarning(Warning::RecordRetrieval, "SongBook");
        }
        if (!selection.error().empty()) {
            rt::message("The SongBook's listings could not be put in order.||" + selection.error(), "Print SongBook",
                        rt::Icon::Hand);
            w.close();
            return;
        }
        run = std::make_unique<StyleReport>(*style, s, selection, SongBookDiscLookup(), report);
        if (!run->hasRows()) {
            w.close();
            return;
        }
        progress.notice("Generating SongBook", "EDITBOOK.ICO");
    });
    w.open();
    SlicedWork work(w, {});
    work.cancelWith(progress.cancel())
        .afterSlice([&] {
            if (run) progress.show(run->percent());
        })
        .atEnd([&] {
            progress.show(run->percent());
            completed = run->error().empty();
        });
    // The rows are laid out from the first tick after the selection was read (when the window
    // first showed).
    work.run([&] { return !run || run->step(run->rowsPerTick() * kBatchesPerTick); });
    if (run && !run->error().empty()) {
        rt::message("The SongBook's pages could not be laid out.||" + run->error(), "Print SongBook", rt::Icon::Hand);
        completed = false;
    }
    if (!completed) {
        report.cancel();
        return;
    }
    {
        Notice notice;
        if (!run->finish()) {
            rt::message("The SongBook's pages could not be laid out.||" + run->error(), "Print SongBook",
                        rt::Icon::Hand);
            report.cancel();
            return;
        }
    }
    ShowReportPreview(pv, report, pages, "SongBook Preview", "No Zoom", pv.PREVIEWOPTION != 1);
    report.close();
}
