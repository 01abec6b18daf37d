#include "printing/styles/SelectSongBookEntries.h"

#include <algorithm>

#include "runtime/text/text.h"

bool PassesFileFilter(const SongBookRecord& listing, const PrintSettings& s) {
    if (s.FilterReport == 1 && (listing.DATEADDED.day < s.StartDate || listing.DATEADDED.day > s.EndDate))
        return false;
    if (s.FilterDuets == 1 && listing.DUET != "X") return false;
    return true;
}

std::string TurnArtistName(const std::string& artist) {
    const std::size_t comma = artist.find(',');
    if (comma == std::string::npos) return artist;
    const std::string last = artist.substr(0, comma);
    const std::string first = artist.substr(comma + 1);
    // "THE " at the fourth character of the first-name part or later: a band, not a first name.
    const std::string up = rt::upper(rt::clip(first));
    if (up.find("THE ", 3) != std::string::npos) return artist;
    return rt::trim(first) + " " + rt::trim(last);
}

std::string MoveLeadingArticle(const std::string& artist) {
    const std::string name = rt::trim(artist);
    if (rt::upper(name.substr(0, 4)) != "THE ") return artist;
    return rt::trim(name.substr(4)) + ", The";
}

std::string TrackText(std::uint32_t track) {
    return track < 10 ? "0" + std::to_string(track) : std::to_string(track);
}

int BrandRank(const std::string& makeId, const std::string& prefCodes) {
    const std::string code = rt::pad(makeId, 2);
    const std::string prefs = rt::pad(prefCodes, 20);
    for (std::size_t p = 0; p + 2 <= 20; p += 2)
        if (rt::sub(prefs, p, 2) == code) return static_cast<int>(p / 2 + 1);
    return 11;
}

std::optional<SelectionEntry> SelectEntry(const SongBookRecord& listing, const PrintSettings& s) {
    if (listing.PRINT == "X" && s.ignoreomits == 0) return std::nullopt;
    if (s.FilterGenre == 1 && listing.GENRE.str() != rt::clip(s.PrintGenre.str())) return std::nullopt;
    std::string artist = listing.ARTIST.str();
    if (s.NameFormat == 1) artist = TurnArtistName(artist);
    artist = rt::clip(MoveLeadingArticle(artist));
    const std::string upperArtist = rt::upper(artist);
    if (s.RemoveVocals == 1 &&
        (upperArtist.find("W/VOC") != std::string::npos || upperArtist.find("W-VOC") != std::string::npos))
        return std::nullopt;
    SelectionEntry e;
    e.TITLE = listing.TITLE.str();
    e.UPPERTITLE = rt::upper(e.TITLE);
    e.ARTIST = artist;
    e.UPPERARTIST = upperArtist;
    e.track = listing.DISKTRACKNO;
    e.DISKTRACKNO = TrackText(listing.DISKTRACKNO);
    e.UNQDISKID = listing.UNQDISKID.str();
    e.GENRE = listing.GENRE.str();
    e.MAKEID = listing.MAKEID.str();
    if (s.CaseStyle == 2) {
        e.TITLE = e.UPPERTITLE;
        e.ARTIST = e.UPPERARTIST;
    }
    if (s.RemoveDuplicates == 1) e.MAKEPREF = static_cast<std::int16_t>(BrandRank(e.MAKEID, s.prefCodesPadded()));
    return e;
}

bool EntryBefore(const SelectionEntry& a, const SelectionEntry& b, bool titleOrder) {
    auto key = [titleOrder](const SelectionEntry& e) {
        return titleOrder ? std::tie(e.UPPERTITLE, e.UPPERARTIST, e.MAKEPREF)
                          : std::tie(e.UPPERARTIST, e.UPPERTITLE, e.MAKEPREF);
    };
    return key(a) < key(b);
}

void OrderEntries(std::vector<SelectionEntry>& entries, bool titleOrder) {
    std::stable_sort(entries.begin(), entries.end(),
                     [&](const SelectionEntry& a, const SelectionEntry& b) { return EntryBefore(a, b, titleOrder); });
}

bool SameSong(const SelectionEntry& a, const SelectionEntry& b) {
    return a.UPPERTITLE == b.UPPERTITLE && a.UPPERARTIST == b.UPPERARTIST;
}

void RemoveDuplicateSongs(std::vector<SelectionEntry>& entries) {
    std::vector<SelectionEntry> kept;
    kept.reserve(entries.size());
    for (SelectionEntry& e : entries) {
        if (!kept.empty() && SameSong(kept.back(), e)) continue;
        kept.push_back(std::move(e));
    }
    entries = std::move(kept);
}

std::string SongNumber(const SelectionEntry& e, const std::string& altDiskId, bool trackAsNumber,
                       const PrintSettings& s) {
    if (s.SHOWSONGNUM == 1) return {};
    if (e.UNQDISKID == "*") return trackAsNumber ? std::to_string(e.track) : e.DISKTRACKNO;
    const std::string alt = rt::clip(altDiskId);
    if (e.track == 0) return alt;
    return alt + "-" + e.DISKTRACKNO;
}

std::string MakeText(const SelectionEntry& e, const PrintSettings& s) {
    return s.ShowMake != 0 ? std::string() : rt::clip(e.MAKEID);
}
