#include "printing/ManagementPages.h"

namespace rep = rt::report;

namespace {

constexpr std::uint32_t kBlack = 0x000000;
constexpr std::uint32_t kWhite = 0xFFFFFF;

void SetUpPage(rep::Report& report) {
    report.paper = rep::Paper::Letter;
    report.area = {1000, 1000, 6000, 9000};
}

// "Page:" and the number in the footer.
void PageFooter(rep::Report& report, double pageX, double numberX, double y) {
    auto& footer = report.footer({1000, 10000, 6000, 1000});
    footer.add(rep::Text(pageX, y, 340, 167, "Page:").withFont(rep::font("Arial", 10)));
    footer.add(rep::Text(numberX, y, 500, 167).withFont(rep::font("Arial", 10)).withPageNumber());
}

}  // namespace

TrackListingPages::TrackListingPages(rep::Report& report)
    : report_(report), row_(report.detail(208)) {
    SetUpPage(report);
    report.title = "Song Track Listing by Disc ID & Track";
    auto& header = report.header({1000, 0, 6000, 1000});
    header.add(rep::Text(1521, 469, 4000, 200, "Song Track Listing by Disc ID & Track").withFont(rep::font("Arial", 12, true)));
    header.add(rep::Box(21, 760, 5969, 250, kBlack, kBlack));
    const rt::Font heading = rep::font("Arial", 8, true, false, kWhite);
    header.add(rep::Text(396, 790, 800, 150, "Disc ID").withFont(heading));
    header.add(rep::Text(1292, 790, 800, 150, "Track").withFont(heading));
    header.add(rep::Text(2677, 790, 1500, 150, "Song Title").withFont(heading));
    header.add(rep::Text(4969, 790, 1000, 150, "Artist").withFont(heading));
    const rt::Font body = rep::font("Arial", 10);
    custom_ = &row_.add(rep::Text(0, 0, 1073, 167).withFont(body).withLimit(15));
    track_ = &row_.add(rep::Text(1104, 0, 552, 167).withFont(body));
    title_ = &row_.add(rep::Text(1698, 0, 2500, 167).withFont(body).withLimit(40));
    artist_ = &row_.add(rep::Text(4240, 0, 1760, 167).withFont(body).withLimit(40));
    row_.add(rep::Line(10, 167, 5948, 0, kBlack));
    PageFooter(report, 5073, 5427, 42);
}

bool TrackListingPages::add(const TrackListingRow& row) {
    custom_->text = row.custom;
    track_->text = row.track ? std::to_string(row.track) : std::string();
    title_->text = row.title;
    artist_->text = row.artist;
    return report_.print(row_);
}

InventoryPages::InventoryPages(rep::Report& report)
    : report_(report), head_(report.groupHead(177)), foot_(report.groupFoot(104)), row_(report.detail(198)) {
    SetUpPage(report);
    report.title = "Disc Inventory Report";
    auto& header = report.header({1000, 0, 6000, 1000});
    header.add(rep::Text(1927, 344, 4000, 240, "Disc Inventory Report").withFont(rep::font("Arial", 14, true)));
    header.add(rep::Box(10, 781, 5979, 219, kBlack, kBlack));
    const rt::Font heading = rep::font("Arial", 10, true, false, kWhite);
    header.add(rep::Text(896, 802, 1800, 170, "Mfr./Brand/Series").withFont(heading));
    header.add(rep::Text(2802, 802, 1400, 170, "Custom Disc ID").withFont(heading));
    header.add(rep::Text(4292, 802, 1400, 170, "Mfr. Disc ID").withFont(heading));

    // Brand headings and rules are printed here, not by the engine's groups, so the last rule
    // lands before the report's last page is ended.
    brand_ = &head_.add(rep::Text(10, 10, 5900, 167).withFont(rep::font("Arial", 10, true)).withLimit(40));
    foot_.add(rep::Line(73, 52, 5833, 0, kBlack));

    const rt::Font body = rep::font("Arial", 10);
    custom_ = &row_.add(rep::Text(2635, 0, 1300, 167).withFont(body).withLimit(15));
    disc_ = &row_.add(rep::Text(3990, 0, 1300, 167).withFont(body).withLimit(15));
    row_.add(rep::Box(5792, 0, 188, 188, kWhite, kBlack));
    PageFooter(report, 4906, 5281, 21);
}

bool InventoryPages::add(const InventoryRow& row) {
    if (!inGroup_ || row.group != group_) {
        if (!finish()) return false;
        group_ = row.group;
        brand_->text = row.brand;
        if (!report_.print(head_)) return false;
        inGroup_ = true;
    }
    custom_->text = row.custom;
    disc_->text = row.disc;
    return report_.print(row_);
}

bool InventoryPages::finish() {
    if (!inGroup_) return true;
    inGroup_ = false;
    return report_.print(foot_);
}
