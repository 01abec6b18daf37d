#include "library/UpdateInstall.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <utility>

#include "data/discs.h"
#include "data/dmake.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "data/sartist.h"
#include "data/stitle.h"
#include "library/DecompressUpdateFile.h"
#include "library/UpdateList.h"
#include "runtime/error/error.h"
#include "runtime/files/file_util.h"
#include "runtime/files/folder.h"
#include "runtime/files/work_folder.h"
#include "runtime/record/record.h"
#include "runtime/record/whole_files.h"
#include "runtime/text/text.h"

namespace {

constexpr const char* kMarker = "INSTALLING";
constexpr const char* kMarkerHeading = "Cantorelle master data update";

std::string stem(const std::string& file) { return file.substr(0, file.rfind('.')); }
std::string bakName(const std::string& file) { return stem(file) + ".BAK"; }

bool present(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool sameFile(const std::string& a, const std::string& b) {
    struct stat x {}, y {};
    return ::stat(a.c_str(), &x) == 0 && ::stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

std::string why(int e) { return std::strerror(e); }

// The record file of a master file's name, and the variable its name comes from.
struct MasterDeclared {
    rt::RecordFile* file;
    PathText* name;
};
MasterDeclared declared(const std::string& master) {
    if (master == "MAIN.TPS") return {&KAR, &KaraokeFileName};
    if (master == "DMAKE.TPS") return {&BRA, &DMakeFileName};
    if (master == "DISCS.TPS") return {&DIS, &DiscsFileName};
    if (master == "SARTIST.TPS") return {&SAR, &SArtistFileName};
    return {&STI, &STitleFileName};
}

// Opens the file at `path` as the master file `master` of this program (its label, record
// layout and keys), read-only: "" or why not.
std::string layoutProblem(const std::string& master, const std::string& path) {
    const MasterDeclared d = declared(master);
    const std::string keep = d.name->str();
    if (d.file->isOpen()) d.file->close();
    *d.name = path;
    rt::clearError();
    d.file->open(rt::ReadOnly);
    const int e = rt::errorCode();
    const std::string text = e ? rt::errorText(e) : std::string();
    if (e == rt::NoError) d.file->close();
    *d.name = keep;
    rt::clearError();
    return text;
}

// A copy of `from` at `to`, flushed to disc: 0 or an errno value.
int durableCopy(const std::string& from, const std::string& to) {
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return errno;
    rt::TempFile out;
    int e = out.create(to, 0644);
    if (e == 0) e = rt::copyStream(in, out.fd());
    ::close(in);
    if (e == 0) e = out.commit(false);
    return e;
}

using Step = std::function<void()>;

// The old master file's data as its ".BAK": a second name of the same file, or a copy.
int keepAsBackup(const std::string& master, const std::string& bak, const Step& step) {
    if (present(bak) && sameFile(bak, master)) return 0;
    step();
    if (present(bak) && ::unlink(bak.c_str()) != 0) return errno;
    step();
    if (::link(master.c_str(), bak.c_str()) == 0) return 0;
    const int e = errno;
    if (e != EPERM && e != ENOTSUP && e != EOPNOTSUPP && e != EMLINK && e != EXDEV) return e;
    return durableCopy(master, bak);
}

// Puts one new master file in place (again after a kill): "" or why not. The master file is
// whole, old or new, at every moment.
std::string putInPlace(const std::string& folder, const std::string& master, const Step& step) {
    const std::string fresh = UpdateWorkFolder(folder) + "/" + master, target = folder + "/" + master,
                      bak = folder + "/" + bakName(master);
    if (!present(fresh)) return {};  // in place already
    if (present(target)) {
        if (const int e = keepAsBackup(target, bak, step))
            return "cannot keep " + target + " as " + bak + ": " + why(e);
    }
    step();
    if (::rename(fresh.c_str(), target.c_str()) != 0) return "cannot put the new " + target + " in place: " + why(errno);
    return {};
}

// Lists the master files the marker names; false when it is not a marker of ours.
bool readMarker(const std::string& path, std::vector<std::string>& masters) {
    std::string text;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fd, buf, sizeof buf)) > 0 && text.size() < 4096) text.append(buf, static_cast<std::size_t>(n));
    ::close(fd);
    if (n < 0) return false;
    std::size_t at = 0;
    bool heading = false;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        if (end == std::string::npos) return false;  // a marker is written whole or not at all
        const std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!heading) {
            if (line != kMarkerHeading) return false;
            heading = true;
            continue;
        }
        bool known = false;
        for (const char* m : kUpdatableMasterFiles) known = known || line == m;
        if (!known) return false;
        masters.push_back(line);
    }
    return heading;
}

int writeMarker(const std::string& folder, const std::vector<UpdateFileToInstall>& files) {
    std::string text = std::string(kMarkerHeading) + "\n";
    for (const UpdateFileToInstall& f : files) text += f.masterFile + "\n";
    rt::TempFile out;
    const std::string work = UpdateWorkFolder(folder);
    int e = out.create(work + "/" + kMarker, 0644);
    if (e == 0) e = rt::writeAll(out.fd(), text.data(), text.size());
    if (e == 0) e = out.commit(false);
    if (e == 0) e = rt::syncFolder(work);
    return e;
}

// Removes the contents of a folder that holds only files (the work folder), then the folder.
int removeFolderOfFiles(const std::string& folder, const Step& step) {
    DIR* d = ::opendir(folder.c_str());
    if (!d) return errno == ENOENT ? 0 : errno;
    int e = 0;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(d)) {
        const std::string n = entry->d_name;
        if (n != "." && n != "..") names.push_back(n);
    }
    ::closedir(d);
    // The marker goes last: until then a kill leaves an install that the next start finishes.
    std::stable_partition(names.begin(), names.end(), [](const std::string& n) { return n != kMarker; });
    for (const std::string& n : names) {
        step();
        if (::unlink((folder + "/" + n).c_str()) != 0 && errno != ENOENT && e == 0) e = errno;
    }
    step();
    if (e == 0 && ::rmdir(folder.c_str()) != 0 && errno != ENOENT) e = errno;
    return e;
}

// Puts a missing master file back from its ".BAK" (which stays): the names put back. A copy,
// not a second name: edits of the master file must not reach the backup.
std::vector<std::string> restoreMissingMasters(const std::string& folder, std::string& problem, const Step& step) {
    std::vector<std::string> restored;
    for (const char* m : kUpdatableMasterFiles) {
        const std::string target = folder + "/" + m, bak = folder + "/" + bakName(m);
        if (present(target) || !rt::fileExists(bak)) continue;
        step();
        const int e = durableCopy(bak, target);
        if (e != 0) problem += "|" + target + " could not be put back from " + bak + ": " + why(e);
        else restored.push_back(m);
    }
    return restored;
}

// What a copy of a master file or of its ".BAK" (a temporary file beside it, rt::TempFile)
// left when it was killed.
void removeCopyLeftovers(const std::string& folder) {
    for (const rt::DirEntry& e : rt::listDirectory(folder, ".*.tmp*")) {
        if (e.isFolder) continue;
        for (const char* m : kUpdatableMasterFiles)
            for (const std::string& of : {std::string(m), bakName(m)}) {
                const std::string start = "." + of + ".tmp";
                if (e.name.size() == start.size() + 8 && e.name.compare(0, start.size(), start) == 0)
                    ::unlink(e.path.c_str());
            }
    }
}

}  // namespace

UpdateFolderLock::UpdateFolderLock(const std::string& installFolder) {
    fd_ = ::open(rt::absolutePath(rt::clip(installFolder)).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ >= 0 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd_);
        fd_ = -1;
    }
}

UpdateFolderLock::~UpdateFolderLock() {
    if (fd_ >= 0) ::close(fd_);
}

std::string UpdateWorkFolder(const std::string& installFolder) {
    return rt::absolutePath(rt::clip(installFolder)) + "/" + kUpdateWorkFolder;
}

int RemoveUpdateWorkFolder(const std::string& installFolder, const std::function<void()>& step) {
    const std::string work = UpdateWorkFolder(installFolder);
    const int e = removeFolderOfFiles(work, step ? step : Step([] {}));
    if (e == 0) rt::syncFolder(rt::absolutePath(rt::clip(installFolder)));
    return e;
}

UpdateInstall InstallUpdate(const std::string& installFolder, const std::vector<UpdateFileToInstall>& files,
                            const std::function<void()>& onStep) {
    const Step step = onStep ? onStep : Step([] {});
    UpdateInstall r;
    const std::string folder = rt::absolutePath(rt::clip(installFolder)), work = UpdateWorkFolder(folder);
    auto fail = [&](std::string problem) {
        r.problem = std::move(problem);
        for (const UpdateFileToInstall& f : files) ::unlink((work + "/" + f.masterFile).c_str());
        return r;
    };
    if (files.empty()) return fail("The update holds no Main Tunelode data file.");

    // No one may be reading or writing the master files while they are replaced.
    std::vector<std::string> masters;
    for (const UpdateFileToInstall& f : files) {
        const std::string m = folder + "/" + f.masterFile;
        rt::closeEverywhere(m);
        if (rt::fileOpenElsewhere(m)) return fail("Another program has " + m + " open. Close it and try again.");
        masters.push_back(m);
    }
    // A commit cut off earlier is played back now: its journal must never meet the new file.
    std::string journalFile;
    if (rt::recoverRecordFiles(masters, &journalFile) != 0)
        return fail(journalFile + " could not be brought back to its last saved state: " + rt::errorText(rt::errorCode()));

    for (const UpdateFileToInstall& f : files) {
        ::unlink((work + "/" + f.masterFile).c_str());
        step();
        if (!DecompressUpdateFile(work + "/" + f.updateFile, work + "/" + f.masterFile))
            return fail("Error uncompressing " + folder + "/" + f.updateFile);
        if (const std::string p = layoutProblem(f.masterFile, work + "/" + f.masterFile); !p.empty())
            return fail("The update file " + f.updateFile + " does not hold a " + f.masterFile +
                        " of this program: " + p);
    }
    step();
    if (const int e = writeMarker(folder, files)) return fail("The update could not be recorded in " + work + ": " + why(e));

    // From here on the install is finished, now or at the next start.
    r.unchanged = false;
    for (const UpdateFileToInstall& f : files) {
        if (std::string p = putInPlace(folder, f.masterFile, step); !p.empty()) {
            r.problem = p + "||The update will be finished when Cantorelle next starts.";
            return r;
        }
    }
    step();
    if (const int e = rt::syncFolder(folder)) {
        r.problem = "The new master files could not be made durable in " + folder + ": " + why(e);
        return r;
    }
    RemoveUpdateWorkFolder(folder, step);
    r.ok = true;
    return r;
}

UpdateRecovery FinishInterruptedUpdate(const std::string& installFolder, const std::function<void()>& onStep) {
    const Step step = onStep ? onStep : Step([] {});
    UpdateRecovery r;
    const std::string folder = rt::absolutePath(rt::clip(installFolder)), work = UpdateWorkFolder(folder);
    const UpdateFolderLock lock(folder);
    if (!lock.held()) return r;
    std::string problem;
    if (rt::folderExists(work)) {
        std::vector<std::string> masters;
        if (rt::fileExists(work + "/" + kMarker)) {
            if (!readMarker(work + "/" + kMarker, masters)) {
                r.what = UpdateRecovery::Failed;
                r.text = "An interrupted AutoUpdate left a record in " + work +
                         " that cannot be read. Its files have been left there.";
                return r;
            }
            std::vector<std::string> paths;
            for (const std::string& m : masters) {
                paths.push_back(folder + "/" + m);
                rt::closeEverywhere(folder + "/" + m);
            }
            std::string journalFile;
            if (rt::recoverRecordFiles(paths, &journalFile) != 0)
                problem = "|" + journalFile + ": " + rt::errorText(rt::errorCode());
            for (const std::string& m : masters)
                if (problem.empty())
                    if (std::string p = putInPlace(folder, m, step); !p.empty()) problem = "|" + p;
            if (problem.empty())
                if (const int e = rt::syncFolder(folder)) problem = "|" + folder + ": " + why(e);
            if (!problem.empty()) {
                r.what = UpdateRecovery::Failed;
                r.text = "An AutoUpdate of the Main Tunelode was interrupted and could not be finished:" + problem +
                         "||Its files have been left in " + work + ".";
                return r;
            }
            r.what = UpdateRecovery::Finished;
            r.text = "An AutoUpdate of the Main Tunelode was interrupted while it put the new data files in "
                     "place.||It has now been finished: the new data files are installed and the replaced ones "
                     "are kept as \".BAK\".";
        } else if (!rt::listDirectory(work, "*").empty()) {
            // (An empty one is what a finished install had left to remove.)
            r.what = UpdateRecovery::LeftoversRemoved;
            r.text = "An AutoUpdate of the Main Tunelode was interrupted before it installed anything.||Its "
                     "downloaded files have been removed; the data files are as they were.";
        }
        if (const int e = RemoveUpdateWorkFolder(folder, step)) r.text += "||" + work + " could not be removed: " + why(e);
    }
    removeCopyLeftovers(folder);
    const std::vector<std::string> restored = restoreMissingMasters(folder, problem, step);
    if (!restored.empty() || !problem.empty()) {
        std::string text = r.text.empty() ? std::string() : r.text + "||";
        for (const std::string& m : restored) text += m + " was missing and has been put back from " + bakName(m) + ".|";
        if (!problem.empty()) text += problem.substr(1);
        r.text = text;
        r.what = problem.empty() ? (r.what == UpdateRecovery::Nothing ? UpdateRecovery::MasterRestored : r.what)
                                 : UpdateRecovery::Failed;
    }
    return r;
}
