// The report preview in the Qt front end: page views draw the program's page files, as
// thumbnails and zoomed. With CANTORELLE_SHOTS set to a folder, the windows are saved there as
// pictures to look at.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QPushButton>
#include <QSpinBox>
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
    static QWidget* widget(qtfe::WindowView* v, const std::string& name) {
        for (const auto& c : v->state().controls)
            if (c.name == name) return v->controlWidget(c.id);
        return nullptr;
    }
    static std::vector<qtfe::PageView*> shownPages(qtfe::WindowView* v) {
        std::vector<qtfe::PageView*> out;
        for (auto* pv : v->top()->findChildren<qtfe::PageView*>())
            if (pv->isVisible()) out.push_back(pv);
        return out;
    }
    std::string zone(std::size_t n) {
        d_.settle();
        auto st = d_.status();
        return st.size() >= n ? st[n - 1] : std::string();
    }
    // The test report's six pages in the preview, past "Report Destination".
    qtfe::WindowView* openPreview() {
        if (!d_.start([] {
                ::CallRequest = 300;
                headless::PrintTestReport();
            }))
            return nullptr;
        if (!waitTitled("Report Destination") || !d_.press("Ok")) return nullptr;
        qtfe::WindowView* v = waitTitled("Test Report Preview");
        if (!v || !waitFor([&] { return v->alive() && v->top()->isVisible() && !shownPages(v).empty(); })) return nullptr;
        v->top()->activateWindow();
        waitFor([&] { return v->top()->isActiveWindow(); }, 2000);
        return v;
    }
    static void keyTo(QWidget* target, int k) {
        QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
    }
    // The focused widget of the window, as the keyboard reaches it.
    static QWidget* focused(qtfe::WindowView* v) {
        QWidget* f = QApplication::focusWidget();
        return f && v->top()->isAncestorOf(f) ? f : nullptr;
    }
    // Also after a failed assertion, so that the next test finds no program, front end or
    // virtual clock of this one.
    void TearDown() override {
        EXPECT_TRUE(d_.end()) << d_.error();
        endProgram(nullptr);
    }

    headless::Driver d_;

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
}

// The preview lays its pages out for the room its window has, and again after every resize:
// "Page Width" fits the page to the window's new width.
TEST_F(PreviewInQt, PagesFitTheWindowAsItIsAndAfterEveryResize) {
    qtfe::WindowView* v = openPreview();
    ASSERT_TRUE(v) << d_.error();
    const qtfe::DialogUnits du = qtfe::DialogUnits::of(v->canvas()->font());
    // No Zoom: the one page fills the room either way it is bound.
    auto fills = [&](qtfe::PageView* pv) {
        const int roomW = v->canvas()->width() - du.px(2), roomH = v->canvas()->height() - du.py(20);
        return std::abs(pv->width() - roomW) <= du.px(1) + 1 || std::abs(pv->height() - roomH) <= du.py(1) + 1;
    };
    ASSERT_TRUE(waitFor([&] { auto p = shownPages(v); return p.size() == 1 && fills(p[0]); }))
        << shownPages(v)[0]->width() << "x" << shownPages(v)[0]->height() << " in " << v->canvas()->width() << "x"
        << v->canvas()->height();

    auto* zoom = qobject_cast<QComboBox*>(widget(v, "?ZOOMSTATUS"));
    ASSERT_NE(zoom, nullptr);
    keyTo(zoom, Qt::Key_Down);  // the next zoom: "Page Width"
    ASSERT_TRUE(waitFor([&] { return zone(2) == "Page Width"; })) << zone(2);
    // The page as wide as its view, the view as wide as the window.
    auto pageWidth = [&] {
        auto p = shownPages(v);
        return p.size() == 1 && std::abs(p[0]->width() - (v->canvas()->width() - du.px(2))) <= du.px(1) + 1 &&
               p[0]->widget()->width() == p[0]->viewport()->width();
    };
    EXPECT_TRUE(waitFor(pageWidth));
    const QSize sizes[] = {{900, 640}, {1250, 820}, {700, 560}};
    for (const QSize& size : sizes) {
        SCOPED_TRACE(std::to_string(size.width()) + "x" + std::to_string(size.height()));
        v->top()->showNormal();
        v->top()->resize(size);
        EXPECT_TRUE(waitFor(pageWidth)) << shownPages(v)[0]->width() << " of " << v->canvas()->width();
        EXPECT_EQ(zone(2), "Page Width");
    }
    // Thumbnails again: laid out for the last size.
    keyTo(zoom, Qt::Key_Up);
    ASSERT_TRUE(waitFor([&] { return zone(2) == "No Zoom"; }));
    EXPECT_TRUE(waitFor([&] { auto p = shownPages(v); return p.size() == 1 && fills(p[0]); }));
}

// In a grid of several pages the actions on one page are greyed, whichever way the grid came.
TEST_F(PreviewInQt, AGridGreysMarkDeleteAndPrintPage) {
    qtfe::WindowView* v = openPreview();
    ASSERT_TRUE(v) << d_.error();
    const char* onePage[] = {"?PREVIEWMARK", "?PREVIEWDELETE", "?PRINTSINGLE"};
    auto grid = [&](int across, int down) {
        auto* thumbnails = qobject_cast<QPushButton*>(widget(v, "?CHANGEDISPLAY"));
        ASSERT_NE(thumbnails, nullptr);
        ASSERT_TRUE(waitFor([&] { return thumbnails->isEnabled(); }));
        thumbnails->click();
        qtfe::WindowView* display = nullptr;
        ASSERT_TRUE(waitFor([&] { return (display = titled("Change the Report Display")) && display->alive(); }));
        auto* a = qobject_cast<QSpinBox*>(widget(display, "?PAGESACROSS"));
        auto* dn = qobject_cast<QSpinBox*>(widget(display, "?PAGESDOWN"));
        auto* ok = qobject_cast<QPushButton*>(widget(display, "?OK"));
        ASSERT_TRUE(a && dn && ok);
        a->setValue(across);
        dn->setValue(down);
        ok->click();
        ASSERT_TRUE(waitFor([&] { return titled("Change the Report Display") == nullptr; }));
        ASSERT_TRUE(waitFor([&] { return static_cast<int>(shownPages(v).size()) == std::min(6, across * down); }));
        waitFor([] { return false; }, 100);
    };
    struct Case {
        int across, down;
        bool greyed;
    };
    const Case cases[] = {{2, 2, true}, {1, 1, false}, {3, 1, true}, {1, 2, true}, {1, 1, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.across) + " x " + std::to_string(c.down));
        grid(c.across, c.down);
        for (const char* name : onePage) {
            QWidget* b = widget(v, name);
            ASSERT_NE(b, nullptr) << name;
            EXPECT_EQ(b->isEnabled(), !c.greyed) << name;
        }
        EXPECT_TRUE(widget(v, "?NEXT")->isEnabled());
    }
}

// Page Up and Page Down turn the pages from wherever the focus is, the zoom list too; Escape
// leaves the preview as "Exit Without Printing Report" does.
TEST_F(PreviewInQt, PageKeysTurnPagesAndEscapeLeaves) {
    qtfe::WindowView* v = openPreview();
    ASSERT_TRUE(v) << d_.error();
    auto* zoom = qobject_cast<QComboBox*>(widget(v, "?ZOOMSTATUS"));
    QWidget* mark = widget(v, "?PREVIEWMARK");
    ASSERT_TRUE(zoom && mark);
    struct Case {
        QWidget* focus;
        int key;
        const char* page;
    };
    const Case cases[] = {
        {zoom, Qt::Key_PageDown, "Page 2 of 6"}, {zoom, Qt::Key_PageDown, "Page 3 of 6"},
        {mark, Qt::Key_PageUp, "Page 2 of 6"},   {shownPages(v)[0], Qt::Key_PageDown, "Page 3 of 6"},
        {mark, Qt::Key_PageUp, "Page 2 of 6"},   {zoom, Qt::Key_PageUp, "Page 1 of 6"},
        {zoom, Qt::Key_PageUp, "Page 1 of 6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.focus->metaObject()->className()) + " " + c.page);
        c.focus->setFocus();
        ASSERT_TRUE(waitFor([&] { return c.focus->hasFocus(); }, 2000));
        keyTo(focused(v), c.key);
        EXPECT_TRUE(waitFor([&] { return zone(5) == c.page; })) << zone(5);
        EXPECT_EQ(zoom->currentText(), "No Zoom");
    }
    mark->setFocus();
    ASSERT_TRUE(waitFor([&] { return mark->hasFocus(); }, 2000));
    keyTo(focused(v), Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return titled("Test Report Preview") == nullptr; })) << "the preview is still open";
    EXPECT_TRUE(waitFor([&] { return !d_.running(); }));
}

}  // namespace
