#include "shell/OpenSongBook.h"

#include "data/dmake.h"
#include "data/genre.h"
#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/record/record.h"
#include "runtime/record/whole_files.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "services/OpenDataFile.h"
#include "services/ReadEveryRecord.h"
#include "services/SplitFilePath.h"
#include "shell/ConvertOldSongBook.h"
#include "shell/ConvertSongBookFile.h"
#include "shell/FrameEvents.h"
#include "shell/SongBookFileExplorer.h"
#include "shell/SongBookFileNames.h"

namespace {

// Workspaces that have the SongBook open, and its names while they do: a workspace whose
// explorer ran while another one opened a SongBook must not leave other names behind.
int openWorkspaces = 0;
PathText openListingName;
PathText openDiscName;

void takeOpenNames() {
    SongBookFileName = openListingName;
    SBDiscsFileName = openDiscName;
}

// The names no open SongBook owns any more.
void forgetChosenNames() {
    if (openWorkspaces > 0) {
        takeOpenNames();
    } else {
        SongBookFileName.clear();
        SBDiscsFileName.clear();
    }
}

[[noreturn]] void programError(const char* doing, const std::string& file, int error) {
    rt::message("Program Error #" + rt::str(error) + "|Unable to " + doing + " " + rt::clip(file) +
                    ", Program will be terminated",
                "Program ERROR!", rt::Icon::Hand, rt::BtnOk);
    rt::halt();
}

bool openedOrAlreadyOpen() {
    const int e = rt::errorCode();
    return e == rt::NoError || e == rt::AlreadyOpen;
}

// Converting a SongBook of the previous version (".sbk" / ".sbd" named by SongBookFileName
// and SBDiscsFileName). False: the workspace ends, the old files as they were.
bool convertOldSongBook() {
    ConvertOldSongBook();
    return CallResponse == 1;
}

// Repairing a listing file of an older record layout (named by SongBookFileName). A repair
// that could not be done leaves the file as it was, and the workspace ends rather than the
// program.
bool convertSongBookFile() {
    ConvertSongBookFile();
    if (SBK.isOpen()) SBK.close();
    SBK.open(rt::SharedReadWrite);
    if (rt::errorCode() != rt::InvalidRecordDeclaration) return true;
    rt::message("The listing file " + rt::clip(SongBookFileName) +
                    " could not be brought to the current layout.||It has not been changed.",
                "File Conversion Necessary", rt::Icon::Exclamation, rt::BtnOk);
    return false;
}

// A file that is no record file of its kind: damaged, cut off, or another program's file under
// a SongBook's name. Nothing can be converted or repaired here; the workspace ends.
void damagedFile(const std::string& file) {
    rt::message("The file " + rt::clip(file) + " is damaged or is not a SongBook file.||It has not been changed. " +
                    "A backup of the SongBook can bring it back: choose Restore SongBook in the SongBook File " +
                    "Explorer.",
                "Unable to Open SongBook", rt::Icon::Exclamation, rt::BtnOk);
}

// After open() gave 46 or 47: whether the file is one of its own kind at all.
bool ownKind(const rt::RecordFile& file) {
    return rt::equalNoCase(rt::recordFileLabel(file.name()), file.declaration().label);
}

// An existing pair. False when the workspace ends (a conversion that could not be done, or a
// damaged file).
bool openPair(const std::string& folder, const std::string& name, const std::string& ext) {
    // The pair keeps the letter case its files have ("POP.2BK" with "POP.2BD"): on Linux
    // another case would name other files.
    std::string discExt = ext;
    if (!discExt.empty()) discExt.back() = discExt.back() == 'K' ? 'D' : 'd';
    SongBookFileName = folder + name + "." + ext;
    SBDiscsFileName = folder + name + "." + discExt;
    // A commit cut off by a crash is rolled back over both files, and journals nobody needs
    // are removed, before the pair is used here. A pair in use elsewhere is left to its user.
    if (!rt::recordFileOpenHere(SongBookFileName)) rt::recoverRecordFiles({SongBookFileName, SBDiscsFileName});
    rt::clearError();
    SBK.open(rt::SharedReadWrite);
    const int listingError = rt::errorCode();
    if (listingError == rt::InvalidRecordDeclaration || listingError == rt::RebuildKeys) {
        if (!ownKind(SBK)) {
            damagedFile(SongBookFileName);
            return false;
        }
        if (listingError == rt::InvalidRecordDeclaration) {
            // A failure of the open after the repair other than the layout is reported when
            // the workspace opens its files.
            if (!convertSongBookFile()) return false;
        } else {
            // Damaged keys: the host is offered their rebuild.
            OpenDataFile(SBK, false);
        }
    } else if (!openedOrAlreadyOpen()) {
        programError("open", SongBookFileName, listingError);
    }
    SBD.open(rt::SharedReadWrite);
    const int discError = rt::errorCode();
    if (discError == rt::FileNotFound) {
        // Without a disc file the listings could never be opened again, so it is made anew;
        // but the custom disc ids were in it, and the host must hear that they are gone.
        SBD.create();
        if (rt::errorCode() != rt::NoError) programError("create", SBDiscsFileName, rt::errorCode());
        SBD.open(rt::SharedReadWrite);
        if (!openedOrAlreadyOpen()) programError("open", SBDiscsFileName, rt::errorCode());
        rt::message("The disc file " + rt::clip(SBDiscsFileName) + " was missing and has been made anew, empty.||" +
                        "The custom disc ids of this SongBook's discs are lost. A backup of the SongBook can " +
                        "bring them back: choose Restore SongBook in the SongBook File Explorer.",
                    "Disc File Missing", rt::Icon::Exclamation, rt::BtnOk);
        return true;
    }
    if ((discError == rt::InvalidRecordDeclaration || discError == rt::RebuildKeys) && !ownKind(SBD)) {
        damagedFile(SBDiscsFileName);
        return false;
    }
    if (discError == rt::RebuildKeys) OpenDataFile(SBD, false);
    if (!openedOrAlreadyOpen()) programError("open", SBDiscsFileName, rt::errorCode());
    return true;
}

void createPair(const std::string& folder, const std::string& name) {
    SongBookFileName = folder + name + ".2bk";
    SBDiscsFileName = folder + name + ".2bd";
    SBK.create();
    if (rt::errorCode() != rt::NoError) programError("create", SongBookFileName, rt::errorCode());
    SBD.create();
    if (rt::errorCode() != rt::NoError) programError("create", SBDiscsFileName, rt::errorCode());
    SBK.open(rt::SharedReadWrite);
    if (!openedOrAlreadyOpen()) programError("open", SongBookFileName, rt::errorCode());
    SBD.open(rt::SharedReadWrite);
    if (!openedOrAlreadyOpen()) programError("open", SBDiscsFileName, rt::errorCode());
}

// The "Updating SongBook Layout" window for the life of the object.
class LayoutNote {
public:
    LayoutNote() : w_("One Moment Please...", rt::WindowKind::Dialog, -1, -1, 150, 36) {
        w_.setFont(rt::Font{"Arial", 8});
        w_.text("?Message", "Updating SongBook Layout", 10, 12, 130, 10);
        w_.open();
        w_.display();
    }

private:
    rt::Window w_;
};

// Turns brand number 0 into 1 in every record of an open file, in physical order; a record
// whose write fails keeps its 0. One transaction keeps a large file from taking one disk
// flush per record.
template <class File>
void raiseZeroBrands(File& file) {
    const bool framed = rt::logout(1, {&file});
    // A record that cannot be read ends the pass: what was raised stays raised.
    RecordReader records(file, RecordReader::Quiet);
    while (records.next()) {
        if (file.MAKEID != 0) continue;
        file.MAKEID = 1;
        file.put();
    }
    if (framed) rt::commit();
    rt::clearError();
}

}  // namespace

int OpenWorkspaceCount() { return openWorkspaces; }

bool IsOlderSongBookName(const std::string& path) {
    const std::string name = rt::lower(rt::clip(path));
    const std::size_t from = name.size() >= 4 ? name.size() - 4 : 0;
    return name.find("sbk", from) != std::string::npos;
}

void UpdateDiscLayout() {
    SBD.clearBuffer();
    SBD.MAKEID = 1;
    SBD.get(SBDiscs::KMAKEID);
    if (rt::errorCode() == rt::NoError) return;
    LayoutNote note;
    raiseZeroBrands(SBD);
}

void UpdateBrandLayout() {
    BRA.open(rt::ReadWrite | rt::DenyWrite);
    if (!openedOrAlreadyOpen()) {
        rt::clearError();
        return;
    }
    // A DMake this thread had open already stays open.
    const bool openedHere = rt::errorCode() == rt::NoError;
    BRA.clearBuffer();
    BRA.MAKEID = 1;
    BRA.get(DMake::KMAKEID);
    if (rt::errorCode() != rt::NoError) {
        LayoutNote note;
        raiseZeroBrands(BRA);
    }
    if (openedHere) BRA.close();
    rt::clearError();
}

SongBookOpening SongBookSession::open() {
    if (SongBookIsOpen != 1) {
        SongBookFileName.clear();
        SongBookFileExplorer();
        const std::string chosen = rt::clip(SongBookFileName);
        const std::string folder = SplitFilePath(chosen, 3);
        const std::string name = SplitFilePath(chosen, 1);
        if (chosen.empty() || name.empty()) {
            // Nothing chosen (an empty new name counts as nothing).
            forgetChosenNames();
            return SongBookOpening::Closed;
        }
        // A conversion that a crash cut off is brought to its end first: the chosen SongBook
        // may stand converted now.
        FinishCutOffConversions(folder);
        if (SongBookIsOpen == 1 && openWorkspaces > 0) {
            // Another workspace opened a SongBook while the explorer was showing: only one
            // SongBook is open at a time, so this one shows it too. A host who chose another
            // one is told, rather than finding a different SongBook than the one picked.
            const std::string open = rt::clip(openListingName);
            if (folder + name != SplitFilePath(open, 3) + SplitFilePath(open, 1))
                rt::message("Only One SongBook Can Be Open at a Time.||The SongBook " + SplitFilePath(open, 1) +
                                " was opened while you were choosing and is shown instead.||Close it to open " +
                                name + ".",
                            "SongBook Already Open", rt::Icon::Exclamation);
            takeOpenNames();
        } else if (!PathInUse(chosen) && !PathInUse(folder + name + ".2bk")) {
            createPair(folder, name);
        } else {
            if (PathInUse(chosen) && IsOlderSongBookName(chosen)) {
                const int answer = rt::message(
                    "This SongBook was created with an earlier|version of Cantorelle Plus.||The "
                    "songbook must be converted to the new format.||Proceed?",
                    "File Conversion Necessary", rt::Icon::Question, rt::BtnYes | rt::BtnNo,
                    rt::BtnYes);
                if (answer != rt::BtnYes) {
                    forgetChosenNames();
                    return SongBookOpening::Ended;
                }
                // The old pair keeps the letter case its files have.
                SongBookFileName = chosen;
                SBDiscsFileName = SongBookDiscFile(chosen);
                if (!convertOldSongBook()) {
                    forgetChosenNames();
                    return SongBookOpening::Ended;
                }
            }
            const std::string ext = SplitFilePath(chosen, 2, false);
            if (!openPair(folder, name, rt::equalNoCase(ext, "2bk") ? ext : std::string("2bk"))) {
                if (FileUseCount(SBK) == 0) SBK.close();
                if (FileUseCount(SBD) == 0) SBD.close();
                forgetChosenNames();
                return SongBookOpening::Ended;
            }
            UpdateDiscLayout();
        }
    }
    UpdateBrandLayout();
    SongBookIsOpen = 1;
    FrameResized = 1;
    UseDataFile(GEN);
    UseDataFile(SBD);
    UseDataFile(SBK);
    filesOpened_ = true;
    if (openWorkspaces++ == 0) {
        openListingName = SongBookFileName;
        openDiscName = SBDiscsFileName;
    }
    return SongBookOpening::Opened;
}

void SongBookSession::release() {
    if (!filesOpened_) return;
    filesOpened_ = false;
    ReleaseDataFile(GEN);
    ReleaseDataFile(SBD);
    ReleaseDataFile(SBK);
    if (openWorkspaces > 0) --openWorkspaces;
    if (openWorkspaces == 0) {
        SongBookFileName.clear();
        SongBookIsOpen = 0;
        openListingName.clear();
        openDiscName.clear();
    }
}

void SongBookSession::close() {
    if (closed_) return;
    closed_ = true;
    release();
    // The frame gives back Open and AutoUpdate Wizard only when no workspace is left.
    if (openWorkspaces == 0) {
        rt::postToThread(EventEnableAutoUpdate, FrameThread);
        rt::postToThread(EventEnableOpenAndAutoUpdate, FrameThread);
    }
    if (FileUseCount(SBK) == 0) SBK.close();
    if (FileUseCount(SBD) == 0) SBD.close();
    rt::clearError();
}

SongBookSession::~SongBookSession() {
    if (!closed_) release();
}
