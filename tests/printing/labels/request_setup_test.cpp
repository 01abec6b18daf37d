// Request-slip designs: the setup file, the setup window and the line editor.
#include "printing/labels/labels_fixture.h"

#include <fstream>
#include <sstream>

#include "printing/RequestCardSetup.h"
#include "runtime/files/ini.h"
#include "services/TaskWindow.h"

namespace labels_test {
namespace {

const char* const kSetup = "Song Request Card Setup ";

std::string ReadAll(const std::string& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every setting a setup file keeps, as one text.
std::string Settings() {
    std::ostringstream s;
    s << SongRequestHeaderText.str() << '|' << SongRequestHeaderFont.str() << '|' << SongRequestHeaderFontSize << '|'
      << SongRequestHeaderFontStyle << '|' << SongRequestHeaderColor << '|' << SongRequestFooterText.str() << '|'
      << SongRequestFooterFont.str() << '|' << SongRequestFooterFontSize << '|' << SongRequestFooterFontStyle << '|'
      << SongRequestFooterColor << '|' << SongRequestLogoFilename.str() << '|' << int(UseHashMarks) << '|'
      << REQUESTSLIPLINE1.str() << '|' << REQUESTSLIPLINE2.str() << '|' << REQUESTSLIPLINE3.str() << '|'
      << REQUESTSLIPLINE4.str();
    return s.str();
}

using RequestSetupFileTest = LabelsTest;

TEST_F(RequestSetupFileTest, RoundTripRestoresEverySetting) {
    SongRequestHeaderText = "Sing With Us Tonight";
    SongRequestHeaderFont = "Liberation Serif";
    SongRequestHeaderFontSize = 16;
    SongRequestHeaderFontStyle = 700 + kItalicStyle;
    SongRequestHeaderColor = 0x0000FF;
    SongRequestFooterText = "Zoë's Karaoke Nights";
    SongRequestFooterFont = "Courier";
    SongRequestFooterFontSize = 9;
    SongRequestFooterFontStyle = 400;
    SongRequestFooterColor = 0x808000;
    SongRequestLogoFilename = dir().file("logo.jpg");
    UseHashMarks = 1;
    REQUESTSLIPLINE1 = "Singer:____";
    REQUESTSLIPLINE2 = "Title:____";
    REQUESTSLIPLINE3 = "By:____";
    REQUESTSLIPLINE4 = "Number:____ Key:__";
    NUMBEROFSLIPS = 24;
    const std::string saved = Settings();

    const std::string file = RequestSetupFileName(dir().file("design.txt"));
    EXPECT_EQ(file, dir().file("design.rsf"));
    ASSERT_EQ(WriteRequestSetupFile(file), 0);
    const std::string text = ReadAll(file);
    EXPECT_EQ(text.rfind("[Version]", 0), 0u) << text;
    EXPECT_NE(text.find("SongRequestHeaderColor=255"), std::string::npos) << text;
    EXPECT_EQ(text.find("NUMBEROFSLIPS"), std::string::npos) << "the number of slips is not kept";

    ResetRequestSlipSettings();
    ResetRequestSlipLines();
    ASSERT_NE(Settings(), saved);
    ASSERT_TRUE(ReadRequestSetupFile(file).isType);
    EXPECT_EQ(Settings(), saved);
    EXPECT_EQ(NUMBEROFSLIPS, 8);
}

TEST_F(RequestSetupFileTest, FileOfAnotherTypeIsRefusedAndChangesNothing) {
    const std::string other = dir().file("design.psf");
    rt::putIni("Version", "Version", "SongBook Print Setup File", other);
    rt::putIni("Settings", "SongRequestHeaderText", "Not Mine", other);
    const std::string none = dir().file("plain.rsf");
    std::ofstream(none) << "SongRequestHeaderText=Not Mine\n";
    const std::string before = Settings();
    EXPECT_FALSE(ReadRequestSetupFile(other).isType);
    EXPECT_FALSE(ReadRequestSetupFile(none).isType);
    EXPECT_FALSE(ReadRequestSetupFile(dir().file("missing.rsf")).isType);
    EXPECT_EQ(Settings(), before);
}

TEST_F(RequestSetupFileTest, BlankLinesAndBadSizesTakeTheirDefaults) {
    const std::string file = dir().file("edited.rsf");
    rt::putIni("Version", "Version", "Request Setup File", file);
    rt::putIni("Settings", "SongRequestHeaderFontSize", "0", file);
    rt::putIni("Settings", "SongRequestFooterFontSize", "-3", file);
    rt::putIni("Settings", "Line1", "Who:__", file);
    rt::putIni("Settings", "Line3", "", file);
    ASSERT_TRUE(ReadRequestSetupFile(file).isType);
    EXPECT_EQ(SongRequestHeaderFontSize, 12);
    EXPECT_EQ(SongRequestFooterFontSize, 8);
    EXPECT_EQ(REQUESTSLIPLINE1.str(), "Who:__");
    EXPECT_EQ(REQUESTSLIPLINE2.str(), "Song Title:" + std::string(40, '_'));
    EXPECT_EQ(REQUESTSLIPLINE3.str(), "Artist:" + std::string(44, '_'));
    EXPECT_EQ(REQUESTSLIPLINE4.str(), "Song #:" + std::string(29, '_') + "Key (+/-)" + std::string(6, '_'));
    // Missing keys give blank texts and zero numbers.
    EXPECT_EQ(SongRequestHeaderText.str(), "");
    EXPECT_EQ(SongRequestHeaderFontStyle, 0);
}

using RequestCardSetupTest = LabelsTest;

TEST_F(RequestCardSetupTest, SaveRecallAndRefusalThroughTheWindow) {
    NUMBEROFSLIPS = 3;
    SongRequestHeaderText = "Left Over";
    ASSERT_TRUE(d_.start(RequestCardSetup)) << d_.error();
    ASSERT_TRUE(d_.window(kSetup)) << d_.windows();
    // Every start resets the design but not the lines.
    EXPECT_EQ(d_.value("?SongRequestHeaderText"), "Karaoke Song Request");
    EXPECT_EQ(d_.value("?NUMBEROFSLIPS"), "8");
    EXPECT_EQ(d_.text("?SampleLine1"), "Name:" + std::string(55, '_'));

    ASSERT_TRUE(d_.type("?SongRequestHeaderText", "Rock the Mic")) << d_.error();
    ASSERT_TRUE(d_.check("Print Cutting Guides")) << d_.error();
    EXPECT_EQ(d_.text("?SampleHeader"), "Rock the Mic");
    ASSERT_TRUE(d_.press("&Save Setup")) << d_.error();
    auto r = d_.request();
    ASSERT_TRUE(r) << d_.windows();
    EXPECT_EQ(r->title, "Enter Name of Request Card Setup File");
    EXPECT_EQ(r->filter, "Request Setup File|*.RSF");
    ASSERT_TRUE(d_.dialog(dir().file("rock"))) << d_.error();
    EXPECT_EQ(rt::getIni("Settings", "SongRequestHeaderText", "", dir().file("rock.rsf")), "Rock the Mic");
    EXPECT_EQ(rt::getIni("Settings", "UseHashMarks", "", dir().file("rock.rsf")), "1");

    // Lines edited in the line editor show in the sample.
    ASSERT_TRUE(d_.press("Customize")) << d_.error();
    ASSERT_TRUE(d_.in("Customize Request Slips").type("Line 1:", "Singer:____")) << d_.error();
    ASSERT_TRUE(d_.in("Customize Request Slips").press("OK")) << d_.error();
    EXPECT_EQ(REQUESTSLIPLINE1.str(), "Singer:____");
    EXPECT_EQ(d_.text("?SampleLine1"), "Singer:____");

    // A file of another type is refused.
    const std::string other = dir().file("other.rsf");
    rt::putIni("Version", "Version", "HTML SongBook Setup File", other);
    ASSERT_TRUE(d_.type("?SongRequestHeaderText", "Changed")) << d_.error();
    ASSERT_TRUE(d_.press("&Recall Setup")) << d_.error();
    ASSERT_TRUE(d_.dialog(other)) << d_.error();
    r = d_.request();
    ASSERT_TRUE(r) << d_.windows();
    EXPECT_EQ(r->text, "Invalid Request Setup File");
    EXPECT_EQ(r->title, "ERROR");
    EXPECT_EQ(r->icon, rt::Icon::Hand);
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_EQ(d_.value("?SongRequestHeaderText"), "Changed");

    // The saved design comes back.
    ASSERT_TRUE(d_.press("&Recall Setup")) << d_.error();
    ASSERT_TRUE(d_.dialog(dir().file("rock.rsf"))) << d_.error();
    EXPECT_EQ(d_.value("?SongRequestHeaderText"), "Rock the Mic");
    EXPECT_EQ(d_.value("?UseHashMarks"), "1");
    EXPECT_EQ(REQUESTSLIPLINE1.str(), "Name:" + std::string(55, '_'));
}

TEST_F(RequestCardSetupTest, LogoMovesTheSampleFooterAndCancelTakesItOff) {
    ASSERT_TRUE(d_.start(RequestCardSetup)) << d_.error();
    const int footerX = d_.control("?SampleFooter")->x;
    EXPECT_TRUE(d_.hidden("?SampleLogo"));
    ASSERT_TRUE(d_.press("?LogoFile")) << d_.error();
    EXPECT_EQ(d_.request()->title, "Please Select Logo Image File");
    ASSERT_TRUE(d_.dialog(dir().file("logo.jpg"))) << d_.error();
    EXPECT_EQ(SongRequestLogoFilename.str(), dir().file("logo.jpg"));
    EXPECT_FALSE(d_.hidden("?SampleLogo"));
    EXPECT_LT(d_.control("?SampleFooter")->x, footerX);
    ASSERT_TRUE(d_.press("?LogoFile")) << d_.error();
    ASSERT_TRUE(d_.dialogCancel()) << d_.error();
    EXPECT_EQ(SongRequestLogoFilename.str(), "");
    EXPECT_TRUE(d_.hidden("?SampleLogo"));
    EXPECT_EQ(d_.control("?SampleFooter")->x, footerX);
}

TEST_F(RequestCardSetupTest, SecondWindowKeepsTheFirstOnesDesign) {
    // The workspace's menu item starts a setup window on a thread of its own each time.
    ASSERT_TRUE(d_.start([] {
        TaskWindow w("Launcher", rt::WindowKind::Dialog, -1, -1, 100, 40);
        const int another = w.button("?Another", "Another", 4, 4, 60, 14);
        w.open();
        while (w.accept())
            if (w.code() == rt::EvAccepted && w.field() == another) rt::startThread(RequestCardSetup);
    })) << d_.error();
    ASSERT_TRUE(d_.in("Launcher").press("Another")) << d_.error();
    ASSERT_TRUE(d_.in(kSetup).type("?SongRequestHeaderText", "Open Mic Night")) << d_.error() << d_.windows();
    ASSERT_TRUE(d_.in("Launcher").press("Another")) << d_.error();
    int windows = 0;
    for (const auto& w : d_.state().windows) {
        if (w->title != kSetup) continue;
        ++windows;
        for (const rt::Control& c : w->controls) {
            if (c.name == "?SongRequestHeaderText") {
                EXPECT_EQ(c.value, "Open Mic Night");
            }
        }
    }
    EXPECT_EQ(windows, 2) << d_.windows();
    EXPECT_EQ(SongRequestHeaderText.str(), "Open Mic Night");
}

}  // namespace
}  // namespace labels_test
