#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "exchange/WebSettings.h"
#include "support/data_fixture.h"

namespace {

class WebSettingsTest : public ::testing::Test {
protected:
    void SetUp() override { ResetWebSettings(); }
    void TearDown() override { ResetWebSettings(); }
    fixture::TempFolder dir_;
};

struct Snapshot {
    std::string texts[7];
    std::uint32_t colours[10];
    static Snapshot take() {
        return {{HTMLOutputDirectory.str(), WebTitle.str(), WebHeading.str(), HTMLHomeURL.str(), WebEmbedHeader.str(),
                 WebEmbedBodyTag.str(), WebEmbedBody.str()},
                {webbackgroundcolor, webtablecolor, webheadingcolor, webcaptioncolor, webcaptionbackground,
                 websonglistingcolor, WebTableFill, weblinkcolor, webactivecolor, webvlinkcolor}};
    }
    bool operator==(const Snapshot&) const = default;
};

TEST_F(WebSettingsTest, ASetupFileRoundTripRestoresEveryValue) {
    HTMLOutputDirectory = "ANCHOR";
    WebTitle = "Songs at the Anchor";
    WebHeading = "Zoë's = Karaoke";
    HTMLHomeURL = "http://example.org/?a=1&b=2";
    WebEmbedHeader = "\"quoted from start to end\"";
    WebEmbedBodyTag = "  BACKGROUND = \"mywallpaper.gif\"";
    WebEmbedBody = "'<CENTER> <IMG SRC='mylogo.gif'> </CENTER>'";
    std::uint32_t* colours[] = {&webbackgroundcolor, &webtablecolor,  &webheadingcolor, &webcaptioncolor,
                                &webcaptionbackground, &websonglistingcolor, &WebTableFill, &weblinkcolor,
                                &webactivecolor, &webvlinkcolor};
    for (std::size_t i = 0; i < 10; ++i) *colours[i] = 0x010203u * static_cast<std::uint32_t>(i + 1);
    const Snapshot saved = Snapshot::take();
    ASSERT_EQ(WriteWebSetup(dir_.file("design.wsf")), 0);

    ResetWebSettings();
    ASSERT_TRUE(ReadWebSetup(dir_.file("design.wsf")).isType);
    EXPECT_TRUE(Snapshot::take() == saved);
    EXPECT_EQ(WebEmbedBodyTag.str(), "  BACKGROUND = \"mywallpaper.gif\"");
    EXPECT_EQ(WebEmbedHeader.str(), "\"quoted from start to end\"");
}

TEST_F(WebSettingsTest, WritesTheTypeMarkFirstAndKeepsOtherContents) {
    const std::string file = dir_.file("kept.wsf");
    std::ofstream(file) << "; the host's note\n[Other]\nKey=Value\n";
    ASSERT_EQ(WriteWebSetup(file), 0);
    const std::string text = fixture::readText(file);
    EXPECT_EQ(text.rfind("; the host's note\n[Other]\nKey=Value\n", 0), 0u) << text;
    EXPECT_NE(text.find("[Version]\nVersion=HTML SongBook Setup File\n[Settings]\nHTMLOutputDirectory=\nWebTitle=\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("webbackgroundcolor=16777215\n"), std::string::npos);
}

TEST_F(WebSettingsTest, MissingColoursAreBlackAndOtherFilesAreRefused) {
    const std::string file = dir_.file("partial.wsf");
    std::ofstream(file) << "[Version]\nVersion=HTML SongBook Setup File\n[Settings]\nWebTitle=Only This\nwebtablecolor=\n";
    ASSERT_TRUE(ReadWebSetup(file).isType);
    EXPECT_EQ(WebTitle.str(), "Only This");
    EXPECT_EQ(webtablecolor, 0u);
    EXPECT_EQ(webbackgroundcolor, 0u);
    EXPECT_EQ(webvlinkcolor, 0u);

    ResetWebSettings();
    const Snapshot before = Snapshot::take();
    const std::string print = dir_.file("design.psf");
    std::ofstream(print) << "[Version]\nVersion=SongBook Print Setup File\n[Settings]\nWebTitle=Printed\n";
    for (const std::string& other : {print, dir_.file("missing.wsf")}) {
        EXPECT_FALSE(ReadWebSetup(other).isType) << other;
        EXPECT_TRUE(Snapshot::take() == before) << other;
    }
}

TEST_F(WebSettingsTest, AFileThatCannotBeWrittenIsReported) {
    EXPECT_NE(WriteWebSetup(dir_.file("no such folder/design.wsf")), 0);
    std::ofstream(dir_.file("plain")) << "a file";
    EXPECT_NE(WriteWebSetup(dir_.file("plain/design.wsf")), 0);
}

TEST_F(WebSettingsTest, SetupFileNamesEndInWsf) {
    struct Case {
        std::string chosen, file;
    } cases[] = {
        {"/d/design", "/d/design.wsf"},
        {"/d/design.WSF", "/d/design.wsf"},
        {"/d/design.txt", "/d/design.wsf"},
        {"/d/My Setup.WSF", "/d/My Setup.wsf"},
    };
    for (const Case& c : cases) EXPECT_EQ(WebSetupFileName(c.chosen), c.file) << c.chosen;
}

TEST_F(WebSettingsTest, RestoreDefaultsTouchesOnlyTheColours) {
    WebTitle = "Kept";
    WebEmbedBody = "<p>kept</p>";
    webbackgroundcolor = 0x123456;
    webvlinkcolor = 1;
    RestoreWebColorDefaults();
    EXPECT_EQ(webbackgroundcolor, 0xFFFFFFu);
    EXPECT_EQ(webtablecolor, 0xE8E8E8u);
    EXPECT_EQ(webcaptionbackground, 0xA00000u);
    EXPECT_EQ(webvlinkcolor, 0xFF80FFu);
    EXPECT_EQ(WebTitle.str(), "Kept");
    EXPECT_EQ(WebEmbedBody.str(), "<p>kept</p>");
}

}  // namespace
