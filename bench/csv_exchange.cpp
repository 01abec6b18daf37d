// CSV export and import. Exporting every listing of a SongBook of 300,000 listings (or as many
// as given) with accented titles and artists, beside `sqlite3 -csv` dumping the same listing
// file in one run (limit: twice as long) and the record engine's title-order read alone;
// importing the first 100,000 rows of that file into an
// empty SongBook, analysis and adding (limit: 10 s). Run by hand: csv_exchange [listings]
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/globals.h"
#include "exchange/ExportListings.h"
#include "exchange/ImportListings.h"
#include "frontend/headless/driver.h"
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
            [&](long i) {
                SBK.TITLE = accentedWord(rng) + " " + accentedWord(rng);
                SBK.ARTIST = accentedWord(rng) + " " + bench::word(rng);
                SBK.GENRE = i % 3 ? "Pop" : "Rock";
                SBK.DUET = i % 7 ? "" : "X";
                SBK.DATEADDED = rt::date(1 + i % 12, 1 + i % 28, 2000 + i % 20);
            });
    });
    return failed == 0;
}

// The export as the host runs it (file dialog answered, progress window served) up to the
// closing message.
double exportAll(const std::string& file) {
    std::filesystem::remove(file);
    headless::Driver d;
    d.setSettleTimeout(600000);
    d.start([] {
        EXPORT::FILTER = 1;
        WriteExportFile();
    });
    const auto t0 = Clock::now();
    d.dialog(file);
    while (d.running() && !d.request()) d.wait(1);
    const double ms = msSince(t0);
    if (!d.request() || d.request()->text != "Finished Exporting Song Listings") {
        std::fprintf(stderr, "export failed: %s\n", d.windows().c_str());
        std::exit(1);
    }
    d.answer("OK");
    return ms;
}

// The listings read in title order by the record engine alone, nothing written: the part of
// the export that is the engine's.
double readAlone() {
    const auto t0 = Clock::now();
    long long n = 0;
    rt::runProgram([&] {
        SBK.open();
        SBK.set(SongBook::KTITLE);
        for (SBK.next(); rt::errorCode() == 0; SBK.next()) ++n;
        SBK.close();
    });
    return msSince(t0);
}

double sqliteCsv(const std::string& songBook, const std::string& out) {
    const std::string cmd = "sqlite3 -csv '" + songBook + "' 'SELECT * FROM data' > '" + out + "'";
    const auto t0 = Clock::now();
    if (std::system(cmd.c_str()) != 0) {
        std::fprintf(stderr, "sqlite3 failed\n");
        std::exit(1);
    }
    return msSince(t0);
}

// Analysis and adding of a file into a new, empty SongBook, as the host runs them.
double importInto(const std::string& dir, const std::string& file, int run) {
    SongBookFileName = dir + "/Import" + std::to_string(run) + ".2bk";
    SBDiscsFileName = dir + "/Import" + std::to_string(run) + ".2bd";
    rt::runProgram([] {
        SBK.create();
        SBD.create();
    });
    headless::Driver d;
    d.setSettleTimeout(600000);
    d.start(ImportListings);
    const auto t0 = Clock::now();
    d.dialog(file);
    d.in("Import Song Listings").press("Import Listings");
    while (d.running() && !d.request()) d.wait(1);
    const double ms = msSince(t0);
    long long n = 0;
    rt::runProgram([&] {
        SBK.open();
        n = SBK.records();
        SBK.close();
    });
    if (d.running() || n != 100000) {
        std::fprintf(stderr, "import failed (%lld listings): %s\n", n, d.windows().c_str());
        std::exit(1);
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 300000;
    if (rows < 100000) {
        std::fprintf(stderr, "at least 100000 listings\n");
        return 1;
    }
    std::string tmpl = (std::filesystem::temp_directory_path() / "cantorelle-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 1;
    const std::string dir = tmpl;
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    SongBookFileName = dir + "/Bench.2bk";
    SBDiscsFileName = dir + "/Bench.2bd";

    const auto t = Clock::now();
    if (!writeSongBook(rows)) return 1;
    std::printf("(a SongBook of %ld listings written in %.1f s)\n", rows, msSince(t) / 1000);

    const std::string csv = dir + "/all.csv", dump = dir + "/dump.csv";
    exportAll(csv);  // warm-up
    sqliteCsv(SongBookFileName.str(), dump);
    bench::Timings exports, dumps, reads;
    for (int i = 0; i < 5; ++i) {
        exports.ms.push_back(exportAll(csv));
        dumps.ms.push_back(sqliteCsv(SongBookFileName.str(), dump));
        reads.ms.push_back(readAlone());
    }
    exports.print("export of every listing", 40);
    dumps.print("sqlite3 -csv of the listing file", 40);
    reads.print("(title-order read alone, no writing)", 40);
    const double ratio = exports.median() / dumps.median();
    std::printf("ratio %.2f (limit 2.00); %.1f MB written\n", ratio,
                static_cast<double>(std::filesystem::file_size(csv)) / 1e6);

    // The first 100,000 rows of the export.
    const std::string part = dir + "/part.csv";
    {
        std::FILE* in = std::fopen(csv.c_str(), "rb");
        std::FILE* out = std::fopen(part.c_str(), "wb");
        char line[4096];
        for (int i = 0; i < 100000 && std::fgets(line, sizeof line, in); ++i) std::fputs(line, out);
        std::fclose(in);
        std::fclose(out);
    }
    importInto(dir, part, 0);  // warm-up
    bench::Timings imports;
    for (int i = 1; i <= 5; ++i) imports.ms.push_back(importInto(dir, part, i));
    imports.print("import of 100,000 rows into an empty one", 40);
    std::printf("limit 10000 ms\n");

    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return ratio <= 2.0 && imports.median() <= 10000 ? 0 : 2;
}
