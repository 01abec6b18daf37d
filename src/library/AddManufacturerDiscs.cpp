#include "library/AddManufacturerDiscs.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/discs.h"
#include "data/dmake.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "data/sbdiscs.h"
#include "data/tagque.h"
#include "library/AddTaggedDiscTracks.h"
#include "library/CustomDiscIdDialog.h"
#include "library/DiscIdNumbers.h"
#include "library/DiscLocatorHelp.h"
#include "library/FastFindDisc.h"
#include "library/MultiTagOptionsDialog.h"
#include "library/TagGlobals.h"
#include "library/UpdateMasterTrack.h"
#include "runtime/error/error.h"
#include "runtime/record/record.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/MemoryListPage.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowHelpTopic.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"

namespace {

const char* const kTitle = "Cantorelle V2 SongBook Maker PLUS- Add Mfr. Disc(s) to SongBook";
const char* const kTagMark = "\u00BB";
constexpr std::size_t kStackSize = 25000;

enum ShowMode { ShowAll = 0, ShowTagged = 1, ShowUnTagged = 2 };
const char* const kShowModeText[] = {"Show All", "Showing Tagged", "Showing UnTagged"};

// --- the tag list (TagQue) ---

bool IsTagged(const std::string& mfrId) {
    for (std::size_t i = 1; i <= TagQue.records(); ++i)
        if (TagQue.entry(i).QUEUNQDISKID.str() == mfrId) return true;
    return false;
}

// Removes every tag of the disc; true when there was one.
bool Untag(const std::string& mfrId) {
    bool found = false;
    for (std::size_t i = TagQue.records(); i >= 1; --i) {
        if (TagQue.entry(i).QUEUNQDISKID.str() != mfrId) continue;
        TagQue.get(i);
        TagQue.del();
        found = true;
    }
    return found;
}

void AddTag(const std::string& mfrId, const std::string& customId, const std::string& genre,
            bool orderByGenre) {
    TagQue.clearBuffer();
    TagQue.QUEUNQDISKID = mfrId;
    TagQue.DISKID = customId;
    TagQue.QUEGENRE = genre;
    if (orderByGenre)
        TagQue.addInOrder({TagField::QUEUNQDISKID, TagField::DISKID, TagField::QUEGENRE});
    else
        TagQue.addInOrder({TagField::QUEUNQDISKID, TagField::DISKID});
}

// --- the SongBook's discs ---

// Whether the disc is in the SongBook already; its custom id when it is. The SBDiscs buffer
// is kept as it was (the workspace's current disc).
bool InSongBook(const std::string& mfrId, std::string& customId) {
    const SBDiscsRecord saved = SBD.record();
    SBD.clearBuffer();
    SBD.UNQDISKID = mfrId;
    rt::clearError();
    SBD.get(SBDiscs::KUNQDISKID);
    const bool found = rt::errorCode() == rt::NoError;
    if (found) customId = SBD.ALTDISKID.str();
    SBD.record() = saved;
    rt::clearError();
    return found;
}

void DiscAlreadyAdded(const std::string& customId) {
    rt::beep(rt::BeepKind::Hand);
    rt::message("This disc has already been added to this SongBook.||Custom Disc ID: " + customId +
                    "||To preserve data integrity duplicate disc entries are not allowed.",
                "Disc Already Added!", rt::Icon::Hand, rt::BtnOk);
}

// A custom id that another disc of the SongBook or another tag carries would make the disc
// impossible to add (the SongBook's custom ids are unique): the disc is not tagged.
void CustomIdTaken(const std::string& mfrId, const std::string& customId) {
    rt::beep(rt::BeepKind::Exclamation);
    rt::message("The Custom Disc ID " + customId +
                    " is already used by another disc of this SongBook or by another tagged disc."
                    "||Disc " + mfrId + " was not tagged.",
                "Custom Disc ID Already Used!", rt::Icon::Exclamation, rt::BtnOk);
}

}  // namespace

namespace {

// The window: the brands, the selected brand's discs, the selected disc's tracks and the tags,
// each list following the one before it. One method per command.
class AddDiscsWindow {
public:
    AddDiscsWindow();
    void run();

private:
    void build();
    void declareLists();

    bool followDisc();
    bool followBrand();
    void refreshAll();
    void setShowMode(int mode);
    bool highlightedDisc();
    void discsChanged();

    void tagOne();
    bool forEachDiscOfBrand(const std::function<bool(const std::string&)>& each);
    void tagAll();
    void untagAll();
    void toggleShowMode();
    void removeSelected();
    void locate();
    void done();
    void trackMenu();
    void addTagged();
    void openFastFind();
    int startTask(rt::Procedure procedure);
    void command(int id);
    void alertKey(const rt::EventData& e);
    bool healthy() { return brands_->healthy() && discs_->healthy() && tracks_->healthy(); }

    TaskWindow w_{kTitle, rt::WindowKind::MdiChild, -1, -1, 760, 310, {&BRA, &DIS, &KAR, &SBD}};
    int skipQuery_ = 0, brandList_ = 0, discList_ = 0, locatorEntry_ = 0, locateButton_ = 0, whatsThis_ = 0;
    int tagButton_ = 0, tagAllButton_ = 0, untagAllButton_ = 0, showButton_ = 0, fastFind_ = 0;
    int trackList_ = 0, editButton_ = 0, insertButton_ = 0, deleteButton_ = 0, tagList_ = 0, removeButton_ = 0;
    int addButton_ = 0, helpButton_ = 0, doneButton_ = 0;

    // What the lists show: the window keeps the selected brand and disc itself, since other
    // reads change the record buffers.
    std::int32_t brandId_ = 0;
    std::string discId_;
    int showMode_ = ShowAll;
    int discClickColumn_ = 0;
    std::vector<int> fastFindThreads_;

    rt::View brandView_{BRA, DMake::KMAKE};
    rt::View discView_{DIS, Discs::KMAKEID};
    rt::View trackView_{KAR, KARAOKE::KDISK};
    std::unique_ptr<BrowseList> brands_, discs_, tracks_;
    std::unique_ptr<MemoryListPage> tagPage_;
};

AddDiscsWindow::AddDiscsWindow() {
    build();
    declareLists();
}

void AddDiscsWindow::build() {
    w_.setFont(rt::Font{"Arial", 8});
    const rt::Font number{"Arial", 12, 700};
    const rt::Font heading{"Arial", 8, 700};

    const int options = w_.menu("Options");
    skipQuery_ = w_.menuItem(
        options, "Disable Custom Disc ID Query",
        "Disable Custom Disc ID Query Dialog. Use Default Manufactures Disc ID for ALL Tagged Discs.");
    w_.setTooltip(skipQuery_,
                 "Disable Custom Disc ID Query Dialog. Use Default Manufactures Disc ID for ALL Tagged Discs.");

    // #1: the brands.
    w_.setControlFont(w_.text("?Step1", "#1", 6, 4, 14, 12), number);
    w_.setControlFont(w_.text("?Step1Text", "Select CDG Brand/Series", 20, 7, 130, 10), heading);
    brandList_ = w_.list("?BrandList", 6, 20, 144, 284, {rt::Column{"Brand/Series", 132}});

    // #2: the brand's discs.
    w_.setControlFont(w_.text("?Step2", "#2", 156, 4, 14, 12), number);
    w_.setControlFont(w_.text("?Step2Text", "Select Media ID", 170, 7, 80, 10), heading);
    discList_ = w_.list("?DiscList", 156, 20, 92, 226,
                                {rt::Column{"Tag", 14, 'C', false}, rt::Column{"Disk ID", 66}});
    w_.setTooltip(discList_,
                 "Tag/Untag the Disc ID you<10>wish included in your SongBook by<10>double-clicking in theTAG "
                 "field of<10>your selection. You may also utilize<10>the buttons on the right for "
                 "multi-tagging<10>operations.");
    w_.text("?Hint", "HINT: Double-Click Selection in this Column to Quickly Tag/UnTag", 156, 250, 256, 10);

    // The rapid disc locator.
    w_.group("?LocatorGroup", "Rapid Disc Locator", 156, 262, 256, 42);
    w_.prompt("?DISKIDTEMP:Prompt", "Mfr. Disc ID:", 162, 279, 46, 10);
    locatorEntry_ = w_.entry("?DISKIDTEMP", "@s20", 208, 278, 80, 12);
    locateButton_ = w_.button("?Locate", " Locate", 292, 277, 50, 14);
    whatsThis_ = w_.button("?WhatsThis", "What's This?", 346, 277, 60, 14);

    // Tagging.
    w_.group("?TagGroup", "Tag or Untag Selection", 254, 16, 76, 82);
    tagButton_ = w_.button("?Tag", "&Tag", 260, 28, 64, 14);
    tagAllButton_ = w_.button("?TagAll", "tag &All", 260, 44, 64, 14);
    untagAllButton_ = w_.button("?UntagAll", "&Untag all", 260, 60, 64, 14);
    showButton_ = w_.button("?ShowTags", "sho&W tags", 260, 76, 64, 14);

    // #3: the selected disc's tracks.
    w_.setControlFont(w_.text("?Step3", "#3", 254, 104, 14, 12), number);
    const char* const review[] = {"You should review",         "the song tracks found",
                                  "on the Selected Disc",      "below before",
                                  "tagging the selection for", "automated entry into",
                                  "the open SongBook."};
    for (int i = 0; i < 7; ++i)
        w_.text("?Review" + std::to_string(i + 1), review[i], 254, 118 + 9 * i, 78, 9);
    fastFind_ = w_.button("?FastFind", "FastFind", 254, 190, 76, 14);
    w_.setTooltip(fastFind_, "Launch the Search Tool");

    trackList_ = w_.list("?TrackList", 336, 20, 270, 176,
                                 {rt::Column{"Track", 30, 'R'}, rt::Column{"Title", 112},
                                  rt::Column{"Artist", 112}});
    editButton_ = w_.button("?Change", "&Edit Song Track", 336, 200, 72, 14);
    insertButton_ = w_.button("?Insert", "&Insert", 336, 200, 40, 14);
    deleteButton_ = w_.button("?Delete", "&Delete", 336, 200, 40, 14);
    w_.hide(insertButton_);
    w_.hide(deleteButton_);

    // #4: the tags.
    w_.setControlFont(w_.text("?Step4", "#4", 422, 200, 14, 12), number);
    w_.setControlFont(w_.text("?Step4Text", "Add Disc(s)", 436, 203, 100, 10), heading);
    tagList_ = w_.list("?TagList", 422, 214, 184, 72,
                               {rt::Column{"Mfr. ID", 86}, rt::Column{"Custom ID", 86}});
    w_.setTooltip(tagList_, "Display Tagged Disc(s)");
    removeButton_ = w_.button("?RemoveSelected", "Remove Selected", 422, 290, 70, 14);

    // On the right: the logo, the warning and the closing buttons.
    w_.image("?Logo", "addscreenlogo.bmp", 612, 6, 142, 48);
    const char* const warning[] = {"WARNING!",
                                   "Verify your selections",
                                   "on the left! You will",
                                   "NOT be able to reverse",
                                   "this operation once",
                                   "completed!",
                                   "Click Add Disc(s)",
                                   "to add tagged disc(s)",
                                   "to the open SongBook"};
    for (int i = 0; i < 9; ++i) {
        const int t = w_.text("?Warning" + std::to_string(i + 1), warning[i], 612, 58 + 9 * i, 142, 9);
        if (i == 0) w_.setControlFont(t, rt::Font{"Arial", 9, 700, false, 0x0000FF});
    }
    addButton_ = w_.button("?AddTagged", "Add Tagged Disc(s) to SongBook", 612, 146, 142, 24);
    w_.setTooltip(addButton_,
                 "After verifying the Discs you wish added<10>to your SongBook, you may press this<10>button "
                 "to continue and complete this<10>operation.");
    helpButton_ = w_.button("?Help", "&Help", 612, 290, 68, 14);
    w_.setTooltip(helpButton_, "Access Help System");
    doneButton_ = w_.button("?Done", "&Done/Cancel", 686, 290, 68, 14);
    w_.setTooltip(doneButton_,
                 "Click here to Exit. If the current<10>operation has not been completed<10>all changes will be lost!");

}

void AddDiscsWindow::declareLists() {
    brands_ = std::make_unique<BrowseList>(w_, brandList_, brandView_, BRA, DMake::KMAKE);
    brands_->rows([] { return BrowseCells({BRA.MAKE.str()}); })
        .hidden([] { return std::vector<std::string>{std::to_string(BRA.MAKEID)}; })
        .textStops()
        .incrementalLocator(30);

    // Without a brand there are no discs (brand numbers start at 1).
    discView_.range(1).filter([this] {
        if (brandId_ == 0) return false;
        switch (showMode_) {
        case ShowTagged: return IsTagged(DIS.UNQDISKID.str());
        case ShowUnTagged: return !IsTagged(DIS.UNQDISKID.str());
        default: return true;
        }
    });
    discs_ = std::make_unique<BrowseList>(w_, discList_, discView_, DIS, Discs::KMAKEID);
    discs_->rows([] { return BrowseCells({IsTagged(DIS.UNQDISKID.str()) ? kTagMark : "", DIS.UNQDISKID.str()}); })
        .hidden([] { return std::vector<std::string>{DIS.DISKID.str(), DIS.UNQDISKID.str()}; })
        .rangeValues([this] { DIS.MAKEID = brandId_; })
        .stopField("DISKID")
        .textStops(10)
        .stepLocator("DISKID");

    // Without a disc there are no tracks (a blank disc id would match the tracks that have none).
    trackView_.range(1).filter([this] { return !discId_.empty(); });
    tracks_ = std::make_unique<BrowseList>(w_, trackList_, trackView_, KAR, KARAOKE::KDISK);
    tracks_->rows([] {
              return BrowseCells({std::to_string(KAR.DISKTRACKNO), KAR.TITLE.str(), KAR.ARTIST.str()});
          })
        .rangeValues([this] { KAR.UNQDISKID = discId_; })
        .stopField("DISKTRACKNO")
        .numericStops()
        .stepLocator("DISKTRACKNO")
        .form([] { UpdateMasterTrack(); })
        .buttons(insertButton_, editButton_, deleteButton_);

    tagPage_ = std::make_unique<MemoryListPage>(w_, tagList_, [] { return TagQue.records(); }, [](std::size_t i) {
        const TagQueRecord& t = TagQue.entry(i + 1);
        return BrowseCells({t.QUEUNQDISKID.str(), t.DISKID.str()});
    });

    brands_->onNewSelection([this] {
        followBrand();
        followDisc();
    });
    discs_->onNewSelection([this] { followDisc(); });
}

// The lists are linked from left to right: another brand refills the disc list from its first
// disc, another disc the track list. True when the next list was refilled.
bool AddDiscsWindow::followDisc() {
    const int h = discs_->highlighted();
    const std::string now = h >= 1 ? discs_->hidden(h).at(1) : std::string();
    if (now == discId_) return false;
    discId_ = now;
    tracks_->restart();
    return true;
}

bool AddDiscsWindow::followBrand() {
    const int h = brands_->highlighted();
    const std::int32_t now = h >= 1 ? std::stoi(brands_->hidden(h).at(0)) : 0;
    if (now == brandId_) return false;
    brandId_ = now;
    discs_->restart();
    return true;
}

// The window's refresh: each list is rebuilt around its highlighted record, unless the list
// before it moved to another brand or disc and refilled it already.
void AddDiscsWindow::refreshAll() {
    brands_->requestRefresh();
    brands_->refresh();
    if (!followBrand()) {
        discs_->requestRefresh();
        discs_->refresh();
    }
    if (!followDisc()) {
        tracks_->requestRefresh();
        tracks_->refresh();
    }
    tagPage_->show();
}

void AddDiscsWindow::setShowMode(int mode) {
    showMode_ = mode;
    w_.setText(showButton_, kShowModeText[mode]);
    w_.setTooltip(showButton_, kShowModeText[mode]);
}

// The disc list read again after the tags changed.
void AddDiscsWindow::discsChanged() {
    discs_->reload();
    followDisc();
}

// The highlighted disc's current record, or false (the list is redrawn when it is gone).
bool AddDiscsWindow::highlightedDisc() {
    if (discs_->count() == 0) return false;
    if (discs_->loadHighlighted()) return true;
    if (discs_->healthy()) discsChanged();
    return false;
}

void AddDiscsWindow::tagOne() {
    if (!highlightedDisc()) return;
    const std::string mfrId = DIS.UNQDISKID.str();
    std::string customId;
    if (Untag(mfrId)) {
        // Tagged already: the second press removes the tag.
    } else if (InSongBook(mfrId, customId)) {
        DiscAlreadyAdded(customId);
    } else {
        TagQue.QUEUNQDISKID = mfrId;
        CustomDiscIdDialog();
        // The shared buffer is read before anything here waits: another thread's dialog
        // may use it as soon as this thread waits.
        const bool confirmed = DialogCancelled == 0;
        const std::string chosenId = TagQue.DISKID.str();
        const std::string genre = TagQue.QUEGENRE.str();
        if (confirmed && !IsTagged(mfrId)) {
            if (CustomDiscIdInUse(chosenId) == CustomDiscIdUse::Free)
                AddTag(mfrId, chosenId, genre, true);
            else
                CustomIdTaken(mfrId, chosenId);
        }
    }
    discs_->reload();
    followDisc();
    TagQue.QUEGENRE.clear();
}

// Reads every disc of the selected brand in the disc list's order (whatever it shows); false
// after a read error (a warning was shown).
bool AddDiscsWindow::forEachDiscOfBrand(const std::function<bool(const std::string&)>& each) {
    if (brandId_ == 0) return true;
    rt::View all(DIS, Discs::KMAKEID);
    all.range(1);
    DIS.clearBuffer();
    DIS.MAKEID = brandId_;
    return ReadEveryRecord(all, "Discs", [&] { return each(DIS.UNQDISKID.str()); });
}

void AddDiscsWindow::tagAll() {
    MultiTagOptionsDialog();
    if (BatchConfirmed != 1) return;
    const int method = BATCHADDTYPE;
    const std::string prefix = rt::clip(BATCHPRE.str());
    const std::string suffix = rt::clip(BATCHSUF.str());
    std::int64_t running = BATCHSTARTINGNUMBER - 1;
    const bool busy = method == 1 || method == 3;
    auto cursor = [&](bool on) {
        if (!busy) return;
        w_.setWaitCursor(on);
        w_.display();
    };
    cursor(true);
    forEachDiscOfBrand([&](const std::string& mfrId) {
        if (IsTagged(mfrId)) return true;
        ++running;
        std::string existing;
        if (InSongBook(mfrId, existing)) {
            cursor(false);
            DiscAlreadyAdded(existing);
            cursor(true);
            return true;
        }
        std::string customId, genre;
        switch (method) {
        case 1: {
            // A number whose id is taken already is passed over: the ids stay unique and
            // as consecutive as the SongBook and the other tags allow_. Every id in use can
            // block one number at most, so the search ends.
            const std::size_t limit = TagQue.records() + static_cast<std::size_t>(std::max(0LL, SBD.records())) + 1;
            CustomDiscIdUse use = CustomDiscIdUse::Used;
            for (std::size_t tries = 0; tries <= limit; ++tries) {
                customId = prefix + std::to_string(running) + suffix;
                use = CustomDiscIdInUse(customId);
                if (use != CustomDiscIdUse::Used) break;
                ++running;
            }
            if (use == CustomDiscIdUse::ReadError) {
                cursor(false);
                ShowWarning(Warning::RecordRetrieval, "SBDiscs");
                return false;
            }
            if (use == CustomDiscIdUse::Used) {
                cursor(false);
                CustomIdTaken(mfrId, customId);
                cursor(true);
                return true;
            }
            break;
        }
        case 2: {
            TagQue.QUEUNQDISKID = mfrId;
            CustomDiscIdDialog();
            const bool confirmed = DialogCancelled == 0;
            customId = TagQue.DISKID.str();
            genre = TagQue.QUEGENRE.str();
            // Tagged meanwhile from FastFind: that tag stands.
            if (!confirmed || IsTagged(mfrId)) return true;
            if (CustomDiscIdInUse(customId) != CustomDiscIdUse::Free) {
                CustomIdTaken(mfrId, customId);
                return true;
            }
            break;
        }
        case 3:
            customId = mfrId;
            if (CustomDiscIdInUse(customId) != CustomDiscIdUse::Free) {
                cursor(false);
                CustomIdTaken(mfrId, customId);
                cursor(true);
                return true;
            }
            break;
        default:
            return false;
        }
        AddTag(mfrId, customId, genre, false);
        return true;
    });
    cursor(false);
    discs_->reload();
    followDisc();
}

void AddDiscsWindow::untagAll() {
    WaitCursor busy(w_);
    forEachDiscOfBrand([](const std::string& mfrId) {
        Untag(mfrId);
        return true;
    });
    busy.end();
    discs_->reload();
    followDisc();
}

void AddDiscsWindow::locate() {
    const std::string typed = rt::clip(w_.value(locatorEntry_));
    if (rt::trim(typed).empty()) return;
    KAR.clearBuffer();
    KAR.UNQDISKID = rt::cut(typed, 15);
    rt::clearError();
    KAR.get(KARAOKE::KUNQDISKID);
    bool found = rt::errorCode() == rt::NoError;
    if (found) {
        const std::int32_t make = KAR.MAKEID;
        BRA.clearBuffer();
        BRA.MAKEID = make;
        rt::clearError();
        BRA.get(DMake::KMAKEID);
        found = rt::errorCode() == rt::NoError;
    }
    rt::clearError();
    if (!found) {
        rt::message("No Match on Provided Manufactures Disc ID");
        w_.setValue(locatorEntry_, "");
        return;
    }
    // First the brand, by its name; then, within it, the first disc not below the text.
    brands_->locate();
    const int h = brands_->highlighted();
    brandId_ = h >= 1 ? std::stoi(brands_->hidden(h).at(0)) : 0;
    DIS.clearBuffer();
    DIS.DISKID = rt::cut(typed, 10);
    discs_->locate();
    followDisc();
    w_.setValue(locatorEntry_, "");
}

void AddDiscsWindow::done() {
    if (TagQue.records() > 0 &&
        rt::message("There are still disc(s) tagged and awaiting processing, Are you sure you wish to Cancel?",
                    "", rt::Icon::Question, rt::BtnYes | rt::BtnNo, rt::BtnNo) != rt::BtnYes)
        return;
    w_.close();
}

void AddDiscsWindow::trackMenu() {
    const int choice = w_.popup(tracks_->count() > 0 ? "&Insert|&Edit Song Track|&Delete"
                                                  : "&Insert|~&Edit Song Track|~&Delete");
    if (choice == 1) tracks_->press(BrowseAction::Insert);
    else if (choice == 2) tracks_->press(BrowseAction::Change);
    else if (choice == 3) tracks_->press(BrowseAction::Delete);
}

int AddDiscsWindow::startTask(rt::Procedure procedure) {
    const int thread = rt::startThread(std::move(procedure), kStackSize);
    if (thread == 0)
        rt::message("No further task can be started now_. Close one of the open windows and try again.",
                    "", rt::Icon::Exclamation);
    return thread;
}

void AddDiscsWindow::toggleShowMode() {
    setShowMode((showMode_ + 1) % 3);
    discsChanged();
}

void AddDiscsWindow::removeSelected() {
    if (const std::size_t at = tagPage_->highlightedEntry(); at != MemoryListPage::npos && TagQue.get(at + 1)) {
        TagQue.del();
        discsChanged();
    }
}

void AddDiscsWindow::openFastFind() {
    if (const int thread = startTask(FastFindDisc)) fastFindThreads_.push_back(thread);
    refreshAll();
}

void AddDiscsWindow::addTagged() {
    if (TagQue.records() == 0) {
        rt::message("No Disc(s) Tagged for Processing", "ERROR: No Discs Tagged", rt::Icon::Exclamation, rt::BtnOk);
        return;
    }
    startTask(AddTaggedDiscTracks);
    refreshAll();
}

void AddDiscsWindow::command(int f) {
    if (f == tagButton_) tagOne();
    else if (f == tagAllButton_) tagAll();
    else if (f == untagAllButton_) untagAll();
    else if (f == showButton_) toggleShowMode();
    else if (f == removeButton_) removeSelected();
    else if (f == locateButton_) locate();
    else if (f == whatsThis_) {
        DiscLocatorHelp();
        refreshAll();
    } else if (f == fastFind_) openFastFind();
    else if (f == addButton_) addTagged();
    else if (f == doneButton_) done();
    else if (f == helpButton_) ShowHelpTopic("AddingManufacturedDisc(s)");
    else if (f == skipQuery_) SkipCustomDiscIdQuery = SkipCustomDiscIdQuery ? 0 : 1;
}

void AddDiscsWindow::alertKey(const rt::EventData& e) {
    if (e.control == discList_ && e.key == rt::KeyDoubleClick) {
        // Only a double-click in the "Tag" column tags. The click before it tells the column
        // when the double-click does not; an unknown column (0) counts as it.
        const int column = e.column ? e.column : discClickColumn_;
        if (column <= 1) tagOne();
    } else if (e.control == trackList_ && e.key == rt::KeyRightClick) {
        trackMenu();
    } else if (e.control == locatorEntry_ && e.key == rt::KeyEnter) {
        locate();
    }
}

void AddDiscsWindow::run() {
    setShowMode(ShowAll);
    w_.onFirstDisplay([this] { refreshAll(); });
    w_.onRedisplay([this] { refreshAll(); });
    w_.open();
    brands_->open();
    discs_->open();
    tracks_->open();

    while (w_.accept()) {
        const rt::EventData e = w_.event();
        // Regaining the focus or a new size refreshes every list (tags made in FastFind, tags
        // emptied by the adding of the discs): the task frame runs refreshAll then.
        if (e.control == 0) continue;
        if (e.control == discList_ && e.code == rt::EvNewSelection) discClickColumn_ = e.column;
        if (brands_->take() || discs_->take() || tracks_->take() || tagPage_->take()) {
            if (!healthy()) break;
            tagPage_->show();
            continue;
        }
        if (e.code == rt::EvAlertKey) alertKey(e);
        else if (e.code == rt::EvAccepted) command(e.control);
        if (!healthy()) break;
        tagPage_->show();
    }

    brands_->close();
    discs_->close();
    tracks_->close();
    TagQue.free();
    // The FastFind windows started here tag for this window only: they close with it.
    for (int thread : fastFindThreads_) rt::postToThread(rt::EvCloseWindow, thread);
}

}  // namespace

void AddManufacturerDiscs() {
    TagQue.free();
    AddDiscsWindow().run();
}
