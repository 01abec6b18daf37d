#pragma once
// The Quick Start window: an MDI child with shortcuts to the SongBook File Explorer and the
// AutoUpdate wizard. Started on a thread of its own by the frame.

void QuickStartWindow();
