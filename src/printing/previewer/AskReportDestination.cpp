#include "printing/previewer/ReportPreviewer.h"
#include "printing/previewer/previewer_parts.h"

int AskReportDestination(ReportPreviewer& pv) {
    pv.CURRENTPRINTER = PrinterDisplayName(pv);
    pv.PRINTCOPIES = 1;

    rt::Window w("Report Destination", rt::WindowKind::Dialog, -1, -1, 240, 112);
    const int option = w.option("?PREVIEWOPTION", "Destination", 8, 4, 112, 42);
    const int view = w.radio(option, "?PREVIEWOPTION:Radio1", "View Report", 16, 16, 96, 10);
    const int print = w.radio(option, "?PREVIEWOPTION:Radio2", "Print Report", 16, 30, 96, 10);
    w.setTooltip(view, "View The Report");
    w.setTooltip(print, "Print The Report Without Viewing");
    w.setValue(option, pv.PREVIEWOPTION == 2 ? "2" : "1");
    w.prompt("?PRINTCOPIES:Prompt", "Copies:", 132, 12, 40, 10);
    const int copies = previewer::addSpin(w, "?PRINTCOPIES", 1, 176, 10, 56, "Select Number Of Copies");
    w.prompt("?CURRENTPRINTER:Prompt", "Current Printer:", 8, 54, 64, 10);
    const int printer = w.text("?CURRENTPRINTER", pv.CURRENTPRINTER, 74, 54, 158, 10);
    const int select = w.button("?SelectPrinter", "Select Printer and Setup Print Options", 8, 68, 224, 14);
    w.setTooltip(select, "Select A Printer");
    const int ok = w.button("?OK", "Ok", 126, 92, 50, 14);
    w.setTooltip(ok, "Do It");
    w.edit(ok).isDefault = true;
    const int cancel = w.button("?Cancel", "Cancel", 182, 92, 50, 14);
    w.setTooltip(cancel, "Cancel Report");

    int result = 1;  // Esc and the close box cancel the report, as Cancel does
    w.open();
    while (w.accept()) {
        if (w.code() == rt::EvCloseWindow) {
            result = 1;
            continue;
        }
        if (w.code() != rt::EvAccepted && w.code() != rt::EvNewSelection) continue;
        if (w.field() == option) {
            pv.PREVIEWOPTION = w.value(option) == "2" ? 2 : 1;
        } else if (w.field() == copies) {
            pv.PRINTCOPIES = previewer::spinValue(w, copies, 1, 100);
        } else if (w.field() == select) {
            pv.CURRENTPRINTER = previewer::SelectPrinter(pv);
            w.setText(printer, pv.CURRENTPRINTER);
        } else if (w.field() == ok) {
            pv.PREVIEWOPTION = w.value(option) == "2" ? 2 : 1;
            pv.PRINTCOPIES = previewer::spinValue(w, copies, 1, 100);
            result = 0;
            w.close();
        } else if (w.field() == cancel) {
            result = 1;
            w.close();
        }
    }
    return result;
}
