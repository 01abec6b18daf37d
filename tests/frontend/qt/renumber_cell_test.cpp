// "Renumber Disc(s)" through the Qt front end: the custom id cell lies over the row the host
// clicked, takes what is typed there, and Enter stores it into that row's disc alone.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "frontend/qt/list_control.h"
#include "library/RenumberDiscs.h"
#include "qt_fixture.h"
#include "services/OpenDataFile.h"
#include "shell/listing/listing_fixture.h"

namespace {

using qtfe::ListControl;
using qtfe::WindowView;

constexpr const char* kRenumber = "Cantorelle V2 SongBook Maker - Renumber Disc(s)";

class QtRenumberTest : public qtfe_test::FrontEndTest {
protected:
    void SetUp() override {
        FrontEndTest::SetUp();
        fixture::pointFileNamesAt(dir_.path());
    }
    void TearDown() override { endProgram(nullptr); }

    int idOf(WindowView* v, const std::string& name) {
        for (const auto& c : v->state().controls)
            if (c.name == name) return c.id;
        return 0;
    }
    // Every disc as "UNQDISKID=ALTDISKID", read from the file.
    std::map<std::string, std::string> discs() {
        std::map<std::string, std::string> out;
        for (const auto& pair : fixture::queryColumn(SBDiscsFileName, "SELECT UNQDISKID || '=' || ALTDISKID FROM data")) {
            const auto eq = pair.find('=');
            out[pair.substr(0, eq)] = pair.substr(eq + 1);
        }
        return out;
    }
    // A click where a person would click: on whatever widget shows at that point of the window.
    static void clickAt(QWidget* window, QPoint global) {
        QWidget* target = window->childAt(window->mapFromGlobal(global));
        ASSERT_NE(target, nullptr);
        const QPoint at = target->mapFromGlobal(global);
        QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(target, &release);
    }
    // Keys as the keyboard sends them: to whichever widget has the focus.
    static void typeKeys(const QString& text) {
        for (QChar ch : text) {
            QWidget* f = QApplication::focusWidget();
            ASSERT_NE(f, nullptr) << "nothing has the focus";
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(f, &press);
        }
    }
    static void pressEnter() {
        QWidget* f = QApplication::focusWidget();
        ASSERT_NE(f, nullptr);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QApplication::sendEvent(f, &press);
    }

    fixture::TempFolder dir_;
    fixture::ScopedConfigHome config_;
};

TEST_F(QtRenumberTest, EnterStoresTheIdTypedOverTheClickedRowIntoThatDiscAlone) {
    rt::startProgram([] {
        {
            DataFileUse discs(SBD), songBook(SBK);
            char disc[16];
            for (int i = 1; i <= 20; ++i) {
                std::snprintf(disc, sizeof disc, "CV%04d", 100 + i);
                listing_test::addDisc(disc, std::to_string(100 + i));
            }
        }
        RenumberDiscs();
    });
    WindowView* v = nullptr;
    ASSERT_TRUE(waitFor([&] { return (v = titled(kRenumber)) && v->alive(); }));
    const int listId = idOf(v, "?List");
    ListControl* list = v->list(listId);
    auto* cell = qobject_cast<QLineEdit*>(v->controlWidget(idOf(v, "?SBD:ALTDISKID")));
    ASSERT_TRUE(list && cell);
    QTableView* t = list->table();
    v->top()->activateWindow();
    ASSERT_TRUE(waitFor([&] { return cell->hasFocus(); }, 2000)) << "the custom id cell took no focus; "
        << (QApplication::focusWidget() ? QApplication::focusWidget()->metaObject()->className() : "none") << " "
        << (QApplication::activeWindow() ? QApplication::activeWindow()->windowTitle().toStdString() : "no active window")
        << " focus " << v->state().focus << " cell " << idOf(v, "?SBD:ALTDISKID");

    auto shown = [&](int row, int column) {
        return list->model()->data(list->model()->index(row - 1, column - 1), Qt::DisplayRole).toString().toStdString();
    };
    // Where the table draws a cell of a row (as far as it shows), on the window's canvas.
    auto drawn = [&](int row, int column) {
        const QRect r = t->visualRect(list->model()->index(row - 1, column - 1)) & t->viewport()->rect();
        return QRect(t->viewport()->mapTo(v->canvas(), r.topLeft()), r.size());
    };

    struct Case {
        int row;
        QString typed;  // letters first: on the list they would look a disc up and move the highlight
    };
    const Case cases[] = {{1, "CV9A"}, {12, "cv12b"}, {17, "C17"}};
    for (const Case& c : cases) {
        SCOPED_TRACE("row " + std::to_string(c.row));
        ASSERT_GE(list->model()->rows(), 17);
        const std::string disc = shown(c.row, 1);
        auto expected = discs();
        ASSERT_TRUE(expected.count(disc)) << disc;
        expected[disc] = c.typed.toStdString();

        // A click on the row's manufacturer's id, and typing right away.
        clickAt(v->top(), t->viewport()->mapToGlobal(t->visualRect(list->model()->index(c.row - 1, 0)).center()));
        typeKeys(c.typed);
        ASSERT_TRUE(waitFor([&] { return list->model()->selected() == c.row && cell->geometry() == drawn(c.row, 2); }))
            << "highlight " << list->model()->selected() << " cell " << cell->geometry().x() << ","
            << cell->geometry().y() << " " << cell->geometry().width() << "x" << cell->geometry().height() << " row "
            << drawn(c.row, 2).x() << "," << drawn(c.row, 2).y() << " " << drawn(c.row, 2).width() << "x"
            << drawn(c.row, 2).height();
        // The highlight never moved and the cell took every key, over exactly its row.
        waitFor([] { return false; }, 100);
        EXPECT_EQ(list->model()->selected(), c.row);
        EXPECT_EQ(cell->text(), c.typed);
        EXPECT_TRUE(cell->hasFocus());
        EXPECT_EQ(shown(c.row, 1), disc);

        pressEnter();
        ASSERT_TRUE(waitFor([&] { return discs() == expected; })) << "disc " << disc << " as " << c.typed.toStdString();
        // The page may move to show the disc where it now is; the cell stays over it.
        ASSERT_TRUE(waitFor([&] {
            const int n = list->model()->selected();
            return n > 0 && shown(n, 1) == disc && shown(n, 2) == c.typed.toStdString() && cell->geometry() == drawn(n, 2);
        }));
    }
    v->top()->close();
    EXPECT_TRUE(waitFor([] { return !rt::programRunning(); }));
}

// Down and PgDn in the cell store what was typed into the disc of the row typed on, and the
// cell moves with the highlight, the cursor in it.
TEST_F(QtRenumberTest, DownAndPageDownStoreIntoTheRowTypedOnAndTheCellFollowsTheHighlight) {
    rt::startProgram([] {
        {
            DataFileUse discs(SBD), songBook(SBK);
            char disc[16];
            for (int i = 1; i <= 60; ++i) {
                std::snprintf(disc, sizeof disc, "CV%04d", 100 + i);
                listing_test::addDisc(disc, std::to_string(100 + i));
            }
        }
        RenumberDiscs();
    });
    WindowView* v = nullptr;
    ASSERT_TRUE(waitFor([&] { return (v = titled(kRenumber)) && v->alive(); }));
    ListControl* list = v->list(idOf(v, "?List"));
    auto* cell = qobject_cast<QLineEdit*>(v->controlWidget(idOf(v, "?SBD:ALTDISKID")));
    ASSERT_TRUE(list && cell);
    QTableView* t = list->table();
    v->top()->activateWindow();
    ASSERT_TRUE(waitFor([&] { return cell->hasFocus(); }, 2000));
    auto shown = [&](int row, int column) {
        return list->model()->data(list->model()->index(row - 1, column - 1), Qt::DisplayRole).toString().toStdString();
    };
    auto drawn = [&](int row) {
        const QRect r = t->visualRect(list->model()->index(row - 1, 1)) & t->viewport()->rect();
        return QRect(t->viewport()->mapTo(v->canvas(), r.topLeft()), r.size());
    };
    // The disc highlighted, once the cell lies over its row showing its id (with the cursor in
    // it, after a key of the cell).
    auto settled = [&](const std::string& disc, bool focused) {
        return waitFor([&] {
            const int n = list->model()->selected();
            return n > 0 && shown(n, 1) == disc && cell->geometry() == drawn(n) && (!focused || cell->hasFocus()) &&
                   cell->text().toStdString() == shown(n, 2);
        });
    };
    auto why = [&] {
        const int n = list->model()->selected();
        const QRect g = cell->geometry(), d = drawn(std::max(1, n));
        return "highlight " + std::to_string(n) + " " + shown(std::max(1, n), 1) + " cell " +
               cell->text().toStdString() + (cell->hasFocus() ? " focused" : " unfocused") + " at " +
               std::to_string(g.y()) + " row at " + std::to_string(d.y());
    };
    auto disc = [](int n) {
        char id[16];
        std::snprintf(id, sizeof id, "CV%04d", 100 + n);
        return std::string(id);
    };
    const int page = list->model()->rows();
    ASSERT_GE(page, 10);
    // Where a disc is listed now (0: not on the page).
    auto rowOf = [&](int n) {
        for (int r = 1; r <= list->model()->rows(); ++r)
            if (shown(r, 1) == disc(n)) return r;
        return 0;
    };
    struct Case {
        Qt::Key key;
        int typedOn;  // the disc typed on; 0: the one on the last row
        QString typed;
        int moves;    // how many discs on the key moves the highlight
    };
    // A save shows the page from the disc stored (as Enter does), then the key moves from it.
    const Case cases[] = {
        {Qt::Key_Down, 3, "D3", 1},
        {Qt::Key_PageDown, 10, "P10", page},
        {Qt::Key_Down, 0, "Dlast", 1},
    };
    auto expected = discs();
    for (const Case& c : cases) {
        const int typedOn = c.typedOn ? c.typedOn : std::stoi(shown(page, 1).substr(2)) - 100;
        SCOPED_TRACE(disc(typedOn));
        ASSERT_EQ(list->model()->rows(), page);
        const int row = rowOf(typedOn);
        ASSERT_GT(row, 0);
        clickAt(v->top(), t->viewport()->mapToGlobal(t->visualRect(list->model()->index(row - 1, 1)).center()));
        ASSERT_TRUE(settled(disc(typedOn), false)) << why();
        typeKeys(c.typed);
        EXPECT_EQ(cell->text(), c.typed);
        expected[disc(typedOn)] = c.typed.toStdString();
        QKeyEvent press(QEvent::KeyPress, c.key, Qt::NoModifier);
        QApplication::sendEvent(QApplication::focusWidget(), &press);
        ASSERT_TRUE(waitFor([&] { return discs() == expected; })) << c.typed.toStdString();
        ASSERT_TRUE(settled(disc(typedOn + c.moves), true)) << why();
    }
    v->top()->close();
    EXPECT_TRUE(waitFor([] { return !rt::programRunning(); }));
}

// "Confirm Deletion" left with Escape or its close box deletes nothing.
TEST_F(QtRenumberTest, ConfirmDeletionLeftWithEscapeOrCloseDeletesNothing) {
    rt::startProgram([] {
        {
            DataFileUse discs(SBD), songBook(SBK);
            listing_test::addDisc("CV0101", "101");
            listing_test::addListing("CV0101", 1, "Atlas");
        }
        RenumberDiscs();
    });
    WindowView* v = nullptr;
    ASSERT_TRUE(waitFor([&] { return (v = titled(kRenumber)) && v->alive(); }));
    auto* deleteDisc = qobject_cast<QPushButton*>(v->controlWidget(idOf(v, "?DeleteDisc")));
    ASSERT_NE(deleteDisc, nullptr);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round == 0 ? "Escape" : "close");
        ASSERT_TRUE(waitFor([&] { return deleteDisc->isEnabled() && v->canvas()->isEnabled(); }));
        deleteDisc->click();
        QMessageBox* box = nullptr;
        ASSERT_TRUE(waitFor([&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) box = b;
            return box != nullptr;
        }));
        EXPECT_EQ(box->windowTitle(), "Confirm Deletion");
        QPointer<QMessageBox> alive(box);
        if (round == 0) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(box, &esc);
        } else {
            box->close();
        }
        ASSERT_TRUE(waitFor([&] { return !alive || !alive->isVisible(); })) << "the box stays open";
        waitFor([] { return false; }, 100);
        EXPECT_EQ(discs().size(), 1u);
        EXPECT_EQ(fixture::queryColumn(SongBookFileName, "SELECT count(*) FROM data"), std::vector<std::string>{"1"});
    }
    v->top()->close();
    EXPECT_TRUE(waitFor([] { return !rt::programRunning(); }));
}

}  // namespace
