#include "shell/SongBookBackup.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "data/globals.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/record/whole_files.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "runtime/zip/zip.h"
#include "services/SplitFilePath.h"
#include "services/TaskWindow.h"
#include "shell/SongBookFileExplorer.h"

namespace {

std::string withoutFolderEnd(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

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

// Consistent copies of record files in a temporary folder of their own, removed with it.
class Snapshot {
public:
    ~Snapshot() {
        if (folder_.empty()) return;
        for (const auto& [from, copy] : copies_) ::unlink(copy.c_str());
        ::rmdir(folder_.c_str());
    }
    bool take(const std::string& file) {
        if (folder_.empty()) {
            const char* tmp = std::getenv("TMPDIR");
            std::string tmpl = std::string(tmp && *tmp ? tmp : "/tmp") + "/cantorelle-backup-XXXXXX";
            if (!::mkdtemp(tmpl.data())) {
                error = "Cannot make a temporary folder: " + std::string(std::strerror(errno));
                return false;
            }
            folder_ = tmpl;
        }
        const std::string copy = folder_ + "/" + std::to_string(copies_.size());
        if (!rt::fileExists(file)) {
            error = "Cannot open " + rt::absolutePath(file) + ": " + std::strerror(ENOENT);
            return false;
        }
        if (rt::copyRecordFile(file, copy) != 0) {
            error = "Cannot copy " + rt::absolutePath(file) + ": " + rt::error() + " (" + rt::str(rt::errorCode()) + ")";
            ::unlink(copy.c_str());
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
    std::string folder_;
    std::vector<std::pair<std::string, std::string>> copies_;
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
    if (rc == 0) rc = rt::zExtractAll(withoutFolderEnd(folder) + "/", "", 1, 0, 0, 0, 0);
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
        PathInFolder(withoutFolderEnd(folder), SplitFilePath(listingPath, 1) + ".bkp");
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
    WaitCursor wait;
    std::string error;
    const int rc = ExtractSongBookBackup(archive, folder, error);
    wait.end();
    if (rc != 0) {
        status("");
        rt::message(error);
        rt::setCurrentFolder(remembered);
        return false;
    }
    status("SongBook Successfully Restored");
    rt::beep(rt::BeepKind::Information);
    rt::setCurrentFolder(remembered);
    return true;
}
