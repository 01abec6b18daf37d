#include "library/SearchMasterTracks.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/dmake.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "data/sartist.h"
#include "data/songbook.h"
#include "data/stitle.h"
#include "library/AutoUpdateWizard.h"
#include "library/ShowMasterDiscTracks.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/view/view.h"
#include "runtime/window/frontend.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/OpenDataFile.h"
#include "services/ReadEveryRecord.h"
#include "services/ScrollStops.h"
#include "services/ShowHelpTopic.h"
#include "services/TaskWindow.h"

rt::Text<40> SearchField;
std::int16_t SEARCHBY = 0;

namespace {

constexpr const char* kHelpTopic = "SearchingtheMainTunelode";
constexpr std::uint32_t kPanel = 0x800000;
constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr int kArtistWidth = 25;  // sArtist's artist

// The SongBook the counting reads: the one the workspace has open now, opened here for
// reading; none when no SongBook is open (the workspace closed it), and never by a blank name.
class CountingBook {
public:
    ~CountingBook() { let(); }
    // True when a SongBook can be counted against now.
    bool ready() {
        const std::string name = SongBookIsOpen ? SongBookFileName.str() : std::string();
        if (rt::clip(name).empty()) {
            let();
            return false;
        }
        if (SBK.isOpen() && name == name_) return true;
        let();
        rt::clearError();
        SBK.open(rt::ReadOnly | rt::DenyNone);
        const bool ok = SBK.isOpen();
        rt::clearError();
        if (ok) name_ = name;
        return ok;
    }
    void let() {
        if (SBK.isOpen()) SBK.close();
        rt::clearError();
        name_.clear();
    }

private:
    std::string name_;
};

// Which side the window shows.
enum Side : int { Titles = 0, Artists = 1 };

}  // namespace

DupColors DupBand(unsigned count) {
    if (count <= 4) return {0x000000, 0xB7FFB7, 0xFFFFFF, 0x008000};
    if (count <= 11) return {0x000000, 0x80FFFF, 0xFFFFFF, 0x028E8B};
    return {0x000000, 0x8080FF, 0xFFFFFF, 0x0000FF};
}

unsigned CountSongBookDuplicates(const std::string& disc) {
    const KaraokeRecord keep = KAR.record();
    const bool hadCurrent = KAR.hasCurrent();
    const std::string at = hadCurrent ? KAR.position() : std::string();
    const std::string id = rt::clip(disc);
    unsigned count = 0;
    KAR.clearBuffer();
    KAR.UNQDISKID = id;
    // A track that cannot be read ends the count there.
    RecordReader tracks(KAR, KARAOKE::KUNQDISKID, RecordReader::Quiet, RecordReader::BufferValues);
    while (tracks.next()) {
        if (!rt::equalNoCase(rt::clip(KAR.UNQDISKID.str()), id)) break;
        SBK.TITLE = KAR.TITLE;
        SBK.ARTIST = KAR.ARTIST;
        rt::clearError();
        SBK.get(SongBook::KMATCHSONG);
        // A failed lookup only means the song is not there.
        if (rt::errorCode() == rt::NoError && count < 0xFFFF) ++count;
        rt::clearError();
    }
    rt::clearError();
    if (hadCurrent) KAR.reget(at);
    else KAR.clearCurrent();
    KAR.record() = keep;
    rt::clearError();
    return count;
}

namespace {

// The master artist that a name cut at the artist list's width stands for: the first that
// begins with it.
std::string FullArtist(const std::string& cut) {
    const std::string name = rt::clip(cut);
    if (static_cast<int>(name.size()) < kArtistWidth || name.empty()) return name;
    const KaraokeRecord keep = KAR.record();
    std::string found = name;
    KAR.clearBuffer();
    KAR.ARTIST = name;
    rt::clearError();
    KAR.setAt(KARAOKE::KARTIST);
    KAR.next();
    if (rt::errorCode() == rt::NoError) {
        const std::string a = rt::clip(KAR.ARTIST.str());
        if (rt::upper(a).compare(0, name.size(), rt::upper(name)) == 0) found = a;
    }
    rt::clearError();
    KAR.clearCurrent();
    KAR.record() = keep;
    return found;
}

// The window: the names that contain the search text (titles or artists), and under them the
// master tracks of the chosen name with their DUP counts. One method per command.
class SearchWindow {
public:
    SearchWindow();
    void run();

private:
    void build();
    void buildLegend();
    void buildButtons();
    void declareNameLists();
    void declareDiscLists();
    void declareDiscList(BrowseList& list, bool titleSide);

    void showCounting(bool on);
    void recount();
    rt::Cell dupCell(const std::string& disc);
    rt::Row discRow(bool titleFirst);
    void chooseTitle();
    void chooseArtist();
    void showSide(int side);
    BrowseList& discList() { return side_ == Titles ? *titleDiscList_ : *artistDiscList_; }
    BrowseList& names() { return side_ == Titles ? *titles_ : *artists_; }

    void search();
    void clearText();
    void close();
    void display();
    void discMenu();
    void comeForward();
    void reopenMasters();
    void layout();
    bool takeDiscKey();
    void command(int id);

    TaskWindow w_{"Search Main Tunelode", rt::WindowKind::Dialog, -1, -1, 460, 300, {&STI, &SAR, &KAR, &BRA}};
    int field_ = 0, search_ = 0, clear_ = 0, cancel_ = 0, by_ = 0;
    int titleList_ = 0, artistList_ = 0, titleDiscs_ = 0, artistDiscs_ = 0;
    std::vector<int> legend_;
    int noBook_ = 0, displayTitle_ = 0, displayArtist_ = 0, help_ = 0, close_ = 0;
    int hiddenInsert_ = 0, hiddenChange_ = 0, hiddenDelete_ = 0;

    CountingBook book_;
    std::map<std::string, unsigned> counted_;  // by upper-case disc id, for the page being read
    bool counting_ = false;

    // The names that contain the search text, found by SQLite on the names' own keys.
    rt::View titleView_{STI, sTitle::KTITLE};
    rt::View artistView_{SAR, sArtist::KARTIST};
    std::unique_ptr<BrowseList> titles_, artists_;

    // The disc lists of the chosen name. The artist list holds 25 characters of a name: a
    // name cut there stands for the longer master artist it begins.
    std::string chosenTitle_, chosenArtist_;
    rt::View titleDiscView_{KAR, KARAOKE::KTITLE};
    rt::View artistDiscView_{KAR, KARAOKE::KARTIST};
    std::unique_ptr<BrowseList> titleDiscList_, artistDiscList_;

    int side_ = Titles;
    std::vector<std::pair<int, int>> below_;  // control, its design y
};

SearchWindow::SearchWindow() {
    build();
    declareNameLists();
    declareDiscLists();
}

void SearchWindow::build() {
    const int heading = w_.text("?Heading", "Main Tunelode Search", 8, 4, 200, 12);
    w_.setControlFont(heading, rt::Font{"", 12, 700, true, rt::kNoColor});
    w_.group("?SearchGroup", "Search Text", 8, 18, 300, 30);
    field_ = w_.entry("?SearchField", "@s40", 14, 29, 150, 12);
    search_ = w_.button("?Search", "&Search", 170, 28, 42, 14);
    clear_ = w_.button("?Clear", "&Clear", 216, 28, 42, 14);
    cancel_ = w_.button("?Cancel", "C&ancel", 262, 28, 42, 14);
    w_.edit(search_).isDefault = true;
    by_ = w_.option("?SEARCHBY", "Search by", 314, 18, 70, 30);
    w_.radio(by_, "?SEARCHBY:Radio1", "Song Title", 318, 27, 62, 9);
    w_.radio(by_, "?SEARCHBY:Radio2", "Artist", 318, 37, 62, 9);
    w_.setValue(by_, "1");
    w_.image("?Logo", "addscreenlogo.bmp", 390, 4, 62, 44);

    titleList_ = w_.list("?TitleList", 8, 54, 444, 70, {rt::Column{"Title", 100}});
    artistList_ = w_.list("?ArtistList", 8, 54, 444, 70, {rt::Column{"Artist", 100}});
    const std::vector<rt::Column> titleDiscColumns = {
        {"Title", 110}, {"Artist", 100}, {"Brand/Series", 96}, {"Disc ID", 48, 'C'}, {"Track", 25, 'R'},
        {"DUP", 20, 'R'}};
    const std::vector<rt::Column> artistDiscColumns = {
        {"Artist", 100}, {"Title", 110}, {"Brand/Series", 96}, {"Disc ID", 48, 'C'}, {"Track", 25, 'R'},
        {"DUP", 20, 'R'}};
    titleDiscs_ = w_.list("?TitleDiscList", 8, 128, 444, 120, titleDiscColumns);
    artistDiscs_ = w_.list("?ArtistDiscList", 8, 128, 444, 120, artistDiscColumns);

    buildLegend();
    buildButtons();
}

void SearchWindow::buildLegend() {
    const int panel = w_.group("?Legend", "", 8, 252, 250, 42);
    legend_.push_back(panel);
    w_.setColors(panel, kWhite, kPanel);
    const int caption = w_.text("?DupFinder", "DUP-Finder", 12, 255, 60, 10);
    legend_.push_back(caption);
    w_.setControlFont(caption, rt::Font{"", 0, 700, true, kWhite});
    w_.setColors(caption, kWhite, kPanel);
    const int note1 = w_.text("?Note1", "# of Tracks duplicated in open SongBook", 76, 255, 178, 9);
    legend_.push_back(note1);
    const int note2 = w_.text("?Note2", "are listed in the DUP column!", 76, 264, 178, 9);
    legend_.push_back(note2);
    w_.setColors(note1, 0x000000, kWhite);
    w_.setColors(note2, 0x000000, kWhite);
    const char* bandTexts[] = {"0 - 4 Tracks", "5 - 11 Tracks", "> 12 Tracks"};
    const std::uint32_t bandColors[] = {0x008000, 0x00FFFF, 0x0000FF};
    for (int i = 0; i < 3; ++i) {
        const int x = 12 + i * 82;
        const int box = w_.text("?Band" + std::to_string(i + 1) + "Box", "", x, 279, 10, 9);
        w_.setColors(box, kPanel, bandColors[i]);
        legend_.push_back(box);
        const int t = w_.text("?Band" + std::to_string(i + 1), bandTexts[i], x + 13, 279, 66, 9);
        w_.setColors(t, kWhite, kPanel);
        legend_.push_back(t);
    }
    noBook_ = w_.text("?NoSongBook", "SongBook not open: no DUP counts", 76, 266, 178, 9);
    w_.setControlFont(noBook_, rt::Font{"", 0, 700, false, 0x0000FF});
    w_.setColors(noBook_, 0x0000FF, kWhite);
    w_.hide(noBook_);
}

void SearchWindow::buildButtons() {
    displayTitle_ = w_.button("?DisplayTitle", "&Display All Tracks on Selected Disc", 264, 256, 130, 14);
    displayArtist_ = w_.button("?DisplayArtist", "&Display All Tracks on Selected Disc", 264, 256, 130, 14);
    help_ = w_.button("?Help", "&Help", 264, 278, 50, 14);
    close_ = w_.button("?Close", "&Close", 400, 278, 50, 14);
    // The record keys of the disc lists reach only the disc-tracks window.
    hiddenInsert_ = w_.button("?Insert", "&Insert", 0, 0, 1, 1);
    hiddenChange_ = w_.button("?Change", "&Change", 0, 0, 1, 1);
    hiddenDelete_ = w_.button("?Delete", "&Delete", 0, 0, 1, 1);
    for (int b : {hiddenInsert_, hiddenChange_, hiddenDelete_}) w_.hide(b);
}

void SearchWindow::declareNameLists() {
    titleView_.containing("TITLE", [] { return SearchField.str(); });
    artistView_.containing("ARTIST", [] { return SearchField.str(); });
    titles_ = std::make_unique<BrowseList>(w_, titleList_, titleView_, STI, sTitle::KTITLE);
    artists_ = std::make_unique<BrowseList>(w_, artistList_, artistView_, SAR, sArtist::KARTIST);
    titles_->rows([] { return BrowseCells({STI.TITLE.str()}); })
        .stopTable(TwoCharacterStopTable)
        .onNewSelection([this] { chooseTitle(); });
    artists_->rows([] { return BrowseCells({SAR.ARTIST.str()}); })
        .textStops(kArtistWidth)
        .onNewSelection([this] { chooseArtist(); });
}

void SearchWindow::declareDiscLists() {
    titleDiscView_.join(BRA, DMake::KMAKEID, 1, [] { BRA.MAKEID = KAR.MAKEID; }).range(1);
    artistDiscView_.join(BRA, DMake::KMAKEID, 1, [] { BRA.MAKEID = KAR.MAKEID; }).range(1);
    titleDiscList_ = std::make_unique<BrowseList>(w_, titleDiscs_, titleDiscView_, KAR, KARAOKE::KTITLE);
    artistDiscList_ = std::make_unique<BrowseList>(w_, artistDiscs_, artistDiscView_, KAR, KARAOKE::KARTIST);
    declareDiscList(*titleDiscList_, true);
    declareDiscList(*artistDiscList_, false);
}

// The record keys open the disc's tracks; the list is read again afterwards.
void SearchWindow::declareDiscList(BrowseList& list, bool titleSide) {
    list.rows([this, titleSide] { return discRow(titleSide); })
        .hidden([] { return std::vector<std::string>{KAR.DISKID.str(), std::to_string(BRA.MAKEID)}; })
        .form([] { ShowMasterDiscTracks(); })
        .buttons(hiddenInsert_, hiddenChange_, hiddenDelete_)
        .beforeAction([this, &list](BrowseAction a) {
            recount();
            return a == BrowseAction::Insert || list.loadHighlighted();
        });
    if (titleSide) {
        list.rangeValues([this] { KAR.TITLE = chosenTitle_; }).prepareForm([&list](BrowseAction a) {
            // Insert clears the track but keeps the title; here it opens the highlighted disc.
            if (a == BrowseAction::Insert && list.count() > 0) list.loadHighlighted();
            return true;
        });
    } else {
        list.rangeValues([this] { KAR.ARTIST = chosenArtist_; }).prepareForm([this](BrowseAction a) {
            if (a == BrowseAction::Insert) KAR.ARTIST = chosenArtist_;
            return true;
        });
    }
}

void SearchWindow::showCounting(bool on) {
    counting_ = on;
    w_.hide(noBook_, on);
}

void SearchWindow::recount() {
    counted_.clear();
    showCounting(book_.ready());
}

rt::Cell SearchWindow::dupCell(const std::string& disc) {
    rt::Cell c;
    // The workspace closing its SongBook closes it on every thread: ask again.
    if (!counting_ || !book_.ready()) return c;
    const std::string key = rt::upper(rt::clip(disc));
    auto it = counted_.find(key);
    if (it == counted_.end()) it = counted_.emplace(key, CountSongBookDuplicates(disc)).first;
    const DupColors band = DupBand(it->second);
    c.text = std::to_string(it->second);
    c.fg = band.fg;
    c.bg = band.bg;
    c.selFg = band.selFg;
    c.selBg = band.selBg;
    return c;
}

rt::Row SearchWindow::discRow(bool titleFirst) {
    rt::Row r;
    r.cells.push_back(rt::Cell{titleFirst ? KAR.TITLE.str() : KAR.ARTIST.str()});
    r.cells.push_back(rt::Cell{titleFirst ? KAR.ARTIST.str() : KAR.TITLE.str()});
    r.cells.push_back(rt::Cell{BRA.MAKE.str()});
    r.cells.push_back(rt::Cell{KAR.UNQDISKID.str()});
    r.cells.push_back(rt::Cell{std::to_string(KAR.DISKTRACKNO)});
    r.cells.push_back(dupCell(KAR.UNQDISKID.str()));
    return r;
}

void SearchWindow::chooseTitle() {
    chosenTitle_ = STI.TITLE.str();
    recount();
    titleDiscList_->restart();
    titleDiscList_->refresh();
}

void SearchWindow::chooseArtist() {
    chosenArtist_ = FullArtist(SAR.ARTIST.str());
    recount();
    artistDiscList_->restart();
    artistDiscList_->refresh();
}

void SearchWindow::showSide(int side) {
    side_ = side;
    const bool t = side == Titles;
    w_.hide(titleList_, !t);
    w_.hide(titleDiscs_, !t);
    w_.hide(displayTitle_, !t);
    w_.hide(artistList_, t);
    w_.hide(artistDiscs_, t);
    w_.hide(displayArtist_, t);
}

void SearchWindow::search() {
    SearchField = w_.value(field_);
    if (rt::clip(SearchField.str()).empty()) {
        rt::beep();
        w_.select(field_);
        return;
    }
    SEARCHBY = static_cast<std::int16_t>(w_.value(by_) == "2" ? Artists : Titles);
    showSide(SEARCHBY);
    recount();
    names().restart();
    names().refresh();
    if (names().count() == 0) {
        // No name found: the disc list shows what carries a blank name.
        if (SEARCHBY == Titles) chosenTitle_.clear();
        else chosenArtist_.clear();
        discList().restart();
        discList().refresh();
    }
}

void SearchWindow::clearText() {
    SearchField.clear();
    w_.setValue(field_, "");
    w_.select(field_);
}

void SearchWindow::close() {
    w_.response = 2;
    w_.close();
}

void SearchWindow::display() {
    discList().press(BrowseAction::Change);
    w_.select(field_);
}

void SearchWindow::discMenu() {
    const bool rows = discList().count() > 0;
    const int item = w_.popup(rows ? "&Insert|&Display All Tracks on Selected Disc|&Delete"
                                   : "&Insert|~&Display All Tracks on Selected Disc|~&Delete");
    if (item == 1) discList().press(BrowseAction::Insert);
    else if (item == 2) discList().press(BrowseAction::Change);
    else if (item == 3) discList().press(BrowseAction::Delete);
}

// Coming forward (clicked into, or started again): every visible count is counted again.
void SearchWindow::comeForward() {
    if (w_.minimized()) w_.restore();
    rt::activate(w_.id());
    w_.select(field_);
    recount();
    titleDiscList_->requestRefresh();
    artistDiscList_->requestRefresh();
    discList().refresh();
}

// An update replaced the master files under the lists: they are opened again and read anew.
void SearchWindow::reopenMasters() {
    for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&STI, &SAR, &KAR, &BRA})
        if (!f->isOpen()) OpenDataFile(*f, false);
    recount();
    for (BrowseList* l : {titles_.get(), artists_.get(), titleDiscList_.get(), artistDiscList_.get()}) l->restart();
    names().refresh();
    discList().refresh();
}

// The lists follow the window's size; the legend and the buttons stay below them.
void SearchWindow::layout() {
    const int width = std::max(w_.width(), 460), height = std::max(w_.height(), 300);
    for (int l : {titleList_, artistList_}) w_.setPosition(l, 8, 54, width - 16, 70);
    for (int l : {titleDiscs_, artistDiscs_}) w_.setPosition(l, 8, 128, width - 16, height - 180);
    for (const auto& [id, y] : below_) {
        const rt::Control& c = w_.ctl(id);
        const int x = id == close_ ? width - 60 : c.x;
        if (c.x != x || c.y != y + height - 300) w_.setPosition(id, x, y + height - 300, c.w, c.h);
    }
}

// Enter, a double-click and Ctrl+Enter on a disc row display its disc; a right click offers
// the menu. True when taken.
bool SearchWindow::takeDiscKey() {
    const int id = w_.field();
    if (w_.code() != rt::EvAlertKey || (id != titleDiscs_ && id != artistDiscs_)) return false;
    const int key = w_.event().key;
    if (key == rt::KeyEnter || key == rt::KeyDoubleClick || key == rt::KeyCtrlEnter) {
        display();
        return true;
    }
    if (key == rt::KeyRightClick) {
        discMenu();
        return true;
    }
    return false;
}

void SearchWindow::command(int id) {
    if (id == search_) search();
    else if (id == clear_) clearText();
    else if (id == cancel_ || id == close_) close();
    else if (id == help_) ShowHelpTopic(kHelpTopic);
    else if (id == displayTitle_ || id == displayArtist_) display();
}

void SearchWindow::run() {
    w_.setResizable(true);
    w_.setMinSize(460, 300);
    for (int id : legend_) below_.emplace_back(id, w_.ctl(id).y);
    for (int id : {noBook_, displayTitle_, displayArtist_, help_, close_}) below_.emplace_back(id, w_.ctl(id).y);
    w_.onFirstDisplay([this] { w_.select(field_); });
    w_.onRedisplay([this] {
        layout();
        comeForward();
    });
    w_.open();
    showSide(Titles);
    recount();
    titles_->open();
    artists_->open();
    titleDiscList_->open();
    artistDiscList_->open();
    while (w_.accept()) {
        if (w_.code() == EventMasterFilesReplaced) {
            reopenMasters();
            continue;
        }
        if (w_.code() == rt::EvAccepted && w_.field() == field_) {
            SearchField = w_.value(field_);
            continue;
        }
        if (takeDiscKey()) continue;
        if (names().take()) continue;
        if (discList().take()) {
            if (!discList().healthy()) break;
            continue;
        }
        if (w_.code() == rt::EvAccepted) command(w_.field());
    }
    titles_->close();
    artists_->close();
    titleDiscList_->close();
    artistDiscList_->close();
}

}  // namespace

void SearchMasterTracks() {
    // One window at a time: a second start brings the running one forward.
    if (SearchThread != 0) {
        rt::postToThread(rt::EvGainFocus, SearchThread);
        return;
    }
    SearchThread = static_cast<std::uint8_t>(rt::thread());
    struct ThreadMark {
        ~ThreadMark() { SearchThread = 0; }
    } mark;
    SearchField.clear();
    SEARCHBY = Titles;
    STI.clearBuffer();
    SAR.clearBuffer();
    SearchWindow().run();
}
