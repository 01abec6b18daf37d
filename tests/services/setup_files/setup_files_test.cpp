// The three kinds of setup file through their one engine: print design files, request setup
// files and web setup files. For each kind the same table of cases: every number at both ends
// of its range reads back and writes the same file again, one step beyond either end takes the
// initial value and names the key, texts with quotes, accents and blanks come back whole,
// missing keys read as the file format says, and a file that cannot be written is reported.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <sstream>

#include "exchange/WebSettings.h"
#include "frontend/headless/driver.h"
#include "printing/PrintDesignFile.h"
#include "printing/RequestSlipSettings.h"
#include "runtime/date/date.h"
#include "runtime/files/ini.h"
#include "support/killed_writer.h"
#include "support/temp_folder.h"

namespace {

struct Range {
    std::string key;
    long long lo, hi;
    long long initial;
};

struct Kind {
    std::string name;
    const SetupFileType* type;
    std::function<void()> reset;  // every setting to a value of its own, away from the bounds
    std::function<int(const std::string&)> write;
    std::function<SetupRead(const std::string&)> read;
    std::vector<Range> numbers;
    std::vector<std::string> texts;
    std::vector<std::string> zeroIsMissing;  // keys whose range leaves 0 out
    std::map<std::string, long long> pinned;  // set in every file (before the other numbers)
    std::function<void()> saveDialog, recallDialog;
};

const rt::DayNumber kToday = rt::date(6, 15, 2025);

std::vector<Kind> kinds() {
    std::vector<Range> design = {
        {"PrintSort", 1, 2, 1}, {"PrintFormat", 1, 6, 1}, {"SetFonts", 1, 3, 3}, {"CaseStyle", 1, 2, 1},
        {"StartingPageNumber", 0, 65535, 1}, {"Offset", 0, 500, 0}, {"PaperType", 1, 2, 1},
        {"PageBreakOffset", -5, 5, 0}, {"StartDate", 0, rt::date(12, 31, 9999), kToday},
        {"EndDate", 0, rt::date(12, 31, 9999), kToday},
    };
    for (const char* flag : {"HeaderSetBold", "HeaderSetItalic", "TitleBold", "TitleItalics", "ArtistBold",
                             "ArtistItalics", "MfrBold", "MfrItalics", "DiskTrackBold", "DiskTrackItalics", "WordWrap",
                             "ShowTM", "NameFormat", "FooterSetBold", "FooterSetItalic", "RemoveDuplicates",
                             "ColumnBarSetBold", "ColumnBarSetItalic", "RemoveVocals", "OffsetPages", "ShowMake",
                             "FilterGenre", "FilterDuets", "ignoreomits"})
        design.push_back({flag, 0, 1, 0});
    for (auto [key, initial] : std::map<std::string, long long>{{"HeaderColor", 0},
                                                                {"HeaderBackgroundColor", 0xFFFFFF},
                                                                {"BodyColor", 0},
                                                                {"BodyBackgroundColor", 0xFFFFFF},
                                                                {"FooterColor", 0},
                                                                {"FooterBackgroundColor", 0xFFFFFF},
                                                                {"ColumnBarFill", 0},
                                                                {"ColumnBarBorderColor", 0},
                                                                {"ColumnBarTextColor", 0xFFFFFF}})
        design.push_back({key, 0, 0xFFFFFF, initial});
    std::vector<Range> web;
    for (auto [key, initial] : std::map<std::string, long long>{{"webbackgroundcolor", 0xFFFFFF},
                                                                {"webtablecolor", 0xE8E8E8},
                                                                {"webheadingcolor", 0},
                                                                {"webcaptioncolor", 0xFFFFFF},
                                                                {"webcaptionbackground", 0xA00000},
                                                                {"websonglistingcolor", 0},
                                                                {"WebTableFill", 0xFFFFFF},
                                                                {"weblinkcolor", 0xA00000},
                                                                {"webactivecolor", 0xFFFF80},
                                                                {"webvlinkcolor", 0xFF80FF}})
        web.push_back({key, 0, 0xFFFFFF, initial});
    return {
        {"design", &kDesignFileType,
         [] { PrintSetup = PrintSettings{}; },
         [](const std::string& f) { return WriteDesignFile(PrintSetup, f); },
         [](const std::string& f) { return ReadDesignFile(f, PrintSetup); },
         design,
         {"ReportHeader", "HeaderFont", "PrintFont", "ReportFooter", "FooterFont", "ColumnBarFont", "PrintGenre"},
         {"PrintSort", "PrintFormat", "SetFonts", "CaseStyle"},
         {{"FilterReport", 1}},  // the dates count
         [] { SaveDesign(); },
         [] { RecallDesign(); }},
        {"request", &kRequestSetupFileType,
         [] {
             ResetRequestSlipSettings();
             ResetRequestSlipLines();
         },
         [](const std::string& f) { return WriteRequestSetupFile(f); },
         [](const std::string& f) { return ReadRequestSetupFile(f); },
         {{"SongRequestHeaderFontSize", 1, kMaxFontSize, 12},
          {"SongRequestFooterFontSize", 1, kMaxFontSize, 8},
          {"SongRequestHeaderFontStyle", 0, 4096 + 1000, 700},
          {"SongRequestFooterFontStyle", 0, 4096 + 1000, 400},
          {"SongRequestHeaderColor", 0, 0xFFFFFF, 0},
          {"SongRequestFooterColor", 0, 0xFFFFFF, 0},
          {"UseHashMarks", 0, 1, 0}},
         {"SongRequestHeaderText", "SongRequestHeaderFont", "SongRequestFooterText", "SongRequestFooterFont",
          "SongRequestLogoFilename", "Line1", "Line2", "Line3", "Line4"},
         {"SongRequestHeaderFontSize", "SongRequestFooterFontSize"},
         {},
         [] { SaveRequestSetup(); },
         [] { RecallRequestSetup(); }},
        {"web", &kWebSetupFileType, [] { ResetWebSettings(); },
         [](const std::string& f) { return WriteWebSetup(f); }, [](const std::string& f) { return ReadWebSetup(f); },
         web,
         {"HTMLOutputDirectory", "WebTitle", "WebHeading", "HTMLHomeURL", "WebEmbedHeader", "WebEmbedBodyTag",
          "WebEmbedBody"},
         {},
         {},
         [] { SaveWebSetup(); },
         [] { RecallWebSetup(); }},
    };
}

class SetupFiles : public ::testing::TestWithParam<Kind> {
protected:
    void SetUp() override {
        rt::setToday(kToday);
        GetParam().reset();
    }
    void TearDown() override {
        d_.end();
        rt::setToday(0);
        GetParam().reset();
    }
    const Kind& kind() const { return GetParam(); }
    std::string header() const { return std::string("[Version]\nVersion=") + kind().type->mark + "\n[Settings]\n"; }
    std::string pinnedLines() const {
        std::string text;
        for (const auto& [key, v] : kind().pinned) text += key + "=" + std::to_string(v) + "\n";
        return text;
    }
    // A number as written after a file held it at `v`.
    std::string expected(const Range& r, long long v) const {
        auto p = kind().pinned.find(r.key);
        return std::to_string(p == kind().pinned.end() ? v : p->second);
    }
    // A file of the kind holding `lines`, then every number at its low end (so nothing else
    // complains).
    std::string fileWith(const std::string& lines, const std::string& name = "case") {
        std::string text = header() + lines + pinnedLines();
        for (const Range& r : kind().numbers) text += r.key + "=" + std::to_string(r.lo) + "\n";
        const std::string path = dir_.file(name + kind().type->extension);
        fixture::writeText(path, text);
        return path;
    }
    // The value of a key as the settings would be written now.
    std::string written(const std::string& key) {
        const std::string out = dir_.file("written" + std::string(kind().type->extension));
        EXPECT_EQ(kind().write(out), 0);
        return rt::getIni("Settings", key, "<none>", out);
    }
    std::string message() const {
        auto r = d_.request();
        return r ? r->text : std::string();
    }

    fixture::TempFolder dir_;
    headless::Driver d_;
};

TEST_P(SetupFiles, EveryNumberAtBothEndsOfItsRangeReadsBackAndWritesTheSameFile) {
    for (bool high : {false, true}) {
        SCOPED_TRACE(high ? "high ends" : "low ends");
        std::string text = header() + pinnedLines();
        for (const Range& r : kind().numbers) text += r.key + "=" + std::to_string(high ? r.hi : r.lo) + "\n";
        const std::string path = dir_.file("ends.ini");
        fixture::writeText(path, text);
        const SetupRead read = kind().read(path);
        ASSERT_TRUE(read.isType);
        for (const SetupProblem& p : read.problems)
            if (std::find(kind().zeroIsMissing.begin(), kind().zeroIsMissing.end(), p.key) == kind().zeroIsMissing.end())
                ADD_FAILURE() << p.key << " was refused at " << p.read;
        for (const Range& r : kind().numbers) EXPECT_EQ(written(r.key), expected(r, high ? r.hi : r.lo)) << r.key;
        // What was read writes the same file again, and reads back without a complaint.
        const std::string once = dir_.file("once.ini"), twice = dir_.file("twice.ini");
        ASSERT_EQ(kind().write(once), 0);
        kind().reset();
        const SetupRead again = kind().read(once);
        EXPECT_TRUE(again.problems.empty());
        ASSERT_EQ(kind().write(twice), 0);
        EXPECT_EQ(fixture::readText(twice), fixture::readText(once));
    }
}

TEST_P(SetupFiles, OneStepBeyondEitherEndTakesTheInitialValueAndNamesTheKey) {
    for (const Range& r : kind().numbers) {
        for (long long beyond : {r.lo - 1, r.hi + 1}) {
            SCOPED_TRACE(r.key + "=" + std::to_string(beyond));
            kind().reset();
            // The case's line first: the first key of a name counts.
            const std::string path = fileWith(r.key + "=" + std::to_string(beyond) + "\n");
            const SetupRead read = kind().read(path);
            ASSERT_TRUE(read.isType);
            std::vector<std::string> named;
            for (const SetupProblem& p : read.problems) named.push_back(p.key);
            // PaperType 0 is US Letter, as the files without the key have it.
            if (r.key == "PaperType" && beyond == 0) {
                EXPECT_TRUE(named.empty());
                EXPECT_EQ(written(r.key), "1");
                continue;
            }
            EXPECT_EQ(named, std::vector<std::string>{r.key});
            EXPECT_EQ(written(r.key), std::to_string(r.initial));
        }
    }
}

TEST_P(SetupFiles, TextsWithQuotesAccentsAndBlanksComeBackWhole) {
    const std::vector<std::string> values = {
        "\"Sing It\"", "'Zoë's'", "  Café Müller", "Ünïcödé ♪ night", "a = b; [c]", "\"", "x\"", "tab\tinside",
    };
    for (const std::string& v : values) {
        SCOPED_TRACE(v);
        kind().reset();
        std::string text = header();
        const std::string path = dir_.file("texts.ini");
        // Write through the settings: read a file naming each text, then change them all.
        for (const std::string& key : kind().texts) text += key + "=" + SetupValueText(v) + "\n";
        fixture::writeText(path, text);
        ASSERT_TRUE(kind().read(path).isType);
        const std::string out = dir_.file("texts-out.ini");
        ASSERT_EQ(kind().write(out), 0);
        kind().reset();
        ASSERT_TRUE(kind().read(out).isType);
        const std::string back = dir_.file("texts-back.ini");
        ASSERT_EQ(kind().write(back), 0);
        for (const std::string& key : kind().texts) {
            std::string got = rt::getIni("Settings", key, "<none>", back);
            // Each setting keeps as many characters as it is wide.
            EXPECT_EQ(got, rt::getIni("Settings", key, "<none>", out)) << key;
            EXPECT_EQ(got, rt::getIni("Settings", key, "", path)) << key;
        }
    }
}

TEST_P(SetupFiles, MissingKeysReadAsTheFormatSaysAndOnlyRequiredNumbersAreNamed) {
    const std::string path = dir_.file("bare.ini");
    fixture::writeText(path, header());
    const SetupRead read = kind().read(path);
    ASSERT_TRUE(read.isType);
    std::vector<std::string> named;
    for (const SetupProblem& p : read.problems) {
        named.push_back(p.key);
        EXPECT_EQ(p.kind, SetupProblem::Missing);
    }
    EXPECT_EQ(named, kind().zeroIsMissing);
    for (const Range& r : kind().numbers) {
        const bool required = std::find(named.begin(), named.end(), r.key) != named.end();
        // The dates of a design count only when it filters by them; FilterReport is 0 here.
        const std::string expected = required ? std::to_string(r.initial)
                                     : r.key == "StartDate" || r.key == "EndDate" ? std::to_string(kToday)
                                     : r.key == "PaperType" ? "1"
                                                            : "0";
        EXPECT_EQ(written(r.key), expected) << r.key;
    }
    for (const std::string& key : kind().texts) {
        if (key.rfind("Line", 0) != 0) {
            EXPECT_EQ(written(key), "") << key;
        }
    }
}

TEST_P(SetupFiles, RecallNamesTheFileTheKeysAndTheValuesUsed) {
    const Range& r = kind().numbers.front();
    const std::string path = fileWith(r.key + "=" + std::to_string(r.hi + 7) + "\n", "recall");
    ASSERT_TRUE(d_.start(kind().recallDialog)) << d_.error();
    ASSERT_TRUE(d_.request()) << d_.windows();
    EXPECT_EQ(d_.request()->title, kind().type->recallTitle);
    ASSERT_TRUE(d_.dialog(path)) << d_.error();
    const std::string text = message();
    EXPECT_NE(text.find(path), std::string::npos) << text;
    EXPECT_NE(text.find(r.key + ": " + std::to_string(r.hi + 7) + " is out of range, " + std::to_string(r.initial) +
                        " is used"),
              std::string::npos)
        << text;
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(written(r.key), std::to_string(r.initial));
}

TEST_P(SetupFiles, ASaveIntoAMissingFolderIsReportedWithTheFileName) {
    ASSERT_TRUE(d_.start(kind().saveDialog)) << d_.error();
    ASSERT_TRUE(d_.request()) << d_.windows();
    EXPECT_EQ(d_.request()->title, kind().type->saveTitle);
    EXPECT_EQ(d_.request()->kind, rt::RequestKind::SaveFile);
    ASSERT_TRUE(d_.dialog(dir_.file("no such folder/design"))) << d_.error();
    const std::string file = dir_.file("no such folder/design") + kind().type->extension;
    EXPECT_EQ(message(), std::string("The ") + kind().type->mark + " " + file +
                             " could not be written.\n\nNo such file or directory");
    EXPECT_EQ(d_.request()->title, "ERROR");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_FALSE(d_.running());
}

// A save cut off at any moment leaves the old file or the new one, whole, and the next save
// takes away what the cut-off one left beside it.
TEST_P(SetupFiles, ASaveKilledAtAnyMomentLeavesTheOldFileOrTheNewOneWhole) {
    // Two designs, each as the file holds it.
    std::string ends[2];
    const std::string source[2] = {dir_.file("low.ini"), dir_.file("high.ini")};
    for (int high = 0; high < 2; ++high) {
        std::string text = header() + pinnedLines();
        for (const Range& r : kind().numbers) text += r.key + "=" + std::to_string(high ? r.hi : r.lo) + "\n";
        fixture::writeText(source[high], text);
        kind().read(source[high]);
        ASSERT_EQ(kind().write(dir_.file("end.ini")), 0);
        ends[high] = fixture::readText(dir_.file("end.ini"));
        std::remove(dir_.file("end.ini").c_str());
    }
    const std::string path = dir_.file("kept") + kind().type->extension;
    kind().reset();
    ASSERT_EQ(kind().write(path), 0);
    const std::string old = fixture::readText(path);
    for (int delayMs = 0; delayMs < 40; ++delayMs) {
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs % 20, [&](const std::function<void()>& ready) {
            ready();
            for (int i = 0;; ++i) {
                kind().read(source[i % 2]);
                if (kind().write(path) != 0) _exit(5);
            }
        }));
        const std::string now = fixture::readText(path);
        EXPECT_TRUE(now == old || now == ends[0] || now == ends[1]) << "after a kill at " << delayMs << " ms:\n" << now;
        // The next save leaves nothing beside the file.
        ASSERT_EQ(kind().write(path), 0);
        for (const std::string& name : fixture::namesIn(dir_.path()))
            EXPECT_EQ(name.find(".tmp"), std::string::npos) << name << " left after a kill at " << delayMs << " ms";
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, SetupFiles, ::testing::ValuesIn(kinds()),
                         [](const ::testing::TestParamInfo<Kind>& i) { return i.param.name; });

}  // namespace
