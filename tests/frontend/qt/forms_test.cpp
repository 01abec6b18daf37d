// The program's own forms through the Qt front end: what a host types reaches the program
// however the form is left.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include <string>

#include "printing/CustomizeRequestSlips.h"
#include "qt_fixture.h"
#include "shell/listing/listing_fixture.h"

namespace {

using qtfe::WindowView;

class QtFormTest : public qtfe_test::FrontEndTest {
protected:
    void SetUp() override {
        FrontEndTest::SetUp();
        fixture::pointFileNamesAt(dir_.path());
    }
    void TearDown() override { endProgram(nullptr); }

    QWidget* field(WindowView* v, const std::string& name) {
        for (const auto& c : v->state().controls)
            if (c.name == name) return v->controlWidget(c.id);
        return nullptr;
    }
    static void type(QWidget* target, const QString& text) {
        for (QChar ch : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
            QApplication::sendEvent(target, &press);
        }
    }
    QMessageBox* box() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = qobject_cast<QMessageBox*>(w); b && b->isVisible()) return b;
        return nullptr;
    }

    fixture::TempFolder dir_;
    fixture::ScopedConfigHome config_;
};

// Escape and the title bar's close right after typing, without leaving the field.
TEST_F(QtFormTest, ListingFormLeftRightAfterTypingAsksAboutTheChange) {
    const int rounds = 2;
    rt::startProgram([] {
        DataFileUse songBook(SBK), discs(SBD), genres(GEN);
        listing_test::addGenre("Rock");
        listing_test::addDisc("CV001", "A-1");
        listing_test::addListing("CV001", 1, "Atlas");
        for (int i = 0; i < rounds; ++i) {
            listing_test::readListing("CV001", 1);
            CallRequest = 2;
            UpdateSongBookListing();
        }
    });
    for (int round = 0; round < rounds; ++round) {
        SCOPED_TRACE(round == 0 ? "Escape" : "close");
        WindowView* form = nullptr;
        ASSERT_TRUE(waitFor([&] { return (form = titled(listing_test::kListingForm)) && form->alive(); }));
        auto* title = qobject_cast<QLineEdit*>(field(form, "?SBK:TITLE"));
        ASSERT_NE(title, nullptr);
        ASSERT_TRUE(waitFor([&] { return title->text() == "Atlas"; }));
        title->setFocus();
        // The title reads from its start; End goes to its end to add a letter.
        QKeyEvent end(QEvent::KeyPress, Qt::Key_End, Qt::NoModifier);
        QApplication::sendEvent(title, &end);
        type(title, QStringLiteral("s"));
        ASSERT_EQ(title->text(), "Atlass");
        if (round == 0) {
            QKeyEvent esc(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(title, &esc);
        } else {
            form->top()->close();
        }
        QMessageBox* asked = nullptr;
        ASSERT_TRUE(waitFor([&] { return (asked = box()) != nullptr; }));
        EXPECT_EQ(asked->windowTitle(), "Update Cancelled");
        QAbstractButton* no = nullptr;
        for (auto* b : asked->buttons())
            if (b->text() == "&No") no = b;
        ASSERT_NE(no, nullptr);
        no->click();
        const int was = form->id();
        ASSERT_TRUE(waitFor([&] {
            WindowView* now = titled(listing_test::kListingForm);
            return box() == nullptr && (!now || now->id() != was);
        }));
    }
    EXPECT_TRUE(waitFor([] { return !rt::programRunning(); }));
}

// The slip lines are longer than their fields: each opens at its start, its caption in view.
TEST_F(QtFormTest, SlipLinesOpenAtTheirStart) {
    rt::startProgram([] { CustomizeRequestSlips(); });
    WindowView* v = nullptr;
    ASSERT_TRUE(waitFor([&] { return (v = titled("Customize Request Slips")) && v->alive(); }));
    for (int i = 1; i <= 4; ++i) {
        SCOPED_TRACE(i);
        auto* line = qobject_cast<QLineEdit*>(field(v, "?REQUESTSLIPLINE" + std::to_string(i)));
        ASSERT_NE(line, nullptr);
        ASSERT_TRUE(waitFor([&] { return line->text().size() > 50; }));
        ASSERT_GT(QFontMetrics(line->font()).horizontalAdvance(line->text()), line->width()) << "the line fits whole";
        EXPECT_EQ(line->cursorPosition(), 0);
    }
    auto* ok = qobject_cast<QPushButton*>(field(v, "?OK"));
    ASSERT_NE(ok, nullptr);
    ok->click();
    EXPECT_TRUE(waitFor([] { return !rt::programRunning(); }));
}

}  // namespace
