#include "runtime/zip/zip.h"

#include "runtime/files/file_util.h"
#include "runtime/files/folder.h"
#include "runtime/files/input_file.h"
#include "runtime/files/work_folder.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>
#include <zip.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <utility>

namespace rt {
namespace {

// Bounds of what one restore may write: no SongBook backup comes near them.
constexpr zip_uint64_t kMaxExtracted = 8ull << 30;
constexpr zip_uint64_t kRatioFloor = 256ull << 20;  // below this any ratio is fine
constexpr zip_uint64_t kMaxRatio = 100;
constexpr zip_uint64_t kSpareSpace = 16ull << 20;

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

thread_local std::function<bool(unsigned long long, unsigned long long)> progressHook;

// The work folders of extractions ("folder/.restore-XXXXXX"), and the folder in one that holds
// the files replaced, under their names relative to the target folder.
constexpr const char* kWorkPrefix = ".restore";
constexpr const char* kAside = ".replaced";

// Puts every file kept aside in a work folder left by a cut-off extraction back under its
// name in the target folder, where that name stands empty (the file had been moved aside and
// the new one not yet put in its place).
void putBackAside(const std::string& workFolder) {
    const std::filesystem::path aside = std::filesystem::path(workFolder) / kAside;
    const std::filesystem::path root = std::filesystem::path(workFolder).parent_path();
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(aside, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_regular_file(ec) || it->is_symlink(ec)) continue;
        const std::filesystem::path rel = std::filesystem::relative(it->path(), aside, ec);
        if (ec || rel.empty()) continue;
        const std::filesystem::path target = root / rel;
        struct stat st {};
        if (::lstat(target.c_str(), &st) != 0 && errno == ENOENT) renameNoReplace(it->path().string(), target.string());
    }
}

struct ExtractProgress {
    zip_uint64_t done = 0, total = 0;
    bool advance(zip_uint64_t n) {
        done += n;
        return !progressHook || progressHook(done, total);
    }
};

int extractMember(zip_t* za, zip_uint64_t index, const std::string& root, const std::string& stored,
                  zip_uint64_t announced, ExtractProgress& progress) {
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
    zip_uint64_t written = 0;
    for (;;) {
        zip_int64_t n = zip_fread(zf, buf, sizeof buf);
        if (n < 0) {
            std::string text = zip_error_strerror(zip_file_get_error(zf));
            zip_fclose(zf);
            return fail("Cannot read " + stored + ": " + text);
        }
        if (n == 0) break;
        // The sizes were checked against the disc before anything was written: a member
        // that holds more than it announced is damaged or made to fill the disc.
        if (static_cast<zip_uint64_t>(n) > announced - written) {
            zip_fclose(zf);
            return fail("Cannot read " + stored + ": it holds more than the archive announces");
        }
        if (int e = writeAll(tmp.fd(), buf, static_cast<size_t>(n))) {
            zip_fclose(zf);
            return fail("Cannot write " + target + ": " + std::strerror(e));
        }
        written += static_cast<zip_uint64_t>(n);
        if (!progress.advance(static_cast<zip_uint64_t>(n))) {
            zip_fclose(zf);
            return fail("Cancelled");
        }
    }
    if (int e = zip_fclose(zf)) return fail("Cannot read " + stored + ": " + zipErrorText(e));
    if (int e = tmp.commit(true)) return fail("Cannot write " + target + ": " + std::strerror(e));
    return 0;
}

std::string megabytes(zip_uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20) + " MB"; }

// Reads every member's name and announced size and says why the archive must not be extracted
// into root ("" when it may): a name leading outside the folder, more than the disc holds,
// or more than any backup can hold (a small archive announcing gigabytes).
std::string checkMembers(zip_t* za, const std::string& archivePath, const std::string& root,
                         std::vector<ZipMember>& members) {
    members.clear();
    const zip_int64_t count = zip_get_num_entries(za, 0);
    zip_uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) ||
            !(st.valid & ZIP_STAT_SIZE))
            return "Cannot read the archive: " + archiveErrorText(za);
        // An archive holding any name that leads outside the folder is refused as a whole.
        if (!isSafeMemberName(st.name) || !landsInside(root, st.name))
            return std::string("Refused to extract ") + st.name + ": the name leads outside the folder";
        members.push_back({st.name, st.size});
        total = st.size > kMaxExtracted - total ? kMaxExtracted + 1 : total + st.size;
    }
    struct stat as {};
    const zip_uint64_t archiveSize = ::stat(archivePath.c_str(), &as) == 0 ? static_cast<zip_uint64_t>(as.st_size) : 0;
    if (total > kMaxExtracted || (total > kRatioFloor && total / kMaxRatio > archiveSize))
        return "Refused to extract " + archivePath + ": its members would take " +
               (total > kMaxExtracted ? "more than " + megabytes(kMaxExtracted) : megabytes(total)) +
               ", far more than a backup of this size can hold";
    struct statvfs fs {};
    if (::statvfs(root.c_str(), &fs) == 0) {
        const zip_uint64_t space = static_cast<zip_uint64_t>(fs.f_bavail) * fs.f_frsize;
        if (total + kSpareSpace > space)
            return "Cannot extract into " + root + ": its members need " + megabytes(total) + " and only " +
                   megabytes(space) + " are free";
    }
    return {};
}

// An archive to read is read only when it is a file: libzip would wait on a FIFO or seek a
// device. Null with `problem` set otherwise.
zip_t* readArchive(const std::string& path, int flags, std::string& problem) {
    problem = inputFileProblem(path);
    if (!problem.empty()) return nullptr;
    int code = 0;
    zip_t* za = zip_open(path.c_str(), flags, &code);
    if (!za) problem = zipErrorText(code);
    return za;
}

int openArchive(const std::string& archive, int flags) {
    zs.lastError.clear();
    zs.close();
    std::string path = absolutePath(archive);
    int code = 0;
    std::string problem;
    zip_t* za = flags & ZIP_CREATE ? zip_open(path.c_str(), flags, &code) : readArchive(path, flags, problem);
    if (!za) return fail("Cannot open " + path + ": " + (problem.empty() ? zipErrorText(code) : problem));
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

    std::vector<ZipMember> members;
    if (std::string why = checkMembers(zs.za, zs.path, root, members); !why.empty()) return fail(why);

    // An extraction cut off by a crash left its work folder: what it had put aside goes back
    // where nothing took its place, then the folder goes.
    WorkFolder::removeLeftovers(root, kWorkPrefix, putBackAside);
    // Everything is unpacked into a folder of its own inside the target first, and moved into
    // place only when every member came out whole: a failure leaves the folder as it was.
    WorkFolder work;
    if (int e = work.make(root, kWorkPrefix)) return fail("Cannot extract into " + root + ": " + std::strerror(e));

    ExtractProgress progress;
    for (const ZipMember& m : members) progress.total += m.size;
    for (std::size_t i = 0; i < members.size(); ++i)
        if (int rc = extractMember(zs.za, i, work.path(), members[i].name, members[i].size, progress)) return rc;

    // Into place. A file replaced is kept aside under its own name until all are in place, so
    // that a failing step can be undone; it is kept as a second link where the file system
    // allows, so that its name never stands empty, not even for a killed process.
    const std::string aside = work.file(kAside);
    struct Step {
        std::string from, to, replaced;
    };
    std::vector<Step> done;
    auto undo = [&] {
        for (auto it = done.rbegin(); it != done.rend(); ++it) {
            if (it->replaced.empty())
                ::rename(it->to.c_str(), it->from.c_str());
            else
                ::rename(it->replaced.c_str(), it->to.c_str());
        }
    };
    for (std::size_t i = 0; i < members.size(); ++i) {
        std::string rel = members[i].name;
        for (char& c : rel)
            if (c == '\\') c = '/';
        if (rel.back() == '/') continue;
        const auto slash = rel.rfind('/');
        if (rel.substr(slash == std::string::npos ? 0 : slash + 1) == ".") continue;
        const std::string relFolder = slash == std::string::npos ? std::string() : rel.substr(0, slash);
        int err = 0;
        std::string into = makeFolders(root, relFolder, err);
        if (into.empty()) {
            undo();
            return fail("Cannot extract " + members[i].name + ": " +
                        (err ? std::string(std::strerror(err)) : std::string("it would lie outside the folder")));
        }
        Step step{work.file(rel), into + "/" + rel.substr(slash == std::string::npos ? 0 : slash + 1), {}};
        struct stat st {};
        if (::lstat(step.to.c_str(), &st) == 0) {
            if (::mkdir(aside.c_str(), 0700) != 0 && errno != EEXIST) err = errno;
            const std::string asideFolder = err ? std::string() : makeFolders(aside, relFolder, err);
            if (asideFolder.empty()) {
                undo();
                return fail("Cannot replace " + step.to + ": " + std::strerror(err ? err : EINVAL));
            }
            step.replaced = asideFolder + "/" + rel.substr(slash == std::string::npos ? 0 : slash + 1);
            const bool linked = ::link(step.to.c_str(), step.replaced.c_str()) == 0;
            if (!linked && ::rename(step.to.c_str(), step.replaced.c_str()) != 0) {
                const int e = errno;
                undo();
                return fail("Cannot replace " + step.to + ": " + std::strerror(e));
            }
        }
        if (::rename(step.from.c_str(), step.to.c_str()) != 0) {
            const int e = errno;
            if (!step.replaced.empty()) ::rename(step.replaced.c_str(), step.to.c_str());
            undo();
            return fail("Cannot write " + step.to + ": " + std::strerror(e));
        }
        done.push_back(step);
    }
    if (int e = syncFolder(root)) {
        undo();
        return fail("Cannot write into " + root + ": " + std::strerror(e));
    }
    return 0;
}

std::string zExtractionProblem(const std::string& archive, const std::string& folder) {
    const std::string path = absolutePath(archive);
    std::string problem;
    zip_t* za = readArchive(path, ZIP_RDONLY, problem);
    if (!za) return "Cannot open " + path + ": " + problem;
    std::string root = realFolder(absolutePath(stripFolderEnd(folder)));
    std::vector<ZipMember> members;
    std::string why = root.empty() ? "Cannot extract into " + folder + ": no such folder"
                                   : checkMembers(za, path, root, members);
    zip_discard(za);
    return why;
}

bool zArchiveMembers(const std::string& archive, std::vector<ZipMember>& out) {
    out.clear();
    std::string problem;
    zip_t* za = readArchive(absolutePath(archive), ZIP_RDONLY, problem);
    if (!za) return false;
    bool ok = true;
    const zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count && ok; ++i) {
        zip_stat_t st;
        zip_stat_init(&st);
        if (zip_stat_index(za, static_cast<zip_uint64_t>(i), 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) ||
            !(st.valid & ZIP_STAT_SIZE))
            ok = false;
        else
            out.push_back({st.name, st.size});
    }
    zip_discard(za);
    return ok;
}

void zSetExtractProgress(std::function<bool(unsigned long long, unsigned long long)> report) {
    progressHook = std::move(report);
}

int zCloseZipFile() {
    zs.lastError.clear();
    zs.close();
    return 0;
}

std::string zGetLastErrorAsText() { return zs.lastError; }

std::string zArchiveComment(const std::string& archive) {
    std::string problem;
    zip_t* za = readArchive(absolutePath(archive), ZIP_RDONLY, problem);
    if (!za) return {};
    int len = 0;
    const char* c = zip_get_archive_comment(za, &len, 0);
    std::string comment = c ? std::string(c, static_cast<size_t>(len)) : std::string();
    zip_discard(za);
    return comment;
}

std::vector<std::string> zMemberNames(const std::string& archive) {
    std::vector<std::string> names;
    std::string problem;
    zip_t* za = readArchive(absolutePath(archive), ZIP_RDONLY, problem);
    if (!za) return names;
    zip_int64_t count = zip_get_num_entries(za, 0);
    for (zip_int64_t i = 0; i < count; ++i)
        if (const char* n = zip_get_name(za, static_cast<zip_uint64_t>(i), 0)) names.emplace_back(n);
    zip_discard(za);
    return names;
}

}  // namespace rt
