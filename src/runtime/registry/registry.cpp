#include "runtime/registry/registry.h"

#include "runtime/files/file_util.h"
#include "runtime/files/folder.h"
#include "runtime/files/ini_text.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <memory>
#include <mutex>
#include <optional>

// The store is a text file of the form
//   [Software\Brambury\Cantorelle\1.0\Install]
//   InstallDir=sz:/opt/cantorelle
// Names and texts are percent-encoded where they hold '%', control characters, the
// characters that delimit the line, or leading and trailing blanks, so that every text
// comes back exactly as it was written.

namespace rt {

using initext::FilePtr;
using initext::readLine;
using initext::sameText;

namespace {

std::mutex regMutex;

std::string storePath() { return configFolder() + "/registry.ini"; }

// Serialises writers across processes (the installer and the program).
class StoreLock {
public:
    explicit StoreLock(const std::string& store, bool exclusive) {
        fd_ = ::open((store + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ >= 0) ::flock(fd_, exclusive ? LOCK_EX : LOCK_SH);
    }
    ~StoreLock() {
        if (fd_ >= 0) ::close(fd_);
    }
    StoreLock(const StoreLock&) = delete;
    StoreLock& operator=(const StoreLock&) = delete;

private:
    int fd_ = -1;
};

// A stored key below keyPath makes keyPath itself exist, as keys do in the registry.
bool isSubKey(const std::string& stored, const std::string& keyPath) {
    if (keyPath.empty() || stored.size() <= keyPath.size() + 1) return false;
    std::string head = keyPath.back() == '\\' ? keyPath : keyPath + "\\";
    return stored.size() > head.size() && sameText(stored.substr(0, head.size()), head);
}

const char hexDigits[] = "0123456789ABCDEF";

std::string encode(const std::string& s, bool isName) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        bool edge = (i == 0 || i + 1 == s.size()) && (c == ' ' || c == '\t');
        bool special = c == '%' || c < 0x20 || c == 0x7f ||
                       (isName && (c == '=' || c == '[' || c == ']' || c == ';'));
        if (edge || special) {
            out += '%';
            out += hexDigits[c >> 4];
            out += hexDigits[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string decode(const std::string& s) {
    std::string out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 && hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

std::string toHex(const std::string& s) {
    std::string out;
    out.reserve(s.size() * 2);
    for (unsigned char c : s) {
        out += hexDigits[c >> 4];
        out += hexDigits[c & 15];
    }
    return out;
}

std::string fromHex(const std::string& s) {
    std::string out;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        int hi = hexValue(s[i]), lo = hexValue(s[i + 1]);
        if (hi < 0 || lo < 0) break;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

const char* tagOf(RegType t) {
    switch (t) {
    case RegType::String: return "sz";
    case RegType::ExpandString: return "expand_sz";
    case RegType::DWord: return "dword";
    case RegType::Binary: return "binary";
    case RegType::Other: return "other";
    }
    return "other";
}

// The stored form of one value: tag ':' payload.
std::string storedValue(const std::string& data, RegType type) {
    std::string payload;
    if (type == RegType::String || type == RegType::ExpandString)
        payload = encode(data, false);
    else if (type == RegType::DWord)
        payload = data;
    else
        payload = toHex(data);
    return std::string(tagOf(type)) + ":" + payload;
}

void parseValue(const std::string& stored, std::string& data, RegType& type) {
    size_t colon = stored.find(':');
    std::string tag = colon == std::string::npos ? std::string() : stored.substr(0, colon);
    std::string payload = colon == std::string::npos ? stored : stored.substr(colon + 1);
    if (tag == "sz") {
        type = RegType::String;
        data = decode(payload);
    } else if (tag == "expand_sz") {
        type = RegType::ExpandString;
        data = decode(payload);
    } else if (tag == "dword") {
        type = RegType::DWord;
        data = payload;
    } else if (tag == "binary") {
        type = RegType::Binary;
        data = fromHex(payload);
    } else {
        type = RegType::Other;
        data = fromHex(payload);
    }
}

// A "[...]" line gives the decoded key path.
std::optional<std::string> sectionOf(const std::string& line) {
    if (line.size() < 2 || line[0] != '[' || line.back() != ']') return std::nullopt;
    return decode(line.substr(1, line.size() - 2));
}

bool entryOf(const std::string& line, std::string& name, std::string& stored) {
    size_t eq = line.find('=');
    if (eq == std::string::npos || line.empty() || line[0] == ';') return false;
    name = decode(line.substr(0, eq));
    stored = line.substr(eq + 1);
    return true;
}

std::optional<uint32_t> parseDWord(const std::string& text) {
    std::string t = text;
    while (!t.empty() && t.back() == ' ') t.pop_back();
    size_t b = t.find_first_not_of(' ');
    if (b == std::string::npos) return std::nullopt;
    const char* first = t.data() + b;
    const char* last = t.data() + t.size();
    bool negative = *first == '-';
    if (negative) ++first;
    unsigned long long v = 0;
    auto [p, ec] = std::from_chars(first, last, v);
    if (ec != std::errc() || p != last || v > 0xffffffffULL) return std::nullopt;
    if (negative) v = (0x100000000ULL - v) & 0xffffffffULL;  // as a signed 32-bit value stored
    return static_cast<uint32_t>(v);
}

}  // namespace

RegStatus regQuery(const std::string& keyPath, const std::string& valueName, std::string& data,
                   RegType& type, std::size_t bufferSize) {
    data.clear();
    type = RegType::Other;
    std::string path = storePath();
    std::lock_guard lock(regMutex);
    StoreLock fileLock(path, false);
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return errno == ENOENT ? RegStatus::NoKey : RegStatus::AccessDenied;
    std::string line, name, stored;
    bool nl = false, inKey = false, keyFound = false;
    while (readLine(f.get(), line, nl)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (auto s = sectionOf(line)) {
            inKey = sameText(*s, keyPath);
            keyFound = keyFound || inKey || isSubKey(*s, keyPath);
            continue;
        }
        if (!inKey || !entryOf(line, name, stored) || !sameText(name, valueName)) continue;
        std::string value;
        parseValue(stored, value, type);
        size_t needed = value.size();
        if (type == RegType::String || type == RegType::ExpandString) needed += 1;  // the NUL
        if (type == RegType::DWord) needed = 4;
        if (needed > bufferSize) return RegStatus::TooLong;
        data = std::move(value);
        return RegStatus::Ok;
    }
    if (std::ferror(f.get())) return RegStatus::AccessDenied;
    return keyFound ? RegStatus::NoValue : RegStatus::NoKey;
}

RegStatus regSet(const std::string& keyPath, const std::string& valueName, const std::string& data,
                 RegType type) {
    std::string value = data;
    if (type == RegType::DWord) {
        auto v = parseDWord(data);
        if (!v) return RegStatus::AccessDenied;  // not a number: nothing written
        value = std::to_string(*v);
    }
    std::string entry = encode(valueName, true) + "=" + storedValue(value, type) + "\n";

    std::string path = storePath();
    std::lock_guard lock(regMutex);
    StoreLock fileLock(path, true);
    FilePtr in(std::fopen(path.c_str(), "rb"));
    if (!in && errno != ENOENT) return RegStatus::AccessDenied;
    TempFile tmp;
    if (tmp.create(path, 0644) != 0) return RegStatus::AccessDenied;

    // Copy the store, replacing the value in place, or adding it at the end of its key, or
    // adding the key at the end of the store.
    std::string out, line, name, stored;
    bool nl = false, inKey = false, done = false;
    auto flush = [&]() {
        int err = writeAll(tmp.fd(), out.data(), out.size());
        out.clear();
        return err == 0;
    };
    if (in) {
        while (readLine(in.get(), line, nl)) {
            std::string bare = line;
            if (!bare.empty() && bare.back() == '\r') bare.pop_back();
            if (auto s = sectionOf(bare)) {
                if (inKey && !done) {
                    out += entry;
                    done = true;
                }
                inKey = !done && sameText(*s, keyPath);
            } else if (inKey && !done && entryOf(bare, name, stored) && sameText(name, valueName)) {
                out += entry;
                done = true;
                continue;
            }
            out += line;
            out += '\n';
            if (out.size() >= (1 << 16) && !flush()) return RegStatus::AccessDenied;
        }
        if (std::ferror(in.get())) return RegStatus::AccessDenied;  // never write a store we could not read
    }
    if (!done) {
        if (!inKey) out += "[" + encode(keyPath, true) + "]\n";
        out += entry;
    }
    if (!flush()) return RegStatus::AccessDenied;
    return tmp.commit(true) == 0 ? RegStatus::Ok : RegStatus::AccessDenied;
}

bool regKeyExists(const std::string& keyPath) {
    std::string path = storePath();
    std::lock_guard lock(regMutex);
    StoreLock fileLock(path, false);
    FilePtr f(std::fopen(path.c_str(), "rb"));
    if (!f) return false;
    std::string line;
    bool nl = false;
    while (readLine(f.get(), line, nl)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (auto s = sectionOf(line); s && (sameText(*s, keyPath) || isSubKey(*s, keyPath))) return true;
    }
    return false;
}

}  // namespace rt
