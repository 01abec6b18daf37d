// The import driven as a host uses it: how each row of a file is classified, what the host
// sees of it, the correction form, the encodings read, and the round trip through an empty
// SongBook.
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <optional>

#include "exchange_fixture.h"
#include "support/child_process.h"

namespace exchange_test {
namespace {

class ImportTest : public ExchangeTest {};

// One line of a file as the export writes it.
std::string row(const std::string& title, const std::string& custom, unsigned track, const std::string& disc,
                const std::string& date = " 1/05/04", int brand = 3) {
    return "\"" + title + "\",\"Artist\",\"" + custom + "\"," + std::to_string(track) + ",\"" + disc +
           "\",\"Rock\",\"\",\"" + disc.substr(0, std::min<std::size_t>(2, disc.size())) + "\"," +
           std::to_string(brand) + ",\"\",\"" + date + "\"\r\n";
}

TEST_F(ImportTest, EachKindOfRowHasItsOutcome) {
    addDisc("SC100", "1", 5);
    addListings({{"Old One", "Artist", "SC100", 1, "", "", "", rt::date(3, 1, 2020), "SC"}});

    struct Case {
        const char* kind;
        std::string line;
        const char* outcome;  // imported, conflict, left out
    };
    const std::vector<Case> cases = {
        {"a new listing", row("New Disc Song", "2", 1, "SC200"), "imported"},
        {"a new track of a disc of the SongBook", row("New Track", "1", 2, "SC100"), "imported"},
        {"a listing without disc id, under its custom id", row("Discless", "77", 0, ""), "imported"},
        {"the same listing again in the file", row("New Disc Song Again", "2", 1, "SC200"), "conflict"},
        {"a listing whose disc id and track are the SongBook's", row("Clash Track", "9", 1, "SC100"), "conflict"},
        {"a custom disc id of another disc of the SongBook", row("Clash Custom", "1", 1, "SC300"), "conflict"},
        {"a custom disc id another row brings", row("Clash In File", "2", 1, "SC400"), "conflict"},
        {"a row that cannot be read", "\"Only\",\"Five\",\"Fields\",1,\"SC500\"\r\n", "left out"},
        {"a track that is no number", "\"T\",\"A\",\"5\",x1,\"SC600\",\"\",\"\",\"SC\",1,\"\",\"\"\r\n", "left out"},
        {"a date that is no date", row("Bad Date", "6", 1, "SC700", "13/45/04"), "left out"},
        {"a line of one field", "\"Title Only\"", "left out"},
        {"a row with a twelfth field of text", "\"T\",\"A\",\"8\",1,\"SC800\",\"\",\"\",\"SC\",1,\"\",\"\",\"Extra\"\r\n",
         "left out"},
        {"a row with empty fields after the eleventh (a spreadsheet's column)",
         "\"Trailing Column\",\"Artist\",\"1\",3,\"SC100\",\"Rock\",\"\",\"SC\",5,\"\",\" 1/05/04\",,\"\"\r\n", "imported"},
    };
    std::string text;
    for (const Case& c : cases) text += c.line + "\r\n";  // empty lines between are skipped
    writeText(file("in.csv"), text);

    std::string problems;
    startImport(file("in.csv"), &problems);
    // What the host is told about the rows left out, by line.
    EXPECT_EQ(problems,
              "4 rows could not be read and will not be imported.\n"
              "1 row has an invalid date and will not be imported.\n\n"
              "Line 15: it has 5 fields instead of 11.\n"
              "Line 17: the track \"x1\" is not a number.\n"
              "Line 19: the date \"13/45/04\" is not a date.\n"
              "Line 21: it has 1 field instead of 11.\n"
              "Line 22: it has 12 fields instead of 11.");
    // The conflicts, by custom disc id and track.
    EXPECT_FALSE(d_.hidden("?ConflictList"));
    EXPECT_TRUE(d_.hidden("?NoConflictText"));
    EXPECT_EQ(conflictRows(), (std::vector<std::vector<std::string>>{{"Clash Custom", "Artist", "1", "1", "SC300"},
                                                                     {"New Disc Song Again", "Artist", "2", "1", "SC200"},
                                                                     {"Clash In File", "Artist", "2", "1", "SC400"},
                                                                     {"Clash Track", "Artist", "9", "1", "SC100"}}));
    EXPECT_EQ(d_.text("?Summary"), "4 listings ready to import, 4 conflicts, 5 rows left out (see the first message).");
    finishImport();
    ASSERT_TRUE(d_.end());

    std::vector<std::string> imported;
    for (const Case& c : cases)
        if (std::string(c.outcome) == "imported") imported.push_back(c.kind);
    EXPECT_EQ(imported.size(), 4u);
    EXPECT_EQ(listings(), (std::vector<std::string>{"77-0|Discless|Artist|Rock||| 1/05/04",
                                                    "SC100-1|Old One|Artist|||SC| 3/01/20",
                                                    "SC100-2|New Track|Artist|Rock||SC| 1/05/04",
                                                    "SC100-3|Trailing Column|Artist|Rock||SC| 1/05/04",
                                                    "SC200-1|New Disc Song|Artist|Rock||SC| 1/05/04"}));
    // New discs come with their custom id and brand; a disc already there stays as it was.
    EXPECT_EQ(discs(), (std::vector<std::string>{"77=77//3", "SC100=1/SC/5", "SC200=2//3"}));
}

TEST_F(ImportTest, AFileWithoutConflictsSaysSoAndAnEmptyFileAddsNothing) {
    writeText(file("empty.csv"), "");
    startImport(file("empty.csv"));
    EXPECT_FALSE(d_.hidden("?NoConflictText"));
    EXPECT_EQ(d_.text("?NoConflictText"), "The Import File has been Analyzed and NO Conflicts Exist!");
    EXPECT_TRUE(d_.hidden("?ConflictList"));
    finishImport();
    ASSERT_TRUE(d_.end());
    EXPECT_TRUE(listings().empty());
}

TEST_F(ImportTest, EncodingsAndLineEndsOfOtherProgramsAreRead) {
    struct Case {
        const char* name;
        std::string bytes;
        std::string listing;
    } cases[] = {
        {"a spreadsheet's CSV UTF-8 with byte-order mark and bare numbers",
         "\xEF\xBB\xBF" "Caf\xC3\xA9 Song,Zo\xC3\xAB,1,1,SC1,,,SC,1,,1/5/2004\r\n",
         "SC1-1|Caf\xC3\xA9 Song|Zo\xC3\xAB|||SC| 1/05/04"},
        {"Windows-1252 from the earlier Windows versions",
         "\"Caf\xE9 Song\",\"Zo\xEB\",\"1\",1,\"SC1\",\"\",\"\",\"SC\",1,\"\",\" 1/05/04\"\r\n",
         "SC1-1|Caf\xC3\xA9 Song|Zo\xC3\xAB|||SC| 1/05/04"},
        {"line feeds only", "\"Plain\",\"A\",\"1\",1,\"SC1\",\"\",\"X\",\"SC\",1,\"\",\"12/25/99\"\n",
         "SC1-1|Plain|A||X|SC|12/25/99"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emptySongBook();
        writeText(file("in.csv"), c.bytes);
        importAll(file("in.csv"));
        EXPECT_EQ(listings(), std::vector<std::string>{c.listing});
    }
}

// Files as spreadsheets and Python's csv module write them, and rows at the edges of what a
// listing holds: what each becomes, and what the host is told of the rows left out.
TEST_F(ImportTest, RowsAtTheEdgesBecomeListingsOrAreNamed) {
    rt::setToday(rt::date(6, 1, 2026));
    const std::string tail = ",\"SC1\",\"\",\"\",\"SC\",1,\"\",";
    const std::string longField(60000, '7');
    struct Case {
        const char* name;
        std::string bytes;
        std::vector<std::string> listings;
        std::string problems;  // the message about rows left out ("" when none)
    } cases[] = {
        {"a line feed inside a quoted title", "\"Two\nLines\",\"A\",\"1\",1" + tail + "\" 1/05/04\"\n",
         {"SC1-1|Two Lines|A|||SC| 1/05/04"}, ""},
        {"CR LF inside quotes, and the next row counted after it",
         "\"Two\r\nLines\",\"A\",\"1\",1" + tail + "\" 1/05/04\"\r\n\"Next\",\"A\",\"1\",2" + tail + "\"99/99/99\"\r\n",
         {"SC1-1|Two Lines|A|||SC| 1/05/04"},
         "1 row has an invalid date and will not be imported.\n\nLine 3: the date \"99/99/99\" is not a date."},
        {"a line break inside quotes at the end of the file",
         "\"A\",\"B\",\"1\",1" + tail + "\" 1/05/04\"\r\n\"Tail\",\"A\",\"1\",2" + tail + "\" 1/05/04\n\"",
         {"SC1-1|A|B|||SC| 1/05/04", "SC1-2|Tail|A|||SC| 1/05/04"}, ""},
        {"a quote left open costs its own row only",
         "\"Open,\"A\",\"1\",1" + tail + "\" 1/05/04\"\r\n\"Fine\",\"A\",\"1\",2" + tail + "\" 1/05/04\"\r\n",
         {"SC1-2|Fine|A|||SC| 1/05/04"},
         "1 row could not be read and will not be imported.\n\nLine 1: a quote is not closed or the line is too long."},
        {"dates at and past their bounds",
         "\"A\",\"A\",\"1\",1" + tail + "\"12/31/2045\"\r\n\"B\",\"A\",\"1\",2" + tail + "\"1/1/2046\"\r\n" +
             "\"C\",\"A\",\"1\",3" + tail + "\" 1/05/123\"\r\n\"D\",\"A\",\"1\",4" + tail + "\"4294967297/1/2004\"\r\n" +
             "\"E\",\"A\",\"1\",5" + tail + "\" 1/01/46\"\r\n\"F\",\"A\",\"1\",6" + tail + "\"1/05/99999\"\r\n",
         {"SC1-1|A|A|||SC|12/31/45", "SC1-5|E|A|||SC| 1/01/46"},
         "4 rows have an invalid date and will not be imported.\n\n"
         "Line 2: the date \"1/1/2046\" is outside the years 1946 to 2045 that a two-digit year stands for.\n"
         "Line 3: the date \"1/05/123\" is not a date.\n"
         "Line 4: the date \"4294967297/1/2004\" is not a date.\n"
         "Line 6: the date \"1/05/99999\" is not a date."},
        {"mixed encodings: each line read in its own",
         "\"Caf\xC3\xA9\",\"Zo\xC3\xAB\",\"1\",1" + tail + "\" 1/05/04\"\r\n\"Caf\xE9\",\"Zo\xEB\",\"1\",2" + tail +
             "\" 1/05/04\"\r\n\"\xC3\x89t\xC3\xA9\",\"A\",\"1\",3" + tail + "\" 1/05/04\"\r\n",
         {"SC1-1|Caf\xC3\xA9|Zo\xC3\xAB|||SC| 1/05/04", "SC1-2|Caf\xC3\xA9|Zo\xC3\xAB|||SC| 1/05/04",
          "SC1-3|\xC3\x89t\xC3\xA9|A|||SC| 1/05/04"},
         ""},
        {"a bad field of 60,000 characters is quoted in part",
         "\"A\",\"A\",\"1\"," + longField + tail + "\" 1/05/04\"\r\n",
         {},
         "1 row could not be read and will not be imported.\n\nLine 1: the track \"" + std::string(60, '7') +
             "\u2026\" is not a number."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        emptySongBook();
        writeText(file("in.csv"), c.bytes);
        std::string problems;
        startImport(file("in.csv"), &problems);
        EXPECT_EQ(problems, c.problems);
        finishImport();
        ASSERT_TRUE(d_.end());
        EXPECT_EQ(listings(), c.listings);
    }
    rt::setToday(0);
}

// Imports whose work files lie in a temporary folder of the test's own.
class ImportInTmpTest : public ImportTest {
protected:
    void SetUp() override {
        ImportTest::SetUp();
        std::filesystem::create_directory(file("tmp"));
        const char* old = std::getenv("TMPDIR");
        oldTmp_ = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("TMPDIR", file("tmp").c_str(), 1);
    }
    void TearDown() override {
        if (oldTmp_) ::setenv("TMPDIR", oldTmp_->c_str(), 1);
        else ::unsetenv("TMPDIR");
        ImportTest::TearDown();
    }
    // The work folders left in the temporary folder.
    std::vector<std::string> workFolders() { return fixture::namesIn(file("tmp")); }
    // The files in the one work folder.
    std::vector<std::string> workFiles() {
        const auto folders = workFolders();
        return folders.size() == 1 ? fixture::namesIn(file("tmp/" + folders[0])) : std::vector<std::string>{};
    }
    // The title of the listing with a disc id and track ("" when there is none).
    static std::string titleOf(const std::string& disc, std::uint32_t track) {
        std::string title;
        rt::runProgram([&] {
            SBK.open();
            SBK.clearBuffer();
            SBK.UNQDISKID = disc;
            SBK.DISKTRACKNO = track;
            SBK.get(SongBook::KUNQDISKID);
            if (rt::errorCode() == rt::NoError) title = SBK.TITLE.str();
            rt::clearError();
            SBK.close();
        });
        return title;
    }
    static long long listingCount() {
        long long n = 0;
        rt::runProgram([&] {
            SBK.open();
            n = SBK.records();
            SBK.close();
        });
        return n;
    }

    std::optional<std::string> oldTmp_;
};

// A large file is analysed behind a progress window that "Cancel" stops (its analysis takes a
// good deal longer than the first 200 ms that go by without a window); its rows wait in a
// temporary file once they are many.
class LargeImportTest : public ImportInTmpTest {
protected:
    void SetUp() override {
        ImportInTmpTest::SetUp();
        std::string text;
        for (int i = 0; i < kRows; ++i)
            text += row("Chanson d'\xC3\xA9t\xC3\xA9 " + std::to_string(i), std::to_string(1000 + i / 15),
                        static_cast<unsigned>(i % 15 + 1), "SC" + std::to_string(10000 + i / 15));
        writeText(file("large.csv"), text);
    }

    static constexpr int kRows = 600000;
};

TEST_F(LargeImportTest, TheAnalysisShowsProgressAndImportsEveryRow) {
    ASSERT_TRUE(d_.start(ImportListings));
    ASSERT_TRUE(d_.dialog(file("large.csv")));
    ASSERT_TRUE(d_.window("Analyzing Import File")) << d_.windows();
    EXPECT_EQ(workFolders().size(), 1u);
    for (int i = 0; i < 1000 && d_.window("Analyzing Import File"); ++i) d_.wait(1);
    ASSERT_TRUE(d_.window(kImportTitle)) << d_.windows();
    EXPECT_FALSE(d_.hidden("?NoConflictText"));
    EXPECT_EQ(d_.text("?Summary"), "600000 listings ready to import.");
    ASSERT_TRUE(d_.in(kImportTitle).press("Import Listings"));
    for (int i = 0; i < 1000 && d_.window("Importing Listings"); ++i) d_.wait(1);
    ASSERT_FALSE(d_.window(kImportTitle)) << d_.windows();
    ASSERT_TRUE(d_.end());
    EXPECT_TRUE(workFolders().empty());
    EXPECT_EQ(listingCount(), kRows);
    // Rows read back from the temporary file and from memory, whole.
    EXPECT_EQ(titleOf("SC10000", 1), "Chanson d'\xC3\xA9t\xC3\xA9 0");
    EXPECT_EQ(titleOf("SC30000", 8), "Chanson d'\xC3\xA9t\xC3\xA9 300007");
    EXPECT_EQ(titleOf("SC49999", 15), "Chanson d'\xC3\xA9t\xC3\xA9 599999");
}

TEST_F(LargeImportTest, CancelDuringTheAnalysisImportsNothing) {
    ASSERT_TRUE(d_.start(ImportListings));
    ASSERT_TRUE(d_.dialog(file("large.csv")));
    ASSERT_TRUE(d_.in("Analyzing Import File").press("Cancel")) << d_.windows();
    EXPECT_FALSE(d_.window("Analyzing Import File"));
    EXPECT_FALSE(d_.window(kImportTitle)) << d_.windows();
    ASSERT_TRUE(d_.end());
    EXPECT_TRUE(listings().empty());
    EXPECT_TRUE(workFolders().empty());
}

// A disc of its own for every row: past some 170,000 rows what the rows claim no longer fits
// the share of memory it is given and goes to a work file; a clash is found wherever the row it
// clashes with keeps its claims, and a corrected row then claims in the file too.
TEST_F(ImportInTmpTest, ClashesAreFoundAlsoOnceTheClaimsLieInAFile) {
    constexpr int kRows = 200000;
    std::string text;
    for (int i = 0; i < kRows; ++i)
        text += row("Song " + std::to_string(i), "C" + std::to_string(100000 + i), 1, "SC" + std::to_string(100000 + i));
    text += row("Again First", "X1", 1, "SC100000") + row("Again Last", "X2", 1, "SC299990") +
            row("Custom First", "C100005", 1, "SN1") + row("Custom Last", "C299995", 1, "SN2") +
            row("New Track Last", "C299996", 2, "SC299996") + row("New Track First", "C100007", 2, "SC100007") +
            row("Twice Late", "Y", 1, "SN3") + row("Twice Late Again", "Y", 1, "SN3");
    writeText(file("many.csv"), text);

    startImport(file("many.csv"));
    const auto files = workFiles();
    EXPECT_NE(std::find(files.begin(), files.end(), "ImportKeys"), files.end()) << ::testing::PrintToString(files);
    EXPECT_EQ(d_.text("?Summary"), "200003 listings ready to import, 5 conflicts.");
    EXPECT_EQ(conflictRows(), (std::vector<std::vector<std::string>>{{"Custom First", "Artist", "C100005", "1", "SN1"},
                                                                     {"Custom Last", "Artist", "C299995", "1", "SN2"},
                                                                     {"Again First", "Artist", "X1", "1", "SC100000"},
                                                                     {"Again Last", "Artist", "X2", "1", "SC299990"},
                                                                     {"Twice Late Again", "Artist", "Y", "1", "SN3"}}));
    // The last clash corrected onto a free track; then the same track again is a clash.
    ASSERT_TRUE(d_.select("?ConflictList", 4));
    ASSERT_TRUE(d_.press("&Correct"));
    EXPECT_EQ(d_.text("?Problem"), "This Track Already Exists in the Open SongBook");
    ASSERT_TRUE(d_.type("?BAD:DISKTRACKNO", "2"));
    ASSERT_TRUE(d_.press("Import"));
    ASSERT_EQ(conflictRows().size(), 4u);
    ASSERT_TRUE(d_.select("?ConflictList", 3));
    ASSERT_TRUE(d_.press("&Correct"));
    ASSERT_TRUE(d_.type("?BAD:DISKTRACKNO", "2"));
    ASSERT_TRUE(d_.type("?BAD:UNQDISKID", "SC299990"));
    d_.clearBeeps();
    ASSERT_TRUE(d_.press("Import"));
    EXPECT_FALSE(d_.beeps().empty());
    EXPECT_EQ(d_.text("?Problem"), "This Track Already Exists in the Open SongBook");
    ASSERT_TRUE(d_.press("Do Not Import"));
    ASSERT_EQ(conflictRows().size(), 3u);

    finishImport();
    ASSERT_TRUE(d_.end());
    EXPECT_TRUE(workFolders().empty());
    EXPECT_EQ(listingCount(), kRows + 4);
    EXPECT_EQ(titleOf("SC100000", 1), "Song 0");
    EXPECT_EQ(titleOf("SC299990", 1), "Song 199990");
    EXPECT_EQ(titleOf("SC299990", 2), "Again Last");
    EXPECT_EQ(titleOf("SC299996", 2), "New Track Last");
    EXPECT_EQ(titleOf("SC100007", 2), "New Track First");
    EXPECT_EQ(titleOf("SN3", 1), "Twice Late");
    EXPECT_EQ(titleOf("SN1", 1), "");
}

// The disc fills up while the rows are analysed: the host is told why, nothing is imported and
// the work folder goes.
TEST_F(LargeImportTest, AFullDiscDuringTheAnalysisIsReportedAndImportsNothing) {
    ASSERT_TRUE(d_.end());
    const std::string said = fixture::inChild(
        [&] {
            headless::Driver d;
            if (!d.start(ImportListings) || !d.dialog(file("large.csv"))) return "no import: " + d.error();
            for (int i = 0; i < 1000 && d.window("Analyzing Import File"); ++i) d.wait(1);
            const auto r = d.request();
            const std::string text = r ? r->text : "no message: " + d.windows();
            if (r) d.answer("OK");
            const bool window = d.window(kImportTitle) != nullptr;
            d.end();
            return text + (window ? "|the import window is open" : "");
        },
        1 << 20);
    EXPECT_EQ(said.rfind("The import file could not be analyzed: The import's work files could not be written.  Error: "
                         "A temporary file in ",
                         0),
              0u)
        << said;
    EXPECT_NE(said.find("could not be written: File too large."), std::string::npos) << said;
    EXPECT_TRUE(listings().empty());
    EXPECT_TRUE(workFolders().empty());
}

TEST_F(ImportTest, AFileThatWillNotOpenIsReported) {
    ASSERT_TRUE(d_.start(ImportListings));
    ASSERT_TRUE(d_.dialog(file("none.csv")));
    EXPECT_EQ(message(), "Unable to Open Import File!\nError: 2 No such file or directory");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(d_.window(kImportTitle));
}

// What is no file is refused when it is chosen, with the reason, and the dialog asks again:
// nothing waits on a FIFO or reads /dev/zero without end.
TEST_F(ImportTest, AFifoADeviceOrAFolderIsRefusedWhenChosen) {
    ASSERT_EQ(::mkfifo(file("pipe.csv").c_str(), 0600), 0);
    std::filesystem::create_directory(file("folder.csv"));
    struct Case {
        std::string path;
        const char* reason;
    } cases[] = {
        {file("pipe.csv"), "It is a named pipe (FIFO), not a file: only files are read."},
        {"/dev/zero", "It is a device, not a file: only files are read."},
        {file("folder.csv"), "It is a folder, not a file."},
    };
    ASSERT_TRUE(d_.start(ImportListings));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        ASSERT_TRUE(d_.dialog(c.path)) << d_.error();
        EXPECT_EQ(message(), "This file cannot be read:\n" + c.path + "\n\n" + c.reason);
        ASSERT_TRUE(d_.answer("OK"));
        // The dialog again, from the refused name.
        auto r = d_.request();
        ASSERT_TRUE(r && r->kind == rt::RequestKind::OpenFile) << d_.windows();
        EXPECT_EQ(r->path, c.path);
    }
    // A file then is read as ever.
    writeText(file("in.csv"), row("Song", "1", 1, "SC100"));
    ASSERT_TRUE(d_.dialog(file("in.csv")));
    ASSERT_TRUE(d_.window(kImportTitle)) << d_.windows();
    finishImport();
    ASSERT_TRUE(d_.end());
    EXPECT_EQ(listings(), std::vector<std::string>{"SC100-1|Song|Artist|Rock||SC| 1/05/04"});
}

TEST_F(ImportTest, ConflictsAreCorrectedDroppedOrDeleted) {
    addDisc("SC100", "1");
    addListings({{"Old One", "Artist", "SC100", 1, "", "", "", 0, "SC"}});
    writeText(file("in.csv"), row("Track Clash", "1", 1, "SC100") + row("Custom Clash", "1", 1, "SC300") +
                                  row("Drop Me", "1", 1, "SC400") + row("Delete Me", "1", 1, "SC500"));
    startImport(file("in.csv"));
    ASSERT_EQ(conflictRows().size(), 4u);
    const char* form = "Cantorelle V2 SongBook Maker - Import Song Listings";

    // The track clash: its disc id and track can be changed; the custom id stays.
    // All four carry custom disc id 1 and track 1, so they keep the file's order.
    ASSERT_TRUE(d_.select("?ConflictList", 1));
    ASSERT_EQ(conflictRows()[0][0], "Track Clash");
    ASSERT_TRUE(d_.press("&Correct"));
    EXPECT_EQ(d_.text("?Problem"), "This Track Already Exists in the Open SongBook");
    EXPECT_EQ(d_.text("?Advice"), "Recommend: Do Not Import Listing or Assign New Mfr. Disc ID.");
    EXPECT_TRUE(d_.enabled("?BAD:DISKTRACKNO"));
    EXPECT_FALSE(d_.enabled("?BAD:ALTDISKID"));
    // Import with the values still clashing: a beep, the form stays.
    d_.clearBeeps();
    ASSERT_TRUE(d_.press("Import"));
    EXPECT_FALSE(d_.beeps().empty());
    EXPECT_EQ(d_.active()->title, form);
    ASSERT_TRUE(d_.type("?BAD:DISKTRACKNO", "2"));
    ASSERT_TRUE(d_.press("Import"));
    EXPECT_EQ(conflictRows().size(), 3u);

    // The custom id clash: Cancel with a change asks whether to keep it.
    ASSERT_TRUE(d_.select("?ConflictList", 1));
    ASSERT_EQ(conflictRows()[0][0], "Custom Clash");
    ASSERT_TRUE(d_.press("&Correct"));
    EXPECT_EQ(d_.text("?Problem"), "Custom Disc ID Already Exists");
    EXPECT_EQ(d_.text("?Advice"), "Recommend: Renumber Disc");
    EXPECT_FALSE(d_.enabled("?BAD:DISKTRACKNO"));
    ASSERT_TRUE(d_.type("?BAD:ALTDISKID", "3"));
    ASSERT_TRUE(d_.press("Cancel"));
    EXPECT_EQ(message(), "Do you want to save the changes to this record?");
    ASSERT_TRUE(d_.answer("Yes"));  // acts as OK: the row is free now, so it goes in
    EXPECT_EQ(conflictRows().size(), 2u);

    // Do Not Import in the form, and Delete in the list.
    ASSERT_TRUE(d_.select("?ConflictList", 1));
    ASSERT_EQ(conflictRows()[0][0], "Drop Me");
    ASSERT_TRUE(d_.press("&Correct"));
    ASSERT_TRUE(d_.press("Do Not Import"));
    ASSERT_EQ(conflictRows().size(), 1u);
    ASSERT_TRUE(d_.select("?ConflictList", 1));
    ASSERT_TRUE(d_.press("&Delete"));
    EXPECT_EQ(message(), "You've selected to delete the highlighted record.  Press OK to confirm deletion of this record.");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_TRUE(conflictRows().empty());
    EXPECT_FALSE(d_.enabled("&Correct"));

    finishImport();
    ASSERT_TRUE(d_.end());
    EXPECT_EQ(listings(), (std::vector<std::string>{"SC100-1|Old One|Artist|||SC|", "SC100-2|Track Clash|Artist|Rock||SC| 1/05/04",
                                                    "SC300-1|Custom Clash|Artist|Rock||SC| 1/05/04"}));
    EXPECT_EQ(discs(), (std::vector<std::string>{"SC100=1/SC/1", "SC300=3//3"}));
}

TEST_F(ImportTest, LeftConflictsAreConfirmedAndCancelImportsNothing) {
    addDisc("SC100", "1");
    addListings({{"Old One", "Artist", "SC100", 1, "", "", "", 0, "SC"}});
    writeText(file("in.csv"), row("Clash", "1", 1, "SC100") + row("Fine", "2", 1, "SC200"));
    startImport(file("in.csv"));
    ASSERT_TRUE(d_.in(kImportTitle).press("Import Listings"));
    EXPECT_EQ(message(), "Conflicting Listing Still Exist!\nIf you continue these listing will NOT be Imported.\n\n"
                         "Do you wish to continue?");
    ASSERT_TRUE(d_.answer("No"));
    EXPECT_TRUE(d_.window(kImportTitle));
    ASSERT_TRUE(d_.in(kImportTitle).press("Cancel"));
    EXPECT_FALSE(d_.window(kImportTitle));
    ASSERT_TRUE(d_.end());
    EXPECT_EQ(listings().size(), 1u);
}

TEST_F(ImportTest, AFailureOnTheWayLeavesTheSongBookAsItWas) {
    writeText(file("in.csv"), row("One", "1", 1, "SC100") + row("Two", "1", 2, "SC100") + row("Three", "7", 1, "SC300"));
    startImport(file("in.csv"));
    // Meanwhile another station gives custom disc id 7 to another disc.
    ASSERT_EQ(fixture::execSql(SBDiscsFileName.str(), "INSERT INTO data(UNQDISKID, MAKETYPE, MAKEID, ALTDISKID) "
                                                      "VALUES('SC999', 'SC', 1, '7')"),
              0);
    ASSERT_TRUE(d_.in(kImportTitle).press("Import Listings"));
    d_.wait(20);
    const std::string text = message();
    EXPECT_NE(text.find("The import stopped: Line 3 (SC300-1): its Custom Disc ID 7 is used by another disc."),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("0 listings were added to the SongBook; the other 3 listings were not."), std::string::npos)
        << text;
    ASSERT_TRUE(d_.answer("OK"));
    ASSERT_TRUE(d_.end());
    EXPECT_TRUE(listings().empty());
    EXPECT_EQ(discs(), std::vector<std::string>{"SC999=7/SC/1"});
}

TEST_F(ImportTest, CancelInTheProgressWindowSaysWhatWasAdded) {
    writeText(file("in.csv"), row("One", "1", 1, "SC100") + row("Two", "1", 2, "SC100"));
    startImport(file("in.csv"));
    ASSERT_TRUE(d_.in(kImportTitle).press("Import Listings"));
    // Before the first step runs.
    ASSERT_TRUE(d_.in("Importing Listings").press("Cancel")) << d_.windows();
    EXPECT_EQ(message(), "Import cancelled.\n\n0 listings were added to the SongBook; the other 2 listings were not.");
    ASSERT_TRUE(d_.answer("OK"));
    ASSERT_TRUE(d_.end());
    EXPECT_TRUE(listings().empty());
}

TEST_F(ImportTest, ASongBookThatCannotBeWrittenIsReportedWithWhatWasAdded) {
    writeText(file("in.csv"), row("One", "1", 1, "SC100") + row("Two", "1", 2, "SC100"));
    startImport(file("in.csv"));
    {
        fixture::FileLock lock(SongBookFileName.str());
        ASSERT_TRUE(lock.held());
        ASSERT_TRUE(d_.in(kImportTitle).press("Import Listings"));
        d_.setSettleTimeout(30000);
        d_.wait(20);
        const std::string text = message();
        EXPECT_NE(text.find("The import stopped: The SongBook could not be locked for writing."), std::string::npos)
            << text;
        EXPECT_NE(text.find("0 listings were added to the SongBook; the other 2 listings were not."), std::string::npos)
            << text;
        ASSERT_TRUE(d_.answer("OK"));
    }
    ASSERT_TRUE(d_.end());
    EXPECT_TRUE(listings().empty());
    EXPECT_TRUE(discs().empty());
}

TEST_F(ImportTest, ARoundTripThroughAnEmptySongBookGivesBackEveryListingAndDisc) {
    // A SongBook of every disc of the demo master database, with custom ids, genres, duets,
    // dates and some accents.
    const DemoCatalogue c = BuildDemoCatalogue();
    rt::runProgram([&] {
        SBD.open();
        for (std::size_t i = 0; i < c.discs.size(); ++i)
            fixture::addDiscRecord(c.discs[i].discId, "C" + std::to_string(100 + i), c.discs[i].discId.substr(0, 2),
                                   c.discs[i].brand);
        SBD.close();
    });
    std::vector<Listing> ls;
    int n = 0;
    for (const auto& t : c.tracks) {
        ++n;
        ls.push_back({n % 7 == 0 ? t.title + " \xC3\xA9t\xC3\xA9" : t.title, t.artist, t.discId,
                      static_cast<std::uint32_t>(t.track), n % 3 == 0 ? "Rock" : "", n % 5 == 0 ? "X" : "",
                      n % 4 == 0 ? "X" : "", rt::date(1 + n % 12, 1 + n % 28, 1985 + n % 40), t.discId.substr(0, 2)});
    }
    addListings(ls);
    const auto listingsBefore = listings();
    const auto discsBefore = discs();
    exportAll(file("all.csv"));

    fixture::pointFileNamesAt(dir_.path(), "Empty");
    emptySongBook();
    importAll(file("all.csv"));
    EXPECT_EQ(listings(), listingsBefore);
    // Every disc with its custom id and brand; the manufacturer code is not in the file.
    const auto discsAfter = discs();
    ASSERT_EQ(discsAfter.size(), discsBefore.size());
    for (std::size_t i = 0; i < discsBefore.size(); ++i) {
        const std::string& b = discsBefore[i];
        const std::size_t slash = b.find('/');
        EXPECT_EQ(discsAfter[i], b.substr(0, slash) + "//" + b.substr(b.rfind('/') + 1));
    }
    EXPECT_GT(listingsBefore.size(), 100u);
}

}  // namespace
}  // namespace exchange_test
