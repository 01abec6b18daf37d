#include "printing/ManagementReaders.h"

#include <algorithm>

#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"

ListingReader::ListingReader() : view_(SBD, SBDiscs::KALTDISKID) {
    view_.join(SBK, SongBook::KUNQDISKID, 1, [] { SBK.UNQDISKID = SBD.UNQDISKID; });
}

bool ListingReader::start() {
    SBD.send("QUICKSCAN=on");
    rt::clearError();
    view_.open();
    // A view that will not open is told, and read as it is.
    if (!view_.isOpen()) ShowWarning(Warning::ViewOpen);
    view_.set();
    rows_.emplace(view_, "SongBook", RecordReader::Warn, RecordReader::AsSet);
    return true;
}

// Listings, not discs: every listing is a line (a disc without listings adds one more).
long long ListingReader::total() const { return SBK.records(); }

bool ListingReader::next(Row& row) {
    if (!rows_->next()) {
        rt::clearError();
        SBD.send("QUICKSCAN=off");
        return false;
    }
    const bool hasListing = SBK.hasCurrent();
    row.custom = SBD.ALTDISKID.str();
    row.track = hasListing ? SBK.DISKTRACKNO : 0;
    row.title = hasListing ? SBK.TITLE.str() : std::string();
    row.artist = hasListing ? SBK.ARTIST.str() : std::string();
    return true;
}

bool InventoryReader::start() {
    BRA.send("QUICKSCAN=on");
    brands_.emplace(BRA, DMake::KMAKE);
    return !brands_->failed();
}

// The discs: each is one line of the report.
long long InventoryReader::total() const { return SBD.records(); }

bool InventoryReader::next(Row& row) {
    while (at_ >= discs_.size()) {
        if (!nextBrand()) {
            BRA.send("QUICKSCAN=off");
            return false;
        }
    }
    row = discs_[at_++];
    return true;
}

// Reads the next brand and its discs; false at the end or after a read error.
bool InventoryReader::nextBrand() {
    discs_.clear();
    at_ = 0;
    if (!brands_->next()) return false;
    const std::int32_t brand = BRA.MAKEID;
    const std::string name = BRA.MAKE.str();
    if (brand == 0) return true;  // a brand without a number holds no discs
    const std::string key = std::to_string(brand) + "|" + name;
    SBD.clearBuffer();
    SBD.MAKEID = brand;
    RecordReader discs(SBD, SBDiscs::KMAKEID, RecordReader::Warn, RecordReader::BufferValues);
    while (discs.next() && SBD.MAKEID == brand) discs_.push_back({key, name, SBD.ALTDISKID.str(), SBD.UNQDISKID.str()});
    if (discs.failed()) {
        discs_.clear();
        return false;
    }
    rt::clearError();
    std::stable_sort(discs_.begin(), discs_.end(),
                     [](const Row& a, const Row& b) { return rt::compareNoCase(a.disc, b.disc) < 0; });
    return true;
}
