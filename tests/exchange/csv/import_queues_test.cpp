// The pieces an import keeps its rows in: the claims of discs, tracks and custom disc ids
// (compared as the keys compare), and ImportQue, which holds its rows in memory up to a share
// and the rest in a temporary file, giving them back in order with every field.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exchange/ImportQueues.h"
#include "runtime/date/date.h"

namespace {

TEST(ClaimTable, TracksAndCustomIdsCompareAsTheKeysDo) {
    ClaimTable t;
    t.claimTrack("SC100", 1);
    t.claimTrack("Sç7", 3);
    t.claimTrack("*", 4000000000u);
    t.claimCustomId("cu 1", "SC100");
    t.claimCustomId("CU 1", "SC200");  // claimed already: the first disc keeps it
    t.claimCustomId("  ", "SC300");   // a blank id is no claim
    struct Case {
        const char* disc;
        std::uint32_t track;
        bool claimed;
    } tracks[] = {
        {"SC100", 1, true},  {"sc100", 1, true},   {"SC100   ", 1, true}, {"SC100", 2, false},
        {"SC10", 1, false},  {"SÇ7", 3, true},     {"sç7", 3, true},      {"SC7", 3, false},
        {"*", 4000000000u, true}, {"*", 0, false}, {" SC100", 1, false},
    };
    for (const Case& c : tracks) EXPECT_EQ(t.hasTrack(c.disc, c.track), c.claimed) << c.disc << "-" << c.track;
    ASSERT_NE(t.customIdOwner("CU 1 "), nullptr);
    EXPECT_EQ(*t.customIdOwner("Cu 1"), "SC100");
    EXPECT_EQ(t.customIdOwner("CU 2"), nullptr);
    EXPECT_EQ(t.customIdOwner(""), nullptr);
}

TEST(ClaimTable, KeepsEveryClaimAsItGrowsAndSaysWhenItsShareIsTaken) {
    ClaimTable t;
    constexpr int kDiscs = 20000, kTracks = 15;
    for (int d = 0; d < kDiscs; ++d)
        for (int k = 1; k <= kTracks; ++k) t.claimTrack("SC" + std::to_string(10000 + d), static_cast<std::uint32_t>(k));
    int found = 0, strays = 0;
    for (int d = 0; d < kDiscs; ++d) {
        for (int k = 1; k <= kTracks; ++k) found += t.hasTrack("sc" + std::to_string(10000 + d), static_cast<std::uint32_t>(k));
        strays += t.hasTrack("SC" + std::to_string(10000 + d), kTracks + 1);
    }
    EXPECT_EQ(found, kDiscs * kTracks);
    EXPECT_EQ(strays, 0);
    EXPECT_FALSE(t.full());  // no limit

    ClaimTable limited(std::size_t{1} << 20);
    int claims = 0;
    while (!limited.full() && claims < 1000000) {
        limited.claimTrack("D" + std::to_string(claims), 1);
        limited.claimCustomId("C" + std::to_string(claims), "D" + std::to_string(claims));
        ++claims;
    }
    EXPECT_TRUE(limited.full());
    EXPECT_GT(claims, 1000);
    EXPECT_LT(limited.bytes(), (std::size_t{1} << 20) + 1024);  // the last row's claims may pass it
    EXPECT_TRUE(limited.hasTrack("d0", 1));
    EXPECT_TRUE(limited.hasTrack("D" + std::to_string(claims - 1), 1));
}

ImportRecord queuedRow(long i) {
    ImportRecord r;
    r.TITLE = "Chanson d'\xC3\xA9t\xC3\xA9 n\xC2\xB0" + std::to_string(i);
    r.ARTIST = i % 2 ? "Zo\xC3\xAB & Ren\xC3\xA9" : "";
    r.ALTDISKID = std::to_string(1000 + i / 15);
    r.DISKTRACKNO = static_cast<std::uint32_t>(i % 15 + 1);
    r.UNQDISKID = i % 100 == 99 ? "" : "SC" + std::to_string(10000 + i / 15);
    r.GENRE = i % 3 ? "Pop" : "Rock";
    r.DUET = i % 7 ? "" : "X";
    r.SBKMAKEID = "SC";
    r.MAKEID = static_cast<std::int32_t>(i % 5) - 2;
    r.MAKETYPE = "";
    r.DATEADDED = rt::date(1 + i % 12, 1 + i % 28, 1990 + i % 30);
    r.DISC = ImportDiscId(r);
    r.LINE = 3 * i + 1;
    return r;
}

std::string fieldsOf(const ImportRecord& r) {
    return r.TITLE.str() + "|" + r.ARTIST.str() + "|" + r.ALTDISKID.str() + "|" + std::to_string(r.DISKTRACKNO) + "|" +
           r.UNQDISKID.str() + "|" + r.GENRE.str() + "|" + r.DUET.str() + "|" + r.SBKMAKEID.str() + "|" +
           std::to_string(r.MAKEID) + "|" + r.MAKETYPE.str() + "|" + std::to_string(r.DATEADDED) + "|" + r.DISC.str() +
           "|" + std::to_string(r.LINE);
}

// Past its share of memory (about 100 bytes a row: 4 MB is some 40,000 rows) the queue writes
// its rows to a temporary file; they come back whole and in order, those held after them too.
TEST(ImportQueList, GivesBackEveryRowInOrderAlsoPastItsShareOfMemory) {
    ImportQueList q;
    constexpr long kRows = 120000;
    for (long i = 0; i < kRows; ++i) ASSERT_TRUE(q.add(queuedRow(i))) << q.error();
    q.hold(queuedRow(kRows));
    EXPECT_EQ(q.size(), kRows + 1);
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        q.rewind();
        ImportRecord r;
        long n = 0;
        for (; q.next(r); ++n) {
            if (fieldsOf(r) != fieldsOf(queuedRow(n))) {
                ADD_FAILURE() << "row " << n << ": " << fieldsOf(r);
                break;
            }
        }
        EXPECT_TRUE(q.error().empty()) << q.error();
        EXPECT_EQ(n, kRows + 1);
    }
    q.clear();
    q.rewind();
    ImportRecord r;
    EXPECT_FALSE(q.next(r));
    EXPECT_EQ(q.size(), 0);
}

}  // namespace
