// CSV export and import at the sizes hosts have. Export: every listing of a SongBook of 300,000
// listings (or as many as given) with accented titles and artists, as the host runs it, beside
// the same rows read straight from SQLite in the same order (the title key), joined to their
// discs the same way and written as the same bytes through the same CSV writer (a work file
// put in place when whole). Import: files of 100,000 and 1,000,000 rows (valid UTF-8 with
// accents, 15 rows to a disc) analysed and added into an empty SongBook as the host runs it,
// beside a floor program that reads the same file and writes the same rows into an empty
// SongBook of the same layout with nothing but SQLite: one transaction over both files, the
// non-unique keys built once at the end, the counts kept, a full sync. Runs alternate ours /
// reference. Limits: export at most 2 x, import at most 1.5 x the floor. Exits 2 when a
// limit is not held. Run by hand: csv_exchange [listings] [import rows ...]
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "bench_support.h"
#include "data/globals.h"
#include "exchange/CsvListing.h"
#include "exchange/ExportListings.h"
#include "exchange/ImportListings.h"
#include "frontend/headless/driver.h"
#include "runtime/date/date.h"
#include "runtime/files/csv.h"
#include "runtime/text/text.h"
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
bool exportAll(const std::string& file) {
    std::filesystem::remove(file);
    headless::Driver d;
    d.setSettleTimeout(600000);
    d.start([] {
        EXPORT::FILTER = 1;
        WriteExportFile();
    });
    d.dialog(file);
    while (d.running() && !d.request()) d.wait(1);
    if (!d.request() || d.request()->text != "Finished Exporting Song Listings") {
        std::fprintf(stderr, "export failed: %s\n", d.windows().c_str());
        return false;
    }
    d.answer("OK");
    return true;
}

// The same export straight from SQLite: the discs read into a table by disc id, the listings
// in the title key's order, each line made and written by the same CSV code.
bool exportDirect(const std::string& file) {
    std::filesystem::remove(file);
    bench::Direct book(SongBookFileName.str()), discs(SBDiscsFileName.str());
    struct Disc {
        std::string customId;
        std::int32_t brand = 0;
    };
    std::unordered_map<std::string, Disc> exact, upper;
    for (const auto& r : discs.table("SELECT \"UNQDISKID\",\"ALTDISKID\",\"MAKEID\" FROM \"data\" WHERE " +
                                     discs.partial("KUNQDISKID") + " ORDER BY \"UNQDISKID\",\"_rec\"")) {
        const Disc d{r[1], static_cast<std::int32_t>(std::atol(r[2].c_str()))};
        exact.emplace(r[0], d);
        upper.emplace(rt::upper(r[0]), d);
    }
    rt::CsvWriter out;
    if (out.create(file)) return false;
    rt::CsvLine line;
    bool ok = book.each("SELECT \"TITLE\",\"ARTIST\",\"DISKTRACKNO\",\"UNQDISKID\",\"GENRE\",\"DUET\",\"MAKEID\","
                        "\"DATEADDED\" FROM \"data\" WHERE " + book.partial("KTITLE") +
                            " ORDER BY \"TITLE\",\"ARTIST\",\"DISKTRACKNO\",\"DATEADDED\",\"_rec\"",
                        [&](sqlite3_stmt* s) {
                            auto text = [&](int c) {
                                const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, c));
                                return std::string_view(t ? t : "", static_cast<std::size_t>(sqlite3_column_bytes(s, c)));
                            };
                            const std::string_view disc = text(3);
                            const Disc* d = nullptr;
                            if (auto it = exact.find(std::string(disc)); it != exact.end()) d = &it->second;
                            else if (auto u = upper.find(rt::upper(disc)); u != upper.end()) d = &u->second;
                            line.clear();
                            CsvListingLine(line, {text(0), text(1), d ? std::string_view(d->customId) : std::string_view(),
                                                  static_cast<std::uint32_t>(sqlite3_column_int64(s, 2)), disc, text(4),
                                                  text(5), text(6), d ? d->brand : 0,
                                                  static_cast<rt::DayNumber>(sqlite3_column_int64(s, 7))});
                            out.write(line);
                            return out.error() == 0;
                        });
    return ok && out.commit(true) == 0;
}

// An import file of `rows` rows as the export writes them, in UTF-8 with accents.
void writeImportFile(const std::string& file, long rows) {
    std::mt19937 rng(11);
    std::FILE* f = std::fopen(file.c_str(), "wb");
    for (long i = 0; i < rows; ++i) {
        const long d = i / bench::kSongBookTracks;
        std::fprintf(f, "\"%s %s\",\"%s %s\",\"%ld\",%ld,\"%s\",\"%s\",\"%s\",\"SC\",1,\"\",\"%2ld/%02ld/%02ld\"\r\n",
                     accentedWord(rng).c_str(), accentedWord(rng).c_str(), accentedWord(rng).c_str(),
                     bench::word(rng).c_str(), 100 + d, i % bench::kSongBookTracks + 1, bench::songBookDiscId(d).c_str(),
                     i % 3 ? "Pop" : "Rock", i % 7 ? "" : "X", 1 + i % 12, 1 + i % 28, i % 20);
    }
    std::fclose(f);
}

long long listingsIn(const std::string& book) {
    long long n = -1;
    SongBookFileName = book + ".2bk";
    rt::runProgram([&] {
        SBK.open();
        n = SBK.records();
        SBK.close();
    });
    return n;
}

void newSongBook(const std::string& book) {
    SongBookFileName = book + ".2bk";
    SBDiscsFileName = book + ".2bd";
    rt::runProgram([] {
        SBK.create();
        SBD.create();
    });
}

void removeSongBook(const std::string& book) {
    std::filesystem::remove(book + ".2bk");
    std::filesystem::remove(book + ".2bd");
}

// Analysis and adding of a file into a new, empty SongBook, as the host runs them.
bool importInto(const std::string& book, const std::string& file, long rows) {
    headless::Driver d;
    d.setSettleTimeout(1800000);
    d.start(ImportListings);
    d.dialog(file);
    while (d.running() && d.window("Analyzing Import File")) d.wait(1);  // a large file's analysis
    d.in("Import Song Listings").press("Import Listings");
    while (d.running() && !d.request()) d.wait(1);
    const bool running = d.running();
    const std::string windows = d.windows();
    d.end();
    const long long n = listingsIn(book);
    if (running || n != rows) {
        std::fprintf(stderr, "import failed (%lld listings): %s\n", n, windows.c_str());
        return false;
    }
    return true;
}

// One field of a CSV line from `at`: quoted (doubled quotes inside) or bare, up to the comma.
std::string field(const char*& at, const char* end) {
    std::string out;
    if (at < end && *at == '"') {
        for (++at; at < end; ++at) {
            if (*at == '"') {
                if (at + 1 < end && at[1] == '"') {
                    out += '"';
                    ++at;
                    continue;
                }
                ++at;
                break;
            }
            out += *at;
        }
    }
    while (at < end && *at != ',') out += *at++;
    if (at < end) ++at;
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

// The floor: the file read and its rows written with nothing but SQLite into the new, empty
// SongBook `book` (made by the record layer, so the layout is the same).
bool floorImport(const std::string& book, const std::string& file, long rows) {
    std::unique_ptr<rt::Connection> c;
    int sys = 0;
    if (rt::Connection::open(book + ".2bk", false, false, c, &sys) != SQLITE_OK) return false;
    bench::DirectBulk bulk(*c, {"main", "d"});
    bool ok = c->exec(("ATTACH '" + book + ".2bd' AS d").c_str()) == SQLITE_OK && bulk.begin();
    sqlite3_stmt* listing = nullptr;
    sqlite3_stmt* disc = nullptr;
    ok = ok && sqlite3_prepare_v2(c->db(),
                                  "INSERT INTO main.data(TITLE,ARTIST,UNQDISKID,DISKTRACKNO,GENRE,DUET,PRINT,DATEADDED,"
                                  "LOCATION,MAKEID) VALUES(?,?,?,?,?,?,'',?,'',?)",
                                  -1, &listing, nullptr) == SQLITE_OK &&
         sqlite3_prepare_v2(c->db(), "INSERT INTO d.data(UNQDISKID,MAKETYPE,MAKEID,ALTDISKID) VALUES(?,?,?,?)", -1,
                            &disc, nullptr) == SQLITE_OK;
    std::unordered_set<std::string> discs;
    long added = 0, discsAdded = 0;
    std::FILE* in = std::fopen(file.c_str(), "rb");
    char buffer[65536];
    while (ok && in && std::fgets(buffer, sizeof buffer, in)) {
        const char* at = buffer;
        const char* end = buffer + std::strlen(buffer);
        while (end > at && (end[-1] == '\n' || end[-1] == '\r')) --end;
        std::string f[11];
        for (auto& v : f) v = field(at, end);
        const std::string id = f[4].empty() ? f[2] : f[4];
        auto text = [](sqlite3_stmt* s, int i, const std::string& v) {
            sqlite3_bind_text(s, i, v.data(), static_cast<int>(v.size()), SQLITE_TRANSIENT);
        };
        text(listing, 1, f[0]);
        text(listing, 2, f[1]);
        text(listing, 3, id);
        sqlite3_bind_int64(listing, 4, std::atoll(f[3].c_str()));
        text(listing, 5, f[5]);
        text(listing, 6, f[6]);
        sqlite3_bind_int64(listing, 7, rt::parseMDY(f[10]));
        text(listing, 8, f[7]);
        ok = sqlite3_step(listing) == SQLITE_DONE;
        sqlite3_reset(listing);
        ++added;
        if (ok && discs.insert(rt::upper(id)).second) {
            text(disc, 1, id);
            text(disc, 2, f[9]);
            const long long brand = std::atoll(f[8].c_str());
            sqlite3_bind_int64(disc, 3, brand ? brand : 1);
            text(disc, 4, f[2]);
            ok = sqlite3_step(disc) == SQLITE_DONE;
            sqlite3_reset(disc);
            ++discsAdded;
        }
    }
    if (in) std::fclose(in);
    sqlite3_finalize(listing);
    sqlite3_finalize(disc);
    ok = ok && bulk.finish({added, discsAdded});
    c.reset();
    return ok && added == rows && listingsIn(book) == rows;
}

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 300000;
    std::vector<long> importRows;
    for (int i = 2; i < argc; ++i) importRows.push_back(std::atol(argv[i]));
    if (importRows.empty()) importRows = {100000, 1000000};
    std::string tmpl = (std::filesystem::temp_directory_path() / "cantorelle-bench-XXXXXX").string();
    if (!mkdtemp(tmpl.data())) return 1;
    const std::string dir = tmpl;
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    bool held = true;

    SongBookFileName = dir + "/Bench.2bk";
    SBDiscsFileName = dir + "/Bench.2bd";
    const auto t = Clock::now();
    if (!writeSongBook(rows)) return 1;
    std::printf("(a SongBook of %ld listings written in %.1f s)\n", rows, msSince(t) / 1000);
    const std::string csv = dir + "/all.csv", direct = dir + "/direct.csv";
    const auto exports = bench::alternate(5, [&] { return exportAll(csv); }, [&] { return exportDirect(direct); });
    bool same = false;
    {
        std::string a, b;
        same = bench::readWhole(csv, a) && bench::readWhole(direct, b) && a == b;
    }
    held = bench::reportLimit("export of every listing:", exports, 2.0,
                              same ? "(the same bytes)" : "(NOT the same bytes)", "direct") && same && held;

    for (long n : importRows) {
        const std::string file = dir + "/import" + std::to_string(n) + ".csv";
        writeImportFile(file, n);
        int r = 0, f = 0;
        const auto imports = bench::alternate(
            n >= 1000000 ? 3 : 5,
            [&] {
                const std::string book = dir + "/Import" + std::to_string(r++);
                newSongBook(book);
                const bool ok = importInto(book, file, n);
                removeSongBook(book);
                return ok;
            },
            [&] {
                const std::string book = dir + "/Floor" + std::to_string(f++);
                newSongBook(book);
                const bool ok = floorImport(book, file, n);
                removeSongBook(book);
                return ok;
            });
        const std::string what = "import of " + std::to_string(n) + " rows:";
        held = bench::reportLimit(what.c_str(), imports, 1.5, {}, "floor") && held;
        std::filesystem::remove(file);
    }

    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return held ? 0 : 2;
}
