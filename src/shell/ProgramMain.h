#pragma once
// The program's entry: checks the installation, learns the system's version, chooses the
// help format and runs the application frame on the calling (first) program thread.

#include <cstdint>

// The Windows drag-full-windows setting as it was read at start-up.
extern std::int32_t DragFullWindowsState;

void ProgramMain();
