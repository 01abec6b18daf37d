#pragma once
// Indexed record files. One record file is one SQLite database at the path the program names;
// each program thread has its own instance of a declared file: connection, record buffer and
// position. Failures are values: after each operation errorCode() tells what happened.
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <variant>
#include <vector>

#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"

namespace rt {

// A DATE field: a day number in memory.
struct Date {
    DayNumber day = 0;
    Date() = default;
    Date(DayNumber d) : day(d) {}
    operator DayNumber() const { return day; }
};

enum class FieldType { Text, Integer, Date };

struct FieldInfo {
    std::string name;
    FieldType type = FieldType::Text;
    int size = 0;            // characters of a text; bytes of an integer
    bool isSigned = false;   // integers
};

// A field value as the engine moves it: integers (also dates) or texts without trailing blanks.
using Value = std::variant<long long, std::string>;

// A key: named, over fields of the record, case-insensitive, leaving out records whose key
// fields are all blank (0 for numbers). Declared as static members of a file's class.
struct Key {
    std::string name;                 // "KTITLE"
    std::vector<std::string> fields;  // "TITLE", "ARTIST", ...
    bool unique = false;
};

enum Attribute : unsigned {
    NoAttribute = 0,
    CreateWhenMissing = 1,  // OpenDataFile may create the file when it is missing
    ReclaimSpace = 2,
    // A work file of the program's own (a queue in a temporary folder): its page cache stays
    // at the usual size also in transactions and streams, so that filling it takes no more
    // memory as it grows (the system caches the file).
    WorkFile = 4,
};

// What a declared file is: its label, record prefix, where its name comes from, its keys.
struct FileDeclaration {
    std::string label;                       // "SongBook"
    std::string prefix;                      // "SBK"
    std::function<std::string()> name;       // reads the file-name variable at open time
    unsigned attributes = NoAttribute;
    std::vector<const Key*> keys;
    // Extra text mixed into the layout signature, for older layouts of the same file.
    std::string layoutVersion;
};

// Access modes of open(). ReadOnly refuses writes with error 5; the deny modes are taken
// as shared (every station opens the files for shared use).
enum Access : unsigned {
    ReadWrite = 0x2,
    ReadOnly = 0x0,
    DenyNone = 0x40,
    DenyWrite = 0x20,
    DenyAll = 0x10,
    SharedReadWrite = ReadWrite | DenyNone,  // 0x42
};

class Connection;  // engine internals

class RecordFile {
public:
    RecordFile(FileDeclaration decl, std::vector<FieldInfo> fields);
    virtual ~RecordFile();
    RecordFile(const RecordFile&) = delete;
    RecordFile& operator=(const RecordFile&) = delete;

    const std::string& label() const;
    const std::vector<FieldInfo>& fieldInfo() const;
    const FileDeclaration& declaration() const;

    // The name the file is opened with: the declaration's name, made absolute.
    std::string name() const;
    bool isOpen() const;

    // Opens the file (error 2 when missing, 47 when its record layout differs, 46 when a key
    // is damaged or missing, 52 when already open on this thread, 32 when locked).
    void open(unsigned access = SharedReadWrite);
    // Creates an empty file (replacing one of that name); leaves it closed.
    void create();
    void close();

    // Sequence: physical order, key order from the start, or key order from the buffer's
    // key values (the first record at or after them). next()/previous() then read.
    // After set() or set(key) previous() reads from the end; after setAt(key) it reads the
    // last record at or before the buffer's key values. A read continues from the record
    // read last, in either direction, whatever was written meanwhile; a failed read leaves
    // that place as it was.
    void set();
    void set(const Key& key);
    void setAt(const Key& key);
    // Positions so that next() reads the record at a saved position (and on in that order);
    // previous() too reads that record first. A position whose record is gone leads to its
    // neighbour in that order.
    void reset(const std::string& position);
    void next();
    void previous();

    // Reads the first record (in key order) whose key fields equal the buffer's: error 35.
    void get(const Key& key);
    // Reads the record at a saved position (by its record number, which is never reused,
    // also when its key values changed since): error 35 when it is gone.
    void reget(const std::string& position);

    // add() makes the new record the current one. put() and del() need a current record
    // (error 33 without one); put() gives 35 when the record was deleted elsewhere.
    void add();   // error 40 on a duplicate unique key
    void put();   // writes back the current record; 89 when another instance changed it
    void del();   // deletes the current record

    long long records();

    // The first record after `after` (a position of this file in `key`'s order; "" from the
    // start) whose text field `field` holds `text` anywhere, both compared in upper case as
    // the keys compare: its position in that order, or "" when no later record has it.
    // Evaluated inside the engine on the key's own index, the field being one of the key's.
    std::string findContaining(const Key& key, const std::string& field, const std::string& text,
                               const std::string& after);

    // The current record's position in the current sequence's order, or in a key's order.
    std::string position() const;
    std::string position(const Key& key) const;
    bool hasCurrent() const;

    void buildKeys();
    // Driver options such as "Recover=10"; unknown options are ignored.
    void send(const std::string& option);
    // Buffered writing until flush() or close().
    void stream();
    void flush();
    // Adding many records in several transactions or streams, committed now and then:
    //
    //     SBK.bulkAdding(true);
    //     while (more) { rt::logout(5, {&SBK, &SBD}); ...add a batch...; rt::commit(); }
    //     SBK.bulkAdding(false);   // the keys are built here
    //
    // Into a file that is mostly new, the engine builds the keys that allow duplicates once
    // at the end instead of record by record; with bulkAdding(true) that goes on across the
    // commits in between. Each of them is safe: the file names the keys it still lacks in
    // the same transaction, and opening it for writing after a crash builds them. Meanwhile
    // other instances read it without those keys (slower, the same records).
    // bulkAdding(false), and close(), build them (the error set when that failed).
    void bulkAdding(bool on);
    // Re-arms the change check of put() (always armed here; kept for the programs that call it).
    void watch();

    // The record buffer: every field blank or 0. Does not touch the current record.
    void clearBuffer();
    // Forgets the current record (a following put/del fails).
    void clearCurrent();

    // Engine access to the record buffer (typed files implement these).
    virtual void storeValues(std::vector<Value>& out) const = 0;
    virtual void loadValues(const std::vector<Value>& in) = 0;
    virtual void clearValues() = 0;

    Connection* connection() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    friend class Connection;
    friend class View;
    friend bool logout(int, std::initializer_list<RecordFile*>);
    friend void commit();
    friend void rollback();
};

// Transactions of the calling thread: logout() begins one over the files (waiting at most
// the given seconds for their locks: error 32), commit() and rollback() end it. Atomic over
// all files, also across a crash. A file of the transaction that is closed before it ends
// leaves it (one file alone: the transaction is rolled back). A failed commit rolls back.
bool logout(int seconds, std::initializer_list<RecordFile*> files);
void commit();
void rollback();
bool inTransaction();

// Closes every file of every thread that has the given path open (before a master file is
// replaced); the threads' instances reopen on their next open().
void closeEverywhere(const std::string& path);

namespace detail {
template <class T>
FieldInfo intInfo(const std::string& n) {
    return FieldInfo{n, FieldType::Integer, static_cast<int>(sizeof(T)), std::is_signed_v<T>};
}
struct Describe {
    std::vector<FieldInfo> out;
    template <std::size_t N>
    void operator()(const char* n, Text<N>&) { out.push_back({n, FieldType::Text, static_cast<int>(N), false}); }
    void operator()(const char* n, Date&) { out.push_back({n, FieldType::Date, 4, true}); }
    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    void operator()(const char* n, T&) { out.push_back(intInfo<T>(n)); }
};
struct Store {
    std::vector<Value>& out;
    template <std::size_t N>
    void operator()(const char*, const Text<N>& t) { out.emplace_back(t.str()); }
    void operator()(const char*, const Date& d) { out.emplace_back(static_cast<long long>(d.day)); }
    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    void operator()(const char*, const T& v) { out.emplace_back(static_cast<long long>(v)); }
};
struct Load {
    const std::vector<Value>& in;
    std::size_t i = 0;
    template <std::size_t N>
    void operator()(const char*, Text<N>& t) { t = std::get<std::string>(in[i++]); }
    void operator()(const char*, Date& d) { d.day = static_cast<DayNumber>(std::get<long long>(in[i++])); }
    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    void operator()(const char*, T& v) { v = static_cast<T>(std::get<long long>(in[i++])); }
};
}  // namespace detail

// A declared file: Rec is the record buffer (a struct with the fields and a
// `template <class V> void fields(V&)` that names them in order); Self supplies
// `static FileDeclaration declaration()`.
template <class Self, class Rec>
class File : public RecordFile, public Rec {
public:
    File() : RecordFile(Self::declaration(), describe()) {}
    using Record = Rec;

    Rec& record() { return *this; }
    const Rec& record() const { return *this; }

    void storeValues(std::vector<Value>& out) const override {
        detail::Store s{out};
        const_cast<Rec&>(static_cast<const Rec&>(*this)).fields(s);
    }
    void loadValues(const std::vector<Value>& in) override {
        detail::Load l{in};
        static_cast<Rec&>(*this).fields(l);
    }
    void clearValues() override { static_cast<Rec&>(*this) = Rec{}; }

private:
    static std::vector<FieldInfo> describe() {
        Rec r{};
        detail::Describe d;
        r.fields(d);
        return d.out;
    }
};

}  // namespace rt
