// The export window driven as a host uses it: what a line holds, which listings each choice
// writes, the tags of the window, and the file it writes or does not write.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "exchange_fixture.h"

namespace exchange_test {
namespace {

class ExportTest : public ExchangeTest {};

TEST_F(ExportTest, ALineHoldsElevenFieldsQuotedAsTheFileFormatSays) {
    addDisc("SC8125", "101", 7);
    addListings({{"Say \"Hi\"", "  Lead Blank", "SC8125", 4294967295u, "Pop Rock", "X", "X", rt::date(1, 5, 2004), "SC"},
                 {"Zed Song   ", "", "SC8125", 2, "", "", "", 0, "SC"},
                 {"Orphan", "Nobody", "XX0001", 0, "", "", "", rt::date(12, 25, 1999), "XX"}});
    exportAll(file("out.csv"));
    EXPECT_EQ(readText(file("out.csv")),
              "\"Orphan\",\"Nobody\",\"\",0,\"XX0001\",\"\",\"\",\"XX\",0,\"\",\"12/25/99\"\r\n"
              "\"Say \"\"Hi\"\"\",\"  Lead Blank\",\"101\",4294967295,\"SC8125\",\"Pop Rock\",\"X\",\"SC\",7,\"\","
              "\" 1/05/04\"\r\n"
              "\"Zed Song\",\"\",\"101\",2,\"SC8125\",\"\",\"\",\"SC\",7,\"\",\"  /  /\"\r\n");
}

TEST_F(ExportTest, AnEmptySongBookGivesAnEmptyFile) {
    exportAll(file("empty.csv"));
    struct stat st {};
    ASSERT_EQ(::stat(file("empty.csv").c_str(), &st), 0);
    EXPECT_EQ(st.st_size, 0);
}

TEST_F(ExportTest, AccentsAreWrittenInWindows1252AndOtherScriptsInUtf8) {
    addDisc("SC1", "1");
    addListings({{"Caf\xC3\xA9 Cr\xC3\xA8me", "Bj\xC3\xB6rk", "SC1", 1, "", "", "", 0, "SC"}});
    exportAll(file("latin.csv"));
    EXPECT_EQ(readText(file("latin.csv")).substr(0, 24), "\"Caf\xE9 Cr\xE8me\",\"Bj\xF6rk\",\"1\"");
    addListings({{"\xE5\xA4\x9C\xE6\x9B\xB2", "Artist", "SC1", 2, "", "", "", 0, "SC"}});
    exportAll(file("utf8.csv"));
    const std::string text = readText(file("utf8.csv"));
    EXPECT_NE(text.find("\"Caf\xC3\xA9 Cr\xC3\xA8me\""), std::string::npos);
    EXPECT_NE(text.find("\"\xE5\xA4\x9C\xE6\x9B\xB2\""), std::string::npos);
}

TEST_F(ExportTest, FileNamesGetCsvOnlyWhenTheyHoldNone) {
    struct Case {
        const char* chosen;
        const char* written;
    } cases[] = {{"/x/LIST", "/x/LIST.csv"},     {"/x/LIST.CSV", "/x/LIST.CSV"}, {"/x/list.csv", "/x/list.csv"},
                 {"/x/my.csv.old", "/x/my.csv.old"}, {"/x/list  ", "/x/list.csv"}, {"/x/a.txt", "/x/a.txt.csv"}};
    for (const Case& c : cases) EXPECT_EQ(ExportFileNameFor(c.chosen), c.written) << c.chosen;

    addListings({{"One", "A", "SC1", 1, "", "", "", 0, "SC"}});
    exportAll(file("LIST"));
    EXPECT_FALSE(readText(file("LIST.csv")).empty());
    EXPECT_EQ(ExportFileName.str(), file("LIST.csv"));
}

TEST_F(ExportTest, AnExistingFileIsReplacedOnlyWhenTheHostAgrees) {
    addListings({{"One", "A", "SC1", 1, "", "", "", 0, "SC"}});
    writeText(file("keep.csv"), "old contents");
    startExport();
    ASSERT_TRUE(d_.in(kExportTitle).press("Export Listings"));
    ASSERT_TRUE(d_.dialog(file("keep.csv")));
    EXPECT_EQ(message(), "The file " + file("keep.csv") + " already exists.\n\nDo you want to replace it?");
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_EQ(d_.request(), nullptr) << d_.windows();
    EXPECT_EQ(readText(file("keep.csv")), "old contents");

    ASSERT_TRUE(d_.in(kExportTitle).press("Export Listings"));
    ASSERT_TRUE(d_.dialog(file("keep.csv")));
    ASSERT_TRUE(d_.answer("Yes"));
    d_.wait(20);
    EXPECT_EQ(message(), "Finished Exporting Song Listings");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(readText(file("keep.csv")).substr(0, 7), "\"One\",\"");
}

TEST_F(ExportTest, AFileThatCannotBeCreatedIsReportedAndNothingIsFinished) {
    addListings({{"One", "A", "SC1", 1, "", "", "", 0, "SC"}});
    const std::string missing = file("no such folder") + "/out.csv";
    startExport();
    EXPECT_EQ(exportTo(missing), "Unable to Create Export File!\n" + missing + "\nError: 2 No such file or directory");
    EXPECT_FALSE(d_.window("Exporting Song Listings...")) << d_.windows();
    EXPECT_TRUE(d_.window(kExportTitle));
}

TEST_F(ExportTest, TaggedDiscsAndTaggedTracksChooseTheListings) {
    addDisc("SC0001", "A1");
    addDisc("SC0002", "B2");
    addDisc("SC0003", "C3");
    addListings({{"Alpha", "X", "SC0001", 1, "", "", "", 0, "SC"},
                 {"Bravo", "X", "SC0002", 1, "", "", "", 0, "SC"},
                 {"Charlie", "X", "SC0002", 2, "", "", "", 0, "SC"},
                 {"Delta", "X", "SC0001", 2, "", "", "", 0, "SC"}});
    // The add-discs window's tags are its own: the export leaves them alone.
    TagQue.clearBuffer();
    TagQue.QUEUNQDISKID = "SL3001";
    TagQue.add();

    startExport();
    ASSERT_TRUE(d_.in(kExportTitle).choose("?EXPORT:FILTER", "All Listings on Selected Disc(s)"));
    EXPECT_FALSE(d_.hidden("?DiscList"));
    EXPECT_TRUE(d_.hidden("?TrackList"));
    EXPECT_EQ(d_.rows("?DiscList"),
              (std::vector<std::vector<std::string>>{{"", "A1", "SC0001"}, {"", "B2", "SC0002"}, {"", "C3", "SC0003"}}));
    // Nothing tagged: the host is told, nothing is asked.
    ASSERT_TRUE(d_.in(kExportTitle).press("Export Listings"));
    EXPECT_EQ(message(), "You must Select and TAG the desired Disc(s)\nbefore proceeding.");
    ASSERT_TRUE(d_.answer("OK"));

    ASSERT_TRUE(d_.select("?DiscList", 2));
    ASSERT_TRUE(d_.in(kExportTitle).press("&Tag"));
    EXPECT_EQ(d_.rows("?DiscList")[1], (std::vector<std::string>{kTagMark, "B2", "SC0002"}));
    // Showing only the tagged discs, then only the others.
    ASSERT_TRUE(d_.in(kExportTitle).press("sho&W tags"));
    EXPECT_EQ(d_.rows("?DiscList"), (std::vector<std::vector<std::string>>{{kTagMark, "B2", "SC0002"}}));
    EXPECT_EQ(d_.text("?DiscShowTags"), "Showing Tagged");
    ASSERT_TRUE(d_.in(kExportTitle).press("Showing Tagged"));
    EXPECT_EQ(d_.rows("?DiscList").size(), 2u);
    ASSERT_TRUE(d_.in(kExportTitle).press("Showing UnTagged"));
    EXPECT_EQ(d_.rows("?DiscList").size(), 3u);
    EXPECT_EQ(exportTo(file("discs.csv")), "Finished Exporting Song Listings");
    const std::string discsFile = readText(file("discs.csv"));
    EXPECT_EQ(discsFile.find("Alpha"), std::string::npos);
    EXPECT_LT(discsFile.find("Bravo"), discsFile.find("Charlie"));

    // Another choice drops the tags; a double-click in the TAG column tags a track.
    ASSERT_TRUE(d_.in(kExportTitle).choose("?EXPORT:FILTER", "Only Selected Track(s)"));
    EXPECT_EQ(d_.rows("?TrackList"), (std::vector<std::vector<std::string>>{{"", "A1", "1"},
                                                                             {"", "A1", "2"},
                                                                             {"", "B2", "1"},
                                                                             {"", "B2", "2"},
                                                                             {"", "C3", ""}}));
    ASSERT_TRUE(d_.key("?TrackList", "DoubleClick", 2));
    ASSERT_TRUE(d_.key("?TrackList", "DoubleClick", 3));
    EXPECT_EQ(d_.rows("?TrackList")[1][0], kTagMark);
    EXPECT_EQ(d_.rows("?TrackList")[2][0], kTagMark);
    EXPECT_EQ(exportTo(file("tracks.csv")), "Finished Exporting Song Listings");
    const std::string tracksFile = readText(file("tracks.csv"));
    EXPECT_NE(tracksFile.find("\"Delta\""), std::string::npos);
    EXPECT_NE(tracksFile.find("\"Bravo\""), std::string::npos);
    EXPECT_EQ(tracksFile.find("Alpha"), std::string::npos);
    EXPECT_EQ(tracksFile.find("Charlie"), std::string::npos);

    // Reversed tags, then every track, then none.
    ASSERT_TRUE(d_.in(kExportTitle).press("&Rev tags"));
    EXPECT_EQ(d_.rows("?TrackList")[0][0], kTagMark);
    EXPECT_EQ(d_.rows("?TrackList")[1][0], "");
    ASSERT_TRUE(d_.in(kExportTitle).press("tag &All"));
    for (int r : {0, 1, 2, 3}) EXPECT_EQ(d_.rows("?TrackList")[r][0], kTagMark) << r;
    ASSERT_TRUE(d_.in(kExportTitle).press("&Untag all"));
    for (int r : {0, 1, 2, 3}) EXPECT_EQ(d_.rows("?TrackList")[r][0], "") << r;
    ASSERT_TRUE(d_.in(kExportTitle).press("Export Listings"));
    EXPECT_EQ(message(), "You must Select and TAG the desired Track(s)\nbefore proceeding.");
    ASSERT_TRUE(d_.answer("OK"));
    ASSERT_TRUE(d_.in(kExportTitle).press("Cancel"));
    ASSERT_TRUE(d_.end());

    ASSERT_EQ(TagQue.records(), 1u);
    EXPECT_EQ(TagQue.entry(1).QUEUNQDISKID.str(), "SL3001");
}

TEST_F(ExportTest, CancelInTheProgressWindowLeavesNoFileBehind) {
    addListings({{"One", "A", "SC1", 1, "", "", "", 0, "SC"}});
    writeText(file("keep.csv"), "old contents");
    startExport();
    ASSERT_TRUE(d_.in(kExportTitle).press("Export Listings"));
    ASSERT_TRUE(d_.dialog(file("keep.csv")));
    ASSERT_TRUE(d_.answer("Yes"));
    // Before the first step runs.
    ASSERT_TRUE(d_.in("Exporting Song Listings...").press("Cancel")) << d_.windows();
    EXPECT_EQ(message(), "Export Operation Cancelled");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(readText(file("keep.csv")), "old contents");
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) files += e.path().extension() != ".2bk" && e.path().extension() != ".2bd";
    EXPECT_EQ(files, 1u) << "no temporary file is left";
}

TEST_F(ExportTest, CancelInTheFileDialogWritesNothing) {
    addListings({{"One", "A", "SC1", 1, "", "", "", 0, "SC"}});
    startExport();
    ASSERT_TRUE(d_.in(kExportTitle).press("Export Listings"));
    ASSERT_TRUE(d_.dialogCancel());
    EXPECT_EQ(d_.request(), nullptr) << d_.windows();
    EXPECT_TRUE(d_.window(kExportTitle));
}

}  // namespace
}  // namespace exchange_test
