#include "library/RenumberDiscs.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "data/dmake.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/SafeDelete.h"
#include "services/ShowHelpTopic.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"

namespace {

constexpr const char* kHelpTopic = "RenumberingDisc(s)";
constexpr std::uint32_t kTabText = 0xFFFFFF;
constexpr std::uint32_t kTabBack = 0x800000;
constexpr std::uint32_t kRed = 0x0000FF;

// Layout of the list, in dialog units: the cells are laid over its highlighted row.
constexpr int kListX = 6, kListY = 24, kListW = 150, kRows = 18;
constexpr int kHeaderH = 10, kRowH = 8, kListH = kHeaderH + kRows * kRowH;
constexpr int kColumnW = 70;

// The disc at the position and every listing of it, in one transaction. Disc ids compare as
// the keys compare them (letter case ignored), so no listing of the disc stays behind. True
// once committed; a failure has been reported and nothing was deleted.
bool deleteDiscAndListings(const std::string& discPosition) {
    DiscToDelete disc;
    disc.position = discPosition;
    const DiscDeleteResult r = DeleteDiscWithListings(disc);
    if (r.failed == DiscDeleteStep::Begin) ShowWarning(Warning::TransactionFraming, "Delete", "SBDiscs");
    else if (!r.ok()) ShowWarning(Warning::DeleteOperation, r.listingFailed() ? "SongBook" : "SBDiscs");
    return r.ok();
}

}  // namespace

void RenumberDiscs() {
    TaskWindow w("Cantorelle V2 SongBook Maker - Renumber Disc(s)", rt::WindowKind::Dialog, -1, -1, 268,
                 kListY + kListH + 30, {&BRA, &SBD, &SBK});
    const bool selecting = w.request == 4;

    const int sheet = w.add(rt::ControlKind::Sheet, "?Sheet", "", kListX, 6, kListW, 16);
    const std::array<int, 2> tabs = {
        w.add(rt::ControlKind::Tab, "?Tab1", "Original ID", 0, 0, 0, 0, sheet),
        w.add(rt::ControlKind::Tab, "?Tab2", "Custom ID", 0, 0, 0, 0, sheet),
    };
    w.setTooltip(tabs[0], "List Discs by Original\nManufacturers Disc ID");
    w.setTooltip(tabs[1], "List Discs by Custom\nDisc ID.");
    w.setSelected(sheet, 1);

    const int list = w.list("?List", kListX, kListY, kListW, kListH,
                            {rt::Column{"Original ID", kColumnW}, rt::Column{"Custom ID", kColumnW}});
    w.setTooltip(list, "Select Disc to Renumber.\nEnter New Disc ID and\npress Enter.");

    // The cells over the highlighted row: the manufacturer's id to read, the custom id to type.
    // They belong to the list, so that the front ends lay them over its rows.
    const int original = w.entry("?SBD:UNQDISKID", "@s15", kListX + 2, kListY + kHeaderH, kColumnW, kRowH);
    const int custom = w.entry("?SBD:ALTDISKID", "@s15", kListX + 2 + kColumnW, kListY + kHeaderH, kColumnW, kRowH);
    w.edit(original).parent = list;
    w.edit(custom).parent = list;
    w.edit(original).readOnly = true;
    w.setControlFont(original, rt::Font{"", 8, 400, false, rt::kNoColor});
    w.setColors(original, rt::kNoColor, rt::kNoColor, rt::kNoColor, kRed);
    w.setControlFont(custom, rt::Font{"", 8, 700, false, rt::kNoColor});

    const int tx = kListX + kListW + 8, tw = 268 - tx - 6;
    const char* texts[] = {"Renumbering Discs", "Locate the Disc you wish", "to renumber.", "Click on the disc",
                           "selection and enter the", "new Custom Disc ID.", "Press ENTER to accept",
                           "the change."};
    int ty = kListY;
    for (int i = 0; i < 8; ++i) {
        const int t = w.text("?Instruction" + std::to_string(i + 1), texts[i], tx, ty, tw, 9);
        if (i == 0) w.setControlFont(t, rt::Font{"", 0, 700, false, rt::kNoColor});
        ty += i == 0 || i == 2 || i == 5 ? 13 : 9;
    }
    ty += 6;
    const char* warning[] = {"Warning", "Remember that the new", "Custom Disc ID must", "NOT already be in use!"};
    for (int i = 0; i < 4; ++i) {
        const int t = w.text("?Warning" + std::to_string(i + 1), warning[i], tx, ty, tw, 9);
        w.setControlFont(t, rt::Font{"", 0, 700, false, i == 0 ? kRed : rt::kNoColor});
        ty += i == 0 ? 13 : 9;
    }

    const int by = kListY + kListH + 8;
    const int insert = w.button("?Insert", "&Insert", tx, by - 40, 40, 14);
    const int del = w.button("?Delete", "&Delete", tx + 44, by - 40, 40, 14);
    const int select = w.button("?Select", "&Select", tx, by - 20, 50, 14);
    w.hide(insert);
    w.hide(del);
    w.disable(insert);
    w.disable(del);
    const int deleteDisc = w.button("?DeleteDisc", "&Delete Disc", kListX, by, 56, 14);
    w.setTooltip(deleteDisc, "Delete Selected Disc\nand all Song Tracks\nfrom the Open SongBook.");
    const int close = w.button("?Close", "Close", 268 - 112, by, 50, 14);
    w.setTooltip(close, "Close and Return");
    const int help = w.button("?Help", "Help", 268 - 58, by, 50, 14);
    w.setTooltip(help, "Access Help System");
    if (selecting) w.edit(select).isDefault = true;

    // One list per order; the tab shows which.
    const std::array<const rt::Key*, 2> orders = {&SBDiscs::KUNQDISKID, &SBDiscs::KALTDISKID};
    std::array<std::unique_ptr<rt::View>, 2> views;
    std::array<std::unique_ptr<BrowseList>, 2> lists;
    for (std::size_t i = 0; i < 2; ++i) {
        views[i] = std::make_unique<rt::View>(SBD, *orders[i]);
        lists[i] = std::make_unique<BrowseList>(w, list, *views[i], SBD, *orders[i]);
        lists[i]
            ->rows([] { return BrowseCells({SBD.UNQDISKID.str(), SBD.ALTDISKID.str()}); })
            .textStops(15, StopUpperLetters | StopDigits)
            .stepLocator()
            // The hidden buttons have no form behind them: the page is only read again.
            .form([] {
                CallRequest = 0;
                CallResponse = 2;
            })
            .actions(false, false, false)
            .buttons(insert, 0, del, select)
            .selectMode(selecting);
    }
    std::size_t current = 0;
    auto browse = [&]() -> BrowseList& { return *lists[current]; };

    // The tabs' own look, given back when the other tab is chosen.
    struct Look {
        std::uint32_t fg, bg;
    };
    std::array<Look, 2> own{};
    for (std::size_t i = 0; i < 2; ++i) own[i] = {w.ctl(tabs[i]).fg, w.ctl(tabs[i]).bg};
    auto mark = [&](std::size_t i, bool on) {
        if (on) w.setColors(tabs[i], kTabText, kTabBack);
        else w.setColors(tabs[i], own[i].fg, own[i].bg);
    };

    // The highlighted disc as stored, and which row the cells lie over.
    SBDiscsRecord rowCopy{};
    std::string rowPosition;
    int cellRow = 0;
    // The cells follow the highlighted row, and the cursor goes into the custom id; an edit
    // not yet stored is dropped with it.
    auto placeCells = [&](bool force) {
        BrowseList& b = browse();
        const int n = b.count() > 0 ? b.highlighted() : 0;
        const std::string pos = n > 0 ? b.position(n) : std::string();
        if (!force && n == cellRow && pos == rowPosition) return;
        cellRow = n;
        rowPosition = pos;
        w.hide(original, n == 0);
        w.hide(custom, n == 0);
        w.enable(deleteDisc, n > 0);
        if (n == 0) return;
        if (!b.loadHighlighted()) return;
        rowCopy = SBD.record();
        const int y = kListY + kHeaderH + (n - 1) * kRowH;
        w.setPosition(original, kListX + 2, y, kColumnW - 2, kRowH);
        w.setPosition(custom, kListX + kColumnW, y, kColumnW - 2, kRowH);
        w.setValue(original, SBD.UNQDISKID.str());
        w.setValue(custom, SBD.ALTDISKID.str());
        w.select(custom);
    };

    // The custom id typed into the cell, stored on Enter when it changed.
    auto save = [&](const std::string& typed) {
        if (cellRow == 0 || !browse().loadHighlighted()) return;
        const std::string discPosition = SBD.position();
        SBD.ALTDISKID = typed;
        if (SBD.record().ALTDISKID == rowCopy.ALTDISKID) return;
        if (SBD.ALTDISKID.blank()) {
            rt::message("ERROR: Alternate Disc ID Cannot be Blank!", "ERROR", rt::Icon::Exclamation);
            w.select(custom);
            return;
        }
        {
            WaitCursor wait;
            rt::clearError();
            SBD.put();
        }
        const int error = rt::errorCode();
        if (error == rt::DuplicateKey) {
            rt::message("ERROR: Alternate Disc ID Already in Use!", "ERROR", rt::Icon::Exclamation);
        } else if (error != rt::NoError) {
            SaveFileError();
            ShowWarning(Warning::UpdateOperation, "SBDiscs");
        }
        // The page around the disc as stored: its new id after a success, the old after a
        // refusal.
        SBD.reget(discPosition);
        rt::clearError();
        browse().locate();
        browse().refresh();
        placeCells(true);
    };

    auto switchTo = [&](std::size_t next) {
        if (next == current || next > 1) return;
        const bool had = cellRow > 0 && browse().loadHighlighted();
        const SBDiscsRecord at = SBD.record();
        browse().close();
        mark(current, false);
        mark(next, true);
        current = next;
        browse().open();
        // The same disc in the other order (the ids are keys: the first at its value).
        SBD.record() = at;
        if (had) browse().locate();
        else browse().restart();
        browse().refresh();
        placeCells(true);
    };

    // The cursor goes into the first row's custom id once the window shows.
    w.onFirstDisplay([&] {
        browse().refresh();
        placeCells(true);
    });

    w.open();
    mark(0, true);
    browse().open();
    while (w.accept()) {
        const int id = w.field();
        // What is typed stays in the cell until Enter stores it; another row, Close or the
        // close box drop it.
        if (id == custom && (w.code() == rt::EvAccepted || w.code() == rt::EvAlertKey)) {
            if (w.code() == rt::EvAlertKey && w.event().key == rt::KeyEnter) save(w.value(custom));
            continue;
        }
        if (browse().take()) {
            if (browse().selected()) {
                w.response = 1;
                browse().close();
                continue;
            }
            // Whatever highlighted the row (a click, a key, a refresh), the cursor goes back
            // into its custom id.
            placeCells(false);
            if (cellRow > 0) w.select(custom);
            continue;
        }
        switch (w.code()) {
        case rt::EvNewSelection:
            if (id == sheet) switchTo(static_cast<std::size_t>(w.event().value - 1));
            break;
        case rt::EvAlertKey:
            // Enter or a double-click on a row goes into its custom id.
            if (id == list && cellRow > 0 &&
                (w.event().key == rt::KeyEnter || w.event().key == rt::KeyDoubleClick))
                w.select(custom);
            break;
        case rt::EvAccepted:
            if (id == close) {
                w.response = 2;
                browse().close();
                w.close();
            } else if (id == help) {
                ShowHelpTopic(kHelpTopic);
            } else if (id == deleteDisc && cellRow > 0 && browse().loadHighlighted()) {
                const std::string discPosition = SBD.position();
                if (rt::message("Are you sure you wish to delete this disc?", "Confirm Deletion", rt::Icon::Hand,
                                "&Yes|&No Cancel", 2) != 1)
                    break;
                bool done;
                {
                    WaitCursor wait;
                    done = deleteDiscAndListings(discPosition);
                }
                if (done)
                    rt::message("Disc successfully deleted!", "Deletion Successful", rt::Icon::Exclamation);
                browse().reload();
                browse().refresh();
                placeCells(true);
                w.select(list);
            }
            break;
        default:
            break;
        }
        placeCells(false);
    }
}
