// Window placement kept in "songbook.ini" through the task-window frame, as a host sees it:
// a dialog moved, sized, maximized or minimized and closed, then opened again.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "frontend/headless/driver.h"
#include "runtime/files/ini.h"
#include "runtime/window/frontend.h"
#include "runtime/window/window.h"
#include "services/TaskWindow.h"
#include "services/WindowPlacement.h"
#include "support/data_fixture.h"

namespace {

constexpr const char* kIni = "songbook.ini";
constexpr const char* kSection = "testdialog";
constexpr int kX = -1, kY = -1, kW = 200, kH = 120;  // the dialog's designed placement

struct Opened {
    int x = 0, y = 0, w = 0, h = 0;
    bool maximized = false;
};

// A dialog that keeps its placement; `opened` receives its placement once it is open.
void placedDialog(bool resizable, Opened* opened) {
    TaskWindow w("Placed", rt::WindowKind::Dialog, kX, kY, kW, kH, {}, kSection);
    w.setResizable(resizable);
    w.button("?OK", "OK", 140, 100, 50, 14);
    w.open();
    if (opened) *opened = {w.x(), w.y(), w.width(), w.height(), w.maximized()};
    while (w.accept()) {
        if (w.code() == rt::EvAccepted) w.close();
    }
}

class PlacementTest : public ::testing::Test {
protected:
    void TearDown() override { d_.end(); }

    void start(bool resizable = true) {
        ASSERT_TRUE(d_.start([this, resizable] { placedDialog(resizable, &opened_); })) << d_.error();
        ASSERT_NE(d_.active(), nullptr) << d_.windows();
    }
    // What the front end reports when the host moves, sizes, maximizes or minimizes.
    void send(int code, const std::string& text = {}) {
        rt::EventData e(code);
        if (!text.empty()) {
            e.text = text;
            e.hasText = true;
        }
        ASSERT_TRUE(rt::input(d_.active()->id, e));
        ASSERT_TRUE(d_.settle()) << d_.error();
    }
    void put(const std::string& key, const std::string& value) { rt::putIni(kSection, key, value, kIni); }
    std::string get(const std::string& key) { return rt::getIni(kSection, key, "<none>", kIni); }

    fixture::ScopedConfigHome config_;
    headless::Driver d_;
    Opened opened_;
};

TEST_F(PlacementTest, MaximizedDialogSavesItsRestoredPlacementAndOpensMaximizedAgain) {
    start();
    send(rt::EvMoved, "30,40");
    send(rt::EvSized, "250,180");
    send(rt::EvMaximized);
    ASSERT_TRUE(d_.close()) << d_.error();
    ASSERT_FALSE(d_.running());

    EXPECT_EQ(get("Maximize"), "Yes");
    EXPECT_EQ(get("XPosit"), "30");
    EXPECT_EQ(get("YPosit"), "40");
    EXPECT_EQ(get("Width"), "250");
    EXPECT_EQ(get("Height"), "180");

    start();
    EXPECT_TRUE(opened_.maximized);
    EXPECT_TRUE(d_.active()->maximized);
    EXPECT_EQ(opened_.x, 30);
    EXPECT_EQ(opened_.y, 40);
    EXPECT_EQ(opened_.w, 250);
    EXPECT_EQ(opened_.h, 180);

    // Restored and closed again: the next opening is not maximized.
    send(rt::EvRestored);
    ASSERT_TRUE(d_.press("OK")) << d_.error();
    EXPECT_EQ(get("Maximize"), "No");
    start();
    EXPECT_FALSE(opened_.maximized);
    EXPECT_EQ(opened_.x, 30);
}

TEST_F(PlacementTest, ClosingMinimizedLeavesTheSectionUnchanged) {
    // Minimized alone, and minimized after being maximized.
    for (bool maximizedFirst : {false, true}) {
        SCOPED_TRACE(maximizedFirst ? "maximized, then minimized" : "minimized");
        put("Maximize", "No");
        put("XPosit", "11");
        put("YPosit", "12");
        put("Width", "210");
        put("Height", "130");
        const std::string before = fixture::readText(rt::iniPath(kIni));
        start();
        send(rt::EvMoved, "70,80");
        if (maximizedFirst) send(rt::EvMaximized);
        send(rt::EvIconized);
        ASSERT_TRUE(d_.close()) << d_.error();
        EXPECT_EQ(fixture::readText(rt::iniPath(kIni)), before);
    }
}

struct RestoreCase {
    const char* what;
    bool resizable;
    const char* x;  // nullptr: key missing
    const char* y;
    const char* w;
    const char* h;
    const char* maximize;
    Opened expected;
};

class RestoreTest : public PlacementTest, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(RestoreTest, OpensWithWhatTheSectionAllows) {
    const RestoreCase& c = GetParam();
    const std::pair<const char*, const char*> keys[] = {
        {"XPosit", c.x}, {"YPosit", c.y}, {"Width", c.w}, {"Height", c.h}, {"Maximize", c.maximize}};
    for (auto [key, value] : keys)
        if (value) put(key, value);
    start(c.resizable);
    EXPECT_EQ(opened_.x, c.expected.x);
    EXPECT_EQ(opened_.y, c.expected.y);
    EXPECT_EQ(opened_.w, c.expected.w);
    EXPECT_EQ(opened_.h, c.expected.h);
    EXPECT_EQ(opened_.maximized, c.expected.maximized);
}

INSTANTIATE_TEST_SUITE_P(
    Sections, RestoreTest,
    ::testing::Values(
        RestoreCase{"NoSection", true, nullptr, nullptr, nullptr, nullptr, nullptr, {kX, kY, kW, kH, false}},
        RestoreCase{"Saved", true, "30", "40", "250", "180", "No", {30, 40, 250, 180, false}},
        RestoreCase{"SavedMaximized", true, "30", "40", "250", "180", "Yes", {30, 40, 250, 180, true}},
        // XPosit 0 or missing: the whole section is ignored, Maximize included.
        RestoreCase{"XPositZero", true, "0", "40", "250", "180", "Yes", {kX, kY, kW, kH, false}},
        RestoreCase{"XPositMissing", true, nullptr, "40", "250", "180", "Yes", {kX, kY, kW, kH, false}},
        RestoreCase{"XPositNotANumber", true, "left", "40", "250", "180", "Yes", {kX, kY, kW, kH, false}},
        // A 0 further on keeps the designed placement but still honours Maximize.
        RestoreCase{"YPositZero", true, "30", "0", "250", "180", "Yes", {kX, kY, kW, kH, true}},
        RestoreCase{"WidthMissing", true, "30", "40", nullptr, "180", "No", {kX, kY, kW, kH, false}},
        // A dialog that cannot be resized moves and keeps its own size.
        RestoreCase{"FixedSizeOnlyMoves", false, "30", "40", "250", "180", "No", {30, 40, kW, kH, false}},
        RestoreCase{"FixedSizeWithoutSize", false, "30", "40", nullptr, nullptr, "No", {30, 40, kW, kH, false}},
        RestoreCase{"MaximizeOtherText", true, "30", "40", "250", "180", "1", {30, 40, 250, 180, false}},
        // Only the text the save writes maximizes.
        RestoreCase{"MaximizeInOtherCase", true, "30", "40", "250", "180", "yes", {30, 40, 250, 180, false}}),
    [](const ::testing::TestParamInfo<RestoreCase>& i) { return std::string(i.param.what); });

TEST_F(PlacementTest, ServicesWorkOnTheCurrentWindow) {
    put("XPosit", "5");
    put("YPosit", "6");
    put("Width", "300");
    put("Height", "200");
    put("Maximize", "No");
    Opened restored;
    ASSERT_TRUE(d_.start([&] {
        rt::Window w("Plain", rt::WindowKind::Dialog, -1, -1, 100, 80);
        w.setResizable(true);
        w.open();
        RestoreWindowPlacement(kIni, kSection);
        restored = {w.x(), w.y(), w.width(), w.height(), w.maximized()};
        w.setGeometry(7, 8, 90, 70);
        SaveWindowPlacement(kIni, kSection);
    })) << d_.error();
    EXPECT_EQ(restored.x, 5);
    EXPECT_EQ(restored.w, 300);
    EXPECT_EQ(get("XPosit"), "7");
    EXPECT_EQ(get("YPosit"), "8");
    EXPECT_EQ(get("Width"), "90");
    EXPECT_EQ(get("Height"), "70");
}

}  // namespace
