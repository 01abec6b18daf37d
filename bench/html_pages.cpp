// Publishing a SongBook as web pages: the title pages and the artist pages of a SongBook of
// 300,000 listings (or as many as given) with accented titles and artists, beside the same
// reading and writing done directly in SQLite (rows joined to their discs, read in key order
// and written out as lines); rounds alternate ours / SQLite. Run by hand:
// html_pages [listings] [--keep]; with --keep the SongBook and its pages stay in the
// temporary folder, which is named at the end.
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/globals.h"
#include "exchange/HtmlPageSet.h"
#include "exchange/WebSettings.h"
#include "frontend/headless/driver.h"
#include "runtime/record/engine.h"
#include "runtime/thread/thread.h"

namespace {

using bench::Clock;
using bench::msSince;

using bench::accentedWord;

bool writeSongBook(long rows) {
    std::mt19937 rng(7);
    int failed = 0;
    rt::runProgram([&] {
        failed = bench::writeStreamedSongBook(
            rows, [](long d) { return std::to_string(100 + d); },
            [&](long) {
                SBK.TITLE = accentedWord(rng) + " " + accentedWord(rng);
                SBK.ARTIST = accentedWord(rng) + " " + bench::word(rng);
                SBK.DATEADDED = rt::date(1, 1, 2020);
            });
    });
    return failed == 0;
}

double publish() {
    headless::Driver d;
    d.setSettleTimeout(600000);
    bool ok = false;
    const auto t0 = Clock::now();
    d.start([&] {
        HtmlPageSetWrite pages;
        ok = WriteHtmlTitlePages(&pages) == PageSetRun::Written &&
             WriteHtmlArtistPages(&pages) == PageSetRun::Written && pages.commit();
    });
    while (d.running() && !d.request()) d.wait(1);
    const double ms = msSince(t0);
    if (!ok) {
        std::fprintf(stderr, "publishing failed: %s\n", d.windows().c_str());
        std::exit(1);
    }
    return ms;
}

int keyText(void*, int na, const void* a, int nb, const void* b) {
    return rt::records::compareKeyText(static_cast<const char*>(a), na, static_cast<const char*>(b), nb);
}

// The same rows read in the same orders, written out as lines, straight through SQLite.
double direct(const std::string& dir) {
    const auto t0 = Clock::now();
    sqlite3* db = nullptr;
    sqlite3_open_v2(SongBookFileName.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_create_collation(db, "KEYTEXT", SQLITE_UTF8, nullptr, keyText);
    sqlite3_exec(db, ("ATTACH '" + SBDiscsFileName.str() + "' AS d").c_str(), nullptr, nullptr, nullptr);
    for (const char* order : {"TITLE, ARTIST", "ARTIST, TITLE"}) {
        const std::string sql = std::string("SELECT s.TITLE, s.ARTIST, d.data.ALTDISKID, s.DISKTRACKNO FROM main.data s "
                                            "LEFT JOIN d.data ON d.data.UNQDISKID = s.UNQDISKID ORDER BY ") +
                                order + ", DISKTRACKNO, DATEADDED";
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
            std::exit(1);
        }
        std::FILE* out = std::fopen((dir + "/direct.txt").c_str(), "wb");
        while (sqlite3_step(st) == SQLITE_ROW)
            std::fprintf(out, "<TR> <TD>%-40s</TD> <TD>%-40s</TD> <TD>%s-%d</TD> </TR>\r\n", sqlite3_column_text(st, 0),
                         sqlite3_column_text(st, 1), sqlite3_column_text(st, 2), sqlite3_column_int(st, 3));
        std::fclose(out);
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return msSince(t0);
}

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 300000;
    std::string tmpl = (std::filesystem::temp_directory_path() / "cantorelle-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 1;
    const std::string dir = tmpl;
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    SongBookFileName = dir + "/Bench.2bk";
    SBDiscsFileName = dir + "/Bench.2bd";
    HTMLOutputDirectory = "BENCH";
    WebTitle = "Karaoke SongBook";
    WebHeading = "Karaoke SongBook";
    HTMLHomeURL = "http://www.example.org";

    const auto t = Clock::now();
    if (!writeSongBook(rows)) return 1;
    std::printf("(a SongBook of %ld listings written in %.1f s)\n", rows, msSince(t) / 1000);

    const auto both = bench::alternate(5, [&] { return publish() >= 0; }, [&] { return direct(dir) >= 0; });
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir + "/WebPages/BENCH")) files += e.is_regular_file();
    bench::report("title and artist pages:", both, std::to_string(files) + " pages; limit 5000 ms", "SQLite");

    if (argc > 2 && std::string(argv[2]) == "--keep") {
        std::printf("kept: %s\n", dir.c_str());
    } else {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    return both.first.runs && both.first.median <= 5000 ? 0 : 2;
}
