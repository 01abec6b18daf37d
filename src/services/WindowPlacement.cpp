#include "services/WindowPlacement.h"

#include <charconv>

#include "runtime/files/ini.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"

namespace {

// A stored number; anything that is not one reads as 0, which callers treat as missing.
int number(const std::string& iniFile, const std::string& section, const std::string& key) {
    const std::string text = rt::trim(rt::getIni(section, key, "", iniFile));
    int v = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
    if (ec != std::errc() || end != text.data() + text.size()) return 0;
    return v;
}

}  // namespace

void SaveWindowPlacement(rt::Window& w, const std::string& iniFile, const std::string& section) {
    const bool wasMaximized = w.maximized();
    // Only the maximized state is left: a window that is also minimized stays minimized.
    if (wasMaximized) w.maximize(false);
    if (w.minimized()) return;
    rt::putIni(section, "Maximize", wasMaximized ? "Yes" : "No", iniFile);
    rt::putIni(section, "XPosit", std::to_string(w.x()), iniFile);
    rt::putIni(section, "YPosit", std::to_string(w.y()), iniFile);
    rt::putIni(section, "Width", std::to_string(w.width()), iniFile);
    rt::putIni(section, "Height", std::to_string(w.height()), iniFile);
}

void RestoreWindowPlacement(rt::Window& w, const std::string& iniFile, const std::string& section) {
    if (number(iniFile, section, "XPosit") == 0) return;
    if (!w.maximized()) {
        const int x = number(iniFile, section, "XPosit");
        const int y = number(iniFile, section, "YPosit");
        if (x != 0 && y != 0) {
            if (!w.resizable()) {
                w.setGeometry(x, y, w.width(), w.height());
            } else {
                const int width = number(iniFile, section, "Width");
                const int height = number(iniFile, section, "Height");
                if (width != 0 && height != 0) w.setGeometry(x, y, width, height);
            }
        }
    }
    if (rt::trim(rt::getIni(section, "Maximize", "", iniFile)) == "Yes") w.maximize(true);
}

void SaveWindowPlacement(const std::string& iniFile, const std::string& section) {
    if (rt::Window* w = rt::currentWindow()) SaveWindowPlacement(*w, iniFile, section);
}

void RestoreWindowPlacement(const std::string& iniFile, const std::string& section) {
    if (rt::Window* w = rt::currentWindow()) RestoreWindowPlacement(*w, iniFile, section);
}
