#include "shell/ProgramMain.h"

#include <string>

#include "data/globals.h"
#include "runtime/sysinfo/sysinfo.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/RegistryValue.h"
#include "shell/ApplicationFrame.h"

std::int32_t DragFullWindowsState = 0;

namespace {

// Platform 0 keeps `current` (the name's initial blank value).
std::string versionName(bool ok, const rt::OsVersionInfo& info, const std::string& current) {
    if (!ok) return "UnKnown";
    switch (info.platformId) {
    case 0:
        return current;
    case 1:  // Windows 9x
        switch (info.minorVersion) {
        case 0: return "95";
        case 10: return "98";
        case 90: return "ME";
        default: return "UnKnown";
        }
    case 2:  // NT family
        switch (info.majorVersion) {
        case 3: return "WIN 3.X";
        case 4: return "NT 4.X";
        case 5: return "XP";
        case 6: return "Vista";
        default: return "UnKnown";
        }
    default:
        return "UnKnown";
    }
}

}  // namespace

void ProgramMain() {
    const std::string folder =
        rt::clip(ReadRegistryValue("Install", "InstallDir", "0", RegistryProgramPath));
    // An empty value (unreadable key) is no installation either: the master files would
    // otherwise be looked for at the file system's root.
    if (folder == "0" || folder.empty()) {
        rt::message("Incorrect Program Installation, Please Reinstall", "Progam Halt",
                    rt::Icon::Hand, rt::BtnOk);
        return;
    }
    InstallFolder = folder;

    // A failed call leaves the record empty (major version 0), which picks the older help.
    rt::OsVersionInfo info;
    info.size = 148;
    const bool ok = rt::getVersionEx(info);
    if (!ok) info = rt::OsVersionInfo{};
    OSVersionInfo = info;
    OSVersionName = versionName(ok, info, OSVersionName);

    if (OSVersionInfo.majorVersion > 4) {
        HelpFile = rt::clip(InstallFolder) + "/help/CantoV2.chm";
    } else {
        HelpFile = rt::clip(InstallFolder) + "/help/CantoV2.hlp";
        WinHelpFile = HelpFile;
    }

    // Window contents shown while dragging are switched off while the program runs.
    // Restored also when a fatal error unwinds the frame, so the user's desktop setting
    // never stays switched off.
    DragFullWindowsState = rt::getDragFullWindows();
    struct DragRestore {
        bool on;
        ~DragRestore() {
            if (on) rt::setDragFullWindows(1);
        }
    } restore{DragFullWindowsState == 1};
    if (restore.on) rt::setDragFullWindows(0);

    ApplicationFrame();
}
