#include "library/BrowseMasterTracks.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "data/dmake.h"
#include "data/karaoke.h"
#include "library/UpdateMasterTrack.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/ReadEveryRecord.h"
#include "services/ScrollStops.h"
#include "services/ShowHelpTopic.h"
#include "services/TaskWindow.h"

namespace {

constexpr const char* kHelpTopic = "ViewingandEditingtheMainTunelode";

constexpr std::uint32_t kActiveTabText = 0x800000;
constexpr std::uint32_t kActiveTabBack = 0x808080;

// The columns, by what they show.
enum class Col { Title, Artist, Brand, DiskId, Track };

rt::Column column(Col c, bool opening) {
    switch (c) {
    case Col::Title: return {"Title", 110};
    case Col::Artist: return {"Artist", 90};
    case Col::Brand: return {opening ? "Make" : "Brand/Series", 100};
    case Col::DiskId: return {opening ? "Disc ID" : "Disk ID", 39};
    case Col::Track: return {"Track", 24, 'R'};
    }
    return {};
}

std::string cellOf(Col c) {
    switch (c) {
    case Col::Title: return KAR.TITLE.str();
    case Col::Artist: return KAR.ARTIST.str();
    case Col::Brand: return BRA.MAKE.str();
    case Col::DiskId: return KAR.DISKID.str();
    case Col::Track: return std::to_string(KAR.DISKTRACKNO);
    }
    return {};
}

// One tab: its order, the field the thumb follows, its column layout.
struct Order {
    const rt::Key* key;
    const char* stopField;
    std::array<Col, 5> columns;
};

const std::array<Order, 3> kOrders = {{
    {&KARAOKE::KTITLE, "TITLE", {Col::Title, Col::Artist, Col::Brand, Col::DiskId, Col::Track}},
    {&KARAOKE::KARTIST, "ARTIST", {Col::Artist, Col::Title, Col::Brand, Col::DiskId, Col::Track}},
    {&KARAOKE::KDISK, "UNQDISKID", {Col::DiskId, Col::Track, Col::Title, Col::Artist, Col::Brand}},
}};

std::vector<rt::Column> columnsOf(const Order& o, bool opening) {
    std::vector<rt::Column> out;
    for (Col c : o.columns) out.push_back(column(c, opening));
    return out;
}

// The buffer's values of an order's key, compared as the key compares them.
std::string keyText(const Order& o) {
    if (o.key == &KARAOKE::KTITLE) return rt::upper(KAR.TITLE.str());
    if (o.key == &KARAOKE::KARTIST) return rt::upper(KAR.ARTIST.str());
    return rt::upper(KAR.UNQDISKID.str()) + '\x01' + std::to_string(KAR.DISKTRACKNO);
}

// The selection position of the track the buffer holds (its own record among those with
// the same key values), or "" when the selection no longer has it.
std::string positionOf(rt::View& view, const Order& o, const std::string& record) {
    const KaraokeRecord keep = KAR.record();
    const std::string key = keyText(o);
    std::string found;
    rt::clearError();
    view.open();
    if (view.isOpen()) {
        view.setAt();
        // A row that cannot be read ends the search: the track is not found.
        RecordReader rows(view, "KARAOKE", RecordReader::Quiet, RecordReader::AsSet);
        while (rows.next() && keyText(o) == key) {
            if (KAR.position(*o.key) == record) {
                found = view.position();
                break;
            }
        }
        view.close();
    }
    rt::clearError();
    KAR.record() = keep;
    return found;
}

}  // namespace

void BrowseMasterTracks() {
    TaskWindow w("Cantorelle V2 SongBook Maker - View/Change Main Tunelode", rt::WindowKind::Dialog, -1, -1, 400,
                 262, {&BRA, &KAR});
    w.setResizable(true);
    w.setMinSize(300, 160);

    const int sheetId = w.add(rt::ControlKind::Sheet, "?Sheet", "", 6, 4, 388, 16);
    std::array<int, 3> tabs{};
    const char* tabTexts[] = {"&Song Title", "&Artist", "&Disc-Track"};
    for (int i = 0; i < 3; ++i) {
        tabs[static_cast<std::size_t>(i)] =
            w.add(rt::ControlKind::Tab, "?Tab" + std::to_string(i + 1), tabTexts[i], 0, 0, 0, 0, sheetId);
    }
    w.setSelected(sheetId, 1);

    const int list = w.list("?List", 6, 22, 388, 210, columnsOf(kOrders[0], true));
    const int edit = w.button("?Edit", "&Edit", 230, 240, 50, 14);
    const int close = w.button("?Close", "&Close", 286, 240, 50, 14);
    const int help = w.button("?Help", "&Help", 342, 240, 50, 14);
    const int insert = w.button("?Insert", "&Insert", 6, 240, 40, 14);
    const int del = w.button("?Delete", "&Delete", 50, 240, 40, 14);
    const int select = w.button("?Select", "&Select", 174, 240, 50, 14);
    w.edit(edit).isDefault = true;
    w.hide(insert);
    w.hide(del);

    // The controls follow the window's size.
    auto layout = [&] {
        const int width = std::max(w.width(), 300), height = std::max(w.height(), 160);
        w.setPosition(sheetId, 6, 4, width - 12, 16);
        w.setPosition(list, 6, 22, width - 12, height - 52);
        const int by = height - 22;
        w.setPosition(help, width - 58, by, 50, 14);
        w.setPosition(close, width - 114, by, 50, 14);
        w.setPosition(edit, width - 170, by, 50, 14);
        w.setPosition(select, width - 226, by, 50, 14);
        w.setPosition(insert, 6, by, 40, 14);
        w.setPosition(del, 50, by, 40, 14);
    };

    // The tabs' own look, kept to give back when another tab is marked.
    struct Look {
        std::uint32_t fg, bg;
        rt::Font font;
    };
    std::array<Look, 3> own{};
    for (std::size_t i = 0; i < 3; ++i) own[i] = {w.ctl(tabs[i]).fg, w.ctl(tabs[i]).bg, w.ctl(tabs[i]).font};
    auto mark = [&](std::size_t i) {
        rt::Font f = own[i].font;
        f.weight = 700;
        w.setColors(tabs[i], kActiveTabText, kActiveTabBack);
        w.setControlFont(tabs[i], f);
    };
    auto unmark = [&](std::size_t i) {
        rt::Font f = own[i].font;
        f.weight = 400;
        w.setColors(tabs[i], own[i].fg, own[i].bg);
        w.setControlFont(tabs[i], f);
    };

    std::array<std::unique_ptr<rt::View>, 3> views;
    std::array<std::unique_ptr<BrowseList>, 3> lists;
    for (std::size_t i = 0; i < 3; ++i) {
        const Order& o = kOrders[i];
        views[i] = std::make_unique<rt::View>(KAR, *o.key);
        views[i]->join(BRA, DMake::KMAKEID, 1, [] { BRA.MAKEID = KAR.MAKEID; });
        lists[i] = std::make_unique<BrowseList>(w, list, *views[i], KAR, *o.key);
        lists[i]
            ->rows([&o] {
                rt::Row r;
                for (Col c : o.columns) r.cells.push_back(rt::Cell{cellOf(c)});
                return r;
            })
            .hidden([] {
                return std::vector<std::string>{KAR.UNQDISKID.str(), std::to_string(BRA.MAKEID)};
            })
            .stopTable(TwoCharacterStopTable)
            .stopField(o.stopField)
            .form(UpdateMasterTrack)
            .buttons(insert, edit, del, select)
            .selectMode(w.request == 4);
    }
    std::size_t current = 0;

    // Another tab: the same track, in the new order.
    auto switchTo = [&](std::size_t next) {
        if (next == current || next >= 3) return;
        BrowseList& from = *lists[current];
        const bool had = from.count() > 0 && from.loadHighlighted() && KAR.hasCurrent();
        const std::string record = had ? KAR.position(*kOrders[next].key) : std::string();
        const KaraokeRecord keep = KAR.record();
        from.close();
        unmark(current);
        mark(next);
        w.setColumns(list, columnsOf(kOrders[next], false));
        current = next;
        BrowseList& to = *lists[current];
        to.open();
        if (!had) {
            to.restart();
        } else if (const std::string pos = positionOf(*views[current], kOrders[current], record); !pos.empty()) {
            to.locateAt(pos);
        } else {
            KAR.record() = keep;
            to.locate();
        }
        to.refresh();
        w.select(list);
    };

    w.onFirstDisplay([&] {
        lists[current]->refresh();
        w.select(list);
    });
    w.onRedisplay(layout);

    w.open();
    mark(0);
    lists[current]->open();
    while (w.accept()) {
        BrowseList& browse = *lists[current];
        if (browse.take()) continue;
        const int id = w.field();
        switch (w.code()) {
        case rt::EvNewSelection:
            if (id == sheetId) switchTo(static_cast<std::size_t>(w.event().value - 1));
            break;
        case rt::EvAlertKey:
            if (id != list) break;
            if (w.event().key == rt::KeyEnter) browse.press(BrowseAction::Change);
            else if (w.event().key == rt::KeyRightClick) w.popup("~&Select");
            break;
        case rt::EvAccepted:
            if (id == close) {
                w.response = 2;
                w.close();
            } else if (id == help) {
                ShowHelpTopic(kHelpTopic);
            }
            break;
        default:
            break;
        }
    }
    const bool selected = lists[current]->selected();
    lists[current]->close();
    if (selected) w.response = 1;
}
