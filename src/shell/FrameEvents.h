#pragma once
// User events posted to the frame's thread (FrameThread): workspaces and the AutoUpdate
// wizard grey the frame's Open and AutoUpdate Wizard items while they run.

constexpr int EventDisableAutoUpdate = 0x401;
constexpr int EventEnableAutoUpdate = 0x402;
constexpr int EventDisableOpenAndAutoUpdate = 0x403;
constexpr int EventEnableOpenAndAutoUpdate = 0x404;
