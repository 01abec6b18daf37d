#include "library/AddTaggedDiscTracks.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "data/globals.h"
#include "data/karaoke.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "data/tagque.h"
#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/ProgressWindow.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"

namespace {

const char* const kTitle = "Adding Selected Disc Tracks to Open SongBook";
// How long a disc's transaction waits for another station's lock on the SongBook.
constexpr int kLockSeconds = 5;
// Refused discs named one by one in the closing message; the rest are counted.
constexpr std::size_t kNamedProblems = 12;
// How long the discs of one transaction take at most (about).
constexpr auto kGroupTime = std::chrono::milliseconds(250);

// The error part of a message about the error that just happened.
std::string errorPart() { return WarningErrorPart(); }

// The record files the run opened itself (an instance open already on this thread stays so).
class RunFiles {
public:
    ~RunFiles() { closeAll(); }
    // Opens the file for shared use; false with `problem` set when it will not open.
    bool open(rt::RecordFile& f, std::string& problem) {
        f.open(rt::ReadWrite | rt::DenyWrite);
        const int e = rt::errorCode();
        if (e == rt::AlreadyOpen) return true;
        if (e != rt::NoError) {
            problem = "The file " + f.name() + " could not be opened.  Error: " + errorPart() + ".";
            return false;
        }
        opened_.push_back(&f);
        return true;
    }
    void close(rt::RecordFile& f) {
        auto it = std::find(opened_.begin(), opened_.end(), &f);
        if (it == opened_.end()) return;
        f.close();
        opened_.erase(it);
    }
    void closeAll() {
        while (!opened_.empty()) close(*opened_.back());
    }

private:
    std::vector<rt::RecordFile*> opened_;
};

struct Counts {
    long long added = 0;
    long long duplicates = 0;
    long long refused = 0;
};

void showCounts(ProgressWindow& w, const Counts& c) {
    w.setCount(0, c.added);
    w.setCount(1, c.duplicates);
    w.setCount(2, c.refused);
}

// One tagged disc: its tracks go into the SongBook with its disc record, in one
// transaction: its own (run()) or its group's (write()).
class DiscCopy {
public:
    DiscCopy(const TagQueRecord& tag, Counts& counts, ProgressWindow& window,
             std::vector<std::string>& problems)
        : discId_(rt::clip(rt::cut(tag.QUEUNQDISKID.str(), 15))),
          customId_(rt::clip(rt::cut(tag.DISKID.str(), 15))),
          genre_(tag.QUEGENRE.str()), counts_(counts), window_(window), problems_(problems) {}

    // Reads the disc's master tracks: false when they could not be read (the disc is refused).
    bool prepare() {
        tracks_.clear();
        return readTracks(tracks_);
    }
    // No master track carries the id: there is nothing to add.
    bool empty() const { return tracks_.empty(); }

    // In the disc's own transaction.
    void run() {
        if (!prepare() || empty()) return;
        if (!rt::logout(kLockSeconds, {&SBK, &SBD})) {
            refuse("the SongBook could not be locked for writing.  Error: " + errorPart() + ".");
            return;
        }
        std::string failure;
        if (!write(failure)) {
            rt::rollback();
            takeBack();
            refuse(failure);
            return;
        }
        rt::commit();
        if (rt::errorCode() != rt::NoError) {
            const std::string why = "its tracks could not be written.  Error: " + errorPart() + ".";
            takeBack();
            refuse(why);
        }
    }

    // Inside a running transaction (after prepare()): false with the reason when a write
    // failed; the caller rolls back.
    bool write(std::string& failure) { return discReady(failure) && copy(tracks_, added_, duplicates_, failure); }

    // The SongBook could not be locked for the disc (why: the reason, taken at once).
    void notLocked(const std::string& why) {
        if (prepare() && !empty()) refuse(why);
    }

    // The disc's counts out of the totals again, after its transaction was rolled back.
    void takeBack() {
        counts_.added -= added_;
        counts_.duplicates -= duplicates_;
        added_ = duplicates_ = 0;
        hasRecord_ = false;
        showCounts(window_, counts_);
    }

private:
    // The master tracks of the disc, in the order of KAR:KUNQDISKID. Letters compare in any
    // case, as the key does: the key mixes "sc8125" and "SC8125" together, so stopping at the
    // first difference in case would add a disc only in part.
    bool readTracks(std::vector<KaraokeRecord>& tracks) {
        KAR.clearBuffer();
        KAR.UNQDISKID = discId_;
        RecordReader master(KAR, KARAOKE::KUNQDISKID, RecordReader::Quiet, RecordReader::BufferValues);
        while (master.next()) {
            if (!rt::equalNoCase(KAR.UNQDISKID.str(), discId_)) return true;
            tracks.push_back(KAR.record());
        }
        if (!master.failed()) return true;
        refuse("its master tracks could not be read.  Error: " + errorPart() + ".");
        return false;
    }

    // Whether the disc has its record already; when it has none, its custom id must be free
    // (it is unique among the SongBook's discs).
    bool discReady(std::string& failure) {
        SBD.clearBuffer();
        SBD.UNQDISKID = discId_;
        SBD.get(SBDiscs::KUNQDISKID);
        if (rt::errorCode() == rt::NoError) {
            hasRecord_ = true;
            return true;
        }
        if (rt::errorCode() != rt::RecordNotFound) {
            failure = "the SongBook's discs could not be read.  Error: " + errorPart() + ".";
            return false;
        }
        if (customId_.empty()) return true;  // blank ids are left out of the key
        SBD.clearBuffer();
        SBD.ALTDISKID = customId_;
        SBD.get(SBDiscs::KALTDISKID);
        if (rt::errorCode() == rt::NoError) {
            failure = "its Custom Disc ID " + customId_ + " is already used by disc " + SBD.UNQDISKID.str() + ".";
            return false;
        }
        if (rt::errorCode() != rt::RecordNotFound) {
            failure = "the SongBook's discs could not be read.  Error: " + errorPart() + ".";
            return false;
        }
        return true;
    }

    bool copy(const std::vector<KaraokeRecord>& tracks, long long& added, long long& duplicates,
              std::string& failure) {
        const rt::DayNumber today = rt::today();
        for (const KaraokeRecord& t : tracks) {
            SongBookRecord listing;
            listing.TITLE = t.TITLE;
            listing.ARTIST = t.ARTIST;
            listing.UNQDISKID = t.UNQDISKID;
            listing.DISKTRACKNO = t.DISKTRACKNO;
            listing.DATEADDED = today;
            listing.MAKEID = rt::upper(rt::sub(t.UNQDISKID.str(), 0, 2));
            listing.GENRE = genre_;

            SBK.record() = listing;
            SBK.get(SongBook::KUNQDISKID);
            if (rt::errorCode() == rt::NoError) {
                ++duplicates;
                ++counts_.duplicates;
            } else if (rt::errorCode() != rt::RecordNotFound) {
                failure = "the SongBook's listings could not be read.  Error: " + errorPart() + ".";
                return false;
            } else {
                SBK.record() = listing;
                SBK.add();
                if (rt::errorCode() != rt::NoError) {
                    failure = "track " + std::to_string(t.DISKTRACKNO) + " could not be added.  Error: " +
                              errorPart() + ".";
                    return false;
                }
                if (!hasRecord_) {
                    // The disc gets its record with its first added track.
                    SBD.clearBuffer();
                    SBD.UNQDISKID = t.UNQDISKID;
                    SBD.MAKEID = t.MAKEID;
                    SBD.MAKETYPE = listing.MAKEID;
                    SBD.ALTDISKID = customId_;
                    SBD.add();
                    if (rt::errorCode() != rt::NoError) {
                        failure = "its disc record could not be added.  Error: " + errorPart() + ".";
                        return false;
                    }
                    hasRecord_ = true;
                }
                ++added;
                ++counts_.added;
            }
            showCounts(window_, counts_);
            window_.display();
        }
        return true;
    }

    void refuse(const std::string& why) {
        ++counts_.refused;
        showCounts(window_, counts_);
        problems_.push_back("Disc " + discId_ + " was not added: " + why);
    }

    const std::string discId_;
    const std::string customId_;
    const std::string genre_;
    std::vector<KaraokeRecord> tracks_;
    long long added_ = 0, duplicates_ = 0;
    Counts& counts_;
    ProgressWindow& window_;
    std::vector<std::string>& problems_;
    bool hasRecord_ = false;
};

std::string problemsText(const std::vector<std::string>& problems) {
    std::string text = problems.size() == 1 ? "One tagged disc was not added to the SongBook:|"
                                            : std::to_string(problems.size()) +
                                                  " tagged discs were not added to the SongBook:|";
    for (std::size_t i = 0; i < problems.size() && i < kNamedProblems; ++i) text += "|" + problems[i];
    if (problems.size() > kNamedProblems)
        text += "||and " + std::to_string(problems.size() - kNamedProblems) + " more.";
    return text;
}

}  // namespace

void AddTaggedDiscTracks() {
    RunFiles files;
    std::string problem;
    if (!files.open(KAR, problem) || !files.open(SBK, problem) || !files.open(SBD, problem)) {
        files.closeAll();
        rt::message(problem + "||No disc was added; the discs stay tagged.", kTitle, rt::Icon::Exclamation);
        return;
    }

    const std::size_t total = TagQue.records();
    std::size_t discsDone = 0;
    Counts counts;
    std::vector<std::string> problems;

    ProgressWindow window(kTitle, "Adding Song Tracks",
                          {{"Song Tracks Added Successfully: ", "TracksAdded"},
                           {"Duplicate Song Tracks not Added: ", "TracksDuplicate"},
                           {"Discs not Added: ", "DiscsRefused"}});
    window.open();

    // The discs go in groups, each in one transaction, as many as fit in about a quarter of a
    // second: a commit per disc would cost more than the copying. When a disc of a group fails,
    // the group is rolled back and its discs go again, each in a transaction of its own, so
    // every disc ends whole or absent and only the failing one is refused.
    auto nextDisc = [&] {
        TagQue.get(1);
        const TagQueRecord tag = TagQue;
        TagQue.get(1);
        TagQue.del();
        return std::make_unique<DiscCopy>(tag, counts, window, problems);
    };
    while (TagQue.records() > 0) {
        if (!rt::logout(kLockSeconds, {&SBK, &SBD})) {
            const std::string why = "the SongBook could not be locked for writing.  Error: " + errorPart() + ".";
            nextDisc()->notLocked(why);
            window.step(++discsDone, total);
            continue;
        }
        std::vector<std::unique_ptr<DiscCopy>> group;
        bool failed = false;
        const auto started = std::chrono::steady_clock::now();
        while (!failed && TagQue.records() > 0 && std::chrono::steady_clock::now() - started < kGroupTime) {
            auto disc = nextDisc();
            window.step(++discsDone, total);
            if (!disc->prepare() || disc->empty()) continue;
            std::string failure;
            failed = !disc->write(failure);
            group.push_back(std::move(disc));
        }
        if (failed) {
            rt::rollback();
        } else {
            rt::commit();
            failed = rt::errorCode() != rt::NoError;
            if (failed && rt::inTransaction()) rt::rollback();
        }
        if (!failed) continue;
        for (auto& disc : group) disc->takeBack();
        for (auto& disc : group) disc->run();
    }

    files.close(SBK);
    files.close(SBD);
    TagQue.free();
    window.finished();
    if (!problems.empty()) {
        window.showDetails();
        window.display();
        rt::message(problemsText(problems), kTitle, rt::Icon::Exclamation);
    }
    window.serve();
}
