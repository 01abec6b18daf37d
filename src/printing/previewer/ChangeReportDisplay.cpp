#include "printing/previewer/ReportPreviewer.h"
#include "printing/previewer/previewer_parts.h"

void ChangeReportDisplay(ReportPreviewer& pv) {
    // Wide enough for its title to show whole.
    rt::Window w("Change the Report Display", rt::WindowKind::Dialog, -1, -1, 200, 82);
    w.group("?PagesDisplayed", "Pages Displayed", 8, 4, 184, 46);
    w.prompt("?PAGESACROSS:Prompt", "Across", 16, 18, 40, 10);
    const int across = previewer::addSpin(w, "?PAGESACROSS", std::clamp(pv.PAGESACROSS, 1, 10), 64, 16, 56, "");
    w.prompt("?PAGESDOWN:Prompt", "Down", 16, 32, 40, 10);
    const int down = previewer::addSpin(w, "?PAGESDOWN", std::clamp(pv.PAGESDOWN, 1, 10), 64, 30, 56, "");
    const int ok = w.button("?OK", "OK", 142, 60, 50, 14);
    w.edit(ok).isDefault = true;
    w.open();
    while (w.accept()) {
        if (w.code() != rt::EvAccepted && w.code() != rt::EvNewSelection) continue;
        if (w.field() == across || w.field() == ok) pv.PAGESACROSS = previewer::spinValue(w, across, 1, 10);
        if (w.field() == down || w.field() == ok) pv.PAGESDOWN = previewer::spinValue(w, down, 1, 10);
        if (w.field() == ok) w.close();
    }
}
