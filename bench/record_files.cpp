// Record-file timings at the sizes hosts have: a SongBook of 300,000 listings with all ten
// keys and a master file of 1,000,000 tracks. First the bulk add and the key-order scan beside
// the same rows written and read with SQLite alone (rounds alternated, the ratio); then the
// engine's figures alone (pages, gets, puts, the count). Run by hand: record_files [scale]
// (scale 0.1 builds a tenth of the records).
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "data/songbook.h"
#include "runtime/record/record.h"
#include "runtime/view/view.h"

namespace {

using bench::Clock;
using bench::seconds;

// The disc id of the i-th listing: 15 tracks a disc, three brands.
std::string discId(long long i) {
    long long d = i / 15;
    const char* brand = d % 3 == 0 ? "SC" : d % 3 == 1 ? "CB" : "PH";
    std::string n = std::to_string(d);
    return brand + std::string(n.size() < 6 ? 6 - n.size() : 0, '0') + n;
}

std::string masterId(long long disc) {
    std::string n = std::to_string(disc);
    return std::string(n.size() < 7 ? 7 - n.size() : 0, '0') + n;
}

void report(const char* what, double total, long long n, const char* unit) {
    std::printf("  %-44s %9.3f s  %9.2f us/%s  %10.0f %s/s\n", what, total, total * 1e6 / n, unit, n / total, unit);
    std::fflush(stdout);
}

void check(const char* what) {
    if (rt::errorCode() != 0) {
        std::fprintf(stderr, "%s failed: %d %s %s\n", what, rt::errorCode(), rt::error().c_str(),
                     rt::fileError().c_str());
        std::exit(1);
    }
}

// Runs step(i) for i from 0 to n - 1 and reports the time it took.
template <class Step>
void timed(const char* what, long long n, const char* unit, const Step& step) {
    auto t0 = Clock::now();
    for (long long i = 0; i < n; ++i) step(i);
    report(what, seconds(t0), n, unit);
}

// The file created empty and opened.
void createAndOpen(rt::RecordFile& file) {
    file.create();
    check("create");
    file.open();
    check("open");
}

// n records added in one transaction, fill(i) setting record i; the title of each is kept in
// `titles`. The commit's share of the time.
template <class F, class Fill>
double timeBulkAdd(F& file, long long n, const char* unit, std::vector<std::string>& titles, const Fill& fill) {
    titles.reserve(n);
    // The path measured: adds in one transaction to a file created empty, where the engine builds
    // the non-unique keys once at the end. Adding to a file that holds many records already
    // keeps every key as it goes (see add_tagged_discs and workspace).
    auto t0 = Clock::now();
    rt::logout(10, {&file});
    check("logout");
    for (long long i = 0; i < n; ++i) {
        file.clearBuffer();
        fill(i);
        file.add();
        check("add");
        titles.push_back(file.TITLE.str());
    }
    auto tc = Clock::now();
    rt::commit();
    check("commit");
    double commitTime = seconds(tc);
    report("bulk add, one transaction into a new file", seconds(t0), n, unit);
    return commitTime;
}

// Every record in KTITLE order: how many were read.
template <class F>
long long timeFullScan(F& file, const char* unit) {
    auto t0 = Clock::now();
    long long n = 0;
    file.set(F::KTITLE);
    for (file.next(); rt::errorCode() == 0; file.next()) ++n;
    report("full scan in KTITLE order", seconds(t0), n, unit);
    return n;
}

// Pages of 20 rows in KTITLE order (read with `step`: next or previous), each from a title of
// `titles` picked at random.
template <class F>
void timePages(const char* what, F& file, int pages, const std::vector<std::string>& titles, std::mt19937& rng,
               void (rt::RecordFile::*step)()) {
    timed(what, pages, "page", [&](long long) {
        file.clearBuffer();
        file.TITLE = titles[rng() % titles.size()];
        file.setAt(F::KTITLE);
        for (int r = 0; r < 20; ++r) (file.*step)();
    });
}

// Made-up but realistic texts: titles of a few words, a pool of artists, brand disc ids.
struct Words {
    std::mt19937 rng{20240611};
    std::vector<std::string> words;
    Words() {
        const char* syll[] = {"la", "mor", "tin", "ka", "ro", "bel", "dan", "si", "que", "val", "ne", "sto",
                              "ri", "pa", "lo", "ven", "ta", "mi", "gor", "el", "an", "zu", "ber", "fa"};
        for (int i = 0; i < 3000; ++i) {
            std::string w;
            int n = 1 + static_cast<int>(rng() % 3);
            for (int k = 0; k < n; ++k) w += syll[rng() % 24];
            w[0] = static_cast<char>(w[0] - 32);
            words.push_back(w);
        }
    }
    std::string phrase(int minWords, int maxWords) {
        int n = minWords + static_cast<int>(rng() % (maxWords - minWords + 1));
        std::string s;
        for (int i = 0; i < n; ++i) s += (i ? " " : "") + words[rng() % words.size()];
        return s;
    }
};

// One listing as both writers add it.
struct Listing {
    std::string title, artist, disc, genre, duet, location, make;
    std::uint32_t track = 0;
    long long date = 0;
};

std::vector<Listing> makeListings(long long n) {
    std::mt19937 rng(11);
    const char* genres[] = {"", "Pop", "Rock", "Country", "R&B", "Oldies", "Showtunes", "Duets", "Latin", "Dance"};
    std::vector<Listing> out;
    out.reserve(static_cast<std::size_t>(n));
    for (long long i = 0; i < n; ++i) {
        Listing l;
        l.title = bench::accentedWord(rng) + " " + bench::accentedWord(rng);
        l.artist = bench::accentedWord(rng) + " " + bench::word(rng);
        l.disc = discId(i);
        l.track = static_cast<std::uint32_t>(i % 15 + 1);
        l.genre = genres[rng() % 10];
        l.duet = rng() % 10 == 0 ? "X" : "";
        l.date = 70000 + rng() % 9000;
        l.location = rng() % 4 == 0 ? "Shelf " + std::to_string(rng() % 40) : "";
        l.make = l.disc.substr(0, 2);
        out.push_back(std::move(l));
    }
    return out;
}

// The listings added through the record engine in one transaction into a new file.
bool engineAdd(const std::vector<Listing>& rows) {
    createAndOpen(SBK);
    if (!rt::logout(10, {&SBK})) return false;
    for (const Listing& l : rows) {
        SBK.clearBuffer();
        SBK.TITLE = l.title;
        SBK.ARTIST = l.artist;
        SBK.UNQDISKID = l.disc;
        SBK.DISKTRACKNO = l.track;
        SBK.GENRE = l.genre;
        SBK.DUET = l.duet;
        SBK.DATEADDED = static_cast<rt::DayNumber>(l.date);
        SBK.LOCATION = l.location;
        SBK.MAKEID = l.make;
        SBK.add();
        if (rt::errorCode()) return false;
    }
    rt::commit();
    const bool ok = rt::errorCode() == 0;
    SBK.close();
    return ok;
}

// The same rows written straight into a new file of the same layout (made by the engine) with
// SQLite alone: one transaction, the keys that allow duplicates built once at the end, the
// count kept, a full sync.
bool directAdd(const std::vector<Listing>& rows) {
    SBK.create();
    if (rt::errorCode()) return false;
    std::unique_ptr<rt::Connection> c;
    int sys = 0;
    if (rt::Connection::open(SongBookFileName.str(), false, false, c, &sys) != SQLITE_OK) return false;
    bench::DirectBulk bulk(*c, {"main"});
    bool ok = bulk.begin();
    sqlite3_stmt* ins = nullptr;
    ok = ok && sqlite3_prepare_v2(c->db(),
                                  "INSERT INTO data(TITLE,ARTIST,UNQDISKID,DISKTRACKNO,GENRE,DUET,PRINT,DATEADDED,LOCATION,"
                                  "MAKEID) VALUES(?,?,?,?,?,?,'',?,?,?)",
                                  -1, &ins, nullptr) == SQLITE_OK;
    for (std::size_t i = 0; ok && i < rows.size(); ++i) {
        const Listing& l = rows[i];
        auto text = [&](int at, const std::string& v) {
            sqlite3_bind_text(ins, at, v.data(), static_cast<int>(v.size()), SQLITE_STATIC);
        };
        text(1, l.title);
        text(2, l.artist);
        text(3, l.disc);
        sqlite3_bind_int64(ins, 4, l.track);
        text(5, l.genre);
        text(6, l.duet);
        sqlite3_bind_int64(ins, 7, l.date);
        text(8, l.location);
        text(9, l.make);
        ok = sqlite3_step(ins) == SQLITE_DONE;
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    return ok && bulk.finish({static_cast<long long>(rows.size())});
}

// Every listing read in KTITLE order with every field, through the engine or straight.
bool engineScan(long long expect) {
    SBK.open();
    long long n = 0;
    SBK.set(SongBook::KTITLE);
    for (SBK.next(); rt::errorCode() == 0; SBK.next()) ++n;
    SBK.close();
    return n == expect;
}

bool directScan(long long expect) {
    bench::Direct d(SongBookFileName.str());
    const long n = d.rows("SELECT _rec,_chg,TITLE,ARTIST,UNQDISKID,DISKTRACKNO,GENRE,DUET,PRINT,DATEADDED,LOCATION,MAKEID "
                          "FROM data WHERE " + d.partial("KTITLE") +
                          " ORDER BY TITLE,ARTIST,DISKTRACKNO,DATEADDED,_rec");
    return n == expect;
}

// The engine beside SQLite doing the same: the bulk add and the scan, rounds alternated.
void besideSqlite(long long n) {
    const std::vector<Listing> rows = makeListings(n);
    std::printf("SongBook of %lld listings, the engine beside SQLite alone\n", n);
    bench::report("  bulk add, one transaction, new file:",
                  bench::alternate(3, [&] { return engineAdd(rows); }, [&] { return directAdd(rows); }));
    bench::report("  full scan in KTITLE order:",
                  bench::alternate(5, [&] { return engineScan(n); }, [&] { return directScan(n); }));
}

}  // namespace

int main(int argc, char** argv) {
    double scale = argc > 1 ? std::atof(argv[1]) : 1.0;
    if (scale <= 0) scale = 1.0;
    const long long nListings = static_cast<long long>(300000 * scale);
    const long long nTracks = static_cast<long long>(1000000 * scale);

    std::string tmpl = (std::filesystem::temp_directory_path() / "bench-records-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 1;
    std::string folder = tmpl;
    SongBookFileName = folder + "/bench.2bk";
    KaraokeFileName = folder + "/MAIN.TPS";
    Words w;
    std::mt19937 rng(7);
    const char* genres[] = {"", "Pop", "Rock", "Country", "R&B", "Oldies", "Showtunes", "Duets", "Latin", "Dance"};
    std::vector<std::string> artists;
    for (int i = 0; i < 20000; ++i) artists.push_back(w.phrase(1, 3));

    besideSqlite(nListings);

    std::printf("SongBook: %lld listings, ten keys\n", nListings);
    createAndOpen(SBK);
    std::vector<std::string> titles;
    double commitTime = timeBulkAdd(SBK, nListings, "listing", titles, [&](long long i) {
        SBK.TITLE = w.phrase(1, 5);
        SBK.ARTIST = artists[rng() % artists.size()];
        std::string disc = discId(i);
        SBK.UNQDISKID = disc;
        SBK.DISKTRACKNO = static_cast<std::uint32_t>(i % 15 + 1);
        SBK.GENRE = genres[rng() % 10];
        SBK.DUET = rng() % 10 == 0 ? "X" : "";
        SBK.DATEADDED = static_cast<rt::DayNumber>(70000 + rng() % 9000);
        SBK.LOCATION = rng() % 4 == 0 ? "Shelf " + std::to_string(rng() % 40) : "";
        SBK.MAKEID = disc.substr(0, 2);
    });
    std::printf("  (of which the commit %.3f s; file %.1f MB)\n", commitTime,
                std::filesystem::file_size(SongBookFileName.str()) / 1e6);

    long long n = timeFullScan(SBK, "listing");
    if (n != nListings) std::printf("  (scan read %lld)\n", n);

    const int pages = 2000;
    timePages("set at a key, then a page of 20 rows", SBK, pages, titles, rng, &rt::RecordFile::next);
    timePages("set at a key, then 20 rows backwards", SBK, pages, titles, rng, &rt::RecordFile::previous);

    {
        rt::View v(SBK, SongBook::KARTIST);
        v.open();
        check("view open");
        timed("view in KARTIST: set at, page of 20 rows", pages, "page", [&](long long) {
            SBK.clearBuffer();
            SBK.ARTIST = artists[rng() % artists.size()];
            v.setAt();
            for (int r = 0; r < 20; ++r) v.next();
        });
    }

    // A random listing into the buffer by its disc and track.
    auto getListing = [&] {
        long long i = static_cast<long long>(rng() % nListings);
        SBK.clearBuffer();
        SBK.UNQDISKID = discId(i);
        SBK.DISKTRACKNO = static_cast<std::uint32_t>(i % 15 + 1);
        SBK.get(SongBook::KUNQDISKID);
        check("get");
    };
    const int gets = 20000;
    timed("get by KUNQDISKID", gets, "get", [&](long long) { getListing(); });

    const int puts = 300;
    timed("put of one listing in its own transaction", puts, "put", [&](long long) {
        getListing();
        rt::logout(2, {&SBK});
        check("logout");
        SBK.GENRE = genres[rng() % 10];
        SBK.TITLE = w.phrase(1, 4);
        SBK.put();
        check("put");
        rt::commit();
        check("commit");
    });
    auto t0 = Clock::now();
    long long count = SBK.records();
    report("records()", seconds(t0), 1, "call");
    if (count != nListings) std::printf("  (records %lld)\n", count);
    SBK.close();

    std::printf("Master file: %lld tracks, five keys\n", nTracks);
    createAndOpen(KAR);
    std::vector<std::string> ktitles;
    timeBulkAdd(KAR, nTracks, "track", ktitles, [&](long long i) {
        KAR.TITLE = w.phrase(1, 5);
        KAR.ARTIST = artists[rng() % artists.size()];
        std::string id = masterId(i / 15);
        KAR.DISKID = id;
        KAR.DISKTRACKNO = static_cast<std::uint16_t>(i % 15 + 1);
        KAR.MAKEID = static_cast<std::int32_t>(1 + (i / 15) % 400);
        KAR.UNQDISKID = "MK" + id;
    });

    timeFullScan(KAR, "track");
    timePages("set at a key, then a page of 20 rows", KAR, pages, ktitles, rng, &rt::RecordFile::next);

    // A random master disc's first track into the buffer.
    auto getTrack = [&] {
        KAR.clearBuffer();
        KAR.UNQDISKID = "MK" + masterId(static_cast<long long>(rng() % nTracks) / 15);
        KAR.get(KARAOKE::KUNQDISKID);
        check("get");
    };
    timed("get by KUNQDISKID", gets, "get", [&](long long) { getTrack(); });

    timed("put of one track in its own transaction", puts, "put", [&](long long) {
        getTrack();
        rt::logout(2, {&KAR});
        KAR.TITLE = w.phrase(1, 4);
        KAR.put();
        check("put");
        rt::commit();
        check("commit");
    });
    KAR.close();

    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    return 0;
}
