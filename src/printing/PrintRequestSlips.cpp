#include "printing/PrintRequestSlips.h"

#include <string>

#include "data/songbook.h"
#include "printing/LabelSheets.h"
#include "printing/LogoPicture.h"
#include "printing/ReportProgress.h"
#include "printing/ReportSupport.h"
#include "printing/RequestSlipSettings.h"
#include "runtime/error/error.h"
#include "runtime/files/work_folder.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "services/OpenDataFile.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"

namespace {

SlipStyle StyleFromSettings(const std::string& logo) {
    SlipStyle s;
    s.header = SongRequestHeaderText.str();
    s.headerFont = rt::clip(SongRequestHeaderFont.str());
    s.headerSize = SongRequestHeaderFontSize;
    s.headerStyle = SongRequestHeaderFontStyle;
    s.headerColor = SongRequestHeaderColor;
    s.footer = SongRequestFooterText.str();
    s.footerFont = rt::clip(SongRequestFooterFont.str());
    s.footerSize = SongRequestFooterFontSize;
    s.footerStyle = SongRequestFooterFontStyle;
    s.footerColor = SongRequestFooterColor;
    s.lines[0] = REQUESTSLIPLINE1.str();
    s.lines[1] = REQUESTSLIPLINE2.str();
    s.lines[2] = REQUESTSLIPLINE3.str();
    s.lines[3] = REQUESTSLIPLINE4.str();
    s.logo = logo;
    s.guides = UseHashMarks != 0;
    return s;
}

}  // namespace

void PrintRequestSlips() {
    CallResponse = 2;
    if (!SongBookOpenForPrinting()) return;
    ReportOutput out("Song Request Slip Previewer", "Page Width");
    if (!out.askDestination()) return;
    DataFileUse listings(SBK);
    const int slips = NUMBEROFSLIPS;
    if (slips <= 0) return;
    // The slips do not show listings, but an empty SongBook prints none.
    if (!RecordReader(SBK).next()) return;

    // A folder of this run's own for the decoded logo, removed with everything in it.
    rt::WorkFolder folder;
    folder.make(rt::temporaryFolder(), "cantorelle-slips");
    // Decoded once for the whole run; the settings may change while it prints.
    const std::string logo = PrepareLogo(SongRequestLogoFilename.str(), folder.path());
    RequestSlipSheet sheet(out.report(), StyleFromSettings(logo));
    int printed = 0;
    bool failed = false;
    ReportProgress progress("Generating Report");
    const bool done = progress.run(slips, [&] {
        if (printed >= slips || failed) return false;
        if (!sheet.add()) failed = true;
        ++printed;
        return !failed;
    });
    if (!done || failed) {
        out.cancel(failed);
        return;
    }
    out.finish();
    CallResponse = 1;
}
