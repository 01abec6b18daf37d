#pragma once
// The report previewer: every report asks "Report Destination" before it reads its data, lays
// its pages out into page files, then shows them in "Report Preview" (thumbnails, zooms,
// marks, deletes, printing of all, marked, unmarked or a range of pages) or prints them at
// once. Each report procedure makes its own previewer on its own thread, so several reports
// can preview at the same time; every call here runs on the calling program thread.
//
//     void PrintSomething() {
//         ReportPreviewer pv;                              // cleared and set up
//         rt::report::PageQueue pages;
//         if (AskReportDestination(pv) == 1) return;       // cancelled: nothing is read
//         rt::report::Report report;
//         report.setPages(pages);
//         ... lay the pages out (report.print(band)) ...
//         if (cancelled) { report.cancel(); return; }
//         report.endPage();                                // the last page into the queue
//         if (pv.PREVIEWOPTION == 1) {
//             ShowReportPreview(pv, report, pages, "Song Track Report Preview", "Page Width", false);
//         } else {
//             // Either let the previewer print (style reports: one job per copy) ...
//             ShowReportPreview(pv, report, pages, "SongBook Preview", "No Zoom", true);
//             // ... or print on close (labels, slips, management reports: one job, copies
//             // repeated in it):
//             //   StampPageNumbers(pv, pages); ExpandPrintCopies(pv, pages);
//             //   report.setPrintOnClose(true);
//         }
//         report.close();                                  // prints only when asked to
//     }                                                    // page files go with `report`
//
// A print that fails (no printer, the printer refuses, a PDF that cannot be written) is
// shown to the user in a message and never counts as printed.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "runtime/report/print.h"
#include "runtime/report/report.h"
#include "runtime/window/window.h"

struct ReportZoom {
    std::string ZOOMAMOUNT;   // the name shown
    bool ZOOMHSCROLL = false; // the zoomed page gets a horizontal scroll bar
    double ZOOMMODIFIER = 0;  // the scale; 0 for "No Zoom" and "Page Width" (fitted to the view)
};

// The zoom names in the order the drop list offers them.
const std::vector<std::string>& ReportZoomNames();

struct ReportPreviewer {
    // Cleared, with View Report, all pages, 1 copy, no mark, range 1 to 1.
    ReportPreviewer();

    rt::report::PageQueue* IMAGEQUEUE = nullptr;
    std::vector<std::string> TEMPIMAGEQUEUE, WORKIMAGEQUEUE, SAVEIMAGEQUEUE;
    std::vector<std::uint8_t> MARKQUEUE;  // one mark per page, 1 = marked
    std::vector<ReportZoom> ZOOMQUEUE;
    std::string ZOOMSTATUS;
    rt::Window* PREVIEWWINDOW = nullptr;
    rt::report::Report* PREVIEWREPORT = nullptr;
    std::string REPORTTITLE;
    int RETURNVALUE = 2;      // 1 printed from the preview, 2 otherwise
    int PREVIEWOPTION = 1;    // 1 View Report, 2 Print Report
    int PRINTINGOPTION = 1;   // 1 all, 2 marked, 3 unmarked, 4 range
    std::string CURRENTPRINTER, SELECTEDPRINTER;
    int PRINTCOPIES = 1;
    bool SAVELANDSCAPE = false;
    int IMAGECOUNT = 0;
    int IMAGEWIDTH = 0, IMAGEHEIGHT = 0;  // page 1 at 96 pixels an inch
    double IMAGEASPECTRATIO = 0;
    int CURRENTPAGE = 1;
    int PAGESACROSS = 1, PAGESDOWN = 1;
    int DISPLAYEDPAGESACROSS = 0, DISPLAYEDPAGESDOWN = 0;
    int THUMBNAILSPRESENT = 0;
    bool ZOOMCONTROLPRESENT = false;
    int THUMBNAILWIDTH = 0, THUMBNAILHEIGHT = 0;
    double THUMBNAILASPECTRATIO = 0;
    int TOTALXSEPARATION = 0, TOTALYSEPARATION = 0;
    int PAGEMARKED = 0;
    int PAGEFROM = 1, PAGETO = 1;

    // The PDF file the host chose for this report's pages in its dialogs. The report's next
    // print writes it; any later print asks for its file again.
    std::string chosenPdf;
};

// "Report Destination": 0 go on, 1 the user cancelled the report (Cancel, Esc, close box).
int AskReportDestination(ReportPreviewer& pv);

// Shows the pages in "Report Preview" (printNow false) or prints them at once without a
// window (printNow true); the report's last page is ended first. Returns RETURNVALUE: 1 when pages were printed from the window.
int ShowReportPreview(ReportPreviewer& pv, rt::report::Report& report, rt::report::PageQueue& pages,
                      const std::string& title, const std::string& zoom, bool printNow);

// "Change the Report Display": the thumbnail grid, 1 to 10 across and down.
void ChangeReportDisplay(ReportPreviewer& pv);
// "Jump to a Report Page": the page chosen, or `current` when cancelled.
int JumpToReportPage(ReportPreviewer& pv, int current, int count);

// Writes "Page n of m" over the placeholder of every page file that has one.
void StampPageNumbers(ReportPreviewer& pv, rt::report::PageQueue& pages);
// Repeats the page list PRINTCOPIES times (collated copies in one job).
void ExpandPrintCopies(ReportPreviewer& pv, rt::report::PageQueue& pages);
// "Print Options": 1 when pages were printed, 0 when cancelled or the print failed.
int AskPrintOptions(ReportPreviewer& pv);
// SAVEIMAGEQUEUE := the pages PRINTINGOPTION chooses.
void SelectPagesToPrint(ReportPreviewer& pv);
// Prints SAVEIMAGEQUEUE PRINTCOPIES times, one job a copy, to PrintDestination(pv, chosenFile).
// False (after telling the user) when a job could not be printed, and when the host cancelled;
// the remaining copies are not tried.
bool PrintPageImage(ReportPreviewer& pv, bool chosenFile = true);

// Where a print of this report goes: the current printer; for the PDF printer the file chosen
// for the report (when `chosenFile`; it is taken, so a later print asks again) or a file asked
// for now in the printer dialog, which proposes the folder of the last PDF. Nothing when the
// host cancelled.
std::optional<rt::report::Printer> PrintDestination(ReportPreviewer& pv, bool chosenFile);
// Prints one job, giving up the baton while it draws so the program's other windows go on; a
// long job shows its pages in a "Printing" window whose Cancel stops it (nothing half printed
// is kept). False, after telling the host, when it failed; false when it was cancelled.
bool PrintPages(const rt::report::PrintJob& job);

// The device name the dialogs show for a printer (and the PDF file it writes, if any).
std::string PrinterDisplayName(const rt::report::Printer& p, const std::string& file = {});
// The current printer as this report's dialogs show it.
std::string PrinterDisplayName(const ReportPreviewer& pv);
