#pragma once
// The request-slip settings (program-wide, shared without a guard) and the request setup
// files (".rsf") that keep a design.
#include <cstdint>
#include <string>

#include "runtime/text/text.h"
#include "services/SetupFile.h"

extern rt::Text<40> SongRequestHeaderText;
extern rt::Text<20> SongRequestHeaderFont;
extern std::int32_t SongRequestHeaderFontSize;
extern std::int32_t SongRequestHeaderFontStyle;  // weight, plus 4096 for italics
extern std::uint32_t SongRequestHeaderColor;
extern rt::Text<40> SongRequestFooterText;
extern rt::Text<20> SongRequestFooterFont;
extern std::int32_t SongRequestFooterFontSize;
extern std::int32_t SongRequestFooterFontStyle;
extern std::uint32_t SongRequestFooterColor;
extern rt::Text<128> SongRequestLogoFilename;  // blank: no logo
extern std::uint8_t UseHashMarks;              // 1: print the cutting guides
extern std::int32_t NUMBEROFSLIPS;             // not kept in setup files

// The four lines of a slip; RequestCardSetup leaves them as they are.
extern rt::Text<60> REQUESTSLIPLINE1;
extern rt::Text<61> REQUESTSLIPLINE2;
extern rt::Text<62> REQUESTSLIPLINE3;
extern rt::Text<57> REQUESTSLIPLINE4;

constexpr int kItalicStyle = 4096;
constexpr std::int32_t kDefaultHeaderFontSize = 12;
constexpr std::int32_t kDefaultFooterFontSize = 8;
// The largest font size a setup file may name.
constexpr std::int32_t kMaxFontSize = 500;

// Every setting but the four lines as the setup window starts with them.
void ResetRequestSlipSettings();
// The four lines as the program starts with them.
void ResetRequestSlipLines();

// The type mark of a request setup file.
constexpr const char* kRequestSetupFileVersion = "Request Setup File";
extern const SetupFileType kRequestSetupFileType;
// The name a setup is saved under: the chosen folder and name, with ".rsf" in place of any
// extension.
std::string RequestSetupFileName(const std::string& chosen);
// Writes the settings to the file: 0, or the errno value of the failure.
int WriteRequestSetupFile(const std::string& file);
// Reads the settings from the file; nothing changes when it is not a request setup file.
// Blank lines get their recall defaults; a size or style that cannot print takes its initial
// value and is listed in the result.
SetupRead ReadRequestSetupFile(const std::string& file);
// "&Save Setup" and "&Recall Setup": the file dialogs, the file, and what the host is told.
void SaveRequestSetup();
bool RecallRequestSetup();  // true when the settings were replaced
