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

// The window: the SongBook's discs in the order of the chosen tab, with two cells over the
// highlighted row (the manufacturer's id to read, the custom id to type over). One method per
// command.
class RenumberWindow {
public:
    RenumberWindow();
    void run();

private:
    void build();
    void buildTexts();
    void declareLists();
    BrowseList& browse() { return *lists_[current_]; }

    void mark(std::size_t tab, bool on);
    int cell() const { return column_ == 1 ? original_ : custom_; }
    void placeCells(bool force);
    void save(const std::string& typed);
    void cellKey(int key);
    void switchTo(std::size_t next);
    bool confirmAndDelete(bool retry);
    void deleteDisc();
    void deleteByKey();
    void close();
    bool takeCell();
    bool takeList();
    void listKey();
    void command(int id);

    TaskWindow w_{"Cantorelle V2 SongBook Maker - Renumber Disc(s)", rt::WindowKind::Dialog, -1, -1, 268,
                  kListY + kListH + 30, {&BRA, &SBD, &SBK}};
    const bool selecting_ = w_.request == 4;
    int sheet_ = 0, list_ = 0, original_ = 0, custom_ = 0;
    int insert_ = 0, del_ = 0, select_ = 0, deleteDisc_ = 0, close_ = 0, help_ = 0;
    std::array<int, 2> tabs_{};

    // One list per order; the tab shows which.
    std::array<std::unique_ptr<rt::View>, 2> views_;
    std::array<std::unique_ptr<BrowseList>, 2> lists_;
    std::size_t current_ = 0;

    // The tabs' own look, given back when the other tab is chosen.
    struct Look {
        std::uint32_t fg, bg;
    };
    std::array<Look, 2> own_{};

    // The highlighted disc as stored, and which row the cells lie over.
    SBDiscsRecord rowCopy_{};
    std::string rowPosition_;
    int cellRow_ = 0;
    // The cell the cursor goes into: 1 the manufacturer's id, 2 the custom id.
    int column_ = 2;
};

RenumberWindow::RenumberWindow() {
    build();
    declareLists();
    for (std::size_t i = 0; i < 2; ++i) own_[i] = {w_.ctl(tabs_[i]).fg, w_.ctl(tabs_[i]).bg};
}

void RenumberWindow::build() {
    sheet_ = w_.add(rt::ControlKind::Sheet, "?Sheet", "", kListX, 6, kListW, 16);
    tabs_ = {
        w_.add(rt::ControlKind::Tab, "?Tab1", "Original ID", 0, 0, 0, 0, sheet_),
        w_.add(rt::ControlKind::Tab, "?Tab2", "Custom ID", 0, 0, 0, 0, sheet_),
    };
    w_.setTooltip(tabs_[0], "List Discs by Original\nManufacturers Disc ID");
    w_.setTooltip(tabs_[1], "List Discs by Custom\nDisc ID.");
    w_.setSelected(sheet_, 1);

    list_ = w_.list("?List", kListX, kListY, kListW, kListH,
                    {rt::Column{"Original ID", kColumnW}, rt::Column{"Custom ID", kColumnW}});
    w_.setTooltip(list_, "Select Disc to Renumber.\nEnter New Disc ID and\npress Enter.");

    // The cells over the highlighted row: the manufacturer's id to read, the custom id to type.
    // They belong to the list, so that the front ends lay them over its rows.
    original_ = w_.entry("?SBD:UNQDISKID", "@s15", kListX + 2, kListY + kHeaderH, kColumnW, kRowH);
    custom_ = w_.entry("?SBD:ALTDISKID", "@s15", kListX + 2 + kColumnW, kListY + kHeaderH, kColumnW, kRowH);
    w_.edit(original_).parent = list_;
    w_.edit(custom_).parent = list_;
    w_.edit(original_).readOnly = true;
    w_.setControlFont(original_, rt::Font{"", 8, 400, false, rt::kNoColor});
    w_.setColors(original_, rt::kNoColor, rt::kNoColor, rt::kNoColor, kRed);
    w_.setControlFont(custom_, rt::Font{"", 8, 700, false, rt::kNoColor});

    buildTexts();

    const int tx = kListX + kListW + 8;
    const int by = kListY + kListH + 8;
    insert_ = w_.button("?Insert", "&Insert", tx, by - 40, 40, 14);
    del_ = w_.button("?Delete", "&Delete", tx + 44, by - 40, 40, 14);
    select_ = w_.button("?Select", "&Select", tx, by - 20, 50, 14);
    w_.hide(insert_);
    w_.hide(del_);
    w_.disable(insert_);
    w_.disable(del_);
    deleteDisc_ = w_.button("?DeleteDisc", "&Delete Disc", kListX, by, 56, 14);
    w_.setTooltip(deleteDisc_, "Delete Selected Disc\nand all Song Tracks\nfrom the Open SongBook.");
    close_ = w_.button("?Close", "Close", 268 - 112, by, 50, 14);
    w_.setTooltip(close_, "Close and Return");
    help_ = w_.button("?Help", "Help", 268 - 58, by, 50, 14);
    w_.setTooltip(help_, "Access Help System");
    if (selecting_) w_.edit(select_).isDefault = true;
}

// The instructions and the warning right of the list.
void RenumberWindow::buildTexts() {
    const int tx = kListX + kListW + 8, tw = 268 - tx - 6;
    const char* texts[] = {"Renumbering Discs", "Locate the Disc you wish", "to renumber.", "Click on the disc",
                           "selection and enter the", "new Custom Disc ID.", "Press ENTER to accept",
                           "the change."};
    int ty = kListY;
    for (int i = 0; i < 8; ++i) {
        const int t = w_.text("?Instruction" + std::to_string(i + 1), texts[i], tx, ty, tw, 9);
        if (i == 0) w_.setControlFont(t, rt::Font{"", 0, 700, false, rt::kNoColor});
        ty += i == 0 || i == 2 || i == 5 ? 13 : 9;
    }
    ty += 6;
    const char* warning[] = {"Warning", "Remember that the new", "Custom Disc ID must", "NOT already be in use!"};
    for (int i = 0; i < 4; ++i) {
        const int t = w_.text("?Warning" + std::to_string(i + 1), warning[i], tx, ty, tw, 9);
        w_.setControlFont(t, rt::Font{"", 0, 700, false, i == 0 ? kRed : rt::kNoColor});
        ty += i == 0 ? 13 : 9;
    }
}

void RenumberWindow::declareLists() {
    const std::array<const rt::Key*, 2> orders = {&SBDiscs::KUNQDISKID, &SBDiscs::KALTDISKID};
    for (std::size_t i = 0; i < 2; ++i) {
        views_[i] = std::make_unique<rt::View>(SBD, *orders[i]);
        lists_[i] = std::make_unique<BrowseList>(w_, list_, *views_[i], SBD, *orders[i]);
        lists_[i]
            ->rows([] { return BrowseCells({SBD.UNQDISKID.str(), SBD.ALTDISKID.str()}); })
            .textStops(15, StopUpperLetters | StopDigits)
            .stepLocator()
            // The hidden buttons have no form behind them: the page is only read again.
            .form([] {
                CallRequest = 0;
                CallResponse = 2;
            })
            .actions(false, false, false)
            .buttons(insert_, 0, del_, select_)
            .selectMode(selecting_);
    }
}

void RenumberWindow::mark(std::size_t tab, bool on) {
    if (on) w_.setColors(tabs_[tab], kTabText, kTabBack);
    else w_.setColors(tabs_[tab], own_[tab].fg, own_[tab].bg);
}

// The cells follow the highlighted row, and the cursor goes into the cell of the current
// column; an edit not yet stored is dropped with it.
void RenumberWindow::placeCells(bool force) {
    BrowseList& b = browse();
    const int n = b.count() > 0 ? b.highlighted() : 0;
    const std::string pos = n > 0 ? b.position(n) : std::string();
    if (!force && n == cellRow_ && pos == rowPosition_) return;
    cellRow_ = n;
    rowPosition_ = pos;
    w_.hide(original_, n == 0);
    w_.hide(custom_, n == 0);
    w_.enable(deleteDisc_, n > 0);
    if (n == 0) return;
    if (!b.loadHighlighted()) return;
    rowCopy_ = SBD.record();
    const int y = kListY + kHeaderH + (n - 1) * kRowH;
    w_.setPosition(original_, kListX + 2, y, kColumnW - 2, kRowH);
    w_.setPosition(custom_, kListX + kColumnW, y, kColumnW - 2, kRowH);
    w_.setValue(original_, SBD.UNQDISKID.str());
    w_.setValue(custom_, SBD.ALTDISKID.str());
    w_.select(cell());
}

// The custom id typed into the cell, stored by every key of the cells when it changed. A
// blank id is refused and stays in the cell until another row is highlighted.
void RenumberWindow::save(const std::string& typed) {
    if (cellRow_ == 0 || !browse().loadHighlighted()) return;
    const std::string discPosition = SBD.position();
    SBD.ALTDISKID = typed;
    if (SBD.record().ALTDISKID == rowCopy_.ALTDISKID) return;
    if (SBD.ALTDISKID.blank()) {
        rt::message("ERROR: Alternate Disc ID Cannot be Blank!", "ERROR", rt::Icon::Exclamation);
        w_.select(cell());
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
    // The page around the disc as stored: its new id after a success, the old after a refusal.
    SBD.reget(discPosition);
    rt::clearError();
    browse().locate();
    browse().refresh();
    placeCells(true);
}

// A key in a cell: what was typed is stored first, into the disc of the row the cells lie
// over, then the key moves through the list, and the cursor goes back into the cell of the
// current column on the row now highlighted.
void RenumberWindow::cellKey(int key) {
    save(w_.value(custom_));
    switch (key) {
    case rt::KeyUp:
    case rt::KeyCtrlUp: browse().scroll(rt::EvScrollUp); break;
    case rt::KeyDown:
    case rt::KeyCtrlDown: browse().scroll(rt::EvScrollDown); break;
    case rt::KeyPageUp:
    case rt::KeyCtrlPageUp: browse().scroll(rt::EvPageUp); break;
    case rt::KeyPageDown:
    case rt::KeyCtrlPageDown: browse().scroll(rt::EvPageDown); break;
    case rt::KeyCtrlHome: browse().scroll(rt::EvScrollTop); break;
    case rt::KeyCtrlEnd: browse().scroll(rt::EvScrollBottom); break;
    case rt::KeyCtrlLeft: column_ = 1; break;
    case rt::KeyCtrlRight: column_ = 2; break;
    case rt::KeyCtrlDelete: deleteByKey(); break;
    // Enter, the clicks and Ctrl+Insert store and stay: no blank disc is added here, as such a
    // record could never be listed or given its ids in this window.
    default: break;
    }
    if (!browse().healthy()) return;
    placeCells(false);
    if (cellRow_ > 0) w_.select(cell());
}

void RenumberWindow::switchTo(std::size_t next) {
    if (next == current_ || next > 1) return;
    const bool had = cellRow_ > 0 && browse().loadHighlighted();
    const SBDiscsRecord at = SBD.record();
    browse().close();
    mark(current_, false);
    mark(next, true);
    current_ = next;
    browse().open();
    // The same disc in the other order (the ids are keys: the first at its value).
    SBD.record() = at;
    if (had) browse().locate();
    else browse().restart();
    browse().refresh();
    placeCells(true);
}

// The highlighted disc (in the buffer), deleted with its listings once the host confirmed:
// Ctrl+Delete is also a cell editor's "delete the next word", so no key deletes unasked. With
// retry a failure offers to try again. True when the disc is gone.
bool RenumberWindow::confirmAndDelete(bool retry) {
    const std::string discPosition = SBD.position();
    if (rt::message("Are you sure you wish to delete this disc?", "Confirm Deletion", rt::Icon::Hand,
                    "&Yes|&No Cancel", 2) != 1)
        return false;
    for (;;) {
        bool done;
        {
            WaitCursor wait;
            done = deleteDiscAndListings(discPosition);
        }
        if (done) return true;
        if (!retry || ShowWarning(Warning::RecordDeleteRetry) != rt::BtnYes) return false;
    }
}

void RenumberWindow::deleteDisc() {
    if (cellRow_ == 0 || !browse().loadHighlighted()) return;
    if (confirmAndDelete(false))
        rt::message("Disc successfully deleted!", "Deletion Successful", rt::Icon::Exclamation);
    browse().reload();
    browse().refresh();
    placeCells(true);
    w_.select(list_);
}

// Ctrl+Delete in a cell: the list then shows the disc after the deleted one.
void RenumberWindow::deleteByKey() {
    if (cellRow_ == 0 || !browse().loadHighlighted()) return;
    const SBDiscsRecord disc = SBD.record();
    if (!confirmAndDelete(true)) return;
    SBD.record() = disc;
    browse().locate();
    browse().refresh();
}

void RenumberWindow::close() {
    w_.response = 2;
    browse().close();
    w_.close();
}

// What is typed stays in the cell until a key of the cells stores it; another row, Close or
// the close box drop it.
bool RenumberWindow::takeCell() {
    if (w_.field() != custom_ && w_.field() != original_) return false;
    if (w_.code() != rt::EvAccepted && w_.code() != rt::EvAlertKey) return false;
    if (w_.code() == rt::EvAlertKey) {
        const int key = w_.event().key;
        if (key == rt::KeyEnter || key == rt::KeyDoubleClick || key == rt::KeyRightClick || rt::isCellKey(key))
            cellKey(key);
    }
    return true;
}

bool RenumberWindow::takeList() {
    if (!browse().take()) return false;
    if (browse().selected()) {
        w_.response = 1;
        browse().close();
        return true;
    }
    // Whatever highlighted the row (a click, a key, a refresh), the cursor goes back into the
    // cell of the current column.
    placeCells(false);
    if (cellRow_ > 0) w_.select(cell());
    return true;
}

// Enter or a double-click on a row goes into its custom id.
void RenumberWindow::listKey() {
    const int key = w_.event().key;
    if (w_.field() == list_ && cellRow_ > 0 && (key == rt::KeyEnter || key == rt::KeyDoubleClick))
        w_.select(cell());
}

void RenumberWindow::command(int id) {
    if (id == close_) close();
    else if (id == help_) ShowHelpTopic(kHelpTopic);
    else if (id == deleteDisc_) deleteDisc();
}

void RenumberWindow::run() {
    // The cursor goes into the first row's custom id once the window shows.
    w_.onFirstDisplay([this] {
        browse().refresh();
        placeCells(true);
    });
    w_.open();
    mark(0, true);
    browse().open();
    while (w_.accept()) {
        if (takeCell() || takeList()) continue;
        switch (w_.code()) {
        case rt::EvNewSelection:
            if (w_.field() == sheet_) switchTo(static_cast<std::size_t>(w_.event().value - 1));
            break;
        case rt::EvAlertKey: listKey(); break;
        case rt::EvAccepted: command(w_.field()); break;
        default: break;
        }
        placeCells(false);
    }
}

}  // namespace

void RenumberDiscs() { RenumberWindow().run(); }
