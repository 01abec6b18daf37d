#include "support/temp_folder.h"

#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace fixture {

TempFolder::TempFolder(const std::string& prefix) { work_.make(rt::temporaryFolder(), prefix); }

int removeLeftoverTempFolders(int idleSeconds) {
    const auto now = std::filesystem::file_time_type::clock::now();
    return rt::WorkFolder::removeLeftovers(rt::temporaryFolder(), "cantorelle-test", {}, [&](const std::string& p) {
        std::error_code ec;
        const auto changed = std::filesystem::last_write_time(p, ec);
        return ec || now - changed < std::chrono::seconds(idleSeconds);
    });
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
