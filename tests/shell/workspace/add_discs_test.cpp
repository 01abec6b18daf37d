// The main road of a host's work, end to end: from the workspace, tag two manufacturer discs
// with custom disc ids, add them, and see their tracks in the SongBook.
#include "shell/workspace/workspace_fixture.h"

#include <algorithm>

#include "data/karaoke.h"

namespace workspace_test {
namespace {

const char* const kAddDiscs = "Cantorelle V2 SongBook Maker PLUS- Add Mfr. Disc(s) to SongBook";
const char* const kCustomId = "Custom/Alternate Disc ID";

class AddDiscsFromWorkspaceTest : public WorkspaceTest {
protected:
    void tag(const std::string& disc, const std::string& custom) {
        auto w = d_.window(kAddDiscs);
        ASSERT_TRUE(w) << d_.windows();
        int row = 0;
        const auto rows = d_.rows("?DiscList");
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i].size() > 1 && rows[i][1] == disc) row = static_cast<int>(i) + 1;
        ASSERT_NE(row, 0) << disc << " not listed: " << d_.windows();
        ASSERT_TRUE(d_.in(kAddDiscs).select("?DiscList", row)) << d_.error();
        ASSERT_TRUE(d_.in(kAddDiscs).press("&Tag")) << d_.error();
        ASSERT_TRUE(d_.in(kCustomId).type("Custom/Alternate Disc ID:", custom)) << d_.error();
        ASSERT_TRUE(d_.in(kCustomId).press("OK")) << d_.error();
    }

    // The master tracks of a disc, in track order.
    std::vector<unsigned> masterTracks(const std::string& disc) {
        std::vector<unsigned> out;
        rt::runProgram([&] {
            KAR.open();
            KAR.clearBuffer();
            KAR.UNQDISKID = disc;
            KAR.setAt(KARAOKE::KDISK);
            for (KAR.next(); rt::errorCode() == 0 && KAR.UNQDISKID == disc; KAR.next())
                out.push_back(KAR.DISKTRACKNO);
            KAR.close();
        });
        return out;
    }
};

TEST_F(AddDiscsFromWorkspaceTest, TaggedDiscsArriveWithTheirCustomIdsAndEveryTrack) {
    const auto first = masterTracks("CV0101"), second = masterTracks("CV0102");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    makeSongBook("Songs", sampleListings(), sampleDiscs());
    openWorkspace("Songs");
    ASSERT_TRUE(d_.menu({"&SongBook", "&Add Disc(s)"})) << d_.error();
    tag("CV0101", "201");
    tag("CV0102", "202");
    ASSERT_TRUE(d_.in(kAddDiscs).press("Add Tagged Disc(s) to SongBook")) << d_.error();
    const char* progress = "Adding Selected Disc Tracks to Open SongBook";
    ASSERT_TRUE(d_.window(progress)) << d_.windows();
    ASSERT_TRUE(d_.in(progress).press("&Done")) << d_.error();
    ASSERT_TRUE(d_.in(kAddDiscs).press("&Done/Cancel")) << d_.error();
    ASSERT_FALSE(d_.window(kAddDiscs)) << d_.windows();

    // The list by disc: each new disc with its custom id, followed by all its tracks.
    ASSERT_TRUE(d_.press("Disk ID")) << d_.error();
    std::vector<std::string> numbers;
    for (int page = 0; page < 20; ++page) {
        for (const auto& r : d_.rows())
            if (r[0] == "201" || r[0] == "202") numbers.push_back(r[0] + "-" + r[1]);
        ASSERT_TRUE(d_.scroll("", "pagedown")) << d_.error();
    }
    std::vector<std::string> expected;
    for (unsigned t : first) expected.push_back("201-" + std::to_string(t));
    for (unsigned t : second) expected.push_back("202-" + std::to_string(t));
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(numbers, expected);
    const auto discs = discsOf("Songs");
    EXPECT_NE(std::find(discs.begin(), discs.end(), "CV0101=201/1"), discs.end()) << ::testing::PrintToString(discs);
    EXPECT_NE(std::find(discs.begin(), discs.end(), "CV0102=202/1"), discs.end()) << ::testing::PrintToString(discs);
    const auto status = d_.status();
    ASSERT_FALSE(status.empty());
    EXPECT_EQ(status[0], "Total Song Tracks: " + std::to_string(7 + first.size() + second.size()));
}

}  // namespace
}  // namespace workspace_test

namespace workspace_test {
namespace {

TEST_F(WorkspaceTest, ViewEditOpensTheMasterTracksAndTheWorkspaceComesBack) {
    makeSongBook("Songs", sampleListings(), sampleDiscs());
    openWorkspace("Songs");
    ASSERT_TRUE(d_.menu({"&Main Tunelode", "&View/Edit"})) << d_.error();
    const char* master = "Cantorelle V2 SongBook Maker - View/Change Main Tunelode";
    ASSERT_TRUE(d_.window(master)) << d_.windows();
    EXPECT_FALSE(d_.rows().empty());
    ASSERT_TRUE(d_.in(master).press("&Close")) << d_.error();
    EXPECT_FALSE(d_.window(master));
    ASSERT_NE(workspace("Songs"), nullptr);
    EXPECT_EQ(d_.active()->title, workspaceTitle()) << d_.windows();
}

}  // namespace
}  // namespace workspace_test
