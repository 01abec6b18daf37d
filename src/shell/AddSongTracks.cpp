#include "shell/AddSongTracks.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "data/dmake.h"
#include "data/genre.h"
#include "data/karaoke.h"
#include "data/makeid.h"
#include "data/sartist.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "data/stitle.h"
#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowHelpTopic.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"
#include "shell/AddDiscToLibrary.h"
#include "shell/GenrePicker.h"

namespace {

constexpr int kLockSeconds = 5;
// Master titles offered at a time: those from what was typed on, not the whole file.
constexpr std::size_t kTitleChoices = 100;

std::string codeChoice() { return MAK.MAKEID.str() + " - " + MAK.MAKEDESC.str(); }
std::string codeOf(const std::string& choice) { return rt::trim(choice.substr(0, choice.find(" - "))); }

std::uint32_t trackValue(const std::string& text) {
    const unsigned long v = std::strtoul(text.c_str(), nullptr, 10);
    return static_cast<std::uint32_t>(std::min<unsigned long>(v, std::numeric_limits<std::uint32_t>::max()));
}

class AddTracks {
public:
    AddTracks()
        : w_("Cantorelle V2 SongBook Maker - Add Song Tracks", rt::WindowKind::Dialog, -1, -1, 340, 236,
             {&BRA, &GEN, &KAR, &MAK, &SBD, &SBK, &SAR, &STI}) {
        build();
    }
    void run();

private:
    void build();
    void showMode();
    void fillTitles(const std::string& from);
    void fillArtists();
    void fillDiscs();
    void fillGenres();
    void fillCodes();
    void titleAccepted();
    void artistAccepted();
    void discChosen();
    void propose(const std::string& discId);
    void addDisc();
    void addTrack();
    bool store(std::string& problem);
    void showTrack();

    // The disc chosen in the disc list (its disc id and custom disc id as they were then), so
    // that Add Track finds out when another window renumbered or deleted it meanwhile.
    std::string chosenDisc_, chosenCustomId_;
    std::string goneMessage_;
    bool chosenDiscIsThere();
    bool disclessDisc();

    TaskWindow w_;
    int title_ = 0, artist_ = 0, discless_ = 0, disclessGroup_ = 0, disclessTrack_ = 0;
    int discGroup_ = 0, disc_ = 0, addDisc_ = 0, trackGroup_ = 0, track_ = 0;
    int genre_ = 0, addGenre_ = 0, duet_ = 0, code_ = 0, omit_ = 0, help_ = 0, add_ = 0, cancel_ = 0;
    std::vector<std::string> artists_;
    std::uint32_t trackNo_ = 0;
};

void AddTracks::build() {
    rt::Window& w = w_;
    w.text("?Explain1", "Adding Custom One-of-a-Kind Disc(s)", 8, 4, 324, 10);
    w.edit(w.find("?Explain1")).font = rt::Font{"", 0, 700};
    w.text("?Explain2",
           "This feature may be used to add tracks found on custom discs. Simply add each track one at a time, after "
           "each successful addition you will be prompted to add another track.",
           8, 14, 324, 18);
    w.text("?Explain3", "The track number will automatically increment to the next available track on the disc.", 8,
           32, 324, 10);
    auto grouped = [&](const char* caption, int x, int y, int width, int control) {
        const int g = w.group("", caption, x, y, width, 26);
        w.edit(control).parent = g;
        return g;
    };
    title_ = w.combo("?SBK:TITLE", "@s40", 14, 56, 312, 12, {rt::Column{"Title", 300}});
    grouped("Title", 8, 46, 324, title_);
    artist_ = w.combo("?SBK:ARTIST", "@s40", 14, 84, 312, 12, {rt::Column{"Artist", 300}});
    grouped("Artist", 8, 74, 324, artist_);
    discless_ = w.check("?DiscLess", "DiscLess Track?  (Cavs,MP3+G, etc.)", 8, 104, 200, 10);
    w.setValue(discless_, "0");
    disclessTrack_ = w.entry("?DisclessTrack", "@n8", 14, 128, 60, 12);
    disclessGroup_ = grouped("Track No.", 8, 118, 80, disclessTrack_);
    disc_ = w.add(rt::ControlKind::DropList, "?SBK:UNQDISKID", "", 14, 128, 110, 12);
    w.setColumns(disc_, {rt::Column{"Alt Disk ID", 100}});
    discGroup_ = grouped("Disc ID", 8, 118, 138, disc_);
    addDisc_ = w.button("?AddDisc", "+", 128, 128, 14, 12);
    w.setTooltip(addDisc_, "Add New Disc to Collection");
    w.edit(addDisc_).parent = discGroup_;
    track_ = w.entry("?SBK:DISKTRACKNO", "@n8", 156, 128, 60, 12);
    trackGroup_ = grouped("Track", 150, 118, 72, track_);
    genre_ = w.add(rt::ControlKind::DropList, "?SBK:GENRE", "", 14, 158, 180, 12);
    w.setColumns(genre_, {rt::Column{"Genre", 170}});
    const int genreGroup = grouped("Genre", 8, 148, 214, genre_);
    addGenre_ = w.button("?AddGenre", "+", 198, 158, 14, 12);
    w.edit(addGenre_).parent = genreGroup;
    duet_ = w.check("?SBK:DUET", "Duet", 230, 158, 60, 10);
    w.setValue(duet_, "0");
    code_ = w.add(rt::ControlKind::DropList, "?SBK:MAKEID", "", 14, 186, 180, 12);
    w.setColumns(code_, {rt::Column{"MAKEID", 40}, rt::Column{"MAKEDESC", 130}});
    grouped("Mfr. ID", 8, 176, 214, code_);
    omit_ = w.check("?SBK:PRINT", "Do Not Print This Track", 230, 186, 104, 10);
    w.setValue(omit_, "0");
    help_ = w.button("?Help", "&Help", 8, 214, 54, 16);
    add_ = w.button("?AddTrack", "Add Track", 210, 214, 60, 16);
    cancel_ = w.button("?Cancel", "Cancel", 276, 214, 56, 16);
    w.edit(add_).isDefault = true;
}

void AddTracks::showMode() {
    const bool on = w_.value(discless_) == "1";
    for (int id : {disclessGroup_, disclessTrack_}) w_.hide(id, !on);
    for (int id : {discGroup_, disc_, addDisc_, trackGroup_, track_}) w_.hide(id, on);
}

void AddTracks::showTrack() {
    const std::string text = trackNo_ ? std::to_string(trackNo_) : std::string();
    w_.setValue(track_, text);
    w_.setValue(disclessTrack_, text);
}

// Titles of the master data from the one typed on (the file may hold a million).
void AddTracks::fillTitles(const std::string& from) {
    std::vector<std::string> titles;
    STI.clearBuffer();
    STI.TITLE = from;
    // The lists of choices here end where a record cannot be read.
    RecordReader master(STI, sTitle::KTITLE, RecordReader::Quiet, RecordReader::BufferValues);
    while (titles.size() < kTitleChoices && master.next()) titles.push_back(STI.TITLE.str());
    rt::clearError();
    w_.setChoices(title_, titles);
}

// The artists the master tracks give the title.
void AddTracks::fillArtists() {
    std::set<std::string, bool (*)(const std::string&, const std::string&)> seen(
        [](const std::string& a, const std::string& b) { return rt::compareNoCase(a, b) < 0; });
    const std::string title = w_.value(title_);
    KAR.clearBuffer();
    KAR.TITLE = title;
    RecordReader tracks(KAR, KARAOKE::KTITLE, RecordReader::Quiet, RecordReader::BufferValues);
    while (tracks.next() && rt::equalNoCase(KAR.TITLE.str(), title))
        if (!KAR.ARTIST.blank()) seen.insert(KAR.ARTIST.str());
    rt::clearError();
    artists_.assign(seen.begin(), seen.end());
    w_.setChoices(artist_, artists_);
}

void AddTracks::fillDiscs() {
    std::vector<std::string> ids;
    RecordReader discs(SBD, SBDiscs::KALTDISKID, RecordReader::Quiet);
    while (discs.next()) ids.push_back(SBD.ALTDISKID.str());
    rt::clearError();
    w_.setChoices(disc_, ids);
    if (ids.empty()) w_.setValue(disc_, "");
}

void AddTracks::fillGenres() {
    std::vector<std::string> names;
    RecordReader genres(GEN, Genre::KGENRE, RecordReader::Quiet);
    while (genres.next()) names.push_back(GEN.GENRE.str());
    rt::clearError();
    w_.setChoices(genre_, names);
    if (names.empty()) w_.setValue(genre_, "");
}

void AddTracks::fillCodes() {
    std::vector<std::string> codes;
    RecordReader makers(MAK, MakeId::KMAKEID, RecordReader::Quiet);
    while (makers.next()) codes.push_back(codeChoice());
    rt::clearError();
    w_.setChoices(code_, codes);
}

void AddTracks::titleAccepted() {
    const std::string title = w_.value(title_);
    STI.clearBuffer();
    STI.TITLE = title;
    STI.get(sTitle::KTITLE);
    const bool known = rt::errorCode() == rt::NoError;
    rt::clearError();
    fillTitles(title);
    w_.setValue(artist_, "");
    fillArtists();
    if (!artists_.empty()) w_.setValue(artist_, artists_.front());
    // A title the master data does not know may be the host's own: it stays, with the cursor.
    if (!known) w_.select(title_);
}

void AddTracks::artistAccepted() {
    const std::string typed = w_.value(artist_);
    for (const std::string& a : artists_)
        if (rt::equalNoCase(a, typed)) {
            w_.setValue(artist_, a);
            return;
        }
    w_.select(artist_);
}

// The next free track of a disc: the highest it has plus one.
void AddTracks::propose(const std::string& discId) {
    SBK.clearBuffer();
    SBK.UNQDISKID = discId;
    SBK.DISKTRACKNO = std::numeric_limits<std::uint32_t>::max();
    SBK.setAt(SongBook::KUNQDISKID);
    SBK.previous();
    trackNo_ = 1;
    if (rt::errorCode() == rt::NoError && rt::equalNoCase(SBK.UNQDISKID.str(), discId) &&
        SBK.DISKTRACKNO < std::numeric_limits<std::uint32_t>::max())
        trackNo_ = SBK.DISKTRACKNO + 1;
    rt::clearError();
    SBK.clearBuffer();
    showTrack();
}

void AddTracks::discChosen() {
    SBD.clearBuffer();
    SBD.ALTDISKID = w_.value(disc_);
    SBD.get(SBDiscs::KALTDISKID);
    if (rt::errorCode() != rt::NoError) {
        rt::message("ERROR: " + std::to_string(rt::errorCode()));
        rt::clearError();
        return;
    }
    chosenDisc_ = SBD.UNQDISKID.str();
    chosenCustomId_ = SBD.ALTDISKID.str();
    propose(SBD.UNQDISKID.str());
    const std::string code = SBD.MAKETYPE.str();
    MAK.clearBuffer();
    MAK.MAKEID = code;
    MAK.get(MakeId::KMAKEID);
    w_.setValue(code_, rt::errorCode() == rt::NoError ? codeChoice() : code);
    rt::clearError();
}

void AddTracks::addDisc() {
    SBK.UNQDISKID.clear();  // the new disc's custom disc id comes back here
    AddDiscToLibrary();
    const std::string alt = SBK.UNQDISKID.str();
    if (alt.empty()) return;  // cancelled: the window stays as it was
    // The new disc as the dialog left it, before filling the list reads every disc.
    const SBDiscsRecord added = SBD.record();
    fillDiscs();
    w_.setValue(disc_, alt);
    chosenDisc_ = added.UNQDISKID.str();
    chosenCustomId_ = added.ALTDISKID.str();
    trackNo_ = 1;
    showTrack();
    MAK.clearBuffer();
    MAK.MAKEID = added.MAKETYPE;
    MAK.get(MakeId::KMAKEID);
    w_.setValue(code_, rt::errorCode() == rt::NoError ? codeChoice() : added.MAKETYPE.str());
    rt::clearError();
}

// The disc record of the discless tracks ("*" / "*") in the disc record buffer, made when the
// SongBook has none yet; false when it could not be made.
bool AddTracks::disclessDisc() {
    SBD.clearBuffer();
    SBD.ALTDISKID = "*";
    SBD.get(SBDiscs::KALTDISKID);
    if (rt::errorCode() == rt::NoError) return true;
    SBD.clearBuffer();
    SBD.UNQDISKID = "*";
    SBD.get(SBDiscs::KUNQDISKID);
    if (rt::errorCode() == rt::NoError) return true;
    SBD.clearBuffer();
    SBD.UNQDISKID = "*";
    SBD.ALTDISKID = "*";
    SBD.add();
    return rt::errorCode() == rt::NoError;
}

// Whether the disc chosen in the list is still the disc of that custom disc id (in the disc
// record buffer then); otherwise goneMessage_ says what became of it. Another window may have
// renumbered or deleted it since it was chosen.
bool AddTracks::chosenDiscIsThere() {
    const std::string typed = rt::clip(w_.value(disc_));
    SBD.clearBuffer();
    SBD.ALTDISKID = typed;
    SBD.get(SBDiscs::KALTDISKID);
    const bool found = rt::errorCode() == rt::NoError;
    rt::clearError();
    if (found && (chosenDisc_.empty() || rt::equalNoCase(SBD.UNQDISKID.str(), chosenDisc_))) return true;
    const std::string was = chosenCustomId_.empty() || !rt::equalNoCase(chosenCustomId_, typed) ? typed : chosenCustomId_;
    goneMessage_ = "The disc " + was + " is no longer in the SongBook: another window deleted it.";
    if (!chosenDisc_.empty()) {
        SBD.clearBuffer();
        SBD.UNQDISKID = chosenDisc_;
        SBD.get(SBDiscs::KUNQDISKID);
        if (rt::errorCode() == rt::NoError)
            goneMessage_ = "The disc " + was + " is now disc " + SBD.ALTDISKID.str() +
                           ": another window renumbered it.";
        rt::clearError();
    }
    goneMessage_ += "||No track was added. Please choose the disc again.";
    return false;
}

// The listing, and its disc when the SongBook does not hold it, in one transaction: a refused
// listing leaves no disc behind.
bool AddTracks::store(std::string& problem) {
    if (!rt::logout(kLockSeconds, {&SBK, &SBD})) {
        SaveFileError();
        problem = "lock";
        return false;
    }
    const SongBookRecord listing = SBK.record();
    const std::string typed = listing.UNQDISKID.str();
    if (typed != "*") {
        // A disc of the list: it must still be the one chosen. No disc is made for it.
        if (!chosenDiscIsThere()) {
            problem = "gone";
            return false;
        }
    } else if (!disclessDisc()) {
        SaveFileError();
        problem = "disc";
        return false;
    }
    SBK.record() = listing;
    SBK.UNQDISKID = SBD.UNQDISKID;
    SBK.add();
    if (rt::errorCode() != rt::NoError) {
        problem = rt::errorCode() == rt::DuplicateKey ? "duplicate" : "listing";
        SaveFileError();
        return false;
    }
    rt::commit();
    if (rt::errorCode() != rt::NoError) {
        SaveFileError();
        problem = "listing";
        return false;
    }
    return true;
}

void AddTracks::addTrack() {
    const bool discless = w_.value(discless_) == "1";
    trackNo_ = trackValue(w_.value(discless ? disclessTrack_ : track_));
    const std::string alt = discless ? std::string("*") : rt::clip(w_.value(disc_));
    SBK.clearBuffer();
    SBK.TITLE = w_.value(title_);
    SBK.ARTIST = w_.value(artist_);
    SBK.UNQDISKID = alt;
    SBK.DISKTRACKNO = trackNo_;
    SBK.GENRE = w_.value(genre_);
    SBK.DUET = w_.value(duet_) == "1" ? "X" : "";
    SBK.PRINT = w_.value(omit_) == "1" ? "X" : "";
    SBK.MAKEID = codeOf(w_.value(code_));
    SBK.DATEADDED = rt::today();
    if (SBK.TITLE.blank() || SBK.ARTIST.blank() || SBK.UNQDISKID.blank() || SBK.DISKTRACKNO == 0) {
        rt::message("Song Title, Artist Name, Disc ID and Track# are Required");
        return;
    }
    std::string problem;
    if (!store(problem)) {
        if (rt::inTransaction()) rt::rollback();
        if (problem == "duplicate") {
            rt::message("Track# already in use, please select another..");
            w_.select(discless ? disclessTrack_ : track_);
        } else if (problem == "gone") {
            rt::message(goneMessage_, "Add Song Tracks", rt::Icon::Exclamation);
            fillDiscs();
            w_.setValue(disc_, "");
            chosenDisc_.clear();
            chosenCustomId_.clear();
            w_.select(disc_);
        } else {
            // Nothing was added: the window stays with what was entered.
            ShowWarning(Warning::RecordInsert);
        }
        return;
    }
    const int answer = rt::message("Track successfully added.||Do you wish to add another track to this disc?", "",
                                   rt::Icon::Question, rt::BtnYes | rt::BtnNo, rt::BtnYes);
    if (answer != rt::BtnYes) {
        w_.close();
        return;
    }
    // The disc, its code and the next track stay; the song is new.
    ++trackNo_;
    showTrack();
    for (int id : {title_, artist_}) w_.setValue(id, "");
    for (int id : {duet_, omit_}) w_.setValue(id, "0");
    w_.setValue(genre_, "");
    w_.select(title_);
}

void AddTracks::run() {
    SBK.clearBuffer();
    showMode();
    w_.onFirstDisplay([this] {
        fillGenres();
        fillCodes();
        fillDiscs();
        fillTitles("");
        fillArtists();
        w_.select(title_);
    });
    w_.open();
    while (w_.accept()) {
        if (w_.code() != rt::EvAccepted) continue;
        const int id = w_.field();
        if (id == title_) {
            titleAccepted();
        } else if (id == artist_) {
            artistAccepted();
        } else if (id == discless_) {
            showMode();
            if (w_.value(discless_) == "1") propose("*");
        } else if (id == disc_) {
            discChosen();
        } else if (id == addDisc_) {
            addDisc();
        } else if (id == addGenre_) {
            const std::string kept = w_.value(genre_);
            CallRequest = 0;
            GenrePicker();
            fillGenres();
            w_.setValue(genre_, kept);
        } else if (id == add_) {
            addTrack();
        } else if (id == help_) {
            ShowHelpTopic("AddTracks");
        } else if (id == cancel_) {
            w_.close();
        }
    }
}

}  // namespace

void AddSongTracks() {
    AddTracks window;
    window.run();
}
