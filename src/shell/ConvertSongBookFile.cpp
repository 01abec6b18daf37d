#include "shell/ConvertSongBookFile.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "data/oldsongbook.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/files/work_folder.h"
#include "runtime/record/record.h"
#include "runtime/record/whole_files.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/ReadEveryRecord.h"
#include "services/SplitFilePath.h"

namespace {

constexpr const char* kWorkPrefix = ".repair";

void repairError(const std::string& which) { rt::message("File Repair ERROR " + which + ": " + rt::error()); }

// "Repairing File" with the count of listings copied; it takes no input while it shows.
class RepairWindow {
public:
    RepairWindow() : w_("Repairing File", rt::WindowKind::Dialog, -1, -1, 150, 36) {
        w_.prompt("?CountPrompt", "Repairing Record #:", 10, 12, 76, 10);
        count_ = w_.text("?Count", "0", 90, 12, 50, 10);
        w_.open();
        w_.display();
    }
    void show(long long n) {
        w_.setText(count_, rt::str(n % 100000000));
        w_.display();
    }

private:
    rt::Window w_;
    int count_ = 0;
};

}  // namespace

void RemoveRepairLeftovers(const std::string& folder) {
    rt::WorkFolder::removeLeftovers(folder, kWorkPrefix);
    // The record layer builds a new file as "NAME.new-PID-N" and renames it into place.
    for (const rt::DirEntry& e : rt::listDirectory(folder, "CONV0001.new-*"))
        if (!e.isFolder && e.name.rfind("CONV0001.new-", 0) == 0 && !rt::fileOpenElsewhere(e.path))
            ::unlink(e.path.c_str());
}

void RepairSongBookFile() {
    IN.clearBuffer();
    REPAIRTARGET.clearBuffer();
    RepairSourceFileName = SongBookFileName;
    const std::string source = rt::absolutePath(rt::clip(RepairSourceFileName));
    const std::string folder = SplitFilePath(source, 3);

    IN.open(rt::ReadWrite | rt::DenyWrite);
    if (rt::errorCode() != rt::NoError) {
        repairError("1");
        return;
    }
    IN.set();
    if (rt::errorCode() != rt::NoError) {
        repairError("1A");
        IN.close();
        return;
    }
    // The copy is made in the SongBook's folder, so that it can take the listing file's
    // place in one rename.
    RemoveRepairLeftovers(folder);
    rt::WorkFolder work;
    if (int e = work.make(folder, kWorkPrefix)) {
        rt::setFileSystemError(e);
        repairError("2");
        IN.close();
        return;
    }
    RepairTargetFileName = work.file("CONV0001");
    const std::string target = rt::clip(RepairTargetFileName);
    REPAIRTARGET.create();
    if (rt::errorCode() != rt::NoError) {
        repairError("2");
        IN.close();
        return;
    }
    REPAIRTARGET.open(rt::ReadWrite | rt::DenyWrite);
    if (rt::errorCode() != rt::NoError) {
        repairError("3");
        IN.close();
        return;
    }

    RepairWindow window;
    REPAIRTARGET.stream();
    long long copied = 0;
    bool whole = rt::errorCode() == rt::NoError;
    if (!whole) repairError("3");
    RecordReader listings(IN, RecordReader::Quiet, RecordReader::AsSet);
    while (whole && listings.next()) {
        REPAIRTARGET.clearBuffer();
        REPAIRTARGET.TITLE = IN.TITLE;
        REPAIRTARGET.ARTIST = IN.ARTIST;
        REPAIRTARGET.UNQDISKID = IN.UNQDISKID;
        REPAIRTARGET.DISKTRACKNO = IN.DISKTRACKNO;
        REPAIRTARGET.GENRE = IN.GENRE;
        REPAIRTARGET.DUET = IN.DUET;
        REPAIRTARGET.PRINT = IN.PRINT;
        REPAIRTARGET.DATEADDED = IN.DATEADDED;
        REPAIRTARGET.LOCATION = IN.LOCATION;
        REPAIRTARGET.MAKEID = IN.MAKEID;
        REPAIRTARGET.add();
        if (rt::errorCode() == rt::DuplicateKey) {
            // The listing that repeats a disc id and track is left out, and the host told.
            repairError("4");
            continue;
        }
        if (rt::errorCode() != rt::NoError) {
            // Any other failure (a full disc) would go on failing: the file stays as it was.
            repairError("4");
            whole = false;
            break;
        }
        if (++copied % 500 == 0) window.show(copied);
    }
    if (listings.failed()) {
        // A listing that cannot be read: the listing file is left exactly as it was rather
        // than replaced by a copy without it.
        repairError("5");
        whole = false;
    }
    window.show(copied);
    if (whole) {
        REPAIRTARGET.flush();
        whole = rt::errorCode() == rt::NoError;
        if (!whole) repairError("6");
    }
    if (whole) {
        REPAIRTARGET.buildKeys();
        whole = rt::errorCode() == rt::NoError;
        if (!whole) repairError("6");
    }
    IN.close();
    REPAIRTARGET.close();
    if (whole && rt::errorCode() != rt::NoError) {
        repairError("6");
        whole = false;
    }
    // The copy replaces the listing file in one step, so the SongBook is never half repaired.
    if (whole && std::rename(target.c_str(), source.c_str()) != 0) {
        rt::message("File Repair ERROR 7: " + target + " could not replace " + source + ": " + std::strerror(errno));
        whole = false;
    }
    if (whole) rt::syncFolder(folder);
    RepairTargetFileName.clear();
    // The work folder goes with whatever is left in it.
}

void ConvertSongBookFile() {
    SBK.open(rt::ReadWrite | rt::DenyWrite);
    if (rt::errorCode() == rt::InvalidRecordDeclaration) RepairSongBookFile();
}
