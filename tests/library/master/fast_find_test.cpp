// FastFind over the fixture catalogue: the search by the first track's title, the buttons that
// follow the list, the pop-up menu, and every way "Tag Disc and Return" ends.
#include "master_fixture.h"

#include "library/FastFindDisc.h"

namespace master_test {
namespace {

const char* const kWindow = "Cantorelle V2 SongBook Maker - FastFind";
const char* const kDialog = "Custom/Alternate Disc ID";

class FastFindTest : public MasterTest {
protected:
    void start() {
        ASSERT_TRUE(d_.start(FastFindDisc)) << d_.error();
        ASSERT_EQ(activeTitle(), kWindow) << d_.windows();
    }
    void search(const std::string& title) {
        ASSERT_TRUE(d_.type("?STI:TITLE", title)) << d_.error();
        ASSERT_TRUE(d_.press("Search for Matching Disc(s)")) << d_.error();
    }
    // The disc list as "disc id / brand".
    std::vector<std::string> discs() const {
        std::vector<std::string> out;
        for (const auto& r : d_.rows("?DiscList")) out.push_back(r.at(0) + " / " + r.at(1));
        return out;
    }
    void pickDisc(const std::string& disc) {
        const int row = rowOf("?DiscList", 0, disc);
        ASSERT_NE(row, 0) << disc << " is not listed: " << d_.windows();
        ASSERT_TRUE(d_.select("?DiscList", row)) << d_.error();
    }
    void tagFirstTrackTitled(const std::string& title, const std::string& disc) {
        start();
        search(title);
        pickDisc(disc);
        ASSERT_TRUE(d_.press("Tag Disc and Return")) << d_.error();
    }
};

TEST_F(FastFindTest, OpensWithEmptyListAndRowButtonsOff) {
    start();
    EXPECT_TRUE(d_.rows("?DiscList").empty());
    EXPECT_FALSE(d_.enabled("Tag Disc and Return"));
    EXPECT_FALSE(d_.enabled("Display All Tracks on Selected Disc"));
    EXPECT_TRUE(d_.hidden("?Insert"));
    EXPECT_TRUE(d_.hidden("?Delete"));
    EXPECT_EQ(d_.headers("?DiscList"), (std::vector<std::string>{"Mfg. Disc ID", "Brand/Series"}));
    // The drop-down offers the titles in order.
    const auto choices = d_.control("?STI:TITLE")->choices;
    ASSERT_GE(choices.size(), 4u);
    EXPECT_EQ(choices[0], "Amber Lanterns");
    EXPECT_EQ(choices[1], "Bakery Love");
    EXPECT_EQ(choices[2], "Borrowed Run");
    EXPECT_EQ(choices[3], "Cranberry");
}

// Three discs open with the title (stored as "Cranberry", "CRANBERRY" and "cranberry"); on a fourth it is
// the second track. The box takes the title in any letter case.
TEST_F(FastFindTest, ListsEveryDiscWhoseFirstTrackHasTheTitleInAnyCase) {
    struct Case {
        const char* typed;
    };
    for (const Case c : {Case{"Cranberry"}, Case{"cRANBERRY"}}) {
        SCOPED_TRACE(c.typed);
        start();
        search(c.typed);
        EXPECT_EQ(d_.value("?STI:TITLE"), "Cranberry");
        EXPECT_EQ(discs(), (std::vector<std::string>{"SV1001 / Sunvale Sing", "CW2002 / Chartwell",
                                                     "PK3003 / Pocketone"}));
        EXPECT_TRUE(d_.enabled("Tag Disc and Return"));
        EXPECT_TRUE(d_.enabled("Display All Tracks on Selected Disc"));
        ASSERT_TRUE(d_.end());
    }
}

TEST_F(FastFindTest, TitleThatOpensNoDiscGivesAnEmptyList) {
    start();
    search("Jasper Moon");
    EXPECT_TRUE(discs().empty());
    EXPECT_FALSE(d_.enabled("Tag Disc and Return"));
    EXPECT_FALSE(d_.enabled("Display All Tracks on Selected Disc"));
}

// A title that is not in the title list is not searched; the list keeps what it showed.
TEST_F(FastFindTest, UnknownTitleIsNotSearched) {
    start();
    search("Ivory Lane");
    ASSERT_EQ(discs(), (std::vector<std::string>{"ZP4004 / Zephyr"}));
    search("Cranberry Train");
    EXPECT_EQ(discs(), (std::vector<std::string>{"ZP4004 / Zephyr"}));
    EXPECT_EQ(d_.active()->focus, d_.control("?STI:TITLE")->id);
    // The drop-down now offers the titles from the typed one on.
    EXPECT_EQ(d_.control("?STI:TITLE")->choices.at(0), "Hollow Bells");
}

// A title typed without pressing Search does not change the list.
TEST_F(FastFindTest, ListFollowsTheBoxOnlyOnSearch) {
    start();
    search("Ivory Lane");
    ASSERT_TRUE(d_.type("?STI:TITLE", "Cranberry"));
    ASSERT_TRUE(d_.scroll("?DiscList", "bottom"));
    ASSERT_TRUE(d_.activate(kWindow));
    EXPECT_EQ(discs(), (std::vector<std::string>{"ZP4004 / Zephyr"}));
}

TEST_F(FastFindTest, DisplayShowsTheHighlightedDiscAndTheListStays) {
    start();
    search("Cranberry");
    pickDisc("CW2002");
    ASSERT_TRUE(d_.press("Display All Tracks on Selected Disc")) << d_.error();
    ASSERT_EQ(activeTitle(), "Display All Song Tracks on Selected Disc");
    EXPECT_EQ(d_.text("?DISKMAKEID"), "Chartwell - CW2002");
    EXPECT_EQ(column("?List", 0), (std::vector<std::string>{"CRANBERRY", "Willow Line"}));
    ASSERT_TRUE(d_.press("Close"));
    ASSERT_EQ(activeTitle(), kWindow);
    EXPECT_EQ(discs().size(), 3u);
    EXPECT_EQ(d_.selectedRow("?DiscList"), rowOf("?DiscList", 0, "CW2002"));
}

// The pop-up offers the three actions; on an empty list only Insert.
TEST_F(FastFindTest, RightClickMenu) {
    start();
    ASSERT_TRUE(d_.key("?DiscList", "RightClick")) << d_.error();
    ASSERT_TRUE(d_.request());
    EXPECT_EQ(d_.request()->items,
              (std::vector<std::string>{"Insert", "~Display All Tracks on Selected Disc", "~&Delete"}));
    ASSERT_TRUE(d_.popup(0));
    search("Cranberry");
    pickDisc("PK3003");
    ASSERT_TRUE(d_.key("?DiscList", "RightClick")) << d_.error();
    EXPECT_EQ(d_.request()->items,
              (std::vector<std::string>{"Insert", "Display All Tracks on Selected Disc", "&Delete"}));
    ASSERT_TRUE(d_.popup("Display All Tracks on Selected Disc")) << d_.error();
    ASSERT_EQ(activeTitle(), "Display All Song Tracks on Selected Disc");
    EXPECT_EQ(d_.text("?DISKMAKEID"), "Pocketone - PK3003");
    ASSERT_TRUE(d_.press("Close"));
    // Insert shows the highlighted disc too.
    ASSERT_TRUE(d_.key("?DiscList", "Insert")) << d_.error();
    ASSERT_EQ(activeTitle(), "Display All Song Tracks on Selected Disc");
    EXPECT_EQ(d_.text("?DISKMAKEID"), "Pocketone - PK3003");
    ASSERT_TRUE(d_.press("Close"));
    EXPECT_EQ(activeTitle(), kWindow);
}

TEST_F(FastFindTest, FindsADiscByItsFirstTrackAndTagsIt) {
    tagFirstTrackTitled("Cranberry", "CW2002");
    ASSERT_EQ(activeTitle(), kDialog) << d_.windows();
    ASSERT_TRUE(d_.type("?QUE:DISKID", "101")) << d_.error();
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    EXPECT_FALSE(d_.running()) << d_.windows();
    ASSERT_EQ(TagQue.records(), 1u);
    EXPECT_EQ(TagQue.entry(1).QUEUNQDISKID, "CW2002");
    EXPECT_EQ(TagQue.entry(1).DISKID, "101");
    EXPECT_TRUE(TagQue.entry(1).QUEGENRE.blank());
}

// The new tag goes in order of the disc ids among those there already.
TEST_F(FastFindTest, TagIsAddedInDiscIdOrder) {
    for (const char* id : {"AA0001", "ZZ0001"}) {
        TagQue.clearBuffer();
        TagQue.QUEUNQDISKID = id;
        TagQue.DISKID = std::string("C") + id;
        TagQue.add();
    }
    SkipCustomDiscIdQuery = 1;
    tagFirstTrackTitled("Cranberry", "PK3003");
    EXPECT_FALSE(d_.running());
    ASSERT_EQ(TagQue.records(), 3u);
    EXPECT_EQ(TagQue.entry(2).QUEUNQDISKID, "PK3003");
    EXPECT_EQ(TagQue.entry(2).DISKID, "PK3003");
    EXPECT_EQ(TagQue.entry(3).QUEUNQDISKID, "ZZ0001");
}

TEST_F(FastFindTest, DiscAlreadyTaggedIsRefusedAndTheWindowStays) {
    TagQue.clearBuffer();
    TagQue.QUEUNQDISKID = "SV1001";
    TagQue.DISKID = "55";
    TagQue.add();
    tagFirstTrackTitled("Cranberry", "SV1001");
    EXPECT_EQ(message(), "Disc already tagged for autoentry.");
    EXPECT_EQ(messageTitle(), "");
    EXPECT_EQ(d_.request()->icon, rt::Icon::None);
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_EQ(activeTitle(), kWindow);
    EXPECT_EQ(TagQue.records(), 1u);
    EXPECT_EQ(TagQue.entry(1).DISKID, "55");
}

TEST_F(FastFindTest, CancellingTheCustomIdClosesWithoutATag) {
    tagFirstTrackTitled("Cranberry", "SV1001");
    ASSERT_EQ(activeTitle(), kDialog) << d_.windows();
    ASSERT_TRUE(d_.press("Cancel")) << d_.error();
    EXPECT_FALSE(d_.running()) << d_.windows();
    EXPECT_EQ(TagQue.records(), 0u);
}

TEST_F(FastFindTest, DiscAlreadyInTheSongBookIsRefusedAndTheWindowCloses) {
    writeSongBook({{"Cranberry", "Peggy Corran", "SV1001", 1}}, {{"SV1001", "A-77"}});
    tagFirstTrackTitled("Cranberry", "SV1001");
    EXPECT_EQ(messageTitle(), "Disc Already Added!");
    EXPECT_EQ(message(),
              "This disc has already been added to this SongBook.\n\nCustom Disc ID: A-77\n\n"
              "To preserve data integrity duplicate disc entries are not allowed.");
    EXPECT_EQ(d_.request()->icon, rt::Icon::Hand);
    EXPECT_FALSE(d_.beeps().empty());
    ASSERT_TRUE(d_.answer("OK"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(TagQue.records(), 0u);
}

TEST_F(FastFindTest, CancelTagsNothing) {
    start();
    search("Cranberry");
    ASSERT_TRUE(d_.press("Cancel"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(TagQue.records(), 0u);
}

}  // namespace
}  // namespace master_test
