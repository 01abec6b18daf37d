#pragma once
// A temporary folder for one test, removed afterwards; the config folder is pointed into it
// so that no test touches the user's own settings.
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>
#include <algorithm>

namespace testing_support {

class TempFolder {
public:
    TempFolder() {
        std::string tmpl = (std::filesystem::temp_directory_path() / "cantorelle-test-XXXXXX").string();
        path_ = ::mkdtemp(tmpl.data());
        if (const char* old = ::getenv("XDG_CONFIG_HOME")) oldConfig_ = old;
        ::setenv("XDG_CONFIG_HOME", (path_ + "/config").c_str(), 1);
    }
    ~TempFolder() {
        if (oldConfig_)
            ::setenv("XDG_CONFIG_HOME", oldConfig_->c_str(), 1);
        else
            ::unsetenv("XDG_CONFIG_HOME");
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
    std::optional<std::string> oldConfig_;
};

inline void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The names in a folder, sorted.
inline std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace testing_support
