// The published state as plain text: what a person would read off the screen.
#include <cstdio>
#include <map>
#include <sstream>

#include "frontend/headless/driver.h"

namespace headless {
namespace {

const char* kindText(rt::ControlKind k) {
    using K = rt::ControlKind;
    switch (k) {
    case K::DropList: return "drop list";
    case K::ToolButton: return "tool button";
    case K::MenuItem: return "item";
    default: return rt::kindName(k);
    }
}

const char* windowKindText(rt::WindowKind k) {
    switch (k) {
    case rt::WindowKind::Frame: return "frame";
    case rt::WindowKind::MdiChild: return "child";
    case rt::WindowKind::Dialog: return "dialog";
    }
    return "window";
}

const char* iconText(rt::Icon i) {
    switch (i) {
    case rt::Icon::None: return "";
    case rt::Icon::Exclamation: return "exclamation";
    case rt::Icon::Question: return "question";
    case rt::Icon::Hand: return "stop";
    case rt::Icon::Asterisk: return "information";
    }
    return "";
}

// Quotes a text; tabs, new lines and quotes inside are escaped so each control stays one line.
std::string quoted(const std::string& s) {
    std::string out = "\"";
    for (char ch : s) {
        if (ch == '\t') out += "\\t";
        else if (ch == '\n') out += "\\n";
        else if (ch == '"') out += "\\\"";
        else out += ch;
    }
    return out + "\"";
}

std::string joined(const std::vector<std::string>& parts, const char* sep = " | ") {
    std::string out;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        if (i) out += sep;
        out += parts[i];
    }
    return out;
}

// Multi-line texts keep their lines under the first one.
void putLines(std::ostringstream& o, const std::string& indent, const std::string& label,
              const std::string& text) {
    o << indent << label;
    std::string pad(label.size(), ' ');
    std::size_t start = 0;
    bool first = true;
    for (;;) {
        std::size_t nl = text.find('\n', start);
        if (!first) o << indent << pad;
        o << text.substr(start, nl == std::string::npos ? std::string::npos : nl - start) << "\n";
        first = false;
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
}

bool showsValue(rt::ControlKind k) {
    using K = rt::ControlKind;
    return k == K::Entry || k == K::Combo || k == K::Spin || k == K::DropList || k == K::Check ||
           k == K::Option || k == K::Progress || k == K::Sheet;
}

void putControl(std::ostringstream& o, const rt::Control& c, const std::string& indent) {
    using K = rt::ControlKind;
    if (c.kind == K::Separator) {
        o << indent << "---" << (c.hidden ? " [hidden]" : "") << "\n";
        return;
    }
    o << indent << kindText(c.kind);
    if (!c.name.empty()) o << " " << c.name;
    if (!c.text.empty()) o << " " << quoted(c.text);
    if (!c.value.empty() || showsValue(c.kind)) o << " value " << quoted(c.value);
    if (c.kind == K::List && c.selected) o << " selected " << c.selected;
    if (c.kind == K::List && c.vscroll) o << " thumb " << c.thumb;
    if (c.kind == K::List && !c.vscroll) o << " [no scroll bar]";
    if (c.isDefault) o << " [default]";
    if (!c.enabled) o << " [greyed]";
    if (c.hidden) o << " [hidden]";
    if (c.readOnly) o << " [read-only]";
    if (!c.tooltip.empty()) o << " tip " << quoted(c.tooltip);
    o << "\n";
    if (!c.choices.empty()) o << indent << "  choices: " << joined(c.choices) << "\n";
    if (c.kind == K::List) {
        std::vector<std::string> heads;
        for (const auto& col : c.columns) heads.push_back(col.header);
        if (!heads.empty()) o << indent << "  columns: " << joined(heads) << "\n";
        for (std::size_t r = 0; r < c.rows.size(); ++r) {
            std::vector<std::string> cells;
            for (const auto& cell : c.rows[r].cells) cells.push_back(cell.text);
            bool sel = static_cast<int>(r + 1) == c.selected;
            o << indent << (sel ? "  > " : "    ") << (r + 1) << ": " << joined(cells) << "\n";
        }
    }
}

void putTree(std::ostringstream& o, const rt::WindowState& w,
             const std::multimap<int, std::size_t>& children, int parent, const std::string& indent,
             int depth) {
    auto [b, e] = children.equal_range(parent);
    for (auto it = b; it != e; ++it) {
        const rt::Control& c = w.controls[it->second];
        putControl(o, c, indent);
        // Guards against a control listed as its own ancestor.
        if (depth < 32 && c.id != parent) putTree(o, w, children, c.id, indent + "  ", depth + 1);
    }
}

}  // namespace

std::string describe(const rt::WindowState& w, bool active) {
    std::ostringstream o;
    o << "window " << quoted(w.title) << " " << windowKindText(w.kind) << " #" << w.id << " thread "
      << w.thread;
    if (active) o << " [active]";
    if (w.modalBlocked) o << " [blocked]";
    if (w.maximized) o << " [maximized]";
    if (w.minimized) o << " [minimized]";
    if (w.waitCursor) o << " [wait cursor]";
    if (!w.toolTipsOn) o << " [tooltips off]";
    o << "\n";
    // Children under their parents, each level in control order; orphans at the top.
    std::map<int, bool> ids;
    for (const auto& c : w.controls) ids[c.id] = true;
    std::multimap<int, std::size_t> children;
    for (std::size_t i = 0; i < w.controls.size(); ++i) {
        int p = w.controls[i].parent;
        children.emplace(p && ids.count(p) && p != w.controls[i].id ? p : 0, i);
    }
    putTree(o, w, children, 0, "  ", 0);
    bool anyStatus = false;
    for (const auto& s : w.status) anyStatus = anyStatus || !s.empty();
    if (anyStatus) o << "  status: " << joined(w.status) << "\n";
    return o.str();
}

std::string describe(const rt::Request& r) {
    std::ostringstream o;
    auto where = [&] {
        o << " (thread " << r.thread;
        if (r.window) o << ", window #" << r.window;
        o << ")";
    };
    switch (r.kind) {
    case rt::RequestKind::Message: {
        o << "message " << quoted(r.title);
        if (r.icon != rt::Icon::None) o << " [" << iconText(r.icon) << "]";
        where();
        o << "\n";
        putLines(o, "  ", "text: ", r.text);
        std::string def;
        for (std::size_t i = 0; i < r.buttons.size(); ++i) {
            int v = i < r.values.size() ? r.values[i] : static_cast<int>(i + 1);
            if (v == r.defaultValue) def = r.buttons[i];
        }
        o << "  buttons: " << joined(r.buttons);
        if (!def.empty()) o << " (default " << def << ")";
        o << "\n";
        break;
    }
    case rt::RequestKind::Popup: {
        o << "pop-up menu";
        where();
        o << "\n";
        int n = 0;
        for (const auto& item : r.items) {
            if (item == "-") {
                o << "  ---\n";
                continue;
            }
            ++n;
            if (!item.empty() && item[0] == '~')
                o << "  " << n << ": " << item.substr(1) << " [greyed]\n";
            else
                o << "  " << n << ": " << item << "\n";
        }
        break;
    }
    default: {
        static const char* names[] = {"", "", "open-file dialog", "save-file dialog", "folder dialog",
                                      "colour dialog", "font dialog", "printer dialog"};
        o << names[static_cast<int>(r.kind)] << " " << quoted(r.title);
        where();
        o << "\n";
        if (!r.filter.empty()) o << "  filter: " << r.filter << "\n";
        if (!r.path.empty()) o << "  path: " << r.path << "\n";
        if (r.kind == rt::RequestKind::Printer && r.toFile) o << "  output: file (PDF)\n";
        if (r.kind == rt::RequestKind::Color) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "0x%06X", static_cast<unsigned>(r.color));
            o << "  colour: " << buf << "\n";
        }
        if (r.kind == rt::RequestKind::Font)
            o << "  font: " << r.font.name << "," << r.font.size << (r.font.weight >= 700 ? ",bold" : "")
              << (r.font.italic ? ",italic" : "") << "\n";
        break;
    }
    }
    return o.str();
}

std::string describe(const rt::Published& p) {
    std::string out;
    for (const auto& w : p.windows) out += describe(*w, w->id == p.active);
    for (const auto& r : p.requests) out += describe(*r);
    if (p.windows.empty() && p.requests.empty()) out += p.running ? "no windows\n" : "program not running\n";
    return out;
}

}  // namespace headless
