#include "runtime/report/render/render.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QTextItem>
#include <QImage>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>

#include "runtime/report/render/gui_host.h"
#include "runtime/report/render/painter.h"
#include "runtime/report/report.h"
#include "support/child_process.h"
#include "support/data_fixture.h"
#include "support/killed_writer.h"

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

// A report of `rows` rows (130: 3 pages) with header, shading and footer.
void layOut(rep::Report& report, rep::PageQueue& pages, int rows = 130) {
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
    for (int i = 1; i <= rows; ++i) {
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
    EXPECT_EQ(fixture::namesIn(dir.path()), std::vector<std::string>{"report.pdf"});
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

namespace {

// A paint device that records every text drawn on it with the clip it was drawn under.
class TextRecorder : public QPaintDevice {
public:
    struct Drawn {
        QString text;
        QRectF clip;  // in page units; the whole page when no text clip was set
    };
    std::vector<Drawn> drawn;

    QPaintEngine* paintEngine() const override { return &engine_; }

protected:
    int metric(PaintDeviceMetric m) const override {
        switch (m) {
        case PdmWidth: return 8500;
        case PdmHeight: return 11000;
        case PdmWidthMM: return 216;
        case PdmHeightMM: return 279;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 1000;
        case PdmDepth: return 32;
        case PdmNumColors: return 1 << 24;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    class Engine : public QPaintEngine {
    public:
        explicit Engine(TextRecorder& owner) : owner_(owner) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState&) override {}
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPath(const QPainterPath&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawTextItem(const QPointF&, const QTextItem& item) override {
            owner_.drawn.push_back({item.text(), painter()->clipBoundingRect()});
        }
        Type type() const override { return User; }

    private:
        TextRecorder& owner_;
    };
    mutable Engine engine_{*this};
};

struct ClipCase {
    const char* what;
    std::string text;
    double w;
    rep::Align align;
    bool italic, clip;
    bool cut;  // drawn under a clip of its box's width
};

// Each text on a Letter page at x 2000, 10 points, as a page file holds it.
std::vector<TextRecorder::Drawn> drawnTexts(const std::vector<ClipCase>& cases) {
    rep::PageFile page;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        rep::PageItem it;
        it.kind = 'T';
        it.x = 2000;
        it.y = 500 + static_cast<long>(i) * 300;
        it.w = static_cast<long>(cases[i].w);
        it.h = 150;
        it.align = cases[i].align == rep::Align::Center ? 'C' : cases[i].align == rep::Align::Right ? 'R' : 'L';
        it.clip = cases[i].clip;
        it.italic = cases[i].italic;
        it.font = "Arial";
        it.text = cases[i].text;
        page.items.push_back(it);
    }
    TextRecorder device;
    rep::render::onGuiHost([&] {
        QPainter p(&device);
        rep::render::paintPage(p, page, QRectF(0, 0, 8500, 11000));
    });
    return device.drawn;
}

}  // namespace

// Only a text whose ink would reach beyond its box is drawn under a clip (each clip costs a PDF
// a graphics state of its own); the rest are drawn as they are.
TEST(Renderers, OnlyTextsReachingOutOfTheirBoxAreClipped) {
    const std::string title = "Chanson d'\xC3\xA9t\xC3\xA9 No 5";
    const std::vector<ClipCase> cases = {
        {"fits, left", title, 3000, rep::Align::Left, false, true, false},
        {"fits, centred", title, 3000, rep::Align::Center, false, true, false},
        {"fits, right", title, 3000, rep::Align::Right, false, true, false},
        {"too long, left", title, 500, rep::Align::Left, false, true, true},
        {"too long, centred", title, 500, rep::Align::Center, false, true, true},
        {"too long, right", title, 500, rep::Align::Right, false, true, true},
        {"italic, fits", title, 3000, rep::Align::Left, true, true, false},
        {"italic f at the right side", "Tiff", 3000, rep::Align::Right, true, true, true},
        {"italic f in the middle", "Tiff", 3000, rep::Align::Center, true, true, false},
        {"too long, not to be clipped", title, 500, rep::Align::Left, false, false, false},
        {"two lines", "First line\nsecond line", 3000, rep::Align::Left, false, true, true},
        {"a rule", std::string(255, '_'), 3000, rep::Align::Left, false, true, true},
    };
    const auto drawn = drawnTexts(cases);
    std::size_t d = 0;
    for (const ClipCase& c : cases) {
        SCOPED_TRACE(c.what);
        // A line break draws two lines, each under the text's clip.
        const auto lines = 1 + std::count(c.text.begin(), c.text.end(), '\n');
        for (long i = 0; i < lines; ++i, ++d) {
            ASSERT_LT(d, drawn.size());
            const QRectF clip = drawn[d].clip;
            if (c.cut) {
                EXPECT_NEAR(clip.left(), 2000, 1);
                EXPECT_NEAR(clip.width(), c.w, 1);
            } else {
                EXPECT_NEAR(clip.width(), 8500, 1);  // the page's own clip
            }
        }
        // A rule is drawn only as far as its box shows it.
        if (c.text.size() == 255) {
            EXPECT_LT(drawn[d - 1].text.size(), 100);
        }
    }
    EXPECT_EQ(d, drawn.size());
}

// Drawing only the texts that reach out of their box under a clip gives the very picture of
// clipping every text: texts in boxes as wide as their advance, a little narrower, a little
// and much wider, starting and ending with letters that reach out of their advance, at 100 and 300 dpi.
TEST(Renderers, SelectiveClippingDrawsThePictureOfClippingEveryText) {
    const char* texts[] = {"Jolene", "Avalanche", "Tiff", "Wavy Lazy", "jazz f", "Vogue\xC3\xA9", "\xC3\x89t\xC3\xA9 J",
                           "101-07", "1777", "yffy", "Qu\xC3\xA9" "bec", "\xC2\xABLa Vie\xC2\xBB"};
    rep::PageFile page;
    rt::report::render::onGuiHost([&] {
        long y = 300;
        for (int size : {8, 10, 18})
            for (bool italic : {false, true})
                for (const char* t : texts)
                    for (char align : {'L', 'C', 'R'})
                        for (int extra : {-3, 0, 2, 6, 400}) {
                            QFont f("Arial");
                            f.setPixelSize(static_cast<int>(size * 1000 / 72.0 + 0.5));
                            f.setItalic(italic);
                            f.setHintingPreference(QFont::PreferNoHinting);
                            rep::PageItem it;
                            it.kind = 'T';
                            it.align = align;
                            it.size = size;
                            it.italic = italic;
                            it.font = "Arial";
                            it.text = t;
                            it.w = static_cast<long>(QFontMetricsF(f).horizontalAdvance(QString::fromUtf8(t))) + extra;
                            it.h = size * 12;
                            it.x = 300 + static_cast<long>(page.items.size() % 3) * 2700;
                            it.y = y;
                            if (page.items.size() % 3 == 2) y += size * 16;
                            if (y > 10500) y = 300 + size;  // overlapping rows are fine: both sides draw alike
                            page.items.push_back(it);
                        }
    });
    for (int width : {850, 2550}) {
        SCOPED_TRACE(width);
        QImage ours, every(width, width * 11000 / 8500, QImage::Format_RGB32);
        rt::report::render::onGuiHost([&] {
            ours = QImage(every.size(), QImage::Format_RGB32);
            ours.fill(Qt::white);
            {
                QPainter p(&ours);
                rep::render::paintPage(p, page, QRectF(0, 0, ours.width(), ours.height()));
            }
            every.fill(Qt::white);
            QPainter p(&every);
            p.setClipRect(QRectF(0, 0, every.width(), every.height()));
            p.scale(every.width() / 8500.0, every.height() / 11000.0);
            p.setRenderHint(QPainter::Antialiasing, true);
            p.setRenderHint(QPainter::TextAntialiasing, true);
            p.setRenderHint(QPainter::SmoothPixmapTransform, true);
            const QRectF pageRect(0, 0, 8500, 11000);
            for (const rep::PageItem& it : page.items) {
                QFont f("Arial");
                f.setPixelSize(static_cast<int>(it.size * 1000 / 72.0 + 0.5));
                f.setItalic(it.italic);
                f.setHintingPreference(QFont::PreferNoHinting);
                p.setFont(f);
                p.setPen(Qt::black);
                const QRectF r(it.x, it.y, it.w, it.h);
                p.setClipRect(QRectF(r.x(), r.y() - r.height(), r.width(), r.height() * 3 + 1000) & pageRect);
                const int align = it.align == 'C' ? Qt::AlignHCenter : it.align == 'R' ? Qt::AlignRight : Qt::AlignLeft;
                p.drawText(r, align | Qt::AlignTop | Qt::TextDontClip, QString::fromStdString(it.text));
                p.setClipRect(pageRect);
            }
        });
        long differ = 0;
        for (int y = 0; y < ours.height(); ++y)
            for (int x = 0; x < ours.width(); ++x) differ += ours.pixel(x, y) != every.pixel(x, y);
        EXPECT_EQ(differ, 0);
    }
}


namespace {

// The number of pages pdfinfo reads in a file, or -1.
int pdfPages(const std::string& pdf) {
    auto info = run("pdfinfo '" + pdf + "' 2>/dev/null");
    const std::string::size_type at = info ? info->find("Pages:") : std::string::npos;
    return at == std::string::npos ? -1 : std::atoi(info->c_str() + at + 6);
}

bool endsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

}  // namespace

// A PDF of 240 pages written over an older one, the writer killed at dozens of moments: the
// file is always the old one byte for byte or the whole new one, and the next print to that
// name leaves nothing half written beside it.
TEST(Renderers, PdfKilledWhileWrittenIsTheOldOrTheWholeNewFile) {
    if (!haveTool("pdfinfo")) GTEST_SKIP() << "poppler-utils are not installed";
    fixture::TempFolder dir;
    rep::PageQueue pages;
    rep::Report report;
    layOut(report, pages, 240 * 58);
    const int n = static_cast<int>(pages.size());
    ASSERT_GE(n, 230);
    const std::string pdf = dir.file("report.pdf");
    std::string why;
    ASSERT_TRUE(rep::render::writePdf({pages.front()}, pdf, "Old", why)) << why;
    const std::string old = fixture::readText(pdf);

    // How long a whole write takes here, so that the kills fall before, during and after it.
    fixture::TempFolder timing;
    const auto t0 = std::chrono::steady_clock::now();
    ASSERT_TRUE(rep::render::writePdf(pages, timing.file("whole.pdf"), "Songs", why)) << why;
    const int wholeMs = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count());
    ASSERT_EQ(pdfPages(timing.file("whole.pdf")), n);

    int stayedOld = 0, whole = 0;
    const int kills = 28;
    for (int k = 0; k < kills; ++k) {
        // 26 points through the write, then two well after it.
        const int delayMs = k < 26 ? wholeMs * k / 26 : wholeMs * (k - 24);
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms of " + std::to_string(wholeMs));
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [&](const std::function<void()>& ready) {
            std::string error;
            ready();
            if (!rep::render::writePdf(pages, pdf, "Songs", error)) _exit(3);
            for (;;) ::pause();
        }));
        const std::string now = fixture::readText(pdf);
        if (now == old) {
            ++stayedOld;
        } else {
            ASSERT_TRUE(endsWith(now, "%%EOF\n")) << now.size() << " bytes";
            ASSERT_EQ(pdfPages(pdf), n);
            ++whole;
            fixture::writeText(pdf, old);  // the older file again, for the next kill
        }
    }
    EXPECT_GT(stayedOld, 0);
    EXPECT_GT(whole, 0);

    // The next print removes what the killed ones left, under this version's name for the work
    // file and under the earlier one.
    fixture::writeText(dir.file(".report.pdf.part"), "%PDF-1.4 cut off");
    ASSERT_TRUE(rep::render::writePdf(pages, pdf, "Songs", why)) << why;
    EXPECT_EQ(fixture::namesIn(dir.path()), std::vector<std::string>{"report.pdf"});
    EXPECT_EQ(pdfPages(pdf), n);
}

// The disc fills up while a PDF is written over an older one, between its pages or in what is
// written at its end: the failure names the file and the system's reason, and the older file
// stays byte for byte, alone.
TEST(Renderers, PdfOnAFullDiscFailsAndKeepsTheOlderFile) {
    fixture::TempFolder dir;
    rep::PageQueue pages;
    rep::Report report;
    layOut(report, pages, 100 * 58);
    const std::string pdf = dir.file("report.pdf");
    std::string why;
    ASSERT_TRUE(rep::render::writePdf({pages.front()}, pdf, "Old", why)) << why;
    const std::string old = fixture::readText(pdf);
    struct Case {
        const char* what;
        std::size_t pages;
        long long limit;
    };
    for (const Case& c : {Case{"between pages", pages.size(), 64 * 1024}, Case{"at the end", 1, 8 * 1024}}) {
        SCOPED_TRACE(c.what);
        const rep::PageQueue these(pages.begin(), pages.begin() + static_cast<std::ptrdiff_t>(c.pages));
        const std::string said = fixture::inChild(
            [&] {
                std::string error;
                return rep::render::writePdf(these, pdf, "Songs", error) ? std::string("written") : error;
            },
            c.limit);
        EXPECT_EQ(said, "The PDF file " + pdf + " could not be written (File too large).");
        EXPECT_TRUE(fixture::readText(pdf) == old) << "the older PDF changed";
        EXPECT_EQ(fixture::namesIn(dir.path()), std::vector<std::string>{"report.pdf"});
    }
}
