// The SongBook workspace on a large SongBook (300,000 listings unless given; 15 to a disc):
// from the SongBook chosen in the explorer to the first page, paging, thumb drags, list
// switches, searches that match late in the list or not at all, the count after a change, and
// memory. Beside each figure the same work done directly in SQLite on the same file (a plain
// connection with the key collation and KEYHAS), and the ratio. Titles and artists carry
// accented letters. Each figure is the median of the runs after a warm-up, with the fastest and
// slowest run; rounds alternate ours / SQLite, so a change of the machine's load falls on both.
// Run by hand: workspace [listings] [runs]
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/demo_catalogue.h"
#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "frontend/headless/driver.h"
#include "runtime/error/error.h"
#include "runtime/record/engine.h"
#include "runtime/record/record.h"
#include "runtime/thread/thread.h"
#include "services/RegistryValue.h"
#include "shell/BrowseSongBook.h"

namespace {

using bench::Clock;
using bench::Figure;
using bench::msSince;
using bench::report;
using bench::word;

// The SongBook in one transaction. Planted: "ZZYZX ROAD" sorts among the last titles, and
// "XYLO QUARTZ HOLLÖW" is the only title that contains "QUARTZ".
int build(long rows) {
    std::mt19937 rng(2232);
    int failed = 0;
    rt::runProgram([&] {
        failed = bench::writeSongBookInOneTransaction(
            rows, [](long d) { return std::to_string(100 + d); },
            [&](long i) {
                SBK.TITLE = i == rows / 3 ? "ZZYZX ROAD" : i == rows / 2 ? "XYLO QUARTZ HOLLÖW" : word(rng) + " " + word(rng);
                SBK.ARTIST = word(rng) + " " + word(rng);
                SBK.DATEADDED = rt::date(1, 1 + static_cast<int>(i % 28), 2020);
            });
    });
    return failed;
}

using bench::Direct;

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 300000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    const auto dir = std::filesystem::temp_directory_path() / ("workspace_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir / "config");
    ::setenv("XDG_CONFIG_HOME", (dir / "config").c_str(), 1);
    const std::string folder = dir.string();
    int rc = -1;
    rt::runProgram([&] { rc = WriteDemoCatalogue(folder); });
    if (rc) {
        std::fprintf(stderr, "demo catalogue: error %d\n", rc);
        return 1;
    }
    InstallFolder = folder;
    DMakeFileName = folder + "/DMAKE.TPS";
    GenreFileName = folder + "/GENRE.TPS";
    WriteRegistryValue("General", "SongBookPath", RegistryProgramPath, folder);
    const std::string book = folder + "/Bench.2bk", discs = folder + "/Bench.2bd";
    SongBookFileName = book;
    SBDiscsFileName = discs;

    auto t = Clock::now();
    if (int e = build(rows)) {
        std::fprintf(stderr, "build: error %d\n", e);
        return 1;
    }
    std::printf("%ld listings, %ld discs, built in one transaction in %.0f ms; %d runs a figure\n", rows,
                rows / 15 + 1, msSince(t), runs);
    SongBookFileName.clear();
    SBDiscsFileName.clear();

    Direct sql(book), sqlDiscs(discs);
    if (!sql.ok() || !sqlDiscs.ok()) {
        std::fprintf(stderr, "direct connections failed\n");
        return 1;
    }
    const std::string all = "\"_rec\",\"TITLE\",\"ARTIST\",\"UNQDISKID\",\"DISKTRACKNO\",\"GENRE\",\"DATEADDED\"";
    const std::string titleOrder = "\"TITLE\",\"ARTIST\",\"DISKTRACKNO\",\"DATEADDED\",\"_rec\"";
    const std::string artistOrder = "\"ARTIST\",\"TITLE\",\"DISKTRACKNO\",\"DATEADDED\",\"_rec\"";
    const std::string byTitle = " FROM \"data\" WHERE " + sql.partial("KTITLE");
    const std::string byArtist = " FROM \"data\" WHERE " + sql.partial("KARTIST");
    const std::string byAlt = " FROM \"data\" WHERE " + sqlDiscs.partial("KALTDISKID");
    const std::string firstPage = "SELECT " + all + byTitle + " ORDER BY " + titleOrder + " LIMIT 20";
    const std::string pageAfter = "SELECT " + all + byTitle + " AND (" + titleOrder + ")>(?,?,?,?,?) ORDER BY " +
                                  titleOrder + " LIMIT 20";
    const std::string lastPage = "SELECT " + all + byTitle + " ORDER BY \"TITLE\" DESC,\"ARTIST\" DESC,"
                                 "\"DISKTRACKNO\" DESC,\"DATEADDED\" DESC,\"_rec\" DESC LIMIT 20";
    // Keys spread over the list, for page reads at thumb positions (found outside the timing).
    std::vector<std::vector<std::string>> stops;
    for (int i = 1; i <= 20; ++i)
        stops.push_back(sql.row("SELECT \"TITLE\",\"ARTIST\",\"DISKTRACKNO\",\"DATEADDED\",\"_rec\"" + byTitle +
                                    " ORDER BY " + titleOrder + " LIMIT 1 OFFSET " + std::to_string(rows * i / 21),
                                5));

    long memBefore = 0, memOpen = 0, memAfter = 0;
    {
        // From the SongBook chosen in the explorer to the first page; the workspace is closed
        // between runs.
        auto openOnce = [&](headless::Driver& d) {
            if (!d.start(BrowseSongBook)) return false;
            int row = 0;
            const auto listed = d.rows("?LIST");
            for (std::size_t i = 0; i < listed.size(); ++i)
                if (!listed[i].empty() && listed[i][0] == "Bench") row = static_cast<int>(i) + 1;
            return row && d.select("?LIST", row);
        };
        {
            // Round by round: ours (a new workspace each time), then SQLite on a new connection.
            std::vector<double> ours, direct;
            for (int i = 0; i <= runs; ++i) {
                headless::Driver d;
                d.setSettleTimeout(600000);
                if (!openOnce(d)) return 1;
                auto s = Clock::now();
                if (!d.press("&Open Selected SongBook") || d.rows().empty()) return 1;
                if (i > 0) ours.push_back(msSince(s));
                d.end();
                s = Clock::now();
                Direct fresh(book);
                if (fresh.rows(firstPage) != 20) return 1;
                if (i > 0) direct.push_back(msSince(s));
            }
            report("SongBook chosen to first page:", bench::figureOf(ours), bench::figureOf(direct), "(target 20 ms)");
        }

        headless::Driver d;
        d.setSettleTimeout(600000);
        if (!openOnce(d)) return 1;
        memBefore = bench::residentKiB();
        if (!d.press("&Open Selected SongBook")) return 1;
        memOpen = bench::residentKiB();
        auto fail = [&](const char* what) {
            std::fprintf(stderr, "%s: %s\n%s", what, d.error().c_str(), d.windows().c_str());
            return false;
        };

        // SQLite: a page of 20 rows read by key after a known row, as paging, dragging and
        // the list's first page need.
        int k = 0;
        auto pageByKey = [&] { return sql.rows(pageAfter, stops[static_cast<std::size_t>(k++ % 20)]) == 20; };
        report("page down:", bench::alternate(runs * 3, [&] { return d.scroll("", "pagedown") || fail("page down"); },
                                              pageByKey));
        report("page up:", bench::alternate(runs * 3, [&] { return d.scroll("", "pageup") || fail("page up"); },
                                            pageByKey));
        int stop = 0;
        report("thumb drag:",
               bench::alternate(runs * 3, [&] { return d.drag("", 5 + (stop++ * 37) % 90) || fail("drag"); }, pageByKey));
        int end = 0, sqlEnd = 0;
        report("bottom / top:",
               bench::alternate(runs * 2, [&] { return d.scroll("", end++ % 2 ? "top" : "bottom") || fail("end"); },
                                [&] { return sql.rows(sqlEnd++ % 2 ? firstPage : lastPage) == 20; }));
        int which = 0;
        static const char* buttons[] = {"Artist", "Disk ID", "Song Title"};
        report("switch list (artist, disc, title):",
               bench::alternate(runs * 3, [&] { return d.press(buttons[which++ % 3]) || fail("switch"); },
                                [&] {
                                    return sql.rows("SELECT " + all + byArtist + " ORDER BY " + artistOrder +
                                                    " LIMIT 20") == 20;
                                }),
               "(SQLite: the first page by artist)");

        // A search from the list's start, as the Search button does (the text typed beforehand,
        // untimed); the result as shown.
        auto search = [&](const char* what, const char* list, const char* mode, const char* text,
                          const std::function<bool()>& direct) {
            if (!d.press(list) || !d.choose("?SearchMode", mode)) {
                fail(what);
                return;
            }
            std::string found;
            const auto both = bench::alternate(
                runs,
                [&] {
                if (!d.press("?Search")) return fail(what);
                const auto box = d.request();
                const int sel = d.selectedRow();
                const auto r = d.rows();
                found = box ? "message: " + box->text
                            : sel >= 1 && sel <= static_cast<int>(r.size()) ? r[static_cast<std::size_t>(sel - 1)][0]
                                                                             : std::string("?");
                if (box) d.answer("OK");
                return true;
                },
                direct, [&] { return d.type("?SearchText", text) || fail(what); });
            report(what, both, "-> " + found);
        };
        const std::string titleKeyHas =
            "SELECT \"_rec\"" + byTitle + " AND KEYHAS(\"TITLE\",?) ORDER BY " + titleOrder + " LIMIT 1";
        const std::string artistKeyHas =
            "SELECT \"_rec\"" + byArtist + " AND KEYHAS(\"ARTIST\",?) ORDER BY " + artistOrder + " LIMIT 1";
        const std::string altKeyHas =
            "SELECT \"_rec\"" + byAlt + " AND KEYHAS(\"ALTDISKID\",?) ORDER BY \"ALTDISKID\",\"_rec\" LIMIT 1";
        const std::string titleFrom = "SELECT " + all + byTitle + " AND \"TITLE\">=? ORDER BY " + titleOrder + " LIMIT 1";
        search("search title begins with ZZYZX:", "Song Title", "Begins with...", "zzyzx",
               [&] { return sql.rows(titleFrom, {"ZZYZX"}) == 1; });
        search("search title contains QUARTZ:", "Song Title", "Contains..", "quartz",
               [&] { return sql.rows(titleKeyHas, {"QUARTZ"}) == 1; });
        search("search title contains, no match:", "Song Title", "Contains..", "no such text",
               [&] { return sql.rows(titleKeyHas, {"NO SUCH TEXT"}) == 0; });
        search("search artist contains, no match:", "Artist", "Contains..", "no such text",
               [&] { return sql.rows(artistKeyHas, {"NO SUCH TEXT"}) == 0; });
        search("search disc contains 20099:", "Disk ID", "Contains..", "20099",
               [&] { return sqlDiscs.rows(altKeyHas, {"20099"}) >= 0; });
        search("search disc begins with 20099:", "Disk ID", "Begins with...", "20099", [&] {
            return sqlDiscs.rows("SELECT \"_rec\"" + byAlt + " AND \"ALTDISKID\">=? ORDER BY \"ALTDISKID\" LIMIT 1",
                                 {"20099"}) >= 0;
        });
        memAfter = bench::residentKiB();
        d.end();
    }

    // "Total Song Tracks" after a change: the count the file keeps, against counting.
    SongBookFileName = book;
    SBDiscsFileName = discs;
    Figure kept, counted;
    rt::runProgram([&] {
        SBK.open();
        std::vector<double> times, direct;
        for (int i = 0; i <= runs; ++i) {
            SBK.clearBuffer();
            SBK.TITLE = "COUNTED";
            SBK.UNQDISKID = "ZZ1";
            SBK.DISKTRACKNO = 1;
            SBK.add();
            SBK.del();  // two changes: records() must read the count again
            const auto s = Clock::now();
            const long long n = SBK.records();
            const double ms = msSince(s);
            if (n != rows) return;
            if (i > 0) times.push_back(ms);
            const auto c = Clock::now();
            if (sql.first("SELECT count(*) FROM \"data\"") != std::to_string(rows)) return;
            if (i > 0) direct.push_back(msSince(c));
        }
        kept = bench::figureOf(times);
        counted = bench::figureOf(direct);
        SBK.close();
    });
    report("count after a change:", kept, counted, "(SQLite: count(*), which the kept count replaces)");
    std::printf("resident memory: %ld KiB before opening, +%ld KiB with the first page, +%ld KiB after all\n",
                memBefore, memOpen - memBefore, memAfter - memBefore);
    std::filesystem::remove_all(dir);
    return 0;
}
