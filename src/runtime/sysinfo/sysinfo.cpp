#include "runtime/sysinfo/sysinfo.h"

#include <sys/utsname.h>

#include <cstdlib>
#include <mutex>

namespace rt {
namespace {

std::mutex sysMutex;
std::optional<OsVersionInfo> versionOverride;
bool versionFails = false;
std::optional<int> dragReported;
std::vector<int> dragWrites;

// The third number of a kernel release such as "6.1.0-18-amd64".
uint32_t kernelBuild(const char* release) {
    const char* p = release;
    for (int dots = 0; *p && dots < 2; ++p)
        if (*p == '.') ++dots;
    return static_cast<uint32_t>(std::strtoul(p, nullptr, 10));
}

}  // namespace

bool getVersionEx(OsVersionInfo& info) {
    {
        std::lock_guard lock(sysMutex);
        if (versionFails) return false;
        if (versionOverride) {
            uint32_t size = info.size;
            info = *versionOverride;
            if (info.size == 0) info.size = size;
            return true;
        }
    }
    info.platformId = 2;  // the NT family
    info.majorVersion = 6;
    info.minorVersion = 0;
    info.buildNumber = 0;
    info.csdVersion.clear();
    struct utsname u {};
    if (::uname(&u) == 0) {
        info.buildNumber = kernelBuild(u.release);
        info.csdVersion = std::string(u.sysname) + " " + u.release;
    }
    return true;
}

void setVersionForTests(std::optional<OsVersionInfo> v, bool fails) {
    std::lock_guard lock(sysMutex);
    versionOverride = std::move(v);
    versionFails = fails;
}

int getDragFullWindows() {
    std::lock_guard lock(sysMutex);
    return dragReported.value_or(0);
}

void setDragFullWindows(int on) {
    // There is no such setting on this platform; only the request is noted.
    std::lock_guard lock(sysMutex);
    dragWrites.push_back(on);
}

void setDragFullWindowsForTests(std::optional<int> reported) {
    std::lock_guard lock(sysMutex);
    dragReported = reported;
    dragWrites.clear();
}

std::vector<int> dragFullWindowsWrites() {
    std::lock_guard lock(sysMutex);
    return dragWrites;
}

}  // namespace rt
