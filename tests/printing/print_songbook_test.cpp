#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "frontend/headless/procedures.h"
#include "frontend/headless/script.h"
#include "printing/PrintSettings.h"
#include "runtime/report/page_file.h"
#include "runtime/report/print.h"
#include "runtime/report/render/render.h"
#include "shell/workspace/workspace_fixture.h"

namespace {

namespace fs = std::filesystem;
namespace rep = rt::report;
using workspace_test::Listing;
using workspace_test::WorkspaceTest;

constexpr const char* kDesigner = "Cantorelle V2 SongBook Maker - SongBook Designer";

// The texts of a page file, in file order.
std::vector<std::string> pageTexts(const std::string& text) {
    rep::PageFile p;
    rep::parsePage(text, p);
    std::vector<std::string> out;
    for (const auto& it : p.items)
        if (it.kind == 'T') out.push_back(it.text);
    return out;
}

class PrintSongBookTest : public WorkspaceTest {
protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        PrintSetup = PrintSettings{};
        recorder_ = std::make_shared<rep::RecorderSink>();
        old_ = rep::setPrintSink(recorder_);
        rep::setCurrentPrinter({"Office Laser", {}});
    }
    void TearDown() override {
        WorkspaceTest::TearDown();
        rep::setPrintSink(old_);
        rep::setCurrentPrinter({rep::kPdfPrinter, {}});
        PrintSetup = PrintSettings{};
    }
    void openDesigner(const std::vector<Listing>& listings) {
        makeSongBook("Songs", listings, workspace_test::sampleDiscs());
        openWorkspace("Songs");
        ASSERT_TRUE(d_.menu({"&Print", "&Print SongBook"})) << d_.error();
        ASSERT_EQ(d_.active()->title, kDesigner) << d_.windows();
    }
    // "Print SongBook", then the destination; true when the run got to its progress window.
    void print(const std::string& destination) {
        ASSERT_TRUE(d_.press("&Print SongBook")) << d_.error();
        ASSERT_TRUE(d_.window("Report Destination")) << d_.windows();
        ASSERT_TRUE(d_.in("Report Destination").choose("Destination", destination)) << d_.error();
        ASSERT_TRUE(d_.in("Report Destination").press("Ok")) << d_.error();
    }
    // Lets the progress window's timer run until the run is over.
    void runToEnd() {
        for (int i = 0; i < 200 && d_.window("Generating SongBook"); ++i) ASSERT_TRUE(d_.wait(10)) << d_.error();
        EXPECT_FALSE(d_.window("Generating SongBook")) << d_.windows();
    }
    std::vector<std::string> printedTexts() {
        std::vector<std::string> out;
        for (const auto& j : recorder_->jobs())
            for (const auto& t : j.texts)
                for (auto& s : pageTexts(t)) out.push_back(s);
        return out;
    }

    std::shared_ptr<rep::RecorderSink> recorder_;
    std::shared_ptr<rep::PrintSink> old_;
};

std::vector<Listing> manyListings(int n) {
    std::vector<Listing> out;
    for (int i = 1; i <= n; ++i) {
        char t[32];
        std::snprintf(t, sizeof t, "Song %04d", i);
        out.push_back({t, "Artist " + std::to_string(i % 7), i % 2 ? "CV0105" : "MX2201", static_cast<unsigned>(i)});
    }
    return out;
}

TEST_F(PrintSongBookTest, PrintsEveryPrintableListingInOrderWithoutPreview) {
    auto listings = workspace_test::sampleListings();
    listings[1].omit = "X";
    openDesigner(listings);
    ASSERT_TRUE(d_.choose("SongBook Style", "?PrintFormat:3")) << d_.error();
    print("Print Report");
    runToEnd();
    ASSERT_EQ(recorder_->jobs().size(), 1u);
    const auto texts = printedTexts();
    // In title order; the omitted listing left out; the missing disc's number is "-" and the track.
    const std::vector<std::string> titles = {"Atlas", "Other Side", "THE LAST WALTZ", "the long road",
                                             "The Night the Tramlines Sang", "Theory of Rain"};
    std::size_t at = 0;
    for (const auto& t : texts)
        if (at < titles.size() && t == titles[at]) ++at;
    EXPECT_EQ(at, titles.size()) << "titles out of order";
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "Lanterns Over Calder Bay"), 0);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "-04"), 1);
    EXPECT_EQ(std::count(texts.begin(), texts.end(), "101-01"), 1);
    // The Designer stays open; PrefCodes and the footer were taken when Print was pressed.
    EXPECT_TRUE(d_.window(kDesigner));
    EXPECT_EQ(PrintSetup.PrefCodes.padded(), std::string(20, ' '));
}

// Stamping page numbers never touches a host's text: a listing, the heading and the footer that
// read like the placeholder print as typed, in the preview and on paper, beside the styles'
// own page numbers.
TEST_F(PrintSongBookTest, TextsThatReadLikeThePagePlaceholderPrintAsTyped) {
    const std::string ph = rep::kPagePlaceholder;
    auto listings = manyListings(120);
    listings[5].title = ph;
    openDesigner(listings);
    ASSERT_TRUE(d_.choose("?Sheet", "Header")) << d_.error();
    ASSERT_TRUE(d_.type("?ReportHeader", ph)) << d_.error();
    ASSERT_TRUE(d_.choose("?Sheet", "Footer")) << d_.error();
    ASSERT_TRUE(d_.type("?ReportFooter", ph)) << d_.error();
    for (const char* destination : {"Print Report", "View Report"}) {
        SCOPED_TRACE(destination);
        recorder_->clear();
        ASSERT_TRUE(d_.activate(kDesigner));
        print(destination);
        runToEnd();
        if (std::string(destination) == "View Report") {
            ASSERT_TRUE(d_.window("SongBook Preview")) << d_.windows();
            ASSERT_TRUE(d_.in("SongBook Preview").press("Print The Report")) << d_.error();
            ASSERT_TRUE(d_.press("Print")) << d_.error();
        }
        ASSERT_EQ(recorder_->jobs().size(), 1u) << d_.windows();
        const auto texts = recorder_->jobs()[0].texts;
        ASSERT_GE(texts.size(), 2u);
        int listed = 0;
        for (std::size_t n = 0; n < texts.size(); ++n) {
            const auto t = pageTexts(texts[n]);
            // The heading and the footer on every page, the listing once in the book.
            const auto same = std::count(t.begin(), t.end(), ph);
            EXPECT_GE(same, 2) << "page " << n + 1;
            listed += static_cast<int>(same) - 2;
            EXPECT_EQ(std::count(t.begin(), t.end(), "Page: " + std::to_string(n + 1)), 1) << "page " << n + 1;
            for (const auto& s : t) {
                // Nothing was stamped.
                if (s != ph) {
                    EXPECT_EQ(s.find(" of "), std::string::npos) << s;
                }
            }
        }
        EXPECT_EQ(listed, 1);
    }
}

TEST_F(PrintSongBookTest, ARunKeepsTheSettingsItStartedWithAndASecondRunStartsBesideIt) {
    openDesigner(manyListings(300));
    ASSERT_TRUE(d_.choose("?Sheet", "Header")) << d_.error();
    ASSERT_TRUE(d_.type("?ReportHeader", "First Run")) << d_.error();
    print("Print Report");
    ASSERT_TRUE(d_.window("Generating SongBook")) << d_.windows();
    // Changed while the first run lays its pages out; a second run starts beside it.
    ASSERT_TRUE(d_.activate(kDesigner));
    ASSERT_TRUE(d_.type("?ReportHeader", "Second Run")) << d_.error();
    ASSERT_TRUE(d_.choose("?Sheet", "General")) << d_.error();
    ASSERT_TRUE(d_.choose("SongBook Style", "?PrintFormat:5")) << d_.error();
    ASSERT_TRUE(d_.press("&Print SongBook")) << d_.error();
    ASSERT_TRUE(d_.in("Report Destination").choose("Destination", "Print Report")) << d_.error();
    ASSERT_TRUE(d_.in("Report Destination").press("Ok")) << d_.error();
    for (int i = 0; i < 300 && d_.window("Generating SongBook"); ++i) ASSERT_TRUE(d_.wait(10));
    ASSERT_EQ(recorder_->jobs().size(), 2u);
    for (const auto& job : recorder_->jobs()) {
        const auto first = pageTexts(job.texts.front());
        const bool one = std::count(first.begin(), first.end(), "First Run") == 1;
        const bool two = std::count(first.begin(), first.end(), "Second Run") == 1;
        EXPECT_NE(one, two);
        // Each run in its own style on every page: one "Artist" heading, or two for two columns.
        for (const auto& page : job.texts) {
            const auto t = pageTexts(page);
            EXPECT_EQ(std::count(t.begin(), t.end(), "Artist"), one ? 1 : 2);
            EXPECT_EQ(std::count(t.begin(), t.end(), one ? "First Run" : "Second Run"), 1);
        }
    }
}

// A recalled design with values no style can use (or no settings at all) says which keys took
// their initial values, and "Print SongBook" then prints.
TEST_F(PrintSongBookTest, ARecalledDesignWithStrayValuesStillPrints) {
    openDesigner(manyListings(30));
    struct Case {
        const char* what;
        const char* settings;
        std::vector<std::string> named;
    } cases[] = {
        {"stray values", "[Settings]\nPrintSort=2\nPrintFormat=99\nSetFonts=2\nCaseStyle=1\nOffsetPages=1\n"
                         "Offset=-40\nPageBreakOffset=-9\n",
         {"PrintFormat", "Offset", "PageBreakOffset"}},
        {"no settings", "", {"PrintSort", "PrintFormat", "SetFonts", "CaseStyle"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        recorder_->clear();
        const std::string file = root_.file("stray.psf");
        fixture::writeText(file, std::string("[Version]\nVersion=SongBook Print Setup File\n") + c.settings);
        ASSERT_TRUE(d_.press("&Recall Design")) << d_.error();
        ASSERT_TRUE(d_.dialog(file)) << d_.error();
        auto box = d_.request();
        ASSERT_TRUE(box && box->kind == rt::RequestKind::Message) << d_.windows();
        EXPECT_NE(box->text.find(file), std::string::npos) << box->text;
        for (const std::string& key : c.named) EXPECT_NE(box->text.find(key + ": "), std::string::npos) << box->text;
        EXPECT_NE(box->text.find("PrintFormat: "), std::string::npos);
        EXPECT_NE(box->text.find(", 1 is used"), std::string::npos) << box->text;
        ASSERT_TRUE(d_.answer("OK")) << d_.error();
        EXPECT_EQ(PrintSetup.PrintFormat, 1);
        print("Print Report");
        runToEnd();
        ASSERT_EQ(recorder_->jobs().size(), 1u) << d_.windows();
        const auto texts = printedTexts();
        EXPECT_EQ(std::count(texts.begin(), texts.end(), "Song 0029"), 1);
        ASSERT_TRUE(d_.activate(kDesigner));
    }
}

TEST_F(PrintSongBookTest, CancelledOrEmptyRunsShowAndPrintNothing) {
    auto listings = manyListings(1000);  // three ticks of rows
    openDesigner(listings);
    // Cancelled at the destination: nothing read, nothing printed.
    ASSERT_TRUE(d_.press("&Print SongBook")) << d_.error();
    ASSERT_TRUE(d_.in("Report Destination").press("Cancel")) << d_.error();
    EXPECT_FALSE(d_.window("Generating SongBook"));
    // Cancelled while printing.
    print("View Report");
    ASSERT_TRUE(d_.window("Generating SongBook")) << d_.windows();
    ASSERT_TRUE(d_.wait(1));
    ASSERT_TRUE(d_.in("Generating SongBook").press("Cancel")) << d_.error();
    EXPECT_FALSE(d_.window("Generating SongBook"));
    EXPECT_FALSE(d_.window("SongBook Preview"));
    // Everything filtered out: no preview, no message.
    ASSERT_TRUE(d_.activate(kDesigner));
    ASSERT_TRUE(d_.choose("?Sheet", "Advanced")) << d_.error();
    ASSERT_TRUE(d_.check("Print  Duets Only")) << d_.error();
    print("View Report");
    runToEnd();
    EXPECT_FALSE(d_.window("SongBook Preview"));
    EXPECT_EQ(d_.request(), nullptr);
    EXPECT_TRUE(recorder_->jobs().empty());
}

TEST_F(PrintSongBookTest, ViewReportShowsThePreviewAndAGoneSongBookIsReported) {
    openDesigner(manyListings(150));
    ASSERT_TRUE(d_.choose("SongBook Style", "?PrintFormat:6")) << d_.error();
    print("View Report");
    runToEnd();
    ASSERT_TRUE(d_.window("SongBook Preview")) << d_.windows();
    ASSERT_TRUE(d_.in("SongBook Preview").close()) << d_.error();
    // The SongBook's files gone: a message, no output.
    fs::remove(listingFile("Songs"));
    ASSERT_TRUE(d_.activate(kDesigner));
    ASSERT_TRUE(d_.press("&Print SongBook")) << d_.error();
    ASSERT_NE(d_.request(), nullptr) << d_.windows();
    EXPECT_NE(d_.request()->text.find("no SongBook to print"), std::string::npos) << d_.request()->text;
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(d_.window("Report Destination"));
    EXPECT_FALSE(fs::exists(listingFile("Songs")));
}

// From the shell: the Designer, a style and order, "Print SongBook", "Print Report" with the
// PDF printer; the PDF's text holds every title in order.
TEST_F(PrintSongBookTest, ScriptPrintsAPdf) {
    if (std::system("command -v pdftotext > /dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is missing";
    rep::setPrintSink(std::make_shared<rep::render::RenderSink>());
    makeSongBook("Songs", manyListings(130), workspace_test::sampleDiscs());
    const std::string pdf = root_.file("songbook.pdf");
    std::string script = "start BrowseSongBook\nselect ?LIST 1\npress \"&Open Selected SongBook\"\n"
                         "menu &Print \"&Print SongBook\"\n"
                         "choose \"Sorted By\" \"Song Title\"\nchoose \"SongBook Style\" ?PrintFormat:2\n"
                         "press \"&Print SongBook\"\n"
                         "in \"Report Destination\" choose Destination \"Print Report\"\n"
                         "in \"Report Destination\" press \"Select Printer and Setup Print Options\"\n"
                         "dialog \"" + pdf + "\"\n"
                         "in \"Report Destination\" press Ok\n";
    for (int i = 0; i < 30; ++i) script += "wait 10\n";
    script += "expect-not \"Generating SongBook\"\n";
    headless::registerProgramProcedures();
    std::istringstream in(script);
    std::ostringstream out;
    ASSERT_EQ(headless::runScript(d_, in, out), 0) << out.str();
    ASSERT_TRUE(fs::exists(pdf)) << out.str();
    const std::string txt = root_.file("songbook.txt");
    ASSERT_EQ(std::system(("pdftotext -layout '" + pdf + "' '" + txt + "'").c_str()), 0);
    std::ifstream t(txt);
    std::stringstream ss;
    ss << t.rdbuf();
    const std::string text = ss.str();
    // Title order, every title once.
    std::size_t last = 0;
    for (int i = 1; i <= 130; ++i) {
        char title[32];
        std::snprintf(title, sizeof title, "Song %04d", i);
        const std::size_t at = text.find(title);
        ASSERT_NE(at, std::string::npos) << title;
        EXPECT_GT(at, last) << title << " out of order";
        EXPECT_EQ(text.find(title, at + 1), std::string::npos) << title << " twice";
        last = at;
    }
}

}  // namespace
