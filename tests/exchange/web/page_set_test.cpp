#include <chrono>
#include <cstdlib>
#include <regex>
#include <set>

#include "support/killed_writer.h"
#include "web_fixture.h"

namespace web_test {
namespace {

const std::string kGolden = std::string(TEST_SOURCE_DIR) + "/golden";


class PageSetTest : public WebTest {
protected:
    void publishGolden() {
        makeSongBook("Golden", goldenListings(), goldenDiscs());
        HTMLOutputDirectory = "GOLDEN";
        WebTitle = "Karaoke SongBook";
        WebHeading = "Friday Night Karaoke";
        HTMLHomeURL = "http://www.example.org";
        ASSERT_TRUE(generate());
    }
};

TEST_F(PageSetTest, PagesOfTheFixtureSongBookAreExactlyTheGoldenOnes) {
    publishGolden();
    const bool update = std::getenv("CANTORELLE_UPDATE_GOLDEN") != nullptr;
    for (const char* name : {"index.htm", "indexA.htm", "T-A.htm", "T-%3C.htm"}) {
        const std::string written = readText(pages("GOLDEN") + "/" + name);
        if (update) std::ofstream(kGolden + "/" + name, std::ios::binary) << written;
        EXPECT_EQ(written, readText(kGolden + "/" + name)) << name;
    }
}

TEST_F(PageSetTest, OnePagePerFirstLetterNamedSafely) {
    publishGolden();
    EXPECT_EQ(namesIn(pages("GOLDEN")),
              (std::vector<std::string>{"A-%20.htm", "A-%C3%89.htm", "A-A.htm", "A-B.htm", "A-F.htm", "A-Z.htm",
                                        "T-%20.htm", "T-%2B.htm", "T-%3C.htm", "T-%C3%89.htm", "T-%C3%96.htm",
                                        "T-A.htm", "T-L.htm", "T-O.htm", "T-R.htm", "T-T.htm", "index.htm",
                                        "indexA.htm"}));
    EXPECT_EQ(HtmlPageFileName.str(), pages("GOLDEN") + "/A-%C3%89.htm");
}

// Every row lands on exactly one letter page, none in an index; pages are UTF-8 and say so;
// no page stops short.
TEST_F(PageSetTest, EveryListingIsPublishedOnceByTitleAndOnceByArtist) {
    publishGolden();
    int titleRows = 0, artistRows = 0;
    for (const std::string& name : namesIn(pages("GOLDEN"))) {
        const std::string page = readText(pages("GOLDEN") + "/" + name);
        const int rows = count(page, "<TR> <TD>");
        if (name.rfind("index", 0) == 0) {
            EXPECT_EQ(rows, 0) << name;
        } else {
            (name[0] == 'T' ? titleRows : artistRows) += rows;
        }
        EXPECT_NE(page.find("charset=utf-8"), std::string::npos) << name;
        EXPECT_EQ(page.substr(page.size() - 9), "</HTML>\r\n") << name;
        EXPECT_EQ(count(page, "\n"), count(page, "\r\n")) << name;
    }
    EXPECT_EQ(titleRows, 13);
    EXPECT_EQ(artistRows, 13);
}

TEST_F(PageSetTest, EveryLinkOfEveryPageReachesAPage) {
    publishGolden();
    const std::string folder = pages("GOLDEN");
    std::set<std::string> reached;
    for (const std::string& name : namesIn(folder)) {
        const auto links = linksIn(readText(folder + "/" + name));
        EXPECT_FALSE(links.empty()) << name;
        for (const std::string& link : links) {
            if (link == "http://www.example.org") continue;
            const std::string target = decoded(link);
            EXPECT_TRUE(std::filesystem::exists(folder + "/" + target)) << name << " links " << link;
            reached.insert(target);
        }
    }
    // ... and every page is reached from the others.
    for (const std::string& name : namesIn(folder)) EXPECT_TRUE(reached.count(name)) << name << " is never linked";
}

TEST_F(PageSetTest, ListingTextIsEscapedAndTheHostsOwnHtmlIsNot) {
    makeSongBook("Escapes", goldenListings(), goldenDiscs());
    HTMLOutputDirectory = "ESCAPES";
    WebTitle = "Karaoke <b>Tonight</b>";
    WebHeading = "Heading & <i>More</i>";
    HTMLHomeURL = "http://www.example.org";
    WebEmbedHeader = "<link rel=\"stylesheet\" href=\"http://www.example.org/k.css\">";
    WebEmbedBodyTag = "BACKGROUND = \"mywallpaper.gif\"";
    WebEmbedBody = "<CENTER> <IMG SRC=\"mylogo.gif\"> </CENTER>";
    ASSERT_TRUE(generate());
    const std::string page = readText(pages("ESCAPES") + "/T-%3C.htm");
    EXPECT_NE(page.find("<TD>&lt;script&gt;alert(1)&lt;/script&gt;"), std::string::npos) << page;
    EXPECT_EQ(page.find("<script>"), std::string::npos);
    EXPECT_NE(page.find(">&lt;</a></TD>"), std::string::npos);
    EXPECT_NE(page.find("<HEAD><TITLE>Karaoke <b>Tonight</b></TITLE>\r\n"), std::string::npos);
    EXPECT_NE(page.find(">Heading & <i>More</i></H1><P>"), std::string::npos);
    EXPECT_NE(page.find("\r\n" + WebEmbedHeader.str() + "\r\n</HEAD>"), std::string::npos);
    EXPECT_NE(page.find(" link=0000A0 BACKGROUND = \"mywallpaper.gif\">\r\n<CENTER> <IMG SRC=\"mylogo.gif\"> </CENTER>\r\n"),
              std::string::npos);
    const std::string rock = readText(pages("ESCAPES") + "/T-R.htm");
    EXPECT_NE(rock.find("<TD>Rock &amp; Roll &lt;Live&gt;                      </TD>"), std::string::npos) << rock;
}

TEST_F(PageSetTest, AnEmptySongBookGivesIndexesWithAnEmptyLetterRowAndNoLetterPage) {
    makeSongBook("Empty", {}, {});
    HTMLOutputDirectory = "EMPTY";
    ASSERT_TRUE(generate());
    EXPECT_EQ(namesIn(pages("EMPTY")), (std::vector<std::string>{"index.htm", "indexA.htm"}));
    const std::string index = readText(pages("EMPTY") + "/index.htm");
    EXPECT_NE(index.find("<TR>\r\n</TR>\r\n</TABLE></TABLE><BR>\r\n</TABLE>\r\n</center>\r\n</div>\r\n</BODY>\r\n</HTML>\r\n"),
              std::string::npos)
        << index;
}

// Letters the file system or a link could misread, and the song numbers.
TEST_F(PageSetTest, LettersAndSongNumbers) {
    makeSongBook("Marks",
                 {{"+Plus", "X", "CUST1", 7}, {";Semi", "X", "CUST1", 0}, {",Comma", "X", "STAR", 7},
                  {"|Bar", "X", "STAR", 0}, {"", "X", "NODISC", 7}, {"a one", "X", "CUST1", 1},
                  {"A two", "X", "CUST1", 2}, {"\tTab", "X", "CUST1", 3}, {"  Two Blanks", "X", "CUST1", 4},
                  {"#Discless", "X", "*", 9}},
                 {{"CUST1", "102"}, {"STAR", "*"}});
    HTMLOutputDirectory = "MARKS";
    ASSERT_TRUE(generate());
    const std::string folder = pages("MARKS");
    auto rowsOf = [&](const std::string& name) {
        std::vector<std::string> numbers;
        const std::string page = readText(folder + "/" + name);
        static const std::regex row(R"(<TR> <TD>.{40}</TD> <TD>.{40}</TD> <TD>([^<]*)</TD> </TR>)");
        for (auto it = std::sregex_iterator(page.begin(), page.end(), row); it != std::sregex_iterator(); ++it)
            numbers.push_back((*it)[1]);
        return numbers;
    };
    EXPECT_EQ(rowsOf("T-%2B.htm"), std::vector<std::string>{"102-7"});
    EXPECT_EQ(rowsOf("T-%3B.htm"), std::vector<std::string>{"102"});
    EXPECT_EQ(rowsOf("T-%2C.htm"), std::vector<std::string>{"7"});
    EXPECT_EQ(rowsOf("T-%7C.htm"), std::vector<std::string>{""});
    // A discless track without a disc record still has its track as its number.
    EXPECT_EQ(rowsOf("T-%23.htm"), std::vector<std::string>{"9"});
    EXPECT_EQ(rowsOf("T-A.htm"), (std::vector<std::string>{"102-1", "102-2"}));
    // A blank title, one after a tab and one starting with blanks share the blank's page.
    EXPECT_EQ(rowsOf("T-%20.htm"), (std::vector<std::string>{"-7", "102-3", "102-4"}));
    const std::string index = readText(folder + "/index.htm");
    EXPECT_NE(index.find("<TD><A href=\"T-%252B.htm\">+</a></TD>"), std::string::npos);
    EXPECT_NE(index.find("<TD><A href=\"T-%2520.htm\">&nbsp;</a></TD>"), std::string::npos);
    const std::string plus = readText(folder + "/T-%2B.htm");
    EXPECT_NE(plus.find("<TD bgcolor=80FFFF><A href=T-%252B.htm>+</a></TD>"), std::string::npos);
    EXPECT_NE(plus.find("<TD><A href=T-%253B.htm>;</a></TD>"), std::string::npos);
    // A blank body tag still leaves the blank before ">".
    EXPECT_NE(plus.find(" link=0000A0 >\r\n"), std::string::npos);
}

// A page that cannot be put in place is named with the reason, in one message; the run stops
// there and the index of the last whole run stays, every link of it reaching a whole page.
TEST_F(PageSetTest, APageThatCannotBePutInPlaceIsNamedOnceAndTheOldIndexStays) {
    std::vector<Listing> before;  // the last whole run had no title beginning with "L"
    for (const Listing& l : goldenListings())
        if (l.title[0] != 'L' && l.title[0] != 'l') before.push_back(l);
    makeSongBook("Blocked", before, goldenDiscs());
    HTMLOutputDirectory = "BLOCKED";
    ASSERT_TRUE(generate());
    const std::string oldIndex = readText(pages("BLOCKED") + "/index.htm");

    makeSongBook("Blocked", goldenListings(), goldenDiscs());
    std::filesystem::create_directories(pages("BLOCKED") + "/T-L.htm");
    PageSetRun titles = PageSetRun::Written;
    ASSERT_TRUE(d_.start([&] { titles = WriteHtmlTitlePages(); }));
    runProgress();
    auto r = d_.request();
    ASSERT_NE(r, nullptr) << d_.windows();
    EXPECT_EQ(r->text, "Error closing files\n" + pages("BLOCKED") + "/T-L.htm\nERROR:21 (Is a directory)");
    ASSERT_TRUE(d_.answer("OK"));
    runProgress();
    EXPECT_EQ(d_.request(), nullptr) << d_.windows();
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(titles, PageSetRun::Failed);
    EXPECT_TRUE(std::filesystem::is_directory(pages("BLOCKED") + "/T-L.htm"));
    EXPECT_EQ(readText(pages("BLOCKED") + "/index.htm"), oldIndex);
    EXPECT_EQ(brokenLinks(pages("BLOCKED"), "index.htm"), std::vector<std::string>{});
    EXPECT_EQ(leftovers(pages("BLOCKED")), std::vector<std::string>{});
}

// The pages of a SongBook published over those of a SongBook with fewer (or more) first
// letters, the writer killed at dozens of moments: the indexes left are whole with every link
// reaching a whole page, and the next run leaves no work file and a whole set.
TEST_F(PageSetTest, AKilledRunLeavesTheLastWholeSetAndTheNextRunAWholeNewOne) {
    const std::vector<std::string> words = {"Amber", "Bright", "Cedar", "Dawn", "Ember", "Fjord", "Glow",
                                            "Harbour", "Île", "Jade", "Kite", "Lumière", "Moss"};
    const std::vector<std::string> later = {"Night", "Opal", "Pine", "Quill", "Rose", "Stone", "Tide",
                                            "Umber", "Vale", "Wren", "Xylo", "Yarrow", "Zéphyr", "Ölmühle"};
    auto book = [&](const std::string& name, const std::vector<std::string>& first, int perWord) {
        std::vector<Listing> listings;
        unsigned track = 0;
        for (const std::string& w : first)
            for (int i = 0; i < perWord; ++i)
                listings.push_back({w + " Café Song " + std::to_string(i), first[(track * 7) % first.size()] + " Éloïse",
                                    "CV0105", ++track});
        makeSongBook(name, listings, goldenDiscs());
        return static_cast<int>(listings.size());
    };
    std::vector<std::string> all = words;
    all.insert(all.end(), later.begin(), later.end());
    const int small = book("Small", words, 80), large = book("Large", all, 120);
    HTMLOutputDirectory = "TIMED";
    auto use = [&](const std::string& name) {
        SongBookFileName = songBook(name);
        SBDiscsFileName = books_ + "/" + name + ".2bd";
    };
    // How long a whole run takes on this machine: the kills are spread over it.
    auto timed = [&] {
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_TRUE(generate());
        return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
    };
    use("Large");
    const long long largeMs = timed();
    use("Small");
    const long long smallMs = timed();

    int caughtWriting = 0;
    for (int round = 0; round < 30; ++round) {
        const bool toLarge = round % 2 == 0;
        const int delayMs = static_cast<int>(1 + (toLarge ? largeMs : smallMs) * ((round / 2 * 7) % 15 + 1) / 16);
        SCOPED_TRACE("killed after " + std::to_string(delayMs) + " ms");
        HTMLOutputDirectory = "SET" + std::to_string(round);
        const std::string folder = pages(HTMLOutputDirectory.str());
        use(toLarge ? "Small" : "Large");
        ASSERT_TRUE(generate());
        use(toLarge ? "Large" : "Small");
        ASSERT_NO_FATAL_FAILURE(fixture::killWriterAfter(delayMs, [&](const std::function<void()>& ready) {
            ready();
            generate();
            for (;;) ::pause();
        }));
        caughtWriting += !leftovers(folder).empty();
        EXPECT_EQ(brokenLinks(folder, "index.htm"), std::vector<std::string>{});
        EXPECT_EQ(brokenLinks(folder, "indexA.htm"), std::vector<std::string>{});

        ASSERT_TRUE(generate());
        EXPECT_EQ(leftovers(folder), std::vector<std::string>{});
        EXPECT_EQ(brokenLinks(folder, "index.htm"), std::vector<std::string>{});
        EXPECT_EQ(brokenLinks(folder, "indexA.htm"), std::vector<std::string>{});
        EXPECT_EQ(rowsLinkedFrom(folder, "index.htm"), toLarge ? large : small);
        EXPECT_EQ(rowsLinkedFrom(folder, "indexA.htm"), toLarge ? large : small);
    }
    // The kills must have caught runs in the middle, or this proves nothing.
    EXPECT_GT(caughtWriting, 8);
}

// Letters whose neighbours fold to other letters: every listing still lands on its page once.
TEST_F(PageSetTest, EveryLetterIsFoundWhereCaseFoldingLeavesGaps) {
    std::vector<Listing> listings;
    int track = 0;
    for (const char* title : {"`quoted", "ÿes", "Ÿou", "āla", "Ālb", "zeta", "{brace", "~tilde", "ßharp", "Ørsted",
                              "øre", "ŉapostrophe", "ı dotless", "ĸra", "ſlong", "ž", "Ž", "\xFF" "broken"})
        listings.push_back({title, "X", "CUST1", static_cast<unsigned>(++track)});
    makeSongBook("Gaps", listings, {{"CUST1", "9"}});
    HTMLOutputDirectory = "GAPS";
    ASSERT_TRUE(generate());
    int rows = 0;
    std::vector<std::string> titlePages;
    for (const std::string& name : namesIn(pages("GAPS"))) {
        if (name[0] != 'T') continue;
        titlePages.push_back(name);
        rows += count(readText(pages("GAPS") + "/" + name), "<TR> <TD>");
    }
    EXPECT_EQ(rows, static_cast<int>(listings.size()));
    // ` { ~ Z ß Ø Ÿ Ā ı ĸ ŉ Ž ſ and the replacement character: one page each.
    EXPECT_EQ(titlePages.size(), 14u) << ::testing::PrintToString(titlePages);
}

TEST(HtmlPieces, FileAndLinkCodes) {
    struct Case {
        std::string letter, file, link;
    } cases[] = {
        {"A", "A", "A"},         {"7", "7", "7"},          {"+", "%2B", "%252B"},       {"/", "%2F", "%252F"},
        {"?", "%3F", "%253F"},   {"%", "%25", "%2525"},    {"#", "%23", "%2523"},       {"&", "%26", "%2526"},
        {"\"", "%22", "%2522"},  {"[", "%5B", "%255B"},    {"]", "%5D", "%255D"},       {"\\", "%5C", "%255C"},
        {"=", "%3D", "%253D"},   {"<", "%3C", "%253C"},    {">", "%3E", "%253E"},       {":", "%3A", "%253A"},
        {";", "%3B", "%253B"},   {",", "%2C", "%252C"},    {"*", "%2A", "%252A"},       {".", "%2E", "%252E"},
        {"|", "%7C", "%257C"},   {" ", "%20", "%2520"},    {"É", "%C3%89", "%25C3%2589"}, {"!", "!", "!"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(html::fileCode(c.letter), c.file) << c.letter;
        EXPECT_EQ(html::linkCode(c.letter), c.link) << c.letter;
    }
    EXPECT_EQ(html::letterOf("éclat"), "É");
    EXPECT_EQ(html::letterOf("apple"), "A");
    EXPECT_EQ(html::letterOf(""), " ");
    EXPECT_EQ(html::letterOf("\x01x"), " ");
    EXPECT_EQ(html::songNumber("102", 7), "102-7");
    EXPECT_EQ(html::songNumber("102", 0), "102");
    EXPECT_EQ(html::songNumber("*", 7), "7");
    EXPECT_EQ(html::songNumber("*", 0), "");
    EXPECT_EQ(html::songNumber("", 7), "-7");
}

TEST(HtmlPieces, ColoursAreWrittenRedFirst) {
    EXPECT_EQ(ColorToHexText(0xFF), "FF0000");
    EXPECT_EQ(ColorToHexText(0xA00000), "0000A0");
    EXPECT_EQ(ColorToHexText(0xFFFFFF), "FFFFFF");
    EXPECT_EQ(ColorToHexText(0xFFFF80), "80FFFF");
    EXPECT_EQ(ColorToHexText(0x123456), "563412");
    EXPECT_EQ(ColorToHexText(0), "000000");
}

}  // namespace
}  // namespace web_test
