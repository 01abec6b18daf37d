#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "frontend/headless/driver.h"
#include "runtime/error/error.h"
#include "support/data_fixture.h"

namespace {

class DataFilesTest : public ::testing::Test {
protected:
    void SetUp() override { fixture::pointFileNamesAt(dir.path()); }
    void run(const std::function<void()>& body) {
        headless::Driver d;
        ASSERT_TRUE(d.start(body)) << d.error();
        EXPECT_FALSE(d.request());
    }
    fixture::TempFolder dir;
};

void listing(const char* title, const char* artist, const char* disc, std::uint32_t track,
             const char* genre = "") {
    SBK.clearBuffer();
    SBK.TITLE = title;
    SBK.ARTIST = artist;
    SBK.UNQDISKID = disc;
    SBK.DISKTRACKNO = track;
    SBK.GENRE = genre;
}

TEST_F(DataFilesTest, ListingIdentityIsDiscAndTrack) {
    std::vector<int> codes;
    run([&] {
        SBK.create();
        SBK.open();
        listing("Neon Orchard", "Kofi Mensah-Hart", "CV0101", 3);
        SBK.add();
        codes.push_back(rt::errorCode());
        listing("Something Else Entirely", "Juniper Vale", "cv0101", 3);
        SBK.add();
        codes.push_back(rt::errorCode());
        listing("Neon Orchard", "Kofi Mensah-Hart", "CV0101", 4);
        SBK.add();
        codes.push_back(rt::errorCode());
        SBK.close();
    });
    EXPECT_EQ(codes, (std::vector<int>{0, rt::DuplicateKey, 0}));
}

TEST_F(DataFilesTest, CustomDiscIdIsUniqueButDiscIdsMayRepeat) {
    std::vector<int> codes;
    run([&] {
        SBD.create();
        SBD.open();
        for (auto [disc, custom] : {std::pair{"CV0101", "101"}, {"CV0101", "102"}, {"MX2201", "101"}}) {
            SBD.clearBuffer();
            SBD.UNQDISKID = disc;
            SBD.ALTDISKID = custom;
            SBD.add();
            codes.push_back(rt::errorCode());
        }
        SBD.close();
    });
    EXPECT_EQ(codes, (std::vector<int>{0, 0, rt::DuplicateKey}));
}

TEST_F(DataFilesTest, KeysOrderIgnoringCaseAndLeaveOutBlankFields) {
    std::vector<std::string> byTitle, byGenre;
    run([&] {
        SBK.create();
        SBK.open();
        listing("abc", "Marchetti", "CV0101", 2, "Pop");
        SBK.DATEADDED = rt::date(3, 1, 2024);
        SBK.add();
        listing("ABC", "brun", "CV0101", 1);
        SBK.add();
        listing("Abc", "Brun", "CV0102", 1, "pop");
        SBK.add();
        listing("ABD", "Aaron", "CV0102", 2, "Ballads");
        SBK.add();
        SBK.set(SongBook::KTITLE);
        for (SBK.next(); rt::errorCode() == 0; SBK.next())
            byTitle.push_back(SBK.TITLE.str() + "/" + SBK.ARTIST.str() + "/" + SBK.UNQDISKID.str());
        SBK.set(SongBook::KGENRE);
        for (SBK.next(); rt::errorCode() == 0; SBK.next()) byGenre.push_back(SBK.GENRE.str());
        SBK.close();
    });
    // Equal titles in any case sort together, then by artist (any case), then by track.
    EXPECT_EQ(byTitle, (std::vector<std::string>{"ABC/brun/CV0101", "Abc/Brun/CV0102",
                                                 "abc/Marchetti/CV0101", "ABD/Aaron/CV0102"}));
    EXPECT_EQ(byGenre, (std::vector<std::string>{"Ballads", "Pop", "pop"}));
}

TEST_F(DataFilesTest, FileNamesComeFromTheNameVariablesAtOpenTime) {
    std::string first, second;
    run([&] {
        first = SBK.name();
        SongBookFileName = dir.file("Other.2bk");
        second = SBK.name();
    });
    EXPECT_EQ(first, dir.file("Test.2bk"));
    EXPECT_EQ(second, dir.file("Other.2bk"));
}

TEST(ProgramWideVariables, ProductAndVersion) {
    EXPECT_EQ(ProductTitle.str(), "Cantorelle V2 SongBook Maker PLUS");
    EXPECT_EQ(ProgramVersion.str(), "2.6.2232");
    // A deep Linux path survives whole.
    const std::string deep = "/" + std::string(900, 'd') + "/Karaoke Night.2bk";
    SongBookFileName = deep;
    EXPECT_EQ(SongBookFileName.str(), deep);
    SongBookFileName.clear();
}

}  // namespace
