#include "shell/UpdateSongBookListing.h"

#include <algorithm>
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
#include "services/ReadEveryRecord.h"
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

// The form's window: one method per field step and command.
class ListingForm {
public:
    explicit ListingForm(bool toShownDisc) : toShownDisc_(toShownDisc) {}
    void run();

private:
    int entryIn(const char* group, const char* name, const char* picture, int x, int y, int width,
                int entryWidth = 0);
    void build();
    void bindFields();

    void showGenre();
    void lookUpDisc();
    bool fillGenres();
    void pickGenre();
    bool acceptGenre(bool afterAdding);
    bool addTypedGenre();
    bool chooseInPicker(const std::string& previous);
    void showAltId();
    bool acceptAltId();
    bool checkNewDisc();
    InsertOutcome storeInsert();
    void plusPressed();

    // The disc ids are shown but not edited: the listing goes to the disc the caller shows.
    const bool toShownDisc_;
    TaskWindow w_{"Update SongBook Listing....", rt::WindowKind::Dialog, -1, -1, 326, 158};
    RecordForm form_{w_, {&SBK, &ListingHistory, PrepareSongBookUpdate, SafeUpdateSongBook, SafeDeleteSongBook,
                          "SBK:KUnqDiskID", {&SBK, &SBD, &GEN}}};
    bool adding_ = false;
    int title_ = 0, track_ = 0, artist_ = 0, makeId_ = 0, discId_ = 0, altId_ = 0, dateAdded_ = 0;
    int genre_ = 0, plus_ = 0, duet_ = 0, omit_ = 0, message_ = 0, ok_ = 0, cancel_ = 0, help_ = 0;
    bool recordPosition_ = false;

    // The disc as the last lookup found it (blank when the SongBook does not hold it).
    SBDiscsRecord lookedUp_;
    // The host typed an alternate disc id for the new disc; a lookup does not throw it away.
    bool altTyped_ = false;
    // The genre names offered, without the closing "Add New Genre".
    std::vector<std::string> genres_;
};

// Each field sits in its own titled group; the groups form a grid with a 4-unit gutter.
int ListingForm::entryIn(const char* group, const char* name, const char* picture, int x, int y, int width,
                         int entryWidth) {
    const int g = w_.group("", group, x, y, width, 26);
    const int e = w_.entry(name, picture, x + 6, y + 10, entryWidth ? entryWidth : width - 12, 12);
    w_.edit(e).parent = g;
    return e;
}

void ListingForm::build() {
    title_ = entryIn("Title", "?SBK:TITLE", "@s40", 6, 4, 214);
    track_ = entryIn("Track#", "?SBK:DISKTRACKNO", "@n6b", 224, 4, 96, 40);
    artist_ = entryIn("Artist", "?SBK:ARTIST", "@s40", 6, 32, 214);
    makeId_ = entryIn("Make ID", "?SBK:MAKEID", "@s2", 224, 32, 96, 24);
    discId_ = entryIn("Mfg. Disk ID", "?SBK:UNQDISKID", "@s15", 6, 60, 105);
    altId_ = entryIn("Alternate Disk ID", "?SBD:ALTDISKID", "@s15", 115, 60, 105);
    dateAdded_ = entryIn("Date Added", "?SBK:DATEADDED", "@d17", 224, 60, 96, 56);
    w_.edit(dateAdded_).maxChars = 10;

    const int categorize = w_.group("", "Categorize", 6, 88, 314, 42);
    const int genrePrompt = w_.prompt("?SBK:GENRE:Prompt", "Genre:", 12, 101, 26, 10);
    genre_ = w_.combo("?SBK:GENRE", "@s40", 40, 99, 160, 12, {rt::Column{"Genre", 150}});
    plus_ = w_.button("?AddGenre", "+", 203, 99, 14, 12);
    w_.setTooltip(plus_, "Add Your Own Genre Category");
    duet_ = w_.check("?SBK:DUET", "Duet?", 230, 100, 84, 10);
    omit_ = w_.check("?SBK:PRINT", "Omit Listing in Printed SongBook", 40, 116, 180, 10);
    for (int c : {genrePrompt, genre_, plus_, duet_, omit_}) w_.edit(c).parent = categorize;

    message_ = w_.text("?Message", "", 8, 141, 150, 10);
    ok_ = w_.button("?OK", "OK", 164, 138, 48, 14);
    cancel_ = w_.button("?Cancel", "Cancel", 218, 138, 48, 14);
    help_ = w_.button("?Help", "&Help", 272, 138, 48, 14);
    w_.edit(ok_).isDefault = true;
    // The listing stays on its disc: the disc ids are edited only when adding a disc.
    if (!adding_ || toShownDisc_) {
        w_.disable(discId_);
        w_.disable(altId_);
    }
    if (RememberedPosition) w_.setGeometry(RememberedPosition->first, RememberedPosition->second, w_.width(), w_.height());
    recordPosition_ = !RememberedPosition;
}

void ListingForm::showGenre() {
    if (w_.value(genre_) != SBK.GENRE.str()) w_.setValue(genre_, SBK.GENRE.str());
}

void ListingForm::lookUpDisc() {
    if (form_.validating()) return;
    const std::string typedAlt = SBD.ALTDISKID.str();
    SBD.UNQDISKID = SBK.UNQDISKID;
    SBD.get(SBDiscs::KUNQDISKID);
    if (rt::errorCode() != rt::NoError) {
        SBD.clearBuffer();
        if (adding_ && altTyped_) SBD.ALTDISKID = typedAlt;
    }
    lookedUp_ = SBD.record();
}

bool ListingForm::fillGenres() {
    std::vector<std::string> names;
    RecordReader genres(GEN, Genre::KGENRE);
    while (genres.next()) names.push_back(GEN.GENRE.str());
    if (genres.failed()) {
        w_.close();
        return false;
    }
    std::sort(names.begin(), names.end(), genreOrder);
    names.erase(std::unique(names.begin(), names.end()), names.end());
    // Only a new listing loses a genre the file does not offer; a stored listing keeps its own.
    if (names.empty() && adding_) SBK.GENRE.clear();
    genres_ = names;
    names.push_back(kAddNewGenre);
    w_.setChoices(genre_, std::move(names));
    showGenre();
    return true;
}

void ListingForm::pickGenre() {
    CallRequest = 0;
    GenrePicker();
}

// The genre field: a name the file does not hold is added on request; "Add New Genre" opens
// the picker and takes the genre highlighted there.
bool ListingForm::acceptGenre(bool afterAdding) {
    const rt::Text<40> typed(w_.value(genre_));
    const std::string previous = SBK.GENRE.str();
    if (typed.blank()) {
        // No genre is a genre too: nothing to add.
        SBK.GENRE.clear();
        showGenre();
        return true;
    }
    std::string entry;
    for (const std::string& g : genres_)
        if (rt::equalNoCase(g, typed.str())) {
            entry = g;
            break;
        }
    if (entry.empty() && rt::equalNoCase(kAddNewGenre, typed.str())) entry = kAddNewGenre;
    if (entry.empty()) {
        SBK.GENRE = typed;
        if (afterAdding) return true;
        return addTypedGenre();
    }
    SBK.GENRE = entry;
    if (SBK.GENRE == kAddNewGenre) return chooseInPicker(previous);
    showGenre();
    return true;
}

// A genre typed that the file does not hold: added when the host says so.
bool ListingForm::addTypedGenre() {
    const int answer = rt::message("The Genre you have entered does not exist.|Do you wish to add it?",
                                   "Genre not found", rt::Icon::Question, rt::BtnYes | rt::BtnNo, rt::BtnYes);
    if (answer != rt::BtnYes) {
        w_.select(genre_);
        return false;
    }
    GEN.clearBuffer();
    GEN.GENRE = SBK.GENRE;
    GEN.add();
    if (rt::errorCode() != rt::NoError) {
        ShowWarning(Warning::RecordInsert);
        w_.select(genre_);
        return false;
    }
    if (!fillGenres()) return false;
    return acceptGenre(true);
}

// "Add New Genre": the genre highlighted in the picker when it closes.
bool ListingForm::chooseInPicker(const std::string& previous) {
    // Closing the picker over an empty list hands back the genre the listing had.
    GEN.clearBuffer();
    GEN.GENRE = previous;
    pickGenre();
    SBK.GENRE = GEN.GENRE;
    if (!fillGenres()) return false;
    lookUpDisc();
    form_.showAll();
    w_.select(genre_);
    return false;
}

void ListingForm::showAltId() {
    if (w_.value(altId_) != SBD.ALTDISKID.str()) w_.setValue(altId_, SBD.ALTDISKID.str());
}

bool ListingForm::acceptAltId() {
    SBD.ALTDISKID = w_.value(altId_);
    altTyped_ = true;
    w_.setValue(altId_, SBD.ALTDISKID.str());
    return true;
}

// A new listing needs a disc id and a custom disc id that no disc of the SongBook has.
bool ListingForm::checkNewDisc() {
    if (!adding_ || toShownDisc_) return true;
    const SBDiscsRecord shown = SBD.record();
    SBD.UNQDISKID = SBK.UNQDISKID;
    SBD.get(SBDiscs::KUNQDISKID);
    const bool discExists = rt::errorCode() == rt::NoError;
    SBD.record() = shown;
    if (discExists) {
        rt::message("Invalid Mfg. Disc ID, ID Already Exists.|Please enter an unused Mfg. ID.");
        w_.select(discId_);
        return false;
    }
    if (SBD.ALTDISKID.blank()) SBD.ALTDISKID = SBK.UNQDISKID;
    const SBDiscsRecord wanted = SBD.record();
    SBD.get(SBDiscs::KALTDISKID);
    const bool altExists = rt::errorCode() == rt::NoError;
    SBD.record() = wanted;
    form_.showAll();
    if (altExists) {
        rt::message("Invalid Alternate Disc ID, ID Already Exists.|Please enter an unused Alternate ID.");
        w_.select(altId_);
        return false;
    }
    return true;
}

// The disc and its first listing come in together or not at all: a refused listing leaves no
// disc behind.
InsertOutcome ListingForm::storeInsert() {
    if (toShownDisc_) {
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
    SBD.MAKETYPE = lookedUp_.MAKETYPE;
    SBD.MAKEID = lookedUp_.MAKEID;
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
}

// In the window's order, which is the order OK checks them in.
void ListingForm::bindFields() {
    form_.bind(title_, "TITLE");
    form_.bind(track_, "DISKTRACKNO", FieldFormat::NumberBlankZero);
    form_.bind(artist_, "ARTIST");
    form_.bind(makeId_, "MAKEID");
    form_.bind(discId_, "UNQDISKID");
    form_.field(altId_, [this] { showAltId(); }, [this] { return acceptAltId(); });
    form_.bind(dateAdded_, "DATEADDED", FieldFormat::ShortDate);
    form_.field(genre_, [this] { showGenre(); }, [this] { return acceptGenre(false); }, "GENRE");
    form_.bind(duet_, "DUET", FieldFormat::Check);
    form_.bind(omit_, "PRINT", FieldFormat::Check);
    form_.buttons(ok_, cancel_);
    form_.actionMessage(message_, "SongBook Listing will be Added", "SongBook Listing will be Changed");
    form_.checks([this] { return checkNewDisc(); });
    form_.insertStore([this] { return storeInsert(); });
    form_.beforeFirstDisplay([this] {
        lookUpDisc();
        fillGenres();
    });
    form_.beforeRedisplay([this] { lookUpDisc(); });
}

// The listing's genre stays as it is; the choices take in what the picker changed.
void ListingForm::plusPressed() {
    pickGenre();
    lookUpDisc();
    if (fillGenres()) form_.showAll();
}

void ListingForm::run() {
    if (form_.runDelete()) return;
    form_.prime([] { SBK.DATEADDED = rt::today(); });
    adding_ = form_.inserting();
    build();
    bindFields();
    form_.open();

    while (w_.accept()) {
        if (recordPosition_ && !RememberedPosition && w_.x() >= 0 && w_.y() >= 0)
            RememberedPosition = std::make_pair(w_.x(), w_.y());
        if (w_.code() == rt::EvAccepted && w_.field() == help_) {
            ShowHelpTopic("EditingSongTracks");
            continue;
        }
        if (w_.code() == rt::EvAccepted && w_.field() == plus_) {
            plusPressed();
            continue;
        }
        form_.take();
    }
}

}  // namespace

void UpdateSongBookListingOnDisc() {
    onExistingDisc = true;
    UpdateSongBookListing();
}

void UpdateSongBookListing() {
    const bool toShownDisc = onExistingDisc && CallRequest == 1;
    onExistingDisc = false;
    ListingForm(toShownDisc).run();
}
