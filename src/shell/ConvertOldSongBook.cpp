#include "shell/ConvertOldSongBook.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

#include "data/discs.h"
#include "data/globals.h"
#include "data/oldsongbook.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"
#include "services/open_data_file.h"
#include "services/split_file_path.h"

namespace {

constexpr const char* kCaption = "SongBook Exists";
// An old listing record's size: progress counts bytes of the old file.
constexpr long long kOldListingBytes = 121;
// Each timer tick converts at least this many bytes of old listings, and goes on while the
// tick is young, so a large SongBook does not take minutes.
constexpr long long kBytesPerTick = 1000;
constexpr std::chrono::milliseconds kTickBudget{40};

void removeRecordFile(const std::string& path) {
    for (const char* suffix : {"", "-journal"}) std::remove((path + suffix).c_str());
}

std::string percentText(int percent) { return rt::rightAligned(percent, 3) + "% Completed"; }

class Conversion {
public:
    Conversion(std::string folder, std::string name)
        : folder_(std::move(folder)), name_(std::move(name)) {}
    // True when a new pair stands under the ".2bk"/".2bd" names (converted, or kept at the
    // host's word); false when the old pair is left as it was.
    bool run();

private:
    std::string path(const char* ext) const { return folder_ + name_ + ext; }
    bool readable();
    bool moveOldPair(bool back);
    bool openFiles();
    void closeFiles();
    bool convertTick();
    void convertOne();
    void addDisc(const std::string& discId, bool discless);
    void addListing();
    bool putInPlace();
    void report();

    std::string folder_, name_;
    bool replacing_ = false;
    // The new pair is built under work names and takes its place only when whole.
    std::string workListing_, workDiscs_;
    long long total_ = 0, read_ = 0, renumbered_ = 0, dropped_ = 0;
    bool ended_ = false;
    std::vector<rt::RecordFile*> opened_;
};

bool Conversion::moveOldPair(bool back) {
    const std::string sbk = path(".sbk"), sbd = path(".sbd"), sxk = path(".sxk"), sxd = path(".sxd");
    const std::string& fromK = back ? sxk : sbk;
    const std::string& toK = back ? sbk : sxk;
    const std::string& fromD = back ? sxd : sbd;
    const std::string& toD = back ? sbd : sxd;
    if (rt::renameFile(fromK, toK) != 0) {
        rt::message("The SongBook " + fromK + " could not be renamed to " + toK + ".|" + rt::error() +
                        "||The SongBook has not been converted.",
                    "File Conversion Necessary", rt::Icon::Exclamation);
        return false;
    }
    // A SongBook without its disc file converts all the same, its discs made from the listings.
    if (rt::fileExists(fromD)) rt::renameFile(fromD, toD);
    return true;
}

bool Conversion::openFiles() {
    for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&DIS, &SBD1, &SBK1}) {
        UseDataFile(*f, true);
        if (!f->isOpen()) return false;
        opened_.push_back(f);
    }
    for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&SBD, &SBK}) {
        f->create();
        if (rt::errorCode() != rt::NoError) return false;
        UseDataFile(*f, false);
        if (!f->isOpen()) return false;
        opened_.push_back(f);
        f->stream();
    }
    return true;
}

void Conversion::closeFiles() {
    SBK.flush();
    SBD.flush();
    for (auto it = opened_.rbegin(); it != opened_.rend(); ++it) ReleaseDataFile(**it);
    opened_.clear();
}

// The disc record of a listing's disc, when the new disc file has none yet. The old disc
// file's brand and custom id are carried over.
void Conversion::addDisc(const std::string& discId, bool discless) {
    SBD.clearBuffer();
    SBD.UNQDISKID = discId;
    SBD.get(SBDiscs::KUNQDISKID);
    if (rt::errorCode() == rt::NoError) return;
    SBD.clearBuffer();
    SBD.UNQDISKID = discId;
    SBD.MAKETYPE = SBK.MAKEID;
    SBD.MAKEID = 1;
    if (discless) {
        SBD.ALTDISKID = "*";
    } else {
        SBD1.clearBuffer();
        SBD1.UNQDISKID = discId;
        SBD1.get(OldSBDiscs::KUNQDISKID);
        if (rt::errorCode() == rt::NoError) {
            SBD.MAKEID = SBD1.MAKEID > 0 ? SBD1.MAKEID : 1;
            SBD.ALTDISKID = SBD1.ALTDISKID;
        }
    }
    SBD.add();
    if (rt::errorCode() == rt::DuplicateKey && !SBD.ALTDISKID.empty()) {
        // Its custom id is taken by another disc: the disc keeps its listings, without the id.
        SBD.ALTDISKID.clear();
        SBD.add();
    }
}

// The listing in SBK's buffer. The new layout holds one listing per disc id and track: an
// exact repeat is dropped, any other gets the next free track of its disc.
void Conversion::addListing() {
    const SongBookRecord listing = SBK.record();
    SBK.add();
    if (rt::errorCode() != rt::DuplicateKey) return;
    SBK.record() = listing;
    SBK.get(SongBook::KUNQDISKID);
    if (rt::errorCode() == rt::NoError && SBK.TITLE == listing.TITLE && SBK.ARTIST == listing.ARTIST) {
        ++dropped_;
        return;
    }
    SBK.clearBuffer();
    SBK.UNQDISKID = listing.UNQDISKID;
    SBK.DISKTRACKNO = std::numeric_limits<std::uint32_t>::max();
    SBK.setAt(SongBook::KUNQDISKID);
    SBK.previous();
    std::uint32_t next = listing.DISKTRACKNO + 1;
    if (rt::errorCode() == rt::NoError && rt::equalNoCase(SBK.UNQDISKID.str(), listing.UNQDISKID.str()) &&
        SBK.DISKTRACKNO < std::numeric_limits<std::uint32_t>::max())
        next = SBK.DISKTRACKNO + 1;
    SBK.record() = listing;
    SBK.DISKTRACKNO = next;
    SBK.add();
    if (rt::errorCode() == rt::NoError) ++renumbered_;
}

void Conversion::convertOne() {
    SBK.clearBuffer();
    SBK.TITLE = SBK1.TITLE;
    SBK.ARTIST = SBK1.ARTIST;
    SBK.LOCATION = SBK1.LOCATION;
    SBK.DATEADDED = SBK1.DATEADDED;
    SBK.UNQDISKID = SBK1.UNQDISKID;
    SBK.DISKTRACKNO = SBK1.DISKTRACKNO;
    const std::string discId = rt::clip(SBK1.UNQDISKID.str());
    DIS.clearBuffer();
    DIS.UNQDISKID = discId;
    DIS.get(Discs::KUNQDISKID);
    if (rt::errorCode() == rt::NoError) SBK.MAKEID = rt::cut(discId, 2);
    const bool discless = SBK1.DISKTRACKNO == 0;
    if (discless) {
        // A listing without a disc kept its number in the disc id field.
        SBK.DISKTRACKNO = static_cast<std::uint32_t>(std::strtoul(discId.c_str(), nullptr, 10));
        SBK.UNQDISKID = "*";
        SBK.MAKEID.clear();
    }
    const SongBookRecord listing = SBK.record();
    addDisc(discless ? "*" : discId, discless);
    SBK.record() = listing;
    addListing();
}

// One timer tick's share of the old listings; false at the end of the old file.
bool Conversion::convertTick() {
    const auto start = std::chrono::steady_clock::now();
    long long bytes = 0;
    while (bytes < kBytesPerTick || std::chrono::steady_clock::now() - start < kTickBudget) {
        SBK1.next();
        if (rt::errorCode() == rt::NoRecord) return false;
        if (rt::errorCode() != rt::NoError) {
            SaveFileError();
            ShowWarning(Warning::RecordRetrieval, "SongBook11");
            return false;
        }
        ++read_;
        bytes += kOldListingBytes;
        convertOne();
    }
    return true;
}

// The finished work pair takes the ".2bk"/".2bd" names (replacing a pair the host agreed to
// replace).
bool Conversion::putInPlace() {
    const std::string newK = path(".2bk"), newD = path(".2bd");
    bool ok;
    if (replacing_) {
        ok = std::rename(workDiscs_.c_str(), newD.c_str()) == 0 && std::rename(workListing_.c_str(), newK.c_str()) == 0;
    } else {
        ok = rt::renameFile(workDiscs_, newD) == 0 && rt::renameFile(workListing_, newK) == 0;
    }
    if (!ok) {
        rt::message("The converted SongBook could not be saved as " + newK + ".|" + rt::error() +
                        "||The SongBook has not been converted.",
                    "File Conversion Necessary", rt::Icon::Exclamation);
        return false;
    }
    SongBookFileName = newK;
    SBDiscsFileName = newD;
    return true;
}

void Conversion::report() {
    if (renumbered_ == 0 && dropped_ == 0) return;
    std::string text;
    if (renumbered_ > 0)
        text += rt::str(renumbered_) + (renumbered_ == 1 ? " listing" : " listings") +
                " shared a disc id and track with another song and got the next free track of their disc.";
    if (dropped_ > 0) {
        if (!text.empty()) text += "||";
        text += rt::str(dropped_) + (dropped_ == 1 ? " listing was" : " listings were") +
                " the same song on the same disc and track twice and " + (dropped_ == 1 ? "was" : "were") +
                " converted once.";
    }
    rt::message(text, "SongBook Converted", rt::Icon::Asterisk);
}

// Whether the old pair can be read as a SongBook of the previous version (checked where it lies,
// before anything is renamed).
bool Conversion::readable() {
    OldSongBookFileName = path(".sbk");
    OldSBDiscsFileName = path(".sbd");
    for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&SBK1, &SBD1}) {
        if (f == &SBD1 && !rt::fileExists(path(".sbd"))) continue;
        f->open(rt::ReadWrite | rt::DenyWrite);
        const int e = rt::errorCode();
        if (e == rt::NoError) f->close();
        // Damaged keys are offered their rebuild when the file is opened for the conversion.
        if (e != rt::NoError && e != rt::RebuildKeys) {
            rt::message("The file " + f->name() + " is damaged or is not a SongBook file of the earlier version.||" +
                            "It has not been changed.",
                        "File Conversion Necessary", rt::Icon::Exclamation);
            return false;
        }
    }
    return true;
}

bool Conversion::run() {
    if (!readable() || !moveOldPair(false)) return false;
    OldSongBookFileName = path(".sxk");
    OldSBDiscsFileName = path(".sxd");
    SongBookFileName = path(".2bk");
    SBDiscsFileName = path(".2bd");
    if (rt::fileExists(path(".2bk"))) {
        const int answer = rt::message("New Version of SongBook Already Exists!||Do you wish to overwrite this SongBook?",
                                       kCaption, rt::Icon::Hand, rt::BtnYes | rt::BtnNo, rt::BtnNo);
        if (answer != rt::BtnYes) return true;  // the existing new pair is used as it is
        replacing_ = true;
    }
    workListing_ = path(".2bk-converting");
    workDiscs_ = path(".2bd-converting");
    SongBookFileName = workListing_;
    SBDiscsFileName = workDiscs_;

    bool whole = openFiles();
    if (whole) {
        total_ = SBK1.records();
        SBK1.set();
        whole = rt::errorCode() == rt::NoError;
        if (!whole) {
            SaveFileError();
            ShowWarning(Warning::ViewOpen, "SongBook11");
        }
    }
    bool cancelled = false;
    if (whole) {
        TaskWindow w("Progress...", rt::WindowKind::Dialog, -1, -1, 200, 64);
        const int bar = w.add(rt::ControlKind::Progress, "?Progress", "", 8, 8, 184, 10);
        w.text("?Line", "", 8, 22, 184, 10);
        const int percent = w.text("?Percent", "0% Completed", 8, 32, 184, 10);
        const int cancel = w.button("?Cancel", "Cancel", 75, 46, 50, 14);
        w.open();
        w.setTitle("Converting SongBook");
        w.setTimer(1);
        int shown = 0;
        while (w.accept()) {
            if (w.code() == rt::EvAccepted && w.field() == cancel) {
                cancelled = true;
                w.close();
            } else if (w.code() == rt::EvTimer) {
                const bool more = convertTick();
                const int now = total_ > 0 ? static_cast<int>(std::min<long long>(100, read_ * 100 / total_)) : 100;
                if (now != shown) {
                    shown = now;
                    w.setValue(bar, std::to_string(now));
                    w.setText(percent, percentText(now));
                }
                if (!more) {
                    w.setText(percent, "Building Index, Please wait...");
                    w.display();
                    w.close();
                }
            } else if (w.code() == rt::EvCloseWindow) {
                cancelled = true;  // the close box cancels as "Cancel" does
            }
        }
    }
    closeFiles();
    if (whole && !cancelled) {
        SBK.buildKeys();
        rt::clearError();
        if (putInPlace()) {
            report();
            return true;
        }
    }
    // Nothing half-made stays; the old pair goes back to its own names.
    removeRecordFile(workListing_);
    removeRecordFile(workDiscs_);
    moveOldPair(true);
    SongBookFileName = path(".sbk");
    SBDiscsFileName = path(".sbd");
    return false;
}

}  // namespace

void ConvertOldSongBook() {
    const std::string listing = rt::clip(SongBookFileName);
    Conversion conversion(SplitFilePath(listing, 3), SplitFilePath(listing, 1));
    CallResponse = conversion.run() ? 1 : 2;
}
