#include "shell/SongBookBackup.h"

#include <vector>

#include "data/globals.h"
#include "runtime/files/folder.h"
#include "runtime/window/window.h"
#include "runtime/zip/zip.h"
#include "services/TaskWindow.h"
#include "services/split_file_path.h"
#include "shell/SongBookFileExplorer.h"

namespace {

std::string withoutFolderEnd(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

// A member name that stays in the folder it is extracted into. Names that do not are left to
// the extraction, which refuses the whole archive.
bool staysInFolder(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
    if (name.size() >= 2 && name[1] == ':') return false;
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (end - start == 2 && name.compare(start, 2, "..") == 0) return false;
        start = end + 1;
    }
    return true;
}

// The members of the archive that would replace a file already in the folder.
std::vector<std::string> filesReplaced(const std::string& archive, const std::string& folder) {
    std::vector<std::string> found;
    const std::vector<std::string> names = rt::zMemberNames(archive);
    for (const std::string& n : names)
        if (!staysInFolder(n)) return {};
    for (std::string n : names) {
        if (n.back() == '/' || n.back() == '\\') continue;  // a folder entry replaces nothing
        for (char& c : n)
            if (c == '\\') c = '/';
        if (PathInUse(PathInFolder(folder, n))) found.push_back(n);
    }
    return found;
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

}  // namespace

std::string SongBookBackupComment(rt::DayNumber day) {
    return "Cantorelle V2 SongBook Maker Backup Dated: " + rt::formatMDY(day);
}

int WriteSongBookBackup(const std::string& listingPath, const std::string& archivePath,
                        const std::string& comment, std::string& error) {
    const std::string disc = SongBookDiscFile(listingPath);
    int rc = rt::fileExists(archivePath) ? rt::zOpenZipFile(archivePath) : rt::zCreateNewZip(archivePath);
    if (rc == 0) rc = rt::zOrderFile(listingPath, SplitFilePath(listingPath, 0, true), 0);
    if (rc == 0) rc = rt::zOrderFile(disc, SplitFilePath(disc, 0, true), 0);
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
    // A restore is often meant to bring back a damaged SongBook, so replacing is allowed, but
    // never without the host's word.
    if (const auto replaced = filesReplaced(archive, folder); !replaced.empty() && !hostAgreesToReplace(replaced)) {
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
