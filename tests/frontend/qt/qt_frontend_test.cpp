// The Qt front end against the real runtime, on the offscreen platform: windows become the
// right widgets, user input reaches the program as the right events, requests are answered.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QFontInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStatusBar>

#include <atomic>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "frontend/qt/list_control.h"
#include "frontend/qt/qt_frontend.h"
#include "frontend/qt/requests.h"
#include "frontend/qt/units.h"
#include "frontend/qt/window_view.h"
#include "qt_fixture.h"
#include "runtime/thread/thread.h"
#include "runtime/window/frontend.h"
#include "runtime/window/window.h"
#include "support/temp_folder.h"

namespace {

using qtfe::ListControl;
using qtfe::QtFrontEnd;
using qtfe::WindowView;

// What the program saw, written on program threads and read by the test.
struct Seen {
    std::mutex m;
    std::vector<rt::EventData> events;
    std::vector<int> answers;
    void event(const rt::EventData& e) {
        std::lock_guard lk(m);
        events.push_back(e);
    }
    void answer(int a) {
        std::lock_guard lk(m);
        answers.push_back(a);
    }
    std::vector<rt::EventData> all() {
        std::lock_guard lk(m);
        return events;
    }
    std::vector<int> allAnswers() {
        std::lock_guard lk(m);
        return answers;
    }
    void clear() {
        std::lock_guard lk(m);
        events.clear();
    }
};

class QtFrontEndTest : public qtfe_test::FrontEndTest {
protected:
    void SetUp() override {
        FrontEndTest::SetUp();
        QObject::connect(fe_.get(), &QtFrontEnd::programEnded, [this] { ended_ = true; });
    }

    // Every program here ends when its frame closes.
    void TearDown() override { endProgram(frame()); }

    bool sawEvent(const std::function<bool(const rt::EventData&)>& match) {
        return waitFor([&] {
            for (const auto& e : seen_.all())
                if (match(e)) return true;
            return false;
        });
    }
    // Whether one child of the frame lies above another.
    bool stackedAbove(WindowView* upper, WindowView* lower) {
        QMdiArea* area = fe_->mdiArea();
        if (!area) return false;
        const auto order = area->subWindowList(QMdiArea::StackingOrder);
        return order.indexOf(upper->subWindow()) > order.indexOf(lower->subWindow());
    }
    template <class W>
    W* findTopLevel() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* t = qobject_cast<W*>(w); t && t->isVisible()) return t;
        return nullptr;
    }
    static void click(QWidget* target, QPoint at, Qt::MouseButton b = Qt::LeftButton) {
        QMouseEvent press(QEvent::MouseButtonPress, at, target->mapToGlobal(at), b, b, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, target->mapToGlobal(at), b, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }
    static void key(QWidget* target, int k, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}) {
        QKeyEvent press(QEvent::KeyPress, k, mods, text);
        QApplication::sendEvent(target, &press);
    }

    // A frame with a menu, and on a thread of its own an MDI child holding a list of 100
    // songs paged by the program, an entry, a button and a status zone.
    void startWorkspace() {
        rt::startProgram([this] {
            rt::Window f("Test Frame", rt::WindowKind::Frame, -1, -1, 500, 340);
            const int file = f.menu("&File");
            const int exitItem = f.menuItem(file, "E&xit", "Exit this application");
            f.setStatus("ready");
            f.open();
            rt::startThread([this] { workspace(); });
            while (f.accept())
                if (f.code() == rt::EvAccepted && f.field() == exitItem) f.post(rt::EvCloseWindow);
        });
    }

    void workspace() {
        rt::Window w("Songs", rt::WindowKind::MdiChild, 0, 0, 300, 200);
        w.setFont(rt::Font{"Arial", 8});
        w.setResizable(true);
        const int list = w.list("?LIST", 4, 4, 200, 130, {{"Title", 120, 'L'}, {"No", 30, 'R'}});
        const int entry = w.entry("?Search", "@s20", 210, 4, 80, 12);
        const int button = w.button("?Go", "&Go", 210, 20, 40, 14);
        const int dialog = w.button("?Dialog", "&Dialog", 210, 40, 40, 14);
        const int ask = w.button("?Ask", "&Ask", 210, 60, 40, 14);
        const int pop = w.button("?Pop", "&Pop", 210, 80, 40, 14);
        const int greyed = w.menu("&Import/Export");  // control 7, greyed by the program
        w.menuItem(greyed, "E&xport");
        w.disable(greyed);
        w.setColors(list, 0x800040, 0xFFFFFF, 0xFFFFFF, 0x800040);
        const int rows = w.visibleRows(list);
        int top = 0;
        auto fill = [&] {
            std::vector<rt::Row> page;
            for (int i = top; i < top + rows && i < 100; ++i) {
                rt::Row r;
                r.cells = {{"Song " + std::to_string(i + 1)}, {std::to_string(i + 1)}};
                if (i == 2) r.cells[0].fg = 0x0000FF;
                page.push_back(r);
            }
            w.setRows(list, page);
            w.setThumb(list, top);
        };
        fill();
        w.setSelected(list, 1);
        w.open();
        while (w.accept()) {
            seen_.event(w.event());
            switch (w.code()) {
            case rt::EvScrollDown:
                ++top;
                fill();
                break;
            case rt::EvNewSelection:
                w.setStatus("row " + std::to_string(w.event().value));
                break;
            case rt::EvTimer:
                // The program touches the entry (not its value) while the user types.
                w.edit(entry).tooltip = "tick " + std::to_string(++ticks_);
                if (ticks_ == 3) w.setValue(entry, "from program");
                w.setStatus("tick " + std::to_string(ticks_.load()));
                if (ticks_ >= 3) w.setTimer(0);
                break;
            case rt::EvAccepted:
                if (w.field() == button && w.value(entry) == "typed") w.setTimer(5);
                if (w.field() == dialog) {
                    rt::Window d("Modal", rt::WindowKind::Dialog, -1, -1, 120, 40);
                    d.setFont(rt::Font{"MS Sans Serif", 8});
                    const int ok = d.button("?OK", "OK", 70, 20, 40, 14);
                    d.open();
                    while (d.accept())
                        if (d.code() == rt::EvAccepted && d.field() == ok) d.close();
                }
                if (w.field() == ask) {
                    seen_.answer(rt::message("Which one?", "Choose", rt::Icon::Question, "&First|&Second|&Third", 3));
                    seen_.answer(rt::message("Really?", "Confirm", rt::Icon::Exclamation, rt::BtnYes | rt::BtnNo, rt::BtnNo));
                }
                if (w.field() == pop) {
                    seen_.answer(w.popup("One|-|~Two|Three"));
                    seen_.answer(w.popup("Again|Once more"));
                }
                break;
            default:
                break;
            }
        }
    }

    bool ended_ = false;
    Seen seen_;
    std::atomic<int> ticks_{0};
};

TEST_F(QtFrontEndTest, FrameAndChildBecomeMainWindowMdiChildMenusAndStatus) {
    startWorkspace();
    WindowView* f = waitTitled("Test Frame");
    ASSERT_NE(f, nullptr);
    WindowView* child = waitTitled("Songs");
    ASSERT_NE(child, nullptr);
    ASSERT_NE(f->mainWindow(), nullptr);
    EXPECT_EQ(f->mainWindow()->windowTitle(), "Test Frame");
    const auto menus = f->mainWindow()->menuBar()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), "&File");
    ASSERT_EQ(menus[0]->menu()->actions().size(), 1);
    EXPECT_EQ(menus[0]->menu()->actions()[0]->statusTip(), "Exit this application");
    EXPECT_TRUE(waitFor([&] {
        for (auto* l : f->mainWindow()->statusBar()->findChildren<QLabel*>())
            if (l->text() == "ready") return true;
        return false;
    }));
    ASSERT_NE(child->subWindow(), nullptr);
    EXPECT_EQ(child->subWindow()->mdiArea(), f->mdiArea());

    // The program's Exit item ends the program, and the front end says so.
    menus[0]->menu()->actions()[0]->trigger();
    EXPECT_TRUE(waitFor([&] { return ended_; }));
}

TEST_F(QtFrontEndTest, ListShowsExactlyTheProgramsPageWithItsColours) {
    startWorkspace();
    WindowView* child = waitTitled("Songs");
    ASSERT_NE(child, nullptr);
    ListControl* list = nullptr;
    ASSERT_TRUE(waitFor([&] { return (list = child->list(child->state().controls[0].id)) != nullptr; }));
    const int rows = list->visibleRows();
    EXPECT_EQ(rows, (130 - 10) / 8);
    ASSERT_TRUE(waitFor([&] { return list->model()->rowCount() == rows; }));
    // Every row of the page shows; the table has nothing to scroll to.
    const QTableView* t = list->table();
    const int last = t->rowViewportPosition(rows - 1) + t->rowHeight(rows - 1);
    EXPECT_LE(last, t->viewport()->height());
    EXPECT_GE(t->rowHeight(0), t->fontMetrics().height());
    EXPECT_EQ(t->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), "No");
    // Colours 0x00BBGGRR: the list's own, a cell's own, and the highlighted row's.
    auto fg = [&](int r, int c) { return list->model()->data(list->model()->index(r, c), Qt::ForegroundRole).value<QColor>(); };
    auto bg = [&](int r, int c) { return list->model()->data(list->model()->index(r, c), Qt::BackgroundRole).value<QBrush>().color(); };
    EXPECT_EQ(fg(1, 0), QColor(0x40, 0x00, 0x80));
    EXPECT_EQ(fg(2, 0), QColor(0xFF, 0x00, 0x00));
    EXPECT_EQ(bg(0, 0), QColor(0x40, 0x00, 0x80));  // row 1 is highlighted
    EXPECT_EQ(fg(0, 1), QColor(0xFF, 0xFF, 0xFF));
}

TEST_F(QtFrontEndTest, AListFilledWholeScrollsItselfInsteadOfShowingAThumb) {
    rt::startProgram([] {
        rt::Window w("Folder", rt::WindowKind::Dialog, -1, -1, 200, 120);
        const int l = w.list("?LIST", 4, 4, 150, 90, {rt::Column{"SongBooks", 140}});
        std::vector<rt::Row> rows;
        for (int i = 1; i <= 40; ++i) rows.push_back(rt::Row{{rt::Cell{"SongBook " + std::to_string(i)}}});
        w.setRows(l, rows);
        w.setSelected(l, 40);
        w.open();
        while (w.accept()) {
        }
    });
    WindowView* v = waitTitled("Folder");
    ASSERT_NE(v, nullptr);
    ListControl* list = nullptr;
    ASSERT_TRUE(waitFor([&] { return (list = v->list(v->state().controls[0].id)) && list->model()->rowCount() == 40; }));
    EXPECT_TRUE(list->whole());
    QApplication::processEvents();
    const QTableView* t = list->table();
    EXPECT_GT(t->verticalScrollBar()->maximum(), 0) << "all forty SongBooks can be reached";
    EXPECT_GT(t->verticalScrollBar()->value(), 0) << "the highlighted last row is scrolled into view";
    v->top()->close();
    EXPECT_TRUE(waitFor([] { return !rt::programRunning(); }));
}

// A page holds as many rows as the list's height does, and they reach its very bottom at any
// height the program gives it (a window grown or tiled): no empty row heights below the last.
TEST_F(QtFrontEndTest, APageFillsItsListToTheBottomAtAnyHeight) {
    static const int heights[] = {60, 130, 257, 411, 497};
    rt::startProgram([] {
        rt::Window w("Rows", rt::WindowKind::Dialog, -1, -1, 220, 530);
        const int l = w.list("?LIST", 4, 4, 200, heights[0], {rt::Column{"Title", 150}});
        const int next = w.button("?Next", "Next", 170, 510, 40, 14);
        auto fill = [&] {
            std::vector<rt::Row> page;
            for (int i = 0; i < w.visibleRows(l); ++i) page.push_back(rt::Row{{rt::Cell{"Song " + std::to_string(i + 1)}}});
            w.setRows(l, page);
        };
        fill();
        w.open();
        std::size_t k = 0;
        while (w.accept())
            if (w.code() == rt::EvAccepted && w.field() == next) {
                k = (k + 1) % std::size(heights);
                w.setPosition(l, 4, 4, 200, heights[k]);
                fill();
            }
    });
    WindowView* v = waitTitled("Rows");
    ASSERT_NE(v, nullptr);
    ListControl* list = v->list(1);
    auto* next = qobject_cast<QPushButton*>(v->controlWidget(2));
    ASSERT_TRUE(list && next);
    for (int h : heights) {
        SCOPED_TRACE(h);
        const int rows = (h - 10) / 8;
        ASSERT_TRUE(waitFor([&] { return list->visibleRows() == rows && list->model()->rowCount() == rows; }));
        QApplication::processEvents();
        const QTableView* t = list->table();
        EXPECT_EQ(t->rowViewportPosition(rows - 1) + t->rowHeight(rows - 1), t->viewport()->height());
        next->click();
    }
    v->top()->close();
    EXPECT_TRUE(waitFor([] { return !rt::programRunning(); }));
}

TEST_F(QtFrontEndTest, ListInputBecomesTheProgramsEvents) {
    startWorkspace();
    WindowView* child = waitTitled("Songs");
    ASSERT_NE(child, nullptr);
    ListControl* list = nullptr;
    ASSERT_TRUE(waitFor([&] { return (list = child->list(1)) != nullptr && list->model()->rowCount() > 3; }));
    QTableView* t = list->table();
    const int rows = list->visibleRows();
    const int listId = 1;

    struct Case {
        const char* what;
        std::function<void()> act;
        int code;
        int key;
        long long value;
    };
    const Case cases[] = {
        {"click on row 3", [&] { click(t->viewport(), QPoint(10, t->rowViewportPosition(2) + 2)); }, rt::EvNewSelection, 0, 3},
        {"Down inside the page", [&] { key(t, Qt::Key_Down); }, rt::EvNewSelection, 0, 4},
        {"Up inside the page", [&] { key(t, Qt::Key_Up); }, rt::EvNewSelection, 0, 3},
        {"Page Down", [&] { key(t, Qt::Key_PageDown); }, rt::EvPageDown, 0, 0},
        {"Ctrl+Home", [&] { key(t, Qt::Key_Home, Qt::ControlModifier); }, rt::EvScrollTop, 0, 0},
        {"Insert", [&] { key(t, Qt::Key_Insert); }, rt::EvAlertKey, rt::KeyInsert, 0},
        {"Delete", [&] { key(t, Qt::Key_Delete); }, rt::EvAlertKey, rt::KeyDelete, 0},
        {"Ctrl+Enter", [&] { key(t, Qt::Key_Return, Qt::ControlModifier); }, rt::EvAlertKey, rt::KeyCtrlEnter, 0},
        {"Enter", [&] { key(t, Qt::Key_Return); }, rt::EvAlertKey, rt::KeyEnter, 0},
        {"Backspace", [&] { key(t, Qt::Key_Backspace); }, rt::EvAlertKey, rt::KeyBackspace, 0},
        {"a typed letter", [&] { key(t, Qt::Key_B, Qt::NoModifier, "b"); }, rt::EvAlertKey, 'b', 0},
        {"double click", [&] {
             const QPoint at(10, t->rowViewportPosition(1) + 2);
             QMouseEvent dbl(QEvent::MouseButtonDblClick, at, t->viewport()->mapToGlobal(at), Qt::LeftButton,
                             Qt::LeftButton, Qt::NoModifier);
             QApplication::sendEvent(t->viewport(), &dbl);
         }, rt::EvAlertKey, rt::KeyDoubleClick, 0},
        {"scroll-bar drag", [&] {
             list->scrollBar()->setSliderDown(true);
             list->scrollBar()->setSliderPosition(40);
             list->scrollBar()->setSliderDown(false);
         }, rt::EvScrollDrag, 0, 40},
        {"scroll-bar arrow", [&] { list->scrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd); },
         rt::EvScrollDown, 0, 0},
        {"right click on a row", [&] {
             const QPoint at(10, t->rowViewportPosition(4) + 2);
             QContextMenuEvent ce(QContextMenuEvent::Mouse, at, t->viewport()->mapToGlobal(at));
             QApplication::sendEvent(t->viewport(), &ce);
         }, rt::EvAlertKey, rt::KeyRightClick, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        seen_.clear();
        c.act();
        EXPECT_TRUE(sawEvent([&](const rt::EventData& e) {
            return e.code == c.code && e.control == listId && e.key == c.key && (c.code == rt::EvAlertKey || e.value == c.value);
        }));
    }
    // The right click first highlighted the row under the mouse.
    EXPECT_TRUE(sawEvent([&](const rt::EventData& e) { return e.code == rt::EvNewSelection && e.value == 5; }));

    // Down on the last row asks the program to scroll; the page moves, the view never does.
    seen_.clear();
    click(t->viewport(), QPoint(10, t->rowViewportPosition(rows - 1) + 2));
    ASSERT_TRUE(sawEvent([&](const rt::EventData& e) { return e.code == rt::EvNewSelection && e.value == rows; }));
    key(t, Qt::Key_Down);
    EXPECT_TRUE(sawEvent([&](const rt::EventData& e) { return e.code == rt::EvScrollDown; }));
    EXPECT_TRUE(waitFor([&] {
        return list->model()->data(list->model()->index(0, 0), Qt::DisplayRole).toString() == "Song 3";
    }));
    EXPECT_EQ(t->verticalScrollBar()->value(), 0);
    // A typed key is no new value for the list.
    for (const auto& e : seen_.all()) EXPECT_FALSE(e.hasText);
}

TEST_F(QtFrontEndTest, EntryTextReachesTheProgramBeforeTheButtonAndTypingIsKept) {
    startWorkspace();
    WindowView* child = waitTitled("Songs");
    ASSERT_NE(child, nullptr);
    auto* entry = qobject_cast<QLineEdit*>(child->controlWidget(2));
    auto* button = qobject_cast<QPushButton*>(child->controlWidget(3));
    ASSERT_TRUE(entry && button);
    entry->setText("typed");  // typed, not yet left
    button->click();
    std::vector<rt::EventData> events;
    ASSERT_TRUE(waitFor([&] {
        events.clear();
        for (const auto& e : seen_.all())
            if (e.code == rt::EvAccepted) events.push_back(e);
        return events.size() >= 2;
    }));
    EXPECT_EQ(events[0].code, rt::EvAccepted);
    EXPECT_EQ(events[0].control, 2);
    EXPECT_TRUE(events[0].hasText);
    EXPECT_EQ(events[0].text, "typed");
    EXPECT_EQ(events[1].control, 3);

    // The button started a timer that touches the entry three times and then sets it. The user
    // types meanwhile: the touches leave the typing alone, the program's own value replaces it.
    child->top()->activateWindow();
    entry->setFocus();
    ASSERT_TRUE(waitFor([&] { return entry->hasFocus(); }, 2000)) << "the offscreen window took no focus";
    entry->setText("still typing");
    ASSERT_TRUE(waitFor([&] { return ticks_ >= 2; }));
    QApplication::processEvents();
    EXPECT_EQ(entry->text(), "still typing");
    EXPECT_TRUE(waitFor([&] { return entry->text() == "from program"; }));
}

TEST_F(QtFrontEndTest, EnterInAnEntryOfAWindowWithoutDefaultButtonIsTheProgramsKey) {
    startWorkspace();
    WindowView* child = waitTitled("Songs");
    ASSERT_NE(child, nullptr);
    auto* entry = qobject_cast<QLineEdit*>(child->controlWidget(2));
    ASSERT_NE(entry, nullptr);
    child->top()->activateWindow();
    entry->setFocus();
    ASSERT_TRUE(waitFor([&] { return entry->hasFocus(); }, 2000));
    entry->setText("lanterns");
    key(entry, Qt::Key_Return);
    ASSERT_TRUE(sawEvent([](const rt::EventData& e) { return e.code == rt::EvAlertKey && e.key == rt::KeyEnter; }));
    // The text first, then the key.
    std::vector<rt::EventData> mine;
    for (const auto& e : seen_.all())
        if (e.control == 2) mine.push_back(e);
    ASSERT_EQ(mine.size(), 2u);
    EXPECT_EQ(mine[0].code, rt::EvAccepted);
    EXPECT_EQ(mine[0].text, "lanterns");
    EXPECT_EQ(mine[1].code, rt::EvAlertKey);
}

TEST_F(QtFrontEndTest, CtrlQuoteInAnEntryReachesTheProgramAsItsKey) {
    startWorkspace();
    WindowView* child = waitTitled("Songs");
    ASSERT_NE(child, nullptr);
    auto* entry = qobject_cast<QLineEdit*>(child->controlWidget(2));
    ASSERT_TRUE(entry);
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Apostrophe, Qt::ControlModifier, "'");
    QApplication::sendEvent(entry, &press);
    ASSERT_TRUE(waitFor([&] {
        for (const auto& e : seen_.all())
            if (e.code == rt::EvAlertKey && e.key == rt::KeyCtrlQuote && e.control == 2) return true;
        return false;
    }));
    EXPECT_EQ(entry->text().indexOf('\''), -1);  // not typed as text
}

TEST_F(QtFrontEndTest, NewerWindowOfTheThreadDisablesTheEarlierOne) {
    startWorkspace();
    WindowView* child = waitTitled("Songs");
    ASSERT_NE(child, nullptr);
    auto* open = qobject_cast<QPushButton*>(child->controlWidget(4));
    ASSERT_NE(open, nullptr);
    open->click();
    WindowView* dialog = waitTitled("Modal");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(waitFor([&] { return !child->canvas()->isEnabled(); }));
    EXPECT_TRUE(dialog->canvas()->isEnabled());
    qobject_cast<QPushButton*>(dialog->controlWidget(1))->click();
    EXPECT_TRUE(waitFor([&] { return titled("Modal") == nullptr && child->canvas()->isEnabled(); }));
    // Taking input again wakes no menu the program greyed.
    ASSERT_NE(child->item(7), nullptr);
    ASSERT_NE(child->item(7)->action, nullptr);
    EXPECT_FALSE(child->item(7)->action->isEnabled());
    EXPECT_FALSE(child->item(7)->menu->isEnabled());
}

TEST_F(QtFrontEndTest, MessageBoxesShowTheProgramsButtonsAndAnswerThem) {
    startWorkspace();
    WindowView* child = waitTitled("Songs");
    ASSERT_NE(child, nullptr);
    qobject_cast<QPushButton*>(child->controlWidget(5))->click();

    QMessageBox* box = nullptr;
    ASSERT_TRUE(waitFor([&] { return (box = findTopLevel<QMessageBox>()) != nullptr; }));
    EXPECT_EQ(box->windowTitle(), "Choose");
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    QStringList captions;
    for (auto* b : box->buttons()) captions << b->text();
    EXPECT_EQ(captions, QStringList({"&First", "&Second", "&Third"}));
    EXPECT_EQ(box->defaultButton()->text(), "&Third");
    // The thread's window takes no input while it waits.
    EXPECT_TRUE(waitFor([&] { return child->requestBlocked(); }));
    box->buttons()[1]->click();

    // A standard box left with Escape answers its default, as the original platform's does.
    QMessageBox* second = nullptr;
    ASSERT_TRUE(waitFor([&] {
        second = findTopLevel<QMessageBox>();
        return second && second != box && second->windowTitle() == "Confirm";
    }));
    EXPECT_EQ(second->icon(), QMessageBox::Warning);
    key(second, Qt::Key_Escape);
    ASSERT_TRUE(waitFor([&] { return seen_.allAnswers().size() == 2; }));
    EXPECT_EQ(seen_.allAnswers(), (std::vector<int>{2, rt::BtnNo}));
    EXPECT_TRUE(waitFor([&] { return !child->requestBlocked(); }));
}

// Lists, dialogs, menus and message boxes all speak in one face and size; a message box
// asked by a frame's child shows over that child, not over the middle of the frame.
TEST_F(QtFrontEndTest, OneInterfaceFontAndBoxesOverTheWindowThatAsks) {
    startWorkspace();
    WindowView* child = waitTitled("Songs");
    ASSERT_NE(child, nullptr);
    ListControl* list = nullptr;
    ASSERT_TRUE(waitFor([&] { return (list = child->list(child->state().controls[0].id)) != nullptr; }));
    const QFontInfo face(list->table()->font());
    auto same = [&](const QFont& f) {
        const QFontInfo i(f);
        return i.family() == face.family() && i.pointSize() == face.pointSize();
    };
    WindowView* main = frame();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(same(main->mainWindow()->menuBar()->font()));

    qobject_cast<QPushButton*>(child->controlWidget(4))->click();
    WindowView* dialog = waitTitled("Modal");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(same(dialog->controlWidget(1)->font())) << QFontInfo(dialog->controlWidget(1)->font()).family().toStdString();
    qobject_cast<QPushButton*>(dialog->controlWidget(1))->click();
    ASSERT_TRUE(waitFor([&] { return titled("Modal") == nullptr && child->canvas()->isEnabled(); }));

    // The child sits in the frame's top left corner, well away from the frame's middle.
    child->top()->move(0, 0);
    qobject_cast<QPushButton*>(child->controlWidget(5))->click();
    QMessageBox* box = nullptr;
    ASSERT_TRUE(waitFor([&] { return (box = findTopLevel<QMessageBox>()) != nullptr; }));
    EXPECT_TRUE(same(box->font()));
    const QRect asking(child->top()->mapToGlobal(QPoint(0, 0)), child->top()->size());
    const QPoint off = box->frameGeometry().center() - asking.center();
    EXPECT_LE(off.manhattanLength(), 4) << off.x() << "," << off.y();
    box->buttons()[0]->click();
    QMessageBox* second = nullptr;
    ASSERT_TRUE(waitFor([&] {
        second = findTopLevel<QMessageBox>();
        return second && second != box && second->windowTitle() == "Confirm";
    }));
    second->buttons()[0]->click();
    ASSERT_TRUE(waitFor([&] { return seen_.allAnswers().size() == 2; }));
}

// The program's message boxes, custom and standard: Escape and the title bar's close answer
// the cancelling button; a box without one (0) stays open until a button is pressed.
struct BoxCase {
    const char* custom;  // custom button texts, or empty for standard buttons
    unsigned buttons;
    int deflt;
    int escape;
};
const BoxCase kBoxes[] = {
    {"&This Listing|&Entire Disc|&Cancel", 0, 1, 3},  // the workspace's delete question
    {"&Yes|&No Cancel", 0, 2, 2},                     // a disc's delete question
    {"&First|&Second|&Third", 0, 3, 0},
    {"&Keep|&No", 0, 1, 0},
    {"", rt::BtnYes | rt::BtnNo | rt::BtnCancel, rt::BtnCancel, rt::BtnCancel},
    {"", rt::BtnYes | rt::BtnNo | rt::BtnCancel, rt::BtnNo, rt::BtnCancel},
    {"", rt::BtnYes | rt::BtnNo, rt::BtnYes, rt::BtnNo},
    {"", rt::BtnOk | rt::BtnCancel, rt::BtnOk, rt::BtnCancel},
    {"", rt::BtnOk, rt::BtnOk, rt::BtnOk},
};

TEST_F(QtFrontEndTest, EscapeAndCloseAnswerTheCancellingButtonNeverTheDefault) {
    rt::startProgram([this] {
        rt::Window f("Test Frame", rt::WindowKind::Frame, -1, -1, 300, 200);
        f.open();
        for (const BoxCase& c : kBoxes)
            for (int round = 0; round < 2; ++round)
                seen_.answer(*c.custom ? rt::message("Delete?", "Delete", rt::Icon::Question, c.custom, c.deflt)
                                       : rt::message("Sure?", "Confirm", rt::Icon::Question, c.buttons,
                                                     static_cast<unsigned>(c.deflt)));
        while (f.accept()) {
        }
    });
    std::size_t answered = 0;
    for (const BoxCase& c : kBoxes) {
        SCOPED_TRACE(*c.custom ? c.custom : std::to_string(c.buttons));
        for (int round = 0; round < 2; ++round) {
            QMessageBox* box = nullptr;
            ASSERT_TRUE(waitFor([&] { return (box = findTopLevel<QMessageBox>()) != nullptr; }));
            QPointer<QMessageBox> alive(box);
            if (round == 0) key(box, Qt::Key_Escape);
            else box->close();
            if (c.escape) {
                ASSERT_TRUE(waitFor([&] { return seen_.allAnswers().size() == answered + 1; }));
                EXPECT_EQ(seen_.allAnswers().back(), c.escape) << (round ? "close" : "Escape");
            } else {
                waitFor([] { return false; }, 100);
                ASSERT_TRUE(alive && alive->isVisible()) << (round ? "close" : "Escape");
                EXPECT_EQ(seen_.allAnswers().size(), answered);
                alive->buttons()[1]->click();
                ASSERT_TRUE(waitFor([&] { return seen_.allAnswers().size() == answered + 1; }));
                EXPECT_EQ(seen_.allAnswers().back(), 2);
            }
            ++answered;
        }
    }
}

// Escape in the font dialog's fields cancels the whole dialog: nothing of it stays on screen,
// and the program hears a cancel.
TEST_F(QtFrontEndTest, ASaveDialogAddsTheProgramsOwnLowerCaseExtension) {
    // The filter offers "*.CSV"; the program writes ".csv" names.
    struct Case {
        const char* typed;
        const char* chosen;
    };
    static const Case cases[] = {
        {"out", "out.csv"},
        {"out.csv", "out.csv"},
        {"OUT.CSV", "OUT.CSV"},
    };
    fixture::TempFolder dir;
    std::mutex m;
    std::vector<std::string> chosen;
    rt::startProgram([&] {
        rt::Window f("Test Frame", rt::WindowKind::Frame, -1, -1, 300, 200);
        f.open();
        for (std::size_t i = 0; i < std::size(cases); ++i) {
            std::string path = dir.path() + "/";
            if (!rt::fileDialog("Enter Name of Export File", path, "Export File|*.CSV|All Files|*.*", true))
                path = "(cancelled)";
            std::lock_guard lock(m);
            chosen.push_back(path);
        }
        while (f.accept()) {
        }
    });
    auto answered = [&] {
        std::lock_guard lock(m);
        return chosen.size();
    };
    QPointer<QFileDialog> last;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].typed);
        QFileDialog* files = nullptr;
        ASSERT_TRUE(waitFor([&] { return (files = findTopLevel<QFileDialog>()) != nullptr && files != last.data(); }));
        last = files;
        auto* name = files->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(name, nullptr);
        name->setText(QString::fromUtf8(cases[i].typed));
        key(name, Qt::Key_Return);
        ASSERT_TRUE(waitFor([&] { return answered() == i + 1; }));
        std::lock_guard lock(m);
        EXPECT_EQ(chosen[i], dir.path() + "/" + cases[i].chosen);
    }
}

TEST_F(QtFrontEndTest, EscapeInTheFontDialogCancelsItWhole) {
    std::atomic<int> chosen{-1};
    rt::startProgram([&] {
        rt::Window f("Test Frame", rt::WindowKind::Frame, -1, -1, 300, 200);
        f.open();
        rt::Font font{"Arial", 12, 700, false, 0};
        chosen = rt::fontDialog("Choose Header Font", font) ? 1 : 0;
        while (f.accept()) {
        }
    });
    auto showing = [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->isVisible() && w->windowTitle() == "Choose Header Font") return w;
        return static_cast<QWidget*>(nullptr);
    };
    QWidget* d = nullptr;
    ASSERT_TRUE(waitFor([&] { return (d = showing()) != nullptr; }));
    auto* family = d->findChild<QLineEdit*>();  // the first field: the font's name
    ASSERT_NE(family, nullptr);
    key(family, Qt::Key_Escape);
    EXPECT_TRUE(waitFor([&] { return chosen == 0; })) << "the program still waits on the dialog";
    EXPECT_TRUE(waitFor([&] { return showing() == nullptr; })) << "the dialog stays on screen";
}

// A window shown at another size than its model's (maximized, here) tells the program the size
// it really has, without being resized by the user first: a dialog, and a child in the frame.
TEST_F(QtFrontEndTest, AWindowShownMaximizedTellsTheProgramItsRealSize) {
    static std::atomic<rt::WindowKind> kind{rt::WindowKind::Dialog};
    for (rt::WindowKind k : {rt::WindowKind::Dialog, rt::WindowKind::MdiChild}) {
        SCOPED_TRACE(k == rt::WindowKind::Dialog ? "dialog" : "child");
        kind = k;
        seen_.clear();
        rt::startProgram([this] {
            rt::Window f("Test Frame", rt::WindowKind::Frame, -1, -1, 400, 300);
            f.open();
            rt::Window w("Pages", kind, -1, -1, 200, 120);
            w.setResizable(true);
            w.maximize();
            w.open();
            while (w.accept()) seen_.event(w.event());
        });
        WindowView* v = waitTitled("Pages");
        ASSERT_NE(v, nullptr);
        ASSERT_TRUE(waitFor([&] { return v->top()->isMaximized() && v->canvas()->height() > 0; }));
        waitFor([] { return false; }, 50);
        const qtfe::DialogUnits du = qtfe::DialogUnits::of(v->canvas()->font());
        const std::string real =
            std::to_string(du.dux(v->canvas()->width())) + "," + std::to_string(du.duy(v->canvas()->height()));
        ASSERT_NE(real, "200,120") << "the room is as small as the window";
        EXPECT_TRUE(sawEvent([&](const rt::EventData& e) { return e.code == rt::EvSized && e.text == real; })) << real;
        v->top()->close();
        ASSERT_TRUE(waitFor([&] { return titled("Pages") == nullptr; }));
        endProgram(frame());
        fe_ = std::make_unique<qtfe::QtFrontEnd>();
        fe_->install();
    }
}

// A window that opens another keeps its place in the frame: its field losing the focus to the
// new window never brings another child forward (the Quick Start of its thread, say), neither
// while the new window is open nor after it closed.
TEST_F(QtFrontEndTest, AChildOpeningAWindowStaysInFrontOfTheOtherChildren) {
    struct Case {
        const char* what;
        rt::WindowKind kind;
        bool afterFileDialog;
        bool frameActive;  // the frame is the active window when the new window comes
    };
    static const Case cases[] = {
        {"a dialog", rt::WindowKind::Dialog, false, false},
        {"a dialog after a file dialog", rt::WindowKind::Dialog, true, false},
        {"a form in the frame", rt::WindowKind::MdiChild, false, false},
        {"a form in the frame after a file dialog", rt::WindowKind::MdiChild, true, false},
        {"a dialog over the active frame", rt::WindowKind::Dialog, false, true},
        {"a dialog over the active frame after a file dialog", rt::WindowKind::Dialog, true, true},
    };
    static std::atomic<int> current{0};
    rt::startProgram([this] {
        rt::Window f("Test Frame", rt::WindowKind::Frame, -1, -1, 500, 340);
        f.open();
        rt::startThread([this] {
            rt::Window quick("Quick", rt::WindowKind::MdiChild, 8, 8, 160, 100);
            quick.button("?Start", "Start", 10, 10, 40, 14);
            quick.open();
            rt::Window ws("Workspace", rt::WindowKind::MdiChild, 4, 4, 300, 200);
            ws.entry("?Search", "@s20", 4, 4, 80, 12);
            const int choose = ws.button("?Choose", "&Choose", 4, 20, 40, 14);
            const int import = ws.button("?Import", "&Import", 4, 36, 40, 14);
            ws.list("?LIST", 4, 52, 100, 60, {{"Title", 60, 'L'}});
            ws.open();
            while (ws.accept()) {
                if (ws.code() != rt::EvAccepted) continue;
                if (ws.field() == choose) {
                    std::string path;
                    rt::fileDialog("Enter Name of Import File", path, "CSV|*.csv");
                } else if (ws.field() == import) {
                    rt::Window d("Import", cases[current].kind, -1, -1, 120, 40);
                    const int ok = d.button("?OK", "OK", 70, 20, 40, 14);
                    d.open();
                    while (d.accept())
                        if (d.code() == rt::EvAccepted && d.field() == ok) d.close();
                }
                seen_.answer(ws.field());
            }
        });
        while (f.accept()) {
        }
    });
    WindowView* quick = waitTitled("Quick");
    WindowView* ws = waitTitled("Workspace");
    ASSERT_TRUE(quick && ws);
    // The workspace above the other child (a form opened over it may be above both).
    auto aboveQuick = [&] { return stackedAbove(ws, quick); };
    ASSERT_TRUE(waitFor(aboveQuick));
    auto* search = qobject_cast<QLineEdit*>(ws->controlWidget(1));
    auto* choose = qobject_cast<QPushButton*>(ws->controlWidget(2));
    auto* import = qobject_cast<QPushButton*>(ws->controlWidget(3));
    QWidget* list = ws->controlWidget(4);
    ASSERT_TRUE(search && choose && import && list);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(c.what);
        current = static_cast<int>(i);
        const std::size_t answered = seen_.allAnswers().size();
        if (c.afterFileDialog) {
            choose->click();
            QFileDialog* files = nullptr;
            ASSERT_TRUE(waitFor([&] { return (files = findTopLevel<QFileDialog>()) != nullptr; }));
            files->reject();
            ASSERT_TRUE(waitFor([&] { return seen_.allAnswers().size() == answered + 1; }));
        }
        // The host was in the search field (or the list); the frame is not the active window
        // when the new window comes (a file dialog has just gone, say), then becomes it again.
        frame()->top()->activateWindow();
        QWidget* field = c.frameActive ? list : search;
        field->setFocus();
        ASSERT_TRUE(waitFor([&] { return QApplication::focusWidget() && (field == QApplication::focusWidget() || field->isAncestorOf(QApplication::focusWidget())); }, 2000));
        QWidget elsewhere;
        elsewhere.show();
        if (!c.frameActive) {
            elsewhere.activateWindow();
            ASSERT_TRUE(waitFor([&] { return elsewhere.isActiveWindow(); }, 2000));
        }
        import->click();
        WindowView* opened = nullptr;
        ASSERT_TRUE(waitFor([&] { return (opened = titled("Import")) && !ws->canvas()->isEnabled(); }));
        elsewhere.activateWindow();  // another window of the program, a report's menu say
        ASSERT_TRUE(waitFor([&] { return elsewhere.isActiveWindow(); }, 2000));
        frame()->top()->activateWindow();
        waitFor([] { return false; }, 100);
        EXPECT_TRUE(aboveQuick()) << "the other child came forward while the window opened";
        elsewhere.activateWindow();
        ASSERT_TRUE(waitFor([&] { return elsewhere.isActiveWindow(); }, 2000));
        qobject_cast<QPushButton*>(opened->controlWidget(1))->click();
        ASSERT_TRUE(waitFor([&] { return titled("Import") == nullptr && ws->canvas()->isEnabled(); }));
        frame()->top()->activateWindow();
        waitFor([] { return false; }, 100);
        EXPECT_TRUE(aboveQuick()) << "the other child came forward when the window closed";
        elsewhere.hide();
    }
}

TEST_F(QtFrontEndTest, AChildThatOpensWaitingOnADialogStaysInFrontWhenTheFrameIsClicked) {
    // Quick Start opens a dialog, then, that one closed, a workspace that at once waits on
    // a dialog of its own: the workspace never had the focus. The host clicks the frame.
    rt::startProgram([] {
        rt::Window f("Test Frame", rt::WindowKind::Frame, -1, -1, 500, 340);
        f.open();
        rt::startThread([] {
            rt::Window quick("Quick", rt::WindowKind::MdiChild, 8, 8, 160, 100);
            const int start = quick.button("?Start", "Start", 10, 10, 40, 14);
            quick.open();
            while (quick.accept()) {
                if (quick.code() != rt::EvAccepted || quick.field() != start) continue;
                {
                    rt::Window explorer("Explorer", rt::WindowKind::Dialog, -1, -1, 120, 40);
                    const int open = explorer.button("?Open", "Open", 70, 20, 40, 14);
                    explorer.open();
                    while (explorer.accept())
                        if (explorer.code() == rt::EvAccepted && explorer.field() == open) explorer.close();
                }
                rt::Window ws("Workspace", rt::WindowKind::MdiChild, 4, 4, 300, 200);
                ws.entry("?Search", "@s20", 4, 4, 80, 12);
                ws.open();
                rt::Window hello("Getting Started", rt::WindowKind::Dialog, -1, -1, 120, 40);
                const int ok = hello.button("?OK", "OK", 70, 20, 40, 14);
                hello.open();
                while (hello.accept())
                    if (hello.code() == rt::EvAccepted && hello.field() == ok) hello.close();
                while (ws.accept()) {
                }
            }
        });
        while (f.accept()) {
        }
    });
    WindowView* quick = waitTitled("Quick");
    ASSERT_NE(quick, nullptr);
    auto* start = qobject_cast<QPushButton*>(quick->controlWidget(1));
    ASSERT_NE(start, nullptr);
    frame()->top()->activateWindow();
    start->setFocus();
    ASSERT_TRUE(waitFor([&] { return start->hasFocus(); }, 2000));
    start->click();
    WindowView* explorer = waitTitled("Explorer");
    ASSERT_NE(explorer, nullptr);
    qobject_cast<QPushButton*>(explorer->controlWidget(1))->click();
    WindowView* hello = waitTitled("Getting Started");
    WindowView* ws = titled("Workspace");
    ASSERT_TRUE(hello && ws);
    ASSERT_TRUE(waitFor([&] { return hello->top()->isActiveWindow(); }, 2000));
    auto aboveQuick = [&] { return stackedAbove(ws, quick); };
    ASSERT_TRUE(waitFor(aboveQuick));
    // A click on the waiting workspace makes the frame the active window again.
    frame()->top()->activateWindow();
    waitFor([] { return false; }, 200);
    EXPECT_TRUE(aboveQuick()) << "the other child came forward at a click on the frame";
    EXPECT_EQ(fe_->mdiArea()->activeSubWindow(), ws->subWindow());
    qobject_cast<QPushButton*>(hello->controlWidget(1))->click();
    ASSERT_TRUE(waitFor([&] { return titled("Getting Started") == nullptr && ws->canvas()->isEnabled(); }));
    waitFor([] { return false; }, 100);
    EXPECT_TRUE(aboveQuick()) << "the other child came forward when the dialog closed";
}

TEST_F(QtFrontEndTest, PopupItemsCountWithoutSeparatorsAndDismissingAnswersZero) {
    startWorkspace();
    WindowView* child = waitTitled("Songs");
    ASSERT_NE(child, nullptr);
    qobject_cast<QPushButton*>(child->controlWidget(6))->click();
    QMenu* menu = nullptr;
    ASSERT_TRUE(waitFor([&] { return (menu = findTopLevel<QMenu>()) != nullptr; }));
    const auto actions = menu->actions();
    ASSERT_EQ(actions.size(), 4);
    EXPECT_TRUE(actions[1]->isSeparator());
    EXPECT_EQ(actions[2]->text(), "Two");
    EXPECT_FALSE(actions[2]->isEnabled());
    actions[3]->trigger();
    menu->hide();
    QMenu* again = nullptr;
    ASSERT_TRUE(waitFor([&] {
        again = findTopLevel<QMenu>();
        return again && again != menu;
    }));
    again->hide();
    ASSERT_TRUE(waitFor([&] { return seen_.allAnswers().size() == 2; }));
    EXPECT_EQ(seen_.allAnswers(), (std::vector<int>{3, 0}));
}

TEST_F(QtFrontEndTest, WindowEventsCarryDialogUnitsAndCloseAsksTheProgram) {
    startWorkspace();
    WindowView* child = waitTitled("Songs");
    ASSERT_NE(child, nullptr);
    QWidget* canvas = child->canvas();
    ASSERT_TRUE(waitFor([&] { return canvas->width() > 0; }));
    const qtfe::DialogUnits du = qtfe::DialogUnits::of(canvas->font());
    EXPECT_EQ(du.dux(canvas->width()), 300);
    EXPECT_EQ(du.duy(canvas->height()), 200);

    // The user makes the window wider: one Sized event with the new client size.
    seen_.clear();
    child->subWindow()->resize(child->subWindow()->size() + QSize(du.px(40), 0));
    ASSERT_TRUE(sawEvent([](const rt::EventData& e) { return e.code == rt::EvSized; }));
    for (const auto& e : seen_.all())
        if (e.code == rt::EvSized) {
            EXPECT_TRUE(e.hasText);
            EXPECT_EQ(e.text, "340,200");
        }

    // A right click where no control is names none.
    seen_.clear();
    const QPoint empty(canvas->width() - 3, canvas->height() - 3);
    ASSERT_EQ(canvas->childAt(empty), nullptr);
    QContextMenuEvent ce(QContextMenuEvent::Mouse, empty, canvas->mapToGlobal(empty));
    QApplication::sendEvent(canvas, &ce);
    EXPECT_TRUE(sawEvent([](const rt::EventData& e) {
        return e.code == rt::EvAlertKey && e.key == rt::KeyRightClick && e.control == 0;
    }));

    // Closing from the title bar is the program's decision; this one lets the window go.
    child->subWindow()->close();
    EXPECT_TRUE(sawEvent([](const rt::EventData& e) { return e.code == rt::EvCloseWindow; }));
    EXPECT_TRUE(waitFor([&] { return titled("Songs") == nullptr && fe_->mdiArea()->subWindowList().empty(); }));
}

TEST_F(QtFrontEndTest, AFrameClosedUnderAnOpenChildTakesItsWidgetsAlong) {
    // The frame's thread ends while a child on another thread is still open and waits.
    std::atomic<bool> release{false};
    rt::startProgram([&] {
        {
            rt::Window f("Test Frame", rt::WindowKind::Frame, -1, -1, 400, 300);
            f.open();
            rt::startThread([&] {
                rt::Window w("Waiting", rt::WindowKind::MdiChild, 0, 0, 200, 100);
                w.entry("?Name", "@s20", 4, 4, 80, 12);
                w.open();
                w.setTimer(1);
                while (w.accept())
                    if (w.code() == rt::EvTimer && release) break;
            });
            while (f.accept()) {
            }
        }
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    });
    WindowView* child = waitTitled("Waiting");
    ASSERT_NE(child, nullptr);
    WindowView* f = frame();
    ASSERT_NE(f, nullptr);
    f->top()->close();
    // The child's widgets went with the frame (its view may show it again as a window of its
    // own); nothing of the frame is left under it.
    EXPECT_TRUE(waitFor([&] {
        WindowView* v = titled("Waiting");
        return frame() == nullptr && v && (!v->alive() || !v->subWindow());
    }));
    release = true;
    EXPECT_TRUE(waitFor([&] { return !rt::programRunning(); }));
}

TEST_F(QtFrontEndTest, ColumnsShowTheirHeadingAndValuesWholeAndANarrowListScrollsSideways) {
    rt::startProgram([] {
        rt::Window w("Discs", rt::WindowKind::Dialog, -1, -1, 120, 84);
        const int list = w.list("?LIST", 4, 4, 100, 60,
                                {{"Disc ID", 32, 'C'}, {"Mfg.", 5, 'C'}, {"Date Added", 20, 'C'}, {"Title", 40, 'L'}});
        rt::Row r;
        r.cells = {{"CV0101"}, {"CV"}, {"12/10/2026"}, {"Lanterns Over Calder Bay"}};
        w.setRows(list, {r});
        w.list("?EMPTY", 4, 66, 100, 12, {{"Title", 40, 'L'}});
        w.open();
        while (w.accept()) {
        }
    });
    WindowView* v = waitTitled("Discs");
    ASSERT_NE(v, nullptr);
    ListControl* l = v->list(1);
    ASSERT_NE(l, nullptr);
    QHeaderView* h = l->table()->horizontalHeader();
    ASSERT_TRUE(waitFor([&] { return l->table()->model()->rowCount() == 1; }));
    const QFontMetrics cells(l->table()->font()), heads(h->font());
    EXPECT_GE(h->sectionSize(1), heads.horizontalAdvance("Mfg."));
    EXPECT_GE(h->sectionSize(2), cells.horizontalAdvance("12/10/2026"));
    EXPECT_GE(h->sectionSize(2), heads.horizontalAdvance("Date Added"));
    EXPECT_EQ(l->table()->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    // With rows its bar has a thumb to move; the empty list beside it has none.
    EXPECT_TRUE(l->scrollBar()->isEnabled());
    EXPECT_EQ(l->scrollBar()->maximum(), 100);
    ListControl* empty = v->list(2);
    ASSERT_NE(empty, nullptr);
    EXPECT_FALSE(empty->scrollBar()->isEnabled());
    EXPECT_EQ(empty->scrollBar()->maximum(), 0);
    v->top()->close();
    EXPECT_TRUE(waitFor([] { return !rt::programRunning(); }));
}

// A group's frame runs through the middle of its title, as the windows were laid out for:
// an entry placed just inside the group keeps clear of the frame's top line, titled or not.
TEST_F(QtFrontEndTest, GroupFramesRunThroughTheirTitlesAndClearWhatTheyHold) {
    rt::startProgram([] {
        rt::Window w("Track", rt::WindowKind::Dialog, -1, -1, 300, 64);
        w.group("?TitleGroup", "Title", 6, 4, 288, 24);
        w.entry("?TITLE", "@s40", 12, 13, 276, 12);
        const int plain = w.group("?Plain", "", 6, 32, 288, 24);
        w.edit(plain).boxed = true;
        w.entry("?ARTIST", "@s40", 12, 39, 276, 12);
        w.open();
        while (w.accept()) {
        }
    });
    WindowView* v = waitTitled("Track");
    ASSERT_NE(v, nullptr);
    for (int group : {1, 3}) {
        SCOPED_TRACE(group);
        QWidget* g = v->controlWidget(group);
        QWidget* entry = v->controlWidget(group + 1);
        ASSERT_TRUE(g && entry);
        // The frame's top line: the first row, down the middle of the group, unlike its corner.
        const QImage shot = g->grab().toImage();
        const QRgb corner = shot.pixel(shot.width() / 2, 0);
        int line = -1;
        for (int y = 0; y < shot.height() && line < 0; ++y)
            if (shot.pixel(shot.width() / 2, y) != corner) line = y;
        const int half = QFontMetrics(g->font()).height() / 2;
        EXPECT_NEAR(line, half, 1);
        EXPECT_GT(entry->y() - g->y(), line + 1);  // room between the line and the entry
    }
    v->top()->close();
    EXPECT_TRUE(waitFor([] { return !rt::programRunning(); }));
}

TEST(QtFilter, ProgramFiltersBecomeQtFilters) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"SongBook Backup|*.bkp", "SongBook Backup (*.bkp *.BKP)"},
        {"All Files|*.*", "All Files (*)"},
        {"SongBooks|*.2bk;*.sbk|All Files|*.*", "SongBooks (*.2bk *.2BK *.sbk *.SBK);;All Files (*)"},
        {"CSV|*.CSV", "CSV (*.CSV *.csv)"},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(qtfe::qtFilter(c.in).toStdString(), c.out) << c.in;
}

}  // namespace
