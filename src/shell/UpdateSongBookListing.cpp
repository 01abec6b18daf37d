#include "shell/UpdateSongBookListing.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/genre.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "services/RecordForm.h"
#include "services/SafeDelete.h"
#include "services/SafeUpdate.h"
#include "services/ShowHelpTopic.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"
#include "shell/GenrePicker.h"

namespace {

// The listing as the last store through this form left it; blank when the program starts.
RecordCopy ListingHistory;
// Where the form's window stood the first time it opened in this run.
std::optional<std::pair<int, int>> RememberedPosition;

constexpr const char* kAddNewGenre = "Add New Genre";
constexpr int kLockWaitSeconds = 2;

bool genreOrder(const std::string& a, const std::string& b) {
    const int c = rt::compareNoCase(a, b);
    return c != 0 ? c < 0 : a < b;
}

// Set for one call by UpdateSongBookListingOnDisc.
thread_local bool onExistingDisc = false;

}  // namespace

void UpdateSongBookListingOnDisc() {
    onExistingDisc = true;
    UpdateSongBookListing();
}

void UpdateSongBookListing() {
    const bool toShownDisc = onExistingDisc && CallRequest == 1;
    onExistingDisc = false;
    TaskWindow w("Update SongBook Listing....", rt::WindowKind::Dialog, -1, -1, 326, 158);
    RecordForm form(w, {&SBK, &ListingHistory, PrepareSongBookUpdate, SafeUpdateSongBook,
                        SafeDeleteSongBook, "SBK:KUnqDiskID", {&SBK, &SBD, &GEN}});
    if (form.runDelete()) return;
    form.prime([] { SBK.DATEADDED = rt::today(); });
    const bool adding = form.inserting();

    // Each field sits in its own titled group; the groups form a grid with a 4-unit gutter.
    auto entryIn = [&](const char* group, const char* name, const char* picture, int x, int y, int width,
                       int entryWidth = 0) {
        const int g = w.group("", group, x, y, width, 26);
        const int e = w.entry(name, picture, x + 6, y + 10, entryWidth ? entryWidth : width - 12, 12);
        w.edit(e).parent = g;
        return e;
    };
    const int title = entryIn("Title", "?SBK:TITLE", "@s40", 6, 4, 214);
    const int track = entryIn("Track#", "?SBK:DISKTRACKNO", "@n6b", 224, 4, 96, 40);
    const int artist = entryIn("Artist", "?SBK:ARTIST", "@s40", 6, 32, 214);
    const int makeId = entryIn("Make ID", "?SBK:MAKEID", "@s2", 224, 32, 96, 24);
    const int discId = entryIn("Mfg. Disk ID", "?SBK:UNQDISKID", "@s15", 6, 60, 105);
    const int altId = entryIn("Alternate Disk ID", "?SBD:ALTDISKID", "@s15", 115, 60, 105);
    const int dateAdded = entryIn("Date Added", "?SBK:DATEADDED", "@d17", 224, 60, 96, 56);
    w.edit(dateAdded).maxChars = 10;

    const int categorize = w.group("", "Categorize", 6, 88, 314, 42);
    const int genrePrompt = w.prompt("?SBK:GENRE:Prompt", "Genre:", 12, 101, 26, 10);
    const int genre = w.combo("?SBK:GENRE", "@s40", 40, 99, 160, 12, {rt::Column{"Genre", 150}});
    const int plus = w.button("?AddGenre", "+", 203, 99, 14, 12);
    w.setTooltip(plus, "Add Your Own Genre Category");
    const int duet = w.check("?SBK:DUET", "Duet?", 230, 100, 84, 10);
    const int omit = w.check("?SBK:PRINT", "Omit Listing in Printed SongBook", 40, 116, 180, 10);
    for (int c : {genrePrompt, genre, plus, duet, omit}) w.edit(c).parent = categorize;

    const int message = w.text("?Message", "", 8, 141, 150, 10);
    const int ok = w.button("?OK", "OK", 164, 138, 48, 14);
    const int cancel = w.button("?Cancel", "Cancel", 218, 138, 48, 14);
    const int help = w.button("?Help", "&Help", 272, 138, 48, 14);
    w.edit(ok).isDefault = true;
    // The listing stays on its disc: the disc ids are edited only when adding a disc.
    if (!adding || toShownDisc) {
        w.disable(discId);
        w.disable(altId);
    }
    if (RememberedPosition) w.setGeometry(RememberedPosition->first, RememberedPosition->second, w.width(), w.height());
    const bool recordPosition = !RememberedPosition;

    // The disc as the last lookup found it (blank when the SongBook does not hold it).
    SBDiscsRecord lookedUp;
    // The host typed an alternate disc id for the new disc; a lookup does not throw it away.
    bool altTyped = false;
    // The genre names offered, without the closing "Add New Genre".
    std::vector<std::string> genres;

    auto showGenre = [&] {
        if (w.value(genre) != SBK.GENRE.str()) w.setValue(genre, SBK.GENRE.str());
    };
    auto lookUpDisc = [&] {
        if (form.validating()) return;
        const std::string typedAlt = SBD.ALTDISKID.str();
        SBD.UNQDISKID = SBK.UNQDISKID;
        SBD.get(SBDiscs::KUNQDISKID);
        if (rt::errorCode() != rt::NoError) {
            SBD.clearBuffer();
            if (adding && altTyped) SBD.ALTDISKID = typedAlt;
        }
        lookedUp = SBD.record();
    };
    auto fillGenres = [&]() -> bool {
        std::vector<std::string> names;
        GEN.set(Genre::KGENRE);
        for (;;) {
            GEN.next();
            const int e = rt::errorCode();
            if (e == rt::NoRecord) break;
            if (e != rt::NoError) {
                ShowWarning(Warning::RecordRetrieval, "Genre");
                w.close();
                return false;
            }
            names.push_back(GEN.GENRE.str());
        }
        std::sort(names.begin(), names.end(), genreOrder);
        names.erase(std::unique(names.begin(), names.end()), names.end());
        // Only a new listing loses a genre the file does not offer; a stored listing keeps its own.
        if (names.empty() && adding) SBK.GENRE.clear();
        genres = names;
        names.push_back(kAddNewGenre);
        w.setChoices(genre, std::move(names));
        showGenre();
        return true;
    };
    auto pickGenre = [&] {
        CallRequest = 0;
        GenrePicker();
    };

    // The genre field: a name the file does not hold is added on request; "Add New Genre"
    // opens the picker and takes the genre highlighted there.
    std::function<bool(bool)> acceptGenre = [&](bool afterAdding) -> bool {
        const rt::Text<40> typed(w.value(genre));
        const std::string previous = SBK.GENRE.str();
        if (typed.blank()) {
            // No genre is a genre too: nothing to add.
            SBK.GENRE.clear();
            showGenre();
            return true;
        }
        std::string entry;
        for (const std::string& g : genres)
            if (rt::equalNoCase(g, typed.str())) {
                entry = g;
                break;
            }
        if (entry.empty() && rt::equalNoCase(kAddNewGenre, typed.str())) entry = kAddNewGenre;
        if (entry.empty()) {
            SBK.GENRE = typed;
            if (afterAdding) return true;
            const int answer = rt::message("The Genre you have entered does not exist.|Do you wish to add it?",
                                           "Genre not found", rt::Icon::Question, rt::BtnYes | rt::BtnNo,
                                           rt::BtnYes);
            if (answer != rt::BtnYes) {
                w.select(genre);
                return false;
            }
            GEN.clearBuffer();
            GEN.GENRE = SBK.GENRE;
            GEN.add();
            if (rt::errorCode() != rt::NoError) {
                ShowWarning(Warning::RecordInsert);
                w.select(genre);
                return false;
            }
            if (!fillGenres()) return false;
            return acceptGenre(true);
        }
        SBK.GENRE = entry;
        if (SBK.GENRE == kAddNewGenre) {
            // Closing the picker over an empty list hands back the genre the listing had.
            GEN.clearBuffer();
            GEN.GENRE = previous;
            pickGenre();
            SBK.GENRE = GEN.GENRE;
            if (!fillGenres()) return false;
            lookUpDisc();
            form.showAll();
            w.select(genre);
            return false;
        }
        showGenre();
        return true;
    };

    // In the window's order, which is the order OK checks them in.
    form.bind(title, "TITLE");
    form.bind(track, "DISKTRACKNO", FieldFormat::NumberBlankZero);
    form.bind(artist, "ARTIST");
    form.bind(makeId, "MAKEID");
    form.bind(discId, "UNQDISKID");
    form.field(
        altId, [&] { if (w.value(altId) != SBD.ALTDISKID.str()) w.setValue(altId, SBD.ALTDISKID.str()); },
        [&] {
            SBD.ALTDISKID = w.value(altId);
            altTyped = true;
            w.setValue(altId, SBD.ALTDISKID.str());
            return true;
        });
    form.bind(dateAdded, "DATEADDED", FieldFormat::ShortDate);
    form.field(genre, showGenre, [&] { return acceptGenre(false); }, "GENRE");
    form.bind(duet, "DUET", FieldFormat::Check);
    form.bind(omit, "PRINT", FieldFormat::Check);
    form.buttons(ok, cancel);
    form.actionMessage(message, "SongBook Listing will be Added", "SongBook Listing will be Changed");

    // A new listing needs a disc id and a custom disc id that no disc of the SongBook has.
    form.checks([&]() -> bool {
        if (!adding || toShownDisc) return true;
        const SBDiscsRecord shown = SBD.record();
        SBD.UNQDISKID = SBK.UNQDISKID;
        SBD.get(SBDiscs::KUNQDISKID);
        const bool discExists = rt::errorCode() == rt::NoError;
        SBD.record() = shown;
        if (discExists) {
            rt::message("Invalid Mfg. Disc ID, ID Already Exists.|Please enter an unused Mfg. ID.");
            w.select(discId);
            return false;
        }
        if (SBD.ALTDISKID.blank()) SBD.ALTDISKID = SBK.UNQDISKID;
        const SBDiscsRecord wanted = SBD.record();
        SBD.get(SBDiscs::KALTDISKID);
        const bool altExists = rt::errorCode() == rt::NoError;
        SBD.record() = wanted;
        form.showAll();
        if (altExists) {
            rt::message("Invalid Alternate Disc ID, ID Already Exists.|Please enter an unused Alternate ID.");
            w.select(altId);
            return false;
        }
        return true;
    });

    // The disc and its first listing come in together or not at all: a refused listing leaves
    // no disc behind.
    form.insertStore([&]() -> InsertOutcome {
        if (toShownDisc) {
            SBK.add();
            if (const int e = rt::errorCode()) {
                SaveFileError();
                return {e, e == rt::DuplicateKey ? "SBK:KUnqDiskID" : ""};
            }
            return {};
        }
        if (!rt::logout(kLockWaitSeconds, {&SBK, &SBD})) {
            const int e = rt::errorCode();
            SaveFileError();
            return {e ? e : rt::IsLocked, {}};
        }
        SBD.UNQDISKID = SBK.UNQDISKID;
        SBD.MAKETYPE = lookedUp.MAKETYPE;
        SBD.MAKEID = lookedUp.MAKEID;
        SBD.add();
        if (const int e = rt::errorCode()) {
            SaveFileError();
            return {e, e == rt::DuplicateKey ? "SBD:KAltDiskID" : ""};
        }
        SBK.add();
        if (const int e = rt::errorCode()) {
            SaveFileError();
            return {e, e == rt::DuplicateKey ? "SBK:KUnqDiskID" : ""};
        }
        rt::commit();
        if (const int e = rt::errorCode()) {
            SaveFileError();
            return {e, {}};
        }
        return {};
    });

    form.beforeFirstDisplay([&] {
        lookUpDisc();
        fillGenres();
    });
    form.beforeRedisplay(lookUpDisc);
    form.open();

    while (w.accept()) {
        if (recordPosition && !RememberedPosition && w.x() >= 0 && w.y() >= 0)
            RememberedPosition = std::make_pair(w.x(), w.y());
        if (w.code() == rt::EvAccepted && w.field() == help) {
            ShowHelpTopic("EditingSongTracks");
            continue;
        }
        if (w.code() == rt::EvAccepted && w.field() == plus) {
            // The listing's genre stays as it is; the choices take in what the picker changed.
            pickGenre();
            lookUpDisc();
            if (fillGenres()) form.showAll();
            continue;
        }
        form.take();
    }
}
