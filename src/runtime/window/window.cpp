#include "runtime/window/window.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "runtime/files/folder.h"
#include "runtime/files/input_file.h"
#include "runtime/thread/core.h"
#include "runtime/window/frontend.h"

namespace rt {
namespace core {

struct WindowImpl {
    WindowState st;
    std::deque<EventData> queue;
    bool open = false;
    bool closeNow = false;
    bool lastWasClose = false;
    bool refused = false;
    bool dirty = true;
    EventData ev;
    int timerPeriod = 0;
    long long timerDue = 0;
    ThreadRec* thread = nullptr;
    Window* owner = nullptr;
    int nextControl = 1;
};

WindowImpl* findWindow(int id) {
    for (auto* w : core().openWindows)
        if (w->st.id == id) return w;
    return nullptr;
}

void queueEvent(WindowImpl* w, const EventData& e) {
    w->queue.push_back(e);
    if (w->thread) wake(w->thread);
}

void fireTimers(long long now) {
    for (auto* w : core().openWindows) {
        if (w->timerPeriod <= 0 || w->timerDue > now) continue;
        bool pending = std::any_of(w->queue.begin(), w->queue.end(),
                                   [](const EventData& e) { return e.code == EvTimer; });
        if (!pending) queueEvent(w, EventData{EvTimer});
        w->timerDue = now + w->timerPeriod;
    }
}

long long nextTimerDue() {
    long long best = -1;
    for (auto* w : core().openWindows)
        if (w->timerPeriod > 0 && (best < 0 || w->timerDue < best)) best = w->timerDue;
    return best;
}

void publishAll() {
    Core& c = core();
    bool changed = false;
    {
        std::lock_guard lk(c.m);
        for (auto* w : c.openWindows) {
            bool blocked = w->thread && !w->thread->windows.empty() && w->thread->windows.back() != w;
            if (blocked != w->st.modalBlocked || w->st.toolTipsOn != c.toolTips) w->dirty = true;
            if (!w->dirty) continue;
            w->st.modalBlocked = blocked;
            w->st.toolTipsOn = c.toolTips;
            ++w->st.rev;
            c.published[w->st.id] = std::make_shared<const WindowState>(w->st);
            w->dirty = false;
            changed = true;
        }
        if (changed) ++c.serial;
    }
}

void resetForRun() {
    Core& c = core();
    std::lock_guard lk(c.m);
    c.busy = 0;
    c.threads.clear();
    c.openWindows.clear();
    c.published.clear();
    c.requests.clear();
    c.answers.clear();
    c.active = 0;
    c.nextThread = 1;
    c.halting = false;
    c.beeps.clear();
    c.toolTips = true;
    ++c.serial;
}

namespace {

// Makes another window active after `gone` closed: the newest open window that takes input.
void fallBackActive() {
    Core& c = core();
    for (auto it = c.openWindows.rbegin(); it != c.openWindows.rend(); ++it) {
        WindowImpl* w = *it;
        if (w->thread && !w->thread->windows.empty() && w->thread->windows.back() == w) {
            c.active = w->st.id;
            queueEvent(w, EventData{EvGainFocus});
            return;
        }
    }
    c.active = 0;
}

Answer request(Request r) {
    Core& c = core();
    int id;
    {
        std::lock_guard lk(c.m);
        id = r.id = c.nextRequest++;
        r.thread = self() ? self()->no : 0;
        if (self() && !self()->windows.empty()) r.window = self()->windows.back()->st.id;
        c.requests.push_back(std::make_shared<const Request>(std::move(r)));
        ++c.serial;
    }
    bool ok = waitFor([&] { return c.answers.count(id) > 0; });
    std::lock_guard lk(c.m);
    Answer a;
    if (ok && c.answers.count(id)) a = c.answers[id];
    c.answers.erase(id);
    c.requests.erase(std::remove_if(c.requests.begin(), c.requests.end(),
                                    [&](const auto& q) { return q->id == id; }),
                     c.requests.end());
    ++c.serial;
    return a;
}

}  // namespace
}  // namespace core

struct Window::Impl : core::WindowImpl {};

const char* kindName(ControlKind k) {
    switch (k) {
    case ControlKind::Button: return "button";
    case ControlKind::Entry: return "entry";
    case ControlKind::Text: return "text";
    case ControlKind::Prompt: return "prompt";
    case ControlKind::Check: return "check";
    case ControlKind::Option: return "option";
    case ControlKind::Radio: return "radio";
    case ControlKind::Combo: return "combo";
    case ControlKind::DropList: return "droplist";
    case ControlKind::Spin: return "spin";
    case ControlKind::List: return "list";
    case ControlKind::Sheet: return "sheet";
    case ControlKind::Tab: return "tab";
    case ControlKind::Image: return "image";
    case ControlKind::Box: return "box";
    case ControlKind::Line: return "line";
    case ControlKind::Progress: return "progress";
    case ControlKind::Group: return "group";
    case ControlKind::Menu: return "menu";
    case ControlKind::MenuItem: return "item";
    case ControlKind::Separator: return "separator";
    case ControlKind::ToolButton: return "toolbutton";
    case ControlKind::Page: return "page";
    }
    return "control";
}

std::string eventName(int code) {
    static const char* names[] = {
        "None", "Accepted", "NewSelection", "ScrollUp", "ScrollDown", "PageUp", "PageDown",
        "ScrollTop", "ScrollBottom", "ScrollDrag", "AlertKey", "Rejected", "Selected",
        "OpenWindow", "GainFocus", "LoseFocus", "Sized", "Moved", "Maximized", "Iconized",
        "Restored", "CloseWindow", "CloseDown", "Timer"};
    if (code >= 0 && code <= EvTimer) return names[code];
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%X", code);
    return buf;
}

Window::Window(std::string title, WindowKind kind, int x, int y, int w, int h)
    : impl_(std::make_unique<Impl>()) {
    auto& s = impl_->st;
    {
        std::lock_guard lk(core::core().m);
        s.id = core::core().nextWindow++;
    }
    s.title = std::move(title);
    s.kind = kind;
    s.x = x;
    s.y = y;
    s.w = w;
    s.h = h;
    s.status.assign(1, std::string());
}

Window::~Window() {
    if (impl_->open) {
        impl_->closeNow = true;
        Window::accept();
    }
}

int Window::add(Control c) {
    c.id = impl_->nextControl++;
    c.rev = 1;
    impl_->st.controls.push_back(std::move(c));
    impl_->dirty = true;
    return impl_->st.controls.back().id;
}

namespace {
// The characters a text or number picture allows ("@s40", "@n6b", "@n_15"); 0 for others.
int textPictureWidth(const std::string& pic) {
    if (pic.size() < 3 || pic[0] != '@') return 0;
    const char kind = static_cast<char>(std::tolower(static_cast<unsigned char>(pic[1])));
    if (kind != 's' && kind != 'n') return 0;
    std::size_t i = 2;
    while (i < pic.size() && (pic[i] == '_' || pic[i] == '-')) ++i;
    return std::atoi(pic.c_str() + i);
}

Control make(ControlKind k, const std::string& name, const std::string& text, int x, int y, int w, int h) {
    Control c;
    c.kind = k;
    c.name = name;
    c.text = text;
    c.x = x;
    c.y = y;
    c.w = w;
    c.h = h;
    return c;
}
}  // namespace

int Window::add(ControlKind k, const std::string& n, const std::string& t, int x, int y, int w, int h,
                int parent) {
    Control c = make(k, n, t, x, y, w, h);
    c.parent = parent;
    return add(std::move(c));
}
int Window::option(const std::string& n, const std::string& t, int x, int y, int w, int h) {
    Control c = make(ControlKind::Option, n, t, x, y, w, h);
    c.boxed = !t.empty();
    return add(std::move(c));
}
int Window::radio(int opt, const std::string& n, const std::string& t, int x, int y, int w, int h) {
    int number = 1;
    for (const auto& c : impl_->st.controls)
        if (c.kind == ControlKind::Radio && c.parent == opt) ++number;
    Control c = make(ControlKind::Radio, n, t, x, y, w, h);
    c.parent = opt;
    c.value = std::to_string(number);
    return add(std::move(c));
}
int Window::combo(const std::string& n, const std::string& pic, int x, int y, int w, int h,
                  std::vector<Column> cols) {
    Control c = make(ControlKind::Combo, n, "", x, y, w, h);
    c.picture = pic;
    c.maxChars = textPictureWidth(pic);
    c.columns = std::move(cols);
    return add(std::move(c));
}
int Window::button(const std::string& n, const std::string& t, int x, int y, int w, int h) {
    return add(make(ControlKind::Button, n, t, x, y, w, h));
}
int Window::entry(const std::string& n, const std::string& pic, int x, int y, int w, int h) {
    Control c = make(ControlKind::Entry, n, "", x, y, w, h);
    c.picture = pic;
    c.maxChars = textPictureWidth(pic);
    return add(std::move(c));
}
int Window::text(const std::string& n, const std::string& t, int x, int y, int w, int h) {
    return add(make(ControlKind::Text, n, t, x, y, w, h));
}
int Window::prompt(const std::string& n, const std::string& t, int x, int y, int w, int h) {
    return add(make(ControlKind::Prompt, n, t, x, y, w, h));
}
int Window::check(const std::string& n, const std::string& t, int x, int y, int w, int h) {
    Control c = make(ControlKind::Check, n, t, x, y, w, h);
    c.value = "0";
    return add(std::move(c));
}
int Window::group(const std::string& n, const std::string& t, int x, int y, int w, int h) {
    Control c = make(ControlKind::Group, n, t, x, y, w, h);
    c.boxed = true;
    return add(std::move(c));
}
int Window::list(const std::string& n, int x, int y, int w, int h, std::vector<Column> cols) {
    Control c = make(ControlKind::List, n, "", x, y, w, h);
    c.columns = std::move(cols);
    return add(std::move(c));
}
int Window::image(const std::string& n, const std::string& file, int x, int y, int w, int h) {
    return add(make(ControlKind::Image, n, file, x, y, w, h));
}
int Window::menu(const std::string& t, int parent) {
    Control c = make(ControlKind::Menu, "", t, 0, 0, 0, 0);
    c.parent = parent;
    return add(std::move(c));
}
int Window::menuItem(int m, const std::string& t, const std::string& msg) {
    Control c = make(ControlKind::MenuItem, "", t, 0, 0, 0, 0);
    c.parent = m;
    c.message = msg;
    return add(std::move(c));
}
int Window::separator(int m) {
    Control c = make(ControlKind::Separator, "", "", 0, 0, 0, 0);
    c.parent = m;
    return add(std::move(c));
}
int Window::toolButton(const std::string& n, const std::string& icon, const std::string& tip, int x, int y,
                       int w, int h) {
    Control c = make(ControlKind::ToolButton, n, "", x, y, w, h);
    c.icon = icon;
    c.tooltip = tip;
    return add(std::move(c));
}
void Window::setResizable(bool on) { impl_->st.resizable = on; touchWindow(); }
void Window::setIcon(const std::string& icon) { impl_->st.icon = icon; touchWindow(); }
void Window::setFont(const Font& f) { impl_->st.font = f; touchWindow(); }
void Window::setMinSize(int w, int h) { impl_->st.minW = w; impl_->st.minH = h; touchWindow(); }

void Window::open() {
    auto& c = core::core();
    auto* me = core::self();
    if (!me) throw std::logic_error("windows open on program threads only");
    if (impl_->open) return;
    std::lock_guard lk(c.m);
    impl_->open = true;
    impl_->closeNow = impl_->lastWasClose = impl_->refused = false;
    impl_->thread = me;
    impl_->owner = this;
    impl_->st.thread = me->no;
    for (auto* w : me->windows) w->dirty = true;
    me->windows.push_back(impl_.get());
    c.openWindows.push_back(impl_.get());
    c.active = impl_->st.id;
    impl_->queue.push_back(EventData{EvOpenWindow});
    impl_->queue.push_back(EventData{EvGainFocus});
    if (impl_->timerPeriod > 0) impl_->timerDue = clockHundredths() + impl_->timerPeriod;
    impl_->dirty = true;
    ++c.serial;
}

bool Window::isOpen() const { return impl_->open; }

namespace {
void applyInput(WindowState& st, const EventData& e) {
    if (e.control) {
        for (auto& c : st.controls) {
            if (c.id != e.control) continue;
            if (e.hasText) c.value = e.text;
            // A new selection the program posted itself carries no row: the highlight stays.
            if (e.code == EvNewSelection && e.value > 0 &&
                (c.kind == ControlKind::List || c.kind == ControlKind::Sheet))
                c.selected = static_cast<int>(e.value);
            // The user's input marks where the focus is; a new selection the program posted
            // itself (a list filling as its window opens) leaves the focus where it was put.
            if (e.code == EvAccepted || e.code == EvSelected || (e.code == EvNewSelection && e.value > 0))
                st.focus = c.id;
            break;
        }
        return;
    }
    switch (e.code) {
    case EvMaximized: st.maximized = true; st.minimized = false; break;
    case EvIconized: st.minimized = true; break;
    case EvRestored: st.maximized = false; st.minimized = false; break;
    case EvSized:
        if (e.hasText) {
            int w = 0, h = 0;
            if (std::sscanf(e.text.c_str(), "%d,%d", &w, &h) == 2) { st.w = w; st.h = h; }
        }
        break;
    case EvMoved:
        if (e.hasText) {
            int x = 0, y = 0;
            if (std::sscanf(e.text.c_str(), "%d,%d", &x, &y) == 2) { st.x = x; st.y = y; }
        }
        break;
    default: break;
    }
}
}  // namespace

bool Window::accept() {
    auto& c = core::core();
    Impl& I = *impl_;
    if (!I.open) return false;
    if (!I.closeNow && !(I.lastWasClose && !I.refused)) {
        I.refused = false;
        I.lastWasClose = false;
        bool ok = core::waitFor([&] { return !I.queue.empty() || I.closeNow; });
        if (ok && !I.closeNow) {
            std::lock_guard lk(c.m);
            I.ev = I.queue.front();
            I.queue.pop_front();
            if (I.ev.code == EvCloseWindow) I.lastWasClose = true;
            applyInput(I.st, I.ev);
            I.dirty = true;
            return true;
        }
    }
    // Close.
    {
        std::lock_guard lk(c.m);
        I.open = false;
        I.queue.clear();
        auto& mine = I.thread->windows;
        mine.erase(std::remove(mine.begin(), mine.end(), &I), mine.end());
        for (auto* w : mine) w->dirty = true;
        c.openWindows.erase(std::remove(c.openWindows.begin(), c.openWindows.end(), &I), c.openWindows.end());
        c.published.erase(I.st.id);
        if (c.active == I.st.id) core::fallBackActive();
        core::wakeWatchers();
        ++c.serial;
    }
    I.ev = EventData{};
    core::publishAll();
    core::notifyChanged();
    return false;
}

const EventData& Window::event() const { return impl_->ev; }
int Window::code() const { return impl_->ev.code; }
int Window::field() const { return impl_->ev.control; }
void Window::refuse() { impl_->refused = true; }
void Window::close() { impl_->closeNow = true; }

void Window::post(int code, int control) {
    std::lock_guard lk(core::core().m);
    EventData e;
    e.code = code;
    e.control = control;
    core::queueEvent(impl_.get(), e);
}

void Window::display() {
    impl_->dirty = true;
    core::publishAll();
    core::notifyChanged();
}

Control& Window::edit(int id) {
    for (auto& c : impl_->st.controls)
        if (c.id == id) { touch(c); return c; }
    throw std::out_of_range("no control " + std::to_string(id));
}
const Control& Window::ctl(int id) const {
    for (auto& c : impl_->st.controls)
        if (c.id == id) return c;
    throw std::out_of_range("no control " + std::to_string(id));
}
int Window::find(const std::string& name) const {
    for (auto& c : impl_->st.controls)
        if (c.name == name) return c.id;
    return 0;
}

void Window::touch(Control& c) {
    ++c.rev;
    impl_->dirty = true;
}
void Window::touchWindow() { impl_->dirty = true; }

void Window::setText(int id, const std::string& t) { edit(id).text = t; }
void Window::setValue(int id, const std::string& v) { edit(id).value = v; }
const std::string& Window::value(int id) const { return ctl(id).value; }
void Window::enable(int id, bool on) {
    const Control& c = ctl(id);
    if (c.enabled != on) edit(id).enabled = on;
}
void Window::hide(int id, bool on) {
    const Control& c = ctl(id);
    if (c.hidden != on) edit(id).hidden = on;
}
void Window::setTooltip(int id, const std::string& tip) { edit(id).tooltip = tip; }
void Window::setRows(int id, std::vector<Row> rows) { edit(id).rows = std::move(rows); }
void Window::setSelected(int id, int row) { edit(id).selected = row; }
void Window::setThumb(int id, int thumb) {
    if (ctl(id).thumb != thumb) edit(id).thumb = thumb;
}
void Window::showScrollBar(int id, bool on) {
    if (ctl(id).vscroll != on) edit(id).vscroll = on;
}
void Window::setChoices(int id, std::vector<std::string> ch) { edit(id).choices = std::move(ch); }
void Window::setColumns(int id, std::vector<Column> cols) { edit(id).columns = std::move(cols); }
void Window::setControlFont(int id, const Font& f) { edit(id).font = f; }
void Window::setColors(int id, std::uint32_t fg, std::uint32_t bg, std::uint32_t sfg, std::uint32_t sbg) {
    Control& c = edit(id);
    c.fg = fg;
    c.bg = bg;
    c.selFg = sfg;
    c.selBg = sbg;
}
void Window::setPosition(int id, int x, int y, int w, int h) {
    Control& c = edit(id);
    c.x = x;
    c.y = y;
    c.w = w;
    c.h = h;
}
void Window::select(int id) {
    impl_->st.focus = id;
    ++impl_->st.focusSerial;  // the same control again still takes the focus back
    touchWindow();
}
int Window::focus() const { return impl_->st.focus; }

int Window::visibleRows(int id) const {
    const Control& c = ctl(id);
    return std::max(1, (c.h - 10) / 8);
}

void Window::setTitle(const std::string& t) { impl_->st.title = t; touchWindow(); }
const std::string& Window::title() const { return impl_->st.title; }
void Window::setStatus(const std::string& t, int zone) {
    auto& s = impl_->st.status;
    if (zone < 0) return;
    if (static_cast<std::size_t>(zone) >= s.size()) s.resize(zone + 1);
    s[zone] = t;
    touchWindow();
}
void Window::setTimer(int h) {
    std::lock_guard lk(core::core().m);
    impl_->timerPeriod = h;
    impl_->timerDue = clockHundredths() + h;
}
int Window::timer() const { return impl_->timerPeriod; }
void Window::setGeometry(int x, int y, int w, int h) {
    auto& s = impl_->st;
    s.x = x; s.y = y; s.w = w; s.h = h;
    touchWindow();
}
int Window::x() const { return impl_->st.x; }
int Window::y() const { return impl_->st.y; }
int Window::width() const { return impl_->st.w; }
int Window::height() const { return impl_->st.h; }
bool Window::maximized() const { return impl_->st.maximized; }
bool Window::minimized() const { return impl_->st.minimized; }
bool Window::resizable() const { return impl_->st.resizable; }
void Window::maximize(bool on) { impl_->st.maximized = on; if (on) impl_->st.minimized = false; touchWindow(); }
void Window::minimize(bool on) { impl_->st.minimized = on; touchWindow(); }
void Window::restore() { impl_->st.maximized = false; impl_->st.minimized = false; touchWindow(); }
void Window::arrangeChildren(ArrangeKind kind) {
    impl_->st.arrange = kind;
    ++impl_->st.arrangeSerial;
    touchWindow();
}
void Window::setWaitCursor(bool on) { impl_->st.waitCursor = on; touchWindow(); }
void Window::setToolTips(bool on) { setToolTipsOn(on); }
bool Window::toolTips() const { return toolTipsOn(); }
int Window::id() const { return impl_->st.id; }
int Window::threadNo() const { return impl_->st.thread; }
WindowKind Window::kind() const { return impl_->st.kind; }
const WindowState& Window::state() const { return impl_->st; }

namespace {
std::vector<std::string> split(const std::string& s, char sep) {
    std::vector<std::string> out;
    std::string cur;
    for (char ch : s) {
        if (ch == sep) { out.push_back(cur); cur.clear(); }
        else cur += ch;
    }
    out.push_back(cur);
    return out;
}
std::string lines(const std::string& text) {
    std::string t = text;
    std::replace(t.begin(), t.end(), '|', '\n');
    return t;
}
}  // namespace

int Window::popup(const std::string& items) {
    Request r;
    r.kind = RequestKind::Popup;
    r.items = split(items, '|');
    return core::request(std::move(r)).value;
}

Window* currentWindow() {
    auto* me = core::self();
    if (!me || me->windows.empty()) return nullptr;
    return me->windows.back()->owner;
}

int escapeValue(const Request& r) {
    if (r.kind != RequestKind::Message) return 0;
    auto caption = [&](std::size_t i) {
        std::string t;
        for (char ch : r.buttons[i])
            if (ch != '&') t += static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
        return t;
    };
    auto value = [&](std::size_t i) { return i < r.values.size() ? r.values[i] : static_cast<int>(i + 1); };
    if (r.buttons.size() == 1) return value(0);
    int no = 0;
    bool yes = false;
    for (std::size_t i = 0; i < r.buttons.size(); ++i) {
        const std::string t = caption(i);
        // "Cancel", or a caption that ends in it ("No Cancel").
        if (t == "cancel" || (t.size() > 7 && t.compare(t.size() - 7, 7, " cancel") == 0)) return value(i);
        if (t == "no") no = value(i);
        if (t == "yes") yes = true;
    }
    return yes ? no : 0;
}

int message(const std::string& text, const std::string& title, Icon icon, unsigned buttons, unsigned deflt,
            bool) {
    static const struct { unsigned bit; const char* caption; } kinds[] = {
        {BtnOk, "OK"}, {BtnYes, "&Yes"}, {BtnNo, "&No"}, {BtnAbort, "&Abort"}, {BtnRetry, "&Retry"},
        {BtnIgnore, "&Ignore"}, {BtnCancel, "Cancel"}, {BtnHelp, "&Help"}};
    Request r;
    r.kind = RequestKind::Message;
    r.title = title;
    r.text = lines(text);
    r.icon = icon;
    if (buttons == 0) buttons = BtnOk;
    for (auto& k : kinds)
        if (buttons & k.bit) {
            r.buttons.push_back(k.caption);
            r.values.push_back(static_cast<int>(k.bit));
        }
    r.defaultValue = deflt ? static_cast<int>(deflt) : r.values.front();
    // A box taken away unanswered (the program ends) is cancelled, never answered by its default.
    const int escape = escapeValue(r);
    const int fallback = escape ? escape : r.defaultValue;
    Answer a = core::request(std::move(r));
    return a.value ? a.value : fallback;
}

int message(const std::string& text, const std::string& title, Icon icon, const std::string& custom, int deflt) {
    Request r;
    r.kind = RequestKind::Message;
    r.title = title;
    r.text = lines(text);
    r.icon = icon;
    r.buttons = split(custom, '|');
    for (std::size_t i = 0; i < r.buttons.size(); ++i) r.values.push_back(static_cast<int>(i + 1));
    r.defaultValue = deflt;
    const int escape = escapeValue(r);
    Answer a = core::request(std::move(r));
    return a.value ? a.value : escape ? escape : deflt;
}

namespace {
// A dialog request: `in` fills what the dialog starts with, `out` takes the answer when the
// user confirmed.
template <class In, class Out>
bool dialogRequest(RequestKind kind, const std::string& title, In in, Out out) {
    Request r;
    r.kind = kind;
    r.title = title;
    in(r);
    Answer a = core::request(std::move(r));
    if (a.ok) out(a);
    return a.ok;
}
}  // namespace

bool fileDialog(const std::string& title, std::string& path, const std::string& filter, bool save) {
    for (std::string offered = path;;) {
        std::string chosen;
        if (!dialogRequest(
                save ? RequestKind::SaveFile : RequestKind::OpenFile, title,
                [&](Request& r) { r.filter = filter; r.path = offered; }, [&](const Answer& a) { chosen = a.path; }))
            return false;
        // A file chosen to be read must be a file: a folder, a FIFO or a device is refused
        // here for every reader, and the dialog asks again. A name that does not exist is
        // left to the caller.
        struct stat st {};
        if (!save && ::stat(absolutePath(chosen).c_str(), &st) == 0) {
            if (const std::string problem = inputFileProblem(chosen); !problem.empty()) {
                message(inputFileMessage(chosen, problem), title, Icon::Exclamation);
                offered = chosen;
                continue;
            }
        }
        path = chosen;
        return true;
    }
}

bool folderDialog(const std::string& title, std::string& folder) {
    return dialogRequest(
        RequestKind::Folder, title, [&](Request& r) { r.path = folder; },
        [&](const Answer& a) { folder = a.path; });
}

bool colorDialog(const std::string& title, std::uint32_t& color) {
    return dialogRequest(
        RequestKind::Color, title, [&](Request& r) { r.color = color; },
        [&](const Answer& a) { color = a.color; });
}

bool fontDialog(const std::string& title, Font& font) {
    return dialogRequest(
        RequestKind::Font, title, [&](Request& r) { r.font = font; }, [&](const Answer& a) { font = a.font; });
}

bool printerDialog(const std::string& title, std::string& printer, bool& toFile) {
    return dialogRequest(
        RequestKind::Printer, title,
        [&](Request& r) {
            r.path = printer;
            r.toFile = toFile;
        },
        [&](const Answer& a) {
            printer = a.path;
            toFile = a.toFile;
        });
}

void beep(BeepKind kind) {
    BeepListener l;
    {
        std::lock_guard lk(core::core().m);
        core::core().beeps.push_back(kind);
        l = core::core().beepListener;
    }
    if (l) l(kind);
}

bool postToThread(int code, int threadNo) {
    auto& c = core::core();
    std::lock_guard lk(c.m);
    for (auto* w : c.openWindows)
        if (w->st.thread == threadNo) {
            EventData e;
            e.code = code;
            core::queueEvent(w, e);
            return true;
        }
    return false;
}

bool closeMdiChildren() {
    auto& c = core::core();
    auto* me = core::self();
    std::vector<int> children;
    {
        // Newest first: a child opened over an older one of its thread goes before it.
        std::lock_guard lk(c.m);
        for (auto it = c.openWindows.rbegin(); it != c.openWindows.rend(); ++it)
            if ((*it)->st.kind == WindowKind::MdiChild && (*it)->thread != me) children.push_back((*it)->st.id);
    }
    // Asks one window to close and waits until it has closed or its thread waits with the
    // question answered; false when it stays open.
    auto closeOne = [&](int id) {
        auto closedOrIdle = [&] {
            core::WindowImpl* w = core::findWindow(id);
            if (!w) return true;
            bool pending = std::any_of(w->queue.begin(), w->queue.end(),
                                       [](const EventData& e) { return e.code == EvCloseWindow; });
            bool asking = std::any_of(c.requests.begin(), c.requests.end(),
                                      [&](const auto& r) { return r->thread == w->thread->no; });
            return !pending && !asking && w->thread->waiting;
        };
        {
            std::lock_guard lk(c.m);
            core::WindowImpl* w = core::findWindow(id);
            if (!w) return true;
            core::queueEvent(w, EventData{EvCloseWindow});
            me->watching = true;
        }
        const bool going = core::waitFor(closedOrIdle);
        std::lock_guard lk(c.m);
        me->watching = false;
        return going && core::findWindow(id) == nullptr;
    };
    for (int id : children) {
        // A window its thread opened over the child (a form, a dialog) takes the child's
        // input: it is asked first, with its own questions; one that stays open keeps the
        // child, and the frame, open.
        std::vector<int> over;
        {
            std::lock_guard lk(c.m);
            core::WindowImpl* child = core::findWindow(id);
            if (!child) continue;
            const auto& mine = child->thread->windows;
            const auto at = std::find(mine.begin(), mine.end(), child);
            for (auto it = mine.rbegin(); at != mine.end() && it != mine.rend() && *it != child; ++it)
                over.push_back((*it)->st.id);
        }
        for (int o : over)
            if (!closeOne(o)) return false;
        if (!closeOne(id)) return false;
    }
    return true;
}

bool toolTipsOn() {
    std::lock_guard lk(core::core().m);
    return core::core().toolTips;
}
void setToolTipsOn(bool on) {
    std::lock_guard lk(core::core().m);
    core::core().toolTips = on;
}

// ---- front-end side ----

Published published() {
    auto& c = core::core();
    std::lock_guard lk(c.m);
    Published p;
    for (auto* w : c.openWindows) {
        auto it = c.published.find(w->st.id);
        if (it != c.published.end()) p.windows.push_back(it->second);
    }
    p.requests = c.requests;
    p.active = c.active;
    p.running = c.running;
    p.serial = c.serial;
    return p;
}

std::shared_ptr<const WindowState> publishedWindow(int id) {
    auto& c = core::core();
    std::lock_guard lk(c.m);
    auto it = c.published.find(id);
    return it == c.published.end() ? nullptr : it->second;
}

void setChangeListener(ChangeListener l) {
    auto& c = core::core();
    std::unique_lock lk(c.m);
    c.listener = std::move(l);
    // The one replaced may still be running on a program thread: wait until it returned.
    c.listenerIdle.wait(lk, [&] { return c.listenerCalls == 0; });
}

bool input(int window, const EventData& e) {
    auto& c = core::core();
    std::lock_guard lk(c.m);
    core::WindowImpl* w = core::findWindow(window);
    if (!w || !w->open) return false;
    if (w->thread->windows.empty() || w->thread->windows.back() != w) return false;
    if (c.active != window) {
        c.active = window;
        ++c.serial;
        core::queueEvent(w, EventData{EvGainFocus});
    }
    core::queueEvent(w, e);
    return true;
}

bool activate(int window) {
    auto& c = core::core();
    std::lock_guard lk(c.m);
    core::WindowImpl* w = core::findWindow(window);
    if (!w || !w->open) return false;
    if (w->thread->windows.empty() || w->thread->windows.back() != w) return false;
    if (c.active == window) return true;
    c.active = window;
    ++c.serial;
    core::queueEvent(w, EventData{EvGainFocus});
    return true;
}

bool answer(int request, const Answer& a) {
    auto& c = core::core();
    std::lock_guard lk(c.m);
    auto it = std::find_if(c.requests.begin(), c.requests.end(), [&](const auto& q) { return q->id == request; });
    if (it == c.requests.end() || c.answers.count(request)) return false;
    c.answers[request] = a;
    auto t = c.threads.find((*it)->thread);
    if (t != c.threads.end()) core::wake(t->second.get());
    return true;
}

bool settle(int timeoutMs) {
    auto& c = core::core();
    std::unique_lock lk(c.m);
    return c.settled.wait_for(lk, std::chrono::milliseconds(timeoutMs),
                              [&] { return (c.busy == 0 && !c.threads.empty()) || !c.running; });
}

void stopProgram() {
    auto& c = core::core();
    std::lock_guard lk(c.m);
    if (!c.running) return;
    c.halting = true;
    for (auto& [no, t] : c.threads) core::wake(t.get());
}

std::vector<BeepKind> beeps() {
    std::lock_guard lk(core::core().m);
    return core::core().beeps;
}
void clearBeeps() {
    std::lock_guard lk(core::core().m);
    core::core().beeps.clear();
}
void setBeepListener(BeepListener l) {
    std::lock_guard lk(core::core().m);
    core::core().beepListener = std::move(l);
}

}  // namespace rt
