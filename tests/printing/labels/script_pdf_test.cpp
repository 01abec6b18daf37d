// From the shell, as a host would script it: a demo installation, a new SongBook with three
// discs, CD inserts of two of them and the disc inventory printed to PDF files.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const char* const kScript = R"SCRIPT(start ProgramMain
press Start
press "&New SongBook"
type ?GLO:SHORTSONGBOOKNAME Friday
press OK
press "OK, let's proceed...."
menu &SongBook "&Add Disc(s)"
select ?BrandList 1
select ?DiscList 1
press &Tag
type "Custom/Alternate Disc ID:" 101
press OK
select ?DiscList 5
press &Tag
type "Custom/Alternate Disc ID:" 105
press OK
select ?BrandList 4
select ?DiscList 2
press &Tag
type "Custom/Alternate Disc ID:" 402
press OK
press "Add Tagged Disc(s) to SongBook"
press &Done
press &Done/Cancel
menu &Print "Print Disc &Labels"
key ?DiscList DoubleClick 1
key ?DiscList DoubleClick 3
type ?LABELFOOTER "Calder Bay Karaoke"
press "&Print Labels"
choose Destination "Print Report"
press "Select Printer and Setup Print Options"
dialog @LABELS@
press Ok
wait 20
expect "Load Print Labels"
answer Yes
in "Custom CD Label Maker - Setup" press &Close
menu &Print "Print Management Reports"
press ?PRINTINVENTORY
choose Destination "Print Report"
press "Select Printer and Setup Print Options"
dialog @INVENTORY@
press Ok
wait 20
expect-not "Generating Report"
)SCRIPT";

class ScriptPdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path self = fs::read_symlink("/proc/self/exe");
        bin_ = self.parent_path().parent_path() / "src";
        if (!fs::exists(bin_ / "cantorelle-script") || !fs::exists(bin_ / "cantorelle-install"))
            GTEST_SKIP() << "cantorelle-script or cantorelle-install is not built";
        if (std::system("command -v pdftotext > /dev/null 2>&1") != 0) GTEST_SKIP() << "pdftotext is missing";
        dir_ = fs::temp_directory_path() / ("cantorelle-labels-pdf-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "config");
    }
    void TearDown() override {
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }
    // Runs a command in the test's folder with its own configuration; its output and status.
    int run(const std::string& command, std::string& output) {
        const std::string cmd = "cd '" + dir_.string() + "' && XDG_CONFIG_HOME='" + (dir_ / "config").string() +
                                "' " + command + " 2>&1";
        FILE* p = ::popen(cmd.c_str(), "r");
        if (!p) return -1;
        char buf[4096];
        output.clear();
        while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) output.append(buf, n);
        const int st = ::pclose(p);
        return WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    }
    std::string pdfText(const fs::path& pdf) {
        std::string out;
        EXPECT_EQ(run("pdftotext '" + pdf.string() + "' -", out), 0) << out;
        return out;
    }
    fs::path bin_, dir_;
};

TEST_F(ScriptPdfTest, CdInsertsAndDiscInventoryToPdf) {
    std::string out;
    ASSERT_EQ(run("'" + (bin_ / "cantorelle-install").string() + "' '" + (dir_ / "inst").string() + "'", out), 0)
        << out;
    std::string script = kScript;
    const fs::path labels = dir_ / "labels.pdf", inventory = dir_ / "inventory.pdf";
    script.replace(script.find("@LABELS@"), 8, labels.string());
    script.replace(script.find("@INVENTORY@"), 11, inventory.string());
    std::ofstream(dir_ / "script.txt") << script;
    ASSERT_EQ(run("'" + (bin_ / "cantorelle-script").string() + "' < script.txt", out), 0) << out;
    ASSERT_TRUE(fs::exists(labels)) << out;
    ASSERT_TRUE(fs::exists(inventory)) << out;

    // The two tagged discs (custom ids 101 and 402), their brands, tracks and the footer.
    const std::string inserts = pdfText(labels);
    for (const char* shown : {"101", "CV0101", "Cantovox Classics", "Lanterns Over", "Calder Bay", "402", "SL3002",
                              "Starlane Karaoke", "Calder Bay Karaoke"})
        EXPECT_NE(inserts.find(shown), std::string::npos) << shown << "\n" << inserts;
    EXPECT_EQ(inserts.find("CV0105"), std::string::npos) << "an untagged disc\n" << inserts;

    // Every disc of the SongBook under its brand.
    const std::string discs = pdfText(inventory);
    for (const char* shown : {"Disc Inventory Report", "Cantovox Classics", "Starlane Karaoke", "101", "105", "402",
                              "CV0101", "CV0105", "SL3002"})
        EXPECT_NE(discs.find(shown), std::string::npos) << shown << "\n" << discs;
}

}  // namespace
