#pragma once
// The operating system's version and the desktop settings the program looks at. On Linux the
// version reports an NT-family system, and the window-dragging setting does not exist: it
// reads as "not set" and writing it does nothing (tests can see what was asked).
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace rt {

struct OsVersionInfo {
    uint32_t size = 0, majorVersion = 0, minorVersion = 0, buildNumber = 0, platformId = 0;
    std::string csdVersion;
};

// platformId 2, major 6, minor 0, build from the kernel release, csd the kernel's uname text.
bool getVersionEx(OsVersionInfo& info);
// What getVersionEx reports from now on (nullopt: the real system); fails: it returns false.
void setVersionForTests(std::optional<OsVersionInfo> v, bool fails = false);

// The drag-full-windows setting: 0 = not set.
int getDragFullWindows();
void setDragFullWindows(int on);
// What getDragFullWindows reports (nullopt: the real 0); the log of every setDragFullWindows
// since (setting the hook clears the log).
void setDragFullWindowsForTests(std::optional<int> reported);
std::vector<int> dragFullWindowsWrites();

}  // namespace rt
