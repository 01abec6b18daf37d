#include "services/TaskWindow.h"

#include "runtime/thread/thread.h"
#include "services/OpenDataFile.h"
#include "services/WindowPlacement.h"

namespace {
thread_local int ThreadLastKey = 0;
}  // namespace

TaskWindow::TaskWindow(std::string title, rt::WindowKind kind, int x, int y, int w, int h,
                       std::initializer_list<rt::RecordFile*> files, std::string placementSection)
    : rt::Window(std::move(title), kind, x, y, w, h), files_(files),
      section_(std::move(placementSection)) {
    request = CallRequest;
    response = 2;
    CallRequest = 0;
    CallResponse = 0;
    // The right button that started this procedure must not act again in its window.
    if (ThreadLastKey == rt::KeyRightClick) ThreadLastKey = 0;
}

TaskWindow::~TaskWindow() {
    finish();
    CallResponse = response ? response : 2;
}

int TaskWindow::lastKey() { return ThreadLastKey; }

void TaskWindow::open() {
    if (windowOpened_ || finished_) return;
    if (!filesOpened_) {
        for (rt::RecordFile* f : files_) UseDataFile(*f);
        filesOpened_ = true;
    }
    rt::Window::open();
    windowOpened_ = true;
    if (!section_.empty()) RestoreWindowPlacement(*this, PlacementFile, section_);
    if (state().icon.empty()) setIcon(ProgramIcon);
}

void TaskWindow::close() { closeAsked_ = true; }

void TaskWindow::refuse() {
    refused_ = true;
    rt::Window::refuse();
}

bool TaskWindow::accept() {
    if (finished_ || !windowOpened_) return false;
    if (closeAsked_ || (lastWasClose_ && !refused_)) {
        finish();
        return false;
    }
    lastWasClose_ = refused_ = false;
    if (!rt::Window::accept()) {
        // Closed behind the frame's back (through the plain window): finish all the same.
        finish();
        return false;
    }
    const bool followsOpening = justOpened_;
    justOpened_ = false;
    switch (code()) {
    case rt::EvOpenWindow:
    case rt::EvGainFocus:
        if (!firstDisplayDone_) {
            firstDisplayDone_ = true;
            justOpened_ = code() == rt::EvOpenWindow;
            if (firstDisplay_) firstDisplay_();
        } else if (code() == rt::EvGainFocus && !followsOpening && !acceptAll_ && redisplay_) {
            redisplay_();
        }
        break;
    case rt::EvSized:
    case rt::EvMaximized:
    case rt::EvRestored:
        if (firstDisplayDone_ && !acceptAll_ && redisplay_) redisplay_();
        break;
    case rt::EvRejected:
        if (field()) {
            rt::beep(rt::BeepKind::Plain);
            edit(field());  // shows the control's own value again
            select(field());
        }
        break;
    case rt::EvAlertKey:
        ThreadLastKey = event().key;
        break;
    case rt::EvCloseWindow:
        lastWasClose_ = true;
        break;
    default:
        break;
    }
    return true;
}

void TaskWindow::finish() {
    if (finished_) return;
    finished_ = true;
    if (filesOpened_) {
        for (auto it = files_.rbegin(); it != files_.rend(); ++it) ReleaseDataFile(**it);
        filesOpened_ = false;
    }
    if (windowOpened_) {
        // Not while the program unwinds at its end: nobody reopens the window then.
        if (!section_.empty() && !rt::halted()) SaveWindowPlacement(*this, PlacementFile, section_);
        rt::Window::close();
        rt::Window::accept();
        windowOpened_ = false;
    }
    CallResponse = response ? response : 2;
}

WaitCursor::WaitCursor() : window_(rt::currentWindow()) {
    if (!window_) return;
    window_->setWaitCursor(true);
    window_->display();
}

WaitCursor::WaitCursor(rt::Window& window) : window_(&window) {
    window_->setWaitCursor(true);
    window_->display();
}

void WaitCursor::end() {
    if (!window_) return;
    window_->setWaitCursor(false);
    window_ = nullptr;
}
