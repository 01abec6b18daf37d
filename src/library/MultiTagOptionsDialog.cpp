#include "library/MultiTagOptionsDialog.h"

#include <string>
#include <vector>

#include "data/sbdiscs.h"
#include "library/DiscIdNumbers.h"
#include "library/TagGlobals.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/OpenDataFile.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"

namespace {

// A start number as typed: plain digits (blanks around them allowed), at most 15 of them.
bool readStartNumber(const std::string& typed, std::int64_t& out) {
    const std::string s = rt::trim(typed);
    if (s.empty() || s.size() > 15 || s.find_first_not_of("0123456789") != std::string::npos) return false;
    out = std::stoll(s);
    return true;
}

}  // namespace

void MultiTagOptionsDialog() {
    if (SkipCustomDiscIdQuery == 1) {
        BATCHADDTYPE = 3;
        BatchConfirmed = 1;
        return;
    }

    DataFileUse discs(SBD);
    BATCHADDTYPE = 0;
    BATCHPRE.clear();
    BATCHSUF.clear();
    std::int64_t start = 1;
    if (!NextCustomDiscIdNumber(start)) ShowWarning(Warning::RecordRetrieval, "SBDiscs");
    BATCHSTARTINGNUMBER = start;
    BatchConfirmed = 0;

    TaskWindow w("MultiTag Options", rt::WindowKind::Dialog, -1, -1, 264, 152);
    const int method = w.option("?BATCHADDTYPE", "How Do You Wish to Custom ID Each Tagged Disc?", 8, 6, 248, 46);
    const char* radios[] = {"AutoNumber All Discs", "Number Each Disc One-at-a-Time",
                            "Use Mfr. Disc ID for ALL Discs"};
    for (int i = 0; i < 3; ++i)
        w.radio(method, "?BATCHADDTYPE:Radio" + std::to_string(i + 1), radios[i], 16, 18 + 10 * i, 200, 10);

    // The controls of AutoNumber: prefix, start number and suffix side by side, the two marks
    // under prefix and suffix, and the explanation.
    std::vector<int> autoNumber;
    autoNumber.push_back(w.prompt("?BATCHSTARTINGNUMBER:Prompt", "Enter Starting Custom Disc ID:", 8, 62, 104, 10));
    const int startEntry = w.entry("?BATCHSTARTINGNUMBER", "@n_15", 142, 61, 60, 12);
    w.setValue(startEntry, std::to_string(start));
    autoNumber.push_back(startEntry);
    const int preEntry = w.entry("?BATCHPRE", "@s3", 118, 61, 22, 12);
    autoNumber.push_back(preEntry);
    const int sufEntry = w.entry("?BATCHSUF", "@s3", 204, 61, 22, 12);
    autoNumber.push_back(sufEntry);
    autoNumber.push_back(w.add(rt::ControlKind::Line, "?Line1", "", 129, 82, 0, 8));
    autoNumber.push_back(w.add(rt::ControlKind::Line, "?Line2", "", 215, 82, 0, 8));
    autoNumber.push_back(w.text("?Mark1", "^", 127, 75, 6, 8));
    autoNumber.push_back(w.text("?Mark2", "^", 213, 75, 6, 8));
    autoNumber.push_back(w.text("?PrefixHint", "You may provide an optional Prefix (ie:CB101-1) or an ", 8, 92, 248, 10));
    autoNumber.push_back(w.text("?SuffixHint", "optional Suffix (101CB-1) to be appended to each Custom ID.", 8, 101, 248, 10));
    autoNumber.push_back(w.text("?IncrementHint",
                                "Custom ID's will Automatically be Incremented Starting from the Custom ID You Provide Here.",
                                8, 111, 248, 19));  // two lines: it shows whole
    const int oneAtATime = w.text("?OneAtATimeHint", "You will be prompted for a Custom ID for each disc to be tagged.",
                                  8, 66, 248, 10);
    const int mfrIds = w.text("?MfrIdHint", "The Mfr. ID will be used for the Custom ID of All Discs.", 8, 66, 248, 10);

    const int ok = w.button("?OK", " OK", 154, 132, 48, 14);
    const int cancel = w.button("?Cancel", "Cancel", 208, 132, 48, 14);
    w.edit(ok).isDefault = true;

    int chosen = 0;
    auto show = [&](int m) {
        for (int id : autoNumber) w.hide(id, m != 1);
        w.hide(oneAtATime, m != 2);
        w.hide(mfrIds, m != 3);
    };
    show(0);

    w.open();
    while (w.accept()) {
        if (w.code() != rt::EvAccepted) continue;
        if (w.field() == method) {
            const std::string v = rt::trim(w.value(method));
            chosen = v == "1" ? 1 : v == "2" ? 2 : v == "3" ? 3 : 0;
            show(chosen);
        } else if (w.field() == ok) {
            if (chosen == 0) {
                rt::message("Please select the method you wish to use for Custom Disc Numbering...");
                continue;
            }
            std::int64_t typed = 0;
            if (chosen == 1 && !readStartNumber(w.value(startEntry), typed)) {
                rt::beep(rt::BeepKind::Plain);
                w.select(startEntry);
                continue;
            }
            BATCHADDTYPE = static_cast<std::uint8_t>(chosen);
            if (chosen == 1) {
                BATCHSTARTINGNUMBER = typed;
                BATCHPRE = w.value(preEntry);
                BATCHSUF = w.value(sufEntry);
            }
            BatchConfirmed = 1;
            w.response = 1;
            w.close();
        } else if (w.field() == cancel) {
            BatchConfirmed = 0;
            w.close();
        }
    }
}
