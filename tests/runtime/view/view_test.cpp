// Selections: key order, left-outer joins, ranges, filters, positions and counts.
#include <functional>

#include "runtime/record/record_fixture.h"
#include "runtime/view/view.h"

using namespace testfiles;

namespace {

class Views : public RecordFiles {
protected:
    void SetUp() override {
        RecordFiles::SetUp();
        struct L {
            const char *title, *artist, *disc;
            std::uint32_t track;
            const char* duet;
        };
        for (const L& l : {L{"Angel", "Aerowind", "D1", 1, ""}, L{"Bettony", "Kit", "D2", 1, "X"},
                           L{"Cranberry", "Peggy", "D3", 1, ""}, L{"Dream", "Peggy", "D3", 2, "X"},
                           L{"Eyes", "Kit", "d3", 3, ""}, L{"Fame", "Iris", "", 0, ""}}) {
            songs.clearBuffer();
            songs.TITLE = l.title;
            songs.ARTIST = l.artist;
            songs.UNQDISKID = l.disc;
            songs.DISKTRACKNO = l.track;
            songs.DUET = l.duet;
            songs.add();
            ASSERT_EQ(rt::errorCode(), 0);
        }
        for (auto [id, alt] : {std::pair{"D1", "CU1"}, {"D3", "CU3a"}, {"D3", "CU3b"}, {"D4", "CU4"}}) {
            discs.clearBuffer();
            discs.UNQDISKID = id;
            discs.ALTDISKID = alt;
            discs.add();
            ASSERT_EQ(rt::errorCode(), 0);
        }
    }

    rt::View& withDiscs(rt::View& v) {
        return v.join(discs, Discs::KUNQDISKID, 1, [this] { discs.UNQDISKID = songs.UNQDISKID; });
    }

    std::string label(bool joined) const {
        return songs.TITLE.str() + (joined ? "/" + (discs.ALTDISKID.blank() ? std::string("-") : discs.ALTDISKID.str()) : "");
    }

    std::vector<std::string> rows(rt::View& v, bool joined, int dir = +1) {
        std::vector<std::string> out;
        for (;;) {
            dir > 0 ? v.next() : v.previous();
            if (rt::errorCode() != 0) break;
            out.push_back(label(joined));
        }
        EXPECT_EQ(rt::errorCode(), rt::NoRecord);
        return out;
    }
};

struct ViewCase {
    const char* name;
    const rt::Key* order;
    bool joined;
    int range;
    std::function<void(Listings&)> buffer;  // the primary buffer at open()
    std::function<bool(const Listings&, const Discs&)> keep;
    std::vector<std::string> expected;      // in order; previous() from the end reads them reversed
    const char* containsField = nullptr;    // containing(): the field and its text
    std::string containsText{};
};

const ViewCase kViewCases[] = {
    {"JoinKeepsPrimariesWithoutPartnersAndRepeatsForEachPartner", &Listings::KMATCHSONG, true, 0, nullptr, nullptr,
     {"Angel/CU1", "Bettony/-", "Cranberry/CU3a", "Cranberry/CU3b", "Dream/CU3a", "Dream/CU3b", "Eyes/CU3a", "Eyes/CU3b",
      "Fame/-"}},
    {"PlainKeyOrderLeavesOutBlankKeys", &Listings::KDISKID, false, 0, nullptr, nullptr,
     {"Angel", "Bettony", "Cranberry", "Dream", "Eyes"}},
    {"RangeOnTheFirstKeyField", &Listings::KUNQDISKID, false, 1, [](Listings& s) { s.UNQDISKID = "d3"; }, nullptr,
     {"Cranberry", "Dream", "Eyes"}},
    {"RangeOnTwoKeyFields", &Listings::KUNQDISKID, true, 2,
     [](Listings& s) {
         s.UNQDISKID = "D3";
         s.DISKTRACKNO = 2;
     },
     nullptr, {"Dream/CU3a", "Dream/CU3b"}},
    {"RangeWithoutRecords", &Listings::KUNQDISKID, true, 1, [](Listings& s) { s.UNQDISKID = "D9"; }, nullptr, {}},
    {"Filter", &Listings::KMATCHSONG, false, 0, nullptr,
     [](const Listings& s, const Discs&) { return s.DUET.str() == "X"; }, {"Bettony", "Dream"}},
    {"FilterOverJoinedBuffers", &Listings::KMATCHSONG, true, 0, nullptr,
     [](const Listings&, const Discs& d) { return d.ALTDISKID.str() == "CU3b" || d.ALTDISKID.blank(); },
     {"Bettony/-", "Cranberry/CU3b", "Dream/CU3b", "Eyes/CU3b", "Fame/-"}},
    {"RangeFilterAndJoin", &Listings::KUNQDISKID, true, 1, [](Listings& s) { s.UNQDISKID = "D3"; },
     [](const Listings& s, const Discs& d) { return s.ARTIST.str() == "Peggy" && d.ALTDISKID.str() == "CU3a"; },
     {"Cranberry/CU3a", "Dream/CU3a"}},
    {"ContainsOnTheKeysFirstField", &Listings::KMATCHSONG, false, 0, nullptr, nullptr, {"Angel", "Cranberry"}, "TITLE",
     "an"},
    {"ContainsOnAFieldOutsideTheKey", &Listings::KDISKID, false, 0, nullptr, nullptr, {"Cranberry", "Dream"}, "ARTIST",
     "PEG"},
    {"ContainsWithRangeAndJoin", &Listings::KUNQDISKID, true, 1, [](Listings& s) { s.UNQDISKID = "D3"; }, nullptr,
     {"Cranberry/CU3a", "Cranberry/CU3b", "Dream/CU3a", "Dream/CU3b"}, "TITLE", "r"},
    {"ContainsAndFilter", &Listings::KMATCHSONG, false, 0, nullptr,
     [](const Listings& s, const Discs&) { return s.DUET.str() == "X"; }, {"Dream"}, "TITLE", "r"},
    {"ContainsNothingFoundReadsNoRow", &Listings::KMATCHSONG, true, 0, nullptr, nullptr, {}, "TITLE", "no such"},
};

class ViewRows : public Views, public ::testing::WithParamInterface<ViewCase> {};

TEST_P(ViewRows, ForwardsBackwardsAndCounted) {
    const ViewCase& c = GetParam();
    rt::View v(songs, *c.order);
    if (c.joined) withDiscs(v);
    v.range(c.range);
    if (c.keep) v.filter([&] { return c.keep(songs, discs); });
    if (c.containsField) v.containing(c.containsField, [&] { return c.containsText; });
    songs.clearBuffer();
    if (c.buffer) c.buffer(songs);
    v.open();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    v.set();
    EXPECT_EQ(rows(v, c.joined), c.expected);
    v.set();
    std::vector<std::string> back(c.expected.rbegin(), c.expected.rend());
    EXPECT_EQ(rows(v, c.joined, -1), back);
    EXPECT_EQ(v.count(), static_cast<long long>(c.expected.size()));
}

INSTANTIATE_TEST_SUITE_P(Cases, ViewRows, ::testing::ValuesIn(kViewCases),
                         [](const ::testing::TestParamInfo<ViewCase>& i) { return i.param.name; });

// containing() compares as the keys do: letter case ignored, accented letters too; trailing
// blanks of the text removed, leading ones kept; an empty text finds nothing.
struct ContainsCase {
    const char* text;
    std::vector<std::string> titles;  // in the key's order (accented capitals after Z)
};

const ContainsCase kContains[] = {
    {"été", {"rue de l'été", "Été indien"}},
    {"ÉTÉ", {"rue de l'été", "Été indien"}},
    {"ça", {"ÇA PLANE"}},
    {"über", {"Über Alles"}},
    {"plain  ", {"Plain"}},
    {" de", {"rue de l'été"}},
    {"e", {"rue de l'été", "ÇA PLANE", "Été indien", "Über Alles"}},
    {"", {}},
    {"   ", {}},
    {"ete", {}},
};

class Containing : public RecordFiles, public ::testing::WithParamInterface<ContainsCase> {};

TEST_P(Containing, FindsAsTheKeysCompare) {
    for (const char* t : {"Plain", "Été indien", "ÇA PLANE", "Über Alles", "rue de l'été"}) ASSERT_EQ(addSong(t), 0);
    const ContainsCase& c = GetParam();
    rt::View v(songs, Listings::KMATCHSONG);
    v.containing("TITLE", [&] { return std::string(c.text); });
    v.open();
    ASSERT_EQ(rt::errorCode(), 0) << rt::error();
    std::vector<std::string> found;
    for (v.next(); rt::errorCode() == 0; v.next()) found.push_back(songs.TITLE.str());
    EXPECT_EQ(rt::errorCode(), rt::NoRecord);
    EXPECT_EQ(found, c.titles);
    EXPECT_EQ(v.count(), static_cast<long long>(c.titles.size()));
    if (c.titles.size() < 2) return;
    // A saved row leads back into the same selection.
    v.set();
    v.next();
    const std::string first = v.position();
    v.next();
    v.reset(first);
    v.next();
    EXPECT_EQ(songs.TITLE.str(), c.titles[0]);
    v.next();
    EXPECT_EQ(songs.TITLE.str(), c.titles[1]);
}

INSTANTIATE_TEST_SUITE_P(Texts, Containing, ::testing::ValuesIn(kContains));

TEST_F(Views, ContainingAFieldTheFileHasNotFailsToOpen) {
    rt::View v(songs, Listings::KTITLE);
    v.containing("NOSUCHFIELD", [] { return std::string("x"); });
    v.open();
    EXPECT_EQ(rt::errorCode(), rt::InvalidRecordDeclaration);
    EXPECT_FALSE(v.isOpen());
}

TEST_F(Views, ResetToASavedRowAmongPartners) {
    rt::View v(songs, Listings::KMATCHSONG);
    withDiscs(v).open();
    ASSERT_EQ(rt::errorCode(), 0);
    v.set();
    std::vector<std::string> positions, labels;
    for (v.next(); rt::errorCode() == 0; v.next()) {
        positions.push_back(v.position());
        labels.push_back(label(true));
        EXPECT_LE(positions.back().size(), 512u);
    }
    ASSERT_EQ(labels.size(), 9u);
    for (std::size_t i = 0; i < labels.size(); ++i) {
        SCOPED_TRACE(labels[i]);
        v.reset(positions[i]);
        v.next();
        ASSERT_EQ(rt::errorCode(), 0);
        EXPECT_EQ(label(true), labels[i]);
        EXPECT_EQ(v.position(), positions[i]);
        v.reset(positions[i]);
        v.previous();
        if (i == 0) {
            EXPECT_EQ(rt::errorCode(), rt::NoRecord);
        } else {
            ASSERT_EQ(rt::errorCode(), 0);
            EXPECT_EQ(label(true), labels[i - 1]);
        }
    }
    // The count does not move the view.
    v.reset(positions[4]);
    v.next();
    EXPECT_EQ(v.count(), 9);
    v.next();
    EXPECT_EQ(label(true), labels[5]);
}

TEST_F(Views, ResetAfterTheSavedRowIsGone) {
    rt::View v(songs, Listings::KMATCHSONG);
    withDiscs(v).open();
    v.set();
    for (int i = 0; i < 4; ++i) v.next();
    ASSERT_EQ(label(true), "Cranberry/CU3b");
    std::string cranberry = v.position();
    // The second partner goes: the row after it is the next primary's first.
    discs.clearBuffer();
    discs.ALTDISKID = "CU3b";
    discs.get(Discs::KALTDISKID);
    ASSERT_EQ(rt::errorCode(), 0);
    discs.del();
    v.reset(cranberry);
    v.next();
    EXPECT_EQ(label(true), "Dream/CU3a");
    v.reset(cranberry);
    v.previous();
    EXPECT_EQ(label(true), "Cranberry/CU3a");
    // The primary goes too.
    songs.clearBuffer();
    songs.TITLE = "Cranberry";
    songs.ARTIST = "Peggy";
    songs.get(Listings::KMATCHSONG);
    songs.del();
    v.reset(cranberry);
    v.next();
    EXPECT_EQ(label(true), "Dream/CU3a");
    v.reset(cranberry);
    v.previous();
    EXPECT_EQ(label(true), "Bettony/-");
}

TEST_F(Views, SetAtStartsAtTheBufferValues) {
    rt::View v(songs, Listings::KMATCHSONG);
    withDiscs(v).open();
    songs.clearBuffer();
    songs.TITLE = "cz";
    v.setAt();
    v.next();
    EXPECT_EQ(label(true), "Dream/CU3a");
    songs.clearBuffer();
    songs.TITLE = "cz";
    v.setAt();
    v.previous();
    EXPECT_EQ(label(true), "Cranberry/CU3b");
    // With a range, setAt takes the range from the buffer as well.
    rt::View r(songs, Listings::KUNQDISKID);
    r.range(1).open();
    songs.clearBuffer();
    songs.UNQDISKID = "D3";
    songs.DISKTRACKNO = 2;
    r.setAt();
    EXPECT_EQ(rows(r, false), (std::vector<std::string>{"Dream", "Eyes"}));
    songs.clearBuffer();
    songs.UNQDISKID = "D3";
    songs.DISKTRACKNO = 2;
    r.setAt();
    EXPECT_EQ(rows(r, false, -1), (std::vector<std::string>{"Dream", "Cranberry"}));
}

TEST_F(Views, AFailedReadStaysOnTheLastRow) {
    rt::View v(songs, Listings::KMATCHSONG);
    v.filter([this] { return songs.TITLE.str() != "Fame"; }).open();
    v.set();
    std::vector<std::string> all = rows(v, false);
    ASSERT_EQ(all.back(), "Eyes");
    v.previous();
    EXPECT_EQ(label(false), "Dream");
    v.next();
    EXPECT_EQ(label(false), "Eyes");
}

TEST_F(Views, RowsFillTheCurrentRecords) {
    rt::View v(songs, Listings::KMATCHSONG);
    withDiscs(v).open();
    v.set();
    v.next();
    v.next();
    ASSERT_EQ(label(true), "Bettony/-");
    EXPECT_TRUE(songs.hasCurrent());
    EXPECT_FALSE(discs.hasCurrent());  // no partner: nothing to write back
    songs.GENRE = "Pop";
    songs.put();
    EXPECT_EQ(rt::errorCode(), 0);
    // Deleting the row's primary while reading goes on with the next one.
    songs.del();
    v.next();
    EXPECT_EQ(label(true), "Cranberry/CU3a");
}

TEST_F(Views, ErrorsOnOpen) {
    rt::View wrongKey(songs, Discs::KMAKEID);
    wrongKey.open();
    EXPECT_NE(rt::errorCode(), 0);
    EXPECT_FALSE(wrongKey.isOpen());
    discs.close();
    rt::View closedJoin(songs, Listings::KMATCHSONG);
    withDiscs(closedJoin).open();
    EXPECT_EQ(rt::errorCode(), rt::NotOpen);
    EXPECT_FALSE(closedJoin.isOpen());
    closedJoin.next();
    EXPECT_EQ(rt::errorCode(), rt::NotOpen);
}

}  // namespace
