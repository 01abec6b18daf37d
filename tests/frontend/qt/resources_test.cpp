// The icons and pictures the program names, and its texts, as the Qt front end shows them on
// the offscreen platform: every name has a real picture (no placeholder), the tool bar's
// icons tell its buttons apart, a file of the name still wins, texts with room wrap.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QToolButton>

#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "frontend/qt/qt_frontend.h"
#include "frontend/qt/resources.h"
#include "frontend/qt/window_view.h"
#include "qt_fixture.h"
#include "runtime/files/folder.h"
#include "runtime/thread/thread.h"
#include "runtime/window/frontend.h"
#include "runtime/window/window.h"
#include "support/temp_folder.h"

namespace {

using qtfe::WindowView;

// Every picture the program shows in an image control, at the size it gives it (dialog units).
struct Picture {
    const char* name;
    int w, h;
};
const Picture kPictures[] = {
    {"quickstart.bmp", 236, 88},     // Quick Start
    {"about.bmp", 204, 112},         // About
    {"~logo.bmp", 150, 44},          // the workspace
    {"addscreenlogo.bmp", 142, 48},  // adding discs
    {"rapidlocator.bmp", 240, 144},  // the rapid locator's help
    {"~adddiscs.ico", 16, 16},       // Getting Started
    {"~addtracks.ico", 16, 16},
    {"OpenBook2.ICO", 20, 20},       // new SongBook
    {"Book.ico", 20, 20},            // renaming a SongBook
    {"renumberdisc.ICO", 20, 20},    // a custom disc id
    {"~songbook.ico", 20, 20},       // every window's icon
};

// The workspace's tool bar, in its order.
const char* const kToolIcons[] = {
    "~adddiscs.ico", "~addtracks.ico", "~edittrack.ico", "~renumber.ico", "~import.ico",
    "~export.ico",   "~webpage.ico",   "~print.ico",     "~close.ico",    "~searchmaster.ico",
    "~viewmaster.ico", "~help.ico",    "~deletetrack.ico",
};

// Texts as the program lays them out: only those with room for a second line wrap.
struct TextCase {
    const char* text;
    int w, h;
    int fontSize;  // 0: the window's
    bool wraps;
};
const TextCase kTexts[] = {
    {"Disc ID (*) Denotes DiscLess Track (Cavs,MP3+G,etc.)", 150, 20, 0, true},
    {"Select a Song Track and Click Your", 150, 10, 0, false},
    {"Getting Started....", 306, 12, 10, false},
    {"Please Enter a Unique Name for Your New SongBook", 206, 10, 0, false},
};

const char* const kUnknown = "nosuch.bmp";

// What the program built, by name.
struct Built {
    std::mutex m;
    std::map<std::string, int> images, tools;
    std::vector<int> texts;
};

class ResourcesTest : public qtfe_test::FrontEndTest {
protected:
    void TearDown() override { endProgram(titled("Pictures")); }

    // A window holding every picture, the tool bar's buttons and the texts.
    WindowView* showAll() {
        rt::startProgram([this] {
            rt::Window w("Pictures", rt::WindowKind::Dialog, -1, -1, 400, 300);
            w.setFont(rt::Font{"Arial", 8});
            w.setIcon("~songbook.ico");
            {
                std::lock_guard lk(built_.m);
                int x = 4;
                for (const char* icon : kToolIcons) {
                    built_.tools[icon] = w.toolButton(std::string("?") + icon, icon, icon, x, 2, 18, 16);
                    x += 20;
                }
                for (const Picture& p : kPictures) built_.images[p.name] = w.image(std::string("?") + p.name, p.name, 4, 4, p.w, p.h);
                built_.images[kUnknown] = w.image("?Unknown", kUnknown, 4, 4, 40, 40);
                for (const TextCase& t : kTexts) {
                    const int id = w.text("?Text", t.text, 4, 160, t.w, t.h);
                    if (t.fontSize) w.setControlFont(id, rt::Font{"Arial", t.fontSize, 700});
                    built_.texts.push_back(id);
                }
            }
            w.open();
            while (w.accept()) {
            }
        });
        WindowView* v = nullptr;
        waitFor([&] { return (v = titled("Pictures")) != nullptr && v->controlWidget(built_.texts.back()); });
        return v;
    }

    Built built_;
};

TEST_F(ResourcesTest, EveryNameTheProgramUsesShowsAPictureAndUnknownOnesThePlaceholder) {
    WindowView* v = showAll();
    ASSERT_NE(v, nullptr);
    for (const Picture& p : kPictures) {
        SCOPED_TRACE(p.name);
        EXPECT_TRUE(qtfe::hasBuiltIn(p.name));
        auto* l = qobject_cast<QLabel*>(v->controlWidget(built_.images[p.name]));
        ASSERT_NE(l, nullptr);
        const QPixmap pm = l->pixmap();
        ASSERT_FALSE(pm.isNull());
        EXPECT_TRUE(l->text().isEmpty());
        // Painted for the control: it fills it (pictures) or its largest square (icons).
        const QSize shown = pm.deviceIndependentSize().toSize();
        EXPECT_TRUE(shown == l->size() || shown.width() == std::min(l->width(), l->height())) << shown.width() << "x" << shown.height();
        // Something is drawn: not one flat colour.
        const QImage img = pm.toImage();
        const QRgb corner = img.pixel(0, 0), middle = img.pixel(img.width() / 2, img.height() / 2);
        EXPECT_NE(corner, middle);
    }
    auto* unknown = qobject_cast<QLabel*>(v->controlWidget(built_.images[kUnknown]));
    ASSERT_NE(unknown, nullptr);
    EXPECT_TRUE(unknown->pixmap().isNull());
    EXPECT_EQ(unknown->text(), kUnknown);
    EXPECT_FALSE(qtfe::hasBuiltIn(kUnknown));
    EXPECT_FALSE(v->top()->windowIcon().isNull());
}

TEST_F(ResourcesTest, ToolBarButtonsShowIconsThatTellThemApart) {
    WindowView* v = showAll();
    ASSERT_NE(v, nullptr);
    std::vector<std::pair<std::string, QImage>> seen;
    for (const char* name : kToolIcons) {
        SCOPED_TRACE(name);
        auto* tb = qobject_cast<QToolButton*>(v->controlWidget(built_.tools[name]));
        ASSERT_NE(tb, nullptr);
        EXPECT_FALSE(tb->icon().isNull());
        EXPECT_EQ(tb->toolButtonStyle(), Qt::ToolButtonIconOnly);
        EXPECT_TRUE(tb->text().isEmpty());
        const QImage img = tb->icon().pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_FALSE(img.isNull());
        for (const auto& [other, otherImg] : seen) EXPECT_NE(img, otherImg) << "looks like " << other;
        seen.emplace_back(name, img);
    }
}

TEST_F(ResourcesTest, PictureKeepsItsColoursWhileItsWindowTakesNoInput) {
    WindowView* v = showAll();
    ASSERT_NE(v, nullptr);
    QWidget* l = v->controlWidget(built_.images["about.bmp"]);
    ASSERT_NE(l, nullptr);
    const QImage enabled = l->grab().toImage();
    l->setEnabled(false);
    const QImage disabled = l->grab().toImage();
    l->setEnabled(true);
    EXPECT_EQ(enabled, disabled);
}

TEST_F(ResourcesTest, TextsWithRoomForMoreLinesWrapAndShowWhole) {
    WindowView* v = showAll();
    ASSERT_NE(v, nullptr);
    for (std::size_t i = 0; i < std::size(kTexts); ++i) {
        SCOPED_TRACE(kTexts[i].text);
        auto* l = qobject_cast<QLabel*>(v->controlWidget(built_.texts[i]));
        ASSERT_NE(l, nullptr);
        EXPECT_EQ(l->wordWrap(), kTexts[i].wraps);
        if (kTexts[i].wraps) {
            EXPECT_GT(l->fontMetrics().horizontalAdvance(l->text()), l->width());  // needs two lines
            EXPECT_LE(l->heightForWidth(l->width()), l->height());                  // and has them
        }
    }
}

// A picture or icon file of the name, in the program's current folder, is shown instead.
class ResourceFileTest : public qtfe_test::QtAppTest {
protected:
    void SetUp() override {
        dir_ = tmp_.path();
        saved_ = rt::currentFolder();
        rt::setCurrentFolder(dir_.string());
    }
    void TearDown() override {
        rt::setCurrentFolder(saved_);
    }
    fixture::TempFolder tmp_{"cantorelle-resources"};
    std::filesystem::path dir_;
    std::string saved_;
};

TEST_F(ResourceFileTest, FileOfTheNameWinsOverTheBuiltInOne) {
    QImage red(12, 8, QImage::Format_RGB32);
    red.fill(Qt::red);
    ASSERT_TRUE(red.save(QString::fromStdString((dir_ / "about.bmp").string()), "BMP"));
    QImage blue(16, 16, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(QString::fromStdString((dir_ / "Book.ico").string()), "ICO"));

    const QPixmap about = qtfe::pictureFor("about.bmp", QSize(300, 180));
    ASSERT_FALSE(about.isNull());
    EXPECT_EQ(about.size(), QSize(12, 8));
    EXPECT_EQ(about.toImage().pixelColor(5, 4), QColor(Qt::red));
    const QImage book = qtfe::iconFor("Book.ico").pixmap(16, 16).toImage();
    ASSERT_FALSE(book.isNull());
    EXPECT_EQ(book.pixelColor(8, 8), QColor(Qt::blue));

    // Without the file, the built-in picture again, painted at the size asked for.
    std::filesystem::remove(dir_ / "about.bmp");
    EXPECT_EQ(qtfe::pictureFor("about.bmp", QSize(300, 180)).size(), QSize(300, 180));
}

}  // namespace
