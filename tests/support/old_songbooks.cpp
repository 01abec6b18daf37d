#include "support/old_songbooks.h"

#include "data/oldsongbook.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"

namespace fixture {

bool writeOldSongBook(const std::string& folder, const std::string& name, const std::vector<OldListing>& listings,
                      const std::vector<OldDisc>& discs) {
    int failed = 0;
    rt::runProgram([&] {
        OldSongBookFileName = folder + "/" + name + ".sbk";
        OldSBDiscsFileName = folder + "/" + name + ".sbd";
        SBK1.create();
        SBD1.create();
        SBK1.open();
        SBD1.open();
        SBK1.stream();
        for (const OldListing& l : listings) {
            SBK1.clearBuffer();
            SBK1.TITLE = l.title;
            SBK1.ARTIST = l.artist;
            SBK1.UNQDISKID = l.disc;
            SBK1.DISKTRACKNO = static_cast<std::uint16_t>(l.track);
            SBK1.LOCATION = l.location;
            SBK1.DATEADDED = l.added;
            SBK1.add();
            failed += rt::errorCode() != rt::NoError;
        }
        SBK1.flush();
        for (const OldDisc& d : discs) {
            SBD1.clearBuffer();
            SBD1.UNQDISKID = d.disc;
            SBD1.ALTDISKID = d.alt;
            SBD1.MAKEID = d.brand;
            SBD1.add();
            failed += rt::errorCode() != rt::NoError;
        }
        SBK1.close();
        SBD1.close();
        OldSongBookFileName.clear();
        OldSBDiscsFileName.clear();
    });
    return failed == 0;
}

bool writePreviousLayoutListings(const std::string& path, const std::vector<PreviousListing>& listings) {
    int failed = 0;
    rt::runProgram([&] {
        RepairSourceFileName = path;
        IN.create();
        IN.open();
        IN.stream();
        for (const PreviousListing& l : listings) {
            IN.clearBuffer();
            IN.TITLE = l.title;
            IN.ARTIST = l.artist;
            IN.UNQDISKID = l.disc;
            IN.DISKTRACKNO = static_cast<std::uint16_t>(l.track);
            IN.GENRE = l.genre;
            IN.DUET = l.duet;
            IN.PRINT = l.omit;
            IN.MAKEID = rt::upper(rt::cut(l.disc, 2));
            IN.DATEADDED = rt::date(5, 1, 2004);
            IN.add();
            failed += rt::errorCode() != rt::NoError;
        }
        IN.flush();
        IN.close();
        RepairSourceFileName.clear();
    });
    return failed == 0;
}

}  // namespace fixture
