#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "printing/PrintDesignFile.h"
#include "printing/styles/StyleLayouts.h"
#include "runtime/files/ini.h"
#include "support/data_fixture.h"

namespace {

// Every setting away from its initial value.
PrintSettings unusual() {
    PrintSettings s;
    s.PrintSort = 2; s.PrintFormat = 6; s.ReportHeader = "Friday Night Songs"; s.HeaderFont = "Times New Roman";
    s.HeaderSetBold = 1; s.HeaderSetItalic = 1; s.HeaderColor = 0x0000FF; s.HeaderBackgroundColor = 0x00FF00;
    s.PrintFont = "Courier"; s.TitleBold = 1; s.TitleItalics = 1; s.ArtistBold = 1; s.ArtistItalics = 1;
    s.MfrBold = 1; s.MfrItalics = 1; s.DiskTrackBold = 1; s.DiskTrackItalics = 1; s.WordWrap = 1; s.ShowTM = 1;
    s.SetFonts = 2; s.CaseStyle = 2; s.BodyColor = 0x112233; s.BodyBackgroundColor = 0x445566; s.NameFormat = 1;
    s.ReportFooter = "Ask at the bar"; s.FooterFont = "Modern"; s.FooterSetBold = 1; s.FooterSetItalic = 1;
    s.FooterColor = 0x778899; s.FooterBackgroundColor = 0xAABBCC; s.FilterReport = 1;
    s.StartDate = rt::date(2, 29, 2024); s.EndDate = rt::date(3, 1, 2024); s.RemoveDuplicates = 1;
    s.ColumnBarFill = 0x808080; s.ColumnBarBorderColor = 0x101010; s.ColumnBarTextColor = 0x0A0B0C;
    s.ColumnBarFont = "Marlet"; s.ColumnBarSetBold = 1; s.ColumnBarSetItalic = 1; s.StartingPageNumber = 17;
    s.RemoveVocals = 1; s.OffsetPages = 1; s.Offset = 125; s.PaperType = 2; s.ShowMake = 1; s.FilterGenre = 1;
    s.PrintGenre = "Café Ballads"; s.FilterDuets = 1; s.ignoreomits = 1; s.PAGEBREAKOFFSET = -3;
    s.Pref1 = "SC"; s.Pref2 = "CB"; s.Pref3 = "PI"; s.Pref4 = "TH"; s.Pref5 = "ZM"; s.Pref6 = "";
    s.Pref7 = "NT"; s.Pref8 = "Q";
    return s;
}

class DesignFile : public ::testing::Test {
protected:
    void SetUp() override { rt::setToday(rt::date(6, 15, 2025)); }
    void TearDown() override { rt::setToday(0); }
    fixture::TempFolder dir_;
};

TEST_F(DesignFile, NameAlwaysEndsInPsf) {
    const std::string f = dir_.path() + "/";
    for (const char* chosen : {"design", "design.PSF", "design.txt", "design.psf"})
        EXPECT_EQ(DesignFileName(f + chosen), f + "design.psf") << chosen;
    EXPECT_EQ(DesignFileName(f + "My Design"), f + "My Design.psf");
    EXPECT_EQ(DesignFileName(f + "night.out.txt"), f + "night.out.psf");
}

TEST_F(DesignFile, WritesVersionThenEverySettingInOrder) {
    const std::string path = dir_.file("plain.psf");
    ASSERT_EQ(WriteDesignFile(PrintSettings{}, path), 0);
    std::istringstream in(fixture::readText(path));
    std::vector<std::string> lines;
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    ASSERT_EQ(lines.size(), 3u + 59u);
    EXPECT_EQ(lines[0], "[Version]");
    EXPECT_EQ(lines[1], "Version=SongBook Print Setup File");
    EXPECT_EQ(lines[2], "[Settings]");
    const auto& keys = DesignFileKeys();
    ASSERT_EQ(keys.size(), 59u);
    for (std::size_t i = 0; i < keys.size(); ++i)
        EXPECT_EQ(lines[3 + i].substr(0, lines[3 + i].find('=')), keys[i]);
    // Initial values: blank texts as a bare key, colours in decimal, numbers as numbers.
    EXPECT_EQ(lines[3], "PrintSort=1");
    EXPECT_EQ(lines[5], "ReportHeader=");
    EXPECT_EQ(lines[6], "HeaderFont=Arial");
    EXPECT_EQ(lines[10], "HeaderBackgroundColor=16777215");
    EXPECT_EQ(lines[3 + 31], "StartDate=0");
    EXPECT_EQ(lines[3 + 50], "PageBreakOffset=0");
    EXPECT_EQ(lines[3 + 51], "Pref1=");
}

TEST_F(DesignFile, RoundTripRestoresEverySetting) {
    const std::string path = dir_.file("full.psf"), again = dir_.file("again.psf");
    const PrintSettings saved = unusual();
    ASSERT_EQ(WriteDesignFile(saved, path), 0);
    PrintSettings read;
    read.SHOWSONGNUM = 1;
    read.PrefCodes = "ZZ";
    ASSERT_TRUE(ReadDesignFile(path, read).isType);
    ASSERT_EQ(WriteDesignFile(read, again), 0);
    EXPECT_EQ(fixture::readText(again), fixture::readText(path));
    EXPECT_EQ(read.PrintGenre, "Café Ballads");
    EXPECT_EQ(read.PAGEBREAKOFFSET, -3);
    EXPECT_EQ(read.StartDate, rt::date(2, 29, 2024));
    EXPECT_EQ(read.Pref6, "");
    EXPECT_EQ(read.Pref8, "Q");
    // What files do not keep stays as it was.
    EXPECT_EQ(read.SHOWSONGNUM, 1);
    EXPECT_EQ(read.PrefCodes, "ZZ");
}

TEST_F(DesignFile, SavingKeepsTheRestOfAnExistingFile) {
    const std::string path = dir_.file("shared.psf");
    fixture::writeText(path, "; kept by hand\n[Notes]\nwho=Mara\n[Settings]\nPrintSort=2\nExtra=5\n");
    ASSERT_EQ(WriteDesignFile(PrintSettings{}, path), 0);
    EXPECT_EQ(rt::getIni("Notes", "who", "", path), "Mara");
    EXPECT_EQ(rt::getIni("Settings", "Extra", "", path), "5");
    EXPECT_EQ(rt::getIni("Settings", "PrintSort", "", path), "1");
    EXPECT_EQ(rt::getIni("Version", "Version", "", path), "SongBook Print Setup File");
    EXPECT_EQ(fixture::readText(path).rfind("; kept by hand\n", 0), 0u);
}

TEST_F(DesignFile, WriteFailureIsReportedAndLeavesNothing) {
    const std::string path = dir_.file("missing-folder/design.psf");
    EXPECT_NE(WriteDesignFile(PrintSettings{}, path), 0);
    EXPECT_FALSE(std::ifstream(path).good());
}

TEST_F(DesignFile, FilesOfAnotherTypeAreRefusedAndChangeNothing) {
    struct Case {
        const char* what;
        const char* text;
    } cases[] = {
        {"web setup file", "[Version]\nVersion=HTML SongBook Setup File\n[Settings]\nPrintSort=2\n"},
        {"no Version section", "[Settings]\nPrintSort=2\n"},
        {"empty file", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir_.file("other.wsf");
        fixture::writeText(path, c.text);
        PrintSettings s = unusual();
        EXPECT_FALSE(ReadDesignFile(path, s).isType);
        EXPECT_EQ(s.PrintSort, 2);
        EXPECT_EQ(s.PrintFormat, 6);
    }
    PrintSettings s;
    EXPECT_FALSE(ReadDesignFile(dir_.file("absent.psf"), s).isType);
}

TEST_F(DesignFile, MissingKeysAndDatesOfAnUnfilteredDesign) {
    const std::string path = dir_.file("sparse.psf");
    fixture::writeText(path, "[Version]\nVersion=SongBook Print Setup File\n[Settings]\nFilterReport=0\n"
                "StartDate=70000\nEndDate=70001\nPrintSort=2\nPrintFormat=4\nSetFonts=1\nCaseStyle=2\n");
    PrintSettings s = unusual();
    const SetupRead r = ReadDesignFile(path, s);
    ASSERT_TRUE(r.isType);
    EXPECT_TRUE(r.problems.empty()) << r.problems.front().key;
    EXPECT_EQ(s.StartDate, rt::today());
    EXPECT_EQ(s.EndDate, rt::today());
    EXPECT_EQ(s.PaperType, 1);           // missing: US Letter
    EXPECT_EQ(s.StartingPageNumber, 0);  // missing: 0
    EXPECT_EQ(s.ReportHeader, "");
    EXPECT_EQ(s.HeaderFont, "");
    EXPECT_EQ(s.Offset, 0);
    EXPECT_EQ(s.PAGEBREAKOFFSET, 0);
    EXPECT_EQ(s.HeaderBackgroundColor, 0u);  // a missing colour is black
}

// A recalled value that a print cannot use takes the setting's initial value, and the read
// names the key; every other value of the file is taken as it stands.
TEST_F(DesignFile, ValuesOutOfRangeTakeTheirInitialValues) {
    struct Case {
        const char* line;   // one line of section "Settings"
        const char* key;    // the key named; "" none
        SetupProblem::Kind kind;
        std::function<bool(const PrintSettings&)> holds;
    } cases[] = {
        {"PrintFormat=99", "PrintFormat", SetupProblem::OutOfRange, [](auto& s) { return s.PrintFormat == 1; }},
        {"PrintFormat=0", "PrintFormat", SetupProblem::OutOfRange, [](auto& s) { return s.PrintFormat == 1; }},
        {"PrintFormat=", "PrintFormat", SetupProblem::Missing, [](auto& s) { return s.PrintFormat == 1; }},
        {"PrintFormat=6", "", SetupProblem::Missing, [](auto& s) { return s.PrintFormat == 6; }},
        {"PrintSort=3", "PrintSort", SetupProblem::OutOfRange, [](auto& s) { return s.PrintSort == 1; }},
        {"SetFonts=abc", "SetFonts", SetupProblem::NotANumber, [](auto& s) { return s.SetFonts == 3; }},
        {"SetFonts=0", "SetFonts", SetupProblem::OutOfRange, [](auto& s) { return s.SetFonts == 3; }},
        {"CaseStyle=9", "CaseStyle", SetupProblem::OutOfRange, [](auto& s) { return s.CaseStyle == 1; }},
        {"Offset=-40", "Offset", SetupProblem::OutOfRange, [](auto& s) { return s.Offset == 0; }},
        {"Offset=505", "Offset", SetupProblem::OutOfRange, [](auto& s) { return s.Offset == 0; }},
        {"Offset=500", "", SetupProblem::Missing, [](auto& s) { return s.Offset == 500; }},
        {"Offset= +35 ", "", SetupProblem::Missing, [](auto& s) { return s.Offset == 35; }},
        {"PageBreakOffset=-9", "PageBreakOffset", SetupProblem::OutOfRange,
         [](auto& s) { return s.PAGEBREAKOFFSET == 0; }},
        {"PageBreakOffset=-5", "", SetupProblem::Missing, [](auto& s) { return s.PAGEBREAKOFFSET == -5; }},
        {"PaperType=3", "PaperType", SetupProblem::OutOfRange, [](auto& s) { return s.PaperType == 1; }},
        {"PaperType=0", "", SetupProblem::Missing, [](auto& s) { return s.PaperType == 1; }},
        {"PaperType=2", "", SetupProblem::Missing, [](auto& s) { return s.PaperType == 2; }},
        {"HeaderColor=16777216", "HeaderColor", SetupProblem::OutOfRange, [](auto& s) { return s.HeaderColor == 0; }},
        {"ColumnBarTextColor=-1", "ColumnBarTextColor", SetupProblem::OutOfRange,
         [](auto& s) { return s.ColumnBarTextColor == 0xFFFFFF; }},
        {"TitleBold=2", "TitleBold", SetupProblem::OutOfRange, [](auto& s) { return s.TitleBold == 0; }},
        {"StartingPageNumber=70000", "StartingPageNumber", SetupProblem::OutOfRange,
         [](auto& s) { return s.StartingPageNumber == 1; }},
        {"StartingPageNumber=65535", "", SetupProblem::Missing, [](auto& s) { return s.StartingPageNumber == 65535; }},
        {"ReportHeader=\"Sing It\"", "", SetupProblem::Missing, [](auto& s) { return s.ReportHeader == "Sing It"; }},
        {"ReportHeader=\"\"Sing It\"\"", "", SetupProblem::Missing,
         [](auto& s) { return s.ReportHeader == "\"Sing It\""; }},
        {"ReportHeader=0123456789012345678901234567890123456789", "", SetupProblem::Missing,
         [](auto& s) { return s.ReportHeader == "01234567890123456789012345678901234"; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const std::string path = dir_.file("one.psf");
        // The first key of a name counts: the line of the case comes before the usual ones.
        fixture::writeText(path, std::string("[Version]\nVersion=SongBook Print Setup File\n[Settings]\n") + c.line +
                                     "\nPrintSort=2\nPrintFormat=3\nSetFonts=2\nCaseStyle=2\n");
        PrintSettings s = unusual();
        const SetupRead r = ReadDesignFile(path, s);
        ASSERT_TRUE(r.isType);
        EXPECT_TRUE(c.holds(s));
        if (*c.key) {
            ASSERT_EQ(r.problems.size(), 1u);
            EXPECT_EQ(r.problems[0].key, c.key);
            EXPECT_EQ(r.problems[0].kind, c.kind);
        } else {
            EXPECT_TRUE(r.problems.empty()) << r.problems.front().key;
        }
        EXPECT_NE(FindStyle(s.PrintFormat, s.PrintSort), nullptr) << "a recalled design always prints";
    }
}

TEST_F(DesignFile, DatesCountOnlyWhenTheDesignFiltersByThem) {
    const std::string path = dir_.file("dates.psf");
    fixture::writeText(path, "[Version]\nVersion=SongBook Print Setup File\n[Settings]\nFilterReport=1\n"
                             "StartDate=70000\nEndDate=-3\nPrintSort=1\nPrintFormat=1\nSetFonts=3\nCaseStyle=1\n");
    PrintSettings s;
    const SetupRead r = ReadDesignFile(path, s);
    EXPECT_EQ(s.StartDate, 70000);
    EXPECT_EQ(s.EndDate, rt::today());
    ASSERT_EQ(r.problems.size(), 1u);
    EXPECT_EQ(r.problems[0].key, "EndDate");
    EXPECT_EQ(SetupProblemsText(kDesignFileType, path, r.problems),
              "The SongBook Print Setup File|" + path +
                  "|holds values this program cannot use; these settings take their initial values:||"
                  "EndDate: -3 is out of range, " + std::to_string(rt::today()) + " is used");
}

TEST(PrintSettingsValues, RangesAreSafeWhereUsed) {
    PrintSettings s;
    EXPECT_EQ(s.PrefCodes, "SCCBPITH");
    EXPECT_EQ(JoinedPreferences(s), std::string(16, ' '));
    s.Pref1 = "SC";
    s.Pref3 = "PI";
    EXPECT_EQ(JoinedPreferences(s), "SC  PI" + std::string(10, ' '));
    s.PaperType = 7;
    EXPECT_FALSE(s.a4());
    s.PAGEBREAKOFFSET = 6;
    EXPECT_EQ(s.rowsOffset(), 5);
    s.OffsetPages = 1;
    s.Offset = 900;
    EXPECT_EQ(s.bindingOffset(), 500);
    s.OffsetPages = 0;
    EXPECT_EQ(s.bindingOffset(), 0);
}

}  // namespace
