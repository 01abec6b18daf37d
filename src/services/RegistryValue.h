#pragma once
// One string value under the program's registry key and a section. Neither operation shows
// anything: a read that fails gives the default (key or value missing) or an empty text
// (anything else); a write that fails is ignored.
#include <string>

// The program path every caller passes.
inline constexpr const char* RegistryProgramPath = "Brambury\\Cantorelle\\1.0";

// Reads value `valueName` of the key "Software\" + path + "\" + section (path and section
// without trailing blanks). Strings come back as stored, numbers as decimal text, binary data
// as its bytes; at most 999 characters are read (a longer value gives an empty text).
std::string ReadRegistryValue(const std::string& section, const std::string& valueName,
                              const std::string& deflt, const std::string& path);

// Writes the value without trailing blanks as a string, creating the key when missing.
void WriteRegistryValue(const std::string& section, const std::string& valueName,
                        const std::string& path, const std::string& value);
