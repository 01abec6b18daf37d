#include "printing/SongBookDesigner.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "data/genre.h"
#include "data/makeid.h"
#include "printing/PrintDesignFile.h"
#include "printing/PrintSettings.h"
#include "printing/PrintSongBook.h"
#include "printing/styles/StyleReport.h"
#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowHelpTopic.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"

namespace {

constexpr const char* kTitle = "Cantorelle V2 SongBook Maker - SongBook Designer";
constexpr const char* kHelpTopic = "PrintingSongBooks";
constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::size_t kPrintStack = 25000;

// The manufacturer code list, as the program handed it over.
std::function<void()> addBrandProcedure;

const std::vector<std::string> kTypeFaces = {"Arial", "Courier", "Times New Roman", "Modern", "Marlet"};

// One control bound to one setting: how the setting reads as the control's value, and how
// the control's new value changes it.
struct Binding {
    int id = 0;
    std::function<std::string()> get;
    std::function<void(const std::string&)> set;
};

// A colour button: the setting, the box that shows it and the colour dialog's title.
struct ColorChoice {
    int button = 0, box = 0;
    std::uint32_t* color = nullptr;
    const char* title = "";
};

long number(const std::string& s) { return std::strtol(s.c_str(), nullptr, 10); }

// How wide a text is in ems, by the widths of the usual faces' letters (wide capitals, narrow
// i and l), a little more in bold.
double widthInEms(const std::string& text, bool bold) {
    double w = 0;
    for (char32_t c : rt::codePoints(text)) {
        if (c == U' ' || c == U'i' || c == U'l' || c == U'j' || c == U'I' || c == U'!' || c == U'.' || c == U',' ||
            c == U':' || c == U';' || c == U'\'' || c == U'|')
            w += 0.3;
        else if (c == U'f' || c == U't' || c == U'r')
            w += 0.4;
        else if (c == U'm' || c == U'w')
            w += 0.85;
        else if (c == U'M' || c == U'W')
            w += 0.95;
        else if (c >= U'a' && c <= U'z')
            w += 0.56;
        else if ((c >= U'A' && c <= U'Z') || (c >= U'0' && c <= U'9'))
            w += 0.72;
        else
            w += 0.7;
    }
    return bold ? w * 1.05 : w;
}

}  // namespace

int SampleHeadingSize(const std::string& heading, bool bold) {
    // The sample's heading holds about 135 points of text a line, and two lines of up to 11 points.
    const double ems = widthInEms(heading, bold);
    if (ems <= 0) return 14;
    const int oneLine = static_cast<int>(135.0 / ems);
    if (oneLine >= 9) return std::min(14, oneLine);
    return std::clamp(static_cast<int>(240.0 / ems), 7, 11);
}

namespace {

class Designer {
public:
    Designer() : w_(kTitle, rt::WindowKind::Dialog, -1, -1, 510, 266, {&GEN, &MAK}) {}
    void run();

private:
    void build();
    void buildGeneral(int tab);
    void buildHeader(int tab);
    void buildBody(int tab);
    void buildFooter(int tab);
    void buildAdvanced(int tab);
    void buildSample();

    // Builders of bound controls.
    int check(int parent, const std::string& name, const std::string& text, int x, int y, int w,
              std::function<bool()> get, std::function<void(bool)> set);
    template <typename T>
    int check(int parent, const std::string& name, const std::string& text, int x, int y, int w, T& setting) {
        return check(parent, name, text, x, y, w, [&setting] { return setting == 1; },
                     [&setting](bool on) { setting = static_cast<T>(on ? 1 : 0); });
    }
    template <std::size_t N>
    int typeFace(int parent, const std::string& name, int x, int y, rt::Text<N>& setting);
    int colorRow(int parent, const std::string& prompt, const std::string& name, int x, int y,
                 std::uint32_t& color, const char* title);
    int sizedGroup(int parent, const std::string& text, int x, int y, int w, int h);

    bool fillPreferences();
    bool fillGenres();
    void firstDisplay();
    void refresh();
    void showValues();
    void showGroups();
    void showOffsetLimit();
    void styleChosen();
    void chooseColor(const ColorChoice& c);
    void selectTab(int n);
    void printSongBook();
    void handle(int id);

    TaskWindow w_;
    std::vector<Binding> bindings_;
    std::vector<ColorChoice> colors_;
    std::vector<int> tabs_;
    int sheet_ = 0, shownTab_ = 1;
    // General
    int style_ = 0;
    // Body
    std::array<int, 3> sizes_{};
    // Advanced
    int duplicates_ = 0, preferences_ = 0, clear_ = 0, addBrand_ = 0;
    std::array<int, 8> prefLists_{};
    int offsetPages_ = 0, offsetPrompt_ = 0, offset_ = 0, offsetUnit_ = 0, offsetLimit_ = 0;
    int pageBreak_ = 0, pageBreakValue_ = 0;
    int filterDates_ = 0, startPrompt_ = 0, startDate_ = 0, endPrompt_ = 0, endDate_ = 0;
    int filterGenre_ = 0, genreGroup_ = 0, genreList_ = 0;
    // Sample
    int headerBox_ = 0, headerText_ = 0, bar_ = 0, bodyBox_ = 0, footerBox_ = 0, footerText_ = 0;
    std::array<int, 3> barTexts_{};
    std::array<int, 4> bodyTexts_{};
    // Buttons
    int print_ = 0, save_ = 0, recall_ = 0, help_ = 0, close_ = 0;

    std::vector<std::string> genres_;
    std::vector<std::string> makeChoices_;
    bool refreshing_ = false;
};

// --- building ---

int Designer::check(int parent, const std::string& name, const std::string& text, int x, int y, int w,
                    std::function<bool()> get, std::function<void(bool)> set) {
    const int id = w_.check(name, text, x, y, w, 10);
    w_.edit(id).parent = parent;
    bindings_.push_back({id, [get] { return std::string(get() ? "1" : "0"); },
                         [set](const std::string& v) { set(v == "1"); }});
    return id;
}

template <std::size_t N>
int Designer::typeFace(int parent, const std::string& name, int x, int y, rt::Text<N>& setting) {
    const int p = w_.prompt(name + ":Prompt", "TypeFace:", x, y + 1, 34, 10);
    const int id = w_.combo(name, "@s20", x + 36, y, 80, 12);
    w_.setChoices(id, kTypeFaces);
    w_.edit(p).parent = w_.edit(id).parent = parent;
    bindings_.push_back({id, [&setting] { return setting.str(); }, [&setting](const std::string& v) { setting = v; }});
    return id;
}

int Designer::colorRow(int parent, const std::string& prompt, const std::string& name, int x, int y,
                       std::uint32_t& color, const char* title) {
    const int p = w_.prompt(name + ":Prompt", prompt, x, y + 1, 48, 10);
    const int box = w_.add(rt::ControlKind::Box, name + ":Box", "", x + 50, y, 40, 11);
    const int button = w_.button(name, "..", x + 94, y, 16, 11);
    w_.setTooltip(button, title);
    for (int id : {p, box, button}) w_.edit(id).parent = parent;
    w_.edit(box).boxed = true;
    colors_.push_back({button, box, &color, title});
    return button;
}

int Designer::sizedGroup(int parent, const std::string& text, int x, int y, int w, int h) {
    const int g = w_.group("", text, x, y, w, h);
    w_.edit(g).parent = parent;
    w_.edit(g).boxed = true;
    return g;
}

void Designer::build() {
    sheet_ = w_.add(rt::ControlKind::Sheet, "?Sheet", "", 6, 4, 340, 234);
    for (const char* t : {"General", "Header", "Body", "Footer", "Advanced"})
        tabs_.push_back(w_.add(rt::ControlKind::Tab, std::string("?Tab:") + t, t, 0, 0, 0, 0, sheet_));
    w_.setSelected(sheet_, 1);
    buildGeneral(tabs_[0]);
    buildHeader(tabs_[1]);
    buildBody(tabs_[2]);
    buildFooter(tabs_[3]);
    buildAdvanced(tabs_[4]);
    buildSample();

    print_ = w_.button("?Print", "&Print SongBook", 6, 246, 70, 14);
    save_ = w_.button("?Save", "&Save Design", 82, 246, 60, 14);
    recall_ = w_.button("?Recall", "&Recall Design", 148, 246, 60, 14);
    help_ = w_.button("?Help", "&Help", 396, 246, 50, 14);
    close_ = w_.button("?Close", "&Close", 452, 246, 50, 14);
    w_.edit(print_).isDefault = true;
}

void Designer::buildGeneral(int tab) {
    const int sort = w_.option("?PrintSort", "Sorted By", 14, 28, 130, 46);
    w_.edit(sort).parent = tab;
    w_.edit(sort).boxed = true;
    w_.radio(sort, "?PrintSort:1", "Song Title", 24, 42, 100, 10);
    w_.radio(sort, "?PrintSort:2", "Artist", 24, 56, 100, 10);
    bindings_.push_back({sort, [] { return std::to_string(PrintSetup.PrintSort); },
                         [](const std::string& v) { PrintSetup.PrintSort = static_cast<std::uint16_t>(number(v)); }});

    style_ = w_.option("?PrintFormat", "SongBook Style", 14, 82, 324, 100);
    w_.edit(style_).parent = tab;
    w_.edit(style_).boxed = true;
    const int single = w_.prompt("", "Single Column", 24, 96, 120, 10);
    const int twin = w_.prompt("", "Double Column", 160, 96, 120, 10);
    w_.setControlFont(single, rt::Font{"", 0, 700, false, rt::kNoColor});
    w_.setControlFont(twin, rt::Font{"", 0, 700, false, rt::kNoColor});
    w_.edit(single).parent = w_.edit(twin).parent = style_;
    const char* one[] = {"Plain", "Shaded", "Formatted", "Indented"};
    for (int i = 0; i < 4; ++i)
        w_.radio(style_, "?PrintFormat:" + std::to_string(i + 1), one[i], 30, 110 + 16 * i, 100, 10);
    w_.radio(style_, "?PrintFormat:5", "Formatted", 166, 110, 100, 10);
    w_.radio(style_, "?PrintFormat:6", "Indented", 166, 126, 100, 10);
    bindings_.push_back({style_, [] { return std::to_string(PrintSetup.PrintFormat); },
                         [](const std::string& v) { PrintSetup.PrintFormat = static_cast<std::uint16_t>(number(v)); }});
    const int note = w_.text("", "The sample on the right shows the fonts and colours chosen.", 14, 190, 324, 10);
    w_.edit(note).parent = tab;
}

void Designer::buildHeader(int tab) {
    const int p = w_.prompt("?ReportHeader:Prompt", "Header Text (Optional)", 14, 28, 120, 10);
    const int header = w_.entry("?ReportHeader", "@s35", 14, 40, 324, 12);
    w_.edit(p).parent = w_.edit(header).parent = tab;
    bindings_.push_back({header, [] { return PrintSetup.ReportHeader.str(); },
                         [](const std::string& v) { PrintSetup.ReportHeader = v; }});

    const int hf = sizedGroup(tab, "Header Font/Style", 14, 58, 140, 58);
    typeFace(hf, "?HeaderFont", 20, 70, PrintSetup.HeaderFont);
    check(hf, "?HeaderSetBold", "Bold", 20, 88, 50, PrintSetup.HeaderSetBold);
    check(hf, "?HeaderSetItalic", "Italics", 20, 100, 50, PrintSetup.HeaderSetItalic);

    const int cf = sizedGroup(tab, "Column Heading Font/Style", 158, 58, 140, 58);
    typeFace(cf, "?ColumnBarFont", 164, 70, PrintSetup.ColumnBarFont);
    check(cf, "?ColumnBarSetBold", "Bold", 164, 88, 50, PrintSetup.ColumnBarSetBold);
    check(cf, "?ColumnBarSetItalic", "Italics", 164, 100, 50, PrintSetup.ColumnBarSetItalic);

    const int cc = sizedGroup(tab, "Column Heading Text/Fill Colors", 14, 122, 140, 62);
    colorRow(cc, "Text Color:", "?ColumnBarTextColor", 20, 134, PrintSetup.ColumnBarTextColor,
             "Select Column Heading Text Color");
    colorRow(cc, "Fill Color:", "?ColumnBarFill", 20, 150, PrintSetup.ColumnBarFill, "Choose Column Bar Fill Color");
    colorRow(cc, "Border Color:", "?ColumnBarBorderColor", 20, 166, PrintSetup.ColumnBarBorderColor,
             "Choose Column Bar Border Color");

    const int hc = sizedGroup(tab, "Header Text Color", 158, 122, 140, 46);
    colorRow(hc, "Foreground", "?HeaderColor", 164, 134, PrintSetup.HeaderColor, "Choose Box Color");
    colorRow(hc, "Background", "?HeaderBackgroundColor", 164, 150, PrintSetup.HeaderBackgroundColor,
             "Choose Header Background Color");
}

void Designer::buildBody(int tab) {
    const int size = w_.option("?SetFonts", "Font Size", 14, 28, 92, 52);
    w_.edit(size).parent = tab;
    w_.edit(size).boxed = true;
    const char* sizes[] = {"Small (8 pt)", "Medium (10 pt)", "Large (12 pt)"};
    for (int i = 0; i < 3; ++i)
        sizes_[static_cast<std::size_t>(i)] =
            w_.radio(size, "?SetFonts:" + std::to_string(i + 1), sizes[i], 20, 40 + 12 * i, 80, 10);
    bindings_.push_back({size, [] { return std::to_string(PrintSetup.SetFonts); },
                         [](const std::string& v) { PrintSetup.SetFonts = static_cast<std::uint16_t>(number(v)); }});

    const int fcase = w_.option("?CaseStyle", "Font Case", 110, 28, 62, 52);
    w_.edit(fcase).parent = tab;
    w_.edit(fcase).boxed = true;
    w_.radio(fcase, "?CaseStyle:1", "Mixed", 116, 40, 50, 10);
    w_.radio(fcase, "?CaseStyle:2", "All Caps", 116, 52, 50, 10);
    bindings_.push_back({fcase, [] { return std::to_string(PrintSetup.CaseStyle); },
                         [](const std::string& v) { PrintSetup.CaseStyle = static_cast<std::uint16_t>(number(v)); }});

    const int face = sizedGroup(tab, "Body Font", 176, 28, 122, 52);
    typeFace(face, "?PrintFont", 178, 42, PrintSetup.PrintFont);

    struct Column {
        const char* group;
        const char* name;
        std::uint8_t* bold;
        std::uint8_t* italic;
        std::uint8_t* hide;
    } columns[] = {
        {"Title", "Title", &PrintSetup.TitleBold, &PrintSetup.TitleItalics, nullptr},
        {"Artist", "Artist", &PrintSetup.ArtistBold, &PrintSetup.ArtistItalics, nullptr},
        {"Mfr. Column", "Mfr", &PrintSetup.MfrBold, &PrintSetup.MfrItalics, &PrintSetup.ShowMake},
        {"Song #", "DiskTrack", &PrintSetup.DiskTrackBold, &PrintSetup.DiskTrackItalics, &PrintSetup.SHOWSONGNUM},
    };
    int x = 14;
    for (const Column& c : columns) {
        const int g = sizedGroup(tab, c.group, x, 86, 68, 52);
        const std::string n = c.name;
        check(g, "?" + n + "Bold", "Bold", x + 6, 98, 56, *c.bold);
        check(g, "?" + n + "Italics", "Italics", x + 6, 110, 56, *c.italic);
        if (c.hide) check(g, "?" + std::string(n == "Mfr" ? "ShowMake" : "SHOWSONGNUM"), "Hide", x + 6, 122, 56, *c.hide);
        x += 72;
    }

    const int color = sizedGroup(tab, "Body Text Color", 14, 144, 140, 46);
    colorRow(color, "Foreground:", "?BodyColor", 20, 156, PrintSetup.BodyColor, "Choose Body Text Foreground Color");
    colorRow(color, "Background:", "?BodyBackgroundColor", 20, 172, PrintSetup.BodyBackgroundColor,
             "Choose Body Text Background Color");

    const int names = w_.option("?NameFormat", "Artist Name Format", 158, 144, 140, 46);
    w_.edit(names).parent = tab;
    w_.edit(names).boxed = true;
    w_.radio(names, "?NameFormat:0", "LastName, FirstName", 166, 158, 120, 10);
    w_.radio(names, "?NameFormat:1", "FirstName LastName", 166, 172, 120, 10);
    bindings_.push_back({names, [] { return std::to_string(PrintSetup.NameFormat + 1); },
                         [](const std::string& v) { PrintSetup.NameFormat = number(v) == 2 ? 1 : 0; }});
}

void Designer::buildFooter(int tab) {
    const int p = w_.prompt("?ReportFooter:Prompt", "Footer Text (Optional)", 14, 28, 120, 10);
    const int footer = w_.entry("?ReportFooter", "@s35", 14, 40, 324, 12);
    w_.edit(p).parent = w_.edit(footer).parent = tab;
    bindings_.push_back({footer, [] { return PrintSetup.ReportFooter.str(); },
                         [](const std::string& v) { PrintSetup.ReportFooter = v; }});

    const int ff = sizedGroup(tab, "Footer Font/Style", 14, 58, 140, 58);
    typeFace(ff, "?FooterFont", 20, 70, PrintSetup.FooterFont);
    check(ff, "?FooterSetBold", "Bold", 20, 88, 50, PrintSetup.FooterSetBold);
    check(ff, "?FooterSetItalic", "Italics", 20, 100, 50, PrintSetup.FooterSetItalic);

    const int fc = sizedGroup(tab, "Footer Text Color", 158, 58, 140, 46);
    colorRow(fc, "Foreground:", "?FooterColor", 164, 70, PrintSetup.FooterColor, "Choose Footer Text Foreground Color");
    colorRow(fc, "Background", "?FooterBackgroundColor", 164, 86, PrintSetup.FooterBackgroundColor,
             "Choose Footer Text Background Color");
}

void Designer::buildAdvanced(int tab) {
    duplicates_ = check(tab, "?RemoveDuplicates", "Remove Duplicate Songs", 14, 26, 110, PrintSetup.RemoveDuplicates);
    const int sp = w_.prompt("?StartingPageNumber:Prompt", "Starting Page Number:", 14, 40, 76, 10);
    const int start = w_.entry("?StartingPageNumber", "@n6", 92, 39, 32, 12);
    w_.edit(sp).parent = w_.edit(start).parent = tab;
    bindings_.push_back({start, [] { return std::to_string(PrintSetup.StartingPageNumber); },
                         [](const std::string& v) {
                             PrintSetup.StartingPageNumber = static_cast<std::uint16_t>(std::clamp(number(v), 0L, 65535L));
                         }});
    offsetPages_ = check(tab, "?OffsetPages", "Offset Pages for Binding", 14, 54, 110, PrintSetup.OffsetPages);
    offsetPrompt_ = w_.prompt("?Offset:Prompt", "Offset Distance:", 22, 67, 58, 10);
    offset_ = w_.add(rt::ControlKind::Spin, "?Offset", "", 82, 66, 34, 12);
    offsetUnit_ = w_.text("", "1/1000 Inches", 118, 67, 50, 10);
    // Shown when the offset typed is more than the style allows on its paper.
    offsetLimit_ = w_.text("?OffsetLimit", "", 22, 78, 150, 10);
    w_.setColors(offsetLimit_, kRed, rt::kNoColor);
    for (int id : {offsetPrompt_, offset_, offsetUnit_, offsetLimit_}) w_.edit(id).parent = tab;
    bindings_.push_back({offset_, [] { return std::to_string(PrintSetup.Offset); },
                         [](const std::string& v) {
                             PrintSetup.Offset = static_cast<std::uint16_t>(std::clamp(number(v), 0L, 500L) / 5 * 5);
                         }});

    pageBreak_ = w_.button("?PageBreak", "Page Break Adjustment", 14, 90, 90, 13);
    pageBreakValue_ = w_.entry("?GLO:PAGEBREAKOFFSET", "@n-7", 108, 90, 28, 12);
    w_.edit(pageBreakValue_).readOnly = true;
    w_.edit(pageBreak_).parent = w_.edit(pageBreakValue_).parent = tab;

    const int paper = w_.option("?PaperType", "Paper Type", 14, 106, 110, 36);
    w_.edit(paper).parent = tab;
    w_.edit(paper).boxed = true;
    w_.radio(paper, "?PaperType:1", "US Letter", 22, 117, 80, 10);
    w_.radio(paper, "?PaperType:2", "A4", 22, 129, 80, 10);
    bindings_.push_back({paper, [] { return std::to_string(PrintSetup.PaperType); },
                         [](const std::string& v) { PrintSetup.PaperType = static_cast<std::uint16_t>(number(v)); }});
    check(tab, "?WordWrap", "Paper Saver (Wordwrapping Turned OFF)", 14, 146, 150, PrintSetup.WordWrap);
    check(tab, "?ShowTM", "Hide Cantorelle V2 SongBook Maker By-Line", 14, 158, 160, PrintSetup.ShowTM);

    // Brand preferences.
    preferences_ = sizedGroup(tab, "Brand Series Preferences", 178, 24, 160, 138);
    rt::Text<2>* prefs[] = {&PrintSetup.Pref1, &PrintSetup.Pref2, &PrintSetup.Pref3, &PrintSetup.Pref4,
                            &PrintSetup.Pref5, &PrintSetup.Pref6, &PrintSetup.Pref7, &PrintSetup.Pref8};
    for (int i = 0; i < 8; ++i) {
        const int y = 36 + 13 * i;
        const std::string n = "Pref" + std::to_string(i + 1);
        const std::string label = i == 0 ? "Most Preferred" : i == 7 ? "Least Preferred" : std::to_string(i + 1) + ".";
        const int p = w_.prompt("?" + n + ":Prompt", label, 184, y + 1, 56, 10);
        const int list = w_.add(rt::ControlKind::DropList, "?" + n, "", 242, y, 90, 12);
        w_.edit(p).parent = w_.edit(list).parent = preferences_;
        prefLists_[static_cast<std::size_t>(i)] = list;
        rt::Text<2>* pref = prefs[i];
        bindings_.push_back({list,
                             [this, pref] {
                                 // The entry of the code, none when the list lacks it.
                                 for (const std::string& c : makeChoices_)
                                     if (!pref->blank() && c.substr(0, c.find('\t')) == pref->str()) return c;
                                 return std::string();
                             },
                             [pref](const std::string& v) { *pref = v.substr(0, v.find('\t')); }});
    }
    clear_ = w_.button("?Clear", "Clear", 184, 148, 50, 12);
    addBrand_ = w_.button("?AddBrand", "Add Brand", 280, 148, 52, 12);
    w_.enable(addBrand_, static_cast<bool>(addBrandProcedure));
    w_.edit(clear_).parent = w_.edit(addBrand_).parent = preferences_;

    // Filters.
    const int filters = sizedGroup(tab, "Print Filters", 14, 170, 324, 64);
    filterDates_ = check(filters, "?FilterReport", "Filter by Date Added", 20, 181, 90, PrintSetup.FilterReport);
    startPrompt_ = w_.prompt("?StartDate:Prompt", "Start Date:", 112, 182, 36, 10);
    startDate_ = w_.entry("?StartDate", "@d17", 148, 181, 48, 12);
    endPrompt_ = w_.prompt("?EndDate:Prompt", "Ending Date", 202, 182, 42, 10);
    endDate_ = w_.entry("?EndDate", "@d17", 246, 181, 48, 12);
    for (int id : {startPrompt_, startDate_, endPrompt_, endDate_}) w_.edit(id).parent = filters;
    filterGenre_ = check(filters, "?FilterGenre", "Filter by Genre", 20, 196, 90, PrintSetup.FilterGenre);
    genreGroup_ = w_.group("?GenreGroup", "", 112, 194, 182, 14);
    w_.edit(genreGroup_).parent = filters;
    genreList_ = w_.add(rt::ControlKind::DropList, "?PrintGenre", "", 152, 195, 142, 12);
    const int gp = w_.prompt("?PrintGenre:Prompt", "Genre", 112, 196, 38, 10);
    w_.edit(genreList_).parent = w_.edit(gp).parent = genreGroup_;
    bindings_.push_back({genreList_, [] { return PrintSetup.PrintGenre.str(); },
                         [](const std::string& v) { PrintSetup.PrintGenre = v; }});
    check(filters, "?FilterDuets", "Print  Duets Only", 20, 210, 80, PrintSetup.FilterDuets);
    check(filters, "?ignoreomits", "Print Listings Tagged as Omit.", 104, 210, 120, PrintSetup.ignoreomits);
    check(filters, "?RemoveVocals", "Remove Vocals", 20, 222, 80, PrintSetup.RemoveVocals);
}

void Designer::buildSample() {
    const int g = w_.group("?Sample", "Sample", 352, 4, 152, 234);
    w_.edit(g).boxed = true;
    headerBox_ = w_.add(rt::ControlKind::Box, "?SampleHeaderBox", "", 358, 18, 140, 30);
    headerText_ = w_.text("?SampleHeader", "", 360, 22, 136, 26);
    bar_ = w_.add(rt::ControlKind::Box, "?SampleBar", "", 358, 56, 140, 14);
    const char* heads[] = {"Title", "Artist", "Song #"};
    const int hx[] = {362, 408, 458};
    for (int i = 0; i < 3; ++i)
        barTexts_[static_cast<std::size_t>(i)] = w_.text("?SampleHeading" + std::to_string(i + 1), heads[i], hx[i], 58, 38, 10);
    bodyBox_ = w_.add(rt::ControlKind::Box, "?SampleBody", "", 358, 74, 140, 110);
    bodyTexts_[0] = w_.text("?SampleText1", "", 362, 80, 132, 16);
    bodyTexts_[1] = w_.text("?SampleText2", "", 362, 100, 132, 16);
    bodyTexts_[2] = w_.text("?SampleMfr", "MFR", 362, 124, 60, 16);
    bodyTexts_[3] = w_.text("?SampleSongNumber", "101-01", 426, 124, 66, 16);
    footerBox_ = w_.add(rt::ControlKind::Box, "?SampleFooterBox", "", 358, 192, 140, 38);
    footerText_ = w_.text("?SampleFooter", "", 360, 198, 136, 26);
    for (int id : {headerBox_, headerText_, bar_, bodyBox_, footerBox_, footerText_}) w_.edit(id).parent = g;
    for (int id : barTexts_) w_.edit(id).parent = g;
    for (int id : bodyTexts_) w_.edit(id).parent = g;
}

// --- lists ---

bool Designer::fillPreferences() {
    std::vector<std::pair<std::string, std::string>> codes;
    // A file that cannot be set gives an empty list; a read that fails closes the Designer.
    RecordReader makers(MAK, MakeId::KMAKEID);
    while (makers.next()) codes.emplace_back(MAK.MAKEID.str(), MAK.MAKEDESC.str());
    if (makers.failed() && makers.started()) {
        w_.close();
        return false;
    }
    std::stable_sort(codes.begin(), codes.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    makeChoices_.clear();
    for (const auto& [code, desc] : codes) makeChoices_.push_back(code + "\t" + desc);
    rt::Text<2>* prefs[] = {&PrintSetup.Pref1, &PrintSetup.Pref2, &PrintSetup.Pref3, &PrintSetup.Pref4,
                            &PrintSetup.Pref5, &PrintSetup.Pref6, &PrintSetup.Pref7, &PrintSetup.Pref8};
    for (int i = 7; i >= 0; --i) {
        if (makeChoices_.empty()) prefs[i]->clear();
        w_.setChoices(prefLists_[static_cast<std::size_t>(i)], makeChoices_);
    }
    return true;
}

bool Designer::fillGenres() {
    genres_.clear();
    RecordReader genres(GEN, Genre::KGENRE);
    while (genres.next()) genres_.push_back(GEN.GENRE.str());
    if (genres.failed() && genres.started()) {
        w_.close();
        return false;
    }
    if (genres_.empty()) PrintSetup.PrintGenre.clear();
    else if (PrintSetup.PrintGenre.blank()) PrintSetup.PrintGenre = genres_.front();
    w_.setChoices(genreList_, genres_);
    return true;
}

// --- showing ---

void Designer::showValues() {
    for (const Binding& b : bindings_) {
        const std::string v = b.get();
        if (w_.value(b.id) != v) w_.setValue(b.id, v);
    }
    for (const ColorChoice& c : colors_) w_.setColors(c.box, rt::kNoColor, *c.color);
    const std::string start = rt::formatShortDate(PrintSetup.StartDate), end = rt::formatShortDate(PrintSetup.EndDate);
    if (w_.value(startDate_) != start) w_.setValue(startDate_, start);
    if (w_.value(endDate_) != end) w_.setValue(endDate_, end);
    const std::string pb = (PrintSetup.PAGEBREAKOFFSET > 0 ? "+" : "") + std::to_string(PrintSetup.PAGEBREAKOFFSET);
    if (w_.value(pageBreakValue_) != pb) w_.setValue(pageBreakValue_, pb);
}

void Designer::showGroups() {
    w_.hide(preferences_, PrintSetup.RemoveDuplicates != 1);
    for (int id : {offsetPrompt_, offset_, offsetUnit_}) w_.hide(id, PrintSetup.OffsetPages != 1);
    showOffsetLimit();
    w_.hide(genreGroup_, PrintSetup.FilterGenre != 1);
}

void Designer::refresh() {
    if (refreshing_) return;
    refreshing_ = true;
    const PrintSettings& s = PrintSetup;
    auto font = [](const std::string& name, int size, bool bold, bool italic, std::uint32_t color) {
        return rt::Font{name, size, bold ? 700 : 400, italic, color};
    };
    // Header.
    w_.setText(headerText_, s.ReportHeader.str());
    w_.setControlFont(headerText_, font(s.HeaderFont, SampleHeadingSize(s.ReportHeader.str(), s.HeaderSetBold == 1),
                                        s.HeaderSetBold == 1, s.HeaderSetItalic == 1, s.HeaderColor));
    w_.setColors(headerText_, s.HeaderColor, s.HeaderBackgroundColor);
    w_.setColors(headerBox_, rt::kNoColor, s.HeaderBackgroundColor);
    // Column headings.
    for (int id : barTexts_) {
        w_.setControlFont(id, font(s.ColumnBarFont, 9, s.ColumnBarSetBold == 1, s.ColumnBarSetItalic == 1,
                                   s.ColumnBarTextColor));
        w_.setColors(id, s.ColumnBarTextColor, s.ColumnBarFill);
    }
    w_.setColors(bar_, s.ColumnBarBorderColor, s.ColumnBarFill);
    // Body.
    const int size = s.SetFonts == 1 ? 8 : s.SetFonts == 2 ? 10 : 12;
    const bool titleFirst = s.PrintSort != 2;
    const bool b1 = titleFirst ? s.TitleBold == 1 : s.ArtistBold == 1;
    const bool i1 = titleFirst ? s.TitleItalics == 1 : s.ArtistItalics == 1;
    const bool b2 = titleFirst ? s.ArtistBold == 1 : s.TitleBold == 1;
    const bool i2 = titleFirst ? s.ArtistItalics == 1 : s.TitleItalics == 1;
    w_.setControlFont(bodyTexts_[0], font(s.PrintFont, size, b1, i1, s.BodyColor));
    w_.setControlFont(bodyTexts_[1], font(s.PrintFont, size, b2, i2, s.BodyColor));
    w_.setControlFont(bodyTexts_[2], font(s.PrintFont, size, s.MfrBold == 1, s.MfrItalics == 1, s.BodyColor));
    w_.setControlFont(bodyTexts_[3], font(s.PrintFont, size, s.DiskTrackBold == 1, s.DiskTrackItalics == 1, s.BodyColor));
    for (int id : bodyTexts_) w_.setColors(id, s.BodyColor, s.BodyBackgroundColor);
    w_.setColors(bodyBox_, rt::kNoColor, s.BodyBackgroundColor);
    w_.hide(bodyTexts_[2], s.ShowMake != 0);
    w_.hide(bodyTexts_[3], s.SHOWSONGNUM != 0);
    // Footer.
    w_.setText(footerText_, s.ReportFooter.str());
    w_.setControlFont(footerText_, font(s.FooterFont, 10, s.FooterSetBold == 1, s.FooterSetItalic == 1, s.FooterColor));
    w_.setColors(footerText_, s.FooterColor, s.FooterBackgroundColor);
    w_.setColors(footerBox_, rt::kNoColor, s.FooterBackgroundColor);
    // Dates.
    if (PrintSetup.StartDate == 0) PrintSetup.StartDate = rt::today();
    for (int id : {startPrompt_, startDate_, endPrompt_, endDate_}) w_.hide(id, s.FilterReport != 1);
    // Two columns have no large size.
    if (s.PrintFormat == 5 || s.PrintFormat == 6) {
        if (PrintSetup.SetFonts == 3) PrintSetup.SetFonts = 2;
        w_.disable(sizes_[2]);
    } else if (s.PrintFormat >= 1 && s.PrintFormat <= 4) {
        w_.enable(sizes_[2]);
    }
    // Sample texts.
    std::string t1 = titleFirst ? "Sample Song Title" : "Artist, Joe";
    std::string t2 = titleFirst ? "Artist, Joe" : "Sample Song Title";
    if (s.CaseStyle == 2) {
        t1 = rt::upper(t1);
        t2 = rt::upper(t2);
    }
    w_.setText(bodyTexts_[0], t1);
    w_.setText(bodyTexts_[1], t2);
    w_.setText(bodyTexts_[3], "101-01");
    showOffsetLimit();
    showValues();
    refreshing_ = false;
}

// A binding offset larger than the style allows on its paper is said so: the pages move only
// as far as they stay on the paper.
void Designer::showOffsetLimit() {
    const StyleLayout* style = FindStyle(PrintSetup.PrintFormat, PrintSetup.PrintSort);
    const int limit = style ? BindingOffsetLimit(*style, PrintSetup) : 500;
    const bool over = PrintSetup.OffsetPages == 1 && PrintSetup.Offset > limit;
    const std::string text = over ? "This style moves pages at most " + std::to_string(limit) + "." : std::string();
    if (w_.ctl(offsetLimit_).text != text) w_.setText(offsetLimit_, text);
    w_.hide(offsetLimit_, !over);
}

void Designer::styleChosen() {
    const bool indented = PrintSetup.PrintFormat == 4;
    for (int id : sizes_) w_.enable(id, !indented);
}

void Designer::selectTab(int n) {
    if (n < 1 || n > static_cast<int>(tabs_.size())) return;
    rt::Font plain;
    w_.setControlFont(tabs_[static_cast<std::size_t>(shownTab_ - 1)], plain);
    w_.setColors(tabs_[static_cast<std::size_t>(shownTab_ - 1)], rt::kNoColor, rt::kNoColor);
    shownTab_ = n;
    rt::Font red;
    red.color = kRed;
    w_.setControlFont(tabs_[static_cast<std::size_t>(n - 1)], red);
    w_.setColors(tabs_[static_cast<std::size_t>(n - 1)], kRed, rt::kNoColor);
}

void Designer::firstDisplay() {
    if (!fillGenres() || !fillPreferences()) return;
    PrintSetup.EndDate = rt::today();
    PrintSetup.Offset = 80;
    refresh();
    w_.select(print_);
}

void Designer::chooseColor(const ColorChoice& c) {
    std::uint32_t color = *c.color;
    if (!rt::colorDialog(c.title, color)) return;
    *c.color = color & 0xFFFFFF;
    refresh();
}

void Designer::printSongBook() {
    PrintSetup.PrefCodes = JoinedPreferences(PrintSetup);
    PrintSetup.PRINTFOOTER = PrintSetup.ReportFooter;
    rt::startThread([settings = PrintSettingsSnapshot()] { PrintSongBookWith(settings); }, kPrintStack);
    refresh();
}

// --- events ---

void Designer::handle(int id) {
    if (id == print_) {
        printSongBook();
    } else if (id == save_) {
        SaveDesign();
    } else if (id == recall_) {
        if (RecallDesign()) {
            refresh();
            w_.hide(preferences_, PrintSetup.RemoveDuplicates != 1);
        }
    } else if (id == help_) {
        ShowHelpTopic(kHelpTopic);
    } else if (id == close_) {
        w_.close();
    } else if (id == addBrand_) {
        if (!addBrandProcedure) return;
        addBrandProcedure();
        if (!fillPreferences()) return;
        refresh();
    } else if (id == clear_) {
        for (auto* p : {&PrintSetup.Pref1, &PrintSetup.Pref2, &PrintSetup.Pref3, &PrintSetup.Pref4, &PrintSetup.Pref5,
                        &PrintSetup.Pref6, &PrintSetup.Pref7, &PrintSetup.Pref8})
            p->clear();
        refresh();
    } else if (id == pageBreak_) {
        PageBreakOffsetDialog();
        refresh();
    } else if (id == startDate_ || id == endDate_) {
        const rt::DayNumber d = rt::parseMDY(w_.value(id));
        if (d == 0) {
            rt::beep();
            w_.setValue(id, rt::formatShortDate(id == startDate_ ? PrintSetup.StartDate : PrintSetup.EndDate));
            w_.select(id);
            return;
        }
        (id == startDate_ ? PrintSetup.StartDate : PrintSetup.EndDate) = d;
        refresh();
    } else {
        for (const ColorChoice& c : colors_)
            if (id == c.button) return chooseColor(c);
        for (const Binding& b : bindings_) {
            if (b.id != id) continue;
            b.set(w_.value(id));
            if (id == style_) styleChosen();
            if (id == duplicates_ || id == offsetPages_ || id == filterGenre_ || id == filterDates_) showGroups();
            refresh();
            return;
        }
    }
}

void Designer::run() {
    build();
    showValues();
    showGroups();
    styleChosen();
    selectTab(1);
    w_.onFirstDisplay([this] { firstDisplay(); });
    w_.onRedisplay([this] { refresh(); });
    w_.open();
    while (w_.accept()) {
        switch (w_.code()) {
        case rt::EvAccepted: handle(w_.field()); break;
        case rt::EvNewSelection:
            if (w_.field() == sheet_) {
                selectTab(static_cast<int>(w_.event().value));
                refresh();
            }
            break;
        default: break;
        }
    }
}

}  // namespace

void SongBookDesigner() {
    PrintSetup.PAGEBREAKOFFSET = 0;
    Designer d;
    d.run();
}

void SetDesignerAddBrand(std::function<void()> procedure) { addBrandProcedure = std::move(procedure); }
