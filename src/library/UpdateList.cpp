#include "library/UpdateList.h"

#include <unordered_set>

#include "library/UpdateInstall.h"
#include "runtime/files/csv.h"
#include "runtime/text/text.h"

const char* const kUpdatableMasterFiles[5] = {"MAIN.TPS", "DMAKE.TPS", "DISCS.TPS", "SARTIST.TPS", "STITLE.TPS"};

namespace {

constexpr std::size_t kNameLength = 20;

// A name from the server that becomes a file name in the installation folder.
bool plainName(const std::string& name) {
    if (name.empty() || name.size() > kNameLength || name.front() == '.' || name.back() == ' ' ||
        name.back() == '.')
        return false;
    for (unsigned char c : name)
        if (c < 0x20 || c > 0x7E || c == '/' || c == '\\' || c == ':' || c == '*' || c == '?' || c == '"' ||
            c == '<' || c == '>' || c == '|')
            return false;
    return true;
}

// The master file a name stands for, in its own case; "" when it is none of them.
std::string masterFile(const std::string& name) {
    for (const char* m : kUpdatableMasterFiles)
        if (rt::equalNoCase(name, m)) return m;
    return {};
}

// Names a download must never take: the installation's own files and the install's work folder.
bool installedName(const std::string& name) {
    const std::string up = rt::upper(name);
    const auto dot = up.rfind('.');
    const std::string ext = dot == std::string::npos ? std::string() : up.substr(dot);
    return ext == ".TPS" || ext == ".BAK" || ext == ".EXE" || ext == ".LST" || ext == ".INI" ||
           rt::equalNoCase(name, kUpdateWorkFolder);
}

}  // namespace

std::vector<const UpdateListRecord*> UpdateListCheck::dataRecords() const {
    std::vector<const UpdateListRecord*> out;
    for (const UpdateListRecord& r : records)
        if (!r.revision) out.push_back(&r);
    return out;
}

UpdateListCheck CheckUpdateList(std::string_view bytes) {
    UpdateListCheck c;
    auto refuse = [&](std::string why) {
        c.records.clear();
        c.problem = std::move(why);
        return c;
    };
    rt::CsvReader in;
    in.openBuffer(bytes);
    std::vector<std::string> f;
    std::unordered_set<std::string> newNames, oldNames;  // in upper case
    while (in.next(f)) {
        const std::string line = " (line " + std::to_string(in.lineNumber()) + ")";
        if (!in.wellFormed() || f.size() < 5) return refuse("The update list holds a line that cannot be read" + line + ".");
        UpdateListRecord r{rt::trim(f[0]), rt::trim(f[1]), rt::trim(f[2]), rt::trim(f[3]), 0, false};
        const std::string size = rt::trim(f[4]);
        if (size.empty() || size.size() > 10 || size.find_first_not_of("0123456789") != std::string::npos ||
            std::stoull(size) > 0xFFFFFFFFull)
            return refuse("The update list gives a size that is not a number: " + size + line);
        r.size = static_cast<std::uint32_t>(std::stoull(size));
        if (!plainName(r.newFile) || !plainName(r.oldFile))
            return refuse("The update list names a file that is not a plain file name: " + r.newFile + " / " +
                          r.oldFile + line);
        r.revision = rt::upper(r.newFile).find(".PGM") != std::string::npos;
        if (installedName(r.newFile))
            return refuse("The update list would download over an installed file: " + r.newFile + line);
        if (!newNames.insert(rt::upper(r.newFile)).second)
            return refuse("The update list names the update file " + r.newFile + " twice" + line + ".");
        if (!r.revision) {
            const std::string master = masterFile(r.oldFile);
            if (master.empty())
                return refuse("The update list would replace a file that is not a Main Tunelode data file: " +
                              r.oldFile + line);
            if (!oldNames.insert(master).second)
                return refuse("The update list replaces " + master + " twice" + line + ".");
            r.oldFile = master;
        }
        c.records.push_back(std::move(r));
    }
    if (in.error() != 0) return refuse("The update list could not be read.");
    if (c.records.empty()) return refuse("The update list is empty.");
    return c;
}
