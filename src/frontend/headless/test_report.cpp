#include "frontend/headless/test_report.h"

#include <string>

#include "printing/previewer/ReportPreviewer.h"
#include "runtime/report/page_file.h"
#include "runtime/thread/thread.h"

namespace headless {

void PrintTestReport() {
    namespace rep = rt::report;
    const int rows = ::CallRequest > 0 ? static_cast<int>(::CallRequest) : 130;
    ReportPreviewer pv;
    rep::PageQueue pages;
    if (AskReportDestination(pv) == 1) {
        ::CallResponse = 2;
        return;
    }
    rep::Report report;
    report.title = "Test Report";
    report.setPages(pages);
    report.area = {775, 1000, 7396, 9000};
    auto& header = report.header({775, 0, 7396, 979});
    header.add(rep::Text(371, 229, 4760, 344, "Test Report").withFont(rep::font("Arial", 18, true)).withAlign(rep::Align::Center));
    header.add(rep::Box(125, 700, 6800, 250, 0x404040, rt::kNoColor));
    header.add(rep::Text(225, 740, 3000, 200, "Title").withFont(rep::font("Arial", 12, true, false, 0xFFFFFF)));
    header.add(rep::Text(3240, 740, 2000, 200, "Artist").withFont(rep::font("Arial", 12, true, false, 0xFFFFFF)));
    auto& footer = report.footer({775, 10000, 7396, 500});
    footer.add(rep::Text(2500, 302, 2400, 208).withPageOfPages().withAlign(rep::Align::Center));
    auto& row = report.detail(270, 115);
    auto& shade = row.add(rep::Box(125, 94, 6800, 170, 0xE1E1E1, rt::kNoColor));
    auto& title = row.add(rep::Text(225, 94, 3000, 150).withLimit(40));
    auto& artist = row.add(rep::Text(3240, 94, 2115, 150).withLimit(30));
    for (int i = 1; i <= rows; ++i) {
        title.text = "Test Song " + std::to_string(i);
        artist.text = "The \xC3\x89t\xC3\xA9 Singers";
        shade.hidden = i % 2 == 1;
        report.print(row);
    }
    report.endPage();
    if (pv.PREVIEWOPTION == 1 || ::CallRequestOption != 1) {
        ShowReportPreview(pv, report, pages, "Test Report Preview", "No Zoom", pv.PREVIEWOPTION != 1);
        report.close();
    } else {
        // As labels and slips print without preview: copies repeated in one job.
        StampPageNumbers(pv, pages);
        ExpandPrintCopies(pv, pages);
        report.close();
        if (auto printer = PrintDestination(pv, true))
            PrintPages(rep::PrintJob{report.title, report.landscape, pages, *printer});
    }
    ::CallResponse = 1;
}

}  // namespace headless
