#include "library/BrowseManufacturers.h"

#include "data/makeid.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/OpenDataFile.h"
#include "services/RecordForm.h"
#include "services/SafeDelete.h"
#include "services/SafeUpdate.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"

namespace {

// The code as the last store through the form left it; blank when the program starts.
RecordCopy ManufacturerHistory;

// Where the form first opened in this run; later openings come back there.
bool formPlaced = false;
int formX = 0, formY = 0;

constexpr int kYes = 2, kNo = 4;

}  // namespace

void BrowseManufacturers() {
    // The program never creates the code file: a missing one is reported when it is opened.
    DataFileUse use(MAK, false);
    TaskWindow w("Manufacture File Maintenance", rt::WindowKind::Dialog, -1, -1, 236, 176, {},
                 "MakeFileMaint");
    const bool selecting = w.request == 4;

    const int list = w.list("?LIST", 6, 6, 170, 164,
                            {rt::Column{"Mfr. Code", 36, 'C', true}, rt::Column{"Manufacture", 120, 'L', true}});
    w.edit(list).tooltip = "Browsing Records";
    const int add = w.button("?INSERT", "&Insert", 182, 6, 48, 14);
    const int change = w.button("?CHANGE", "&Change", 182, 24, 48, 14);
    const int del = w.button("?DELETE", "&Delete", 182, 42, 48, 14);
    const int select = w.button("?SELECT", "&Select", 182, 66, 48, 14);
    const int close = w.button("?CLOSE", "Close", 182, 156, 48, 14);

    w.open();
    rt::View view(MAK, MakeId::KMAKEID);
    BrowseList codes(w, list, view, MAK, MakeId::KMAKEID);
    codes.rows([] { return BrowseCells({MAK.MAKEID.str(), MAK.MAKEDESC.str()}); })
        .stopTable(TwoCharacterStopTable)
        .stepLocator()
        .form([] { UpdateManufacturer(); })
        .buttons(add, change, del, select)
        .selectMode(selecting);
    codes.open();
    w.select(list);

    auto afterPress = [&] {
        if (!codes.selected()) return;
        w.response = 1;
        codes.close();
    };
    while (w.accept()) {
        if (w.code() == rt::EvAlertKey && w.field() == list && w.event().key == rt::KeyRightClick) {
            const bool rows = codes.count() > 0;
            std::string items = rows ? "&Insert|&Change|&Delete|-|" : "&Insert|~&Change|~&Delete|-|";
            items += rows && selecting ? "&Select" : "~&Select";
            switch (w.popup(items)) {
            case 1: codes.press(BrowseAction::Insert); break;
            case 2: codes.press(BrowseAction::Change); break;
            case 3: codes.press(BrowseAction::Delete); break;
            case 4: codes.press(BrowseAction::Select); break;
            default: break;
            }
            afterPress();
            continue;
        }
        if (codes.take()) {
            afterPress();
            continue;
        }
        if (w.code() == rt::EvAccepted && w.field() == close) {
            w.response = 2;
            codes.close();
            w.close();
        } else if (w.code() == rt::EvCloseWindow) {
            codes.close();
        }
    }
}

void UpdateManufacturer() {
    DataFileUse use(MAK, false);
    TaskWindow w("", rt::WindowKind::Dialog, -1, -1, 236, 70);
    RecordForm form(w, {&MAK, &ManufacturerHistory, PrepareMakeIdUpdate, SafeUpdateMakeId,
                        SafeDeleteMakeId, {}, {&MAK}});
    const bool deleting = w.request == 3;

    w.prompt("?MAK:MAKEID:Prompt", "Mfr. Code:", 8, 10, 46, 10);
    const int code = w.entry("?MAK:MAKEID", "@s2", 56, 8, 20, 12);
    w.text("?MakeIdNote", " (First TWO Characters of Disc Id)", 78, 10, 150, 10);
    w.prompt("?MAK:MAKEDESC:Prompt", "Manufacture:", 8, 26, 46, 10);
    const int name = w.entry("?MAK:MAKEDESC", "@s30", 56, 24, 172, 12);
    const int message = w.text("?ACTIONMESSAGE", "", 8, 42, 140, 10);
    const int ok = w.button("?OK", "OK", 128, 52, 48, 14);
    const int cancel = w.button("?CANCEL", "Cancel", 180, 52, 48, 14);
    w.edit(ok).isDefault = true;
    // The first opening of the run is remembered; later ones come back to it, size unchanged.
    auto place = [&] {
        if (formPlaced) {
            w.setGeometry(formX, formY, w.width(), w.height());
        } else {
            formPlaced = true;
            formX = w.x();
            formY = w.y();
        }
    };

    if (deleting) {
        // The record is shown as it is and goes only when OK is pressed.
        w.edit(code).readOnly = true;
        w.edit(name).readOnly = true;
        w.edit(message).text = "Mfr. Record will be Deleted";
        w.onFirstDisplay([&] {
            place();
            w.setValue(code, MAK.MAKEID.str());
            w.setValue(name, MAK.MAKEDESC.str());
            w.select(ok);
        });
        w.open();
        while (w.accept()) {
            if (w.code() != rt::EvAccepted) continue;
            if (w.field() == cancel) {
                w.close();
            } else if (w.field() == ok) {
                ManufacturerHistory.take(MAK);
                for (;;) {
                    int result;
                    {
                        WaitCursor wait;
                        result = SafeDeleteMakeId();
                    }
                    if (result == 0) {
                        w.response = 1;
                        w.close();
                        break;
                    }
                    const int answer = ShowWarning(Warning::RecordDeleteRetry);
                    if (answer == kYes) continue;
                    if (answer == kNo) w.close();
                    else w.select(code);
                    break;
                }
            }
        }
    } else {
        form.bind(code, "MAKEID");
        form.bind(name, "MAKEDESC");
        form.buttons(ok, cancel);
        form.actionMessage(message, "Mfr. Record will be Added", "Mfr. Record will be Changed");
        form.checks([&] {
            // A blank code matches no disc id and could never be chosen again.
            if (!rt::trim(w.value(code)).empty()) return true;
            rt::message("The manufacturer code cannot be blank.", "Mfr. Code", rt::Icon::Exclamation);
            w.select(code);
            return false;
        });
        form.beforeFirstDisplay(place);
        form.open();
        while (w.accept()) form.take();
    }
}
