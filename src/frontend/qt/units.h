#pragma once
// Dialog units, fonts and colours of the window models, turned into Qt's terms.
#include <QColor>
#include <QFont>
#include <QString>

#include <cstdint>
#include <string>

#include "runtime/window/window.h"

namespace qtfe {

// A window's dialog units: four per average character width across, eight per character
// height down, measured in the window's font.
struct DialogUnits {
    double cx = 1.5;   // pixels per horizontal unit
    double cy = 1.625; // pixels per vertical unit

    static DialogUnits of(const QFont& font);
    int px(int du) const;  // horizontal
    int py(int du) const;  // vertical
    int dux(int px) const;
    int duy(int px) const;
};

// The window's font (its own, or the default sans font), and a control's font on top of it.
// The one face and size of lists, dialogs, menus and message boxes.
QFont interfaceFont();
QFont windowFont(const rt::Font& f);
QFont controlFont(const QFont& base, const rt::Font& f);
bool hasFont(const rt::Font& f);

// 0x00BBGGRR; invalid for kNoColor.
QColor toColor(std::uint32_t c);
std::uint32_t fromColor(const QColor& c);

inline QString qs(const std::string& s) { return QString::fromStdString(s); }
inline std::string ss(const QString& s) { return s.toStdString(); }

// A window's title as shown: an empty one stays blank (Qt would put the program's name there).
QString titleText(const std::string& title);

// Finds a picture the program names: absolute, or relative to the program's current folder;
// empty when there is no such file (resources.h has the built-in ones).
QString resolveFile(const std::string& name);

}  // namespace qtfe
