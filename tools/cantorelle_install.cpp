// cantorelle-install FOLDER: installs the demo master database into FOLDER and records the
// installation in the registry store, as the product's installer does.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

#include "data/demo_catalogue.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/thread/thread.h"
#include "services/RegistryValue.h"

namespace {
constexpr const char* kCompanyWebAddress = "http://www.cantorelle.example";

struct HelpPage {
    const char* file;
    const char* title;
    const char* body;
};

// The help pages the windows' help buttons open, and their contents page.
const HelpPage kHelpPages[] = {
    {"WorkingWithSongBook", "Working with a SongBook",
     "<p>The SongBook window shows every listing of the open SongBook, by song title, by artist or "
     "by disc: choose the list with the buttons on the right.</p>"
     "<p>Type a text under <b>Search Text</b> and press <b>Search</b> to find a listing; "
     "<b>Next</b> finds the following one. Right-click a listing for the quick menu: toggle "
     "Omit? or Duet, edit or delete it.</p>"
     "<p>Add the discs you own from the Main Tunelode with the add-discs button of the toolbar.</p>"},
    {"EditingSongTracks", "Editing a song track",
     "<p>Change the title, artist, track number, genre, duet and omit marks of a listing and press "
     "<b>OK</b>. A new listing also needs its disc id; its custom disc id is the one printed in "
     "your SongBook.</p><p>Ctrl+' in a field recalls what you last stored there.</p>"},
    {"AddingManufacturedDisc(s)", "Adding manufactured discs",
     "<p>Choose a brand or series, then a disc; check its tracks on the right. Press <b>Tag</b> "
     "(or double-click the Tag column) and give the disc its custom disc id. <b>tag All</b> tags "
     "every disc of the brand with numbering.</p>"
     "<p>When all your discs are tagged, press <b>Add Tagged Disc(s) to SongBook</b>.</p>"},
    {"ViewingandEditingtheMainTunelode", "Viewing and editing the Main Tunelode",
     "<p>Every master track, sorted by title, artist or disc on the three tabs. Select a track and "
     "press <b>Edit</b> to correct its title, artist or track number.</p>"},
};

void writeHelp(const std::string& folder) {
    const std::filesystem::path help = std::filesystem::path(folder) / "help";
    std::error_code ec;
    std::filesystem::create_directories(help, ec);
    auto page = [](const std::string& title, const std::string& body) {
        return "<html><head><meta charset=\"utf-8\"><title>" + title +
               "</title></head><body style=\"font-family: sans-serif\"><h1>" + title + "</h1>" + body +
               "<p><a href=\"index.htm\">Contents</a></p></body></html>\n";
    };
    std::string contents = "<ul>";
    for (const HelpPage& p : kHelpPages) {
        std::ofstream(help / (std::string(p.file) + ".htm")) << page(p.title, p.body);
        contents += std::string("<li><a href=\"") + p.file + ".htm\">" + p.title + "</a></li>";
    }
    std::ofstream(help / "index.htm") << page("Cantorelle V2 Help", contents + "</ul>");
}
}  // namespace

int main(int argc, char** argv) {
    const std::string arg = argc == 2 ? argv[1] : "";
    if (arg == "--help" || arg == "-h") {
        std::printf("usage: cantorelle-install FOLDER\n");
        return 0;
    }
    // An option is never taken for the folder: the registry would name it as the installation.
    if (arg.size() > 1 && arg[0] == '-') {
        std::fprintf(stderr, "cantorelle-install: unknown option %s\nusage: cantorelle-install FOLDER\n", arg.c_str());
        return 2;
    }
    if (arg.empty()) {
        std::fprintf(stderr, "usage: cantorelle-install FOLDER\n");
        return 2;
    }
    std::string folder = std::filesystem::path(rt::absolutePath(arg)).lexically_normal().string();
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();

    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec || !rt::folderExists(folder)) {
        std::fprintf(stderr, "cantorelle-install: cannot create %s: %s\n", folder.c_str(),
                     ec ? ec.message().c_str() : "not a folder");
        return 1;
    }

    int rc = 0;
    std::string failure;
    rt::runProgram([&] {
        rc = WriteDemoCatalogue(folder);
        if (rc) failure = rt::error();
    });
    if (rc) {
        std::fprintf(stderr, "cantorelle-install: writing the master files failed: %s (%d)\n",
                     failure.c_str(), rc);
        return 1;
    }

    writeHelp(folder);
    WriteRegistryValue("Install", "InstallDir", RegistryProgramPath, folder);
    WriteRegistryValue("Settings", "CompanyWebAddress", RegistryProgramPath, kCompanyWebAddress);
    if (ReadRegistryValue("Install", "InstallDir", "0", RegistryProgramPath) != folder) {
        std::fprintf(stderr, "cantorelle-install: could not record the installation in %s\n",
                     rt::configFolder().c_str());
        return 1;
    }
    std::printf("Cantorelle demo installed in %s\n", folder.c_str());
    return 0;
}
