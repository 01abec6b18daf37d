#pragma once
// Small pieces the label, slip and management reports share.
#include <memory>
#include <string>

// True while a SongBook is open. Otherwise tells the host that the SongBook was closed (its
// workspace ended before this window or report started) and returns false: nothing may open
// the SongBook's files by a blank name.
bool SongBookOpenForPrinting();

#include "runtime/report/report.h"

// One run of a label, slip or management report through the previewer: the destination is
// asked before anything is read; afterwards the pages are shown in the preview window or,
// when the host chose to print without viewing, numbered, repeated for the copies and sent
// to the printer when the report closes.
class ReportOutput {
public:
    ReportOutput(std::string previewTitle, std::string zoom, rt::report::Units units = rt::report::Units::Thousandths);
    ~ReportOutput();
    ReportOutput(const ReportOutput&) = delete;
    ReportOutput& operator=(const ReportOutput&) = delete;

    // False when the host cancelled the report.
    bool askDestination();
    // The report the pages are laid out on (its pages go to this run's page queue).
    rt::report::Report& report() { return report_; }
    // Shows or prints the pages laid out, then closes the report. `confirm` (labels) is asked
    // before printing without preview; No prints nothing.
    void finish(const std::string& confirm = {});
    // Drops the pages: the run was cancelled or found nothing, or (failed) a page could not be
    // written, which the host is told.
    void cancel(bool failed = false);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    rt::report::PageQueue pages_;
    rt::report::Report report_;
    std::string title_, zoom_;
};
