#include "shell/SongBookFileNames.h"

#include <sys/stat.h>

#include "runtime/files/folder.h"
#include "runtime/text/text.h"

std::string SongBookDiscFile(const std::string& listingPath) {
    std::string disc = rt::clip(listingPath);
    if (!disc.empty() && (disc.back() == 'k' || disc.back() == 'K'))
        disc.back() = disc.back() == 'k' ? 'd' : 'D';
    return disc;
}

std::string SongBookNameProblem(const std::string& name) {
    if (rt::trim(name).empty()) return "Please Enter a Name for the SongBook";
    bool control = false;
    for (unsigned char c : name) control = control || c < 32 || c == 127;
    // Control characters and broken UTF-8 make names that file lists and other programs
    // cannot show or type, and may not even store.
    if (name.find_first_of("/\\") != std::string::npos || name.find("..") != std::string::npos || control ||
        !rt::isValidUtf8(name))
        return "A SongBook Name Cannot Hold \\, / or ..|Please Enter Another Name";
    return {};
}

std::string PathInFolder(const std::string& folder, const std::string& name) {
    if (!folder.empty() && folder.back() == '/') return folder + name;
    return folder + "/" + name;
}

std::string FolderWithoutEnd(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    return folder;
}

bool PathInUse(const std::string& path) {
    struct stat st {};
    return ::lstat(rt::absolutePath(path).c_str(), &st) == 0;
}
