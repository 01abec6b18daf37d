#include <gtest/gtest.h>

#include "printing/styles/ReadSongBookSelection.h"
#include "printing/styles/SelectSongBookEntries.h"

#include <random>

namespace {

SongBookRecord listing(const std::string& title, const std::string& artist, const std::string& disc,
                       std::uint32_t track, const std::string& make = {}) {
    SongBookRecord r;
    r.TITLE = title;
    r.ARTIST = artist;
    r.UNQDISKID = disc;
    r.DISKTRACKNO = track;
    r.MAKEID = make.empty() ? rt::upper(disc.substr(0, 2)) : make;
    r.DATEADDED.day = rt::date(5, 1, 2004);
    return r;
}

std::vector<SelectionEntry> select(const std::vector<SongBookRecord>& in, const PrintSettings& s) {
    std::vector<SelectionEntry> q;
    for (const auto& l : in)
        if (PassesFileFilter(l, s))
            if (auto e = SelectEntry(l, s)) q.push_back(*e);
    OrderEntries(q, s.titleOrder());
    if (s.RemoveDuplicates == 1) RemoveDuplicateSongs(q);
    return q;
}

std::vector<std::string> printed(const std::vector<SelectionEntry>& q) {
    std::vector<std::string> out;
    for (const auto& e : q) out.push_back(e.TITLE + " / " + e.ARTIST + " / " + e.UNQDISKID);
    return out;
}

TEST(ArtistNames, TurningAndLeadingArticle) {
    struct Case {
        const char* stored;
        int nameFormat;
        int caseStyle;
        const char* printed;
    } cases[] = {
        {"Smith, John", 1, 1, "John Smith"},
        {"Smith,John", 1, 1, "John Smith"},
        {"Beatles, The", 1, 1, "Beatles, The"},
        {"Cher", 1, 1, "Cher"},
        {"Petty, Tom & The Heartbreakers", 1, 1, "Petty, Tom & The Heartbreakers"},
        {"Smith, John", 0, 1, "Smith, John"},
        {"The Beatles", 0, 1, "Beatles, The"},
        {"THE BEATLES", 0, 1, "BEATLES, The"},
        {"The Beatles", 0, 2, "BEATLES, THE"},
        {"  The Beatles", 0, 1, "Beatles, The"},
        {"Theodore", 0, 1, "Theodore"},
        {"The", 0, 1, "The"},
        {"Zoë Marchetti", 1, 2, "ZOË MARCHETTI"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        PrintSettings s;
        s.NameFormat = static_cast<std::uint16_t>(c.nameFormat);
        s.CaseStyle = static_cast<std::uint16_t>(c.caseStyle);
        auto e = SelectEntry(listing("Song", c.stored, "SC1001", 1), s);
        ASSERT_TRUE(e);
        EXPECT_EQ(e->ARTIST, c.printed);
    }
}

TEST(BrandRanks, WholePairsOnly) {
    struct Case {
        const char* make;
        const char* prefs;
        int rank;
    } cases[] = {
        {"SC", "SCCBPITH", 1}, {"CB", "SCCBPITH", 2}, {"TH", "SCCBPITH", 4}, {"CC", "SCCBPITH", 11},
        {"BP", "SCCBPITH", 11}, {"ZZ", "SCCBPITH", 11}, {"", "SCCBPITH", 5}, {"", "SCCBPITHZMNTQQRR", 9},
        {"PI", "  PI", 2}, {"RR", "SCCBPITHZMNTQQRR", 8},
    };
    for (const Case& c : cases) EXPECT_EQ(BrandRank(c.make, c.prefs), c.rank) << c.make << " in " << c.prefs;
}

TEST(Selection, WhatPrintsAndInWhatOrder) {
    std::vector<SongBookRecord> book = {
        listing("Hello", "Adele", "PI0001", 1),
        listing("Hello", "Adele", "SC0001", 2),
        listing("HELLO ", "ADELE ", "CB0001", 3),
        listing("Hello", "Adele", "ZZ0001", 4),
        listing("Rain", "Cole Avery", "TH0001", 1),
        listing("Rain", "Cole Avery", "CC0001", 2),
        listing("Atlas", "Éloïse Brun", "SC0002", 1),
        listing("Skipped", "Omitted Band", "SC0003", 1),
        listing("Lead Along", "Smith (W/Vocals)", "SC0004", 1),
        listing("Karaoke (w/vocals)", "Smith", "SC0004", 2),
        listing("Backing", "Jones w-vocal", "SC0004", 3),
        // The same title by another artist is another song: never a duplicate.
        listing("Hello", "Lionel Ritchie", "ZZ0005", 1),
    };
    book[7].PRINT = "X";
    struct Case {
        const char* what;
        int removeDuplicates, ignoreOmits, removeVocals, sort;
        std::vector<std::string> expected;
    } cases[] = {
        {"duplicates removed by brand preference", 1, 0, 1, 1,
         {"Atlas / Éloïse Brun / SC0002", "Hello / Adele / SC0001", "Hello / Lionel Ritchie / ZZ0005",
          "Karaoke (w/vocals) / Smith / SC0004", "Rain / Cole Avery / TH0001"}},
        {"everything but the omitted listing, artist order", 0, 0, 0, 2,
         {"Hello / Adele / PI0001", "Hello / Adele / SC0001", "HELLO / ADELE / CB0001", "Hello / Adele / ZZ0001",
          "Rain / Cole Avery / TH0001", "Rain / Cole Avery / CC0001", "Backing / Jones w-vocal / SC0004",
          "Hello / Lionel Ritchie / ZZ0005", "Karaoke (w/vocals) / Smith / SC0004", "Lead Along / Smith (W/Vocals) / SC0004",
          "Atlas / Éloïse Brun / SC0002"}},
        {"omitted listings included on request", 1, 1, 1, 2,
         {"Hello / Adele / SC0001", "Rain / Cole Avery / TH0001", "Hello / Lionel Ritchie / ZZ0005",
          "Skipped / Omitted Band / SC0003",
          "Karaoke (w/vocals) / Smith / SC0004", "Atlas / Éloïse Brun / SC0002"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PrintSettings s;
        s.PrefCodes = "SCCBPITH";
        s.RemoveDuplicates = static_cast<std::uint16_t>(c.removeDuplicates);
        s.ignoreomits = static_cast<std::uint8_t>(c.ignoreOmits);
        s.RemoveVocals = static_cast<std::uint8_t>(c.removeVocals);
        s.PrintSort = static_cast<std::uint16_t>(c.sort);
        EXPECT_EQ(printed(select(book, s)), c.expected);
    }
}

// Entries one line each, with every field the rows use.
std::vector<std::string> whole(const std::vector<SelectionEntry>& q) {
    std::vector<std::string> out;
    for (const auto& e : q)
        out.push_back(e.TITLE + "|" + e.UPPERTITLE + "|" + e.ARTIST + "|" + e.UPPERARTIST + "|" + e.DISKTRACKNO + "|" +
                      e.UNQDISKID + "|" + e.GENRE + "|" + e.MAKEID + "|" + std::to_string(e.MAKEPREF) + "|" +
                      std::to_string(e.track));
    return out;
}

// The selection handed on one entry at a time, ordered in runs of any size that are merged
// as they are read back, is the very queue one sort of everything makes: the same entries,
// equal ones in reading order, the same duplicates gone, and counted beforehand.
TEST(Selection, OrderedInRunsAsInOneSort) {
    std::mt19937 rng(11);
    const char* titles[] = {"Hello", "HELLO", "Rain", "\xC3\x89t\xC3\xA9", "Atlas", "", "Zebra Crossing"};
    const char* artists[] = {"Adele", "ADELE ", "The Beatles", "Beatles, The", "Smith, John", "Cole Avery",
                             "Zo\xC3\xAB (W/Vocals)", ""};
    const char* makes[] = {"SC", "CB", "PI", "ZZ", ""};
    std::vector<SongBookRecord> book;
    for (int i = 0; i < 2500; ++i) {
        book.push_back(listing(titles[rng() % 7], artists[rng() % 8], "SC" + std::to_string(1000 + i / 15),
                               static_cast<std::uint32_t>(i % 15 + 1), makes[rng() % 5]));
        if (i % 13 == 0) book.back().PRINT = "X";
    }
    for (int sort : {1, 2})
        for (int duplicates : {0, 1})
            for (int names : {0, 1})
                for (std::size_t runBytes : {std::size_t{1} << 30, std::size_t{20000}, std::size_t{1}}) {
                    SCOPED_TRACE("sort " + std::to_string(sort) + " duplicates " + std::to_string(duplicates) +
                                 " names " + std::to_string(names) + " run " + std::to_string(runBytes));
                    PrintSettings s;
                    s.PrintSort = static_cast<std::uint16_t>(sort);
                    s.RemoveDuplicates = static_cast<std::uint16_t>(duplicates);
                    s.NameFormat = static_cast<std::uint16_t>(names);
                    s.RemoveVocals = 1;
                    s.PrefCodes = "CBSC";
                    const auto expected = select(book, s);
                    SongBookSelection selection(s, runBytes);
                    for (const auto& l : book) ASSERT_TRUE(selection.add(l));
                    ASSERT_TRUE(selection.finish()) << selection.error();
                    EXPECT_EQ(selection.count(), static_cast<long long>(expected.size()));
                    std::vector<SelectionEntry> got;
                    for (SelectionEntry e; selection.next(e);) got.push_back(e);
                    EXPECT_EQ(whole(got), whole(expected));
                }
}

TEST(Selection, FirstListingWithBlankTitleAndArtistIsKept) {
    PrintSettings s;
    s.RemoveDuplicates = 1;
    auto q = select({listing("", "", "SC0001", 1), listing("", "", "SC0001", 2), listing("A", "B", "SC0002", 1)}, s);
    EXPECT_EQ(q.size(), 2u);
}

TEST(Selection, DateDuetAndGenreFilters) {
    std::vector<SongBookRecord> book = {listing("Early", "A", "SC1", 1), listing("Inside", "B", "SC1", 2),
                                        listing("Late", "C", "SC1", 3)};
    book[0].DATEADDED.day = rt::date(1, 1, 2024);
    book[1].DATEADDED.day = rt::date(2, 1, 2024);
    book[2].DATEADDED.day = rt::date(3, 2, 2024);
    book[1].DUET = "X";
    book[2].DUET = "X";
    book[0].GENRE = "Rock";
    book[2].GENRE = "rock";
    PrintSettings s;
    s.FilterReport = 1;
    s.StartDate = rt::date(1, 1, 2024);
    s.EndDate = rt::date(3, 1, 2024);
    EXPECT_EQ(select(book, s).size(), 2u);
    s.FilterDuets = 1;
    EXPECT_EQ(printed(select(book, s)), std::vector<std::string>{"Inside / B / SC1"});
    s = PrintSettings{};
    s.FilterGenre = 1;
    s.PrintGenre = "Rock";
    EXPECT_EQ(printed(select(book, s)), std::vector<std::string>{"Early / A / SC1"});
}

TEST(SongNumbers, DiscIdTrackAndHiddenColumn) {
    PrintSettings s;
    struct Case {
        const char* disc;
        std::uint32_t track;
        const char* alt;
        bool asNumber;
        const char* number;
    } cases[] = {
        {"SC1001", 0, "101", false, "101"},   {"SC1001", 7, "101", false, "101-07"},
        {"SC1001", 12, "101", false, "101-12"}, {"SC1001", 123, "101", false, "101-123"},
        {"*", 7, "", true, "7"},              {"*", 7, "", false, "07"},
        {"GONE01", 7, "", false, "-07"},      {"GONE01", 0, "", false, ""},
        {"SC1001", 4000000000u, "101", false, "101-4000000000"},
    };
    for (const Case& c : cases) {
        auto e = SelectEntry(listing("T", "A", c.disc, c.track), s);
        ASSERT_TRUE(e);
        EXPECT_EQ(SongNumber(*e, c.alt, c.asNumber, s), c.number) << c.disc << " " << c.track;
    }
    auto e = SelectEntry(listing("T", "A", "SC1001", 7), s);
    EXPECT_EQ(MakeText(*e, s), "SC");
    s.SHOWSONGNUM = 1;
    s.ShowMake = 1;
    EXPECT_EQ(SongNumber(*e, "101", false, s), "");
    EXPECT_EQ(MakeText(*e, s), "");
}

}  // namespace
