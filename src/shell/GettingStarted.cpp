#include "shell/GettingStarted.h"

#include "services/TaskWindow.h"

#include "runtime/window/window.h"

// The window keeps its placement in section "gettingstarted" of "songbook.ini" (the task
// frame restores it when the window opens and saves it when it closes).

void GettingStarted() {
    TaskWindow w("", rt::WindowKind::Dialog, -1, -1, 330, 206, {}, "gettingstarted");
    w.setFont(rt::Font{"Arial", 8});
    w.setIcon("~songbook.ico");

    const rt::Font heading{"Arial", 10, 700};
    const int title = w.text("?Heading", "Getting Started....", 12, 8, 306, 12);
    w.setControlFont(title, heading);
    w.text("?Intro1", "This is the Main SongBook Dialog Screen.", 12, 26, 306, 10);
    w.text("?Intro2", "From here you'll perform the tasks necessary", 12, 36, 306, 10);
    w.text("?Intro3", "to create and maintain your SongBook(s).", 12, 46, 306, 10);
    w.text("?FirstStep",
           "The first step in creating your new SongBook is to add your song listings.", 12, 62,
           306, 10);

    // Both icons in one column, each row's text ending before it.
    w.text("?AddDiscs1", "To add manufactured disc(s) click the", 12, 81, 190, 10);
    w.image("?AddDiscsIcon", "~adddiscs.ico", 206, 77, 16, 16);
    w.text("?AddDiscs2", "button on the menu bar", 226, 81, 92, 10);
    w.text("?AddTracks1", "To add individual or custom track listings click the", 12, 101, 190,
           10);
    w.image("?AddTracksIcon", "~addtracks.ico", 206, 97, 16, 16);
    w.text("?AddTracks2", "button on the menu bar", 226, 101, 92, 10);

    w.text("?Disabled", "Some icons/functions are disabled until Song Listings have been added.",
           12, 120, 306, 10);

    const int helpHeading = w.text("?HelpHeading", "Context Sensitive Help System", 12, 138, 306, 10);
    w.setControlFont(helpHeading, rt::Font{"Arial", 8, 700});
    w.text("?Help1", "You may obtain context sensitive help for each task", 12, 150, 306, 10);
    w.text("?Help2", "by clicking the \"HELP\" button found on each task screen.", 12, 160, 306,
           10);

    const int okButton = w.button("?OK", "OK, let's proceed....", 228, 184, 90, 14);
    w.edit(okButton).isDefault = true;

    w.open();
    w.select(okButton);
    while (w.accept()) {
        switch (w.code()) {
        case rt::EvAccepted:
            if (w.field() == okButton) w.close();
            break;
        default:
            break;
        }
    }
}
