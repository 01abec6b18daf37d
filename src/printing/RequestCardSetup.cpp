#include "printing/RequestCardSetup.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "printing/CustomizeRequestSlips.h"
#include "printing/PrintRequestSlips.h"
#include "printing/RequestSlipSettings.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "services/ShowHelpTopic.h"
#include "services/TaskWindow.h"

namespace {

const char* const kTitle = "Song Request Card Setup ";
const char* const kLogoFilter =
    "Compuserve GIF (*.gif)|*.gif|OS/2 BitMap (*.bmp)|*.bmp|Windows Meta File (*.wmf)|*.wmf|"
    "JPEG Format (*.jpg)|*.jpg|All Files (*.*)|*.*";

// Setup windows open now: the settings are the program's, so a second window shows the
// design the first one holds instead of resetting it.
int openSetupWindows = 0;

// The sample slip: 50 dialog units to the inch.
constexpr int kSampleX = 8, kSampleY = 8;
int SampleX(double inches) { return kSampleX + static_cast<int>(inches * 50 + 0.5); }
int SampleY(double inches) { return kSampleY + static_cast<int>(inches * 50 + 0.5); }
int SampleW(double inches) { return static_cast<int>(inches * 50 + 0.5); }

rt::Font SettingFont(const std::string& name, std::int32_t size, std::int32_t style, std::uint32_t color) {
    rt::Font f;
    f.name = rt::clip(name);
    f.size = std::max(1, size);
    f.italic = (style & kItalicStyle) != 0;
    f.weight = style & ~kItalicStyle;
    f.color = color;
    return f;
}

class RequestCards {
public:
    RequestCards();
    ~RequestCards() { --openSetupWindows; }
    void run();

private:
    void build();
    void showSettings();
    void showSample();
    void chooseFont(bool header);
    void chooseLogo();
    void saveSetup();
    void recallSetup();
    void takeValue(int field);

    TaskWindow w_;
    int header_ = 0, headerFont_ = 0, footer_ = 0, footerFont_ = 0, logo_ = 0, logoButton_ = 0;
    int slips_ = 0, guides_ = 0;
    int customize_ = 0, save_ = 0, recall_ = 0, print_ = 0, close_ = 0, help_ = 0;
    int sampleHeader_ = 0, sampleFooter_ = 0, sampleLogo_ = 0;
    int sampleLines_[4] = {};
};

RequestCards::RequestCards() : w_(kTitle, rt::WindowKind::MdiChild, -1, -1, 412, 196) {
    if (openSetupWindows++ == 0) ResetRequestSlipSettings();
    build();
}

void RequestCards::build() {
    rt::Window& w = w_;
    w.setFont(rt::Font{"Arial", 8});

    // The slip as it prints.
    w.text("?SampleCaption", "Sample Slip", kSampleX, kSampleY + 134, 100, 10);
    const int slip = w.add(rt::ControlKind::Box, "?SampleSlip", "", kSampleX, kSampleY, SampleW(4.25), SampleW(2.625));
    w.setColors(slip, 0, 0xFFFFFF);
    sampleHeader_ = w.text("?SampleHeader", "", SampleX(0.406), SampleY(0.15), SampleW(3.542), 14);
    const double lineY[4] = {0.583, 0.948, 1.313, 1.698};
    for (int i = 0; i < 4; ++i) {
        sampleLines_[i] = w.text("?SampleLine" + std::to_string(i + 1), "", SampleX(0.406), SampleY(lineY[i]),
                                 SampleW(3.448), 10);
        w.setControlFont(sampleLines_[i], rt::Font{"Arial", 7, 700, false, 0});
    }
    sampleLogo_ = w.image("?SampleLogo", "", SampleX(3.3), SampleY(1.938), SampleW(0.56), SampleW(0.56));
    sampleFooter_ = w.text("?SampleFooter", "", SampleX(0.521), SampleY(2.1), SampleW(3.458), 10);

    // The settings.
    const int x = 230;
    w.group("?HeaderGroup", "Header", x, 6, 176, 28);
    header_ = w.entry("?SongRequestHeaderText", "@s40", x + 6, 17, 144, 12);
    headerFont_ = w.button("?HeaderFont", "..", x + 154, 16, 16, 14);
    w.setTooltip(headerFont_, "Choose Header Font");
    w.group("?FooterGroup", "Footer", x, 38, 176, 28);
    footer_ = w.entry("?SongRequestFooterText", "@s40", x + 6, 49, 144, 12);
    footerFont_ = w.button("?FooterFont", "..", x + 154, 48, 16, 14);
    w.setTooltip(footerFont_, "Choose Footer Font");
    w.group("?LogoGroup", "Logo (Optional)", x, 70, 176, 28);
    logo_ = w.entry("?SongRequestLogoFilename", "@s128", x + 6, 81, 144, 12);
    logoButton_ = w.button("?LogoFile", "..", x + 154, 80, 16, 14);
    w.setTooltip(logoButton_, "Please Select Logo Image File");
    w.prompt("?NUMBEROFSLIPS:Prompt", "# of Slips Desired", x, 106, 70, 10);
    slips_ = w.add(rt::ControlKind::Spin, "?NUMBEROFSLIPS", "", x + 72, 104, 40, 12);
    w.edit(slips_).picture = "@n3";
    guides_ = w.check("?UseHashMarks", "Print Cutting Guides", x, 122, 100, 10);

    customize_ = w.button("?Customize", "Customize", x, 140, 56, 14);
    w.setTooltip(customize_, "Edit the four lines of the slip");
    save_ = w.button("?SaveSetup", "&Save Setup", x + 60, 140, 56, 14);
    recall_ = w.button("?RecallSetup", "&Recall Setup", x + 120, 140, 56, 14);
    print_ = w.button("?Print", "&Print", x, 174, 56, 16);
    w.edit(print_).isDefault = true;
    help_ = w.button("?Help", "&Help", x + 60, 174, 56, 16);
    close_ = w.button("?Close", "&Close", x + 120, 174, 56, 16);
}

// The controls from the settings (which another setup window or a recall may have changed).
void RequestCards::showSettings() {
    auto set = [&](int id, const std::string& v) {
        if (w_.value(id) != v) w_.setValue(id, v);
    };
    set(header_, SongRequestHeaderText.str());
    set(footer_, SongRequestFooterText.str());
    set(logo_, SongRequestLogoFilename.str());
    set(slips_, std::to_string(NUMBEROFSLIPS));
    set(guides_, UseHashMarks ? "1" : "0");
    showSample();
}

void RequestCards::showSample() {
    auto show = [&](int id, const std::string& text) {
        if (w_.ctl(id).text != text) w_.setText(id, text);
    };
    show(sampleHeader_, SongRequestHeaderText.str());
    // The sample is smaller than the slip: its heading two points smaller.
    rt::Font head = SettingFont(SongRequestHeaderFont.str(), SongRequestHeaderFontSize - 2,
                                SongRequestHeaderFontStyle, SongRequestHeaderColor);
    w_.setControlFont(sampleHeader_, head);
    show(sampleLines_[0], REQUESTSLIPLINE1.str());
    show(sampleLines_[1], REQUESTSLIPLINE2.str());
    show(sampleLines_[2], REQUESTSLIPLINE3.str());
    show(sampleLines_[3], REQUESTSLIPLINE4.str());
    show(sampleFooter_, SongRequestFooterText.str());
    w_.setControlFont(sampleFooter_, SettingFont(SongRequestFooterFont.str(), SongRequestFooterFontSize - 2,
                                                 SongRequestFooterFontStyle, SongRequestFooterColor));
    const std::string logo = rt::clip(SongRequestLogoFilename.str());
    show(sampleLogo_, logo);
    w_.hide(sampleLogo_, logo.empty());
    // With a logo the footer moves left to make room for it.
    const rt::Control& f = w_.ctl(sampleFooter_);
    const int footerX = logo.empty() ? SampleX(0.521) : SampleX(0.2);
    if (f.x != footerX) w_.setPosition(sampleFooter_, footerX, f.y, f.w, f.h);
}

void RequestCards::chooseFont(bool header) {
    std::int32_t& size = header ? SongRequestHeaderFontSize : SongRequestFooterFontSize;
    std::int32_t& style = header ? SongRequestHeaderFontStyle : SongRequestFooterFontStyle;
    std::uint32_t& color = header ? SongRequestHeaderColor : SongRequestFooterColor;
    rt::Font f = SettingFont(header ? SongRequestHeaderFont.str() : SongRequestFooterFont.str(), size, style, color);
    if (!rt::fontDialog(header ? "Choose Header Font" : "Choose Footer Font", f)) return;
    if (header) SongRequestHeaderFont = f.name;
    else SongRequestFooterFont = f.name;
    if (f.size > 0) size = f.size;
    style = (f.weight > 0 ? f.weight : 400) + (f.italic ? kItalicStyle : 0);
    if (f.color != rt::kNoColor) color = f.color & 0xFFFFFF;
    showSample();
}

void RequestCards::chooseLogo() {
    std::string path = rt::clip(SongRequestLogoFilename.str());
    // Cancelling takes the logo off the slips.
    if (!rt::fileDialog("Please Select Logo Image File", path, kLogoFilter)) path.clear();
    SongRequestLogoFilename = path;
    showSettings();
}

void RequestCards::saveSetup() { SaveRequestSetup(); }

void RequestCards::recallSetup() {
    if (RecallRequestSetup()) showSettings();
}

void RequestCards::takeValue(int field) {
    const std::string& v = w_.value(field);
    if (field == header_) SongRequestHeaderText = v;
    else if (field == footer_) SongRequestFooterText = v;
    else if (field == logo_) SongRequestLogoFilename = rt::clip(v);
    else if (field == guides_) UseHashMarks = v == "1" ? 1 : 0;
    else if (field == slips_) {
        int n = 0;
        const std::string t = rt::trim(v);
        std::from_chars(t.data(), t.data() + t.size(), n);
        NUMBEROFSLIPS = std::clamp(n, 1, 999);
        if (v != std::to_string(NUMBEROFSLIPS)) w_.setValue(slips_, std::to_string(NUMBEROFSLIPS));
    } else {
        return;
    }
    showSample();
}

void RequestCards::run() {
    showSettings();
    // Another setup window or a recall there may have changed the design meanwhile.
    w_.onRedisplay([this] { showSettings(); });
    w_.open();
    while (w_.accept()) {
        if (w_.code() != rt::EvAccepted) continue;
        const int f = w_.field();
        if (f == headerFont_) chooseFont(true);
        else if (f == footerFont_) chooseFont(false);
        else if (f == logoButton_) chooseLogo();
        else if (f == customize_) {
            CustomizeRequestSlips();
            showSample();
        } else if (f == save_) saveSetup();
        else if (f == recall_) recallSetup();
        else if (f == print_) {
            if (rt::startThread(PrintRequestSlips, 25000) == 0)
                rt::message("No further task can be started now. Close one of the open windows and try again.",
                            "", rt::Icon::Exclamation);
        } else if (f == help_) ShowHelpTopic("PrintingSongRequestCards");
        else if (f == close_) w_.close();
        else takeValue(f);
    }
}

}  // namespace

void RequestCardSetup() {
    RequestCards cards;
    cards.run();
}
