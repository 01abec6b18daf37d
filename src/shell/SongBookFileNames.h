#pragma once
// The names of a SongBook's files, shared by the SongBook File Explorer and its dialogs, the
// backup and the conversion of old SongBooks.
//
// A SongBook is a pair of files of one name in one folder: the listing file ".2bk" and the
// disc file ".2bd" (".sbk" / ".sbd" for a SongBook of the previous version).
#include <string>

// The disc file beside a listing file: its extension's last letter k becomes d (".2bk" ->
// ".2bd", ".sbk" -> ".sbd"), in the letter case of the extension.
std::string SongBookDiscFile(const std::string& listingPath);

// Why a typed name cannot name a SongBook ("" when it can): it is empty, or holds a folder
// separator or "..", which would put the files somewhere else, or control characters or
// broken UTF-8.
std::string SongBookNameProblem(const std::string& name);

// name inside folder (the folder with or without its trailing "/").
std::string PathInFolder(const std::string& folder, const std::string& name);

// A folder without its trailing "/" (the root stays "/").
std::string FolderWithoutEnd(std::string folder);

// Whether anything (file, folder or link) already has this name.
bool PathInUse(const std::string& path);
