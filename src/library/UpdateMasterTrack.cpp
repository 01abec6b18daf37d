#include "library/UpdateMasterTrack.h"

#include <string>

#include "data/dmake.h"
#include "data/karaoke.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/RecordForm.h"
#include "services/SafeUpdate.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"

namespace {

// The track as the last OK of this run left it; blank until then.
RecordCopy MasterTrackDitto;

// Where the form first appeared in this run (x < 0: not yet known).
struct Place {
    int x = -1, y = -1;
};
Place RememberedPlace;

void lookUpBrand() {
    BRA.clearBuffer();
    BRA.MAKEID = KAR.MAKEID;
    rt::clearError();
    BRA.get(DMake::KMAKEID);
    if (rt::errorCode() != rt::NoError) BRA.clearBuffer();
    rt::clearError();
}

}  // namespace

void UpdateMasterTrack() {
    TaskWindow w("Edit Main Tunelode Track ", rt::WindowKind::Dialog, RememberedPlace.x, RememberedPlace.y,
                 300, 124);  // wide enough for the title with the disc and track
    // Master tracks come only from the manufacturers' updates.
    if (w.request == 1) {
        ShowWarning(Warning::InsertNotAllowed);
        return;
    }
    if (w.request == 3) {
        ShowWarning(Warning::DeleteNotAllowed);
        return;
    }
    RecordForm form(w, {&KAR, &MasterTrackDitto, PrepareKaraokeUpdate, SafeUpdateKaraoke, {}, {}, {&BRA, &KAR}});
    if (w.request == 2)
        w.setTitle(w.title() + "  (DiscID: " + rt::clip(KAR.DISKID.str()) + "  Track:" +
                   std::to_string(KAR.DISKTRACKNO) + ")");

    w.group("?TitleGroup", "Title", 6, 4, 288, 24);
    const int title = w.entry("?KAR:TITLE", "@s40", 12, 13, 276, 12);
    w.group("?ArtistGroup", "Artist", 6, 30, 288, 24);
    const int artist = w.entry("?KAR:ARTIST", "@s40", 12, 39, 276, 12);
    w.group("?DiskGroup", "Mfg. Disk ID", 6, 56, 80, 24);
    const int disk = w.entry("?KAR:DISKID", "@s10", 12, 65, 68, 12);
    w.group("?TrackGroup", "Track", 90, 56, 40, 24);
    const int track = w.entry("?KAR:DISKTRACKNO", "@n6", 96, 65, 28, 12);
    w.group("?BrandGroup", "Brand/Series", 6, 82, 288, 24);
    const int brand = w.entry("?BRA:MAKE", "@s40", 12, 91, 276, 12);
    const int ok = w.button("?OK", "OK", 188, 108, 50, 14);
    const int cancel = w.button("?Cancel", "Cancel", 244, 108, 50, 14);
    w.edit(ok).isDefault = true;
    w.edit(disk).readOnly = true;
    w.edit(brand).readOnly = true;

    form.bind(title, "TITLE");
    form.bind(artist, "ARTIST");
    // Read-only: Ctrl+' must not move the track to another disc number behind the host's back.
    form.bind(disk, "DISKID", FieldFormat::Text, false);
    form.bind(track, "DISKTRACKNO", FieldFormat::Number);
    form.field(brand, [&] { w.setValue(brand, BRA.MAKE.str()); }, nullptr);
    form.buttons(ok, cancel);
    form.beforeFirstDisplay([&] {
        lookUpBrand();
        if (RememberedPlace.x < 0 && w.x() >= 0) RememberedPlace = {w.x(), w.y()};
    });
    form.beforeRedisplay(lookUpBrand);
    form.open();
    while (w.accept()) {
        // The first place the front end reports is where the window appeared.
        if (w.code() == rt::EvMoved && RememberedPlace.x < 0 && w.x() >= 0) RememberedPlace = {w.x(), w.y()};
        form.take();
    }
}
