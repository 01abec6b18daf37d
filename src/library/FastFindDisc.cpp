#include "library/FastFindDisc.h"

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

void FastFindDisc() {
    TaskWindow w("Cantorelle V2 SongBook Maker - FastFind", rt::WindowKind::Dialog, -1, -1, 350, 296,
                 {&BRA, &KAR, &SBD, &STI});
    w.text("?Intro1", "Often times manufactures produce discs under a variety of brand names. This can sometimes make",
           8, 6, 334, 10);
    w.text("?Intro2", "finding the correct disc difficult. Follow these three simple steps to quickly find the disc. ",
           8, 16, 334, 10);

    w.group("?Step1", "Step 1", 6, 30, 338, 58);
    w.text("?Step1Text1", "Enter the EXACT Song Title of the FIRST Track on the Disc and Click Search.", 14, 40, 324, 10);
    w.text("?Step1Text2", "You may optionally select the Title from the drop-down list.", 14, 50, 324, 10);
    const int box = w.combo("?STI:TITLE", "@s40", 14, 66, 230, 12, {rt::Column{"Title", 160}});
    const int search = w.button("?Search", "Search for Matching Disc(s)", 248, 65, 90, 14);

    w.group("?Step2", "Step 2", 6, 92, 338, 150);
    w.text("?Step2Text1", "The Disc(s) listed below contain the searched Song Title as the FIRST Track.", 14, 102, 324, 10);
    w.text("?Step2Text2", "Highlight each disc, click \"Display Tracks\", and compare the tracks", 14, 112, 324, 10);
    w.text("?Step2Text3", "with the disc you are searching for...", 14, 122, 324, 10);
    const int list = w.list("?DiscList", 14, 134, 324, 84,
                            {rt::Column{"Mfg. Disc ID", 70}, rt::Column{"Brand/Series", 180}});
    const int display = w.button("?Display", "Display All Tracks on Selected Disc", 14, 222, 130, 14);
    const int insert = w.button("?Insert", "Insert", 150, 222, 40, 14);
    const int del = w.button("?Delete", "&Delete", 194, 222, 40, 14);
    w.hide(insert);
    w.hide(del);

    w.group("?Step3", "Step 3", 6, 246, 338, 44);
    w.text("?Step3Text", "Once you have found the matching disc simply click \"Tag Disc and Return\".", 14, 256, 324, 10);
    const int cancel = w.button("?Cancel", "Cancel", 200, 270, 56, 14);
    const int tag = w.button("?Tag", "Tag Disc and Return", 260, 270, 78, 14);
    w.disable(tag);
    w.disable(display);

    // The title the list is filtered by; it follows the box only when Search is pressed.
    rt::Text<40> PassTitle;

    rt::View view(KAR, KARAOKE::KTITLE);
    view.join(BRA, DMake::KMAKEID, 1, [] { BRA.MAKEID = KAR.MAKEID; })
        .range(1)
        .filter([&] { return rt::upper(KAR.TITLE.str()) == rt::upper(PassTitle.str()) && KAR.DISKTRACKNO == 1; });
    BrowseList discs(w, list, view, KAR, KARAOKE::KTITLE);
    discs.rangeValues([&] { KAR.TITLE = PassTitle; })
        .rows([] { return BrowseCells({KAR.UNQDISKID.str(), BRA.MAKE.str()}); })
        .hidden([] { return std::vector<std::string>{KAR.TITLE.str()}; })
        .stepLocator()
        .form(ShowMasterDiscTracks)
        .buttons(insert, display, del)
        // Insert, too, shows the highlighted disc rather than none.
        .prepareForm([&](BrowseAction a) {
            if (a == BrowseAction::Insert && discs.count() > 0) discs.loadHighlighted();
            return true;
        });

    // The drop-down's titles from `from` on; false after a read error closed the window.
    auto offerTitles = [&](const std::string& from) {
        std::vector<std::string> titles;
        STI.clearBuffer();
        STI.TITLE = from;
        rt::clearError();
        STI.setAt(sTitle::KTITLE);
        while (static_cast<int>(titles.size()) < kTitleChoices) {
            STI.next();
            const int err = rt::errorCode();
            if (err == rt::NoRecord) break;
            if (err != rt::NoError) {
                ShowWarning(Warning::RecordRetrieval, "sTitle");
                w.close();
                return false;
            }
            titles.push_back(STI.TITLE.str());
        }
        rt::clearError();
        w.setChoices(box, std::move(titles));
        return true;
    };

    // The box's text as a title of the list: put in its stored spelling, or the cursor back.
    auto acceptTitle = [&](rt::Text<40>& title) {
        const std::string typed = w.value(box);
        switch (findTitle(typed, title)) {
        case Lookup::Found:
            w.setValue(box, title.str());
            offerTitles(title.str());
            return true;
        case Lookup::Missing:
            if (offerTitles(typed)) w.select(box);
            return false;
        case Lookup::Failed:
            ShowWarning(Warning::RecordRetrieval, "sTitle");
            w.close();
            return false;
        }
        return false;
    };

    auto rowButtons = [&] {
        const bool rows = discs.count() > 0;
        w.enable(tag, rows);
        w.enable(display, rows);
    };

    auto tagDisc = [&] {
        if (discs.count() == 0 || !discs.loadHighlighted()) return;
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
            w.close();
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
        w.close();
    };

    w.onFirstDisplay([&] {
        // The title the buffer holds on opening is preselected; filling the list moves it on.
        const std::string held = STI.TITLE.str();
        if (!offerTitles(held)) return;
        STI.TITLE = held;
        if (!STI.TITLE.blank()) w.setValue(box, STI.TITLE.str());
        discs.refresh();
        rowButtons();
        w.select(box);
    });

    w.open();
    discs.open();
    while (w.accept()) {
        if (discs.take()) {
            rowButtons();
            continue;
        }
        const int id = w.field();
        switch (w.code()) {
        case rt::EvAccepted:
            if (id == box) {
                rt::Text<40> title;
                acceptTitle(title);
            } else if (id == search) {
                rt::Text<40> title;
                if (!acceptTitle(title)) break;
                PassTitle = title;
                discs.restart();
                w.select(list);
            } else if (id == tag) {
                tagDisc();
            } else if (id == cancel) {
                w.close();
            }
            break;
        case rt::EvAlertKey:
            if (id == list && w.event().key == rt::KeyRightClick) {
                const bool rows = discs.count() > 0;
                switch (w.popup(rows ? "Insert|Display All Tracks on Selected Disc|&Delete"
                                     : "Insert|~Display All Tracks on Selected Disc|~&Delete")) {
                case 1: discs.press(BrowseAction::Insert); break;
                case 2: discs.press(BrowseAction::Change); break;
                case 3: discs.press(BrowseAction::Delete); break;
                default: break;
                }
            }
            break;
        default:
            break;
        }
        rowButtons();
    }
    discs.close();
}
