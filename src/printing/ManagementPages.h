#pragma once
// The pages of the two management reports on the report engine: a 6 x 9 in detail area one
// inch from the top left corner, a page header with the title and a black bar of column
// headings, and "Page:" with the number in the page footer.
#include <cstdint>
#include <string>

#include "runtime/report/report.h"

struct TrackListingRow {
    std::string custom;
    std::uint32_t track = 0;  // 0 shows as blank
    std::string title, artist;
};

class TrackListingPages {
public:
    explicit TrackListingPages(rt::report::Report& report);
    bool add(const TrackListingRow& row);
    bool finish() { return true; }

private:
    rt::report::Report& report_;
    rt::report::Band& row_;
    rt::report::Text *custom_, *track_, *title_, *artist_;
};

struct InventoryRow {
    std::string group;   // what makes a brand heading: changes from one brand to the next
    std::string brand, custom, disc;
};

class InventoryPages {
public:
    explicit InventoryPages(rt::report::Report& report);
    bool add(const InventoryRow& row);
    // Ends the last brand (its rule) before the report's last page is ended.
    bool finish();

private:
    rt::report::Report& report_;
    rt::report::Band& head_;
    rt::report::Band& foot_;
    rt::report::Band& row_;
    rt::report::Text *brand_, *custom_, *disc_;
    std::string group_;
    bool inGroup_ = false;
};
