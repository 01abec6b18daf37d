#include "runtime/record/whole_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/record/engine.h"

namespace rt {
namespace {

bool present(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The whole of a small file, or its last `tail` bytes ("" when unreadable). Journals and
// super-journals carry no locks, so reading them cannot disturb a connection.
std::string readFileText(const std::string& path, off_t tail = 0) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string out;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && tail > 0 && st.st_size > tail) ::lseek(fd, st.st_size - tail, SEEK_SET);
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) break;
        out.append(buf, static_cast<std::size_t>(n));
        if (out.size() > (1u << 20)) break;
    }
    ::close(fd);
    return out;
}

// A super-journal is still needed while one of the journals it lists exists and names it
// (SQLite writes the super-journal's name at the end of each journal of the transaction).
bool superJournalNeeded(const std::string& super) {
    const std::string list = readFileText(super);
    const std::string name = baseOf(super);
    std::size_t at = 0;
    while (at < list.size()) {
        std::size_t end = list.find('\0', at);
        if (end == std::string::npos) end = list.size();
        const std::string journal = list.substr(at, end - at);
        at = end + 1;
        if (journal.empty() || !present(journal)) continue;
        if (readFileText(journal, 64 * 1024).find(name) != std::string::npos) return true;
    }
    return false;
}

void removeOrphanSuperJournals(const std::string& path) {
    const std::string folder = folderOf(path);
    const std::string prefix = baseOf(path) + "-mj";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> found;
    while (const dirent* e = ::readdir(dir))
        if (std::strncmp(e->d_name, prefix.c_str(), prefix.size()) == 0) found.push_back(folder + "/" + e->d_name);
    ::closedir(dir);
    for (const std::string& super : found)
        if (!superJournalNeeded(super)) ::unlink(super.c_str());
}

struct Db {
    sqlite3* db = nullptr;
    ~Db() {
        if (db) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            sqlite3_close_v2(db);
        }
    }
};

void setFailure(sqlite3* db, int rc) {
    records::setSqliteError(db, rc);
    if (errorCode() == NoError) setError(FileSystemError, sqlite3_errstr(rc));
}

}  // namespace

int recoverRecordFiles(const std::vector<std::string>& given, std::string* failed) {
    clearError();
    std::vector<std::string> paths;
    for (const std::string& p : given) paths.push_back(absolutePath(p));
    // Every existing file locked at once: only then is no other process inside a commit that
    // a super-journal of these files belongs to.
    std::vector<std::unique_ptr<Db>> locked;
    std::vector<std::string> lockedPaths;
    for (const std::string& path : paths) {
        const std::string journal = path + "-journal";
        const bool hasJournal = present(journal);
        if (!present(path)) {
            // Nothing to play it into: left here it would be played into whatever next
            // takes this name.
            if (hasJournal) ::unlink(journal.c_str());
            continue;
        }
        auto d = std::make_unique<Db>();
        int rc = sqlite3_open_v2(path.c_str(), &d->db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (rc == SQLITE_OK) {
            sqlite3_busy_timeout(d->db, 2000);
            rc = sqlite3_exec(d->db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        }
        if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED) {
            setError(IsLocked);
            if (failed) *failed = path;
            return IsLocked;
        }
        if (rc != SQLITE_OK) {
            // Not a record file, or one that cannot be written: there is nothing to roll
            // back unless a journal waits for it.
            if (!present(journal)) continue;
            setFailure(d->db, rc);
            if (failed) *failed = path;
            return errorCode();
        }
        locked.push_back(std::move(d));
        lockedPaths.push_back(path);
    }
    // Under the exclusive locks a journal still here is not hot: SQLite would have played it
    // back. It only waits to mislead the next file of its name.
    for (const std::string& path : lockedPaths) ::unlink((path + "-journal").c_str());
    for (const std::string& path : paths) removeOrphanSuperJournals(path);
    locked.clear();
    clearError();
    return 0;
}

bool fileOpenElsewhere(const std::string& given) {
    struct stat target {};
    if (::stat(absolutePath(given).c_str(), &target) != 0) return false;
    DIR* proc = ::opendir("/proc");
    if (!proc) return false;
    const std::string self = std::to_string(::getpid());
    bool found = false;
    while (const dirent* p = ::readdir(proc)) {
        if (found) break;
        if (p->d_name[0] < '0' || p->d_name[0] > '9' || self == p->d_name) continue;
        const std::string fdDir = std::string("/proc/") + p->d_name + "/fd";
        DIR* fds = ::opendir(fdDir.c_str());
        if (!fds) continue;  // another user's process, or gone
        while (const dirent* f = ::readdir(fds)) {
            if (f->d_name[0] == '.') continue;
            struct stat st {};
            if (::stat((fdDir + "/" + f->d_name).c_str(), &st) == 0 && st.st_dev == target.st_dev &&
                st.st_ino == target.st_ino) {
                found = true;
                break;
            }
        }
        ::closedir(fds);
    }
    ::closedir(proc);
    return found;
}

std::string recordFileLabel(const std::string& path) {
    Db d;
    if (sqlite3_open_v2(absolutePath(path).c_str(), &d.db, SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK)
        return {};
    sqlite3_busy_timeout(d.db, 2000);
    sqlite3_stmt* s = nullptr;
    std::string label;
    if (sqlite3_prepare_v2(d.db, "SELECT \"value\" FROM \"meta\" WHERE \"name\"='label'", -1, &s, nullptr) ==
            SQLITE_OK &&
        sqlite3_step(s) == SQLITE_ROW) {
        if (const unsigned char* t = sqlite3_column_text(s, 0)) label = reinterpret_cast<const char*>(t);
    }
    sqlite3_finalize(s);
    // A file whose first pages read but whose rest is cut off or broken is damaged too.
    if (!label.empty() && sqlite3_prepare_v2(d.db, "SELECT count(*) FROM \"data\"", -1, &s, nullptr) == SQLITE_OK) {
        if (sqlite3_step(s) != SQLITE_ROW) label.clear();
        sqlite3_finalize(s);
    } else {
        label.clear();
    }
    return label;
}

int copyRecordFile(const std::string& fromName, const std::string& toName) {
    clearError();
    const std::string from = absolutePath(fromName), to = absolutePath(toName);
    if (present(to)) {
        setFileSystemError(EEXIST);
        return errorCode();
    }
    Db src, dst;
    int rc = sqlite3_open_v2(from.c_str(), &src.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(src.db, 5000);
        // Reading page 1 plays a hot journal back and tells a record file from other files.
        rc = sqlite3_exec(src.db, "SELECT count(*) FROM sqlite_schema", nullptr, nullptr, nullptr);
    }
    if (rc != SQLITE_OK) {
        if ((rc & 0xFF) != SQLITE_BUSY && !present(from + "-journal") && present(from)) {
            sqlite3_close_v2(src.db);
            src.db = nullptr;
            if (copyFile(from, to) == 0) return 0;
            return errorCode() ? errorCode() : FileSystemError;
        }
        setFailure(src.db, rc);
        return errorCode();
    }
    rc = sqlite3_open_v2(to.c_str(), &dst.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                         nullptr);
    if (rc != SQLITE_OK) {
        setFailure(dst.db, rc);
        ::unlink(to.c_str());
        return errorCode();
    }
    sqlite3_busy_timeout(dst.db, 5000);
    sqlite3_backup* b = sqlite3_backup_init(dst.db, "main", src.db, "main");
    if (!b) {
        setFailure(dst.db, sqlite3_errcode(dst.db));
        ::unlink(to.c_str());
        return errorCode();
    }
    // Another process's commit restarts the copy; a lock held for long ends it.
    int waits = 0;
    do {
        rc = sqlite3_backup_step(b, 1024);
        if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED) {
            if (++waits > 250) break;
            sqlite3_sleep(20);
        }
    } while (rc == SQLITE_OK || (rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED);
    const int done = sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE || done != SQLITE_OK) {
        setFailure(dst.db, rc != SQLITE_DONE ? rc : done);
        sqlite3_close_v2(dst.db);
        dst.db = nullptr;
        ::unlink(to.c_str());
        ::unlink((to + "-journal").c_str());
        return errorCode();
    }
    clearError();
    return 0;
}

}  // namespace rt
