#include "shell/QuickStartWindow.h"

#include "library/AutoUpdateWizard.h"

#include "runtime/window/window.h"
#include "shell/BrowseSongBook.h"

void QuickStartWindow() {
    rt::Window w("", rt::WindowKind::MdiChild, 8, 8, 252, 178);
    w.setFont(rt::Font{"Arial", 8});
    w.setIcon("~songbook.ico");

    w.image("?Picture", "quickstart.bmp", 8, 8, 236, 88);
    w.group("?QuickStartGroup", "Quick Start", 8, 102, 236, 68);
    const int startButton = w.button("?Start", "Start", 18, 118, 64, 16);
    w.text("?StartCaption", "SongBook File Explorer", 90, 121, 146, 10);
    const int autoUpdateButton = w.button("?AutoUpdate", "AutoUpdate", 18, 144, 64, 16);
    w.text("?AutoUpdateCaption", "Perform Main Tunelode AutoUpdate", 90, 147, 146, 10);

    w.open();
    while (w.accept()) {
        if (w.code() == rt::EvRejected) {
            rt::beep();
            w.select(w.field());
            continue;
        }
        if (w.code() != rt::EvAccepted) continue;
        if (w.field() == startButton) {
            BrowseSongBook();
            w.display();
        } else if (w.field() == autoUpdateButton) {
            AutoUpdateWizard();
            w.display();
        }
    }
}
