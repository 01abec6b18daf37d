#include "library/AutoUpdateWizard.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "data/globals.h"
#include "data/karaoke.h"
#include "library/UpdateInstall.h"
#include "library/UpdateList.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "services/DownloadFileWithProgress.h"
#include "services/RegistryValue.h"
#include "services/ShowHelpTopic.h"
#include "services/TaskWindow.h"

namespace {

constexpr const char* kTitle = "AutoUpdate by Brambury    (Cantorelle V2 Main Tunelode Update)";
constexpr const char* kListPath = "/update/01/autoupdate2.inf";
constexpr const char* kFilesPath = "/update/01/";
constexpr int kEventDisableOpenAndAutoUpdate = 0x403;
constexpr int kEventEnableOpenAndAutoUpdate = 0x404;
// An update list holds a line per file: anything near this size is no update list.
constexpr std::uint64_t kListLimit = 1 << 20;
constexpr const char* kNothingChanged = "||Nothing has been downloaded or changed.";

std::string readListFile(const std::string& path, bool& ok) {
    std::string bytes;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ok = f != nullptr;
    if (!f) return bytes;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0 && bytes.size() <= kListLimit * 2) bytes.append(buf, n);
    ok = !std::ferror(f);
    std::fclose(f);
    return bytes;
}

long long masterTracks() {
    KAR.open(rt::ReadOnly);
    const bool opened = rt::errorCode() == rt::NoError;
    const long long n = opened ? KAR.records() : -1;
    if (opened) KAR.close();
    rt::clearError();
    return n;
}

class Wizard {
public:
    Wizard() : w_(kTitle, rt::WindowKind::Dialog, -1, -1, 343, 182) { build(); }
    void run();

private:
    enum class ListFetch { Got, Declined, Cancelled };
    void build();
    void next();
    ListFetch fetchList();
    bool retry();
    bool download(const UpdateListRecord& r);
    void failed(const UpdateInstall& r);
    void succeeded();
    std::string path(const std::string& name) const { return folder_ + "/" + name; }

    TaskWindow w_;
    int back_ = 0, next_ = 0, cancel_ = 0, help_ = 0;
    std::string folder_, server_;
    UpdateListCheck list_;
    bool closeWizard_ = false;
};

void Wizard::build() {
    rt::Window& w = w_;
    w.image("?WizardPicture", "autoupdatewizard.bmp", 6, 6, 110, 170);
    w.image("?Logo", "addscreenlogo.bmp", 124, 6, 212, 40);
    w.text("?Welcome", "Welcome to the AutoUpdate Wizard for Cantorelle V2", 124, 56, 212, 10);
    w.edit(w.find("?Welcome")).font = rt::Font{"", 0, 700};
    w.text("?Text1", "The AutoUpdate Wizard will update the Main Tunelode Data Files", 124, 76, 212, 10);
    w.text("?Text2", "on your computer, to continue, click Next.", 124, 88, 212, 10);
    back_ = w.button("?Back", "<< &Back", 124, 160, 50, 14);
    w.disable(back_);  // the wizard has one page: there is nothing to go back to
    next_ = w.button("?Next", "&Next >>", 178, 160, 50, 14);
    cancel_ = w.button("?Cancel", "&Cancel", 232, 160, 50, 14);
    help_ = w.button("?Help", "&Help", 286, 160, 50, 14);
    w.edit(next_).isDefault = true;
}

bool Wizard::retry() {
    const int answer = rt::message("AutoUpdate has experienced an error accessing|the necessary Update Files.||Do you "
                                   "wish to Retry?",
                                   "AutoUpdate Error", rt::Icon::Question, rt::BtnYes | rt::BtnNo, rt::BtnYes, true);
    return answer != rt::BtnNo;
}

// The list is only used when it came in whole: a part of one would install a part of the update.
Wizard::ListFetch Wizard::fetchList() {
    const std::string listFile = rt::clip(UpdateListFileName.str());
    for (;;) {
        DownloadingUpdateList = 1;
        std::remove(listFile.c_str());
        DOWNLOADSTRING = "Downloading AutoUpdate Instructions";
        UpdateFileSize = 0;
        const DownloadResult got = DownloadFileWithProgress(server_ + kListPath, listFile, kListLimit);
        DownloadingUpdateList = 0;
        if (got.whole && got.bytes > 0) return ListFetch::Got;
        std::remove(listFile.c_str());
        if (got.cancelled) return ListFetch::Cancelled;
        if (!retry()) return ListFetch::Declined;
    }
}

bool Wizard::download(const UpdateListRecord& r) {
    const std::string to = UpdateWorkFolder(folder_) + "/" + r.newFile;
    for (;;) {
        DOWNLOADSTRING = "Downloading Update File: " + r.newFile;
        UpdateFileSize = r.size;
        // A file is never taken longer than the list says it is.
        const DownloadResult got = DownloadFileWithProgress(server_ + kFilesPath + r.newFile, to, r.size);
        if (got.whole && got.bytes != 0 && got.bytes == r.size) return true;
        if (!retry()) return false;
    }
}

void Wizard::failed(const UpdateInstall& r) {
    if (!r.problem.empty()) rt::message(r.problem);
    if (r.unchanged) {
        RemoveUpdateWorkFolder(folder_);
        rt::message("AutoUpdate Error, original files have been restored", "AutoUpdate Unsuccessful", rt::Icon::Hand);
    } else
        rt::message("AutoUpdate Error, the update could not be finished.||Every Main Tunelode data file is whole; "
                    "the update will be finished when Cantorelle next starts.",
                    "AutoUpdate Unsuccessful", rt::Icon::Hand);
}

void Wizard::succeeded() {
    WriteRegistryValue("Version", "DataFile", RegistryProgramPath, std::to_string(masterTracks()));
    TaskWindow s("AutoUpdate Successful", rt::WindowKind::Dialog, -1, -1, 343, 182);
    s.image("?WizardPicture", "autoupdatewizard.bmp", 6, 6, 110, 170);
    s.image("?Logo", "addscreenlogo.bmp", 124, 6, 212, 40);
    s.text("?Done1", "AutoUpdate has completed successfully!", 124, 60, 212, 10);
    s.text("?Done2", "To continue click Finished.", 124, 76, 212, 10);
    const int finished = s.button("?Finished", "Finished", 286, 160, 50, 14);
    s.edit(finished).isDefault = true;
    s.open();
    while (s.accept()) {
        if (s.code() == rt::EvAccepted && s.field() == finished) {
            closeWizard_ = true;
            s.close();
        }
    }
}

void Wizard::next() {
    if (SongBookIsOpen == 1) {
        rt::message("Please close the open SongBook before updating the Main Tunelode.", "AutoUpdate",
                    rt::Icon::Exclamation);
        return;
    }
    server_ = rt::trim(ReadRegistryValue("Settings", "UpdateServer", "", RegistryProgramPath));
    while (!server_.empty() && server_.back() == '/') server_.pop_back();
    if (!server_.starts_with("http://") && !server_.starts_with("https://")) {
        rt::message("No update server is set.||Set \"UpdateServer\" in the section \"Settings\" of the registry store "
                    "to its address (http:// or https://).",
                    "AutoUpdate Error", rt::Icon::Hand);
        return;
    }
    // An earlier install that did not end is finished first; one that cannot be stops here.
    if (!FinishInterruptedAutoUpdate()) return;

    switch (fetchList()) {
    case ListFetch::Got: break;
    case ListFetch::Declined: closeWizard_ = true; return;
    case ListFetch::Cancelled:
        rt::message("The update list was cancelled before it came in whole." + std::string(kNothingChanged),
                    "AutoUpdate", rt::Icon::Exclamation);
        return;
    }
    bool read = false;
    const std::string bytes = readListFile(rt::clip(UpdateListFileName.str()), read);
    list_ = read ? CheckUpdateList(bytes) : UpdateListCheck{{}, "The update list could not be read."};
    if (!list_.ok()) {
        rt::message(list_.problem + kNothingChanged, "AutoUpdate Error", rt::Icon::Hand);
        return;
    }
    const long long installed = masterTracks();
    bool dataWanted = std::strtoll(list_.records.front().version.c_str(), nullptr, 10) != installed;
    for (const UpdateListRecord& r : list_.records) {
        // A server's program is not this program: revisions are pointed out, never installed.
        if (r.revision && r.version != rt::clip(ProgramVersion.str())) {
            const std::string site = ReadRegistryValue("Settings", "CompanyWebAddress", "", RegistryProgramPath);
            rt::message("A New Program Revision Exists!||Automatic Program Revisions are available|only to users "
                        "running Windows Versions XP or Above.||Please visit " +
                            site + " for further information",
                        "Program Revision Available", rt::Icon::Exclamation);
        }
    }
    if (!dataWanted) {
        const std::string text = rt::clip(OSVersionName.str()) == "XP"
                                     ? "Your Data Files are Current and|No Program Revision Exists.||Do you still "
                                       "wish to continue?"
                                     : "Your Data Files are Current.||Do you still wish to continue?";
        if (rt::message(text, "Update is Not Necessary", rt::Icon::Question, rt::BtnYes | rt::BtnNo, rt::BtnNo) !=
            rt::BtnYes)
            return;
        dataWanted = true;
    }
    const std::vector<const UpdateListRecord*> data = list_.dataRecords();
    if (data.empty()) {
        rt::message("This update holds no Main Tunelode data files.||Nothing has been installed.", "AutoUpdate",
                    rt::Icon::Exclamation);
        return;
    }
    const UpdateFolderLock lock(folder_);
    if (!lock.held()) {
        rt::message("Another Cantorelle is updating the Main Tunelode in " + folder_ + " right now." + kNothingChanged,
                    "AutoUpdate", rt::Icon::Exclamation);
        return;
    }
    // Update files an earlier run left under the list's names, and its work folder.
    for (const UpdateListRecord& r : list_.records)
        if (rt::fileExists(path(r.newFile))) std::remove(path(r.newFile).c_str());
    RemoveUpdateWorkFolder(folder_);
    if (const int e = rt::createFolder(UpdateWorkFolder(folder_))) {
        rt::message("The folder for the downloads cannot be made: " + UpdateWorkFolder(folder_) + "|" +
                        std::strerror(e) + kNothingChanged,
                    "AutoUpdate Error", rt::Icon::Hand);
        return;
    }
    std::vector<UpdateFileToInstall> files;
    for (const UpdateListRecord* r : data) {
        if (!download(*r)) {
            RemoveUpdateWorkFolder(folder_);
            return;
        }
        files.push_back({r->oldFile, r->newFile});
    }
    const UpdateInstall done = InstallUpdate(folder_, files);
    if (!done.ok) {
        failed(done);
        return;
    }
    // A master search window left open reads the new files from now on.
    if (SearchThread != 0) rt::postToThread(EventMasterFilesReplaced, SearchThread);
    succeeded();
}

void Wizard::run() {
    folder_ = rt::absolutePath(rt::clip(InstallFolder.str()));
    w_.onFirstDisplay([] { rt::postToThread(kEventDisableOpenAndAutoUpdate, FrameThread); });
    w_.open();
    while (!closeWizard_ && w_.accept()) {
        if (w_.code() == rt::EvGainFocus) rt::postToThread(kEventDisableOpenAndAutoUpdate, FrameThread);
        if (w_.code() != rt::EvAccepted) continue;
        const int id = w_.field();
        if (id == next_) next();
        else if (id == cancel_) w_.close();
        else if (id == help_) ShowHelpTopic("UpdatingMainTunelodeDataFiles");
    }
    if (w_.isOpen()) w_.close();
    rt::postToThread(kEventEnableOpenAndAutoUpdate, FrameThread);
}

}  // namespace

bool FinishInterruptedAutoUpdate() {
    const UpdateRecovery r = FinishInterruptedUpdate(rt::clip(InstallFolder.str()));
    if (r.what == UpdateRecovery::Nothing) return true;
    const bool failed = r.what == UpdateRecovery::Failed;
    rt::message(r.text, failed ? "AutoUpdate Unsuccessful" : "AutoUpdate", failed ? rt::Icon::Hand : rt::Icon::Exclamation);
    if (!failed && r.what != UpdateRecovery::LeftoversRemoved)
        WriteRegistryValue("Version", "DataFile", RegistryProgramPath, std::to_string(masterTracks()));
    return !failed;
}

void AutoUpdateWizard() {
    Wizard wizard;
    wizard.run();
}
