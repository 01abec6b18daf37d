// A SongBook backup archive of arbitrary bytes, checked and restored into a folder of its own:
// whatever the archive holds, nothing crashes, nothing is written outside the folder, and a
// refused or failed restore leaves the folder empty.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "runtime/zip/zip.h"

namespace {

std::string makeTemp(const char* pattern) {
    std::string t = (std::filesystem::temp_directory_path() / pattern).string();
    if (!::mkdtemp(t.data())) std::abort();
    return t;
}

// Everything below root, names relative to it.
std::vector<std::string> contents(const std::string& root) {
    std::vector<std::string> out;
    std::error_code ec;
    for (auto it = std::filesystem::recursive_directory_iterator(root, ec);
         !ec && it != std::filesystem::recursive_directory_iterator(); it.increment(ec))
        out.push_back(std::filesystem::relative(it->path(), root).string());
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string outside = makeTemp("backup-fuzz-XXXXXX");
    const std::string archive = outside + "/in.bkp", folder = outside + "/books";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    std::ofstream(archive, std::ios::binary | std::ios::trunc).write(reinterpret_cast<const char*>(data),
                                                                       static_cast<std::streamsize>(size));
    std::vector<rt::ZipMember> members;
    rt::zArchiveMembers(archive, members);
    const std::string problem = rt::zExtractionProblem(archive, folder);
    int rc = 1;
    if (problem.empty() && rt::zOpenZipFile(archive) == 0) {
        rc = rt::zExtractAll(folder + "/", "", 1, 0, 0, 0, 0);
        rt::zCloseZipFile();
    }
    // Nothing beside the archive and the folder, and nothing in the folder after a failure.
    for (const std::string& name : contents(outside))
        if (name != "in.bkp" && name != "books" && name.rfind("books/", 0) != 0) std::abort();
    if (rc != 0 && !contents(folder).empty()) std::abort();
    return 0;
}
