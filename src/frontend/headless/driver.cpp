#include "frontend/headless/driver.h"

#include <algorithm>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <thread>

#include "runtime/report/print.h"
#include "runtime/text/text.h"

namespace headless {

std::string plainText(const std::string& text) {
    std::string s = text.substr(0, text.find('\t'));
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&') {
                out += '&';
                ++i;
            }
            continue;
        }
        out += s[i];
    }
    return rt::lower(rt::trim(out));
}

namespace {

using K = rt::ControlKind;
using WindowPtr = std::shared_ptr<const rt::WindowState>;

std::string q(const std::string& s) { return "\"" + s + "\""; }

bool sameText(const std::string& a, const std::string& b) {
    std::string pa = plainText(a);
    return !pa.empty() && pa == plainText(b);
}

// Use names match with or without their "?", in any case.
bool sameName(const std::string& name, const std::string& what) {
    auto strip = [](const std::string& s) { return rt::lower(!s.empty() && s[0] == '?' ? s.substr(1) : s); };
    return !name.empty() && strip(name) == strip(what);
}

// A prompt matches with or without its closing colon.
bool samePrompt(const std::string& prompt, const std::string& what) {
    std::string p = plainText(prompt), w = plainText(what);
    auto noColon = [](std::string s) {
        while (!s.empty() && (s.back() == ':' || s.back() == ' ')) s.pop_back();
        return s;
    };
    return !p.empty() && (p == w || noColon(p) == noColon(w));
}

const rt::Control* byId(const rt::WindowState& w, int id) {
    for (const auto& c : w.controls)
        if (c.id == id) return &c;
    return nullptr;
}

// Greyed or hidden as a person sees it: a control inside a greyed group is greyed too.
bool effectivelyEnabled(const rt::WindowState& w, const rt::Control& c) {
    const rt::Control* p = &c;
    for (int depth = 0; p && depth < 32; ++depth) {
        if (!p->enabled) return false;
        p = p->parent && p->parent != p->id ? byId(w, p->parent) : nullptr;
    }
    return true;
}

bool effectivelyHidden(const rt::WindowState& w, const rt::Control& c) {
    const rt::Control* p = &c;
    for (int depth = 0; p && depth < 32; ++depth) {
        if (p->hidden) return true;
        p = p->parent && p->parent != p->id ? byId(w, p->parent) : nullptr;
    }
    return false;
}

std::string describeControl(const rt::Control& c) {
    std::string s = rt::kindName(c.kind);
    if (!c.name.empty()) s += " " + c.name;
    if (!c.text.empty()) s += " " + q(c.text);
    else if (!c.tooltip.empty()) s += " " + q(c.tooltip);
    return s;
}

// Why a person could not use the control, or "" when they could.
std::string unusable(const rt::WindowState& w, const rt::Control& c) {
    if (effectivelyHidden(w, c)) return describeControl(c) + " is hidden";
    if (!effectivelyEnabled(w, c)) return describeControl(c) + " is greyed";
    return {};
}

bool isKind(const rt::Control& c, std::initializer_list<K> kinds) {
    for (K k : kinds)
        if (c.kind == k) return true;
    return false;
}

// Controls that only decorate: a prompt labels the next control that is not one of these.
bool decoration(const rt::Control& c) {
    return isKind(c, {K::Text, K::Box, K::Line, K::Image, K::Group});
}

// The field a prompt labels, or null.
const rt::Control* labelled(const rt::WindowState& w, std::size_t promptIndex) {
    for (std::size_t i = promptIndex + 1; i < w.controls.size(); ++i) {
        const rt::Control& c = w.controls[i];
        if (c.kind == K::Menu || c.kind == K::MenuItem || c.kind == K::Separator) continue;
        if (decoration(c)) continue;
        return &c;
    }
    return nullptr;
}

// Every control of the given kinds that matches `what` by prompt, text, tooltip or name, in
// that order of preference.
std::vector<const rt::Control*> matches(const rt::WindowState& w, const std::string& what,
                                        std::initializer_list<K> kinds) {
    std::vector<const rt::Control*> out;
    auto add = [&](const rt::Control* c) {
        if (!c || !isKind(*c, kinds)) return;
        for (auto* o : out)
            if (o == c) return;
        out.push_back(c);
    };
    for (std::size_t i = 0; i < w.controls.size(); ++i)
        if (w.controls[i].kind == K::Prompt && samePrompt(w.controls[i].text, what)) add(labelled(w, i));
    for (const auto& c : w.controls)
        if (sameText(c.text, what)) add(&c);
    for (const auto& c : w.controls)
        if (sameText(c.tooltip, what)) add(&c);
    for (const auto& c : w.controls)
        if (sameName(c.name, what)) add(&c);
    return out;
}

// The first control a person could use, or the first at all (for the error).
const rt::Control* pick(const rt::WindowState& w, const std::vector<const rt::Control*>& found) {
    for (auto* c : found)
        if (unusable(w, *c).empty()) return c;
    return found.empty() ? nullptr : found.front();
}

std::string windowName(const rt::WindowState& w) { return "window " + q(w.title); }

bool parseKey(const std::string& key, int& code) {
    // One printable character: its code point.
    auto decode = [](const std::string& s, int& cp) {
        auto b = static_cast<unsigned char>(s[0]);
        std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (n == 0 || s.size() != n) return false;
        cp = n == 1 ? b : n == 2 ? b & 0x1F : n == 3 ? b & 0x0F : b & 0x07;
        for (std::size_t i = 1; i < n; ++i) {
            auto c = static_cast<unsigned char>(s[i]);
            if ((c >> 6) != 2) return false;
            cp = (cp << 6) | (c & 0x3F);
        }
        return cp >= 0x20 && cp != 0x7F;
    };
    if (!key.empty() && key.size() <= 4 && decode(key, code)) return true;
    std::string k;
    for (char ch : rt::lower(key))
        if (ch != ' ' && ch != '-' && ch != '+' && ch != '_') k += ch;
    static const std::map<std::string, int> names = {
        {"insert", rt::KeyInsert},       {"ins", rt::KeyInsert},
        {"delete", rt::KeyDelete},       {"del", rt::KeyDelete},
        {"ctrlenter", rt::KeyCtrlEnter}, {"enter", rt::KeyEnter},
        {"doubleclick", rt::KeyDoubleClick}, {"rightclick", rt::KeyRightClick},
        {"backspace", rt::KeyBackspace}, {"ctrlquote", rt::KeyCtrlQuote},
        {"escape", rt::KeyEscape},       {"esc", rt::KeyEscape},
        {"home", rt::KeyHome},           {"end", rt::KeyEnd},
        {"space", ' '},
        // The keys of an edit cell over a list row.
        {"up", rt::KeyUp},               {"down", rt::KeyDown},
        {"pageup", rt::KeyPageUp},       {"pgup", rt::KeyPageUp},
        {"pagedown", rt::KeyPageDown},   {"pgdn", rt::KeyPageDown},
        {"ctrlup", rt::KeyCtrlUp},       {"ctrldown", rt::KeyCtrlDown},
        {"ctrlpageup", rt::KeyCtrlPageUp}, {"ctrlpgup", rt::KeyCtrlPageUp},
        {"ctrlpagedown", rt::KeyCtrlPageDown}, {"ctrlpgdn", rt::KeyCtrlPageDown},
        {"ctrlhome", rt::KeyCtrlHome},   {"ctrlend", rt::KeyCtrlEnd},
        {"ctrlleft", rt::KeyCtrlLeft},   {"ctrlright", rt::KeyCtrlRight},
        {"ctrlinsert", rt::KeyCtrlInsert}, {"ctrlins", rt::KeyCtrlInsert},
        {"ctrldelete", rt::KeyCtrlDelete}, {"ctrldel", rt::KeyCtrlDelete},
    };
    auto it = names.find(k);
    if (it == names.end()) return false;
    code = it->second;
    return true;
}

bool parseNumber(const std::string& s, long long& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    v = std::strtoll(s.c_str(), &end, 0);
    return end && *end == '\0';
}

bool isDialog(rt::RequestKind k) {
    return k != rt::RequestKind::Message && k != rt::RequestKind::Popup;
}

// Events as the front ends build them.
rt::EventData textEvent(int code, int control, std::string text) {
    rt::EventData e(code, control);
    e.text = std::move(text);
    e.hasText = true;
    return e;
}

rt::EventData valueEvent(int code, int control, long long value, int key = 0) {
    rt::EventData e(code, control);
    e.value = value;
    e.key = key;
    return e;
}

}  // namespace

// --- Target ---

bool Target::press(const std::string& text) { return d_.pressIn(&title_, text); }
bool Target::menu(const std::vector<std::string>& path) { return d_.menuIn(&title_, path); }
bool Target::type(const std::string& f, const std::string& t) { return d_.typeIn(&title_, f, t); }
bool Target::check(const std::string& n) { return d_.checkIn(&title_, n, -1); }
bool Target::setCheck(const std::string& n, bool on) { return d_.checkIn(&title_, n, on ? 1 : 0); }
bool Target::choose(const std::string& o, const std::string& r) { return d_.chooseIn(&title_, o, r); }
bool Target::select(const std::string& l, int row) { return d_.selectIn(&title_, l, row); }
bool Target::key(const std::string& l, const std::string& k, int row) { return d_.keyIn(&title_, l, k, row); }
bool Target::scroll(const std::string& l, const std::string& h) { return d_.scrollIn(&title_, l, h); }
bool Target::drag(const std::string& l, int thumb) { return d_.dragIn(&title_, l, thumb); }
bool Target::close() { return d_.closeIn(&title_); }

// --- the program ---

Driver::Driver() : clockWasVirtual_(rt::useVirtualClock(true)) { refresh(); }

Driver::~Driver() {
    if (!gaveUp_ && !end()) std::fprintf(stderr, "headless: %s\n", error_.c_str());
    rt::useVirtualClock(clockWasVirtual_);
}

bool Driver::fail(std::string why) {
    error_ = std::move(why);
    return false;
}

bool Driver::succeed() {
    error_.clear();
    return true;
}

void Driver::refresh() { state_ = rt::published(); }

bool Driver::running() const { return rt::programRunning(); }

bool Driver::start(rt::Procedure procedure) {
    if (rt::programRunning()) return fail("a program is running already");
    rt::joinProgram();
    rt::clearBeeps();
    rt::startProgram(std::move(procedure));
    started_ = true;
    // Until its first thread exists the program has nothing to settle; wait for it.
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(settleTimeoutMs_);
    while (rt::threadCount() == 0 && rt::programRunning()) {
        if (std::chrono::steady_clock::now() > until) return fail("the program did not start");
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    return settle();
}

bool Driver::settle() {
    auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(settleTimeoutMs_);
    bool ok = rt::settle(settleTimeoutMs_);
    // Work that goes on between the ticks of its window's timer (pages being drawn) leaves the
    // program busy though every thread waits: time runs on, a tick at a time, until that work
    // is done or the program asks something.
    bool working = false;
    while (ok && (working = rt::workUnderWay()) && rt::published().requests.empty() && rt::programRunning()) {
        if (std::chrono::steady_clock::now() > until) {
            ok = false;
            break;
        }
        rt::advanceClock(1);
        ok = rt::settle(settleTimeoutMs_);
    }
    // Once the last thread has ended, the program still closes down; wait for that too.
    until = std::chrono::steady_clock::now() + std::chrono::milliseconds(settleTimeoutMs_);
    while (ok && rt::threadCount() == 0 && rt::programRunning()) {
        if (std::chrono::steady_clock::now() > until) ok = false;
        std::this_thread::sleep_for(std::chrono::microseconds(100));
    }
    refresh();
    if (!ok)
        return fail("the program did not settle within " + std::to_string(settleTimeoutMs_) + " ms (" +
                    (working ? "its work under way did not end" : "a thread keeps running") + ")");
    if (!state_.running && started_) {
        rt::joinProgram();
        started_ = false;
    }
    return succeed();
}

bool Driver::end() {
    if (!started_ && !rt::programRunning()) return succeed();
    // A person ends a program by dismissing what it asks (a box's default may delete or
    // overwrite) and closing its windows; a program that asks again and again gets the
    // box's default after a while, then its first choice.
    for (int round = 0; round < 200 && rt::programRunning(); ++round) {
        if (!settle()) break;
        if (!state_.running) break;
        if (!state_.requests.empty()) {
            const rt::Request& r = *state_.requests.back();
            rt::Answer a;
            if (r.kind == rt::RequestKind::Message) {
                const int escape = rt::escapeValue(r);
                a.value = round < 50 && escape          ? escape
                          : round < 100 || r.values.empty() ? r.defaultValue
                                                            : r.values.front();
            }
            rt::answer(r.id, a);
            continue;
        }
        bool sent = false;
        for (auto it = state_.windows.rbegin(); it != state_.windows.rend() && !sent; ++it)
            if (!(*it)->modalBlocked) sent = rt::input((*it)->id, rt::EventData(rt::EvCloseWindow));
        if (!sent) {
            // Nothing to close or answer: the program waits outside the window system.
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    settle();
    bool stopped = false;
    if (rt::programRunning()) {
        // A program that will not close is ended at once, so the next start works.
        rt::stopProgram();
        rt::joinProgram();
        stopped = true;
    }
    if (stopped) {
        started_ = false;
        refresh();
        gaveUp_ = true;
        return fail("the program did not end when its windows were closed");
    }
    gaveUp_ = false;
    rt::joinProgram();
    started_ = false;
    refresh();
    return succeed();
}

// --- what a person sees ---

std::string Driver::windows() const { return describe(state_); }

WindowPtr Driver::active() const {
    for (const auto& w : state_.windows)
        if (w->id == state_.active) return w;
    for (auto it = state_.windows.rbegin(); it != state_.windows.rend(); ++it)
        if (!(*it)->modalBlocked) return *it;
    return nullptr;
}

WindowPtr Driver::window(const std::string& title) const {
    for (auto it = state_.windows.rbegin(); it != state_.windows.rend(); ++it)
        if (sameText((*it)->title, title)) return *it;
    std::string want = plainText(title);
    for (auto it = state_.windows.rbegin(); it != state_.windows.rend(); ++it)
        if (plainText((*it)->title).find(want) != std::string::npos) return *it;
    return nullptr;
}

WindowPtr Driver::frame() const {
    for (const auto& w : state_.windows)
        if (w->kind == rt::WindowKind::Frame) return w;
    return nullptr;
}

std::vector<std::string> Driver::titles() const {
    std::vector<std::string> out;
    for (const auto& w : state_.windows) out.push_back(w->title);
    return out;
}

namespace {
const std::initializer_list<K> kAnyKind = {
    K::Button, K::Entry, K::Text, K::Prompt, K::Check, K::Option, K::Radio, K::Combo, K::DropList,
    K::Spin, K::List, K::Sheet, K::Tab, K::Image, K::Box, K::Line, K::Progress, K::Group, K::Menu,
    K::MenuItem, K::Separator, K::ToolButton, K::Page};
}

std::optional<rt::Control> Driver::control(const std::string& what) const {
    WindowPtr w = active();
    if (!w) return std::nullopt;
    auto found = matches(*w, what, kAnyKind);
    if (found.empty()) return std::nullopt;
    return *found.front();
}

std::optional<rt::Control> Driver::control(const std::string& title, const std::string& what) const {
    WindowPtr w = window(title);
    if (!w) return std::nullopt;
    auto found = matches(*w, what, kAnyKind);
    if (found.empty()) return std::nullopt;
    return *found.front();
}

std::string Driver::value(const std::string& what) const {
    auto c = control(what);
    return c ? c->value : std::string();
}

std::string Driver::text(const std::string& what) const {
    auto c = control(what);
    return c ? c->text : std::string();
}

bool Driver::enabled(const std::string& what) const {
    WindowPtr w = active();
    if (!w) return false;
    auto found = matches(*w, what, kAnyKind);
    return !found.empty() && effectivelyEnabled(*w, *found.front());
}

bool Driver::hidden(const std::string& what) const {
    WindowPtr w = active();
    if (!w) return true;
    auto found = matches(*w, what, kAnyKind);
    return found.empty() || effectivelyHidden(*w, *found.front());
}

namespace {
// A list by name, or the first one a person sees when no name is given.
const rt::Control* listOf(const rt::WindowState& w, const std::string& list, std::string& why) {
    if (list.empty()) {
        for (const auto& c : w.controls)
            if (c.kind == K::List && !effectivelyHidden(w, c)) return &c;
        why = windowName(w) + " shows no list";
        return nullptr;
    }
    const rt::Control* c = pick(w, matches(w, list, {K::List}));
    if (!c) why = windowName(w) + " has no list " + q(list);
    return c;
}
}  // namespace

bool Driver::findList(const rt::WindowState& w, const std::string& list, const rt::Control*& out) {
    std::string why;
    out = listOf(w, list, why);
    return out ? true : fail(why);
}

std::vector<std::vector<std::string>> Driver::rows(const std::string& list) const {
    std::vector<std::vector<std::string>> out;
    WindowPtr w = active();
    std::string why;
    const rt::Control* c = w ? listOf(*w, list, why) : nullptr;
    if (!c) return out;
    for (const auto& r : c->rows) {
        std::vector<std::string> cells;
        for (const auto& cell : r.cells) cells.push_back(cell.text);
        out.push_back(std::move(cells));
    }
    return out;
}

int Driver::selectedRow(const std::string& list) const {
    WindowPtr w = active();
    std::string why;
    const rt::Control* c = w ? listOf(*w, list, why) : nullptr;
    return c ? c->selected : 0;
}

std::vector<std::string> Driver::headers(const std::string& list) const {
    std::vector<std::string> out;
    WindowPtr w = active();
    std::string why;
    const rt::Control* c = w ? listOf(*w, list, why) : nullptr;
    if (c)
        for (const auto& col : c->columns) out.push_back(col.header);
    return out;
}

std::vector<std::string> Driver::status() const {
    auto has = [](const WindowPtr& w) {
        if (!w) return false;
        for (const auto& s : w->status)
            if (!s.empty()) return true;
        return false;
    };
    WindowPtr a = active();
    if (has(a)) return a->status;
    WindowPtr f = frame();
    if (f) return f->status;
    return a ? a->status : std::vector<std::string>{};
}

std::shared_ptr<const rt::Request> Driver::request() const {
    return state_.requests.empty() ? nullptr : state_.requests.back();
}

std::vector<std::shared_ptr<const rt::Request>> Driver::requests() const { return state_.requests; }

std::vector<rt::BeepKind> Driver::beeps() const { return rt::beeps(); }
void Driver::clearBeeps() { rt::clearBeeps(); }

// --- what a person does ---

bool Driver::target(const std::string* title, WindowPtr& out) {
    out = title ? window(*title) : active();
    if (!out) return fail(title ? "no window " + q(*title) : std::string("no window takes the input"));
    return true;
}

bool Driver::usable(const rt::WindowState& w) {
    if (!state_.running) return fail("the program has ended");
    if (w.modalBlocked) return fail(windowName(w) + " is blocked by a newer window of its thread");
    return true;
}

bool Driver::send(const rt::WindowState& w, const rt::EventData& e, const std::string& what) {
    if (!usable(w)) return false;
    if (!rt::input(w.id, e)) return fail(what + ": " + windowName(w) + " does not take input");
    return settle();
}

bool Driver::pressIn(const std::string* title, const std::string& text) {
    WindowPtr w;
    if (!target(title, w)) return false;
    std::vector<std::pair<WindowPtr, const rt::Control*>> found;
    auto collect = [&](const WindowPtr& win) {
        for (auto* c : matches(*win, text, {K::Button, K::ToolButton, K::MenuItem, K::Page}))
            found.emplace_back(win, c);
    };
    collect(w);
    // An MDI child's frame keeps the menus and the toolbar a person also reaches.
    WindowPtr f = frame();
    if (w->kind == rt::WindowKind::MdiChild && f && f != w) collect(f);
    if (found.empty()) return fail(windowName(*w) + " has no button or menu item " + q(text));
    // A button showing on the window before a menu item of the same text ("Search" and the
    // menu's "&Search"): that is what a person presses.
    std::stable_partition(found.begin(), found.end(),
                          [](const auto& f) { return f.second->kind != K::MenuItem; });
    for (auto& [win, c] : found)
        if (unusable(*win, *c).empty())
            return send(*win, rt::EventData(rt::EvAccepted, c->id), "press " + q(text));
    return fail(unusable(*found.front().first, *found.front().second));
}

bool Driver::menuIn(const std::string* title, const std::vector<std::string>& path) {
    if (path.empty()) return fail("menu: no items given");
    WindowPtr w;
    if (!target(title, w)) return false;
    std::vector<WindowPtr> owners{w};
    WindowPtr f = frame();
    if (w->kind == rt::WindowKind::MdiChild && f && f != w) owners.push_back(f);
    std::string why;
    for (const auto& win : owners) {
        const rt::Control* cur = nullptr;
        std::string walked;
        bool ok = true;
        for (std::size_t i = 0; i < path.size() && ok; ++i) {
            const rt::Control* next = nullptr;
            for (const auto& c : win->controls) {
                if (c.kind != K::Menu && c.kind != K::MenuItem) continue;
                const rt::Control* parent = c.parent ? byId(*win, c.parent) : nullptr;
                bool top = !parent || parent->kind != K::Menu;
                if (i == 0 ? !top : c.parent != cur->id) continue;
                if (sameText(c.text, path[i])) {
                    next = &c;
                    break;
                }
            }
            walked += (walked.empty() ? "" : " > ") + path[i];
            if (!next) {
                why = windowName(*win) + " has no menu " + q(walked);
                ok = false;
            } else if (std::string u = unusable(*win, *next); !u.empty()) {
                why = u;
                ok = false;
            } else if (i + 1 == path.size() && next->kind != K::MenuItem) {
                why = q(walked) + " opens a menu; name one of its items";
                ok = false;
            } else if (i + 1 < path.size() && next->kind != K::Menu) {
                why = q(walked) + " is an item, not a menu";
                ok = false;
            }
            cur = next;
        }
        if (ok) return send(*win, rt::EventData(rt::EvAccepted, cur->id), "menu " + q(walked));
        if (why.find("has no menu") == std::string::npos) return fail(why);
    }
    return fail(why);
}

bool Driver::typeIn(const std::string* title, const std::string& field, const std::string& text) {
    WindowPtr w;
    if (!target(title, w)) return false;
    const rt::Control* c = pick(*w, matches(*w, field, {K::Entry, K::Combo, K::Spin, K::DropList}));
    if (!c) return fail(windowName(*w) + " has no field " + q(field));
    if (std::string u = unusable(*w, *c); !u.empty()) return fail(u);
    if (c->readOnly) return fail(describeControl(*c) + " is read-only");
    std::string value = text;
    if (c->kind == K::DropList && !c->choices.empty()) {
        // A drop list only takes one of its choices.
        bool found = false;
        for (const auto& ch : c->choices)
            if (rt::equalNoCase(ch, text) || rt::equalNoCase(ch.substr(0, ch.find('\t')), text)) {
                value = ch;
                found = true;
                break;
            }
        if (!found) return fail(describeControl(*c) + " offers no choice " + q(text));
    }
    return send(*w, textEvent(rt::EvAccepted, c->id, value),
                "type into " + q(field));
}

bool Driver::checkIn(const std::string* title, const std::string& name, int on) {
    WindowPtr w;
    if (!target(title, w)) return false;
    const rt::Control* c = pick(*w, matches(*w, name, {K::Check}));
    if (!c) return fail(windowName(*w) + " has no check box " + q(name));
    if (std::string u = unusable(*w, *c); !u.empty()) return fail(u);
    bool now = c->value == "1";
    if (on >= 0 && now == (on == 1)) return succeed();
    return send(*w,
                textEvent(rt::EvAccepted, c->id, now ? "0" : "1"),
                "check " + q(name));
}

bool Driver::chooseIn(const std::string* title, const std::string& option, const std::string& radio) {
    WindowPtr w;
    if (!target(title, w)) return false;
    std::vector<const rt::Control*> groups;
    if (option.empty()) {
        for (const auto& c : w->controls)
            if (c.kind == K::Option || c.kind == K::Sheet) groups.push_back(&c);
    } else {
        groups = matches(*w, option, {K::Option, K::Sheet});
    }
    if (groups.empty()) return fail(windowName(*w) + " has no option group " + q(option));
    for (const rt::Control* g : groups) {
        K member = g->kind == K::Sheet ? K::Tab : K::Radio;
        int n = 0;
        for (const auto& c : w->controls) {
            if (c.parent != g->id || c.kind != member) continue;
            ++n;
            if (!sameText(c.text, radio) && !sameName(c.name, radio)) continue;
            if (std::string u = unusable(*w, *g); !u.empty()) return fail(u);
            if (std::string u = unusable(*w, c); !u.empty()) return fail(u);
            rt::EventData e = textEvent(rt::EvAccepted, g->id, std::to_string(n));
            // Tabs report their choice as a new selection, as sheets do.
            if (g->kind == K::Sheet) {
                e.code = rt::EvNewSelection;
                e.value = n;
            }
            return send(*w, e, "choose " + q(radio));
        }
    }
    return fail(describeControl(*groups.front()) + " has no choice " + q(radio));
}

bool Driver::selectIn(const std::string* title, const std::string& list, int row) {
    WindowPtr w;
    if (!target(title, w)) return false;
    const rt::Control* c = nullptr;
    if (!findList(*w, list, c)) return false;
    if (std::string u = unusable(*w, *c); !u.empty()) return fail(u);
    if (row < 1 || row > static_cast<int>(c->rows.size()))
        return fail(describeControl(*c) + " shows " + std::to_string(c->rows.size()) + " rows, not row " +
                    std::to_string(row));
    return send(*w, valueEvent(rt::EvNewSelection, c->id, row),
                "select row " + std::to_string(row));
}

bool Driver::keyIn(const std::string* title, const std::string& list, const std::string& key, int row) {
    int code = 0;
    if (!parseKey(key, code)) return fail("no key " + q(key));
    WindowPtr w;
    if (!target(title, w)) return false;
    const rt::Control* c = nullptr;
    if ((code == rt::KeyEnter || rt::isCellKey(code)) && !list.empty() && list != "-") {
        // Enter in a field: what was typed is the program's, then the key. The keys that move
        // through a list reach the program from an edit cell over one of its rows.
        if (const rt::Control* f = pick(*w, matches(*w, list, {K::Entry, K::Combo, K::Spin}))) {
            if (std::string u = unusable(*w, *f); !u.empty()) return fail(u);
            if (rt::isCellKey(code)) {
                const rt::Control* over = f->parent ? byId(*w, f->parent) : nullptr;
                if (f->kind != K::Entry || !over || over->kind != K::List)
                    return fail(describeControl(*f) + " is no edit cell over a list: " + q(key) + " is a cell's key");
            }
            return send(*w, valueEvent(rt::EvAlertKey, f->id, 0, code), "key " + q(key));
        }
    }
    if (rt::isCellKey(code)) return fail(q(key) + " is a key of an edit cell over a list; a list itself scrolls");
    if (!findList(*w, list, c)) return false;
    if (std::string u = unusable(*w, *c); !u.empty()) return fail(u);
    if (row > 0 && row != c->selected) {
        // A click on a row highlights it before the key reaches the program.
        int id = c->id;
        if (!selectIn(title, list, row)) return false;
        if (!target(title, w)) return false;
        c = byId(*w, id);
        if (!c) return fail("the list went away after selecting row " + std::to_string(row));
    }
    return send(*w, valueEvent(rt::EvAlertKey, c->id, row, code),
                "key " + q(key));
}

bool Driver::scrollIn(const std::string* title, const std::string& list, const std::string& how) {
    std::string h;
    for (char ch : rt::lower(how))
        if (ch != ' ' && ch != '-' && ch != '_') h += ch;
    static const std::map<std::string, int> codes = {
        {"up", rt::EvScrollUp},     {"down", rt::EvScrollDown}, {"pageup", rt::EvPageUp},
        {"pagedown", rt::EvPageDown}, {"top", rt::EvScrollTop}, {"bottom", rt::EvScrollBottom}};
    auto it = codes.find(h);
    if (it == codes.end()) return fail("no scroll " + q(how) + " (up, down, pageup, pagedown, top, bottom)");
    WindowPtr w;
    if (!target(title, w)) return false;
    const rt::Control* c = nullptr;
    if (!findList(*w, list, c)) return false;
    if (std::string u = unusable(*w, *c); !u.empty()) return fail(u);
    return send(*w, rt::EventData(it->second, c->id), "scroll " + how);
}

bool Driver::dragIn(const std::string* title, const std::string& list, int thumb) {
    if (thumb < 0 || thumb > 100) return fail("a thumb lies between 0 and 100, not " + std::to_string(thumb));
    WindowPtr w;
    if (!target(title, w)) return false;
    const rt::Control* c = nullptr;
    if (!findList(*w, list, c)) return false;
    if (std::string u = unusable(*w, *c); !u.empty()) return fail(u);
    if (!c->vscroll) return fail(describeControl(*c) + " shows no scroll bar");
    return send(*w, valueEvent(rt::EvScrollDrag, c->id, thumb),
                "drag to " + std::to_string(thumb));
}

bool Driver::closeIn(const std::string* title) {
    WindowPtr w;
    if (!target(title, w)) return false;
    return send(*w, rt::EventData(rt::EvCloseWindow), "close");
}

bool Driver::press(const std::string& text) { return pressIn(nullptr, text); }
bool Driver::menu(const std::vector<std::string>& path) { return menuIn(nullptr, path); }
bool Driver::type(const std::string& f, const std::string& t) { return typeIn(nullptr, f, t); }
bool Driver::check(const std::string& n) { return checkIn(nullptr, n, -1); }
bool Driver::setCheck(const std::string& n, bool on) { return checkIn(nullptr, n, on ? 1 : 0); }
bool Driver::choose(const std::string& o, const std::string& r) { return chooseIn(nullptr, o, r); }
bool Driver::select(const std::string& l, int row) { return selectIn(nullptr, l, row); }
bool Driver::key(const std::string& l, const std::string& k, int row) { return keyIn(nullptr, l, k, row); }
bool Driver::scroll(const std::string& l, const std::string& h) { return scrollIn(nullptr, l, h); }
bool Driver::drag(const std::string& l, int thumb) { return dragIn(nullptr, l, thumb); }
bool Driver::close() { return closeIn(nullptr); }

std::shared_ptr<const rt::Request> Driver::newestRequest(bool (*kind)(rt::RequestKind)) const {
    for (auto it = state_.requests.rbegin(); it != state_.requests.rend(); ++it)
        if (kind((*it)->kind)) return *it;
    return nullptr;
}

bool Driver::answerRequest(const rt::Request& r, const rt::Answer& a) {
    if (!rt::answer(r.id, a)) return fail("the request is no longer waiting");
    return settle();
}

bool Driver::answer(const std::string& button) {
    auto r = newestRequest([](rt::RequestKind k) { return k == rt::RequestKind::Message; });
    if (!r) return fail("no message box is showing");
    for (std::size_t i = 0; i < r->buttons.size(); ++i)
        if (sameText(r->buttons[i], button)) {
            rt::Answer a;
            a.value = i < r->values.size() ? r->values[i] : static_cast<int>(i + 1);
            return answerRequest(*r, a);
        }
    std::string all;
    for (const auto& b : r->buttons) all += (all.empty() ? "" : ", ") + q(b);
    return fail("the message box has no button " + q(button) + " (it shows " + all + ")");
}

bool Driver::popup(int item) {
    auto r = newestRequest([](rt::RequestKind k) { return k == rt::RequestKind::Popup; });
    if (!r) return fail("no pop-up menu is showing");
    int n = 0;
    for (const auto& it : r->items) {
        if (it == "-") continue;
        if (++n != item) continue;
        if (!it.empty() && it[0] == '~') return fail("pop-up item " + q(it.substr(1)) + " is greyed");
    }
    if (item < 0 || item > n) return fail("the pop-up menu has " + std::to_string(n) + " items, not " +
                                          std::to_string(item));
    rt::Answer a;
    a.value = item;
    return answerRequest(*r, a);
}

bool Driver::popup(const std::string& item) {
    long long number = 0;
    if (parseNumber(item, number)) return popup(static_cast<int>(number));
    auto r = newestRequest([](rt::RequestKind k) { return k == rt::RequestKind::Popup; });
    if (!r) return fail("no pop-up menu is showing");
    int n = 0;
    for (const auto& it : r->items) {
        if (it == "-") continue;
        ++n;
        std::string text = !it.empty() && it[0] == '~' ? it.substr(1) : it;
        if (sameText(text, item)) return popup(n);
    }
    return fail("the pop-up menu has no item " + q(item));
}

bool Driver::dialog(const std::string& path) {
    auto r = newestRequest(isDialog);
    if (!r) return fail("no dialog is asking");
    rt::Answer a;
    a.ok = true;
    switch (r->kind) {
    case rt::RequestKind::Color: {
        long long v = 0;
        if (!parseNumber(path, v) || v < 0 || v > 0xFFFFFF) return fail("no colour " + q(path));
        a.color = static_cast<std::uint32_t>(v);
        break;
    }
    case rt::RequestKind::Font: {
        // "Name,size[,bold][,italic]"
        rt::Font f;
        std::size_t start = 0;
        int part = 0;
        for (;;) {
            std::size_t comma = path.find(',', start);
            std::string p = rt::trim(path.substr(start, comma == std::string::npos ? std::string::npos : comma - start));
            long long v = 0;
            if (part == 0) f.name = p;
            else if (part == 1 && parseNumber(p, v)) f.size = static_cast<int>(v);
            else if (rt::equalNoCase(p, "bold")) f.weight = 700;
            else if (rt::equalNoCase(p, "italic")) f.italic = true;
            else if (!p.empty()) return fail("no font " + q(path) + " (Name,size[,bold][,italic])");
            ++part;
            if (comma == std::string::npos) break;
            start = comma + 1;
        }
        a.font = f;
        break;
    }
    case rt::RequestKind::Printer:
        // A printer by its name; a path (or the PDF printer's own name) prints to a file, as
        // choosing "Print to File (PDF)" and typing the file does.
        if (path.empty()) return fail("a printer dialog answer needs a printer's name or a file");
        a.toFile = path.find('/') != std::string::npos || path == rt::report::kPdfPrinter;
        a.path = path == rt::report::kPdfPrinter ? std::string() : path;
        break;
    default:
        if (path.empty()) return fail("a dialog answer needs a path");
        a.path = path;
        break;
    }
    return answerRequest(*r, a);
}

bool Driver::confirm(const std::shared_ptr<const rt::Request>& r, const std::string& dialog,
                     const std::function<void(rt::Answer&)>& fill) {
    if (!r) return fail("no " + dialog + " is asking");
    rt::Answer a;
    a.ok = true;
    fill(a);
    return answerRequest(*r, a);
}

bool Driver::printToFile(const std::string& file) {
    return confirm(newestRequest([](rt::RequestKind k) { return k == rt::RequestKind::Printer; }), "printer dialog",
                   [&](rt::Answer& a) {
                       a.toFile = true;
                       a.path = file;
                   });
}

bool Driver::chooseColor(std::uint32_t color) {
    return confirm(newestRequest([](rt::RequestKind k) { return k == rt::RequestKind::Color; }), "colour dialog",
                   [&](rt::Answer& a) { a.color = color; });
}

bool Driver::chooseFont(const rt::Font& font) {
    return confirm(newestRequest([](rt::RequestKind k) { return k == rt::RequestKind::Font; }), "font dialog",
                   [&](rt::Answer& a) { a.font = font; });
}

bool Driver::dialogCancel() {
    auto r = newestRequest(isDialog);
    if (!r) return fail("no dialog is asking");
    return answerRequest(*r, rt::Answer{});
}

bool Driver::dismiss() {
    auto r = request();
    if (!r) return fail("nothing is asking");
    rt::Answer a;
    if (r->kind == rt::RequestKind::Message) {
        a.value = rt::escapeValue(*r);
        if (!a.value) return fail("the message box has no button that cancels: answer one of its buttons");
    }
    return answerRequest(*r, a);
}

bool Driver::post(int event) {
    WindowPtr f = frame();
    if (!f) return fail("no frame window to post to");
    return postTo(event, f->thread);
}

bool Driver::postTo(int event, int thread) {
    if (!state_.running) return fail("the program has ended");
    if (!rt::postToThread(event, thread))
        return fail("thread " + std::to_string(thread) + " has no window to take event " + rt::eventName(event));
    return settle();
}

bool Driver::wait(long long hundredths) {
    if (hundredths < 0) return fail("time does not run backwards");
    // One hundredth at a time, letting the program serve each timer before the next comes due.
    for (long long t = 0; t < hundredths; ++t) {
        rt::advanceClock(1);
        if (!rt::settle(settleTimeoutMs_)) return settle();
    }
    return settle();
}

bool Driver::activate(const std::string& title) {
    WindowPtr w = window(title);
    if (!w) return fail("no window " + q(title));
    if (!usable(*w)) return false;
    if (!rt::activate(w->id)) return fail(windowName(*w) + " cannot be made active");
    return settle();
}

}  // namespace headless
