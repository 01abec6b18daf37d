#pragma once
// A dialog's position, size and maximized state kept between runs in a section of an INI file
// ("songbook.ini", one section per dialog): keys XPosit, YPosit, Width, Height (dialog units,
// decimal) and Maximize ("Yes"/"No"). Windows restore right after they open and save right
// before they close.
#include <string>

namespace rt {
class Window;
}

// Writes the placement of the current window (the calling thread's newest): a maximized window
// is first restored, so the position and size written are those it has when not maximized.
// A minimized window writes nothing.
void SaveWindowPlacement(const std::string& iniFile, const std::string& section);
// Applies a saved placement to the current window. A section whose XPosit is missing or 0 is
// ignored completely. Position and size are applied only while the window is not maximized
// and only when every value needed is there and not 0; a window that cannot be resized only
// moves. Maximize "Yes" maximizes it.
void RestoreWindowPlacement(const std::string& iniFile, const std::string& section);

// The same for a given window (the task-window frame uses these while it closes).
void SaveWindowPlacement(rt::Window& window, const std::string& iniFile, const std::string& section);
void RestoreWindowPlacement(rt::Window& window, const std::string& iniFile, const std::string& section);
