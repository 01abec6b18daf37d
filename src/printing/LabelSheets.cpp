#include "printing/LabelSheets.h"

#include <algorithm>

#include "printing/RequestSlipSettings.h"

namespace rep = rt::report;

namespace {

// The centre line of the CD label circles: the head and foot fields are centred on it.
constexpr double kCircleCentre = kCdCircleX + kCdCircleSize / 2.0;

rep::Text Centred(double x, double y, double h, int size, bool bold, std::uint32_t color) {
    return rep::Text(x, y, 2 * (kCircleCentre - x), h).withFont(rep::font("Arial", size, bold, false, color)).withAlign(rep::Align::Center);
}

rt::Font SettingFont(const std::string& name, int size, int style, std::uint32_t color) {
    rt::Font f = rep::font(name.empty() ? "Arial" : name, size > 0 ? size : 10, false, (style & kItalicStyle) != 0, color);
    const int weight = style & ~kItalicStyle;
    f.weight = weight > 0 ? weight : 400;
    return f;
}

}  // namespace

CdLabelSheet::CdLabelSheet(rep::Report& report, const CdLabelStyle& style)
    : report_(report),
      head_(report.detail(kCdLabelHeadHeight)),
      row_(report.detail(kCdLabelRowHeight)),
      foot_(report.detail(kCdLabelFootHeight)) {
    report.paper = rep::Paper::Letter;
    auto& circles = report.background();
    circles.add(rep::Ellipse(kCdCircleX, kCdCircleTopY, kCdCircleSize, kCdCircleSize, style.back, 0));
    circles.add(rep::Ellipse(kCdCircleX, kCdCircleBottomY, kCdCircleSize, kCdCircleSize,
                             style.bothCircles ? style.back : rt::kNoColor, 0));
    brand_ = &head_.add(Centred(2688, 1271, 200, 12, true, style.text).withLimit(40));
    disc_ = &head_.add(Centred(3646, 1458, 135, 8, false, style.text).withLimit(20));
    custom_ = &head_.add(Centred(2833, 1563, 300, 18, true, style.text).withLimit(20));
    const rt::Font lineFont = rep::font("Arial", 8, true, false, style.text);
    leftNo_ = &row_.add(rep::Text(2260, 0, 156, 125).withFont(lineFont));
    leftTitle_ = &row_.add(rep::Text(2427, 0, 1156, 125).withFont(lineFont));
    rightNo_ = &row_.add(rep::Text(5094, 0, 156, 125).withFont(lineFont));
    rightTitle_ = &row_.add(rep::Text(5260, 0, 1156, 125).withFont(lineFont));
    foot_.add(Centred(3250, 135, 135, 8, true, style.text).withLimit(30)).text = style.footer;
}

bool CdLabelSheet::add(const CdLabel& label) {
    brand_->text = label.brand;
    disc_->text = label.disc;
    custom_->text = label.custom;
    if (!report_.print(head_)) return false;
    // Every label has its 18 rows, so the two on a page sit on their circles; the rows
    // without tracks print nothing.
    for (const LabelDetailRow& r : CdLabelDetailRows(label.lines)) {
        leftNo_->text = r.left.trackNo;
        leftTitle_->text = r.left.title;
        rightNo_->text = r.right.trackNo;
        rightTitle_->text = r.right.title;
        if (!report_.print(row_)) return false;
    }
    return report_.print(foot_);
}

MiniLabelSheet::MiniLabelSheet(rep::Report& report, std::uint32_t textColor, const std::string& footer)
    : report_(report), label_(report.detail(kMiniLabelHeight)) {
    report.paper = rep::Paper::Letter;
    report.area = {125, 490, 8500, 10000};
    label_.place.w = kMiniLabelWidth;
    disc_ = &label_.add(rep::Text(73, 31, 1823, 115).withFont(rep::font("Arial", 6, false, false, textColor))
                            .withAlign(rep::Align::Center));
    custom_ = &label_.add(rep::Text(10, 135, 1927, 219).withFont(rep::font("Arial", 14, true, false, textColor))
                              .withAlign(rep::Align::Center));
    label_.add(rep::Text(63, 365, 1823, 125, footer).withFont(rep::font("Arial", 6, false, false, textColor))
                   .withAlign(rep::Align::Center));
}

bool MiniLabelSheet::add(const MiniLabel& label) {
    disc_->text = label.disc;
    custom_->text = label.custom;
    return report_.print(label_);
}

RequestSlipSheet::RequestSlipSheet(rep::Report& report, const SlipStyle& style)
    : report_(report), slip_(report.detail(kSlipHeight)) {
    report.paper = rep::Paper::Letter;
    slip_.place.w = kSlipWidth;

    // The guides lie behind the slips on every page; without them they are drawn in white.
    auto& guides = report.background();
    const std::uint32_t guideColor = style.guides ? 0 : 0xFFFFFF;
    for (const GuideLine& g : SlipCuttingGuides())
        guides.add(rep::Line(g.x1, g.y1, g.x2 - g.x1, g.y2 - g.y1, guideColor));

    const rt::Font head = SettingFont(style.headerFont, style.headerSize, style.headerStyle, style.headerColor);
    slip_.add(rep::Text(406, 188, 3542, std::max(200, style.headerSize * 25), style.header)
                  .withFont(head)
                  .withAlign(rep::Align::Center));
    const double lineY[4] = {583, 948, 1313, 1698};
    for (int i = 0; i < 4; ++i)
        slip_.add(rep::Text(406, lineY[i], 3448, 208, style.lines[i]).withFont(rep::font("Arial", 10, true)));
    const rt::Font foot = SettingFont(style.footerFont, style.footerSize, style.footerStyle, style.footerColor);
    const double footH = std::max(150, style.footerSize * 25);
    if (style.logo.empty()) {
        slip_.add(rep::Text(521, 2115, 3458, footH, style.footer).withFont(foot).withAlign(rep::Align::Center));
    } else {
        slip_.add(rep::Image(3300, 1938, 560, 560, style.logo));
        // The footer moves left, clear of the logo.
        slip_.add(rep::Text(200, 2115, 3050, footH, style.footer).withFont(foot).withAlign(rep::Align::Center));
    }
}

bool RequestSlipSheet::add() { return report_.print(slip_); }
