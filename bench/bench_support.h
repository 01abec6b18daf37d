#pragma once
// What the benchmarks share. Each .cpp of this folder is a program of its own, so everything
// here is inline: the clock, made-up words, large SongBooks written straight into the record
// files of the calling thread, and a record file read directly in SQLite.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "data/dmake.h"
#include "data/sartist.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "data/stitle.h"
#include "runtime/error/error.h"
#include "runtime/record/engine.h"
#include "runtime/record/record.h"

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

// A word as word() makes it, whose capital is now and then accented and which now and then
// ends in "é", as a host's titles have.
inline std::string accentedWord(std::mt19937& rng) {
    static const char* firsts[] = {"É", "Ö", "Ç", "Å", "Ñ"};
    std::string w = word(rng);
    if (rng() % 6 == 0) {
        // The capital is replaced whole: it may be more than one byte ("Ç").
        std::size_t first = 1;
        while (first < w.size() && (static_cast<unsigned char>(w[first]) & 0xC0) == 0x80) ++first;
        w = firsts[rng() % 5] + w.substr(first);
    }
    if (rng() % 4 == 0) w += "é";
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

// The figure of a list of run times in ms.
inline Figure figureOf(std::vector<double> t) {
    if (t.empty()) return {};
    std::sort(t.begin(), t.end());
    return {t[t.size() / 2], t.front(), t.back(), static_cast<int>(t.size())};
}

// Ours beside the reference, round by round: a warm-up of each, then `runs` rounds (at least
// three) of one run of ours and one of the reference, so that a change of the machine's load
// falls on both alike. Each returns false when it failed: its figure then has no runs.
// `before`, when given, runs untimed before each run of ours.
template <class A, class R, class B = bool (*)()>
std::pair<Figure, Figure> alternate(int runs, const A& ours, const R& reference, const B& before = [] { return true; }) {
    runs = std::max(runs, 3);
    if (!before() || !ours() || !reference()) return {};
    std::vector<double> a, r;
    for (int i = 0; i < runs; ++i) {
        if (!before()) return {};
        auto s = Clock::now();
        if (!ours()) return {};
        a.push_back(msSince(s));
        s = Clock::now();
        if (!reference()) return {};
        r.push_back(msSince(s));
    }
    return {figureOf(a), figureOf(r)};
}

// Times gathered one run at a time, for work that cannot be repeated in a loop (each run on
// a fresh file, or the program's run beside the direct one).
struct Timings {
    std::vector<double> ms;
    double median() const {
        std::vector<double> s = ms;
        std::sort(s.begin(), s.end());
        return s[s.size() / 2];
    }
    // "what  median … ms  (fastest .. slowest, runs)", `what` padded to `width`.
    void print(const char* what, int width = 34) const {
        const auto [lo, hi] = std::minmax_element(ms.begin(), ms.end());
        std::printf("%-*s median %8.1f ms  (%.1f .. %.1f, %zu runs)\n", width, what, median(), *lo, *hi, ms.size());
    }
};

// A whole file into `out`; false when it cannot be read.
inline bool readWhole(const std::string& path, std::string& out) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// The memory the process holds now, in KiB.
inline long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// One line: the program's figure, the same work done directly in SQLite beside it, and their ratio.
inline void report(const char* what, const Figure& ours, const Figure& limit, const std::string& note = {},
                   const char* limitName = "SQLite");
inline void report(const char* what, const std::pair<Figure, Figure>& both, const std::string& note = {},
                   const char* limitName = "SQLite") {
    report(what, both.first, both.second, note, limitName);
}

// The ratio of ours to the reference (0 when either failed).
inline double ratioOf(const std::pair<Figure, Figure>& both) {
    return both.first.runs && both.second.runs && both.second.median > 0 ? both.first.median / both.second.median : 0;
}

// report(), then whether the ratio holds `limit` (a failed figure does not); the line says
// which.
inline bool reportLimit(const char* what, const std::pair<Figure, Figure>& both, double limit,
                        const std::string& note = {}, const char* limitName = "SQLite") {
    const double r = ratioOf(both);
    const bool held = r > 0 && r <= limit;
    char tail[64];
    std::snprintf(tail, sizeof tail, "%slimit %.2f%s", note.empty() ? "" : " ", limit, held ? "" : " EXCEEDED");
    report(what, both.first, both.second, note + tail, limitName);
    return held;
}

// report(), then whether our median holds `limitMs`, a time a host would notice (a failed
// figure, ours or the reference's, does not); the line says which.
inline bool reportTimeLimit(const char* what, const std::pair<Figure, Figure>& both, double limitMs,
                            const std::string& note = {}) {
    const bool held = both.first.runs > 0 && both.second.runs > 0 && both.first.median <= limitMs;
    char tail[48];
    std::snprintf(tail, sizeof tail, "limit %.0f ms%s", limitMs, held ? "" : " EXCEEDED");
    report(what, both, note.empty() ? std::string(tail) : note + "; " + tail);
    return held;
}

inline void report(const char* what, const Figure& ours, const Figure& limit, const std::string& note,
                   const char* limitName) {
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

// The brands of a bench master database (numbered from 1, named `prefix` and a made-up word),
// its distinct titles and its distinct artists, into BRA, STI and SAR (open), in one
// transaction. The error of the first step that failed, or 0.
inline int addMasterNames(std::mt19937& rng, int brands, const std::string& prefix,
                          const std::vector<std::string>& titles, const std::vector<std::string>& artists) {
    int failed = 0;
    auto check = [&] {
        if (rt::errorCode() && !failed) failed = rt::errorCode();
    };
    rt::logout(30, {&BRA, &STI, &SAR});
    check();
    for (int b = 1; b <= brands; ++b) {
        BRA.clearBuffer();
        BRA.MAKEID = b;
        BRA.MAKE = prefix + word(rng);
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
    return failed;
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

// A new bench SongBook of `rows` listings in the files SongBookFileName and SBDiscsFileName
// name, written streamed (no transaction) on the calling thread; alt and fill as above. The
// error of the last add that failed, or 0.
template <class Alt, class Fill>
int writeStreamedSongBook(long rows, const Alt& alt, const Fill& fill) {
    SBK.create();
    SBD.create();
    SBK.open();
    SBD.open();
    SBK.stream();
    SBD.stream();
    int failed = addSongBookDiscs(rows, alt);
    if (int e = addSongBookListings(rows, fill)) failed = e;
    SBK.flush();
    SBD.flush();
    SBK.close();
    SBD.close();
    return failed;
}

// The same written in one transaction, as the program writes.
template <class Alt, class Fill>
int writeSongBookInOneTransaction(long rows, const Alt& alt, const Fill& fill) {
    SBK.create();
    SBK.open();
    SBD.create();
    SBD.open();
    if (!rt::logout(10, {&SBK, &SBD})) return rt::errorCode();
    int failed = addSongBookDiscs(rows, alt);
    if (int e = addSongBookListings(rows, fill)) failed = e;
    rt::commit();
    if (rt::errorCode()) failed = rt::errorCode();
    SBK.close();
    SBD.close();
    return failed;
}

// Records written straight into record files with SQLite alone, as cheaply as their layout
// allows: the floor a bulk writer of the program is set beside. One transaction over the
// files (attached to one connection under `schemas`), a full sync, the keys that allow
// duplicates (and any triggers) dropped first and made again once the rows are in, each
// file's count of records changed once.
//
//     bench::DirectBulk bulk(*connection, {"main", "d"});
//     bool ok = bulk.begin();
//     ...INSERT the rows...
//     ok = ok && bulk.finish({listingsAdded, discsAdded});
class DirectBulk {
public:
    DirectBulk(rt::Connection& c, std::vector<std::string> schemas) : c_(c), schemas_(std::move(schemas)) {}

    bool begin() {
        for (const auto& q : schemas_)
            if (!exec("PRAGMA \"" + q + "\".journal_mode=DELETE; PRAGMA \"" + q + "\".synchronous=FULL; PRAGMA \"" + q +
                      "\".cache_size=-262144"))
                return false;
        if (!exec("BEGIN IMMEDIATE")) return false;
        for (const auto& q : schemas_) {
            std::vector<std::pair<std::string, std::string>> drops;  // what, and its SQL
            sqlite3_stmt* s = nullptr;
            sqlite3_prepare_v2(c_.db(),
                               ("SELECT type,name,sql FROM \"" + q +
                                "\".sqlite_schema WHERE tbl_name='data' AND sql IS NOT NULL AND ((type='index' AND sql "
                                "NOT LIKE 'CREATE UNIQUE%') OR type='trigger')")
                                   .c_str(),
                               -1, &s, nullptr);
            while (sqlite3_step(s) == SQLITE_ROW)
                drops.emplace_back(std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))) + " \"" + q +
                                       "\".\"" + reinterpret_cast<const char*>(sqlite3_column_text(s, 1)) + "\"",
                                   reinterpret_cast<const char*>(sqlite3_column_text(s, 2)));
            sqlite3_finalize(s);
            for (const auto& [what, sql] : drops) {
                if (!exec("DROP " + what)) return false;
                // The kept text names no schema: it is made again in its own file.
                later_.push_back(q == "main" ? sql : inSchema(sql, q));
            }
        }
        return true;
    }

    // The keys made again, the counts changed by `added` (one a file), the commit.
    bool finish(const std::vector<long long>& added) {
        for (const auto& sql : later_)
            if (!exec(sql)) return false;
        for (std::size_t i = 0; i < schemas_.size() && i < added.size(); ++i)
            if (!exec("UPDATE \"" + schemas_[i] + "\".meta SET value=value+" + std::to_string(added[i]) +
                      " WHERE name='count'"))
                return false;
        return exec("COMMIT");
    }

private:
    bool exec(const std::string& sql) {
        if (c_.exec(sql.c_str()) == SQLITE_OK) return true;
        std::fprintf(stderr, "SQL: %s: %s\n", sql.c_str(), sqlite3_errmsg(c_.db()));
        return false;
    }
    // "CREATE INDEX name ..." as "CREATE INDEX schema.name ...".
    static std::string inSchema(const std::string& sql, const std::string& schema) {
        const std::string head = sql.rfind("CREATE TRIGGER", 0) == 0 ? "CREATE TRIGGER " : "CREATE INDEX ";
        if (sql.rfind(head, 0) != 0) return sql;
        return head + "\"" + schema + "\"." + sql.substr(head.size());
    }

    rt::Connection& c_;
    std::vector<std::string> schemas_;
    std::vector<std::string> later_;
};

// A read-only connection to one record file, with the engine's collation and functions: the
// same work done directly in SQLite.
class Direct {
public:
    explicit Direct(const std::string& path) {
        int sys = 0;
        rt::Connection::open(path, true, false, c_, &sys);
    }
    bool ok() const { return c_ != nullptr; }
    // The "not all blank" condition of a key's index, as the file holds it: with it the
    // planner reads in the key's order.
    std::string partial(const std::string& key) {
        const std::string text = first("SELECT sql FROM sqlite_schema WHERE name='key_" + key + "'");
        const auto at = text.find(" WHERE ");
        return at == std::string::npos ? "1" : text.substr(at + 7);
    }
    // Steps a statement through all its rows, reading every column; the number of rows.
    long rows(const std::string& sql, const std::vector<std::string>& binds = {}) {
        sqlite3_stmt* s = prepare(sql, binds);
        if (!s) {
            std::fprintf(stderr, "SQL: %s: %s\n", sql.c_str(), sqlite3_errmsg(c_->db()));
            return -1;
        }
        long n = 0;
        while (sqlite3_step(s) == SQLITE_ROW) {
            for (int col = 0; col < sqlite3_column_count(s); ++col) sqlite3_column_text(s, col);
            ++n;
        }
        sqlite3_reset(s);
        return n;
    }
    // Steps a statement through its rows, handing each to `row` while it returns true; false
    // when the statement failed or `row` stopped.
    template <class F>
    bool each(const std::string& sql, const F& row, const std::vector<std::string>& binds = {}) {
        sqlite3_stmt* s = prepare(sql, binds);
        if (!s) {
            std::fprintf(stderr, "SQL: %s: %s\n", sql.c_str(), sqlite3_errmsg(c_->db()));
            return false;
        }
        int rc = SQLITE_DONE;
        bool ok = true;
        while (ok && (rc = sqlite3_step(s)) == SQLITE_ROW) ok = row(s);
        if (ok && rc != SQLITE_DONE) ok = false;
        sqlite3_reset(s);
        return ok;
    }
    // One column of the first row ("" when none).
    std::string first(const std::string& sql, const std::vector<std::string>& binds = {}, int col = 0) {
        sqlite3_stmt* s = prepare(sql, binds);
        if (!s) return {};
        std::string out;
        if (sqlite3_step(s) == SQLITE_ROW) out = text(s, col);
        sqlite3_reset(s);
        return out;
    }
    // The first `cols` columns of the first row.
    std::vector<std::string> row(const std::string& sql, int cols, const std::vector<std::string>& binds = {}) {
        std::vector<std::string> out;
        for (int i = 0; i < cols; ++i) out.push_back(first(sql, binds, i));
        return out;
    }
    // Every row, every column.
    std::vector<std::vector<std::string>> table(const std::string& sql, const std::vector<std::string>& binds = {}) {
        std::vector<std::vector<std::string>> out;
        sqlite3_stmt* s = prepare(sql, binds);
        if (!s) return out;
        while (sqlite3_step(s) == SQLITE_ROW) {
            std::vector<std::string> r;
            for (int col = 0; col < sqlite3_column_count(s); ++col) r.push_back(text(s, col));
            out.push_back(std::move(r));
        }
        sqlite3_reset(s);
        return out;
    }

private:
    sqlite3_stmt* prepare(const std::string& sql, const std::vector<std::string>& binds) {
        sqlite3_stmt* s = c_->prepare(sql);
        if (!s) return nullptr;
        for (std::size_t i = 0; i < binds.size(); ++i)
            sqlite3_bind_text(s, static_cast<int>(i) + 1, binds[i].c_str(), -1, SQLITE_TRANSIENT);
        return s;
    }
    static std::string text(sqlite3_stmt* s, int col) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
        return t ? t : "";
    }

    std::unique_ptr<rt::Connection> c_;
};

}  // namespace bench
