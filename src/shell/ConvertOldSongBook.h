#pragma once
// A SongBook of the previous version (SongBookFileName: its ".sbk" file as chosen, in any
// letter case; SBDiscsFileName: its ".sbd") is converted into a pair of the current layout
// (".2bk"/".2bd") beside it; the old pair is kept as ".sxk"/".sxd".
//
// The old files are only read. The new pair is built under work names ("NAME.2bk-converting",
// "NAME.2bd-converting"), which become "NAME.2bk-converted" / "NAME.2bd-converted" once the
// pair is whole on the disc; only then does the old listing file take its kept name (from
// that step on the conversion counts as done), then the old disc file, and the new pair takes
// its own names. A conversion cut off anywhere by a crash is undone or finished by
// FinishCutOffConversions, so the SongBook is always there, old or converted.
//
// Afterwards SongBookFileName and SBDiscsFileName name the new pair and CallResponse is 1
// (also when the host keeps a new pair that was there before); after a Cancel or a failure
// the old pair is as it was, under its own names, nothing else is left, and CallResponse is 2.
#include <functional>
#include <string>

void ConvertOldSongBook();

// Brings the conversions in a folder that a crash cut off to an end: those cut off before the
// new pair was whole are undone (their work files removed), the others are finished. Nothing
// is done while a conversion runs in that folder.
void FinishCutOffConversions(const std::string& folder);

// The rename the conversion's steps use (with replace false it never replaces a file). Unless
// set, the file system's; null sets that back. Tests put in one that stops at a chosen step.
using ConversionRenamer = std::function<int(const std::string& from, const std::string& to, bool replace)>;
void SetConversionRenamer(ConversionRenamer renamer);
