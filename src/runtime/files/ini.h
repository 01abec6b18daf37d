#pragma once
// INI files with the semantics of the Windows profile calls: sections and keys match in any
// case, a missing key gives the default, values are written without trailing blanks, and
// the rest of the file (comments, order, other sections) is kept as it was.
// A file name without a folder lies in configFolder(); a relative name with a folder
// resolves against currentFolder(). Writes go through a temporary file and a rename; a write
// first removes the temporary files that earlier writes of the file left when cut off.
#include <string>
#include <vector>

namespace rt {

// The value with blanks around it (and one pair of enclosing quotes) removed; the default,
// without trailing blanks, when the file, section or key is missing. A key given as "k=" has
// the empty value, not the default. Values may hold '='.
std::string getIni(const std::string& section, const std::string& key, const std::string& deflt,
                   const std::string& file);
// Replaces the key's line in place (first one of that name in any section of that name), or
// adds the key after the last entry of the first such section, or adds the section at the end.
// Line ends follow the file's own (LF or CRLF). Write failures leave the file unchanged.
void putIni(const std::string& section, const std::string& key, const std::string& value,
            const std::string& file);

// Several keys written in one replacement of the file, each placed as putIni places it; the
// file is either wholly rewritten or left as it was. 0, or the errno value of the failure.
struct IniValue {
    std::string section, key, value;
};
int putIniValues(const std::vector<IniValue>& values, const std::string& file);

// The full path the INI name stands for.
std::string iniPath(const std::string& file);

}  // namespace rt
