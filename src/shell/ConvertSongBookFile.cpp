#include "shell/ConvertSongBookFile.h"

#include <cstdio>
#include <string>

#include "data/oldsongbook.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/split_file_path.h"

namespace {

void repairError(const std::string& which) { rt::message("File Repair ERROR " + which + ": " + rt::error()); }

// Removes a work file and whatever journal a failed write left beside it.
void removeWorkFile(const std::string& path) {
    for (const char* suffix : {"", "-journal"}) std::remove((path + suffix).c_str());
}

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

void RepairSongBookFile() {
    IN.clearBuffer();
    REPAIRTARGET.clearBuffer();
    RepairSourceFileName = SongBookFileName;
    // The work file lies in the SongBook's folder, so the finished copy can take the listing
    // file's place in one rename.
    RepairTargetFileName = SplitFilePath(rt::clip(SongBookFileName), 3) + "CONV0001";
    const std::string source = rt::clip(RepairSourceFileName), target = rt::clip(RepairTargetFileName);

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
        removeWorkFile(target);
        return;
    }

    RepairWindow window;
    REPAIRTARGET.stream();
    long long copied = 0;
    bool whole = true;
    for (IN.next();; IN.next()) {
        if (rt::errorCode() == rt::NoRecord) break;
        if (rt::errorCode() != rt::NoError) {
            // A listing that cannot be read: the listing file is left exactly as it was
            // rather than replaced by a copy without it.
            repairError("5");
            whole = false;
            break;
        }
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
        if (rt::errorCode() != rt::NoError) {
            repairError("4");
            continue;
        }
        if (++copied % 500 == 0) window.show(copied);
    }
    window.show(copied);
    if (whole) {
        REPAIRTARGET.flush();
        whole = rt::errorCode() == rt::NoError;
        if (!whole) repairError("6");
    }
    if (whole) REPAIRTARGET.buildKeys();
    IN.close();
    REPAIRTARGET.close();
    if (whole && rt::errorCode() != rt::NoError) {
        repairError("6");
        whole = false;
    }
    // The copy replaces the listing file in one step, so the SongBook is never half repaired.
    if (whole && std::rename(target.c_str(), source.c_str()) != 0) {
        rt::message("File Repair ERROR 7: " + target + " could not replace " + source + ".");
        whole = false;
    }
    if (!whole) removeWorkFile(target);
}

void ConvertSongBookFile() {
    SBK.open(rt::ReadWrite | rt::DenyWrite);
    if (rt::errorCode() == rt::InvalidRecordDeclaration) RepairSongBookFile();
}
