// Browse-list timings on a SongBook of 300,000 listings, a list by title joined to the disc file
// as the workspace shows it, in a window of its own: the first page, page down, page up, one
// row down past the page edge, thumb drags, bottom and top, and the step locator. This is the
// list engine alone; bench/workspace pays the real workspace's costs (its three lists, status
// line, search). Beside each figure the same reads done directly in SQLite on the same files:
// the same rows in the same key order (title, artist, track, date added), joined to their
// discs the same way (the custom disc id by disc id), a page of 20 rows read by key after the
// last row shown, before the first, from a thumb stop or a typed letter, or the first and last
// 20; rounds alternate ours / SQLite. Each figure: the median of the rounds after a warm-up,
// with the fastest and slowest, and the ratio. A step of the list is a fraction of a
// millisecond, most of it the hand-over between the driver and the window's thread and the
// filling of the list control, so the limits are times a host would notice: 50 ms for the first
// page (the window and its files opened), 10 ms for every other step. Exits 2 when one is not
// held.
// Run by hand: browse_lists [listings] [runs]
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_support.h"
#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "frontend/headless/driver.h"
#include "runtime/error/error.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/ScrollStops.h"

namespace {

using bench::Clock;
using bench::msSince;
using bench::word;

constexpr int kRows = 20;
constexpr double kFirstPageLimitMs = 50, kStepLimitMs = 10;

void BrowseByTitle() {
    rt::Window win("Browse Bench", rt::WindowKind::MdiChild, 0, 0, 500, 220);
    int list = win.list("?LIST", 4, 4, 490, 10 + 8 * kRows,
                        {rt::Column{"Title", 110}, rt::Column{"Artist", 110}, rt::Column{"Disc ID", 32},
                         rt::Column{"Track", 32}});
    SBK.open();
    SBD.open();
    rt::View view(SBK, SongBook::KTITLE);
    view.join(SBD, SBDiscs::KUNQDISKID, 1, [] { SBD.UNQDISKID = SBK.UNQDISKID; });
    BrowseList titles(win, list, view, SBK, SongBook::KTITLE);
    titles
        .rows([] {
            return BrowseCells({SBK.TITLE.str(), SBK.ARTIST.str(), SBD.ALTDISKID.str(),
                                SBK.DISKTRACKNO ? std::to_string(SBK.DISKTRACKNO) : std::string()});
        })
        .hidden([] { return std::vector<std::string>{SBK.UNQDISKID.str()}; })
        .colors(0x800040, 0xFFFFFF, 0xFFFFFF, 0x800040)
        .stopTable(WorkspaceStopTable)
        .stepLocator();
    win.open();
    titles.open();
    while (win.accept()) titles.take();
    titles.close();
    SBD.close();
    SBK.close();
}

void build(long rows) {
    std::mt19937 rng(2232);
    SBK.create();
    SBK.open();
    SBK.stream();
    SBD.create();
    SBD.open();
    SBD.stream();
    bench::addSongBookDiscs(rows, [](long d) { return "C" + std::to_string(d + 1); });
    bench::addSongBookListings(rows, [&](long) {
        SBK.TITLE = word(rng) + " " + word(rng);
        SBK.ARTIST = word(rng);
    });
    SBD.close();
    SBK.close();
}

// The list's reads done directly in SQLite: a page of rows in the title key's order with each
// row's custom disc id from the disc file, read by key from where the list stands. It keeps
// the keys of its first and last row as the list keeps its page.
class DirectList {
public:
    DirectList(const std::string& book, const std::string& discs) : sql_(book) {
        ok_ = sql_.ok() && sql_.rows("ATTACH '" + discs + "' AS d") == 0;
        const std::string cols = "s.\"TITLE\",s.\"ARTIST\",s.\"DISKTRACKNO\",s.\"DATEADDED\",s.\"_rec\"";
        select_ = "SELECT s.\"TITLE\",s.\"ARTIST\",c.\"ALTDISKID\",s.\"DISKTRACKNO\",s.\"UNQDISKID\","
                  "s.\"DATEADDED\",s.\"_rec\" FROM main.\"data\" s LEFT JOIN d.\"data\" c ON c.\"UNQDISKID\"="
                  "s.\"UNQDISKID\" AND c.\"UNQDISKID\"<>'' COLLATE BINARY WHERE " +
                  sql_.partial("KTITLE");
        key_ = "(" + cols + ")";
        up_ = " ORDER BY " + cols;
        down_ = " ORDER BY s.\"TITLE\" DESC,s.\"ARTIST\" DESC,s.\"DISKTRACKNO\" DESC,s.\"DATEADDED\" DESC,s.\"_rec\" DESC";
    }
    bool ok() const { return ok_; }
    // The query plan of a page read (to see that it goes by the title key and the disc key).
    std::string plan() {
        std::string out;
        sql_.each("EXPLAIN QUERY PLAN " + select_ + " AND " + key_ + ">(?,?,?,?,?)" + up_ + " LIMIT 20",
                  [&](sqlite3_stmt* s) {
                      out += std::string(reinterpret_cast<const char*>(sqlite3_column_text(s, 3))) + "; ";
                      return true;
                  },
                  {"", "", "0", "0", "0"});
        return out;
    }
    bool top() { return page(select_ + up_, {}, false, kRows); }
    bool bottom() { return page(select_ + down_, {}, true, kRows); }
    bool pageDown() { return page(select_ + " AND " + key_ + ">(?,?,?,?,?)" + up_, last_, false, kRows); }
    bool pageUp() { return page(select_ + " AND " + key_ + "<(?,?,?,?,?)" + down_, first_, true, kRows); }
    // One row after the last one shown: the page moves on by one.
    bool rowDown() {
        std::vector<std::string> key;
        const bool read = sql_.each(select_ + " AND " + key_ + ">(?,?,?,?,?)" + up_ + " LIMIT 1",
                                    [&](sqlite3_stmt* s) {
                                        key = keyOf(s);
                                        return true;
                                    },
                                    last_);
        if (!read || key.empty()) return false;
        last_ = key;
        return true;
    }
    // The page from the first row at or after a title (a thumb stop, a typed letter).
    bool from(const std::string& title) {
        return page(select_ + " AND " + key_ + ">=(?,'',0,0,0)" + up_, {title}, false, kRows);
    }

private:
    static std::vector<std::string> keyOf(sqlite3_stmt* s) {
        std::vector<std::string> key;
        for (int col : {0, 1, 3, 5, 6}) {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
            key.emplace_back(t ? t : "");
        }
        return key;
    }
    // Reads a page, every column of every row, and keeps its first and last keys; a page read
    // backwards (from the end) comes in the reverse order. False when it failed or was empty.
    bool page(const std::string& sql, const std::vector<std::string>& binds, bool backwards, int rows) {
        std::vector<std::string> first, last;
        int n = 0;
        const bool read = sql_.each(sql + " LIMIT " + std::to_string(rows),
                                    [&](sqlite3_stmt* s) {
                                        for (int col = 0; col < sqlite3_column_count(s); ++col) sqlite3_column_text(s, col);
                                        (n++ == 0 ? first : last) = keyOf(s);
                                        return true;
                                    },
                                    binds);
        if (!read || n == 0) return false;
        if (last.empty()) last = first;
        if (backwards) std::swap(first, last);
        first_ = first;
        last_ = last;
        return true;
    }

    bench::Direct sql_;
    bool ok_ = false;
    std::string select_, key_, up_, down_;
    std::vector<std::string> first_, last_;
};

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 300000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 7;
    auto dir = std::filesystem::temp_directory_path() / ("browse_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string book = (dir / "bench.2bk").string(), discs = (dir / "bench.2bd").string();
    SongBookFileName = book;
    SBDiscsFileName = discs;

    auto t = Clock::now();
    build(rows);
    std::printf("built %ld listings in %.0f ms; %d rounds a figure\n", rows, msSince(t), runs);

    bool held = true;
    auto limited = [&](const char* what, const std::pair<bench::Figure, bench::Figure>& both,
                       double limitMs = kStepLimitMs) { held = bench::reportTimeLimit(what, both, limitMs) && held; };
    {
        // The window opened to its first page, closed between rounds; SQLite on a new connection.
        std::vector<double> ours, direct;
        for (int i = 0; i <= runs; ++i) {
            headless::Driver d;
            d.setSettleTimeout(120000);
            auto s = Clock::now();
            if (!d.start(BrowseByTitle) || d.rows("?LIST").size() != static_cast<std::size_t>(kRows)) {
                std::fprintf(stderr, "start: %s\n", d.error().c_str());
                return 1;
            }
            if (i > 0) ours.push_back(msSince(s));
            d.end();
            s = Clock::now();
            DirectList fresh(book, discs);
            if (!fresh.ok() || !fresh.top()) return 1;
            if (i > 0) direct.push_back(msSince(s));
        }
        limited("first page:", {bench::figureOf(ours), bench::figureOf(direct)}, kFirstPageLimitMs);
    }
    {
        DirectList sql(book, discs);
        if (!sql.ok() || !sql.top()) {
            std::fprintf(stderr, "the direct connection failed\n");
            return 1;
        }
        std::printf("(SQLite's plan: %s)\n", sql.plan().c_str());
        headless::Driver d;
        d.setSettleTimeout(120000);
        if (!d.start(BrowseByTitle)) {
            std::fprintf(stderr, "start: %s\n", d.error().c_str());
            return 1;
        }
        auto ours = [&](const char* what, bool done) {
            if (!done) std::fprintf(stderr, "%s: %s\n", what, d.error().c_str());
            return done;
        };
        limited("page down:", bench::alternate(runs * 20, [&] { return ours("page down", d.scroll("?LIST", "pagedown")); },
                                               [&] { return sql.pageDown(); }));
        limited("page up:", bench::alternate(runs * 10, [&] { return ours("page up", d.scroll("?LIST", "pageup")); },
                                             [&] { return sql.pageUp(); }));
        int down = 0;
        limited("one row down (page edge):",
                bench::alternate(
                    runs * 10,
                    [&] {
                        const bool edge = down++ > 0 || d.select("?LIST", kRows);
                        return ours("row down", edge && d.scroll("?LIST", "down"));
                    },
                    [&] { return sql.rowDown(); }));
        // Thumb stops 2 to 99 (1 and 100 are top and bottom), taken in a scattered order.
        int stop = 0, sqlStop = 0;
        auto nextStop = [](int& i) { return 2 + (i++ * 37) % 98; };
        limited("thumb drag:",
                bench::alternate(
                    runs * 10, [&] { return ours("drag", d.drag("?LIST", nextStop(stop))); },
                    [&] { return sql.from(std::string(WorkspaceStopTable[static_cast<std::size_t>(nextStop(sqlStop) - 1)])); }));
        int end = 0, sqlEnd = 0;
        limited("bottom / top:",
                bench::alternate(runs * 4, [&] { return ours("end", d.scroll("?LIST", end++ % 2 ? "top" : "bottom")); },
                                 [&] { return sqlEnd++ % 2 ? sql.top() : sql.bottom(); }));
        int letter = 0, sqlLetter = 0;
        limited("step locator:",
                bench::alternate(runs * 4,
                                 [&] {
                                     const std::string typed(1, static_cast<char>('a' + letter++ % 26));
                                     return ours("locator", d.key("?LIST", typed));
                                 },
                                 [&] { return sql.from(std::string(1, static_cast<char>('A' + sqlLetter++ % 26))); }));
        auto list = d.control("?LIST");
        if (list) std::printf("last page shows %zu rows, thumb %d\n", list->rows.size(), list->thumb);
    }
    std::filesystem::remove_all(dir);
    return held ? 0 : 2;
}
