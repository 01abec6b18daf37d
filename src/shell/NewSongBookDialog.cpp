#include "shell/NewSongBookDialog.h"

#include "data/globals.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/TaskWindow.h"
#include "shell/SongBookFileNames.h"

void NewSongBookDialog() {
    GLO::SHORTSONGBOOKNAME.clear();
    SelectedSongBookPath.clear();

    TaskWindow w("", rt::WindowKind::Dialog, -1, -1, 250, 84);
    w.image("?Picture", "OpenBook2.ICO", 8, 8, 20, 20);
    w.text("?Heading", "Please Enter a Unique Name for Your New SongBook", 36, 10, 206, 10);
    const int name = w.entry("?GLO:SHORTSONGBOOKNAME", "@s50", 36, 26, 206, 12);
    const int status = w.text("?STATUSMESSAGE", "", 36, 42, 206, 10);
    const int ok = w.button("?OK", "OK", 142, 62, 48, 14);
    const int cancel = w.button("?Cancel", "Cancel", 194, 62, 48, 14);
    w.edit(ok).isDefault = true;

    auto cancelled = [&] {
        SelectedSongBookPath.clear();
        GLO::SHORTSONGBOOKNAME.clear();
        w.close();
    };

    w.onFirstDisplay([&] { w.select(name); });
    w.open();
    while (w.accept()) {
        switch (w.code()) {
        case rt::EvAccepted:
            if (w.field() == name) {
                GLO::SHORTSONGBOOKNAME = rt::trim(w.value(name));
            } else if (w.field() == ok) {
                const std::string typed = rt::trim(rt::cut(w.value(name), 50));
                if (const std::string problem = SongBookNameProblem(typed); !problem.empty()) {
                    rt::message(problem);
                    w.select(name);
                    break;
                }
                const std::string folder = FolderWithoutEnd(LONGNEWPATH.str());
                LONGNEWPATH = folder;
                const std::string listing = PathInFolder(folder, typed + ".2bk");
                // A leftover disc file of that name would otherwise be taken over.
                if (PathInUse(listing) || PathInUse(SongBookDiscFile(listing))) {
                    w.setText(status, "SongBook Name Already in Use");
                    rt::beep(rt::BeepKind::Plain);
                    w.select(name);
                    break;
                }
                GLO::SHORTSONGBOOKNAME = typed;
                SongBookFileName = listing;
                w.response = 1;
                w.close();
            } else if (w.field() == cancel) {
                cancelled();
            }
            break;
        case rt::EvCloseWindow:
            // The close box cancels: a name typed but not confirmed is no new SongBook.
            cancelled();
            break;
        default:
            break;
        }
    }
}
