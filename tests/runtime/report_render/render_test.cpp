#include "runtime/report/render/render.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "runtime/report/render/gui_host.h"
#include "runtime/report/render/painter.h"
#include "runtime/report/report.h"
#include "support/data_fixture.h"

namespace rep = rt::report;
namespace fs = std::filesystem;

namespace {

// Draws where Qt allows it (the renderers' own offscreen application in tests).
QImage pageImage(const std::string& path, int width) {
    QImage img;
    rep::render::onGuiHost([&] { img = rep::render::pageImage(path, width); });
    return img;
}

QImage loadPicture(const std::string& path) {
    QImage img;
    rep::render::onGuiHost([&] { img = rep::render::loadPicture(path); });
    return img;
}

// The output of a shell command, or nullopt when it could not run.
std::optional<std::string> run(const std::string& cmd) {
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
    if (!p) return std::nullopt;
    std::string out;
    std::array<char, 4096> buf{};
    size_t n;
    while ((n = fread(buf.data(), 1, buf.size(), p.get())) > 0) out.append(buf.data(), n);
    return out;
}

bool haveTool(const char* tool) { return std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) == 0; }

std::string rowText(int i) { return "Row " + std::to_string(i) + " Chanson d'\xC3\xA9t\xC3\xA9"; }

// A 3-page report of 130 rows with header, shading and footer.
void layOut(rep::Report& report, rep::PageQueue& pages) {
    report.setPages(pages);
    report.area = {775, 1000, 7396, 9000};
    auto& header = report.header({775, 0, 7396, 979});
    header.add(rep::Text(371, 229, 4760, 344, "Songs by Title")
                   .withFont(rep::font("Arial", 18, true))
                   .withAlign(rep::Align::Center));
    header.add(rep::Box(0, 700, 7396, 250, 0x804000, rt::kNoColor));
    header.add(rep::Text(125, 740, 2000, 200, "Title").withFont(rep::font("Arial", 14, true, false, 0xFFFFFF)));
    auto& footer = report.footer({775, 10000, 7396, 500});
    footer.add(rep::Text(3000, 302, 1500, 208, "Page: ").withPageNumber().withAlign(rep::Align::Center));
    auto& row = report.detail(270, 115);
    auto& shade = row.add(rep::Box(125, 94, 6800, 170, 0xE1E1E1, rt::kNoColor));
    auto& title = row.add(rep::Text(125, 94, 3063, 150).withFont(rep::font("Times New Roman", 10)));
    row.add(rep::Text(5000, 94, 1500, 150, "SC8125-05").withFont(rep::font("Courier New", 10)));
    for (int i = 1; i <= 130; ++i) {
        title.text = rowText(i);
        shade.hidden = i % 2 == 1;
        ASSERT_TRUE(report.print(row));
    }
    ASSERT_TRUE(report.close());
}

}  // namespace

// The report through the PDF renderer: 3 pages whose text holds every row.
TEST(Renderers, PdfHoldsEveryRow) {
    fixture::TempFolder dir;
    rep::PageQueue pages;
    rep::Report report;
    layOut(report, pages);
    ASSERT_EQ(pages.size(), 3u);
    const std::string pdf = dir.file("report.pdf");
    std::string why;
    ASSERT_TRUE(rep::render::writePdf(pages, pdf, "Songs", why)) << why;
    EXPECT_FALSE(fs::exists(dir.file(".report.pdf.part")));
    if (!haveTool("pdftotext") || !haveTool("pdfinfo")) GTEST_SKIP() << "poppler-utils are not installed";
    auto info = run("pdfinfo '" + pdf + "'");
    ASSERT_TRUE(info);
    EXPECT_NE(info->find("Pages:           3\n"), std::string::npos) << *info;
    EXPECT_NE(info->find("612 x 792 pts"), std::string::npos) << *info;  // Letter
    auto text = run("pdftotext -layout '" + pdf + "' -");
    ASSERT_TRUE(text);
    for (int i = 1; i <= 130; ++i) EXPECT_NE(text->find(rowText(i)), std::string::npos) << rowText(i);
    for (int p = 1; p <= 3; ++p) EXPECT_NE(text->find("Page: " + std::to_string(p)), std::string::npos);
    // The fonts asked for resolve to installed faces that the PDF embeds.
    auto fonts = run("pdffonts '" + pdf + "'");
    ASSERT_TRUE(fonts);
    EXPECT_NE(fonts->find("Liberation"), std::string::npos) << *fonts;
}

// A picture of a page: white paper, the header's dark bar, the shading; an unreadable page
// file is a blank page.
TEST(Renderers, PagePictures) {
    fixture::TempFolder dir;
    rep::PageQueue pages;
    rep::Report report;
    layOut(report, pages);
    QImage img = pageImage(pages[0], 850);  // 100 pixels an inch
    ASSERT_EQ(img.width(), 850);
    ASSERT_EQ(img.height(), 1100);
    EXPECT_EQ(img.pixelColor(10, 10), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(500, 72), QColor(0x00, 0x40, 0x80));  // the bar: 0x804000 is BGR
    const std::string png = dir.file("page.png");
    std::string why;
    ASSERT_TRUE(rep::render::writePng(pages[0], png, 50, why)) << why;
    QImage back(QString::fromStdString(png));
    EXPECT_EQ(back.width(), 425);

    std::ofstream(dir.file("bad.cpage")) << "not a page";
    QImage blank = pageImage(dir.file("bad.cpage"), 85);
    EXPECT_EQ(blank.height(), 110);
    EXPECT_EQ(blank.pixelColor(40, 50), QColor(Qt::white));
    EXPECT_TRUE(pageImage(dir.file("missing.cpage"), 85).pixelColor(40, 50) == QColor(Qt::white));
}

// JPEG pictures decode through libjpeg; broken ones draw nothing.
TEST(Renderers, Pictures) {
    fixture::TempFolder dir;
    const std::string jpg = dir.file("logo.jpg");
    bool saved = false;
    rep::render::onGuiHost([&] {
        QImage red(40, 20, QImage::Format_RGB32);
        red.fill(QColor(220, 20, 20));
        saved = red.save(QString::fromStdString(jpg), "JPEG", 95);
    });
    ASSERT_TRUE(saved || std::system(("convert -size 40x20 xc:'rgb(220,20,20)' '" + jpg + "'").c_str()) == 0);
    QImage back = loadPicture(jpg);
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), QSize(40, 20));
    EXPECT_NEAR(back.pixelColor(20, 10).red(), 220, 8);
    std::ofstream(dir.file("broken.jpg"), std::ios::binary) << "\xFF\xD8\xFF\xE0 garbage";
    EXPECT_TRUE(loadPicture(dir.file("broken.jpg")).isNull());

    rep::PageQueue pages;
    rep::Report report(rep::Units::Inches);
    report.setPages(pages);
    auto& band = report.detail(1);
    band.add(rep::Image(1, 0, 2, 1, jpg));
    band.add(rep::Image(4, 0, 2, 1, dir.file("broken.jpg")));
    report.print(band);
    report.close();
    QImage page = pageImage(pages[0], 850);
    EXPECT_NEAR(page.pixelColor(200, 50).red(), 220, 10);
    EXPECT_EQ(page.pixelColor(500, 50), QColor(Qt::white));
}

// A PDF that cannot be written is reported and leaves nothing behind.
TEST(Renderers, PdfFailures) {
    fixture::TempFolder dir;
    rep::PageQueue pages;
    rep::Report report;
    layOut(report, pages);
    std::string why;
    EXPECT_FALSE(rep::render::writePdf(pages, dir.file("no/such/folder/out.pdf"), "x", why));
    EXPECT_NE(why.find("out.pdf"), std::string::npos) << why;
    EXPECT_FALSE(rep::render::writePdf(pages, "", "x", why));
    // The PDF printer as a print job; an unknown CUPS printer is refused with its name.
    rep::PrintJob job{"Songs", false, pages, {rep::kPdfPrinter, dir.file("job.pdf")}};
    EXPECT_TRUE(rep::render::printJob(job, why)) << why;
    EXPECT_GT(fs::file_size(dir.file("job.pdf")), 1000u);
    job.printer = {"No Such Printer 42", {}};
    EXPECT_FALSE(rep::render::printJob(job, why));
    EXPECT_NE(why.find("No Such Printer 42"), std::string::npos) << why;
}
