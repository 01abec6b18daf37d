// The report engine and the PDF renderer on 1,500 pages of 66 rows, each beside a reference
// doing the same work, rounds alternated ours / reference:
// - page files: the rows laid out into page files, beside the same page bytes written with
//   plain file writes;
// - stamping: page numbers stamped into every page file (none has the placeholder, so each is
//   read through), beside plain reads of the same files;
// - PDF: the page files drawn into one PDF, beside a bare Qt program drawing the same page
//   files (bare_page_pdf.h); pages of both are rendered with pdftoppm and compared pixel by
//   pixel.
// Each figure is the median of the rounds after a warm-up, with the fastest and slowest run.
// Exits 2 when the PDF takes more than 1.3 x the bare program or the renders differ. Run by
// hand:
//     report_pages [pages] [keep.pdf]
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "bare_page_pdf.h"
#include "bench_support.h"
#include "runtime/files/file_util.h"
#include "runtime/report/page_file.h"
#include "runtime/report/render/render.h"
#include "runtime/report/report.h"

namespace rep = rt::report;
namespace fs = std::filesystem;

namespace {

constexpr int kRounds = 5;
constexpr double kPdfLimit = 1.3;
int gPages = 1500;


// Accented row texts, as a SongBook has them.
std::string rowText(int i) {
    static const char* words[] = {"Caf\xC3\xA9", "Na\xC3\xAFve", "Se\xC3\xB1or", "R\xC3\xA9sum\xC3\xA9",
                                  "D\xC3\xA9j\xC3\xA0", "\xC3\x9C" "ber", "Fa\xC3\xA7" "ade", "Cr\xC3\xA8me"};
    return std::string(words[i % 8]) + " " + words[(i / 8) % 8] + " " + std::to_string(i);
}

// The one-column page: 66 rows of title, artist, number and brand, shading on every other.
bool layOut(rep::PageQueue& pages, rep::Report& report) {
    report.setPages(pages);
    report.area = {775, 1000, 7396, 9000};
    auto& header = report.header({775, 0, 7396, 979});
    header.add(rep::Text(371, 219, 4760, 344, "Songs by Title").withFont(rep::font("Arial", 18, true)).withAlign(rep::Align::Center));
    header.add(rep::Box(125, 700, 6800, 250, 0x808080, rt::kNoColor));
    auto& footer = report.footer({775, 10000, 7396, 500});
    footer.add(rep::Text(1823, 302, 3406, 208, "The Friday Night SongBook").withAlign(rep::Align::Center));
    footer.add(rep::Text(6000, 302, 1000, 208, "Page: ").withPageNumber());
    auto& row = report.detail(250, 115);
    auto& shade = row.add(rep::Box(125, 94, 6800, 140, 0xE1E1E1, rt::kNoColor));
    auto& title = row.add(rep::Text(125, 94, 3063, 120).withFont(rep::font("Arial", 8)).withLimit(40));
    auto& artist = row.add(rep::Text(3240, 94, 2115, 120).withFont(rep::font("Arial", 8)).withLimit(30));
    auto& number = row.add(rep::Text(5400, 94, 1200, 120).withFont(rep::font("Arial", 8)));
    for (int i = 0; i < gPages * 66; ++i) {
        title.text = rowText(i);
        artist.text = rowText(i * 7 + 3);
        number.text = "SC" + std::to_string(10000 + i / 15) + "-" + std::to_string(i % 15 + 1);
        shade.hidden = i % 2 == 0;
        if (!report.print(row)) return false;
    }
    return report.close();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) gPages = std::max(1, std::atoi(argv[1]));
    const std::string keep = argc > 2 ? argv[2] : "";
    const fs::path dir = fs::temp_directory_path() / ("cantorelle-bench-report-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::printf("%d pages of 66 rows (%d rows); %d rounds ours / reference after a warm-up\n", gPages, gPages * 66,
                kRounds);

    // The pages as the engine writes them, kept for the references and the PDF.
    rep::PageQueue pages;
    rep::Report report;
    if (!layOut(pages, report)) {
        std::fprintf(stderr, "the pages could not be laid out: %s\n", report.error().c_str());
        return 1;
    }
    std::vector<std::string> texts;
    for (const auto& p : pages)
        if (!bench::readWhole(p, texts.emplace_back())) return 1;

    // Page files, and the same bytes written directly.
    const auto files = bench::alternate(
        kRounds,
        [&] {
            rep::PageQueue q;
            rep::Report r;
            return layOut(q, r);
        },
        [&] {
            const fs::path to = dir / "direct";
            std::error_code ec;
            fs::remove_all(to, ec);
            fs::create_directories(to, ec);
            for (std::size_t i = 0; i < texts.size(); ++i) {
                const int fd = ::open((to / ("p" + std::to_string(i))).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
                if (fd < 0 || rt::writeAll(fd, texts[i].data(), texts[i].size()) != 0) return false;
                if (::close(fd) != 0) return false;
            }
            return true;
        });
    bench::report("page files", files, {}, "plain writes");

    // Stamping page numbers reads every page file through (none has the placeholder), beside
    // plain reads of the same files.
    const long m = static_cast<long>(pages.size());
    const auto stamp = bench::alternate(
        kRounds,
        [&] {
            for (long n = 1; n <= m; ++n)
                if (rep::stampPageNumber(pages[static_cast<std::size_t>(n - 1)], n, m) < 0) return false;
            return true;
        },
        [&] {
            std::vector<char> buf(65536);
            for (const auto& p : pages) {
                const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
                if (fd < 0) return false;
                while (::read(fd, buf.data(), buf.size()) > 0) {
                }
                ::close(fd);
            }
            return true;
        });
    bench::report("stamping", stamp, {}, "plain reads");

    // One PDF from the page files, and the same page files drawn by a bare Qt program.
    const std::string ours = (dir / "report.pdf").string(), bare = (dir / "bare.pdf").string();
    std::string why;
    const auto pdf = bench::alternate(
        kRounds,
        [&] {
            if (rep::render::writePdf(pages, ours, "Bench", why)) return true;
            std::fprintf(stderr, "PDF: %s\n", why.c_str());
            return false;
        },
        [&] { return bench::barePdf(pages, bare); });
    bool equal = false;
    const std::string renders = bench::compareRenders(ours, bare, static_cast<int>(m), equal);
    char note[160];
    std::snprintf(note, sizeof note, "%.1f MB / %.1f MB; renders of 3 pages %s", fs::file_size(ours) / 1e6,
                  fs::file_size(bare) / 1e6, renders.c_str());
    const bool held = bench::reportLimit("PDF", pdf, kPdfLimit, note, "bare Qt program") && equal;
    if (!keep.empty()) fs::copy_file(ours, keep, fs::copy_options::overwrite_existing);
    fs::remove_all(dir);
    if (!held) std::printf("the PDF is over %.1f x the bare program, or its renders differ\n", kPdfLimit);
    return held ? 0 : 2;
}
