#include "printing/RequestSlipSettings.h"

#include <charconv>
#include <string_view>

#include "runtime/files/folder.h"
#include "runtime/files/ini.h"
#include "services/split_file_path.h"

rt::Text<40> SongRequestHeaderText;
rt::Text<20> SongRequestHeaderFont;
std::int32_t SongRequestHeaderFontSize = kDefaultHeaderFontSize;
std::int32_t SongRequestHeaderFontStyle = 700;
std::uint32_t SongRequestHeaderColor = 0;
rt::Text<40> SongRequestFooterText;
rt::Text<20> SongRequestFooterFont;
std::int32_t SongRequestFooterFontSize = kDefaultFooterFontSize;
std::int32_t SongRequestFooterFontStyle = 400;
std::uint32_t SongRequestFooterColor = 0;
rt::Text<128> SongRequestLogoFilename;
std::uint8_t UseHashMarks = 0;
std::int32_t NUMBEROFSLIPS = 8;

namespace {

std::string Underscores(std::size_t n) { return std::string(n, '_'); }

// The lines as the program starts with them, and as a recall fills in blank ones.
const std::string kStartLines[4] = {
    "Name:" + Underscores(55),
    "Song Title:" + Underscores(50),
    "Artist:" + Underscores(55),
    "Song #:" + Underscores(27) + "Key (+/-) " + Underscores(13),
};
const std::string kRecallLines[4] = {
    "Name:" + Underscores(46),
    "Song Title:" + Underscores(40),
    "Artist:" + Underscores(44),
    "Song #:" + Underscores(29) + "Key (+/-)" + Underscores(6),
};

constexpr const char* kVersionSection = "Version";
constexpr const char* kSettingsSection = "Settings";

// A decimal number as written by the program (blanks around it allowed); 0 otherwise.
long long Number(const std::string& text) {
    std::string_view s = text;
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
    long long v = 0;
    auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size()) return 0;
    return v;
}

std::int32_t Int32(const std::string& text) {
    const long long v = Number(text);
    if (v < INT32_MIN || v > INT32_MAX) return 0;
    return static_cast<std::int32_t>(v);
}

std::uint32_t Colour(const std::string& text) { return static_cast<std::uint32_t>(Number(text)) & 0xFFFFFF; }

}  // namespace

rt::Text<60> REQUESTSLIPLINE1 = kStartLines[0];
rt::Text<61> REQUESTSLIPLINE2 = kStartLines[1];
rt::Text<62> REQUESTSLIPLINE3 = kStartLines[2];
rt::Text<57> REQUESTSLIPLINE4 = kStartLines[3];

void ResetRequestSlipSettings() {
    SongRequestHeaderText = "Karaoke Song Request";
    SongRequestHeaderFont = "Arial Black";
    SongRequestHeaderFontSize = kDefaultHeaderFontSize;
    SongRequestHeaderFontStyle = 700;
    SongRequestHeaderColor = 0;
    SongRequestFooterText = "For Booking Info Call (555)555-1212";
    SongRequestFooterFont = "Arial";
    SongRequestFooterFontSize = kDefaultFooterFontSize;
    SongRequestFooterFontStyle = 400;
    SongRequestFooterColor = 0;
    SongRequestLogoFilename.clear();
    UseHashMarks = 0;
    NUMBEROFSLIPS = 8;
}

void ResetRequestSlipLines() {
    REQUESTSLIPLINE1 = kStartLines[0];
    REQUESTSLIPLINE2 = kStartLines[1];
    REQUESTSLIPLINE3 = kStartLines[2];
    REQUESTSLIPLINE4 = kStartLines[3];
}

std::string RequestSetupFileName(const std::string& chosen) {
    return SplitFilePath(chosen, 3) + SplitFilePath(chosen, 1) + ".rsf";
}

void WriteRequestSetupFile(const std::string& name) {
    const std::string file = rt::absolutePath(name);
    auto put = [&](const char* key, const std::string& value) { rt::putIni(kSettingsSection, key, value, file); };
    rt::putIni(kVersionSection, "Version", kRequestSetupFileVersion, file);
    put("SongRequestHeaderText", SongRequestHeaderText.str());
    put("SongRequestHeaderFont", SongRequestHeaderFont.str());
    put("SongRequestHeaderFontSize", std::to_string(SongRequestHeaderFontSize));
    put("SongRequestHeaderFontStyle", std::to_string(SongRequestHeaderFontStyle));
    put("SongRequestHeaderColor", std::to_string(SongRequestHeaderColor));
    put("SongRequestFooterText", SongRequestFooterText.str());
    put("SongRequestFooterFont", SongRequestFooterFont.str());
    put("SongRequestFooterFontSize", std::to_string(SongRequestFooterFontSize));
    put("SongRequestFooterFontStyle", std::to_string(SongRequestFooterFontStyle));
    put("SongRequestFooterColor", std::to_string(SongRequestFooterColor));
    put("SongRequestLogoFilename", SongRequestLogoFilename.str());
    put("UseHashMarks", std::to_string(UseHashMarks));
    put("Line1", REQUESTSLIPLINE1.str());
    put("Line2", REQUESTSLIPLINE2.str());
    put("Line3", REQUESTSLIPLINE3.str());
    put("Line4", REQUESTSLIPLINE4.str());
}

bool ReadRequestSetupFile(const std::string& name) {
    const std::string file = rt::absolutePath(name);
    const std::string version = rt::getIni(kVersionSection, "Version", "", file);
    if (!rt::equalClipped(rt::cut(version, 30), kRequestSetupFileVersion)) return false;
    auto get = [&](const char* key) { return rt::getIni(kSettingsSection, key, "", file); };
    // A size of 0 or less would print nothing readable: the default stands in for it.
    auto size = [&](const char* key, std::int32_t deflt) {
        const std::int32_t v = Int32(get(key));
        return v > 0 ? v : deflt;
    };
    SongRequestHeaderText = get("SongRequestHeaderText");
    SongRequestHeaderFont = get("SongRequestHeaderFont");
    SongRequestHeaderFontSize = size("SongRequestHeaderFontSize", kDefaultHeaderFontSize);
    SongRequestHeaderFontStyle = Int32(get("SongRequestHeaderFontStyle"));
    SongRequestHeaderColor = Colour(get("SongRequestHeaderColor"));
    SongRequestFooterText = get("SongRequestFooterText");
    SongRequestFooterFont = get("SongRequestFooterFont");
    SongRequestFooterFontSize = size("SongRequestFooterFontSize", kDefaultFooterFontSize);
    SongRequestFooterFontStyle = Int32(get("SongRequestFooterFontStyle"));
    SongRequestFooterColor = Colour(get("SongRequestFooterColor"));
    SongRequestLogoFilename = get("SongRequestLogoFilename");
    UseHashMarks = static_cast<std::uint8_t>(Number(get("UseHashMarks")));
    auto line = [&](const char* key, int n) {
        const std::string v = get(key);
        return rt::clip(v).empty() ? kRecallLines[n] : v;
    };
    REQUESTSLIPLINE1 = line("Line1", 0);
    REQUESTSLIPLINE2 = line("Line2", 1);
    REQUESTSLIPLINE3 = line("Line3", 2);
    REQUESTSLIPLINE4 = line("Line4", 3);
    return true;
}
