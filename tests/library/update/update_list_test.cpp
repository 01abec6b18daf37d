// The update list checked whole before anything is downloaded.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "library/UpdateList.h"

namespace {

std::string line(const std::string& version, const std::string& oldFile, const std::string& newFile,
                 const std::string& size = "100") {
    return "\"UPDATE\",\"" + version + "\",\"" + oldFile + "\",\"" + newFile + "\"," + size + "\r\n";
}

std::string fiveMasters(const std::string& version = "459") {
    return line(version, "MAIN.TPS", "MAIN.UPD") + line(version, "DMAKE.TPS", "DMAKE.UPD") +
           line(version, "DISCS.TPS", "DISCS.UPD") + line(version, "SARTIST.TPS", "SARTIST.UPD") +
           line(version, "STITLE.TPS", "STITLE.UPD");
}

TEST(UpdateList, ListsThatAreRefusedWhole) {
    struct Case {
        const char* name;
        std::string list;
        std::string problem;  // the start of it
    };
    const Case cases[] = {
        {"empty", "", "The update list is empty."},
        {"blank lines only", "\r\n\r\n", "The update list is empty."},
        {"a master file named twice", fiveMasters() + line("459", "MAIN.TPS", "MAIN2.UPD"),
         "The update list replaces MAIN.TPS twice (line 6)."},
        {"a master file named twice in another case", line("459", "MAIN.TPS", "A.UPD") + line("459", "Main.Tps", "B.UPD"),
         "The update list replaces MAIN.TPS twice (line 2)."},
        {"an update file named twice", line("459", "MAIN.TPS", "X.UPD") + line("459", "DMAKE.TPS", "x.upd"),
         "The update list names the update file x.upd twice (line 2)."},
        {"the genres as the target", line("459", "GENRE.TPS", "GENRE.UPD"),
         "The update list would replace a file that is not a Main Tunelode data file: GENRE.TPS"},
        {"the brand codes as the target", line("459", "makeid.tps", "MAKEID.UPD"),
         "The update list would replace a file that is not a Main Tunelode data file: makeid.tps"},
        {"the genres as the download", line("459", "MAIN.TPS", "GENRE.TPS"),
         "The update list would download over an installed file: GENRE.TPS"},
        {"a backup as the download", line("459", "MAIN.TPS", "main.bak"),
         "The update list would download over an installed file: main.bak"},
        {"the list as the download", line("459", "MAIN.TPS", "AutoUpdate.LST"),
         "The update list would download over an installed file: AutoUpdate.LST"},
        {"the work folder as the download", line("459", "MAIN.TPS", "autoupdate-work"),
         "The update list would download over an installed file: autoupdate-work"},
        {"a folder in a name", line("459", "MAIN.TPS", "../MAIN.UPD"), "The update list names a file that is not a plain"},
        {"a hidden name", line("459", "MAIN.TPS", ".MAIN.UPD"), "The update list names a file that is not a plain"},
        {"a name too long", line("459", "MAIN.TPS", "A-NAME-FAR-TOO-LONG-FOR-IT.UPD"),
         "The update list names a file that is not a plain"},
        {"an accented name", line("459", "MAIN.TPS", "MAÏN.UPD"), "The update list names a file that is not a plain"},
        {"a size that is no number", line("459", "MAIN.TPS", "MAIN.UPD", "12k"),
         "The update list gives a size that is not a number: 12k (line 1)"},
        {"a size past 32 bits", line("459", "MAIN.TPS", "MAIN.UPD", "4294967296"),
         "The update list gives a size that is not a number"},
        {"a line cut off in a quote", fiveMasters() + "\"UPDATE\",\"459\",\"MAIN", "The update list holds a line that cannot be read (line 6)."},
        {"a line cut off after a field", fiveMasters() + "\"UPDATE\",\"459\",\"MAIN.TPS\"\r\n",
         "The update list holds a line that cannot be read (line 6)."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const UpdateListCheck r = CheckUpdateList(c.list);
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(r.problem.substr(0, c.problem.size()), c.problem) << r.problem;
        EXPECT_TRUE(r.records.empty()) << "a refused list hands on nothing";
    }
}

TEST(UpdateList, NamesInAnyCaseMapToTheInstalledFiles) {
    const std::string list = line("459", "main.tps", "main.upd", "1234") + line("459", "Dmake.Tps", "dmake.upd") +
                             line("2.7.1", "CANTORELLE.EXE", "canto271.pgm", "99") + line("459", "STITLE.TPS", "S.UPD");
    const UpdateListCheck r = CheckUpdateList(list);
    ASSERT_TRUE(r.ok()) << r.problem;
    ASSERT_EQ(r.records.size(), 4u);
    EXPECT_EQ(r.records[0].oldFile, "MAIN.TPS");
    EXPECT_EQ(r.records[0].newFile, "main.upd") << "the server's own name";
    EXPECT_EQ(r.records[0].size, 1234u);
    EXPECT_EQ(r.records[1].oldFile, "DMAKE.TPS");
    EXPECT_TRUE(r.records[2].revision);
    EXPECT_EQ(r.records[2].version, "2.7.1");
    const auto data = r.dataRecords();
    ASSERT_EQ(data.size(), 3u);
    EXPECT_EQ(data[2]->oldFile, "STITLE.TPS");
}

TEST(UpdateList, ARevisionOnlyListHasNoDataRecords) {
    const UpdateListCheck r = CheckUpdateList(line("2.7.1", "CANTORELLE.EXE", "CANTO.PGM"));
    ASSERT_TRUE(r.ok()) << r.problem;
    EXPECT_TRUE(r.dataRecords().empty());
}

// Each name is compared once against all before it: a long list takes no longer than reading it.
TEST(UpdateList, RepeatedNamesAreFoundInALongListAtOnce) {
    std::string list = fiveMasters();
    for (int i = 0; i < 200000; ++i) list += line("2.7." + std::to_string(i), "CANTORELLE.EXE", "R" + std::to_string(i) + ".PGM");
    list += line("2.8", "CANTORELLE.EXE", "r199999.pgm");
    const auto start = std::chrono::steady_clock::now();
    const UpdateListCheck r = CheckUpdateList(list);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.problem, "The update list names the update file r199999.pgm twice (line 200006).");
    // Quadratic checking took minutes here; a linear one a fraction of a second, even loaded.
    EXPECT_LT(seconds, 30.0);
}

}  // namespace
