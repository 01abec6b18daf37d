#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "printing/previewer/ReportPreviewer.h"
#include "runtime/report/page_file.h"

namespace rep = rt::report;

namespace {

constexpr int kBar = 18;  // the button bar above the pages, in dialog units

std::string rtrim(std::string s) {
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// The zoom table, built when the preview opens.
std::vector<ReportZoom> zoomTable() {
    const auto& names = ReportZoomNames();
    const double factors[] = {0, 0, 0.5, 0.75, 1, 2, 3};
    std::vector<ReportZoom> table;
    for (std::size_t i = 0; i < names.size(); ++i) table.push_back({names[i], i >= 2, factors[i]});
    return table;
}

// The zoom a page control shows: "" the page fitted into its place, "width" fitted to the
// view's width, else the scale of the page's natural size (96 pixels an inch).
std::string zoomValue(const ReportZoom& z) {
    if (z.ZOOMAMOUNT == "Page Width") return "width";
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", z.ZOOMMODIFIER);
    return buf;
}

class Preview {
public:
    Preview(ReportPreviewer& pv, rep::PageQueue& pages) : pv_(pv), pages_(pages) {}

    void run(const std::string& title, const std::string& zoom);

private:
    void buildWindow(const std::string& title);
    const ReportZoom& zoomEntry() const;
    void draw();
    void drawGrid();
    void drawZoomed();
    void showMark();
    void enableCommands();
    void setNav(bool first, bool prev, bool next, bool last);
    int places() const { return pv_.THUMBNAILSPRESENT; }
    bool grid() const { return rtrim(pv_.ZOOMSTATUS) == "No Zoom"; }
    void next();
    void previous();
    void setZoom(const std::string& name);
    void deletePage();
    void toggleMark();
    void exitWithoutPrinting();
    const std::string& page(int n) const { return pages_[static_cast<std::size_t>(n - 1)]; }

    ReportPreviewer& pv_;
    rep::PageQueue& pages_;
    std::unique_ptr<rt::Window> win_;
    rt::Window* w = nullptr;
    int print_ = 0, single_ = 0, exit_ = 0, first_ = 0, prev_ = 0, next_ = 0, last_ = 0, jump_ = 0;
    int mark_ = 0, delete_ = 0, display_ = 0, zoomList_ = 0;
    int zoomBox_ = 0, zoomPage_ = 0;
    std::vector<std::pair<int, int>> grid_;  // (box, page) of each place, in row order
    std::size_t zoomIndex_ = 0;
};

void Preview::buildWindow(const std::string& title) {
    // A window of its own, not a child inside the frame: the window that started the report
    // (the Designer, a menu) would cover a child of the frame for as long as it is open.
    win_ = std::make_unique<rt::Window>("Report Preview", rt::WindowKind::Dialog, -1, -1, 520, 340);
    w = win_.get();
    if (!rtrim(title).empty()) w->setTitle(title);
    w->setResizable(true);
    w->setMinSize(300, 160);
    w->maximize();  // pages want all the room there is
    struct B {
        int* id;
        const char* name;
        const char* text;
        const char* tip;
        int width;
    };
    const B buttons[] = {
        {&print_, "?PRINTBUTTON", "&Print...", "Print The Report", 40},
        {&single_, "?PRINTSINGLE", "Print P&age", "Print Current Page Only", 46},
        {&exit_, "?EXITBUTTON", "E&xit", "Exit Without Printing Report", 32},
        {&first_, "?PREVIEWTOP", "|<", "Go To First Page", 18},
        {&prev_, "?PREVIOUS", "<", "Previous Page", 18},
        {&next_, "?NEXT", ">", "Next Page", 18},
        {&last_, "?PREVIEWBOTTOM", ">|", "Go To Last Page", 18},
        {&jump_, "?JUMP", "&Jump...", "Jump To Page ??", 36},
        {&mark_, "?PREVIEWMARK", "&Mark", "Mark Page", 40},
        {&delete_, "?PREVIEWDELETE", "&Delete", "Delete Page", 36},
        {&display_, "?CHANGEDISPLAY", "&Thumbnails...", "Display Thumbnails", 54},
    };
    int x = 2;
    for (const B& b : buttons) {
        *b.id = w->button(b.name, b.text, x, 2, b.width, 14);
        w->setTooltip(*b.id, b.tip);
        x += b.width + 2;
    }
    zoomList_ = w->add(rt::ControlKind::DropList, "?ZOOMSTATUS", "", x + 2, 3, 64, 12);
    w->setChoices(zoomList_, ReportZoomNames());
    w->setTooltip(zoomList_, "Zoom");
    for (int z = 1; z <= 5; ++z) w->setStatus("", z - 1);
}

const ReportZoom& Preview::zoomEntry() const { return pv_.ZOOMQUEUE[zoomIndex_]; }

void Preview::setZoom(const std::string& name) {
    pv_.ZOOMSTATUS = name.substr(0, 12);
    // The first entry of that name; none: the last entry.
    zoomIndex_ = pv_.ZOOMQUEUE.size() - 1;
    for (std::size_t i = 0; i < pv_.ZOOMQUEUE.size(); ++i)
        if (rtrim(pv_.ZOOMQUEUE[i].ZOOMAMOUNT) == rtrim(pv_.ZOOMSTATUS)) {
            zoomIndex_ = i;
            break;
        }
    pv_.ZOOMSTATUS = pv_.ZOOMQUEUE[zoomIndex_].ZOOMAMOUNT;
}

void Preview::setNav(bool first, bool prev, bool next, bool last) {
    w->enable(first_, first);
    w->enable(prev_, prev);
    w->enable(next_, next);
    w->enable(last_, last);
}

void Preview::drawGrid() {
    if (pv_.ZOOMCONTROLPRESENT) {
        w->hide(zoomBox_);
        w->hide(zoomPage_);
        pv_.ZOOMCONTROLPRESENT = false;
    }
    const int a = std::clamp(pv_.PAGESACROSS, 1, 10), d = std::clamp(pv_.PAGESDOWN, 1, 10);
    if (a != pv_.DISPLAYEDPAGESACROSS || d != pv_.DISPLAYEDPAGESDOWN) {
        // Places beyond the grid are hidden; new ones are made as needed.
        while (static_cast<int>(grid_.size()) < a * d) {
            const int k = static_cast<int>(grid_.size()) + 1;
            const int box = w->add(rt::ControlKind::Box, "?PAGEBOX" + std::to_string(k), "", 0, 0, 1, 1);
            w->setColors(box, 0x000000, 0xFFFFFF);
            const int pg = w->add(rt::ControlKind::Page, "?PAGE" + std::to_string(k), "", 0, 0, 1, 1);
            w->setTooltip(pg, "Page " + std::to_string(k) + " of the grid");
            grid_.emplace_back(box, pg);
        }
        for (std::size_t i = static_cast<std::size_t>(a * d); i < grid_.size(); ++i) {
            w->hide(grid_[i].first);
            w->hide(grid_[i].second);
        }
        pv_.DISPLAYEDPAGESACROSS = a;
        pv_.DISPLAYEDPAGESDOWN = d;
        pv_.THUMBNAILSPRESENT = a * d;
    }
    // Layout: every place keeps the page's proportions.
    pv_.TOTALXSEPARATION = (a - 1) * 3 + 2;
    pv_.TOTALYSEPARATION = (d - 1) * 3 + 2;
    int bw = std::max(1, (w->width() - pv_.TOTALXSEPARATION) / a);
    int bh = std::max(1, (w->height() - kBar - pv_.TOTALYSEPARATION) / d);
    pv_.THUMBNAILASPECTRATIO = static_cast<double>(bh) / bw;
    if (pv_.IMAGEASPECTRATIO <= pv_.THUMBNAILASPECTRATIO) bh = std::max(1, static_cast<int>(bw * pv_.IMAGEASPECTRATIO));
    else bw = std::max(1, static_cast<int>(bh / pv_.IMAGEASPECTRATIO));
    pv_.THUMBNAILWIDTH = bw;
    pv_.THUMBNAILHEIGHT = bh;
    int k = 0;
    for (int row = 0; row < d; ++row)
        for (int col = 0; col < a; ++col, ++k) {
            auto [box, pg] = grid_[static_cast<std::size_t>(k)];
            const int x = 1 + col * (bw + 3), y = kBar + 1 + row * (bh + 3);
            w->setPosition(box, x, y, bw, bh);
            w->setPosition(pg, x, y, bw, bh);
            const int n = pv_.CURRENTPAGE + k;
            const bool exists = n <= pv_.IMAGECOUNT;
            w->hide(box, !exists);
            w->hide(pg, !exists);
            if (exists && w->ctl(pg).text != page(n)) w->setText(pg, page(n));
            if (w->value(pg) != "") w->setValue(pg, "");
        }
    if (pv_.IMAGECOUNT > 1) {
        setNav(pv_.CURRENTPAGE != 1, pv_.CURRENTPAGE != 1, pv_.CURRENTPAGE + places() <= pv_.IMAGECOUNT, true);
    } else {
        setNav(false, false, false, false);
    }
    const int n = pv_.CURRENTPAGE, m = pv_.IMAGECOUNT;
    if (places() == 1 || n == m || m == 0) {
        w->setStatus("Page " + std::to_string(n) + " of " + std::to_string(m), 4);
    } else {
        const int lastShown = std::min(m, n + places() - 1);
        w->setStatus("Pages " + std::to_string(n) + "-" + std::to_string(lastShown) + " of " + std::to_string(m), 4);
    }
    if (places() == 1) showMark();
    else w->setStatus("", 3);
}

void Preview::drawZoomed() {
    for (auto [box, pg] : grid_) {
        w->hide(box);
        w->hide(pg);
    }
    pv_.DISPLAYEDPAGESACROSS = pv_.DISPLAYEDPAGESDOWN = 0;
    pv_.THUMBNAILSPRESENT = 0;
    const int x = 1, y = kBar + 1, ww = std::max(1, w->width() - 2), hh = std::max(1, w->height() - kBar - 2);
    if (!zoomPage_) {
        zoomBox_ = w->add(rt::ControlKind::Box, "?ZOOMBOX", "", x, y, ww, hh);
        w->setColors(zoomBox_, 0x000000, 0xFFFFFF);
        zoomPage_ = w->add(rt::ControlKind::Page, "?ZOOMPAGE", "", x, y, ww, hh);
        w->setTooltip(zoomPage_, "Zoomed page");
    }
    w->setPosition(zoomBox_, x, y, ww, hh);
    w->setPosition(zoomPage_, x, y, ww, hh);
    w->unhide(zoomBox_);
    const bool any = pv_.IMAGECOUNT > 0;
    w->hide(zoomPage_, !any);
    pv_.ZOOMCONTROLPRESENT = true;
    if (any && w->ctl(zoomPage_).text != page(pv_.CURRENTPAGE)) w->setText(zoomPage_, page(pv_.CURRENTPAGE));
    const std::string zv = zoomValue(zoomEntry());
    if (w->value(zoomPage_) != zv) w->setValue(zoomPage_, zv);
    w->setStatus("Page " + std::to_string(pv_.CURRENTPAGE) + " of " + std::to_string(pv_.IMAGECOUNT), 4);
    if (pv_.IMAGECOUNT > 1) {
        const bool notFirst = pv_.CURRENTPAGE != 1, notLast = pv_.CURRENTPAGE != pv_.IMAGECOUNT;
        setNav(notFirst, notFirst, notLast, notLast);
    } else {
        setNav(false, false, false, false);
    }
    showMark();
}

void Preview::draw() {
    if (grid()) drawGrid();
    else drawZoomed();
    w->setStatus(pv_.ZOOMSTATUS, 1);
    if (w->value(zoomList_) != pv_.ZOOMSTATUS) w->setValue(zoomList_, pv_.ZOOMSTATUS);
    enableCommands();
}

void Preview::showMark() {
    const int n = pv_.CURRENTPAGE;
    const bool marked = n >= 1 && n <= static_cast<int>(pv_.MARKQUEUE.size()) && pv_.MARKQUEUE[n - 1] == 1;
    w->setText(mark_, marked ? "Un&mark" : "&Mark");
    w->setTooltip(mark_, marked ? "Unmark Page" : "Mark Page");
    w->setStatus(marked ? "Marked" : "", 3);
}

void Preview::enableCommands() {
    const bool one = places() <= 1 && pv_.IMAGECOUNT > 0;
    w->enable(mark_, one);
    w->enable(delete_, one);
    w->enable(single_, one);
    w->enable(jump_, pv_.IMAGECOUNT > 0);
}

void Preview::next() {
    if (grid()) {
        if (pv_.CURRENTPAGE + places() <= pv_.IMAGECOUNT) pv_.CURRENTPAGE += places();
    } else if (pv_.CURRENTPAGE < pv_.IMAGECOUNT) {
        ++pv_.CURRENTPAGE;
    }
    draw();
}

void Preview::previous() {
    if (grid()) pv_.CURRENTPAGE = std::max(1, pv_.CURRENTPAGE - std::max(1, places()));
    else if (pv_.CURRENTPAGE > 1) --pv_.CURRENTPAGE;
    draw();
}

void Preview::toggleMark() {
    const int n = pv_.CURRENTPAGE;
    if (n < 1 || n > static_cast<int>(pv_.MARKQUEUE.size())) return;
    auto& m = pv_.MARKQUEUE[static_cast<std::size_t>(n - 1)];
    if (m == 1) {
        m = 0;
        --pv_.PAGEMARKED;
    } else {
        m = 1;
        ++pv_.PAGEMARKED;
    }
    showMark();
}

void Preview::deletePage() {
    const int n = pv_.CURRENTPAGE;
    if (n < 1 || n > pv_.IMAGECOUNT) return;
    std::error_code ec;
    std::filesystem::remove(page(n), ec);
    // A deleted marked page takes its mark with it (the marked count follows).
    if (pv_.MARKQUEUE[static_cast<std::size_t>(n - 1)] == 1) --pv_.PAGEMARKED;
    pages_.erase(pages_.begin() + (n - 1));
    pv_.MARKQUEUE.erase(pv_.MARKQUEUE.begin() + (n - 1));
    pv_.IMAGECOUNT = static_cast<int>(pages_.size());
    if (pv_.CURRENTPAGE > 1) --pv_.CURRENTPAGE;
    draw();
}

void Preview::exitWithoutPrinting() {
    pv_.RETURNVALUE = 2;
    if (pv_.PREVIEWREPORT) pv_.PREVIEWREPORT->setPrintOnClose(false);
    w->close();
}

void Preview::run(const std::string& title, const std::string& zoom) {
    buildWindow(title);
    // Page 1's natural size, at 96 pixels an inch.
    rep::PageFile first;
    if (pv_.IMAGECOUNT > 0) rep::readPageFile(pages_.front(), first);
    pv_.IMAGEWIDTH = std::max(1, static_cast<int>(first.width * 96 / 1000));
    pv_.IMAGEHEIGHT = std::max(1, static_cast<int>(first.height * 96 / 1000));
    pv_.IMAGEASPECTRATIO = static_cast<double>(pv_.IMAGEHEIGHT) / pv_.IMAGEWIDTH;
    pv_.ZOOMQUEUE = zoomTable();
    StampPageNumbers(pv_, pages_);
    setZoom(zoom);
    pv_.PREVIEWWINDOW = w;
    w->open();
    draw();
    while (w->accept()) {
        const int code = w->code(), f = w->field();
        if (code == rt::EvSized || code == rt::EvMaximized || code == rt::EvRestored) {
            draw();
            continue;
        }
        // Escape and the close box leave as "Exit Without Printing Report" does.
        if (code == rt::EvCloseWindow) {
            exitWithoutPrinting();
            continue;
        }
        if (code == rt::EvPageUp) {
            if (w->ctl(prev_).enabled) previous();
            continue;
        }
        if (code == rt::EvPageDown) {
            if (w->ctl(next_).enabled) next();
            continue;
        }
        if (code != rt::EvAccepted && code != rt::EvNewSelection) continue;
        if (f == zoomPage_ && zoomPage_) {
            setZoom("No Zoom");
            draw();
        } else if (auto it = std::find_if(grid_.begin(), grid_.end(), [&](auto p) { return p.second == f; });
                   it != grid_.end()) {
            const int k = static_cast<int>(it - grid_.begin()) + 1;
            if (pv_.CURRENTPAGE + k - 1 <= pv_.IMAGECOUNT) pv_.CURRENTPAGE += k - 1;
            setZoom("Page Width");
            draw();
        } else if (f == print_) {
            if (AskPrintOptions(pv_) == 1) {
                pv_.RETURNVALUE = 1;
                w->close();
            } else {
                pv_.RETURNVALUE = 2;
            }
        } else if (f == exit_) {
            exitWithoutPrinting();
        } else if (f == single_) {
            if (pv_.IMAGECOUNT > 0) {
                pv_.SAVEIMAGEQUEUE = {page(pv_.CURRENTPAGE)};
                w->setWaitCursor(true);
                PrintPageImage(pv_, false);  // one page: its file is asked for, never the report's
                w->setWaitCursor(false);
            }
        } else if (f == zoomList_) {
            setZoom(w->value(zoomList_));
            draw();
        } else if (f == next_) {
            next();
        } else if (f == prev_) {
            previous();
        } else if (f == first_) {
            pv_.CURRENTPAGE = 1;
            previous();
        } else if (f == last_) {
            pv_.CURRENTPAGE = std::max(1, pv_.IMAGECOUNT);
            next();
        } else if (f == jump_) {
            pv_.CURRENTPAGE = JumpToReportPage(pv_, pv_.CURRENTPAGE, pv_.IMAGECOUNT);
            draw();
        } else if (f == display_) {
            ChangeReportDisplay(pv_);
            setZoom("No Zoom");
            draw();
        } else if (f == mark_) {
            toggleMark();
        } else if (f == delete_) {
            deletePage();
        }
        enableCommands();
    }
    pv_.PREVIEWWINDOW = nullptr;
}

}  // namespace

int ShowReportPreview(ReportPreviewer& pv, rep::Report& report, rep::PageQueue& pages, const std::string& title,
                      const std::string& zoom, bool printNow) {
    report.endPage();  // the last page belongs to what is shown and printed
    pv.IMAGEQUEUE = &pages;
    pv.PREVIEWREPORT = &report;
    pv.REPORTTITLE = title.substr(0, 50);
    pv.RETURNVALUE = 2;
    pv.CURRENTPAGE = 1;
    pv.PAGESACROSS = pv.PAGESDOWN = 1;
    pv.DISPLAYEDPAGESACROSS = pv.DISPLAYEDPAGESDOWN = 0;
    pv.THUMBNAILSPRESENT = 0;
    pv.ZOOMCONTROLPRESENT = false;
    pv.SAVELANDSCAPE = report.landscape;
    pv.CURRENTPRINTER = PrinterDisplayName(pv);
    pv.IMAGECOUNT = static_cast<int>(pages.size());
    pv.MARKQUEUE.assign(pages.size(), 0);
    pv.TEMPIMAGEQUEUE.clear();
    pv.WORKIMAGEQUEUE.clear();
    pv.SAVEIMAGEQUEUE.clear();

    if (printNow) {
        // Numbered as in the preview: a placeholder must never reach the paper.
        StampPageNumbers(pv, pages);
        SelectPagesToPrint(pv);
        PrintPageImage(pv);  // a failure is shown to the user; nothing else to do
        report.setPrintOnClose(false);
    } else {
        Preview(pv, pages).run(title, zoom);
    }
    pv.MARKQUEUE.clear();
    pv.TEMPIMAGEQUEUE.clear();
    pv.WORKIMAGEQUEUE.clear();
    pv.SAVEIMAGEQUEUE.clear();
    pv.IMAGEQUEUE = nullptr;
    pv.PREVIEWREPORT = nullptr;
    return pv.RETURNVALUE;
}
