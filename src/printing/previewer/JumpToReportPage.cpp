#include "printing/previewer/ReportPreviewer.h"
#include "printing/previewer/previewer_parts.h"

int JumpToReportPage(ReportPreviewer&, int current, int count) {
    const int last = std::max(1, count);
    rt::Window w("Jump to a Report Page", rt::WindowKind::Dialog, -1, -1, 150, 56);
    w.prompt("?Page:Prompt", "&Page:", 8, 10, 30, 10);
    const int page = previewer::addSpin(w, "?Page", std::clamp(current, 1, last), 42, 8, 60, "Select a page of the report");
    const int ok = w.button("?OK", "OK", 38, 34, 50, 14);
    w.setTooltip(ok, "Jump to the selected page");
    w.edit(ok).isDefault = true;
    const int cancel = w.button("?Cancel", "Cancel", 94, 34, 50, 14);
    w.setTooltip(cancel, "Cancel this selection");
    int result = current;
    w.open();
    while (w.accept()) {
        if (w.code() != rt::EvAccepted && w.code() != rt::EvNewSelection) continue;
        if (w.field() == page) {
            previewer::spinValue(w, page, 1, last);
        } else if (w.field() == ok) {
            result = previewer::spinValue(w, page, 1, last);
            w.close();
        } else if (w.field() == cancel) {
            w.close();
        }
    }
    return result;
}
