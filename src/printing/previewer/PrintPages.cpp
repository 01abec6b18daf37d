// Where a report's pages go and how they get there: the printer dialogs, the PDF file chosen
// for one report, and a print that draws outside the baton behind a progress window.
#include <chrono>
#include <cstdio>
#include <functional>

#include "printing/previewer/ReportPreviewer.h"
#include "printing/previewer/previewer_parts.h"
#include "runtime/files/folder.h"
#include "runtime/thread/thread.h"
#include "services/ProgressWindow.h"
#include "services/SlicedWork.h"

namespace rep = rt::report;

namespace {

// The folder of the last PDF file chosen, proposed when a print asks for its file.
std::string lastPdfFolder;

constexpr const char* kDialogTitle = "Select A Printer";
// Drawing a print takes turns of this length before its window first shows, and then on each
// tick of the window's timer.
constexpr int kFirstTurnMs = 150;
constexpr int kTurnMs = 100;

std::string folderOf(const std::string& file) {
    const std::size_t slash = file.find_last_of('/');
    return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

// The printer chosen in a dialog becomes the current one; a PDF file is returned, not kept
// there: it belongs to the report it was chosen for.
std::string takePrinter(const rep::Printer& chosen) {
    std::string file;
    if (chosen.isPdf() && !chosen.pdfFile.empty()) {
        file = rt::absolutePath(chosen.pdfFile);
        lastPdfFolder = folderOf(file);
    }
    rep::setCurrentPrinter({chosen.name, {}});
    return file;
}

std::string proposedFolder() { return lastPdfFolder.empty() ? rt::currentFolder() : lastPdfFolder; }

// A print cut off by the program's end (its frame closed while the pages are drawn) is drawn
// to its end first, its window showing how far it got: the host asked for the pages. A file is
// only ever written whole; one that cannot be finished is not written, and with no window left
// to say so, the terminal hears it.
class DrawnToTheEnd {
public:
    DrawnToTheEnd(rep::PrintRun& run, std::function<void()> shown) : run_(run), shown_(std::move(shown)) {}
    DrawnToTheEnd(const DrawnToTheEnd&) = delete;
    DrawnToTheEnd& operator=(const DrawnToTheEnd&) = delete;
    ~DrawnToTheEnd() {
        if (run_.finished()) return;  // done, failed or cancelled
        bool ok = true;
        while (ok && !run_.finished()) {
            {
                rt::WaitOutside outside;
                ok = run_.step(kTurnMs);
            }
            shown_();
        }
        if (!ok) std::fprintf(stderr, "cantorelle: the program ended while printing: %s\n", run_.error().c_str());
    }

private:
    rep::PrintRun& run_;
    std::function<void()> shown_;
};

}  // namespace

std::string PrinterDisplayName(const rep::Printer& p, const std::string& file) {
    const std::string& f = file.empty() ? p.pdfFile : file;
    if (p.isPdf() && !f.empty()) {
        const std::size_t slash = f.find_last_of('/');
        return p.name + ": " + (slash == std::string::npos ? f : f.substr(slash + 1));
    }
    return p.name;
}

std::string PrinterDisplayName(const ReportPreviewer& pv) { return PrinterDisplayName(rep::currentPrinter(), pv.chosenPdf); }

std::optional<rep::Printer> PrintDestination(ReportPreviewer& pv, bool chosenFile) {
    rep::Printer printer = rep::currentPrinter();
    if (!printer.isPdf()) return printer;
    std::string file = chosenFile ? pv.chosenPdf : std::string();
    pv.chosenPdf.clear();  // a file is written once; a later print asks again
    if (file.empty()) {
        auto chosen = rep::askPrinter(kDialogTitle, rep::Printer{rep::kPdfPrinter, {}}, proposedFolder());
        if (!chosen) return std::nullopt;
        file = takePrinter(*chosen);
        if (!chosen->isPdf()) return rep::Printer{chosen->name, {}};
        if (file.empty()) {
            rt::message("No file was named for the PDF: nothing was printed.", "Print Report", rt::Icon::Exclamation);
            return std::nullopt;
        }
    }
    return rep::Printer{rep::kPdfPrinter, file};
}

bool PrintPages(const rep::PrintJob& job) {
    std::string why;
    auto run = rep::startPrint(job, why);
    bool ok = run != nullptr;
    if (ok) {
        // Until every page is drawn the program has work under way, between its timer's ticks too.
        rt::WorkUnderWay drawing;
        // A short job is done before its window would show.
        {
            rt::WaitOutside outside;
            ok = run->step(kFirstTurnMs);
        }
        if (ok && !run->finished()) {
            ProgressWindow window("Printing", PrinterDisplayName(job.printer), {});
            const int cancel = window.addCancel();
            window.open();
            auto show = [&] {
                window.step(static_cast<std::size_t>(run->pagesDone()), static_cast<std::size_t>(run->pages()));
                window.setPercentText("Page " + std::to_string(run->pagesDone()) + " of " +
                                      std::to_string(run->pages()));
            };
            show();
            DrawnToTheEnd cutOff(*run, [&] {
                window.window().disable(cancel);  // nothing stops it now
                show();
                window.display();
            });
            // A turn of drawing a tick.
            SlicedWork work(window.window(), {});
            work.cancelWith(cancel).atEnd([&] { window.display(); });
            const bool completed = work.run([&] {
                {
                    rt::WaitOutside outside;
                    ok = run->step(kTurnMs);
                }
                show();
                return ok && !run->finished();
            });
            if (!completed) {
                // Cancel: nothing half drawn is kept.
                run->cancel();
                return false;
            }
        }
        why = run->error();
    }
    if (!ok) rt::message("The report could not be printed.|" + why, "Print Report", rt::Icon::Exclamation);
    return ok;
}

namespace previewer {

std::string SelectPrinter(ReportPreviewer& pv) {
    rep::Printer start = rep::currentPrinter();
    if (start.isPdf()) start.pdfFile = pv.chosenPdf;
    if (auto chosen = rep::askPrinter(kDialogTitle, start, proposedFolder())) pv.chosenPdf = takePrinter(*chosen);
    return PrinterDisplayName(pv);
}

}  // namespace previewer
