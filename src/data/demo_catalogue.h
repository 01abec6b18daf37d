#pragma once
// The invented catalogue of the demo installation: a few brands, a few dozen discs and a few
// hundred tracks, some titles on several discs (also as the first track on discs of different
// brands), artists with accented names. The same catalogue every time.
#include <string>
#include <vector>

struct DemoCatalogue {
    struct Brand { int number; std::string name; };
    struct Maker { std::string code, description; };
    struct Disc { int brand; std::string discId; };
    struct Track { std::string title, artist, discId; int track; int brand; };

    std::vector<Brand> brands;       // DMake
    std::vector<Maker> makers;       // MAKEID
    std::vector<std::string> genres; // Genre
    std::vector<Disc> discs;         // Discs, in brand and disc order
    std::vector<Track> tracks;       // KARAOKE, in disc and track order
    std::vector<std::string> titles; // sTitle: the distinct titles (compared in any case)
    std::vector<std::string> artists;// sArtist: the distinct artists
};

DemoCatalogue BuildDemoCatalogue();

// Writes MAIN.TPS, DISCS.TPS, DMAKE.TPS, STITLE.TPS, SARTIST.TPS, MAKEID.TPS and GENRE.TPS
// into the folder (which must exist), replacing files of those names. Returns 0 or the error
// number of the operation that failed. The master file-name variables are left as they were.
int WriteDemoCatalogue(const std::string& folder);
