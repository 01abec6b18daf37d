// The printed SongBook of 100,000 listings in the three main layouts (one-column flat, two
// columns, Indented): reading and ordering the selection and laying the pages out into page
// files, and those pages rendered into one PDF. Beside it, the limit: the same listings read and
// sorted by SQLite itself.
// Each figure is the median of 5 runs after a warm-up, with the spread. Run by hand:
// print_songbook [listings]
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/globals.h"
#include "printing/styles/ReadSongBookSelection.h"
#include "printing/styles/StyleReport.h"
#include "runtime/report/render/render.h"
#include "runtime/record/record.h"
#include "runtime/thread/thread.h"

namespace {

using bench::Clock;

// Made-up words with accents now and then.
std::string accented(std::mt19937& rng) {
    static const char* marks[] = {"É", "ë", "ö", "ñ", "à", "Ø"};
    std::string w = bench::word(rng);
    if (rng() % 4 == 0) w += marks[rng() % 6];
    return w;
}

int build(long rows) {
    std::mt19937 rng(2232);
    int failed = 0;
    rt::runProgram([&] {
        // About three songs an artist, so groups have several entries.
        failed = bench::writeSongBookInOneTransaction(
            rows, [](long d) { return std::to_string(100 + d); },
            [&](long i) {
                SBK.TITLE = accented(rng) + " " + accented(rng) + (i % 11 == 0 ? " AND THE LONG WAY HOME AGAIN" : "");
                std::mt19937 artistRng(static_cast<unsigned>(i / 3));
                SBK.ARTIST = accented(artistRng) + " " + accented(artistRng);
            });
    });
    return failed;
}

struct Figure {
    double median = 0, low = 0, high = 0;
};

Figure measure(const std::function<void()>& work) {
    work();  // warm-up
    std::vector<double> t;
    for (int i = 0; i < 5; ++i) {
        const auto s = Clock::now();
        work();
        t.push_back(bench::seconds(s));
    }
    std::sort(t.begin(), t.end());
    return {t[2], t.front(), t.back()};
}

// The limit: every listing read and sorted by title and artist in SQLite.
double sqliteLimit(const std::string& file) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT TITLE, ARTIST, UNQDISKID, DISKTRACKNO, MAKEID FROM data "
                       "ORDER BY upper(TITLE), upper(ARTIST)",
                       -1, &st, nullptr);
    long n = 0;
    const auto s = Clock::now();
    while (sqlite3_step(st) == SQLITE_ROW) n += sqlite3_column_bytes(st, 0) > 0;
    const double secs = bench::seconds(s);
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n > 0 ? secs : secs;
}

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 100000;
    const auto dir = std::filesystem::temp_directory_path() / ("print_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    SongBookFileName = (dir / "Bench.2bk").string();
    SBDiscsFileName = (dir / "Bench.2bd").string();
    auto t = Clock::now();
    if (int e = build(rows)) {
        std::fprintf(stderr, "build: error %d\n", e);
        return 1;
    }
    std::printf("built %ld listings: %.1f s\n", rows, bench::seconds(t));

    std::vector<double> limits;
    for (int i = 0; i < 6; ++i) limits.push_back(sqliteLimit(SongBookFileName.str()));
    limits.erase(limits.begin());
    std::sort(limits.begin(), limits.end());
    const double limit = limits[2];
    std::printf("limit, SQLite reads and sorts every listing: median %.3f s (%.3f-%.3f)\n", limit, limits.front(),
                limits.back());

    struct Layout {
        const char* name;
        int format;
    } layouts[] = {{"one column, Plain", 1}, {"two columns, Formatted", 5}, {"one column, Indented", 4}};
    for (const Layout& l : layouts) {
        PrintSettings s;
        s.PrintFormat = static_cast<std::uint16_t>(l.format);
        s.SetFonts = 1;
        int pages = 0;
        long peak = 0;
        std::vector<std::string> kept;  // the last run's page files, for the PDF
        const auto keep = dir / "pages";
        const long before = bench::residentKiB();
        const Figure f = measure([&] {
            rt::runProgram([&] {
                SBK.open();
                SBD.open();
                std::vector<SelectionEntry> q;
                ReadSongBookSelection(s, q);
                rt::report::PageQueue files;
                rt::report::Report report;
                report.setPages(files);
                StyleReport run(*FindStyle(s.PrintFormat, s.PrintSort), s, std::move(q), SongBookDiscLookup(), report);
                while (run.step(run.rowsPerTick())) peak = std::max(peak, bench::residentKiB());
                run.finish();
                pages = static_cast<int>(files.size());
                // Keep the pages for the PDF (the report removes its own folder).
                std::filesystem::remove_all(keep);
                std::filesystem::create_directories(keep);
                kept.clear();
                for (const auto& f : files) {
                    const auto to = keep / std::filesystem::path(f).filename();
                    std::filesystem::rename(f, to);
                    kept.push_back(to.string());
                }
                SBK.close();
                SBD.close();
            });
        });
        std::printf("%-24s %5d pages to page files: median %.2f s (%.2f-%.2f), %.0f pages/s, %.1f x the limit;"
                    " memory +%ld KiB at most (target 10 s)\n",
                    l.name, pages, f.median, f.low, f.high, pages / f.median, f.median / limit, peak - before);
        std::string why;
        const Figure pdf = measure([&] {
            if (!rt::report::render::writePdf(kept, (dir / "songbook.pdf").string(), "SongBook", why))
                std::fprintf(stderr, "pdf: %s\n", why.c_str());
        });
        std::printf("%-24s %5d pages to one PDF:   median %.2f s (%.2f-%.2f), %.0f pages/s, %.1f x the limit"
                    " (target 20 s)\n",
                    l.name, pages, pdf.median, pdf.low, pdf.high, pages / pdf.median, pdf.median / limit);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
