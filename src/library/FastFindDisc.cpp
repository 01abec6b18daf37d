#include "library/FastFindDisc.h"

#include <memory>
#include <string>
#include <vector>

#include "data/dmake.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "data/sbdiscs.h"
#include "data/stitle.h"
#include "data/tagque.h"
#include "library/CustomDiscIdDialog.h"
#include "library/ShowMasterDiscTracks.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"

namespace {

// The title box offers the sorted titles from the typed one on, one drop-down's worth: the
// title file of a full master database is far too large to hold whole.
constexpr int kTitleChoices = 100;

// The disc is in TagQue already (read without touching TagQue's shared buffer, which a
// custom-id dialog of another window may be editing).
bool alreadyTagged(const std::string& discId) {
    for (std::size_t i = 1; i <= TagQue.records(); ++i)
        if (TagQue.entry(i).QUEUNQDISKID == discId) return true;
    return false;
}

enum class Lookup { Found, Missing, Failed };

// The title of sTitle that a typed text names (letter case ignored), in its stored spelling.
Lookup findTitle(const std::string& typed, rt::Text<40>& out) {
    if (rt::trim(typed).empty()) return Lookup::Missing;
    STI.clearBuffer();
    STI.TITLE = typed;
    rt::clearError();
    STI.get(sTitle::KTITLE);
    const int err = rt::errorCode();
    rt::clearError();
    if (err == rt::NoError) {
        out = STI.TITLE;
        return Lookup::Found;
    }
    return err == rt::RecordNotFound || err == rt::NoRecord ? Lookup::Missing : Lookup::Failed;
}

}  // namespace

namespace {

class FastFindWindow {
public:
    FastFindWindow();
    void run();

private:
    void build();
    void declareList();
    void firstDisplay();
    bool offerTitles(const std::string& from);
    bool acceptTitle(rt::Text<40>& title);
    void searchTitle();
    void rowButtons();
    void tagDisc();
    void listMenu();

    TaskWindow w_{"Cantorelle V2 SongBook Maker - FastFind", rt::WindowKind::Dialog, -1, -1, 350, 296,
                  {&BRA, &KAR, &SBD, &STI}};
    int box_ = 0, search_ = 0, list_ = 0, display_ = 0, insert_ = 0, del_ = 0, cancel_ = 0, tag_ = 0;
    // The title the list is filtered by; it follows the box only when Search is pressed.
    rt::Text<40> passTitle_;
    rt::View view_{KAR, KARAOKE::KTITLE};
    std::unique_ptr<BrowseList> discs_;
};

FastFindWindow::FastFindWindow() {
    build();
    declareList();
}

void FastFindWindow::build() {
    w_.text("?Intro1", "Often times manufactures produce discs under a variety of brand names. This can sometimes make",
           8, 6, 334, 10);
    w_.text("?Intro2", "finding the correct disc difficult. Follow these three simple steps to quickly find the disc. ",
           8, 16, 334, 10);

    w_.group("?Step1", "Step 1", 6, 30, 338, 58);
    w_.text("?Step1Text1", "Enter the EXACT Song Title of the FIRST Track on the Disc and Click Search.", 14, 40, 324, 10);
    w_.text("?Step1Text2", "You may optionally select the Title from the drop-down list.", 14, 50, 324, 10);
    box_ = w_.combo("?STI:TITLE", "@s40", 14, 66, 230, 12, {rt::Column{"Title", 160}});
    search_ = w_.button("?Search", "Search for Matching Disc(s)", 248, 65, 90, 14);

    w_.group("?Step2", "Step 2", 6, 92, 338, 150);
    w_.text("?Step2Text1", "The Disc(s) listed below contain the searched Song Title as the FIRST Track.", 14, 102, 324, 10);
    w_.text("?Step2Text2", "Highlight each disc, click \"Display Tracks\", and compare the tracks", 14, 112, 324, 10);
    w_.text("?Step2Text3", "with the disc you are searching for...", 14, 122, 324, 10);
    list_ = w_.list("?DiscList", 14, 134, 324, 84,
                            {rt::Column{"Mfg. Disc ID", 70}, rt::Column{"Brand/Series", 180}});
    display_ = w_.button("?Display", "Display All Tracks on Selected Disc", 14, 222, 130, 14);
    insert_ = w_.button("?Insert", "Insert", 150, 222, 40, 14);
    del_ = w_.button("?Delete", "&Delete", 194, 222, 40, 14);
    w_.hide(insert_);
    w_.hide(del_);

    w_.group("?Step3", "Step 3", 6, 246, 338, 44);
    w_.text("?Step3Text", "Once you have found the matching disc simply click \"Tag Disc and Return\".", 14, 256, 324, 10);
    cancel_ = w_.button("?Cancel", "Cancel", 200, 270, 56, 14);
    tag_ = w_.button("?Tag", "Tag Disc and Return", 260, 270, 78, 14);
    w_.disable(tag_);
    w_.disable(display_);

}

void FastFindWindow::declareList() {
    view_.join(BRA, DMake::KMAKEID, 1, [] { BRA.MAKEID = KAR.MAKEID; })
        .range(1)
        .filter([this] { return rt::upper(KAR.TITLE.str()) == rt::upper(passTitle_.str()) && KAR.DISKTRACKNO == 1; });
    discs_ = std::make_unique<BrowseList>(w_, list_, view_, KAR, KARAOKE::KTITLE);
    discs_->rangeValues([this] { KAR.TITLE = passTitle_; })
        .rows([] { return BrowseCells({KAR.UNQDISKID.str(), BRA.MAKE.str()}); })
        .hidden([] { return std::vector<std::string>{KAR.TITLE.str()}; })
        .stepLocator()
        .form(ShowMasterDiscTracks)
        .buttons(insert_, display_, del_)
        // Insert, too, shows the highlighted disc rather than none.
        .prepareForm([this](BrowseAction a) {
            if (a == BrowseAction::Insert && discs_->count() > 0) discs_->loadHighlighted();
            return true;
        });
}

// The drop-down's titles from `from` on; false after a read error closed the window.
bool FastFindWindow::offerTitles(const std::string& from) {
    std::vector<std::string> titles;
    STI.clearBuffer();
    STI.TITLE = from;
    RecordReader master(STI, sTitle::KTITLE, RecordReader::Warn, RecordReader::BufferValues);
    while (static_cast<int>(titles.size()) < kTitleChoices && master.next()) titles.push_back(STI.TITLE.str());
    if (master.failed()) {
        w_.close();
        return false;
    }
    rt::clearError();
    w_.setChoices(box_, std::move(titles));
    return true;
}

// The box's text as a title of the list: put in its stored spelling, or the cursor back.
bool FastFindWindow::acceptTitle(rt::Text<40>& title) {
    const std::string typed = w_.value(box_);
    switch (findTitle(typed, title)) {
    case Lookup::Found:
        w_.setValue(box_, title.str());
        offerTitles(title.str());
        return true;
    case Lookup::Missing:
        if (offerTitles(typed)) w_.select(box_);
        return false;
    case Lookup::Failed:
        ShowWarning(Warning::RecordRetrieval, "sTitle");
        w_.close();
        return false;
    }
    return false;
}

void FastFindWindow::searchTitle() {
    rt::Text<40> title;
    if (!acceptTitle(title)) return;
    passTitle_ = title;
    discs_->restart();
    w_.select(list_);
}

void FastFindWindow::rowButtons() {
    const bool rows = discs_->count() > 0;
    w_.enable(tag_, rows);
    w_.enable(display_, rows);
}

void FastFindWindow::tagDisc() {
    if (discs_->count() == 0 || !discs_->loadHighlighted()) return;
    const std::string discId = KAR.UNQDISKID.str();
    if (alreadyTagged(discId)) {
        rt::message("Disc already tagged for autoentry.");
        return;
    }
    SBD.clearBuffer();
    SBD.UNQDISKID = discId;
    rt::clearError();
    SBD.get(SBDiscs::KUNQDISKID);
    const int err = rt::errorCode();
    rt::clearError();
    if (err == rt::NoError) {
        rt::beep();
        rt::message("This disc has already been added to this SongBook.||Custom Disc ID: " +
                        SBD.ALTDISKID.str() +
                        "||To preserve data integrity duplicate disc entries are not allowed.",
                    "Disc Already Added!", rt::Icon::Hand, rt::BtnOk);
        w_.close();
        return;
    }
    if (err != rt::RecordNotFound && err != rt::NoRecord) {
        // Whether the SongBook holds the disc is unknown: tag nothing.
        ShowWarning(Warning::RecordRetrieval, "SBDiscs");
        return;
    }
    TagQue.QUEUNQDISKID = discId;
    CustomDiscIdDialog();
    if (DialogCancelled == 0) {
        // The shared buffer as the dialog left it, before anything else can wait.
        const rt::Text<17> custom = TagQue.DISKID;
        const rt::Text<40> genre = TagQue.QUEGENRE;
        if (alreadyTagged(discId)) {
            // Another window tagged it while the dialog was open.
            rt::message("Disc already tagged for autoentry.");
        } else {
            TagQue.QUEUNQDISKID = discId;
            TagQue.DISKID = custom;
            TagQue.TRACKNO = 0;
            TagQue.QUEGENRE = genre;
            TagQue.addInOrder({TagField::QUEUNQDISKID, TagField::DISKID});
        }
    }
    w_.close();
}

void FastFindWindow::listMenu() {
    const bool rows = discs_->count() > 0;
    switch (w_.popup(rows ? "Insert|Display All Tracks on Selected Disc|&Delete"
                          : "Insert|~Display All Tracks on Selected Disc|~&Delete")) {
    case 1: discs_->press(BrowseAction::Insert); break;
    case 2: discs_->press(BrowseAction::Change); break;
    case 3: discs_->press(BrowseAction::Delete); break;
    default: break;
    }
}

// The title the buffer holds on opening is preselected; filling the list moves it on.
void FastFindWindow::firstDisplay() {
    const std::string held = STI.TITLE.str();
    if (!offerTitles(held)) return;
    STI.TITLE = held;
    if (!STI.TITLE.blank()) w_.setValue(box_, STI.TITLE.str());
    discs_->refresh();
    rowButtons();
    w_.select(box_);
}

void FastFindWindow::run() {
    w_.onFirstDisplay([this] { firstDisplay(); });
    w_.open();
    discs_->open();
    while (w_.accept()) {
        if (discs_->take()) {
            rowButtons();
            continue;
        }
        const int id = w_.field();
        switch (w_.code()) {
        case rt::EvAccepted:
            if (id == box_) {
                rt::Text<40> title;
                acceptTitle(title);
            } else if (id == search_) {
                searchTitle();
            } else if (id == tag_) {
                tagDisc();
            } else if (id == cancel_) {
                w_.close();
            }
            break;
        case rt::EvAlertKey:
            if (id == list_ && w_.event().key == rt::KeyRightClick) listMenu();
            break;
        default:
            break;
        }
        rowButtons();
    }
    discs_->close();
}

}  // namespace

void FastFindDisc() { FastFindWindow().run(); }
