#include "exchange/WebSettings.h"

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "runtime/files/folder.h"
#include "runtime/files/ini.h"
#include "services/split_file_path.h"

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

constexpr const char* kSettings = "Settings";

// One setting as the setup file holds it.
struct Setting {
    const char* key;
    std::function<std::string()> get;
    std::function<void(const std::string&)> set;
};

template <std::size_t N>
Setting text(const char* key, rt::Text<N>& t) {
    return {key, [&t] { return t.str(); }, [&t](const std::string& v) { t = v; }};
}

Setting colour(const char* key, std::uint32_t& c) {
    return {key, [&c] { return std::to_string(c); },
            [&c](const std::string& v) {
                // A missing, empty or unreadable value is black.
                const long long n = std::strtoll(v.c_str(), nullptr, 10);
                c = static_cast<std::uint32_t>(n) & 0xFFFFFFu;
            }};
}

// In the order the file lists them.
const std::vector<Setting>& settings() {
    static const std::vector<Setting> all = {
        text("HTMLOutputDirectory", HTMLOutputDirectory),
        text("WebTitle", WebTitle),
        text("WebHeading", WebHeading),
        text("HTMLHomeURL", HTMLHomeURL),
        colour("webbackgroundcolor", webbackgroundcolor),
        colour("webtablecolor", webtablecolor),
        colour("webheadingcolor", webheadingcolor),
        colour("webcaptioncolor", webcaptioncolor),
        colour("webcaptionbackground", webcaptionbackground),
        colour("websonglistingcolor", websonglistingcolor),
        colour("WebTableFill", WebTableFill),
        colour("weblinkcolor", weblinkcolor),
        colour("webactivecolor", webactivecolor),
        colour("webvlinkcolor", webvlinkcolor),
        text("WebEmbedHeader", WebEmbedHeader),
        text("WebEmbedBodyTag", WebEmbedBodyTag),
        text("WebEmbedBody", WebEmbedBody),
    };
    return all;
}

// A value as an INI line keeps it: reading drops blanks around a value and one pair of
// enclosing quotes, so a value that would lose either is put in quotes of its own. A line
// break would end the line early and becomes a blank.
std::string iniValue(std::string v) {
    for (char& c : v)
        if (c == '\r' || c == '\n') c = ' ';
    const bool leadingBlank = !v.empty() && (v.front() == ' ' || v.front() == '\t');
    const bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
    return leadingBlank || quoted ? "\"" + v + "\"" : v;
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

std::string WebSetupFileName(const std::string& chosen) {
    return SplitFilePath(chosen, 3) + SplitFilePath(chosen, 1) + ".wsf";
}

bool SaveWebSetup(const std::string& file) {
    const std::string path = rt::absolutePath(file);
    rt::putIni("Version", "Version", WebSetupFileType, path);
    for (const Setting& s : settings()) rt::putIni(kSettings, s.key, iniValue(s.get()), path);
    // The profile writer reports nothing; what reads back tells whether the file was written.
    if (rt::getIni("Version", "Version", "", path) != WebSetupFileType) return false;
    for (const Setting& s : settings())
        if (rt::getIni(kSettings, s.key, "\x01", path) != s.get()) return false;
    return true;
}

bool RecallWebSetup(const std::string& file) {
    const std::string path = rt::absolutePath(file);
    if (rt::getIni("Version", "Version", "", path) != WebSetupFileType) return false;
    for (const Setting& s : settings()) s.set(rt::getIni(kSettings, s.key, "", path));
    return true;
}
