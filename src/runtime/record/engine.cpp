#include "runtime/record/engine.h"

#include <cerrno>
#include <chrono>
#include <cstring>

#include "runtime/error/error.h"
#include "runtime/text/text.h"

namespace rt {

// ---------------------------------------------------------------------------------------
// Key collation

namespace {
inline unsigned char asciiUpper(unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 32 : c; }

int keyCollation(void*, int na, const void* a, int nb, const void* b) {
    return records::compareKeyText(static_cast<const char*>(a), na, static_cast<const char*>(b), nb);
}

// Whether every byte is below 0x80, eight at a time.
bool allAscii(const unsigned char* p, int n) {
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t w;
        std::memcpy(&w, p + i, 8);
        if (w & 0x8080808080808080ULL) return false;
    }
    for (; i < n; ++i)
        if (p[i] & 0x80) return false;
    return true;
}

// Whether the plain ASCII field holds the text (upper case), letter case ignored.
bool asciiHolds(const unsigned char* f, int nf, const unsigned char* t, int nt) {
    const unsigned char a = t[0], b = a >= 'A' && a <= 'Z' ? static_cast<unsigned char>(a + 32) : a;
    for (int i = 0; i + nt <= nf; ++i) {
        if (f[i] != a && f[i] != b) continue;
        int j = 1;
        while (j < nt && asciiUpper(f[i + j]) == t[j]) ++j;
        if (j == nt) return true;
    }
    return false;
}

// The field in upper case as the keys compare it, into `out`. Letters of two bytes (the
// accented Latin ones) stay two bytes, so they are upper-cased in place; anything else goes
// the general way.
void upperInto(const unsigned char* f, int nf, std::string& out) {
    out.clear();
    for (int i = 0; i < nf; ++i) {
        const unsigned char c = f[i];
        if (c < 0x80) {
            out += static_cast<char>(asciiUpper(c));
            continue;
        }
        if ((c & 0xE0) == 0xC0 && i + 1 < nf && (f[i + 1] & 0xC0) == 0x80 && c >= 0xC2) {
            const char32_t u = upperChar((static_cast<char32_t>(c & 0x1F) << 6) | (f[i + 1] & 0x3F));
            if (u >= 0x80 && u < 0x800) {
                out += static_cast<char>(0xC0 | (u >> 6));
                out += static_cast<char>(0x80 | (u & 0x3F));
                ++i;
                continue;
            }
        }
        out = upper(std::string_view(reinterpret_cast<const char*>(f), static_cast<std::size_t>(nf)));
        return;
    }
}

// KEYHAS(field, text): whether the field, upper-cased as the keys compare it, holds `text`
// (given in upper case) anywhere. Lets a search run inside SQLite on a key's own index.
void keyHas(sqlite3_context* ctx, int, sqlite3_value** argv) {
    const auto* f = sqlite3_value_text(argv[0]);
    const int nf = sqlite3_value_bytes(argv[0]);
    const auto* t = sqlite3_value_text(argv[1]);
    const int nt = sqlite3_value_bytes(argv[1]);
    if (!f || !t) {
        sqlite3_result_int(ctx, 0);
        return;
    }
    if (nt == 0) {
        sqlite3_result_int(ctx, 1);
        return;
    }
    // Plain ASCII names (most of them) are searched in place.
    if (allAscii(f, nf)) {
        sqlite3_result_int(ctx, asciiHolds(f, nf, t, nt));
        return;
    }
    thread_local std::string field;
    upperInto(f, nf, field);
    sqlite3_result_int(ctx, field.find(std::string_view(reinterpret_cast<const char*>(t), static_cast<std::size_t>(nt))) !=
                                std::string::npos);
}

std::atomic<std::uint64_t> nextConnectionId{1};
}  // namespace

namespace records {
int compareKeyText(const char* a, int na, const char* b, int nb) {
    while (na > 0 && a[na - 1] == ' ') --na;
    while (nb > 0 && b[nb - 1] == ' ') --nb;
    int n = na < nb ? na : nb;
    for (int i = 0; i < n; ++i) {
        auto x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
        if ((x | y) & 0x80)  // from here on letters may be accented: the general rule
            return compareNoCase(std::string_view(a + i, na - i), std::string_view(b + i, nb - i));
        if (x != y) {
            x = asciiUpper(x);
            y = asciiUpper(y);
            if (x != y) return x < y ? -1 : 1;
        }
    }
    return na < nb ? -1 : (na > nb ? 1 : 0);
}

}  // namespace records

// ---------------------------------------------------------------------------------------
// Connection

int Connection::open(const std::string& path, bool readOnly, bool create, std::unique_ptr<Connection>& out,
                     int* sysErr) {
    std::unique_ptr<Connection> c(new Connection());
    int flags = (readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) | SQLITE_OPEN_NOMUTEX |
                SQLITE_OPEN_EXRESCODE | (create ? SQLITE_OPEN_CREATE : 0);
    int rc = sqlite3_open_v2(path.c_str(), &c->db_, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (sysErr) *sysErr = c->db_ ? sqlite3_system_errno(c->db_) : 0;
        return rc;
    }
    c->id_ = nextConnectionId.fetch_add(1);
    sqlite3_extended_result_codes(c->db_, 1);
    sqlite3_create_collation_v2(c->db_, "KEYTEXT", SQLITE_UTF8, nullptr, keyCollation, nullptr);
    sqlite3_create_function_v2(c->db_, "KEYHAS", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_INNOCUOUS, nullptr,
                               keyHas, nullptr, nullptr, nullptr);
    out = std::move(c);
    return SQLITE_OK;
}

Connection::~Connection() {
    finalizeAll();
    if (db_) sqlite3_close_v2(db_);
}

void Connection::finalizeAll() {
    for (auto& [sql, s] : cache_) sqlite3_finalize(s);
    cache_.clear();
}

sqlite3_stmt* Connection::prepare(const std::string& sql) {
    auto it = cache_.find(sql);
    if (it != cache_.end()) return it->second;
    sqlite3_stmt* s = nullptr;
    lastCode_ = sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()), SQLITE_PREPARE_PERSISTENT, &s,
                                   nullptr);
    if (lastCode_ != SQLITE_OK) {
        if (s) sqlite3_finalize(s);
        return nullptr;
    }
    cache_.emplace(sql, s);
    return s;
}

int Connection::exec(const char* sql) { return lastCode_ = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }

void Connection::setBusyTimeout(int ms) {
    busyMs_ = ms;
    sqlite3_busy_timeout(db_, ms);
}

std::uint32_t Connection::diskChangeCounter(const std::string& schema) {
    // Read at most once a millisecond: a scan serves thousands of rows a millisecond from
    // its batch, and another process's commit within that time is concurrent with it anyway.
    auto now = std::chrono::steady_clock::now();
    if (lastFile_ && schema == lastSchema_ && now - lastCounterAt_ < std::chrono::milliseconds(1))
        return lastCounter_;
    sqlite3_file* f = nullptr;
    if (lastFile_ && schema == lastSchema_) {
        f = lastFile_;
    } else {
        sqlite3_file*& known = files_[schema];
        if (!known && sqlite3_file_control(db_, schema.c_str(), SQLITE_FCNTL_FILE_POINTER, &known) != SQLITE_OK)
            known = nullptr;
        f = known;
        lastSchema_ = schema;
        lastFile_ = f;
    }
    if (!f || !f->pMethods) return 0;
    unsigned char b[4] = {0, 0, 0, 0};
    if (f->pMethods->xRead(f, b, 4, 24) != SQLITE_OK) return 0;
    lastCounter_ = (std::uint32_t(b[0]) << 24) | (std::uint32_t(b[1]) << 16) | (std::uint32_t(b[2]) << 8) | b[3];
    lastCounterAt_ = now;
    return lastCounter_;
}

namespace records {

void Stmt::bind(int i, const Value& v) {
    if (v.index() == 0)
        sqlite3_bind_int64(s_, i, std::get<0>(v));
    else {
        const auto& t = std::get<1>(v);
        sqlite3_bind_text(s_, i, t.data(), static_cast<int>(t.size()), SQLITE_STATIC);
    }
}

namespace {
// The errno of the last failed operation on a connection's files: the file (or its journal)
// keeps it, while the connection's own copy may have been overwritten by the calls that
// followed the failure (as after a write past a full disc during a commit).
int lastFileErrno(sqlite3* db) {
    for (int i = 0; const char* schema = sqlite3_db_name(db, i); ++i) {
        int e = 0;
        if (sqlite3_file_control(db, schema, SQLITE_FCNTL_LAST_ERRNO, &e) == SQLITE_OK && e != 0) return e;
        sqlite3_file* journal = nullptr;
        if (sqlite3_file_control(db, schema, SQLITE_FCNTL_JOURNAL_POINTER, &journal) == SQLITE_OK && journal &&
            journal->pMethods && journal->pMethods->xFileControl(journal, SQLITE_FCNTL_LAST_ERRNO, &e) == SQLITE_OK &&
            e != 0)
            return e;
    }
    return 0;
}
}  // namespace

void setSqliteError(sqlite3* db, int rc) {
    int sys = db ? sqlite3_system_errno(db) : 0;
    if (sys == 0 && db && ((rc & 0xFF) == SQLITE_IOERR || (rc & 0xFF) == SQLITE_FULL)) sys = lastFileErrno(db);
    // SQLite reports a write that found no room as "full" and keeps no errno for it: the
    // system's own words for that are those of ENOSPC.
    if (sys == 0 && (rc & 0xFF) == SQLITE_FULL) sys = ENOSPC;
    switch (rc & 0xFF) {
    case SQLITE_OK:
    case SQLITE_DONE:
    case SQLITE_ROW: clearError(); return;
    case SQLITE_BUSY:
    case SQLITE_LOCKED: setError(IsLocked); return;
    case SQLITE_CONSTRAINT: setError(DuplicateKey); return;
    case SQLITE_NOTADB: setError(InvalidRecordDeclaration); return;
    case SQLITE_CORRUPT: setError(RebuildKeys); return;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH: setError(AccessDenied); return;
    default: break;
    }
    if (sys == ENOENT && (rc & 0xFF) == SQLITE_CANTOPEN) return setError(FileNotFound);
    if (sys == EACCES || sys == EPERM || sys == EROFS) return setError(AccessDenied);
    if (sys != 0) return setFileSystemError(sys);
    setFileSystemError(0, db ? sqlite3_errmsg(db) : sqlite3_errstr(rc));
}

// ---------------------------------------------------------------------------------------
// Layout

namespace {
std::string quote(const std::string& name) {
    std::string q = "\"";
    for (char c : name) {
        if (c == '"') q += '"';
        q += c;
    }
    return q + "\"";
}

char typeLetter(FieldType t) { return t == FieldType::Text ? 'T' : t == FieldType::Date ? 'D' : 'I'; }
}  // namespace

Layout::Layout(const FileDeclaration& decl, const std::vector<FieldInfo>& f) : fields(f) {
    signature = "record-layout-1";
    for (const auto& fi : fields) {
        qcols.push_back(quote(fi.name));
        signature += ';' + fi.name + ':' + typeLetter(fi.type) + std::to_string(fi.size);
        if (fi.type == FieldType::Integer) signature += fi.isSigned ? 's' : 'u';
    }
    signature += ";version=" + decl.layoutVersion;
    for (const Key* k : decl.keys) {
        if (!k) continue;
        KeyPlan p;
        p.key = k;
        p.name = k->name;
        p.unique = k->unique;
        p.index = quote("key_" + k->name);
        for (const auto& fn : k->fields) {
            int found = -1;
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (equalNoCase(fields[i].name, fn)) found = static_cast<int>(i);
            if (found < 0) {
                invalid = "key " + k->name + " names an unknown field " + fn;
                break;
            }
            p.cols.push_back(found);
        }
        if (p.cols.empty() && invalid.empty()) invalid = "key " + k->name + " has no fields";
        std::string cond;
        for (int c : p.cols) {
            if (!cond.empty()) cond += " OR ";
            cond += qcols[c] + (fields[c].type == FieldType::Text ? "<>'' COLLATE BINARY" : "<>0");
        }
        p.partial = "(" + cond + ")";
        for (int c : p.cols) p.columns += (p.columns.empty() ? "" : ",") + qcols[c];
        keys.push_back(std::move(p));
    }
}

int Layout::keyIndex(const Key& key) const {
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (keys[i].key == &key) return static_cast<int>(i);
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (equalNoCase(keys[i].name, key.name)) return static_cast<int>(i);
    return -1;
}

std::string KeyPlan::createSql(const std::string& schema, bool ifMissing) const {
    // SQLite keeps an index's text from its name on: with an empty schema this is exactly
    // what the file holds, so open() can compare it.
    std::string s = unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ";
    if (ifMissing) s += "IF NOT EXISTS ";
    if (!schema.empty()) s += quote(schema) + ".";
    return s + index + " ON \"data\"(" + columns + ") WHERE " + partial;
}

std::string Layout::tableSql(const std::string& schema) const {
    std::string s = "CREATE TABLE " + quote(schema) + ".\"data\"(\"_rec\" INTEGER PRIMARY KEY AUTOINCREMENT, \"_chg\" INTEGER NOT NULL DEFAULT 0";
    for (std::size_t i = 0; i < fields.size(); ++i) {
        s += ", " + qcols[i];
        s += fields[i].type == FieldType::Text ? " TEXT NOT NULL DEFAULT '' COLLATE KEYTEXT"
                                               : " INTEGER NOT NULL DEFAULT 0";
    }
    return s + ")";
}

std::string Layout::keptCountSql(const std::string& schema) {
    const std::string q = quote(schema);
    return "INSERT OR REPLACE INTO " + q + ".\"meta\" VALUES('count',(SELECT count(*) FROM " + q +
           ".\"data\"));";
}

std::string Layout::pendingKeysSql(const std::string& schema, const std::vector<int>& pending) const {
    std::string names;
    for (int k : pending) names += (names.empty() ? "" : " ") + keys[static_cast<std::size_t>(k)].name;
    if (names.empty()) return "DELETE FROM " + quote(schema) + ".\"meta\" WHERE \"name\"='pending-keys';";
    std::string text = "'";
    for (char c : names) text += c == '\'' ? std::string("''") : std::string(1, c);
    return "INSERT OR REPLACE INTO " + quote(schema) + ".\"meta\" VALUES('pending-keys'," + text + "');";
}

std::string Layout::countChangeSql(const std::string& schema) {
    return "UPDATE " + quote(schema) +
           ".\"meta\" SET \"value\"=CAST(\"value\" AS INTEGER)+? WHERE \"name\"='count'";
}

// ---------------------------------------------------------------------------------------
// Positions

void putToken(std::string& out, long long v) {
    out += 'i';
    out += std::to_string(v);
    out += ';';
}

void putToken(std::string& out, const std::string& s) {
    out += 's';
    out += std::to_string(s.size());
    out += ':';
    out += s;
}

bool getToken(const std::string& in, std::size_t& at, Value& v) {
    if (at >= in.size()) return false;
    char kind = in[at];
    if (kind != 'i' && kind != 's') return false;
    std::size_t p = at + 1;
    bool neg = false;
    if (kind == 'i' && p < in.size() && in[p] == '-') {
        neg = true;
        ++p;
    }
    unsigned long long n = 0;
    std::size_t digits = 0;
    while (p < in.size() && in[p] >= '0' && in[p] <= '9' && digits < 20) {
        n = n * 10 + static_cast<unsigned>(in[p] - '0');
        ++p;
        ++digits;
    }
    if (digits == 0 || p >= in.size()) return false;
    if (kind == 'i') {
        if (in[p] != ';') return false;
        v = neg ? -static_cast<long long>(n) : static_cast<long long>(n);
        at = p + 1;
        return true;
    }
    if (in[p] != ':' || in.size() - (p + 1) < n) return false;
    v = in.substr(p + 1, n);
    at = p + 1 + n;
    return true;
}

std::string encodePosition(const std::string& keyName, long long rec, const std::vector<Value>& vals) {
    std::string out = "R";
    putToken(out, keyName);
    putToken(out, rec);
    putToken(out, static_cast<long long>(vals.size()));
    for (const auto& v : vals) {
        if (v.index() == 0)
            putToken(out, std::get<0>(v));
        else
            putToken(out, std::get<1>(v));
    }
    return out + '.';  // never ends in a blank, so a clipped copy still reads back
}

bool decodePosition(const std::string& text, std::size_t& at, std::string& keyName, long long& rec,
                    std::vector<Value>& vals) {
    if (at >= text.size() || text[at] != 'R') return false;
    std::size_t p = at + 1;
    Value name, r, n;
    if (!getToken(text, p, name) || name.index() != 1) return false;
    if (!getToken(text, p, r) || r.index() != 0) return false;
    if (!getToken(text, p, n) || n.index() != 0) return false;
    long long count = std::get<0>(n);
    if (count < 0 || count > 64) return false;
    vals.clear();
    for (long long i = 0; i < count; ++i) {
        Value v;
        if (!getToken(text, p, v)) return false;
        vals.push_back(std::move(v));
    }
    if (p >= text.size() || text[p] != '.') return false;
    keyName = std::get<1>(name);
    rec = std::get<0>(r);
    at = p + 1;
    return true;
}

}  // namespace records
}  // namespace rt
