#include "printing/previewer/ReportPreviewer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>
#include <fstream>
#include <sstream>

#include "frontend/headless/driver.h"
#include "frontend/headless/procedures.h"
#include "frontend/headless/script.h"
#include "runtime/window/frontend.h"
#include "frontend/headless/test_report.h"
#include "runtime/report/print.h"
#include "runtime/report/render/render.h"
#include "support/child_process.h"
#include "support/data_fixture.h"

namespace rep = rt::report;
namespace fs = std::filesystem;

namespace {

// The page number a page file was written as (page000002.cpage is 2).
int pageNo(const std::string& path) { return std::stoi(fs::path(path).stem().string().substr(4)); }

// Drives the test report (58 rows a page) with a recorder in place of the printer.
class PreviewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        recorder = std::make_shared<rep::RecorderSink>();
        old = rep::setPrintSink(recorder);
        rep::setCurrentPrinter({"Office Laser", {}});
    }
    void TearDown() override {
        d.end();
        rep::setPrintSink(old);
        rep::setCurrentPrinter({rep::kPdfPrinter, {}});
    }
    // Starts the report of `rows` rows; labelStyle: copies repeated in one job without preview.
    void start(int rows = 130, bool labelStyle = false) {
        ASSERT_TRUE(d.start([rows, labelStyle] {
            ::CallRequest = rows;
            ::CallRequestOption = labelStyle ? 1 : 0;
            headless::PrintTestReport();
        })) << d.error();
        ASSERT_TRUE(d.window("Report Destination")) << d.windows();
    }
    std::string zone(int n) {
        auto s = d.status();
        return static_cast<int>(s.size()) >= n ? s[static_cast<std::size_t>(n - 1)] : std::string();
    }
    std::vector<std::vector<int>> jobs() {
        std::vector<std::vector<int>> out;
        for (const auto& j : recorder->jobs()) {
            std::vector<int> pages;
            for (const auto& p : j.job.pages) pages.push_back(pageNo(p));
            out.push_back(pages);
        }
        return out;
    }

    headless::Driver d;
    std::shared_ptr<rep::RecorderSink> recorder;
    std::shared_ptr<rep::PrintSink> old;
};

}  // namespace

// Cancel, Esc and the close box end the report before anything is laid out.
TEST_F(PreviewerTest, DestinationCancelEndsTheReport) {
    for (std::string how : {"Cancel", "close"}) {
        SCOPED_TRACE(how);
        start();
        EXPECT_EQ(d.text("?CURRENTPRINTER"), "Office Laser");
        EXPECT_EQ(d.value("?PREVIEWOPTION"), "1");
        EXPECT_EQ(d.value("Copies:"), "1");
        ASSERT_TRUE(how == "close" ? d.close() : d.press(how)) << d.error();
        EXPECT_FALSE(d.running());
        EXPECT_FALSE(d.window("Test Report Preview"));
        EXPECT_TRUE(recorder->jobs().empty());
    }
}

// Pages, copies and selections as printed: without preview (one job a copy, or the labels'
// one job with the copies repeated) and from the preview's "Print Options" and "Print Current
// Page Only" (one job a copy).
TEST_F(PreviewerTest, CopiesAndSelections) {
    struct Case {
        const char* name;
        bool preview;
        bool labelStyle;
        const char* range;      // the "Print Ranges" choice (preview)
        std::vector<int> marks; // pages marked first
        int from, to;
        bool currentOnly;       // "Print Current Page Only" on page 2
        std::vector<std::vector<int>> jobs;
    };
    const Case cases[] = {
        {"direct, style report", false, false, "", {}, 0, 0, false, {{1, 2, 3}, {1, 2, 3}}},
        {"direct, labels", false, true, "", {}, 0, 0, false, {{1, 2, 3, 1, 2, 3}}},
        {"preview, all", true, false, "All Pages", {}, 0, 0, false, {{1, 2, 3}, {1, 2, 3}}},
        {"preview, marked 2", true, false, "Marked Pages Only", {2}, 0, 0, false, {{2}, {2}}},
        {"preview, unmarked", true, false, "Unmarked Pages Only", {2}, 0, 0, false, {{1, 3}, {1, 3}}},
        {"preview, range 2-3", true, false, "Range of Pages", {}, 2, 3, false, {{2, 3}, {2, 3}}},
        {"preview, current page", true, false, "", {}, 0, 0, true, {{2}, {2}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        recorder->clear();
        start(130, c.labelStyle);
        if (!c.preview) {
            ASSERT_TRUE(d.choose("Destination", "Print Report")) << d.error();
        }
        ASSERT_TRUE(d.type("Copies:", "2")) << d.error();
        ASSERT_TRUE(d.press("Ok")) << d.error();
        if (c.preview) {
            ASSERT_TRUE(d.window("Test Report Preview")) << d.windows();
            for (int m : c.marks) {
                ASSERT_TRUE(d.press("Jump To Page ??"));
                ASSERT_TRUE(d.type("&Page:", std::to_string(m)));
                ASSERT_TRUE(d.press("OK"));
                ASSERT_TRUE(d.press("Mark Page")) << d.error();
                EXPECT_EQ(zone(4), "Marked");
            }
            if (c.currentOnly) {
                ASSERT_TRUE(d.press("Next Page"));
                ASSERT_TRUE(d.press("Print Current Page Only")) << d.error();
                EXPECT_TRUE(d.window("Test Report Preview"));  // it stays
            } else {
                ASSERT_TRUE(d.press("Print The Report")) << d.error();
                ASSERT_TRUE(d.window("Print Options")) << d.windows();
                EXPECT_EQ(d.value("Copies:"), "2");
                EXPECT_EQ(d.enabled("Marked Pages Only"), !c.marks.empty());
                EXPECT_FALSE(d.enabled("From:"));
                ASSERT_TRUE(d.choose("Print Ranges", c.range)) << d.error();
                if (c.from) {
                    EXPECT_TRUE(d.enabled("From:"));
                    ASSERT_TRUE(d.type("From:", std::to_string(c.from)));
                    ASSERT_TRUE(d.type("To:", std::to_string(c.to)));
                }
                ASSERT_TRUE(d.press("Print")) << d.error();
                EXPECT_FALSE(d.window("Test Report Preview"));  // printed: the preview closes
            }
        }
        EXPECT_EQ(jobs(), c.jobs);
        for (const auto& j : recorder->jobs()) {
            EXPECT_EQ(j.job.printer.name, "Office Laser");
            EXPECT_EQ(j.job.title, c.preview || !c.labelStyle ? "Test Report Preview" : "Test Report");
        }
        d.end();
    }
}

// The preview: stamping, paging, a grid of thumbnails, zooms.
TEST_F(PreviewerTest, PagesGridsAndZooms) {
    start(300);  // 6 pages
    ASSERT_TRUE(d.press("Ok"));
    ASSERT_TRUE(d.window("Test Report Preview")) << d.windows();
    EXPECT_EQ(zone(5), "Page 1 of 6");
    EXPECT_EQ(zone(2), "No Zoom");
    auto page1 = d.control("?PAGE1");
    ASSERT_TRUE(page1);
    EXPECT_NE(fixture::readText(page1->text).find("    Page 1 of 6    "), std::string::npos);  // stamped
    EXPECT_FALSE(d.enabled("Previous Page"));
    ASSERT_TRUE(d.press("Go To Last Page"));
    EXPECT_EQ(zone(5), "Page 6 of 6");
    EXPECT_FALSE(d.enabled("Next Page"));

    // A 3 x 2 grid from page 1; a 2 x 2 grid on page 5 hides places 3 and 4.
    ASSERT_TRUE(d.press("Go To First Page"));
    ASSERT_TRUE(d.press("Display Thumbnails"));
    ASSERT_TRUE(d.type("Across", "3"));
    ASSERT_TRUE(d.type("Down", "2"));
    ASSERT_TRUE(d.press("OK"));
    EXPECT_EQ(zone(5), "Pages 1-6 of 6");
    EXPECT_EQ(d.control("?PAGE6")->text, d.control("?PAGE1")->text.substr(0, d.control("?PAGE1")->text.size() - 7) + "6.cpage");
    EXPECT_FALSE(d.enabled("Mark Page"));
    EXPECT_FALSE(d.enabled("Delete Page"));
    EXPECT_FALSE(d.enabled("Print Current Page Only"));
    ASSERT_TRUE(d.press("Display Thumbnails"));
    ASSERT_TRUE(d.type("Across", "2"));
    ASSERT_TRUE(d.press("OK"));
    ASSERT_TRUE(d.press("Next Page"));
    EXPECT_EQ(zone(5), "Pages 5-6 of 6");
    EXPECT_FALSE(d.hidden("?PAGE2"));
    EXPECT_TRUE(d.hidden("?PAGE3"));
    EXPECT_TRUE(d.hidden("?PAGE4"));
    EXPECT_TRUE(d.hidden("?PAGE5"));  // made for the 3 x 2 grid, not part of this one
    EXPECT_FALSE(d.enabled("Next Page"));

    // A click on place 2 shows page 6 at the page's width; a click on it goes back.
    ASSERT_TRUE(d.press("?PAGE2")) << d.error();
    EXPECT_EQ(zone(2), "Page Width");
    EXPECT_EQ(zone(5), "Page 6 of 6");
    EXPECT_EQ(d.control("?ZOOMPAGE")->value, "width");
    ASSERT_TRUE(d.type("?ZOOMSTATUS", "Zoom (100%)")) << d.error();
    EXPECT_EQ(d.control("?ZOOMPAGE")->value, "1");
    EXPECT_EQ(zone(2), "Zoom (100%)");
    ASSERT_TRUE(d.press("Previous Page"));
    EXPECT_EQ(zone(5), "Page 5 of 6");
    ASSERT_TRUE(d.press("?ZOOMPAGE"));
    EXPECT_EQ(zone(2), "No Zoom");
    EXPECT_FALSE(d.hidden("?PAGE1"));
    EXPECT_TRUE(d.hidden("?ZOOMPAGE"));
}

// Deleting pages removes their files; a deleted marked page takes its mark along; with no
// page left, everything that needs one is greyed and printing prints nothing.
TEST_F(PreviewerTest, DeletingPages) {
    start(300);
    ASSERT_TRUE(d.press("Ok"));
    ASSERT_TRUE(d.press("Jump To Page ??"));
    ASSERT_TRUE(d.type("&Page:", "3"));
    ASSERT_TRUE(d.press("OK"));
    const std::string third = d.control("?PAGE1")->text;
    ASSERT_TRUE(d.press("Mark Page"));
    ASSERT_TRUE(d.press("Delete Page"));
    EXPECT_FALSE(fs::exists(third));
    EXPECT_EQ(zone(5), "Page 2 of 5");  // steps back even though a later page exists
    EXPECT_EQ(zone(4), "");
    ASSERT_TRUE(d.press("Print The Report"));
    EXPECT_FALSE(d.enabled("Marked Pages Only"));  // the only mark went with its page
    ASSERT_TRUE(d.press("Cancel"));
    for (int i = 0; i < 5; ++i) ASSERT_TRUE(d.press("Delete Page")) << i;
    EXPECT_EQ(zone(5), "Page 1 of 0");
    for (const char* greyed : {"Mark Page", "Delete Page", "Jump To Page ??", "Print Current Page Only"})
        EXPECT_FALSE(d.enabled(greyed)) << greyed;
    EXPECT_TRUE(d.hidden("?PAGE1"));
    ASSERT_TRUE(d.press("Print The Report"));
    ASSERT_TRUE(d.press("Print"));
    EXPECT_TRUE(recorder->jobs().empty());
}

// A print that fails is told, and the preview stays open without counting as printed.
TEST_F(PreviewerTest, FailedPrintIsReported) {
    recorder->failWith("The printer Office Laser refused the job.");
    start();
    ASSERT_TRUE(d.press("Ok"));
    ASSERT_TRUE(d.press("Print The Report"));
    ASSERT_TRUE(d.press("Print"));
    auto r = d.request();
    ASSERT_TRUE(r);
    EXPECT_NE(r->text.find("refused the job"), std::string::npos) << r->text;
    ASSERT_TRUE(d.answer("OK"));
    EXPECT_TRUE(d.window("Test Report Preview"));
    recorder->failWith("");
    ASSERT_TRUE(d.press("Exit Without Printing Report"));
    EXPECT_FALSE(d.running());
    EXPECT_TRUE(recorder->jobs().empty());
}

// The report printed through "Report Destination" with the PDF printer chosen in the printer
// dialog writes one readable PDF.
TEST_F(PreviewerTest, PrintsToPdf) {
    fixture::TempFolder dir;
    rep::setPrintSink(std::make_shared<rep::render::RenderSink>());
    start();
    ASSERT_TRUE(d.choose("Destination", "Print Report"));
    ASSERT_TRUE(d.press("Select Printer and Setup Print Options"));
    auto r = d.request();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->kind, rt::RequestKind::Printer);
    EXPECT_EQ(r->title, "Select A Printer");
    const std::string pdf = dir.file("test report.pdf");
    ASSERT_TRUE(d.dialog(pdf)) << d.error();
    EXPECT_EQ(d.text("?CURRENTPRINTER"), "Print to File (PDF): test report.pdf");
    ASSERT_TRUE(d.press("Ok"));
    EXPECT_FALSE(d.running()) << d.windows();
    ASSERT_TRUE(fs::exists(pdf));
    const std::string head = fixture::readText(pdf).substr(0, 5);
    EXPECT_EQ(head, "%PDF-");
}

// With the PDF printer and no file chosen for it, a print asks for the file in the printer
// dialog, which proposes the folder of the last PDF; cancelling it prints nothing.
TEST_F(PreviewerTest, PdfPrinterAsksForTheFile) {
    fixture::TempFolder dir;
    rep::setPrintSink(std::make_shared<rep::render::RenderSink>());
    rep::setCurrentPrinter({rep::kPdfPrinter, {}});
    start();
    EXPECT_EQ(d.text("?CURRENTPRINTER"), "Print to File (PDF)");
    ASSERT_TRUE(d.press("Ok"));
    ASSERT_TRUE(d.press("Print Current Page Only"));
    ASSERT_TRUE(d.request());
    EXPECT_EQ(d.request()->kind, rt::RequestKind::Printer);
    EXPECT_TRUE(d.request()->toFile);
    ASSERT_TRUE(d.dialogCancel());
    EXPECT_FALSE(d.request()) << d.windows();  // the host's choice: nothing to tell
    ASSERT_TRUE(d.press("Print Current Page Only"));
    ASSERT_TRUE(d.printToFile(dir.file("one")));
    EXPECT_GT(fs::file_size(dir.file("one.pdf")), 500u);
    // The next one proposes that folder.
    ASSERT_TRUE(d.press("Print Current Page Only"));
    ASSERT_TRUE(d.request());
    EXPECT_EQ(d.request()->path, dir.path() + "/");
    ASSERT_TRUE(d.dialogCancel());
}

namespace {

// Printers are recorded; PDF files are really drawn.
class PdfOrRecorder : public rep::PrintSink {
public:
    explicit PdfOrRecorder(std::shared_ptr<rep::RecorderSink> r) : recorder_(std::move(r)) {}
    bool print(const rep::PrintJob& job, std::string& error) override {
        return job.printer.isPdf() ? pdf_.print(job, error) : recorder_->print(job, error);
    }
    std::unique_ptr<rep::PrintRun> start(const rep::PrintJob& job) override {
        return job.printer.isPdf() ? pdf_.start(job) : PrintSink::start(job);
    }

private:
    std::shared_ptr<rep::RecorderSink> recorder_;
    rep::render::RenderSink pdf_;
};

int pdfPages(const std::string& file) {
    const std::string text = fixture::readText(file);
    int n = 0;
    for (std::size_t at = 0; (at = text.find("/Type /Page\n", at)) != std::string::npos; ++at) ++n;
    for (std::size_t at = 0; (at = text.find("/Type /Page ", at)) != std::string::npos; ++at) ++n;
    return n;
}

}  // namespace

// Whatever the printer dialog hands back ends as a PDF file, a printer's job, or a message that
// says why nothing was printed.
TEST_F(PreviewerTest, PrinterDialogAnswersEndAsAFileAJobOrAMessage) {
    fixture::TempFolder dir;
    rep::setPrintSink(std::make_shared<PdfOrRecorder>(recorder));
    struct Case {
        std::string answer;
        bool toFile;
        std::string shown;    // "Current Printer:"
        std::string written;  // the PDF file, "" none
        bool job;             // a printer's job
        std::string told;     // a part of the message, "" none
    } cases[] = {
        {"Office Laser", false, "Office Laser", "", true, ""},
        {dir.file("x.pdf"), true, "Print to File (PDF): x.pdf", dir.file("x.pdf"), false, ""},
        {dir.file("y.PDF"), true, "Print to File (PDF): y.PDF", dir.file("y.PDF"), false, ""},
        {dir.file("songbook"), true, "Print to File (PDF): songbook.pdf", dir.file("songbook.pdf"), false, ""},
        {dir.file("gone/z.pdf"), true, "Print to File (PDF): z.pdf", "", false,
         "The PDF file " + dir.file("gone/z.pdf") + " could not be written"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        recorder->clear();
        start(130);
        ASSERT_TRUE(d.choose("Destination", "Print Report"));
        ASSERT_TRUE(d.press("Select Printer and Setup Print Options"));
        ASSERT_TRUE(c.toFile ? d.printToFile(c.answer) : d.dialog(c.answer)) << d.error();
        EXPECT_EQ(d.text("?CURRENTPRINTER"), c.shown);
        ASSERT_TRUE(d.press("Ok"));
        if (!c.told.empty()) {
            ASSERT_TRUE(d.request()) << d.windows();
            EXPECT_NE(d.request()->text.find(c.told), std::string::npos) << d.request()->text;
            ASSERT_TRUE(d.answer("OK"));
        }
        EXPECT_FALSE(d.running()) << d.windows();
        if (!c.written.empty()) {
            EXPECT_EQ(pdfPages(c.written), 3);
        }
        ASSERT_EQ(recorder->jobs().size(), c.job ? 1u : 0u);
        if (c.job) {
            EXPECT_EQ(recorder->jobs()[0].job.printer.name, "Office Laser");
        }
    }
    EXPECT_FALSE(fs::exists(dir.file("gone")));
    EXPECT_EQ(fixture::namesIn(dir.path()), (std::vector<std::string>{"songbook.pdf", "x.pdf", "y.PDF"}));
}

// A PDF file is written by the report it was chosen for: a later report, and a single page
// printed from a preview, ask for their own file, and the first file stays as it was unless
// the host chooses it again.
TEST_F(PreviewerTest, TwoReportsOfOneSessionDoNotShareTheFileChosen) {
    fixture::TempFolder dir;
    rep::setPrintSink(std::make_shared<rep::render::RenderSink>());
    const std::string book = dir.file("book.pdf");
    start(300);  // 6 pages
    ASSERT_TRUE(d.choose("Destination", "Print Report"));
    ASSERT_TRUE(d.press("Select Printer and Setup Print Options"));
    ASSERT_TRUE(d.printToFile(book));
    ASSERT_TRUE(d.press("Ok"));
    EXPECT_FALSE(d.running()) << d.windows();
    ASSERT_EQ(pdfPages(book), 6);
    const std::string first = fixture::readText(book);

    // The next report views its pages; printing one page asks for that page's file.
    start(60);
    EXPECT_EQ(d.text("?CURRENTPRINTER"), "Print to File (PDF)");
    ASSERT_TRUE(d.press("Ok"));
    ASSERT_TRUE(d.press("Print Current Page Only"));
    ASSERT_TRUE(d.request()) << d.windows();
    EXPECT_EQ(d.request()->kind, rt::RequestKind::Printer);
    EXPECT_EQ(d.request()->path, dir.path() + "/");  // the last folder, no file of another report
    ASSERT_TRUE(d.printToFile(dir.file("page.pdf")));
    EXPECT_EQ(pdfPages(dir.file("page.pdf")), 1);
    // "Print The Report" asks again: that file was the page's.
    ASSERT_TRUE(d.press("Print The Report"));
    EXPECT_EQ(d.text("?SELECTEDPRINTER"), "Print to File (PDF)");
    ASSERT_TRUE(d.press("Print"));
    ASSERT_TRUE(d.request()) << d.windows();
    ASSERT_TRUE(d.printToFile(dir.file("second.pdf")));
    EXPECT_FALSE(d.running()) << d.windows();
    EXPECT_EQ(pdfPages(dir.file("second.pdf")), 2);
    EXPECT_EQ(fixture::readText(book), first);

    // Chosen again, the file is replaced (the dialog asked the host already).
    start(60);
    ASSERT_TRUE(d.choose("Destination", "Print Report"));
    ASSERT_TRUE(d.press("Select Printer and Setup Print Options"));
    ASSERT_TRUE(d.printToFile(book));
    ASSERT_TRUE(d.press("Ok"));
    EXPECT_FALSE(d.request()) << d.windows();
    EXPECT_EQ(pdfPages(book), 2);
}

namespace {

// Draws its job with the renderers, a page at a time and each page taking at least
// `pageMs`; half-way (when `halfWay` is set) it runs it and waits until `answered` says yes,
// which needs another thread of the program to run while the print has given up the baton.
class PacedSink : public rep::PrintSink {
public:
    int pageMs = 0;
    std::function<void()> halfWay;
    std::function<bool()> answered;
    std::atomic<bool> answeredHalfWay{false};  // the answer came before the drawing went on
    bool print(const rep::PrintJob& job, std::string& error) override { return inner_.print(job, error); }
    std::unique_ptr<rep::PrintRun> start(const rep::PrintJob& job) override {
        struct Run : rep::PrintRun {
            PacedSink& s;
            std::unique_ptr<rep::PrintRun> r;
            bool asked = false;
            Run(PacedSink& s, std::unique_ptr<rep::PrintRun> r) : s(s), r(std::move(r)) {}
            bool step(int ms) override {
                const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
                do {
                    if (s.halfWay && !asked && r->pagesDone() >= r->pages() / 2) {
                        asked = true;
                        s.halfWay();
                        const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
                        while (!s.answered() && std::chrono::steady_clock::now() < limit)
                            std::this_thread::sleep_for(std::chrono::milliseconds(2));
                        s.answeredHalfWay = s.answered();
                    }
                    std::this_thread::sleep_for(std::chrono::milliseconds(s.pageMs));
                    if (!r->step(0)) return false;  // one page
                } while (!r->finished() && std::chrono::steady_clock::now() < until);
                return true;
            }
            bool finished() const override { return r->finished(); }
            int pagesDone() const override { return r->pagesDone(); }
            int pages() const override { return r->pages(); }
            void cancel() override { r->cancel(); }
            const std::string& error() const override { return r->error(); }
        };
        return std::make_unique<Run>(*this, inner_.start(job));
    }

private:
    rep::render::RenderSink inner_;
};

constexpr int kRowsAPage = 58;  // of the test report

}  // namespace

// The window titled `title` as published now, and the id of its control `name` (0 when either
// is missing); read from the drawing, while the program thread is outside the baton.
struct Shown {
    std::shared_ptr<const rt::WindowState> window;
    int control = 0;
};
Shown shownNow(const std::string& title, const std::string& name) {
    Shown out;
    for (const auto& w : rt::published().windows)
        if (w->title == title) out.window = w;
    if (out.window)
        for (const auto& c : out.window->controls)
            if (c.name == name) out.control = c.id;
    return out;
}

// A 200-page PDF is drawn while the program's other windows go on: half-way through the
// drawing a window of another thread answers a button, and the print shows its pages and can be
// cancelled meanwhile.
TEST_F(PreviewerTest, OtherWindowsAnswerWhileA200PagePdfIsDrawn) {
    fixture::TempFolder dir;
    const std::string pdf = dir.file("big.pdf");
    auto sink = std::make_shared<PacedSink>();
    sink->pageMs = 2;  // half the pages take longer than the turn before the window shows
    rep::setPrintSink(sink);
    std::atomic<int> pings{0};
    ASSERT_TRUE(d.start([&pings] {
        rt::Window w("Launcher", rt::WindowKind::Dialog, -1, -1, 120, 40);
        const int print = w.button("?Print", "Print", 4, 4, 50, 14);
        const int ping = w.button("?Ping", "Ping", 60, 4, 50, 14);
        w.open();
        while (w.accept()) {
            if (w.code() != rt::EvAccepted) continue;
            if (w.field() == print) {
                rt::startThread([] {
                    ::CallRequest = 200 * kRowsAPage;
                    headless::PrintTestReport();
                });
            } else if (w.field() == ping) {
                w.setStatus("pong " + std::to_string(++pings));
            }
        }
    })) << d.error();
    const int launcher = d.window("Launcher")->id;
    const int pingButton = d.control("Launcher", "Ping")->id;
    bool halfDrawn = false;
    Shown printing;
    sink->halfWay = [&] {
        const std::vector<std::string> names = fixture::namesIn(dir.path());
        halfDrawn = names.size() == 1 && names[0].rfind(".big.pdf.tmp", 0) == 0;  // its work file only
        printing = shownNow("Printing", "?Cancel");
        rt::input(launcher, rt::EventData(rt::EvAccepted, pingButton));
    };
    sink->answered = [&] { return pings.load() > 0; };

    ASSERT_TRUE(d.press("Print"));
    ASSERT_TRUE(d.window("Report Destination")) << d.windows();
    ASSERT_TRUE(d.choose("Destination", "Print Report"));
    ASSERT_TRUE(d.press("Select Printer and Setup Print Options"));
    ASSERT_TRUE(d.printToFile(pdf));
    d.setSettleTimeout(60000);
    // The program settles once the whole PDF is drawn.
    ASSERT_TRUE(d.press("Ok")) << d.error();
    // Half-way, the print's window showed its pages, and Cancel.
    ASSERT_TRUE(printing.window) << "no Printing window half-way";
    ASSERT_NE(printing.control, 0);
    for (const auto& c : printing.window->controls) {
        if (c.id == printing.control) {
            EXPECT_TRUE(c.enabled);
        }
        if (c.name == "?Percent") {
            EXPECT_NE(c.text.find(" of 200"), std::string::npos) << c.text;
        }
    }
    EXPECT_FALSE(d.window("Printing")) << d.windows();
    EXPECT_EQ(pings.load(), 1);
    EXPECT_TRUE(halfDrawn);
    EXPECT_TRUE(sink->answeredHalfWay) << "the window answered while the PDF was being drawn";
    EXPECT_EQ(pdfPages(pdf), 200);
    EXPECT_EQ(fixture::namesIn(dir.path()), std::vector<std::string>{"big.pdf"});
    EXPECT_EQ(d.status()[0], "pong 1");
}

// Cancel in the "Printing" window stops the drawing: no PDF, and nothing half written beside it.
TEST_F(PreviewerTest, CancelWhileAPdfIsDrawnKeepsNothing) {
    fixture::TempFolder dir;
    auto sink = std::make_shared<PacedSink>();
    sink->pageMs = 2;
    rep::setPrintSink(sink);
    bool pressed = false;
    sink->halfWay = [&] {
        const Shown printing = shownNow("Printing", "?Cancel");
        pressed = printing.control && rt::input(printing.window->id, rt::EventData(rt::EvAccepted, printing.control));
    };
    sink->answered = [] { return true; };
    start(200 * kRowsAPage);
    ASSERT_TRUE(d.choose("Destination", "Print Report"));
    ASSERT_TRUE(d.press("Select Printer and Setup Print Options"));
    ASSERT_TRUE(d.printToFile(dir.file("big.pdf")));
    ASSERT_TRUE(d.press("Ok")) << d.error();
    EXPECT_TRUE(pressed) << "no Printing window with Cancel half-way";
    EXPECT_FALSE(d.request()) << d.windows();  // the host stopped it: nothing to tell
    EXPECT_FALSE(d.running()) << d.windows();
    EXPECT_TRUE(fixture::namesIn(dir.path()).empty());
}

// A print that takes longer than the turn before its window shows is done when the program
// settles, however slowly the machine draws: the driver lets the drawing go on, tick by tick.
TEST_F(PreviewerTest, APrintLongerThanItsFirstTurnIsDoneWhenTheProgramSettles) {
    fixture::TempFolder dir;
    auto sink = std::make_shared<PacedSink>();
    sink->pageMs = 60;  // 6 pages: longer than the first turn
    rep::setPrintSink(sink);
    bool windowShown = false;
    sink->halfWay = [&] { windowShown = shownNow("Printing", "?Cancel").control != 0; };
    sink->answered = [] { return true; };
    start(300);  // 6 pages
    ASSERT_TRUE(d.choose("Destination", "Print Report"));
    ASSERT_TRUE(d.press("Select Printer and Setup Print Options"));
    ASSERT_TRUE(d.printToFile(dir.file("slow.pdf")));
    ASSERT_TRUE(d.press("Ok")) << d.error();
    EXPECT_TRUE(windowShown) << "the print was done before its window showed";
    EXPECT_FALSE(d.running()) << d.windows();
    EXPECT_EQ(pdfPages(dir.file("slow.pdf")), 6);
    EXPECT_EQ(fixture::namesIn(dir.path()), std::vector<std::string>{"slow.pdf"});
}

// The program ends while a PDF is drawn (its first thread's window closed, or the program
// stopped at once): the pages the host asked for are drawn to the end first, and the file is
// whole, with nothing half written beside it.
TEST_F(PreviewerTest, AProgramThatEndsWhileAPdfIsDrawnFinishesIt) {
    for (const bool stopped : {false, true}) {
        SCOPED_TRACE(stopped ? "stopped" : "its first window closed");
        fixture::TempFolder dir;
        const std::string pdf = dir.file("ending.pdf");
        auto sink = std::make_shared<PacedSink>();
        sink->pageMs = 2;
        rep::setPrintSink(sink);
        ASSERT_TRUE(d.start([] {
            rt::Window w("Launcher", rt::WindowKind::Dialog, -1, -1, 120, 40);
            const int print = w.button("?Print", "Print", 4, 4, 50, 14);
            w.open();
            while (w.accept())
                if (w.code() == rt::EvAccepted && w.field() == print)
                    rt::startThread([] {
                        ::CallRequest = 80 * kRowsAPage;
                        headless::PrintTestReport();
                    });
        })) << d.error();
        const int launcher = d.window("Launcher")->id;
        sink->halfWay = [&] {
            if (stopped) rt::stopProgram();
            else rt::input(launcher, rt::EventData(rt::EvCloseWindow));
        };
        sink->answered = [] { return rt::halted(); };
        ASSERT_TRUE(d.press("Print"));
        ASSERT_TRUE(d.choose("Destination", "Print Report"));
        ASSERT_TRUE(d.press("Select Printer and Setup Print Options"));
        ASSERT_TRUE(d.printToFile(pdf));
        ASSERT_TRUE(d.press("Ok")) << d.error();
        EXPECT_TRUE(sink->answeredHalfWay) << "the program did not end half-way through the drawing";
        EXPECT_FALSE(d.running()) << d.windows();
        EXPECT_EQ(pdfPages(pdf), 80);
        EXPECT_EQ(fixture::namesIn(dir.path()), std::vector<std::string>{"ending.pdf"});
    }
}

// cantorelle-script ends with the program: a print it started is drawn whole first, however
// slowly, and the script says nothing went wrong.
TEST_F(PreviewerTest, AScriptThatEndsWithAPrintLeavesTheWholePdf) {
    fixture::TempFolder dir;
    auto sink = std::make_shared<PacedSink>();
    sink->pageMs = 80;  // 3 pages: longer than the first turn
    rep::setPrintSink(sink);
    headless::registerProgramProcedures();
    const std::string pdf = dir.file("script.pdf");
    std::istringstream script("start PrintTestReport\n"
                              "choose Destination \"Print Report\"\n"
                              "press \"Select Printer and Setup Print Options\"\n"
                              "pdf \"" + pdf + "\"\n"
                              "press Ok\n");
    std::ostringstream out;
    EXPECT_EQ(headless::runScript(script, out), headless::kScriptOk) << out.str();
    EXPECT_EQ(pdfPages(pdf), 3);
    EXPECT_EQ(fixture::namesIn(dir.path()), std::vector<std::string>{"script.pdf"});
}

// A one-page report opened with a zoom name the table does not have: the last zoom.
TEST_F(PreviewerTest, UnknownZoomAndOnePage) {
    ASSERT_TRUE(d.start([] {
        ReportPreviewer pv;
        rep::PageQueue pages;
        rep::Report report;
        report.setPages(pages);
        auto& row = report.detail(200);
        row.add(rep::Text(0, 0, 3000, 200, "only row"));
        report.print(row);
        ::CallResponse = ShowReportPreview(pv, report, pages, "", "Zoom (400%)", false);
    })) << d.error();
    ASSERT_TRUE(d.window("Report Preview")) << d.windows();  // a blank title keeps the window's own
    EXPECT_EQ(zone(2), "Zoom (300%)");
    EXPECT_EQ(zone(5), "Page 1 of 1");
    EXPECT_EQ(d.control("?ZOOMPAGE")->value, "3");
    for (const char* greyed : {"Go To First Page", "Previous Page", "Next Page", "Go To Last Page"})
        EXPECT_FALSE(d.enabled(greyed)) << greyed;
    EXPECT_TRUE(d.enabled("Mark Page"));
}

// The disc fills up (a file-size limit in a child process) while the host prints a report of
// many pages to the PDF of an older report: one message names the file and the reason, nothing
// says it was printed, and the older PDF stays byte for byte, with nothing beside it.
TEST_F(PreviewerTest, APdfPrintOnAFullDiscSaysSoAndKeepsTheOlderFile) {
    fixture::TempFolder dir;
    rep::setPrintSink(std::make_shared<rep::render::RenderSink>());
    const std::string pdf = dir.file("songs.pdf");
    auto printTo = [&](int rows) {
        if (!d.start([rows] {
                ::CallRequest = rows;
                headless::PrintTestReport();
            }))
            return d.error();
        if (!d.choose("Destination", "Print Report") || !d.press("Select Printer and Setup Print Options") ||
            !d.printToFile(pdf))
            return d.error();
        d.setSettleTimeout(60000);
        if (!d.press("Ok")) return d.error();
        std::string said;
        for (int i = 0; i < 10 && d.request(); ++i) {
            said += d.request()->text + "\n--\n";
            if (!d.answer("OK")) break;
        }
        return said + (d.running() ? d.windows() : "ended");
    };
    ASSERT_EQ(printTo(2 * kRowsAPage), "ended");
    const std::string old = fixture::readText(pdf);
    ASSERT_EQ(pdfPages(pdf), 2);
    d.end();

    const std::string said = fixture::inChild([&] { return printTo(150 * kRowsAPage); }, 256 * 1024);
    EXPECT_EQ(said, "The report could not be printed.\nThe PDF file " + pdf +
                        " could not be written (File too large).\n--\nended");
    EXPECT_TRUE(fixture::readText(pdf) == old) << "the older PDF changed";
    EXPECT_EQ(fixture::namesIn(dir.path()), std::vector<std::string>{"songs.pdf"});
}
