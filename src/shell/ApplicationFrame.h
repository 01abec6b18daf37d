#pragma once
// The MDI frame: names the master files, starts the Quick Start window and serves the
// frame menu until the frame closes.

void ApplicationFrame();
