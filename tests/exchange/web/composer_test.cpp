// The composer driven from the workspace as a host would: compose, publish, setup files,
// colours and embedded HTML, cancel and write failures.
#include <fstream>

#include "exchange/WebSettings.h"
#include "runtime/shell/shell.h"
#include "exchange/web/web_fixture.h"
#include "support/child_process.h"
#include "shell/workspace/workspace_fixture.h"

namespace web_test {
namespace {

constexpr const char* kComposer = "Cantorelle V2 SongBook Maker - HTML SongBook Composer";

class ComposerTest : public workspace_test::WorkspaceTest {
protected:
    void SetUp() override {
        WorkspaceTest::SetUp();
        ResetWebSettings();
        rt::setLauncher([](const std::vector<std::string>&) {});
        rt::clearLaunchedCommands();
    }
    void TearDown() override {
        WorkspaceTest::TearDown();
        rt::setLauncher(nullptr);
        ResetWebSettings();
    }

    void openComposer() {
        makeSongBook("Songs", workspace_test::sampleListings(), workspace_test::sampleDiscs());
        openWorkspace("Songs");
        ASSERT_TRUE(d_.menu({"&Print", "&Generate Web Page"})) << d_.error();
        ASSERT_NE(d_.active(), nullptr);
        ASSERT_EQ(d_.active()->title, kComposer) << d_.windows();
    }

    void runProgress() { runGenerating(d_); }

    std::string pages(const std::string& set = "SONGS") const { return books_ + "/WebPages/" + set; }
};

TEST_F(ComposerTest, ComposesThePagesAndTellsHowToPublishThem) {
    openComposer();
    EXPECT_EQ(d_.value("HTML SongBook Name:"), "SONGS");
    EXPECT_EQ(d_.value("Web Page Title:"), "Karaoke SongBook");
    EXPECT_EQ(d_.value("Web Page Heading:"), "Karaoke SongBook");
    EXPECT_EQ(d_.active()->focus, d_.control("HTML SongBook Name:")->id);

    // The home address is required.
    ASSERT_TRUE(d_.press("Compose Web Pages"));
    EXPECT_EQ(message(), "Web Name, Web Title, Web Heading, and HomePage URL are REQUIRED");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(rt::folderExists(pages()));

    ASSERT_TRUE(d_.type("Web Page Title:", "Songs at the Anchor"));
    ASSERT_TRUE(d_.type("Home Page URL:", "www.example.org"));
    ASSERT_TRUE(d_.press("Compose Web Pages"));
    runProgress();
    ASSERT_NE(d_.window("HTML SongBook Composer"), nullptr);
    ASSERT_EQ(d_.active()->title, "HTML SongBook Composer") << d_.windows();
    EXPECT_NE(d_.control("Congratulations!"), std::nullopt);
    EXPECT_EQ(d_.text("?Directory"), "SongBook Web Pages Directory: " + pages() + "/");
    EXPECT_TRUE(rt::fileExists(pages() + "/index.htm"));
    EXPECT_TRUE(rt::fileExists(pages() + "/indexA.htm"));
    EXPECT_TRUE(rt::fileExists(pages() + "/T-T.htm"));
    EXPECT_TRUE(rt::fileExists(pages() + "/A-%C3%89.htm"));
    EXPECT_NE(fixture::readText(pages() + "/index.htm").find("<TITLE>Songs at the Anchor</TITLE>"), std::string::npos);
    EXPECT_NE(fixture::readText(pages() + "/index.htm").find("<A href=http://www.example.org>Home</a>"), std::string::npos);

    ASSERT_TRUE(d_.press("View HTML SongBook"));
    const auto launched = rt::launchedCommands();
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0].back(), pages() + "/index.htm");
    // The composer stays open, showing the address as it was used.
    ASSERT_EQ(d_.active()->title, kComposer) << d_.windows();
    EXPECT_EQ(d_.value("Home Page URL:"), "http://www.example.org");
    ASSERT_TRUE(d_.press("Close"));
    EXPECT_EQ(d_.active()->title, workspaceTitle());
}

TEST_F(ComposerTest, HomeAddressesGetAScheme) {
    struct Case {
        std::string typed, used;
    } cases[] = {
        {"www.example.org", "http://www.example.org"},
        {"HTTP://WWW.EXAMPLE.ORG", "HTTP://WWW.EXAMPLE.ORG"},
        {"https://example.org/k", "https://example.org/k"},
        {"ftp://example.org", "http://ftp://example.org"},
    };
    openComposer();
    for (const Case& c : cases) {
        ASSERT_TRUE(d_.type("Home Page URL:", c.typed));
        ASSERT_TRUE(d_.press("Compose Web Pages"));
        runProgress();
        ASSERT_TRUE(d_.press("&Close")) << d_.windows();
        EXPECT_EQ(HTMLHomeURL.str(), c.used) << c.typed;
        EXPECT_EQ(d_.value("Home Page URL:"), c.used);
    }
}

TEST_F(ComposerTest, APageSetNameThatLeavesWebPagesIsRefused) {
    openComposer();
    ASSERT_TRUE(d_.type("Home Page URL:", "www.example.org"));
    for (const char* name : {"../Outside", "a/b", "..", "back\\slash"}) {
        ASSERT_TRUE(d_.type("HTML SongBook Name:", name));
        ASSERT_TRUE(d_.press("Compose Web Pages"));
        EXPECT_NE(message().find("may not hold"), std::string::npos) << name << d_.windows();
        ASSERT_TRUE(d_.answer("OK"));
        EXPECT_EQ(d_.active()->title, kComposer);
    }
    EXPECT_FALSE(rt::folderExists(books_ + "/WebPages"));
    EXPECT_FALSE(rt::folderExists(books_ + "/Outside"));
}

TEST_F(ComposerTest, SetupFilesKeepTheDesignAndRefuseOtherFiles) {
    openComposer();
    ASSERT_TRUE(d_.type("Web Page Heading:", "Anchor Karaoke"));
    ASSERT_TRUE(d_.type("Home Page URL:", "http://example.org"));
    webtablecolor = 0x123456;
    WebEmbedBody = "<CENTER> <IMG SRC=\"mylogo.gif\"> </CENTER>";
    ASSERT_TRUE(d_.press("Save Setup"));
    ASSERT_NE(d_.request(), nullptr);
    EXPECT_EQ(d_.request()->title, "Enter Name of HTML SongBook Setup File");
    EXPECT_EQ(d_.request()->kind, rt::RequestKind::SaveFile);
    ASSERT_TRUE(d_.dialog(books_ + "/My Setup.WSF"));
    const std::string saved = fixture::readText(books_ + "/My Setup.wsf");
    EXPECT_EQ(saved.rfind("[Version]", 0), 0u) << saved;
    EXPECT_NE(saved.find("webtablecolor=1193046"), std::string::npos) << saved;

    // Another design, then the saved one back.
    ASSERT_TRUE(d_.type("Web Page Heading:", "Something Else"));
    ASSERT_TRUE(d_.type("HTML SongBook Name:", "OTHER"));
    webtablecolor = 0;
    WebEmbedBody.clear();
    ASSERT_TRUE(d_.press("Recall Setup"));
    EXPECT_EQ(d_.request()->kind, rt::RequestKind::OpenFile);
    ASSERT_TRUE(d_.dialog(books_ + "/My Setup.wsf"));
    EXPECT_EQ(d_.value("Web Page Heading:"), "Anchor Karaoke");
    EXPECT_EQ(d_.value("HTML SongBook Name:"), "SONGS");
    EXPECT_EQ(webtablecolor, 0x123456u);
    EXPECT_EQ(WebEmbedBody.str(), "<CENTER> <IMG SRC=\"mylogo.gif\"> </CENTER>");

    // A print design file is not a web setup file.
    std::ofstream(books_ + "/Design.psf") << "[Version]\r\nVersion=SongBook Print Setup File\r\n[Settings]\r\n"
                                            "WebHeading=Printed\r\n";
    ASSERT_TRUE(d_.press("Recall Setup"));
    ASSERT_TRUE(d_.dialog(books_ + "/Design.psf"));
    auto r = d_.request();
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->text, "Invalid HTML SongBook Setup File");
    EXPECT_EQ(r->title, "ERROR");
    EXPECT_EQ(r->icon, rt::Icon::Hand);
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(d_.value("Web Page Heading:"), "Anchor Karaoke");
    EXPECT_EQ(WebHeading.str(), "Anchor Karaoke");

    // A setup file that cannot be written is reported.
    ASSERT_TRUE(d_.press("Save Setup"));
    ASSERT_TRUE(d_.dialog(books_ + "/missing/Lost.wsf"));
    EXPECT_EQ(message(),
              "The HTML SongBook Setup File " + books_ + "/missing/Lost.wsf could not be written.\n\nNo such file or directory");
    ASSERT_TRUE(d_.answer("OK"));

    // A cancelled dialog changes nothing.
    ASSERT_TRUE(d_.press("Recall Setup"));
    ASSERT_TRUE(d_.dialogCancel());
    EXPECT_EQ(d_.active()->title, kComposer);
}

TEST_F(ComposerTest, OpeningAgainNamesThePageSetAfterTheSongBook) {
    openComposer();
    ASSERT_TRUE(d_.type("HTML SongBook Name:", "RECALLED"));
    ASSERT_TRUE(d_.type("Web Page Title:", "Kept Title"));
    ASSERT_TRUE(d_.press("Close"));
    EXPECT_EQ(HTMLOutputDirectory.str(), "RECALLED");
    ASSERT_TRUE(d_.menu({"&Print", "&Generate Web Page"}));
    EXPECT_EQ(d_.value("HTML SongBook Name:"), "SONGS");
    EXPECT_EQ(d_.value("Web Page Title:"), "Kept Title");
}

TEST_F(ComposerTest, ColoursAndEmbedPoints) {
    openComposer();
    ASSERT_TRUE(d_.press("Customize"));
    ASSERT_EQ(d_.active()->title, "Customize HTML SongBook") << d_.windows();
    EXPECT_EQ(d_.control("?SamplePage")->bg, 0xFFFFFFu);

    ASSERT_TRUE(d_.press("Page Background"));
    ASSERT_NE(d_.request(), nullptr);
    EXPECT_EQ(d_.request()->title, "Choose Background Color");
    EXPECT_EQ(d_.request()->color, 0xFFFFFFu);
    ASSERT_TRUE(d_.chooseColor(0x0000FF));
    EXPECT_EQ(webbackgroundcolor, 0x0000FFu);
    EXPECT_EQ(d_.control("?SamplePage")->bg, 0x0000FFu);

    // Cancelling the dialog leaves the colour and the sample as they were.
    ASSERT_TRUE(d_.press("Visited Links Foreground"));
    EXPECT_EQ(d_.request()->title, "Choose Color for Visited Links");
    ASSERT_TRUE(d_.dialogCancel());
    EXPECT_EQ(webvlinkcolor, 0xFF80FFu);
    EXPECT_EQ(d_.control("?SampleVisited")->fg, 0xFF80FFu);

    ASSERT_TRUE(d_.press("Active Links Background"));
    ASSERT_TRUE(d_.chooseColor(0x00FF00));
    EXPECT_EQ(d_.control("?SampleActiveLetter")->bg, 0x00FF00u);

    ASSERT_TRUE(d_.press("HTML Embed Points"));
    ASSERT_EQ(d_.active()->title, "HTML Embed Points") << d_.windows();
    ASSERT_TRUE(d_.type("?WebEmbedHeader", "<meta name=\"author\" content=\"Anchor\">"));
    ASSERT_TRUE(d_.type("?WebEmbedBodyTag", "BACKGROUND = \"mywallpaper.gif\""));
    ASSERT_TRUE(d_.type("?WebEmbedBody", "<CENTER> <IMG SRC=\"mylogo.gif\"> </CENTER>"));
    ASSERT_TRUE(d_.close());  // the close box keeps what was typed
    EXPECT_EQ(WebEmbedBodyTag.str(), "BACKGROUND = \"mywallpaper.gif\"");

    // Restore Defaults resets the ten colours, nothing else.
    ASSERT_TRUE(d_.press("Restore Defaults"));
    EXPECT_EQ(webbackgroundcolor, 0xFFFFFFu);
    EXPECT_EQ(webactivecolor, 0xFFFF80u);
    EXPECT_EQ(d_.control("?SamplePage")->bg, 0xFFFFFFu);
    EXPECT_EQ(WebEmbedHeader.str(), "<meta name=\"author\" content=\"Anchor\">");
    EXPECT_EQ(WebEmbedBody.str(), "<CENTER> <IMG SRC=\"mylogo.gif\"> </CENTER>");
    ASSERT_TRUE(d_.press("Page Background"));
    ASSERT_TRUE(d_.chooseColor(0x0000FF));
    ASSERT_TRUE(d_.press("OK"));
    ASSERT_EQ(d_.active()->title, kComposer);

    ASSERT_TRUE(d_.type("Home Page URL:", "www.example.org"));
    ASSERT_TRUE(d_.press("Compose Web Pages"));
    runProgress();
    const std::string page = fixture::readText(pages() + "/T-T.htm");
    EXPECT_NE(page.find("<meta name=\"author\" content=\"Anchor\">\r\n</HEAD>"), std::string::npos) << page;
    EXPECT_NE(page.find("<BODY text=000000 bgcolor=FF0000 vlink=FF80FF link=0000A0 BACKGROUND = \"mywallpaper.gif\">"
                        "\r\n<CENTER> <IMG SRC=\"mylogo.gif\"> </CENTER>\r\n"),
              std::string::npos);
}

// "Cancel" ends the composition: nothing of it replaces a page, and a later run writes the
// pages whole.
TEST_F(ComposerTest, CancelStopsWithoutCongratulationsAndALaterRunWritesThePagesAgain) {
    openComposer();
    ASSERT_TRUE(d_.type("Home Page URL:", "www.example.org"));
    ASSERT_TRUE(d_.press("Compose Web Pages"));
    ASSERT_EQ(d_.active()->title, "Generating Title Pages") << d_.windows();
    EXPECT_EQ(d_.text("?Percent"), "0% Completed");
    ASSERT_TRUE(d_.press("Cancel"));
    ASSERT_EQ(d_.active()->title, kComposer) << d_.windows();
    EXPECT_EQ(d_.window("Congratulations"), nullptr);
    EXPECT_EQ(fixture::namesIn(pages()), std::vector<std::string>{});

    ASSERT_TRUE(d_.press("Compose Web Pages"));
    runProgress();
    EXPECT_EQ(d_.active()->title, "HTML SongBook Composer") << d_.windows();
    EXPECT_EQ(brokenLinks(pages(), "index.htm"), std::vector<std::string>{});
    EXPECT_EQ(brokenLinks(pages(), "indexA.htm"), std::vector<std::string>{});
}

TEST_F(ComposerTest, AFailedWriteNamesTheFileAndTheReasonOnce) {
    openComposer();
    std::ofstream(books_ + "/WebPages") << "not a folder";
    ASSERT_TRUE(d_.type("Home Page URL:", "www.example.org"));
    ASSERT_TRUE(d_.press("Compose Web Pages"));
    EXPECT_EQ(message(), "ERROR: Unable to create webpage:" + pages() + "/index.htm\nERROR:20 (Not a directory)");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(d_.request(), nullptr) << d_.windows();
    EXPECT_EQ(d_.active()->title, kComposer) << d_.windows();
    EXPECT_EQ(d_.window("Congratulations"), nullptr);
}

// The disc fills up (a file-size limit in a child process) while a SongBook with a new first
// letter is published over its old pages: one message names the page and the cause, and the
// old indexes stay as they were, every link of theirs reaching a whole page.
TEST_F(ComposerTest, OnAFullDiscOneMessageAndTheOldPagesStay) {
    openComposer();
    ASSERT_TRUE(d_.type("Home Page URL:", "www.example.org"));
    ASSERT_TRUE(d_.press("Compose Web Pages"));
    runProgress();
    ASSERT_TRUE(d_.press("&Close")) << d_.windows();
    d_.end();
    const std::string oldIndex = fixture::readText(pages() + "/index.htm");
    const std::string oldArtists = fixture::readText(pages() + "/indexA.htm");

    std::vector<workspace_test::Listing> more = workspace_test::sampleListings();
    for (unsigned i = 1; i <= 400; ++i)
        more.push_back({"Zéphyr Song " + std::to_string(i), "Éloïse Brun", "SL3001", i});
    makeSongBook("Songs", more, workspace_test::sampleDiscs());
    const std::string said = fixture::inChild(
        [&] {
            openWorkspace("Songs");
            if (!d_.menu({"&Print", "&Generate Web Page"})) return std::string("no composer");
            if (!d_.type("Home Page URL:", "www.example.org") || !d_.press("Compose Web Pages")) return d_.error();
            std::string messages;
            for (int i = 0; i < 100 && d_.running(); ++i) {
                runProgress();
                if (!d_.request()) break;
                messages += message() + "\n--\n";
                if (!d_.answer("OK")) break;
            }
            return messages + d_.active()->title;
        },
        16 * 1024);
    EXPECT_EQ(said, "Error closing files\n" + pages() + "/T-Z.htm\nERROR:27 (File too large)\n--\n" + kComposer);
    EXPECT_EQ(fixture::readText(pages() + "/index.htm"), oldIndex);
    EXPECT_EQ(fixture::readText(pages() + "/indexA.htm"), oldArtists);
    EXPECT_EQ(brokenLinks(pages(), "index.htm"), std::vector<std::string>{});
    EXPECT_EQ(brokenLinks(pages(), "indexA.htm"), std::vector<std::string>{});
    EXPECT_EQ(leftovers(pages()), std::vector<std::string>{});
}

}  // namespace
}  // namespace web_test
