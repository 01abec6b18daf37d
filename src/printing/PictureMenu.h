#pragma once
// A small menu window of picture buttons, each with its text beside it, and "Cancel".
#include <functional>
#include <string>
#include <vector>

struct PictureMenuItem {
    std::string name;     // the button's use name ("?PRINTLABELS")
    std::string picture;  // "Cddisc.ico"
    std::string text;     // beside the button (and its tip)
    std::function<void()> action;  // empty: the item is not available yet (greyed)
};

// Runs the menu until "Cancel" or its close box; each action runs on this thread.
void RunPictureMenu(const std::string& title, const std::string& heading, const std::vector<PictureMenuItem>& items);
