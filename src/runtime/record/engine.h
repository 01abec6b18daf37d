#pragma once
// Record-file engine internals shared by record.cpp and the selections: the SQLite
// connection, the layout of a declared file as SQL, batched key-order cursors and the
// per-instance state behind RecordFile.
#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "runtime/record/record.h"

namespace rt {

// One SQLite connection with its prepared statements.
class Connection {
public:
    // Opens (never creates unless `create`) the database at an absolute path. On failure
    // returns the SQLite code and leaves errno-style detail in *sysErr.
    static int open(const std::string& path, bool readOnly, bool create, std::unique_ptr<Connection>& out,
                    int* sysErr);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    sqlite3* db() const { return db_; }
    std::uint64_t id() const { return id_; }
    // A cached prepared statement, or nullptr (the SQLite code is then in lastCode()).
    sqlite3_stmt* prepare(const std::string& sql);
    int exec(const char* sql);
    int lastCode() const { return lastCode_; }
    void setBusyTimeout(int ms);
    int busyTimeout() const { return busyMs_; }
    // The database file's change counter as it is on disk now (no lock taken). Another
    // connection's commit always changes it (rollback-journal mode).
    std::uint32_t diskChangeCounter(const std::string& schema);
    // Drops the statements (before DETACH or close).
    void finalizeAll();

private:
    Connection() = default;
    sqlite3* db_ = nullptr;
    std::uint64_t id_ = 0;
    int lastCode_ = 0;
    int busyMs_ = 0;
    std::unordered_map<std::string, sqlite3_stmt*> cache_;
    std::unordered_map<std::string, sqlite3_file*> files_;
    std::string lastSchema_;
    sqlite3_file* lastFile_ = nullptr;
    std::uint32_t lastCounter_ = 0;
    std::chrono::steady_clock::time_point lastCounterAt_{};
};

// The engine's own types live apart: other parts of the runtime have types of the same
// short names (Row, ...), and one program may hold only one definition of each.
namespace records {

struct FileState;

// The collation of every key: Latin letters compared in upper case, trailing blanks ignored.
int compareKeyText(const char* a, int na, const char* b, int nb);

// A statement in use: bound, stepped, and reset when it goes out of scope.
class Stmt {
public:
    explicit Stmt(sqlite3_stmt* s) : s_(s) {}
    ~Stmt() {
        if (s_) {
            sqlite3_reset(s_);
            sqlite3_clear_bindings(s_);
        }
    }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;
    explicit operator bool() const { return s_ != nullptr; }
    sqlite3_stmt* get() const { return s_; }
    void bind(int i, const Value& v);
    void bind(int i, long long v) { sqlite3_bind_int64(s_, i, v); }
    // The text must outlive the statement's step.
    void bind(int i, const std::string& t) {
        sqlite3_bind_text(s_, i, t.data(), static_cast<int>(t.size()), SQLITE_STATIC);
    }
    int step() { return sqlite3_step(s_); }

private:
    sqlite3_stmt* s_;
};

// Sets the thread's error from a SQLite failure.
void setSqliteError(sqlite3* db, int rc);

struct KeyPlan {
    const Key* key = nullptr;
    std::string name;
    std::vector<int> cols;  // field indices
    bool unique = false;
    std::string index;      // quoted index name
    std::string partial;    // the "not all blank" condition, also in every query of the key
    std::string columns;    // quoted, comma-separated
    // With `ifMissing` the statement does nothing when the index is there already.
    std::string createSql(const std::string& schema, bool ifMissing = false) const;
};

// A declared file as SQL.
struct Layout {
    std::vector<FieldInfo> fields;
    std::vector<std::string> qcols;  // quoted column names
    std::vector<KeyPlan> keys;
    std::string signature;
    std::string invalid;  // why the declaration cannot be used (unknown key field ...)

    Layout(const FileDeclaration& decl, const std::vector<FieldInfo>& fields);
    int keyIndex(const Key& key) const;
    std::string tableSql(const std::string& schema) const;
    // The meta table's "count" row as the records are counted now, in SQL.
    static std::string keptCountSql(const std::string& schema);
    // Adds `delta` to the kept count, in SQL with the delta as its parameter.
    static std::string countChangeSql(const std::string& schema);
    // The meta table's row that names the keys a bulk writer left to build ("pending-keys"):
    // set to the given key names, or removed when there are none.
    std::string pendingKeysSql(const std::string& schema, const std::vector<int>& keys) const;
};

// One stored record as the engine moves it.
struct Row {
    long long rec = 0;
    long long chg = 0;
    std::vector<Value> vals;  // every field, in declaration order
};

// Where a cursor stands: before the first row, or at a point of the key order given by the
// leading key values (and the record number when all key values are given).
struct Anchor {
    bool start = true;
    std::vector<Value> vals;
    bool hasRec = false;
    long long rec = 0;
    bool inclNext = false;  // next() may read a row equal to the point
    bool inclPrev = false;  // previous() may read a row equal to the point
};

// Records that a file changed since a batch was read: writes through any instance of this
// process, the connection the batch came from, and other processes' commits.
struct PathState {
    std::string path;
    std::atomic<std::uint64_t> writes{0};
    std::vector<FileState*> instances;  // guarded by the registry's mutex
};

struct Stamp {
    std::uint64_t writes = 0;
    std::uint64_t conn = 0;
    std::uint32_t disk = 0;
    bool operator==(const Stamp&) const = default;
};

struct Transaction;

// A condition SQLite evaluates on each row a cursor reads: the text field `col` holds `text`
// (given in upper case, not empty) anywhere, compared in upper case as the keys compare.
// When the field is one of the key's, it is evaluated on the key's index entry, and only the
// rows that hold the text are read from the table.
struct Containing {
    int col = -1;
    std::string text;
};

// Reads one file in a key's order (or in record-number order, key -1), optionally within a
// range of equal leading key values, a batch of rows per query, from the last row read.
class Cursor {
public:
    Cursor() = default;
    void reset(FileState* file, int key);
    int key() const { return key_; }
    // Leading key values that every row must have (none: the whole key).
    void setRange(std::vector<Value> prefix);
    const std::vector<Value>& range() const { return range_; }
    // Only the rows that hold a text (col -1: every row).
    void setContaining(Containing c) {
        containing_ = std::move(c);
        invalidate();
    }
    void toStart();
    void toPoint(Anchor a);
    const Anchor& anchor() const { return anchor_; }
    // Back to an anchor taken earlier (batches are read again).
    void restore(const Anchor& a) {
        anchor_ = a;
        nextLimit_ = 32;
        invalidate();
    }
    // The next row in the direction (+1 / -1): 0, 33 at the end, or another error (set).
    int step(int dir, Row& out);
    void invalidate() { batch_.clear(); atEnd_ = false; }

private:
    FileState* f_ = nullptr;
    int key_ = -1;
    std::vector<Value> range_;
    Containing containing_;
    Anchor anchor_;
    std::deque<Row> batch_;
    int batchDir_ = 0;
    bool atEnd_ = false;  // the last query in batchDir_ found no more rows
    Stamp stamp_;
    int nextLimit_ = 0;
};

struct FileState {
    FileState(RecordFile& self, FileDeclaration d, std::vector<FieldInfo> f);
    ~FileState();
    FileState(const FileState&) = delete;
    FileState& operator=(const FileState&) = delete;

    RecordFile& self;
    FileDeclaration decl;
    Layout layout;
    std::recursive_mutex mu;  // against closeEverywhere from another thread

    std::unique_ptr<Connection> own;
    std::string path;
    std::shared_ptr<PathState> state;
    unsigned access = SharedReadWrite;
    int busyMs = 1000;
    bool registered = false;
    std::thread::id owner;

    // Inside a transaction over several files the file's work goes through that
    // transaction's connection, where the file is attached under `schema`.
    Transaction* tx = nullptr;
    Connection* routed = nullptr;
    std::string schema = "main";
    bool streaming = false;

    // The current record: the stored row the buffer was read from (or written).
    bool hasCur = false;
    Row cur;
    bool curFromTx = false;    // read inside the running transaction
    bool txSavedHasCur = false;
    long long txSavedRec = 0, txSavedChg = 0;

    // Adding many records to a file that is mostly new in this transaction or stream: its
    // non-unique keys are built once at the end (sorted) instead of record by record.
    struct Bulk {
        long long adds = 0;
        long long nextCheck = 0;
        std::vector<int> deferred;  // keys without their index until the end
    } bulk;
    // Adding many records over several transactions or streams (bulkAdding()): a commit
    // leaves the deferred keys unbuilt, naming them in the file in the same transaction (so
    // that an open after a crash builds them), and the next transaction goes on deferring
    // them. `pendingNamed`: the file may name pending keys.
    bool bulkSession = false;
    bool pendingNamed = false;
    // At the start of a transaction or stream: a new count of adds, or in a session the
    // session's, with the keys whose indexes the file lacks now.
    void startBulk();
    void afterBulkAdd();
    // Builds a deferred key before it is read (0 or the error, set). Between two
    // transactions of a session it goes in a transaction of its own.
    int needKey(int key);
    // Before the transaction or stream commits: builds every deferred key, or in a session
    // names them in the file. 0 or the error (set).
    int finishBulk();
    // Builds every deferred key now, outside a transaction, in one of its own, and clears the
    // file's pending keys (the end of a session): 0 or the error (set).
    int buildPending();

    // The file's own sequence.
    bool seqSet = false;
    Cursor seq;

    // records() is counted again only when the file changed. A file that keeps its count (a
    // "count" row in its meta table, changed in the transaction of every add and delete) is
    // not counted at all. The engine changes the row once a transaction, by what the
    // transaction added and deleted; a file written before that changes it with a trigger a
    // record (which makes every write keep a statement journal) until it is opened for
    // writing, when the triggers go.
    enum class CountBy { Counting, Engine, Triggers };
    CountBy countBy = CountBy::Counting;
    bool keepsCount() const { return countBy != CountBy::Counting; }
    // What a stream added less what it deleted, not yet in the count row.
    long long streamCount = 0;
    // After an add (+1) or delete (-1) in a transaction or a stream: the change the count row
    // takes when it commits.
    void counted(long long n);
    // The change of the count row the running transaction or stream has not written yet.
    long long pendingCount() const;
    // Writes the stream's pending change of the count row (before its commit): SQLite's code.
    int writeStreamCount();
    bool countKnown = false;
    long long countValue = 0;
    Stamp countStamp;

    std::vector<Value> scratch;

    // Statement texts for the active schema, made once.
    struct Sql {
        std::string schema, select, insert, update, remove, byRec, chgByRec, count, keptCount;
    } sql;
    const Sql& texts();

    bool isOpen() const { return own != nullptr; }
    Connection* conn() const { return routed ? routed : own.get(); }
    Stamp stamp();
    void wrote() { if (state) state->writes.fetch_add(1, std::memory_order_relaxed); }
    // SQL text of the file's table in the active schema.
    std::string table() const;
    std::string selectList() const;
    // One batch of rows in a key's order (key -1: record numbers) after the anchor, in the
    // direction dir, within the range, holding a text when `has` names one: 0 or an error (set).
    int fetch(int key, int dir, const Anchor& a, const std::vector<Value>& range, int limit, std::deque<Row>& out,
              const Containing* has = nullptr);
    int keyQuery(const KeyPlan& k, bool fwd, const Value* eq, int neq, const Value* cmp, int ncmp, const char* cmpOp,
                 const char* recOp, long long rec, int limit, std::deque<Row>& out, const Containing* has = nullptr);
    // " AND KEYHAS(field,?)" for a condition that names a field, else "".
    std::string containingSql(const Containing* has) const;
    int rowQuery(sqlite3_stmt* s, int limit, std::deque<Row>& out);
    void readRow(sqlite3_stmt* s, Row& r) const;
    // Reads the stored row of a record number: 0, 35, or another error.
    int readRec(long long rec, Row& out);
    // Loads a row into the buffer and makes it the current record.
    void load(const Row& r);
    void load(Row&& r);
    void noCurrent() { hasCur = false; }
    // Values of a key taken from a row or from the buffer.
    std::vector<Value> keyValues(int key, const std::vector<Value>& all) const;
    std::vector<Value> bufferValues() const;
    bool requireOpen();
    // Closes the connection; `owner`: called on the thread that opened the file.
    // Ends a stream first: SQLite's code of that commit.
    int closeLocked(bool owner);
};

// Positions: opaque texts holding the key name, the record number and the key values.
std::string encodePosition(const std::string& keyName, long long rec, const std::vector<Value>& vals);
bool decodePosition(const std::string& text, std::size_t& at, std::string& keyName, long long& rec,
                    std::vector<Value>& vals);
void putToken(std::string& out, long long v);
void putToken(std::string& out, const std::string& s);
bool getToken(const std::string& in, std::size_t& at, Value& v);

}  // namespace records

// What a RecordFile holds: the engine's state of the instance.
struct RecordFile::Impl : records::FileState {
    using FileState::FileState;
};

}  // namespace rt
