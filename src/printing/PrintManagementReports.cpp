#include "printing/PrintManagementReports.h"

#include "printing/ManagementPages.h"
#include "printing/ManagementReaders.h"
#include "printing/ReportProgress.h"
#include "printing/ReportSupport.h"
#include "runtime/thread/thread.h"

namespace {

// The common run: destination, files, the first record (none: nothing is shown), then the
// records on the progress window's timer, then preview or print.
template <class Reader, class Pages>
void RunManagementReport(const char* previewTitle) {
    CallResponse = 2;
    if (!SongBookOpenForPrinting()) return;
    ReportOutput out(previewTitle, "Page Width");
    if (!out.askDestination()) return;
    typename Reader::Files files;
    Reader reader;
    if (!reader.start()) return;
    typename Reader::Row row;
    if (!reader.next(row)) return;
    Pages pages(out.report());
    bool failed = false, more = true;
    ReportProgress progress("Generating Report");
    const bool done = progress.run(reader.total(), [&] {
        if (!more || failed) return false;
        if (!pages.add(row)) {
            failed = true;
            return false;
        }
        more = reader.next(row);
        return true;
    });
    if (done && !failed && !pages.finish()) failed = true;
    if (!done || failed) {
        out.cancel(failed);
        return;
    }
    out.finish();
    CallResponse = 1;
}

}  // namespace

void PrintSongTrackListing() {
    RunManagementReport<ListingReader, TrackListingPages>("Song Track Report Preview");
}

void PrintDiscInventory() {
    RunManagementReport<InventoryReader, InventoryPages>("Disc Inventory Report Preview");
}
