#include <algorithm>

#include "runtime/files/ini.h"
#include "runtime/window/frontend.h"
#include "shell/GettingStarted.h"
#include "startup_fixture.h"

namespace startup_test {
namespace {

TEST_F(StartupTest, GettingStartedShowsItsTextsInOrderAndClosesOnOk) {
    ASSERT_TRUE(d_.start(GettingStarted)) << d_.error();
    const auto w = d_.active();
    ASSERT_NE(w, nullptr) << d_.windows();
    EXPECT_EQ(w->kind, rt::WindowKind::Dialog);
    EXPECT_EQ(w->title, "");

    // Top to bottom; the two texts of a row with an icon between them read left to right.
    std::vector<const rt::Control*> texts;
    std::vector<const rt::Control*> icons;
    for (const auto& c : w->controls) {
        if (c.kind == rt::ControlKind::Text) texts.push_back(&c);
        if (c.kind == rt::ControlKind::Image) icons.push_back(&c);
    }
    std::stable_sort(texts.begin(), texts.end(), [](const rt::Control* a, const rt::Control* b) {
        return a->y != b->y ? a->y < b->y : a->x < b->x;
    });
    std::vector<std::string> read;
    for (const auto* t : texts) read.push_back(t->text);
    const std::vector<std::string> expected = {
        "Getting Started....",
        "This is the Main SongBook Dialog Screen.",
        "From here you'll perform the tasks necessary",
        "to create and maintain your SongBook(s).",
        "The first step in creating your new SongBook is to add your song listings.",
        "To add manufactured disc(s) click the",
        "button on the menu bar",
        "To add individual or custom track listings click the",
        "button on the menu bar",
        "Some icons/functions are disabled until Song Listings have been added.",
        "Context Sensitive Help System",
        "You may obtain context sensitive help for each task",
        "by clicking the \"HELP\" button found on each task screen.",
    };
    EXPECT_EQ(read, expected);

    // Each icon sits between the two texts of its row.
    ASSERT_EQ(icons.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        const rt::Control* before = texts[5 + 2 * i];
        const rt::Control* after = texts[6 + 2 * i];
        EXPECT_GE(icons[i]->x, before->x + before->w);
        EXPECT_LE(icons[i]->x + icons[i]->w, after->x);
        EXPECT_LT(icons[i]->y, before->y + before->h);
        EXPECT_GT(icons[i]->y + icons[i]->h, before->y);
    }

    ASSERT_TRUE(d_.press("OK, let's proceed....")) << d_.error();
    EXPECT_FALSE(d_.running()) << d_.windows();
}

TEST_F(StartupTest, GettingStartedControlsStayInsideTheWindowWithoutOverlapping) {
    ASSERT_TRUE(d_.start(GettingStarted)) << d_.error();
    const auto w = d_.active();
    ASSERT_NE(w, nullptr);
    const auto& cs = w->controls;
    for (std::size_t i = 0; i < cs.size(); ++i) {
        const rt::Control& a = cs[i];
        EXPECT_GE(a.x, 0) << a.name;
        EXPECT_GE(a.y, 0) << a.name;
        EXPECT_LE(a.x + a.w, w->w) << a.name;
        EXPECT_LE(a.y + a.h, w->h) << a.name;
        for (std::size_t j = i + 1; j < cs.size(); ++j) {
            const rt::Control& b = cs[j];
            const bool apart = a.x + a.w <= b.x || b.x + b.w <= a.x || a.y + a.h <= b.y ||
                               b.y + b.h <= a.y;
            EXPECT_TRUE(apart) << a.name << " overlaps " << b.name;
        }
    }
}

TEST_F(StartupTest, GettingStartedKeepsItsPlacementInItsOwnSection) {
    ASSERT_TRUE(d_.start(GettingStarted)) << d_.error();
    rt::EventData moved(rt::EvMoved);
    moved.text = "44,55";
    moved.hasText = true;
    ASSERT_TRUE(rt::input(d_.active()->id, moved));
    ASSERT_TRUE(d_.settle());
    ASSERT_TRUE(d_.press("OK, let's proceed....")) << d_.error();
    EXPECT_EQ(rt::getIni("gettingstarted", "XPosit", "", "songbook.ini"), "44");
    EXPECT_EQ(rt::getIni("gettingstarted", "YPosit", "", "songbook.ini"), "55");

    ASSERT_TRUE(d_.start(GettingStarted)) << d_.error();
    EXPECT_EQ(d_.active()->x, 44);
    EXPECT_EQ(d_.active()->y, 55);
    ASSERT_TRUE(d_.press("OK, let's proceed....")) << d_.error();
}

}  // namespace
}  // namespace startup_test
