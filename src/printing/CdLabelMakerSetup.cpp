#include "printing/CdLabelMakerSetup.h"

#include <set>
#include <string>
#include <utility>

#include "data/sbdiscs.h"
#include "data/tagfile.h"
#include "data/tagque.h"
#include "printing/LabelSettings.h"
#include "printing/PrintCdLabels.h"
#include "printing/ReportSupport.h"
#include "printing/SaveTagsToTagFile.h"
#include "runtime/error/error.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/OpenDataFile.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowHelpTopic.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"

namespace {

const char* const kTitle = "Custom CD Label Maker - Setup";
const char* const kTagMark = "\u00BB";

enum ShowMode { ShowAll = 0, ShowTagged = 1, ShowUnTagged = 2 };
const char* const kShowModeText[] = {"Show All", "Showing Tagged", "Showing UnTagged"};

class LabelMaker {
public:
    LabelMaker();
    void run();

private:
    void build();
    bool isTagged(const std::string& disc, const std::string& custom) const { return tags_.count({disc, custom}) > 0; }
    void toggle(const std::string& disc, const std::string& custom);
    // Writes the tags to the tag file and forgets them.
    bool saveTags();
    // Every disc of the SongBook in custom disc id order; false after a read error.
    template <class Each>
    bool forEachDisc(Each&& each);
    void tagAll();
    void reverseTags();
    void cycleShowMode();
    void printLabels();
    void chooseTextColor();
    void chooseBackColor();
    void showColors();
    void reload();
    bool healthy() const { return discs_.healthy(); }

    // The files outlive the window: closing it saves the tags.
    DataFileUse discFile_{SBD};
    DataFileUse tagFile_{TAG};
    TaskWindow w_;
    // The window's own tags (disc id, custom disc id): the add-discs window keeps its tags in
    // TagQue at the same time.
    std::set<std::pair<std::string, std::string>> tags_;
    int showMode_ = ShowAll;
    int clickColumn_ = 0;

    int list_ = 0, format_ = 0, footer_ = 0;
    int textColor_ = 0, backColor_ = 0;
    int tag_ = 0, tagAll_ = 0, untagAll_ = 0, revTags_ = 0, showTags_ = 0;
    int print_ = 0, help_ = 0, close_ = 0;
    int disc_ = 0;
    std::vector<int> sampleTexts_;
    // The controls exist before the list that shows in one of them.
    bool built_ = (build(), true);

    rt::View view_;
    BrowseList discs_;
};

LabelMaker::LabelMaker()
    : w_(kTitle, rt::WindowKind::MdiChild, -1, -1, 452, 262),
      view_(SBD, SBDiscs::KALTDISKID),
      discs_(w_, list_, view_, SBD, SBDiscs::KALTDISKID) {
    view_.filter([this] {
        switch (showMode_) {
        case ShowTagged: return isTagged(SBD.UNQDISKID.str(), SBD.ALTDISKID.str());
        case ShowUnTagged: return !isTagged(SBD.UNQDISKID.str(), SBD.ALTDISKID.str());
        default: return true;
        }
    });
    discs_.rows([this] {
              return BrowseCells({isTagged(SBD.UNQDISKID.str(), SBD.ALTDISKID.str()) ? kTagMark : "",
                                  SBD.UNQDISKID.str(), SBD.ALTDISKID.str()});
          })
        .stepLocator("ALTDISKID");
}

void LabelMaker::build() {
    rt::Window& w = w_;
    w.setFont(rt::Font{"Arial", 8});
    const rt::Font step{"Arial", 8, 700};

    const char* const steps[] = {"1 - Tag Selected Disc(s)", "2 - Select Desired Label Format",
                                 "2 - Enter Optional Label Footer Text.",
                                 "3 - Ensure compatible labels are loaded in printer.", "4 - Click Print Labels"};
    for (int i = 0; i < 5; ++i)
        w.setControlFont(w.text("?Step" + std::to_string(i + 1), steps[i], 8, 6 + 10 * i, 200, 10), step);

    // The discs and the tagging buttons beside them.
    list_ = w.list("?DiscList", 8, 60, 160, 172,
                   {rt::Column{"Tag", 16, 'C', false}, rt::Column{"Unq Disk ID", 66}, rt::Column{"Alt Disk ID", 66}});
    w.setTooltip(list_, "Double-click the Tag column to tag or untag a disc");
    tag_ = w.button("?Tag", "&Tag", 174, 60, 62, 14);
    w.setTooltip(tag_, "Tag Selected Disc");
    tagAll_ = w.button("?TagAll", "tag &All", 174, 78, 62, 14);
    w.setTooltip(tagAll_, "Tag ALL Discs");
    untagAll_ = w.button("?UntagAll", "&Untag all", 174, 96, 62, 14);
    w.setTooltip(untagAll_, "Clear ALL Tags");
    revTags_ = w.button("?RevTags", "&Rev tags", 174, 114, 62, 14);
    w.setTooltip(revTags_, "Reverse Tags");
    showTags_ = w.button("?ShowTags", "sho&W tags", 174, 132, 62, 14);

    // Format and footer.
    format_ = w.option("?LABELTYPE", "Select Label Format", 246, 6, 96, 42);
    w.radio(format_, "?LABELTYPE:Radio1", "Full Size", 254, 18, 80, 10);
    w.radio(format_, "?LABELTYPE:Radio2", "Mini-Labels", 254, 32, 80, 10);
    w.prompt("?LABELFOOTER:Prompt", "Label Footer Text (Optional)", 246, 52, 130, 10);
    footer_ = w.entry("?LABELFOOTER", "@s30", 246, 62, 160, 12);
    textColor_ = w.button("?TextColor", "Text Color", 350, 10, 90, 14);
    backColor_ = w.button("?BackColor", "Background Color", 350, 28, 90, 14);

    // The samples: a full-size label (its disc filled with the background colour) and a
    // mini-label.
    w.group("?FullSample", "Full Size", 246, 80, 108, 152);
    disc_ = w.add(rt::ControlKind::Box, "?SampleDisc", "", 252, 92, 96, 96);
    auto sample = [&](const char* name, const char* text, int x, int y, int width, int size, int weight) {
        const int t = w.text(name, text, x, y, width, 9);
        w.setControlFont(t, rt::Font{"Arial", size, weight});
        sampleTexts_.push_back(t);
    };
    sample("?SampleBrand", "Brand/Series", 256, 104, 88, 9, 700);
    sample("?SampleDiscId", "Original Disc ID", 256, 116, 88, 7, 400);
    sample("?SampleAltId", "Alternate Disc ID", 256, 128, 88, 10, 700);
    sample("?SampleTracks", "Tracks", 256, 150, 88, 8, 700);
    sample("?SampleFooter", "Label Footer", 256, 172, 88, 7, 700);
    w.text("?FullSampleNote", "Labels print two to a page.", 252, 196, 96, 20);

    w.group("?MiniSample", "Mini-Labels", 360, 80, 86, 70);
    w.add(rt::ControlKind::Box, "?MiniLabel", "", 366, 94, 74, 44);
    sample("?MiniDiscId", "Original Disc ID", 368, 97, 70, 6, 400);
    sample("?MiniAltId", "Alternate Disc ID", 368, 107, 70, 10, 700);
    sample("?MiniTracks", "Tracks", 368, 118, 70, 6, 400);
    sample("?MiniFooter", "Label Footer", 368, 127, 70, 6, 400);

    print_ = w.button("?PrintLabels", "&Print Labels", 8, 240, 70, 16);
    w.edit(print_).isDefault = true;
    help_ = w.button("?Help", "&Help", 310, 240, 64, 16);
    close_ = w.button("?Close", "&Close", 380, 240, 64, 16);
    w.setTooltip(close_, "Cancel and Return");
}

void LabelMaker::toggle(const std::string& disc, const std::string& custom) {
    if (!tags_.erase({disc, custom})) tags_.emplace(disc, custom);
}

bool LabelMaker::saveTags() {
    TagQueue list;
    for (const auto& [disc, custom] : tags_) {
        list.clearBuffer();
        list.QUEUNQDISKID = disc;
        list.DISKID = custom;
        list.add();
    }
    if (!SaveTagsToTagFile(list)) return false;
    tags_.clear();
    return true;
}

template <class Each>
bool LabelMaker::forEachDisc(Each&& each) {
    rt::View all(SBD, SBDiscs::KALTDISKID);
    return ReadEveryRecord(all, "SBDiscs", [&] {
        each(SBD.UNQDISKID.str(), SBD.ALTDISKID.str());
        return true;
    });
}

void LabelMaker::tagAll() {
    WaitCursor busy(w_);
    tags_.clear();
    forEachDisc([&](const std::string& disc, const std::string& custom) { tags_.emplace(disc, custom); });
}

void LabelMaker::reverseTags() {
    WaitCursor busy(w_);
    std::set<std::pair<std::string, std::string>> reversed;
    forEachDisc([&](const std::string& disc, const std::string& custom) {
        if (!isTagged(disc, custom)) reversed.emplace(disc, custom);
    });
    tags_ = std::move(reversed);
}

void LabelMaker::cycleShowMode() {
    showMode_ = (showMode_ + 1) % 3;
    w_.setText(showTags_, kShowModeText[showMode_]);
    w_.setTooltip(showTags_, kShowModeText[showMode_]);
}

void LabelMaker::printLabels() {
    // The workspace may have closed the SongBook meanwhile: the tags stay for another try.
    if (!SongBookOpenForPrinting()) return;
    if (tags_.empty()) {
        rt::message("Please tag the disc(s) you|wish to print labels for...", "No Disc(s) Selected",
                    rt::Icon::Exclamation, rt::BtnOk);
        return;
    }
    LABELTYPE = static_cast<std::uint8_t>(w_.value(format_) == "2" ? 1 : 0);
    LABELFOOTER = w_.value(footer_);
    // The labels print from the tag file: not from the one of an earlier run.
    if (!saveTags()) return;
    if (LABELTYPE == 0) PrintCdLabels();
    else PrintMiniLabels();
}

void LabelMaker::chooseTextColor() {
    std::uint32_t c = LabelTextColor;
    if (rt::colorDialog("Select Label Text Color", c)) LabelTextColor = c & 0xFFFFFF;
    showColors();
}

void LabelMaker::chooseBackColor() {
    std::uint32_t c = LabelBackColor;
    if (rt::colorDialog("Select CD Label Background Color", c)) LabelBackColor = c & 0xFFFFFF;
    showColors();
}

void LabelMaker::showColors() {
    for (int t : sampleTexts_) {
        rt::Font f = w_.ctl(t).font;
        if (f.color == LabelTextColor) continue;
        f.color = LabelTextColor;
        w_.setControlFont(t, f);
    }
    w_.setColors(disc_, 0, LabelBackColor);
}

void LabelMaker::reload() {
    discs_.reload();
}

void LabelMaker::run() {
    LabelBackColor = 0xFFFFFF;
    LabelTextColor = 0;
    w_.setValue(format_, LABELTYPE == 1 ? "2" : "1");
    w_.setValue(footer_, LABELFOOTER.str());
    w_.setText(showTags_, kShowModeText[ShowAll]);
    w_.setTooltip(showTags_, kShowModeText[ShowAll]);
    showColors();
    w_.onFirstDisplay([this] { discs_.refresh(); });
    w_.onRedisplay([this] { discs_.refresh(); });
    w_.open();
    discs_.open();

    while (w_.accept()) {
        const rt::EventData e = w_.event();
        if (e.control == list_ && e.code == rt::EvNewSelection) clickColumn_ = e.column;
        if (e.control != 0 && discs_.take()) {
            if (!healthy()) break;
            continue;
        }
        if (e.code == rt::EvAlertKey && e.control == list_ && e.key == rt::KeyDoubleClick) {
            // Only a double-click in the "Tag" column tags; an unknown column counts as it.
            const int column = e.column ? e.column : clickColumn_;
            if (column <= 1 && discs_.count() > 0 && discs_.loadHighlighted()) {
                toggle(SBD.UNQDISKID.str(), SBD.ALTDISKID.str());
                reload();
            }
        } else if (e.code == rt::EvAccepted) {
            const int f = e.control;
            if (f == tag_) {
                if (discs_.count() > 0 && discs_.loadHighlighted()) toggle(SBD.UNQDISKID.str(), SBD.ALTDISKID.str());
                reload();
            } else if (f == tagAll_) {
                tagAll();
                reload();
            } else if (f == untagAll_) {
                tags_.clear();
                reload();
            } else if (f == revTags_) {
                reverseTags();
                reload();
            } else if (f == showTags_) {
                cycleShowMode();
                reload();
            } else if (f == print_) {
                printLabels();
                reload();
            } else if (f == textColor_) {
                chooseTextColor();
            } else if (f == backColor_) {
                chooseBackColor();
            } else if (f == help_) {
                ShowHelpTopic("PrintingLabels");
            } else if (f == close_) {
                w_.close();
            } else if (f == format_) {
                LABELTYPE = static_cast<std::uint8_t>(w_.value(format_) == "2" ? 1 : 0);
            } else if (f == footer_) {
                LABELFOOTER = w_.value(footer_);
            }
        }
        if (!healthy()) break;
    }
    discs_.close();
    // What is still tagged stays in the tag file for the next run.
    saveTags();
}

}  // namespace

void CdLabelMakerSetup() {
    if (!SongBookOpenForPrinting() || !TagFileUsable()) return;
    LabelMaker maker;
    maker.run();
}
