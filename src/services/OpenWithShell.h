#pragma once
// Hands a document path or a web address to the desktop, which opens it with the program
// registered for it. Nothing is reported when it cannot be opened.
#include <string>

// windowHandle: the owner window's id (0 for none); the desktop does not need it.
void OpenWithShell(int windowHandle, const std::string& document);
