#include "exchange/Mp3gSongBookBuilder.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <limits>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/files/file_util.h"
#include "runtime/files/folder.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/ShowHelpTopic.h"
#include "services/ShowWarning.h"
#include "services/SlicedWork.h"
#include "services/TaskWindow.h"

namespace {

constexpr const char* kTitle = "MP3+G SongBook Builder";
constexpr const char* kHelpTopic = "UsingtheMP3GSongBookBuilder";
// Folders named one by one in the closing message; the rest are counted.
constexpr std::size_t kNamedFolders = 8;
// How long the builder waits for another window's hold on the SongBook.
constexpr int kLockSeconds = 5;

// The two halves of "A - B.ext": text before the first " -" and the rest without its
// extension, both trimmed.
bool splitPair(const std::string& rest, std::string& first, std::string& second) {
    const auto dash = rest.find(" -");
    if (dash == std::string::npos) return false;
    first = rt::trim(rest.substr(0, dash));
    std::string after = rest.substr(dash + 2);
    const std::size_t chars = rt::length(after);
    after = chars > 4 ? rt::cut(after, chars - 4) : std::string();
    second = rt::trim(after);
    return true;
}

bool allDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

std::string errorNumber() { return std::to_string(rt::errorCode()); }

}  // namespace

std::optional<SongFileName> ParseSongFileName(const std::string& fileName, int form) {
    // Control characters are blanks, as a host sees them, so that none reaches a listing or
    // the pages made from it.
    const std::string name = rt::blankControls(fileName);
    if (name.find('-') == std::string::npos) return std::nullopt;
    SongFileName out;
    std::string rest = name;
    if (form == 1 || form == 2) {
        const auto blank = name.find(' ');
        if (blank == std::string::npos) return std::nullopt;
        const std::string token = rt::upper(name.substr(0, blank));
        const auto hyphen = token.rfind('-');
        if (hyphen == std::string::npos) return std::nullopt;
        const std::string disc = rt::cut(token.substr(0, hyphen), 15);
        const std::string track = token.substr(hyphen + 1);
        // A track of anything but digits, or one past the field's range, does not fit.
        if (rt::trim(disc).empty() || !allDigits(track) || track.size() > 9) return std::nullopt;
        out.discId = rt::clip(disc);
        out.track = std::stoul(track);
        out.makeId = rt::cut(out.discId, 2);
        rest = name.substr(blank + 1);
        rest.erase(0, rest.find_first_not_of(" -") == std::string::npos ? rest.size()
                                                                         : rest.find_first_not_of(" -"));
    } else if (form != 3 && form != 4) {
        return std::nullopt;
    }
    std::string first, second;
    if (!splitPair(rest, first, second) || first.empty() || second.empty()) return std::nullopt;
    const bool artistFirst = form == 1 || form == 3;
    out.artist = artistFirst ? first : second;
    out.title = artistFirst ? second : first;
    return out;
}

// --- the scan ---

void Mp3gScan::run(const std::string& source) {
    added = 0;
    unreadable.clear();
    notAdded = 0;
    refusedDisc.clear();
    stopped = false;
    failure.clear();
    visited_.clear();
    lastDisc_.clear();

    // Discless tracks are numbered after the highest one the SongBook has.
    discless_ = 0;
    SBK.clearBuffer();
    SBK.UNQDISKID = "*";
    SBK.DISKTRACKNO = std::numeric_limits<std::uint32_t>::max();
    SBK.setAt(SongBook::KUNQDISKID);
    SBK.previous();
    if (rt::errorCode() == rt::NoError && SBK.UNQDISKID == "*") discless_ = SBK.DISKTRACKNO;

    // The batches are committed as they go; the keys that allow duplicates are built once at
    // the end of the run, not record by record from the first commit on.
    SBK.bulkAdding(true);
    SBD.bulkAdding(true);
    if (begin()) {
        scanFolder(rt::longPath(source));
        if (inTransaction_) commitBatch();
    }
    for (rt::RecordFile* f : {static_cast<rt::RecordFile*>(&SBK), static_cast<rt::RecordFile*>(&SBD)}) {
        f->bulkAdding(false);
        if (rt::errorCode() != rt::NoError) fail("The SongBook's keys could not be built");
    }
}

// Listings and discs are written in batches, one transaction over both files: a commit per
// song file would cost a disc sync each.
bool Mp3gScan::begin() {
    pending_ = 0;
    batchMet_.clear();
    if (!rt::logout(kLockSeconds, {&SBD, &SBK}))
        return fail("The SongBook could not be locked for writing");
    inTransaction_ = true;
    lastCommit_ = std::chrono::steady_clock::now();
    return true;
}

bool Mp3gScan::commitBatch() {
    inTransaction_ = false;
    rt::commit();  // a commit that fails rolls back
    if (rt::errorCode() != rt::NoError) {
        const bool reported = fail("The SongBook could not be written");
        takeBack();
        return reported;
    }
    added += pending_;
    pending_ = 0;
    batchMet_.clear();
    return true;
}

// The batch in flight is gone: its songs count as not met, so a later run adds them.
void Mp3gScan::takeBack() {
    if (inTransaction_) rt::rollback();
    inTransaction_ = false;
    for (const auto& pair : batchMet_) met_.erase(pair);
    batchMet_.clear();
    pending_ = 0;
    lastDisc_.clear();
}

// Stops the run with the reason and the error that caused it; false.
bool Mp3gScan::fail(const std::string& what) {
    if (failure.empty()) failure = what + ".  Error: " + WarningErrorPart() + ".";
    stopped = true;
    return false;
}

void Mp3gScan::scanFolder(const std::string& folder) {
    if (stopped || !visited_.insert(folder).second) return;
    std::vector<rt::DirEntry> entries = rt::listDirectory(folder, "*");
    if (rt::errorCode() != rt::NoError) {
        unreadable.push_back(rt::utf8OrCp1252(folder));
        return;
    }
    const char* pattern = compressed ? "*.zip" : "*.cdg";
    for (const rt::DirEntry& e : entries) {
        // Names starting with "." are hidden files, such as the "._NAME.zip" companions that
        // macOS leaves beside each song: skipped as hidden folders are.
        if (e.isFolder || e.name.starts_with(".") || !rt::matchesPattern(e.name, pattern)) continue;
        if (!handle(folder, e.name)) break;
    }
    if (!subFolders) return;
    for (const rt::DirEntry& e : entries) {
        if (stopped) return;
        // Links to folders are not followed (a link to a parent would never end), nor are
        // hidden folders.
        if (!e.isFolder || e.isLink || e.name.starts_with(".")) continue;
        scanFolder(e.path);
    }
}

// One entry of a folder; false when the rest of the folder is to be skipped.
bool Mp3gScan::handle(const std::string& folder, const std::string& fileName) {
    if (slice_.over()) {
        // What was written is committed now and then while the window waits, so a long run
        // keeps its work and others see it; not at every pause, which would cost a disc sync
        // per 50 files.
        const bool commit = std::chrono::steady_clock::now() - lastCommit_ >= commitEvery;
        if (commit && !commitBatch()) return false;
        const Pause p = pause ? pause(folder) : Pause::Go;
        if (p == Pause::Stop) {
            stopped = true;
            return false;
        }
        if (commit && !begin()) return false;
        if (p == Pause::SkipFolder) return false;  // the share stays used: the next entry pauses again
        slice_.start();
    }

    const std::string name = rt::utf8OrCp1252(fileName);
    const std::optional<SongFileName> parsed = ParseSongFileName(name, form);
    if (!parsed) return true;

    SongBookRecord listing;
    listing.TITLE = parsed->title;
    listing.ARTIST = parsed->artist;
    listing.DATEADDED = rt::today();
    std::string disc = parsed->discId;
    unsigned long track = parsed->track;
    if (form == 3 || form == 4) {
        SBK.record() = listing;
        SBK.get(SongBook::KMATCHSONG);
        if (rt::errorCode() == rt::NoError) return true;  // this song is in the SongBook already
        if (rt::errorCode() != rt::RecordNotFound) return fail("The SongBook's listings could not be read");
        disc = "*";
        track = ++discless_;
    } else {
        listing.MAKEID = parsed->makeId;
    }
    if (!met_.insert({disc, track}).second) return true;
    batchMet_.emplace_back(disc, track);

    if (!discReady(disc)) {
        if (!failure.empty()) return false;
        if (refusedDisc.empty()) refusedDisc = disc;
        ++notAdded;
        return true;
    }
    listing.UNQDISKID = disc;
    listing.DISKTRACKNO = static_cast<std::uint32_t>(track);
    SBK.record() = listing;
    // (disc id, track) is a unique key: a song the SongBook holds already is refused there.
    SBK.add();
    if (rt::errorCode() == rt::NoError) ++pending_;
    else if (rt::errorCode() != rt::DuplicateKey)
        return fail("The listing of \"" + rt::blankControls(name) + "\" could not be added");
    return true;
}

// The disc has its record, or gets one now (its custom id is its disc id). False when the
// SongBook refuses it (its id is another disc's custom id), or with the failure set when it
// could not be read or written.
bool Mp3gScan::discReady(const std::string& discId) {
    // The files of one disc mostly come one after the other.
    if (discId == lastDisc_) return true;
    lastDisc_.clear();
    SBD.clearBuffer();
    SBD.UNQDISKID = discId;
    SBD.get(SBDiscs::KUNQDISKID);
    if (rt::errorCode() == rt::NoError) {
        lastDisc_ = discId;
        return true;
    }
    if (rt::errorCode() != rt::RecordNotFound) return fail("The SongBook's discs could not be read");
    SBD.clearBuffer();
    SBD.UNQDISKID = discId;
    SBD.ALTDISKID = discId;
    SBD.MAKEID = 1;
    SBD.add();
    if (rt::errorCode() == rt::DuplicateKey) return false;
    if (rt::errorCode() != rt::NoError) return fail("The disc " + discId + " could not be added");
    lastDisc_ = discId;
    return true;
}

// --- the window ---

namespace {

class Builder {
public:
    Builder();
    void run();

private:
    void build();
    void selectFolder();
    void buildSongBook();
    Mp3gScan::Pause waitForTick(const std::string& folder);
    void finishRun();
    void showProblems();

    TaskWindow w_;
    SlicedWork work_;  // the window served between two batches of the scan
    Mp3gScan scan_;
    std::string source_;
    bool running_ = false;
    bool closed_ = false;
    bool indexFailed_ = false;  // "Error1" or "Error6" was shown
    int form_ = 0, type_ = 0, folderText_ = 0, selectFolder_ = 0, subFolders_ = 0, status_ = 0;
    int build_ = 0, cancel_ = 0, help_ = 0, close_ = 0;
};

Builder::Builder() : w_(kTitle, rt::WindowKind::Dialog, -1, -1, 276, 250, {&SBD, &SBK}), work_(w_, {}) {
    build();
    // Cancel during a pause skips the rest of the folder being read.
    work_.cancelWith(cancel_).onEvent([this] {
        if (w_.code() != rt::EvAccepted) return;
        if (w_.field() == help_) ShowHelpTopic(kHelpTopic);
        else if (w_.field() == close_) w_.close();
    });
}

void Builder::build() {
    rt::Window& w = w_;
    w.group("?Step1", "Step 1 - Select File Naming Format", 6, 4, 264, 58);
    form_ = w.option("?IMPORTFORMAT", "", 12, 14, 252, 44);
    const char* forms[] = {"DiscID-Track - Artist - Title.(zip/cdg)", "DiscID-Track - Title - Artist.(zip/cdg)",
                           "Artist - Title.(zip/cdg)", "Title - Artist.(zip/cdg)"};
    for (int i = 0; i < 4; ++i)
        w.radio(form_, "?IMPORTFORMAT:Radio" + std::to_string(i + 1), forms[i], 14, 15 + 11 * i, 240, 10);
    w.setValue(form_, "1");

    w.group("?Step2", "Step 2 - Select Input File Type", 6, 66, 264, 34);
    type_ = w.option("?INPUTTYPE", "", 12, 76, 252, 22);
    w.radio(type_, "?INPUTTYPE:Radio1", "Compressed (ZIP)", 14, 77, 200, 10);
    w.radio(type_, "?INPUTTYPE:Radio2", "Uncompressed (MP3/CDG)", 14, 88, 200, 10);
    w.setValue(type_, "1");

    w.group("?Step3", "Step 3 - Select Source Folder", 6, 104, 264, 38);
    w.prompt("?SourcePrompt", "Source Folder:", 14, 115, 60, 10);
    folderText_ = w.text("?SourceFolder", "", 14, 126, 194, 10);
    selectFolder_ = w.button("?SelectFolder", "Select Folder", 212, 119, 52, 14);

    w.group("?Step4", "Step 4 - Select Optional Processing", 6, 146, 264, 50);
    w.text("?Explain1", "If your song files are organized into separate folders beneath", 14, 157, 250, 10);
    w.text("?Explain2", "the designated Source Folder, you should activate the option below.", 14, 167, 250, 10);
    subFolders_ = w.check("?RECURSEDIRECTORIES", "Include All Sub-Folders Under Source Folder", 14, 180, 240, 10);
    w.setValue(subFolders_, "0");

    status_ = w.text("?Status", "", 6, 202, 264, 10);
    build_ = w.button("?Build", "Build/Update SongBook", 6, 228, 96, 14);
    w.edit(build_).isDefault = true;
    cancel_ = w.button("?Cancel", "Cancel", 108, 228, 50, 14);
    help_ = w.button("?Help", "Help", 164, 228, 50, 14);
    close_ = w.button("?Close", "Close", 220, 228, 50, 14);
}

void Builder::run() {
    w_.open();
    while (!closed_ && w_.accept()) {
        if (w_.code() != rt::EvAccepted) continue;
        const int id = w_.field();
        if (id == selectFolder_) selectFolder();
        else if (id == build_) buildSongBook();
        else if (id == help_) ShowHelpTopic(kHelpTopic);
        else if (id == close_) w_.close();
    }
}

void Builder::selectFolder() {
    const std::string remembered = rt::currentFolder();
    std::string folder = source_;
    const bool chosen = rt::folderDialog("Select Import Directory", folder);
    rt::setCurrentFolder(remembered);
    if (!chosen) {
        // Cancelling the folder choice ends the builder as "Close" does.
        w_.close();
        return;
    }
    source_ = rt::longPath(folder);
    w_.setText(folderText_, source_);
}

void Builder::buildSongBook() {
    if (running_) return;
    if (source_.empty()) {
        rt::message("Please Select the Source Folder", kTitle);
        return;
    }
    const std::string remembered = rt::currentFolder();
    scan_.form = std::clamp(std::atoi(w_.value(form_).c_str()), 1, 4);
    scan_.compressed = w_.value(type_) != "2";
    scan_.subFolders = w_.value(subFolders_) == "1";
    scan_.pause = [this](const std::string& folder) { return waitForTick(folder); };

    running_ = true;
    rt::setCurrentFolder(source_);
    w_.disable(close_);
    {
        WaitCursor wait(w_);
        w_.setTimer(1);
        scan_.run(source_);
        w_.setTimer(0);
    }
    finishRun();
    rt::setCurrentFolder(remembered);
    running_ = false;
    if (closed_) {
        // Closed during a pause: what was found is kept, but a failure is still told.
        if (!scan_.failure.empty()) showProblems();
        return;
    }
    w_.enable(close_);
    const bool failed = !scan_.failure.empty() || indexFailed_;
    w_.setText(status_, std::to_string(scan_.added) +
                            (failed ? " New Files Added - Import Process Failed" : " New Files Found - Import Process Complete!"));
    showProblems();
}

// The pause between two batches of entries: the window's events are served until its next
// timer tick.
Mp3gScan::Pause Builder::waitForTick(const std::string& folder) {
    switch (work_.waitForTick()) {
    case SlicedWork::Wake::Tick:
        w_.setText(status_, "Searching Folder: " + rt::clip(rt::utf8OrCp1252(folder)));
        return Mp3gScan::Pause::Go;
    case SlicedWork::Wake::Cancel:
        return Mp3gScan::Pause::SkipFolder;
    case SlicedWork::Wake::Closed:
        break;
    }
    closed_ = true;
    return Mp3gScan::Pause::Stop;
}

// The keys of what the run added are rebuilt and the SongBook is open again for the
// workspace, also when the window was closed during a pause.
void Builder::finishRun() {
    indexFailed_ = false;
    // After a failure the keys are whole (the scan built what its batches left, or the file
    // names them for the next open to build) and rebuilding them on a full disc would only
    // fail again.
    if (scan_.added > 0 && !closed_ && scan_.failure.empty()) {
        w_.setText(status_, scan_.subFolders ? "Rebuilding SongList Index...Please Wait"
                                             : "Rebuilding SongList Index, Please Wait...");
        w_.display();
        SBK.flush();
        SBK.close();
        if (rt::errorCode() != rt::NoError) {
            indexFailed_ = true;
            rt::message("Error1: " + errorNumber(), kTitle);
        }
        SBK.send("FULLBUILD=on");
        SBK.buildKeys();
        if (rt::errorCode() != rt::NoError) {
            indexFailed_ = true;
            rt::message("Error6: " + errorNumber(), kTitle);
        }
    }
    if (!SBK.isOpen()) SBK.open(rt::ReadWrite | rt::DenyWrite);
}

void Builder::showProblems() {
    if (scan_.unreadable.empty() && scan_.notAdded == 0 && scan_.failure.empty()) return;
    std::string text;
    if (!scan_.failure.empty())
        text = scan_.failure + "||" + std::to_string(scan_.added) +
               (scan_.added == 1 ? " new song was" : " new songs were") +
               " added to the SongBook before the import stopped; the others were not.";
    if (scan_.notAdded > 0) {
        if (!text.empty()) text += "||";
        text += std::to_string(scan_.notAdded) +
                (scan_.notAdded == 1 ? " song could not be added: its disc id " : " songs could not be added: their disc id, such as ") +
                scan_.refusedDisc + ", is the Custom Disc ID of another disc.";
    }
    if (!scan_.unreadable.empty()) {
        if (!text.empty()) text += "||";
        text += std::to_string(scan_.unreadable.size()) +
                (scan_.unreadable.size() == 1 ? " folder could not be read:" : " folders could not be read:");
        for (std::size_t i = 0; i < scan_.unreadable.size() && i < kNamedFolders; ++i)
            text += "|" + scan_.unreadable[i];
        if (scan_.unreadable.size() > kNamedFolders)
            text += "|and " + std::to_string(scan_.unreadable.size() - kNamedFolders) + " more.";
    }
    rt::message(text, kTitle, rt::Icon::Exclamation);
}

}  // namespace

void Mp3gSongBookBuilder() {
    Builder builder;
    builder.run();
}
