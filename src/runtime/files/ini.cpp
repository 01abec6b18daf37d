#include "runtime/files/ini.h"

#include "runtime/files/file_util.h"
#include "runtime/files/folder.h"
#include "runtime/files/input_file.h"
#include "runtime/files/ini_text.h"

#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>

namespace rt {

using initext::FilePtr;
using initext::readLine;
using initext::sameText;

namespace {

std::mutex iniMutex;

// INI files hold a few settings; a larger file is no INI file of this program.
constexpr std::uint64_t kMaxIniBytes = 16 << 20;

// The file for reading, only when it is a file: a setup file chosen by the host may be a FIFO
// or a device, which fopen() would wait on or read without end. Null with errno set otherwise.
FilePtr openForReading(const std::string& path) {
    InputFile in;
    if (!in.open(path, kMaxIniBytes)) {
        errno = in.error();
        return nullptr;
    }
    const int fd = in.release();
    std::FILE* f = ::fdopen(fd, "rb");
    if (!f) {
        const int e = errno;
        ::close(fd);
        errno = e;
    }
    return FilePtr(f);
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b])) ++b;
    while (e > b && isBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string trimRight(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.pop_back();
    return s;
}

// A section header gives its trimmed name.
std::optional<std::string> sectionOf(const std::string& line) {
    std::string t = trim(line);
    if (t.size() < 2 || t[0] != '[') return std::nullopt;
    size_t close = t.find(']');
    if (close == std::string::npos) return std::nullopt;
    return trim(t.substr(1, close - 1));
}

// A key line gives its trimmed key; the value is everything after the first '='.
bool keyOf(const std::string& line, std::string& key, std::string& value) {
    size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = trim(line.substr(0, eq));
    value = line.substr(eq + 1);
    return true;
}

std::string unquote(std::string v) {
    v = trim(v);
    if (v.size() >= 2 && (v[0] == '"' || v[0] == '\'') && v.back() == v[0]) v = v.substr(1, v.size() - 2);
    return v;
}

// Where a key stands in an INI text read line by line: the line of the key (in any section of
// that name), else the last entry of the first section of that name, after which a new key goes.
struct KeyPlace {
    KeyPlace(std::string s, std::string k) : section(std::move(s)), key(std::move(k)) {}

    std::string section, key;
    long keyLine = -1, sectionLast = -1;

    // Takes line n; true once it is the key's line.
    bool take(long n, const std::string& line) {
        if (auto s = sectionOf(line)) {
            inSection_ = sameText(*s, section);
            inFirst_ = inSection_ && sectionLast < 0;
            if (inFirst_) sectionLast = n;
            return false;
        }
        if (!inSection_) return false;
        if (keyOf(line, k_, v_) && sameText(k_, key)) {
            keyLine = n;
            return true;
        }
        if (inFirst_ && !trim(line).empty()) sectionLast = n;
        return false;
    }

private:
    bool inSection_ = false, inFirst_ = false;
    std::string k_, v_;
};

}  // namespace

std::string iniPath(const std::string& file) {
    if (file.find('/') == std::string::npos) return configFolder() + "/" + file;
    return absolutePath(file);
}

std::string getIni(const std::string& section, const std::string& key, const std::string& deflt,
                   const std::string& file) {
    std::string path = iniPath(file);
    std::lock_guard lock(iniMutex);
    FilePtr f = openForReading(path);
    if (!f) return trimRight(deflt);
    std::string line, k, v;
    bool nl = false, inSection = false;
    std::string wantedSection = trim(section), wantedKey = trim(key);
    while (readLine(f.get(), line, nl)) {
        if (auto s = sectionOf(line)) {
            inSection = sameText(*s, wantedSection);
            continue;
        }
        if (inSection && keyOf(line, k, v) && sameText(k, wantedKey)) return unquote(v);
    }
    return trimRight(deflt);
}

void putIni(const std::string& section, const std::string& key, const std::string& value,
            const std::string& file) {
    std::string path = iniPath(file);
    std::lock_guard lock(iniMutex);
    // Write through a link to the file it names.
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        path = real;
        ::free(real);
    }
    std::string wantedSection = trim(section), wantedKey = trim(key);
    std::string newValue = trimRight(value);

    // First pass: the line of the key (in any section of that name), else the last entry of
    // the first section of that name, where the new key goes.
    KeyPlace place{wantedSection, wantedKey};
    bool crlf = false, endsWithNewline = true;
    mode_t mode = 0666;
    FilePtr in = openForReading(path);
    // What cannot be read (no file, too large) is not replaced by a file of one key.
    if (!in && errno != ENOENT) return;
    if (in) {
        struct stat st {};
        if (::fstat(::fileno(in.get()), &st) == 0) mode = st.st_mode & 07777;
        std::string line;
        bool nl = false, first = true;
        for (long n = 0; readLine(in.get(), line, nl); ++n) {
            if (first) crlf = !line.empty() && line.back() == '\r';
            first = false;
            endsWithNewline = nl;
            if (place.take(n, line)) break;
        }
        std::rewind(in.get());
    }
    const long keyLine = place.keyLine, sectionLast = place.sectionLast;

    const char* eol = crlf ? "\r\n" : "\n";
    removeTempLeftovers(path);
    TempFile tmp;
    if (tmp.create(path, mode) != 0) return;
    std::string out;
    auto flush = [&]() {
        int err = writeAll(tmp.fd(), out.data(), out.size());
        out.clear();
        return err == 0;
    };
    std::string keyText = wantedKey;
    if (in) {
        std::string line, k, v;
        bool nl = false;
        long n = 0;
        for (; readLine(in.get(), line, nl); ++n) {
            if (n == keyLine) {
                keyOf(line, k, v);
                std::string prefix = line.substr(0, line.find_first_not_of(" \t"));
                out += prefix + k + "=" + newValue;
                if (!line.empty() && line.back() == '\r') out += '\r';
                if (nl) out += '\n';
            } else {
                out += line;
                if (nl) out += '\n';
                if (keyLine < 0 && n == sectionLast) {
                    if (!nl) out += eol;
                    out += keyText + "=" + newValue + eol;
                }
            }
            if (out.size() >= (1 << 16) && !flush()) return;
        }
    }
    if (keyLine < 0 && sectionLast < 0) {
        if (!endsWithNewline) out += eol;
        out += "[" + wantedSection + "]" + eol + keyText + "=" + newValue + eol;
    }
    if (!flush()) return;
    tmp.commit(true);
}

int putIniValues(const std::vector<IniValue>& values, const std::string& file) {
    std::string path = iniPath(file);
    std::lock_guard lock(iniMutex);
    if (char* real = ::realpath(path.c_str(), nullptr)) {
        path = real;
        ::free(real);
    }
    // The file's lines without their line ends, and how it ends them.
    std::vector<std::string> lines;
    bool crlf = false, endsWithNewline = true;
    mode_t mode = 0666;
    {
        FilePtr in = openForReading(path);
        if (!in && errno != ENOENT) return errno;
        if (in) {
            struct stat st {};
            if (::fstat(::fileno(in.get()), &st) == 0) mode = st.st_mode & 07777;
            std::string line;
            bool nl = false;
            while (readLine(in.get(), line, nl)) {
                if (lines.empty()) crlf = !line.empty() && line.back() == '\r';
                if (!line.empty() && line.back() == '\r') line.pop_back();
                lines.push_back(line);
                endsWithNewline = nl;
            }
            if (std::ferror(in.get())) return EIO;
        }
    }
    for (const IniValue& v : values) {
        const std::string wantedSection = trim(v.section), wantedKey = trim(v.key);
        const std::string newValue = trimRight(v.value);
        KeyPlace place{wantedSection, wantedKey};
        for (long n = 0; n < static_cast<long>(lines.size()); ++n)
            if (place.take(n, lines[static_cast<std::size_t>(n)])) break;
        const long keyLine = place.keyLine, sectionLast = place.sectionLast;
        std::string k, val;
        if (keyLine >= 0) {
            std::string& line = lines[static_cast<std::size_t>(keyLine)];
            keyOf(line, k, val);
            line = line.substr(0, line.find_first_not_of(" \t")) + k + "=" + newValue;
        } else if (sectionLast >= 0) {
            lines.insert(lines.begin() + sectionLast + 1, wantedKey + "=" + newValue);
        } else {
            lines.push_back("[" + wantedSection + "]");
            lines.push_back(wantedKey + "=" + newValue);
            endsWithNewline = true;
        }
    }
    const char* eol = crlf ? "\r\n" : "\n";
    removeTempLeftovers(path);
    std::string out;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        out += lines[n];
        if (n + 1 < lines.size() || endsWithNewline) out += eol;
    }
    TempFile tmp;
    if (int err = tmp.create(path, mode)) return err;
    if (int err = writeAll(tmp.fd(), out.data(), out.size())) return err;
    return tmp.commit(true);
}

}  // namespace rt
