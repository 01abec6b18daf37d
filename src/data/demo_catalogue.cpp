#include "data/demo_catalogue.h"

#include <cstdint>
#include <set>

#include "data/data_files.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"

namespace {

#include "../../demo/catalogue_data.inc"

constexpr int kSongs = static_cast<int>(sizeof(kDemoSongs) / sizeof(kDemoSongs[0]));
constexpr int kCountryFirst = 50, kCountryEnd = 62;  // the country songs of the pool

// A small fixed generator, so the catalogue is the same on every machine.
struct Lcg {
    std::uint32_t s = 2232;
    int next(int n) {
        s = s * 1664525u + 1013904223u;
        return static_cast<int>((s >> 8) % static_cast<std::uint32_t>(n));
    }
};

std::string discId(const char* code, int number) {
    std::string digits = std::to_string(number);
    return code + std::string(digits.size() < 4 ? 4 - digits.size() : 0, '0') + digits;
}

// The song that opens a disc when it is one of the shared first tracks, else -1.
int forcedFirstSong(const std::string& id) {
    for (const char* d : {"CV0101", "MX2201", "SL3001"})
        if (id == d) return 0;
    for (const char* d : {"CV0105", "VE0501", "MX4401"})
        if (id == d) return 1;
    return -1;
}

}  // namespace

DemoCatalogue BuildDemoCatalogue() {
    DemoCatalogue c;
    for (const auto& m : kDemoMakers) c.makers.push_back({m.code, m.description});
    for (const char* g : kDemoGenres) c.genres.emplace_back(g);
    for (const auto& b : kDemoBrands) c.brands.push_back({b.number, b.name});

    Lcg rng;
    std::set<std::string> titleSeen, artistSeen;
    for (const auto& b : kDemoBrands) {
        for (int d = 0; d < b.discs; ++d) {
            const std::string id = discId(b.code, b.firstDisc + d);
            c.discs.push_back({b.number, id});
            const int count = 8 + rng.next(8);
            std::set<std::string> onDisc;
            int track = 0;
            auto addSong = [&](int song) {
                const DemoSong& s = kDemoSongs[song];
                if (!onDisc.insert(rt::upper(s.title)).second) return;
                c.tracks.push_back({s.title, s.artist, id, ++track, b.number});
                if (titleSeen.insert(rt::upper(s.title)).second) c.titles.emplace_back(s.title);
                if (artistSeen.insert(rt::upper(s.artist)).second) c.artists.emplace_back(s.artist);
            };
            if (int first = forcedFirstSong(id); first >= 0) addSong(first);
            while (track < count) {
                const bool country = b.number == 5 && rng.next(2) == 0;
                addSong(country ? kCountryFirst + rng.next(kCountryEnd - kCountryFirst)
                                : rng.next(kSongs));
            }
        }
    }
    return c;
}

namespace {

// Creates the file at `name`, adds the records `fill` puts in the buffer, and closes it.
template <class F, class Fill>
int writeFile(F& file, PathText& nameVariable, const std::string& name, Fill fill) {
    nameVariable = name;
    file.close();
    file.create();
    if (rt::errorCode()) return rt::errorCode();
    file.open(rt::SharedReadWrite);
    if (rt::errorCode()) return rt::errorCode();
    file.stream();
    int failed = fill([&file] {
        file.add();
        return rt::errorCode();
    });
    file.flush();
    if (!failed) failed = rt::errorCode();
    file.close();
    return failed;
}

}  // namespace

int WriteDemoCatalogue(const std::string& folder) {
    const DemoCatalogue c = BuildDemoCatalogue();
    std::string base = folder;
    while (base.size() > 1 && base.back() == '/') base.pop_back();

    PathText* names[] = {&KaraokeFileName, &DiscsFileName, &DMakeFileName, &STitleFileName,
                         &SArtistFileName, &MakeIdFileName, &GenreFileName};
    PathText saved[std::size(names)];
    for (std::size_t i = 0; i < std::size(names); ++i) saved[i] = *names[i];

    int rc = writeFile(KAR, KaraokeFileName, base + "/MAIN.TPS", [&](auto add) {
        for (const auto& t : c.tracks) {
            KAR.clearBuffer();
            KAR.TITLE = t.title;
            KAR.ARTIST = t.artist;
            KAR.DISKID = t.discId;
            KAR.DISKTRACKNO = static_cast<std::uint16_t>(t.track);
            KAR.MAKEID = t.brand;
            KAR.UNQDISKID = t.discId;
            if (int e = add()) return e;
        }
        return 0;
    });
    if (!rc) rc = writeFile(DIS, DiscsFileName, base + "/DISCS.TPS", [&](auto add) {
        for (const auto& d : c.discs) {
            DIS.clearBuffer();
            DIS.MAKEID = d.brand;
            DIS.DISKID = d.discId;
            DIS.UNQDISKID = d.discId;
            if (int e = add()) return e;
        }
        return 0;
    });
    if (!rc) rc = writeFile(BRA, DMakeFileName, base + "/DMAKE.TPS", [&](auto add) {
        for (const auto& b : c.brands) {
            BRA.clearBuffer();
            BRA.MAKE = b.name;
            BRA.MAKEID = b.number;
            if (int e = add()) return e;
        }
        return 0;
    });
    if (!rc) rc = writeFile(STI, STitleFileName, base + "/STITLE.TPS", [&](auto add) {
        for (const auto& t : c.titles) {
            STI.clearBuffer();
            STI.TITLE = t;
            if (int e = add()) return e;
        }
        return 0;
    });
    if (!rc) rc = writeFile(SAR, SArtistFileName, base + "/SARTIST.TPS", [&](auto add) {
        for (const auto& a : c.artists) {
            SAR.clearBuffer();
            SAR.ARTIST = a;
            if (int e = add()) return e;
        }
        return 0;
    });
    if (!rc) rc = writeFile(MAK, MakeIdFileName, base + "/MAKEID.TPS", [&](auto add) {
        for (const auto& m : c.makers) {
            MAK.clearBuffer();
            MAK.MAKEID = m.code;
            MAK.MAKEDESC = m.description;
            if (int e = add()) return e;
        }
        return 0;
    });
    if (!rc) rc = writeFile(GEN, GenreFileName, base + "/GENRE.TPS", [&](auto add) {
        for (const auto& g : c.genres) {
            GEN.clearBuffer();
            GEN.GENRE = g;
            if (int e = add()) return e;
        }
        return 0;
    });

    for (std::size_t i = 0; i < std::size(names); ++i) *names[i] = saved[i];
    return rc;
}
