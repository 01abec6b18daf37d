#include "frontend/headless/script.h"

#include <cstdlib>
#include <istream>
#include <optional>
#include <ostream>

#include "frontend/headless/driver.h"
#include "frontend/headless/procedures.h"
#include "runtime/text/text.h"

namespace headless {

const char* scriptHelp() {
    return R"(Commands, one a line ('#' starts a comment; "double quotes" hold blanks):
  start PROCEDURE         start a procedure (ProgramMain) as the program's first thread
  settle                  wait until every program thread waits
  windows                 print every open window and what is asking
  press TEXT              press a button, toolbar button or menu item of the active
                          window by its text or tooltip ("&Open" and "open" are the same)
  menu ITEM [ITEM...]     choose a menu item by its path: menu &File &Open
  type FIELD TEXT         type into an entry, combo, spin or drop list found by its
                          prompt, text or name
  check NAME [on|off]     click a check box (with on/off: only when it is not so already)
  choose OPTION RADIO     pick a radio of an option group (or a tab of a sheet);
                          OPTION "-" looks in every group
  select [LIST] ROW       highlight a list row (from 1); LIST "-" or left out: the first list
  key [LIST] KEY [ROW]    a key on a list: Insert Delete CtrlEnter Enter DoubleClick
                          RightClick Backspace CtrlQuote Escape Home End, or one character;
                          with ROW the row is highlighted first; Enter also in a field;
                          in an edit cell over a list row also Up Down PageUp PageDown
                          CtrlUp CtrlDown CtrlPageUp CtrlPageDown CtrlHome CtrlEnd
                          CtrlLeft CtrlRight CtrlInsert CtrlDelete
  scroll [LIST] HOW       up, down, pageup, pagedown, top, bottom
  drag [LIST] THUMB       drag a list's scroll thumb to 0..100
  close [TITLE]           ask the active (or named) window to close
  answer BUTTON           answer the showing message box
  popup ITEM              pick an item of the showing pop-up menu by text or number
  popup 0                 dismiss the pop-up menu
  dialog PATH             answer the file, folder or printer dialog asking (colour:
                          a number such as 0x0000FF; font: Name,size[,bold][,italic])
  dialog cancel           cancel the dialog asking
  pdf FILE                answer the printer dialog asking: print to the PDF file FILE
  dismiss                 dismiss what asks as Escape would
  post EVENT [THREAD]     post a user event (0x401 and up) to the frame's thread
  wait HUNDREDTHS         move the virtual clock on; timers that come due fire
  activate TITLE          make a window active (TITLE: a part of its title)
  in TITLE COMMAND ...    press, menu, type, check, choose, select, key, scroll, drag or
                          close on the named window instead of the active one
  expect TEXT             stop with status 1 unless TEXT appears in what windows prints
  expect-not TEXT         stop with status 1 if TEXT appears in what windows prints
  quit                    end the program and stop
A failed command prints why and the windows and stops with status 2. At the end the
program is ended (what asks is dismissed, windows are closed).)";
}

bool splitWords(const std::string& line, std::vector<std::string>& words, std::string& error) {
    words.clear();
    std::size_t i = 0, n = line.size();
    while (i < n) {
        while (i < n && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) ++i;
        if (i >= n) break;
        std::string w;
        bool quoted = false;
        while (i < n && (quoted || (line[i] != ' ' && line[i] != '\t' && line[i] != '\r'))) {
            char ch = line[i++];
            if (ch == '"') {
                quoted = !quoted;
            } else if (quoted && ch == '\\' && i < n && (line[i] == '"' || line[i] == '\\')) {
                w += line[i++];
            } else {
                w += ch;
            }
        }
        if (quoted) {
            error = "a quote is not closed";
            return false;
        }
        words.push_back(std::move(w));
    }
    return true;
}

namespace {

bool number(const std::string& s, long long& v) {
    if (s.empty()) return false;
    char* end = nullptr;
    v = std::strtoll(s.c_str(), &end, 0);
    return end && *end == '\0';
}

std::string noMarks(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&') {
            if (i + 1 < s.size() && s[i + 1] == '&') out += s[++i];
            continue;
        }
        out += s[i];
    }
    return out;
}

// Shown as written, or the same with the "&" marks of both left out.
bool shows(const std::string& screen, const std::string& text) {
    return screen.find(text) != std::string::npos || noMarks(screen).find(noMarks(text)) != std::string::npos;
}

std::string listArg(const std::string& s) { return s == "-" ? std::string() : s; }

class Interpreter {
public:
    Interpreter(Driver& d, std::ostream& out) : d_(d), out_(out) {}

    // kScriptOk to go on; -1 after quit.
    int run(const std::vector<std::string>& w, std::string& why);

private:
    bool need(const std::vector<std::string>& w, std::size_t min, std::size_t max, const char* usage,
              std::string& why) {
        if (w.size() - 1 < min || w.size() - 1 > max) {
            why = std::string("usage: ") + usage;
            return false;
        }
        return true;
    }
    bool num(const std::string& s, long long& v, std::string& why) {
        if (number(s, v)) return true;
        why = "not a number: " + s;
        return false;
    }
    // The window actions, on the active window (title null) or a named one.
    int windowAction(const std::vector<std::string>& w, std::size_t at, const std::string* title,
                     std::string& why);

    Driver& d_;
    std::ostream& out_;
};

int Interpreter::windowAction(const std::vector<std::string>& w, std::size_t at, const std::string* title,
                              std::string& why) {
    std::vector<std::string> a(w.begin() + static_cast<long>(at), w.end());
    const std::string& cmd = a[0];
    std::optional<Target> t;
    if (title) t.emplace(d_.in(*title));
    bool ok = false;
    long long v = 0;
    if (cmd == "press") {
        if (!need(a, 1, 1, "press TEXT", why)) return kScriptError;
        ok = t ? t->press(a[1]) : d_.press(a[1]);
    } else if (cmd == "menu") {
        if (!need(a, 1, 16, "menu ITEM [ITEM...]", why)) return kScriptError;
        std::vector<std::string> path(a.begin() + 1, a.end());
        ok = t ? t->menu(path) : d_.menu(path);
    } else if (cmd == "type") {
        if (!need(a, 2, 2, "type FIELD TEXT", why)) return kScriptError;
        ok = t ? t->type(a[1], a[2]) : d_.type(a[1], a[2]);
    } else if (cmd == "check") {
        if (!need(a, 1, 2, "check NAME [on|off]", why)) return kScriptError;
        if (a.size() == 3) {
            std::string s = rt::lower(a[2]);
            if (s != "on" && s != "off") {
                why = "usage: check NAME [on|off]";
                return kScriptError;
            }
            ok = t ? t->setCheck(a[1], s == "on") : d_.setCheck(a[1], s == "on");
        } else {
            ok = t ? t->check(a[1]) : d_.check(a[1]);
        }
    } else if (cmd == "choose") {
        if (!need(a, 2, 2, "choose OPTION RADIO", why)) return kScriptError;
        ok = t ? t->choose(listArg(a[1]), a[2]) : d_.choose(listArg(a[1]), a[2]);
    } else if (cmd == "select") {
        if (!need(a, 1, 2, "select [LIST] ROW", why) || !num(a.back(), v, why)) return kScriptError;
        std::string list = a.size() == 3 ? listArg(a[1]) : std::string();
        ok = t ? t->select(list, static_cast<int>(v)) : d_.select(list, static_cast<int>(v));
    } else if (cmd == "key") {
        if (!need(a, 1, 3, "key [LIST] KEY [ROW]", why)) return kScriptError;
        std::string list = a.size() >= 3 ? listArg(a[1]) : std::string();
        const std::string& key = a.size() >= 3 ? a[2] : a[1];
        if (a.size() == 4 && !num(a[3], v, why)) return kScriptError;
        int row = static_cast<int>(a.size() == 4 ? v : 0);
        ok = t ? t->key(list, key, row) : d_.key(list, key, row);
    } else if (cmd == "scroll") {
        if (!need(a, 1, 2, "scroll [LIST] HOW", why)) return kScriptError;
        std::string list = a.size() == 3 ? listArg(a[1]) : std::string();
        ok = t ? t->scroll(list, a.back()) : d_.scroll(list, a.back());
    } else if (cmd == "drag") {
        if (!need(a, 1, 2, "drag [LIST] THUMB", why) || !num(a.back(), v, why)) return kScriptError;
        std::string list = a.size() == 3 ? listArg(a[1]) : std::string();
        ok = t ? t->drag(list, static_cast<int>(v)) : d_.drag(list, static_cast<int>(v));
    } else if (cmd == "close" && title) {
        if (!need(a, 0, 0, "in TITLE close", why)) return kScriptError;
        ok = t->close();
    } else {
        why = "unknown command " + cmd;
        return kScriptError;
    }
    if (!ok) why = d_.error();
    return ok ? kScriptOk : kScriptError;
}

int Interpreter::run(const std::vector<std::string>& w, std::string& why) {
    const std::string& cmd = w[0];
    long long v = 0;
    auto done = [&](bool ok) {
        if (!ok) why = d_.error();
        return ok ? kScriptOk : kScriptError;
    };
    if (cmd == "start") {
        if (!need(w, 1, 1, "start PROCEDURE", why)) return kScriptError;
        const rt::Procedure* p = findProcedure(w[1]);
        if (!p) {
            why = "no procedure " + w[1] + " (known:";
            for (const auto& [name, proc] : procedures()) why += " " + name;
            why += ")";
            return kScriptError;
        }
        return done(d_.start(*p));
    }
    if (cmd == "settle") return need(w, 0, 0, "settle", why) ? done(d_.settle()) : kScriptError;
    if (cmd == "windows") {
        if (!need(w, 0, 0, "windows", why)) return kScriptError;
        d_.refresh();
        out_ << d_.windows();
        return kScriptOk;
    }
    if (cmd == "answer") return need(w, 1, 1, "answer BUTTON", why) ? done(d_.answer(w[1])) : kScriptError;
    if (cmd == "popup") return need(w, 1, 1, "popup ITEM", why) ? done(d_.popup(w[1])) : kScriptError;
    if (cmd == "pdf") {
        if (!need(w, 1, 1, "pdf FILE", why)) return kScriptError;
        return done(d_.printToFile(w[1]));
    }
    if (cmd == "dialog") {
        if (!need(w, 1, 1, "dialog PATH | dialog cancel", why)) return kScriptError;
        return done(w[1] == "cancel" ? d_.dialogCancel() : d_.dialog(w[1]));
    }
    if (cmd == "dismiss") return need(w, 0, 0, "dismiss", why) ? done(d_.dismiss()) : kScriptError;
    if (cmd == "post") {
        if (!need(w, 1, 2, "post EVENT [THREAD]", why) || !num(w[1], v, why)) return kScriptError;
        if (w.size() == 3) {
            long long thread = 0;
            if (!num(w[2], thread, why)) return kScriptError;
            return done(d_.postTo(static_cast<int>(v), static_cast<int>(thread)));
        }
        return done(d_.post(static_cast<int>(v)));
    }
    if (cmd == "wait") {
        if (!need(w, 1, 1, "wait HUNDREDTHS", why) || !num(w[1], v, why)) return kScriptError;
        return done(d_.wait(v));
    }
    if (cmd == "activate") return need(w, 1, 1, "activate TITLE", why) ? done(d_.activate(w[1])) : kScriptError;
    if (cmd == "close") {
        if (!need(w, 0, 1, "close [TITLE]", why)) return kScriptError;
        return done(w.size() == 2 ? d_.in(w[1]).close() : d_.close());
    }
    if (cmd == "in") {
        if (w.size() < 3) {
            why = "usage: in TITLE COMMAND ...";
            return kScriptError;
        }
        return windowAction(w, 2, &w[1], why);
    }
    if (cmd == "expect" || cmd == "expect-not") {
        if (!need(w, 1, 1, "expect TEXT", why)) return kScriptError;
        d_.refresh();
        bool seen = shows(d_.windows(), w[1]);
        if (seen == (cmd == "expect")) return kScriptOk;
        why = "\"" + w[1] + (seen ? "\" is shown" : "\" is not shown");
        return kScriptExpectFailed;
    }
    if (cmd == "quit") return need(w, 0, 0, "quit", why) ? -1 : kScriptError;
    return windowAction(w, 0, nullptr, why);
}

}  // namespace

int runScript(Driver& d, std::istream& in, std::ostream& out, const ScriptOptions& options) {
    Interpreter interp(d, out);
    std::string line;
    int lineNo = 0;
    while (std::getline(in, line)) {
        ++lineNo;
        std::vector<std::string> words;
        std::string why;
        std::string t = rt::trim(line);
        if (t.empty() || t[0] == '#') continue;
        if (options.echo) out << "> " << t << "\n";
        int status = splitWords(t, words, why) ? interp.run(words, why) : kScriptError;
        if (status < 0) break;
        if (status == kScriptOk) continue;
        out << (status == kScriptExpectFailed ? "expect failed" : "error") << " (line " << lineNo << ": " << t
            << "): " << why << "\n";
        d.refresh();
        out << d.windows();
        return status;
    }
    return kScriptOk;
}

int runScript(std::istream& in, std::ostream& out, const ScriptOptions& options) {
    Driver d;
    int status = runScript(d, in, out, options);
    if (!d.end()) {
        out << "error: " << d.error() << "\n" << d.windows();
        return kScriptError;
    }
    return status;
}

}  // namespace headless
