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

#include "runtime/files/work_folder.h"

namespace fixture {

// A fresh folder under the system's temporary folder, removed with everything in it. It is a
// work folder of the runtime's, locked while it lives: what a test process that died (a crash,
// a sanitizer's report, a timeout) left behind, the next test program removes as it starts.
class TempFolder {
public:
    explicit TempFolder(const std::string& prefix = "cantorelle-test");
    ~TempFolder() = default;
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return work_.path(); }
    std::string file(const std::string& name) const { return work_.file(name); }
    std::string operator/(const std::string& name) const { return file(name); }

private:
    rt::WorkFolder work_;
};

// Removes the test folders ("cantorelle-test-XXXXXX") in the temporary folder that no living
// test holds and that nothing touched for `idleSeconds` (so that a test of a build that takes
// no lock is never cut short). The number removed.
int removeLeftoverTempFolders(int idleSeconds = 3600);

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
