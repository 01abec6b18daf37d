// The add-discs window over a large master database (default 1,000,000 tracks: 250 brands of
// 267 discs of 15 tracks): opening the window, moving from brand to brand (each move refills
// the disc list and the first disc's track list), the brand thumb, the rapid locator and a
// whole-brand tagging and untagging. Beside each figure the same reads done directly in SQLite
// on the same files, a connection to each: the same pages of brands by name, of the brand's
// discs by disc number and of the first disc's tracks by track, the disc found by its number
// for the locator, and for the tagging every disc of the brand with the same two lookups in the
// SongBook a disc and the tags kept in memory in their order. Rounds alternate ours / SQLite;
// each figure is the median after a warm-up with the fastest and slowest, and the ratio. A
// step is a few milliseconds at most, much of it the hand-over between the driver and the
// window's thread and the filling of three list controls, so the limits are times a host would
// notice: 100 ms to open, 20 ms a step, 100 ms to tag or untag a brand. Exits 2 when one is not
// held. Run by hand: add_discs [tracks] [runs]
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/data_files.h"
#include "data/tagque.h"
#include "frontend/headless/driver.h"
#include "library/AddManufacturerDiscs.h"
#include "library/TagGlobals.h"
#include "runtime/error/error.h"

namespace {

using bench::Clock;
using bench::msSince;
using bench::word;

constexpr int kBrands = 250;
constexpr int kTracksPerDisc = 15;

// Enough discs a brand for `tracks` tracks over all brands.
long discsPerBrand(long tracks) {
    return std::max(1L, (tracks + kTracksPerDisc * kBrands - 1) / (kTracksPerDisc * kBrands));
}

std::string code(int brand) {
    return std::string(1, static_cast<char>('A' + brand / 26 % 26)) + static_cast<char>('A' + brand % 26);
}

std::string discId(int brand, int disc) {
    std::string n = std::to_string(disc + 1);
    return code(brand) + std::string(5 - n.size(), '0') + n;
}

// Fails the bench at the first error: a timing over a half-built file means nothing.
bool ok(const char* what) {
    if (rt::errorCode() == rt::NoError) return true;
    std::fprintf(stderr, "%s: %s\n", what, rt::error().c_str());
    return false;
}

bool build(long tracks) {
    std::mt19937 rng(2232);
    const long discs = discsPerBrand(tracks);
    for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&BRA, &DIS, &KAR, &SBK, &SBD}) {
        f->create();
        f->open();
        f->stream();
        if (!ok("create")) return false;
    }
    long written = 0;
    for (int b = 0; b < kBrands; ++b) {
        BRA.clearBuffer();
        BRA.MAKE = word(rng) + " " + word(rng) + " Karaoke " + std::to_string(b + 1);
        BRA.MAKEID = b + 1;
        BRA.add();
        for (long d = 0; d < discs; ++d) {
            const std::string id = discId(b, static_cast<int>(d));
            DIS.clearBuffer();
            DIS.MAKEID = b + 1;
            DIS.DISKID = id;
            DIS.UNQDISKID = id;
            DIS.add();
            for (int t = 1; t <= kTracksPerDisc && written < tracks; ++t, ++written) {
                KAR.clearBuffer();
                KAR.TITLE = word(rng) + " " + word(rng);
                KAR.ARTIST = word(rng);
                KAR.DISKID = id;
                KAR.DISKTRACKNO = static_cast<std::uint16_t>(t);
                KAR.MAKEID = b + 1;
                KAR.UNQDISKID = id;
                KAR.add();
            }
        }
        if (!ok("add")) return false;
    }
    for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&BRA, &DIS, &KAR, &SBK, &SBD}) f->close();
    std::printf("built %ld tracks, %ld discs, %d brands\n", written, discs * kBrands, kBrands);
    return true;
}

// The window's reads done directly in SQLite, on a connection of its own to each file: a page of
// brands by name, a page of a brand's discs by disc number, a page of a disc's tracks by
// track, and the lookups a tagging makes (the disc in the SongBook by its id, the custom disc
// id in the SongBook's discs), with the tags kept in memory in their order as the window keeps
// them.
class DirectLists {
public:
    DirectLists(int brandRows, int discRows, int trackRows)
        : brands_(DMakeFileName.str()), discs_(DiscsFileName.str()), tracks_(KaraokeFileName.str()),
          songBook_(SBDiscsFileName.str()), brandRows_(brandRows), discRows_(discRows), trackRows_(trackRows) {
        if (!ok()) return;
        brandPage_ = "SELECT \"MAKE\",\"MAKEID\",\"_rec\" FROM \"data\" WHERE " + brands_.partial("KMAKE") +
                     " AND (\"MAKE\",\"_rec\")>=(?,0) ORDER BY \"MAKE\",\"_rec\" LIMIT " + std::to_string(brandRows_);
        brandById_ = "SELECT \"MAKE\" FROM \"data\" WHERE " + brands_.partial("KMAKEID") + " AND \"MAKEID\"=?";
        const std::string discs = "SELECT \"DISKID\",\"UNQDISKID\",\"_rec\" FROM \"data\" WHERE " + discs_.partial("KMAKEID") +
                                  " AND \"MAKEID\"=?";
        discPage_ = discs + " AND (\"DISKID\",\"_rec\")>=(?,0) ORDER BY \"MAKEID\",\"DISKID\",\"_rec\" LIMIT " +
                    std::to_string(discRows_);
        allDiscs_ = discs + " ORDER BY \"MAKEID\",\"DISKID\",\"_rec\"";
        discById_ = "SELECT \"MAKEID\",\"DISKID\" FROM \"data\" WHERE " + discs_.partial("KDISKID") + " AND \"DISKID\"=?";
        trackPage_ = "SELECT \"DISKTRACKNO\",\"TITLE\",\"ARTIST\",\"_rec\" FROM \"data\" WHERE " + tracks_.partial("KDISK") +
                     " AND \"UNQDISKID\"=? ORDER BY \"UNQDISKID\",\"DISKTRACKNO\",\"_rec\" LIMIT " +
                     std::to_string(trackRows_);
        inSongBook_ = "SELECT \"ALTDISKID\" FROM \"data\" WHERE " + songBook_.partial("KUNQDISKID") + " AND \"UNQDISKID\"=?";
        customIdUsed_ = "SELECT 1 FROM \"data\" WHERE " + songBook_.partial("KALTDISKID") + " AND \"ALTDISKID\"=?";
    }
    bool ok() const { return brands_.ok() && discs_.ok() && tracks_.ok() && songBook_.ok(); }

    // The brand page from a name on; the first brand's discs and the first disc's tracks.
    bool brandPageFrom(const std::string& name) { return brandPage(name) && brand(0); }
    // The brand of a row of the page shown: its discs from the first, that disc's tracks.
    bool brand(std::size_t row) {
        if (row >= brandIds_.size()) return false;
        brandId_ = brandIds_[row];
        return discPageFrom("");
    }
    // The disc id typed into the locator: its brand's page from that brand, its disc page from
    // that disc, the disc's tracks.
    bool locate(const std::string& discId) {
        const std::vector<std::string> disc = discs_.row(discById_, 2, {discId});
        if (disc[0].empty()) return false;
        if (!brandPage(brands_.first(brandById_, {disc[0]}))) return false;
        brandId_ = disc[0];
        return discPageFrom(disc[1]);
    }
    // Every disc of the brand tagged with its own id, unless the SongBook has it or its id
    // (none here), then the disc list and track list read again; then every tag taken off.
    bool tagAll() {
        const bool read = discs_.each(allDiscs_, [&](sqlite3_stmt* s) {
            const std::string id = text(s, 1);
            const auto at = std::lower_bound(tags_.begin(), tags_.end(), id);
            if (at != tags_.end() && *at == id) return true;
            if (!songBook_.first(inSongBook_, {id}).empty() || !songBook_.first(customIdUsed_, {id}).empty()) return true;
            tags_.insert(at, id);
            return true;
        }, {brandId_});
        return read && discPageFrom("");
    }
    bool untagAll() {
        const bool read = discs_.each(allDiscs_, [&](sqlite3_stmt* s) {
            const std::string id = text(s, 1);
            const auto at = std::lower_bound(tags_.begin(), tags_.end(), id);
            if (at != tags_.end() && *at == id) tags_.erase(at);
            return true;
        }, {brandId_});
        return read && discPageFrom("");
    }
    std::size_t tags() const { return tags_.size(); }

private:
    static std::string text(sqlite3_stmt* s, int col) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
        return t ? t : "";
    }
    // The page of brands from a name on (their numbers kept); false when it is empty.
    bool brandPage(const std::string& name) {
        brandIds_.clear();
        return brands_.each(brandPage_,
                            [&](sqlite3_stmt* s) {
                                brandIds_.push_back(text(s, 1));
                                return true;
                            },
                            {name}) &&
               !brandIds_.empty();
    }
    // The brand's disc page from a disc number on, each disc marked when tagged; the first
    // disc's tracks.
    bool discPageFrom(const std::string& discNumber) {
        std::string first;
        int marked = 0;
        if (!discs_.each(discPage_, [&](sqlite3_stmt* s) {
                const std::string id = text(s, 1);
                if (first.empty()) first = id;
                marked += std::binary_search(tags_.begin(), tags_.end(), id);
                return true;
            }, {brandId_, discNumber}))
            return false;
        return !first.empty() && tracks_.rows(trackPage_, {first}) > 0 && marked >= 0;
    }

    bench::Direct brands_, discs_, tracks_, songBook_;
    int brandRows_, discRows_, trackRows_;
    std::string brandPage_, brandById_, discPage_, allDiscs_, discById_, trackPage_, inSongBook_, customIdUsed_;
    std::vector<std::string> brandIds_, tags_;
    std::string brandId_;
};


}  // namespace

int main(int argc, char** argv) {
    const long tracks = argc > 1 ? std::atol(argv[1]) : 1000000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    auto dir = std::filesystem::temp_directory_path() / ("add_discs_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    const std::string base = dir.string();
    KaraokeFileName = base + "/MAIN.TPS";
    DiscsFileName = base + "/DISCS.TPS";
    DMakeFileName = base + "/DMAKE.TPS";
    SongBookFileName = base + "/bench.2bk";
    SBDiscsFileName = base + "/bench.2bd";

    auto t = Clock::now();
    bool built = false;
    rt::runProgram([&] { built = build(tracks); });
    if (!built) return 1;
    std::printf("build: %.0f ms; %d rounds a figure\n", msSince(t), runs);

    bool held = true;
    auto limited = [&](const char* what, const std::pair<bench::Figure, bench::Figure>& both, double limitMs,
                       const std::string& more = {}) { held = bench::reportTimeLimit(what, both, limitMs, more) && held; };
    auto failed = [](headless::Driver& d, const char* what) {
        std::fprintf(stderr, "%s: %s\n", what, d.error().c_str());
        return false;
    };
    int brandRows = 0, discRows = 0, trackRows = 0;
    {
        // The window opened with its three lists filled, closed between rounds; SQLite on new
        // connections.
        std::vector<double> ours, direct;
        for (int i = 0; i <= runs; ++i) {
            headless::Driver d;
            d.setSettleTimeout(120000);
            auto s = Clock::now();
            if (!d.start(AddManufacturerDiscs)) {
                failed(d, "start");
                return 1;
            }
            if (i > 0) ours.push_back(msSince(s));
            brandRows = static_cast<int>(d.rows("?BrandList").size());
            discRows = static_cast<int>(d.rows("?DiscList").size());
            trackRows = static_cast<int>(d.rows("?TrackList").size());
            d.end();
            s = Clock::now();
            DirectLists fresh(brandRows, discRows, trackRows);
            if (!fresh.ok() || !fresh.brandPageFrom("")) return 1;
            if (i > 0) direct.push_back(msSince(s));
        }
        limited("open, three lists filled:", {bench::figureOf(ours), bench::figureOf(direct)}, 100);
    }
    if (brandRows == 0 || discRows == 0 || trackRows == 0) return 1;

    DirectLists sql(brandRows, discRows, trackRows);
    if (!sql.ok() || !sql.brandPageFrom("")) return 1;
    headless::Driver d;
    d.setSettleTimeout(120000);
    if (!d.start(AddManufacturerDiscs)) {
        failed(d, "start");
        return 1;
    }

    // Down the brands of the first page and back up, row by row as a click does.
    int move = 0, sqlMove = 0;
    auto rowOf = [&](int& i) {
        const int k = i++ % (2 * brandRows);
        return k < brandRows ? k + 1 : 2 * brandRows - k;
    };
    limited("brand to brand (click):",
            bench::alternate(
                runs * 6,
                [&] { return (d.select("?BrandList", rowOf(move)) && !d.rows("?DiscList").empty()) || failed(d, "select brand"); },
                [&] { return sql.brandPageFrom("") && sql.brand(static_cast<std::size_t>(rowOf(sqlMove) - 1)); }),
            20);

    // Far brands through the thumb: the page at the stop, its first brand's discs and tracks.
    // SQLite starts its page at the brand as far down the names (found outside the timing).
    std::vector<std::string> names;
    {
        bench::Direct brands(DMakeFileName.str());
        brands.each("SELECT \"MAKE\" FROM \"data\" WHERE " + brands.partial("KMAKE") + " ORDER BY \"MAKE\",\"_rec\"",
                    [&](sqlite3_stmt* s) {
                        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s, 0)));
                        return true;
                    });
    }
    if (names.empty()) return 1;
    int drag = 0, sqlDrag = 0;
    auto stopOf = [](int& i) { return 2 + (i++ * 3) % 98; };
    limited("brand thumb drag:",
            bench::alternate(
                runs * 4, [&] { return d.drag("?BrandList", stopOf(drag)) || failed(d, "drag"); },
                [&] {
                    const std::size_t at = static_cast<std::size_t>(stopOf(sqlDrag) - 1) * names.size() / 100;
                    return sql.brandPageFrom(names[at]);
                }),
            20);

    // The locator: a disc id typed (outside the timing), then Locate: its brand, its disc and
    // that disc's tracks.
    std::mt19937 rng(7);
    const long discs = discsPerBrand(tracks);
    std::vector<std::string> typed;
    for (int i = 0; i < 64; ++i)
        typed.push_back(discId(static_cast<int>(rng() % kBrands), static_cast<int>(rng() % discs)));
    int located = 0, sqlLocated = 0;
    limited("rapid locator:",
            bench::alternate(
                runs * 4, [&] { return d.press(" Locate") || failed(d, "locate"); },
                [&] { return sql.locate(typed[static_cast<std::size_t>(sqlLocated++ % 64)]); },
                [&] { return d.type("Mfr. Disc ID:", typed[static_cast<std::size_t>(located++ % 64)]) || failed(d, "type"); }),
            20);
    {
        auto brandsShown = d.rows("?BrandList");
        auto discsShown = d.rows("?DiscList");
        std::printf("now showing: %zu brands, %zu discs (first %s), %zu tracks\n", brandsShown.size(), discsShown.size(),
                    discsShown.empty() ? "-" : discsShown[0].at(1).c_str(), d.rows("?TrackList").size());
    }

    // A whole brand tagged with the manufacturer ids (no dialogs), then untagged.
    SkipCustomDiscIdQuery = 1;
    std::size_t tagged = 0;
    const auto tagging = bench::alternate(
        runs,
        [&] {
            if (!d.press("tag &All")) return failed(d, "tag all");
            tagged = TagQue.records();
            return d.press("&Untag all") || failed(d, "untag all");
        },
        [&] { return sql.tagAll() && sql.tags() > 0 && sql.untagAll(); });
    limited("tag all, then untag all (one brand):", tagging, 100, std::to_string(tagged) + " tags");
    d.end();
    std::filesystem::remove_all(dir);
    return held ? 0 : 2;
}
