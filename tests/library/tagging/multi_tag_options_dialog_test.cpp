#include "library/MultiTagOptionsDialog.h"
#include "tagging_fixture.h"

namespace tagging_test {
namespace {

const char* const kTitle = "MultiTag Options";

class MultiTagOptionsDialogTest : public TaggingTest {
protected:
    void open() { ASSERT_TRUE(d_.start(MultiTagOptionsDialog)) << d_.error(); }
    bool showing() {
        auto a = d_.active();
        return d_.running() && a && a->title == kTitle;
    }
    headless::Driver d_;
};

TEST_F(MultiTagOptionsDialogTest, TheStartNumberIsOneAboveTheHighestNumber) {
    struct Case {
        std::vector<std::string> discIds, tagIds;
        long long start;
    } cases[] = {
        {{"7", "12A", "CB101"}, {}, 102},
        {{}, {}, 1},
        {{"70000"}, {"CB65535"}, 70001},
        {{"4"}, {"101-1"}, 1012},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.start);
        onThread([] { SBD.create(); });
        int n = 0;
        for (const auto& id : c.discIds) addDisc("ZZ000" + std::to_string(++n), id);
        TagQue.free();
        for (const auto& id : c.tagIds) tag("YY000" + std::to_string(++n), id);
        open();
        ASSERT_TRUE(showing()) << d_.windows();
        EXPECT_EQ(BATCHSTARTINGNUMBER, c.start);
        ASSERT_TRUE(d_.choose("How Do You Wish to Custom ID Each Tagged Disc?", "AutoNumber All Discs")) << d_.error();
        EXPECT_EQ(d_.value("Enter Starting Custom Disc ID:"), std::to_string(c.start));
        ASSERT_TRUE(d_.press("Cancel"));
        EXPECT_FALSE(d_.running());
    }
}

TEST_F(MultiTagOptionsDialogTest, EachMethodShowsItsOwnControls) {
    const std::vector<std::string> autoNumber = {
        "?BATCHSTARTINGNUMBER:Prompt", "?BATCHSTARTINGNUMBER", "?BATCHPRE", "?BATCHSUF", "?Line1", "?Line2",
        "?Mark1", "?Mark2", "?PrefixHint", "?SuffixHint", "?IncrementHint"};
    struct Case {
        int method;
        const char* radio;
    } cases[] = {
        {0, nullptr},
        {1, "AutoNumber All Discs"},
        {2, "Number Each Disc One-at-a-Time"},
        {3, "Use Mfr. Disc ID for ALL Discs"},
        {1, "AutoNumber All Discs"},  // back from another method
    };
    open();
    ASSERT_TRUE(showing()) << d_.windows();
    EXPECT_EQ(d_.value("How Do You Wish to Custom ID Each Tagged Disc?"), "");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.method);
        if (c.radio) {
            ASSERT_TRUE(d_.choose("How Do You Wish to Custom ID Each Tagged Disc?", c.radio)) << d_.error();
        }
        for (const auto& name : autoNumber) EXPECT_EQ(d_.hidden(name), c.method != 1) << name;
        EXPECT_EQ(d_.hidden("You will be prompted for a Custom ID for each disc to be tagged."), c.method != 2);
        EXPECT_EQ(d_.hidden("The Mfr. ID will be used for the Custom ID of All Discs."), c.method != 3);
        EXPECT_FALSE(d_.hidden(" OK"));
        EXPECT_FALSE(d_.hidden("AutoNumber All Discs"));
    }
    EXPECT_EQ(d_.text("?PrefixHint"), "You may provide an optional Prefix (ie:CB101-1) or an ");
    EXPECT_EQ(d_.text("?SuffixHint"), "optional Suffix (101CB-1) to be appended to each Custom ID.");
    EXPECT_EQ(d_.text("?IncrementHint"),
              "Custom ID's will Automatically be Incremented Starting from the Custom ID You Provide Here.");
}

TEST_F(MultiTagOptionsDialogTest, OkWithoutAMethodAsksForOne) {
    open();
    ASSERT_TRUE(d_.press("OK"));
    auto r = d_.request();
    ASSERT_NE(r, nullptr) << d_.windows();
    EXPECT_EQ(r->text, "Please select the method you wish to use for Custom Disc Numbering...");
    EXPECT_EQ(r->title, "");
    EXPECT_EQ(r->icon, rt::Icon::None);
    ASSERT_TRUE(d_.answer("OK"));
    ASSERT_TRUE(showing());
    ASSERT_TRUE(d_.choose("", "Use Mfr. Disc ID for ALL Discs"));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(BatchConfirmed, 1);
    EXPECT_EQ(BATCHADDTYPE, 3);
}

TEST_F(MultiTagOptionsDialogTest, AutoNumberTakesThePrefixStartAndSuffixAsTyped) {
    open();
    ASSERT_TRUE(d_.choose("", "AutoNumber All Discs"));
    ASSERT_TRUE(d_.type("?BATCHPRE", "CB"));
    ASSERT_TRUE(d_.type("?BATCHSUF", "X"));
    ASSERT_TRUE(d_.type("Enter Starting Custom Disc ID:", "12x"));
    d_.clearBeeps();
    ASSERT_TRUE(d_.press("OK"));
    ASSERT_TRUE(showing()) << "a start number that is no number must not be taken";
    EXPECT_EQ(d_.beeps().size(), 1u);
    ASSERT_TRUE(d_.type("Enter Starting Custom Disc ID:", "70101"));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(BatchConfirmed, 1);
    EXPECT_EQ(BATCHADDTYPE, 1);
    EXPECT_EQ(BATCHSTARTINGNUMBER, 70101);
    EXPECT_EQ(BATCHPRE.str(), "CB");
    EXPECT_EQ(BATCHSUF.str(), "X");
}

TEST_F(MultiTagOptionsDialogTest, CancelAndTheCloseBoxBothCancel) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        BatchConfirmed = 1;
        open();
        ASSERT_TRUE(d_.choose("", "Number Each Disc One-at-a-Time"));
        ASSERT_TRUE(closeBox ? d_.close() : d_.press("Cancel"));
        EXPECT_FALSE(d_.running());
        EXPECT_EQ(BatchConfirmed, 0);
    }
}

TEST_F(MultiTagOptionsDialogTest, SkippingTheQueryUsesManufacturerIdsWithoutAWindow) {
    SkipCustomDiscIdQuery = 1;
    BATCHADDTYPE = 1;
    bool windowSeen = true;
    ASSERT_TRUE(d_.start([&] {
        MultiTagOptionsDialog();
        windowSeen = rt::currentWindow() != nullptr;
    }));
    EXPECT_FALSE(d_.running());
    EXPECT_FALSE(windowSeen);
    EXPECT_EQ(BATCHADDTYPE, 3);
    EXPECT_EQ(BatchConfirmed, 1);
}

}  // namespace
}  // namespace tagging_test
