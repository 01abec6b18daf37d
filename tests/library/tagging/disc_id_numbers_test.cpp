#include <limits>

#include "library/DiscIdNumbers.h"
#include "tagging_fixture.h"

namespace tagging_test {
namespace {

TEST(DiscIdNumericValue, KeepsOnlyWhatANumberIsMadeOf) {
    constexpr std::int64_t kHuge = std::numeric_limits<std::int64_t>::max();
    struct Case {
        const char* id;
        std::int64_t value;
    } cases[] = {
        {"CB101", 101},
        {"12A", 12},
        {"101-1", 1011},
        {"", 0},
        {"CBX", 0},
        {"7", 7},
        {"70000", 70000},
        {"CB65536", 65536},
        {"123456789012345", 123456789012345},
        {"-5", -5},
        {"A-5", 5},
        {"1.9", 1},
        {"12.34.56", 12},
        {"1E3", 1000},
        {"2e+2", 200},
        {"5E-1", 0},
        {"SC1E2X", 100},
        {"E101", 101},
        {"1E99", kHuge},
        {"0007", 7},
        {"Zoë 12", 12},
    };
    for (const Case& c : cases) EXPECT_EQ(DiscIdNumericValue(c.id), c.value) << '"' << c.id << '"';
}

class DiscIdUseTest : public TaggingTest {};

TEST_F(DiscIdUseTest, ReadsTheSongBooksDiscsAndTheTagsWithoutTouchingTheirBuffers) {
    addDisc("ZZ0001", "CB101");
    addDisc("ZZ0002", "66000");
    tag("YY0001", "X70000");
    std::int64_t next = 0;
    bool read = false;
    CustomDiscIdUse taken = CustomDiscIdUse::Free, free = CustomDiscIdUse::Used;
    std::string kept;
    TagQue.clearBuffer();
    TagQue.DISKID = "mine";
    onThread([&] {
        SBD.open();
        SBD.clearBuffer();
        SBD.ALTDISKID = "buffer";
        read = NextCustomDiscIdNumber(next);
        taken = CustomDiscIdInUse("cb101  ");
        free = CustomDiscIdInUse("CB102");
        kept = SBD.ALTDISKID.str();
        SBD.close();
    });
    EXPECT_TRUE(read);
    EXPECT_EQ(next, 70001);
    EXPECT_EQ(taken, CustomDiscIdUse::Used);
    EXPECT_EQ(free, CustomDiscIdUse::Free);
    EXPECT_EQ(kept, "buffer");
    EXPECT_EQ(TagQue.DISKID.str(), "mine");
}

TEST_F(DiscIdUseTest, AnUnreadableDiscFileIsReported) {
    tag("YY0001", "41");
    std::int64_t next = 0;
    bool read = true;
    CustomDiscIdUse use = CustomDiscIdUse::Free;
    onThread([&] {
        read = NextCustomDiscIdNumber(next);  // SBDiscs is not open
        use = CustomDiscIdInUse("1");
    });
    EXPECT_FALSE(read);
    EXPECT_EQ(next, 42);
    EXPECT_EQ(use, CustomDiscIdUse::ReadError);
}

}  // namespace
}  // namespace tagging_test
