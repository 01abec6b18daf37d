// The two management reports on a large SongBook, each beside a reference doing the same work,
// rounds alternated ours / reference:
// - pages: the rows read in report order and laid out into page files, beside the same rows
//   read straight from SQLite in the same order (the same joins) and the same page bytes
//   written with plain file writes;
// - PDF (the song track listing's first 300 pages): drawn by the program's renderer, beside a
//   bare Qt program drawing the same page files (bare_page_pdf.h), renders compared.
// Each figure is the median of the rounds after a warm-up, with the fastest and slowest run.
// Exits 2 when the PDF takes more than 1.3 x the bare program or its renders differ. Run by
// hand: management_reports [listings] (300,000 unless given).
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "bare_page_pdf.h"
#include "bench_support.h"
#include "runtime/files/file_util.h"
#include "runtime/report/render/render.h"
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

constexpr int kRounds = 5;
constexpr int kBrands = 40;
const char* const kAccents[] = {"Élan", "Zoë", "Ça Va", "Señor", "Ærø", "Björk", "Łódź", "Noël"};

constexpr double kPdfLimit = 1.3;


// The record files' key order, for the direct queries.
int KeyText(void*, int an, const void* a, int bn, const void* b) {
    return rt::compareNoCase(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(an)),
                             std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(bn)));
}

// Every row of a query, with its texts copied out as a report needs them, and the report's page
// bytes written one file a page into `to`.
long Direct(const std::string& file, const char* sql, const char* attach, const std::vector<std::string>& pages,
            const std::string& to) {
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
    std::error_code ec;
    std::filesystem::remove_all(to, ec);
    std::filesystem::create_directories(to, ec);
    for (std::size_t i = 0; i < pages.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/page%06zu.cpage", i + 1);
        const int fd = ::open((to + name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (fd < 0 || rt::writeAll(fd, pages[i].data(), pages[i].size()) != 0 || ::close(fd) != 0) return -1;
    }
    return n;
}

}  // namespace

int main(int argc, char** argv) {
    const long listings = argc > 1 ? std::atol(argv[1]) : 300000;
    const std::string dir = (std::filesystem::temp_directory_path() / ("cantorelle-bench-management-" + std::to_string(::getpid()))).string();
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
    std::vector<std::string> bytes;  // the last run's pages
    std::vector<std::string> kept;   // some of them as files, for the PDF
    const std::string keepDir = dir + "/kept";
    bool capture = false;            // the next run keeps its pages (untimed)
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
            if (!capture) return;
            capture = false;
            bytes.clear();
            for (const auto& f : queue) bench::readWhole(f, bytes.emplace_back());
            kept.clear();
            std::error_code ec;
            std::filesystem::remove_all(keepDir, ec);
            std::filesystem::create_directories(keepDir, ec);
            for (std::size_t i = 0; i < queue.size() && i < 300; ++i) {
                const std::string to = keepDir + "/" + std::filesystem::path(queue[i]).filename().string();
                std::filesystem::rename(queue[i], to, ec);
                kept.push_back(to);
            }
        });
        return rows > 0;
    };

    std::printf("%ld listings; %d rounds ours / reference after a warm-up\n", listings, kRounds);
    auto listingLayout = [&] {
        return layout(static_cast<ListingReader*>(nullptr), [](rt::report::Report& r) { return TrackListingPages(r); });
    };
    capture = true;
    if (!listingLayout()) return 1;
    const std::string attachSongBook = "ATTACH '" + SongBookFileName.str() + "' AS b";
    const auto listing = bench::alternate(kRounds, listingLayout, [&] {
        return Direct(SBDiscsFileName.str(),
                      "SELECT d.ALTDISKID, s.DISKTRACKNO, s.TITLE, s.ARTIST FROM data d LEFT JOIN b.data s "
                      "ON s.UNQDISKID = d.UNQDISKID ORDER BY d.ALTDISKID COLLATE KEYTEXT, s.DISKTRACKNO",
                      attachSongBook.c_str(), bytes, dir + "/direct") > 0;
    });
    bench::report("song track listing", listing, std::to_string(rows) + " rows, " + std::to_string(pages) + " pages",
                  "SQLite rows, plain writes");

    // The listing's first pages to PDF, beside the bare program drawing the same page files.
    const std::vector<std::string> listingPages = kept;
    const std::string ours = dir + "/ours.pdf", bare = dir + "/bare.pdf";
    std::string why;
    const auto pdf = bench::alternate(
        kRounds,
        [&] {
            if (rt::report::render::writePdf(listingPages, ours, "Song Track Listing", why)) return true;
            std::fprintf(stderr, "PDF: %s\n", why.c_str());
            return false;
        },
        [&] { return bench::barePdf(listingPages, bare); });
    const int count = static_cast<int>(listingPages.size());
    bool equal = false;
    const std::string renders = bench::compareRenders(ours, bare, count, equal);
    char note[160];
    std::snprintf(note, sizeof note, "%d pages, %.1f MB / %.1f MB; renders of 3 pages %s", count,
                  std::filesystem::file_size(ours) / 1e6, std::filesystem::file_size(bare) / 1e6, renders.c_str());
    const bool held = bench::reportLimit("song track listing PDF", pdf, kPdfLimit, note, "bare Qt program") && equal;

    auto inventoryLayout = [&] {
        return layout(static_cast<InventoryReader*>(nullptr), [](rt::report::Report& r) { return InventoryPages(r); });
    };
    capture = true;
    if (!inventoryLayout()) return 1;
    const std::string attachMakes = "ATTACH '" + DMakeFileName.str() + "' AS m";
    const auto inventory = bench::alternate(kRounds, inventoryLayout, [&] {
        return Direct(SBDiscsFileName.str(),
                      "SELECT m.MAKE, d.ALTDISKID, d.UNQDISKID FROM data d JOIN m.data m ON m.MAKEID = d.MAKEID "
                      "ORDER BY m.MAKE COLLATE KEYTEXT, m.MAKEID, d.UNQDISKID COLLATE KEYTEXT",
                      attachMakes.c_str(), bytes, dir + "/direct") > 0;
    });
    bench::report("disc inventory", inventory, std::to_string(rows) + " rows, " + std::to_string(pages) + " pages",
                  "SQLite rows, plain writes");
    if (!held) std::printf("the PDF is over %.1f x the bare program, or its renders differ\n", kPdfLimit);
    std::filesystem::remove_all(dir);
    return held ? 0 : 2;

}
