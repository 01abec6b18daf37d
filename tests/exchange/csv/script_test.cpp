// cantorelle-script, run from the shell as a host would: a SongBook filled from the demo
// master database is exported to a file, and the file imported into a new, empty SongBook.
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

TEST(ExchangeScript, ExportsTheOpenSongBookAndImportsTheFileIntoAnother) {
    const fs::path bin = fs::read_symlink("/proc/self/exe").parent_path().parent_path() / "src";
    const fs::path tool = bin / "cantorelle-script", installer = bin / "cantorelle-install";
    if (!fs::exists(tool) || !fs::exists(installer)) GTEST_SKIP() << "the tools are not built";
    const fs::path dir = fs::temp_directory_path() / ("cantorelle-csv-script-" + std::to_string(::getpid()));
    fs::create_directories(dir / "config");
    fs::create_directories(dir / "books");
    const std::string env = "XDG_CONFIG_HOME='" + (dir / "config").string() + "' ";
    ASSERT_EQ(std::system((env + "'" + installer.string() + "' '" + (dir / "inst").string() + "' >/dev/null 2>&1").c_str()),
              0);

    const std::string books = (dir / "books").string(), csv = (dir / "all").string();
    std::ofstream(dir / "script.txt") << "start ProgramMain\n"
                                         "press Start\n"
                                         "press \"&Change Folder\"\n"
                                         "dialog " << books << "\n"
                                         "press \"&New SongBook\"\n"
                                         "type ?GLO:SHORTSONGBOOKNAME First\n"
                                         "press OK\n"
                                         "press \"OK, let's proceed....\"\n"
                                         "menu &SongBook \"&Add Disc(s)\"\n"
                                         "press \"tag &All\"\n"
                                         "choose ?BATCHADDTYPE \"AutoNumber All Discs\"\n"
                                         "press \" OK\"\n"
                                         "press \"Add Tagged Disc(s) to SongBook\"\n"
                                         "press &Done\n"
                                         "press &Done/Cancel\n"
                                         "menu &Import/Export \"E&xport to CSV File\"\n"
                                         "press \"Export Listings\"\n"
                                         "dialog " << csv << "\n"
                                         "wait 10\n"
                                         "expect \"Finished Exporting Song Listings\"\n"
                                         "answer OK\n"
                                         "press Cancel\n"
                                         "press \"Close SongBook\"\n"
                                         "press Start\n"
                                         "press \"&New SongBook\"\n"
                                         "type ?GLO:SHORTSONGBOOKNAME Second\n"
                                         "press OK\n"
                                         "press \"OK, let's proceed....\"\n"
                                         "press \"Import CSV File into SongBook\"\n"
                                         "dialog " << csv << ".csv\n"
                                         "expect \"NO Conflicts Exist\"\n"
                                         "press \"Import Listings\"\n"
                                         "wait 10\n"
                                         "windows\n";
    const std::string cmd = env + "'" + tool.string() + "' '" + (dir / "script.txt").string() + "' 2>&1";
    FILE* p = ::popen(cmd.c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    const int status = ::pclose(p);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << out;
    // The second SongBook holds a listing for each line of the file, every track of the demo
    // database.
    const auto total = [](const std::string& text) {
        const auto at = text.rfind("Total Song Tracks: ");
        return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
    };
    EXPECT_NE(out.find("/books/Second.2bk\" child"), std::string::npos) << out;
    std::ifstream in(csv + ".csv", std::ios::binary);
    long lines = 0;
    for (std::string line; std::getline(in, line);) ++lines;
    EXPECT_GT(lines, 100);
    EXPECT_EQ(total(out), "Total Song Tracks: " + std::to_string(lines)) << out;
    std::error_code ec;
    fs::remove_all(dir, ec);
}

}  // namespace
