#include "shell/ConvertOldSongBook.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "data/discs.h"
#include "data/globals.h"
#include "data/oldsongbook.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/files/work_folder.h"
#include "runtime/record/record.h"
#include "runtime/record/whole_files.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"
#include "services/SlicedWork.h"
#include "services/TaskWindow.h"
#include "services/OpenDataFile.h"
#include "services/SplitFilePath.h"
#include "shell/SongBookFileNames.h"
#include "shell/SongBookFilesFree.h"

namespace {

constexpr const char* kExistsCaption = "SongBook Exists";
constexpr const char* kCaption = "File Conversion Necessary";
constexpr const char* kWorking = "-converting";  // the new pair while it is built
constexpr const char* kWhole = "-converted";     // the new pair once it is whole on the disc
// Each timer tick converts at least this many listings, and goes on while the tick is young,
// so a large SongBook does not take minutes.
constexpr std::size_t kListingsPerTick = 9;
constexpr std::chrono::milliseconds kTickBudget{40};
// Moved listings named one by one in the closing message; the rest are counted.
constexpr std::size_t kMovesNamed = 10;
constexpr std::uint32_t kLastTrack = std::numeric_limits<std::uint32_t>::max();

ConversionRenamer& renamer() {
    static ConversionRenamer r;
    return r;
}

int renameStep(const std::string& from, const std::string& to, bool replace) {
    if (renamer()) return renamer()(from, to, replace);
    if (replace) return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    return rt::renameFile(from, to);
}

// A record file and what a crash or a failed create leaves beside it.
void removeRecordFile(const std::string& path) {
    for (const char* suffix : {"", "-journal"}) ::unlink((path + suffix).c_str());
    const std::string folder = SplitFilePath(path, 3), base = SplitFilePath(path, 0, true);
    for (const rt::DirEntry& e : rt::listDirectory(folder, base + ".new-*"))
        if (!e.isFolder && e.name.compare(0, base.size() + 5, base + ".new-") == 0) ::unlink(e.path.c_str());
}

// folder/name.EXT for an EXT equal to ext in any letter case, the exact case first; "" when
// there is none.
std::string findAnyCase(const std::string& folder, const std::string& name, const std::string& ext) {
    const std::string exact = folder + name + "." + ext;
    if (PathInUse(exact)) return exact;
    for (const rt::DirEntry& e : rt::listDirectory(folder, name + ".???")) {
        if (e.isFolder || e.name.size() != name.size() + 4 || e.name.compare(0, name.size() + 1, name + ".") != 0)
            continue;
        if (rt::equalNoCase(e.name.substr(name.size() + 1), ext)) return e.path;
    }
    return {};
}

// The kept extension of an old one: its middle letter becomes x ("sbk" -> "sxk", "SBD" -> "SXD").
std::string keptExtension(std::string ext) {
    if (ext.size() == 3) ext[1] = std::isupper(static_cast<unsigned char>(ext[1])) ? 'X' : 'x';
    return ext;
}

// The files of one SongBook's conversion, in the folder (with its trailing "/").
struct ConversionFiles {
    std::string folder, name;
    std::string oldListing, oldDisc;    // as they lie ("" when missing)
    std::string keptListing, keptDisc;  // the old pair's names afterwards
    std::string newListing, newDisc;
    std::string workListing, workDisc, wholeListing, wholeDisc;

    // `listing`: the old listing file when known; otherwise it is looked for, and the kept
    // names take the letter case of the old or kept files found.
    ConversionFiles(std::string folderPart, std::string namePart, const std::string& listing = {},
                    const std::string& disc = {})
        : folder(std::move(folderPart)), name(std::move(namePart)) {
        oldListing = !listing.empty() ? listing : findAnyCase(folder, name, "sbk");
        std::string listingExt = "sbk";
        if (!oldListing.empty()) {
            listingExt = SplitFilePath(oldListing, 2, false);
        } else if (const std::string kept = findAnyCase(folder, name, "sxk"); !kept.empty()) {
            listingExt = SplitFilePath(kept, 2, false);
            listingExt[1] = listingExt[1] == 'X' ? 'B' : 'b';
        }
        oldDisc = !disc.empty() && PathInUse(disc) ? disc : findAnyCase(folder, name, "sbd");
        const std::string discExt =
            oldDisc.empty() ? SplitFilePath(SongBookDiscFile(folder + name + "." + listingExt), 2, false)
                            : SplitFilePath(oldDisc, 2, false);
        keptListing = folder + name + "." + keptExtension(listingExt);
        keptDisc = folder + name + "." + keptExtension(discExt);
        newListing = folder + name + ".2bk";
        newDisc = folder + name + ".2bd";
        workListing = newListing + kWorking;
        workDisc = newDisc + kWorking;
        wholeListing = newListing + kWhole;
        wholeDisc = newDisc + kWhole;
    }

    void removeWork() const {
        for (const std::string* f : {&workListing, &workDisc, &wholeListing, &wholeDisc}) removeRecordFile(*f);
    }
};

// The folder's conversions, one at a time: a conversion holds it while it runs, so that
// FinishCutOffConversions (on another thread, or in another program) leaves its files alone.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder) {
        fd_ = ::open(rt::absolutePath(folder).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
            ::close(fd_);
            fd_ = -1;
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// One rename of the last steps, and whether it replaced a file.
struct Step {
    std::string from, to;
    bool replaced = false;
};

// The steps after the old listing file took its kept name: the old disc file takes its kept
// name (one of the old layout is made there, empty, when the SongBook had none), then the
// whole pair takes its own names, the listing file last. 0, or the errno value of the step
// that failed; `done` lists the renames made. When finishing a conversion a crash cut off,
// an old disc file that will not take its kept name stays where it is: the new pair must
// come into place all the same.
int finishSwap(const ConversionFiles& f, std::vector<Step>& done, bool cutOff = false) {
    auto step = [&](const std::string& from, const std::string& to, bool replace) {
        const bool replacing = replace && PathInUse(to);
        if (int e = renameStep(from, to, replace)) return e;
        done.push_back({from, to, replacing});
        return 0;
    };
    if (!f.oldDisc.empty()) {
        if (int e = step(f.oldDisc, f.keptDisc, false); e && !cutOff) return e;
    } else if (!PathInUse(f.keptDisc)) {
        // What the kept pair lacks costs nothing to make; a kept pair that cannot be had
        // whole loses nothing either.
        OldSBDiscsFileName = f.keptDisc;
        SBD1.create();
        OldSBDiscsFileName.clear();
        rt::clearError();
    }
    if (PathInUse(f.wholeDisc))
        if (int e = step(f.wholeDisc, f.newDisc, true)) return e;
    if (int e = step(f.wholeListing, f.newListing, true)) return e;
    return rt::syncFolder(f.folder);
}

// Undoes the renames that replaced nothing, newest first; false when one that replaced a file
// stands in the way (what is left is finished by FinishCutOffConversions).
bool undoSteps(const std::vector<Step>& done) {
    for (auto it = done.rbegin(); it != done.rend(); ++it) {
        if (it->replaced) return false;
        if (::rename(it->to.c_str(), it->from.c_str()) != 0) return false;
    }
    return true;
}

// One SongBook whose conversion was cut off.
void finishCutOff(const ConversionFiles& f) {
    for (const std::string* w : {&f.workListing, &f.workDisc}) removeRecordFile(*w);
    // Only a whole SongBook listing file of this program takes the place of a listing file
    // (a file of the host's that happens to have the name is left alone).
    if (PathInUse(f.wholeListing) && !rt::equalNoCase(rt::recordFileLabel(f.wholeListing), "SongBook")) return;
    if (!PathInUse(f.wholeListing) || !f.oldListing.empty()) {
        // Cut off before it was done: the old pair is whole where it lies.
        for (const std::string* w : {&f.wholeListing, &f.wholeDisc}) removeRecordFile(*w);
        return;
    }
    // Done but not finished. A pair replaced here must not be in use, nor take a journal of
    // the pair it replaces.
    for (const std::string* n : {&f.newListing, &f.newDisc})
        if (rt::recordFileOpenHere(*n) || rt::fileOpenElsewhere(*n)) return;
    if (rt::recoverRecordFiles({f.newListing, f.newDisc}) != 0) return;
    std::vector<Step> done;
    finishSwap(f, done, true);
    rt::clearError();
}

// Progress in the conversion's window.
std::string percentText(int percent) { return rt::rightAligned(percent, 3) + "% Completed"; }

// A listing's place in the new pair: its disc (upper case, as the keys compare) and track.
std::string placeKey(const std::string& disc, std::uint32_t track) {
    return rt::upper(rt::clip(disc)) + '\t' + std::to_string(track);
}

// What prepare() came to.
enum class Prepared { Refused, KeepExisting, Convert };

class Conversion {
public:
    explicit Conversion(ConversionFiles files) : f_(std::move(files)) {}
    // True when a new pair stands under the ".2bk"/".2bd" names (converted, or kept at the
    // host's word); false when the old pair is left as it was.
    bool run();

private:
    Prepared prepare();
    bool oldFilesReadable();
    bool openOld(rt::RecordFile& file, const std::string& path);
    void keepExistingPair();
    bool openFiles();
    bool closeFiles(bool keep = false);
    bool writeOut(rt::RecordFile& file);
    bool convertAll();
    bool convertStep();
    void readOld();
    bool addDisc(const std::string& discId, bool discless);
    bool addListing(const SongBookRecord& listing);
    bool moveListing();
    std::uint32_t highestOldTrack(const std::string& disc);
    std::uint32_t highestNewTrack(const std::string& disc);
    bool putInPlace();
    void fail(const std::string& what, const std::string& why);
    void report();

    ConversionFiles f_;
    std::vector<rt::RecordFile*> opened_;
    std::optional<RecordReader> oldListings_;
    long long total_ = 0, read_ = 0;
    // Listings whose disc and track an earlier one of another song took: their places in the
    // old file, converted once the whole file has been read.
    std::vector<std::string> collided_;
    std::size_t moved_ = 0;
    std::set<std::string> movedSongs_;  // place in the old file, title and artist
    std::vector<std::string> moves_;     // "Title (Artist): CV0105-1 → CV0105-6"
    long long renumbered_ = 0, dropped_ = 0;
    // The disc looked up last in the master disc file with its maker code, and the disc whose
    // record the new disc file has for certain.
    std::pair<std::string, std::string> makeOf_{"\n", {}};
    std::string discAdded_ = "\n";
    bool haveDisclessHighest_ = false;
    std::uint32_t disclessHighest_ = 0;
    std::string failure_;
};

void Conversion::fail(const std::string& what, const std::string& why) {
    if (failure_.empty()) failure_ = what + (why.empty() ? std::string() : "|" + why);
}

bool Conversion::openOld(rt::RecordFile& file, const std::string& path) {
    PathText& name = &file == &SBK1 ? OldSongBookFileName : OldSBDiscsFileName;
    name = path;
    // Only read: the old pair stays as the host had it whatever happens (damaged keys are
    // not rebuilt in it either).
    file.open(rt::ReadOnly);
    const int e = rt::errorCode();
    if (e == rt::NoError) {
        opened_.push_back(&file);
        return true;
    }
    const std::string shown = SplitFilePath(path, 0, true);
    if (e == rt::InvalidRecordDeclaration || e == rt::RebuildKeys)
        rt::message("The file " + shown + " is damaged or is not a SongBook file of the earlier version.||" +
                        "It has not been changed, and nothing has been converted.",
                    kCaption, rt::Icon::Exclamation);
    else
        rt::message("The file " + shown + " cannot be read.|" + rt::error() + " (" + rt::str(e) +
                        ")||It has not been changed, and nothing has been converted.",
                    kCaption, rt::Icon::Exclamation);
    return false;
}

// Whether the old pair reads as a SongBook of the previous version; it stays open, read-only.
bool Conversion::oldFilesReadable() {
    if (!openOld(SBK1, f_.oldListing)) return false;
    if (!f_.oldDisc.empty() && !openOld(SBD1, f_.oldDisc)) return false;
    return true;
}

// "SongBook Exists" answered No: the new pair is used as it is, and the old pair, as the host
// left it, takes its kept names when they are free (the listing file first: a disc file
// without its listing file is never taken for a SongBook).
void Conversion::keepExistingPair() {
    closeFiles();
    if (!PathInUse(f_.keptListing) && !PathInUse(f_.keptDisc) && renameStep(f_.oldListing, f_.keptListing, false) == 0 &&
        !f_.oldDisc.empty())
        renameStep(f_.oldDisc, f_.keptDisc, false);
    rt::clearError();
    OldSongBookFileName = f_.keptListing;
    OldSBDiscsFileName = f_.keptDisc;
    SongBookFileName = f_.newListing;
    SBDiscsFileName = f_.newDisc;
}

// Everything that could refuse the conversion, before a file is written. Refused: the host
// has been told why, and nothing has changed.
Prepared Conversion::prepare() {
    std::vector<std::string> old{f_.oldListing};
    if (!f_.oldDisc.empty()) old.push_back(f_.oldDisc);
    if (!SongBookFilesFree(old, "Convert") || !oldFilesReadable()) return Prepared::Refused;
    if (PathInUse(f_.newListing) || PathInUse(f_.newDisc)) {
        const int answer = rt::message("New Version of SongBook Already Exists!||Do you wish to overwrite this SongBook?",
                                       kExistsCaption, rt::Icon::Hand, rt::BtnYes | rt::BtnNo, rt::BtnNo);
        if (answer != rt::BtnYes) {
            // A disc file alone is no SongBook to keep.
            if (!PathInUse(f_.newListing)) return Prepared::Refused;
            keepExistingPair();
            return Prepared::KeepExisting;
        }
        // Replaced only when nobody uses it, and only once the converted pair is whole.
        if (!SongBookFilesFree({f_.newListing, f_.newDisc}, "Replace")) return Prepared::Refused;
    }
    if (PathInUse(f_.keptListing) || PathInUse(f_.keptDisc)) {
        rt::message("The SongBook " + f_.name + " has been converted before: the old files of that time are kept as " +
                        SplitFilePath(f_.keptListing, 0, true) + " and " + SplitFilePath(f_.keptDisc, 0, true) +
                        ".||Move or delete them, then open " + SplitFilePath(f_.oldListing, 0, true) +
                        " again. Nothing has been changed.",
                    kCaption, rt::Icon::Exclamation);
        return Prepared::Refused;
    }
    return Prepared::Convert;
}

bool Conversion::openFiles() {
    UseDataFile(DIS, true);
    if (!DIS.isOpen()) return false;
    opened_.push_back(&DIS);
    SongBookFileName = f_.workListing;
    SBDiscsFileName = f_.workDisc;
    for (rt::RecordFile* file : {static_cast<rt::RecordFile*>(&SBD), static_cast<rt::RecordFile*>(&SBK)}) {
        file->create();
        if (rt::errorCode() == rt::NoError) file->open(rt::ReadWrite | rt::DenyWrite);
        if (rt::errorCode() == rt::NoError) opened_.push_back(file);
        if (rt::errorCode() == rt::NoError) file->stream();
        if (rt::errorCode() != rt::NoError) {
            fail("The new SongBook file " + file->name() + " cannot be written.", rt::error());
            return false;
        }
    }
    return true;
}

// The buffered writes of one file of the new pair, with their deferred keys, on the disc.
bool Conversion::writeOut(rt::RecordFile& file) {
    file.flush();
    if (rt::errorCode() == rt::NoError) return true;
    fail("The new SongBook file " + file.name() + " cannot be written.", rt::error());
    return false;
}

// Closes what the conversion opened. With `keep` the new pair's writes are checked to their
// end; without, the new pair is only let go of (it is removed).
bool Conversion::closeFiles(bool keep) {
    bool whole = true;
    for (auto it = opened_.rbegin(); it != opened_.rend(); ++it) {
        rt::RecordFile& file = **it;
        if (&file == &DIS) {
            ReleaseDataFile(DIS);
            continue;
        }
        const bool written = keep && (&file == &SBK || &file == &SBD);
        if (written) whole = writeOut(file) && whole;
        file.close();
        if (written && rt::errorCode() != rt::NoError) {
            if (whole) fail("The new SongBook file " + file.name() + " cannot be written.", rt::error());
            whole = false;
        }
    }
    opened_.clear();
    rt::clearError();
    return whole;
}

// The old listing in SBK1's buffer as a listing of the new layout, with its disc record.
void Conversion::readOld() {
    SBK.clearBuffer();
    SBK.TITLE = SBK1.TITLE;
    SBK.ARTIST = SBK1.ARTIST;
    SBK.LOCATION = SBK1.LOCATION;
    SBK.DATEADDED = SBK1.DATEADDED;
    SBK.UNQDISKID = SBK1.UNQDISKID;
    SBK.DISKTRACKNO = SBK1.DISKTRACKNO;
    const std::string discId = rt::clip(SBK1.UNQDISKID.str());
    if (SBK1.DISKTRACKNO == 0) {
        // A listing without a disc kept its number in the disc id field.
        SBK.DISKTRACKNO = static_cast<std::uint32_t>(std::strtoul(discId.c_str(), nullptr, 10));
        SBK.UNQDISKID = "*";
        return;
    }
    // The listings of a disc mostly follow one another: its maker is looked up once for them.
    if (discId != makeOf_.first) {
        DIS.clearBuffer();
        DIS.UNQDISKID = discId;
        DIS.get(Discs::KUNQDISKID);
        makeOf_ = {discId, rt::errorCode() == rt::NoError ? rt::cut(discId, 2) : std::string()};
        rt::clearError();
    }
    SBK.MAKEID = makeOf_.second;
}

// The disc record of a listing's disc, when the new disc file has none yet. The old disc
// file's brand and custom id are carried over.
bool Conversion::addDisc(const std::string& discId, bool discless) {
    const std::string make = SBK.MAKEID.str();
    SBD.clearBuffer();
    SBD.UNQDISKID = discId;
    SBD.get(SBDiscs::KUNQDISKID);
    if (rt::errorCode() == rt::NoError) return true;
    if (rt::errorCode() != rt::RecordNotFound) {
        fail("The new disc file " + SBD.name() + " cannot be read.", rt::error());
        return false;
    }
    SBD.clearBuffer();
    SBD.UNQDISKID = discId;
    SBD.MAKETYPE = make;
    SBD.MAKEID = 1;
    if (discless) {
        SBD.ALTDISKID = "*";
    } else if (SBD1.isOpen()) {
        SBD1.clearBuffer();
        SBD1.UNQDISKID = discId;
        SBD1.get(OldSBDiscs::KUNQDISKID);
        if (rt::errorCode() == rt::NoError) {
            SBD.MAKEID = SBD1.MAKEID > 0 ? SBD1.MAKEID : 1;
            SBD.ALTDISKID = SBD1.ALTDISKID;
        } else if (rt::errorCode() != rt::RecordNotFound) {
            fail("The old disc file " + SplitFilePath(f_.oldDisc, 0, true) + " is damaged.", rt::error());
            return false;
        }
    }
    SBD.add();
    if (rt::errorCode() == rt::DuplicateKey && !SBD.ALTDISKID.empty()) {
        // Its custom id is taken by another disc: the disc keeps its listings, without the id.
        SBD.ALTDISKID.clear();
        SBD.add();
    }
    if (rt::errorCode() != rt::NoError) {
        fail("The new disc file " + SBD.name() + " cannot be written.", rt::error());
        return false;
    }
    return true;
}

// The new layout holds one listing per disc id and track. A listing whose place an earlier
// one took is the same song on the same disc and track (kept once), or waits until the whole
// old file has been read (collided_).
bool Conversion::addListing(const SongBookRecord& listing) {
    SBK.record() = listing;
    SBK.add();
    if (rt::errorCode() == rt::NoError) return true;
    if (rt::errorCode() != rt::DuplicateKey) {
        fail("The new SongBook file " + SBK.name() + " cannot be written.", rt::error());
        return false;
    }
    SBK.clearBuffer();
    SBK.UNQDISKID = listing.UNQDISKID;
    SBK.DISKTRACKNO = listing.DISKTRACKNO;
    SBK.get(SongBook::KUNQDISKID);
    if (rt::errorCode() != rt::NoError) {
        fail("The new SongBook file " + SBK.name() + " cannot be read.", rt::error());
        return false;
    }
    if (SBK.TITLE == listing.TITLE && SBK.ARTIST == listing.ARTIST) {
        ++dropped_;
        return true;
    }
    collided_.push_back(SBK1.position());
    return true;
}

// The highest track of a disc over the whole old file, as the new layout numbers it.
std::uint32_t Conversion::highestOldTrack(const std::string& disc) {
    if (disc == "*") {
        // Listings without a disc carry their number in the disc id: one reading of the old
        // file finds the highest, for all of them.
        if (!haveDisclessHighest_) {
            haveDisclessHighest_ = true;
            rt::View every(SBK1, SongBook11::KUNQDISKID);
            if (!ReadEveryRecord(every, "SongBook11", [&] {
                    const std::string id = rt::clip(SBK1.UNQDISKID.str());
                    std::uint32_t track = 0;
                    if (SBK1.DISKTRACKNO == 0)
                        track = static_cast<std::uint32_t>(std::strtoul(id.c_str(), nullptr, 10));
                    else if (id == "*")
                        track = SBK1.DISKTRACKNO;
                    disclessHighest_ = std::max(disclessHighest_, track);
                    return true;
                }))
                fail("The file " + SplitFilePath(f_.oldListing, 0, true) + " is damaged.", {});
        }
        return disclessHighest_;
    }
    SBK1.clearBuffer();
    SBK1.UNQDISKID = disc;
    SBK1.DISKTRACKNO = std::numeric_limits<std::uint16_t>::max();
    SBK1.setAt(SongBook11::KUNQDISKID);
    SBK1.previous();
    const bool found = rt::errorCode() == rt::NoError && rt::equalNoCase(rt::clip(SBK1.UNQDISKID.str()), disc);
    if (rt::errorCode() != rt::NoError && rt::errorCode() != rt::NoRecord)
        fail("The file " + SplitFilePath(f_.oldListing, 0, true) + " is damaged.", rt::error());
    return found ? SBK1.DISKTRACKNO : 0;
}

// The highest track of a disc in the new pair so far.
std::uint32_t Conversion::highestNewTrack(const std::string& disc) {
    SBK.clearBuffer();
    SBK.UNQDISKID = disc;
    SBK.DISKTRACKNO = kLastTrack;
    SBK.setAt(SongBook::KUNQDISKID);
    SBK.previous();
    const bool found = rt::errorCode() == rt::NoError && rt::equalNoCase(rt::clip(SBK.UNQDISKID.str()), disc);
    if (rt::errorCode() != rt::NoError && rt::errorCode() != rt::NoRecord)
        fail("The new SongBook file " + SBK.name() + " cannot be read.", rt::error());
    return found ? SBK.DISKTRACKNO : 0;
}

// The next listing of collided_: it gets the next free track after the highest one its disc
// has, in the old file and among the listings moved before it; only a second one of the same
// song, disc and track is kept once.
bool Conversion::moveListing() {
    SBK1.reget(collided_[moved_++]);
    if (rt::errorCode() != rt::NoError) {
        fail("The file " + SplitFilePath(f_.oldListing, 0, true) + " is damaged.", rt::error());
        return false;
    }
    readOld();
    SongBookRecord listing = SBK.record();
    const std::string disc = rt::clip(listing.UNQDISKID.str());
    const std::uint32_t from = listing.DISKTRACKNO;
    const std::string song = placeKey(disc, from) + '\t' + listing.TITLE.str() + '\t' + listing.ARTIST.str();
    if (!movedSongs_.insert(song).second) {
        ++dropped_;
        return true;
    }
    const std::uint32_t highest = std::max(highestOldTrack(disc), highestNewTrack(disc));
    if (!failure_.empty()) return false;
    // A disc numbered to the very end has its free tracks below.
    std::uint32_t track = highest < kLastTrack ? highest + 1 : 1;
    for (;; ++track) {
        SBK.record() = listing;
        SBK.DISKTRACKNO = track;
        SBK.add();
        if (rt::errorCode() != rt::DuplicateKey || track == kLastTrack) break;
    }
    if (rt::errorCode() != rt::NoError) {
        fail("The new SongBook file " + SBK.name() + " cannot be written.", rt::error());
        return false;
    }
    ++renumbered_;
    if (moves_.size() < kMovesNamed)
        moves_.push_back(rt::clip(listing.TITLE.str()) + " (" + rt::clip(listing.ARTIST.str()) + "): " + disc + "-" +
                         std::to_string(from) + " to " + disc + "-" + std::to_string(track));
    return true;
}

// One step of the conversion: an old listing, the old file's end, or a listing that collided;
// false at the end, or after a failure.
bool Conversion::convertStep() {
    if (read_ < 0) {
        if (moved_ >= collided_.size()) return false;
        return moveListing();
    }
    if (!oldListings_->next()) {
        if (oldListings_->failed()) {
            fail("The file " + SplitFilePath(f_.oldListing, 0, true) + " is damaged: listing " + rt::str(read_ + 1) +
                     " of " + rt::str(total_) + " cannot be read.",
                 rt::error() + " (" + rt::str(rt::errorCode()) + ")");
            return false;
        }
        read_ = -1;  // the whole old file has been read
        return true;
    }
    ++read_;
    readOld();
    const SongBookRecord listing = SBK.record();
    const bool discless = SBK1.DISKTRACKNO == 0;
    const std::string disc = discless ? "*" : rt::clip(listing.UNQDISKID.str());
    if (disc != discAdded_) {
        if (!addDisc(disc, discless)) return false;
        discAdded_ = disc;
    }
    return addListing(listing);
}

// The progress window until the last listing is in the new pair. False after Cancel or a
// failure (failure_ then tells which).
bool Conversion::convertAll() {
    total_ = SBK1.records();
    SBK1.set();
    if (rt::errorCode() != rt::NoError) {
        SaveFileError();
        ShowWarning(Warning::ViewOpen, "SongBook11");
        return false;
    }
    // A listing that cannot be read ends the conversion with a message of its own.
    oldListings_.emplace(SBK1, RecordReader::Quiet, RecordReader::AsSet);
    TaskWindow w("Progress...", rt::WindowKind::Dialog, -1, -1, 200, 64);
    const int bar = w.add(rt::ControlKind::Progress, "?Progress", "", 8, 8, 184, 10);
    w.text("?Line", "", 8, 22, 184, 10);
    const int percent = w.text("?Percent", "0% Completed", 8, 32, 184, 10);
    const int cancel = w.button("?Cancel", "Cancel", 75, 46, 50, 14);
    w.open();
    w.setTitle("Converting SongBook");
    bool finished = false;
    int shown = 0;
    auto show = [&] {
        const long long done = read_ < 0 ? total_ : read_;
        const int now = total_ > 0 ? static_cast<int>(std::min<long long>(100, done * 100 / total_)) : 100;
        if (now == shown) return;
        shown = now;
        w.setValue(bar, std::to_string(now));
        w.setText(percent, percentText(now));
    };
    // The close box cancels as "Cancel" does.
    SlicedWork work(w, {.atLeast = kListingsPerTick, .budget = kTickBudget});
    work.cancelWith(cancel).afterSlice(show).atEnd([&] {
        show();
        finished = failure_.empty();
        if (!finished) return;
        // The keys are built as the new pair is written out: the window says so until they are.
        w.setText(percent, "Building Index, Please wait...");
        w.display();
        finished = writeOut(SBK) && writeOut(SBD);
    });
    work.run([&] { return convertStep(); });
    return finished;
}

// The whole new pair takes its place and the old pair its kept names. False when a step
// failed: what could be undone is, and failure_ says what happened.
bool Conversion::putInPlace() {
    // Whole on the disc first: from here on the new pair is never taken for a half-made one.
    if (int e = rt::syncFolder(f_.folder)) {
        fail("The converted SongBook cannot be saved in " + f_.folder + ".", std::strerror(e));
        return false;
    }
    for (const auto& [from, to] : {std::pair{&f_.workDisc, &f_.wholeDisc}, std::pair{&f_.workListing, &f_.wholeListing}}) {
        if (int e = renameStep(*from, *to, false)) {
            fail("The converted SongBook cannot be saved as " + f_.newListing + ".", std::strerror(e));
            return false;
        }
    }
    if (int e = rt::syncFolder(f_.folder)) {
        fail("The converted SongBook cannot be saved as " + f_.newListing + ".", std::strerror(e));
        return false;
    }
    // The step that makes the conversion done.
    if (int e = renameStep(f_.oldListing, f_.keptListing, false)) {
        fail("The SongBook file " + f_.oldListing + " cannot be renamed to " + SplitFilePath(f_.keptListing, 0, true) + ".",
             std::strerror(e));
        return false;
    }
    std::vector<Step> done{{f_.oldListing, f_.keptListing, false}};
    if (int e = finishSwap(f_, done)) {
        if (undoSteps(done)) {
            fail("The converted SongBook cannot be saved as " + f_.newListing + ".", std::strerror(e));
            return false;
        }
        // Too far to go back: the next listing of the folder finishes it.
        fail("The conversion of " + f_.name + " could not be finished.",
             std::string(std::strerror(e)) + "||It will be finished when the SongBook File Explorer next lists the folder.");
        return false;
    }
    return true;
}

void Conversion::report() {
    std::string text;
    if (f_.oldDisc.empty())
        text += "The disc file " + SplitFilePath(SongBookDiscFile(f_.oldListing), 0, true) +
                " was missing: the SongBook's discs have been made from its listings, without custom disc ids.";
    if (renumbered_ > 0) {
        if (!text.empty()) text += "||";
        text += rt::str(renumbered_) + (renumbered_ == 1 ? " listing" : " listings") +
                " shared a disc id and track with another song and got the next free track of their disc:|";
        for (const std::string& m : moves_) text += m + "|";
        if (renumbered_ > static_cast<long long>(moves_.size()))
            text += "... (" + rt::str(renumbered_ - static_cast<long long>(moves_.size())) + " more)|";
        text.pop_back();
    }
    if (dropped_ > 0) {
        if (!text.empty()) text += "||";
        text += rt::str(dropped_) + (dropped_ == 1 ? " listing was" : " listings were") +
                " the same song on the same disc and track twice and " + (dropped_ == 1 ? "was" : "were") +
                " converted once.";
    }
    if (!text.empty()) rt::message(text, "SongBook Converted", rt::Icon::Asterisk);
}

bool Conversion::run() {
    OldSongBookFileName = f_.oldListing;
    OldSBDiscsFileName = f_.oldDisc;
    FolderLock lock(f_.folder);
    if (!lock.held()) {
        rt::message("Another SongBook of this folder is being converted.||Please wait until it is done, then open " +
                        f_.name + " again.",
                    kCaption, rt::Icon::Exclamation);
        return false;
    }
    switch (prepare()) {
    case Prepared::Refused:
        closeFiles();
        return false;
    case Prepared::KeepExisting:
        return true;
    case Prepared::Convert:
        break;
    }
    bool whole = openFiles() && convertAll();
    whole = closeFiles(whole) && whole;
    if (whole) whole = putInPlace();
    if (!whole) {
        // Nothing half-made stays; the old pair is where it was.
        if (PathInUse(f_.oldListing)) f_.removeWork();
        if (!failure_.empty())
            rt::message(failure_ + (PathInUse(f_.oldListing) ? "||The SongBook has not been converted; its old files are "
                                                                "as they were."
                                                              : ""),
                        kCaption, rt::Icon::Exclamation);
        return false;
    }
    OldSongBookFileName = f_.keptListing;
    OldSBDiscsFileName = f_.keptDisc;
    SongBookFileName = f_.newListing;
    SBDiscsFileName = f_.newDisc;
    report();
    return true;
}

}  // namespace

void SetConversionRenamer(ConversionRenamer r) { renamer() = std::move(r); }

void FinishCutOffConversions(const std::string& folder) {
    const std::string inFolder = FolderWithoutEnd(rt::absolutePath(folder)) + "/";
    std::set<std::string> names;
    for (const rt::DirEntry& e : rt::listDirectory(inFolder, "*.2b?-convert*")) {
        for (const char* ext : {".2bk-convert", ".2bd-convert"})
            if (const auto at = e.name.rfind(ext); at != std::string::npos && at > 0) names.insert(e.name.substr(0, at));
    }
    if (names.empty()) return;
    FolderLock lock(inFolder);
    if (!lock.held()) return;  // a conversion runs there now
    for (const std::string& name : names) finishCutOff(ConversionFiles(inFolder, name));
    rt::syncFolder(inFolder);
    rt::clearError();
}

void ConvertOldSongBook() {
    const std::string listing = rt::absolutePath(rt::clip(SongBookFileName));
    const std::string folder = SplitFilePath(listing, 3), name = SplitFilePath(listing, 1);
    // A conversion of this SongBook cut off earlier is brought to its end first.
    FinishCutOffConversions(folder);
    bool converted = false;
    if (PathInUse(listing)) {
        converted = Conversion(ConversionFiles(folder, name, listing, rt::clip(SBDiscsFileName))).run();
    } else if (const ConversionFiles done(folder, name); done.oldListing.empty() && PathInUse(done.newListing)) {
        // Finished just now.
        SongBookFileName = done.newListing;
        SBDiscsFileName = done.newDisc;
        converted = true;
    }
    if (!converted) {
        SongBookFileName = listing;
        SBDiscsFileName = SongBookDiscFile(listing);
    }
    CallResponse = converted ? 1 : 2;
}
