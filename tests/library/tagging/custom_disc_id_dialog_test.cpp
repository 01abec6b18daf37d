#include <algorithm>

#include "library/CustomDiscIdDialog.h"
#include "runtime/window/frontend.h"
#include "tagging_fixture.h"

namespace tagging_test {
namespace {

const char* const kTitle = "Custom/Alternate Disc ID";

// What the caller finds right after the dialog returned.
struct Answer {
    std::string mfr, custom, genre;
    int cancelled = -1;
};

Answer takeAnswer() {
    return {TagQue.QUEUNQDISKID.str(), TagQue.DISKID.str(), TagQue.QUEGENRE.str(), DialogCancelled};
}

const rt::Control* byName(const rt::WindowState& w, const std::string& name) {
    for (const auto& c : w.controls)
        if (c.name == name) return &c;
    return nullptr;
}

class CustomDiscIdDialogTest : public TaggingTest {
protected:
    // Opens the dialog for a disc, as a caller does; the answer is taken when it returns.
    void open(const std::string& mfr, const std::string& bufferBefore = "set by caller") {
        ASSERT_TRUE(d_.start([this, mfr, bufferBefore] {
            TagQue.clearBuffer();
            TagQue.QUEUNQDISKID = mfr;
            TagQue.DISKID = bufferBefore;
            CustomDiscIdDialog();
            answer_ = takeAnswer();
        })) << d_.error();
    }
    bool showing() {
        auto a = d_.active();
        return d_.running() && a && a->title == kTitle;
    }
    int focusedControl(const std::string& name) {
        auto a = d_.active();
        const rt::Control* c = a ? byName(*a, name) : nullptr;
        return c && a->focus == c->id;
    }
    void resetSongBook() {
        onThread([] { SBD.create(); });
    }

    headless::Driver d_;
    Answer answer_;
};

TEST_F(CustomDiscIdDialogTest, OpensWithTheManufacturerIdAndTheSortedGenres) {
    open("CV0101");
    ASSERT_TRUE(showing()) << d_.windows();
    EXPECT_EQ(d_.value("Custom/Alternate Disc ID:"), "CV0101");
    auto genre = d_.control("(Optional) GENRE:");
    ASSERT_TRUE(genre.has_value());
    EXPECT_EQ(genre->value, "");
    ASSERT_EQ(genre->columns.size(), 1u);
    EXPECT_EQ(genre->columns[0].header, "Genre");
    EXPECT_EQ(genre->choices, (std::vector<std::string>{"Ballads", "Country", "Duets", "Latin", "Party Classics",
                                                        "Pop", "Rock", "Soul & R&B"}));
    EXPECT_TRUE(focusedControl("?AutoNumber"));
    EXPECT_EQ(d_.text("?MessageLine"), "");
    EXPECT_TRUE(d_.control("Enter a Custom/Alternate ID for this disc if desired.").has_value());
    EXPECT_TRUE(d_.control("ALL Tracks found on this Disc will be entered with the GENRE selected above!").has_value());
    ASSERT_TRUE(d_.press("Cancel"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(answer_.cancelled, 1);
}

TEST_F(CustomDiscIdDialogTest, AutoNumberProposesOneAboveTheHighestNumber) {
    struct Case {
        std::vector<std::string> discIds, tagIds;
        const char* proposed;
    } cases[] = {
        {{"7", "12A", "CB101"}, {}, "102"},
        {{}, {}, "1"},
        {{"3"}, {"200"}, "201"},
        {{"70000"}, {}, "70001"},           // above 16 bits
        {{"CB40000", "5"}, {}, "40001"},    // would be negative in 16 signed bits
        {{"1E20"}, {}, "999999999999999"},  // no wider id exists
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.proposed);
        resetSongBook();
        int n = 0;
        for (const auto& id : c.discIds) addDisc("ZZ000" + std::to_string(++n), id);
        TagQue.free();
        for (const auto& id : c.tagIds) tag("YY000" + std::to_string(++n), id);
        open("CV0101");
        ASSERT_TRUE(d_.type("(Optional) GENRE:", "Pop"));
        ASSERT_TRUE(d_.press("AutoNumber")) << d_.error();
        EXPECT_EQ(d_.value("Custom/Alternate Disc ID:"), c.proposed);
        EXPECT_EQ(d_.value("(Optional) GENRE:"), "Pop");
        ASSERT_TRUE(d_.press("OK"));
        EXPECT_FALSE(d_.running());
        EXPECT_EQ(answer_.custom, c.proposed);
        EXPECT_EQ(answer_.cancelled, 0);
    }
}

TEST_F(CustomDiscIdDialogTest, AnIdCarriedByATagOrADiscIsRefused) {
    struct Case {
        const char* what;
        const char* discId;  // custom id of a disc of the SongBook
        const char* tagId;   // custom id of another tag
        const char* typed;
        bool used;
    } cases[] = {
        {"disc, other case", "CB101", nullptr, "cb101", true},
        {"disc, same case", "CB101", nullptr, "CB101", true},
        {"tag", nullptr, "55", "55", true},
        {"tag, other case", nullptr, "x9", "X9", true},
        {"cut to 15 characters", "ABCDEFGHIJKLMNO", nullptr, "ABCDEFGHIJKLMNOPQ", true},
        {"blank, blank tag", nullptr, "", "", true},
        {"free", "CB101", "55", "CB102", false},
        {"blank, no blank tag", "CB101", "55", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        resetSongBook();
        if (c.discId) addDisc("ZZ0001", c.discId);
        TagQue.free();
        if (c.tagId) tag("YY0001", c.tagId);
        open("CV0101");
        d_.clearBeeps();
        ASSERT_TRUE(d_.type("Custom/Alternate Disc ID:", c.typed));
        ASSERT_TRUE(d_.press("OK"));
        if (c.used) {
            ASSERT_TRUE(showing()) << d_.windows();
            EXPECT_EQ(d_.text("?MessageLine"), "Custom Disc ID Already Used!");
            EXPECT_EQ(d_.beeps().size(), 1u);
            EXPECT_TRUE(focusedControl("?QUE:DISKID"));
            EXPECT_EQ(d_.value("Custom/Alternate Disc ID:"), c.typed);
            ASSERT_TRUE(d_.press("Cancel"));
            EXPECT_FALSE(d_.running());
            EXPECT_EQ(answer_.cancelled, 1);
            EXPECT_EQ(answer_.custom, "set by caller");  // a cancelled dialog writes nothing
        } else {
            EXPECT_FALSE(d_.running()) << d_.windows();
            EXPECT_EQ(answer_.cancelled, 0);
            EXPECT_EQ(answer_.custom, c.typed);
            EXPECT_EQ(answer_.mfr, "CV0101");
        }
    }
}

TEST_F(CustomDiscIdDialogTest, TheGenreMustBeOneOfTheList) {
    open("CV0101");
    d_.clearBeeps();
    ASSERT_TRUE(d_.type("(Optional) GENRE:", "Opera"));
    EXPECT_TRUE(focusedControl("?QUE:QUEGENRE"));
    EXPECT_EQ(d_.beeps().size(), 1u);
    ASSERT_TRUE(d_.press("OK"));
    ASSERT_TRUE(showing()) << "an unknown genre must not be taken";
    EXPECT_TRUE(focusedControl("?QUE:QUEGENRE"));
    ASSERT_TRUE(d_.type("(Optional) GENRE:", "soul & r&b"));
    EXPECT_EQ(d_.value("(Optional) GENRE:"), "Soul & R&B");
    ASSERT_TRUE(d_.type("Custom/Alternate Disc ID:", "CB7"));
    ASSERT_TRUE(d_.press("OK"));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(answer_.cancelled, 0);
    EXPECT_EQ(answer_.mfr, "CV0101");
    EXPECT_EQ(answer_.custom, "CB7");
    EXPECT_EQ(answer_.genre, "Soul & R&B");
}

TEST_F(CustomDiscIdDialogTest, CancelAndTheCloseBoxBothCancel) {
    for (const bool closeBox : {false, true}) {
        SCOPED_TRACE(closeBox ? "close box" : "Cancel");
        DialogCancelled = 0;
        open("CV0101");
        ASSERT_TRUE(d_.type("Custom/Alternate Disc ID:", "CB9"));
        ASSERT_TRUE(closeBox ? d_.close() : d_.press("Cancel"));
        EXPECT_FALSE(d_.running());
        EXPECT_EQ(answer_.cancelled, 1);
        EXPECT_EQ(answer_.custom, "set by caller");
    }
}

TEST_F(CustomDiscIdDialogTest, SkippingTheQueryGivesTheManufacturerIdWithoutAWindow) {
    SkipCustomDiscIdQuery = 1;
    DialogCancelled = 1;
    ASSERT_TRUE(d_.start([this] {
        TagQue.clearBuffer();
        TagQue.QUEUNQDISKID = "CV0101";
        TagQue.DISKID = "old";
        TagQue.QUEGENRE = "Pop";
        CustomDiscIdDialog();
        answer_ = takeAnswer();
    }));
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(answer_.cancelled, 0);
    EXPECT_EQ(answer_.custom, "CV0101");
    EXPECT_EQ(answer_.genre, "");
}

// FastFind's dialog and the add-discs window's dialog open at once on two threads: each
// caller gets its own disc, id and genre back.
TEST_F(CustomDiscIdDialogTest, TwoDialogsOpenAtOnceKeepTheirOwnAnswers) {
    Answer first, second;
    ASSERT_TRUE(d_.start([&] {
        rt::startThread([&] {
            TagQue.QUEUNQDISKID = "MX2201";
            CustomDiscIdDialog();
            second = takeAnswer();
        });
        TagQue.QUEUNQDISKID = "CV0101";
        CustomDiscIdDialog();
        first = takeAnswer();
    })) << d_.error();
    std::vector<std::shared_ptr<const rt::WindowState>> dialogs;
    for (const auto& w : d_.state().windows)
        if (w->title == kTitle) dialogs.push_back(w);
    ASSERT_EQ(dialogs.size(), 2u) << d_.windows();
    ASSERT_NE(dialogs[0]->thread, dialogs[1]->thread);
    const auto firstWindow = dialogs[0]->thread < dialogs[1]->thread ? dialogs[0] : dialogs[1];
    const auto secondWindow = firstWindow == dialogs[0] ? dialogs[1] : dialogs[0];

    auto act = [&](const rt::WindowState& w, const std::string& control, const std::string* text) {
        const rt::Control* c = byName(w, control);
        ASSERT_NE(c, nullptr) << control;
        rt::EventData e(rt::EvAccepted, c->id);
        if (text) {
            e.text = *text;
            e.hasText = true;
        }
        ASSERT_TRUE(rt::input(w.id, e));
        ASSERT_TRUE(d_.settle()) << d_.error();
    };
    const std::string a = "A-1", b = "B-2", pop = "Pop";
    EXPECT_EQ(byName(*firstWindow, "?QUE:DISKID")->value, "CV0101");
    EXPECT_EQ(byName(*secondWindow, "?QUE:DISKID")->value, "MX2201");
    act(*firstWindow, "?QUE:DISKID", &a);
    act(*secondWindow, "?QUE:DISKID", &b);
    act(*secondWindow, "?QUE:QUEGENRE", &pop);
    act(*secondWindow, "?OK", nullptr);
    EXPECT_EQ(second.mfr, "MX2201");
    EXPECT_EQ(second.custom, "B-2");
    EXPECT_EQ(second.genre, "Pop");
    EXPECT_EQ(second.cancelled, 0);
    act(*firstWindow, "?OK", nullptr);
    EXPECT_FALSE(d_.running());
    EXPECT_EQ(first.mfr, "CV0101");
    EXPECT_EQ(first.custom, "A-1");
    EXPECT_EQ(first.genre, "");
    EXPECT_EQ(first.cancelled, 0);
}

}  // namespace
}  // namespace tagging_test
