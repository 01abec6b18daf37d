#pragma once
// Pieces the previewer's dialogs share.
#include <string>

#include "runtime/window/window.h"

namespace previewer {

// A spin box's value kept within lo..hi (the box is set back when it was outside).
int spinValue(rt::Window& w, int spin, int lo, int hi);
int addSpin(rt::Window& w, const std::string& name, int value, int x, int y, int width, const std::string& tip);

// The printer dialog "Select A Printer"; a printer chosen becomes the current printer.
// Returns the current printer's device name either way.
std::string SelectPrinter();

}  // namespace previewer
