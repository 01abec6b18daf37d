#include "printing/styles/StyleReport.h"

#include <algorithm>
#include <array>
#include <variant>

namespace rr = rt::report;

namespace {

constexpr std::uint32_t kShade = 0xE1E1E1;

// Row heights of the one-column page by font size: band, field, shading box.
struct RowHeights {
    int band, field, box, points;
};
RowHeights oneColumnHeights(int fontSize) {
    switch (fontSize) {
    case 1: return {250, 120, 140, 8};
    case 2: return {270, 150, 170, 10};
    default: return {300, 200, 200, 12};
    }
}

rt::Font styled(const std::string& name, int size, bool bold, bool italic, std::uint32_t color) {
    return rr::font(name.empty() ? "Arial" : name, size, bold, italic, color);
}

}  // namespace

struct StyleReport::Impl {
    template <class Entries>
    Impl(const StyleLayout& st, const PrintSettings& set, Entries&& entries, DiscLookup altIdOf, rr::Report& rep)
        : style(st), s(set), rows(st, set, std::forward<Entries>(entries), std::move(altIdOf)), report(rep) {
        build();
    }

    // The fields of one column of the detail band.
    struct Fields {
        rr::Text *title = nullptr, *artist = nullptr, *song = nullptr, *make = nullptr, *rule = nullptr;
    };

    void build();
    int shiftLimit() const;
    void place(int page);
    void show(const PageRow& row);
    bool printRow();

    const StyleLayout& style;
    PrintSettings s;
    StyleRows rows;
    rr::Report& report;
    rr::Band* header = nullptr;
    rr::Band* footer = nullptr;
    rr::Band* detail = nullptr;
    rr::Box* shade = nullptr;
    rr::Box* rightBar = nullptr;
    std::array<Fields, 2> fields;
    double headerX = 0, footerX = 0, areaX = 0;
    int limit = 0;        // the binding offset the page allows
    int printed = 0;      // detail rows printed
    int page = 0;         // the page the last row went to
    int lastCompleted = 0;
    bool more = true;
};

void StyleReport::Impl::build() {
    const bool two = style.page == PageKind::TwoColumns;
    const bool a4 = s.a4();
    const int R = rows.rowsPerColumn();
    report.paper = a4 ? rr::Paper::A4 : rr::Paper::Letter;
    report.rowsPerPage = R;
    report.title = "SongBook";
    report.setPageNumber(s.StartingPageNumber);

    // The page: Letter positions, moved for A4.
    double x = two ? 312 : 775, w = two ? 8000 : 7396, areaH = 9000, footerY = 10000;
    if (a4) {
        x = two ? 125 : 650;
        w = two ? 7875 : 7600;
        areaH = 9750;
        footerY = 10750;
    }
    report.area = {x, 1000, w, areaH};
    header = &report.header({x, 0, w, two ? 1000.0 : 979.0});
    footer = &report.footer({x, footerY, w, 500});
    headerX = footerX = areaX = x;

    // Heading.
    header->add(rr::Text(two ? 1552 : 1146, style.headerY, two ? 4781 : 4760, 344, s.ReportHeader.str())
                    .withFont(styled(s.HeaderFont, 18, s.HeaderSetBold == 1, s.HeaderSetItalic == 1, s.HeaderColor))
                    .withAlign(rr::Align::Center));
    // Column bars and headings.
    const std::uint32_t border = s.ColumnBarBorderColor;
    const rt::Font barFont = styled(s.ColumnBarFont, two ? 10 : 14, s.ColumnBarSetBold == 1,
                                    s.ColumnBarSetItalic == 1, s.ColumnBarTextColor);
    const std::string prompt = s.ShowMake != 0 ? "" : "Mfr.";
    const std::string songHead = s.SHOWSONGNUM != 0 ? "" : "Song #";
    const double headY = two ? 781 : 740, headH = two ? 200 : 242;
    if (two) {
        header->add(rr::Box(125, 740, style.columnBar1W, 260, s.ColumnBarFill, border));
        rightBar = &header->add(rr::Box(4115, 740, 3750, 260, s.ColumnBarFill, border));
    } else {
        header->add(rr::Box(125, 740, 6800, 242, s.ColumnBarFill, border));
    }
    auto heading = [&](Span at, const std::string& text, rr::Align a = rr::Align::Left) {
        if (at.w > 0 && !text.empty()) header->add(rr::Text(at.x, headY, at.w, headH, text).withFont(barFont).withAlign(a));
    };
    heading(style.artistHead, "Artist");
    heading(style.titleHead, "Title");
    heading(style.songHead, songHead);
    heading(style.promptHead, prompt);
    if (two) {
        heading(style.rightArtistHead, "Artist");
        heading(style.rightTitleHead, "Title");
        heading(style.rightSongHead, songHead);
        heading(style.rightPromptHead, prompt);
    }

    // Footer: the footer text, the page number and the by-line.
    footer->add(rr::Text(style.footer.x, style.footerY, style.footer.w, 208, s.PRINTFOOTER.str())
                    .withFont(styled(s.FooterFont, 10, s.FooterSetBold == 1, s.FooterSetItalic == 1, s.FooterColor))
                    .withAlign(rr::Align::Center));
    // Wide enough for "Page: 99999", and no wider: the page may move by what lies right of it.
    footer->add(rr::Text(style.pageNumberX, style.pageNumberY, 700, 146, "Page: ")
                    .withFont(rr::font("Arial", 8))
                    .withPageNumber());
    if (s.ShowTM == 0)
        footer->add(rr::Text(two ? 156 : 146, two ? 104 : 73, two ? 5000 : 4510, 146, kByLine)
                        .withFont(rr::font("Arial", 6)));

    // The detail band: one row of one or two columns.
    const int size = two ? (s.fontSize() == 1 ? 8 : 10) : oneColumnHeights(s.fontSize()).points;
    const RowHeights h = two ? RowHeights{281, 156, 156, size} : oneColumnHeights(s.fontSize());
    detail = &report.detail(h.band, two ? 104 : 115);
    const double fieldY = two ? 104 : 94;
    auto body = [&](bool bold, bool italic) { return styled(s.PrintFont, size, bold, italic, s.BodyColor); };
    if (style.rows == RowKind::PlainShaded) shade = &detail->add(rr::Box(125, 94, 6800, h.box, kShade, rt::kNoColor));
    for (int c = 0; c < (two ? 2 : 1); ++c) {
        Fields& f = fields[static_cast<std::size_t>(c)];
        const bool right = c == 1;
        if (style.rows != RowKind::PlainShaded) {
            const rt::Font ruleFont = rr::font("Arial", two ? 6 : 8, !two, false, 0);
            f.rule = two ? &detail->add(rr::Text(right ? 4115 : 125, 0, right ? 3750 : 3719, 146).withLimit(120).withFont(ruleFont))
                         : &detail->add(rr::Text(125, -25, 6800, 142).withLimit(255).withFont(ruleFont));
        }
        f.title = &detail->add(rr::Text(right ? style.rightTitleX : style.title.x, fieldY, style.title.w, h.field)
                                   .withLimit(style.titleShows)
                                   .withFont(body(s.TitleBold == 1, s.TitleItalics == 1)));
        f.artist = &detail->add(rr::Text(right ? style.rightArtistX : style.artist.x, fieldY, style.artist.w, h.field)
                                    .withLimit(style.artistShows)
                                    .withFont(body(s.ArtistBold == 1, s.ArtistItalics == 1)));
        // Song numbers are never cut inside their digits; a narrow field clips when painted.
        Span song = style.song;
        double songX = right ? style.rightSongX : song.x;
        if (two && s.ShowMake != 0) {
            songX = right ? 6855 : 2834;
            song.w = 1010;
        }
        f.song = &detail->add(rr::Text(songX, fieldY, song.w, h.field)
                                  .withAlign(rr::Align::Right)
                                  .withFont(body(s.DiskTrackBold == 1, s.DiskTrackItalics == 1)));
        f.make = &detail->add(rr::Text(right ? style.rightMakeX : style.make.x, fieldY, right ? style.rightMakeW : style.make.w, h.field)
                                  .withAlign(rr::Align::Center)
                                  .withLimit(2)
                                  .withFont(body(s.MfrBold == 1, s.MfrItalics == 1)));
    }
    limit = shiftLimit();
}

// How far the page's controls may move either way and stay on the paper, in steps of 5.
int StyleReport::Impl::shiftLimit() const {
    double left = report.paperWidth(), right = 0;
    auto extend = [&](const rr::Band& band, double bandX) {
        for (const rr::Control& c : band.controls)
            std::visit(
                [&](const auto& ctl) {
                    left = std::min(left, bandX + ctl.x);
                    right = std::max(right, bandX + ctl.x + ctl.w);
                },
                c);
    };
    extend(*header, headerX);
    extend(*footer, footerX);
    extend(*detail, areaX);
    const double room = std::min(left, report.paperWidth() - right);
    return room <= 0 ? 0 : static_cast<int>(room) / 5 * 5;
}

// Odd pages lie the binding offset right of the layout, even pages as far left; never so far
// that a page runs off the paper.
void StyleReport::Impl::place(int pageNo) {
    const int off = std::min(s.bindingOffset(), limit);
    if (off == 0) return;
    const double shift = pageNo % 2 == 1 ? off : -off;
    header->place.x = headerX + shift;
    footer->place.x = footerX + shift;
    report.area.x = areaX + shift;
}

void StyleReport::Impl::show(const PageRow& row) {
    for (std::size_t c = 0; c < 2; ++c) {
        Fields& f = fields[c];
        if (!f.title) continue;
        const ColumnRow& v = row.column[c];
        auto set = [](rr::Text* t, const std::string& text) {
            if (!t) return;
            t->text = text;
            t->hidden = text.empty();
        };
        set(f.title, v.title);
        set(f.artist, v.artist);
        set(f.song, v.songNumber);
        set(f.make, v.make);
        set(f.rule, v.rule);
    }
    if (shade) shade->hidden = !row.column[0].shaded;
    if (rightBar) rightBar->hidden = row.hideRightBar;
}

bool StyleReport::Impl::printRow() {
    const int R = rows.rowsPerColumn();
    if (printed > 0 && printed % R == 0) {
        if (!report.endPage()) return false;
        lastCompleted = R;
    }
    const int pageNo = printed / R + 1;
    if (pageNo != page) {
        place(pageNo);
        page = pageNo;
    }
    ++printed;
    return report.print(*detail);
}

StyleReport::StyleReport(const StyleLayout& style, const PrintSettings& settings, EntrySource& entries,
                         DiscLookup altIdOf, rr::Report& report)
    : d_(std::make_unique<Impl>(style, settings, entries, std::move(altIdOf), report)) {}

StyleReport::StyleReport(const StyleLayout& style, const PrintSettings& settings, std::vector<SelectionEntry> entries,
                         DiscLookup altIdOf, rr::Report& report)
    : d_(std::make_unique<Impl>(style, settings, std::move(entries), std::move(altIdOf), report)) {}

StyleReport::~StyleReport() = default;

bool StyleReport::hasRows() const { return d_->rows.hasRows(); }

bool StyleReport::step(int maxRows) {
    if (!d_->more) return false;
    PageRow row;
    for (int i = 0; i < maxRows; ++i) {
        if (!d_->rows.next(row)) {
            d_->more = false;
            return false;
        }
        d_->show(row);
        if (!d_->printRow()) {
            d_->more = false;
            return false;
        }
    }
    return true;
}

int StyleReport::percent() const {
    const long long total = d_->rows.toProcess();
    if (total <= 0) return 100;
    return static_cast<int>(std::min<long long>(100, d_->rows.processed() * 100 / total));
}

bool StyleReport::finish() {
    if (!error().empty()) return false;
    // A bound SongBook ends with blank rows: twice the rows of the last completed page.
    if (d_->s.OffsetPages != 0) {
        PageRow blank;
        blank.hideRightBar = d_->rightBar && d_->rightBar->hidden;
        const int n = 2 * d_->lastCompleted;
        for (int i = 0; i < n; ++i) {
            d_->show(blank);
            if (!d_->printRow()) return false;
        }
    }
    return d_->report.endPage();
}

const std::string& StyleReport::error() const {
    return d_->report.error().empty() ? d_->rows.error() : d_->report.error();
}

int StyleReport::rowsPerColumn() const { return d_->rows.rowsPerColumn(); }

int StyleReport::bindingOffsetLimit() const { return d_->limit; }

int BindingOffsetLimit(const StyleLayout& style, const PrintSettings& settings) {
    rr::Report report;  // laid out only: no page is written
    StyleReport layout(style, settings, {}, [](const std::string&) { return std::string(); }, report);
    return layout.bindingOffsetLimit();
}

int StyleReport::rowsPerTick() const { return d_->style.page == PageKind::TwoColumns ? 25 : 56; }
