// Opening SongBooks of earlier versions: the previous version's pair is converted (its old
// files kept), and a listing file of the previous listing layout is repaired in place.
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "convert_fixture.h"
#include "support/child_process.h"

namespace convert_test {
namespace {

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
            {"Same Song", "Ada Quill", "CV0105", 5},         // same title by another artist: kept
        },
        {{"CV0105", "501", 3}}));
    openOld("Old");
    runConversion();
    // One message tells what was done to the repeated places.
    EXPECT_NE(message().find("2 listings shared a disc id and track with another song"), std::string::npos)
        << d_.windows();
    EXPECT_NE(message().find("1 listing was the same song on the same disc and track twice"), std::string::npos);
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    ASSERT_NE(workspace("Old"), nullptr) << d_.windows();
    EXPECT_EQ(rowsOf(file("Old.2bk"), "SELECT UNQDISKID || '-' || DISKTRACKNO || ':' || MAKEID || ':' || TITLE "
                                      "FROM data ORDER BY UNQDISKID, DISKTRACKNO"),
              (std::vector<std::string>{"*-4::Loose Two", "*-17::Loose One", "CV0105-2:CV:Atlas",
                                        "CV0105-5:CV:Same Song", "CV0105-6:CV:Other Song", "CV0105-7:CV:Same Song",
                                        "HM0001-1::Homemade"}));
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

TEST_F(ConvertTest, ANewPairInUseElsewhereIsNotReplaced) {
    makeSongBook("Old", {{"Kept Song", "Ada Quill", "MX2201", 1}}, {{"MX2201", "102"}});
    ASSERT_TRUE(fixture::writeOldSongBook(books_, "Old", {{"Converted Song", "Bo Lindqvist", "CV0105", 1}}, {}));
    const std::string kept = bytesOf(file("Old.2bk")), old = bytesOf(file("Old.sbk"));
    fixture::HeldOpen other(file("Old.2bk"));
    ASSERT_TRUE(other.held());
    ASSERT_TRUE(d_.start(BrowseSongBook)) << d_.error();
    ASSERT_TRUE(d_.select("?LIST", 2)) << d_.error();
    ASSERT_TRUE(d_.press("&Open Selected SongBook")) << d_.error();
    ASSERT_TRUE(d_.answer("&Yes")) << d_.error();
    ASSERT_TRUE(d_.answer("&Yes")) << d_.error();  // "SongBook Exists": overwrite
    EXPECT_EQ(message(), "The SongBook File Old.2bk Is in Use by Another Program.\n\nClose It There Before You Replace It.");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(bytesOf(file("Old.2bk")), kept);
    EXPECT_EQ(bytesOf(file("Old.sbk")), old);
    EXPECT_EQ(namesHere(), (std::vector<std::string>{"Old.2bd", "Old.2bk", "Old.sbd", "Old.sbk"}));
}

// Listings of the old file whose disc and track repeat: only the colliding listing moves, to
// the next free track after the highest its disc has anywhere in the old file; the same song
// on the same disc and track is kept once.
struct CollisionCase {
    const char* name;
    std::vector<OldListing> old;        // in the old file's order
    std::vector<std::string> expected;  // "DISC-TRACK Title/Artist" by disc and track
    int moved = 0, repeated = 0;
};

void PrintTo(const CollisionCase& c, std::ostream* os) { *os << c.name; }

class CollisionTest : public ConvertTest, public ::testing::WithParamInterface<CollisionCase> {};

TEST_P(CollisionTest, OnlyWhatCollidedChanges) {
    const CollisionCase& c = GetParam();
    ASSERT_TRUE(fixture::writeOldSongBook(books_, "Old", c.old, {}));
    const Seen seen = openAsHost("Old");
    ASSERT_TRUE(seen.opened) << seen.all();
    EXPECT_EQ(rowsOf(file("Old.2bk"), "SELECT UNQDISKID || '-' || DISKTRACKNO || ' ' || TITLE || '/' || ARTIST "
                                      "FROM data ORDER BY UNQDISKID, DISKTRACKNO"),
              c.expected);
    const std::string moved = std::to_string(c.moved) + (c.moved == 1 ? " listing shared" : " listings shared");
    const std::string repeated =
        std::to_string(c.repeated) + (c.repeated == 1 ? " listing was the same song" : " listings were the same song");
    EXPECT_EQ(seen.said(moved), c.moved > 0) << seen.all();
    EXPECT_EQ(seen.said(repeated), c.repeated > 0) << seen.all();
    if (c.moved == 0 && c.repeated == 0) {
        EXPECT_EQ(seen.messages.size(), 1u) << seen.all();  // the question alone
    }
}

INSTANTIATE_TEST_SUITE_P(
    Places, CollisionTest,
    ::testing::Values(
        CollisionCase{"OnlyTheCollidingListingMoves",
                      {{"Alpha", "Ada", "ABC1", 1}, {"Bravo", "Bo", "ABC1", 1}, {"Charlie", "Cy", "ABC1", 2},
                       {"Delta", "Di", "ABC1", 3}, {"Écho", "Élie", "ABC1", 4}},
                      {"ABC1-1 Alpha/Ada", "ABC1-2 Charlie/Cy", "ABC1-3 Delta/Di", "ABC1-4 Écho/Élie",
                       "ABC1-5 Bravo/Bo"},
                      1},
        CollisionCase{"TheHighestTrackIsTheWholeOldFilesEvenWhenItComesLater",
                      {{"Alpha", "Ada", "ABC1", 1}, {"Bravo", "Bo", "ABC1", 1}, {"Zulu", "Zoë", "ABC1", 9}},
                      {"ABC1-1 Alpha/Ada", "ABC1-9 Zulu/Zoë", "ABC1-10 Bravo/Bo"},
                      1},
        CollisionCase{"TheSameTitleByAnotherArtistIsKeptAndMoved",
                      {{"Rain", "Ada", "ABC1", 1}, {"Rain", "Bo", "ABC1", 1}},
                      {"ABC1-1 Rain/Ada", "ABC1-2 Rain/Bo"},
                      1},
        CollisionCase{"AnotherTitleByTheSameArtistIsKeptAndMoved",
                      {{"Rain", "Ada", "ABC1", 1}, {"Snow", "Ada", "ABC1", 1}},
                      {"ABC1-1 Rain/Ada", "ABC1-2 Snow/Ada"},
                      1},
        CollisionCase{"AnExactRepeatIsKeptOnce",
                      {{"Rain", "Ada", "ABC1", 1}, {"Rain", "Ada", "ABC1", 1}, {"Snow", "Bo", "ABC1", 2}},
                      {"ABC1-1 Rain/Ada", "ABC1-2 Snow/Bo"},
                      0, 1},
        CollisionCase{"RepeatsOfAMovedListingAreKeptOnce",
                      {{"Rain", "Ada", "ABC1", 1}, {"Snow", "Bo", "ABC1", 1}, {"Snow", "Bo", "ABC1", 1}},
                      {"ABC1-1 Rain/Ada", "ABC1-2 Snow/Bo"},
                      1, 1},
        CollisionCase{"CollisionsOnOneDiscTakeTheNextFreeTracksInTurn",
                      {{"Alpha", "Ada", "ABC1", 1}, {"Bravo", "Bo", "ABC1", 1}, {"Charlie", "Cy", "ABC1", 1},
                       {"Delta", "Di", "ABC1", 2}},
                      {"ABC1-1 Alpha/Ada", "ABC1-2 Delta/Di", "ABC1-3 Bravo/Bo", "ABC1-4 Charlie/Cy"},
                      2},
        CollisionCase{"OtherDiscsKeepTheirNumbers",
                      {{"Alpha", "Ada", "ABC1", 1}, {"Bravo", "Bo", "ABC1", 1}, {"Charlie", "Cy", "XYZ9", 1},
                       {"Delta", "Di", "XYZ9", 2}},
                      {"ABC1-1 Alpha/Ada", "ABC1-2 Bravo/Bo", "XYZ9-1 Charlie/Cy", "XYZ9-2 Delta/Di"},
                      1},
        CollisionCase{"ListingsWithoutADiscCollideByTheirNumbers",
                      {{"Loose", "Ada", "17", 0}, {"Other", "Bo", "17", 0}, {"Third", "Cy", "40", 0}},
                      {"*-17 Loose/Ada", "*-40 Third/Cy", "*-41 Other/Bo"},
                      1},
        CollisionCase{"ADiscIdInOtherLetterCaseIsTheSameDisc",
                      {{"Alpha", "Ada", "ABC1", 1}, {"Bravo", "Bo", "abc1", 1}, {"Charlie", "Cy", "ABC1", 2}},
                      {"ABC1-1 Alpha/Ada", "ABC1-2 Charlie/Cy", "abc1-3 Bravo/Bo"},
                      1},
        CollisionCase{"NothingCollides",
                      {{"Alpha", "Ada", "ABC1", 2}, {"Bravo", "Bo", "ABC1", 1}},
                      {"ABC1-1 Bravo/Bo", "ABC1-2 Alpha/Ada"}}),
    [](const auto& info) { return std::string(info.param.name); });

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
}  // namespace convert_test
