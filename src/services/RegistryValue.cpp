#include "services/RegistryValue.h"

#include "runtime/registry/registry.h"
#include "runtime/text/text.h"

namespace {

constexpr std::size_t kMaxKeyPath = 255;
constexpr std::size_t kValueBuffer = 1000;  // 999 characters and the terminating NUL

std::string keyPath(const std::string& section, const std::string& path) {
    return "Software\\" + rt::clip(path) + "\\" + rt::clip(section);
}

}  // namespace

std::string ReadRegistryValue(const std::string& section, const std::string& valueName,
                              const std::string& deflt, const std::string& path) {
    const std::string key = keyPath(section, path);
    // A longer path would name another key.
    if (key.size() > kMaxKeyPath) return {};
    std::string data;
    rt::RegType type = rt::RegType::Other;
    switch (rt::regQuery(key, valueName, data, type, kValueBuffer)) {
    case rt::RegStatus::Ok:
        break;
    case rt::RegStatus::NoKey:
    case rt::RegStatus::NoValue:
        return deflt;
    default:
        return {};
    }
    switch (type) {
    case rt::RegType::String:
    case rt::RegType::ExpandString:
        // The stored text without its terminating NUL.
        if (!data.empty() && data.back() == '\0') data.pop_back();
        return data;
    case rt::RegType::DWord:
    case rt::RegType::Binary:
        return data;
    default:
        return {};
    }
}

void WriteRegistryValue(const std::string& section, const std::string& valueName,
                        const std::string& path, const std::string& value) {
    const std::string key = keyPath(section, path);
    if (key.size() > kMaxKeyPath) return;
    if (value.find('\0') != std::string::npos)
        rt::regSet(key, valueName, value, rt::RegType::Binary);
    else
        rt::regSet(key, valueName, rt::clip(value), rt::RegType::String);
}
