#include "printing/PrintCdLabels.h"

#include <map>
#include <string>

#include "data/dmake.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "data/tagfile.h"
#include "printing/LabelSettings.h"
#include "printing/LabelSheets.h"
#include "printing/ReportProgress.h"
#include "printing/SaveTagsToTagFile.h"
#include "printing/ReportSupport.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "services/OpenDataFile.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"

namespace {

// The disc of a tag, found by its custom disc id (unique in the SongBook), and its brand's
// name; blank when either is missing.
std::string BrandOfTag(const std::string& custom) {
    std::string brand;
    SBD.clearBuffer();
    SBD.ALTDISKID = custom;
    rt::clearError();
    SBD.get(SBDiscs::KALTDISKID);
    if (rt::errorCode() == rt::NoError) {
        const std::int32_t make = SBD.MAKEID;
        BRA.clearBuffer();
        BRA.MAKEID = make;
        BRA.get(DMake::KMAKEID);
        if (rt::errorCode() == rt::NoError) brand = BRA.MAKE.str();
    }
    rt::clearError();
    return brand;
}

// The titles of a disc's tracks 1 to 24.
std::map<unsigned, std::string> TitlesOfDisc(const std::string& disc) {
    std::map<unsigned, std::string> titles;
    if (rt::clip(disc).empty()) return titles;
    SBK.clearBuffer();
    SBK.UNQDISKID = disc;
    // A track that cannot be read ends the disc's titles there.
    RecordReader tracks(SBK, SongBook::KUNQDISKID, RecordReader::Quiet, RecordReader::BufferValues);
    while (tracks.next()) {
        if (!rt::equalNoCase(SBK.UNQDISKID.str(), disc) || SBK.DISKTRACKNO > 24) break;
        if (SBK.DISKTRACKNO >= 1) titles.emplace(SBK.DISKTRACKNO, SBK.TITLE.str());
    }
    rt::clearError();
    return titles;
}

}  // namespace

void PrintCdLabels() {
    CallResponse = 2;
    if (!SongBookOpenForPrinting()) return;
    ReportOutput out("CD Label Previewer", "No Zoom");
    if (!TagFileUsable() || !out.askDestination()) return;
    DataFileUse makes(BRA), discs(SBD), listings(SBK), tags(TAG);
    const long long tagged = TAG.records();
    rt::clearError();

    CdLabelStyle style;
    style.text = LabelTextColor;
    style.back = LabelBackColor;
    style.footer = LABELFOOTER.str();
    style.bothCircles = tagged > 1;
    CdLabelSheet sheet(out.report(), style);

    // The tagged discs in custom disc id order.
    RecordReader reader(TAG, TagFile::KALTDISKID);
    if (reader.failed()) return;
    bool failed = false;
    ReportProgress progress("Generating CD Labels");
    const bool done = progress.run(tagged, [&] {
        if (failed || !reader.next()) return false;
        CdLabel label;
        label.disc = TAG.UNQDISKID.str();
        label.custom = TAG.ALTDISKID.str();
        label.brand = BrandOfTag(label.custom);
        label.lines = CdLabelTrackLines(TitlesOfDisc(label.disc));
        if (!sheet.add(label)) failed = true;
        return !failed;
    });
    if (!done || failed) {
        out.cancel(failed);
        return;
    }
    out.finish("Please ensure that you have compatable CD labels loaded in your printer|Refer to the users manual for "
               "supported labels.|Proceed with printing?");
    CallResponse = 1;
}

void PrintMiniLabels() {
    CallResponse = 2;
    if (!SongBookOpenForPrinting()) return;
    ReportOutput out("SongBook Preview", "No Zoom");
    if (!TagFileUsable() || !out.askDestination()) return;
    DataFileUse tags(TAG);
    const long long tagged = TAG.records();
    rt::clearError();
    MiniLabelSheet sheet(out.report(), LabelTextColor, LABELFOOTER.str());

    // The tagged discs in custom disc id order.
    RecordReader reader(TAG, TagFile::KALTDISKID);
    if (reader.failed()) return;
    bool failed = false;
    ReportProgress progress("Generating Mini-Labels");
    const bool done = progress.run(tagged, [&] {
        if (failed || !reader.next()) return false;
        // The ids as they were tagged: two discs sharing a disc id keep their own.
        if (!sheet.add({TAG.UNQDISKID.str(), TAG.ALTDISKID.str()})) failed = true;
        return !failed;
    });
    if (!done || failed) {
        out.cancel(failed);
        return;
    }
    out.finish("Please ensure that you have compatable labels loaded in your printer|Refer to the users manual for "
               "supported labels.|Proceed with printing?");
    CallResponse = 1;
}
