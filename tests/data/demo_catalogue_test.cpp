#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "data/data_files.h"
#include "data/demo_catalogue.h"
#include "frontend/headless/driver.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "support/data_fixture.h"

namespace {

// Reads every record of a file in a key's order into texts.
template <class F>
std::vector<std::string> readAll(F& file, const rt::Key& key, std::string (*row)()) {
    std::vector<std::string> out;
    file.set(key);
    for (file.next(); rt::errorCode() == 0; file.next()) out.push_back(row());
    return out;
}

TEST(DemoCatalogue, ShapeOfTheInventedCatalogue) {
    const DemoCatalogue c = BuildDemoCatalogue();
    EXPECT_GE(c.brands.size(), 3u);
    EXPECT_LE(c.brands.size(), 5u);
    for (std::size_t i = 0; i < c.brands.size(); ++i) EXPECT_EQ(c.brands[i].number, static_cast<int>(i + 1));
    EXPECT_GE(c.discs.size(), 24u);
    EXPECT_GE(c.tracks.size(), 200u);
    EXPECT_LE(c.tracks.size(), 900u);
    EXPECT_GE(c.genres.size(), 4u);

    std::set<std::string> codes;
    for (const auto& m : c.makers) codes.insert(m.code);
    std::map<std::string, std::set<int>> firstTrackBrands;  // title -> brands it opens a disc of
    std::map<std::string, std::set<std::string>> discsOfTitle;
    std::set<std::pair<std::string, int>> seen;
    for (const auto& t : c.tracks) {
        SCOPED_TRACE(t.discId + "-" + std::to_string(t.track));
        EXPECT_TRUE(codes.count(t.discId.substr(0, 2))) << "no manufacturer code";
        EXPECT_TRUE(seen.insert({t.discId, t.track}).second) << "track twice";
        EXPECT_LE(rt::length(t.title), 40u);
        EXPECT_LE(rt::length(t.artist), 25u);
        if (t.track == 1) firstTrackBrands[t.title].insert(t.brand);
        discsOfTitle[t.title].insert(t.discId);
    }
    int sharedFirstTracks = 0;
    for (const auto& [title, brands] : firstTrackBrands) sharedFirstTracks += brands.size() >= 2;
    EXPECT_GE(sharedFirstTracks, 2) << "titles opening discs of different brands";
    int onSeveralDiscs = 0;
    for (const auto& [title, discs] : discsOfTitle) onSeveralDiscs += discs.size() >= 2;
    EXPECT_GE(onSeveralDiscs, 20);

    std::set<std::string> artists(c.artists.begin(), c.artists.end());
    EXPECT_TRUE(artists.count("Zoë Marchetti"));
    EXPECT_TRUE(artists.count("Éloïse Brun"));
    std::set<std::string> upperTitles;
    for (const auto& t : c.titles) EXPECT_TRUE(upperTitles.insert(rt::upper(t)).second) << t;
    EXPECT_EQ(upperTitles.size(), discsOfTitle.size());
}

TEST(DemoCatalogue, WrittenFilesHoldTheCatalogue) {
    fixture::TempFolder dir;
    fixture::pointFileNamesAt("/nowhere");
    const DemoCatalogue c = BuildDemoCatalogue();
    int rc = -1;
    std::string namesAfter;
    long long tracks = 0, discs = 0, titles = 0, artists = 0;
    std::vector<std::string> brands, makers, genres, firstDisc;
    {
        headless::Driver d;
        ASSERT_TRUE(d.start([&] {
            rc = WriteDemoCatalogue(dir.path() + "/");
            namesAfter = KaraokeFileName.str();
            fixture::pointFileNamesAt(dir.path());
            for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&KAR, &DIS, &BRA, &STI, &SAR, &MAK, &GEN})
                f->open();
            tracks = KAR.records();
            discs = DIS.records();
            titles = STI.records();
            artists = SAR.records();
            brands = readAll(BRA, DMake::KMAKEID, [] { return std::to_string(BRA.MAKEID) + " " + BRA.MAKE.str(); });
            makers = readAll(MAK, MakeId::KMAKEID, [] { return MAK.MAKEID.str(); });
            genres = readAll(GEN, Genre::KGENRE, [] { return GEN.GENRE.str(); });
            KAR.clearBuffer();
            KAR.UNQDISKID = "CV0101";
            KAR.setAt(KARAOKE::KDISK);
            for (KAR.next(); rt::errorCode() == 0 && KAR.UNQDISKID.str() == "CV0101"; KAR.next())
                firstDisc.push_back(std::to_string(KAR.DISKTRACKNO) + " " + KAR.TITLE.str() + " / " +
                                    KAR.ARTIST.str());
            for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&KAR, &DIS, &BRA, &STI, &SAR, &MAK, &GEN})
                f->close();
        })) << d.error();
        EXPECT_FALSE(d.request());
    }
    ASSERT_EQ(rc, 0);
    EXPECT_EQ(namesAfter, "/nowhere/MAIN.TPS");
    EXPECT_EQ(tracks, static_cast<long long>(c.tracks.size()));
    EXPECT_EQ(discs, static_cast<long long>(c.discs.size()));
    EXPECT_EQ(titles, static_cast<long long>(c.titles.size()));
    EXPECT_EQ(artists, static_cast<long long>(c.artists.size()));
    ASSERT_EQ(brands.size(), c.brands.size());
    EXPECT_EQ(brands[0], "1 " + c.brands[0].name);
    EXPECT_EQ(makers.size(), c.makers.size());
    EXPECT_EQ(genres.size(), c.genres.size());

    std::vector<std::string> expected;
    for (const auto& t : c.tracks)
        if (t.discId == "CV0101") expected.push_back(std::to_string(t.track) + " " + t.title + " / " + t.artist);
    EXPECT_EQ(firstDisc, expected);
    ASSERT_FALSE(firstDisc.empty());
    EXPECT_EQ(firstDisc[0].substr(0, 2), "1 ");
}

}  // namespace
