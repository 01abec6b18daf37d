#include "printing/CustomizeRequestSlips.h"

#include <string>

#include "printing/RequestSlipSettings.h"
#include "services/TaskWindow.h"

void CustomizeRequestSlips() {
    TaskWindow w("Customize Request Slips", rt::WindowKind::Dialog, -1, -1, 250, 92, {}, "customizerequestslips");
    int lines[4] = {};
    const std::string values[4] = {REQUESTSLIPLINE1.str(), REQUESTSLIPLINE2.str(), REQUESTSLIPLINE3.str(),
                                   REQUESTSLIPLINE4.str()};
    const char* const widths[4] = {"@s60", "@s61", "@s62", "@s57"};
    for (int i = 0; i < 4; ++i) {
        const std::string n = std::to_string(i + 1);
        w.prompt("?REQUESTSLIPLINE" + n + ":Prompt", "Line " + n + ":", 8, 9 + 16 * i, 30, 10);
        lines[i] = w.entry("?REQUESTSLIPLINE" + n, widths[i], 40, 8 + 16 * i, 202, 12);
        w.setValue(lines[i], values[i]);
    }
    const int ok = w.button("?OK", "OK", 194, 72, 48, 14);
    w.edit(ok).isDefault = true;

    auto take = [&](int field) {
        if (field == lines[0]) REQUESTSLIPLINE1 = w.value(field);
        else if (field == lines[1]) REQUESTSLIPLINE2 = w.value(field);
        else if (field == lines[2]) REQUESTSLIPLINE3 = w.value(field);
        else if (field == lines[3]) REQUESTSLIPLINE4 = w.value(field);
    };
    w.open();
    while (w.accept()) {
        if (w.code() != rt::EvAccepted) continue;
        if (w.field() == ok) {
            for (int id : lines) take(id);
            w.response = 1;
            w.close();
        } else {
            take(w.field());
        }
    }
}
