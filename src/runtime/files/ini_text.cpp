#include "runtime/files/ini_text.h"

namespace rt::initext {

bool readLine(std::FILE* f, std::string& line, bool& hadNewline) {
    line.clear();
    hadNewline = false;
    int c;
    while ((c = std::getc(f)) != EOF) {
        if (c == '\n') {
            hadNewline = true;
            return true;
        }
        line.push_back(static_cast<char>(c));
    }
    return !line.empty();
}

namespace {
char lower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
}  // namespace

bool sameText(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

}  // namespace rt::initext
