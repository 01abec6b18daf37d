// Runs the program with no screen and drives it from a script: for trying a window out,
// reproducing a fault, or a quick check in a shell. The config folder is the one
// XDG_CONFIG_HOME names, so a script can run against a scratch installation.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>

#include "frontend/headless/procedures.h"
#include "frontend/headless/script.h"
#include "runtime/thread/thread.h"

namespace {
void usage(std::ostream& o) {
    o << "usage: cantorelle-script [--echo] [SCRIPT]\n"
         "Runs the program headless and reads commands from SCRIPT (or standard input).\n"
         "The config folder is $XDG_CONFIG_HOME/... as for the program itself.\n"
         "  --echo   print each command before what it shows\n"
         "Exit status: 0 done, 1 an expect did not hold, 2 a command failed.\n\n"
      << headless::scriptHelp() << "\n";
}
}  // namespace

int main(int argc, char** argv) {
    headless::ScriptOptions options;
    const char* file = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            usage(std::cout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--echo")) {
            options.echo = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            std::cerr << "cantorelle-script: unknown option " << argv[i] << "\n";
            usage(std::cerr);
            return headless::kScriptError;
        } else if (file) {
            std::cerr << "cantorelle-script: one script at a time\n";
            return headless::kScriptError;
        } else {
            file = argv[i];
        }
    }
    if (!std::getenv("XDG_CONFIG_HOME"))
        std::cerr << "cantorelle-script: XDG_CONFIG_HOME is not set; using the real config folder\n";

    headless::registerProgramProcedures();
    int status;
    if (file && std::strcmp(file, "-") != 0) {
        std::ifstream in(file);
        if (!in) {
            std::cerr << "cantorelle-script: cannot read " << file << "\n";
            return headless::kScriptError;
        }
        status = headless::runScript(in, std::cout, options);
    } else {
        status = headless::runScript(std::cin, std::cout, options);
    }
    std::cout.flush();
    // A program that would not end still has threads; leave without waiting for them.
    if (rt::programRunning()) std::_Exit(status ? status : headless::kScriptError);
    return status;
}
