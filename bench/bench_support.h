#pragma once
// What the benchmarks share. Each .cpp of this folder is a program of its own, so everything
// here is inline: the clock, made-up words, and large SongBooks written straight into the
// record files of the calling thread.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"

namespace bench {

using Clock = std::chrono::steady_clock;

inline double msSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}
inline double seconds(Clock::time_point t0) { return std::chrono::duration<double>(Clock::now() - t0).count(); }

// A made-up word in capitals, of one to four syllables; about one word in five has an
// accented letter (as French, Spanish and German titles do).
inline std::string word(std::mt19937& rng) {
    static const char* syllables[] = {"LA", "MO", "RI", "TA", "BE", "SO", "KA", "NE", "DU", "VI",
                                      "GO", "PE", "ZA", "HU", "CI", "FO", "WE", "YA", "JO", "XE",
                                      "LÉ", "ÇA", "MÖ", "ÑU", "RÈ"};
    std::string w;
    const int n = 1 + static_cast<int>(rng() % 4);
    for (int i = 0; i < n; ++i) w += syllables[rng() % (rng() % 4 == 0 ? 25 : 20)];
    return w;
}

// A figure: the median of the runs after a warm-up, and the fastest and slowest run.
struct Figure {
    double median = 0, low = 0, high = 0;
    int runs = 0;
};

// Runs `once` once to warm up, then `runs` times (at least five), timing each in ms. `once`
// returns false when it failed: the figure then has no runs.
// `before`, when given, runs untimed before each run (typing what a search looks for).
template <class F, class B = bool (*)()>
Figure measure(int runs, const F& once, const B& before = [] { return true; }) {
    runs = std::max(runs, 5);
    if (!before() || !once()) return {};
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        if (!before()) return {};
        const auto s = Clock::now();
        if (!once()) return {};
        t.push_back(msSince(s));
    }
    std::sort(t.begin(), t.end());
    return {t[t.size() / 2], t.front(), t.back(), runs};
}

// One line: the program's figure, the same work done directly in SQLite beside it, and their ratio.
inline void report(const char* what, const Figure& ours, const Figure& limit, const std::string& note = {},
                   const char* limitName = "SQLite") {
    if (!ours.runs) {
        std::printf("%-36s failed\n", what);
        return;
    }
    std::printf("%-36s %9.2f ms [%8.2f ..%8.2f]", what, ours.median, ours.low, ours.high);
    if (limit.runs)
        std::printf("   %s %9.2f ms [%8.2f ..%8.2f]   ratio %5.2f", limitName, limit.median, limit.low, limit.high,
                    limit.median > 0 ? ours.median / limit.median : 0.0);
    if (!note.empty()) std::printf("   %s", note.c_str());
    std::printf("\n");
    std::fflush(stdout);
}

// A bench SongBook has 15 listings a disc; disc d is "SC" followed by 10000 + d.
constexpr int kSongBookTracks = 15;
inline std::string songBookDiscId(long d) { return "SC" + std::to_string(10000 + d); }

// The disc records of a bench SongBook of `rows` listings, into SBD (open); alt(d) gives the
// custom id of disc d. The error of the last add that failed, or 0.
template <class Alt>
int addSongBookDiscs(long rows, const Alt& alt) {
    int failed = 0;
    const long discs = rows / kSongBookTracks + 1;
    for (long d = 0; d < discs; ++d) {
        SBD.clearBuffer();
        SBD.UNQDISKID = songBookDiscId(d);
        SBD.MAKETYPE = "SC";
        SBD.MAKEID = 1;
        SBD.ALTDISKID = alt(d);
        SBD.add();
        if (rt::errorCode()) failed = rt::errorCode();
    }
    return failed;
}

// The listings of a bench SongBook, into SBK (open); fill(i) sets the rest of listing i (its
// disc, track and make are set here). The error of the last add that failed, or 0.
template <class Fill>
int addSongBookListings(long rows, const Fill& fill) {
    int failed = 0;
    for (long i = 0; i < rows; ++i) {
        SBK.clearBuffer();
        fill(i);
        SBK.UNQDISKID = songBookDiscId(i / kSongBookTracks);
        SBK.DISKTRACKNO = static_cast<std::uint32_t>(i % kSongBookTracks + 1);
        SBK.MAKEID = "SC";
        SBK.add();
        if (rt::errorCode()) failed = rt::errorCode();
    }
    return failed;
}

}  // namespace bench
