#include "printing/ReportSupport.h"

#include "printing/previewer/ReportPreviewer.h"
#include "runtime/window/window.h"

struct ReportOutput::Impl {
    ReportPreviewer pv;
};

ReportOutput::ReportOutput(std::string previewTitle, std::string zoom, rt::report::Units units)
    : impl_(std::make_unique<Impl>()), report_(units), title_(std::move(previewTitle)), zoom_(std::move(zoom)) {
    report_.setPages(pages_);
    report_.title = title_;
}

ReportOutput::~ReportOutput() = default;

bool ReportOutput::askDestination() { return AskReportDestination(impl_->pv) == 0; }

void ReportOutput::finish(const std::string& confirm) {
    ReportPreviewer& pv = impl_->pv;
    report_.endPage();
    bool print = false;
    if (pv.PREVIEWOPTION == 1) {
        ShowReportPreview(pv, report_, pages_, title_, zoom_, false);
    } else {
        StampPageNumbers(pv, pages_);
        ExpandPrintCopies(pv, pages_);
        print = true;
        if (!confirm.empty()) {
            rt::beep(rt::BeepKind::Question);
            print = rt::message(confirm, "Load Print Labels", rt::Icon::Question, rt::BtnYes | rt::BtnNo,
                                rt::BtnYes) == rt::BtnYes;
        }
    }
    if (!report_.close() && !report_.error().empty()) {
        rt::message("The report could not be printed.|" + report_.error(), "Print Report", rt::Icon::Exclamation);
        return;
    }
    // The pages as one job, copies repeated in it, to where the host chose for this report.
    if (!print || pages_.empty()) return;
    const auto printer = PrintDestination(pv, true);
    if (!printer) return;
    PrintPages(rt::report::PrintJob{report_.title, report_.landscape, pages_, *printer});
}

void ReportOutput::cancel(bool failed) {
    if (failed && !report_.error().empty())
        rt::message("The report could not be laid out.|" + report_.error(), "Print Report", rt::Icon::Exclamation);
    report_.cancel();
}
