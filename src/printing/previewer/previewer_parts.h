#pragma once
// Pieces the previewer's dialogs share.
#include <string>

#include "runtime/window/window.h"

struct ReportPreviewer;

namespace previewer {

// A spin box's value kept within lo..hi (the box is set back when it was outside).
int spinValue(rt::Window& w, int spin, int lo, int hi);
int addSpin(rt::Window& w, const std::string& name, int value, int x, int y, int width, const std::string& tip);

// The printer dialog "Select A Printer"; a printer chosen becomes the current printer, and a
// PDF file chosen is the one this report's next print writes. Returns the device name the
// dialogs show either way.
std::string SelectPrinter(ReportPreviewer& pv);

}  // namespace previewer
