// Browse-list timings on a SongBook of 300,000 listings, a list by title joined to the disc file
// as the workspace shows it, in a window of its own: the first page, page down, thumb drags,
// bottom and top, and the step locator. This is the list engine alone; bench/workspace pays the
// real workspace's costs (its three lists, status line, search) and sets SQLite beside them.
// Each figure: the median of the runs after a warm-up, with the fastest and slowest.
// Run by hand: browse_lists [listings]
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

namespace {

using bench::Clock;
using bench::msSince;
using bench::word;

constexpr int kRows = 20;

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

}  // namespace

int main(int argc, char** argv) {
    const long rows = argc > 1 ? std::atol(argv[1]) : 300000;
    auto dir = std::filesystem::temp_directory_path() / ("browse_bench_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    SongBookFileName = (dir / "bench.2bk").string();
    SBDiscsFileName = (dir / "bench.2bd").string();

    auto t = Clock::now();
    build(rows);
    std::printf("built %ld listings in %.0f ms\n", rows, msSince(t));

    {
        headless::Driver d;
        d.setSettleTimeout(120000);
        t = Clock::now();
        if (!d.start(BrowseByTitle)) {
            std::fprintf(stderr, "start: %s\n", d.error().c_str());
            return 1;
        }
        std::printf("first page (%d rows):      %8.2f ms\n", kRows, msSince(t));

        auto timed = [&](const char* what, int times, const auto& action) {
            int i = 0;
            const bench::Figure f = bench::measure(times - 1, [&] {
                if (action(i++)) return true;
                std::fprintf(stderr, "%s: %s\n", what, d.error().c_str());
                return false;
            });
            bench::report(what, f, bench::Figure{});
        };
        timed("page down:", 200, [&](int) { return d.scroll("?LIST", "pagedown"); });
        timed("page up:", 100, [&](int) { return d.scroll("?LIST", "pageup"); });
        timed("one row down (page edge):", 100, [&](int i) {
            return i == 0 ? d.select("?LIST", kRows) && d.scroll("?LIST", "down") : d.scroll("?LIST", "down");
        });
        timed("thumb drag:", 98, [&](int i) { return d.drag("?LIST", 2 + i); });
        timed("bottom:", 20, [&](int) { return d.scroll("?LIST", "bottom"); });
        timed("top:", 20, [&](int) { return d.scroll("?LIST", "top"); });
        timed("step locator:", 26, [&](int i) { return d.key("?LIST", std::string(1, static_cast<char>('a' + i))); });
        auto list = d.control("?LIST");
        if (list) std::printf("last page shows %zu rows, thumb %d\n", list->rows.size(), list->thumb);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
