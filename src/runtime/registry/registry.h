#pragma once
// The registry store: one file configFolder()/"registry.ini" whose sections are key paths
// ("Software\Brambury\Cantorelle\1.0\Install") and whose keys are value names. Values keep
// their type and round-trip exactly. Key paths and value names compare in any case.
#include <cstddef>
#include <string>

namespace rt {

enum class RegType { String, ExpandString, DWord, Binary, Other };
enum class RegStatus { Ok, NoKey, NoValue, AccessDenied, TooLong };

// DWord data reads back as its decimal text; Binary as the raw bytes. TooLong when the data
// plus its terminating NUL would not fit in bufferSize (data is left empty then).
RegStatus regQuery(const std::string& keyPath, const std::string& valueName, std::string& data,
                   RegType& type, std::size_t bufferSize = 1000);
// Creates the key when needed. DWord data is given as decimal text.
RegStatus regSet(const std::string& keyPath, const std::string& valueName, const std::string& data,
                 RegType type);
bool regKeyExists(const std::string& keyPath);

}  // namespace rt
