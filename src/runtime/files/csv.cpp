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

// Windows-1252 bytes 0x80..0x9F; 0 where the code page has no character.
constexpr char32_t kHigh[32] = {
    0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178};

// The length of the UTF-8 sequence at s[i], 0 when it is not a valid one.
std::size_t sequenceLength(std::string_view s, std::size_t i) {
    const auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = b(i);
    if (c < 0x80) return 1;
    std::size_t n;
    char32_t min;
    if ((c & 0xE0) == 0xC0) { n = 2; min = 0x80; }
    else if ((c & 0xF0) == 0xE0) { n = 3; min = 0x800; }
    else if ((c & 0xF8) == 0xF0) { n = 4; min = 0x10000; }
    else return 0;
    if (i + n > s.size()) return 0;
    char32_t cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (b(i + k) & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

char32_t decodeAt(std::string_view s, std::size_t i, std::size_t n) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (n == 1) return c;
    char32_t cp = c & (0x7F >> n);
    for (std::size_t k = 1; k < n; ++k) cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return cp;
}

// The Windows-1252 byte of a character, -1 when it has none.
int cp1252Byte(char32_t c) {
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
    for (int k = 0; k < 32; ++k)
        if (kHigh[k] == c) return 0x80 + k;
    return -1;
}

void appendUtf8(char32_t c, std::string& out) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Windows-1252 bytes as UTF-8; bytes the code page leaves undefined keep their Latin-1 value.
void cp1252ToUtf8(std::string_view s, std::string& out) {
    for (unsigned char c : s) {
        if (c < 0x80) out += static_cast<char>(c);
        else if (c < 0xA0 && kHigh[c - 0x80]) appendUtf8(kHigh[c - 0x80], out);
        else appendUtf8(c, out);
    }
}

// UTF-8 with invalid bytes as U+FFFD.
std::string cleanUtf8(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = sequenceLength(s, i);
        if (n == 0) { appendUtf8(0xFFFD, out); ++i; continue; }
        out.append(s.substr(i, n));
        i += n;
    }
    return out;
}

bool isControl(unsigned char c) { return c < 0x20 || c == 0x7F; }

}  // namespace

bool fitsCp1252(std::string_view s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x80) { ++i; continue; }
        const std::size_t n = sequenceLength(s, i);
        if (n == 0 || cp1252Byte(decodeAt(s, i, n)) < 0) return false;
        i += n;
    }
    return true;
}

// --- writing ---

CsvLine& CsvLine::text(std::string_view utf8) {
    comma();
    std::string_view t = utf8;
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    s_ += '"';
    std::size_t from = 0;
    for (std::size_t i = 0; i < t.size(); ++i) {
        const auto ch = static_cast<unsigned char>(t[i]);
        if (ch != '"' && !isControl(ch)) continue;
        s_.append(t, from, i - from);
        s_ += ch == '"' ? "\"\"" : " ";
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
        bool fits = true;
        for (std::size_t i = 0; i < s.size();) {
            const auto c = static_cast<unsigned char>(s[i]);
            if (c < 0x80) {
                // A run of plain ASCII goes over in one piece.
                std::size_t j = i + 1;
                while (j < s.size() && static_cast<unsigned char>(s[j]) < 0x80) ++j;
                buffer_.append(s, i, j - i);
                i = j;
                continue;
            }
            const std::size_t n = sequenceLength(s, i);
            const int b = n ? cp1252Byte(decodeAt(s, i, n)) : -1;
            if (b < 0) { fits = false; break; }
            buffer_ += static_cast<char>(b);
            i += n;
        }
        if (!fits) {
            buffer_.resize(mark);
            switchToUtf8();
            if (error_) return;
            buffer_ += cleanUtf8(s);
        }
    } else {
        buffer_ += cleanUtf8(s);
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
        cp1252ToUtf8(std::string_view(chunk.data(), static_cast<std::size_t>(n)), out);
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
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    memory_ = {};
}

int CsvReader::open(const std::string& path) {
    close();
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) return errno;
    detectEncoding();
    return error_;
}

void CsvReader::openBuffer(std::string_view bytes) {
    close();
    memory_ = bytes;
    detectEncoding();
}

bool CsvReader::rewind() {
    pos_ = end_ = 0;
    eof_ = false;
    memoryPos_ = 0;
    if (fd_ >= 0 && ::lseek(fd_, 0, SEEK_SET) < 0) {
        error_ = errno;
        return false;
    }
    return true;
}

bool CsvReader::fill() {
    if (eof_ || error_) return false;
    if (chunk_.size() != kChunk) chunk_.resize(kChunk);
    if (pos_ < end_) std::memmove(chunk_.data(), chunk_.data() + pos_, end_ - pos_);
    end_ -= pos_;
    pos_ = 0;
    const std::size_t room = chunk_.size() - end_;
    if (room == 0) return true;
    std::size_t got = 0;
    if (fd_ >= 0) {
        ssize_t n;
        do n = ::read(fd_, chunk_.data() + end_, room);
        while (n < 0 && errno == EINTR);
        if (n < 0) {
            error_ = errno;
            return false;
        }
        got = static_cast<std::size_t>(n);
    } else {
        got = std::min(room, memory_.size() - memoryPos_);
        if (got) std::memcpy(chunk_.data() + end_, memory_.data() + memoryPos_, got);
        memoryPos_ += got;
    }
    if (got == 0) eof_ = true;
    end_ += got;
    return got > 0;
}

// A pass over the whole file: a byte-order mark, or bytes that are all valid UTF-8, make it
// UTF-8. A sequence cut by the end of a chunk is finished with the next one.
void CsvReader::detectEncoding() {
    error_ = 0;
    lineNo_ = 0;
    if (!rewind()) return;
    bool valid = true;
    bool first = true;
    while (valid && fill()) {
        std::string_view s(chunk_.data(), end_);
        std::size_t i = 0;
        if (first && s.size() >= 3 && s.substr(0, 3) == "\xEF\xBB\xBF") {
            bom_ = true;
            break;
        }
        if (first && s.size() < 3 && !eof_) continue;  // too short to tell yet
        first = false;
        while (i < s.size()) {
            if (static_cast<unsigned char>(s[i]) < 0x80) { ++i; continue; }
            const std::size_t n = sequenceLength(s, i);
            if (n) { i += n; continue; }
            // Possibly cut at the chunk's end: keep the tail for the next fill.
            if (s.size() - i < 4 && !eof_) break;
            valid = false;
            break;
        }
        pos_ = i;
        if (!valid) break;
    }
    if (error_) return;
    // A cut sequence left at the very end is not valid UTF-8.
    if (valid && !bom_ && pos_ < end_) valid = false;
    encoding_ = bom_ || valid ? CsvEncoding::Utf8 : CsvEncoding::Cp1252;
    if (!rewind()) return;
    if (bom_) {
        fill();
        if (end_ >= 3) pos_ = 3;
    }
}

bool CsvReader::readLine(std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    for (;;) {
        if (pos_ >= end_ && !fill()) return !line.empty() || tooLong;
        const char* start = chunk_.data() + pos_;
        const void* nl = std::memchr(start, '\n', end_ - pos_);
        const std::size_t n = nl ? static_cast<std::size_t>(static_cast<const char*>(nl) - start) : end_ - pos_;
        if (!tooLong) {
            if (line.size() + n > kMaxLine) {
                tooLong = true;
                line.clear();
            } else {
                line.append(start, n);
            }
        }
        pos_ += n;
        if (nl) {
            ++pos_;
            return true;
        }
    }
}

bool CsvReader::next(std::vector<std::string>& fields) {
    fields.clear();
    for (;;) {
        bool tooLong = false;
        if (!readLine(line_, tooLong)) return false;
        ++lineNo_;
        if (tooLong) {
            wellFormed_ = false;
            return true;
        }
        if (!line_.empty() && line_.back() == '\r') line_.pop_back();
        if (line_.find_first_not_of(" \t") == std::string::npos) continue;  // an empty line
        std::string text;
        if (encoding_ == CsvEncoding::Utf8) {
            text = cleanUtf8(line_);
        } else {
            text.reserve(line_.size() + line_.size() / 4);
            cp1252ToUtf8(line_, text);
        }
        wellFormed_ = splitCsvLine(text, fields);
        return true;
    }
}

bool splitCsvLine(std::string_view line, std::vector<std::string>& fields) {
    fields.clear();
    bool ok = true;
    std::size_t i = 0;
    const std::size_t n = line.size();
    for (;;) {
        std::string f;
        if (i < n && line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < n) {
                if (line[i] == '"') {
                    if (i + 1 < n && line[i + 1] == '"') { f += '"'; i += 2; continue; }
                    ++i;
                    closed = true;
                    break;
                }
                f += line[i++];
            }
            if (!closed) ok = false;
            while (i < n && line[i] == ' ') ++i;
            if (i < n && line[i] != ',') {
                ok = false;
                while (i < n && line[i] != ',') ++i;
            }
        } else {
            while (i < n && line[i] != ',') f += line[i++];
        }
        for (char& c : f)
            if (isControl(static_cast<unsigned char>(c))) c = ' ';
        fields.push_back(std::move(f));
        if (i >= n) break;
        ++i;  // the comma
    }
    return ok;
}

}  // namespace rt
