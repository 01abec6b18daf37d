#pragma once
// What the Qt front end's tests share: one QApplication on the offscreen platform, waiting
// while the GUI thread runs, finding the program's windows, and taking the program down.
#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>

#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "frontend/qt/qt_frontend.h"
#include "frontend/qt/window_view.h"
#include "runtime/thread/thread.h"
#include "runtime/window/frontend.h"
#include "runtime/window/window.h"

namespace qtfe_test {

// The one application of the test program, whichever suite runs first.
class QtAppTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (!qApp) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
            static int argc = 1;
            static char name[] = "test_frontend_qt";
            static char* argv[] = {name, nullptr};
            new QApplication(argc, argv);
            QApplication::setQuitOnLastWindowClosed(false);
        }
    }
};

// A front end installed for each test; the test starts the program.
class FrontEndTest : public QtAppTest {
protected:
    void SetUp() override {
        fe_ = std::make_unique<qtfe::QtFrontEnd>();
        fe_->install();
    }

    // Closes the program's last window and waits for it to end; one that does not is stopped.
    // Once is enough: the front end goes with it.
    void endProgram(qtfe::WindowView* last) {
        if (!fe_) return;
        if (last) last->top()->close();
        waitFor([&] { return !rt::programRunning(); }, 5000);
        rt::stopProgram();
        fe_->uninstall();
        rt::joinProgram();
        fe_.reset();
        QApplication::processEvents();
    }

    // Runs the GUI thread until ready() holds or ms pass.
    static bool waitFor(const std::function<bool()>& ready, int ms = 5000) {
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < until) {
            QApplication::processEvents(QEventLoop::AllEvents, 5);
            if (ready()) return true;
            QThread::msleep(2);
        }
        QApplication::processEvents();
        return ready();
    }

    qtfe::WindowView* titled(const std::string& title) {
        for (const auto& w : rt::published().windows)
            if (w->title == title) return fe_->view(w->id);
        return nullptr;
    }
    qtfe::WindowView* frame() {
        for (const auto& w : rt::published().windows)
            if (w->kind == rt::WindowKind::Frame) return fe_->view(w->id);
        return nullptr;
    }
    qtfe::WindowView* waitTitled(const std::string& title) {
        qtfe::WindowView* v = nullptr;
        waitFor([&] { return (v = titled(title)) != nullptr; });
        return v;
    }

    std::unique_ptr<qtfe::QtFrontEnd> fe_;
};

}  // namespace qtfe_test
