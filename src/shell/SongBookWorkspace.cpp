#include "shell/SongBookWorkspace.h"

#include "exchange/ExportListings.h"
#include "exchange/ImportListings.h"
#include "exchange/HtmlSongBookComposer.h"
#include "library/AddManufacturerDiscs.h"
#include "library/BrowseManufacturers.h"
#include "library/RenumberDiscs.h"
#include "library/SearchMasterTracks.h"
#include "library/BrowseMasterTracks.h"
#include "printing/CdLabelMakerSetup.h"
#include "printing/ManagementReportsMenu.h"
#include "printing/PrintMenu.h"
#include "printing/RequestCardSetup.h"
#include "printing/SongBookDesigner.h"

#include <array>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "data/globals.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/date/date.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "exchange/Mp3gSongBookBuilder.h"
#include "runtime/thread/thread.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/SafeDelete.h"
#include "services/ScrollStops.h"
#include "services/ShowHelpTopic.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"
#include "shell/FrameEvents.h"
#include "shell/AddSongTracks.h"
#include "shell/BrowseTracksOnDisc.h"
#include "shell/GettingStarted.h"
#include "shell/SetupMultiListingEdit.h"
#include "shell/UpdateSongBookListing.h"

void WorkspaceAddDiscs() { AddManufacturerDiscs(); }

void WorkspaceViewMaster() { BrowseMasterTracks(); }

namespace {

// Dark purple on white; the highlighted row white on dark purple (0x00BBGGRR).
constexpr std::uint32_t kInk = 0x800040;
constexpr std::uint32_t kPaper = 0xFFFFFF;

constexpr const char* kHelpTopic = "WorkingWithSongBook";

enum ListNo { ByTitle = 0, ByArtist = 1, ByDisc = 2 };

// Label and slip setup and the reports menu run beside the workspace, on threads of their own.
void startPrintTask(rt::Procedure procedure) {
    if (rt::startThread(std::move(procedure), 25000) == 0)
        rt::message("No further task can be started now. Close one of the open windows and try again.", "",
                    rt::Icon::Exclamation);
}

std::string trackText(std::uint32_t track) { return track ? std::to_string(track) : std::string(); }

std::uint32_t trackNumber(const std::string& text) {
    return static_cast<std::uint32_t>(std::strtoul(text.c_str(), nullptr, 10));
}

// A value inside a pop-up item: "|" would split the item.
std::string itemText(const std::string& s) {
    std::string out;
    for (char c : rt::clip(s)) {
        if (c == '|') out += "\xC2\xA6";  // broken bar
        else out += c;
    }
    return out;
}

rt::Row cells(std::initializer_list<std::string> texts) { return BrowseCells(texts); }

class Workspace {
public:
    Workspace();
    void run();

private:
    // What loading the highlighted listing found.
    struct Loaded {
        bool row = false;      // a highlighted row to load
        bool listing = false;  // its listing is in the SongBook buffer (the current record)
        bool disc = false;     // its disc is in the SBDiscs buffer
    };

    void build();
    void declareLists();
    BrowseList& list(int n) { return *lists_[static_cast<std::size_t>(n)]; }
    BrowseList& currentList() { return list(current_); }

    bool beforeAction(BrowseAction action);
    bool prepareListing(int n, BrowseAction action);
    bool prepareDisc(BrowseAction action);

    void firstDisplay();
    void gainFocus(bool followsOpening);
    void resized();
    void refreshWindow();
    void rebuildAll();
    void updateStates();
    void rememberGeometry();
    bool rescale();

    void command(int id);
    void switchTo(int n);
    void search(bool next);
    bool findMatch(const std::string& text, bool contains, bool next, std::string& position);
    bool listPositionOf(const std::string& wanted, std::string& position);
    Loaded loadHighlighted(bool showErrors);
    void readDisc(const std::string& discId, Loaded& r);
    void quickMenu();
    void multiListingEdit(int scope);
    void afterToggle();
    void toggle(rt::Text<1>& field);
    void deleteSequence();
    bool deleteListing(const std::string& discId);
    bool deleteDisc(const std::string& discId);

    TaskWindow w_;

    // Toolbar.
    int addDiscs_ = 0, addTracks_ = 0, renumber_ = 0, import_ = 0, export_ = 0, webPage_ = 0;
    int print_ = 0, close_ = 0, searchMaster_ = 0, viewMaster_ = 0, help_ = 0, delete_ = 0;
    std::array<int, 3> edit_{};
    // Menus.
    int addDiscsItem_ = 0, addTracksItem_ = 0, renumberItem_ = 0, editItem_ = 0, deleteItem_ = 0;
    int importExportMenu_ = 0, importItem_ = 0, exportItem_ = 0;
    int printSongBookItem_ = 0, printLabelsItem_ = 0, requestCardsItem_ = 0, reportsItem_ = 0;
    int webPageItem_ = 0, viewMasterItem_ = 0, searchMasterItem_ = 0, mp3gItem_ = 0, brandsItem_ = 0;
    // Lists and their hidden record-form buttons.
    std::array<int, 3> listIds_{}, insert_{}, deleteHidden_{};
    // List switches and search.
    std::array<int, 3> switch_{};
    int searchText_ = 0, searchMode_ = 0, searchButton_ = 0, next_ = 0;

    rt::View titleView_{SBK, SongBook::KTITLE};
    rt::View artistView_{SBK, SongBook::KARTIST};
    rt::View discView_{SBD, SBDiscs::KALTDISKID};
    std::array<std::unique_ptr<BrowseList>, 3> lists_;
    int current_ = ByTitle;

    // Search: where the last match was (a position of the search selection), its field in
    // upper case, and the rows the last search read.
    bool haveMatch_ = false;
    std::string lastMatch_;
    std::string lastMatchField_;
    long long rowsRead_ = 0;

    // The designed geometry that rescaling fits to the window: the lists take what the window
    // gains or loses, the panel right of them and the buttons below them move with its edges.
    enum class Anchor { Fixed, Grow, Right, Bottom };
    struct Geometry {
        int id, x, y, w, h;
        Anchor anchor = Anchor::Fixed;
    };
    static constexpr int kPanelX = 402;      // where the panel right of the lists starts
    static constexpr int kListBottom = 266;  // where the lists end, as designed
    std::vector<Geometry> designed_;
    int designW_ = 0, designH_ = 0;
};

Workspace::Workspace()
    : w_(rt::clip(SongBookFileName), rt::WindowKind::MdiChild, 4, 4, 560, 288) {
    titleView_.join(SBD, SBDiscs::KUNQDISKID, 1, [] { SBD.UNQDISKID = SBK.UNQDISKID; });
    artistView_.join(SBD, SBDiscs::KUNQDISKID, 1, [] { SBD.UNQDISKID = SBK.UNQDISKID; });
    discView_.join(SBK, SongBook::KUNQDISKID, 1, [] { SBK.UNQDISKID = SBD.UNQDISKID; });
    build();
    declareLists();
}

void Workspace::build() {
    rt::Window& w = w_;
    w.setResizable(true);
    w.setMinSize(200, 150);
    w.setFont(rt::Font{"Arial", 8});
    w.setIcon(TaskWindow::ProgramIcon);

    // Menu bar.
    const int songBook = w.menu("&SongBook");
    addDiscsItem_ = w.menuItem(songBook, "&Add Disc(s)");
    addTracksItem_ = w.menuItem(songBook, "Add &Track(s)");
    renumberItem_ = w.menuItem(songBook, "&Renumber Disc(s)");
    w.separator(songBook);
    editItem_ = w.menuItem(songBook, "&Edit Track");
    deleteItem_ = w.menuItem(songBook, "&Delete Track/Disc");
    importExportMenu_ = w.menu("&Import/Export");
    importItem_ = w.menuItem(importExportMenu_, "I&mport from CSV File");
    exportItem_ = w.menuItem(importExportMenu_, "E&xport to CSV File");
    const int printMenu = w.menu("&Print");
    printSongBookItem_ = w.menuItem(printMenu, "&Print SongBook");
    printLabelsItem_ = w.menuItem(printMenu, "Print Disc &Labels");
    requestCardsItem_ = w.menuItem(printMenu, "Print &Request Cards", "Print Request Song Request Cards");
    reportsItem_ = w.menuItem(printMenu, "Print Management Reports");
    w.separator(printMenu);
    webPageItem_ = w.menuItem(printMenu, "&Generate Web Page");
    const int master = w.menu("&Main Tunelode");
    viewMasterItem_ = w.menuItem(master, "&View/Edit");
    searchMasterItem_ = w.menuItem(master, "&Search");
    const int utilities = w.menu("Utilities");
    mp3gItem_ = w.menuItem(utilities, "MP3+G SongBook Builder");
    brandsItem_ = w.menuItem(utilities, "Brand/Series File Maintenance");

    // Toolbar: icon buttons in one row (the front ends show them in the window's toolbar,
    // above the other controls).
    int x = 4;
    auto tool = [&](const char* name, const char* icon, const std::string& tip) {
        const int id = w.toolButton(name, icon, tip, x, 2, 18, 16);
        x += 20;
        return id;
    };
    addDiscs_ = tool("?AddDiscs", "~adddiscs.ico", "Add Commercial Disc(s)\nto SongBook.");
    addTracks_ = tool("?AddTracks", "~addtracks.ico",
                      "Add Single Song Tracks or Complete\nCustom Disc(s) to SongBook.\n");
    // The three lists' edit buttons share one place; the current list's shows.
    edit_[ByTitle] = w.toolButton("?EditByTitle", "~edittrack.ico", "Edit Selected Song Track", x, 2, 18, 16);
    edit_[ByArtist] = w.toolButton("?EditByArtist", "~edittrack.ico", "Edit Selected Song Track", x, 2, 18, 16);
    edit_[ByDisc] = w.toolButton("?EditByDisc", "~edittrack.ico", "Edit Selected Song Track", x, 2, 18, 16);
    x += 20;
    renumber_ = tool("?Renumber", "~renumber.ico", "Renumber Disc(s)");
    import_ = tool("?Import", "~import.ico", "Import CSV File into SongBook");
    export_ = tool("?Export", "~export.ico", "Export SongBook to CSV File");
    webPage_ = tool("?WebPage", "~webpage.ico", "");
    print_ = tool("?Print", "~print.ico", "Print SongBook, Labels and Song Request Slips");
    close_ = tool("?Close", "~close.ico", "Close SongBook");
    searchMaster_ = tool("?SearchMaster", "~searchmaster.ico", "Search Master Tunelode");
    viewMaster_ = tool("?ViewMaster", "~viewmaster.ico", "View/Edit Master Tunelode");
    help_ = tool("?Help", "~help.ico", "Help System");
    delete_ = tool("?Delete", "~deletetrack.ico", "Delete Selected Song Track");

    // The three lists, one above the other; the current one shows.
    const std::vector<rt::Column> byTitle = {
        {"Title", 110, 'L'}, {"Artist", 110, 'L'}, {"Disc ID", 32, 'C'}, {"Track", 32, 'C'},
        {"Genre", 36, 'L'},  {"Duet", 17, 'C'},    {"Omit?", 21, 'C'},   {"Mfg.", 5, 'C'}};
    const std::vector<rt::Column> byArtist = {
        {"Artist", 110, 'L'}, {"Title", 110, 'L'}, {"Disc ID", 32, 'C'}, {"Track", 32, 'C'},
        {"Genre", 36, 'L'},   {"Duet", 17, 'C'},   {"Omit?", 21, 'C'},   {"Mfg.", 5, 'C'}};
    const std::vector<rt::Column> byDisc = {
        {"Disc ID", 32, 'C'}, {"Track", 32, 'C'}, {"Title", 110, 'L'}, {"Artist", 110, 'L'},
        {"Genre", 36, 'L'},   {"Duet", 17, 'C'},  {"Omit?", 21, 'C'},  {"Mfg.", 5, 'C'},
        {"Date Added", 44, 'C'}};
    listIds_[ByTitle] = w.list("?ListByTitle", 4, 4, 392, kListBottom - 4, byTitle);
    listIds_[ByArtist] = w.list("?ListByArtist", 4, 4, 392, kListBottom - 4, byArtist);
    listIds_[ByDisc] = w.list("?ListByDisc", 4, 4, 392, kListBottom - 4, byDisc);
    const char* names[] = {"Title", "Artist", "Disc"};
    for (int n = 0; n < 3; ++n) {
        insert_[static_cast<std::size_t>(n)] =
            w.button(std::string("?Insert") + names[n], "&Insert", 4, 268, 40, 14);
        deleteHidden_[static_cast<std::size_t>(n)] =
            w.button(std::string("?DeleteListing") + names[n], "&Delete", 48, 268, 40, 14);
        w.hide(insert_[static_cast<std::size_t>(n)]);
        w.hide(deleteHidden_[static_cast<std::size_t>(n)]);
    }
    for (int n : {ByArtist, ByDisc}) {
        w.hide(listIds_[static_cast<std::size_t>(n)]);
        w.disable(listIds_[static_cast<std::size_t>(n)]);
        w.hide(edit_[static_cast<std::size_t>(n)]);
    }

    // Right of the lists: list switches, the search, the reminders.
    const int px = kPanelX, pw = 150;
    switch_[ByTitle] = w.button("?ShowByTitle", "Song Title", px, 4, pw, 14);
    switch_[ByArtist] = w.button("?ShowByArtist", "Artist", px, 20, pw, 14);
    switch_[ByDisc] = w.button("?ShowByDisc", "Disk ID", px, 36, pw, 14);

    w.group("?SearchGroup", "", px, 56, pw, 82);
    w.prompt("?SearchText:Prompt", "Search Text:", px + 6, 64, 60, 10);
    searchText_ = w.entry("?SearchText", "@s40", px + 6, 75, pw - 12, 12);
    searchMode_ = w.option("?SearchMode", "", px + 6, 90, pw - 12, 22);
    w.setValue(searchMode_, "1");
    const char* modes[] = {"Begins with...", "Contains.."};
    for (int i = 0; i < 2; ++i) {
        w.radio(searchMode_, "?SearchMode:Radio" + std::to_string(i + 1), modes[i], px + 10, 91 + 10 * i, pw - 20, 10);
    }
    searchButton_ = w.button("?Search", "Search", px + 6, 118, 66, 14);
    next_ = w.button("?Next", "Next", px + pw - 72, 118, 66, 14);

    w.text("?QuickMenu1", "Select a Song Track and Click Your", px, 146, pw, 10);
    w.text("?QuickMenu2", "Right Mouse Button to ", px, 156, pw, 10);
    w.text("?QuickMenu3", "Access the Quick Click Menu", px, 166, pw, 10);
    const int reminder = w.text("?Reminder", "REMINDER", px, 184, pw, 10);
    w.setControlFont(reminder, rt::Font{"Arial", 8, 700});
    w.text("?DiscLess", "Disc ID (*) Denotes DiscLess Track (Cavs,MP3+G,etc.)", px, 194, pw, 20);
    w.image("?Logo", "~logo.bmp", px, 222, pw, 44);

    // Renumber, print, delete and Next start greyed.
    for (int id : {renumber_, print_, delete_, next_}) w.disable(id);
}

void Workspace::declareLists() {
    lists_[ByTitle] = std::make_unique<BrowseList>(w_, listIds_[ByTitle], titleView_, SBK, SongBook::KTITLE);
    lists_[ByArtist] = std::make_unique<BrowseList>(w_, listIds_[ByArtist], artistView_, SBK, SongBook::KARTIST);
    lists_[ByDisc] = std::make_unique<BrowseList>(w_, listIds_[ByDisc], discView_, SBD, SBDiscs::KALTDISKID);

    list(ByTitle).rows([] {
        return cells({SBK.TITLE.str(), SBK.ARTIST.str(), SBD.ALTDISKID.str(), trackText(SBK.DISKTRACKNO),
                      SBK.GENRE.str(), SBK.DUET.str(), SBK.PRINT.str(), SBK.MAKEID.str()});
    });
    list(ByArtist).rows([] {
        return cells({SBK.ARTIST.str(), SBK.TITLE.str(), SBD.ALTDISKID.str(), trackText(SBK.DISKTRACKNO),
                      SBK.GENRE.str(), SBK.DUET.str(), SBK.PRINT.str(), SBK.MAKEID.str()});
    });
    list(ByDisc).rows([] {
        return cells({SBD.ALTDISKID.str(), trackText(SBK.DISKTRACKNO), SBK.TITLE.str(), SBK.ARTIST.str(),
                      SBK.GENRE.str(), SBK.DUET.str(), SBK.PRINT.str(), SBK.MAKEID.str(),
                      rt::formatShortDate(SBK.DATEADDED)});
    });
    // The listing's own disc id (also when its disc record is missing) and track.
    for (int n : {ByTitle, ByArtist})
        list(n).hidden([] { return std::vector<std::string>{SBK.UNQDISKID.str(), std::to_string(SBK.DISKTRACKNO)}; });
    list(ByDisc).hidden([] {
        return std::vector<std::string>{SBD.ALTDISKID.str(), std::to_string(SBK.DISKTRACKNO), SBD.UNQDISKID.str()};
    });

    for (int n : {ByTitle, ByArtist, ByDisc}) {
        const auto i = static_cast<std::size_t>(n);
        list(n)
            .colors(kInk, kPaper, kPaper, kInk)
            .stopTable(WorkspaceStopTable)
            .form(UpdateSongBookListing)  // Insert, Ctrl+Enter, double-click, Delete, edit
            .buttons(insert_[i], edit_[i], deleteHidden_[i])
            .beforeAction([this](BrowseAction a) { return beforeAction(a); })
            .windowRefresh([this] { refreshWindow(); });
    }
    for (int n : {ByTitle, ByArtist})
        list(n).prepareForm([this, n](BrowseAction a) { return prepareListing(n, a); });
    list(ByDisc).prepareForm([this](BrowseAction a) { return prepareDisc(a); });
    list(ByTitle).afterForm([this](BrowseAction, bool) { list(ByTitle).reload(); });
}

// All three lists re-read their highlighted rows, title, artist, disc, before any action.
bool Workspace::beforeAction(BrowseAction action) {
    bool current = false;
    for (int n : {ByTitle, ByArtist, ByDisc}) {
        const bool ok = list(n).count() > 0 && list(n).loadHighlighted();
        if (n == current_) current = ok;
    }
    if (!current && action != BrowseAction::Insert && currentList().count() > 0) {
        // The highlighted record is gone: show what is there now rather than act on another.
        currentList().reload();
        return false;
    }
    return true;
}

// The lists by title and by artist hand the form the highlighted listing read by its disc id
// and track; an insert starts from a copy of it.
bool Workspace::prepareListing(int n, BrowseAction action) {
    BrowseList& l = list(n);
    const bool insert = action == BrowseAction::Insert;
    if (l.count() == 0 || l.highlighted() < 1) return insert;
    l.loadHighlighted();
    const std::vector<std::string> h = l.hidden(l.highlighted());
    SBK.clearBuffer();
    SBK.UNQDISKID = h[0];
    SBK.DISKTRACKNO = trackNumber(h[1]);
    SBK.get(SongBook::KUNQDISKID);
    const int error = rt::errorCode();
    if (error != rt::NoError) {
        rt::message(rt::str(error));
        SBK.clearBuffer();
        SBK.clearCurrent();
        if (insert) return true;
        l.reload();
        return false;
    }
    // An insert adds a record of its own.
    if (insert) SBK.clearCurrent();
    return true;
}

// The list by disc hands over the buffers as they are (the disc buffer cleared for an
// insert). A disc without listings has no listing to change or delete.
bool Workspace::prepareDisc(BrowseAction action) {
    if (action == BrowseAction::Insert) {
        SBK.clearCurrent();
        return true;
    }
    return SBK.hasCurrent();
}

void Workspace::run() {
    // The Designers this workspace opens list brands through the disc library's code list.
    SetDesignerAddBrand(BrowseManufacturers);
    w_.onFirstDisplay([this] { firstDisplay(); });
    w_.open();
    rememberGeometry();
    for (auto& l : lists_) l->open();
    if (SBK.records() == 0) GettingStarted();

    bool followsOpening = false;
    while (w_.accept()) {
        const bool afterOpen = followsOpening;
        followsOpening = w_.code() == rt::EvOpenWindow;
        bool taken = false;
        for (auto& l : lists_) {
            if (l->take()) {
                taken = true;
                break;
            }
        }
        if (taken) continue;
        switch (w_.code()) {
        case rt::EvGainFocus:
            gainFocus(afterOpen);
            break;
        case rt::EvSized:
        case rt::EvMaximized:
        case rt::EvRestored:
            resized();
            break;
        case rt::EvIconized:
            rt::message("Minimizing");
            w_.minimize();
            break;
        case rt::EvAlertKey:
            if (w_.event().key == rt::KeyRightClick) quickMenu();
            else if (w_.event().key == rt::KeyEnter && w_.field() == searchText_) command(searchButton_);
            break;
        case rt::EvAccepted:
            command(w_.field());
            break;
        default:
            break;
        }
    }
    for (auto& l : lists_) l->close();
}

void Workspace::firstDisplay() {
    rt::postToThread(EventDisableAutoUpdate, FrameThread);
    rt::postToThread(EventDisableOpenAndAutoUpdate, FrameThread);
    refreshWindow();
}

// Another window had the focus: whatever it changed shows now.
void Workspace::gainFocus(bool followsOpening) {
    const bool changed = FrameResized == 1 && rescale();
    // The lists were filled a moment ago when the window opened.
    if (followsOpening && !changed) return;
    rebuildAll();
}

void Workspace::resized() {
    rescale();  // the window's own size changed, whatever the frame did
    rebuildAll();
    list(ByTitle).requestRefresh();
    list(ByTitle).refresh();
}

void Workspace::refreshWindow() {
    for (int n : {ByTitle, ByArtist, ByDisc}) {
        list(n).refresh();
        if (!list(n).healthy()) return;  // a read error closed the window
    }
    updateStates();
}

void Workspace::rebuildAll() {
    for (auto& l : lists_) l->requestRefresh();
    refreshWindow();
}

void Workspace::updateStates() {
    const long long records = SBK.records();
    rt::clearError();
    w_.setStatus("Total Song Tracks: " + rt::str(records));
    const bool any = records > 0;
    for (int id : {renumber_, delete_, print_, webPage_, renumberItem_, editItem_, deleteItem_,
                   exportItem_, printSongBookItem_, printLabelsItem_, webPageItem_, export_})
        w_.enable(id, any);
    w_.enable(next_, rowsRead_ > 0);
}

void Workspace::rememberGeometry() {
    designW_ = w_.width();
    designH_ = w_.height();
    designed_.clear();
    for (const rt::Control& c : w_.state().controls) {
        switch (c.kind) {
        case rt::ControlKind::Menu:
        case rt::ControlKind::MenuItem:
        case rt::ControlKind::Separator:
        case rt::ControlKind::Tab:
            break;
        default: {
            Geometry g{c.id, c.x, c.y, c.w, c.h};
            const bool isList = std::find(listIds_.begin(), listIds_.end(), c.id) != listIds_.end();
            if (isList) g.anchor = Anchor::Grow;
            else if (c.kind == rt::ControlKind::ToolButton) g.anchor = Anchor::Fixed;
            else if (c.x >= kPanelX) g.anchor = Anchor::Right;
            else if (c.y >= kListBottom) g.anchor = Anchor::Bottom;
            designed_.push_back(g);
        }
        }
    }
}

// Fits the controls to the window's size; true when any of them moved or changed size. The
// lists grow and shrink with the window, so a larger window shows more songs; the buttons,
// the search panel and the logo keep their size beside and below them.
bool Workspace::rescale() {
    FrameResized = 0;
    if (designW_ <= 0 || designH_ <= 0) return false;
    // A list keeps at least 40 units each way; the rest moves no further than that allows.
    int dw = w_.width() - designW_, dh = w_.height() - designH_;
    for (const Geometry& g : designed_)
        if (g.anchor == Anchor::Grow) {
            dw = std::max(dw, 40 - g.w);
            dh = std::max(dh, 40 - g.h);
        }
    bool changed = false;
    for (const Geometry& g : designed_) {
        int x = g.x, y = g.y, cw = g.w, ch = g.h;
        switch (g.anchor) {
        case Anchor::Grow:
            cw += dw;
            ch += dh;
            break;
        case Anchor::Right:
            x += dw;
            break;
        case Anchor::Bottom:
            y += dh;
            break;
        case Anchor::Fixed:
            break;
        }
        const rt::Control& c = w_.ctl(g.id);
        if (c.x == x && c.y == y && c.w == cw && c.h == ch) continue;
        w_.setPosition(g.id, x, y, cw, ch);
        changed = true;
    }
    return changed;
}

void Workspace::command(int id) {
    if (id == addDiscs_ || id == addDiscsItem_) {
        WorkspaceAddDiscs();
        rebuildAll();
    } else if (id == addTracks_ || id == addTracksItem_) {
        AddSongTracks();
        rebuildAll();
    } else if (id == renumber_ || id == renumberItem_) {
        RenumberDiscs();
        rebuildAll();
    } else if (id == editItem_) {
        currentList().press(BrowseAction::Change);
    } else if (id == delete_ || id == deleteItem_) {
        deleteSequence();
    } else if (id == import_ || id == importItem_) {
        ImportListings();
        rebuildAll();
    } else if (id == export_ || id == exportItem_) {
        ExportListings();
        rebuildAll();
    } else if (id == printSongBookItem_) {
        rt::startThread(SongBookDesigner);
    } else if (id == printLabelsItem_) {
        startPrintTask(CdLabelMakerSetup);
    } else if (id == requestCardsItem_) {
        startPrintTask(RequestCardSetup);
    } else if (id == reportsItem_) {
        startPrintTask(ManagementReportsMenu);
    } else if (id == webPage_ || id == webPageItem_) {
        HtmlSongBookComposer();
    } else if (id == print_) {
        PrintMenu();
    } else if (id == close_) {
        w_.response = 2;
        w_.close();
    } else if (id == searchMaster_ || id == searchMasterItem_) {
        rt::startThread(SearchMasterTracks);
    } else if (id == viewMaster_ || id == viewMasterItem_) {
        WorkspaceViewMaster();
    } else if (id == help_) {
        ShowHelpTopic(kHelpTopic);
    } else if (id == mp3gItem_) {
        Mp3gSongBookBuilder();
        rebuildAll();
    } else if (id == brandsItem_) {
        BrowseManufacturers();
    } else if (id == searchButton_) {
        search(false);
    } else if (id == next_) {
        search(true);
    } else {
        for (int n : {ByTitle, ByArtist, ByDisc})
            if (id == switch_[static_cast<std::size_t>(n)]) switchTo(n);
    }
}

void Workspace::switchTo(int n) {
    current_ = n;
    for (int i : {ByTitle, ByArtist, ByDisc}) {
        const auto k = static_cast<std::size_t>(i);
        w_.hide(listIds_[k], i != n);
        w_.enable(listIds_[k], i == n);
        w_.hide(edit_[k], i != n);
    }
    w_.setValue(searchText_, "");
    haveMatch_ = false;
    rowsRead_ = 0;
    w_.disable(next_);
    list(n).requestRefresh();
    list(n).refresh();
    updateStates();
    w_.select(listIds_[static_cast<std::size_t>(n)]);
}

// --- search ---

void Workspace::search(bool next) {
    const std::string text = rt::upper(rt::clip(w_.value(searchText_)));
    const bool contains = w_.value(searchMode_) == "2";
    if (!next) haveMatch_ = false;
    std::string position;
    bool found = false;
    {
        rt::Window busy("Searching...", rt::WindowKind::Dialog, -1, -1, 120, 36);
        busy.setFont(rt::Font{"Arial", 8});
        busy.text("?Message", "One Moment Please...", 10, 12, 100, 10);
        busy.open();
        busy.display();
        found = findMatch(text, contains, next, position);
    }
    if (found) {
        currentList().locateAt(position);
        updateStates();
        return;
    }
    w_.setValue(searchText_, "");
    haveMatch_ = false;
    rowsRead_ = 0;
    w_.disable(next_);
    w_.select(listIds_[static_cast<std::size_t>(current_)]);
    rt::message("Search Text Not Found...");
}

// Reads the current list's order for the next row whose title, artist or custom disc id
// begins with (contains) the text, after the last match for "Next". The lists by title and
// by artist read the listings alone: their order is the list's, without a disc read per row.
// Titles that begin with a text follow one another in title order, so "Begins with..."
// starts at the text and ends at the first row that does not begin with it.
bool Workspace::findMatch(const std::string& text, bool contains, bool next, std::string& position) {
    const bool byDisc = current_ == ByDisc;
    const rt::Key& order = current_ == ByTitle ? SongBook::KTITLE : current_ == ByArtist ? SongBook::KARTIST
                                                                                      : SBDiscs::KALTDISKID;
    rt::RecordFile& primary = byDisc ? static_cast<rt::RecordFile&>(SBD) : static_cast<rt::RecordFile&>(SBK);
    rt::View view(primary, order);
    if (byDisc) view.join(SBK, SongBook::KUNQDISKID, 1, [] { SBK.UNQDISKID = SBD.UNQDISKID; });
    auto field = [this] {
        return rt::upper(current_ == ByTitle ? SBK.TITLE.str() : current_ == ByArtist ? SBK.ARTIST.str()
                                                                                      : SBD.ALTDISKID.str());
    };
    auto seekText = [&] {
        primary.clearBuffer();
        if (current_ == ByTitle) SBK.TITLE = text;
        else if (current_ == ByArtist) SBK.ARTIST = text;
        else SBD.ALTDISKID = text;
        view.setAt();
    };
    const auto begins = [&](const std::string& f) { return f.compare(0, text.size(), text) == 0; };
    const char* fieldName = current_ == ByTitle ? "TITLE" : current_ == ByArtist ? "ARTIST" : "ALTDISKID";

    primary.clearBuffer();
    view.open();
    if (!view.isOpen()) {
        ShowWarning(Warning::ViewOpen);
        return false;
    }
    const bool stopAtFirstMiss = !contains;
    bool readAhead = false;  // a row is in the buffers already
    if (next && haveMatch_) {
        if (contains || begins(lastMatchField_)) {
            view.reset(lastMatch_);
            view.next();  // the last match itself, or the row after it when it is gone
            readAhead = rt::errorCode() != rt::NoError || view.position() != lastMatch_;
        } else if (lastMatchField_ < text) {
            seekText();
        } else {
            return false;  // every later row sorts after the text
        }
    } else if (contains) {
        view.set();
    } else {
        seekText();
    }
    rowsRead_ = 0;
    for (;;) {
        if (!readAhead) view.next();
        readAhead = false;
        const int error = rt::errorCode();
        if (error == rt::NoRecord) return false;
        if (error != rt::NoError) {
            ShowWarning(Warning::RecordRetrieval, primary.label());
            return false;
        }
        ++rowsRead_;
        const std::string f = field();
        const bool match = contains ? f.find(text) != std::string::npos : begins(f);
        if (!match) {
            if (stopAtFirstMiss) return false;
            // The engine finds the next record that holds the text on the key's own index;
            // the list's rows are read again from there.
            const std::string found = primary.findContaining(order, fieldName, text, primary.position(order));
            if (rt::errorCode() != rt::NoError) {
                ShowWarning(Warning::RecordRetrieval, primary.label());
                return false;
            }
            if (found.empty()) return false;
            primary.reget(found);
            if (rt::errorCode() != rt::NoError) continue;  // gone meanwhile: read on in order
            view.setAt();
            do view.next();
            while (rt::errorCode() == rt::NoError && primary.position(order) != found);
            readAhead = true;
            continue;
        }
        haveMatch_ = true;
        lastMatch_ = view.position();
        lastMatchField_ = f;
        if (byDisc) {
            position = lastMatch_;  // the list's own selection
            return true;
        }
        return listPositionOf(primary.position(order), position);
    }
}

// The position in the current list's selection of the listing now in the SongBook buffer
// (the list also delivers its disc): the first row at its key values, stepping over
// listings with the same values.
bool Workspace::listPositionOf(const std::string& wanted, std::string& position) {
    rt::View& view = current_ == ByTitle ? titleView_ : artistView_;
    const rt::Key& order = current_ == ByTitle ? SongBook::KTITLE : SongBook::KARTIST;
    const std::string title = rt::upper(SBK.TITLE.str()), artist = rt::upper(SBK.ARTIST.str());
    if (!view.isOpen()) view.open();
    if (!view.isOpen()) return false;
    view.setAt();
    for (;;) {
        view.next();
        if (rt::errorCode() != rt::NoError) return false;
        if (SBK.position(order) == wanted) {
            position = view.position();
            return true;
        }
        if (rt::upper(SBK.TITLE.str()) != title || rt::upper(SBK.ARTIST.str()) != artist) return false;
    }
}

// --- the highlighted listing ---

void Workspace::readDisc(const std::string& discId, Loaded& r) {
    SBD.clearBuffer();
    SBD.UNQDISKID = discId;
    SBD.get(SBDiscs::KUNQDISKID);
    r.disc = rt::errorCode() == rt::NoError;
    if (!r.disc) {
        SBD.clearBuffer();
        SBD.clearCurrent();
    }
}

// Loads the highlighted listing of the current list and its disc into the buffers. A read
// that fails leaves that buffer without a current record, so nothing acts on an older one.
Workspace::Loaded Workspace::loadHighlighted(bool showErrors) {
    Loaded r;
    BrowseList& l = currentList();
    if (l.count() == 0 || l.highlighted() < 1) return r;
    l.loadHighlighted();
    const std::vector<std::string> h = l.hidden(l.highlighted());
    if (h.size() < 2) return r;
    auto report = [&] {
        if (showErrors) rt::message(rt::str(rt::errorCode()));
    };
    auto readListing = [&](const std::string& discId) {
        SBK.clearBuffer();
        SBK.UNQDISKID = discId;
        SBK.DISKTRACKNO = trackNumber(h[1]);
        SBK.get(SongBook::KUNQDISKID);
        r.listing = rt::errorCode() == rt::NoError;
        if (!r.listing) {
            report();
            SBK.clearBuffer();
            SBK.clearCurrent();
            SBK.UNQDISKID = discId;
        }
    };
    if (current_ != ByDisc) {
        r.row = true;
        readListing(h[0]);
        readDisc(h[0], r);
        return r;
    }
    SBD.clearBuffer();
    SBD.ALTDISKID = h[0];
    SBD.get(SBDiscs::KALTDISKID);
    if (rt::errorCode() != rt::NoError) {
        report();
        SBD.clearBuffer();
        SBD.clearCurrent();
        SBK.clearBuffer();
        SBK.clearCurrent();
        return r;
    }
    r.row = true;
    const std::string discId = SBD.UNQDISKID.str();
    readListing(discId);
    readDisc(discId, r);
    return r;
}

void Workspace::quickMenu() {
    if (SBK.records() == 0) return;
    const Loaded r = loadHighlighted(true);
    if (!r.row) return;
    const std::string items = "Display all Tracks Found on Disk: " + itemText(SBD.ALTDISKID) + "|Toggle Omit?|Toggle Duet|Edit Track|Delete Track|Perform Multi-Listing Edit on Title: " +
                              itemText(SBK.TITLE) + "|Perform Multi-Listing Edit on Artist: " + itemText(SBK.ARTIST) +
                              "|Perform Multi-Listing Edit on Disc ID: " + itemText(SBD.ALTDISKID);
    const int choice = w_.popup(items);
    switch (choice) {
    case 1:
        if (r.listing) BrowseTracksOnDisc();
        rebuildAll();
        break;
    case 2:
        if (r.listing) toggle(SBK.PRINT);
        afterToggle();
        break;
    case 3:
        if (r.listing) toggle(SBK.DUET);
        afterToggle();
        break;
    case 4:
        currentList().press(BrowseAction::Change);
        break;
    case 5:
        deleteSequence();
        break;
    case 6:
    case 7:
    case 8:
        if (r.listing) multiListingEdit(choice - 5);
        rebuildAll();
        break;
    default:
        break;
    }
}

// The listing and its disc are in the buffers.
void Workspace::multiListingEdit(int scope) {
    MultiEditScope = static_cast<std::uint8_t>(scope);
    SetupMultiListingEdit();
    if (DialogCancelled != 0) return;
    if (scope == 1) BatchEditByTitle();
    else if (scope == 2) BatchEditByArtist();
    else BatchEditByDisc();
}

// A toggled mark changes no key: the list the host looks at keeps its page, the others are
// rebuilt when shown.
void Workspace::afterToggle() {
    for (int n : {ByTitle, ByArtist, ByDisc})
        if (n != current_) list(n).requestRefresh();
    currentList().reload();
    refreshWindow();
}

void Workspace::toggle(rt::Text<1>& field) {
    field = field == std::string_view("X") ? "" : "X";
    SBK.put();
    rt::clearError();
}

// --- deleting ---

void Workspace::deleteSequence() {
    const Loaded r = loadHighlighted(false);
    if (!r.row || (!r.listing && !r.disc)) {
        // Nothing left to delete: show what is there now.
        rebuildAll();
        return;
    }
    const std::string discId = SBK.UNQDISKID.str();
    const std::string altId = rt::clip(SBD.ALTDISKID);
    const int choice =
        rt::message("Do you wish to delete the Selected Song Listing ONLY, or the ENTIRE Disc it resides on?", "",
                    rt::Icon::Question, "&This Listing|&Entire Disc|&Cancel", 1);
    if (choice == 1) {
        if (!r.listing) {
            rebuildAll();
            return;
        }
        WaitCursor wait(w_);
        const bool done = deleteListing(discId);
        currentList().reload();
        wait.end();
        if (done)
            rt::message("Song Listing has been successfully deleted...", "Deletion Successful",
                        rt::Icon::Exclamation, rt::BtnOk);
        rebuildAll();
    } else if (choice == 2) {
        WaitCursor wait(w_);
        // Listings without a disc id are found by no disc: the highlighted one is all there is.
        const bool done = rt::clip(discId).empty() ? r.listing && deleteListing(discId) : deleteDisc(discId);
        currentList().reload();
        wait.end();
        if (done)
            rt::message("All Song Tracks found on Disc:" + altId + " have been successfully deleted...",
                        "Deletion Successful", rt::Icon::Exclamation, rt::BtnOk);
        rebuildAll();
    }
}

// The transaction over the SongBook pair that a delete runs in; false (after a warning) when
// it cannot begin.
bool beginDelete() {
    if (rt::logout(1, {&SBK, &SBD})) return true;
    SaveFileError();
    ShowWarning(Warning::TransactionFraming, "Delete", "SongBook");
    return false;
}

// A step of a delete failed: the warning names the file.
bool deleteFailed(const char* label) {
    SaveFileError();  // rolls the transaction back
    ShowWarning(Warning::DeleteOperation, label);
    return false;
}

// The listing in the SongBook buffer, and its disc record when it was the disc's last
// listing: both or neither. False (after a warning) when nothing was deleted.
bool Workspace::deleteListing(const std::string& discId) {
    const std::string position = SBK.position(SongBook::KUNQDISKID);
    if (!beginDelete()) return false;
    SBK.reget(position);
    if (rt::errorCode() != rt::NoError) return deleteFailed("SongBook");
    SBK.del();
    if (rt::errorCode() != rt::NoError) return deleteFailed("SongBook");
    SBK.clearBuffer();
    SBK.UNQDISKID = discId;
    SBK.get(SongBook::KDISKID);
    if (rt::errorCode() == rt::RecordNotFound) {
        if (!DeleteDiscRecordOf(discId)) return deleteFailed("SBDiscs");
    } else if (rt::errorCode() != rt::NoError) {
        return deleteFailed("SongBook");
    }
    rt::commit();
    if (rt::errorCode() != rt::NoError) return deleteFailed("SongBook");
    return true;
}

// Every listing with the disc id (in any letter case), then the disc record when there is one:
// all or nothing. False (after a message) when nothing was deleted.
bool Workspace::deleteDisc(const std::string& discId) {
    DiscToDelete disc;
    disc.discId = discId;
    disc.lockWaitSeconds = 1;
    const DiscDeleteResult r = DeleteDiscWithListings(disc);
    switch (r.failed) {
    case DiscDeleteStep::None: return true;
    case DiscDeleteStep::Begin: ShowWarning(Warning::TransactionFraming, "Delete", "SongBook"); break;
    case DiscDeleteStep::ReadListing:
        // The listing that could not be read is told by its error number alone.
        ForgetFileError();
        rt::message(rt::str(r.error == rt::FileSystemError ? r.fileError : r.error));
        break;
    case DiscDeleteStep::DeleteListing:
    case DiscDeleteStep::Commit: ShowWarning(Warning::DeleteOperation, "SongBook"); break;
    default: ShowWarning(Warning::DeleteOperation, "SBDiscs"); break;
    }
    return false;
}

}  // namespace

void SongBookWorkspace() {
    Workspace workspace;
    workspace.run();
}
