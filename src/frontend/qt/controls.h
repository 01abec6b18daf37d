#pragma once
// One adapter per control kind: how a control of that kind is made on screen, and how the
// program's snapshot of it is shown there, side by side. The window view does what all kinds
// share (placing, fonts, colours, tooltips, visibility, the order of widgets).
#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <string>
#include <vector>

#include "runtime/window/window.h"

class QButtonGroup;

namespace qtfe {

class WindowView;

// A control as it is on screen.
struct ControlItem {
    rt::ControlKind kind = rt::ControlKind::Text;
    int parent = 0;
    QPointer<QWidget> w;        // on the canvas, in a tool bar, or a sheet's page
    QPointer<QMenu> menu;       // menus
    QPointer<QAction> action;   // menu items, separators, menus, tool-bar entries
    QButtonGroup* radios = nullptr;  // options
    std::vector<int> members;   // options: their radios; sheets: their tabs, in order
    std::uint64_t rev = 0;      // of the control as last applied
    bool applied = false;
    std::string known;          // entries: the text the program has, as far as we know
    std::string lastValue;      // the value of the snapshot applied last
};

struct ControlAdapter {
    // Makes the control's widget (it.w), menu (it.menu) or action (it.action). A canvas
    // control's widget is made on v.canvas(); the view tags and places it.
    void (*create)(WindowView& v, const rt::Control& c, ControlItem& it) = nullptr;
    // Shows the control's snapshot: texts, value, state. Runs with v.applying() set, so
    // signals it causes are not taken for the user's input.
    void (*apply)(WindowView& v, const rt::Control& c, ControlItem& it) = nullptr;
    // The text the user typed or picked, as the program would store it; null for kinds the
    // user does not type into.
    QString (*edited)(const ControlItem& it) = nullptr;
    bool onCanvas = true;     // placed on the window's canvas in dialog units
    bool background = false;  // lies under the controls it holds
    bool takesFocus = false;  // a prompt just before it labels it
    bool flushed = false;     // what was typed goes to the program before any button or close
};

// The adapter of a kind; a kind without one gets an adapter that shows nothing.
const ControlAdapter& adapterOf(rt::ControlKind k);

// "&Name" shown without its mnemonic marker, "&&" as one ampersand.
QString withoutMnemonic(const std::string& s);
// Tooltips may break lines with "<10>" as well as with new lines.
QString tipText(const std::string& s);

}  // namespace qtfe
