#include "runtime/zip/zip.h"

#include "runtime/files/file_util.h"
#include "runtime/files/folder.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace rt {
namespace {

struct Member {
    std::string source;  // absolute
    std::string name;    // as stored
};

struct ZipState {
    zip_t* za = nullptr;
    std::string path;
    std::vector<Member> ordered;
    std::string lastError;

    ~ZipState() { close(); }
    void close() {
        if (za) zip_discard(za);
        za = nullptr;
        path.clear();
        ordered.clear();
    }
};

thread_local ZipState zs;

int fail(std::string text) {
    zs.lastError = std::move(text);
    return 1;
}

std::string zipErrorText(int code) {
    zip_error_t e;
    zip_error_init_with_code(&e, code);
    std::string text = zip_error_strerror(&e);
    zip_error_fini(&e);
    return text;
}

std::string archiveErrorText(zip_t* za) { return zip_error_strerror(zip_get_error(za)); }

std::string bareName(const std::string& path) {
    std::string::size_type slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A member name that stays inside the folder it is extracted into: relative, without a
// drive, without any ".." step.
bool isSafeMemberName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name[0] == '\\') return false;
    if (name.size() >= 2 && name[1] == ':') return false;
    size_t start = 0;
    while (start <= name.size()) {
        size_t end = name.find_first_of("/\\", start);
        if (end == std::string::npos) end = name.size();
        if (name.compare(start, end - start, "..") == 0 && end - start == 2) return false;
        start = end + 1;
    }
    return true;
}

std::string stripFolderEnd(std::string folder) {
    while (folder.size() > 1 && (folder.back() == '/' || folder.back() == '\\')) folder.pop_back();
    return folder;
}

std::string realFolder(const std::string& folder) {
    char* real = ::realpath(folder.c_str(), nullptr);
    if (!real) return {};
    std::string s = real;
    ::free(real);
    return s;
}

bool isWithin(const std::string& path, const std::string& root) {
    if (path == root) return true;
    std::string head = root == "/" ? root : root + "/";
    return path.compare(0, head.size(), head) == 0;
}

// Creates the folders of a relative member path below root; the folder the member goes into,
// or "" when it would not lie below root.
std::string makeFolders(const std::string& root, const std::string& relFolder, int& err) {
    err = 0;
    std::string path = root;
    size_t start = 0;
    while (start < relFolder.size()) {
        size_t end = relFolder.find('/', start);
        if (end == std::string::npos) end = relFolder.size();
        std::string part = relFolder.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        path += "/" + part;
        if (::mkdir(path.c_str(), 0777) != 0 && errno != EEXIST) {
            err = errno;
            return {};
        }
    }
    // A link inside the folder must not lead the member elsewhere.
    std::string real = realFolder(path);
    if (real.empty()) {
        err = errno ? errno : ENOENT;
        return {};
    }
    if (!isWithin(real, root)) return {};
    return real;
}

// Whether the member's place lies below root as things stand: the deepest folder of its path
// that already exists, links resolved, must be root or below it.
bool landsInside(const std::string& root, const std::string& stored) {
    std::string rel = stored;
    for (char& c : rel)
        if (c == '\\') c = '/';
    std::string path = root;
    size_t start = 0;
    for (;;) {
        size_t end = rel.find('/', start);
        if (end == std::string::npos) break;  // the last part is the file itself
        std::string part = rel.substr(start, end - start);
        start = end + 1;
        if (part.empty() || part == ".") continue;
        struct stat st {};
        if (::lstat((path + "/" + part).c_str(), &st) != 0) break;
        path += "/" + part;
    }
    std::string real = realFolder(path);
    return !real.empty() && isWithin(real, root);
}

int extractMember(zip_t* za, zip_uint64_t index, const std::string& root, const std::string& stored) {
    std::string rel = stored;
    for (char& c : rel)
        if (c == '\\') c = '/';
    bool isFolder = rel.back() == '/';
    std::string::size_type slash = isFolder ? rel.find_last_not_of('/') : rel.rfind('/');
    std::string relFolder, name;
    if (isFolder) {
        relFolder = slash == std::string::npos ? std::string() : rel.substr(0, slash + 1);
    } else {
        relFolder = slash == std::string::npos ? std::string() : rel.substr(0, slash);
        name = slash == std::string::npos ? rel : rel.substr(slash + 1);
    }
    int err = 0;
    std::string folder = makeFolders(root, relFolder, err);
    if (folder.empty())
        return fail("Cannot extract " + stored + ": " +
                    (err ? std::string(std::strerror(err)) : std::string("it would lie outside the folder")));
    if (isFolder || name == ".") return 0;

    zip_file_t* zf = zip_fopen_index(za, index, 0);
    if (!zf) return fail("Cannot read " + stored + ": " + archiveErrorText(za));
    TempFile tmp;
    std::string target = folder + "/" + name;
    if (int e = tmp.create(target, 0666)) {
        zip_fclose(zf);
        return fail("Cannot write " + target + ": " + std::strerror(e));
    }
    char buf[1 << 16];
    for (;;) {
        zip_int64_t n = zip_fread(zf, buf, sizeof buf);
        if (n < 0) {
            std::string text = zip_error_strerror(zip_file_get_error(zf));
            zip_fclose(zf);
            return fail("Cannot read " + stored + ": " + text);
        }
        if (n == 0) break;
        if (int e = writeAll(tmp.fd(), buf, static_cast<size_t>(n))) {
            zip_fclose(zf);
            return fail("Cannot write " + target + ": " + std::strerror(e));
        }
    }
    if (int e = zip_fclose(zf)) return fail("Cannot read " + stored + ": " + zipErrorText(e));
    if (int e = tmp.commit(true)) return fail("Cannot write " + target + ": " + std::strerror(e));
    return 0;
}

int openArchive(const std::string& archive, int flags) {
    zs.lastError.clear();
    zs.close();
    std::string path = absolutePath(archive);
    int code = 0;
    zip_t* za = zip_open(path.c_str(), flags, &code);
    if (!za) return fail("Cannot open " + path + ": " + zipErrorText(code));
    zs.za = za;
    zs.path = path;
    return 0;
}

}  // namespace

int zCreateNewZip(const std::string& archive) { return openArchive(archive, ZIP_CREATE | ZIP_TRUNCATE); }

int zOpenZipFile(const std::string& archive) { return openArchive(archive, 0); }

int zOrderFile(const std::string& source, const std::string& storedName, int /*flags*/) {
    zs.lastError.clear();
    if (!zs.za) return fail("No archive is open");
    std::string src = absolutePath(source);
    struct stat st {};
    if (::stat(src.c_str(), &st) != 0) return fail("Cannot open " + src + ": " + std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return fail("Cannot open " + src + ": not a file");
    if (::access(src.c_str(), R_OK) != 0) return fail("Cannot open " + src + ": " + std::strerror(errno));
    std::string name = storedName.empty() ? bareName(src) : storedName;
    if (!isSafeMemberName(name) || name.back() == '/' || name.back() == '\\')
        return fail("Invalid name for a member: " + name);
    for (Member& m : zs.ordered) {
        if (m.name == name) {
            m.source = src;
            return 0;
        }
    }
    zs.ordered.push_back({src, name});
    return 0;
}

int zCompressFiles(const std::string&, const std::string&, int level, int, int, const std::string& comment, int) {
    zs.lastError.clear();
    if (!zs.za) return fail("No archive is open");
    zip_t* za = zs.za;
    zip_uint32_t deflateLevel = level >= 1 && level <= 9 ? static_cast<zip_uint32_t>(level) : 0;
    for (const Member& m : zs.ordered) {
        zip_source_t* src = zip_source_file(za, m.source.c_str(), 0, -1);
        if (!src) {
            std::string text = archiveErrorText(za);
            zs.close();
            return fail("Cannot read " + m.source + ": " + text);
        }
        // A member of the same name is replaced, not added a second time.
        zip_int64_t index = zip_file_add(za, m.name.c_str(), src, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(src);
            std::string text = archiveErrorText(za);
            zs.close();
            return fail("Cannot add " + m.name + ": " + text);
        }
        if (zip_set_file_compression(za, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, deflateLevel) != 0) {
            std::string text = archiveErrorText(za);
            zs.close();
            return fail("Cannot compress " + m.name + ": " + text);
        }
    }
    if (comment.size() > 0xffff) {
        zs.close();
        return fail("The archive comment is too long");
    }
    if (zip_set_archive_comment(za, comment.empty() ? nullptr : comment.c_str(),
                                static_cast<zip_uint16_t>(comment.size())) != 0) {
        std::string text = archiveErrorText(za);
        zs.close();
        return fail("Cannot set the archive comment: " + text);
    }
    // libzip writes a temporary file and renames it over the archive.
    std::string path = zs.path;
    if (zip_close(za) != 0) {
        std::string text = archiveErrorText(za);
        zs.close();
        return fail("Cannot write " + path + ": " + text);
    }
    zs.za = nullptr;
    zs.ordered.clear();
    // The archive stays open for whatever the caller does next.
    int code = 0;
    zs.za = zip_open(path.c_str(), 0, &code);
    zs.path = zs.za ? path : std::string();
    return 0;
}

int zExtractAll(const std::string& folder, const std::string&, int, int, int, int, int) {
    zs.lastError.clear();
    if (!zs.za) return fail("No archive is open");
    std::string target = absolutePath(stripFolderEnd(folder));
    std::string root = realFolder(target);
    if (root.empty() || !folderExists(root)) return fail("Cannot extract into " + target + ": no such folder");

    zip_int64_t count = zip_get_num_entries(zs.za, 0);
    // An archive holding any name that leads outside the folder is refused as a whole.
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* n = zip_get_name(zs.za, static_cast<zip_uint64_t>(i), 0);
        if (!n) return fail("Cannot read the archive: " + archiveErrorText(zs.za));
        if (!isSafeMemberName(n) || !landsInside(root, n))
            return fail(std::string("Refused to extract ") + n + ": the name leads outside the folder");
    }
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* n = zip_get_name(zs.za, static_cast<zip_uint64_t>(i), 0);
        if (int rc = extractMember(zs.za, static_cast<zip_uint64_t>(i), root, n)) return rc;
    }
    return 0;
}

int zCloseZipFile() {
    zs.lastError.clear();
    zs.close();
    return 0;
}

std::string zGetLastErrorAsText() { return zs.lastError; }

std::string zArchiveComment(const std::string& archive) {
    int code = 0;
    zip_t* za = zip_open(absolutePath(archive).c_str(), ZIP_RDONLY, &code);
    if (!za) return {};
    int len = 0;
    const char* c = zip_get_archive_comment(za, &len, 0);
    std::string comment = c ? std::string(c, static_cast<size_t>(len)) : std::string();
    zip_discard(za);
    return comment;
}

std::vector<std::string> zMemberNames(const std::string& archive) {
    std::vector<std::string> names;
    int code = 0;
    zip_t* za = zip_open(absolutePath(archive).c_str(), ZIP_RDONLY, &code);
    if (!za) return names;
    zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* n = zip_get_name(za, static_cast<zip_uint64_t>(i), 0)) names.emplace_back(n);
    zip_discard(za);
    return names;
}

}  // namespace rt
