#pragma once
// Low-level pieces shared by the runtime's file services: safe replacement of files through a
// temporary file, renaming that never replaces, streamed copying. All names are absolute.
#include <sys/types.h>

#include <string>

namespace rt {

// A temporary file beside its final name; commit() moves it there in one step. A temporary
// file that is not committed is removed. Its name is "." + the final name + ".tmp" and eight
// letters or digits (see removeTempLeftovers).
class TempFile {
public:
    TempFile() = default;
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;
    TempFile(TempFile&& other) noexcept;
    TempFile& operator=(TempFile&& other) noexcept;
    ~TempFile();

    // 0 or an errno value. mode: the permission bits the final file gets (less the umask).
    int create(const std::string& finalPath, mode_t mode = 0666);
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    const std::string& finalPath() const { return final_; }
    // Flushes the data to disk and closes the file, which keeps its temporary name until
    // commit() (several files that are to replace others together). 0 or an errno value;
    // on an error the file is removed.
    int seal();
    // Flushes the data to disk (unless sealed) and renames the file to its final name; with
    // replace false an existing final file makes this fail with EEXIST.
    int commit(bool replace = true);
    void discard();

private:
    int fd_ = -1;
    std::string path_;
    std::string final_;
};

// Remove the temporary files that writes left behind when they were cut off (a kill, a power
// cut): "." + the final name + ".tmp" and eight letters or digits. Call them only while no
// write of those files is under way. Plain files only: a folder or a link of such a name is
// not a leftover.
// Of the one file `finalPath`, beside it:
void removeTempLeftovers(const std::string& finalPath);
// In `folder`, for every final name matching the pattern (* and ?, any case): 0 or the errno
// value of the first that could not be removed.
int removeTempLeftovers(const std::string& folder, const std::string& finalPattern);

// Renames without ever replacing an existing target: 0 or an errno value (EEXIST).
int renameNoReplace(const std::string& from, const std::string& to);
// Copies all of in to out in blocks: 0 or an errno value.
int copyStream(int in, int out);
// Writes all of len bytes: 0 or an errno value.
int writeAll(int fd, const char* data, size_t len);
// The file name pattern match of folder listings: * and ?, any case.
bool matchesPattern(const std::string& name, const std::string& pattern);

}  // namespace rt
