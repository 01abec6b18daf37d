#pragma once
// Opening documents with the desktop's handler and starting other programs, without waiting.
#include <functional>
#include <string>
#include <vector>

namespace rt {

// Starts `xdg-open <document>`; a file name that is not absolute is made absolute against
// currentFolder() (a URL is passed as it is).
void shellOpen(const std::string& document);
// Starts any command (argv[0] looked up on PATH) in currentFolder(), detached in its own
// session, without waiting; the child is reaped. A command that cannot start is not reported.
void startCommand(const std::vector<std::string>& argv);

// Replaces the real launcher (tests record instead of running); nullptr restores it.
using Launcher = std::function<void(const std::vector<std::string>&)>;
void setLauncher(Launcher launcher);

// Every command started, in either mode.
std::vector<std::vector<std::string>> launchedCommands();
void clearLaunchedCommands();

}  // namespace rt
