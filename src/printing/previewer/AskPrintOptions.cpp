#include "printing/previewer/ReportPreviewer.h"
#include "printing/previewer/previewer_parts.h"

int AskPrintOptions(ReportPreviewer& pv) {
    pv.PRINTINGOPTION = 1;
    pv.SELECTEDPRINTER = PrinterDisplayName(pv);
    const int pagesMax = std::max(1, pv.IMAGECOUNT);
    pv.PAGEFROM = std::clamp(pv.PAGEFROM, 1, pagesMax);
    pv.PAGETO = std::clamp(pv.PAGETO, 1, pagesMax);
    pv.PRINTCOPIES = std::clamp(pv.PRINTCOPIES, 1, 100);

    rt::Window w("Print Options", rt::WindowKind::Dialog, -1, -1, 240, 150);
    const int option = w.option("?PRINTINGOPTION", "Print Ranges", 8, 4, 120, 64);
    struct Choice {
        const char* text;
        const char* tip;
    };
    const Choice choices[] = {{"All Pages", "Print All Pages"},
                              {"Marked Pages Only", "Print Marked Pages Only"},
                              {"Unmarked Pages Only", "Print Unmarked Pages Only"},
                              {"Range of Pages", "Print A Range Of Pages"}};
    int radios[4];
    for (int i = 0; i < 4; ++i) {
        radios[i] = w.radio(option, "?PRINTINGOPTION:Radio" + std::to_string(i + 1), choices[i].text, 16,
                            16 + i * 12, 104, 10);
        w.setTooltip(radios[i], choices[i].tip);
    }
    w.setValue(option, "1");
    w.prompt("?PAGEFROM:Prompt", "From:", 136, 12, 30, 10);
    const int from = previewer::addSpin(w, "?PAGEFROM", pv.PAGEFROM, 170, 10, 62, "Select Starting Page");
    w.prompt("?PAGETO:Prompt", "To:", 136, 28, 30, 10);
    const int to = previewer::addSpin(w, "?PAGETO", pv.PAGETO, 170, 26, 62, "Select Ending Page");
    w.prompt("?PRINTCOPIES:Prompt", "Copies:", 136, 52, 30, 10);
    const int copies = previewer::addSpin(w, "?PRINTCOPIES", pv.PRINTCOPIES, 170, 50, 62, "Select Number Of Copies");
    w.prompt("?SELECTEDPRINTER:Prompt", "Current Printer:", 8, 78, 64, 10);
    const int printer = w.text("?SELECTEDPRINTER", pv.SELECTEDPRINTER, 74, 78, 158, 10);
    const int select = w.button("?SelectPrinter", "Select Printer and Setup Print Options", 8, 92, 224, 14);
    w.setTooltip(select, "Select A Printer");
    const int print = w.button("?Print", "Print", 126, 128, 50, 14);
    w.edit(print).isDefault = true;
    const int cancel = w.button("?Cancel", "Cancel", 182, 128, 50, 14);

    // The mark choices only when a page was marked; From and To only for a range.
    w.enable(radios[1], pv.PAGEMARKED != 0);
    w.enable(radios[2], pv.PAGEMARKED != 0);
    auto rangeState = [&] {
        w.enable(from, pv.PRINTINGOPTION == 4);
        w.enable(to, pv.PRINTINGOPTION == 4);
    };
    rangeState();

    int result = 0;
    w.open();
    while (w.accept()) {
        if (w.code() == rt::EvAccepted || w.code() == rt::EvNewSelection) {
            if (w.field() == option) {
                pv.PRINTINGOPTION = std::clamp(std::atoi(w.value(option).c_str()), 1, 4);
            } else if (w.field() == from) {
                pv.PAGEFROM = previewer::spinValue(w, from, 1, pagesMax);
            } else if (w.field() == to) {
                pv.PAGETO = previewer::spinValue(w, to, 1, pagesMax);
            } else if (w.field() == copies) {
                pv.PRINTCOPIES = previewer::spinValue(w, copies, 1, 100);
            } else if (w.field() == select) {
                pv.SELECTEDPRINTER = previewer::SelectPrinter(pv);
                w.setText(printer, pv.SELECTEDPRINTER);
            } else if (w.field() == print) {
                pv.PAGEFROM = previewer::spinValue(w, from, 1, pagesMax);
                pv.PAGETO = previewer::spinValue(w, to, 1, pagesMax);
                pv.PRINTCOPIES = previewer::spinValue(w, copies, 1, 100);
                result = 1;
                w.close();
            } else if (w.field() == cancel) {
                result = 0;
                w.close();
            }
        }
        rangeState();
    }
    if (result == 1) {
        if (pv.PREVIEWWINDOW) pv.PREVIEWWINDOW->setWaitCursor(true);
        SelectPagesToPrint(pv);
        const bool printed = PrintPageImage(pv);
        if (pv.PREVIEWWINDOW) pv.PREVIEWWINDOW->setWaitCursor(false);
        if (!printed) return 0;  // told already; nothing counts as printed
        if (pv.PREVIEWREPORT) pv.PREVIEWREPORT->setPrintOnClose(false);
    }
    return result;
}
