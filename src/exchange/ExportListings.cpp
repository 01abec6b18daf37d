#include "exchange/ExportListings.h"

#include <memory>
#include <string>
#include <vector>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/view/view.h"
#include "runtime/window/window.h"
#include "services/BrowseList.h"
#include "services/ReadEveryRecord.h"
#include "services/ScrollStops.h"
#include "services/ShowHelpTopic.h"
#include "services/TaskWindow.h"

namespace {

const char* const kTitle = "Export Song Listings";
const char* const kTagMark = "\u00BB";
constexpr int kWidth = 448, kHeight = 262;

enum ShowMode { ShowAll = 0, ShowTagged = 1, ShowUnTagged = 2 };
const char* const kShowModeText[] = {"Show All", "Showing Tagged", "Showing UnTagged"};

std::string upperId(const std::string& s) { return rt::upper(rt::clip(s)); }

bool discTagged(const std::string& disc) { return ExportTags.discs.count(upperId(disc)) > 0; }
bool trackTagged(const std::string& disc, std::uint32_t track) {
    return ExportTags.tracks.count({upperId(disc), track}) > 0;
}

// One of the two tag lists with its buttons and display mode.
struct TagList {
    int group = 0, list = 0, tag = 0, tagAll = 0, untagAll = 0, rev = 0, show = 0;
    std::vector<int> members;  // every control of the group, shown and hidden with it
    int mode = ShowAll;
    int clickColumn = 0;
};

class ExportWindow {
public:
    ExportWindow()
        : w_(kTitle, rt::WindowKind::Dialog, -1, -1, kWidth, kHeight, {&SBD, &SBK}, "ExportListings"),
          discView_(SBD, SBDiscs::KALTDISKID),
          trackView_(SBD, SBDiscs::KALTDISKID) {
        build();
        discView_.filter([this] {
            switch (discs_.mode) {
            case ShowTagged: return discTagged(SBD.UNQDISKID.str());
            case ShowUnTagged: return !discTagged(SBD.UNQDISKID.str());
            default: return true;
            }
        });
        trackView_
            .join(SBK, SongBook::KUNQDISKID, 1, [] { SBK.UNQDISKID = SBD.UNQDISKID; })
            .filter([this] {
                if (tracks_.mode == ShowAll) return true;
                const bool tagged = !SBK.UNQDISKID.blank() && trackTagged(SBK.UNQDISKID.str(), SBK.DISKTRACKNO);
                return tracks_.mode == ShowTagged ? tagged : !tagged;
            });
        discList_ = std::make_unique<BrowseList>(w_, discs_.list, discView_, SBD, SBDiscs::KALTDISKID);
        discList_->rows([] {
                      return BrowseCells({discTagged(SBD.UNQDISKID.str()) ? kTagMark : "", SBD.ALTDISKID.str(),
                                          SBD.UNQDISKID.str()});
                  })
            .hidden([] { return std::vector<std::string>{SBD.UNQDISKID.str()}; })
            .stopTable(TwoCharacterStopTable)
            .stopField("ALTDISKID");
        trackList_ = std::make_unique<BrowseList>(w_, tracks_.list, trackView_, SBD, SBDiscs::KALTDISKID);
        trackList_
            ->rows([] {
                const bool listing = !SBK.UNQDISKID.blank();
                return BrowseCells({listing && trackTagged(SBK.UNQDISKID.str(), SBK.DISKTRACKNO) ? kTagMark : "",
                                    SBD.ALTDISKID.str(),
                                    listing && SBK.DISKTRACKNO ? std::to_string(SBK.DISKTRACKNO) : std::string()});
            })
            .hidden([] {
                return std::vector<std::string>{SBK.UNQDISKID.str(), std::to_string(SBK.DISKTRACKNO)};
            })
            .stopTable(TwoCharacterStopTable)
            .stopField("ALTDISKID");
    }

    void run() {
        EXPORT::FILTER = 1;
        ExportTags.clear();
        w_.onFirstDisplay([this] { choose(1); });
        w_.open();
        discList_->open();
        trackList_->open();
        while (w_.accept()) {
            const rt::EventData e = w_.event();
            if (e.control == 0) continue;
            if (e.code == rt::EvNewSelection) {
                if (e.control == discs_.list) discs_.clickColumn = e.column;
                if (e.control == tracks_.list) tracks_.clickColumn = e.column;
            }
            if (discList_->take() || trackList_->take()) {
                if (!discList_->healthy() || !trackList_->healthy()) break;
                continue;
            }
            if (e.code == rt::EvAlertKey && e.key == rt::KeyDoubleClick &&
                (e.control == discs_.list || e.control == tracks_.list)) {
                TagList& t = e.control == discs_.list ? discs_ : tracks_;
                const int column = e.column ? e.column : t.clickColumn;
                if (column <= 1) tagOne();
                continue;
            }
            if (e.code == rt::EvAccepted && e.control == option_) {
                choose(std::atoi(w_.value(option_).c_str()));
                continue;
            }
            if (e.code != rt::EvAccepted) continue;
            const int f = e.control;
            if (f == discs_.tag || f == tracks_.tag) tagOne();
            else if (f == discs_.tagAll || f == tracks_.tagAll) tagEvery(false);
            else if (f == discs_.untagAll || f == tracks_.untagAll) untagAll();
            else if (f == discs_.rev || f == tracks_.rev) tagEvery(true);
            else if (f == discs_.show || f == tracks_.show) stepShowMode();
            else if (f == exportButton_) exportListings();
            else if (f == help_) ShowHelpTopic("ExportingSongListings");
            else if (f == cancel_) w_.close();
            if (!discList_->healthy() || !trackList_->healthy()) break;
        }
        discList_->close();
        trackList_->close();
        ExportTags.clear();
    }

private:
    void build() {
        option_ = w_.option("?EXPORT:FILTER", "Choose Song Listings to Export", 6, 6, 184, 52);
        w_.radio(option_, "?EXPORT:FILTER:Radio1", "All Listings", 14, 18, 160, 10);
        w_.radio(option_, "?EXPORT:FILTER:Radio2", "All Listings on Selected Disc(s)", 14, 30, 170, 10);
        w_.radio(option_, "?EXPORT:FILTER:Radio3", "Only Selected Track(s)", 14, 42, 160, 10);
        w_.setValue(option_, "1");

        allGroup_ = w_.group("?AllGroup", "All Listings", 6, 64, kWidth - 12, 170);
        allMembers_.push_back(w_.text("?AllText", "All Song Listings will be Exported.", 14, 80, 180, 10));
        for (int id : allMembers_) w_.edit(id).parent = allGroup_;

        buildTagList(discs_, "Disc", "Select Disc(s)",
                     {"Select and TAG the Disc(s) you wish to", "be Exported from the List on the Right.", "",
                      "Only Listings found on the", "Tagged Disc(s) will be Exported."},
                     {rt::Column{"TAG", 18, 'C', false}, rt::Column{"Custom Disc ID", 100},
                      rt::Column{"Mfg. Disc ID", 100}});
        buildTagList(tracks_, "Track", "Select Track(s)",
                     {"Select and TAG the Tracks you wish to", "be Exported from the List on the Right.", "",
                      "Only the Tagged Tracks will be Exported."},
                     {rt::Column{"TAG", 18, 'C', false}, rt::Column{"Custom Disc ID", 120},
                      rt::Column{"Track", 60, 'R'}});

        exportButton_ = w_.button("?ExportListings", "Export Listings", 8, kHeight - 22, 80, 16);
        w_.edit(exportButton_).isDefault = true;
        help_ = w_.button("?Help", "&Help", kWidth - 112, kHeight - 22, 50, 16);
        cancel_ = w_.button("?Cancel", "Cancel", kWidth - 58, kHeight - 22, 50, 16);
    }

    void buildTagList(TagList& t, const std::string& name, const std::string& caption,
                      const std::vector<std::string>& lines, std::vector<rt::Column> columns) {
        t.group = w_.group("?" + name + "Group", caption, 6, 64, kWidth - 12, 170);
        int y = 80;
        int n = 0;
        for (const std::string& line : lines) {
            if (!line.empty()) t.members.push_back(w_.text("?" + name + "Text" + std::to_string(++n), line, 14, y, 186, 10));
            y += 10;
        }
        y += 14;
        t.members.push_back(w_.text("?" + name + "Hint1", "You may Double-Click your Selection in the TAG Column", 14,
                                    y, 186, 10));
        t.members.push_back(w_.text("?" + name + "Hint2", "to quickly Tag or Untag the Selection.", 14, y + 10, 186, 10));
        const int listX = 206, listW = kWidth - 12 - listX;
        t.list = w_.list("?" + name + "List", listX, 76, listW, 128, std::move(columns));
        t.members.push_back(t.list);
        int x = listX;
        auto button = [&](const std::string& id, const std::string& text, int width) {
            const int b = w_.button("?" + name + id, text, x, 210, width, 14);
            x += width + 3;
            t.members.push_back(b);
            return b;
        };
        t.tag = button("Tag", "&Tag", 30);
        t.tagAll = button("TagAll", "tag &All", 36);
        t.untagAll = button("UntagAll", "&Untag all", 42);
        t.rev = button("RevTags", "&Rev tags", 38);
        t.show = button("ShowTags", "sho&W tags", listW - (x - listX));
        w_.setTooltip(t.show, kShowModeText[ShowAll]);
        for (int id : t.members) w_.edit(id).parent = t.group;
    }

    void showGroup(int group, const std::vector<int>& members, bool on) {
        w_.hide(group, !on);
        for (int id : members) w_.hide(id, !on);
    }

    void setShowMode(TagList& t, int mode) {
        t.mode = mode;
        w_.setText(t.show, mode == ShowAll ? "sho&W tags" : kShowModeText[mode]);
        w_.setTooltip(t.show, kShowModeText[mode]);
    }

    // A radio chosen: its group shows, the tags go, both lists are filled again.
    void choose(int filter) {
        if (filter < 1 || filter > 3) filter = 1;
        EXPORT::FILTER = static_cast<std::uint8_t>(filter);
        if (w_.value(option_) != std::to_string(filter)) w_.setValue(option_, std::to_string(filter));
        showGroup(allGroup_, allMembers_, filter == 1);
        showGroup(discs_.group, discs_.members, filter == 2);
        showGroup(tracks_.group, tracks_.members, filter == 3);
        ExportTags.clear();
        refill();
    }

    void refill() {
        discList_->reload();
        trackList_->reload();
    }

    TagList& current() { return EXPORT::FILTER == 3 ? tracks_ : discs_; }
    BrowseList& currentList() { return EXPORT::FILTER == 3 ? *trackList_ : *discList_; }

    void tagOne() {
        BrowseList& l = currentList();
        const int h = l.highlighted();
        if (h < 1) return;
        if (EXPORT::FILTER == 3) {
            const auto& hidden = l.hidden(h);
            if (hidden.at(0).empty()) return;  // a disc without listings: nothing to tag
            const std::pair<std::string, std::uint32_t> key{
                upperId(hidden.at(0)), static_cast<std::uint32_t>(std::stoul(hidden.at(1)))};
            if (!ExportTags.tracks.erase(key)) ExportTags.tracks.insert(key);
        } else {
            const std::string key = upperId(l.hidden(h).at(0));
            if (!ExportTags.discs.erase(key)) ExportTags.discs.insert(key);
        }
        l.reload();
    }

    // Every disc (every track) of the SongBook tagged, or with `reverse` each one's tag turned.
    void tagEvery(bool reverse) {
        {
            WaitCursor busy(w_);
            if (!reverse) ExportTags.clear();
            // A read that fails ends the tagging where it got to, as a list that ends there.
            if (EXPORT::FILTER == 3) {
                RecordReader tracks(SBK, SongBook::KUNQDISKID, RecordReader::Quiet);
                while (tracks.next()) {
                    const std::pair<std::string, std::uint32_t> key{upperId(SBK.UNQDISKID.str()), SBK.DISKTRACKNO};
                    if (!reverse || !ExportTags.tracks.erase(key)) ExportTags.tracks.insert(key);
                }
            } else {
                RecordReader discs(SBD, SBDiscs::KUNQDISKID, RecordReader::Quiet);
                while (discs.next()) {
                    const std::string key = upperId(SBD.UNQDISKID.str());
                    if (!reverse || !ExportTags.discs.erase(key)) ExportTags.discs.insert(key);
                }
            }
            rt::clearError();
        }
        refill();
    }

    void untagAll() {
        {
            WaitCursor busy(w_);
            ExportTags.clear();
        }
        refill();
    }

    void stepShowMode() {
        TagList& t = current();
        setShowMode(t, (t.mode + 1) % 3);
        currentList().reload();
    }

    void exportListings() {
        if (EXPORT::FILTER == 2 && ExportTags.discs.empty()) {
            rt::message("You must Select and TAG the desired Disc(s)|before proceeding.");
            return;
        }
        if (EXPORT::FILTER == 3 && ExportTags.tracks.empty()) {
            rt::message("You must Select and TAG the desired Track(s)|before proceeding.");
            return;
        }
        WriteExportFile();
        refill();
    }

    TaskWindow w_;
    rt::View discView_, trackView_;
    std::unique_ptr<BrowseList> discList_, trackList_;
    int option_ = 0, allGroup_ = 0, exportButton_ = 0, help_ = 0, cancel_ = 0;
    std::vector<int> allMembers_;
    TagList discs_, tracks_;
};

}  // namespace

void ExportListings() { ExportWindow().run(); }
