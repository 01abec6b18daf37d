#include "shell/BrowseTracksOnDisc.h"

#include <string>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/text/text.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/TaskWindow.h"
#include "shell/UpdateSongBookListing.h"

void BrowseTracksOnDisc() {
    // The disc is the current listing's; its custom id names the window.
    const std::string disc = SBK.UNQDISKID.str();
    const std::string title = "Displaying All Tracks Found on Disc: " + rt::clip(SBD.ALTDISKID.str());

    TaskWindow w(title, rt::WindowKind::Dialog, -1, -1, 330, 206, {&SBD, &SBK});
    w.setResizable(false);
    const int list = w.list("?List", 6, 6, 252, 194,
                            {rt::Column{"Track", 30, 'C'}, rt::Column{"Title", 120}, rt::Column{"Artist", 100}});
    const int insert = w.button("?Insert", "&Insert", 266, 6, 58, 14);
    const int change = w.button("?Change", "&Change", 266, 24, 58, 14);
    const int del = w.button("?Delete", "&Delete", 266, 42, 58, 14);
    const int select = w.button("?Select", "&Select", 266, 60, 58, 14);
    const int close = w.button("?Close", "Close", 266, 186, 58, 14);

    // Every listing of the disc, its id compared as the key compares (letter case ignored).
    rt::View view(SBK, SongBook::KUNQDISKID);
    view.range(1);
    BrowseList tracks(w, list, view, SBK, SongBook::KUNQDISKID);
    tracks.rows([] {
              return BrowseCells({SBK.DISKTRACKNO ? std::to_string(SBK.DISKTRACKNO) : std::string(),
                                  SBK.TITLE.str(), SBK.ARTIST.str()});
          })
        .rangeValues([&] { SBK.UNQDISKID = disc; })
        .numericStops()
        .stopField("DISKTRACKNO")
        .stepLocator("DISKTRACKNO")
        // A listing added here belongs to the disc shown.
        .form([] { UpdateSongBookListingOnDisc(); })
        .prepareForm([&](BrowseAction a) {
            if (a == BrowseAction::Insert) SBK.UNQDISKID = disc;
            return true;
        })
        .buttons(insert, change, del, select)
        .selectMode(w.request == 4);

    w.open();
    tracks.open();
    w.select(list);
    while (w.accept()) {
        if (w.code() == rt::EvAlertKey && w.field() == list && w.event().key == rt::KeyRightClick) {
            // The window is never asked to select a disc's listing.
            w.popup("~&Select");
            continue;
        }
        if (tracks.take()) continue;
        if (w.code() == rt::EvAccepted && w.field() == close) {
            w.response = 2;
            w.close();
        }
    }
    tracks.close();
}
