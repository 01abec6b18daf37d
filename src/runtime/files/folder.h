#pragma once
// Folders and files. The current folder is a runtime value shared by all threads: the
// process's own working folder is never changed, and every name is made absolute here
// before it reaches the file system.
#include <string>
#include <vector>

namespace rt {

// $XDG_CONFIG_HOME/cantorelle (default $HOME/.config/cantorelle), created on demand.
std::string configFolder();

// The runtime's current folder (initially the process's working folder).
std::string currentFolder();
void setCurrentFolder(const std::string& folder);

// A relative name resolved against currentFolder(); an absolute one as it is.
std::string absolutePath(const std::string& name);

bool fileExists(const std::string& name);    // a regular file
bool folderExists(const std::string& name);  // a directory

struct DirEntry {
    std::string name;  // the bare name
    std::string path;  // folder + name, absolute
    bool isFolder = false;
    bool isLink = false;  // a symbolic link (isFolder and size describe what it points to)
    long long size = 0;
};

// The entries of a folder whose names match the pattern (* and ?, any case), sub-folders
// included (isFolder), in name order (bytes). "." and ".." are never listed; as on Windows a
// pattern ending in ".*" also matches names without a dot. A folder that cannot be read gives
// an empty list and sets the thread's error state.
std::vector<DirEntry> listDirectory(const std::string& folder, const std::string& pattern);

// Each returns 0 or an errno value and sets the thread's error state.
// copyFile never replaces an existing target unless asked; a replacing copy is written to a
// temporary file and renamed over the target in one step.
int copyFile(const std::string& from, const std::string& to, bool replace = false);
// Never replaces an existing target (EEXIST).
int renameFile(const std::string& from, const std::string& to);
int removeFile(const std::string& name);
int createFolder(const std::string& name);

// The canonical absolute form (symbolic links and "." / ".." resolved as far as the name
// exists). There is no short form here: shortPath gives the same.
std::string longPath(const std::string& name);
std::string shortPath(const std::string& name);

}  // namespace rt
