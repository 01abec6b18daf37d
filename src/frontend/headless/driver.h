#pragma once
// The headless front end: runs a procedure with no screen and acts on its published windows
// the way a person would. Every action waits until the program settles again and returns
// false (with error() telling why) when a person could not have done it.
//
// Texts are found the way a person reads them: case does not matter, "&" marks are ignored
// ("&Open" == "open"), and a menu item's accelerator after a tab is ignored. Windows are
// found by a part of their title; controls by their text, tooltip or use name ("?LIST" or
// "LIST").
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/thread/thread.h"
#include "runtime/window/frontend.h"
#include "runtime/window/window.h"

namespace headless {

// The text of a published state as windows() shows it.
std::string describe(const rt::Published& state);
std::string describe(const rt::WindowState& window, bool active);
std::string describe(const rt::Request& request);

// A text as a person matches it: no "&" marks ("&&" stays one "&"), no accelerator after a
// tab, no surrounding blanks, lower case.
std::string plainText(const std::string& text);

class Driver;

// Actions aimed at one window (found by a part of its title) instead of the active one.
class Target {
public:
    bool press(const std::string& text);
    bool menu(const std::vector<std::string>& path);
    bool type(const std::string& field, const std::string& text);
    bool check(const std::string& name);
    bool setCheck(const std::string& name, bool on);
    bool choose(const std::string& option, const std::string& radio);
    bool select(const std::string& list, int row);
    bool key(const std::string& list, const std::string& key, int row = 0);
    bool scroll(const std::string& list, const std::string& how);
    bool drag(const std::string& list, int thumb);
    bool close();

private:
    friend class Driver;
    Target(Driver& d, std::string title) : d_(d), title_(std::move(title)) {}
    Driver& d_;
    std::string title_;
};

class Driver {
public:
    // Switches the runtime to the virtual clock; timers then move only with wait(), and while
    // settle() lets work under way go on.
    Driver();
    // Ends a program that is still running (see end()) and puts back the clock in use before,
    // so that a program started afterwards (a front end's) runs its timers as before.
    ~Driver();
    Driver(const Driver&) = delete;
    Driver& operator=(const Driver&) = delete;

    // --- the program ---
    // Starts the procedure as program thread 1 and settles. Fails when a program runs already.
    bool start(rt::Procedure procedure);
    // Waits until every program thread waits with an empty queue and no work is under way
    // (rt::WorkUnderWay: pages being drawn): meanwhile the virtual clock runs on, as it must
    // for that work to go on, unless the program asks something.
    bool settle();
    // Ends the program as a person would: dismisses whatever asks (message boxes with their
    // default, dialogs cancelled), then closes windows, newest first, until it has ended.
    // False when it did not end.
    bool end();
    bool running() const;
    // The settle timeout in milliseconds (10 s unless set).
    void setSettleTimeout(int ms) { settleTimeoutMs_ = ms; }

    // --- what a person sees ---
    // Every open window and every request waiting for an answer, as text. Like the other
    // accessors it reads the state taken after the last action (or refresh()).
    std::string windows() const;
    // The state taken after the last action (refresh() reads it again).
    const rt::Published& state() const { return state_; }
    void refresh();
    // The window that takes the input: the active one, or the newest of all that is not blocked.
    std::shared_ptr<const rt::WindowState> active() const;
    // The newest open window whose title contains `title` (an exact title is preferred).
    std::shared_ptr<const rt::WindowState> window(const std::string& title) const;
    // The frame window (the first of kind Frame).
    std::shared_ptr<const rt::WindowState> frame() const;
    std::vector<std::string> titles() const;
    // A control of the active window (or of `window`) by its prompt, text, tooltip or name.
    std::optional<rt::Control> control(const std::string& what) const;
    std::optional<rt::Control> control(const std::string& window, const std::string& what) const;
    // Shortcuts on the active window's controls ("" when missing).
    std::string value(const std::string& what) const;
    std::string text(const std::string& what) const;
    bool enabled(const std::string& what) const;   // false when missing
    bool hidden(const std::string& what) const;    // true when missing
    // Rows of a list of the active window (by name; "" the first visible list): cell texts.
    std::vector<std::vector<std::string>> rows(const std::string& list = {}) const;
    int selectedRow(const std::string& list = {}) const;  // 1-based, 0 none or no list
    std::vector<std::string> headers(const std::string& list = {}) const;
    // Status-bar zones of the active window, or else of the frame.
    std::vector<std::string> status() const;
    // The newest request waiting for an answer, or null.
    std::shared_ptr<const rt::Request> request() const;
    std::vector<std::shared_ptr<const rt::Request>> requests() const;
    std::vector<rt::BeepKind> beeps() const;
    void clearBeeps();

    // --- what a person does (each settles afterwards) ---
    // A button, toolbar button or menu item of the active window (an MDI child's frame menus
    // and toolbar included) by its text or tooltip.
    bool press(const std::string& text);
    // A menu path: {"&File", "&Open"}.
    bool menu(const std::vector<std::string>& path);
    // Types into an entry, combo, spin or drop list (found by its prompt, text or name).
    bool type(const std::string& field, const std::string& text);
    // Clicks a check box (toggles it); setCheck clicks only when it is not already as asked.
    bool check(const std::string& name);
    bool setCheck(const std::string& name, bool on);
    // Picks a radio of an option group (option by its text or name, radio by its text).
    bool choose(const std::string& option, const std::string& radio);
    // Selects a list row (1-based); list by name, "" for the first visible list.
    bool select(const std::string& list, int row);
    bool select(int row) { return select({}, row); }
    // A key on a list: "Insert", "Delete", "CtrlEnter", "Enter", "DoubleClick", "RightClick",
    // "Backspace", "CtrlQuote", "Escape", "Home", "End", "Space", or one printable character. With a
    // row, the row is selected first (as a click does).
    bool key(const std::string& list, const std::string& key, int row = 0);
    // "up", "down", "pageup", "pagedown", "top", "bottom".
    bool scroll(const std::string& list, const std::string& how);
    // Drags a list's scroll thumb to 0..100.
    bool drag(const std::string& list, int thumb);
    // Asks the active window to close (its close box).
    bool close();
    // Answers the showing message box by a button's text.
    bool answer(const std::string& button);
    // Picks an item of the showing pop-up menu by text, or by number ("2"; separators not
    // counted); popup(0) dismisses it.
    bool popup(const std::string& item);
    bool popup(int item);
    // Answers the showing file, folder or printer dialog with a path (printer: its name, or a
    // file to print to when it holds a "/" or is "Print to File (PDF)" alone); colour dialogs
    // take a number ("0x0000FF"), font dialogs "Name,size[,bold][,italic]".
    bool dialog(const std::string& path);
    // Answers the showing printer dialog with "Print to File (PDF)" and the file typed (any
    // name, "" for none).
    bool printToFile(const std::string& file);
    bool dialogCancel();
    bool chooseColor(std::uint32_t color);
    bool chooseFont(const rt::Font& font);
    // Dismisses the newest request as the Escape key would: a message box answers its
    // cancelling button (see rt::escapeValue) and, without one, stays open (false).
    bool dismiss();
    // A user event to the frame's thread (or to a given thread).
    bool post(int event);
    bool postTo(int event, int thread);
    // Moves the virtual clock on and lets the timers that came due fire.
    bool wait(long long hundredths);
    // Makes a window active (clicks into it).
    bool activate(const std::string& title);
    // Actions on one window instead of the active one.
    Target in(const std::string& title) { return Target(*this, title); }

    // Why the last action failed ("" after a success).
    const std::string& error() const { return error_; }

private:
    friend class Target;
    using WindowPtr = std::shared_ptr<const rt::WindowState>;
    bool fail(std::string why);
    bool succeed();
    bool target(const std::string* title, WindowPtr& out);
    bool usable(const rt::WindowState& w);
    bool send(const rt::WindowState& w, const rt::EventData& e, const std::string& what);
    bool findList(const rt::WindowState& w, const std::string& list, const rt::Control*& out);

    bool pressIn(const std::string* title, const std::string& text);
    bool menuIn(const std::string* title, const std::vector<std::string>& path);
    bool typeIn(const std::string* title, const std::string& field, const std::string& text);
    bool checkIn(const std::string* title, const std::string& name, int on);
    bool chooseIn(const std::string* title, const std::string& option, const std::string& radio);
    bool selectIn(const std::string* title, const std::string& list, int row);
    bool keyIn(const std::string* title, const std::string& list, const std::string& key, int row);
    bool scrollIn(const std::string* title, const std::string& list, const std::string& how);
    bool dragIn(const std::string* title, const std::string& list, int thumb);
    bool closeIn(const std::string* title);
    bool answerRequest(const rt::Request& r, const rt::Answer& a);
    // Confirms the dialog `r` (false when none asks) with the answer `fill` gives.
    bool confirm(const std::shared_ptr<const rt::Request>& r, const std::string& dialog,
                 const std::function<void(rt::Answer&)>& fill);
    std::shared_ptr<const rt::Request> newestRequest(bool (*kind)(rt::RequestKind)) const;

    rt::Published state_;
    std::string error_;
    int settleTimeoutMs_ = 10000;
    bool started_ = false;
    bool gaveUp_ = false;  // end() failed: the destructor does not wait for it again
    bool clockWasVirtual_ = false;
};

}  // namespace headless
