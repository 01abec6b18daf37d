// The master track search at the sizes hosts have: 100,000, 300,000 and 1,000,000 master tracks
// (15 to a disc, a title for every four tracks) and a SongBook of up to 300,000 listings drawn
// from them. At each size: a title search to its first page (the name list, the first title's
// tracks joined to their brands, and their DUP counts), a search whose only match sorts among
// the last titles, and one that matches nothing; then the DUP counts of one page of disc rows.
// Beside each figure the same work done directly in SQLite on the same files: the names read
// in the title key's order with LIKE, the chosen title's tracks and brands, the same count
// lookups. Runs alternate ours / SQLite. Titles and artists carry accented letters. Limits:
// the searches that match once or never at most 2 x SQLite at each size, and growing with the
// size as SQLite's does (linear). Exits 2 when a limit is not held.
// Run by hand: master_search [runs] [tracks ...]
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/data_files.h"
#include "data/globals.h"
#include "frontend/headless/driver.h"
#include "library/SearchMasterTracks.h"
#include "runtime/error/error.h"
#include "runtime/record/engine.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"

namespace {

using bench::Clock;
using bench::Figure;
using bench::measure;
using bench::msSince;
using bench::report;
using bench::word;

constexpr const char* kPlanted = "ZYZZOGETA QUARTZ HÖLLOW";

std::string masterDisc(long d) { return "MS" + std::to_string(100000 + d); }

// The master files and the SongBook, each in one transaction. Planted: one title that
// contains "QUARTZ", sorting among the last.
int build(long tracks, long listings, std::vector<std::string>& discs) {
    int failed = 0;
    rt::runProgram([&] {
        std::mt19937 rng(2232);
        std::vector<std::string> titles, artists;
        std::set<std::string> seenT, seenA;
        while (static_cast<long>(titles.size()) < tracks / 4) {
            std::string t = word(rng) + " " + word(rng);
            if (seenT.insert(rt::upper(t)).second) titles.push_back(t);
        }
        while (artists.size() < 30000) {
            std::string a = word(rng) + " " + word(rng);
            if (a.size() <= 25 && seenA.insert(rt::upper(a)).second) artists.push_back(a);
        }
        titles.push_back(kPlanted);
        auto check = [&] {
            if (rt::errorCode() && !failed) failed = rt::errorCode();
        };
        for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&KAR, &STI, &SAR, &BRA, &SBK, &SBD}) {
            f->create();
            f->open();
            check();
        }
        if (const int e = bench::addMasterNames(rng, 20, "Brand ", titles, artists); e && !failed) failed = e;
        std::vector<std::pair<std::string, std::string>> songs;
        rt::logout(30, {&KAR});
        for (long i = 0; i < tracks; ++i) {
            KAR.clearBuffer();
            const long d = i / 15;
            KAR.UNQDISKID = masterDisc(d);
            KAR.DISKID = std::to_string(d);
            KAR.DISKTRACKNO = static_cast<std::uint16_t>(i % 15 + 1);
            KAR.MAKEID = static_cast<std::int32_t>(d % 20 + 1);
            KAR.TITLE = i == tracks / 2 ? std::string(kPlanted) : titles[rng() % (titles.size() - 1)];
            KAR.ARTIST = artists[rng() % artists.size()];
            KAR.add();
            check();
            if (i % 3 == 0) songs.emplace_back(KAR.TITLE.str(), KAR.ARTIST.str());
            if (i % 15 == 0 && discs.size() < 2000 && rng() % 8 == 0) discs.push_back(masterDisc(d));
        }
        rt::commit();
        check();
        rt::logout(30, {&SBK, &SBD});
        bench::addSongBookDiscs(listings, [](long d) { return std::to_string(100 + d); });
        bench::addSongBookListings(listings, [&](long) {
            const auto& s = songs[rng() % songs.size()];
            SBK.TITLE = s.first;
            SBK.ARTIST = s.second;
        });
        rt::commit();
        check();
        for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&KAR, &STI, &SAR, &BRA, &SBK, &SBD}) f->close();
    });
    return failed;
}

using bench::Direct;


struct Sized {
    long tracks = 0;
    std::pair<Figure, Figure> late, none;
};

// One size: the files built, the searches timed. False when a limit is not held.
bool runSize(long tracks, int runs, const std::filesystem::path& dir, Sized& out) {
    const long listings = std::min(300000L, tracks * 3 / 10);
    std::filesystem::create_directories(dir);
    SetMasterFileNames(dir.string());
    SongBookFileName = (dir / "bench.2bk").string();
    SBDiscsFileName = (dir / "bench.2bd").string();
    SongBookIsOpen = 1;

    std::vector<std::string> discs;
    auto t = Clock::now();
    if (int e = build(tracks, listings, discs)) {
        std::fprintf(stderr, "build failed: %d\n", e);
        return false;
    }
    std::printf("\n%ld master tracks and %ld listings (built in %.0f s)\n", tracks, listings, msSince(t) / 1000);

    Direct titlesSql(STitleFileName.str()), masterSql(KaraokeFileName.str()), bookSql(SongBookFileName.str()),
        brandsSql(DMakeFileName.str());
    const std::string namePage = "SELECT \"_rec\",\"TITLE\" FROM \"data\" WHERE " + titlesSql.partial("KTITLE") +
                                 " AND \"TITLE\" LIKE ? ORDER BY \"TITLE\",\"_rec\" LIMIT 7";
    const std::string discPage = "SELECT \"TITLE\",\"ARTIST\",\"UNQDISKID\",\"DISKTRACKNO\",\"MAKEID\",\"DISKID\" FROM \"data\" WHERE " +
                                 masterSql.partial("KTITLE") + " AND \"TITLE\"=? ORDER BY \"TITLE\",\"_rec\" LIMIT 13";
    const std::string brand = "SELECT \"MAKE\" FROM \"data\" WHERE " + brandsSql.partial("KMAKEID") +
                              " AND \"MAKEID\"=? ORDER BY \"MAKEID\",\"_rec\" LIMIT 1";
    const std::string discTracks = "SELECT \"TITLE\",\"ARTIST\" FROM \"data\" WHERE " + masterSql.partial("KUNQDISKID") +
                                   " AND \"UNQDISKID\"=? ORDER BY \"UNQDISKID\",\"_rec\"";
    const std::string inBook = "SELECT 1 FROM \"data\" WHERE " + bookSql.partial("KMATCHSONG") +
                               " AND \"TITLE\"=? AND \"ARTIST\"=? LIMIT 1";
    // One disc's count straight in SQLite.
    auto directCount = [&](const std::string& disc) {
        long n = 0;
        for (const auto& r : masterSql.table(discTracks, {disc})) n += bookSql.rows(inBook, {r[0], r[1]});
        return n;
    };
    // The first page as SQLite reads it: the names, the first name's tracks with their
    // brands, and their counts.
    auto directSearch = [&](const std::string& text) {
        const auto names = titlesSql.table(namePage, {"%" + text + "%"});
        if (names.empty()) return true;
        for (const auto& r : masterSql.table(discPage, {names[0][1]})) {
            brandsSql.first(brand, {r[4]});
            directCount(r[2]);
        }
        return true;
    };

    bool held = true;
    {
        headless::Driver d;
        d.setSettleTimeout(600000);
        if (!d.start(SearchMasterTracks)) {
            std::fprintf(stderr, "start: %s\n", d.error().c_str());
            return false;
        }
        // Plain letters: LIKE ignores the case of those alone, so both find the same names.
        static const char* common[] = {"la mo", "ta", "be so", "ri", "ka ne", "vi", "du", "go"};
        // The text is typed before each timed press, as a host types it before pressing.
        auto press = [&] { return d.press("&Search"); };
        auto typing = [&](const std::string& text) { return [&d, text] { return d.type("?SearchField", text); }; };
        int k = 0, j = 0;
        const auto first = bench::alternate(runs, press, [&] { return directSearch(common[j++ % 8]); },
                                            [&] { return d.type("?SearchField", common[k++ % 8]); });
        auto rowsOf = [&](const char* list) { return d.rows(list).size(); };
        report("title search, first page:", first,
               "(" + std::to_string(rowsOf("?TitleList")) + " titles, " + std::to_string(rowsOf("?TitleDiscList")) +
                   " tracks counted)");
        out.late = bench::alternate(runs, press, [&] { return directSearch("quartz"); }, typing("quartz"));
        const std::string found = d.rows("?TitleList").empty() ? std::string("?") : d.rows("?TitleList")[0][0];
        if (found != kPlanted) {
            std::fprintf(stderr, "the search found %s, not %s\n", found.c_str(), kPlanted);
            return false;
        }
        held = bench::reportLimit("title search, only match at the end:", out.late, 2.0, "-> " + found) && held;
        out.none = bench::alternate(runs, press, [&] { return directSearch("no such text"); }, typing("no such text"));
        held = bench::reportLimit("title search, no match:", out.none, 2.0) && held;
        d.end();
    }

    // The DUP counts of one page (13 disc rows).
    std::pair<Figure, Figure> counts;
    rt::runProgram([&] {
        KAR.open(rt::ReadOnly | rt::DenyNone);
        SBK.open(rt::ReadOnly | rt::DenyNone);
        int p = 0, q = 0;
        counts = bench::alternate(
            runs,
            [&] {
                for (int i = 0; i < 13; ++i) CountSongBookDuplicates(discs[static_cast<std::size_t>(p++) % discs.size()]);
                return true;
            },
            [&] {
                for (int i = 0; i < 13; ++i) directCount(discs[static_cast<std::size_t>(q++) % discs.size()]);
                return true;
            });
        KAR.close();
        SBK.close();
    });
    report("DUP counts of a page (13 discs):", counts);
    out.tracks = tracks;
    std::filesystem::remove_all(dir);
    return held;
}

}  // namespace

int main(int argc, char** argv) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 5;
    std::vector<long> sizes;
    for (int i = 2; i < argc; ++i) sizes.push_back(std::atol(argv[i]));
    if (sizes.empty()) sizes = {100000, 300000, 1000000};
    const auto top = std::filesystem::temp_directory_path() / ("master_search_bench_" + std::to_string(::getpid()));
    bool held = true;
    std::vector<Sized> done;
    for (long tracks : sizes) {
        Sized s;
        held = runSize(tracks, runs, top / std::to_string(tracks), s) && held;
        if (s.tracks) done.push_back(s);
    }
    std::filesystem::remove_all(top);
    // Linear: per 100,000 tracks, ours grows as SQLite's does.
    std::printf("\nper 100,000 tracks        only match at the end            no match\n");
    for (const Sized& s : done) {
        const double per = 100000.0 / static_cast<double>(s.tracks);
        std::printf("%9ld tracks   ours %7.2f ms  SQLite %7.2f ms   ours %7.2f ms  SQLite %7.2f ms\n", s.tracks,
                    s.late.first.median * per, s.late.second.median * per, s.none.first.median * per,
                    s.none.second.median * per);
    }
    if (done.size() >= 2) {
        // The growth of the ratio from the smallest to the largest size: at most 1.5 (the ratio
        // itself is held at each size).
        const double grow = bench::ratioOf(done.back().none) / bench::ratioOf(done.front().none);
        const bool linear = grow > 0 && grow <= 1.5;
        std::printf("ratio growth (no match) from %ld to %ld tracks: %.2f (limit 1.50)%s\n", done.front().tracks,
                    done.back().tracks, grow, linear ? "" : " EXCEEDED");
        held = held && linear;
    }
    return held ? 0 : 2;
}
