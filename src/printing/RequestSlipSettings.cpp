#include "printing/RequestSlipSettings.h"

#include "services/SetupFile.h"

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

const SetupFileType kRequestSetupFileType{kRequestSetupFileVersion,
                                          ".rsf",
                                          "Request Setup File|*.RSF",
                                          "Enter Name of Request Card Setup File",
                                          "Enter Name of Request Setup File",
                                          30};

namespace {

// A style is a weight, plus 4096 for italics.
bool fontStyle(long long v) {
    const long long weight = v >= kItalicStyle ? v - kItalicStyle : v;
    return weight >= 0 && weight <= 1000;
}

// The keys in the order they are written; a blank line takes its recall default.
SetupKeys requestKeys() {
    auto size = [](long long v) { return v >= 1 && v <= kMaxFontSize; };
    return {
        SetupText("SongRequestHeaderText", SongRequestHeaderText),
        SetupText("SongRequestHeaderFont", SongRequestHeaderFont),
        SetupNumberIf("SongRequestHeaderFontSize", SongRequestHeaderFontSize, size, kDefaultHeaderFontSize),
        SetupNumberIf("SongRequestHeaderFontStyle", SongRequestHeaderFontStyle, fontStyle, std::int32_t{700}),
        SetupColour("SongRequestHeaderColor", SongRequestHeaderColor, 0),
        SetupText("SongRequestFooterText", SongRequestFooterText),
        SetupText("SongRequestFooterFont", SongRequestFooterFont),
        SetupNumberIf("SongRequestFooterFontSize", SongRequestFooterFontSize, size, kDefaultFooterFontSize),
        SetupNumberIf("SongRequestFooterFontStyle", SongRequestFooterFontStyle, fontStyle, std::int32_t{400}),
        SetupColour("SongRequestFooterColor", SongRequestFooterColor, 0),
        SetupText("SongRequestLogoFilename", SongRequestLogoFilename),
        SetupNumber("UseHashMarks", UseHashMarks, 0, 1, std::uint8_t{0}),
        SetupText("Line1", REQUESTSLIPLINE1, kRecallLines[0]),
        SetupText("Line2", REQUESTSLIPLINE2, kRecallLines[1]),
        SetupText("Line3", REQUESTSLIPLINE3, kRecallLines[2]),
        SetupText("Line4", REQUESTSLIPLINE4, kRecallLines[3]),
    };
}

}  // namespace

std::string RequestSetupFileName(const std::string& chosen) { return SetupFileName(kRequestSetupFileType, chosen); }

int WriteRequestSetupFile(const std::string& file) { return WriteSetupFile(kRequestSetupFileType, requestKeys(), file); }

SetupRead ReadRequestSetupFile(const std::string& file) {
    return ReadSetupFile(kRequestSetupFileType, requestKeys(), file);
}

void SaveRequestSetup() {
    if (auto file = AskSetupFileToSave(kRequestSetupFileType))
        SaveSetupFile(kRequestSetupFileType, requestKeys(), *file);
}

bool RecallRequestSetup() {
    auto file = AskSetupFileToRecall(kRequestSetupFileType);
    return file && TellSetupRead(kRequestSetupFileType, *file, ReadRequestSetupFile(*file));
}
