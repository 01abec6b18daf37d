#include "library/CustomDiscIdDialog.h"

#include <string>
#include <vector>

#include "data/genre.h"
#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/tagque.h"
#include "library/DiscIdNumbers.h"
#include "library/TagGlobals.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"

namespace {

// The genre of the list that a typed text names (in the list's own spelling), or nothing.
bool knownGenre(const std::vector<std::string>& genres, const std::string& typed, std::string& out) {
    for (const auto& g : genres)
        if (rt::equalNoCase(g, typed)) {
            out = g;
            return true;
        }
    return false;
}

}  // namespace

void CustomDiscIdDialog() {
    const rt::Text<17> mfrId = TagQue.QUEUNQDISKID;
    rt::Text<17> diskId = mfrId;
    rt::Text<40> genre;
    GEN.GENRE.clear();

    if (SkipCustomDiscIdQuery == 1) {
        TagQue.DISKID = mfrId;
        TagQue.QUEGENRE.clear();
        DialogCancelled = 0;
        return;
    }

    bool confirmed = false;
    {
        TaskWindow w("Custom/Alternate Disc ID", rt::WindowKind::Dialog, -1, -1, 300, 116,
                     {&GEN, &SBD});
        w.image("?Image1", "renumberdisc.ICO", 8, 8, 20, 20);
        w.text("?Heading", "Enter a Custom/Alternate ID for this disc if desired.", 36, 10, 256, 10);
        w.prompt("?QUE:DISKID:Prompt", "Custom/Alternate Disc ID:", 36, 27, 90, 10);
        const int idEntry = w.entry("?QUE:DISKID", "@s17", 126, 26, 104, 12);
        w.setValue(idEntry, diskId.str());
        const int autoNumber = w.button("?AutoNumber", "AutoNumber", 236, 25, 56, 14);
        w.prompt("?QUE:QUEGENRE:Prompt", "(Optional) GENRE:", 36, 45, 90, 10);
        const int genreBox = w.combo("?QUE:QUEGENRE", "@s40", 126, 44, 166, 12, {rt::Column{"Genre", 100}});
        w.text("?Explain", "ALL Tracks found on this Disc will be entered with the GENRE selected above!",
               8, 62, 284, 10);
        const int messageLine = w.text("?MessageLine", "", 8, 76, 160, 10);
        const int ok = w.button("?OK", "OK", 190, 94, 48, 14);
        const int cancel = w.button("?Cancel", "Cancel", 244, 94, 48, 14);
        w.edit(ok).isDefault = true;

        std::vector<std::string> genres;
        w.onFirstDisplay([&] {
            WaitCursor busy(w);
            // A failed read is told with the arrow cursor back.
            RecordReader names(GEN, Genre::KGENRE, RecordReader::Quiet);
            while (names.next()) genres.push_back(GEN.GENRE.str());
            if (names.failed()) {
                busy.end();
                names.warn();
                w.close();
                return;
            }
            GEN.GENRE.clear();
            w.setChoices(genreBox, genres);
            w.select(autoNumber);
        });

        // A genre must be one of the list's; blank means none. False leaves the focus on the box.
        auto takeGenre = [&] {
            const std::string typed = rt::trim(w.value(genreBox));
            std::string known;
            if (typed.empty()) {
                genre.clear();
            } else if (knownGenre(genres, typed, known)) {
                genre = known;
                if (w.value(genreBox) != known) w.setValue(genreBox, known);
            } else {
                rt::beep(rt::BeepKind::Plain);
                w.select(genreBox);
                return false;
            }
            return true;
        };

        w.open();
        while (w.accept()) {
            if (w.code() != rt::EvAccepted) continue;
            if (w.field() == idEntry) {
                diskId = w.value(idEntry);
            } else if (w.field() == genreBox) {
                takeGenre();
            } else if (w.field() == autoNumber) {
                std::int64_t next = 0;
                if (!NextCustomDiscIdNumber(next)) {
                    ShowWarning(Warning::RecordRetrieval, "SBDiscs");
                    continue;
                }
                diskId = std::to_string(next);
                w.setValue(idEntry, diskId.str());
            } else if (w.field() == ok) {
                diskId = w.value(idEntry);
                if (!takeGenre()) continue;
                switch (CustomDiscIdInUse(diskId.str())) {
                case CustomDiscIdUse::Used:
                    rt::beep(rt::BeepKind::Plain);
                    w.setText(messageLine, "Custom Disc ID Already Used!");
                    w.select(idEntry);
                    continue;
                case CustomDiscIdUse::ReadError:
                    ShowWarning(Warning::RecordRetrieval, "SBDiscs");
                    w.select(idEntry);
                    continue;
                case CustomDiscIdUse::Free:
                    break;
                }
                confirmed = true;
                w.response = 1;
                w.close();
            } else if (w.field() == cancel) {
                w.close();
            }
        }
    }

    // Only now, with nothing left to wait for, does the shared buffer take the answer.
    if (confirmed) {
        TagQue.QUEUNQDISKID = mfrId;
        TagQue.DISKID = diskId;
        TagQue.QUEGENRE = genre;
        DialogCancelled = 0;
    } else {
        DialogCancelled = 1;
    }
}
