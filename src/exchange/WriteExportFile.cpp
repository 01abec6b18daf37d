#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <unordered_map>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "exchange/CsvListing.h"
#include "exchange/ExportListings.h"
#include "runtime/error/error.h"
#include "runtime/files/csv.h"
#include "runtime/files/folder.h"
#include "runtime/text/text.h"
#include "runtime/thread/thread.h"
#include "runtime/window/window.h"
#include "services/OpenDataFile.h"
#include "services/ProgressWindow.h"
#include "services/ReadEveryRecord.h"
#include "services/SlicedWork.h"

std::uint8_t EXPORT::FILTER = 1;
PathText ExportFileName;
ExportTagSet ExportTags;

namespace {

const char* const kTitle = "Export Song Listings";
constexpr auto kStepTime = std::chrono::milliseconds(250);

struct DiscInfo {
    std::string customId;
    std::int32_t brand = 0;
};

// The SongBook's discs by disc id: the join of each listing to its disc without a read per
// listing. The key compares in any case, so a second map holds the upper-case ids.
class DiscTable {
public:
    // False after "Record Retrieval Error".
    bool load() {
        return ReadEveryRecord(SBD, SBDiscs::KUNQDISKID, [&] {
            DiscInfo d{SBD.ALTDISKID.str(), SBD.MAKEID};
            exact_.emplace(SBD.UNQDISKID.str(), d);
            upper_.emplace(rt::upper(SBD.UNQDISKID.str()), d);
            return true;
        });
    }
    const DiscInfo* find(const std::string& disc) const {
        if (auto it = exact_.find(disc); it != exact_.end()) return &it->second;
        if (auto it = upper_.find(rt::upper(disc)); it != upper_.end()) return &it->second;
        return nullptr;
    }

private:
    std::unordered_map<std::string, DiscInfo> exact_, upper_;
};

bool wanted(std::uint8_t filter) {
    if (filter == 1) return true;
    const std::string disc = rt::upper(SBK.UNQDISKID.str());
    if (filter == 2) return ExportTags.discs.count(disc) > 0;
    return ExportTags.tracks.count({disc, SBK.DISKTRACKNO}) > 0;
}

std::string absolute(const std::string& path) {
    if (path.empty() || path[0] == '/') return path;
    std::string folder = rt::currentFolder();
    if (!folder.empty() && folder.back() != '/') folder += '/';
    return folder + path;
}

std::string errnoText(int e) { return std::to_string(e) + " " + std::strerror(e); }

}  // namespace

std::string ExportFileNameFor(const std::string& chosen) {
    std::string name = rt::clip(chosen);
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    if (lower.find(".csv") == std::string::npos) name += ".csv";
    return name;
}

void WriteExportFile() {
    CallResponse = 2;
    std::string path = ExportFileName.str();
    if (!rt::fileDialog("Enter Name of Export File", path, "Export File|*.CSV|All Files|*.*", true)) return;
    path = absolute(ExportFileNameFor(path));
    ExportFileName = path;

    struct stat st {};
    bool replace = false;
    if (::stat(path.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            rt::message("Unable to Create Export File!|" + path + " is a folder.", kTitle, rt::Icon::Exclamation);
            return;
        }
        if (rt::message("The file " + path + " already exists.||Do you want to replace it?", kTitle,
                        rt::Icon::Question, rt::BtnYes | rt::BtnNo, rt::BtnNo) != rt::BtnYes)
            return;
        replace = true;
    }

    DataFileUse discUse(SBD), listingUse(SBK);
    rt::CsvWriter out;
    if (const int e = out.create(path)) {
        rt::message("Unable to Create Export File!|" + path + "|Error: " + errnoText(e), kTitle, rt::Icon::Exclamation);
        return;
    }
    DiscTable discs;
    if (!discs.load()) return;

    const long long total = SBK.records();
    const std::uint8_t filter = EXPORT::FILTER;
    long long read = 0;
    ProgressWindow window("Exporting Song Listings...", "Exporting Song Listings", {});
    const int cancel = window.addCancel();
    window.open();
    SBK.clearBuffer();
    // A failed read is told once the window has closed.
    RecordReader listings(SBK, SongBook::KTITLE, RecordReader::Quiet);
    rt::CsvLine line;
    SlicedWork work(window.window(), {.budget = kStepTime, .clockEvery = 256});
    work.cancelWith(cancel)
        .afterSlice([&] { window.step(static_cast<std::size_t>(read), static_cast<std::size_t>(std::max(0LL, total))); })
        .atEnd([&] {
            // A file that could not be written is told after the window, without a completion.
            if (!out.error()) {
                window.showPercent(100);
                window.setPercentText("Process Completed");
            }
            window.display();
        });
    const bool completed = work.run([&] {
        if (!listings.next()) return false;
        ++read;
        if (wanted(filter)) {
            const DiscInfo* d = discs.find(SBK.UNQDISKID.str());
            line.clear();
            CsvListingLine(line, {SBK.TITLE.str(), SBK.ARTIST.str(), d ? d->customId : std::string_view(),
                                  SBK.DISKTRACKNO, SBK.UNQDISKID.str(), SBK.GENRE.str(), SBK.DUET.str(),
                                  SBK.MAKEID.str(), d ? d->brand : 0, SBK.DATEADDED});
            out.write(line);
            if (out.error()) return false;
        }
        return true;
    });

    if (listings.failed()) {
        out.discard();
        listings.warn();
        rt::message("The export file was not written.", kTitle, rt::Icon::Exclamation);
        return;
    }
    if (!completed) {
        out.discard();
        rt::message("Export Operation Cancelled", kTitle);
        return;
    }
    if (const int e = out.commit(replace)) {
        rt::message("Unable to Write Export File!|" + path + "|Error: " + errnoText(e) + "||Nothing was exported.",
                    kTitle, rt::Icon::Exclamation);
        return;
    }
    CallResponse = 1;
    rt::message("Finished Exporting Song Listings", kTitle);
}
