#include "runtime/files/folder.h"

#include "runtime/error/error.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <mutex>

#include "runtime/files/file_util.h"

namespace rt {
namespace {

std::mutex currentMutex;
std::string current;  // empty until first asked: then the process's working folder
bool currentSet = false;

std::string processFolder() {
    std::string buf(PATH_MAX, '\0');
    if (::getcwd(buf.data(), buf.size()) == nullptr) return "/";
    buf.resize(std::char_traits<char>::length(buf.c_str()));
    return buf;
}

std::string normalise(const std::string& path) {
    std::string s = std::filesystem::path(path).lexically_normal().string();
    while (s.size() > 1 && s.back() == '/') s.pop_back();
    return s.empty() ? std::string(".") : s;
}

char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool matchFrom(const char* p, const char* n) {
    // Iterative * matching with one back-tracking point: linear enough for file names.
    const char* star = nullptr;
    const char* resume = nullptr;
    while (*n) {
        if (*p == '?' || (*p != '*' && *p != '\0' && lower(*p) == lower(*n))) {
            ++p;
            ++n;
        } else if (*p == '*') {
            star = p++;
            resume = n;
        } else if (star) {
            p = star + 1;
            n = ++resume;
        } else {
            return false;
        }
    }
    while (*p == '*') ++p;
    return *p == '\0';
}

int finish(int err) {
    if (err == 0)
        clearError();
    else
        setFileSystemError(err);
    return err;
}

}  // namespace

std::string configFolder() {
    std::string base;
    if (const char* x = std::getenv("XDG_CONFIG_HOME"); x && *x == '/') {
        base = x;
    } else {
        const char* home = std::getenv("HOME");
        base = std::string(home && *home ? home : "/tmp") + "/.config";
    }
    std::string folder = normalise(base + "/cantorelle");
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    return folder;
}

std::string currentFolder() {
    std::lock_guard lock(currentMutex);
    if (!currentSet) {
        current = processFolder();
        currentSet = true;
    }
    return current;
}

void setCurrentFolder(const std::string& folder) {
    std::string abs = absolutePath(folder);
    std::lock_guard lock(currentMutex);
    current = abs;
    currentSet = true;
}

std::string absolutePath(const std::string& name) {
    if (!name.empty() && name[0] == '/') return normalise(name);
    std::string base = currentFolder();
    if (name.empty()) return base;
    return normalise(base + "/" + name);
}

bool fileExists(const std::string& name) {
    struct stat st {};
    return ::stat(absolutePath(name).c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& name) {
    struct stat st {};
    return ::stat(absolutePath(name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool matchesPattern(const std::string& name, const std::string& pattern) {
    if (pattern.empty() || pattern == "*" || pattern == "*.*") return true;
    if (matchFrom(pattern.c_str(), name.c_str())) return true;
    // As on Windows, a trailing ".*" also matches names without an extension.
    if (pattern.size() > 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0 &&
        name.find('.') == std::string::npos)
        return matchFrom(pattern.substr(0, pattern.size() - 2).c_str(), name.c_str());
    return false;
}

std::vector<DirEntry> listDirectory(const std::string& folder, const std::string& pattern) {
    std::vector<DirEntry> out;
    std::string dir = absolutePath(folder);
    DIR* d = ::opendir(dir.c_str());
    if (!d) {
        finish(errno);
        return out;
    }
    int dfd = ::dirfd(d);
    while (dirent* e = ::readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (!matchesPattern(name, pattern)) continue;
        struct stat st {};
        if (::fstatat(dfd, e->d_name, &st, 0) != 0) continue;  // dangling link or vanished
        if (!S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode)) continue;
        DirEntry de;
        de.name = name;
        de.path = dir == "/" ? "/" + name : dir + "/" + name;
        de.isFolder = S_ISDIR(st.st_mode);
        struct stat own {};
        de.isLink = ::fstatat(dfd, e->d_name, &own, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(own.st_mode);
        de.size = de.isFolder ? 0 : static_cast<long long>(st.st_size);
        out.push_back(std::move(de));
    }
    ::closedir(d);
    // Directory order is arbitrary on Linux; callers that act on the first of several
    // matches need the same answer every time.
    std::sort(out.begin(), out.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    clearError();
    return out;
}

int copyFile(const std::string& from, const std::string& to, bool replace) {
    std::string src = absolutePath(from);
    std::string dst = absolutePath(to);
    int in = ::open(src.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) return finish(errno);
    struct stat st {};
    if (::fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
        int err = S_ISDIR(st.st_mode) ? EISDIR : errno;
        ::close(in);
        return finish(err ? err : EINVAL);
    }
    if (!replace && ::access(dst.c_str(), F_OK) == 0) {
        ::close(in);
        return finish(EEXIST);
    }
    TempFile tmp;
    int err = tmp.create(dst, st.st_mode & 0777);
    if (err == 0) err = copyStream(in, tmp.fd());
    ::close(in);
    if (err == 0) err = tmp.commit(replace);
    return finish(err);
}

int renameFile(const std::string& from, const std::string& to) {
    return finish(renameNoReplace(absolutePath(from), absolutePath(to)));
}

int removeFile(const std::string& name) {
    return finish(::unlink(absolutePath(name).c_str()) == 0 ? 0 : errno);
}

int createFolder(const std::string& name) {
    return finish(::mkdir(absolutePath(name).c_str(), 0777) == 0 ? 0 : errno);
}

std::string longPath(const std::string& name) {
    std::filesystem::path p(absolutePath(name));
    std::error_code ec;
    std::filesystem::path canon = std::filesystem::weakly_canonical(p, ec);
    if (ec) return p.string();
    return normalise(canon.string());
}

std::string shortPath(const std::string& name) { return longPath(name); }

}  // namespace rt
