// cantorelle-install FOLDER: installs the demo master database into FOLDER and records the
// installation in the registry store, as the product's installer does.
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

#include "data/demo_catalogue.h"
#include "runtime/error/error.h"
#include "runtime/files/folder.h"
#include "runtime/thread/thread.h"
#include "services/registry_value.h"

namespace {
constexpr const char* kCompanyWebAddress = "http://www.cantorelle.example";
}

int main(int argc, char** argv) {
    if (argc != 2 || std::string(argv[1]).empty()) {
        std::fprintf(stderr, "usage: cantorelle-install FOLDER\n");
        return 2;
    }
    std::string folder = std::filesystem::path(rt::absolutePath(argv[1])).lexically_normal().string();
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
