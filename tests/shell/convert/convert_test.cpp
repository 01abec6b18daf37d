// Opening SongBooks of earlier versions: the previous version's pair is converted (its old
// files kept), and a listing file of the previous listing layout is repaired in place.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/workspace/workspace_fixture.h"
#include "support/old_songbooks.h"

namespace {

using fixture::OldDisc;
using fixture::OldListing;

std::string bytesOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class ConvertTest : public workspace_test::WorkspaceTest {
protected:
    std::string file(const std::string& name) const { return books_ + "/" + name; }

    // Chooses the old SongBook in the explorer and answers the conversion question.
    void openOld(const std::string& name, const char* answer = "&Yes") {
        ASSERT_TRUE(d_.start(BrowseSongBook)) << d_.error();
        chooseInExplorer(name);
        ASSERT_NE(message().find("must be converted to the new format"), std::string::npos) << d_.windows();
        ASSERT_TRUE(d_.answer(answer)) << d_.error();
    }

    // Lets the conversion's timer run until its window has gone.
    void runConversion() {
        for (int i = 0; i < 2000 && d_.window("Converting SongBook"); ++i) ASSERT_TRUE(d_.wait(1)) << d_.error();
        ASSERT_EQ(d_.window("Converting SongBook"), nullptr) << d_.windows();
    }

    // An empty disc file beside a listing file written on its own.
    void makeDiscFileOnly(const std::string& name = "Songs") {
        rt::runProgram([&] {
            SBDiscsFileName = file(name + ".2bd");
            SBD.create();
            SBDiscsFileName.clear();
        });
    }

    std::vector<std::string> rowsOf(const std::string& path, const std::string& sql) {
        return fixture::queryColumn(path, sql);
    }
};

TEST_F(ConvertTest, AThousandListingsAndSeventyDiscsArriveWholeAndTheOldPairIsKept) {
    std::vector<OldListing> listings;
    std::vector<OldDisc> discs;
    for (int d = 0; d < 70; ++d) {
        const std::string disc = "ZQ" + std::to_string(7000 + d);
        discs.push_back({disc, std::to_string(100 + d), 1 + d % 4});
        const int tracks = d < 20 ? 15 : 14;  // 20 × 15 + 50 × 14 = 1,000
        for (int t = 1; t <= tracks; ++t)
            listings.push_back({"Chanson d'été " + std::to_string(d) + "-" + std::to_string(t),
                                "Zoë Artiste " + std::to_string(d % 9), disc, static_cast<unsigned>(t), "Shelf A",
                                rt::date(6, 1, 2003)});
    }
    ASSERT_EQ(listings.size(), 1000u);
    ASSERT_TRUE(fixture::writeOldSongBook(books_, "Old", listings, discs));
    const std::string oldListings = bytesOf(file("Old.sbk"));

    openOld("Old");
    ASSERT_NE(d_.window("Converting SongBook"), nullptr) << d_.windows();
    EXPECT_EQ(d_.text("?Percent"), "0% Completed");
    runConversion();
    ASSERT_NE(workspace("Old"), nullptr) << d_.windows();
    EXPECT_EQ(d_.status().front(), "Total Song Tracks: 1000");

    EXPECT_FALSE(rt::fileExists(file("Old.sbk")));
    EXPECT_FALSE(rt::fileExists(file("Old.sbd")));
    EXPECT_EQ(bytesOf(file("Old.sxk")), oldListings);
    EXPECT_TRUE(rt::fileExists(file("Old.sxd")));
    EXPECT_EQ(rowsOf(file("Old.2bk"), "SELECT count(*) FROM data WHERE LOCATION = 'Shelf A' AND GENRE = ''"),
              std::vector<std::string>{"1000"});
    EXPECT_EQ(rowsOf(file("Old.2bk"), "SELECT TITLE || '|' || ARTIST || '|' || DISKTRACKNO FROM data "
                                      "WHERE UNQDISKID = 'ZQ7069' ORDER BY DISKTRACKNO LIMIT 1"),
              std::vector<std::string>{"Chanson d'été 69-1|Zoë Artiste 6|1"});
    // Every disc with its custom id and brand.
    EXPECT_EQ(rowsOf(file("Old.2bd"), "SELECT count(*) FROM data"), std::vector<std::string>{"70"});
    EXPECT_EQ(rowsOf(file("Old.2bd"), "SELECT ALTDISKID || '/' || MAKEID FROM data WHERE UNQDISKID = 'ZQ7013'"),
              std::vector<std::string>{"113/2"});
    EXPECT_EQ(rowsOf(file("Old.2bk"), "PRAGMA integrity_check"), std::vector<std::string>{"ok"});
}

TEST_F(ConvertTest, ListingsAreTurnedIntoTheNewLayout) {
    ASSERT_TRUE(fixture::writeOldSongBook(
        books_, "Old",
        {
            {"Atlas", "Éloïse Brun", "CV0105", 2},            // a master disc: its maker code
            {"Homemade", "Ada Quill", "HM0001", 1},          // no master disc, no old disc record
            {"Loose One", "Bo Lindqvist", "17", 0},          // without a disc: number 17
            {"Loose Two", "Bo Lindqvist", "4", 0},
            {"Same Song", "Ferris Lane", "CV0105", 5},
            {"Same Song", "Ferris Lane", "CV0105", 5},       // exactly repeated: converted once
            {"Other Song", "Zoë Marchetti", "CV0105", 5},    // same place, other song
        },
        {{"CV0105", "501", 3}}));
    openOld("Old");
    runConversion();
    // One message tells what was done to the repeated places.
    EXPECT_NE(message().find("1 listing shared a disc id and track with another song"), std::string::npos)
        << d_.windows();
    EXPECT_NE(message().find("1 listing was the same song on the same disc and track twice"), std::string::npos);
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    ASSERT_NE(workspace("Old"), nullptr) << d_.windows();
    EXPECT_EQ(rowsOf(file("Old.2bk"), "SELECT UNQDISKID || '-' || DISKTRACKNO || ':' || MAKEID || ':' || TITLE "
                                      "FROM data ORDER BY UNQDISKID, DISKTRACKNO"),
              (std::vector<std::string>{"*-4::Loose Two", "*-17::Loose One", "CV0105-2:CV:Atlas",
                                        "CV0105-5:CV:Same Song", "CV0105-6:CV:Other Song", "HM0001-1::Homemade"}));
    EXPECT_EQ(rowsOf(file("Old.2bd"), "SELECT UNQDISKID || '=' || ALTDISKID || '/' || MAKEID || '/' || MAKETYPE "
                                      "FROM data ORDER BY UNQDISKID"),
              (std::vector<std::string>{"*=*/1/", "CV0105=501/3/CV", "HM0001=/1/"}));
}

TEST_F(ConvertTest, CancelLeavesTheOldPairAsItWasAndNoNewPair) {
    std::vector<OldListing> listings;
    for (int i = 1; i <= 300; ++i) listings.push_back({"Song " + std::to_string(i), "Ada Quill", "CV0105", static_cast<unsigned>(i)});
    ASSERT_TRUE(fixture::writeOldSongBook(books_, "Old", listings, {{"CV0105", "501"}}));
    const std::string listingBytes = bytesOf(file("Old.sbk")), discBytes = bytesOf(file("Old.sbd"));
    openOld("Old");
    ASSERT_TRUE(d_.press("Cancel")) << d_.error();
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(bytesOf(file("Old.sbk")), listingBytes);
    EXPECT_EQ(bytesOf(file("Old.sbd")), discBytes);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(books_)) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"Old.sbd", "Old.sbk"}));
}

TEST_F(ConvertTest, AnExistingNewPairIsKeptUnlessTheHostAgreesToReplaceIt) {
    for (const char* answer : {"&No", "&Yes"}) {
        SCOPED_TRACE(answer);
        std::filesystem::remove_all(books_);
        std::filesystem::create_directories(books_);
        makeSongBook("Old", {{"Kept Song", "Ada Quill", "MX2201", 1}}, {{"MX2201", "102"}});
        ASSERT_TRUE(fixture::writeOldSongBook(books_, "Old", {{"Converted Song", "Bo Lindqvist", "CV0105", 1}}, {}));
        // The explorer lists both; the old one is chosen.
        ASSERT_TRUE(d_.start(BrowseSongBook)) << d_.error();
        const auto listed = d_.rows("?LIST");
        ASSERT_EQ(listed.size(), 2u) << d_.windows();
        ASSERT_TRUE(d_.select("?LIST", 2)) << d_.error();
        ASSERT_TRUE(d_.press("&Open Selected SongBook")) << d_.error();
        ASSERT_TRUE(d_.answer("&Yes")) << d_.error();
        EXPECT_EQ(message(), "New Version of SongBook Already Exists!\n\nDo you wish to overwrite this SongBook?")
            << d_.windows();
        ASSERT_TRUE(d_.answer(answer)) << d_.error();
        if (std::string(answer) == "&Yes") runConversion();
        ASSERT_NE(workspace("Old"), nullptr) << d_.windows();
        EXPECT_EQ(rowsOf(file("Old.2bk"), "SELECT TITLE FROM data"),
                  std::vector<std::string>{std::string(answer) == "&No" ? "Kept Song" : "Converted Song"});
        EXPECT_TRUE(rt::fileExists(file("Old.sxk")));
        EXPECT_FALSE(rt::fileExists(file("Old.sbk")));
        ASSERT_TRUE(d_.end());
    }
}

class RepairTest : public ConvertTest {};

TEST_F(RepairTest, AListingFileOfThePreviousLayoutIsRepairedInPlace) {
    ASSERT_TRUE(fixture::writePreviousLayoutListings(
        file("Songs.2bk"), {{"Atlas", "Éloïse Brun", "CV0105", 2, "Pop", "X", ""},
                            {"Theory of Rain", "Ada Quill", "MX2201", 65535, "", "", "X"},
                            {"Other Side", "Bo Lindqvist", "*", 7}}));
    makeDiscFileOnly();
    ASSERT_TRUE(d_.start(BrowseSongBook)) << d_.error();
    chooseInExplorer("Songs");
    ASSERT_NE(workspace("Songs"), nullptr) << d_.windows();
    EXPECT_EQ(d_.status().front(), "Total Song Tracks: 3");
    EXPECT_EQ(rowsOf(file("Songs.2bk"), "SELECT TITLE || '|' || UNQDISKID || '|' || DISKTRACKNO || '|' || GENRE || '|' || "
                                        "DUET || PRINT || '|' || MAKEID FROM data ORDER BY TITLE"),
              (std::vector<std::string>{"Atlas|CV0105|2|Pop|X|CV", "Other Side|*|7|||*",
                                        "Theory of Rain|MX2201|65535||X|MX"}));
    EXPECT_FALSE(rt::fileExists(file("CONV0001")));
}

TEST_F(RepairTest, ARepairThatFailsHalfwayLeavesTheFileAsItWas) {
    std::vector<fixture::PreviousListing> listings;
    for (int i = 1; i <= 3000; ++i)
        listings.push_back({"A fairly long song title number " + std::to_string(i), "Artist " + std::to_string(i % 50),
                            "CV" + std::to_string(1000 + i / 10), static_cast<unsigned>(i % 10 + 1)});
    ASSERT_TRUE(fixture::writePreviousLayoutListings(file("Songs.2bk"), listings));
    makeDiscFileOnly();
    // The disk fills up halfway through the copy: writes past half the listing file's size fail.
    const auto size = std::filesystem::file_size(file("Songs.2bk"));
    struct rlimit old {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldSignal = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit half = old;
    half.rlim_cur = size / 2;
    const std::string before = bytesOf(file("Songs.2bk"));
    ASSERT_TRUE(d_.start(BrowseSongBook)) << d_.error();
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &half), 0);
    chooseInExplorer("Songs");
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldSignal);
    EXPECT_EQ(message().rfind("File Repair ERROR 6: ", 0), 0u) << d_.windows();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_NE(message().find("could not be brought to the current layout"), std::string::npos) << d_.windows();
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(bytesOf(file("Songs.2bk")), before);
    EXPECT_FALSE(rt::fileExists(file("CONV0001")));
}

}  // namespace
