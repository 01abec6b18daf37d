#include <gtest/gtest.h>

#include <fstream>

#include "printing/PrintDesignFile.h"
#include "printing/PrintSettings.h"
#include "printing/styles/StyleReport.h"
#include "frontend/headless/procedures.h"
#include "frontend/headless/script.h"
#include "runtime/files/folder.h"
#include "runtime/files/ini.h"
#include <sstream>
#include "shell/workspace/workspace_fixture.h"

namespace {

using workspace_test::WorkspaceTest;

constexpr const char* kDesigner = "Cantorelle V2 SongBook Maker - SongBook Designer";

class DesignerTest : public WorkspaceTest {
protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        PrintSetup = PrintSettings{};
        makeSongBook("Songs", workspace_test::sampleListings(), workspace_test::sampleDiscs());
        openWorkspace("Songs");
    }
    void TearDown() override {
        WorkspaceTest::TearDown();
        PrintSetup = PrintSettings{};
    }

    // Opens the Designer from the workspace's Print menu.
    void openDesigner() {
        ASSERT_TRUE(d_.menu({"&Print", "&Print SongBook"})) << d_.error();
        ASSERT_NE(d_.active(), nullptr);
        ASSERT_EQ(d_.active()->title, kDesigner) << d_.windows();
    }
    std::string message() {
        auto r = d_.request();
        return r && r->kind == rt::RequestKind::Message ? r->text : std::string();
    }
};

TEST_F(DesignerTest, OpensWithTodaysDatesBindingOffsetAndNoPageBreakCorrection) {
    PrintSetup.PAGEBREAKOFFSET = 3;
    PrintSetup.Offset = 0;
    PrintSetup.EndDate = rt::date(1, 1, 2000);
    openDesigner();
    EXPECT_EQ(PrintSetup.PAGEBREAKOFFSET, 0);
    EXPECT_EQ(PrintSetup.Offset, 80);
    EXPECT_EQ(PrintSetup.EndDate, rt::today());
    EXPECT_EQ(PrintSetup.StartDate, rt::today());
    // A blank genre becomes the first genre in genre order.
    EXPECT_EQ(PrintSetup.PrintGenre, "Ballads");
    // Groups follow their check boxes.
    EXPECT_TRUE(d_.hidden("?Pref1"));
    EXPECT_TRUE(d_.hidden("?Offset"));
    EXPECT_TRUE(d_.hidden("?StartDate"));
    EXPECT_TRUE(d_.hidden("?PrintGenre"));
    ASSERT_TRUE(d_.choose("?Sheet", "Advanced")) << d_.error();
    ASSERT_TRUE(d_.check("Remove Duplicate Songs")) << d_.error();
    ASSERT_TRUE(d_.check("Offset Pages for Binding")) << d_.error();
    ASSERT_TRUE(d_.check("Filter by Date Added")) << d_.error();
    ASSERT_TRUE(d_.check("Filter by Genre")) << d_.error();
    for (const char* c : {"?Pref1", "?Offset", "?StartDate", "?PrintGenre"}) EXPECT_FALSE(d_.hidden(c)) << c;
    EXPECT_EQ(d_.value("?Offset"), "80");
    EXPECT_EQ(PrintSetup.RemoveDuplicates, 1);
    EXPECT_EQ(PrintSetup.OffsetPages, 1);
}

TEST_F(DesignerTest, BrandListsKeepCodesTheyLackAndEmptyTheChoicesWithoutCodes) {
    PrintSetup.Pref1 = "ZZ";
    PrintSetup.Pref2 = "MX";
    openDesigner();
    EXPECT_EQ(d_.value("?Pref1"), "");
    EXPECT_EQ(PrintSetup.Pref1, "ZZ");
    EXPECT_EQ(d_.value("?Pref2").substr(0, 3), "MX\t");
    ASSERT_TRUE(d_.press("&Close")) << d_.error();
    // No manufacturer codes at all: every preference becomes blank.
    ASSERT_EQ(fixture::execSql(MakeIdFileName.str(), "DELETE FROM data"), 0);
    openDesigner();
    EXPECT_EQ(JoinedPreferences(PrintSetup), std::string(16, ' '));
}

TEST_F(DesignerTest, EveryTabEditsItsSettings) {
    openDesigner();
    ASSERT_TRUE(d_.choose("Sorted By", "Artist")) << d_.error();
    ASSERT_TRUE(d_.choose("SongBook Style", "?PrintFormat:6")) << d_.error();
    EXPECT_EQ(PrintSetup.PrintSort, 2);
    EXPECT_EQ(PrintSetup.PrintFormat, 6);
    // Two columns have no large size: Large becomes Medium and is greyed.
    EXPECT_EQ(PrintSetup.SetFonts, 2);
    EXPECT_FALSE(d_.enabled("Large (12 pt)"));
    ASSERT_TRUE(d_.choose("SongBook Style", "?PrintFormat:2")) << d_.error();
    EXPECT_TRUE(d_.enabled("Large (12 pt)"));

    ASSERT_TRUE(d_.choose("?Sheet", "Header")) << d_.error();
    ASSERT_TRUE(d_.type("?ReportHeader", "Friday Night Songs")) << d_.error();
    ASSERT_TRUE(d_.check("?HeaderSetBold")) << d_.error();
    ASSERT_TRUE(d_.type("?HeaderFont", "Times New Roman")) << d_.error();
    ASSERT_TRUE(d_.press("Choose Column Bar Fill Color")) << d_.error();
    ASSERT_NE(d_.request(), nullptr);
    EXPECT_EQ(d_.request()->title, "Choose Column Bar Fill Color");
    ASSERT_TRUE(d_.chooseColor(0x336699)) << d_.error();
    EXPECT_EQ(PrintSetup.ReportHeader, "Friday Night Songs");
    EXPECT_EQ(PrintSetup.HeaderSetBold, 1);
    EXPECT_EQ(PrintSetup.HeaderFont, "Times New Roman");
    EXPECT_EQ(PrintSetup.ColumnBarFill, 0x336699u);
    // The sample follows.
    EXPECT_EQ(d_.text("?SampleHeader"), "Friday Night Songs");
    EXPECT_EQ(d_.control("?SampleHeader")->font.weight, 700);
    EXPECT_EQ(d_.control("?SampleBar")->bg, 0x336699u);

    ASSERT_TRUE(d_.choose("?Sheet", "Body")) << d_.error();
    ASSERT_TRUE(d_.choose("Font Case", "All Caps")) << d_.error();
    ASSERT_TRUE(d_.check("?SHOWSONGNUM")) << d_.error();
    ASSERT_TRUE(d_.choose("Artist Name Format", "FirstName LastName")) << d_.error();
    EXPECT_EQ(PrintSetup.CaseStyle, 2);
    EXPECT_EQ(PrintSetup.SHOWSONGNUM, 1);
    EXPECT_EQ(PrintSetup.NameFormat, 1);
    EXPECT_EQ(d_.text("?SampleText1"), "ARTIST, JOE");

    ASSERT_TRUE(d_.choose("?Sheet", "Footer")) << d_.error();
    ASSERT_TRUE(d_.type("?ReportFooter", "Ask at the bar")) << d_.error();
    EXPECT_EQ(PrintSetup.ReportFooter, "Ask at the bar");
    EXPECT_EQ(d_.text("?SampleFooter"), "Ask at the bar");

    ASSERT_TRUE(d_.choose("?Sheet", "Advanced")) << d_.error();
    ASSERT_TRUE(d_.check("Remove Duplicate Songs")) << d_.error();
    ASSERT_TRUE(d_.type("?Pref1", "MX")) << d_.error();
    ASSERT_TRUE(d_.type("?Pref2", "CV")) << d_.error();
    ASSERT_TRUE(d_.choose("Paper Type", "A4")) << d_.error();
    ASSERT_TRUE(d_.type("Starting Page Number:", "5")) << d_.error();
    EXPECT_EQ(PrintSetup.Pref1, "MX");
    EXPECT_EQ(PrintSetup.Pref2, "CV");
    EXPECT_EQ(PrintSetup.PaperType, 2);
    EXPECT_EQ(PrintSetup.StartingPageNumber, 5);
    EXPECT_TRUE(d_.enabled("Add Brand"));
    ASSERT_TRUE(d_.press("Clear")) << d_.error();
    EXPECT_EQ(JoinedPreferences(PrintSetup), std::string(16, ' '));
}

// The brand lists are labelled as the host reads them, and "Add Brand" is there to use.
TEST_F(DesignerTest, PreferenceListsRunFromMostToLeastPreferred) {
    openDesigner();
    ASSERT_TRUE(d_.choose("?Sheet", "Advanced")) << d_.error();
    ASSERT_TRUE(d_.check("Remove Duplicate Songs")) << d_.error();
    EXPECT_EQ(d_.text("?Pref1:Prompt"), "Most Preferred");
    for (int i = 2; i <= 7; ++i) EXPECT_EQ(d_.text("?Pref" + std::to_string(i) + ":Prompt"), std::to_string(i) + ".");
    EXPECT_EQ(d_.text("?Pref8:Prompt"), "Least Preferred");
    // Each label has room for its words, beside its list.
    const auto first = d_.control("?Pref1:Prompt"), list = d_.control("?Pref1");
    ASSERT_TRUE(first && list);
    EXPECT_GE(first->w, 52);
    EXPECT_LE(first->x + first->w, list->x);
    EXPECT_TRUE(d_.enabled("Add Brand"));
}

// An offset larger than the style allows on its paper is said so; the pages then move only as
// far as they stay on the paper.
TEST_F(DesignerTest, AnOffsetBeyondWhatTheStyleAllowsIsSaidSo) {
    openDesigner();
    ASSERT_TRUE(d_.choose("SongBook Style", "?PrintFormat:5")) << d_.error();
    ASSERT_TRUE(d_.choose("?Sheet", "Advanced")) << d_.error();
    ASSERT_TRUE(d_.check("Offset Pages for Binding")) << d_.error();
    EXPECT_TRUE(d_.hidden("?OffsetLimit")) << "80 fits every style";
    const int letter = BindingOffsetLimit(*FindStyle(5, 1), PrintSetup);
    ASSERT_LT(letter, 500);
    ASSERT_TRUE(d_.type("?Offset", "500")) << d_.error();
    EXPECT_FALSE(d_.hidden("?OffsetLimit"));
    EXPECT_EQ(d_.text("?OffsetLimit"), "This style moves pages at most " + std::to_string(letter) + ".");
    // A4 leaves less room at its sides.
    ASSERT_TRUE(d_.choose("Paper Type", "A4")) << d_.error();
    const int a4 = BindingOffsetLimit(*FindStyle(5, 1), PrintSetup);
    EXPECT_LT(a4, letter);
    EXPECT_EQ(d_.text("?OffsetLimit"), "This style moves pages at most " + std::to_string(a4) + ".");
    ASSERT_TRUE(d_.type("?Offset", std::to_string(a4))) << d_.error();
    EXPECT_TRUE(d_.hidden("?OffsetLimit"));
    // One column leaves room for any offset the box takes.
    ASSERT_TRUE(d_.type("?Offset", "500")) << d_.error();
    ASSERT_TRUE(d_.choose("?Sheet", "General")) << d_.error();
    ASSERT_TRUE(d_.choose("SongBook Style", "?PrintFormat:3")) << d_.error();
    ASSERT_TRUE(d_.choose("?Sheet", "Advanced")) << d_.error();
    EXPECT_TRUE(d_.hidden("?OffsetLimit"));
    // Without the binding offset there is nothing to say.
    ASSERT_TRUE(d_.choose("?Sheet", "General")) << d_.error();
    ASSERT_TRUE(d_.choose("SongBook Style", "?PrintFormat:6")) << d_.error();
    ASSERT_TRUE(d_.choose("?Sheet", "Advanced")) << d_.error();
    EXPECT_FALSE(d_.hidden("?OffsetLimit"));
    ASSERT_TRUE(d_.check("Offset Pages for Binding")) << d_.error();
    EXPECT_TRUE(d_.hidden("?OffsetLimit"));
}

// A heading of any length shows whole in the sample: a long one in a smaller size.
TEST_F(DesignerTest, TheSampleHeadingShowsTheWholeHeading) {
    openDesigner();
    ASSERT_TRUE(d_.choose("?Sheet", "Header")) << d_.error();
    struct Case {
        const char* heading;
        int size;
    } cases[] = {{"Karaoke Night", 14}, {"WOMBAT MEMORIAMS", 11}, {"Friday Karaoke SongBook", 10},
                 {"Zoë's Karaoke Night at the Anchor!", 11}, {"WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 7}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heading);
        ASSERT_TRUE(d_.type("?ReportHeader", c.heading)) << d_.error();
        const auto h = d_.control("?SampleHeader");
        ASSERT_TRUE(h);
        EXPECT_EQ(h->text, c.heading);
        EXPECT_EQ(h->font.size, c.size);
        // Within its box, with room for two lines of the smaller sizes.
        const auto box = d_.control("?SampleHeaderBox");
        EXPECT_LE(h->y + h->h, box->y + box->h);
        EXPECT_GE(h->h, 24);
    }
}

TEST_F(DesignerTest, PageBreakAdjustmentStaysWithinFiveRows) {
    openDesigner();
    ASSERT_TRUE(d_.choose("?Sheet", "Advanced")) << d_.error();
    ASSERT_TRUE(d_.press("Page Break Adjustment")) << d_.error();
    ASSERT_EQ(d_.active()->title, "Page Break Offset Adjustment");
    ASSERT_TRUE(d_.type("Page Break Offset:", "-1")) << d_.error();
    EXPECT_EQ(PrintSetup.PAGEBREAKOFFSET, -1);
    ASSERT_TRUE(d_.type("Page Break Offset:", "9")) << d_.error();
    EXPECT_EQ(PrintSetup.PAGEBREAKOFFSET, 5);
    EXPECT_EQ(d_.value("Page Break Offset:"), "5");
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    EXPECT_EQ(d_.active()->title, kDesigner);
    EXPECT_EQ(d_.value("?GLO:PAGEBREAKOFFSET"), "+5");
}

TEST_F(DesignerTest, SavesAndRecallsDesigns) {
    openDesigner();
    ASSERT_TRUE(d_.choose("Sorted By", "Artist")) << d_.error();
    ASSERT_TRUE(d_.choose("?Sheet", "Header")) << d_.error();
    ASSERT_TRUE(d_.type("?ReportHeader", "Saved Header")) << d_.error();
    ASSERT_TRUE(d_.press("&Save Design")) << d_.error();
    ASSERT_NE(d_.request(), nullptr);
    EXPECT_EQ(d_.request()->title, "Enter Name of SongBook Design File");
    const std::string chosen = root_.file("night.txt"), written = root_.file("night.psf");
    ASSERT_TRUE(d_.dialog(chosen)) << d_.error();
    EXPECT_EQ(message(), "");  // silent on success
    EXPECT_EQ(rt::getIni("Settings", "PrintSort", "", written), "2");
    EXPECT_EQ(rt::getIni("Settings", "ReportHeader", "", written), "Saved Header");

    // Changed meanwhile, then recalled.
    ASSERT_TRUE(d_.choose("?Sheet", "General")) << d_.error();
    ASSERT_TRUE(d_.choose("Sorted By", "Song Title")) << d_.error();
    ASSERT_TRUE(d_.choose("?Sheet", "Advanced")) << d_.error();
    ASSERT_TRUE(d_.check("Remove Duplicate Songs")) << d_.error();
    ASSERT_TRUE(d_.press("&Recall Design")) << d_.error();
    EXPECT_EQ(d_.request()->title, "Enter Name of SongBook Design File to Recall");
    ASSERT_TRUE(d_.dialog(written)) << d_.error();
    EXPECT_EQ(PrintSetup.PrintSort, 2);
    EXPECT_EQ(PrintSetup.ReportHeader, "Saved Header");
    EXPECT_EQ(PrintSetup.RemoveDuplicates, 0);
    EXPECT_TRUE(d_.hidden("?Pref1"));
    EXPECT_EQ(d_.value("?PrintSort"), "2");

    // A web setup file is refused and changes nothing.
    const std::string web = root_.file("site.wsf");
    std::ofstream(web) << "[Version]\nVersion=HTML SongBook Setup File\n[Settings]\nPrintSort=1\n";
    ASSERT_TRUE(d_.press("&Recall Design")) << d_.error();
    ASSERT_TRUE(d_.dialog(web)) << d_.error();
    EXPECT_EQ(message(), "Invalid SongBook Print Setup File");
    EXPECT_EQ(d_.request()->title, "ERROR");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(PrintSetup.PrintSort, 2);

    // A design that cannot be written is reported by name.
    ASSERT_TRUE(d_.press("&Save Design")) << d_.error();
    ASSERT_TRUE(d_.dialog(root_.file("no-such-folder/design"))) << d_.error();
    EXPECT_NE(message().find(root_.file("no-such-folder/design.psf")), std::string::npos) << message();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(d_.active()->title, kDesigner);
}

// A bare name is a file of the current folder (the SongBook folder), as the other setup
// files are, never one of the settings folder.
TEST_F(DesignerTest, ABareDesignNameIsAFileOfTheCurrentFolder) {
    openDesigner();
    ASSERT_TRUE(d_.choose("Sorted By", "Artist")) << d_.error();
    ASSERT_TRUE(d_.press("&Save Design")) << d_.error();
    ASSERT_TRUE(d_.dialog("bare")) << d_.error();
    EXPECT_EQ(message(), "");
    const std::string written = rt::absolutePath("bare.psf");
    EXPECT_EQ(rt::getIni("Settings", "PrintSort", "", written), "2");
    EXPECT_FALSE(rt::fileExists(rt::configFolder() + "/bare.psf"));

    ASSERT_TRUE(d_.choose("Sorted By", "Song Title")) << d_.error();
    ASSERT_TRUE(d_.press("&Recall Design")) << d_.error();
    ASSERT_TRUE(d_.dialog("bare.psf")) << d_.error();
    EXPECT_EQ(message(), "");
    EXPECT_EQ(PrintSetup.PrintSort, 2);
}

// The same as a person at the shell does it with cantorelle-script.
class DesignerScriptTest : public WorkspaceTest {
protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        PrintSetup = PrintSettings{};
        makeSongBook("Songs", workspace_test::sampleListings(), workspace_test::sampleDiscs());
    }
    void TearDown() override {
        WorkspaceTest::TearDown();
        PrintSetup = PrintSettings{};
    }
    int script(const std::string& text, std::string& out) {
        std::istringstream in(text);
        std::ostringstream o;
        headless::registerProgramProcedures();
        const int rc = headless::runScript(d_, in, o);
        out = o.str();
        return rc;
    }
};

TEST_F(DesignerScriptTest, OpensTheDesignerChangesSavesAndRecallsADesign) {
    const std::string design = root_.file("open mic");
    std::string out;
    ASSERT_EQ(script("start BrowseSongBook\n"
                     "select ?LIST 1\n"
                     "press \"&Open Selected SongBook\"\n"
                     "menu &Print \"&Print SongBook\"\n"
                     "expect \"SongBook Designer\"\n"
                     "choose \"Sorted By\" Artist\n"
                     "choose ?Sheet Header\n"
                     "type ?ReportHeader \"Open Mic Night\"\n"
                     "choose ?Sheet Advanced\n"
                     "choose \"Paper Type\" A4\n"
                     "press \"&Save Design\"\n"
                     "dialog \"" + design + "\"\n"
                     "choose ?Sheet General\n"
                     "choose \"Sorted By\" \"Song Title\"\n"
                     "choose ?Sheet Advanced\n"
                     "choose \"Paper Type\" \"US Letter\"\n"
                     "press \"&Recall Design\"\n"
                     "dialog \"" + design + ".psf\"\n"
                     "windows\n"
                     "expect \"option ?PrintSort \\\"Sorted By\\\" value \\\"2\\\"\"\n"
                     "expect \"option ?PaperType \\\"Paper Type\\\" value \\\"2\\\"\"\n",
                     out),
              0)
        << out;
    EXPECT_EQ(rt::getIni("Settings", "ReportHeader", "", design + ".psf"), "Open Mic Night");
    EXPECT_EQ(PrintSetup.PrintSort, 2);
    EXPECT_EQ(PrintSetup.PaperType, 2);
}

}  // namespace
