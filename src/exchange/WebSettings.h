#pragma once
// The web settings: what the HTML SongBook composer, its colour and embed-point windows and
// the page generators share. They live in memory while the program runs; only the web setup
// files (".wsf") keep them. Each variable's name is also its key in those files.
#include <cstdint>
#include <string>

#include "data/globals.h"
#include "runtime/text/text.h"
#include "services/SetupFile.h"

// The page set's name: the folder under "WebPages" that receives the pages.
extern rt::Text<80> HTMLOutputDirectory;
extern rt::Text<40> WebTitle;
extern rt::Text<40> WebHeading;
extern rt::Text<128> HTMLHomeURL;
// Colours are 0x00BBGGRR (red in the low byte).
extern std::uint32_t webbackgroundcolor;
extern std::uint32_t webtablecolor;
extern std::uint32_t webheadingcolor;
extern std::uint32_t webcaptioncolor;
extern std::uint32_t webcaptionbackground;
extern std::uint32_t websonglistingcolor;
extern std::uint32_t WebTableFill;
extern std::uint32_t weblinkcolor;
extern std::uint32_t webactivecolor;
extern std::uint32_t webvlinkcolor;
// The host's own HTML: in the head, inside the body tag, at the top of the body.
extern rt::Text<256> WebEmbedHeader;
extern rt::Text<80> WebEmbedBodyTag;
extern rt::Text<256> WebEmbedBody;

// The last page either generator created (its full name).
extern PathText HtmlPageFileName;

// The ten colours back to their first values; the texts stay.
void RestoreWebColorDefaults();
// Every web setting back to its first value (as the program starts).
void ResetWebSettings();

// Six hexadecimal digits, upper case, red first: 0xFF gives "FF0000", 0xA00000 "0000A0".
std::string ColorToHexText(std::uint32_t color);

// The type mark of a web setup file (key "Version" of section "Version").
constexpr const char* WebSetupFileType = "HTML SongBook Setup File";

extern const SetupFileType kWebSetupFileType;

// The file a chosen setup name stands for: its folder and name with the extension ".wsf"
// (design, design.WSF and design.txt all give design.wsf).
std::string WebSetupFileName(const std::string& chosen);
// Writes the type mark and all seventeen settings; other contents of an existing file stay.
// 0, or the errno value of the failure (the file is left as it was).
int WriteWebSetup(const std::string& file);
// Reads all seventeen settings from a web setup file; nothing changes when the file is not of
// that type (a print design file, say, or no file at all). A colour that is not one takes its
// first value and is listed in the result; a missing colour is black.
SetupRead ReadWebSetup(const std::string& file);
// "Save Setup" and "Recall Setup": the file dialogs (starting from `last`, which keeps the
// name chosen), the file, and what the host is told.
void SaveWebSetup(std::string* last = nullptr);
bool RecallWebSetup(std::string* last = nullptr);  // true when the settings were replaced
