// Where a report's pages go and how they get there: the printer dialogs, the PDF file chosen
// for one report, and a print that draws outside the baton behind a progress window.
#include <chrono>

#include "printing/previewer/ReportPreviewer.h"
#include "printing/previewer/previewer_parts.h"
#include "runtime/files/folder.h"
#include "runtime/thread/thread.h"
#include "services/ProgressWindow.h"

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
        // A short job is done before its window would show.
        {
            rt::WaitOutside outside;
            ok = run->step(kFirstTurnMs);
        }
        if (ok && !run->finished()) {
            ProgressWindow window("Printing", PrinterDisplayName(job.printer), {});
            window.allowCancel();
            window.open();
            auto show = [&] {
                window.step(static_cast<std::size_t>(run->pagesDone()), static_cast<std::size_t>(run->pages()));
                window.setPercentText("Page " + std::to_string(run->pagesDone()) + " of " +
                                      std::to_string(run->pages()));
            };
            show();
            const bool completed = window.run([&] {
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
