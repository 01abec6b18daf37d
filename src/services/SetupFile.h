#pragma once
// Setup files: the print design files (".psf"), the request setup files (".rsf") and the web
// setup files (".wsf"). Each is an INI file with a section "Version" whose key "Version" holds
// the file's type mark and a section "Settings" with one key per setting. A type of setup
// file is its description and a key table; one writer and one reader serve all of them:
//
//     const SetupFileType kWeb{"HTML SongBook Setup File", ".wsf", "HTML SongBook Setup File|*.WSF",
//                              "Enter Name of HTML SongBook Setup File",
//                              "Enter Name of HTML SongBook Setup File", 0};
//     SetupKeys keys = {
//         SetupText("WebTitle", WebTitle),
//         SetupColour("webtablecolor", webtablecolor, 0xE8E8E8),          // initial value
//         SetupNumber("PrintFormat", s.PrintFormat, 1, 6, std::uint16_t{1}), // range, initial
//     };
//     if (auto file = AskSetupFileToSave(kWeb)) SaveSetupFile(kWeb, keys, *file);
//     if (auto file = AskSetupFileToRecall(kWeb))
//         TellSetupRead(kWeb, *file, ReadSetupFile(kWeb, keys, *file));
//
// Writing: the type mark, then every key in table order, in one replacement of the file (a
// failure or a kill leaves the file as it was); other sections and keys of the file stay.
// Texts are written without trailing blanks; a text that the reader would otherwise change
// (leading blanks, enclosing quotes) is put in quotes of its own, and a line break becomes a
// blank. Numbers and colours are written in decimal. Every failure is reported with the
// file's name.
//
// Reading: a file whose type mark differs changes nothing. Otherwise every key is taken in
// table order. A missing key reads as an empty value: a blank text, and a number 0. A number
// that is not one, or lies outside its range, takes the setting's initial value instead, and
// the host is told which keys of which file did so. Texts longer than their setting are cut.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/text/text.h"

struct SetupFileType {
    const char* mark;         // the "Version" value, also the file's kind in messages
    const char* extension;    // ".psf": every name the program writes ends in it
    const char* filter;       // the file dialogs' filter
    const char* saveTitle;    // the save dialog's title
    const char* recallTitle;  // the open dialog's title
    std::size_t markWidth;    // the mark is compared as a text of this width; 0: exactly
};

// A key that did not read as a value of its setting.
struct SetupProblem {
    enum Kind { Missing, NotANumber, OutOfRange };
    std::string key;
    Kind kind = OutOfRange;
    std::string read;     // the value as the file holds it
    std::string initial;  // what the setting took instead
};

// One key of a setup file, bound to its setting.
struct SetupKey {
    std::string name;
    // The value as the file keeps it.
    std::function<std::string()> value;
    // Takes a value read from the file (`missing`: the key is not there). Returns the problem
    // when the setting took its initial value instead.
    std::function<std::optional<SetupProblem>(const std::string& read, bool missing)> take;
};
using SetupKeys = std::vector<SetupKey>;

struct SetupRead {
    bool isType = false;                // false: the file is not of the type (nothing changed)
    std::vector<SetupProblem> problems; // keys that took their initial values
};

// --- keys ---

// A decimal number, blanks around it allowed; nullopt when the text is not one.
std::optional<long long> SetupNumberOf(const std::string& text);

namespace setupfile {
SetupKey number(const char* name, std::function<long long()> get, std::function<void(long long)> set,
                std::function<bool(long long)> inRange, long long initial);
SetupKey text(const char* name, std::function<std::string()> get, std::function<void(const std::string&)> set,
              std::string blankMeans);
}  // namespace setupfile

// A text setting; a blank value read gives `blankMeans` (blank unless given).
template <std::size_t N>
SetupKey SetupText(const char* name, rt::Text<N>& setting, std::string blankMeans = {}) {
    return setupfile::text(
        name, [&setting] { return setting.str(); }, [&setting](const std::string& v) { setting = v; },
        std::move(blankMeans));
}

// A number setting from lo to hi (both included); anything else takes `initial`.
template <class T>
SetupKey SetupNumber(const char* name, T& setting, long long lo, long long hi, T initial) {
    return setupfile::number(
        name, [&setting] { return static_cast<long long>(setting); },
        [&setting](long long v) { setting = static_cast<T>(v); }, [lo, hi](long long v) { return v >= lo && v <= hi; },
        static_cast<long long>(initial));
}

// A number setting whose valid values `inRange` tells.
template <class T>
SetupKey SetupNumberIf(const char* name, T& setting, std::function<bool(long long)> inRange, T initial) {
    return setupfile::number(
        name, [&setting] { return static_cast<long long>(setting); },
        [&setting](long long v) { setting = static_cast<T>(v); }, std::move(inRange), static_cast<long long>(initial));
}

// A colour: a 24-bit number, red in the low byte.
inline SetupKey SetupColour(const char* name, std::uint32_t& setting, std::uint32_t initial) {
    return SetupNumber(name, setting, 0, 0xFFFFFF, initial);
}

// --- files ---

// The name a setup is saved under: the chosen folder and name with the type's extension in
// place of any extension ("design.txt" -> "design.psf").
std::string SetupFileName(const SetupFileType& type, const std::string& chosen);

// The text a value is written as (see above).
std::string SetupValueText(const std::string& value);

// Writes the type mark and every key. 0, or the errno value of the failure (the file is left
// as it was).
int WriteSetupFile(const SetupFileType& type, const SetupKeys& keys, const std::string& path);
// The same, telling the host when the file cannot be written. True when it was written.
bool SaveSetupFile(const SetupFileType& type, const SetupKeys& keys, const std::string& path);

// Whether the file carries the type's mark.
bool IsSetupFileOfType(const SetupFileType& type, const std::string& path);
// Reads every key of a file of the type into its setting (nothing when it is of another type).
SetupRead ReadSetupFile(const SetupFileType& type, const SetupKeys& keys, const std::string& path);
// Tells the host how a read went: "Invalid <mark>" for a file of another type, and which keys
// took their initial values. True when the file was read.
bool TellSetupRead(const SetupFileType& type, const std::string& path, const SetupRead& read);
// The message that names the keys that took their initial values ("" when there are none).
std::string SetupProblemsText(const SetupFileType& type, const std::string& path,
                              const std::vector<SetupProblem>& problems);

// The save dialog of the type: the file to write (absolute, with the type's extension), or
// nothing when the host cancelled. With `last`, the dialog starts from it and the name chosen
// is kept there.
std::optional<std::string> AskSetupFileToSave(const SetupFileType& type, std::string* last = nullptr);
// The open dialog of the type: the file chosen (absolute, as named), or nothing.
std::optional<std::string> AskSetupFileToRecall(const SetupFileType& type, std::string* last = nullptr);
