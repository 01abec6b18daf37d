#include "library/ShowMasterDiscTracks.h"

#include <cstdint>
#include <string>

#include "data/dmake.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/OpenDataFile.h"
#include "services/TaskWindow.h"

namespace {

constexpr std::uint32_t kRed = 0x0000FF;
constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// The SongBook as the marking sees it on this thread: the thread's own open instance when it
// has one, else one opened here for reading only, closed again with the window.
class SongBookMatches {
public:
    SongBookMatches() = default;
    ~SongBookMatches() {
        if (openedHere_ && FileUseCount(SBK) == 0) SBK.close();
    }
    SongBookMatches(const SongBookMatches&) = delete;
    SongBookMatches& operator=(const SongBookMatches&) = delete;

    // Only a blank SongBookFileName means that no SongBook is open.
    static bool active() { return !SongBookFileName.blank(); }

    // Some listing, on any disc, has this title and artist. A SongBook that will not open
    // holds nothing.
    bool holds(const rt::Text<40>& title, const rt::Text<40>& artist) {
        if (!SBK.isOpen()) {
            rt::clearError();
            SBK.open(rt::ReadOnly | rt::DenyNone);
            if (!SBK.isOpen()) {
                rt::clearError();
                return false;
            }
            openedHere_ = true;
        }
        // A caller's instance keeps its buffer and current record: a later write of its own
        // must not land on the listing found here.
        const bool theirs = !openedHere_;
        const SongBookRecord keep = SBK.record();
        const bool hadCurrent = theirs && SBK.hasCurrent();
        const std::string at = hadCurrent ? SBK.position() : std::string();

        SBK.TITLE = title;
        SBK.ARTIST = artist;
        rt::clearError();
        SBK.get(SongBook::KMATCHSONG);
        const bool found = rt::errorCode() == rt::NoError;

        if (theirs) {
            if (hadCurrent) SBK.reget(at);
            else SBK.clearCurrent();
            SBK.record() = keep;
        }
        rt::clearError();
        return found;
    }

private:
    bool openedHere_ = false;
};

rt::Cell cell(std::string text, bool red) {
    rt::Cell c{std::move(text)};
    c.fg = red ? kRed : rt::kNoColor;
    c.selFg = red ? kRed : kBlack;
    c.selBg = kWhite;
    return c;
}

}  // namespace

void ShowMasterDiscTracks() {
    // What the caller handed over, before anything reads the files.
    const rt::Text<15> discId = KAR.UNQDISKID;
    const std::uint16_t startTrack = KAR.DISKTRACKNO;
    const std::string discUpper = rt::upper(discId.str());
    const rt::Text<50> DISKMAKEID = rt::clip(BRA.MAKE.str()) + " - " + rt::clip(discId.str());

    TaskWindow w("Display All Song Tracks on Selected Disc", rt::WindowKind::Dialog, -1, -1, 284, 236,
                 {&BRA, &KAR});
    const int heading = w.text("?DISKMAKEID", DISKMAKEID.str(), 8, 6, 268, 12);
    w.setControlFont(heading, rt::Font{"", 10, 700, false, rt::kNoColor});
    const int list = w.list("?List", 8, 22, 268, 154,
                            {rt::Column{"Title", 120}, rt::Column{"Artist", 100}, rt::Column{"Track", 24, 'R'}});

    w.group("?DupFinder", "DUP-Finder", 8, 180, 206, 30);
    const int appearing = w.text("?AppearingIn", "Tracks appearing in", 14, 193, 68, 10);
    const int red = w.text("?Red", "RED", 82, 193, 18, 10);
    w.setControlFont(red, rt::Font{"", 0, 700, true, kRed});
    const int duplicated = w.text("?Duplicated", "are duplicated in open SongBook!", 100, 193, 112, 10);
    const int notActive = w.text("?NotActive", "Not Active, SongBook not Open!", 14, 193, 186, 10);
    w.setControlFont(notActive, rt::Font{"", 0, 700, false, rt::kNoColor});

    const int close = w.button("?Close", "Close", 226, 214, 50, 14);
    const int insert = w.button("?Insert", "&Insert", 8, 214, 40, 14);
    const int change = w.button("?Change", "&Change", 50, 214, 40, 14);
    const int del = w.button("?Delete", "&Delete", 92, 214, 40, 14);
    const int select = w.button("?Select", "&Select", 172, 214, 50, 14);
    for (int hidden : {insert, change, del}) w.hide(hidden);

    SongBookMatches songBook;
    auto showLegend = [&](bool active) {
        w.hide(appearing, !active);
        w.hide(red, !active);
        w.hide(duplicated, !active);
        w.hide(notActive, active);
    };
    showLegend(SongBookMatches::active());

    rt::View view(KAR, KARAOKE::KDISK);
    view.range(1).filter([&] { return rt::upper(KAR.UNQDISKID.str()) == discUpper; });
    BrowseList tracks(w, list, view, KAR, KARAOKE::KDISK);
    tracks.rangeValues([&] { KAR.UNQDISKID = discId; })
        .rows([&] {
            const bool active = SongBookMatches::active();
            showLegend(active);
            const bool dup = active && songBook.holds(KAR.TITLE, KAR.ARTIST);
            rt::Row r;
            r.cells.push_back(cell(KAR.TITLE.str(), dup));
            r.cells.push_back(cell(KAR.ARTIST.str(), dup));
            r.cells.push_back(cell(std::to_string(KAR.DISKTRACKNO), dup));
            return r;
        })
        .hidden([] { return std::vector<std::string>{KAR.UNQDISKID.str()}; })
        // The hidden record buttons call no form: the list is only read again.
        .form([] {
            CallRequest = 0;
            CallResponse = 2;
        })
        .buttons(insert, change, del, select)
        .selectMode(w.request == 4);

    w.onFirstDisplay([&] {
        if (w.request == 4) {
            KAR.UNQDISKID = discId;
            KAR.DISKTRACKNO = startTrack;
            tracks.locate();
        } else {
            tracks.refresh();
        }
        w.select(list);
    });

    w.open();
    tracks.open();
    while (w.accept()) {
        if (tracks.take()) continue;
        if (w.code() == rt::EvAccepted && w.field() == close) {
            w.response = 2;
            w.close();
        }
    }
    tracks.close();
    if (tracks.selected()) w.response = 1;
}
