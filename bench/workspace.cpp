// The SongBook workspace on a SongBook of 300,000 listings (20,000 discs): from the SongBook
// chosen in the explorer to the first page, paging, thumb drags, list switches, searches that
// match near the end of the list, and how much memory the workspace takes meanwhile.
// Run by hand: workspace [listings]
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench_support.h"
#include "data/demo_catalogue.h"
#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "frontend/headless/driver.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/thread/thread.h"
#include "services/RegistryValue.h"
#include "shell/BrowseSongBook.h"

namespace {

using bench::Clock;
using bench::msSince;
using bench::word;

// Resident memory in KiB.
long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The SongBook in one transaction. Two titles are planted to be found late in title order:
// "ZZYZX ROAD" sorts among the last titles, and "XYLO QUARTZ HOLLOW" is the only title that
// contains "QUARTZ".
int build(long rows) {
    std::mt19937 rng(2232);
    int failed = 0;
    rt::runProgram([&] {
        SBK.create();
        SBK.open();
        SBD.create();
        SBD.open();
        if (!rt::logout(10, {&SBK, &SBD})) {
            failed = rt::errorCode();
            return;
        }
        if (int e = bench::addSongBookDiscs(rows, [](long d) { return std::to_string(100 + d); })) failed = e;
        auto fill = [&](long i) {
            SBK.TITLE = i == rows / 3 ? "ZZYZX ROAD" : i == rows / 2 ? "XYLO QUARTZ HOLLOW" : word(rng) + " " + word(rng);
            SBK.ARTIST = word(rng) + " " + word(rng);
            SBK.DATEADDED = rt::date(1, 1 + static_cast<int>(i % 28), 2020);
        };
        if (int e = bench::addSongBookListings(rows, fill)) failed = e;
        rt::commit();
        if (rt::errorCode()) failed = rt::errorCode();
        SBK.close();
        SBD.close();
    });
    return failed;
}

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 300000;
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
    SongBookFileName = folder + "/Bench.2bk";
    SBDiscsFileName = folder + "/Bench.2bd";

    auto t = Clock::now();
    if (int e = build(rows)) {
        std::fprintf(stderr, "build: error %d\n", e);
        return 1;
    }
    std::printf("built %ld listings, %ld discs in one transaction: %.0f ms\n", rows, rows / 15 + 1, msSince(t));
    SongBookFileName.clear();
    SBDiscsFileName.clear();

    {
        headless::Driver d;
        d.setSettleTimeout(120000);
        auto fail = [&](const char* what) {
            std::fprintf(stderr, "%s: %s\n%s", what, d.error().c_str(), d.windows().c_str());
            return 1;
        };
        if (!d.start(BrowseSongBook)) return fail("start");
        int row = 0;
        const auto listed = d.rows("?LIST");
        for (std::size_t i = 0; i < listed.size(); ++i)
            if (!listed[i].empty() && listed[i][0] == "Bench") row = static_cast<int>(i) + 1;
        if (!row || !d.select("?LIST", row)) return fail("explorer");
        const long before = residentKiB();
        t = Clock::now();
        if (!d.press("&Open Selected SongBook")) return fail("open");
        const double firstPage = msSince(t);
        const auto shown = d.rows();
        std::printf("SongBook chosen to first page (%zu rows): %8.2f ms   (target 500)\n", shown.size(), firstPage);
        const long afterOpen = residentKiB();

        auto timed = [&](const char* what, int times, double target, const auto& action) {
            const auto s = Clock::now();
            double worst = 0;
            for (int i = 0; i < times; ++i) {
                const auto one = Clock::now();
                if (!action(i)) {
                    fail(what);
                    return;
                }
                worst = std::max(worst, msSince(one));
            }
            std::printf("%-34s %8.2f ms each, worst %8.2f (%d; target %.0f)\n", what, msSince(s) / times, worst,
                        times, target);
        };
        timed("page down:", 200, 50, [&](int) { return d.scroll("", "pagedown"); });
        timed("page up:", 100, 50, [&](int) { return d.scroll("", "pageup"); });
        timed("thumb drag:", 98, 50, [&](int i) { return d.drag("", 2 + i); });
        timed("bottom / top:", 20, 50, [&](int i) { return d.scroll("", i % 2 ? "top" : "bottom"); });
        timed("switch list (artist, disc, title):", 30, 50, [&](int i) {
            static const char* buttons[] = {"Artist", "Disk ID", "Song Title"};
            return d.press(buttons[i % 3]);
        });

        auto search = [&](const char* what, const char* list, const char* mode, const char* text) {
            if (!d.press(list) || !d.choose("?SearchMode", mode) || !d.type("?SearchText", text)) {
                fail(what);
                return;
            }
            const auto s = Clock::now();
            if (!d.press("?Search")) {
                fail(what);
                return;
            }
            const double ms = msSince(s);
            const auto box = d.request();
            const int sel = d.selectedRow();
            const auto r = d.rows();
            std::string found = box ? "message: " + box->text
                                    : sel >= 1 && sel <= static_cast<int>(r.size()) ? r[static_cast<std::size_t>(sel - 1)][0]
                                                                                     : std::string("?");
            if (box) d.answer("OK");
            std::printf("search %-28s %8.2f ms   (target 1000) -> %s\n", what, ms, found.c_str());
        };
        search("title begins with ZZYZX:", "Song Title", "Begins with...", "zzyzx");
        search("title contains QUARTZ:", "Song Title", "Contains..", "quartz");
        search("title contains, no match:", "Song Title", "Contains..", "no such text");
        search("artist contains, no match:", "Artist", "Contains..", "no such text");
        search("disc contains 20099:", "Disk ID", "Contains..", "20099");
        search("disc begins with 20099:", "Disk ID", "Begins with...", "20099");
        const long afterAll = residentKiB();
        std::printf("resident memory: %ld KiB before opening, +%ld KiB with the first page, +%ld KiB after all\n",
                    before, afterOpen - before, afterAll - before);
        d.end();
    }
    std::filesystem::remove_all(dir);
    return 0;
}
