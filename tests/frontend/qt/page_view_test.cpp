// The report preview in the Qt front end: page views draw the program's page files, as
// thumbnails and zoomed. With CANTORELLE_SHOTS set to a folder, the windows are saved there as
// pictures to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollArea>
#include <algorithm>
#include <cstdlib>

#include "frontend/headless/driver.h"
#include "frontend/headless/test_report.h"
#include "frontend/qt/page_view.h"
#include "qt_fixture.h"

namespace {

class PreviewInQt : public qtfe_test::FrontEndTest {
protected:
    void shot(qtfe::WindowView* v, const char* name) {
        ASSERT_TRUE(v);
        waitFor([] { return false; }, 600);  // let it lay itself out, tell the program its size, and paint
        if (const char* dir = std::getenv("CANTORELLE_SHOTS"))
            v->top()->grab().save(QString::fromStdString(std::string(dir) + "/" + name + ".png"));
    }
    // The page views showing, each as drawn.
    std::vector<QImage> pages(qtfe::WindowView* v) {
        std::vector<QImage> out;
        for (auto* pv : v->top()->findChildren<qtfe::PageView*>())
            if (pv->isVisible()) out.push_back(pv->widget()->grab().toImage());
        return out;
    }
    static bool inked(const QImage& img) {
        int dark = 0;
        for (int y = 0; y < img.height(); y += 2)
            for (int x = 0; x < img.width(); x += 2)
                if (qGray(img.pixel(x, y)) < 128) ++dark;
        return dark > 20;
    }
};

TEST_F(PreviewInQt, ThumbnailsAndZoomDrawThePages) {
    headless::Driver d;
    ASSERT_TRUE(d.start([] {
        ::CallRequest = 300;  // six pages
        headless::PrintTestReport();
    })) << d.error();
    shot(waitTitled("Report Destination"), "report-destination");
    ASSERT_TRUE(d.press("Ok"));
    ASSERT_TRUE(d.press("Display Thumbnails"));
    ASSERT_TRUE(d.type("Across", "3"));
    ASSERT_TRUE(d.type("Down", "2"));
    ASSERT_TRUE(d.press("OK"));
    qtfe::WindowView* preview = waitTitled("Test Report Preview");
    ASSERT_TRUE(preview);
    preview->top()->resize(1100, 760);
    shot(preview, "preview-3x2");
    auto thumbs = pages(preview);
    ASSERT_EQ(thumbs.size(), 6u);
    for (const auto& t : thumbs) EXPECT_TRUE(inked(t));

    // A click on the second thumbnail shows that page at the page's width; Page Down in the
    // page goes on to the next one.
    std::vector<qtfe::PageView*> views;
    for (auto* pv : preview->top()->findChildren<qtfe::PageView*>())
        if (pv->isVisible()) views.push_back(pv);
    std::sort(views.begin(), views.end(), [](auto* a, auto* b) {
        return a->y() != b->y() ? a->y() < b->y() : a->x() < b->x();
    });
    ASSERT_GE(views.size(), 2u);
    const QPointF at(views[1]->widget()->width() / 2.0, views[1]->widget()->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, views[1]->widget()->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(views[1]->widget(), &press);
    auto zone = [&](std::size_t n) {
        d.settle();
        auto st = d.status();
        return st.size() >= n ? st[n - 1] : std::string();
    };
    EXPECT_TRUE(waitFor([&] { return zone(5) == "Page 2 of 6"; })) << zone(5);
    EXPECT_EQ(zone(2), "Page Width");
    qtfe::PageView* one = nullptr;
    ASSERT_TRUE(waitFor([&] {
        int visible = 0;
        for (auto* pv : preview->top()->findChildren<qtfe::PageView*>())
            if (pv->isVisible()) ++visible, one = pv;
        return visible == 1;
    }));
    QKeyEvent pageDown(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(one, &pageDown);
    EXPECT_TRUE(waitFor([&] { return zone(5) == "Page 3 of 6"; })) << zone(5);

    ASSERT_TRUE(d.type("?ZOOMSTATUS", "Zoom (100%)"));
    shot(preview, "preview-zoom-100");
    auto* zoomed = preview->top()->findChild<qtfe::PageView*>();
    std::vector<qtfe::PageView*> shown;
    for (auto* pv : preview->top()->findChildren<qtfe::PageView*>())
        if (pv->isVisible()) shown.push_back(pv);
    ASSERT_EQ(shown.size(), 1u);
    (void)zoomed;
    EXPECT_EQ(shown[0]->widget()->size(), QSize(816, 1056));  // Letter at 96 pixels an inch

    ASSERT_TRUE(d.press("Print The Report"));
    shot(waitTitled("Print Options"), "print-options");
    ASSERT_TRUE(d.press("Cancel"));
    ASSERT_TRUE(d.press("Exit Without Printing Report"));
    EXPECT_TRUE(d.end());
    endProgram(nullptr);
}

}  // namespace
