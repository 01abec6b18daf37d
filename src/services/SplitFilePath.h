#pragma once
// Taking a file path apart: the folder is everything up to and including the last "/", and
// the last dot of the rest separates the name from the extension.
#include <string>

// part 1: the name (no folder, no extension); 2: the extension (no dot); 3: the folder with its
// trailing "/". With join set: name, a dot and extension (the name and a dot when there is no
// extension). Trailing blanks of the path and of the result are ignored.
std::string SplitFilePath(const std::string& path, int part, bool join = false);
