#include <gtest/gtest.h>

#include "data/tagque.h"

namespace {

void tag(const char* disc, const char* custom, const char* genre = "") {
    TagQue.QUEUNQDISKID = disc;
    TagQue.DISKID = custom;
    TagQue.QUEGENRE = genre;
    TagQue.addInOrder({TagField::QUEUNQDISKID, TagField::DISKID});
}

class TagQueTest : public ::testing::Test {
protected:
    void SetUp() override { TagQue.free(); }
    void TearDown() override { TagQue.free(); }
};

TEST_F(TagQueTest, EntriesStandInTheOrderOfTheirDiscIdsWhateverTheOrderTagged) {
    tag("SC8125", "3");
    tag("AB0001", "1");
    tag("MX2203", "2");
    tag("AB0001", "0");
    ASSERT_EQ(TagQue.records(), 4u);
    std::vector<std::string> got;
    for (std::size_t i = 1; i <= TagQue.records(); ++i) {
        TagQue.get(i);
        got.push_back(TagQue.QUEUNQDISKID.str() + "/" + TagQue.DISKID.str());
    }
    EXPECT_EQ(got, (std::vector<std::string>{"AB0001/0", "AB0001/1", "MX2203/2", "SC8125/3"}));
}

TEST_F(TagQueTest, LookupsByOneFieldFindTheFirstMatchingEntry) {
    tag("AB0001", "101");
    tag("MX2203", "102");
    TagQue.clearBuffer();
    TagQue.DISKID = "102";
    ASSERT_TRUE(TagQue.getBy({TagField::DISKID}));
    EXPECT_EQ(TagQue.QUEUNQDISKID.str(), "MX2203");
    EXPECT_EQ(TagQue.pointer(), 2u);
    TagQue.QUEUNQDISKID = "ZZ9999";
    EXPECT_FALSE(TagQue.getBy({TagField::QUEUNQDISKID}));
    // Trailing blanks do not count, letter case does.
    TagQue.QUEUNQDISKID = "AB0001   ";
    EXPECT_TRUE(TagQue.getBy({TagField::QUEUNQDISKID}));
    TagQue.QUEUNQDISKID = "ab0001";
    EXPECT_FALSE(TagQue.getBy({TagField::QUEUNQDISKID}));
}

TEST_F(TagQueTest, DeleteRemovesTheEntryReadLastAndOnlyOnce) {
    tag("AB0001", "1");
    tag("MX2203", "2");
    ASSERT_TRUE(TagQue.get(1));
    EXPECT_TRUE(TagQue.del());
    EXPECT_FALSE(TagQue.del());
    ASSERT_EQ(TagQue.records(), 1u);
    TagQue.get(1);
    EXPECT_EQ(TagQue.QUEUNQDISKID.str(), "MX2203");
    EXPECT_FALSE(TagQue.get(2));
}

}  // namespace
