#include "runtime/report/report.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "runtime/report/page_file.h"
#include "runtime/report/print.h"
#include "support/data_fixture.h"

namespace rep = rt::report;
namespace fs = std::filesystem;

namespace {

void writeAll(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
}

rep::PageFile page(const std::string& path) {
    rep::PageFile p;
    EXPECT_TRUE(rep::readPageFile(path, p)) << path;
    return p;
}

std::vector<std::string> texts(const rep::PageFile& p) {
    std::vector<std::string> out;
    for (const auto& it : p.items)
        if (it.kind == 'T') out.push_back(it.text);
    return out;
}

bool hasText(const rep::PageFile& p, const std::string& t) {
    auto all = texts(p);
    return std::find(all.begin(), all.end(), t) != all.end();
}

// The one-column page: header, a 270-high detail band whose top lies 115 above the print
// position (row pitch 155), a footer with the page number.
struct ColumnReport {
    rep::PageQueue pages;
    rep::Report report;
    rep::Band& header;
    rep::Text& heading;
    rep::Text& sorted;
    rep::Band& footer;
    rep::Band& row;
    rep::Text& title;
    rep::Box& shade;

    ColumnReport()
        : header(report.header({775, 0, 7396, 979})),
          heading(header.add(rep::Text(371, 229, 4760, 344, "Songs by Title")
                                      .withFont(rep::font("Arial", 18, true))
                                      .withAlign(rep::Align::Center))),
          sorted(header.add(rep::Text(0, 740, 2000, 200, "Sorted"))),
          footer(report.footer({775, 10000, 7396, 500})),
          row(report.detail(270, 115)),
          title(row.add(rep::Text(125, 94, 3063, 150).withLimit(40))),
          shade(row.add(rep::Box(125, 94, 6800, 170, 0xE1E1E1, rt::kNoColor))) {
        report.setPages(pages);
        report.area = {775, 1000, 7396, 9000};
        footer.add(rep::Text(0, 302, 1000, 208, "Page: ").withPageNumber());
    }
};

std::string rowText(int i) { return "Row " + std::to_string(i) + " Chanson \xC3\xA0 l'\xC3\xA9t\xC3\xA9"; }

}  // namespace

// 130 rows in pages that hold 58 (by height) or exactly 50 (by count), numbered from 5; the
// header's "Sorted" text is hidden while the first page is laid out.
TEST(ReportEngine, BreaksNumbersAndHidesAtRunTime) {
    struct Case {
        const char* name;
        int rowsPerPage;
        std::vector<int> rowsOnPages;
    };
    for (const Case& c : {Case{"by height", 0, {58, 58, 14}}, Case{"by count", 50, {50, 50, 30}}}) {
        SCOPED_TRACE(c.name);
        ColumnReport r;
        r.report.rowsPerPage = c.rowsPerPage;
        r.report.setPageNumber(5);
        for (int i = 1; i <= 130; ++i) {
            r.title.text = rowText(i);
            ASSERT_TRUE(r.report.print(r.row));
            if (i == 10) r.sorted.hidden = true;  // page 1 has its header already
        }
        ASSERT_TRUE(r.report.close());
        ASSERT_EQ(r.pages.size(), 3u);
        int next = 1;
        for (std::size_t p = 0; p < 3; ++p) {
            SCOPED_TRACE(p + 1);
            rep::PageFile f = page(r.pages[p]);
            EXPECT_EQ(f.width, 8500);
            EXPECT_EQ(f.height, 11000);
            EXPECT_TRUE(hasText(f, "Songs by Title"));
            EXPECT_EQ(hasText(f, "Sorted"), p == 0);
            EXPECT_TRUE(hasText(f, "Page: " + std::to_string(5 + p)));
            int rows = 0;
            for (const auto& t : texts(f))
                if (t.rfind("Row ", 0) == 0) {
                    EXPECT_EQ(t, rowText(next).substr(0, t.size()));
                    ++next, ++rows;
                }
            EXPECT_EQ(rows, c.rowsOnPages[p]);
        }
        EXPECT_EQ(next, 131);
    }
}

// Where the items land: the band's top 115 above the print position, the area's left edge,
// a box reaching below its band and drawn before (behind) the next row, negative offsets.
TEST(ReportEngine, PlacesBandsAndControls) {
    ColumnReport r;
    r.row.add(rep::Line(-50, -20, 100, 0));
    r.title.text = "First";
    r.report.print(r.row);
    r.title.text = "Second";
    r.report.print(r.row);
    r.report.close();
    rep::PageFile f = page(r.pages.at(0));
    std::vector<rep::PageItem> rows;
    for (const auto& it : f.items)
        if (it.text == "First" || it.text == "Second" || it.kind == 'B' || it.kind == 'L') rows.push_back(it);
    ASSERT_EQ(rows.size(), 6u);
    // Row 1: print position 1000, band top 885.
    EXPECT_EQ(rows[0].x, 775 + 125);
    EXPECT_EQ(rows[0].y, 885 + 94);
    EXPECT_EQ(rows[0].text, "First");
    EXPECT_EQ(rows[1].kind, 'B');
    EXPECT_EQ(rows[1].fill, 0xE1E1E1u);
    EXPECT_FALSE(rows[1].hasBorder);
    EXPECT_EQ(rows[1].y + rows[1].h, 885 + 94 + 170);  // reaches into the next row
    EXPECT_EQ(rows[2].kind, 'L');
    EXPECT_EQ(rows[2].x, 775 - 50);
    EXPECT_EQ(rows[2].y, 885 - 20);
    EXPECT_EQ(rows[2].w, 775 + 50);  // end point
    // Row 2: 155 further down, written after the first row's box.
    EXPECT_EQ(rows[3].text, "Second");
    EXPECT_EQ(rows[3].y, 885 + 155 + 94);
}

// Labels in inches: slips 4.25 x 2.625 in fill a Letter page two across and four down; a
// background band is drawn first on every page.
TEST(ReportEngine, InchesSideBySideAndBackground) {
    rep::PageQueue pages;
    rep::Report report(rep::Units::Inches);
    report.setPages(pages);
    auto& guides = report.background();
    guides.add(rep::Line(4.25, 0, 0, 11));
    auto& slip = report.detail(2.625);
    slip.place.w = 4.25;
    auto& number = slip.add(rep::Text(0.406, 0.188, 3.542, 0.3));
    for (int i = 1; i <= 9; ++i) {
        number.text = "Slip " + std::to_string(i);
        ASSERT_TRUE(report.print(slip));
    }
    report.close();
    ASSERT_EQ(pages.size(), 2u);
    rep::PageFile f = page(pages[0]);
    ASSERT_EQ(f.items.front().kind, 'L');
    EXPECT_EQ(f.items.front().x, 4250);
    std::vector<std::pair<long, long>> where;
    for (const auto& it : f.items)
        if (it.kind == 'T') where.push_back({it.x, it.y});
    ASSERT_EQ(where.size(), 8u);
    EXPECT_EQ(where[0], (std::pair<long, long>{406, 188}));
    EXPECT_EQ(where[1], (std::pair<long, long>{4250 + 406, 188}));
    EXPECT_EQ(where[2], (std::pair<long, long>{406, 2625 + 188}));
    EXPECT_EQ(where[7], (std::pair<long, long>{4250 + 406, 3 * 2625 + 188}));
    EXPECT_EQ(texts(page(pages[1])), std::vector<std::string>{"Slip 9"});
}

// Group heads before the first row and whenever the key changes, feet after each group.
TEST(ReportEngine, GroupHeadsAndFeet) {
    rep::PageQueue pages;
    rep::Report report;
    report.setPages(pages);
    std::string disc;
    auto& head = report.groupHead(300);
    auto& headText = head.add(rep::Text(0, 0, 3000, 200));
    auto& foot = report.groupFoot(300);
    foot.add(rep::Text(0, 0, 3000, 200, "end"));
    report.group(head, &foot, [&] {
        headText.text = "Disc " + disc;
        return disc;
    });
    auto& row = report.detail(200);
    auto& t = row.add(rep::Text(0, 0, 3000, 200));
    for (auto [d, track] : {std::pair{"A", "1"}, {"A", "2"}, {"B", "1"}}) {
        disc = d;
        t.text = track;
        report.print(row);
    }
    report.close();
    EXPECT_EQ(texts(page(pages.at(0))), (std::vector<std::string>{"Disc A", "1", "2", "end", "Disc B", "1", "end"}));
}

// Landscape A4, the character limit, and texts that need escaping survive a round trip.
TEST(ReportEngine, PageFileRoundTrip) {
    rep::PageQueue pages;
    rep::Report report;
    report.paper = rep::Paper::A4;
    report.landscape = true;
    report.setPages(pages);
    auto& row = report.detail(200);
    auto& t = row.add(rep::Text(0, 0, 3000, 200, "a|b\\c\nd \xC3\xA9t\xC3\xA9 long tail")
                           .withFont(rep::font("Times New Roman", 12, true, true, 0x0000FF))
                           .withAlign(rep::Align::Right)
                           .withLimit(12));
    row.add(rep::Ellipse(10, 20, 5000, 5000, 0x00FF00));
    row.add(rep::Image(0, 0, 560, 560, "/some where/logo.jpg"));
    report.print(row);
    t.hidden = true;
    report.print(row);
    report.close();
    rep::PageFile f = page(pages.at(0));
    EXPECT_EQ(f.width, 11693);
    EXPECT_EQ(f.height, 8268);
    ASSERT_EQ(f.items.size(), 5u);
    EXPECT_EQ(f.items[0].text, "a|b\\c\nd \xC3\xA9t\xC3\xA9 ");  // 12 characters
    EXPECT_EQ(f.items[0].font, "Times New Roman");
    EXPECT_EQ(f.items[0].size, 12);
    EXPECT_EQ(f.items[0].weight, 700);
    EXPECT_TRUE(f.items[0].italic);
    EXPECT_EQ(f.items[0].align, 'R');
    EXPECT_EQ(f.items[0].color, 0x0000FFu);
    EXPECT_EQ(f.items[1].kind, 'E');
    EXPECT_EQ(f.items[1].fill, 0x00FF00u);
    EXPECT_EQ(f.items[2].text, "/some where/logo.jpg");
    EXPECT_EQ(f.items[3].kind, 'E');  // the hidden text is not written
    // Each item is one line of the file.
    const std::string raw = fixture::readText(pages[0]);
    EXPECT_EQ(std::count(raw.begin(), raw.end(), '\n'), 6);
}

// Broken or foreign page files read as a blank page; damaged lines are skipped.
TEST(ReportEngine, UnreadablePageFiles) {
    fixture::TempFolder dir;
    struct Case {
        const char* name;
        const char* content;  // nullptr: no file
        bool ok;
        std::size_t items;
    };
    for (const Case& c : {Case{"missing", nullptr, false, 0}, Case{"empty", "", false, 0},
                          Case{"foreign", "%PDF-1.4\n", false, 0},
                          Case{"zero size", "cantorelle-page|1|0|0\n", false, 0},
                          Case{"damaged lines", "cantorelle-page|1|8500|11000\nT|1|2\nB|x|1|1|1|-|-|0\nQ|1\n"
                                                "B|1|2|3|4|-|000000|5\nT|1|1|1|1|L|1|10|400|0|GGGGGG|Arial|x\n",
                           true, 1}}) {
        SCOPED_TRACE(c.name);
        const std::string path = dir.file(std::string(c.name) + ".cpage");
        if (c.content) writeAll(path, c.content);
        rep::PageFile f;
        EXPECT_EQ(rep::readPageFile(path, f), c.ok);
        EXPECT_EQ(f.items.size(), c.items);
        EXPECT_GT(f.width, 0);
        EXPECT_GT(f.height, 0);
    }
}

// The page folder goes with the report; cancel drops the pages at once.
TEST(ReportEngine, PageFolderLifetime) {
    rep::PageQueue kept, cancelled;
    std::string folder;
    {
        rep::Report report;
        report.setPages(kept);
        auto& row = report.detail(5000);
        row.add(rep::Text(0, 0, 100, 100, "x"));
        for (int i = 0; i < 5; ++i) report.print(row);
        report.endPage();
        folder = report.folder();
        ASSERT_EQ(kept.size(), 3u);
        for (const auto& p : kept) EXPECT_TRUE(fs::exists(p));
        EXPECT_EQ(report.pagesWritten(), 3);
    }
    EXPECT_FALSE(fs::exists(folder));
    {
        rep::Report report;
        report.setPages(cancelled);
        cancelled.push_back("/not/ours.cpage");
        auto& row = report.detail(5000);
        for (int i = 0; i < 5; ++i) report.print(row);
        report.cancel();
        EXPECT_EQ(cancelled, std::vector<std::string>{"/not/ours.cpage"});
        EXPECT_TRUE(fs::is_empty(report.folder()));
        EXPECT_FALSE(report.print(row));
    }
}

TEST(PageNumbers, CentredInNineteen) {
    EXPECT_EQ(rep::pageNumberText(3, 12), "    Page 3 of 12   ");
    EXPECT_EQ(rep::pageNumberText(1, 1), "    Page 1 of 1    ");
    EXPECT_EQ(rep::pageNumberText(99999, 99999), "Page 99999 of 99999");
    EXPECT_EQ(rep::pageNumberText(123456, 7), "  Page 12345 of 7  ");
}

// Only the placeholder of a "P" line (placed by the report for its page numbers) is replaced,
// in place, wherever in the file it lies and only the first of them; the same text in a host's
// own text ("T" lines) stays, and a file without a "P" placeholder stays as it was byte for byte.
TEST(PageNumbers, StampsInPlace) {
    fixture::TempFolder dir;
    const std::string ph = rep::kPagePlaceholder;
    const std::string text = "T|775|1000|3000|150|L|1|10|400|0|000000|Arial|";
    const std::string mark = "P|2500|10302|2400|208|C|1|10|400|0|000000|Arial|" + ph;
    struct Case {
        const char* name;
        std::size_t at;     // the "P" line starts near here; npos: none
        bool twice;         // a second "P" line later
        bool hostText;      // a host's text holding the placeholder before it
    };
    for (const Case& c : {Case{"start", 0, false, false}, Case{"across 256", 240, false, false},
                          Case{"after a host's text", 3000, false, true}, Case{"twice", 500, true, false},
                          Case{"across a 64K block", 65500, false, false},
                          Case{"ending the file", 70000, false, true},
                          Case{"host's text only", std::string::npos, false, true},
                          Case{"none", std::string::npos, false, false}}) {
        SCOPED_TRACE(c.name);
        std::string content = "cantorelle-page|1|8500|11000\n";
        std::size_t placed = std::string::npos, second = std::string::npos;
        bool hostPlaced = false;
        while (content.size() < 70000) {
            if (c.hostText && !hostPlaced && content.size() >= 1000) {
                content += text + "Sing " + ph + "\n" + text + ph + "\n";
                hostPlaced = true;
            }
            if (c.at != std::string::npos && c.at < 70000 && placed == std::string::npos && content.size() >= c.at) {
                content += mark;
                placed = content.size() - ph.size();
                content += "\n";
            } else if (c.twice && placed != std::string::npos && second == std::string::npos) {
                content += mark;
                second = content.size() - ph.size();
                content += "\n";
            }
            content += text + "Test Song\n";
        }
        if (c.at == 70000) {  // the last line, without a line end
            content += mark;
            placed = content.size() - ph.size();
        }
        const std::string path = dir.file("page.cpage");
        writeAll(path, content);
        const int result = rep::stampPageNumber(path, 3, 12);
        std::string expected = content;
        if (placed != std::string::npos) expected.replace(placed, ph.size(), "    Page 3 of 12   ");
        EXPECT_EQ(result, placed == std::string::npos ? 0 : 1);
        EXPECT_EQ(fixture::readText(path), expected);
    }
    EXPECT_EQ(rep::stampPageNumber(dir.file("missing.cpage"), 1, 1), -1);
}

// A report's page numbers of the form "page n of m" are its own marked text; a host's text
// that reads like the placeholder is an ordinary text.
TEST(PageNumbers, OnlyTheReportsOwnPlaceholderIsMarked) {
    rep::PageQueue pages;
    rep::Report report;
    report.setPages(pages);
    auto& footer = report.footer({0, 10000, 8000, 500});
    footer.add(rep::Text(0, 0, 3000, 200, "anything").withPageOfPages());
    footer.add(rep::Text(4000, 0, 3000, 200, "Page: ").withPageNumber());
    auto& row = report.detail(250);
    row.add(rep::Text(0, 0, 3000, 200, rep::kPagePlaceholder));
    ASSERT_TRUE(report.print(row));
    ASSERT_TRUE(report.close());
    ASSERT_EQ(pages.size(), 1u);
    rep::PageFile page;
    ASSERT_TRUE(rep::readPageFile(pages[0], page));
    int marked = 0;
    for (const auto& it : page.items) {
        ASSERT_EQ(it.kind, 'T');
        marked += it.pageNumbers;
        if (it.pageNumbers) {
            EXPECT_EQ(it.text, rep::kPagePlaceholder);
        }
    }
    EXPECT_EQ(marked, 1);
    EXPECT_EQ(rep::stampPageNumber(pages[0], 1, 1), 1);
    ASSERT_TRUE(rep::readPageFile(pages[0], page));
    EXPECT_EQ(texts(page), (std::vector<std::string>{rep::kPagePlaceholder, "    Page 1 of 1    ", "Page: 1"}));
}

// A report printed on close sends its pages as one job to the current printer.
TEST(PrintSinks, PrintOnCloseAndRecorder) {
    auto recorder = std::make_shared<rep::RecorderSink>();
    auto old = rep::setPrintSink(recorder);
    rep::setCurrentPrinter({"Office", {}});
    {
        rep::PageQueue pages;
        rep::Report report;
        report.title = "Labels";
        report.setPages(pages);
        report.setPrintOnClose(true);
        auto& row = report.detail(6000);
        auto& t = row.add(rep::Text(0, 0, 100, 100));
        for (const char* s : {"one", "two"}) {
            t.text = s;
            report.print(row);
        }
        ASSERT_TRUE(report.close());
    }
    auto jobs = recorder->jobs();
    ASSERT_EQ(jobs.size(), 1u);
    EXPECT_EQ(jobs[0].job.title, "Labels");
    EXPECT_EQ(jobs[0].job.printer.name, "Office");
    ASSERT_EQ(jobs[0].texts.size(), 2u);
    EXPECT_NE(jobs[0].texts[1].find("two"), std::string::npos);

    recorder->failWith("The printer refused the job.");
    std::string why;
    EXPECT_FALSE(rep::sendToPrinter({"x", false, {"/tmp/none"}, {}}, why));
    EXPECT_EQ(why, "The printer refused the job.");
    EXPECT_TRUE(rep::sendToPrinter({"x", false, {}, {}}, why));  // nothing to print
    rep::setPrintSink(nullptr);
    EXPECT_FALSE(rep::sendToPrinter({"x", false, {"/tmp/none"}, {}}, why));
    EXPECT_EQ(why, "No printer is available.");
    rep::setPrintSink(old);
    rep::setCurrentPrinter(rep::Printer{rep::kPdfPrinter, {}});
}

// What a printer dialog hands back is a file only when the dialog says so (its PDF output),
// whatever the name's ending; a file without an ending is a PDF by name too.
TEST(PrintSinks, PrinterDialogAnswers) {
    struct Case {
        const char* answer;
        bool toFile;
        rep::Printer printer;
    } cases[] = {
        {"HP_LaserJet", false, {"HP_LaserJet", ""}},
        {"/tmp/out.pdf", false, {"/tmp/out.pdf", ""}},  // the dialog named a printer
        {rep::kPdfPrinter, false, {rep::kPdfPrinter, ""}},
        {"/tmp/out.pdf", true, {rep::kPdfPrinter, "/tmp/out.pdf"}},
        {"/tmp/out.PDF", true, {rep::kPdfPrinter, "/tmp/out.PDF"}},
        {"/tmp/songbook", true, {rep::kPdfPrinter, "/tmp/songbook.pdf"}},
        {"/tmp/songbook.", true, {rep::kPdfPrinter, "/tmp/songbook.pdf"}},
        {"/tmp/night.v2", true, {rep::kPdfPrinter, "/tmp/night.v2"}},
        {"/tmp/dir.d/songbook", true, {rep::kPdfPrinter, "/tmp/dir.d/songbook.pdf"}},
        {"", true, {rep::kPdfPrinter, ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rep::printerFromDialog(c.answer, c.toFile), c.printer) << c.answer << (c.toFile ? " (file)" : "");
}

// A run prints its job in steps; the default run of a sink prints it whole in its first step.
TEST(PrintSinks, ARunOfTheRecorderPrintsItsJobInOneStep) {
    auto recorder = std::make_shared<rep::RecorderSink>();
    auto old = rep::setPrintSink(recorder);
    std::string why;
    auto run = rep::startPrint({"Job", false, {"/tmp/a", "/tmp/b"}, {"Office", {}}}, why);
    ASSERT_TRUE(run) << why;
    EXPECT_FALSE(run->finished());
    EXPECT_EQ(run->pages(), 2);
    EXPECT_TRUE(run->step(10));
    EXPECT_TRUE(run->finished());
    EXPECT_EQ(run->pagesDone(), 2);
    EXPECT_EQ(recorder->jobs().size(), 1u);
    // A PDF job needs its file.
    EXPECT_FALSE(rep::startPrint({"Job", false, {"/tmp/a"}, {rep::kPdfPrinter, ""}}, why));
    EXPECT_EQ(why, "No file was chosen for the PDF.");
    recorder->failWith("Out of paper.");
    run = rep::startPrint({"Job", false, {"/tmp/a"}, {"Office", {}}}, why);
    ASSERT_TRUE(run);
    EXPECT_FALSE(run->step(10));
    EXPECT_EQ(run->error(), "Out of paper.");
    rep::setPrintSink(old);
}
