// Report timings: 1,500 pages of 66 rows laid out into page files, and those pages rendered
// into one PDF, each beside the same work done directly (the page bytes written with plain
// file writes; the same texts drawn straight onto a PDF writer). Run by hand:
//     report_pages [pages] [keep.pdf]
// Each figure is the median of 5 runs after a warm-up, with the spread (min - max).
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <QGuiApplication>
#include <QPainter>
#include <QPdfWriter>

#include "bench_support.h"
#include "runtime/report/page_file.h"
#include "runtime/report/render/render.h"
#include "runtime/report/report.h"

namespace rep = rt::report;
namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 5;
int gPages = 1500;

struct Figure {
    double median, min, max;
};

template <class Work>
Figure measure(const Work& work) {
    work();  // warm-up
    std::vector<double> t;
    for (int i = 0; i < kRuns; ++i) {
        auto t0 = bench::Clock::now();
        work();
        t.push_back(bench::seconds(t0));
    }
    std::sort(t.begin(), t.end());
    return {t[kRuns / 2], t.front(), t.back()};
}

// Accented row texts, as a SongBook has them.
std::string rowText(int i) {
    static const char* words[] = {"Caf\xC3\xA9", "Na\xC3\xAFve", "Se\xC3\xB1or", "R\xC3\xA9sum\xC3\xA9",
                                  "D\xC3\xA9j\xC3\xA0", "\xC3\x9C" "ber", "Fa\xC3\xA7" "ade", "Cr\xC3\xA8me"};
    return std::string(words[i % 8]) + " " + words[(i / 8) % 8] + " " + std::to_string(i);
}

// The one-column page: 66 rows of title, artist, number and brand, shading on every other.
void layOut(rep::PageQueue& pages, rep::Report& report) {
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
        report.print(row);
    }
    report.close();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) gPages = std::max(1, std::atoi(argv[1]));
    const std::string keep = argc > 2 ? argv[2] : "";
    const fs::path dir = fs::temp_directory_path() / "cantorelle-bench-report";
    fs::create_directories(dir);
    std::printf("%d pages of 66 rows (%d rows)\n", gPages, gPages * 66);

    // Page files, and the same bytes written directly.
    std::vector<std::string> texts;
    Figure files = measure([&] {
        rep::PageQueue pages;
        rep::Report report;
        layOut(pages, report);
        if (texts.empty())
            for (const auto& p : pages) {
                std::FILE* f = std::fopen(p.c_str(), "rb");
                std::string s(fs::file_size(p), '\0');
                if (f && std::fread(s.data(), 1, s.size(), f) != s.size()) s.clear();
                if (f) std::fclose(f);
                texts.push_back(std::move(s));
            }
    });
    Figure direct = measure([&] {
        fs::remove_all(dir);
        fs::create_directories(dir);
        for (std::size_t i = 0; i < texts.size(); ++i) {
            const fs::path p = dir / ("p" + std::to_string(i));
            std::FILE* f = std::fopen(p.c_str(), "wb");
            std::fwrite(texts[i].data(), 1, texts[i].size(), f);
            std::fclose(f);
        }
    });
    std::printf("  page files   median %6.3f s (%.3f - %.3f)  %7.0f pages/s | plain writes %6.3f s (%.3f - %.3f) | ratio %.1f\n",
                files.median, files.min, files.max, gPages / files.median, direct.median, direct.min, direct.max,
                files.median / direct.median);

    fs::remove_all(dir);
    fs::create_directories(dir);

    // Stamping page numbers reads every page file through (none has the placeholder), beside
    // plain reads of the same files.
    rep::PageQueue stampPages;
    rep::Report stampReport;
    layOut(stampPages, stampReport);
    const long m = static_cast<long>(stampPages.size());
    Figure stamp = measure([&] {
        for (long n = 1; n <= m; ++n) rep::stampPageNumber(stampPages[static_cast<std::size_t>(n - 1)], n, m);
    });
    Figure reads = measure([&] {
        std::vector<char> buf(65536);
        for (const auto& p : stampPages) {
            std::FILE* f = std::fopen(p.c_str(), "rb");
            while (f && std::fread(buf.data(), 1, buf.size(), f) > 0) {
            }
            if (f) std::fclose(f);
        }
    });
    std::printf("  stamping     median %6.3f s (%.3f - %.3f)  %7.0f pages/s | plain reads %6.3f s (%.3f - %.3f) | ratio %.1f\n",
                stamp.median, stamp.min, stamp.max, gPages / stamp.median, reads.median, reads.min, reads.max,
                stamp.median / reads.median);

    // One PDF from the page files, and the same texts drawn straight onto a PDF writer.
    rep::PageQueue pages;
    rep::Report report;
    layOut(pages, report);
    const std::string pdf = (dir / "report.pdf").string();
    std::string why;
    Figure render = measure([&] {
        if (!rep::render::writePdf(pages, pdf, "Bench", why)) std::fprintf(stderr, "%s\n", why.c_str());
    });
    const auto pdfSize = fs::file_size(pdf);
    Figure raw = measure([&] {
        int argc0 = 3;
        static char a0[] = "bench", a1[] = "-platform", a2[] = "offscreen";
        static char* av[] = {a0, a1, a2, nullptr};
        static QGuiApplication* app = QCoreApplication::instance() ? nullptr : new QGuiApplication(argc0, av);
        (void)app;
        QPdfWriter w(QString::fromStdString((dir / "raw.pdf").string()));
        w.setResolution(1200);
        QPainter p(&w);
        QFont f("Arial");
        f.setPixelSize(111);
        p.setFont(f);
        int i = 0;
        for (int page = 0; page < gPages; ++page) {
            if (page) w.newPage();
            for (int r = 0; r < 66; ++r, ++i) {
                p.drawText(QPointF(1000, 1100 + r * 135), QString::fromStdString(rowText(i)));
                p.drawText(QPointF(4000, 1100 + r * 135), QString::fromStdString(rowText(i * 7 + 3)));
            }
        }
    });
    std::printf("  PDF          median %6.3f s (%.3f - %.3f)  %7.0f pages/s, %.1f MB | texts drawn directly %6.3f s (%.3f - %.3f) | ratio %.1f\n",
                render.median, render.min, render.max, gPages / render.median, pdfSize / 1e6, raw.median, raw.min,
                raw.max, render.median / raw.median);
    if (!keep.empty()) fs::copy_file(pdf, keep, fs::copy_options::overwrite_existing);
    fs::remove_all(dir);
    return 0;
}
