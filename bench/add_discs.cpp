// The add-discs window over a large master database (default 1,000,000 tracks: 250 brands of
// 267 discs of 15 tracks): opening the window, moving from brand to brand (each move refills
// the disc list and the first disc's track list), the brand thumb, the rapid locator and a
// whole-brand tagging. Run by hand: add_discs [tracks]
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

struct Figures {
    std::vector<double> ms;
    void add(double v) { ms.push_back(v); }
    void print(const char* what) const {
        if (ms.empty()) return;
        std::vector<double> s = ms;
        std::sort(s.begin(), s.end());
        double sum = 0;
        for (double v : s) sum += v;
        std::printf("%-34s mean %7.2f ms  median %7.2f  max %7.2f  (%zu)\n", what, sum / static_cast<double>(s.size()),
                    s[s.size() / 2], s.back(), s.size());
    }
};

}  // namespace

int main(int argc, char** argv) {
    const long tracks = argc > 1 ? std::atol(argv[1]) : 1000000;
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
    std::printf("build: %.0f ms\n", msSince(t));

    int rc = 0;
    {
        headless::Driver d;
        d.setSettleTimeout(120000);
        auto check = [&](bool done, const char* what) {
            if (!done) {
                std::fprintf(stderr, "%s: %s\n", what, d.error().c_str());
                rc = 1;
            }
            return done;
        };
        t = Clock::now();
        if (!check(d.start(AddManufacturerDiscs), "start")) return 1;
        std::printf("%-34s %7.2f ms\n", "open, three lists filled:", msSince(t));

        const auto brandRows = static_cast<int>(d.rows("?BrandList").size());
        Figures moves, drags, locates;
        // Every brand of the first page, then back up, row by row as a click does.
        for (int pass = 0; pass < 2 && rc == 0; ++pass)
            for (int i = 0; i < brandRows && rc == 0; ++i) {
                const int row = pass == 0 ? i + 1 : brandRows - i;
                auto s = Clock::now();
                if (!check(d.select("?BrandList", row), "select brand")) break;
                moves.add(msSince(s));
                if (d.rows("?DiscList").empty()) check(false, "an empty disc list");
            }
        // Far brands through the thumb; the selection there refills the disc list.
        for (int p = 2; p <= 99 && rc == 0; p += 3) {
            auto s = Clock::now();
            if (!check(d.drag("?BrandList", p), "drag")) break;
            drags.add(msSince(s));
        }
        // The locator: another brand, its disc, and that disc's tracks.
        std::mt19937 rng(7);
        const long discs = discsPerBrand(tracks);
        for (int i = 0; i < 30 && rc == 0; ++i) {
            const std::string id = discId(static_cast<int>(rng() % kBrands), static_cast<int>(rng() % discs));
            if (!check(d.type("Mfr. Disc ID:", id), "type")) break;
            auto s = Clock::now();
            if (!check(d.press(" Locate"), "locate")) break;
            locates.add(msSince(s));
        }
        {
            auto brands = d.rows("?BrandList");
            auto discs = d.rows("?DiscList");
            auto trackRows = d.rows("?TrackList");
            std::printf("now showing: %zu brands, %zu discs (first %s), %zu tracks\n", brands.size(), discs.size(),
                        discs.empty() ? "-" : discs[0].at(1).c_str(), trackRows.size());
        }
        moves.print("brand to brand (click):");
        drags.print("brand thumb drag:");
        locates.print("rapid locator:");

        // A whole brand tagged with the manufacturer ids (no dialogs), then untagged.
        SkipCustomDiscIdQuery = 1;
        t = Clock::now();
        if (check(d.press("tag &All"), "tag all"))
            std::printf("%-34s %7.2f ms (%zu tags)\n", "tag all (one brand):", msSince(t), TagQue.records());
        t = Clock::now();
        if (check(d.press("?ShowTags"), "show tagged"))
            std::printf("%-34s %7.2f ms\n", "show tagged only:", msSince(t));
        t = Clock::now();
        if (check(d.press("&Untag all"), "untag all"))
            std::printf("%-34s %7.2f ms\n", "untag all:", msSince(t));
        d.end();
    }
    std::filesystem::remove_all(dir);
    return rc;
}
