#include "runtime/report/report.h"

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "runtime/files/file_util.h"
#include "runtime/report/page_file.h"
#include "runtime/report/print.h"

namespace rt::report {

namespace fs = std::filesystem;

rt::Font font(const std::string& name, int size, bool bold, bool italic, std::uint32_t color) {
    rt::Font f;
    f.name = name;
    f.size = size;
    f.weight = bold ? 700 : 400;
    f.italic = italic;
    f.color = color;
    return f;
}

int paperWidthMils(Paper p) { return p == Paper::A4 ? 8268 : 8500; }
int paperHeightMils(Paper p) { return p == Paper::A4 ? 11693 : 11000; }

namespace {

// A text cut to `n` characters (UTF-8 sequences count once).
std::string firstChars(const std::string& s, int n) {
    if (n <= 0) return s;
    std::size_t i = 0;
    int count = 0;
    while (i < s.size() && count < n) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 1;
        i = std::min(s.size(), i + len);
        ++count;
    }
    return s.substr(0, i);
}

char alignChar(Align a) { return a == Align::Center ? 'C' : a == Align::Right ? 'R' : 'L'; }

}  // namespace

Report::Report(Units units) : units_(units) {}

Report::~Report() = default;

long Report::toMils(double v) const {
    return std::lround(units_ == Units::Inches ? v * 1000.0 : v);
}

int Report::paperWidth() const { return landscape ? paperHeightMils(paper) : paperWidthMils(paper); }
int Report::paperHeight() const { return landscape ? paperWidthMils(paper) : paperHeightMils(paper); }

Band& Report::addBand(BandKind kind, Rect place, double above) {
    bands_.emplace_back(kind, place, above);
    return bands_.back();
}

Band& Report::header(Rect place) { return addBand(BandKind::Header, place, 0); }
Band& Report::footer(Rect place) { return addBand(BandKind::Footer, place, 0); }
Band& Report::background(Rect place) { return addBand(BandKind::Background, place, 0); }
Band& Report::detail(double height, double above) { return addBand(BandKind::Detail, {0, 0, 0, height}, above); }
Band& Report::groupHead(double height, double above) {
    return addBand(BandKind::GroupHead, {0, 0, 0, height}, above);
}
Band& Report::groupFoot(double height, double above) {
    return addBand(BandKind::GroupFoot, {0, 0, 0, height}, above);
}

void Report::group(Band& head, Band* foot, std::function<std::string()> key) {
    groups_.push_back(Group{&head, foot, std::move(key), {}, false});
}

void Report::setPages(PageQueue& pages) { pages_ = &pages; }

void Report::setPageNumber(int n) {
    nextNumber_ = n;
    if (!pageOpen_) number_ = n;
}

int Report::pageNumber() const { return pageOpen_ ? number_ : nextNumber_; }
int Report::pagesWritten() const { return written_; }

double Report::printPosition() const {
    return units_ == Units::Inches ? static_cast<double>(pos_) / 1000.0 : static_cast<double>(pos_);
}

bool Report::ensureFolder() {
    if (!folder_.path().empty()) return true;
    const std::string base = rt::temporaryFolder();
    if (const int e = folder_.make(base, "cantorelle-report")) {
        error_ = "Cannot create a folder for the report's pages in " + base + ": " + std::strerror(e);
        return false;
    }
    return true;
}

void Report::layBand(const Band& band, double bx, double by) {
    // bx, by: the band's top left corner on the page, in thousandths.
    const long ox = std::lround(bx), oy = std::lround(by);
    for (const Control& c : band.controls) {
        PageItem it;
        std::visit(
            [&](const auto& ctl) {
                using T = std::decay_t<decltype(ctl)>;
                if (ctl.hidden) {
                    it.kind = 0;
                    return;
                }
                it.x = ox + toMils(ctl.x);
                it.y = oy + toMils(ctl.y);
                it.w = toMils(ctl.w);
                it.h = toMils(ctl.h);
                if constexpr (std::is_same_v<T, Text>) {
                    it.kind = 'T';
                    it.align = alignChar(ctl.align);
                    it.clip = ctl.clip;
                    it.size = ctl.font.size > 0 ? ctl.font.size : 10;
                    it.weight = ctl.font.weight > 0 ? ctl.font.weight : 400;
                    it.italic = ctl.font.italic;
                    it.color = ctl.font.color == rt::kNoColor ? 0 : ctl.font.color;
                    it.font = ctl.font.name.empty() ? "Arial" : ctl.font.name;
                    it.text = firstChars(ctl.text, ctl.maxChars);
                    if (ctl.pageNumber) it.text += std::to_string(number_);
                    if (ctl.pageOfPages) {
                        it.text = kPagePlaceholder;
                        it.pageNumbers = true;
                    }
                } else if constexpr (std::is_same_v<T, Line>) {
                    it.kind = 'L';
                    it.w = it.x + toMils(ctl.w);
                    it.h = it.y + toMils(ctl.h);
                    it.color = ctl.color == rt::kNoColor ? 0 : ctl.color;
                    it.thickness = toMils(ctl.thickness);
                } else if constexpr (std::is_same_v<T, Image>) {
                    it.kind = 'I';
                    it.text = ctl.file;
                } else {
                    it.kind = std::is_same_v<T, Box> ? 'B' : 'E';
                    it.hasFill = ctl.fill != rt::kNoColor;
                    it.fill = ctl.fill;
                    it.hasBorder = ctl.border != rt::kNoColor;
                    it.color = it.hasBorder ? ctl.border : 0;
                    it.thickness = toMils(ctl.thickness);
                }
            },
            c);
        if (!it.kind) continue;
        page_ += pageLine(it);
        page_ += '\n';
    }
}

bool Report::startPage() {
    if (pageOpen_) return true;
    if (!error_.empty()) return false;
    number_ = nextNumber_;
    page_ = pageHeaderLine(paperWidth(), paperHeight());
    page_ += '\n';
    pageOpen_ = true;
    rowsOnPage_ = 0;
    printsOnPage_ = 0;
    colX_ = 0;
    rowPitch_ = 0;
    pos_ = area.h > 0 ? toMils(area.y) : 0;
    for (const Band& b : bands_)
        if (b.kind == BandKind::Background && !b.hidden) layBand(b, toMils(b.place.x), toMils(b.place.y));
    for (const Band& b : bands_)
        if (b.kind == BandKind::Header && !b.hidden) layBand(b, toMils(b.place.x), toMils(b.place.y));
    return true;
}

bool Report::finishPage() {
    if (!pageOpen_) return true;
    for (const Band& b : bands_)
        if (b.kind == BandKind::Footer && !b.hidden) layBand(b, toMils(b.place.x), toMils(b.place.y));
    pageOpen_ = false;
    nextNumber_ = number_ + 1;
    if (!ensureFolder()) return false;
    char name[32];
    std::snprintf(name, sizeof name, "page%06d.cpage", written_ + 1);
    const std::string path = folder_.file(name);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    int err = fd < 0 ? errno : rt::writeAll(fd, page_.data(), page_.size());
    if (fd >= 0 && ::close(fd) != 0 && !err) err = errno;
    if (err) {
        error_ = "Cannot write the page file " + path + ": " + std::strerror(err);
        return false;
    }
    ++written_;
    files_.push_back(path);
    (pages_ ? *pages_ : ownPages_).push_back(path);
    page_.clear();
    return true;
}

bool Report::printGroups() {
    for (Group& g : groups_) {
        std::string k = g.key ? g.key() : std::string();
        if (g.started && k == g.last) continue;
        if (g.started && g.foot) {
            g.started = false;  // the foot is printed as a plain band
            if (!print(*g.foot)) return false;
        }
        g.last = k;
        g.started = true;
        if (!print(*g.head)) return false;
    }
    return true;
}

bool Report::print(Band& band) {
    if (closed_ || !error_.empty()) return false;
    if (band.kind == BandKind::Header || band.kind == BandKind::Footer || band.kind == BandKind::Background) {
        error_ = "Only detail and group bands are printed at the print position.";
        return false;
    }
    if (band.kind == BandKind::Detail && !groups_.empty()) {
        // Group heads (and feet of groups that ended) go before the row; a group band printed
        // from here is not a detail, so this does not recurse further.
        static thread_local int depth = 0;
        if (depth == 0) {
            ++depth;
            bool ok = printGroups();
            --depth;
            if (!ok) return false;
        }
    }
    if (band.hidden) return true;
    if (!startPage()) return false;
    const long areaX = area.h > 0 ? toMils(area.x) : 0;
    const long areaW = area.h > 0 ? toMils(area.w) : paperWidth();
    const long bottom = area.h > 0 ? toMils(area.y) + toMils(area.h) : paperHeight();
    const long height = toMils(band.place.h);
    const long above = toMils(band.above);
    const long pitch = height - above;
    const long width = toMils(band.place.w);
    const bool sideBySide = width > 0 && width < areaW;

    if (!sideBySide && colX_ > 0) {  // a full-width band after side-by-side ones
        pos_ += rowPitch_;
        colX_ = 0;
        rowPitch_ = 0;
    }
    if (sideBySide && colX_ > 0 && colX_ + width > areaW) {
        pos_ += rowPitch_;
        colX_ = 0;
        rowPitch_ = 0;
    }
    const bool full = colX_ == 0 && printsOnPage_ > 0 &&
                      (rowsPerPage > 0 ? band.kind == BandKind::Detail && rowsOnPage_ >= rowsPerPage
                                       : pos_ + pitch > bottom);
    if (full) {
        if (!finishPage() || !startPage()) return false;
    }
    const long x = areaX + toMils(band.place.x) + (sideBySide ? colX_ : 0);
    layBand(band, static_cast<double>(x), static_cast<double>(pos_ - above));
    if (sideBySide) {
        colX_ += width;
        rowPitch_ = std::max(rowPitch_, pitch);
    } else {
        pos_ += pitch;
    }
    if (band.kind == BandKind::Detail && colX_ <= width) ++rowsOnPage_;
    ++printsOnPage_;
    return true;
}

bool Report::endPage() {
    if (closed_) return false;
    return finishPage();
}

bool Report::close() {
    if (closed_) return error_.empty();
    for (Group& g : groups_)
        if (g.started && g.foot) {
            g.started = false;
            print(*g.foot);
        }
    bool ok = finishPage() && error_.empty();
    closed_ = true;
    if (ok && printOnClose_) {
        PrintJob job;
        job.title = title;
        job.landscape = landscape;
        job.pages = pages_ ? *pages_ : ownPages_;
        job.printer = currentPrinter();
        std::string why;
        if (!sendToPrinter(std::move(job), why)) {
            error_ = why;
            ok = false;
        }
    }
    return ok;
}

void Report::cancel() {
    PageQueue& q = pages_ ? *pages_ : ownPages_;
    for (const std::string& f : files_) {
        std::error_code ec;
        fs::remove(f, ec);
        std::erase(q, f);
    }
    files_.clear();
    page_.clear();
    pageOpen_ = false;
    closed_ = true;
    printOnClose_ = false;
}

}  // namespace rt::report
