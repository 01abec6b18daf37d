// The printed SongBook in the three main layouts (Plain, Formatted in two columns, Indented),
// each beside a reference doing the same work, rounds alternated ours / reference:
// - pages: reading, ordering and wrapping the selection and laying it out into page files,
//   beside the same rows read from SQLite in the same order with their discs joined, and the
//   same page bytes written to files;
// - PDF: those page files drawn into one PDF by the program's renderer, beside a bare Qt
//   program drawing the same page files (bare_page_pdf.h); pages of both are rendered with
//   pdftoppm and compared pixel by pixel.
// With --memory, the peak resident memory of printing a SongBook to page files, in a process
// of its own, beside the reference's.
// Each figure is the median of the rounds after a warm-up, with the fastest and slowest run.
// Exits 2 when a PDF takes more than 1.3 x the bare program, when the renders differ, or (with
// --memory) when printing holds more than 100 MB. Run by hand:
//     print_songbook [listings]            (100,000 unless given)
//     print_songbook --memory [listings]   (1,200,000 unless given)
#include <sqlite3.h>
#include <stdlib.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "bare_page_pdf.h"
#include "bench_support.h"
#include "data/globals.h"
#include "printing/styles/ReadSongBookSelection.h"
#include "printing/styles/StyleReport.h"
#include "runtime/files/file_util.h"
#include "runtime/record/record.h"
#include "runtime/report/render/render.h"
#include "runtime/thread/thread.h"

namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 5;
constexpr double kPdfLimit = 1.3;
constexpr long kMemoryLimitKiB = 100 * 1024;

// Made-up words with accents now and then (valid UTF-8 throughout).
std::string accented(std::mt19937& rng) {
    static const char* marks[] = {"É", "ë", "ö", "ñ", "à", "Ø"};
    std::string w = bench::word(rng);
    if (rng() % 4 == 0) w += marks[rng() % 6];
    return w;
}

// The bench SongBook: about three songs an artist, so groups have several entries; a title in
// eleven is too long for its column and wraps.
int build(long rows) {
    std::mt19937 rng(2232);
    int failed = 0;
    rt::runProgram([&] {
        failed = bench::writeSongBookInOneTransaction(
            rows, [](long d) { return std::to_string(100 + d); },
            [&](long i) {
                SBK.TITLE = accented(rng) + " " + accented(rng) + (i % 11 == 0 ? " AND THE LONG WAY HOME AGAIN" : "");
                std::mt19937 artistRng(static_cast<unsigned>(i / 3));
                SBK.ARTIST = accented(artistRng) + " " + accented(artistRng);
            });
    });
    return failed;
}


// The program's print of the SongBook to page files, as "Print SongBook" lays it out. With
// `kept`, the page files are moved into `keep` (else they go with the report's folder).
bool printToPages(const PrintSettings& s, const fs::path& keep, std::vector<std::string>* kept) {
    bool ok = true;
    rt::runProgram([&] {
        SBK.open();
        SBD.open();
        SongBookSelection selection(s);
        ok = selection.read() && selection.error().empty();
        rt::report::PageQueue files;
        rt::report::Report report;
        report.setPages(files);
        StyleReport run(*FindStyle(s.PrintFormat, s.PrintSort), s, selection, SongBookDiscLookup(), report);
        while (run.step(run.rowsPerTick())) {
        }
        ok = ok && run.finish();
        if (kept) {
            std::error_code ec;
            fs::remove_all(keep, ec);
            fs::create_directories(keep, ec);
            kept->clear();
            for (const auto& f : files) {
                const auto to = keep / fs::path(f).filename();
                fs::rename(f, to, ec);
                if (ec) ok = false;
                kept->push_back(to.string());
            }
        }
        SBK.close();
        SBD.close();
    });
    return ok;
}

// The reference of the layout: the same rows read from SQLite in the same order (title, then
// artist, in the record files' case-blind order) with their discs joined, and the same page
// bytes written one file a page.
class DirectPages {
public:
    explicit DirectPages(bool titleOrder) {
        sqlite3_open_v2(SongBookFileName.str().c_str(), &db_, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_create_collation(db_, "KEYTEXT", SQLITE_UTF8, nullptr, keyText);
        sqlite3_exec(db_, ("ATTACH '" + SBDiscsFileName.str() + "' AS d").c_str(), nullptr, nullptr, nullptr);
        const std::string order = titleOrder ? "s.TITLE COLLATE KEYTEXT, s.ARTIST COLLATE KEYTEXT"
                                             : "s.ARTIST COLLATE KEYTEXT, s.TITLE COLLATE KEYTEXT";
        sqlite3_prepare_v2(db_,
                           ("SELECT s.TITLE, s.ARTIST, s.UNQDISKID, s.DISKTRACKNO, s.MAKEID, s.GENRE, s.PRINT, "
                            "d.ALTDISKID FROM data s LEFT JOIN d.data d ON d.UNQDISKID = s.UNQDISKID ORDER BY " +
                            order + ", s.rowid")
                               .c_str(),
                           -1, &st_, nullptr);
    }
    ~DirectPages() {
        sqlite3_finalize(st_);
        sqlite3_close(db_);
    }
    bool ok() const { return st_ != nullptr; }
    // Reads every row; writes the `count` pages page(i) gives into `dir`.
    bool run(std::size_t count, const std::function<std::string(std::size_t)>& page, const fs::path& dir) {
        std::error_code ec;
        fs::remove_all(dir, ec);
        fs::create_directories(dir, ec);
        long n = 0;
        std::string keep;
        while (sqlite3_step(st_) == SQLITE_ROW) {
            for (int c = 0; c < 8; ++c) {
                const unsigned char* t = sqlite3_column_text(st_, c);
                keep = t ? reinterpret_cast<const char*>(t) : "";
            }
            ++n;
        }
        sqlite3_reset(st_);
        for (std::size_t i = 0; i < count; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "page%06zu.cpage", i + 1);
            const std::string bytes = page(i);
            const int fd = ::open((dir / name).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
            if (fd < 0 || rt::writeAll(fd, bytes.data(), bytes.size()) != 0) return false;
            if (::close(fd) != 0) return false;
        }
        return n > 0;
    }

private:
    static int keyText(void*, int an, const void* a, int bn, const void* b) {
        return rt::compareNoCase(std::string_view(static_cast<const char*>(a), static_cast<std::size_t>(an)),
                                 std::string_view(static_cast<const char*>(b), static_cast<std::size_t>(bn)));
    }
    sqlite3* db_ = nullptr;
    sqlite3_stmt* st_ = nullptr;
};

struct Layout {
    const char* name;
    int format;
};
const Layout kLayouts[] = {{"Plain", 1}, {"Formatted, two columns", 5}, {"Indented", 4}};

PrintSettings settingsOf(const Layout& l) {
    PrintSettings s;
    s.PrintFormat = static_cast<std::uint16_t>(l.format);
    s.SetFonts = 1;
    s.ReportHeader = "Chansons à la carte";
    s.PRINTFOOTER = "Soirée karaoké du vendredi";
    return s;
}

// Runs `work` in a child process; its peak resident memory in KiB, or -1 when it failed.
long peakOfChild(const std::function<bool()>& work) {
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid == 0) _exit(work() ? 0 : 1);
    int status = 0;
    struct rusage use {};
    if (pid < 0 || ::wait4(pid, &status, 0, &use) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return use.ru_maxrss;
}

int memoryRun(long rows, const fs::path& dir) {
    // The SongBook is written by a child, so this process stays small for the ones it forks.
    if (peakOfChild([&] { return build(rows) == 0; }) < 0) {
        std::fprintf(stderr, "could not write the bench SongBook\n");
        return 1;
    }
    std::printf("peak resident memory printing %ld listings to page files (limit %ld MB)\n", rows,
                kMemoryLimitKiB / 1024);
    int status = 0;
    for (const Layout& l : kLayouts) {
        for (int sort = 1; sort <= 2; ++sort) {
            PrintSettings s = settingsOf(l);
            s.PrintSort = static_cast<std::uint16_t>(sort);
            std::vector<std::string> kept;
            long pages = 0;
            const long ours = peakOfChild([&] { return printToPages(s, dir / "pages", &kept); });
            for (const auto& e : fs::directory_iterator(dir / "pages")) pages += e.is_regular_file();
            // The reference: the same rows read in the same order, the same page files written.
            std::vector<std::string> files;
            for (const auto& e : fs::directory_iterator(dir / "pages")) files.push_back(e.path().string());
            std::sort(files.begin(), files.end());
            const long ref = peakOfChild([&] {
                DirectPages direct(s.titleOrder());
                return direct.ok() &&
                       direct.run(files.size(), [&](std::size_t i) {
                           std::string b;
                           bench::readWhole(files[i], b);
                           return b;
                       }, dir / "direct");
            });
            const bool held = ours > 0 && ours <= kMemoryLimitKiB;
            if (!held) status = 2;
            std::printf("  %-24s %-6s %6ld pages   ours %7.1f MB   reference %7.1f MB   ratio %5.2f   %s\n", l.name,
                        sort == 1 ? "title" : "artist", pages, ours / 1024.0, ref / 1024.0,
                        ref > 0 ? static_cast<double>(ours) / ref : 0.0, held ? "within the limit" : "OVER THE LIMIT");
            std::fflush(stdout);
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const bool memory = argc > 1 && std::strcmp(argv[1], "--memory") == 0;
    const int at = memory ? 2 : 1;
    const long rows = argc > at ? std::atol(argv[at]) : memory ? 1200000 : 100000;
    const fs::path dir = fs::temp_directory_path() / ("print_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    SongBookFileName = (dir / "Bench.2bk").string();
    SBDiscsFileName = (dir / "Bench.2bd").string();
    if (memory) {
        const int status = memoryRun(rows, dir);
        fs::remove_all(dir);
        return status;
    }

    auto t = bench::Clock::now();
    if (int e = build(rows)) {
        std::fprintf(stderr, "build: error %d\n", e);
        return 1;
    }
    std::printf("%ld listings (built in %.1f s); %d rounds ours / reference after a warm-up\n", rows,
                bench::seconds(t), kRounds);

    int status = 0;
    for (const Layout& l : kLayouts) {
        const PrintSettings s = settingsOf(l);
        std::vector<std::string> kept;
        if (!printToPages(s, dir / "pages", &kept)) {
            std::fprintf(stderr, "%s: the print failed\n", l.name);
            return 1;
        }
        std::vector<std::string> bytes;
        for (const auto& f : kept)
            if (!bench::readWhole(f, bytes.emplace_back())) return 1;
        DirectPages direct(s.titleOrder());
        if (!direct.ok()) return 1;
        std::printf("%s, %zu pages\n", l.name, kept.size());
        const auto pages = bench::alternate(
            kRounds, [&] { return printToPages(s, dir / "pages", nullptr); },
            [&] { return direct.run(bytes.size(), [&](std::size_t i) { return bytes[i]; }, dir / "direct"); });
        bench::report("  pages", pages, {}, "rows read, pages written directly");

        const std::string ours = (dir / "ours.pdf").string(), bare = (dir / "bare.pdf").string();
        std::string why;
        const auto pdf = bench::alternate(
            kRounds,
            [&] {
                if (rt::report::render::writePdf(kept, ours, "SongBook", why)) return true;
                std::fprintf(stderr, "PDF: %s\n", why.c_str());
                return false;
            },
            [&] { return bench::barePdf(kept, bare); });
        bool equal = false;
        const std::string renders = bench::compareRenders(ours, bare, static_cast<int>(kept.size()), equal);
        char sizes[160];
        std::snprintf(sizes, sizeof sizes, "%.1f MB / %.1f MB; renders of 3 pages %s", fs::file_size(ours) / 1e6,
                      fs::file_size(bare) / 1e6, renders.c_str());
        if (!bench::reportLimit("  PDF", pdf, kPdfLimit, sizes, "bare Qt program") || !equal) status = 2;
    }
    std::printf(status == 0 ? "every PDF within %.1f x the bare program\n"
                            : "a PDF is over %.1f x the bare program, or its renders differ\n",
                kPdfLimit);
    fs::remove_all(dir);
    return status;
}
