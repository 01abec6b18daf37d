#pragma once
// The command language of cantorelle-script: one command a line, words split on blanks,
// "double quotes" around texts that hold blanks (\" and \\ inside them), '#' starts a
// comment line.
#include <iosfwd>
#include <string>
#include <vector>

namespace headless {

class Driver;

struct ScriptOptions {
    bool echo = false;  // print each command ("> press OK") before what it shows
};

// Exit statuses of a script.
constexpr int kScriptOk = 0;
constexpr int kScriptExpectFailed = 1;
constexpr int kScriptError = 2;

// Splits a command line into words; false (with the reason) on an unclosed quote.
bool splitWords(const std::string& line, std::vector<std::string>& words, std::string& error);

// Runs the commands on a driver of its own and ends the program afterwards. Returns
// kScriptOk, kScriptExpectFailed (an expect did not hold) or kScriptError (a command failed,
// or the program did not end); in both failures the windows are printed.
int runScript(std::istream& in, std::ostream& out, const ScriptOptions& options = {});
// The same on a given driver, leaving the program as the script left it.
int runScript(Driver& driver, std::istream& in, std::ostream& out, const ScriptOptions& options = {});

// The commands, as --help prints them.
const char* scriptHelp();

}  // namespace headless
