// cantorelle-pack-update run as a host runs it, on a demo installation.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "library/DecompressUpdateFile.h"
#include "runtime/files/csv.h"
#include "support/data_fixture.h"
#include "support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using fixture::readText;

const char* const kMasters[] = {"MAIN.TPS", "DMAKE.TPS", "DISCS.TPS", "SARTIST.TPS", "STITLE.TPS"};

class PackUpdateToolTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "src";
        tool_ = bin / "cantorelle-pack-update";
        installer_ = bin / "cantorelle-install";
        if (!fs::exists(tool_) || !fs::exists(installer_)) GTEST_SKIP() << "the tools are not built in " << bin;
        fs::create_directories(dir_ / "config");
        ASSERT_EQ(shell("'" + installer_.string() + "' '" + inst() + "'"), 0) << out_ << err_;
    }

    // Runs a command with the test's own config folder; its output in out_ and err_.
    int shell(const std::string& command) {
        const std::string cmd = "XDG_CONFIG_HOME='" + (dir_ / "config") + "' " + command + " 2>'" + (dir_ / "err") + "'";
        FILE* p = ::popen(cmd.c_str(), "r");
        if (!p) return -1;
        char buf[4096];
        out_.clear();
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out_.append(buf, n);
        const int st = ::pclose(p);
        err_ = readText(dir_ / "err");
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    int pack(const std::string& args) { return shell("'" + tool_.string() + "' " + args); }

    std::string inst() const { return dir_ / "inst"; }
    std::string update() const { return dir_ / "site/update/01"; }

    fixture::TempFolder dir_{"cantorelle-pack"};
    fs::path tool_, installer_;
    std::string out_, err_;
};

TEST_F(PackUpdateToolTest, PacksTheMasterFilesAndTheirList) {
    ASSERT_EQ(pack("'" + inst() + "' '" + (dir_ / "site") + "'"), 0) << out_ << err_;
    EXPECT_TRUE(err_.empty()) << err_;

    const auto count = fixture::queryColumn(inst() + "/MAIN.TPS", "SELECT COUNT(*) FROM data");
    ASSERT_EQ(count.size(), 1u);
    ASSERT_NE(count[0], "0");

    rt::CsvReader list;
    ASSERT_EQ(list.open(update() + "/autoupdate2.inf"), 0);
    std::vector<std::vector<std::string>> lines;
    std::vector<std::string> fields;
    while (list.next(fields)) {
        EXPECT_TRUE(list.wellFormed()) << list.lineNumber();
        lines.push_back(fields);
    }
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0][1], count[0]) << "the first line's version is the number of master tracks";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto& f = lines[i];
        SCOPED_TRACE(kMasters[i]);
        ASSERT_EQ(f.size(), 5u);
        EXPECT_EQ(f[2], kMasters[i]);
        const std::string stem = std::string(kMasters[i]).substr(0, std::string(kMasters[i]).find('.'));
        EXPECT_EQ(f[3], stem + ".UPD");
        const std::string packed = readText(update() + "/" + f[3]);
        EXPECT_EQ(f[4], std::to_string(packed.size()));

        std::string expanded;
        const UpdateExpansion r = ExpandUpdateBlocks(packed, [&](std::string_view b) {
            expanded.append(b);
            return true;
        });
        EXPECT_TRUE(r.ok) << r.problem;
        EXPECT_TRUE(expanded == readText(inst() + "/" + kMasters[i])) << "does not expand to the master file";
    }
    // The master track file is larger than a block: it travels in several.
    EXPECT_EQ(readText(update() + "/MAIN.UPD")[34], 'X');
    // Texts quoted, the size bare, lines ending CR LF.
    const std::string raw = readText(update() + "/autoupdate2.inf");
    EXPECT_EQ(raw.substr(0, raw.find("\r\n") + 2),
              "\"REPLACE\",\"" + count[0] + "\",\"MAIN.TPS\",\"MAIN.UPD\"," + lines[0][4] + "\r\n");
    EXPECT_EQ(fixture::namesIn(update()), (std::vector<std::string>{"DISCS.UPD", "DMAKE.UPD", "MAIN.UPD",
                                                                     "SARTIST.UPD", "STITLE.UPD", "autoupdate2.inf"}));
}

TEST_F(PackUpdateToolTest, HelpAndMistakes) {
    fs::create_directories(dir_ / "partial");
    for (const char* m : {"MAIN.TPS", "DISCS.TPS", "SARTIST.TPS", "STITLE.TPS"})
        fs::copy_file(inst() + "/" + m, dir_ / (std::string("partial/") + m));
    fs::create_directories(dir_ / "empty");

    struct Case {
        std::string args;
        int status;
        const char* said;  // on stdout for --help, on stderr otherwise
    };
    const Case cases[] = {
        {"--help", 0, "usage: cantorelle-pack-update MASTER_FOLDER OUT_FOLDER"},
        {"", 1, "usage:"},
        {"'" + inst() + "'", 1, "usage:"},
        {"--bogus a b", 1, "unknown option --bogus"},
        {"'" + (dir_ / "nowhere") + "' '" + (dir_ / "site") + "'", 1, "no such folder"},
        {"'" + (dir_ / "empty") + "' '" + (dir_ / "site") + "'", 1, "cannot open"},
        {"'" + (dir_ / "partial") + "' '" + (dir_ / "site") + "'", 1, "DMAKE.TPS"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        EXPECT_EQ(pack(c.args), c.status) << out_ << err_;
        const std::string& said = c.status == 0 ? out_ : err_;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_FALSE(fs::exists(update() + "/autoupdate2.inf")) << "a list was written";
    }
    // Nothing half-written is left behind by the failed runs.
    if (fs::exists(update())) {
        EXPECT_TRUE(fixture::namesIn(update()).empty());
    }
}

// An option given to the installer is no folder: nothing is installed under its name and the
// registry keeps naming the installation it named.
TEST_F(PackUpdateToolTest, TheInstallerTakesNoOptionForItsFolder) {
    const std::string registry = readText(dir_ / "config/cantorelle/registry.ini");
    ASSERT_NE(registry.find(inst()), std::string::npos) << registry;
    struct Case {
        const char* arg;
        int status;
        const char* said;  // on stdout for --help, on stderr otherwise
    };
    const Case cases[] = {
        {"--help", 0, "usage: cantorelle-install FOLDER"},
        {"-h", 0, "usage: cantorelle-install FOLDER"},
        {"--bogus", 2, "unknown option --bogus"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arg);
        EXPECT_EQ(shell("cd '" + dir_.path() + "' && '" + installer_.string() + "' " + c.arg), c.status)
            << out_ << err_;
        const std::string& said = c.status == 0 ? out_ : err_;
        EXPECT_NE(said.find(c.said), std::string::npos) << said;
        EXPECT_FALSE(fs::exists(dir_ / c.arg)) << "a folder named after the option was made";
        EXPECT_EQ(readText(dir_ / "config/cantorelle/registry.ini"), registry);
    }
}

}  // namespace
