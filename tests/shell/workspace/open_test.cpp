// Opening a SongBook: new SongBooks, older ones, damaged ones, and the layout updates.
#include <cstdint>
#include <fstream>
#include <functional>
#include <sstream>

#include "workspace_fixture.h"

namespace workspace_test {
namespace {

std::string readBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

using OpenTest = WorkspaceTest;

TEST_F(OpenTest, ANewSongBookOpensEmptyWithGettingStarted) {
    ASSERT_TRUE(d_.start(BrowseSongBook)) << d_.error();
    ASSERT_TRUE(d_.press("&New SongBook")) << d_.error();
    ASSERT_TRUE(d_.type("?GLO:SHORTSONGBOOKNAME", "Songs"));
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    EXPECT_TRUE(rt::fileExists(listingFile("Songs")));
    EXPECT_TRUE(rt::fileExists(listingFile("Songs", "2bd")));
    EXPECT_EQ(SongBookFileName.str(), listingFile("Songs"));
    EXPECT_EQ(SBDiscsFileName.str(), listingFile("Songs", "2bd"));
    EXPECT_EQ(SongBookIsOpen, 1);
    // Getting Started over the workspace, which is open already.
    ASSERT_NE(d_.control("Getting Started...."), std::nullopt) << d_.windows();
    ASSERT_NE(workspace(), nullptr) << d_.windows();
    ASSERT_TRUE(d_.press("OK, let's proceed...."));
    EXPECT_EQ(d_.active()->title, workspaceTitle());
    EXPECT_TRUE(d_.rows().empty());
    EXPECT_EQ(d_.status(), std::vector<std::string>{"Total Song Tracks: 0"});

    ASSERT_TRUE(d_.press("Close SongBook")) << d_.error();
    EXPECT_FALSE(d_.running());
    EXPECT_TRUE(SongBookFileName.blank());
    EXPECT_EQ(SongBookIsOpen, 0);
}

TEST_F(OpenTest, ASongBookWithListingsShowsNoGettingStarted) {
    makeSongBook("Songs", sampleListings(), sampleDiscs());
    openWorkspace("Songs");
    EXPECT_EQ(d_.active()->title, workspaceTitle()) << d_.windows();
    EXPECT_EQ(d_.state().windows.size(), 1u) << d_.windows();
}

TEST_F(OpenTest, CancellingTheExplorerEndsTheWorkspaceAtOnce) {
    makeSongBook("Songs", sampleListings(), sampleDiscs());
    ASSERT_TRUE(d_.start(BrowseSongBook));
    ASSERT_TRUE(d_.press("Cancel")) << d_.error();
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_TRUE(SongBookFileName.blank());
    EXPECT_EQ(SongBookIsOpen, 0);
}

struct OlderCase {
    const char* file;  // listing file of the older pair in the SongBook folder
    const char* listed;
};

class OlderSongBookTest : public OpenTest, public ::testing::WithParamInterface<OlderCase> {};

TEST_P(OlderSongBookTest, AsksForTheConversionAndLeavesTheFilesAsTheyWere) {
    const std::string listing = books_ + "/" + GetParam().file;
    std::string disc = listing;
    disc.back() = disc.back() == 'K' ? 'D' : disc.back() == 'k' ? 'd' : disc.back();
    writeBytes(listing, "older listings");
    writeBytes(disc, "older discs");
    for (const char* answer : {"&No", "&Yes"}) {
        SCOPED_TRACE(answer);
        ASSERT_TRUE(d_.start(BrowseSongBook));
        chooseInExplorer(GetParam().listed);
        const auto box = d_.request();
        ASSERT_TRUE(box && box->kind == rt::RequestKind::Message) << d_.windows();
        EXPECT_EQ(box->title, "File Conversion Necessary");
        EXPECT_EQ(box->text,
                  "This SongBook was created with an earlier\nversion of Cantorelle Plus.\n\nThe songbook must be "
                  "converted to the new format.\n\nProceed?");
        EXPECT_EQ(box->icon, rt::Icon::Question);
        EXPECT_EQ(box->buttons, (std::vector<std::string>{"&Yes", "&No"}));
        EXPECT_EQ(box->defaultValue, rt::BtnYes);
        ASSERT_TRUE(d_.answer(answer));
        if (std::string(answer) == "&Yes") {
            // These are no SongBook files of the earlier version: said so, and nothing is touched.
            EXPECT_NE(message().find("is damaged or is not a SongBook file of the earlier version"), std::string::npos)
                << d_.windows();
            ASSERT_TRUE(d_.answer("OK"));
        }
        EXPECT_FALSE(d_.running()) << d_.windows();
        EXPECT_EQ(readBytes(listing), "older listings");
        EXPECT_EQ(readBytes(disc), "older discs");
        EXPECT_FALSE(rt::fileExists(books_ + "/" + GetParam().listed + ".2bk"));
        EXPECT_TRUE(SongBookFileName.blank());
        EXPECT_EQ(SongBookIsOpen, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Extensions, OlderSongBookTest,
                         ::testing::Values(OlderCase{"Old.sbk", "Old"}, OlderCase{"Old.SBK", "Old"},
                                           OlderCase{"Old.Sbk", "Old"}),
                         [](const auto& i) { return std::string(i.param.file).substr(4); });

TEST_F(OpenTest, SbkElsewhereInTheNameIsNoOlderSongBook) {
    for (const char* name : {"/k/sbk-night.2bk", "/k/sbkfan.2bk", "/k/x.2bk"}) EXPECT_FALSE(IsOlderSongBookName(name)) << name;
    for (const char* name : {"/k/x.sbk", "/k/x.SBK", "/k/x.sbk  ", "/k/xsbk"}) EXPECT_TRUE(IsOlderSongBookName(name)) << name;
    makeSongBook("sbkfan", sampleListings(), sampleDiscs());
    openWorkspace("sbkfan");
    EXPECT_EQ(d_.active()->title, listingFile("sbkfan")) << d_.windows();
}

TEST_F(OpenTest, AListingFileOfAnUnknownOlderLayoutIsLeftAsItWas) {
    makeSongBook("Songs", sampleListings(), sampleDiscs());
    // A SongBook listing file all the same, written by a version with fields no repair knows.
    ASSERT_EQ(fixture::execSql(listingFile("Songs"), "UPDATE meta SET value = value || ';older' WHERE name = 'layout'"),
              0);
    const std::string before = readBytes(listingFile("Songs"));
    ASSERT_TRUE(d_.start(BrowseSongBook));
    chooseInExplorer("Songs");
    EXPECT_EQ(message().rfind("File Repair ERROR 1: ", 0), 0u) << d_.windows();
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_NE(message().find("could not be brought to the current layout"), std::string::npos) << d_.windows();
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(readBytes(listingFile("Songs")), before);
    EXPECT_TRUE(SongBookFileName.blank());
}

// Files under a SongBook's name that are no SongBook files: each is named as damaged (never
// as an older layout, which would be converted), left as it was, and the host is told that a
// backup brings the SongBook back; the program goes on. Damaged keys alone are rebuilt when
// the host agrees.
struct DamagedCase {
    const char* name;
    const char* file;  // "2bk" or "2bd"
    std::function<void(const std::string& file, const std::string& install)> damage;
};

std::string randomBytes(std::size_t n) {
    std::string s;
    std::uint32_t x = 2463534242u;
    for (std::size_t i = 0; i < n; ++i) {
        x ^= x << 13, x ^= x >> 17, x ^= x << 5;
        s += static_cast<char>(x & 0xFF);
    }
    return s;
}

const DamagedCase kDamaged[] = {
    {"ZeroBytes", "2bk", [](const std::string& f, const std::string&) { writeBytes(f, ""); }},
    {"RandomBytes", "2bk", [](const std::string& f, const std::string&) { writeBytes(f, randomBytes(20000)); }},
    {"Truncated", "2bk",
     [](const std::string& f, const std::string&) {
         // A file of a table and its keys is several pages long; the first three stay.
         const std::string whole = readBytes(f);
         ASSERT_GT(whole.size(), 4096u * 5);
         writeBytes(f, whole.substr(0, 4096 * 3));
     }},
    {"MasterFileUnderTheName", "2bk",
     [](const std::string& f, const std::string&) {
         std::filesystem::copy_file(KaraokeFileName.str(), f, std::filesystem::copy_options::overwrite_existing);
     }},
    {"DiscFileZeroBytes", "2bd", [](const std::string& f, const std::string&) { writeBytes(f, ""); }},
    {"DiscFileRandomBytes", "2bd", [](const std::string& f, const std::string&) { writeBytes(f, randomBytes(5000)); }},
};

class DamagedFileTest : public WorkspaceTest, public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedFileTest, IsNamedAsDamagedAndLeftAsItWas) {
    makeSongBook("Songs", sampleListings(), sampleDiscs());
    const std::string file = listingFile("Songs", GetParam().file);
    GetParam().damage(file, install_);
    const std::string before = readBytes(file);
    ASSERT_TRUE(d_.start(BrowseSongBook));
    chooseInExplorer("Songs");
    const auto box = d_.request();
    ASSERT_TRUE(box) << d_.windows();
    EXPECT_EQ(box->title, "Unable to Open SongBook");
    EXPECT_EQ(box->text, "The file " + file + " is damaged or is not a SongBook file.\n\nIt has not been changed. " +
                             "A backup of the SongBook can bring it back: choose Restore SongBook in the SongBook " +
                             "File Explorer.");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(d_.running()) << "the workspace ends: " << d_.windows();
    EXPECT_TRUE(readBytes(file) == before);
    EXPECT_TRUE(SongBookFileName.blank());
    EXPECT_EQ(SongBookIsOpen, 0);
}

INSTANTIATE_TEST_SUITE_P(Files, DamagedFileTest, ::testing::ValuesIn(kDamaged),
                         [](const auto& i) { return std::string(i.param.name); });

TEST_F(OpenTest, DamagedKeysAreRebuiltWhenTheHostAgrees) {
    for (const char* file : {"2bk", "2bd"}) {
        SCOPED_TRACE(file);
        makeSongBook("Songs", sampleListings(), sampleDiscs());
        const std::string index = std::string(file) == "2bk" ? "key_KTITLE" : "key_KALTDISKID";
        ASSERT_EQ(fixture::execSql(listingFile("Songs", file), "DROP INDEX " + index), 0);
        ASSERT_TRUE(d_.start(BrowseSongBook));
        chooseInExplorer("Songs");
        const auto box = d_.request();
        ASSERT_TRUE(box) << d_.windows();
        EXPECT_EQ(box->title, "Invalid Key");
        EXPECT_EQ(box->text, listingFile("Songs", file) + " key file is invalid.  Do you want to rebuild the key?");
        ASSERT_TRUE(d_.answer("Yes"));
        ASSERT_NE(workspace(), nullptr) << d_.windows();
        ASSERT_TRUE(d_.press("Disk ID")) << d_.error();
        EXPECT_EQ(d_.rows().size(), 7u);
        EXPECT_EQ(fixture::queryColumn(listingFile("Songs", file),
                                       "SELECT count(*) FROM sqlite_schema WHERE name = '" + index + "'"),
                  std::vector<std::string>{"1"});
        d_.end();
    }
}

// Any other failure to open the disc file is the system's own, with its number.
TEST_F(OpenTest, ADiscFileThatWillNotOpenEndsTheProgram) {
    makeSongBook("Songs", sampleListings(), sampleDiscs());
    std::filesystem::remove(listingFile("Songs", "2bd"));
    std::filesystem::create_directory(listingFile("Songs", "2bd"));
    ASSERT_TRUE(d_.start(BrowseSongBook));
    chooseInExplorer("Songs");
    const auto box = d_.request();
    ASSERT_TRUE(box) << d_.windows();
    EXPECT_EQ(box->title, "Program ERROR!");
    EXPECT_EQ(box->icon, rt::Icon::Hand);
    EXPECT_EQ(box->text, "Program Error #90\nUnable to open " + listingFile("Songs", "2bd") +
                             ", Program will be terminated");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(d_.running());
    EXPECT_TRUE(d_.state().requests.empty()) << "no further message";
}

TEST_F(OpenTest, AMissingDiscFileIsCreatedAndTheHostToldTheCustomIdsAreLost) {
    makeSongBook("Songs", sampleListings(), sampleDiscs());
    std::filesystem::remove(listingFile("Songs", "2bd"));
    ASSERT_TRUE(d_.start(BrowseSongBook));
    chooseInExplorer("Songs");
    const auto box = d_.request();
    ASSERT_TRUE(box) << d_.windows();
    EXPECT_EQ(box->title, "Disc File Missing");
    EXPECT_EQ(box->text, "The disc file " + listingFile("Songs", "2bd") + " was missing and has been made anew, " +
                             "empty.\n\nThe custom disc ids of this SongBook's discs are lost. A backup of the " +
                             "SongBook can bring them back: choose Restore SongBook in the SongBook File Explorer.");
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_TRUE(rt::fileExists(listingFile("Songs", "2bd")));
    ASSERT_NE(workspace(), nullptr) << d_.windows();
    EXPECT_EQ(d_.rows().size(), 7u);
    EXPECT_EQ(d_.rows()[0][2], "") << "no custom disc ids without disc records";
}

TEST_F(OpenTest, APairNamedInUpperCaseOpensItsOwnFiles) {
    makeSongBook("Songs", sampleListings(), sampleDiscs());
    std::filesystem::rename(listingFile("Songs"), listingFile("LOUD", "2BK"));
    std::filesystem::rename(listingFile("Songs", "2bd"), listingFile("LOUD", "2BD"));
    ASSERT_TRUE(d_.start(BrowseSongBook)) << d_.error();
    chooseInExplorer("LOUD");
    EXPECT_EQ(rt::clip(SongBookFileName), listingFile("LOUD", "2BK"));
    EXPECT_EQ(rt::clip(SBDiscsFileName), listingFile("LOUD", "2BD"));
    EXPECT_EQ(d_.rows().size(), 7u) << d_.windows();
    EXPECT_FALSE(rt::fileExists(listingFile("LOUD"))) << "no second, empty SongBook";
}

struct LayoutCase {
    const char* name;
    std::vector<int> brands;
    std::vector<int> after;
};

class DiscLayoutTest : public OpenTest, public ::testing::WithParamInterface<LayoutCase> {};

TEST_P(DiscLayoutTest, ZeroBrandsBecomeOneWhenNoDiscHasBrandOne) {
    std::vector<Disc> discs;
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < GetParam().brands.size(); ++i) {
        const std::string id = "CV01" + std::to_string(10 + i), alt = std::to_string(200 + i);
        discs.push_back({id, alt, GetParam().brands[i]});
        expected.push_back(id + "=" + alt + "/" + std::to_string(GetParam().after[i]));
    }
    makeSongBook("Songs", sampleListings(), discs);
    openWorkspace("Songs");
    EXPECT_EQ(discsOf("Songs"), expected);
    // Opened again, nothing changes any more.
    ASSERT_TRUE(d_.press("Close SongBook"));
    openWorkspace("Songs");
    EXPECT_EQ(discsOf("Songs"), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Brands, DiscLayoutTest,
    ::testing::Values(LayoutCase{"ZerosAndOthers", {0, 5, 0, 3}, {1, 5, 1, 3}},
                      LayoutCase{"OneAlreadyThere", {0, 1, 0}, {0, 1, 0}}, LayoutCase{"Empty", {}, {}}),
    [](const auto& i) { return std::string(i.param.name); });

TEST_F(OpenTest, ZeroBrandNumbersOfTheBrandFileBecomeOne) {
    ASSERT_EQ(fixture::execSql(DMakeFileName.str(), "UPDATE data SET MAKEID = 0 WHERE MAKEID IN (1, 3)"), 0);
    const auto before = fixture::queryColumn(DMakeFileName.str(), "SELECT MAKEID FROM data ORDER BY rowid");
    makeSongBook("Songs", sampleListings(), sampleDiscs());
    openWorkspace("Songs");
    auto expected = before;
    for (auto& v : expected)
        if (v == "0") v = "1";
    EXPECT_EQ(fixture::queryColumn(DMakeFileName.str(), "SELECT MAKEID FROM data ORDER BY rowid"), expected);
    EXPECT_NE(expected, before);
}

}  // namespace
}  // namespace workspace_test
