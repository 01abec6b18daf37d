#pragma once
// Internal to the runtime: what the INI files and the registry store share. Both are text
// files of "[section]" and "name=value" lines, read line by line and matched in any case.
#include <cstdio>
#include <memory>
#include <string>

namespace rt::initext {

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// One line of the file without its '\n' (a '\r' before it stays part of the line); false at
// the end of the file.
bool readLine(std::FILE* f, std::string& line, bool& hadNewline);

// Equal but for the case of the letters A to Z.
bool sameText(const std::string& a, const std::string& b);

}  // namespace rt::initext
