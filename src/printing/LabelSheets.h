#pragma once
// The bands of the label and slip reports, laid on a report of the engine. A sheet sets the
// report up when it is made; each add() prints one label or slip.
//
//     rt::report::PageQueue pages;
//     rt::report::Report report;
//     report.setPages(pages);
//     CdLabelSheet sheet(report, {.text = 0, .back = 0xFFFFFF, .footer = "Thanks!", .bothCircles = true});
//     sheet.add({"Calder Records", "CV0105", "101", CdLabelTrackLines(titles)});
//     report.close();
//
// Positions are thousandths of an inch (LabelLayout.h has the sheet geometry).
#include <cstdint>
#include <string>
#include <vector>

#include "printing/LabelLayout.h"
#include "runtime/report/report.h"

struct CdLabelStyle {
    std::uint32_t text = 0;         // colour of every text
    std::uint32_t back = 0xFFFFFF;  // fill of the circles
    std::string footer;
    bool bothCircles = false;       // more than one disc: the bottom circle is filled too
};

struct CdLabel {
    std::string brand, disc, custom;
    std::vector<LabelTrackLine> lines;
};

class CdLabelSheet {
public:
    CdLabelSheet(rt::report::Report& report, const CdLabelStyle& style);
    bool add(const CdLabel& label);

private:
    rt::report::Report& report_;
    rt::report::Band& head_;
    rt::report::Band& row_;
    rt::report::Band& foot_;
    rt::report::Text *brand_, *disc_, *custom_;
    rt::report::Text *leftNo_, *leftTitle_, *rightNo_, *rightTitle_;
};

struct MiniLabel {
    std::string disc, custom;
};

class MiniLabelSheet {
public:
    MiniLabelSheet(rt::report::Report& report, std::uint32_t textColor, const std::string& footer);
    bool add(const MiniLabel& label);

private:
    rt::report::Report& report_;
    rt::report::Band& label_;
    rt::report::Text *disc_, *custom_;
};

struct SlipStyle {
    std::string header, headerFont;
    int headerSize = 12, headerStyle = 700;  // style: weight, plus 4096 for italics
    std::uint32_t headerColor = 0;
    std::string footer, footerFont;
    int footerSize = 8, footerStyle = 400;
    std::uint32_t footerColor = 0;
    std::string lines[4];
    std::string logo;    // picture file, "" for none
    bool guides = false;  // cutting guides shown (else drawn in white)
};

class RequestSlipSheet {
public:
    RequestSlipSheet(rt::report::Report& report, const SlipStyle& style);
    bool add();

private:
    rt::report::Report& report_;
    rt::report::Band& slip_;
};
