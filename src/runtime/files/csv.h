#pragma once
// CSV files: one record a line, fields separated by commas.
//
//     rt::CsvWriter out;
//     if (int e = out.create("/home/me/list.csv")) ...;    // a temporary file beside it
//     rt::CsvLine line;
//     line.text("Say \"Hi\"").number(3).text("");          // "Say ""Hi""",3,""
//     out.write(line);
//     if (int e = out.commit(true)) ...;                   // now it replaces list.csv
//
//     rt::CsvReader in;
//     if (int e = in.open("/home/me/list.csv")) ...;       // read-only
//     std::vector<std::string> fields;
//     while (in.next(fields)) { if (!in.wellFormed()) ...; }
//     if (in.error()) ...;                                  // a read error ended the file
//
// Writing: a text field is written without its trailing blanks, in double quotes (also when
// empty), a double quote inside doubled; a control character inside becomes a blank, so a
// record never spans lines. A number is written bare. Lines end with CR LF. The file is in
// Windows-1252 while every character written fits that code page and in UTF-8 otherwise (what
// was written so far is then converted), without a byte-order mark either way.
//
// Reading: a record ends with LF, CR LF or CR outside quotes; empty lines are skipped. A field
// that begins with a double quote runs to the next double quote that is not doubled (a doubled
// one stands for one quote; commas and line breaks inside belong to the text, a line break
// coming back as "\n"); blanks may follow the closing quote; a bare field runs to the next
// comma. A record whose quote is not closed, or with something other than blanks after a
// closing quote, or longer than kMaxLine bytes, is not well-formed (its fields are what could
// be read); such a record over several lines is its first line alone, and reading goes on
// with the next line, so that a stray quote costs one row. Line numbers count lines as an editor shows them (LF, CR LF and CR each end one), also
// those inside quoted fields. Each line is read as UTF-8 when its bytes are valid UTF-8 and as
// Windows-1252 otherwise (a file that opens with a UTF-8 byte-order mark is UTF-8 throughout,
// invalid bytes becoming U+FFFD). Fields come back in UTF-8, other control characters as
// blanks. The file is read as it streams in: only the record being read is held.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/files/file_util.h"
#include "runtime/files/input_file.h"

namespace rt {

enum class CsvEncoding { Cp1252, Utf8 };

// One line being built, in UTF-8, without its line end.
class CsvLine {
public:
    CsvLine& text(std::string_view utf8);
    CsvLine& number(long long v);
    const std::string& str() const { return s_; }
    // Empty again for the next line (its memory is kept).
    void clear() {
        s_.clear();
        first_ = true;
    }

private:
    void comma() { if (!first_) s_ += ','; first_ = false; }
    std::string s_;
    bool first_ = true;
};

class CsvWriter {
public:
    CsvWriter() = default;
    CsvWriter(const CsvWriter&) = delete;
    CsvWriter& operator=(const CsvWriter&) = delete;

    // Starts the file as a temporary file beside `path`: 0 or an errno value.
    int create(const std::string& path);
    // Adds a line (and its CR LF). The first write error is kept and later writes do nothing.
    void write(const CsvLine& line);
    // 0 or the errno value of the first failed write.
    int error() const { return error_; }
    // Writes what is buffered and puts the file in place (replacing an existing file only with
    // `replace`): 0 or an errno value. Without a commit the temporary file is removed.
    int commit(bool replace);
    void discard() { file_.reset(); }
    CsvEncoding encoding() const { return encoding_; }
    long long lines() const { return lines_; }

private:
    void flush();
    void switchToUtf8();

    std::unique_ptr<TempFile> file_;
    std::string path_;
    std::string buffer_;
    CsvEncoding encoding_ = CsvEncoding::Cp1252;
    int error_ = 0;
    long long lines_ = 0;
};

class CsvReader {
public:
    // The longest record, its line breaks included.
    static constexpr std::size_t kMaxLine = 64 * 1024;

    CsvReader() = default;
    ~CsvReader();
    CsvReader(const CsvReader&) = delete;
    CsvReader& operator=(const CsvReader&) = delete;

    // Opens a file read-only (only a regular file: rt::InputFile): 0 or an errno value, with
    // problem() saying what is wrong.
    int open(const std::string& path);
    // Reads from memory (the bytes must outlive the reader).
    void openBuffer(std::string_view bytes);
    void close();

    // The fields of the next record that is not empty; false at the end of the file or after
    // a read error.
    bool next(std::vector<std::string>& fields);
    bool wellFormed() const { return wellFormed_; }
    // The line on which the record last read begins, from 1.
    long long lineNumber() const { return lineNo_; }
    // 0 or the errno value of a read error (or of the failed open).
    int error() const { return error_; }
    // The failure as the host reads it (the system's text, or why the file is refused).
    const std::string& problem() const { return problem_; }
    // How the record last read was decoded: Cp1252 when one of its lines was not valid UTF-8.
    CsvEncoding encoding() const { return encoding_; }
    // The bytes read so far and the file's size when it was opened (for progress).
    std::uint64_t bytesRead() const { return consumed_; }
    std::uint64_t size() const { return size_; }

private:
    struct Scan;
    bool fill();
    bool skipLine(std::size_t from);
    void decode(std::size_t length);

    std::unique_ptr<InputFile> file_;
    std::string_view memory_;
    std::size_t memoryPos_ = 0;
    std::vector<char> buf_;
    std::size_t begin_ = 0, end_ = 0;  // the unread bytes; a record starts at begin_
    bool eof_ = false;
    bool started_ = false, bom_ = false;
    CsvEncoding encoding_ = CsvEncoding::Utf8;
    bool wellFormed_ = true;
    long long lineNo_ = 0, nextLine_ = 1;
    std::uint64_t consumed_ = 0, size_ = 0;
    int error_ = 0;
    std::string problem_;
    std::string text_;
};

// Splits one record (already in UTF-8) into fields; false when it is not well-formed. A line
// break inside quotes stays in its field as "\n"; other control characters become blanks.
bool splitCsvLine(std::string_view line, std::vector<std::string>& fields);

}  // namespace rt
