#pragma once
// The action of every help button: opens the program's help at a topic ("" = the contents),
// in the help format chosen at start-up, without waiting.
#include <string>

void ShowHelpTopic(const std::string& topic);
