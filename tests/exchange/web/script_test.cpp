// Publishing from a script, as cantorelle-script runs it: open a SongBook, open the composer,
// set a title, compose, and find the pages in the folder.
#include <sstream>

#include "exchange/WebSettings.h"
#include "frontend/headless/procedures.h"
#include "frontend/headless/script.h"
#include "runtime/shell/shell.h"
#include "shell/workspace/workspace_fixture.h"

namespace web_test {
namespace {

using ScriptPublishTest = workspace_test::WorkspaceTest;

TEST_F(ScriptPublishTest, AScriptComposesThePages) {
    ResetWebSettings();
    rt::setLauncher([](const std::vector<std::string>&) {});
    headless::registerProgramProcedures();
    makeSongBook("Songs", workspace_test::sampleListings(), workspace_test::sampleDiscs());
    std::istringstream script(R"(start BrowseSongBook
select ?LIST 1
press "&Open Selected SongBook"
menu &Print "&Generate Web Page"
expect "HTML SongBook Name:"
type "Web Page Title:" "Songs at the Anchor"
type "Home Page URL:" www.example.org
press "Compose Web Pages"
wait 10
wait 10
expect Congratulations!
press &Close
press Close
press "Close SongBook"
)");
    std::ostringstream out;
    EXPECT_EQ(headless::runScript(d_, script, out), headless::kScriptOk) << out.str();
    const std::string folder = books_ + "/WebPages/SONGS";
    for (const char* page : {"index.htm", "indexA.htm", "T-A.htm", "T-L.htm", "T-O.htm", "T-T.htm", "A-A.htm",
                             "A-%C3%89.htm"})
        EXPECT_TRUE(rt::fileExists(folder + "/" + page)) << page;
    rt::setLauncher(nullptr);
    ResetWebSettings();
}

}  // namespace
}  // namespace web_test
