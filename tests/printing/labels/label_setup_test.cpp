// The CD label setup window: tagging with its own tag list, show modes, the tag file.
#include "printing/labels/labels_fixture.h"

#include "printing/CdLabelMakerSetup.h"

#include <cstdio>

#include "runtime/files/folder.h"

namespace labels_test {
namespace {

const char* const kSetup = "Custom CD Label Maker - Setup";

class LabelSetupTest : public LabelsTest {
protected:
    void SetUp() override {
        LabelsTest::SetUp();
        addDiscs({{"MX2201", "103"}, {"CV0105", "101"}, {"SL3001", "102"}});
    }
    void open() {
        ASSERT_TRUE(d_.start(CdLabelMakerSetup)) << d_.error();
        ASSERT_TRUE(d_.window(kSetup)) << d_.windows();
    }
};

TEST_F(LabelSetupTest, TagsShowModesAndReversal) {
    open();
    EXPECT_EQ(rowTexts("?DiscList"), (std::vector<std::string>{"|CV0105|101", "|SL3001|102", "|MX2201|103"}));
    EXPECT_EQ(d_.text("?ShowTags"), "Show All");

    ASSERT_TRUE(d_.select("?DiscList", 1)) << d_.error();
    ASSERT_TRUE(d_.press("&Tag")) << d_.error();
    ASSERT_TRUE(d_.key("?DiscList", "DoubleClick", 3)) << d_.error();
    EXPECT_EQ(rowTexts("?DiscList"), (std::vector<std::string>{"»|CV0105|101", "|SL3001|102", "»|MX2201|103"}));

    // The display filter cycles through its three states.
    ASSERT_TRUE(d_.press("Show All")) << d_.error();
    EXPECT_EQ(d_.text("?ShowTags"), "Showing Tagged");
    EXPECT_EQ(rowTexts("?DiscList"), (std::vector<std::string>{"»|CV0105|101", "»|MX2201|103"}));
    ASSERT_TRUE(d_.press("?ShowTags")) << d_.error();
    EXPECT_EQ(d_.text("?ShowTags"), "Showing UnTagged");
    EXPECT_EQ(rowTexts("?DiscList"), (std::vector<std::string>{"|SL3001|102"}));
    ASSERT_TRUE(d_.press("?ShowTags")) << d_.error();
    EXPECT_EQ(d_.text("?ShowTags"), "Show All");

    // Reversal, all and none act on every disc.
    ASSERT_TRUE(d_.press("&Rev tags")) << d_.error();
    EXPECT_EQ(rowTexts("?DiscList"), (std::vector<std::string>{"|CV0105|101", "»|SL3001|102", "|MX2201|103"}));
    ASSERT_TRUE(d_.press("tag &All")) << d_.error();
    EXPECT_EQ(rowTexts("?DiscList"), (std::vector<std::string>{"»|CV0105|101", "»|SL3001|102", "»|MX2201|103"}));
    ASSERT_TRUE(d_.press("&Untag all")) << d_.error();
    EXPECT_EQ(rowTexts("?DiscList"), (std::vector<std::string>{"|CV0105|101", "|SL3001|102", "|MX2201|103"}));

    // Nothing tagged: nothing to print.
    ASSERT_TRUE(d_.press("&Print Labels")) << d_.error();
    auto r = d_.request();
    ASSERT_TRUE(r) << d_.windows();
    EXPECT_EQ(r->title, "No Disc(s) Selected");
    EXPECT_EQ(r->text, "Please tag the disc(s) you\nwish to print labels for...");
    EXPECT_EQ(r->icon, rt::Icon::Exclamation);
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
}

TEST_F(LabelSetupTest, KeepsItsOwnTagsApartFromTheAddDiscsWindow) {
    // The add-discs window has a disc tagged for adding.
    TagQue.clearBuffer();
    TagQue.QUEUNQDISKID = "CV0105";
    TagQue.DISKID = "101";
    TagQue.add();
    open();
    EXPECT_EQ(rowTexts("?DiscList")[0], "|CV0105|101") << "the label setup starts with no tags";
    ASSERT_TRUE(d_.select("?DiscList", 2)) << d_.error();
    ASSERT_TRUE(d_.press("&Tag")) << d_.error();
    ASSERT_TRUE(d_.press("&Close")) << d_.error();
    EXPECT_FALSE(d_.window(kSetup));
    ASSERT_EQ(TagQue.records(), 1u);
    EXPECT_EQ(TagQue.entry(1).QUEUNQDISKID.str(), "CV0105");
    EXPECT_EQ(tagFile(), (std::vector<std::string>{"SL3001=102"}));
}

// A file named TAGFILE beside the SongBook that is not a tag file never ends the program: it is
// set aside under a name of its own with a message, and the labels print with a new one. One
// that cannot be set aside is named, and the setup does not open.
TEST_F(LabelSetupTest, ATagFileThatIsNoTagFileIsSetAside) {
    struct Case {
        const char* what;
        std::string content;
        std::string aside;  // where it is kept: each stray file keeps a name of its own
    } cases[] = {
        {"text", "These are my notes, not a tag file.\n", "TAGFILE.unreadable"},
        {"another program's database", "SQLite format 3", "TAGFILE.unreadable-2"},
        {"a third one", "the third stray file", "TAGFILE.unreadable-3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fixture::writeText(TagFileName(), c.content);
        ASSERT_TRUE(d_.start(CdLabelMakerSetup)) << d_.error();
        auto r = d_.request();
        ASSERT_TRUE(r) << d_.windows();
        EXPECT_EQ(r->title, "Tag File");
        const std::string& aside = c.aside;
        EXPECT_NE(r->text.find("kept as " + aside), std::string::npos) << r->text;
        ASSERT_TRUE(d_.answer("OK")) << d_.error();
        EXPECT_EQ(fixture::readText(dir().file(aside)), c.content);
        ASSERT_TRUE(d_.window(kSetup)) << d_.windows();
        ASSERT_TRUE(d_.key("?DiscList", "DoubleClick", 1)) << d_.error();
        ASSERT_TRUE(d_.press("&Close")) << d_.error();
        EXPECT_FALSE(d_.running());
        EXPECT_EQ(tagFile(), (std::vector<std::string>{"CV0105=101"}));
        ASSERT_EQ(std::remove(TagFileName().c_str()), 0);
    }
    // A folder of that name cannot be set aside: said so, and nothing else happens.
    ASSERT_EQ(rt::createFolder(TagFileName()), 0);
    ASSERT_TRUE(d_.start(CdLabelMakerSetup)) << d_.error();
    auto r = d_.request();
    ASSERT_TRUE(r) << d_.windows();
    EXPECT_NE(r->text.find("The tag file " + TagFileName() + " cannot be used"), std::string::npos) << r->text;
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_FALSE(d_.window(kSetup));
    EXPECT_FALSE(d_.running()) << "no halt: the procedure just ends";
    EXPECT_TRUE(rt::folderExists(TagFileName()));
}

TEST_F(LabelSetupTest, ClosingReplacesEveryEarlierRecordOfTheTagFile) {
    // An earlier run left records, one of them blank (no key holds it).
    onThread([] {
        TAG.create();
        TAG.open();
        for (auto [disc, custom] : {std::pair{"", ""}, {"OLD1", "900"}}) {
            TAG.clearBuffer();
            TAG.UNQDISKID = disc;
            TAG.ALTDISKID = custom;
            TAG.add();
        }
        TAG.close();
    });
    ASSERT_EQ(tagFile().size(), 2u);
    open();
    ASSERT_TRUE(d_.key("?DiscList", "DoubleClick", 3)) << d_.error();
    ASSERT_TRUE(d_.key("?DiscList", "DoubleClick", 1)) << d_.error();
    ASSERT_TRUE(d_.close()) << d_.error();
    EXPECT_FALSE(d_.window(kSetup));
    // In the order of (disc id, custom disc id).
    EXPECT_EQ(tagFile(), (std::vector<std::string>{"CV0105=101", "MX2201=103"}));
}

// A tag file that refuses a write keeps the tags it held, whole: no labels print from it, and
// the host is told which file and why.
TEST_F(LabelSetupTest, ATagFileThatRefusesAWriteKeepsItsEarlierTags) {
    onThread([] {
        TAG.create();
        TAG.open();
        TAG.clearBuffer();
        TAG.UNQDISKID = "OLD1";
        TAG.ALTDISKID = "900";
        TAG.add();
        TAG.close();
    });
    ASSERT_EQ(fixture::execSql(TagFileName(), "CREATE TRIGGER refuse BEFORE INSERT ON data WHEN new.UNQDISKID = "
                                              "'MX2201' BEGIN SELECT RAISE(ABORT, 'disk refuses'); END"),
              0);
    open();
    ASSERT_TRUE(d_.key("?DiscList", "DoubleClick", 1)) << d_.error();
    ASSERT_TRUE(d_.key("?DiscList", "DoubleClick", 3)) << d_.error();
    for (const char* how : {"&Print Labels", "&Close"}) {
        SCOPED_TRACE(how);
        ASSERT_TRUE(d_.press(how)) << d_.error();
        auto r = d_.request();
        ASSERT_TRUE(r) << d_.windows();
        EXPECT_EQ(r->title, "Tag File");
        EXPECT_NE(r->text.find("The tag file " + TagFileName() + " could not be written"), std::string::npos) << r->text;
        ASSERT_TRUE(d_.answer("OK")) << d_.error();
        EXPECT_EQ(tagFile(), (std::vector<std::string>{"OLD1=900"}));
    }
    EXPECT_FALSE(d_.window(kSetup));
    EXPECT_FALSE(d_.running()) << d_.windows();
}

TEST_F(LabelSetupTest, ColoursAreResetAtEachStartAndShownInTheSample) {
    LabelTextColor = 0x123456;
    LabelBackColor = 0x654321;
    open();
    EXPECT_EQ(LabelTextColor, 0u);
    EXPECT_EQ(LabelBackColor, 0xFFFFFFu);
    ASSERT_TRUE(d_.press("Background Color")) << d_.error();
    auto r = d_.request();
    ASSERT_TRUE(r) << d_.windows();
    EXPECT_EQ(r->title, "Select CD Label Background Color");
    ASSERT_TRUE(d_.chooseColor(0x00FFFF)) << d_.error();
    EXPECT_EQ(LabelBackColor, 0x00FFFFu);
    EXPECT_EQ(d_.control("?SampleDisc")->bg, 0x00FFFFu);
    ASSERT_TRUE(d_.press("Text Color")) << d_.error();
    ASSERT_TRUE(d_.chooseColor(0x0000FF)) << d_.error();
    EXPECT_EQ(d_.control("?SampleAltId")->font.color, 0x0000FFu);
}

TEST_F(LabelSetupTest, WithoutAnOpenSongBookItSaysSoAndOpensNothing) {
    SongBookFileName.clear();
    SBDiscsFileName.clear();
    ASSERT_TRUE(d_.start(CdLabelMakerSetup)) << d_.error();
    auto r = d_.request();
    ASSERT_TRUE(r) << d_.windows();
    EXPECT_EQ(r->title, "SongBook Closed");
    ASSERT_TRUE(d_.answer("OK")) << d_.error();
    EXPECT_FALSE(d_.running());
}

}  // namespace
}  // namespace labels_test
