#include "shell/AddDiscToLibrary.h"

#include <string>
#include <vector>

#include "data/discs.h"
#include "data/dmake.h"
#include "data/makeid.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/window/window.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"
#include "services/TaskWindow.h"

namespace {

// A code choice: "CB - Chartbuster"; the code is what comes before " - ".
std::string codeChoice() { return MAK.MAKEID.str() + " - " + MAK.MAKEDESC.str(); }
std::string codeOf(const std::string& choice) { return rt::trim(choice.substr(0, choice.find(" - "))); }

class AddDisc {
public:
    AddDisc()
        : w_("Cantorelle V2 - Add Disc to Library", rt::WindowKind::Dialog, -1, -1, 292, 168, {&BRA, &DIS, &MAK, &SBD},
             "adddisc") {
        build();
    }
    void run();

private:
    void build();
    void fillLists();
    void customChanged();
    void brandChosen();
    bool codeAccepted();
    void ok();
    // The disc record (if any) another disc of the SongBook has under this key value.
    bool taken(const rt::Key& key, SBDiscsRecord& found);

    TaskWindow w_;
    int custom_ = 0, altId_ = 0, discGroup_ = 0, discId_ = 0, brandGroup_ = 0, brand_ = 0, codeGroup_ = 0, code_ = 0;
    int texts_[3] = {};
    int ok_ = 0, cancel_ = 0;
    std::vector<std::pair<std::string, std::int32_t>> brands_;
    std::vector<std::string> codes_;
};

void AddDisc::build() {
    rt::Window& w = w_;
    custom_ = w.check("?Custom", "Select this option if this is a Custom, One-of-a-Kind Disc", 8, 6, 276, 10);
    const int altGroup = w.group("?AltGroup", "Custom Disc ID", 8, 20, 90, 26);
    altId_ = w.entry("?SBD:ALTDISKID", "@s8", 14, 30, 60, 12);
    w.edit(altId_).maxChars = 8;
    w.edit(altId_).parent = altGroup;
    discGroup_ = w.group("?DiscGroup", " Manufactures Disc ID (Optional)", 104, 20, 180, 26);
    discId_ = w.entry("?SBD:UNQDISKID", "@s15", 110, 30, 90, 12);
    w.edit(discId_).parent = discGroup_;
    brandGroup_ = w.group("?BrandGroup", "Brand/Manufacture", 8, 50, 276, 26);
    brand_ = w.add(rt::ControlKind::DropList, "?SBD:MAKEID", "", 14, 60, 264, 12);
    w.setColumns(brand_, {rt::Column{"Make", 250}});
    w.edit(brand_).parent = brandGroup_;
    codeGroup_ = w.group("?CodeGroup", "Brand ID", 8, 80, 276, 26);
    code_ = w.combo("?SBD:MAKETYPE", "@s40", 14, 90, 264, 12, {rt::Column{"MAKEID", 40}, rt::Column{"MAKEDESC", 200}});
    w.edit(code_).parent = codeGroup_;
    const char* customTexts[] = {
        " You have indicated that this is a Custom Disc, therefore no other information is needed.",
        " This disc will be added as a \"Custom\" disc with the Brand ID \"CU\".",
        "You may choose per-track brand id's while adding tracks to this disc."};
    for (int i = 0; i < 3; ++i) {
        texts_[i] = w.text("?CustomText" + std::to_string(i + 1), customTexts[i], 8, 52 + 22 * i, 276, 20);
        w.hide(texts_[i]);
    }
    ok_ = w.button("?Ok", "Ok", 168, 146, 54, 16);
    cancel_ = w.button("?Cancel", "Cancel", 230, 146, 54, 16);
    w.edit(ok_).isDefault = true;
    w.setValue(custom_, "0");
}

void AddDisc::fillLists() {
    std::vector<std::string> names;
    // The lists end where a record cannot be read.
    {
        RecordReader brands(BRA, DMake::KMAKE, RecordReader::Quiet);
        while (brands.next()) {
            brands_.push_back({BRA.MAKE.str(), BRA.MAKEID});
            names.push_back(BRA.MAKE.str());
        }
    }
    RecordReader makers(MAK, MakeId::KMAKEID, RecordReader::Quiet);
    while (makers.next()) codes_.push_back(codeChoice());
    rt::clearError();
    w_.setChoices(brand_, names);
    w_.setChoices(code_, codes_);
}

void AddDisc::customChanged() {
    const bool isCustom = w_.value(custom_) == "1";
    SBD.MAKEID = 0;
    SBD.MAKETYPE = isCustom ? "CU" : "";
    w_.setValue(code_, SBD.MAKETYPE.str());
    for (int id : {discGroup_, discId_, brandGroup_, brand_, codeGroup_, code_}) w_.hide(id, isCustom);
    for (int id : texts_) w_.hide(id, !isCustom);
}

// The brand's code is proposed from its first master disc (brand number, then disc number).
void AddDisc::brandChosen() {
    const std::string chosen = w_.value(brand_);
    for (const auto& [name, number] : brands_) {
        if (name != chosen) continue;
        SBD.MAKEID = number;
        DIS.clearBuffer();
        DIS.MAKEID = number;
        DIS.setAt(Discs::KMAKEID);
        DIS.next();
        const bool found = rt::errorCode() == rt::NoError && DIS.MAKEID == number;
        rt::clearError();
        SBD.MAKETYPE = found ? rt::cut(rt::clip(DIS.UNQDISKID.str()), 2) : std::string();
        w_.setValue(code_, SBD.MAKETYPE.str());
        return;
    }
}

// A code of the list takes the list's spelling; another keeps the cursor in the field.
bool AddDisc::codeAccepted() {
    const std::string typed = codeOf(w_.value(code_));
    for (const std::string& c : codes_)
        if (rt::equalNoCase(codeOf(c), typed)) {
            SBD.MAKETYPE = codeOf(c);
            w_.setValue(code_, SBD.MAKETYPE.str());
            return true;
        }
    SBD.MAKETYPE = typed;
    w_.select(code_);
    return false;
}

bool AddDisc::taken(const rt::Key& key, SBDiscsRecord& found) {
    const SBDiscsRecord wanted = SBD.record();
    SBD.get(key);
    const bool hit = rt::errorCode() == rt::NoError;
    found = SBD.record();
    SBD.record() = wanted;
    rt::clearError();
    return hit;
}

void AddDisc::ok() {
    SBD.ALTDISKID = w_.value(altId_);
    SBD.UNQDISKID = rt::upper(w_.value(discId_));
    if (SBD.ALTDISKID.blank()) {
        rt::message("Custom Disc Id is Required.");
        w_.select(altId_);
        return;
    }
    if (SBD.UNQDISKID.blank()) SBD.UNQDISKID = SBD.ALTDISKID;
    if (w_.value(custom_) == "1") {
        SBD.MAKEID = 1;
        SBD.MAKETYPE = "CU";
        SBD.UNQDISKID = SBD.ALTDISKID;
    }
    SBDiscsRecord other;
    if (taken(SBDiscs::KALTDISKID, other)) {
        rt::message("This Custom Disc ID is Already Used.||Please select a unique Custom Disc ID.");
        w_.select(altId_);
        return;
    }
    if (taken(SBDiscs::KUNQDISKID, other)) {
        rt::message("This Disc Already Exists in the SongBook||Custom Disc ID: " + other.ALTDISKID.str() +
                    "||Duplicate Disc Entries are not Allowed.");
        w_.select(discId_);
        return;
    }
    SBD.add();
    if (rt::errorCode() != rt::NoError) {
        // The disc is not there: said so, and the window stays with what was entered.
        SaveFileError();
        ShowWarning(Warning::RecordInsert);
        w_.select(altId_);
        return;
    }
    SBK.UNQDISKID = SBD.ALTDISKID;
    w_.close();
}

void AddDisc::run() {
    SBD.UNQDISKID.clear();
    SBD.MAKETYPE.clear();
    SBD.ALTDISKID.clear();
    SBD.MAKEID = 0;
    w_.onFirstDisplay([this] { fillLists(); });
    w_.open();
    w_.select(custom_);
    while (w_.accept()) {
        if (w_.code() != rt::EvAccepted) continue;
        const int id = w_.field();
        if (id == custom_) customChanged();
        else if (id == brand_) brandChosen();
        else if (id == code_) codeAccepted();
        else if (id == ok_) ok();
        else if (id == cancel_) w_.close();
    }
}

}  // namespace

void AddDiscToLibrary() {
    AddDisc dialog;
    dialog.run();
}
