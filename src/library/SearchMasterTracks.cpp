#include "library/SearchMasterTracks.h"

#include <algorithm>
#include <map>
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
    rt::clearError();
    KAR.setAt(KARAOKE::KUNQDISKID);
    for (KAR.next(); rt::errorCode() == rt::NoError; KAR.next()) {
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

    TaskWindow w("Search Main Tunelode", rt::WindowKind::Dialog, -1, -1, 460, 300, {&STI, &SAR, &KAR, &BRA});
    const int heading = w.text("?Heading", "Main Tunelode Search", 8, 4, 200, 12);
    w.setControlFont(heading, rt::Font{"", 12, 700, true, rt::kNoColor});
    w.group("?SearchGroup", "Search Text", 8, 18, 300, 30);
    const int field = w.entry("?SearchField", "@s40", 14, 29, 150, 12);
    const int search = w.button("?Search", "&Search", 170, 28, 42, 14);
    const int clear = w.button("?Clear", "&Clear", 216, 28, 42, 14);
    const int cancel = w.button("?Cancel", "C&ancel", 262, 28, 42, 14);
    w.edit(search).isDefault = true;
    const int by = w.option("?SEARCHBY", "Search by", 314, 18, 70, 30);
    w.radio(by, "?SEARCHBY:Radio1", "Song Title", 318, 27, 62, 9);
    w.radio(by, "?SEARCHBY:Radio2", "Artist", 318, 37, 62, 9);
    w.setValue(by, "1");
    w.image("?Logo", "addscreenlogo.bmp", 390, 4, 62, 44);

    const int titleList = w.list("?TitleList", 8, 54, 444, 70, {rt::Column{"Title", 100}});
    const int artistList = w.list("?ArtistList", 8, 54, 444, 70, {rt::Column{"Artist", 100}});
    const std::vector<rt::Column> titleDiscColumns = {
        {"Title", 110}, {"Artist", 100}, {"Brand/Series", 96}, {"Disc ID", 48, 'C'}, {"Track", 25, 'R'},
        {"DUP", 20, 'R'}};
    const std::vector<rt::Column> artistDiscColumns = {
        {"Artist", 100}, {"Title", 110}, {"Brand/Series", 96}, {"Disc ID", 48, 'C'}, {"Track", 25, 'R'},
        {"DUP", 20, 'R'}};
    const int titleDiscs = w.list("?TitleDiscList", 8, 128, 444, 120, titleDiscColumns);
    const int artistDiscs = w.list("?ArtistDiscList", 8, 128, 444, 120, artistDiscColumns);

    // The legend.
    std::vector<int> legend;
    const int panel = w.group("?Legend", "", 8, 252, 250, 42);
    legend.push_back(panel);
    w.setColors(panel, kWhite, kPanel);
    const int caption = w.text("?DupFinder", "DUP-Finder", 12, 255, 60, 10);
    legend.push_back(caption);
    w.setControlFont(caption, rt::Font{"", 0, 700, true, kWhite});
    w.setColors(caption, kWhite, kPanel);
    const int note1 = w.text("?Note1", "# of Tracks duplicated in open SongBook", 76, 255, 178, 9);
    legend.push_back(note1);
    const int note2 = w.text("?Note2", "are listed in the DUP column!", 76, 264, 178, 9);
    legend.push_back(note2);
    w.setColors(note1, 0x000000, kWhite);
    w.setColors(note2, 0x000000, kWhite);
    const char* bandTexts[] = {"0 - 4 Tracks", "5 - 11 Tracks", "> 12 Tracks"};
    const std::uint32_t bandColors[] = {0x008000, 0x00FFFF, 0x0000FF};
    for (int i = 0; i < 3; ++i) {
        const int x = 12 + i * 82;
        const int box = w.text("?Band" + std::to_string(i + 1) + "Box", "", x, 279, 10, 9);
        w.setColors(box, kPanel, bandColors[i]);
        legend.push_back(box);
        const int t = w.text("?Band" + std::to_string(i + 1), bandTexts[i], x + 13, 279, 66, 9);
        w.setColors(t, kWhite, kPanel);
        legend.push_back(t);
    }
    const int noBook = w.text("?NoSongBook", "SongBook not open: no DUP counts", 76, 266, 178, 9);
    w.setControlFont(noBook, rt::Font{"", 0, 700, false, 0x0000FF});
    w.setColors(noBook, 0x0000FF, kWhite);
    w.hide(noBook);

    const int displayTitle = w.button("?DisplayTitle", "&Display All Tracks on Selected Disc", 264, 256, 130, 14);
    const int displayArtist = w.button("?DisplayArtist", "&Display All Tracks on Selected Disc", 264, 256, 130, 14);
    const int help = w.button("?Help", "&Help", 264, 278, 50, 14);
    const int close = w.button("?Close", "&Close", 400, 278, 50, 14);
    // The record keys of the disc lists reach only the disc-tracks window.
    const int hiddenInsert = w.button("?Insert", "&Insert", 0, 0, 1, 1);
    const int hiddenChange = w.button("?Change", "&Change", 0, 0, 1, 1);
    const int hiddenDelete = w.button("?Delete", "&Delete", 0, 0, 1, 1);
    for (int b : {hiddenInsert, hiddenChange, hiddenDelete}) w.hide(b);

    CountingBook book;
    std::map<std::string, unsigned> counted;  // by upper-case disc id, for the page being read
    bool counting = false;
    auto showCounting = [&](bool on) {
        counting = on;
        w.hide(noBook, on);
    };
    auto recount = [&] {
        counted.clear();
        showCounting(book.ready());
    };
    auto dupCell = [&](const std::string& disc) {
        rt::Cell c;
        // The workspace closing its SongBook closes it on every thread: ask again.
        if (!counting || !book.ready()) return c;
        const std::string key = rt::upper(rt::clip(disc));
        auto it = counted.find(key);
        if (it == counted.end()) it = counted.emplace(key, CountSongBookDuplicates(disc)).first;
        const DupColors band = DupBand(it->second);
        c.text = std::to_string(it->second);
        c.fg = band.fg;
        c.bg = band.bg;
        c.selFg = band.selFg;
        c.selBg = band.selBg;
        return c;
    };

    // The names.
    // The names that contain the search text, found by SQLite on the names' own keys.
    rt::View titleView(STI, sTitle::KTITLE);
    titleView.containing("TITLE", [] { return SearchField.str(); });
    rt::View artistView(SAR, sArtist::KARTIST);
    artistView.containing("ARTIST", [] { return SearchField.str(); });
    BrowseList titles(w, titleList, titleView, STI, sTitle::KTITLE);
    BrowseList artists(w, artistList, artistView, SAR, sArtist::KARTIST);

    // The disc lists of the chosen name. The artist list holds 25 characters of a name: a
    // name cut there stands for the longer master artist it begins.
    std::string chosenTitle, chosenArtist;
    rt::View titleDiscView(KAR, KARAOKE::KTITLE);
    titleDiscView.join(BRA, DMake::KMAKEID, 1, [] { BRA.MAKEID = KAR.MAKEID; }).range(1);
    rt::View artistDiscView(KAR, KARAOKE::KARTIST);
    artistDiscView.join(BRA, DMake::KMAKEID, 1, [] { BRA.MAKEID = KAR.MAKEID; }).range(1);
    BrowseList titleDiscList(w, titleDiscs, titleDiscView, KAR, KARAOKE::KTITLE);
    BrowseList artistDiscList(w, artistDiscs, artistDiscView, KAR, KARAOKE::KARTIST);

    auto fullArtist = [](const std::string& cut) {
        const std::string name = rt::clip(cut);
        if (static_cast<int>(name.size()) < kArtistWidth || name.empty()) return name;
        const KaraokeRecord keep = KAR.record();
        std::string found = name;
        KAR.clearBuffer();
        KAR.ARTIST = name;
        rt::clearError();
        KAR.setAt(KARAOKE::KARTIST);
        for (KAR.next(); rt::errorCode() == rt::NoError; KAR.next()) {
            const std::string a = rt::clip(KAR.ARTIST.str());
            if (rt::upper(a).compare(0, name.size(), rt::upper(name)) != 0) break;
            found = a;
            break;
        }
        rt::clearError();
        KAR.clearCurrent();
        KAR.record() = keep;
        return found;
    };

    titles.rows([] { return BrowseCells({STI.TITLE.str()}); })
        .stopTable(TwoCharacterStopTable)
        .onNewSelection([&] {
            chosenTitle = STI.TITLE.str();
            recount();
            titleDiscList.restart();
            titleDiscList.refresh();
        });
    artists.rows([] { return BrowseCells({SAR.ARTIST.str()}); })
        .textStops(kArtistWidth)
        .onNewSelection([&] {
            chosenArtist = fullArtist(SAR.ARTIST.str());
            recount();
            artistDiscList.restart();
            artistDiscList.refresh();
        });
    auto discRow = [&](bool titleFirst) {
        rt::Row r;
        r.cells.push_back(rt::Cell{titleFirst ? KAR.TITLE.str() : KAR.ARTIST.str()});
        r.cells.push_back(rt::Cell{titleFirst ? KAR.ARTIST.str() : KAR.TITLE.str()});
        r.cells.push_back(rt::Cell{BRA.MAKE.str()});
        r.cells.push_back(rt::Cell{KAR.UNQDISKID.str()});
        r.cells.push_back(rt::Cell{std::to_string(KAR.DISKTRACKNO)});
        r.cells.push_back(dupCell(KAR.UNQDISKID.str()));
        return r;
    };
    auto discHidden = [] { return std::vector<std::string>{KAR.DISKID.str(), std::to_string(BRA.MAKEID)}; };
    // The record keys open the disc's tracks; the list is read again afterwards.
    auto showDisc = [] { ShowMasterDiscTracks(); };
    titleDiscList.rangeValues([&] { KAR.TITLE = chosenTitle; })
        .rows([&] { return discRow(true); })
        .hidden(discHidden)
        .form(showDisc)
        .buttons(hiddenInsert, hiddenChange, hiddenDelete)
        .beforeAction([&](BrowseAction a) {
            recount();
            return a == BrowseAction::Insert || titleDiscList.loadHighlighted();
        })
        .prepareForm([&](BrowseAction a) {
            // Insert clears the track but keeps the title; here it opens the highlighted disc.
            if (a == BrowseAction::Insert && titleDiscList.count() > 0) titleDiscList.loadHighlighted();
            return true;
        });
    artistDiscList.rangeValues([&] { KAR.ARTIST = chosenArtist; })
        .rows([&] { return discRow(false); })
        .hidden(discHidden)
        .form(showDisc)
        .buttons(hiddenInsert, hiddenChange, hiddenDelete)
        .beforeAction([&](BrowseAction a) {
            recount();
            return a == BrowseAction::Insert || artistDiscList.loadHighlighted();
        })
        .prepareForm([&](BrowseAction a) {
            if (a == BrowseAction::Insert) KAR.ARTIST = chosenArtist;
            return true;
        });

    int side = Titles;
    auto showSide = [&](int s) {
        side = s;
        const bool t = s == Titles;
        w.hide(titleList, !t);
        w.hide(titleDiscs, !t);
        w.hide(displayTitle, !t);
        w.hide(artistList, t);
        w.hide(artistDiscs, t);
        w.hide(displayArtist, t);
    };
    auto discList = [&]() -> BrowseList& { return side == Titles ? titleDiscList : artistDiscList; };

    auto runSearch = [&] {
        SearchField = w.value(field);
        if (rt::clip(SearchField.str()).empty()) {
            rt::beep();
            w.select(field);
            return;
        }
        SEARCHBY = static_cast<std::int16_t>(w.value(by) == "2" ? Artists : Titles);
        showSide(SEARCHBY);
        recount();
        BrowseList& names = SEARCHBY == Titles ? titles : artists;
        names.restart();
        names.refresh();
        if (names.count() == 0) {
            // No name found: the disc list shows what carries a blank name.
            if (SEARCHBY == Titles) chosenTitle.clear();
            else chosenArtist.clear();
            discList().restart();
            discList().refresh();
        }
    };
    auto display = [&] {
        discList().press(BrowseAction::Change);
        w.select(field);
    };
    // Coming forward (clicked into, or started again): every visible count is counted again.
    auto comeForward = [&] {
        if (w.minimized()) w.restore();
        rt::activate(w.id());
        w.select(field);
        recount();
        titleDiscList.requestRefresh();
        artistDiscList.requestRefresh();
        discList().refresh();
    };

    // An update replaced the master files under the lists: they are opened again and read anew.
    auto reopenMasters = [&] {
        for (rt::RecordFile* f : std::initializer_list<rt::RecordFile*>{&STI, &SAR, &KAR, &BRA})
            if (!f->isOpen()) OpenDataFile(*f, false);
        recount();
        for (BrowseList* l : {&titles, &artists, &titleDiscList, &artistDiscList}) l->restart();
        (side == Titles ? titles : artists).refresh();
        discList().refresh();
    };

    // The lists follow the window's size; the legend and the buttons stay below them.
    w.setResizable(true);
    w.setMinSize(460, 300);
    std::vector<std::pair<int, int>> below;  // control, its design y
    for (int id : legend) below.emplace_back(id, w.ctl(id).y);
    for (int id : {noBook, displayTitle, displayArtist, help, close}) below.emplace_back(id, w.ctl(id).y);
    auto layout = [&] {
        const int width = std::max(w.width(), 460), height = std::max(w.height(), 300);
        for (int l : {titleList, artistList}) w.setPosition(l, 8, 54, width - 16, 70);
        for (int l : {titleDiscs, artistDiscs}) w.setPosition(l, 8, 128, width - 16, height - 180);
        for (const auto& [id, y] : below) {
            const rt::Control& c = w.ctl(id);
            const int x = id == close ? width - 60 : c.x;
            if (c.x != x || c.y != y + height - 300) w.setPosition(id, x, y + height - 300, c.w, c.h);
        }
    };
    w.onFirstDisplay([&] { w.select(field); });
    w.onRedisplay([&] {
        layout();
        comeForward();
    });
    w.open();
    showSide(Titles);
    recount();
    titles.open();
    artists.open();
    titleDiscList.open();
    artistDiscList.open();
    while (w.accept()) {
        const int id = w.field();
        if (w.code() == EventMasterFilesReplaced) {
            reopenMasters();
            continue;
        }
        if (w.code() == rt::EvAccepted && id == field) {
            SearchField = w.value(field);
            continue;
        }
        if (w.code() == rt::EvAlertKey && (id == titleDiscs || id == artistDiscs)) {
            const int key = w.event().key;
            if (key == rt::KeyEnter || key == rt::KeyDoubleClick || key == rt::KeyCtrlEnter) {
                display();
                continue;
            }
            if (key == rt::KeyRightClick) {
                const bool rows = discList().count() > 0;
                const int item = w.popup(rows ? "&Insert|&Display All Tracks on Selected Disc|&Delete"
                                              : "&Insert|~&Display All Tracks on Selected Disc|~&Delete");
                if (item == 1) discList().press(BrowseAction::Insert);
                else if (item == 2) discList().press(BrowseAction::Change);
                else if (item == 3) discList().press(BrowseAction::Delete);
                continue;
            }
        }
        if (side == Titles ? titles.take() : artists.take()) continue;
        if (discList().take()) {
            if (!discList().healthy()) break;
            continue;
        }
        if (w.code() != rt::EvAccepted) continue;
        if (id == search) {
            runSearch();
        } else if (id == clear) {
            SearchField.clear();
            w.setValue(field, "");
            w.select(field);
        } else if (id == cancel || id == close) {
            w.response = 2;
            w.close();
        } else if (id == help) {
            ShowHelpTopic(kHelpTopic);
        } else if (id == displayTitle || id == displayArtist) {
            display();
        }
    }
    titles.close();
    artists.close();
    titleDiscList.close();
    artistDiscList.close();
}
