#include "runtime/files/csv.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "runtime/text/text.h"

namespace rt {

namespace {

constexpr std::size_t kChunk = 64 * 1024;
// What the writer collects before it writes: few, large writes.
constexpr std::size_t kWriteChunk = 1024 * 1024;

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

// No record: no fields.
bool nofields(std::vector<std::string>& fields) {
    fields.clear();
    return false;
}

}  // namespace

// --- writing ---

CsvLine& CsvLine::text(std::string_view utf8) {
    comma();
    std::string_view t = utf8;
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    s_ += '"';
    std::size_t from = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const auto ch = static_cast<unsigned char>(t[i]);
        // C1 controls (U+0080..U+009F) are 0xC2 0x80..0x9F.
        const bool c1 = ch == 0xC2 && i + 1 < t.size() && (static_cast<unsigned char>(t[i + 1]) & 0xE0) == 0x80;
        if (ch != '"' && !isControl(ch) && !c1) continue;
        s_.append(t, from, i - from);
        s_ += ch == '"' ? "\"\"" : " ";
        if (c1) ++i;
        from = i + 1;
    }
    s_.append(t, from, t.size() - from);
    s_ += '"';
    return *this;
}

CsvLine& CsvLine::number(long long v) {
    comma();
    s_ += std::to_string(v);
    return *this;
}

int CsvWriter::create(const std::string& path) {
    path_ = path;
    buffer_.clear();
    encoding_ = CsvEncoding::Cp1252;
    error_ = 0;
    lines_ = 0;
    file_ = std::make_unique<TempFile>();
    return file_->create(path);
}

void CsvWriter::write(const CsvLine& line) {
    if (error_) return;
    const std::string& s = line.str();
    if (encoding_ == CsvEncoding::Cp1252) {
        const std::size_t mark = buffer_.size();
        if (!toCp1252Exactly(s, buffer_)) {
            buffer_.resize(mark);
            switchToUtf8();
            if (error_) return;
            buffer_ += validUtf8(s);
        }
    } else {
        buffer_ += validUtf8(s);
    }
    buffer_ += "\r\n";
    ++lines_;
    if (buffer_.size() >= kWriteChunk) flush();
}

void CsvWriter::flush() {
    if (error_ || buffer_.empty()) return;
    if (!file_) { error_ = EBADF; return; }
    error_ = writeAll(file_->fd(), buffer_.data(), buffer_.size());
    buffer_.clear();
}

// What was written in Windows-1252 goes over into a new temporary file in UTF-8.
void CsvWriter::switchToUtf8() {
    flush();
    if (error_) return;
    const int in = ::open(file_->path().c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0) { error_ = errno; return; }
    auto converted = std::make_unique<TempFile>();
    if (int e = converted->create(path_)) { ::close(in); error_ = e; return; }
    std::vector<char> chunk(kChunk);
    std::string out;
    for (;;) {
        const ssize_t n = ::read(in, chunk.data(), chunk.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            error_ = errno;
            break;
        }
        if (n == 0) break;
        out.clear();
        appendFromCp1252(std::string_view(chunk.data(), static_cast<std::size_t>(n)), out);
        if (int e = writeAll(converted->fd(), out.data(), out.size())) { error_ = e; break; }
    }
    ::close(in);
    if (error_) return;
    file_ = std::move(converted);  // the old temporary file is removed
    encoding_ = CsvEncoding::Utf8;
    // buffer_ is empty: later text is appended in UTF-8.
}

int CsvWriter::commit(bool replace) {
    flush();
    if (!file_) return EBADF;
    if (error_) {
        file_.reset();
        return error_;
    }
    const int e = file_->commit(replace);
    file_.reset();
    return e;
}

// --- reading ---

CsvReader::~CsvReader() { close(); }

void CsvReader::close() {
    file_.reset();
    memory_ = {};
    memoryPos_ = 0;
}

namespace {
constexpr char kBom[] = "\xEF\xBB\xBF";
}  // namespace

int CsvReader::open(const std::string& path) {
    openBuffer({});
    auto f = std::make_unique<InputFile>();
    if (!f->open(path)) {
        error_ = f->error();
        problem_ = f->problem();
        return error_;
    }
    size_ = f->size();
    file_ = std::move(f);
    return 0;
}

void CsvReader::openBuffer(std::string_view bytes) {
    close();
    memory_ = bytes;
    size_ = bytes.size();
    begin_ = end_ = 0;
    eof_ = started_ = bom_ = false;
    encoding_ = CsvEncoding::Utf8;
    wellFormed_ = true;
    lineNo_ = 0;
    nextLine_ = 1;
    consumed_ = 0;
    error_ = 0;
    problem_.clear();
}

// More bytes after end_; false at the end of the file or on a read error. Bytes before begin_
// are dropped to make room, so offsets from begin_ stay valid.
bool CsvReader::fill() {
    if (eof_ || error_) return false;
    if (buf_.empty()) buf_.resize(kMaxLine + 2 * kChunk);
    if (begin_ > 0 && buf_.size() - end_ < kChunk) {
        std::memmove(buf_.data(), buf_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    const std::size_t room = std::min(buf_.size() - end_, kChunk);
    std::size_t got = 0;
    if (file_) {
        const long long n = file_->read(buf_.data() + end_, room);
        if (n < 0) {
            error_ = file_->error();
            problem_ = file_->problem();
            return false;
        }
        got = static_cast<std::size_t>(n);
    } else {
        got = std::min(room, memory_.size() - memoryPos_);
        if (got) std::memcpy(buf_.data() + end_, memory_.data() + memoryPos_, got);
        memoryPos_ += got;
    }
    if (got == 0) {
        eof_ = true;
        return false;
    }
    end_ += got;
    consumed_ += got;
    return true;
}

// Drops a line too long to hold, from offset `from` of the unread bytes (which holds no line
// break before it) to its line end; false on a read error.
bool CsvReader::skipLine(std::size_t from) {
    begin_ += from;
    for (;;) {
        while (begin_ < end_ && buf_[begin_] != '\n' && buf_[begin_] != '\r') ++begin_;
        if (begin_ < end_) break;
        if (!fill()) return error_ == 0;
    }
    if (buf_[begin_++] == '\r') {
        if (begin_ >= end_) fill();
        if (begin_ < end_ && buf_[begin_] == '\n') ++begin_;
    }
    return error_ == 0;
}

// The record's bytes as UTF-8 in text_, line by line: each line by its own encoding, its line
// break as "\n".
void CsvReader::decode(std::size_t length) {
    text_.clear();
    encoding_ = CsvEncoding::Utf8;
    const std::string_view raw(buf_.data() + begin_, length);
    for (std::size_t at = 0;;) {
        std::size_t stop = at;
        while (stop < raw.size() && raw[stop] != '\n' && raw[stop] != '\r') ++stop;
        const std::string_view line = raw.substr(at, stop - at);
        if (bom_) {
            text_ += validUtf8(line);
        } else if (isValidUtf8(line)) {
            text_ += line;
        } else {
            appendFromCp1252(line, text_);
            encoding_ = CsvEncoding::Cp1252;
        }
        if (stop >= raw.size()) break;
        text_ += '\n';
        at = stop + (raw[stop] == '\r' && stop + 1 < raw.size() && raw[stop + 1] == '\n' ? 2 : 1);
    }
}

bool CsvReader::next(std::vector<std::string>& fields) {
    // The strings in `fields` are filled again where a record is split (their memory kept).
    if (!started_) {
        started_ = true;
        while (end_ - begin_ < 3 && fill()) {
        }
        if (error_) return nofields(fields);
        if (end_ - begin_ >= 3 && std::memcmp(buf_.data() + begin_, kBom, 3) == 0) {
            begin_ += 3;
            bom_ = true;
        }
    }
    constexpr std::size_t npos = std::string::npos;
    for (;;) {
        if (begin_ >= end_ && !fill()) return nofields(fields);
        const long long line = nextLine_;
        bool quoted = false, fieldStart = true, blank = true;
        long long breaks = 0;                                 // line breaks inside quotes
        std::size_t firstBreak = npos, firstBreakLength = 0;  // the first of them
        std::size_t i = 0, endLength = 0;
        // True when the byte after offset k is there (reading on as needed).
        auto hasAfter = [&](std::size_t k) { return begin_ + k + 1 < end_ || (fill() && begin_ + k + 1 < end_); };
        while (i <= kMaxLine) {
            if (begin_ + i >= end_ && !fill()) break;  // the end of the file
            const char c = buf_[begin_ + i];
            if (c == '\n' || c == '\r') {
                const std::size_t n = c == '\r' && hasAfter(i) && buf_[begin_ + i + 1] == '\n' ? 2 : 1;
                if (!quoted) {
                    endLength = n;
                    break;
                }
                if (firstBreak == npos) {
                    firstBreak = i;
                    firstBreakLength = n;
                }
                ++breaks;
                i += n;
                continue;
            }
            if (c == '"' && quoted) {
                if (hasAfter(i) && buf_[begin_ + i + 1] == '"') i += 2;
                else quoted = false, ++i;
                continue;
            }
            if (c == '"' && fieldStart) {
                quoted = true;
                blank = fieldStart = false;
            } else if (c == ',' && !quoted) {
                fieldStart = true;
                blank = false;
            } else if (!quoted) {
                fieldStart = false;
                if (c != ' ' && c != '\t') blank = false;
            }
            ++i;
        }
        if (error_) return nofields(fields);
        lineNo_ = line;
        const bool tooLong = i > kMaxLine;
        if (tooLong && firstBreak == npos) {
            // One line longer than the longest record: left out whole.
            wellFormed_ = false;
            nextLine_ = line + 1;
            skipLine(i);
            fields.clear();
            return true;
        }
        if (!tooLong && blank) {
            begin_ += i + endLength;
            nextLine_ = line + breaks + 1;
            continue;  // an empty line
        }
        if (!tooLong) {
            decode(i);
            wellFormed_ = splitCsvLine(text_, fields);
            if (wellFormed_ || firstBreak == npos) {
                begin_ += i + endLength;
                nextLine_ = line + breaks + 1;
                return true;
            }
        }
        // A record over several lines that is too long or broken (a quote left open takes in
        // the lines after it): it is its first line alone, and the next record starts on the
        // line after that, so one stray quote costs one row.
        decode(firstBreak);
        splitCsvLine(text_, fields);
        wellFormed_ = false;
        begin_ += firstBreak + firstBreakLength;
        nextLine_ = line + 1;
        return true;
    }
}

bool splitCsvLine(std::string_view line, std::vector<std::string>& fields) {
    // The strings of the fields before are filled again: their memory is kept.
    std::size_t count = 0;
    bool ok = true;
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (;;) {
        if (count == fields.size()) fields.emplace_back();
        std::string& f = fields[count++];
        f.clear();
        if (i < n && line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                const std::size_t q = std::min(line.find('"', i), n);
                rt::appendBlankControls(line.substr(i, q - i), f, true);  // a line break stays in quotes
                i = q;
                if (i >= n) break;
                if (i + 1 < n && line[i + 1] == '"') {
                    f += '"';
                    i += 2;
                    continue;
                }
                ++i;
                closed = true;
                break;
            }
            if (!closed) ok = false;
            while (i < n && line[i] == ' ') ++i;
            if (i < n && line[i] != ',') {
                ok = false;
                while (i < n && line[i] != ',') ++i;
            }
        } else {
            const std::size_t comma = std::min(line.find(',', i), n);
            rt::appendBlankControls(line.substr(i, comma - i), f);
            i = comma;
        }
        if (i >= n) break;
        ++i;  // the comma
    }
    fields.resize(count);
    return ok;
}
}  // namespace rt
