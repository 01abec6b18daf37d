#include "shell/SongBookBackup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

#include "data/globals.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/files/work_folder.h"
#include "runtime/record/whole_files.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "runtime/zip/zip.h"
#include "services/SlicedWork.h"
#include "services/SplitFilePath.h"
#include "services/TaskWindow.h"
#include "shell/SongBookFileNames.h"
#include "shell/SongBookFilesFree.h"

namespace {

// Why a member cannot be restored into the SongBook folder ("" when it can): a backup holds
// the two files of a SongBook under plain file names, so anything else is refused.
std::string memberNameProblem(const std::string& name) {
    bool plain = !name.empty() && name != "." && name != ".." && name.size() <= 255 &&
                 name.find_first_of("/\\:") == std::string::npos;
    for (unsigned char c : name)
        if (c < 32 || c == 127) plain = false;
    if (plain) return {};
    std::string shown;
    for (unsigned char c : name) shown += c < 32 || c == 127 ? '?' : static_cast<char>(c);
    return "The Backup Holds \"" + shown + "\", Which Is Not a Plain File Name.||Nothing Has Been Restored.";
}

bool hostAgreesToReplace(const std::vector<std::string>& names) {
    constexpr std::size_t shown = 10;
    std::string list;
    for (std::size_t i = 0; i < names.size() && i < shown; ++i) list += names[i] + "|";
    if (names.size() > shown) list += "... (" + std::to_string(names.size() - shown) + " more)|";
    const std::string text = "The SongBook Folder Already Holds:||" + list +
                             "|Replace These Files with the Copies from the Backup?";
    return rt::message(text, "Restore SongBook", rt::Icon::Question, rt::BtnYes | rt::BtnNo,
                       rt::BtnNo) == rt::BtnYes;
}

// Where consistent copies of SongBooks wait to be archived: a work folder in the system's
// temporary folder.
constexpr const char* kSnapshotPrefix = "cantorelle-backup";

// Consistent copies of record files in a temporary folder of their own, removed with it.
class Snapshot {
public:
    bool take(const std::string& file) {
        if (work_.path().empty()) {
            // Copies left by a backup that was killed are of no use to anyone.
            rt::WorkFolder::removeLeftovers(rt::temporaryFolder(), kSnapshotPrefix);
            if (int e = work_.make(rt::temporaryFolder(), kSnapshotPrefix)) {
                error = "Cannot make a temporary folder: " + std::string(std::strerror(e));
                return false;
            }
        }
        const std::string copy = work_.file(std::to_string(copies_.size()));
        if (!rt::fileExists(file)) {
            error = "Cannot open " + rt::absolutePath(file) + ": " + std::strerror(ENOENT);
            return false;
        }
        if (rt::copyRecordFile(file, copy) != 0) {
            error = "Cannot copy " + rt::absolutePath(file) + ": " + rt::error() + " (" + rt::str(rt::errorCode()) + ")";
            return false;
        }
        copies_.emplace_back(file, copy);
        return true;
    }
    std::string copyOf(const std::string& file) const {
        for (const auto& [from, copy] : copies_)
            if (from == file) return copy;
        return file;
    }
    std::string error;

private:
    rt::WorkFolder work_;
    std::vector<std::pair<std::string, std::string>> copies_;
};

// The zip library writes an archive as "NAME.bkp.XXXXXX" beside it and renames it into place
// when whole; a backup killed meanwhile leaves that file behind. One nobody holds open, and
// that is empty or begins as a zip archive does, goes before the next backup into that archive.
void removePartialArchives(const std::string& archive) {
    const std::string folder = SplitFilePath(archive, 3), base = SplitFilePath(archive, 0, true);
    for (const rt::DirEntry& e : rt::listDirectory(folder, base + ".??????")) {
        if (e.isFolder || e.name.size() != base.size() + 7 || e.name.compare(0, base.size(), base) != 0) continue;
        struct stat st {};
        if (::lstat(e.path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || rt::fileOpenElsewhere(e.path)) continue;
        char head[2] = {};
        if (st.st_size > 0) {
            std::ifstream in(e.path, std::ios::binary);
            if (!in.read(head, 2) || head[0] != 'P' || head[1] != 'K') continue;
        }
        ::unlink(e.path.c_str());
    }
}

// Archives that unpack to this much or more are restored behind a progress window with Cancel.
constexpr unsigned long long kRestoreShowsProgressFrom = 16ull << 20;

// A large restore: the archive is unpacked on a thread of its own while this window shows the
// share done; Cancel stops it, and nothing of it stays. The unpacking starts at the window's
// first tick, so a Cancel pressed before that writes nothing at all.
class RestoreProgress {
public:
    RestoreProgress(std::string archive, std::string folder) : archive_(std::move(archive)), folder_(std::move(folder)) {
        progress_ = w_.add(rt::ControlKind::Progress, "?Progress", "", 8, 8, 184, 10);
        w_.setValue(progress_, "0");
        percent_ = w_.text("?Percent", percentText(0), 8, 24, 100, 10);
        cancel_ = w_.button("?Cancel", "Cancel", 142, 40, 50, 14);
    }
    ~RestoreProgress() {
        if (worker_.joinable()) worker_.join();
    }
    // 0 when the archive was restored; otherwise the failure's text is in `error` ("" when
    // the host cancelled).
    int run(std::string& error) {
        w_.open();
        w_.setTimer(10);
        SlicedWork ticks(w_, {});
        ticks.cancelWith(cancel_);
        for (;;) {
            const SlicedWork::Wake wake = ticks.waitForTick();
            if (wake != SlicedWork::Wake::Tick) {
                cancelled_ = true;
                break;
            }
            if (!worker_.joinable()) start();
            const unsigned long long total = total_.load(), done = done_.load();
            const int percent = total ? static_cast<int>(done * 100 / total) : 0;
            w_.setValue(progress_, std::to_string(percent));
            w_.setText(percent_, percentText(percent));
            if (finished_.load()) break;
        }
        w_.setTimer(0);
        w_.close();
        while (w_.accept()) {
        }
        if (worker_.joinable()) worker_.join();
        if (!worker_started_) {
            error.clear();
            return 1;
        }
        error = cancelled_ && rc_ != 0 ? std::string() : error_;
        return rc_;
    }

private:
    static std::string percentText(int percent) { return rt::rightAligned(percent, 3) + "% Completed"; }
    void start() {
        worker_started_ = true;
        worker_ = std::thread([this] {
            rt::zSetExtractProgress([this](unsigned long long done, unsigned long long total) {
                done_ = done;
                total_ = total;
                return !cancelled_.load();
            });
            rc_ = ExtractSongBookBackup(archive_, folder_, error_);
            rt::zSetExtractProgress(nullptr);
            finished_ = true;
        });
    }

    std::string archive_, folder_;
    TaskWindow w_{"Restoring SongBook", rt::WindowKind::Dialog, -1, -1, 200, 60};
    int progress_ = 0, percent_ = 0, cancel_ = 0;
    std::thread worker_;
    bool worker_started_ = false;
    std::atomic<bool> cancelled_{false}, finished_{false};
    std::atomic<unsigned long long> done_{0}, total_{0};
    int rc_ = 1;
    std::string error_;
};

}  // namespace

std::string SongBookBackupComment(rt::DayNumber day) {
    return "Cantorelle V2 SongBook Maker Backup Dated: " + rt::formatMDY(day);
}

int WriteSongBookBackup(const std::string& listingPath, const std::string& archivePath,
                        const std::string& comment, std::string& error) {
    const std::string disc = SongBookDiscFile(listingPath);
    // The archive takes consistent copies, never the files as they lie: a commit running
    // meanwhile, or one cut off by a crash, would be archived half done.
    Snapshot snap;
    if (!snap.take(listingPath) || !snap.take(disc)) {
        error = snap.error;
        return 1;
    }
    removePartialArchives(archivePath);
    int rc = rt::fileExists(archivePath) ? rt::zOpenZipFile(archivePath) : rt::zCreateNewZip(archivePath);
    if (rc == 0) rc = rt::zOrderFile(snap.copyOf(listingPath), SplitFilePath(listingPath, 0, true), 0);
    if (rc == 0) rc = rt::zOrderFile(snap.copyOf(disc), SplitFilePath(disc, 0, true), 0);
    if (rc == 0) rc = rt::zCompressFiles("", "", 3, 0, 0, comment, 0);
    if (rc == 0) rc = rt::zCloseZipFile();
    if (rc != 0) {
        error = rt::zGetLastErrorAsText();
        // An archive left half-written is discarded; one that existed keeps its old contents.
        rt::zCloseZipFile();
    }
    return rc;
}

int ExtractSongBookBackup(const std::string& archivePath, const std::string& folder,
                          std::string& error) {
    int rc = rt::zOpenZipFile(archivePath);
    if (rc == 0) rc = rt::zExtractAll(FolderWithoutEnd(folder) + "/", "", 1, 0, 0, 0, 0);
    if (rc == 0) rc = rt::zCloseZipFile();
    if (rc != 0) {
        error = rt::zGetLastErrorAsText();
        rt::zCloseZipFile();
    }
    return rc;
}

bool BackupSongBook(const std::string& listingPath, const StatusLine& status) {
    std::string folder = LONGNEWPATH.str();
    if (!rt::folderDialog("Select Destination Folder for Backup File", folder)) return false;
    status("Creating and Storing SongBook Back, One Moment Please...");
    WaitCursor wait;
    const std::string archive =
        PathInFolder(FolderWithoutEnd(folder), SplitFilePath(listingPath, 1) + ".bkp");
    std::string error;
    const int rc = WriteSongBookBackup(listingPath, archive, SongBookBackupComment(rt::today()), error);
    wait.end();
    if (rc != 0) {
        status("");
        rt::message("Error: " + error);
        rt::setCurrentFolder(LONGNEWPATH);
        return false;
    }
    status("SongBook Backup Created Successfully");
    rt::setCurrentFolder(LONGNEWPATH);
    rt::beep(rt::BeepKind::Information);
    return true;
}

bool RestoreSongBook(const StatusLine& status) {
    const std::string remembered = rt::currentFolder();
    std::string archive = LONGNEWPATH.str();
    if (!rt::fileDialog("Select SongBook Backup File to Restore", archive,
                        "SongBook Backup|*.bkp|All Files|*.*")) {
        rt::setCurrentFolder(remembered);
        return false;
    }
    const std::string folder = LONGNEWPATH.str();
    auto refuse = [&](const std::string& text) {
        rt::message(text);
        rt::setCurrentFolder(remembered);
        return false;
    };
    // Everything that would refuse the archive is found from its directory, before a byte
    // is written: names, sizes, the space on the disc.
    std::vector<rt::ZipMember> members;
    if (!rt::zArchiveMembers(archive, members)) {
        rt::zOpenZipFile(archive);  // for the library's own text
        const std::string error = rt::zGetLastErrorAsText();
        rt::zCloseZipFile();
        return refuse(error.empty() ? "Cannot read " + archive : error);
    }
    std::vector<std::string> targets, replaced;
    for (const rt::ZipMember& m : members) {
        if (const std::string problem = memberNameProblem(m.name); !problem.empty()) return refuse(problem);
        targets.push_back(PathInFolder(folder, m.name));
        if (PathInUse(targets.back())) replaced.push_back(m.name);
    }
    if (const std::string problem = rt::zExtractionProblem(archive, folder); !problem.empty()) return refuse(problem);
    // A file open in a SongBook window keeps being written there; a journal left beside an
    // old file would be played into the restored one.
    if (!SongBookFilesFree(targets, "Replace")) {
        rt::setCurrentFolder(remembered);
        return false;
    }
    // A restore is often meant to bring back a damaged SongBook, so replacing is allowed, but
    // never without the host's word.
    if (!replaced.empty() && !hostAgreesToReplace(replaced)) {
        rt::setCurrentFolder(remembered);
        return false;
    }
    status("Restoring SongBook, One Moment Please...");
    unsigned long long total = 0;
    for (const rt::ZipMember& m : members) total += m.size;
    std::string error;
    int rc = 0;
    if (total >= kRestoreShowsProgressFrom) {
        rc = RestoreProgress(archive, folder).run(error);
    } else {
        WaitCursor wait;
        rc = ExtractSongBookBackup(archive, folder, error);
    }
    if (rc != 0) {
        status(error.empty() ? "Restore Cancelled, Nothing Has Been Changed" : "");
        if (!error.empty()) rt::message(error);
        rt::setCurrentFolder(remembered);
        return false;
    }
    status("SongBook Successfully Restored");
    rt::beep(rt::BeepKind::Information);
    rt::setCurrentFolder(remembered);
    return true;
}
