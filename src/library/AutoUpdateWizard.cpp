#include "library/AutoUpdateWizard.h"

#include <cstdio>
#include <string>
#include <vector>

#include "data/discs.h"
#include "data/dmake.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "data/sartist.h"
#include "data/stitle.h"
#include "library/DecompressUpdateFile.h"
#include "runtime/error/error.h"
#include "runtime/files/csv.h"
#include "runtime/files/folder.h"
#include "runtime/record/record.h"
#include "runtime/record/whole_files.h"
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

// The master files a data update may replace.
const char* const kMasterFiles[] = {"MAIN.TPS", "DMAKE.TPS", "DISCS.TPS", "SARTIST.TPS", "STITLE.TPS"};

struct ListRecord {
    std::string action, version, oldFile, newFile;
    std::uint32_t size = 0;
    bool revision = false;
};

bool isMasterFile(const std::string& name) {
    for (const char* m : kMasterFiles)
        if (rt::equalNoCase(name, m)) return true;
    return false;
}

// A name from the server that is used as a file name in the installation folder.
bool plainName(const std::string& name) {
    if (name.empty() || rt::length(name) > 20 || name == "." || name == "..") return false;
    for (unsigned char c : name)
        if (c < 0x20 || c == 0x7F || c == '/' || c == '\\' || c == ':') return false;
    return name.find("..") == std::string::npos;
}

std::string bakName(const std::string& file) {
    const auto dot = file.rfind('.');
    return (dot == std::string::npos ? file : file.substr(0, dot)) + ".BAK";
}

class Wizard {
public:
    Wizard() : w_(kTitle, rt::WindowKind::Dialog, -1, -1, 343, 182) { build(); }
    void run();

private:
    void build();
    void next();
    bool fetchList();
    bool readList(std::string& problem);
    bool retry();
    bool download(const ListRecord& r);
    bool install();
    void restore(const std::vector<std::string>& replaced, const std::vector<std::string>& expanded);
    bool installedFilesOpen();
    long long masterTracks();
    void succeeded();
    std::string path(const std::string& name) const { return folder_ + "/" + name; }

    TaskWindow w_;
    int back_ = 0, next_ = 0, cancel_ = 0, help_ = 0;
    std::string folder_, server_;
    std::vector<ListRecord> list_;
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

long long Wizard::masterTracks() {
    KAR.open(rt::ReadOnly);
    const bool opened = rt::errorCode() == rt::NoError;
    const long long n = KAR.records();
    if (opened) KAR.close();
    rt::clearError();
    return n;
}

bool Wizard::retry() {
    const int answer = rt::message("AutoUpdate has experienced an error accessing|the necessary Update Files.||Do you "
                                   "wish to Retry?",
                                   "AutoUpdate Error", rt::Icon::Question, rt::BtnYes | rt::BtnNo, rt::BtnYes, true);
    return answer != rt::BtnNo;
}

bool Wizard::fetchList() {
    for (;;) {
        DownloadingUpdateList = 1;
        std::remove(rt::clip(UpdateListFileName.str()).c_str());
        DOWNLOADSTRING = "Downloading AutoUpdate Instructions";
        UpdateFileSize = 0;
        const std::uint32_t got = DownloadFileWithProgress(server_ + kListPath, rt::clip(UpdateListFileName.str()));
        DownloadingUpdateList = 0;
        if (got > 0) return true;
        if (!retry()) return false;
    }
}

// The list, every name checked before anything is downloaded or touched.
bool Wizard::readList(std::string& problem) {
    list_.clear();
    rt::CsvReader in;
    if (in.open(rt::clip(UpdateListFileName.str())) != 0) {
        problem = "The update list could not be read.";
        return false;
    }
    std::vector<std::string> f;
    std::vector<std::string> newNames;
    while (in.next(f)) {
        if (!in.wellFormed() || f.size() < 5) {
            problem = "The update list holds a line that cannot be read.";
            return false;
        }
        ListRecord r{rt::trim(f[0]), rt::trim(f[1]), rt::trim(f[2]), rt::trim(f[3]), 0, false};
        const std::string size = rt::trim(f[4]);
        if (size.empty() || size.size() > 10 || size.find_first_not_of("0123456789") != std::string::npos ||
            std::stoull(size) > 0xFFFFFFFFull) {
            problem = "The update list gives a size that is not a number: " + size;
            return false;
        }
        r.size = static_cast<std::uint32_t>(std::stoull(size));
        r.revision = rt::upper(r.newFile).find(".PGM") != std::string::npos;
        if (!plainName(r.newFile) || !plainName(r.oldFile)) {
            problem = "The update list names a file that is not a plain file name: " + r.newFile + " / " + r.oldFile;
            return false;
        }
        // A download must never land on an installed file, the list or the program.
        if (isMasterFile(r.newFile) || rt::equalNoCase(r.newFile, "autoupdate.lst") ||
            rt::equalNoCase(r.newFile, "CANTORELLE.EXE") || rt::equalNoCase(r.newFile, "CANTORELLE.BAK") ||
            rt::equalNoCase(bakName(r.newFile), r.newFile)) {
            problem = "The update list would download over an installed file: " + r.newFile;
            return false;
        }
        if (!r.revision && !isMasterFile(r.oldFile)) {
            problem = "The update list would replace a file that is not a master file: " + r.oldFile;
            return false;
        }
        for (const std::string& n : newNames)
            if (rt::equalNoCase(n, r.newFile)) {
                problem = "The update list names a file twice: " + r.newFile;
                return false;
            }
        newNames.push_back(r.newFile);
        list_.push_back(std::move(r));
    }
    if (in.error() != 0) {
        problem = "The update list could not be read.";
        return false;
    }
    if (list_.empty()) {
        problem = "The update list is empty.";
        return false;
    }
    return true;
}

bool Wizard::download(const ListRecord& r) {
    for (;;) {
        DOWNLOADSTRING = "Downloading Update File: " + r.newFile;
        UpdateFileSize = r.size;
        const std::uint32_t got = DownloadFileWithProgress(server_ + kFilesPath + r.newFile, path(r.newFile));
        if (got != 0 && got == r.size) return true;
        if (!retry()) return false;
    }
}

// Each installed record file opens with its own layout.
bool Wizard::installedFilesOpen() {
    for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&KAR, &BRA, &DIS, &SAR, &STI}) {
        f->open(rt::ReadOnly);
        const int e = rt::errorCode();
        if (e == rt::NoError) f->close();
        if (e != rt::NoError) return false;
    }
    return true;
}

void Wizard::restore(const std::vector<std::string>& replaced, const std::vector<std::string>& expanded) {
    std::vector<std::string> left;
    for (const std::string& file : expanded) std::remove(path(file).c_str());
    for (const std::string& file : replaced) {
        std::remove(path(file).c_str());
        if (std::rename(path(bakName(file)).c_str(), path(file).c_str()) != 0) left.push_back(bakName(file));
    }
    std::string text = "AutoUpdate Error, original files have been restored";
    if (!left.empty()) {
        text = "AutoUpdate Error, these original files could not be put back and are kept as:";
        for (const std::string& f : left) text += "|" + path(f);
    }
    rt::message(text, "AutoUpdate Unsuccessful", rt::Icon::Hand);
}

// Backups of exactly the files the list replaces, then the expansions; any failure puts the
// originals back.
bool Wizard::install() {
    std::vector<std::string> replaced, expanded;
    for (const ListRecord& r : list_) {
        if (r.revision) continue;
        rt::closeEverywhere(path(r.oldFile));
        const std::string bak = path(bakName(r.oldFile));
        if (rt::fileExists(bak) && std::remove(bak.c_str()) != 0) {
            restore(replaced, expanded);
            return false;
        }
        if (rt::fileExists(path(r.oldFile))) {
            if (std::rename(path(r.oldFile).c_str(), bak.c_str()) != 0) {
                restore(replaced, expanded);
                return false;
            }
            replaced.push_back(r.oldFile);
        }
    }
    for (const ListRecord& r : list_) {
        if (r.revision) continue;
        if (!DecompressUpdateFile(path(r.newFile), path(r.oldFile))) {
            rt::message("Error uncompressing " + path(r.newFile));
            restore(replaced, expanded);
            return false;
        }
        expanded.push_back(r.oldFile);
    }
    if (!installedFilesOpen()) {
        restore(replaced, expanded);
        return false;
    }
    return true;
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
    if (!fetchList()) {
        closeWizard_ = true;
        return;
    }
    std::string problem;
    if (!readList(problem)) {
        rt::message(problem + "||Nothing has been downloaded or changed.", "AutoUpdate Error", rt::Icon::Hand);
        return;
    }
    const long long installed = masterTracks();
    bool dataWanted = std::strtoll(list_.front().version.c_str(), nullptr, 10) != installed;
    for (const ListRecord& r : list_) {
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
    for (const ListRecord& r : list_)
        if (rt::fileExists(path(r.newFile))) std::remove(path(r.newFile).c_str());
    for (const ListRecord& r : list_)
        if (!r.revision && !download(r)) return;
    if (!install()) return;
    for (const ListRecord& r : list_) std::remove(path(r.newFile).c_str());
    succeeded();
}

void Wizard::run() {
    folder_ = rt::clip(InstallFolder.str());
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

void AutoUpdateWizard() {
    Wizard wizard;
    wizard.run();
}
