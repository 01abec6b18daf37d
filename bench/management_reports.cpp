// The two management reports on a large SongBook: reading the rows in report order and laying
// them out into page files, beside the same rows read straight from SQLite. Run by hand:
// management_reports [listings] (300,000 unless given).
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "bench_support.h"
#include "data/data_files.h"
#include "printing/ManagementPages.h"
#include "printing/ManagementReaders.h"
#include "runtime/error/error.h"
#include "runtime/report/report.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"

namespace {

using bench::Clock;
using bench::msSince;

constexpr int kRuns = 5;
constexpr int kBrands = 40;
const char* const kAccents[] = {"Élan", "Zoë", "Ça Va", "Señor", "Ærø", "Björk", "Łódź", "Noël"};

struct Figures {
    double median = 0, low = 0, high = 0;
};

template <class F>
Figures Measure(F&& once) {
    once();  // warm-up
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        const auto t0 = Clock::now();
        once();
        ms.push_back(msSince(t0));
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.front(), ms.back()};
}

void Show(const char* what, const Figures& f, const Figures& direct, long rows, int pages) {
    std::printf("%-22s %9.1f ms (%.1f-%.1f)  direct SQLite %8.1f ms (%.1f-%.1f)  ratio %5.1f  %ld rows, %d pages\n",
                what, f.median, f.low, f.high, direct.median, direct.low, direct.high, f.median / direct.median, rows,
                pages);
}

// The record files' key order, for the direct queries.
int KeyText(void*, int an, const void* a, int bn, const void* b) {
    return rt::compareNoCase(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(an)),
                             std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(bn)));
}

// Every row of a query, with its texts copied out as a report needs them.
long Direct(const std::string& file, const char* sql, const char* attach = nullptr) {
    sqlite3* db = nullptr;
    sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_create_collation(db, "KEYTEXT", SQLITE_UTF8, nullptr, KeyText);
    if (attach && sqlite3_exec(db, attach, nullptr, nullptr, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
    long n = 0;
    std::string keep;
    while (sqlite3_step(st) == SQLITE_ROW) {
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            const unsigned char* t = sqlite3_column_text(st, c);
            keep = t ? reinterpret_cast<const char*>(t) : "";
        }
        ++n;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    const long listings = argc > 1 ? std::atol(argv[1]) : 300000;
    const std::string dir = (std::filesystem::temp_directory_path() / "cantorelle-bench-management").string();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    SongBookFileName = dir + "/Bench.2bk";
    SBDiscsFileName = dir + "/Bench.2bd";
    DMakeFileName = dir + "/DMAKE.TPS";

    bool ok = true;
    rt::runProgram([&] {
        std::mt19937 rng(7);
        BRA.create();
        BRA.open();
        for (int b = 1; b <= kBrands; ++b) {
            BRA.clearBuffer();
            BRA.MAKEID = b;
            BRA.MAKE = std::string(kAccents[b % 8]) + " " + bench::word(rng) + " " + std::to_string(b);
            BRA.add();
        }
        BRA.close();
        SBD.create();
        SBK.create();
        SBD.open();
        SBK.open();
        SBD.stream();
        SBK.stream();
        ok = bench::addSongBookDiscs(listings, [&](long d) { return "A" + std::to_string(900000 - d); }) == 0;
        // Spread the discs over the brands (the helper puts them all in brand 1).
        SBD.flush();
        SBD.set();
        for (SBD.next(); rt::errorCode() == 0; SBD.next()) {
            SBD.MAKEID = 1 + static_cast<std::int32_t>(rng() % kBrands);
            SBD.put();
        }
        rt::clearError();
        ok = ok && bench::addSongBookListings(listings, [&](long i) {
                 SBK.TITLE = std::string(kAccents[i % 8]) + " " + bench::word(rng) + " " + bench::word(rng);
                 SBK.ARTIST = bench::word(rng) + " " + kAccents[(i / 3) % 8];
             }) == 0;
        SBK.flush();
        SBD.flush();
        SBK.close();
        SBD.close();
    });
    if (!ok) {
        std::fprintf(stderr, "could not write the bench SongBook\n");
        return 1;
    }

    long rows = 0;
    int pages = 0;
    // The reader is made on the program thread: its selection uses that thread's files.
    auto layout = [&](auto* kind, auto makePages) {
        using Reader = std::remove_pointer_t<decltype(kind)>;
        rt::runProgram([&] {
            typename Reader::Files files;
            Reader reader;
            rt::report::PageQueue queue;
            rt::report::Report report;
            report.setPages(queue);
            auto sheet = makePages(report);
            rows = 0;
            typename Reader::Row row;
            if (reader.start())
                while (reader.next(row)) {
                    sheet.add(row);
                    ++rows;
                }
            sheet.finish();
            report.close();
            pages = static_cast<int>(queue.size());
        });
    };

    const Figures listing = Measure([&] {
        layout(static_cast<ListingReader*>(nullptr), [](rt::report::Report& r) { return TrackListingPages(r); });
    });
    const long listingRows = rows;
    const int listingPages = pages;
    const Figures listingDirect = Measure([&] {
        Direct(SBDiscsFileName.str(),
               "SELECT d.ALTDISKID, s.DISKTRACKNO, s.TITLE, s.ARTIST FROM data d LEFT JOIN b.data s "
               "ON s.UNQDISKID = d.UNQDISKID ORDER BY d.ALTDISKID COLLATE KEYTEXT, s.DISKTRACKNO",
               ("ATTACH '" + SongBookFileName.str() + "' AS b").c_str());
    });
    Show("song track listing", listing, listingDirect, listingRows, listingPages);

    const Figures inventory = Measure([&] {
        layout(static_cast<InventoryReader*>(nullptr), [](rt::report::Report& r) { return InventoryPages(r); });
    });
    const long inventoryRows = rows;
    const int inventoryPages = pages;
    const Figures inventoryDirect = Measure([&] {
        Direct(SBDiscsFileName.str(),
               "SELECT m.MAKE, d.ALTDISKID, d.UNQDISKID FROM data d JOIN m.data m ON m.MAKEID = d.MAKEID "
               "ORDER BY m.MAKE COLLATE KEYTEXT, m.MAKEID, d.UNQDISKID COLLATE KEYTEXT",
               ("ATTACH '" + DMakeFileName.str() + "' AS m").c_str());
    });
    Show("disc inventory", inventory, inventoryDirect, inventoryRows, inventoryPages);
    std::filesystem::remove_all(dir);
    return 0;
}
