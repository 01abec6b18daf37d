// Update lists of any bytes through the list check: it never crashes, refuses a list whole or
// hands on only records the install may act on: plain names that stay in the installation
// folder, each update file and each master file named once in any letter case, never an
// installed file as a download, and data records aimed only at the five master files, in the
// master files' own names.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "library/UpdateList.h"
#include "runtime/text/text.h"

namespace {

bool plain(const std::string& n) {
    if (n.empty() || n.size() > 20 || n.front() == '.') return false;
    for (unsigned char c : n)
        if (c < 0x20 || c > 0x7E || c == '/' || c == '\\') return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in(reinterpret_cast<const char*>(data), size);
    const UpdateListCheck r = CheckUpdateList(in);
    if (r.ok() == r.records.empty()) std::abort();
    std::set<std::string> news, olds;
    for (const UpdateListRecord& rec : r.records) {
        if (!plain(rec.newFile) || !plain(rec.oldFile)) std::abort();
        const std::string up = rt::upper(rec.newFile);
        if (up.size() >= 4 && (up.ends_with(".TPS") || up.ends_with(".BAK") || up.ends_with(".LST"))) std::abort();
        if (!news.insert(up).second) std::abort();
        if (rec.revision != (up.find(".PGM") != std::string::npos)) std::abort();
        if (rec.revision) continue;
        bool master = false;
        for (const char* m : kUpdatableMasterFiles) master = master || rec.oldFile == m;
        if (!master || !olds.insert(rec.oldFile).second) std::abort();
    }
    return 0;
}
