#pragma once
// SongBooks in the layouts of earlier versions, written for tests: the previous version's
// pair (".sbk"/".sbd") and a ".2bk" listing file of the previous listing layout.
#include <string>
#include <vector>

#include "runtime/date/date.h"

namespace fixture {

struct OldListing {
    std::string title, artist;
    std::string disc;        // for a listing without a disc: its number, and track 0
    unsigned track = 0;
    std::string location = {};
    rt::DayNumber added = 0;
};

struct OldDisc {
    std::string disc, alt;
    int brand = 1;
};

// folder/name.sbk and folder/name.sbd; false when a record could not be written.
bool writeOldSongBook(const std::string& folder, const std::string& name, const std::vector<OldListing>& listings,
                      const std::vector<OldDisc>& discs);

struct PreviousListing {
    std::string title, artist, disc;
    unsigned track = 0;
    std::string genre = {}, duet = {}, omit = {};
};

// A listing file of the previous listing layout (16-bit tracks) at path.
bool writePreviousLayoutListings(const std::string& path, const std::vector<PreviousListing>& listings);

}  // namespace fixture
