#pragma once
// The request-slip settings (program-wide, shared without a guard) and the request setup
// files (".rsf") that keep a design.
#include <cstdint>
#include <string>

#include "runtime/text/text.h"

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

// Every setting but the four lines as the setup window starts with them.
void ResetRequestSlipSettings();
// The four lines as the program starts with them.
void ResetRequestSlipLines();

// The type mark of a request setup file.
constexpr const char* kRequestSetupFileVersion = "Request Setup File";
// The name a setup is saved under: the chosen folder and name, with ".rsf" in place of any
// extension.
std::string RequestSetupFileName(const std::string& chosen);
// Writes the settings to the file.
void WriteRequestSetupFile(const std::string& file);
// Reads the settings from the file; false (nothing changed) when it is not a request setup
// file. Blank lines get their recall defaults; a font size of 0 or less its default.
bool ReadRequestSetupFile(const std::string& file);
