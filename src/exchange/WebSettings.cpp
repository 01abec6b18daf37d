#include "exchange/WebSettings.h"

#include <cstdio>

rt::Text<80> HTMLOutputDirectory;
rt::Text<40> WebTitle;
rt::Text<40> WebHeading;
rt::Text<128> HTMLHomeURL;
std::uint32_t webbackgroundcolor;
std::uint32_t webtablecolor;
std::uint32_t webheadingcolor;
std::uint32_t webcaptioncolor;
std::uint32_t webcaptionbackground;
std::uint32_t websonglistingcolor;
std::uint32_t WebTableFill;
std::uint32_t weblinkcolor;
std::uint32_t webactivecolor;
std::uint32_t webvlinkcolor;
rt::Text<256> WebEmbedHeader;
rt::Text<80> WebEmbedBodyTag;
rt::Text<256> WebEmbedBody;
PathText HtmlPageFileName;

namespace {

struct Initial {
    Initial() { ResetWebSettings(); }
} initial;

// The keys in the order the file lists them; a colour out of range takes its first value.
SetupKeys webKeys() {
    return {
        SetupText("HTMLOutputDirectory", HTMLOutputDirectory),
        SetupText("WebTitle", WebTitle),
        SetupText("WebHeading", WebHeading),
        SetupText("HTMLHomeURL", HTMLHomeURL),
        SetupColour("webbackgroundcolor", webbackgroundcolor, 0xFFFFFF),
        SetupColour("webtablecolor", webtablecolor, 0xE8E8E8),
        SetupColour("webheadingcolor", webheadingcolor, 0),
        SetupColour("webcaptioncolor", webcaptioncolor, 0xFFFFFF),
        SetupColour("webcaptionbackground", webcaptionbackground, 0xA00000),
        SetupColour("websonglistingcolor", websonglistingcolor, 0),
        SetupColour("WebTableFill", WebTableFill, 0xFFFFFF),
        SetupColour("weblinkcolor", weblinkcolor, 0xA00000),
        SetupColour("webactivecolor", webactivecolor, 0xFFFF80),
        SetupColour("webvlinkcolor", webvlinkcolor, 0xFF80FF),
        SetupText("WebEmbedHeader", WebEmbedHeader),
        SetupText("WebEmbedBodyTag", WebEmbedBodyTag),
        SetupText("WebEmbedBody", WebEmbedBody),
    };
}

}  // namespace

void RestoreWebColorDefaults() {
    webbackgroundcolor = 0xFFFFFF;
    webheadingcolor = 0;
    websonglistingcolor = 0;
    webcaptioncolor = 0xFFFFFF;
    webcaptionbackground = 0xA00000;
    webactivecolor = 0xFFFF80;
    webtablecolor = 0xE8E8E8;
    WebTableFill = 0xFFFFFF;
    weblinkcolor = 0xA00000;
    webvlinkcolor = 0xFF80FF;
}

void ResetWebSettings() {
    HTMLOutputDirectory.clear();
    WebTitle.clear();
    WebHeading.clear();
    HTMLHomeURL.clear();
    WebEmbedHeader.clear();
    WebEmbedBodyTag.clear();
    WebEmbedBody.clear();
    HtmlPageFileName.clear();
    RestoreWebColorDefaults();
}

std::string ColorToHexText(std::uint32_t color) {
    char out[8];
    std::snprintf(out, sizeof out, "%02X%02X%02X", color & 0xFFu, (color >> 8) & 0xFFu, (color >> 16) & 0xFFu);
    return out;
}

const SetupFileType kWebSetupFileType{WebSetupFileType,
                                      ".wsf",
                                      "HTML SongBook Setup File|*.WSF",
                                      "Enter Name of HTML SongBook Setup File",
                                      "Enter Name of HTML SongBook Setup File",
                                      0};

std::string WebSetupFileName(const std::string& chosen) { return SetupFileName(kWebSetupFileType, chosen); }

int WriteWebSetup(const std::string& file) { return WriteSetupFile(kWebSetupFileType, webKeys(), file); }

SetupRead ReadWebSetup(const std::string& file) { return ReadSetupFile(kWebSetupFileType, webKeys(), file); }

void SaveWebSetup(std::string* last) {
    if (auto file = AskSetupFileToSave(kWebSetupFileType, last)) SaveSetupFile(kWebSetupFileType, webKeys(), *file);
}

bool RecallWebSetup(std::string* last) {
    auto file = AskSetupFileToRecall(kWebSetupFileType, last);
    return file && TellSetupRead(kWebSetupFileType, *file, ReadWebSetup(*file));
}
