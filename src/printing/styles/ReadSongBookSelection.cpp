#include "printing/styles/ReadSongBookSelection.h"

#include <memory>
#include <unordered_map>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"

bool ReadSongBookSelection(const PrintSettings& s, std::vector<SelectionEntry>& out) {
    out.clear();
    SBK.set();
    bool ok = true;
    for (;;) {
        SBK.next();
        const int e = rt::errorCode();
        if (e == rt::NoRecord) break;
        if (e != rt::NoError) {
            ok = false;
            break;
        }
        const SongBookRecord& r = SBK.record();
        if (!PassesFileFilter(r, s)) continue;
        if (auto entry = SelectEntry(r, s)) out.push_back(std::move(*entry));
    }
    OrderEntries(out, s.titleOrder());
    if (s.RemoveDuplicates == 1) RemoveDuplicateSongs(out);
    return ok;
}

DiscLookup SongBookDiscLookup() {
    auto known = std::make_shared<std::unordered_map<std::string, std::string>>();
    return [known](const std::string& disc) {
        auto found = known->find(disc);
        if (found != known->end()) return found->second;
        SBD.clearBuffer();
        SBD.UNQDISKID = disc;
        SBD.get(SBDiscs::KUNQDISKID);
        std::string alt = rt::errorCode() == rt::NoError ? SBD.ALTDISKID.str() : std::string();
        if (rt::errorCode() != rt::NoError) SBD.clearBuffer();
        known->emplace(disc, alt);
        return alt;
    };
}
