#pragma once
// A folder of one's own under the system's temporary folder, for work files that no one else
// sees and that go with the folder:
//
//     rt::TemporaryFolder work("cantorelle-import-");
//     if (!work.made()) { ...work.error(), an errno value... }
//     const std::string queue = work.file("ImportQue");
//     ...                                        // the folder and all in it go at the end
//
// The folder is made with mode 0700 under $TMPDIR (or /tmp), named prefix + six random
// characters, and holds a lock while it lives. A folder of the same prefix that a killed or
// crashed program left behind (its lock free) is removed when the next one is made.
#include <string>

namespace rt {

class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& prefix);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    bool made() const { return !path_.empty(); }
    // 0, or the errno value of the failure to make it.
    int error() const { return error_; }
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
    int error_ = 0;
    int lock_ = -1;
};

}  // namespace rt
