#include "runtime/report/page_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string_view>

namespace rt::report {

namespace {

std::string colorText(std::uint32_t bgr, bool none) {
    if (none) return "-";
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02X%02X%02X", bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
    return buf;
}

bool parseColor(std::string_view s, std::uint32_t& bgr) {
    if (s.size() != 6) return false;
    unsigned v = 0;
    auto [p, ec] = std::from_chars(s.data(), s.data() + 6, v, 16);
    if (ec != std::errc() || p != s.data() + 6) return false;
    bgr = ((v >> 16) & 0xFF) | (v & 0xFF00) | ((v & 0xFF) << 16);
    return true;
}

void escapeInto(std::string& out, const std::string& text) {
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
}

std::string unescape(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size()) {
            char n = s[++i];
            out += n == 'n' ? '\n' : n == 'r' ? '\r' : n;
        } else {
            out += s[i];
        }
    }
    return out;
}

// Splits off `count` fields separated by '|'; the rest of the line is the last field.
bool fields(std::string_view line, std::size_t count, std::vector<std::string_view>& out) {
    out.clear();
    std::size_t start = 0;
    for (std::size_t i = 0; i < count; ++i) {
        std::size_t bar = line.find('|', start);
        if (bar == std::string_view::npos) return false;
        out.push_back(line.substr(start, bar - start));
        start = bar + 1;
    }
    out.push_back(line.substr(start));
    return true;
}

bool num(std::string_view s, long& v) {
    auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    return ec == std::errc() && p == s.data() + s.size();
}
bool num(std::string_view s, int& v) {
    long l = 0;
    if (!num(s, l) || l < -1000000 || l > 1000000) return false;
    v = static_cast<int>(l);
    return true;
}

// Sizes and positions a page file may hold: a few metres either way.
constexpr long kLimit = 1000000;
bool sane(long v) { return v > -kLimit && v < kLimit; }

bool parseItem(std::string_view line, PageItem& it) {
    std::vector<std::string_view> f;
    if (line.size() < 2 || line[1] != '|') return false;
    it = PageItem{};
    it.kind = line[0];
    if (it.kind == 'P') {
        it.kind = 'T';
        it.pageNumbers = true;
    }
    line.remove_prefix(2);
    auto geometry = [&] {
        return num(f[0], it.x) && num(f[1], it.y) && num(f[2], it.w) && num(f[3], it.h) && sane(it.x) &&
               sane(it.y) && sane(it.w) && sane(it.h);
    };
    switch (it.kind) {
    case 'T': {
        if (!fields(line, 11, f) || !geometry()) return false;
        if (f[4].size() != 1 || std::string_view("LCR").find(f[4][0]) == std::string_view::npos) return false;
        it.align = f[4][0];
        it.clip = f[5] == "1";
        if (!num(f[6], it.size) || !num(f[7], it.weight)) return false;
        if (it.size < 1 || it.size > 500) return false;
        it.italic = f[8] == "1";
        if (f[9] != "-" && !parseColor(f[9], it.color)) return false;
        it.font = std::string(f[10]);
        it.text = unescape(f[11]);
        return true;
    }
    case 'B':
    case 'E': {
        if (!fields(line, 6, f) || !geometry()) return false;
        it.hasFill = f[4] != "-";
        if (it.hasFill && !parseColor(f[4], it.fill)) return false;
        it.hasBorder = f[5] != "-";
        if (it.hasBorder && !parseColor(f[5], it.color)) return false;
        return num(f[6], it.thickness) && it.thickness >= 0 && sane(it.thickness);
    }
    case 'L': {
        if (!fields(line, 5, f) || !geometry()) return false;
        if (f[4] != "-" && !parseColor(f[4], it.color)) return false;
        return num(f[5], it.thickness) && it.thickness >= 0 && sane(it.thickness);
    }
    case 'I': {
        if (!fields(line, 4, f) || !geometry()) return false;
        it.text = unescape(f[4]);
        return true;
    }
    default:
        return false;
    }
}

}  // namespace

std::string pageHeaderLine(long width, long height) {
    return "cantorelle-page|1|" + std::to_string(width) + "|" + std::to_string(height);
}

std::string pageLine(const PageItem& it) {
    std::string s;
    s.reserve(64 + it.text.size());
    s += it.kind == 'T' && it.pageNumbers ? 'P' : it.kind;
    auto add = [&](const std::string& v) {
        s += '|';
        s += v;
    };
    auto addn = [&](long v) { add(std::to_string(v)); };
    addn(it.x);
    addn(it.y);
    addn(it.w);
    addn(it.h);
    switch (it.kind) {
    case 'T':
        add(std::string(1, it.align));
        add(it.clip ? "1" : "0");
        addn(it.size);
        addn(it.weight);
        add(it.italic ? "1" : "0");
        add(colorText(it.color, false));
        // A font name never holds the separator or a line end.
        {
            std::string font;
            for (char c : it.font)
                if (c != '|' && c != '\n' && c != '\r') font += c;
            add(font);
        }
        s += '|';
        escapeInto(s, it.text);
        break;
    case 'B':
    case 'E':
        add(colorText(it.fill, !it.hasFill));
        add(colorText(it.color, !it.hasBorder));
        addn(it.thickness);
        break;
    case 'L':
        add(colorText(it.color, false));
        addn(it.thickness);
        break;
    case 'I':
        s += '|';
        escapeInto(s, it.text);
        break;
    }
    return s;
}

bool parsePage(const std::string& text, PageFile& page) {
    page = PageFile{};
    std::string_view all(text);
    std::size_t eol = all.find('\n');
    std::string_view first = all.substr(0, eol);
    std::vector<std::string_view> f;
    long w = 0, h = 0;
    if (!fields(first, 3, f) || f[0] != "cantorelle-page" || f[1] != "1" || !num(f[2], w) || !num(f[3], h) ||
        w <= 0 || h <= 0 || w > kLimit || h > kLimit)
        return false;
    page.width = w;
    page.height = h;
    while (eol != std::string_view::npos) {
        std::size_t start = eol + 1;
        eol = all.find('\n', start);
        std::string_view line = all.substr(start, eol == std::string_view::npos ? std::string_view::npos : eol - start);
        PageItem it;
        if (parseItem(line, it)) page.items.push_back(std::move(it));
    }
    return true;
}

bool readPageFile(const std::string& path, PageFile& page) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        page = PageFile{};
        return false;
    }
    std::ostringstream ss;
    ss << in.rdbuf();
    return parsePage(ss.str(), page);
}

std::string pageNumberText(long n, long m) {
    auto part = [](long v) {
        std::string s = std::to_string(v).substr(0, 5);
        return s;
    };
    std::string t = "Page " + part(n) + " of " + part(m);
    while (!t.empty() && t.back() == ' ') t.pop_back();
    std::size_t lead = t.find_first_not_of(' ');
    t = lead == std::string::npos ? std::string() : t.substr(lead);
    if (t.size() > static_cast<std::size_t>(kPagePlaceholderLength)) t.resize(kPagePlaceholderLength);
    const std::size_t front = (kPagePlaceholderLength - t.size() + 1) / 2;
    std::string out(front, ' ');
    out += t;
    out.resize(kPagePlaceholderLength, ' ');
    return out;
}

int stampPageNumber(const std::string& path, long n, long m) {
    int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return -1;
    const std::string_view needle(kPagePlaceholder, kPagePlaceholderLength);
    // The text of a "P" line is its last field, so its placeholder ends the line. The file is
    // read in blocks; a line across a block boundary waits for the next block. buf always
    // starts at the start of a line.
    constexpr std::size_t kBlock = 65536;
    std::string buf;
    off_t bufStart = 0;  // file offset of buf[0]
    std::vector<char> block(kBlock);
    int result = 0;
    for (bool more = true; more && result == 0;) {
        ssize_t got = ::read(fd, block.data(), kBlock);
        if (got < 0) {
            if (errno == EINTR) continue;
            result = -1;
            break;
        }
        more = got > 0;
        buf.append(block.data(), static_cast<std::size_t>(got));
        std::size_t start = 0;
        for (;;) {
            const std::size_t eol = buf.find('\n', start);
            if (eol == std::string::npos && more) break;  // the rest of the line comes next
            const std::size_t end = eol == std::string::npos ? buf.size() : eol;
            const std::string_view line(buf.data() + start, end - start);
            if (line.size() >= 2 + needle.size() && line[0] == 'P' && line[1] == '|' &&
                line.substr(line.size() - needle.size()) == needle) {
                const std::string text = pageNumberText(n, m);
                const off_t at = bufStart + static_cast<off_t>(end - needle.size());
                result = ::pwrite(fd, text.data(), text.size(), at) == static_cast<ssize_t>(text.size()) ? 1 : -1;
                break;
            }
            if (eol == std::string::npos) {
                start = buf.size();
                break;
            }
            start = eol + 1;
        }
        bufStart += static_cast<off_t>(start);
        buf.erase(0, start);
        if (!more) break;
    }
    if (::close(fd) != 0 && result == 1) result = -1;
    return result;
}

}  // namespace rt::report
