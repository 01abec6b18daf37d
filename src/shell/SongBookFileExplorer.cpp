#include "shell/SongBookFileExplorer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "data/globals.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/record/whole_files.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/RegistryValue.h"
#include "services/SplitFilePath.h"
#include "services/TaskWindow.h"
#include "shell/ConvertOldSongBook.h"
#include "shell/ConvertSongBookFile.h"
#include "shell/NewSongBookDialog.h"
#include "shell/RenameSongBookDialog.h"
#include "shell/SongBookBackup.h"
#include "shell/SongBookFileNames.h"
#include "shell/SongBookFilesFree.h"

namespace {

struct Entry {
    std::string name;      // the file name without its extension
    std::string fileName;
    std::string path;      // full path
};

class Explorer {
public:
    void run();

private:
    void fillList();
    void takeSelection(int row);
    void takeSelectionFromHighlight() { takeSelection(w_.ctl(list_).selected); }
    void status(const std::string& text) { w_.setText(status_, text); }
    void showFolder() { w_.setText(folder_, LONGNEWPATH); }

    void openSelected();
    void newSongBook();
    void renameSelected();
    void deleteSelected();
    void backupSelected();
    void moveSelected();
    void restore();
    void changeFolder();
    void setDefaultFolder();

    TaskWindow w_{"SongBook File Explorer", rt::WindowKind::Dialog, -1, -1, 360, 222};
    std::vector<Entry> entries_;
    int folder_ = 0, status_ = 0, list_ = 0;
    int open_ = 0, new_ = 0, rename_ = 0, delete_ = 0, backup_ = 0, move_ = 0, restore_ = 0,
        change_ = 0, default_ = 0, cancel_ = 0;
};

void Explorer::run() {
    w_.prompt("?CurrentFolderPrompt", "Current Folder:", 8, 8, 60, 10);
    folder_ = w_.text("?LONGNEWPATH", LONGNEWPATH, 70, 8, 282, 10);
    list_ = w_.list("?LIST", 8, 24, 206, 176, {rt::Column{"SongBooks", 200, 'L', false}});
    w_.edit(list_).maxChars = 50;

    // Buttons to the right of the list, in groups: choosing, managing one SongBook, archives,
    // the folder; Cancel level with the list's foot.
    const int bx = 222, bw = 130, bh = 14;
    open_ = w_.button("?BUTTON6", "&Open Selected SongBook", bx, 24, bw, bh);
    new_ = w_.button("?BUTTON5", "&New SongBook", bx, 40, bw, bh);
    rename_ = w_.button("?BUTTON3", "&Rename Selected SongBook", bx, 60, bw, bh);
    delete_ = w_.button("?BUTTON4", "&Delete Selected SongBook", bx, 76, bw, bh);
    move_ = w_.button("?BUTTON9", "&Move Selected SongBook", bx, 92, bw, bh);
    backup_ = w_.button("?BUTTON7", "&Backup Selected SongBook", bx, 112, bw, bh);
    restore_ = w_.button("?BUTTON8", "&Restore SongBook", bx, 128, bw, bh);
    change_ = w_.button("?BUTTON2", "&Change Folder", bx, 148, bw, bh);
    default_ = w_.button("?BUTTON10", "&Set as Default SongBook Folder", bx, 164, bw, bh);
    cancel_ = w_.button("?BUTTON11", "Cancel", bx, 186, bw, bh);
    w_.edit(open_).isDefault = true;

    status_ = w_.text("?STATUSMESSAGE", "", 8, 206, 344, 10);
    w_.edit(status_).boxed = true;
    w_.edit(status_).maxChars = 128;
    w_.setIcon(TaskWindow::ProgramIcon);

    w_.onFirstDisplay([this] {
        fillList();
        w_.select(list_);
    });
    w_.onRedisplay([this] { fillList(); });
    w_.open();
    while (w_.accept()) {
        const int f = w_.field();
        switch (w_.code()) {
        case rt::EvAccepted:
            if (f == open_) openSelected();
            else if (f == new_) newSongBook();
            else if (f == rename_) renameSelected();
            else if (f == delete_) deleteSelected();
            else if (f == backup_) backupSelected();
            else if (f == move_) moveSelected();
            else if (f == restore_) restore();
            else if (f == change_) changeFolder();
            else if (f == default_) setDefaultFolder();
            else if (f == cancel_) {
                SongBookFileName.clear();
                w_.close();
            }
            break;
        case rt::EvNewSelection:
            if (f == list_) takeSelection(static_cast<int>(w_.event().value));
            break;
        case rt::EvAlertKey:
            if (f != list_) break;
            // A key that names its row acts on that row.
            if (const long long row = w_.event().value; row >= 1 && row <= static_cast<long long>(entries_.size())) {
                w_.setSelected(list_, static_cast<int>(row));
                takeSelection(static_cast<int>(row));
            }
            switch (w_.event().key) {
            case rt::KeyEnter:
            case rt::KeyDoubleClick: openSelected(); break;
            case rt::KeyDelete: deleteSelected(); break;
            default: break;
            }
            break;
        default:
            break;
        }
    }
}

// The SongBooks of the folder: regular files named *.2bk or *.sbk, by name. The highlight stays on the
// selected SongBook while it is listed; a selected SongBook that has gone is no longer selected.
void Explorer::fillList() {
    // A conversion or repair that a crash cut off is brought to its end first, so that each
    // SongBook is listed as it now stands and no work file stays behind.
    FinishCutOffConversions(LONGNEWPATH);
    RemoveRepairLeftovers(LONGNEWPATH);
    entries_.clear();
    for (rt::DirEntry& d : rt::listDirectory(LONGNEWPATH, "*.?bk")) {
        if (d.isFolder) continue;
        // Only what the program can open: its SongBooks, and those of the previous version
        // for conversion. Any other "?bk" file is someone else's.
        const std::string ext = SplitFilePath(d.path, 2, false);
        if (!rt::equalNoCase(ext, "2bk") && !rt::equalNoCase(ext, "sbk")) continue;
        entries_.push_back({SplitFilePath(d.path, 1), d.name, d.path});
    }
    std::sort(entries_.begin(), entries_.end(), [](const Entry& a, const Entry& b) {
        if (int c = rt::compareNoCase(a.name, b.name)) return c < 0;
        return a.fileName < b.fileName;
    });
    std::vector<rt::Row> rows;
    rows.reserve(entries_.size());
    for (const Entry& e : entries_) rows.push_back(rt::Row{{rt::Cell{rt::cut(e.name, 50)}}});
    w_.setRows(list_, std::move(rows));

    const int count = static_cast<int>(entries_.size());
    int highlight = std::min(w_.ctl(list_).selected, count);
    if (!SelectedSongBookPath.empty()) {
        highlight = 0;
        for (int i = 0; i < count; ++i)
            if (entries_[i].path == SelectedSongBookPath.str()) highlight = i + 1;
        if (highlight == 0) SelectedSongBookPath.clear();
    }
    w_.setSelected(list_, highlight);
}

void Explorer::takeSelection(int row) {
    if (row < 1 || row > static_cast<int>(entries_.size())) {
        SelectedSongBookPath.clear();
        return;
    }
    const Entry& e = entries_[row - 1];
    SelectedSongBookPath = e.path;
    GLO::SHORTSONGBOOKNAME = e.name + ".2bk";
}

void Explorer::openSelected() {
    SongBookFileName.clear();
    if (SelectedSongBookPath.empty()) {
        rt::message("Please Select a SongBook to Open");
        return;
    }
    SongBookFileName = SelectedSongBookPath;
    w_.close();
}

void Explorer::newSongBook() {
    NewSongBookDialog();
    if (GLO::SHORTSONGBOOKNAME.empty()) return;
    SongBookFileName = PathInFolder(FolderWithoutEnd(LONGNEWPATH), GLO::SHORTSONGBOOKNAME.str() + ".2bk");
    w_.close();
}

void Explorer::renameSelected() {
    if (SelectedSongBookPath.empty()) {
        rt::message("Please Select a SongBook to Rename");
        return;
    }
    const std::string listing = SelectedSongBookPath;
    if (!SongBookFilesFree({listing, SongBookDiscFile(listing)}, "Rename")) return;
    NameChangeDone = 0;
    RenameSongBookDialog();
    if (!NameChangeDone) return;
    rt::beep(rt::BeepKind::Information);
    status("SongBook Successfully Renamed");
    fillList();
    takeSelectionFromHighlight();
}

void Explorer::deleteSelected() {
    if (SelectedSongBookPath.empty()) {
        rt::message("Please Select the SongBook You Wish to Delete");
        status("");
        return;
    }
    const std::string listing = SelectedSongBookPath;
    const std::string disc = SongBookDiscFile(listing);
    const std::string shown = SplitFilePath(listing, 3) + SplitFilePath(listing, 1);
    if (rt::message("Are You Sure You Wish to Delete the SongBook: " + shown, "", rt::Icon::Question,
                    rt::BtnYes | rt::BtnNo, rt::BtnNo, true) != rt::BtnYes) {
        status("");
        return;
    }
    if (!SongBookFilesFree({listing, disc}, "Delete")) {
        status("");
        return;
    }
    // The listing file first: while it stands, nothing has been lost.
    if (int e = rt::removeFile(listing); e != 0 && e != ENOENT) {
        status("");
        rt::message("Unable to Delete the SongBook: " + shown + "|" + std::strerror(e));
        return;
    }
    const int discError = rt::removeFile(disc);
    SelectedSongBookPath.clear();
    fillList();
    takeSelectionFromHighlight();
    if (discError != 0 && discError != ENOENT) {
        status("");
        rt::message("Unable to Delete the SongBook's Disc File: " + disc + "|" + std::strerror(discError));
        return;
    }
    rt::beep(rt::BeepKind::Information);
    status("SongBook Successfully Deleted");
}

void Explorer::backupSelected() {
    if (SelectedSongBookPath.empty()) {
        rt::message("Please select a SongBook To Backup.");
        return;
    }
    if (BackupSongBook(SelectedSongBookPath, [this](const std::string& t) { status(t); })) fillList();
}

void Explorer::moveSelected() {
    if (SelectedSongBookPath.empty()) {
        rt::message("Please Select a SongBook to Move");
        return;
    }
    std::string dest = LONGNEWPATH.str();
    if (!rt::folderDialog("Select Destination Folder", dest)) return;
    dest = FolderWithoutEnd(dest);

    const std::string listing = SelectedSongBookPath;
    const std::string disc = SongBookDiscFile(listing);
    if (rt::longPath(dest) == rt::longPath(SplitFilePath(listing, 3))) {
        status("The SongBook Is Already in the Selected Folder");
        return;
    }
    const std::string listingCopy = PathInFolder(dest, SplitFilePath(listing, 0, true));
    const std::string discCopy = PathInFolder(dest, SplitFilePath(disc, 0, true));
    auto unable = [] { rt::message("Unable to Move SongBook to Selected Destination"); };
    if (!SongBookFilesFree({listing, disc}, "Move")) return;
    // Journals left in the destination by another pair of these names must not be played
    // into the copies.
    rt::recoverRecordFiles({listingCopy, discCopy});

    // Copies never replace a file in the destination.
    if (rt::copyFile(listing, listingCopy) != 0) {
        unable();
        return;
    }
    if (rt::copyFile(disc, discCopy) != 0) {
        rt::removeFile(listingCopy);
        unable();
        return;
    }
    // Until the listing file has gone from the SongBook folder the move can still be undone.
    if (int e = rt::removeFile(listing); e != 0 && e != ENOENT) {
        rt::removeFile(listingCopy);
        rt::removeFile(discCopy);
        unable();
        return;
    }
    rt::removeFile(disc);
    SelectedSongBookPath.clear();
    rt::setCurrentFolder(LONGNEWPATH);
    fillList();
    takeSelectionFromHighlight();
    rt::beep(rt::BeepKind::Plain);
    status("SongBook Successfully Moved");
}

void Explorer::restore() {
    if (!RestoreSongBook([this](const std::string& t) { status(t); })) return;
    fillList();
    takeSelectionFromHighlight();
}

void Explorer::changeFolder() {
    SelectedSongBookPath.clear();
    std::string chosen = LONGNEWPATH.str();
    if (!rt::folderDialog("Select New Folder", chosen) || !rt::folderExists(chosen)) {
        // Nothing is selected now, so nothing may look selected.
        w_.setSelected(list_, 0);
        return;
    }
    LONGNEWPATH = rt::longPath(chosen);
    rt::setCurrentFolder(LONGNEWPATH);
    showFolder();
    fillList();
    takeSelectionFromHighlight();
}

void Explorer::setDefaultFolder() {
    WriteRegistryValue("General", "SongBookPath", RegistryProgramPath, LONGNEWPATH);
}

}  // namespace

void SongBookFileExplorer() {
    std::string folder = rt::clip(ReadRegistryValue("General", "SongBookPath", "", RegistryProgramPath));
    if (folder.empty() || !rt::folderExists(folder)) folder = rt::currentFolder();
    LONGNEWPATH = rt::longPath(folder);
    rt::setCurrentFolder(LONGNEWPATH);
    SelectedSongBookPath.clear();
    GLO::SHORTSONGBOOKNAME.clear();
    SongBookFileName.clear();
    Explorer().run();
}
