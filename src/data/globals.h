#pragma once
// File-name variables and the program-wide variables that procedures use to hand state to
// each other. They are shared by all program threads without a guard: only one program
// thread runs at a time.
//
// Path variables are 1024 characters wide (the platform's were 128) so that a Linux path is
// never cut.
#include <cstdint>

#include "runtime/sysinfo/sysinfo.h"
#include "runtime/text/text.h"

using PathText = rt::Text<1024>;

// The installation folder (registry value InstallDir), trailing blanks removed.
extern PathText InstallFolder;

// The master files in the installation folder, set when the frame starts.
extern PathText KaraokeFileName;    // MAIN.TPS
extern PathText DiscsFileName;      // DISCS.TPS
extern PathText DMakeFileName;      // DMAKE.TPS
extern PathText SArtistFileName;    // SARTIST.TPS
extern PathText STitleFileName;     // STITLE.TPS
extern PathText MakeIdFileName;     // MAKEID.TPS
extern PathText GenreFileName;      // GENRE.TPS
extern PathText UpdateListFileName; // autoupdate.lst

// The open SongBook's pair: the listing file (.2bk; blank when none is open) and the disc
// file beside it (.2bd).
extern PathText SongBookFileName;
extern PathText SBDiscsFileName;

// 1 while a workspace has a SongBook open.
extern std::uint8_t SongBookIsOpen;
// Thread number of the application frame (target of the frame's user events).
extern std::uint8_t FrameThread;
// 1 when the frame was resized or a SongBook was just opened; the workspace refits and clears it.
extern std::uint8_t FrameResized;
// 0 when the last confirming dialog was confirmed.
extern std::uint16_t DialogCancelled;
// Scope of a multi-listing edit: 1 same title, 2 same artist, 3 same disc.
extern std::uint8_t MultiEditScope;
// What a download shows and expects: its caption line, the size it expects (for the
// percentage and the time left), and whether it fetches the update list (a text file).
extern rt::Text<60> DOWNLOADSTRING;
extern std::uint32_t UpdateFileSize;
extern std::uint8_t DownloadingUpdateList;
// Thread number of the running master-track search window, 0 when none.
extern std::uint8_t SearchThread;

// The help file (.chm or .hlp under the installation folder) and its copy for the older format.
extern PathText HelpFile;
extern PathText WinHelpFile;

// The operating system's version, read at start-up, and its short name ("XP", "Vista", ...).
extern rt::OsVersionInfo OSVersionInfo;
extern rt::Text<20> OSVersionName;

extern rt::Text<40> ProductTitle;    // "Cantorelle V2 SongBook Maker PLUS"
extern rt::Text<20> ProgramVersion;  // "2.6.2232"

// The current SongBook folder, and the SongBook chosen in the SongBook File Explorer.
extern PathText LONGNEWPATH;
extern PathText SelectedSongBookPath;

namespace GLO {
// Short name of the SongBook chosen or created in the SongBook File Explorer.
extern PathText SHORTSONGBOOKNAME;

// What a multi-listing edit changes, from its setup dialog to its batch process: the new
// title, artist and genre, and which of the fields (and the duet and omit marks) to set.
struct BatchListingValues {
    rt::Text<40> TITLE;
    rt::Text<40> ARTIST;
    rt::Text<40> GENRE;
};
extern BatchListingValues SBK;
extern std::uint8_t BATCHCHANGETITLE;
extern std::uint8_t BATCHCHANGEARTIST;
extern std::uint8_t BATCHCHANGEGENRE;
extern std::uint8_t BATCHCHANGEDUET;
extern std::uint8_t BATCHCHANGEOMIT;
}  // namespace GLO

// Names the master files (and the update list) in an installation folder, as the frame does
// when it starts.
void SetMasterFileNames(const std::string& folder);
