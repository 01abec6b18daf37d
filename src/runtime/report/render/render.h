#pragma once
// Page renderers: page files drawn with Qt's painter into pictures, into PDF documents and to
// printers (CUPS). This header has no Qt in it, so the program's own code can call it; the
// Qt front end draws pages with painter.h.
//
// Rendering works in any program: with a Qt application object it draws on the calling
// thread (QPainter on images, PDF writers and printers works off the GUI thread); without one
// (the headless front end, tests, benchmarks) it starts one on the offscreen platform on a
// thread of its own and draws there. Fonts resolve through fontconfig; "Arial", "Times New
// Roman" and "Courier New" come out as their metric-equal Liberation faces.
//
//     rt::report::render::install();   // once: printing goes through the renderers
//     std::string why;
//     if (!rt::report::render::writePdf(pages, "/tmp/songbook.pdf", "SongBook", why)) ...
#include <string>
#include <vector>

#include "runtime/report/print.h"

namespace rt::report::render {

// Makes the renderers the print sink (unless a sink is installed already) and the system's
// default printer, or the PDF printer when there is none, the program's starting printer.
void install();

// The system's printers by name (CUPS), the default first; empty when there is none.
std::vector<std::string> systemPrinters();

// One PDF document with one page per page file, each page at its file's paper size; written
// to a temporary file and renamed, so a failed run leaves no half document.
bool writePdf(const std::vector<std::string>& pages, const std::string& file, const std::string& title,
              std::string& error);

// One page as a PNG picture at `dpi` dots per inch.
bool writePng(const std::string& page, const std::string& file, int dpi, std::string& error);

// Prints one job: to a PDF file for the PDF printer, otherwise to the named CUPS printer.
bool printJob(const PrintJob& job, std::string& error);

// The renderers as a print sink; a run draws its pages a few at a time.
class RenderSink : public PrintSink {
public:
    bool print(const PrintJob& job, std::string& error) override { return printJob(job, error); }
    std::unique_ptr<PrintRun> start(const PrintJob& job) override;
};

}  // namespace rt::report::render
