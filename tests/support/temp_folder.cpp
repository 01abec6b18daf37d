#include "support/temp_folder.h"

#include <stdlib.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fixture {

TempFolder::TempFolder(const std::string& prefix) {
    std::string tmpl = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    if (::mkdtemp(tmpl.data())) path_ = tmpl;
}

TempFolder::~TempFolder() {
    if (path_.empty()) return;
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

ScopedConfigHome::ScopedConfigHome() {
    own_.emplace();
    path_ = own_->path();
    point();
}

ScopedConfigHome::ScopedConfigHome(std::string folder) : path_(std::move(folder)) {
    point();
}

void ScopedConfigHome::point() {
    if (const char* v = std::getenv("XDG_CONFIG_HOME")) {
        had_ = true;
        old_ = v;
    }
    ::setenv("XDG_CONFIG_HOME", path_.c_str(), 1);
}

ScopedConfigHome::~ScopedConfigHome() {
    if (had_)
        ::setenv("XDG_CONFIG_HOME", old_.c_str(), 1);
    else
        ::unsetenv("XDG_CONFIG_HOME");
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace fixture
