#include "services/SplitFilePath.h"

#include "runtime/text/text.h"

std::string SplitFilePath(const std::string& path, int part, bool join) {
    const std::string p = rt::clip(path);
    const std::size_t slash = p.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : p.substr(0, slash + 1);
    const std::string file = slash == std::string::npos ? p : p.substr(slash + 1);
    const std::size_t dot = file.rfind('.');
    const std::string name = dot == std::string::npos ? file : file.substr(0, dot);
    const std::string ext = dot == std::string::npos ? std::string() : file.substr(dot + 1);

    if (join) return rt::clip(name + "." + ext);
    switch (part) {
    case 1: return rt::clip(name);
    case 2: return rt::clip(ext);
    case 3: return folder;
    default: return {};
    }
}
