// The master track search on 1,000,000 master tracks (15 to a disc) and a SongBook of 300,000
// listings drawn from them: a title search to its first page (name list, the first title's
// tracks and their DUP counts), a search that matches only near the end of the titles, and
// the DUP counts of one page of disc rows. Beside each figure the same work done directly in
// SQLite on the same files, and the ratio. Titles and artists carry accented letters. Run by
// hand: master_search [tracks] [listings] [runs]
#include <stdlib.h>
#include <unistd.h>

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
        rt::logout(30, {&BRA, &STI, &SAR});
        for (int b = 1; b <= 20; ++b) {
            BRA.clearBuffer();
            BRA.MAKEID = b;
            BRA.MAKE = "Brand " + word(rng);
            BRA.add();
            check();
        }
        for (const auto& t : titles) {
            STI.clearBuffer();
            STI.TITLE = t;
            STI.add();
            check();
        }
        for (const auto& a : artists) {
            SAR.clearBuffer();
            SAR.ARTIST = a;
            SAR.add();
            check();
        }
        rt::commit();
        check();
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

}  // namespace

int main(int argc, char** argv) {
    const long tracks = argc > 1 ? std::atol(argv[1]) : 1000000;
    const long listings = argc > 2 ? std::atol(argv[2]) : 300000;
    const int runs = argc > 3 ? std::atoi(argv[3]) : 7;
    auto dir = std::filesystem::temp_directory_path() / ("master_search_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    SetMasterFileNames(dir.string());
    SongBookFileName = (dir / "bench.2bk").string();
    SBDiscsFileName = (dir / "bench.2bd").string();
    SongBookIsOpen = 1;

    std::vector<std::string> discs;
    auto t = Clock::now();
    if (int e = build(tracks, listings, discs)) {
        std::fprintf(stderr, "build failed: %d\n", e);
        return 1;
    }
    std::printf("built %ld master tracks and %ld listings in %.0f s\n", tracks, listings, msSince(t) / 1000);

    Direct titlesSql(STitleFileName.str()), masterSql(KaraokeFileName.str()), bookSql(SongBookFileName.str());
    const std::string namePage = "SELECT \"TITLE\" FROM \"data\" WHERE " + titlesSql.partial("KTITLE") +
                                 " AND KEYHAS(\"TITLE\",?) ORDER BY \"TITLE\",\"_rec\" LIMIT 7";
    const std::string discPage = "SELECT \"TITLE\",\"ARTIST\",\"UNQDISKID\",\"DISKTRACKNO\",\"MAKEID\" FROM \"data\" WHERE " +
                                 masterSql.partial("KTITLE") + " AND \"TITLE\"=? ORDER BY \"TITLE\",\"_rec\" LIMIT 13";
    const std::string discTracks = "SELECT \"TITLE\",\"ARTIST\" FROM \"data\" WHERE " + masterSql.partial("KUNQDISKID") +
                                   " AND \"UNQDISKID\"=?";
    const std::string inBook = "SELECT 1 FROM \"data\" WHERE " + bookSql.partial("KMATCHSONG") +
                               " AND \"TITLE\"=? AND \"ARTIST\"=? LIMIT 1";
    // One disc's count straight in SQLite.
    auto directCount = [&](const std::string& disc) {
        long n = 0;
        for (const auto& r : masterSql.table(discTracks, {disc})) n += bookSql.rows(inBook, {r[0], r[1]});
        return n;
    };
    // The first page as SQLite reads it: the names, the first name's tracks and their counts.
    auto directSearch = [&](const std::string& text) {
        const auto names = titlesSql.table(namePage, {rt::upper(text)});
        if (names.empty()) return true;
        for (const auto& r : masterSql.table(discPage, {names[0][0]})) directCount(r[2]);
        return true;
    };

    {
        headless::Driver d;
        d.setSettleTimeout(600000);
        if (!d.start(SearchMasterTracks)) {
            std::fprintf(stderr, "start: %s\n", d.error().c_str());
            return 1;
        }
        static const char* common[] = {"la mo", "çA", "be so", "ri", "ka ne", "vi", "du", "mö"};
        auto search = [&](const std::string& text) {
            return d.type("?SearchField", text) && d.press("&Search");
        };
        int k = 0, j = 0;
        const Figure first = measure(runs, [&] { return search(common[k++ % 8]); });
        const Figure firstSql = measure(runs, [&] { return directSearch(common[j++ % 8]); });
        auto rowsOf = [&](const char* list) { return d.rows(list).size(); };
        report("title search, first page:", first, firstSql,
               "(target 200 ms; " + std::to_string(rowsOf("?TitleList")) + " titles, " +
                   std::to_string(rowsOf("?TitleDiscList")) + " tracks counted)");
        const Figure rare = measure(runs, [&] { return search("quartz"); });
        const std::string found = d.rows("?TitleList").empty() ? std::string("?") : d.rows("?TitleList")[0][0];
        report("title search, only match at the end:", rare, measure(runs, [&] { return directSearch("quartz"); }),
               "-> " + found);
        report("title search, no match:", measure(runs, [&] { return search("no such text"); }),
               measure(runs, [&] { return directSearch("no such text"); }));
        d.end();
    }

    // The DUP counts of one page (13 disc rows).
    Figure counts, countsSql;
    rt::runProgram([&] {
        KAR.open(rt::ReadOnly | rt::DenyNone);
        SBK.open(rt::ReadOnly | rt::DenyNone);
        int p = 0;
        counts = measure(runs, [&] {
            for (int i = 0; i < 13; ++i) CountSongBookDuplicates(discs[static_cast<std::size_t>(p++) % discs.size()]);
            return true;
        });
        KAR.close();
        SBK.close();
    });
    int q = 0;
    countsSql = measure(runs, [&] {
        for (int i = 0; i < 13; ++i) directCount(discs[static_cast<std::size_t>(q++) % discs.size()]);
        return true;
    });
    report("DUP counts of a page (13 discs):", counts, countsSql, "(target 20 ms)");
    std::filesystem::remove_all(dir);
    return 0;
}
