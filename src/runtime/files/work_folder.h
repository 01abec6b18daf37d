#pragma once
// A folder of one's own for work files, and the removal of those a crash left behind:
//
//     rt::WorkFolder work;
//     rt::WorkFolder::removeLeftovers(folder, ".restore");   // the last run was killed?
//     if (int e = work.make(folder, ".restore")) return e;   // folder/.restore-XXXXXX
//     ... write work.file("Pop.2bk"), move it into place ...
//     // the folder goes with everything in it when `work` ends
//
// Files of no lasting use (page files, copies to archive, queues) go into the system's
// temporary folder: work.make(rt::temporaryFolder(), "cantorelle-report").
//
// A work folder is locked (flock) for its life, by this process, so that removeLeftovers, in
// this process or another one, takes only folders whose maker has gone: a killed process
// lets go of its lock.
#include <functional>
#include <string>

namespace rt {

class WorkFolder {
public:
    WorkFolder() = default;
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    // Makes parent/prefix-XXXXXX (a name nobody has) and locks it: 0 or an errno value.
    int make(const std::string& parent, const std::string& prefix);
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Removes the folder with everything in it now (also done at the end of the object).
    void remove();

    // Removes the folders parent/prefix-XXXXXX of this user that no live work folder holds
    // (another user's, in a shared temporary folder, are theirs). `before` is
    // called with each one's path while it is held here, before it goes (to take out what must
    // not go with it). Those `spare` holds true for stay. The number of folders removed.
    static int removeLeftovers(const std::string& parent, const std::string& prefix,
                               const std::function<void(const std::string&)>& before = {},
                               const std::function<bool(const std::string&)>& spare = {});

private:
    std::string path_;
    int fd_ = -1;
};

// The system's folder for temporary files: $TMPDIR, else /tmp.
std::string temporaryFolder();

// Flushes a folder's entries (new, renamed and removed names) to the disk: 0 or an errno value.
int syncFolder(const std::string& folder);

}  // namespace rt
