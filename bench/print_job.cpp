// A print job of page files drawn into a PDF a few pages at a time, as a report prints while
// the program's windows go on (rt::report::startPrint, turns of 100 ms, the baton given up
// around each), beside the same page files drawn into the same PDF in one go
// (rt::report::render::writePdf), rounds alternated ours / reference. Each figure is the median
// of the rounds after a warm-up, with the fastest and slowest run, and the ratio. Exits 2 when
// drawing in turns takes more than 1.1 x drawing in one go. Run by hand:
//     print_job [pages]
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "bench_support.h"
#include "runtime/report/print.h"
#include "runtime/report/render/render.h"
#include "runtime/report/report.h"
#include "runtime/thread/thread.h"

namespace rep = rt::report;
namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 5;
constexpr double kLimit = 1.1;
constexpr int kTurnMs = 100;

// Pages of 58 rows with accented titles and artists, shading on every other row, a heading and
// a footer with the page number.
bool layOut(int pages, rep::PageQueue& files, rep::Report& report) {
    report.setPages(files);
    report.area = {775, 1000, 7396, 9000};
    auto& header = report.header({775, 0, 7396, 979});
    header.add(rep::Text(371, 229, 4760, 344, "Zo\xC3\xAB's SongBook").withFont(rep::font("Arial", 18, true))
                   .withAlign(rep::Align::Center));
    auto& footer = report.footer({775, 10000, 7396, 500});
    footer.add(rep::Text(6000, 302, 700, 208, "Page: ").withPageNumber());
    auto& row = report.detail(270, 115);
    auto& shade = row.add(rep::Box(125, 94, 6800, 170, 0xE1E1E1, rt::kNoColor));
    auto& title = row.add(rep::Text(225, 94, 3000, 150).withLimit(40));
    auto& artist = row.add(rep::Text(3240, 94, 2115, 150).withLimit(30));
    std::mt19937 rng(7);
    for (int i = 0; i < pages * 58; ++i) {
        title.text = bench::accentedWord(rng) + " " + bench::word(rng) + " " + std::to_string(i);
        artist.text = "Les " + bench::accentedWord(rng) + " \xC3\x89t\xC3\xA9";
        shade.hidden = i % 2 == 1;
        if (!report.print(row)) return false;
    }
    return report.close();
}

}  // namespace

int main(int argc, char** argv) {
    const int pages = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    rep::render::install();
    rep::setPrintSink(std::make_shared<rep::render::RenderSink>());
    rep::PageQueue files;
    rep::Report report;
    if (!layOut(pages, files, report)) {
        std::fprintf(stderr, "the pages could not be laid out: %s\n", report.error().c_str());
        return 1;
    }
    const fs::path dir = fs::temp_directory_path() / ("print-job-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string ours = (dir / "turns.pdf").string(), reference = (dir / "whole.pdf").string();
    std::string why;
    const auto both = bench::alternate(
        kRounds,
        [&] {
            auto run = rep::startPrint({"Bench", false, files, {rep::kPdfPrinter, ours}}, why);
            if (!run) return false;
            while (!run->finished()) {
                rt::WaitOutside outside;
                if (!run->step(kTurnMs)) return false;
            }
            return true;
        },
        [&] { return rep::render::writePdf(files, reference, "Bench", why); });
    if (both.first.runs == 0 || both.second.runs == 0) {
        std::fprintf(stderr, "printing failed: %s\n", why.c_str());
        return 1;
    }
    const bool same = fs::file_size(ours) > 0 && fs::file_size(reference) > 0;
    char what[64];
    std::snprintf(what, sizeof what, "PDF of %d pages in turns", pages);
    const bool within = bench::reportLimit(what, both, kLimit, "", "in one go");
    fs::remove_all(dir);
    return within && same ? 0 : 2;
}
