#pragma once
// The frame every task procedure runs in: the request it was called with and the response it
// hands back, the record files it uses, its window with the kept placement, the common event
// handling and the close. A procedure builds one TaskWindow and serves its events:
//
//     void RenameThing() {
//         TaskWindow w("", rt::WindowKind::Dialog, -1, -1, 230, 72, {&SBK, &SBD}, "renamething");
//         int ok = w.button("?OK", "OK", ...);
//         w.onFirstDisplay([&] { ... });   // what the window does when it first shows
//         w.open();
//         while (w.accept()) {
//             if (w.code() == rt::EvAccepted && w.field() == ok) { w.response = 1; w.close(); }
//         }
//     }   // files released, placement saved, CallResponse handed back
//
// Start (constructor): request := CallRequest, response := 2 (cancelled), CallRequest and
//   CallResponse := 0; a right-click that started the procedure is forgotten (lastKey()).
// open(): the record files by the use-counting rule (UseDataFile), then the window; the
//   placement is restored when the window keeps one (a section of "songbook.ini"); the
//   window gets the program icon "~songbook.ico" when it has none of its own.
// accept(): the window's next event, after the frame's own part:
//   - the first EvOpenWindow or EvGainFocus runs the first-display step;
//   - a later EvGainFocus (not the one that follows the opening) and EvSized, EvMaximized,
//     EvRestored run the redisplay step, except in accept-all mode;
//   - EvRejected (an entry refused its input): a short beep, the control is shown again and
//     gets the focus back.
//   Every event still reaches the window's code. False once the window has closed.
// Close (close() then the next accept(), a close request nobody refused, or the destructor):
//   the files' use counts are lowered, the placement saved, the window closed, and
//   CallResponse := response (2 when 0). The destructor hands the response back once more,
//   so a response set after the loop still reaches the caller.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "runtime/record/record.h"
#include "runtime/window/window.h"

class TaskWindow : public rt::Window {
public:
    // The INI file that keeps the placements.
    static constexpr const char* PlacementFile = "songbook.ini";
    static constexpr const char* ProgramIcon = "~songbook.ico";

    TaskWindow(std::string title, rt::WindowKind kind, int x, int y, int w, int h,
               std::initializer_list<rt::RecordFile*> files = {},
               std::string placementSection = {});
    ~TaskWindow() override;

    // The caller's request (CallRequest at the start: 1 insert, 2 change, 3 delete, 4 select,
    // 0 a plain call) and the response to hand back (1 completed, 2 cancelled).
    std::int32_t request = 0;
    std::int32_t response = 2;

    // The window's own steps. The first-display step runs once, when the window first opens
    // or gains the focus; the redisplay step on later gains of focus and after a resize.
    void onFirstDisplay(std::function<void()> step) { firstDisplay_ = std::move(step); }
    void onRedisplay(std::function<void()> step) { redisplay_ = std::move(step); }

    // While on (a form checking all its fields in turn), gains of focus and resizes redisplay
    // nothing.
    void setAcceptAll(bool on) { acceptAll_ = on; }
    bool acceptAll() const { return acceptAll_; }

    void open() override;
    bool accept() override;
    void close() override;
    void refuse() override;

    bool filesOpened() const { return filesOpened_; }
    bool windowOpened() const { return windowOpened_; }
    bool firstDisplayDone() const { return firstDisplayDone_; }

    // The last key that reached a task window of this thread (EvAlertKey), 0 when none or
    // forgotten.
    static int lastKey();

private:
    void finish();

    std::vector<rt::RecordFile*> files_;
    std::string section_;
    std::function<void()> firstDisplay_;
    std::function<void()> redisplay_;
    bool filesOpened_ = false;
    bool windowOpened_ = false;
    bool firstDisplayDone_ = false;
    bool acceptAll_ = false;
    bool closeAsked_ = false;     // close() was called
    bool lastWasClose_ = false;   // the event handed over was a close request
    bool refused_ = false;        // ... and the window's code refused it
    bool justOpened_ = false;     // the first display ran on EvOpenWindow; its EvGainFocus follows
    bool finished_ = false;
};

// The wait cursor over the current window (or a given one) for the life of the object; it is
// shown at once, since long work does not wait and would not publish it otherwise.
class WaitCursor {
public:
    WaitCursor();
    explicit WaitCursor(rt::Window& window);
    ~WaitCursor() { end(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
    // The arrow cursor again before the object ends (before a message about the work).
    void end();

private:
    rt::Window* window_ = nullptr;
};
