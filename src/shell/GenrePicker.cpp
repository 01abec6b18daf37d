#include "shell/GenrePicker.h"

#include "data/genre.h"
#include "runtime/error/error.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/TaskWindow.h"
#include "shell/UpdateGenre.h"

void GenrePicker() {
    TaskWindow w("Add/Modify Genre", rt::WindowKind::Dialog, -1, -1, 204, 150, {&GEN});
    const bool selecting = w.request == 4;
    const GenreRecord before = GEN.record();

    const int list = w.list("?List", 6, 6, 136, 138, {rt::Column{"Genre", 124}});
    const int add = w.button("?Insert", "&Add", 148, 6, 50, 14);
    const int change = w.button("?Change", "&Change", 148, 24, 50, 14);
    const int del = w.button("?Delete", "&Delete", 148, 42, 50, 14);
    const int select = w.button("?Select", "&Select", 148, 66, 50, 14);
    const int close = w.button("?Close", "Close", 148, 130, 50, 14);
    w.edit(change).isDefault = true;

    w.open();
    rt::View view(GEN, Genre::KGENRE);
    BrowseList genres(w, list, view, GEN, Genre::KGENRE);
    // The highlighted genre's record, found again even when its name changed meanwhile.
    std::string highlightedRecord;
    genres.rows([] { return BrowseCells({GEN.GENRE.str()}); })
        .onNewSelection([&] { highlightedRecord = GEN.position(); })
        .stepLocator()
        .form([] { UpdateGenre(); })
        .buttons(add, change, del, select)
        .selectMode(selecting);
    genres.open();
    w.select(list);

    // The buffer the caller gets: the highlighted genre as the file holds it now, read while
    // the file is still open.
    auto handBack = [&] {
        if (genres.count() == 0) {
            GEN.record() = before;
        } else if (!genres.loadHighlighted()) {
            GEN.reget(highlightedRecord);
            if (rt::errorCode() != rt::NoError) GEN.record() = before;
        }
        genres.close();
    };
    // Select re-read its record and closes the window.
    auto afterPress = [&] {
        if (!genres.selected()) return;
        w.response = 1;
        genres.close();
    };

    while (w.accept()) {
        if (w.code() == rt::EvAlertKey && w.field() == list) {
            const int key = w.event().key;
            if (key == rt::KeyEnter) {
                genres.press(selecting ? BrowseAction::Select : BrowseAction::Change);
                afterPress();
                continue;
            }
            if (key == rt::KeyRightClick) {
                const bool rows = genres.count() > 0;
                std::string items = "&Add|";
                items += rows ? "&Change|&Delete|-|" : "~&Change|~&Delete|-|";
                items += rows && selecting ? "&Select" : "~&Select";
                switch (w.popup(items)) {
                case 1: genres.press(BrowseAction::Insert); break;
                case 2: genres.press(BrowseAction::Change); break;
                case 3: genres.press(BrowseAction::Delete); break;
                case 4: genres.press(BrowseAction::Select); break;
                default: break;
                }
                afterPress();
                continue;
            }
        }
        if (genres.take()) {
            afterPress();
            continue;
        }
        if (w.code() == rt::EvAccepted && w.field() == close) {
            handBack();
            w.response = 2;
            w.close();
        } else if (w.code() == rt::EvCloseWindow) {
            handBack();
        }
    }
}
