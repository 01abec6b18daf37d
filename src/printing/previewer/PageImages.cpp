// The previewer object, and the operations on a report's page files: stamping page numbers,
// repeating copies, choosing pages and printing them.
#include <algorithm>
#include <charconv>

#include "printing/previewer/ReportPreviewer.h"
#include "printing/previewer/previewer_parts.h"
#include "runtime/report/page_file.h"
#include "runtime/report/render/render.h"

namespace rep = rt::report;

namespace {

void installRenderers() {
    static std::once_flag once;
    std::call_once(once, [] { rep::render::install(); });
}

// "name.pdf" for copy 1, "name (2).pdf" for copy 2 and so on: copies of a PDF are files.
std::string copyFile(const std::string& file, int copy) {
    if (copy <= 1) return file;
    const std::size_t slash = file.find_last_of('/');
    std::size_t dot = file.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) dot = file.size();
    return file.substr(0, dot) + " (" + std::to_string(copy) + ")" + file.substr(dot);
}

}  // namespace

ReportPreviewer::ReportPreviewer() { installRenderers(); }

const std::vector<std::string>& ReportZoomNames() {
    static const std::vector<std::string> names = {"No Zoom",     "Page Width",  "Zoom (50%)", "Zoom (75%)",
                                                   "Zoom (100%)", "Zoom (200%)", "Zoom (300%)"};
    return names;
}

void StampPageNumbers(ReportPreviewer&, rep::PageQueue& pages) {
    const long m = static_cast<long>(pages.size());
    for (long n = 1; n <= m; ++n) rep::stampPageNumber(pages[static_cast<std::size_t>(n - 1)], n, m);
}

void ExpandPrintCopies(ReportPreviewer& pv, rep::PageQueue& pages) {
    if (pv.PRINTCOPIES <= 1) return;
    pv.TEMPIMAGEQUEUE = pages;
    pages.clear();
    for (int c = 0; c < pv.PRINTCOPIES; ++c) pages.insert(pages.end(), pv.TEMPIMAGEQUEUE.begin(), pv.TEMPIMAGEQUEUE.end());
    pv.TEMPIMAGEQUEUE.clear();
}

void SelectPagesToPrint(ReportPreviewer& pv) {
    pv.WORKIMAGEQUEUE = pv.IMAGEQUEUE ? *pv.IMAGEQUEUE : rep::PageQueue{};
    pv.SAVEIMAGEQUEUE.clear();
    for (std::size_t i = 0; i < pv.WORKIMAGEQUEUE.size(); ++i) {
        const int k = static_cast<int>(i) + 1;
        const bool marked = i < pv.MARKQUEUE.size() && pv.MARKQUEUE[i] == 1;
        bool keep = false;
        switch (pv.PRINTINGOPTION) {
        case 2: keep = marked; break;
        case 3: keep = !marked; break;
        case 4: keep = pv.PAGEFROM <= k && k <= pv.PAGETO; break;
        default: keep = true; break;
        }
        if (keep) pv.SAVEIMAGEQUEUE.push_back(pv.WORKIMAGEQUEUE[i]);
    }
    pv.WORKIMAGEQUEUE.clear();
}

bool PrintPageImage(ReportPreviewer& pv, bool chosenFile) {
    if (pv.SAVEIMAGEQUEUE.empty()) return true;  // nothing chosen: nothing to print, nothing to ask
    const auto printer = PrintDestination(pv, chosenFile);
    if (!printer) return false;
    const int copies = std::clamp(pv.PRINTCOPIES, 1, 100);
    for (int copy = 1; copy <= copies; ++copy) {
        pv.WORKIMAGEQUEUE = pv.SAVEIMAGEQUEUE;
        rep::PrintJob job;
        job.title = pv.REPORTTITLE;
        job.landscape = pv.SAVELANDSCAPE;
        job.pages = pv.WORKIMAGEQUEUE;
        job.printer = *printer;
        if (job.printer.isPdf()) job.printer.pdfFile = copyFile(job.printer.pdfFile, copy);
        const bool ok = PrintPages(job);
        pv.WORKIMAGEQUEUE.clear();
        if (!ok) return false;  // told already, or cancelled: the other copies are not tried
    }
    return true;
}

namespace previewer {

int spinValue(rt::Window& w, int spin, int lo, int hi) {
    const std::string& text = w.value(spin);
    long v = lo;
    const char* b = text.data();
    while (b < text.data() + text.size() && *b == ' ') ++b;
    std::from_chars(b, text.data() + text.size(), v);
    const int clamped = static_cast<int>(std::clamp<long>(v, lo, hi));
    if (std::to_string(clamped) != text) w.setValue(spin, std::to_string(clamped));
    return clamped;
}

int addSpin(rt::Window& w, const std::string& name, int value, int x, int y, int width, const std::string& tip) {
    const int id = w.add(rt::ControlKind::Spin, name, "", x, y, width, 12);
    w.setValue(id, std::to_string(value));
    w.setTooltip(id, tip);
    return id;
}

}  // namespace previewer
