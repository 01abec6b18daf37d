#pragma once
// Installing a master data update all or nothing, and finishing one that was cut off.
//
//     INSTALL/autoupdate-work/MAIN.UPD ...   the downloaded update files (the wizard puts them here)
//     INSTALL/autoupdate-work/MAIN.TPS ...   the new master files, expanded and checked
//     INSTALL/autoupdate-work/INSTALLING     the marker: every new file is whole; these go in place
//
//     if (const UpdateInstall r = InstallUpdate(folder, files); !r.ok) say(r.problem);
//     ...
//     const UpdateRecovery rec = FinishInterruptedUpdate(folder);   // at start, before any master file opens
//     if (!rec.text.empty()) say(rec.text);
//
// InstallUpdate expands every update file into the work folder and opens each new master file
// with its own record layout; a failure there leaves the installation as it was. Only then is
// the marker written (atomically), and each new file put in place: the old file keeps its data
// as ".BAK" (a second name of the same file, so the master file never goes missing; a copy
// where the file system has no second names), then the new one is renamed over it. A kill at
// any moment leaves each master file whole, old or new; FinishInterruptedUpdate then puts the
// rest in place when the marker is there, and otherwise removes what the interrupted install
// left. A ".BAK" whose master file is missing is never removed: the master file is put back
// from it.
#include <functional>
#include <string>
#include <vector>

// One install at a time per installation folder, also across programs: held by the wizard
// from the download to the end of the install, and by the recovery. A killed program's hold
// ends with it.
class UpdateFolderLock {
public:
    explicit UpdateFolderLock(const std::string& installFolder);
    ~UpdateFolderLock();
    UpdateFolderLock(const UpdateFolderLock&) = delete;
    UpdateFolderLock& operator=(const UpdateFolderLock&) = delete;
    // False when another program holds it (or the folder cannot be opened).
    bool held() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

// The work folder's name inside the installation folder.
inline constexpr const char* kUpdateWorkFolder = "autoupdate-work";

std::string UpdateWorkFolder(const std::string& installFolder);

struct UpdateFileToInstall {
    std::string masterFile;   // "MAIN.TPS"
    std::string updateFile;   // its update file, downloaded into the work folder
};

struct UpdateInstall {
    bool ok = false;
    // The master files were not touched (a failure before the marker, or one undone).
    bool unchanged = true;
    std::string problem;   // why not, in the words the wizard shows ("" after a message of its own)
};

// Needs the window system (each expansion shows its window); closes the master files on every
// thread first. Refuses master files another program has open. `onStep`, when given, is called
// before each change on the disc (tests stop the install there).
UpdateInstall InstallUpdate(const std::string& installFolder, const std::vector<UpdateFileToInstall>& files,
                            const std::function<void()>& onStep = {});

struct UpdateRecovery {
    enum What { Nothing, LeftoversRemoved, Finished, MasterRestored, Failed } what = Nothing;
    std::string text;   // what was done, for a message ("" when nothing was)
};

// Finishes or cleans up an install that did not end, and puts a missing master file back
// from its ".BAK". Shows nothing itself. Does nothing while another program holds the folder's
// lock (its install is not interrupted, it is running).
// `onStep` as for InstallUpdate.
UpdateRecovery FinishInterruptedUpdate(const std::string& installFolder, const std::function<void()>& onStep = {});

// Removes the work folder and what is in it (the marker last): 0 or an errno value.
int RemoveUpdateWorkFolder(const std::string& installFolder, const std::function<void()>& onStep = {});
