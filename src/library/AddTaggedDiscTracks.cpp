#include "library/AddTaggedDiscTracks.h"

#include <algorithm>
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
#include "services/TaskWindow.h"
#include "services/show_warning.h"

namespace {

const char* const kTitle = "Adding Selected Disc Tracks to Open SongBook";
// How long a disc's transaction waits for another station's lock on the SongBook.
constexpr int kLockSeconds = 5;
// Refused discs named one by one in the closing message; the rest are counted.
constexpr std::size_t kNamedProblems = 12;

std::string percentText(int percent) { return rt::rightAligned(percent, 3) + "% Completed"; }

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

class ProgressWindow {
public:
    ProgressWindow() : w_("Progress...", rt::WindowKind::Dialog, -1, -1, kWidth, kShortHeight) {
        progress_ = w_.add(rt::ControlKind::Progress, "?Progress", "", 8, 8, kWidth - 16, 10);
        w_.setValue(progress_, "0");
        const int adding = w_.group("?AddingGroup", "Adding Song Tracks", 6, 22, kWidth - 12, 30);
        percent_ = w_.text("?Percent", "", 14, 36, 80, 10);
        w_.edit(percent_).parent = adding;
        details_ = w_.button("?Details", "&Details >>", kWidth - 72, 33, 60, 14);
        w_.edit(details_).parent = adding;
        w_.hide(details_);
        done_ = w_.button("?Done", "&Done", kWidth - 66, 56, 60, 14);
        w_.edit(done_).isDefault = true;
        w_.hide(done_);

        // Below the area shown at first: the counters.
        const int group = w_.group("?DetailsGroup", "Details", 6, kShortHeight + 2, kWidth - 12, 44);
        auto counterLine = [&](const char* label, const char* name, int y) {
            const int p = w_.text(std::string("?") + name + ":Prompt", label, 14, y, 120, 10);
            w_.edit(p).parent = group;
            const int n = w_.text(std::string("?") + name, "0", 138, y, 40, 10);
            w_.edit(n).parent = group;
            return n;
        };
        added_ = counterLine("Song Tracks Added Successfully: ", "TracksAdded", kShortHeight + 14);
        duplicates_ = counterLine("Duplicate Song Tracks not Added: ", "TracksDuplicate", kShortHeight + 24);
        refused_ = counterLine("Discs not Added: ", "DiscsRefused", kShortHeight + 34);
    }

    void open() {
        w_.open();
        w_.setText(percent_, "0% Completed");
        w_.setTitle(kTitle);
        w_.display();
    }
    void showCounts(const Counts& c) {
        w_.setText(added_, rt::str(c.added));
        w_.setText(duplicates_, rt::str(c.duplicates));
        w_.setText(refused_, rt::str(c.refused));
    }
    void showPercent(int percent) {
        w_.setValue(progress_, std::to_string(percent));
        w_.setText(percent_, percentText(percent));
    }
    void display() { w_.display(); }
    void showDetails() { w_.setGeometry(w_.x(), w_.y(), w_.width(), kTallHeight); }
    void finished() {
        w_.unhide(done_);
        w_.unhide(details_);
        w_.select(done_);
    }
    // Serves the window until "&Done" (or its close box) ends it.
    void serve() {
        while (w_.accept()) {
            if (w_.code() != rt::EvAccepted) continue;
            if (w_.field() == done_) w_.close();
            else if (w_.field() == details_) showDetails();
        }
    }

private:
    static constexpr int kWidth = 240;  // wide enough for its title
    static constexpr int kShortHeight = 76;
    static constexpr int kTallHeight = 126;
    TaskWindow w_;
    int progress_ = 0, percent_ = 0, details_ = 0, done_ = 0;
    int added_ = 0, duplicates_ = 0, refused_ = 0;
};

// One tagged disc: its tracks go into the SongBook in one transaction with its disc record.
class DiscCopy {
public:
    DiscCopy(const TagQueRecord& tag, Counts& counts, ProgressWindow& window,
             std::vector<std::string>& problems)
        : discId_(rt::clip(rt::cut(tag.QUEUNQDISKID.str(), 15))),
          customId_(rt::clip(rt::cut(tag.DISKID.str(), 15))),
          genre_(tag.QUEGENRE.str()), counts_(counts), window_(window), problems_(problems) {}

    void run() {
        std::vector<KaraokeRecord> tracks;
        if (!readTracks(tracks)) return;
        if (tracks.empty()) return;  // no master track carries the id: nothing to add
        if (!rt::logout(kLockSeconds, {&SBK, &SBD})) {
            refuse("the SongBook could not be locked for writing.  Error: " + errorPart() + ".");
            return;
        }
        long long added = 0, duplicates = 0;
        std::string failure;
        if (!discReady(failure) || !copy(tracks, added, duplicates, failure)) {
            rt::rollback();
            counts_.added -= added;
            counts_.duplicates -= duplicates;
            window_.showCounts(counts_);
            refuse(failure);
            return;
        }
        rt::commit();
        if (rt::errorCode() != rt::NoError) {
            const std::string why = "its tracks could not be written.  Error: " + errorPart() + ".";
            counts_.added -= added;
            counts_.duplicates -= duplicates;
            window_.showCounts(counts_);
            refuse(why);
        }
    }

private:
    // The master tracks of the disc, in the order of KAR:KUNQDISKID. Letters compare in any
    // case, as the key does: the key mixes "sc8125" and "SC8125" together, so stopping at the
    // first difference in case would add a disc only in part.
    bool readTracks(std::vector<KaraokeRecord>& tracks) {
        KAR.clearBuffer();
        KAR.UNQDISKID = discId_;
        KAR.setAt(KARAOKE::KUNQDISKID);
        for (KAR.next(); rt::errorCode() == rt::NoError; KAR.next()) {
            if (!rt::equalNoCase(KAR.UNQDISKID.str(), discId_)) return true;
            tracks.push_back(KAR.record());
        }
        if (rt::errorCode() == rt::NoRecord) return true;
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
            window_.showCounts(counts_);
            window_.display();
        }
        return true;
    }

    void refuse(const std::string& why) {
        ++counts_.refused;
        window_.showCounts(counts_);
        problems_.push_back("Disc " + discId_ + " was not added: " + why);
    }

    const std::string discId_;
    const std::string customId_;
    const std::string genre_;
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
    int percent = 0;
    Counts counts;
    std::vector<std::string> problems;

    ProgressWindow window;
    window.open();

    while (TagQue.records() > 0) {
        TagQue.get(1);
        const TagQueRecord tag = TagQue;
        DiscCopy(tag, counts, window, problems).run();

        ++discsDone;
        if (percent < 100) {
            const int now = static_cast<int>(std::min<std::size_t>(100, total ? discsDone * 100 / total : 100));
            if (now != percent) {
                percent = now;
                window.showPercent(percent);
                window.display();
            }
        }
        TagQue.get(1);
        TagQue.del();
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
