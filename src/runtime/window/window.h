#pragma once
// Window and control models. A window belongs to the program thread that opened it; the
// program changes its model, and the front ends draw immutable copies that the runtime
// publishes whenever the thread waits (or display() is called). User input reaches the
// model only as events that carry the new value, applied when accept() hands them over.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "runtime/window/font.h"

namespace rt {

enum class WindowKind { Frame, MdiChild, Dialog };

enum class ControlKind {
    Button, Entry, Text, Prompt, Check, Option, Radio, Combo, DropList, Spin, List,
    Sheet, Tab, Image, Box, Line, Progress, Group, Menu, MenuItem, Separator, ToolButton,
    Page,  // a printed page: text is its page file, value its zoom (see report/render)
};
const char* kindName(ControlKind k);

enum Event : int {
    EvNone = 0,
    EvAccepted, EvNewSelection, EvScrollUp, EvScrollDown, EvPageUp, EvPageDown,
    EvScrollTop, EvScrollBottom, EvScrollDrag, EvAlertKey, EvRejected, EvSelected,
    EvOpenWindow, EvGainFocus, EvLoseFocus, EvSized, EvMoved, EvMaximized, EvIconized,
    EvRestored, EvCloseWindow, EvCloseDown, EvTimer,
    EvUser = 0x400,  // user events are 0x401 and up
};
std::string eventName(int code);

// Keys that reach the program as EvAlertKey (printable characters come as their code point).
// An edit cell laid over a list row (an entry whose parent is the list) also reports the keys
// that move through the list, from KeyUp on: the program stores the cell before it moves.
enum KeyCode : int {
    KeyInsert = 0x10001, KeyDelete, KeyCtrlEnter, KeyEnter, KeyDoubleClick, KeyRightClick,
    KeyBackspace, KeyCtrlQuote, KeyEscape, KeyHome, KeyEnd,
    KeyUp, KeyDown, KeyPageUp, KeyPageDown, KeyCtrlUp, KeyCtrlDown, KeyCtrlPageUp, KeyCtrlPageDown,
    KeyCtrlHome, KeyCtrlEnd, KeyCtrlLeft, KeyCtrlRight, KeyCtrlInsert, KeyCtrlDelete,
};
// True for the keys an edit cell over a list row reports (KeyUp to KeyCtrlDelete).
constexpr bool isCellKey(int key) { return key >= KeyUp && key <= KeyCtrlDelete; }

struct EventData {
    EventData() = default;
    EventData(int code_, int control_ = 0) : code(code_), control(control_) {}
    int code = EvNone;
    int control = 0;       // control id, 0 for window events
    int key = 0;           // EvAlertKey: the key
    int column = 0;        // list events: the column clicked (1-based), 0 when unknown
    long long value = 0;   // EvNewSelection: row; EvScrollDrag: thumb (0..100)
    std::string text;      // the control's new value (entries, checks "1"/"0", options, combos)
    bool hasText = false;
};

struct Column {
    std::string header;
    int width = 40;        // dialog units
    char align = 'L';      // 'L', 'C', 'R'
    bool resizable = true;
};

struct Cell {
    std::string text;
    std::uint32_t fg = kNoColor, bg = kNoColor, selFg = kNoColor, selBg = kNoColor;
};

struct Row {
    std::vector<Cell> cells;
};

struct Control {
    int id = 0;
    ControlKind kind = ControlKind::Text;
    std::string name;          // "?LIST", "?BUTTON6"
    int parent = 0;            // group, sheet, tab, menu or option the control belongs to
    int x = 0, y = 0, w = 0, h = 0;  // dialog units
    std::string text;          // caption, or an image's file
    std::string value;         // entry text, check "1"/"0", option number, combo text, progress
    std::string tooltip;
    std::string message;       // status-bar message of menu items and toolbar buttons
    std::string icon;
    std::string picture;       // entry picture ("@s40", "@n6b", "@d1")
    bool enabled = true;
    bool hidden = false;
    bool isDefault = false;    // the default button
    bool readOnly = false;
    bool boxed = false;        // a group drawn with a frame
    int maxChars = 0;          // entries: width in characters
    Font font;
    std::uint32_t fg = kNoColor, bg = kNoColor, selFg = kNoColor, selBg = kNoColor;
    // Lists
    std::vector<Column> columns;
    std::vector<Row> rows;     // the page the program shows
    int selected = 0;          // highlighted row, 1-based, 0 none
    int thumb = 0;             // 0..101
    bool vscroll = true;
    // Combos and drop lists
    std::vector<std::string> choices;
    std::uint64_t rev = 0;     // bumped whenever the program changes the control
};

// An immutable copy of a window as the front ends see it.
struct WindowState {
    int id = 0;
    int thread = 0;
    WindowKind kind = WindowKind::Dialog;
    std::string title;
    int x = -1, y = -1, w = 200, h = 150;   // dialog units; -1: centred / placed by the front end
    int minW = 0, minH = 0;
    bool resizable = false;
    bool maximized = false, minimized = false;
    bool modalBlocked = false;              // an newer window of its thread takes the input
    bool waitCursor = false;
    std::string icon;
    Font font;
    std::vector<Control> controls;
    std::vector<std::string> status;        // status-bar zones
    int focus = 0;
    std::uint64_t focusSerial = 0;          // a new one whenever the program gives a control the focus
    bool toolTipsOn = true;
    // The frame asks the front end to arrange its MDI children: a new serial each time.
    int arrange = 0;                        // ArrangeKind
    std::uint64_t arrangeSerial = 0;
    std::uint64_t rev = 0;
};

enum ArrangeKind : int { ArrangeTile = 1, ArrangeCascade = 2, ArrangeIcons = 3 };

enum class Icon { None, Exclamation, Question, Hand, Asterisk };
enum Buttons : unsigned {
    BtnOk = 1, BtnYes = 2, BtnNo = 4, BtnAbort = 8, BtnRetry = 16, BtnIgnore = 32,
    BtnCancel = 64, BtnHelp = 128,
};

// A request the program waits on: message box, pop-up menu, file/folder/colour/font/printer dialog.
enum class RequestKind { Message, Popup, OpenFile, SaveFile, Folder, Color, Font, Printer };

struct Request {
    int id = 0;
    int thread = 0;
    int window = 0;            // the window it belongs to (0: none)
    RequestKind kind = RequestKind::Message;
    std::string title;
    std::string text;          // message text ("|" already turned into new lines)
    Icon icon = Icon::None;
    std::vector<std::string> buttons;  // button captions in order
    std::vector<int> values;           // what each button returns
    int defaultValue = 0;
    std::vector<std::string> items;    // pop-up items (a leading "~" greys an item, "-" is a line)
    std::string filter;                // "SongBook Backup|*.bkp|All Files|*.*"
    std::string path;                  // initial path / folder; printer dialogs: the printer or file
    bool toFile = false;               // printer dialogs: printing to a file (PDF), `path` its name
    std::uint32_t color = 0;
    Font font;
};

// The value a message box answers on Escape or when it is closed without a choice: its
// cancelling button ("Cancel" or a caption ending in it, such as "No Cancel"; else "No" in a
// box that asks Yes or No), or its only button.
// 0 when it has none: such a box waits for a choice.
int escapeValue(const Request& r);

struct Answer {
    int value = 0;           // the button's value; pop-up: the item's number (0 cancelled)
    bool ok = false;         // dialogs: confirmed
    std::string path;        // file/folder dialogs; printer name, or the file printed to
    bool toFile = false;     // printer dialogs: the host chose to print to a file (PDF)
    std::uint32_t color = 0;
    Font font;
};

class Window {
public:
    Window(std::string title, WindowKind kind, int x, int y, int w, int h);
    virtual ~Window();  // closes the window if it is still open
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // --- building (before or after open) ---
    int add(Control c);  // returns the control's id
    // Any control by its kind; returns its id.
    int add(ControlKind kind, const std::string& name, const std::string& text, int x, int y, int w, int h,
            int parent = 0);
    // An option (a group of radio buttons; its value is the chosen radio's number from 1) and
    // its radios, numbered in the order they are added.
    int option(const std::string& name, const std::string& text, int x, int y, int w, int h);
    int radio(int option, const std::string& name, const std::string& text, int x, int y, int w, int h);
    // A typing field with a drop-down list (its columns' headers) of choices.
    int combo(const std::string& name, const std::string& picture, int x, int y, int w, int h,
              std::vector<Column> columns = {});
    int button(const std::string& name, const std::string& text, int x, int y, int w, int h);
    int entry(const std::string& name, const std::string& picture, int x, int y, int w, int h);
    int text(const std::string& name, const std::string& text, int x, int y, int w, int h);
    int prompt(const std::string& name, const std::string& text, int x, int y, int w, int h);
    int check(const std::string& name, const std::string& text, int x, int y, int w, int h);
    int group(const std::string& name, const std::string& text, int x, int y, int w, int h);
    int list(const std::string& name, int x, int y, int w, int h, std::vector<Column> columns);
    int image(const std::string& name, const std::string& file, int x, int y, int w, int h);
    int menu(const std::string& text, int parent = 0);
    int menuItem(int menu, const std::string& text, const std::string& message = {});
    int separator(int menu);
    int toolButton(const std::string& name, const std::string& icon, const std::string& tooltip,
                   int x, int y, int w, int h);
    void setResizable(bool on);
    void setIcon(const std::string& icon);
    void setFont(const Font& f);
    void setMinSize(int w, int h);

    // --- life cycle ---
    // open, accept, refuse and close are virtual so that a window with its own frame around
    // them (TaskWindow) is served the same way through a plain rt::Window&.
    virtual void open();
    bool isOpen() const;
    // The event loop: waits for the next event of this window and hands it over in event();
    // false once the window has closed (after a close request nobody refused, or close()).
    virtual bool accept();
    const EventData& event() const;
    int code() const;      // event().code
    int field() const;     // event().control
    // Keeps the window open after EvCloseWindow (the handler refused the close).
    virtual void refuse();
    // Closes the window: accept() then returns false.
    virtual void close();
    // Queues an event for this window (a close request: EvCloseWindow).
    void post(int code, int control = 0);
    // Sends the window to the front ends now (progress during a long loop).
    void display();

    // --- reading and changing controls ---
    // Reading a control never marks it changed; edit() does, so the front ends get it again.
    const Control& ctl(int id) const;
    Control& edit(int id);
    int find(const std::string& name) const;  // by use name ("?LIST"); 0 when missing
    void setText(int id, const std::string& text);
    void setValue(int id, const std::string& value);
    const std::string& value(int id) const;
    void enable(int id, bool on = true);
    void disable(int id) { enable(id, false); }
    void hide(int id, bool on = true);
    void unhide(int id) { hide(id, false); }
    void setTooltip(int id, const std::string& tip);
    void setRows(int id, std::vector<Row> rows);
    void setSelected(int id, int row);
    void setThumb(int id, int thumb);
    void showScrollBar(int id, bool on);
    void setChoices(int id, std::vector<std::string> choices);
    void setColumns(int id, std::vector<Column> cols);
    void setControlFont(int id, const Font& f);
    void setColors(int id, std::uint32_t fg, std::uint32_t bg, std::uint32_t selFg = kNoColor,
                   std::uint32_t selBg = kNoColor);
    void setPosition(int id, int x, int y, int w, int h);
    void select(int id);   // gives the control the focus
    int focus() const;
    // Rows a list shows at once, from its height.
    int visibleRows(int id) const;

    // --- the window itself ---
    void setTitle(const std::string& title);
    const std::string& title() const;
    void setStatus(const std::string& text, int zone = 0);
    void setTimer(int hundredths);  // 0 stops it
    int timer() const;
    void setGeometry(int x, int y, int w, int h);
    int x() const; int y() const; int width() const; int height() const;
    bool maximized() const; bool minimized() const; bool resizable() const;
    void maximize(bool on = true);
    void minimize(bool on = true);
    void restore();
    void setWaitCursor(bool on);
    void setToolTips(bool on);
    bool toolTips() const;
    int id() const;
    int threadNo() const;
    WindowKind kind() const;
    const WindowState& state() const;

    // A frame's MDI children tiled, cascaded, or their icons arranged (by the front end).
    void arrangeChildren(ArrangeKind kind);

    // Shows a pop-up menu ("Item|~Greyed|-|Other") and returns the chosen item's number
    // (counting separators not), 0 when dismissed.
    int popup(const std::string& items);

private:
    void touch(Control& c);
    void touchWindow();
    struct Impl;
    std::unique_ptr<Impl> impl_;
    friend struct RuntimeAccess;
};

// The newest open window of the calling thread (the one that takes its input), or null.
Window* currentWindow();

// A message box; buttons from Buttons, returns the value of the button pressed.
// "|" in the text starts a new line.
int message(const std::string& text, const std::string& title = {}, Icon icon = Icon::None,
            unsigned buttons = BtnOk, unsigned defaultButton = 0, bool systemModal = false);
// A message box with its own buttons ("&This Listing|&Entire Disc|&Cancel"); returns the
// chosen button's number from 1, the default's number when dismissed.
int message(const std::string& text, const std::string& title, Icon icon,
            const std::string& customButtons, int defaultButton = 1);

// File and folder dialogs. Return true with the chosen path when confirmed. A file dialog in
// open mode (a file to read) refuses a folder, FIFO or device with a message and asks again.
bool fileDialog(const std::string& title, std::string& path, const std::string& filter,
                bool save = false);
bool folderDialog(const std::string& title, std::string& folder);
bool colorDialog(const std::string& title, std::uint32_t& color);
bool fontDialog(const std::string& title, Font& font);
// The printer dialog: a printer by name, or (toFile) printing to a PDF file named `printer`
// (empty: none named yet). Both go in and come back.
bool printerDialog(const std::string& title, std::string& printer, bool& toFile);

enum class BeepKind { Plain, Information, Exclamation, Question, Hand };
void beep(BeepKind kind = BeepKind::Plain);

// Posts an event to the oldest open window of another program thread.
bool postToThread(int code, int threadNo);

// Asks every MDI child of the other threads in turn to close (EvCloseWindow), after the
// windows its thread opened over it, and waits for each to close or refuse (questions it asks
// answered); false when one refused (it stays open, and so may the frame).
bool closeMdiChildren();

// Tooltips on or off program-wide.
bool toolTipsOn();
void setToolTipsOn(bool on);

}  // namespace rt
