#include <algorithm>
#include <cstdlib>

#include "printing/PrintSettings.h"
#include "printing/SongBookDesigner.h"
#include "services/TaskWindow.h"

void PageBreakOffsetDialog() {
    static const char* const kLines[] = {
        "PLEASE READ!",
        "Some specific Printer Drivers do not report the correct detail print area, ",
        "thus causing incorrect page breaks.",
        "If your Song Listings do not print in the proper order and format you should  ",
        "first contact the printer manufacture for an updated printer driver that",
        "reports the print area correctly.",
        "In the event that a corrected printer driver is not available you may fine tune",
        "the page break point with this Page Break Offset Adjustment.",
        "In most cases a Page Break Offset setting of +1 or -1 will produce",
        "the desired formatting and page breaks.",
        "USE WITH CAUTION!",
    };
    TaskWindow w("Page Break Offset Adjustment", rt::WindowKind::Dialog, -1, -1, 290, 170);
    int y = 8;
    for (const char* line : kLines) {
        const int t = w.text("", line, 10, y, 270, 10);
        if (y == 8 || line == kLines[10]) w.setControlFont(t, rt::Font{"", 0, 700, false, rt::kNoColor});
        y += 11;
    }
    w.prompt("?PageBreakOffset:Prompt", "Page Break Offset:", 70, y + 6, 70, 12);
    const int spin = w.add(rt::ControlKind::Spin, "?GLO:PAGEBREAKOFFSET", "", 142, y + 4, 40, 12);
    w.edit(spin).picture = "@n-3";
    const int ok = w.button("?OK", "OK", 226, y + 4, 50, 14);
    w.edit(ok).isDefault = true;
    auto show = [&] { w.setValue(spin, std::to_string(PrintSetup.PAGEBREAKOFFSET)); };
    show();
    w.open();
    while (w.accept()) {
        if (w.code() != rt::EvAccepted) continue;
        if (w.field() == spin) {
            const long v = std::strtol(w.value(spin).c_str(), nullptr, 10);
            PrintSetup.PAGEBREAKOFFSET = static_cast<std::int16_t>(std::clamp(v, -5L, 5L));
            if (v != PrintSetup.PAGEBREAKOFFSET) show();
        } else if (w.field() == ok) {
            w.response = 1;
            w.close();
        }
    }
}
