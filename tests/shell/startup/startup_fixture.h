#pragma once
// A fresh configuration folder and installation folder per test, with the system hooks
// (version, drag setting, command launcher) under the test's control.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/globals.h"
#include "frontend/headless/driver.h"
#include "runtime/registry/registry.h"
#include "runtime/shell/shell.h"
#include "runtime/sysinfo/sysinfo.h"
#include "runtime/window/window.h"
#include "shell/ProgramMain.h"
#include "support/temp_folder.h"

namespace startup_test {

constexpr const char* kProgramKey = "Software\\Brambury\\Cantorelle\\1.0\\";
constexpr const char* kFrameTitle = "Cantorelle V2 SongBook Maker PLUS 2.6.2232C";

inline rt::OsVersionInfo version(uint32_t platform, uint32_t major, uint32_t minor) {
    rt::OsVersionInfo v;
    v.size = 148;
    v.platformId = platform;
    v.majorVersion = major;
    v.minorVersion = minor;
    v.buildNumber = 1;
    return v;
}

class StartupTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(dir_.path().empty());
        root_ = dir_.path();
        installDir_ = root_ + "/install";
        std::filesystem::create_directories(installDir_);
        ::setenv("XDG_CONFIG_HOME", (root_ + "/config").c_str(), 1);

        rt::setLauncher([](const std::vector<std::string>&) {});
        rt::clearLaunchedCommands();
        rt::setVersionForTests(version(2, 6, 0));
        rt::setDragFullWindowsForTests(0);
        rt::setToolTipsOn(true);

        // Earlier tests in this process leave the program-wide values behind.
        InstallFolder.clear();
        KaraokeFileName.clear();
        DiscsFileName.clear();
        DMakeFileName.clear();
        SArtistFileName.clear();
        STitleFileName.clear();
        MakeIdFileName.clear();
        GenreFileName.clear();
        UpdateListFileName.clear();
        HelpFile.clear();
        WinHelpFile.clear();
        OSVersionInfo = rt::OsVersionInfo{};
        OSVersionName.clear();
        FrameThread = 0;
        FrameResized = 0;
    }

    void TearDown() override {
        d_.end();
        rt::setLauncher(nullptr);
        rt::setVersionForTests(std::nullopt);
        rt::setDragFullWindowsForTests(std::nullopt);
        rt::setToolTipsOn(true);
    }

    void setRegistry(const std::string& section, const std::string& name,
                     const std::string& value) {
        ASSERT_EQ(rt::regSet(kProgramKey + section, name, value, rt::RegType::String),
                  rt::RegStatus::Ok);
    }
    void install() { setRegistry("Install", "InstallDir", installDir_); }

    // Installs and starts the program; the frame and the Quick Start window are up.
    void startInstalled() {
        install();
        ASSERT_TRUE(d_.start(ProgramMain)) << d_.error();
        ASSERT_NE(d_.frame(), nullptr) << d_.windows();
    }

    // A control of the frame by its text as a person reads it.
    const rt::Control* frameControl(const std::string& text) {
        d_.refresh();
        frame_ = d_.frame();
        if (!frame_) return nullptr;
        for (const auto& c : frame_->controls)
            if (headless::plainText(c.text) == headless::plainText(text)) return &c;
        return nullptr;
    }

    // The open windows of a kind.
    std::vector<std::shared_ptr<const rt::WindowState>> windowsOf(rt::WindowKind kind) {
        d_.refresh();
        std::vector<std::shared_ptr<const rt::WindowState>> out;
        for (const auto& w : d_.state().windows)
            if (w->kind == kind) out.push_back(w);
        return out;
    }

    std::vector<std::string> lastCommand() {
        const auto all = rt::launchedCommands();
        return all.empty() ? std::vector<std::string>{} : all.back();
    }

    fixture::TempFolder dir_{"cantorelle-startup"};
    headless::Driver d_;
    std::string root_;
    std::string installDir_;
    std::shared_ptr<const rt::WindowState> frame_;
};

}  // namespace startup_test
