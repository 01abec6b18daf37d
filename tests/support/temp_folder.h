#pragma once
// The one temporary folder of the tests, and the config folder pointed into one:
//
//     fixture::TempFolder dir;                            // a fresh folder, removed afterwards
//     fixture::ScopedConfigHome config(dir / "config");   // XDG_CONFIG_HOME there meanwhile
//     fixture::writeText(dir / "a.ini", "[a]\nx=1\n");
//     EXPECT_EQ(fixture::namesIn(dir.path()), std::vector<std::string>{"a.ini", "config"});
//
// Objects end in reverse order, so the config folder is given back before the folder goes.
#include <optional>
#include <string>
#include <vector>

namespace fixture {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "cantorelle-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    std::string operator/(const std::string& name) const { return file(name); }

private:
    std::string path_;
};

// XDG_CONFIG_HOME set to a folder (by default a temporary one of its own) for the life of the
// object, and set back afterwards.
class ScopedConfigHome {
public:
    ScopedConfigHome();
    explicit ScopedConfigHome(std::string folder);
    ~ScopedConfigHome();
    ScopedConfigHome(const ScopedConfigHome&) = delete;
    ScopedConfigHome& operator=(const ScopedConfigHome&) = delete;
    const std::string& path() const { return path_; }

private:
    void point();
    std::optional<TempFolder> own_;
    std::string path_;
    std::string old_;
    bool had_ = false;
};

void writeText(const std::string& path, const std::string& text);
std::string readText(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> namesIn(const std::string& folder);

}  // namespace fixture
