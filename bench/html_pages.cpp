// Publishing a SongBook as web pages: the title pages and the artist pages of a SongBook of
// 300,000 listings (or as many as given) with accented titles and artists, as the host runs it,
// beside a program that writes the same page bytes straight from SQLite: the same rows read in
// the same key orders, joined to their discs' custom ids the same way, the first letters found
// one seek a letter, each page written through the same line files (synced work files renamed
// when the whole set is written). The two folders are compared file by file, byte for byte.
// Rounds alternate ours / SQLite. Limit: 1.5 x, and the same bytes; exits 2 otherwise.
// Run by hand: html_pages [listings] [--keep]; with --keep the SongBook and its pages stay in
// the temporary folder, which is named at the end.
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "bench_support.h"
#include "data/globals.h"
#include "exchange/HtmlPageSet.h"
#include "exchange/WebSettings.h"
#include "frontend/headless/driver.h"
#include "runtime/files/file_util.h"
#include "runtime/files/line_file.h"
#include "runtime/record/engine.h"
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

// The page set written straight from SQLite into `folder`: the same rows in the same key
// orders, each joined to its disc's custom id read once from the disc file, the first letters
// found one seek a letter, the pages made of the program's own pieces (head, row, end) and
// written through the same line files (work files, synced, renamed when the whole set is
// written, the indexes last).
class DirectPages {
public:
    explicit DirectPages(std::string folder) : folder_(std::move(folder)) {}

    bool write() {
        sqlite3* db = nullptr;
        bool ok = sqlite3_open_v2(SongBookFileName.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
                  sqlite3_create_collation(db, "KEYTEXT", SQLITE_UTF8, nullptr, keyText) == SQLITE_OK &&
                  sqlite3_exec(db, ("ATTACH '" + SBDiscsFileName.str() + "' AS d").c_str(), nullptr, nullptr, nullptr) ==
                      SQLITE_OK;
        db_ = db;
        ok = ok && customIds();
        for (const Kind& kind : {Kind{false, "T-", "index.htm", "TITLE", "ARTIST", "KTITLE"},
                                 Kind{true, "A-", "indexA.htm", "ARTIST", "TITLE", "KARTIST"}})
            ok = ok && pages(kind);
        for (std::vector<rt::TempFile>* files : {&pages_, &indexes_})
            for (rt::TempFile& f : *files) ok = ok && f.commit(true) == 0;
        pages_.clear();
        indexes_.clear();
        sqlite3_close(db);
        return ok;
    }

private:
    struct Kind {
        bool artists;
        const char* prefix;
        const char* indexName;
        const char* first;   // the field the pages are sorted and lettered by
        const char* second;
        const char* key;
    };

    sqlite3_stmt* prepare(const std::string& sql) {
        sqlite3_stmt* s = nullptr;
        if (sqlite3_prepare_v2(db_, sql.c_str(), -1, &s, nullptr) != SQLITE_OK) {
            std::fprintf(stderr, "%s: %s\n", sql.c_str(), sqlite3_errmsg(db_));
            return nullptr;
        }
        return s;
    }
    static std::string text(sqlite3_stmt* s, int col) {
        const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
        return t ? std::string(t, static_cast<std::size_t>(sqlite3_column_bytes(s, col))) : std::string();
    }
    // The "not all blank" condition of a key's index, as the file holds it.
    std::string partial(const std::string& key) {
        sqlite3_stmt* s = prepare("SELECT sql FROM main.sqlite_schema WHERE name='key_" + key + "'");
        std::string sql = s && sqlite3_step(s) == SQLITE_ROW ? text(s, 0) : std::string();
        sqlite3_finalize(s);
        const auto at = sql.find(" WHERE ");
        return at == std::string::npos ? "1" : sql.substr(at + 7);
    }

    bool customIds() {
        sqlite3_stmt* s = prepare("SELECT \"UNQDISKID\",\"ALTDISKID\" FROM d.\"data\"");
        if (!s) return false;
        while (sqlite3_step(s) == SQLITE_ROW) {
            const std::string id = rt::upper(text(s, 0));
            if (!id.empty()) customIds_.try_emplace(id, text(s, 1));
        }
        return sqlite3_finalize(s) == SQLITE_OK;
    }

    // The first letters, one seek a letter: the next seek starts at the first character after
    // the letter that is its own upper case, as the keys compare upper-cased characters.
    bool letters(const Kind& k, const std::string& order) {
        letters_.clear();
        const std::string select = std::string("SELECT \"") + k.first + "\" FROM main.\"data\" WHERE " + partial(k.key);
        sqlite3_stmt* first = prepare(select + order + " LIMIT 1");
        sqlite3_stmt* after = prepare(select + " AND \"" + k.first + "\">=?" + order + " LIMIT 1");
        bool ok = first && after;
        sqlite3_stmt* s = first;
        std::string from;
        while (ok) {
            if (s == after) sqlite3_bind_text(after, 1, from.data(), static_cast<int>(from.size()), SQLITE_STATIC);
            if (sqlite3_step(s) != SQLITE_ROW) break;
            letters_.push_back(html::letterOf(text(s, 0)));
            sqlite3_reset(s);
            char32_t next = rt::codePoints(letters_.back())[0] + 1;
            while (next <= 0x10FFFF && rt::upperChar(next) != next) ++next;
            if (next > 0x10FFFF) break;
            from = rt::fromCodePoints(std::u32string(1, next));
            s = after;
        }
        sqlite3_finalize(first);
        sqlite3_finalize(after);
        return ok && !letters_.empty();
    }

    bool start(const Kind& k, const std::string* letter) {
        const std::string name = letter ? std::string(k.prefix) + html::fileCode(*letter) + ".htm" : k.indexName;
        if (page_.create(folder_ + "/" + name) != 0) return false;
        html::writePageHead(page_, k.artists, letters_, letter);
        return true;
    }
    bool finish(bool index) {
        html::writePageEnd(page_);
        rt::TempFile done;
        if (page_.finish(done) != 0) return false;
        (index ? indexes_ : pages_).push_back(std::move(done));
        return true;
    }
    bool pages(const Kind& k) {
        const std::string order = std::string(" ORDER BY \"") + k.first + "\",\"" + k.second +
                                  "\",\"DISKTRACKNO\",\"DATEADDED\",\"_rec\"";
        if (!letters(k, order) || !start(k, nullptr)) return false;
        bool index = true;
        std::optional<std::string> current;
        sqlite3_stmt* s = prepare(std::string("SELECT \"") + k.first + "\",\"" + k.second +
                                  "\",\"UNQDISKID\",\"DISKTRACKNO\" FROM main.\"data\" WHERE " + partial(k.key) + order);
        bool ok = s != nullptr;
        std::string row;
        static const std::string discless = "*", none;
        while (ok && sqlite3_step(s) == SQLITE_ROW) {
            const std::string first = text(s, 0), disc = text(s, 2);
            const std::string letter = html::letterOf(first);
            if (!current || letter != *current) {
                ok = finish(index) && start(k, &letter);
                index = false;
                current = letter;
            }
            const auto found = customIds_.find(rt::upper(disc));
            const std::string& customId = found != customIds_.end() ? found->second : disc == "*" ? discless : none;
            html::listingRow(row, first, text(s, 1), customId, static_cast<std::uint32_t>(sqlite3_column_int64(s, 3)));
            page_.write(row);
        }
        sqlite3_finalize(s);
        return ok && finish(index);
    }

    std::string folder_;
    sqlite3* db_ = nullptr;
    std::unordered_map<std::string, std::string> customIds_;
    std::vector<std::string> letters_;
    rt::LineFile page_;
    std::vector<rt::TempFile> pages_, indexes_;
};

// Whether the two folders hold the same files with the same bytes.
bool sameFiles(const std::string& a, const std::string& b, std::size_t& files) {
    files = 0;
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(a)) names.push_back(e.path().filename().string());
    std::size_t others = 0;
    for (const auto& e : std::filesystem::directory_iterator(b)) others += e.is_regular_file();
    if (names.size() != others) return false;
    for (const std::string& n : names) {
        std::string x, y;
        if (!bench::readWhole(a + "/" + n, x) || !bench::readWhole(b + "/" + n, y) || x != y) {
            std::fprintf(stderr, "%s differs\n", n.c_str());
            return false;
        }
        ++files;
    }
    return true;
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

    const std::string direct = dir + "/Direct";
    std::filesystem::create_directories(direct);
    const auto both =
        bench::alternate(5, [&] { return publish() >= 0; }, [&] { return DirectPages(direct).write(); });
    std::size_t files = 0;
    const bool same = sameFiles(dir + "/WebPages/BENCH", direct, files);
    const bool held = bench::reportLimit(
                          "title and artist pages:", both, 1.5,
                          std::to_string(files) + " pages" + (same ? " (the same bytes)" : " (NOT the same bytes)"),
                          "SQLite") &&
                      same;

    if (argc > 2 && std::string(argv[2]) == "--keep") {
        std::printf("kept: %s\n", dir.c_str());
    } else {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    return held ? 0 : 2;
}
