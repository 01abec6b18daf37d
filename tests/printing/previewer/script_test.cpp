// cantorelle-script, run from the shell as a user would: the test report printed through
// "Report Destination" with the PDF printer chosen in the printer dialog.
#include <gtest/gtest.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string output(const std::string& cmd) {
    std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
    std::string out;
    std::array<char, 4096> buf{};
    size_t n;
    while (p && (n = fread(buf.data(), 1, buf.size(), p.get())) > 0) out.append(buf.data(), n);
    return out;
}

TEST(PrintScript, TestReportToPdfThroughReportDestination) {
    const fs::path tool = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "src" / "cantorelle-script";
    if (!fs::exists(tool)) GTEST_SKIP() << "cantorelle-script is not built";
    if (std::system("command -v pdftotext >/dev/null") != 0) GTEST_SKIP() << "poppler-utils are not installed";
    const fs::path dir = fs::temp_directory_path() / ("cantorelle-print-script-" + std::to_string(::getpid()));
    fs::create_directories(dir / "config");
    const fs::path pdf = dir / "test report.pdf";
    std::ofstream(dir / "script.txt") << "start PrintTestReport\n"
                                         "choose Destination \"Print Report\"\n"
                                         "press \"Select Printer and Setup Print Options\"\n"
                                         "dialog \"" << pdf.string() << "\"\n"
                                         "expect \"Print to File (PDF): test report.pdf\"\n"
                                         "press Ok\n";
    const std::string env = "XDG_CONFIG_HOME='" + (dir / "config").string() + "' ";
    ASSERT_EQ(std::system((env + "'" + tool.string() + "' '" + (dir / "script.txt").string() + "' >/dev/null 2>&1").c_str()), 0);
    ASSERT_TRUE(fs::exists(pdf));
    EXPECT_NE(output("pdfinfo '" + pdf.string() + "'").find("Pages:           3\n"), std::string::npos);
    const std::string text = output("pdftotext -layout '" + pdf.string() + "' -");
    for (const char* t : {"Test Report", "Test Song 1 ", "Test Song 130", "Page 1 of 3", "Page 3 of 3"})
        EXPECT_NE(text.find(t), std::string::npos) << t;
    fs::remove_all(dir);
}

}  // namespace
