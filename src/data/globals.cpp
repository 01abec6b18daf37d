#include "data/globals.h"

PathText InstallFolder;

PathText KaraokeFileName;
PathText DiscsFileName;
PathText DMakeFileName;
PathText SArtistFileName;
PathText STitleFileName;
PathText MakeIdFileName;
PathText GenreFileName;
PathText UpdateListFileName;

PathText SongBookFileName;
PathText SBDiscsFileName;

std::uint8_t SongBookIsOpen = 0;
std::uint8_t FrameThread = 0;
std::uint8_t FrameResized = 0;
std::uint16_t DialogCancelled = 0;
std::uint8_t MultiEditScope = 0;
rt::Text<60> DOWNLOADSTRING;
std::uint32_t UpdateFileSize = 0;
std::uint8_t DownloadingUpdateList = 0;
std::uint8_t SearchThread = 0;

PathText HelpFile;
PathText WinHelpFile;

rt::OsVersionInfo OSVersionInfo;
rt::Text<20> OSVersionName;

rt::Text<40> ProductTitle{"Cantorelle V2 SongBook Maker PLUS"};
rt::Text<20> ProgramVersion{"2.6.2232"};

PathText LONGNEWPATH;
PathText SelectedSongBookPath;

namespace GLO {
PathText SHORTSONGBOOKNAME;
BatchListingValues SBK;
std::uint8_t BATCHCHANGETITLE = 0;
std::uint8_t BATCHCHANGEARTIST = 0;
std::uint8_t BATCHCHANGEGENRE = 0;
std::uint8_t BATCHCHANGEDUET = 0;
std::uint8_t BATCHCHANGEOMIT = 0;
}  // namespace GLO

void SetMasterFileNames(const std::string& folder) {
    const std::string base = rt::clip(folder) + "/";
    KaraokeFileName = base + "MAIN.TPS";
    DiscsFileName = base + "DISCS.TPS";
    DMakeFileName = base + "DMAKE.TPS";
    SArtistFileName = base + "SARTIST.TPS";
    STitleFileName = base + "STITLE.TPS";
    UpdateListFileName = base + "autoupdate.lst";
    MakeIdFileName = base + "MAKEID.TPS";
    GenreFileName = base + "GENRE.TPS";
}
