#include "runtime/files/folder.h"
#include "support/temp_folder.h"
#include "runtime/shell/shell.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <thread>

using fixture::readText;
using fixture::writeText;
using fixture::TempFolder;

namespace {

using Command = std::vector<std::string>;

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = rt::currentFolder();
        rt::clearLaunchedCommands();
        rt::setLauncher([this](const Command& argv) { ran_.push_back(argv); });
    }
    void TearDown() override {
        rt::setLauncher(nullptr);
        rt::clearLaunchedCommands();
        rt::setCurrentFolder(saved_);
    }
    TempFolder tmp;
    fixture::ScopedConfigHome config{tmp / "config"};
    std::string saved_;
    std::vector<Command> ran_;
};

TEST_F(ShellTest, OpenHandsTheDocumentToXdgOpen) {
    rt::setCurrentFolder(tmp.path());
    struct Case {
        std::string document;
        std::string passed;
    } cases[] = {
        {"/home/host/Web/index.htm", "/home/host/Web/index.htm"},
        {"http://www.example.com/", "http://www.example.com/"},
        {"mailto:host@example.com", "mailto:host@example.com"},
        {"WebPages/index.htm", tmp / "WebPages/index.htm"},  // the runtime's folder, not the process's
        {"-x.htm", tmp / "-x.htm"},                          // never taken for an option
    };
    for (const Case& c : cases) {
        rt::clearLaunchedCommands();
        ran_.clear();
        rt::shellOpen(c.document);
        Command expected{"xdg-open", c.passed};
        EXPECT_EQ(ran_, std::vector<Command>{expected}) << c.document;
        EXPECT_EQ(rt::launchedCommands(), std::vector<Command>{expected}) << c.document;
    }
}

TEST_F(ShellTest, CommandsAreLoggedInOrder) {
    rt::startCommand({"hh.exe", "help.chm::/WorkingWithSongBook.htm"});
    rt::shellOpen("/a.pdf");
    std::vector<Command> expected{{"hh.exe", "help.chm::/WorkingWithSongBook.htm"}, {"xdg-open", "/a.pdf"}};
    EXPECT_EQ(rt::launchedCommands(), expected);
    rt::clearLaunchedCommands();
    EXPECT_TRUE(rt::launchedCommands().empty());
}

// Children of this process that have exited but were not reaped.
int zombieChildren() {
    int count = 0;
    DIR* d = ::opendir("/proc");
    if (!d) return 0;
    while (dirent* e = ::readdir(d)) {
        std::ifstream stat(std::string("/proc/") + e->d_name + "/stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        char state = 0;
        int ppid = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == ::getpid() && state == 'Z')
            ++count;
    }
    ::closedir(d);
    return count;
}

TEST_F(ShellTest, RealLauncherRunsInTheRuntimeFolderWithoutWaitingAndReaps) {
    rt::setLauncher(nullptr);
    rt::setCurrentFolder(tmp.path());
    // The command goes on only once the test lets it: a launcher that waited for it would come
    // back only after the command gave up waiting (20 s), its output written.
    rt::startCommand({"/bin/sh", "-c", "for i in $(seq 2000); do [ -e go ] && break; sleep 0.01; done; pwd > out.txt"});
    EXPECT_FALSE(std::filesystem::exists(tmp / "out.txt")) << "it waited";
    writeText(tmp / "go", "");
    EXPECT_EQ(rt::launchedCommands().size(), 1u);

    std::string out;
    for (int i = 0; i < 100 && out.empty(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        out = readText(tmp / "out.txt");
    }
    EXPECT_EQ(out, std::filesystem::canonical(tmp.path()).string() + "\n");
    int zombies = 1;
    for (int i = 0; i < 100 && zombies > 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        zombies = zombieChildren();
    }
    EXPECT_EQ(zombies, 0);

    rt::startCommand({"/no/such/program"});  // not reported, no crash
}

}  // namespace
