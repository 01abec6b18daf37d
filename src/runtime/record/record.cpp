#include "runtime/record/record.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <thread>
#include <unordered_map>

#include "runtime/files/folder.h"
#include "runtime/record/engine.h"
#include "runtime/record/whole_files.h"
#include "runtime/text/text.h"

namespace rt {

using namespace records;

// ---------------------------------------------------------------------------------------
// Transactions of a thread

namespace records {
struct Transaction {
    std::vector<FileState*> files;
    std::unique_ptr<Connection> dedicated;  // several files: attached to one connection
    FileState* single = nullptr;            // one file: its own connection
    // By schema: what the transaction added less what it deleted, for the count rows.
    std::unordered_map<std::string, long long> counts;
    Connection* conn() const {
        if (dedicated) return dedicated.get();
        return single && single->own ? single->own.get() : nullptr;
    }
};
}  // namespace records

namespace {

thread_local Transaction* currentTx = nullptr;

void endTransaction(Transaction* t, bool committed);

// Rolls back a transaction the thread left open when it ends.
struct TxGuard {
    bool armed = false;
    ~TxGuard() {
        if (currentTx) {
            if (Connection* c = currentTx->conn()) c->exec("ROLLBACK");
            endTransaction(currentTx, false);
        }
    }
};
thread_local TxGuard txGuard;

// Every open instance by path, for closeEverywhere and for change stamps shared by the
// instances of a path.
std::mutex registryMutex;
std::unordered_map<std::string, std::shared_ptr<PathState>>& registry() {
    static auto* r = new std::unordered_map<std::string, std::shared_ptr<PathState>>();
    return *r;
}

void registerInstance(FileState* st) {
    std::lock_guard g(registryMutex);
    auto& p = registry()[st->path];
    if (!p) {
        p = std::make_shared<PathState>();
        p->path = st->path;
    }
    p->instances.push_back(st);
    std::lock_guard g2(st->mu);
    st->state = p;
    st->registered = true;
}

void unregisterInstance(FileState* st) {
    std::lock_guard g(registryMutex);
    if (!st->registered) return;
    st->registered = false;
    auto it = registry().find(st->path);
    if (it == registry().end()) return;
    auto& v = it->second->instances;
    v.erase(std::remove(v.begin(), v.end(), st), v.end());
    if (v.empty()) registry().erase(it);
}

int pathError(const std::string& path, int err) {
    if (err == ENOENT || err == ENOTDIR) {
        auto slash = path.find_last_of('/');
        std::string parent = slash == std::string::npos || slash == 0 ? "/" : path.substr(0, slash);
        struct stat ps {};
        if (::stat(parent.c_str(), &ps) != 0 || !S_ISDIR(ps.st_mode)) {
            setError(PathNotFound);
            return PathNotFound;
        }
        setError(FileNotFound);
        return FileNotFound;
    }
    if (err == EACCES || err == EPERM || err == EROFS) {
        setError(AccessDenied);
        return AccessDenied;
    }
    setFileSystemError(err);
    return FileSystemError;
}

// The settings every connection to a record file runs with: a rollback journal, so that a
// transaction over several attached files commits atomically, and a full sync. No memory
// mapping: a read error must come back as an error, not as a signal.
int configure(Connection& c, const std::string& schema) {
    std::string q = "\"" + schema + "\".";
    std::string sql = "PRAGMA " + q + "journal_mode=DELETE; PRAGMA " + q + "synchronous=FULL; PRAGMA " + q +
                      "cache_size=-16384";
    return c.exec(sql.c_str());
}

// Inside a transaction or a stream (bulk work) a file gets a large page cache, so that
// adding many records does not spill index pages; afterwards it is back to the usual size.
// 128 MB: adding into a file of 300,000 records goes as fast as with twice that, and the
// sorts that build deferred keys take as much again (SQLite sizes them by the cache).
void bulkCache(Connection& c, const std::string& schema, bool on) {
    std::string sql = "PRAGMA \"" + schema + "\".cache_size=" + (on ? "-131072" : "-16384");
    c.exec(sql.c_str());
}

void bulkCache(Connection& c, const std::string& schema, const FileState& st) {
    if (!(st.decl.attributes & WorkFile)) bulkCache(c, schema, true);
}

// A statement that could not be prepared sets the error: false then.
bool prepared(Connection& c, const Stmt& s) {
    if (s) return true;
    setSqliteError(c.db(), c.lastCode());
    return false;
}

// Sets and returns the error of a connection that could not be opened: the file system's
// when it gave one.
int openFailed(const std::string& path, int sys, int rc) {
    if (sys) return pathError(path, sys);
    setSqliteError(nullptr, rc);
    return errorCode();
}

// Ends a file's buffered stream: the deferred keys built, the count row changed, the writes
// committed. False (the error set) when that failed; the stream then goes on.
bool endStream(FileState& st) {
    if (st.finishBulk() != 0) return false;
    if (const int rc = st.writeStreamCount(); rc != SQLITE_OK) {
        setSqliteError(st.own->db(), rc);
        return false;
    }
    if (st.own->exec("COMMIT") != SQLITE_OK) {
        setSqliteError(st.own->db(), st.own->lastCode());
        return false;
    }
    st.wrote();  // what others hold of the file is out of date now
    bulkCache(*st.own, "main", false);
    st.streaming = false;
    return true;
}

// Adds `delta` to a file's count row: SQLite's code.
int changeCount(Connection& c, const std::string& schema, long long delta) {
    if (delta == 0) return SQLITE_OK;
    Stmt s(c.prepare(Layout::countChangeSql(schema)));
    if (!s) return c.lastCode();
    s.bind(1, delta);
    const int rc = s.step();
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

long long scalar(Connection& c, const std::string& sql, long long rec, int& rc) {
    Stmt s(c.prepare(sql));
    if (!s) {
        rc = c.lastCode();
        return 0;
    }
    s.bind(1, rec);
    rc = s.step();
    if (rc == SQLITE_ROW) {
        rc = SQLITE_OK;
        return sqlite3_column_int64(s.get(), 0);
    }
    return 0;
}

}  // namespace

namespace records {

// ---------------------------------------------------------------------------------------
// FileState

FileState::FileState(RecordFile& s, FileDeclaration d, std::vector<FieldInfo> f)
    : self(s), decl(std::move(d)), layout(decl, f) {}

FileState::~FileState() {
    unregisterInstance(this);
    std::lock_guard g(mu);
    closeLocked(true);
}

Stamp FileState::stamp() {
    Connection* c = conn();
    Stamp s;
    s.writes = state ? state->writes.load(std::memory_order_relaxed) : 0;
    s.conn = c ? c->id() : 0;
    s.disk = c ? c->diskChangeCounter(schema) : 0;
    return s;
}

const FileState::Sql& FileState::texts() {
    if (sql.schema == schema && !sql.insert.empty()) return sql;
    sql.schema = schema;
    std::string t = table();
    sql.select = "SELECT " + selectList() + " FROM " + t;
    sql.insert = "INSERT INTO " + t + "(";
    std::string marks;
    for (std::size_t i = 0; i < layout.qcols.size(); ++i) {
        sql.insert += (i ? "," : "") + layout.qcols[i];
        marks += i ? ",?" : "?";
    }
    sql.insert += ") VALUES(" + marks + ")";
    sql.update = "UPDATE " + t + " SET ";
    for (const auto& q : layout.qcols) sql.update += q + "=?,";
    sql.update += "\"_chg\"=\"_chg\"+1 WHERE \"_rec\"=? AND \"_chg\"=?";
    sql.remove = "DELETE FROM " + t + " WHERE \"_rec\"=?";
    sql.byRec = sql.select + " WHERE \"_rec\"=?";
    sql.chgByRec = "SELECT \"_chg\" FROM " + t + " WHERE \"_rec\"=?";
    sql.count = "SELECT count(*) FROM " + t;
    sql.keptCount = "SELECT CAST(\"value\" AS INTEGER) FROM \"" + schema + "\".\"meta\" WHERE \"name\"='count'";
    return sql;
}

namespace {
constexpr long long kBulkAdds = 2000;
}

void FileState::afterBulkAdd() {
    if (!tx && !streaming) return;
    ++bulk.adds;
    if (bulk.adds < (bulk.nextCheck ? bulk.nextCheck : kBulkAdds)) return;
    bulk.nextCheck = bulk.adds * 2;
    Connection* c = conn();
    bool any = false;
    for (std::size_t k = 0; k < layout.keys.size(); ++k) {
        if (layout.keys[k].unique) continue;  // must refuse duplicates as they come
        if (std::find(bulk.deferred.begin(), bulk.deferred.end(), static_cast<int>(k)) == bulk.deferred.end())
            any = true;
    }
    if (!any) return;
    int rc = 0;
    long long n = -1;
    {
        Stmt count(c->prepare(texts().count));
        if (count && count.step() == SQLITE_ROW) n = sqlite3_column_int64(count.get(), 0);
    }
    if (n < 0 || n > 2 * bulk.adds) return;
    for (std::size_t k = 0; k < layout.keys.size(); ++k) {
        const KeyPlan& plan = layout.keys[k];
        if (plan.unique) continue;
        if (std::find(bulk.deferred.begin(), bulk.deferred.end(), static_cast<int>(k)) != bulk.deferred.end()) continue;
        std::string sql = "DROP INDEX \"" + schema + "\"." + plan.index;
        if ((rc = c->exec(sql.c_str())) != SQLITE_OK) break;
        bulk.deferred.push_back(static_cast<int>(k));
    }
}

void FileState::counted(long long n) {
    if (countBy != CountBy::Engine) return;
    if (tx)
        tx->counts[schema] += n;
    else if (streaming)
        streamCount += n;
}

long long FileState::pendingCount() const {
    if (countBy != CountBy::Engine) return 0;
    if (tx) {
        const auto it = tx->counts.find(schema);
        return it == tx->counts.end() ? 0 : it->second;
    }
    return streaming ? streamCount : 0;
}

int FileState::writeStreamCount() {
    const int rc = changeCount(*own, "main", streamCount);
    if (rc == SQLITE_OK) streamCount = 0;
    return rc;
}

void FileState::startBulk() {
    if (!bulkSession) {
        bulk = Bulk{};
        return;
    }
    // The indexes the file lacks now: those this session left unbuilt (a rolled back
    // transaction may have taken back a drop, another writer may have built them).
    bulk.deferred.clear();
    Connection* c = conn();
    Stmt s(c->prepare("SELECT \"name\" FROM \"" + schema + "\".sqlite_schema WHERE \"type\"='index' AND \"tbl_name\"='data'"));
    if (!s) return;
    std::vector<std::string> present;
    while (s.step() == SQLITE_ROW) present.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)));
    for (std::size_t k = 0; k < layout.keys.size(); ++k) {
        if (layout.keys[k].unique) continue;
        if (std::find(present.begin(), present.end(), "key_" + layout.keys[k].name) == present.end())
            bulk.deferred.push_back(static_cast<int>(k));
    }
}

int FileState::needKey(int key) {
    auto it = std::find(bulk.deferred.begin(), bulk.deferred.end(), key);
    if (it == bulk.deferred.end()) return 0;
    Connection* c = conn();
    std::string sql = layout.keys[key].createSql(schema, true) + ";";
    const bool own = !tx && !streaming;  // between two transactions of a session
    if (own) {
        std::vector<int> rest;
        for (int k : bulk.deferred)
            if (k != key) rest.push_back(k);
        sql = "BEGIN IMMEDIATE;" + sql + layout.pendingKeysSql(schema, rest) + "COMMIT;";
    }
    int rc = c->exec(sql.c_str());
    if (rc != SQLITE_OK) {
        setSqliteError(c->db(), rc);
        const int code = errorCode() ? errorCode() : FileSystemError;
        const std::string text = error();
        if (own) c->exec("ROLLBACK");
        setError(code, text);
        return code;
    }
    bulk.deferred.erase(it);
    if (own) wrote();
    return 0;
}

int FileState::finishBulk() {
    if (bulkSession && !bulk.deferred.empty()) {
        // Committed without them: the file says which keys are still to be built.
        Connection* c = conn();
        if (int rc = c->exec(layout.pendingKeysSql(schema, bulk.deferred).c_str()); rc != SQLITE_OK) {
            setSqliteError(c->db(), rc);
            return errorCode() ? errorCode() : FileSystemError;
        }
        pendingNamed = true;
        return 0;
    }
    while (!bulk.deferred.empty())
        if (int rc = needKey(bulk.deferred.front())) return rc;
    if (pendingNamed) {
        Connection* c = conn();
        if (int rc = c->exec(layout.pendingKeysSql(schema, {}).c_str()); rc != SQLITE_OK) {
            setSqliteError(c->db(), rc);
            return errorCode() ? errorCode() : FileSystemError;
        }
    }
    if (!bulkSession) bulk = Bulk{};
    return 0;
}

int FileState::buildPending() {
    if (tx || streaming || !own) return 0;
    if (bulk.deferred.empty() && !pendingNamed) return 0;
    std::string sql = "BEGIN IMMEDIATE;";
    for (int k : bulk.deferred) sql += layout.keys[static_cast<std::size_t>(k)].createSql("main", true) + ";";
    sql += layout.pendingKeysSql("main", {}) + "COMMIT;";
    if (int rc = own->exec(sql.c_str()); rc != SQLITE_OK) {
        setSqliteError(own->db(), rc);
        const int code = errorCode() ? errorCode() : FileSystemError;
        const std::string text = error();
        own->exec("ROLLBACK");
        setError(code, text);
        return code;
    }
    bulk = Bulk{};
    pendingNamed = false;
    wrote();
    return 0;
}

std::string FileState::table() const { return "\"" + schema + "\".\"data\""; }

std::string FileState::selectList() const {
    std::string s = "\"_rec\",\"_chg\"";
    for (const auto& q : layout.qcols) s += "," + q;
    return s;
}

void FileState::readRow(sqlite3_stmt* s, Row& r) const {
    r.rec = sqlite3_column_int64(s, 0);
    r.chg = sqlite3_column_int64(s, 1);
    std::size_t n = layout.fields.size();
    r.vals.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        int col = static_cast<int>(i) + 2;
        if (layout.fields[i].type == FieldType::Text) {
            const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s, col));
            int len = sqlite3_column_bytes(s, col);
            if (auto* str = std::get_if<std::string>(&r.vals[i]))
                str->assign(t ? t : "", t ? len : 0);
            else
                r.vals[i] = std::string(t ? t : "", t ? len : 0);
        } else {
            r.vals[i] = static_cast<long long>(sqlite3_column_int64(s, col));
        }
    }
}

int FileState::rowQuery(sqlite3_stmt* st, int limit, std::deque<Row>& out) {
    int got = 0;
    int rc;
    while (got < limit && (rc = sqlite3_step(st)) == SQLITE_ROW) {
        out.emplace_back();
        readRow(st, out.back());
        ++got;
    }
    if (got < limit && rc != SQLITE_DONE) {
        setSqliteError(conn()->db(), rc);
        return errorCode() ? errorCode() : FileSystemError;
    }
    return 0;
}

std::string FileState::containingSql(const Containing* has) const {
    if (!has || has->col < 0) return {};
    return " AND KEYHAS(" + layout.qcols[static_cast<std::size_t>(has->col)] + ",?)";
}

int FileState::keyQuery(const KeyPlan& k, bool fwd, const Value* eq, int neq, const Value* cmp, int ncmp,
                        const char* cmpOp, const char* recOp, long long rec, int limit, std::deque<Row>& out,
                        const Containing* has) {
    if (limit <= 0) return 0;
    std::string sql = "SELECT " + selectList() + " FROM " + table() + " WHERE " + k.partial + containingSql(has);
    for (int i = 0; i < neq; ++i) sql += " AND " + layout.qcols[k.cols[i]] + "=?";
    if (ncmp > 0) {
        sql += " AND (";
        for (int i = 0; i < ncmp; ++i) sql += (i ? "," : "") + layout.qcols[k.cols[neq + i]];
        sql += std::string(")") + cmpOp + "(";
        for (int i = 0; i < ncmp; ++i) sql += i ? ",?" : "?";
        sql += ")";
    }
    if (recOp) sql += std::string(" AND \"_rec\"") + recOp + "?";
    sql += " ORDER BY ";
    const char* dir = fwd ? "" : " DESC";
    for (int c : k.cols) sql += layout.qcols[c] + dir + ",";
    sql += std::string("\"_rec\"") + dir + " LIMIT ?";
    Connection* c = conn();
    Stmt s(c->prepare(sql));
    if (!prepared(*c, s)) return errorCode();
    int p = 1;
    if (has && has->col >= 0) s.bind(p++, has->text);
    for (int i = 0; i < neq; ++i) s.bind(p++, eq[i]);
    for (int i = 0; i < ncmp; ++i) s.bind(p++, cmp[i]);
    if (recOp) s.bind(p++, rec);
    s.bind(p, static_cast<long long>(limit));
    return rowQuery(s.get(), limit, out);
}

int FileState::fetch(int key, int dir, const Anchor& a, const std::vector<Value>& range, int limit,
                     std::deque<Row>& out, const Containing* has) {
    if (!conn()) {
        setError(NotOpen);
        return NotOpen;
    }
    bool fwd = dir > 0;
    bool incl = fwd ? a.inclNext : a.inclPrev;
    const char* gt = fwd ? ">" : "<";
    const char* ge = fwd ? ">=" : "<=";
    if (key < 0) {
        std::string sql = "SELECT " + selectList() + " FROM " + table() + " WHERE 1" + containingSql(has);
        if (!a.start) sql += std::string(" AND \"_rec\"") + (incl ? ge : gt) + "?";
        sql += fwd ? " ORDER BY \"_rec\" LIMIT ?" : " ORDER BY \"_rec\" DESC LIMIT ?";
        Connection* c = conn();
        Stmt s(c->prepare(sql));
        if (!prepared(*c, s)) return errorCode();
        int p = 1;
        if (has && has->col >= 0) s.bind(p++, has->text);
        if (!a.start) s.bind(p++, a.rec);
        s.bind(p, static_cast<long long>(limit));
        return rowQuery(s.get(), limit, out);
    }
    if (int rc = needKey(key)) return rc;
    const KeyPlan& k = layout.keys[key];
    int n = static_cast<int>(k.cols.size());
    int m = std::min(static_cast<int>(range.size()), n);
    if (a.start) return keyQuery(k, fwd, range.data(), m, nullptr, 0, nullptr, nullptr, 0, limit, out, has);
    int pv = static_cast<int>(a.vals.size());
    if (a.hasRec && pv == n) {
        // Rows with the same key values come in record-number order; then the rows after
        // those key values.
        int rc = keyQuery(k, fwd, a.vals.data(), n, nullptr, 0, nullptr, incl ? ge : gt, a.rec, limit, out, has);
        if (rc || m >= n) return rc;
        int left = limit - static_cast<int>(out.size());
        return keyQuery(k, fwd, range.data(), m, a.vals.data() + m, n - m, gt, nullptr, 0, left, out, has);
    }
    if (pv > n) pv = n;
    if (pv <= m) {
        if (!incl && pv == m) return 0;
        return keyQuery(k, fwd, range.data(), m, nullptr, 0, nullptr, nullptr, 0, limit, out, has);
    }
    return keyQuery(k, fwd, range.data(), m, a.vals.data() + m, pv - m, incl ? ge : gt, nullptr, 0, limit, out, has);
}

int FileState::readRec(long long rec, Row& out) {
    Connection* c = conn();
    Stmt s(c->prepare(texts().byRec));
    if (!prepared(*c, s)) return errorCode();
    s.bind(1, rec);
    int rc = s.step();
    if (rc == SQLITE_ROW) {
        readRow(s.get(), out);
        return 0;
    }
    if (rc == SQLITE_DONE) {
        setError(RecordNotFound);
        return RecordNotFound;
    }
    setSqliteError(c->db(), rc);
    return errorCode();
}

void FileState::load(const Row& r) {
    self.loadValues(r.vals);
    cur = r;
    hasCur = true;
    curFromTx = tx != nullptr;
}

void FileState::load(Row&& r) {
    self.loadValues(r.vals);
    cur = std::move(r);
    hasCur = true;
    curFromTx = tx != nullptr;
}

std::vector<Value> FileState::keyValues(int key, const std::vector<Value>& all) const {
    std::vector<Value> v;
    if (key < 0) return v;
    v.reserve(layout.keys[key].cols.size());
    for (int c : layout.keys[key].cols) v.push_back(c < static_cast<int>(all.size()) ? all[c] : Value{});
    return v;
}

std::vector<Value> FileState::bufferValues() const {
    std::vector<Value> v;
    self.storeValues(v);
    return v;
}

bool FileState::requireOpen() {
    if (own) return true;
    setError(NotOpen);
    return false;
}

int FileState::closeLocked(bool owner) {
    int rc = SQLITE_OK;
    // Closing ends a session of bulk adding: the keys it left are built now, or by the next
    // open that writes when that fails.
    bulkSession = false;
    if (own && !streaming && !tx && buildPending() != 0) rc = SQLITE_ERROR;
    if (own && streaming) {
        if (finishBulk() != 0) {
            rc = SQLITE_ERROR;
            own->exec("ROLLBACK");
        } else if ((rc = writeStreamCount()) != SQLITE_OK || (rc = own->exec("COMMIT")) != SQLITE_OK) {
            setSqliteError(own->db(), rc);
        }
        wrote();
    }
    streaming = false;
    streamCount = 0;
    if (!tx) bulk = Bulk{};
    if (tx) {
        if (owner && tx == currentTx) {
            Transaction* t = tx;
            if (t->single == this) {
                if (own) own->exec("ROLLBACK");
                tx = nullptr;
                routed = nullptr;
                endTransaction(t, false);
            } else {
                finishBulk();  // its changes stay in the transaction, with their keys
                t->files.erase(std::remove(t->files.begin(), t->files.end(), this), t->files.end());
                if (t->files.empty()) {
                    if (t->dedicated) t->dedicated->exec("ROLLBACK");
                    tx = nullptr;
                    routed = nullptr;
                    endTransaction(t, false);
                }
            }
        }
        tx = nullptr;
        routed = nullptr;
        schema = "main";
    }
    own.reset();
    hasCur = false;
    seqSet = false;
    seq.invalidate();
    countKnown = false;
    state.reset();
    bulk = Bulk{};
    pendingNamed = false;
    return rc;
}

}  // namespace records

namespace {

void endTransaction(Transaction* t, bool committed) {
    for (FileState* st : t->files) {
        std::lock_guard g(st->mu);
        if (st->tx != t) continue;
        if (!committed) {
            // The stored records are as they were before the transaction: so is the
            // change count put() checks.
            if (!st->curFromTx) {
                st->hasCur = st->txSavedHasCur;
                if (st->hasCur) st->cur.chg = st->txSavedChg;
            } else if (st->hasCur && st->conn()) {
                int rc = 0;
                long long chg = scalar(*st->conn(), st->texts().chgByRec, st->cur.rec, rc);
                if (rc == SQLITE_OK)
                    st->cur.chg = chg;
                else
                    st->hasCur = false;
            }
        }
        st->wrote();
        // Built before the commit, or rolled back with it; a session goes on (and looks again
        // at the start of its next transaction which keys are missing).
        if (!st->bulkSession) st->bulk = FileState::Bulk{};
        st->countKnown = false;
        st->tx = nullptr;
        st->routed = nullptr;
        st->schema = "main";
        st->seq.invalidate();
        if (st->own) {
            st->own->setBusyTimeout(st->busyMs);
            if (t->single == st) bulkCache(*st->own, "main", false);
        }
    }
    if (currentTx == t) currentTx = nullptr;
    delete t;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// RecordFile

RecordFile::RecordFile(FileDeclaration decl, std::vector<FieldInfo> fields)
    : impl_(std::make_unique<Impl>(*this, std::move(decl), std::move(fields))) {}

RecordFile::~RecordFile() = default;

const std::string& RecordFile::label() const { return impl_->decl.label; }
const std::vector<FieldInfo>& RecordFile::fieldInfo() const { return impl_->layout.fields; }
const FileDeclaration& RecordFile::declaration() const { return impl_->decl; }

std::string RecordFile::name() const {
    std::string n = impl_->decl.name ? clip(impl_->decl.name()) : std::string();
    if (n.empty()) return n;
    return absolutePath(n);
}

bool RecordFile::isOpen() const {
    std::lock_guard g(impl_->mu);
    return impl_->isOpen();
}

Connection* RecordFile::connection() const {
    std::lock_guard g(impl_->mu);
    return impl_->conn();
}

namespace {

// A declaration whose layout is invalid is neither opened, created nor given its keys.
bool layoutValid(const FileState& st) {
    if (st.layout.invalid.empty()) return true;
    setError(InvalidRecordDeclaration, "Invalid Record Declaration: " + st.layout.invalid);
    return false;
}

// The keys a bulk writer committed without, as the file names them.
std::vector<std::string> pendingKeys(Connection& c) {
    std::vector<std::string> out;
    Stmt s(c.prepare("SELECT \"value\" FROM \"meta\" WHERE \"name\"='pending-keys'"));
    if (!s || s.step() != SQLITE_ROW) return out;
    const auto* v = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0));
    std::string name;
    for (const char* p = v ? v : ""; ; ++p) {
        if (*p == ' ' || *p == 0) {
            if (!name.empty()) out.push_back(name);
            name.clear();
            if (*p == 0) break;
        } else {
            name += *p;
        }
    }
    return out;
}

// Checks that a freshly opened database is this declaration's record file: 0 or the error.
// A key whose index is missing because a bulk writer left it to build (the file names it)
// is no damage: it is put in `pending` (without `pending`, it is error 46 as well).
int validate(FileState& st, Connection& c, std::vector<int>* pending = nullptr) {
    Stmt s(c.prepare("SELECT \"value\" FROM \"meta\" WHERE \"name\"='layout'"));
    if (!s) {
        int rc = c.lastCode() & 0xFF;
        if (rc == SQLITE_ERROR || rc == SQLITE_NOTADB) {
            setError(InvalidRecordDeclaration);
            return InvalidRecordDeclaration;
        }
        setSqliteError(c.db(), c.lastCode());
        return errorCode();
    }
    int rc = s.step();
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        setSqliteError(c.db(), rc);
        return errorCode();
    }
    const char* sig = rc == SQLITE_ROW ? reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)) : nullptr;
    if (!sig || st.layout.signature != sig) {
        setError(InvalidRecordDeclaration);
        return InvalidRecordDeclaration;
    }
    Stmt t(c.prepare("SELECT \"type\",\"name\",\"sql\" FROM sqlite_schema WHERE tbl_name='data'"));
    if (!t) {
        setSqliteError(c.db(), c.lastCode());
        return errorCode();
    }
    bool table = false;
    std::unordered_map<std::string, std::string> indexes;
    while ((rc = t.step()) == SQLITE_ROW) {
        std::string type = reinterpret_cast<const char*>(sqlite3_column_text(t.get(), 0));
        const char* name = reinterpret_cast<const char*>(sqlite3_column_text(t.get(), 1));
        const char* sql = reinterpret_cast<const char*>(sqlite3_column_text(t.get(), 2));
        if (type == "table") table = true;
        if (type == "index" && name) indexes[name] = sql ? sql : "";
    }
    if (rc != SQLITE_DONE) {
        setSqliteError(c.db(), rc);
        return errorCode();
    }
    if (!table) {
        setError(InvalidRecordDeclaration);
        return InvalidRecordDeclaration;
    }
    const std::vector<std::string> named = pending ? pendingKeys(c) : std::vector<std::string>();
    for (std::size_t i = 0; i < st.layout.keys.size(); ++i) {
        const auto& k = st.layout.keys[i];
        auto it = indexes.find("key_" + k.name);
        if (it == indexes.end() && !k.unique && std::find(named.begin(), named.end(), k.name) != named.end()) {
            pending->push_back(static_cast<int>(i));
            continue;
        }
        if (it == indexes.end() || it->second != k.createSql("")) {
            setError(RebuildKeys);
            return RebuildKeys;
        }
    }
    return 0;
}

// Whether an instance of the file in this process is adding in a session now (and will
// build the keys it left itself).
bool inSession(const std::string& path) {
    std::lock_guard g(registryMutex);
    auto it = registry().find(path);
    if (it == registry().end()) return false;
    for (FileState* other : it->second->instances) {
        std::lock_guard o(other->mu);
        if (other->bulkSession) return true;
    }
    return false;
}

// How the file's count of records is kept. A file written before the engine kept it gets its
// count row (counted once) when it is opened for writing, and loses the triggers that kept
// it a record at a time; opened for reading it is counted, or read from the triggers' row.
FileState::CountBy keepCount(Connection& c, bool writable) {
    using CountBy = FileState::CountBy;
    int triggers = 0;
    bool row = false;
    {
        Stmt t(c.prepare("SELECT (SELECT count(*) FROM sqlite_schema WHERE \"type\"='trigger' AND "
                         "\"tbl_name\"='data' AND \"name\" IN ('count_add','count_del')),"
                         "EXISTS(SELECT 1 FROM \"meta\" WHERE \"name\"='count')"));
        if (!t || t.step() != SQLITE_ROW) return CountBy::Counting;
        triggers = sqlite3_column_int(t.get(), 0);
        row = sqlite3_column_int(t.get(), 1) != 0;
    }
    const CountBy before = row && triggers == 2 ? CountBy::Triggers : CountBy::Counting;
    if (row && triggers == 0) return CountBy::Engine;
    if (!writable) return before;
    const std::string sql = "BEGIN IMMEDIATE;" + (before == CountBy::Triggers ? std::string() : Layout::keptCountSql("main")) +
                            "DROP TRIGGER IF EXISTS \"count_add\"; DROP TRIGGER IF EXISTS \"count_del\"; COMMIT;";
    if (c.exec(sql.c_str()) == SQLITE_OK) return CountBy::Engine;
    c.exec("ROLLBACK;");  // busy or read-only underneath: as before
    return before;
}

// Opens a connection to an existing record file at `path` (stat first, for the platform's
// error numbers): 0 or the error.
int connect(const std::string& path, bool readOnly, int busyMs, std::unique_ptr<Connection>& out) {
    if (path.empty()) {
        setError(InvalidFileName);
        return InvalidFileName;
    }
    struct stat sb {};
    if (::stat(path.c_str(), &sb) != 0) return pathError(path, errno);
    if (S_ISDIR(sb.st_mode)) {
        setFileSystemError(EISDIR);
        return FileSystemError;
    }
    if (::access(path.c_str(), readOnly ? R_OK : (R_OK | W_OK)) != 0) {
        int e = errno;
        if (e == EACCES || e == EROFS || e == EPERM) {
            setError(AccessDenied);
            return AccessDenied;
        }
        return pathError(path, e);
    }
    int sys = 0;
    std::unique_ptr<Connection> c;
    int rc = Connection::open(path, readOnly, false, c, &sys);
    if (rc != SQLITE_OK) return openFailed(path, sys, rc);
    c->setBusyTimeout(busyMs);
    rc = configure(*c, "main");
    if (rc != SQLITE_OK) {
        if ((rc & 0xFF) == SQLITE_NOTADB) {
            setError(InvalidRecordDeclaration);
            return InvalidRecordDeclaration;
        }
        setSqliteError(c->db(), rc);
        return errorCode();
    }
    out = std::move(c);
    return 0;
}

}  // namespace

void RecordFile::open(unsigned access) {
    FileState& st = *impl_;
    bool migrated = false;
    {
        std::lock_guard g(st.mu);
        if (st.own) {
            setError(AlreadyOpen);
            return;
        }
        clearError();
        if (!layoutValid(st)) return;
        std::string path = name();
        std::unique_ptr<Connection> c;
        if (connect(path, (access & ReadWrite) == 0, st.busyMs, c) != 0) return;
        std::vector<int> pending;
        if (validate(st, *c, &pending) != 0) return;
        if (!pending.empty() && (access & ReadWrite) != 0 && !inSession(path)) {
            // A bulk writer stopped before it built them (a crash): built now. When that
            // cannot be done now (locked), reads go without them until a writer builds them.
            std::string sql = "BEGIN IMMEDIATE;";
            for (int k : pending) sql += st.layout.keys[static_cast<std::size_t>(k)].createSql("main", true) + ";";
            sql += st.layout.pendingKeysSql("main", {}) + "COMMIT;";
            if (c->exec(sql.c_str()) == SQLITE_OK)
                pending.clear();
            else
                c->exec("ROLLBACK");
        }
        st.countBy = keepCount(*c, (access & ReadWrite) != 0);
        migrated = st.countBy == FileState::CountBy::Engine;
        st.own = std::move(c);
        st.owner = std::this_thread::get_id();
        st.path = path;
        st.access = access;
        st.hasCur = false;
        st.seqSet = false;
        st.countKnown = false;
    }
    registerInstance(&st);
    if (migrated) {
        // The other instances of the file in this process that left the count to its triggers
        // keep it themselves now that the triggers are gone (none of them can be writing:
        // they went inside a transaction of this connection's).
        std::lock_guard r(registryMutex);
        for (FileState* other : st.state->instances) {
            if (other == &st) continue;
            std::lock_guard g(other->mu);
            if (other->countBy == FileState::CountBy::Triggers) other->countBy = FileState::CountBy::Engine;
        }
    }
    clearError();
}

void RecordFile::create() {
    FileState& st = *impl_;
    if (isOpen()) close();
    {
        // Replacing a file that other instances have open would leave them writing to the
        // old one, whose changes would then be lost.
        std::lock_guard r(registryMutex);
        if (registry().count(name())) {
            setError(AccessDenied);
            return;
        }
    }
    std::lock_guard g(st.mu);
    clearError();
    if (!layoutValid(st)) return;
    std::string path = name();
    if (path.empty()) {
        setError(InvalidFileName);
        return;
    }
    // Built beside the target and renamed over it, so an existing file is replaced in one step.
    static std::atomic<unsigned> serial{0};
    std::string tmp = path + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(serial.fetch_add(1));
    ::unlink(tmp.c_str());
    int sys = 0;
    std::unique_ptr<Connection> c;
    int rc = Connection::open(tmp, false, true, c, &sys);
    if (rc != SQLITE_OK) {
        // SQLite retries a failed create read-only and keeps that attempt's errno (not
        // found); the folder's own answer is the real cause (access denied, no space ...).
        const int fd = ::open(tmp.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0) {
            ::close(fd);
        } else {
            sys = errno;
        }
        openFailed(tmp, sys, rc);
        ::unlink(tmp.c_str());
        return;
    }
    std::string sql = "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL; BEGIN; " + st.layout.tableSql("main") +
                      "; CREATE TABLE \"main\".\"meta\"(\"name\" TEXT PRIMARY KEY, \"value\" TEXT) WITHOUT ROWID;" +
                      Layout::keptCountSql("main");
    for (const auto& k : st.layout.keys) sql += k.createSql("main") + ";";
    sql += "COMMIT;";
    rc = c->exec(sql.c_str());
    if (rc == SQLITE_OK) {
        Stmt ins(c->prepare("INSERT INTO \"meta\" VALUES(?,?)"));
        if (ins) {
            Value k(std::string("layout")), v(st.layout.signature);
            ins.bind(1, k);
            ins.bind(2, v);
            rc = ins.step();
            if (rc == SQLITE_DONE) {
                sqlite3_reset(ins.get());
                Value lk(std::string("label")), lv(st.decl.label);
                ins.bind(1, lk);
                ins.bind(2, lv);
                rc = ins.step();
            }
            rc = rc == SQLITE_DONE ? SQLITE_OK : rc;
        } else {
            rc = c->lastCode();
        }
    }
    if (rc != SQLITE_OK) {
        setSqliteError(c->db(), rc);
        c.reset();
        ::unlink(tmp.c_str());
        return;
    }
    c.reset();
    // A journal left behind by the old file must not be played back into the new one.
    ::unlink((path + "-journal").c_str());
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        int e = errno;
        ::unlink(tmp.c_str());
        pathError(path, e);
        return;
    }
    clearError();
}

void RecordFile::close() {
    FileState& st = *impl_;
    unregisterInstance(&st);
    std::lock_guard g(st.mu);
    clearError();
    st.closeLocked(true);  // a buffered stream that cannot be written leaves its error
}

void RecordFile::set() {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!st.requireOpen()) return;
    st.seq.reset(&st, -1);
    st.seqSet = true;
    clearError();
}

namespace {
int keyOf(FileState& st, const Key& key) {
    int k = st.layout.keyIndex(key);
    if (k < 0) setError(InvalidRecordDeclaration, "Invalid Key: " + key.name);
    return k;
}

// Starts a sequence in a key's order: the key's index, or -1 (the error set).
int startKeySequence(FileState& st, const Key& key) {
    if (!st.requireOpen()) return -1;
    int k = keyOf(st, key);
    if (k < 0) return -1;
    st.seq.reset(&st, k);
    return k;
}

// A saved position: the key it was taken in ("" for file order), the record, the key values.
struct SavedPosition {
    std::string keyName;
    long long rec = 0;
    std::vector<Value> vals;
    bool decode(const std::string& text) {
        std::size_t at = 0;
        return decodePosition(text, at, keyName, rec, vals);
    }
};
}  // namespace

void RecordFile::set(const Key& key) {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (startKeySequence(st, key) < 0) return;
    st.seqSet = true;
    clearError();
}

void RecordFile::setAt(const Key& key) {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    int k = startKeySequence(st, key);
    if (k < 0) return;
    Anchor a;
    a.vals = st.keyValues(k, st.bufferValues());
    a.inclNext = a.inclPrev = true;
    st.seq.toPoint(std::move(a));
    st.seqSet = true;
    clearError();
}

void RecordFile::reset(const std::string& position) {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!st.requireOpen()) return;
    SavedPosition p;
    if (!p.decode(position)) {
        st.seqSet = false;
        setError(RecordNotFound);
        return;
    }
    int k = -1;
    if (!p.keyName.empty()) {
        Key probe{p.keyName, {}, false};
        k = st.layout.keyIndex(probe);
        if (k < 0 || p.vals.size() != st.layout.keys[k].cols.size()) {
            st.seqSet = false;
            setError(RecordNotFound);
            return;
        }
    }
    st.seq.reset(&st, k);
    Anchor a;
    a.vals = std::move(p.vals);
    a.hasRec = true;
    a.rec = p.rec;
    a.inclNext = a.inclPrev = true;
    st.seq.toPoint(std::move(a));
    st.seqSet = true;
    clearError();
}

namespace {
// A read of a file that is not open leaves no current record.
bool requireOpenToRead(FileState& st) {
    if (st.requireOpen()) return true;
    st.noCurrent();
    return false;
}

void readStep(FileState& st, int dir) {
    std::lock_guard g(st.mu);
    if (!requireOpenToRead(st)) return;
    if (!st.seqSet) {
        st.noCurrent();
        setError(NoRecord);
        return;
    }
    Row r;
    int rc = st.seq.step(dir, r);
    if (rc != 0) {
        st.noCurrent();
        if (rc == NoRecord) setError(NoRecord);
        return;
    }
    st.load(std::move(r));
    clearError();
}
}  // namespace

void RecordFile::next() { readStep(*impl_, +1); }
void RecordFile::previous() { readStep(*impl_, -1); }

void RecordFile::get(const Key& key) {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!requireOpenToRead(st)) return;
    int k = keyOf(st, key);
    if (k < 0) {
        st.noCurrent();
        return;
    }
    std::vector<Value> vals = st.keyValues(k, st.bufferValues());
    std::deque<Row> rows;
    if (st.needKey(k) != 0) {
        st.noCurrent();
        return;
    }
    const KeyPlan& plan = st.layout.keys[k];
    int rc = st.keyQuery(plan, true, vals.data(), static_cast<int>(vals.size()), nullptr, 0, nullptr, nullptr, 0, 1,
                         rows);
    if (rc != 0) {
        st.noCurrent();
        return;
    }
    if (rows.empty()) {
        st.noCurrent();
        setError(RecordNotFound);
        return;
    }
    st.load(rows.front());
    clearError();
}

void RecordFile::reget(const std::string& position) {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!requireOpenToRead(st)) return;
    SavedPosition p;
    if (!p.decode(position)) {
        st.noCurrent();
        setError(RecordNotFound);
        return;
    }
    Row r;
    if (st.readRec(p.rec, r) != 0) {
        st.noCurrent();
        return;
    }
    st.load(r);
    clearError();
}

namespace {
// The buffer's values, checked against the layout.
bool bufferRow(FileState& st) {
    st.scratch.clear();
    st.self.storeValues(st.scratch);
    if (st.scratch.size() != st.layout.fields.size()) {
        setError(InvalidRecordDeclaration);
        return false;
    }
    for (std::size_t i = 0; i < st.scratch.size(); ++i) {
        bool text = st.layout.fields[i].type == FieldType::Text;
        if (text != (st.scratch[i].index() == 1)) {
            setError(InvalidRecordDeclaration);
            return false;
        }
        if (text) {
            auto& s = std::get<1>(st.scratch[i]);
            while (!s.empty() && s.back() == ' ') s.pop_back();
        }
    }
    return true;
}

// An add or a delete and its change of the count row. Inside a transaction or a stream the
// change waits for the commit; otherwise the write and the change go in a transaction of
// their own, so a crash never parts them. Ended without done(), nothing of it stays.
class CountedWrite {
public:
    explicit CountedWrite(FileState& st)
        : st_(st), own_(st.countBy == FileState::CountBy::Engine && !st.tx && !st.streaming) {}
    ~CountedWrite() {
        if (open_) st_.own->exec("ROLLBACK");
    }
    CountedWrite(const CountedWrite&) = delete;
    CountedWrite& operator=(const CountedWrite&) = delete;

    // False (the error set) when the transaction could not begin.
    bool begin() {
        if (!own_) return true;
        if (st_.own->exec("BEGIN IMMEDIATE") != SQLITE_OK) {
            setSqliteError(st_.own->db(), st_.own->lastCode());
            return false;
        }
        open_ = true;
        return true;
    }
    // The write went through: `n` records more (or fewer). False (the error set, nothing
    // written) when its commit failed.
    bool done(long long n) {
        if (!own_) {
            st_.counted(n);
            return true;
        }
        int rc = changeCount(*st_.own, "main", n);
        if (rc == SQLITE_OK) rc = st_.own->exec("COMMIT");
        if (rc != SQLITE_OK) {
            setSqliteError(st_.own->db(), rc);
            return false;  // rolled back as it goes
        }
        open_ = false;
        return true;
    }

private:
    FileState& st_;
    bool own_;
    bool open_ = false;
};

// put() and del() need a current record: error 33 without one.
bool requireCurrent(FileState& st) {
    if (st.hasCur) return true;
    setError(NoRecord);
    return false;
}

// Runs one writing statement, its parameters bound by `bind`: false (the error set) unless
// it completed.
template <class Bind>
bool runWrite(Connection& c, const std::string& sql, const Bind& bind) {
    int rc;
    {
        Stmt s(c.prepare(sql));
        if (!prepared(c, s)) return false;
        bind(s);
        rc = s.step();
    }
    if (rc != SQLITE_DONE) {
        setSqliteError(c.db(), rc);
        return false;
    }
    return true;
}
}  // namespace

void RecordFile::add() {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!st.requireOpen() || !bufferRow(st)) return;
    Connection* c = st.conn();
    auto bind = [&](Stmt& s) {
        for (std::size_t i = 0; i < st.scratch.size(); ++i) s.bind(static_cast<int>(i) + 1, st.scratch[i]);
    };
    CountedWrite write(st);
    if (!write.begin()) return;
    if (!runWrite(*c, st.texts().insert, bind)) return;
    if (!write.done(+1)) return;
    st.wrote();
    st.cur.rec = sqlite3_last_insert_rowid(c->db());
    st.cur.chg = 0;
    st.cur.vals.swap(st.scratch);  // the scratch values are made anew for the next write
    st.hasCur = true;
    st.curFromTx = st.tx != nullptr;
    st.afterBulkAdd();
    clearError();
}

void RecordFile::put() {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!st.requireOpen() || !requireCurrent(st) || !bufferRow(st)) return;
    Connection* c = st.conn();
    int n = static_cast<int>(st.scratch.size());
    auto bind = [&](Stmt& s) {
        for (int i = 0; i < n; ++i) s.bind(i + 1, st.scratch[i]);
        s.bind(n + 1, st.cur.rec);
        s.bind(n + 2, st.cur.chg);
    };
    if (!runWrite(*c, st.texts().update, bind)) return;
    if (sqlite3_changes(c->db()) == 0) {
        // Changed or deleted elsewhere since it was read.
        int qrc = 0;
        scalar(*c, st.texts().chgByRec, st.cur.rec, qrc);
        if (qrc == SQLITE_OK) {
            setError(RecordChanged);
        } else if (qrc == SQLITE_DONE) {
            st.noCurrent();
            setError(RecordNotFound);
        } else {
            setSqliteError(c->db(), qrc);
        }
        return;
    }
    st.wrote();
    st.cur.chg += 1;
    st.cur.vals = st.scratch;
    clearError();
}

void RecordFile::del() {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!st.requireOpen() || !requireCurrent(st)) return;
    Connection* c = st.conn();
    CountedWrite write(st);
    if (!write.begin()) return;
    if (!runWrite(*c, st.texts().remove, [&](Stmt& s) { s.bind(1, st.cur.rec); })) return;
    st.noCurrent();
    if (sqlite3_changes(c->db()) == 0) {
        setError(RecordNotFound);
        return;
    }
    if (!write.done(-1)) return;
    st.wrote();
    clearError();
}

std::string RecordFile::findContaining(const Key& key, const std::string& field, const std::string& text,
                                       const std::string& after) {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!st.requireOpen()) return {};
    const int k = st.layout.keyIndex(key);
    int col = -1;
    for (std::size_t i = 0; i < st.layout.fields.size(); ++i)
        if (equalNoCase(st.layout.fields[i].name, field)) col = static_cast<int>(i);
    if (k < 0 || col < 0 || st.layout.fields[static_cast<std::size_t>(col)].type != FieldType::Text) {
        setError(InvalidRecordDeclaration, "no text field " + field + " in the key");
        return {};
    }
    if (st.needKey(k)) return {};
    const KeyPlan& plan = st.layout.keys[static_cast<std::size_t>(k)];
    std::vector<Value> vals;
    long long rec = 0;
    if (!after.empty()) {
        std::size_t at = 0;
        std::string name;
        if (!decodePosition(after, at, name, rec, vals) || vals.size() != plan.cols.size()) {
            setError(RecordNotFound);
            return {};
        }
    }
    std::string cols;
    for (int c : plan.cols) cols += (cols.empty() ? "" : ",") + st.layout.qcols[static_cast<std::size_t>(c)];
    const std::string head = "SELECT \"_rec\"," + cols + " FROM " + st.table() + " WHERE " + plan.partial +
                             " AND KEYHAS(" + st.layout.qcols[static_cast<std::size_t>(col)] + ",?)";
    const std::string marks = [&] {
        std::string m;
        for (std::size_t i = 0; i < plan.cols.size(); ++i) m += i ? ",?" : "?";
        return m;
    }();
    Connection* c = st.conn();
    const Value needle(text);
    // The rest of the records with the same key values, then the records after them.
    auto query = [&](const std::string& sql, bool sameValues, std::string& found) {
        Stmt s(c->prepare(sql));
        if (!prepared(*c, s)) return false;
        int p = 1;
        s.bind(p++, needle);
        for (const Value& v : vals) s.bind(p++, v);
        if (sameValues) s.bind(p++, rec);
        const int rc = s.step();
        if (rc == SQLITE_ROW) {
            std::vector<Value> keyVals;
            for (std::size_t i = 0; i < plan.cols.size(); ++i) {
                const int at = static_cast<int>(i) + 1;
                if (st.layout.fields[static_cast<std::size_t>(plan.cols[i])].type == FieldType::Text) {
                    const auto* t = reinterpret_cast<const char*>(sqlite3_column_text(s.get(), at));
                    keyVals.emplace_back(std::string(t ? t : "", t ? static_cast<std::size_t>(sqlite3_column_bytes(s.get(), at)) : 0));
                } else {
                    keyVals.emplace_back(static_cast<long long>(sqlite3_column_int64(s.get(), at)));
                }
            }
            found = encodePosition(plan.name, sqlite3_column_int64(s.get(), 0), keyVals);
            return true;
        }
        if (rc != SQLITE_DONE) {
            setSqliteError(c->db(), rc);
            return false;
        }
        return true;
    };
    std::string found;
    if (after.empty()) {
        if (!query(head + " ORDER BY " + cols + ",\"_rec\" LIMIT 1", false, found)) return {};
    } else {
        std::string same = head;
        for (int cidx : plan.cols) same += " AND " + st.layout.qcols[static_cast<std::size_t>(cidx)] + "=?";
        if (!query(same + " AND \"_rec\">? ORDER BY \"_rec\" LIMIT 1", true, found)) return {};
        if (found.empty() &&
            !query(head + " AND (" + cols + ")>(" + marks + ") ORDER BY " + cols + ",\"_rec\" LIMIT 1", false, found))
            return {};
    }
    clearError();
    return found;
}

long long RecordFile::records() {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!st.requireOpen()) return 0;
    Stamp now = st.stamp();
    if (st.countKnown && now == st.countStamp) {
        clearError();
        return st.countValue;
    }
    Connection* c = st.conn();
    Stmt s(c->prepare(st.keepsCount() ? st.texts().keptCount : st.texts().count));
    if (!prepared(*c, s)) return 0;
    int rc = s.step();
    if (rc != SQLITE_ROW) {
        setSqliteError(c->db(), rc);
        return 0;
    }
    st.countValue = sqlite3_column_int64(s.get(), 0) + st.pendingCount();
    st.countKnown = true;
    st.countStamp = now;
    clearError();
    return st.countValue;
}

namespace {
// The current record's position in a key's order (-1: file order).
std::string positionIn(const FileState& st, int k) {
    if (k < 0) return encodePosition("", st.cur.rec, {});
    return encodePosition(st.layout.keys[k].name, st.cur.rec, st.keyValues(k, st.cur.vals));
}
}  // namespace

std::string RecordFile::position() const {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!st.hasCur) return {};
    return positionIn(st, st.seqSet ? st.seq.key() : -1);
}

std::string RecordFile::position(const Key& key) const {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!st.hasCur) return {};
    return positionIn(st, st.layout.keyIndex(key));
}

bool RecordFile::hasCurrent() const {
    std::lock_guard g(impl_->mu);
    return impl_->hasCur;
}

void RecordFile::buildKeys() {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    clearError();
    if (!layoutValid(st)) return;
    std::unique_ptr<Connection> temp;
    Connection* c = st.conn();
    std::string schema = st.schema;
    if (!c) {
        if (connect(name(), false, st.busyMs, temp) != 0) return;
        int v = validate(st, *temp);
        if (v != 0 && v != RebuildKeys) return;
        c = temp.get();
        schema = "main";
    }
    bool own = !st.tx && !st.streaming;
    std::string q = "\"" + schema + "\".";
    if (own && c->exec("BEGIN IMMEDIATE") != SQLITE_OK) {
        setSqliteError(c->db(), c->lastCode());
        return;
    }
    std::vector<std::string> names;
    int rc;
    {
        Stmt s(c->prepare("SELECT \"name\" FROM " + q +
                          "sqlite_schema WHERE \"type\"='index' AND \"tbl_name\"='data' AND \"sql\" IS NOT NULL"));
        rc = s ? SQLITE_OK : c->lastCode();
        while (s && (rc = s.step()) == SQLITE_ROW)
            names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(s.get(), 0)));
        if (rc == SQLITE_DONE) rc = SQLITE_OK;
    }
    // Cached statements may refer to the indexes about to go.
    c->finalizeAll();
    std::string sql;
    for (const auto& n : names) {
        std::string quoted = "\"";
        for (char ch : n) quoted += ch == '"' ? std::string("\"\"") : std::string(1, ch);
        sql += "DROP INDEX " + q + quoted + "\";";
    }
    for (const auto& k : st.layout.keys) sql += k.createSql(schema) + ";";
    sql += st.layout.pendingKeysSql(schema, {});
    if (rc == SQLITE_OK) rc = c->exec(sql.c_str());
    if (rc == SQLITE_OK && own) rc = c->exec("COMMIT");
    if (rc != SQLITE_OK) {
        setSqliteError(c->db(), rc);
        int keep = errorCode();
        std::string keepText = error();
        if (own) c->exec("ROLLBACK");
        setError(keep, keepText);
        return;
    }
    st.wrote();
    st.bulk.deferred.clear();
    st.pendingNamed = false;
    clearError();
}

void RecordFile::send(const std::string& option) {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    clearError();
    std::string o = upper(trim(option));
    auto eq = o.find('=');
    if (eq == std::string::npos || trim(o.substr(0, eq)) != "RECOVER") return;
    std::string v = trim(o.substr(eq + 1));
    if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos || v.size() > 6) return;
    st.busyMs = std::stoi(v) * 1000;
    if (st.own && !st.tx) st.own->setBusyTimeout(st.busyMs);
}

void RecordFile::stream() {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!st.requireOpen()) return;
    clearError();
    if (st.tx || st.streaming) return;
    if (st.own->exec("BEGIN") != SQLITE_OK) {
        setSqliteError(st.own->db(), st.own->lastCode());
        return;
    }
    bulkCache(*st.own, "main", st);
    st.startBulk();
    st.streaming = true;
}

void RecordFile::flush() {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    if (!st.requireOpen()) return;
    clearError();
    if (!st.streaming) return;
    endStream(st);
}

void RecordFile::bulkAdding(bool on) {
    FileState& st = *impl_;
    std::lock_guard g(st.mu);
    clearError();
    if (!st.requireOpen()) return;
    if (on) {
        st.bulkSession = true;
        return;
    }
    st.bulkSession = false;
    // Inside a transaction or stream its commit builds them.
    st.buildPending();
}

void RecordFile::watch() { clearError(); }

void RecordFile::clearBuffer() { clearValues(); }

void RecordFile::clearCurrent() {
    std::lock_guard g(impl_->mu);
    impl_->noCurrent();
}

// ---------------------------------------------------------------------------------------
// Transactions

bool logout(int seconds, std::initializer_list<RecordFile*> list) {
    txGuard.armed = true;  // the thread's guard now exists and will run at its end
    clearError();
    if (currentTx) {
        setError(56, "Logout Already Active");
        return false;
    }
    std::vector<FileState*> files;
    for (RecordFile* f : list) {
        if (!f) continue;
        FileState* st = f->impl_.get();
        if (std::find(files.begin(), files.end(), st) == files.end()) files.push_back(st);
    }
    if (files.empty()) {
        setError(NotOpen);
        return false;
    }
    for (FileState* st : files) {
        std::lock_guard g(st->mu);
        if (!st->own) {
            setError(NotOpen);
            return false;
        }
        if (st->streaming && !endStream(*st)) return false;
    }
    int ms = seconds > 0 ? seconds * 1000 : 0;
    auto t = std::make_unique<Transaction>();
    t->files = files;
    std::vector<std::string> schemas(files.size(), "main");
    if (files.size() == 1) {
        FileState* st = files[0];
        std::lock_guard g(st->mu);
        st->own->setBusyTimeout(ms);
        if (st->own->exec("BEGIN IMMEDIATE") != SQLITE_OK) {
            setSqliteError(st->own->db(), st->own->lastCode());
            st->own->setBusyTimeout(st->busyMs);
            return false;
        }
        bulkCache(*st->own, "main", *st);
        t->single = st;
    } else {
        // One connection with every file attached: SQLite then commits them together,
        // through a super-journal, all or nothing even across a crash.
        int sys = 0;
        int rc = Connection::open(files[0]->path, false, false, t->dedicated, &sys);
        if (rc != SQLITE_OK) {
            openFailed(files[0]->path, sys, rc);
            return false;
        }
        Connection& c = *t->dedicated;
        c.setBusyTimeout(ms);
        if ((rc = configure(c, "main")) != SQLITE_OK) {
            setSqliteError(c.db(), rc);
            return false;
        }
        std::unordered_map<std::string, std::string> byPath{{files[0]->path, "main"}};
        for (std::size_t i = 1; i < files.size(); ++i) {
            auto& s = byPath[files[i]->path];
            if (s.empty()) {
                s = "f" + std::to_string(i);
                {
                    Stmt a(c.prepare("ATTACH DATABASE ? AS \"" + s + "\""));
                    Value p(files[i]->path);
                    if (a) a.bind(1, p);
                    rc = a ? a.step() : c.lastCode();
                }
                if (rc == SQLITE_DONE) rc = configure(c, s);
                if (rc != SQLITE_OK) {
                    setSqliteError(c.db(), rc);
                    return false;
                }
            }
            schemas[i] = s;
        }
        c.finalizeAll();  // the ATTACH statements
        for (std::size_t i = 0; i < files.size(); ++i) bulkCache(c, schemas[i], *files[i]);
        if (c.exec("BEGIN IMMEDIATE") != SQLITE_OK) {
            setSqliteError(c.db(), c.lastCode());
            return false;
        }
    }
    Transaction* tp = t.release();
    for (std::size_t i = 0; i < files.size(); ++i) {
        FileState* st = files[i];
        std::lock_guard g(st->mu);
        st->tx = tp;
        if (tp->dedicated) {
            st->routed = tp->dedicated.get();
            st->schema = schemas[i];
        }
        st->txSavedHasCur = st->hasCur;
        st->txSavedRec = st->cur.rec;
        st->txSavedChg = st->cur.chg;
        st->curFromTx = false;
        st->countKnown = false;
        st->startBulk();
        st->seq.invalidate();
    }
    currentTx = tp;
    clearError();
    return true;
}

void commit() {
    Transaction* t = currentTx;
    if (!t) {
        clearError();
        return;
    }
    Connection* c = t->conn();
    if (!c) {
        endTransaction(t, false);
        setError(NotOpen);
        return;
    }
    for (FileState* st : t->files) {
        std::lock_guard g(st->mu);
        if (st->tx == t && st->finishBulk() != 0) {
            int code = errorCode();
            std::string text = error();
            c->exec("ROLLBACK");
            endTransaction(t, false);
            setError(code, text);
            return;
        }
    }
    int rc = SQLITE_OK;
    for (const auto& [schema, delta] : t->counts)
        if (rc == SQLITE_OK) rc = changeCount(*c, schema, delta);
    if (rc == SQLITE_OK) rc = c->exec("COMMIT");
    if (rc != SQLITE_OK) {
        setSqliteError(c->db(), rc);
        int code = errorCode();
        std::string text = error();
        int fcode = fileErrorCode();
        std::string ftext = fileError();
        c->exec("ROLLBACK");
        endTransaction(t, false);
        if (code == FileSystemError)
            setFileSystemError(fcode, ftext);
        else
            setError(code, text);
        return;
    }
    endTransaction(t, true);
    clearError();
}

void rollback() {
    Transaction* t = currentTx;
    if (!t) return;
    if (Connection* c = t->conn()) c->exec("ROLLBACK");
    endTransaction(t, false);
    clearError();
}

bool inTransaction() { return currentTx != nullptr; }

bool recordFileOpenHere(const std::string& path) {
    const std::string abs = absolutePath(clip(path));
    struct stat target {};
    const bool known = ::stat(abs.c_str(), &target) == 0;
    std::lock_guard g(registryMutex);
    for (const auto& [open, state] : registry()) {
        if (open == abs) return true;
        struct stat st {};
        if (known && ::stat(open.c_str(), &st) == 0 && st.st_dev == target.st_dev && st.st_ino == target.st_ino)
            return true;
    }
    return false;
}

void closeEverywhere(const std::string& path) {
    std::string abs = absolutePath(clip(path));
    std::lock_guard g(registryMutex);
    auto it = registry().find(abs);
    if (it == registry().end()) return;
    auto instances = it->second->instances;
    registry().erase(it);
    for (FileState* st : instances) {
        std::lock_guard g2(st->mu);
        st->registered = false;
        st->closeLocked(st->owner == std::this_thread::get_id());
    }
}

}  // namespace rt
