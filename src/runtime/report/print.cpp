#include "runtime/report/print.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

#include "runtime/window/window.h"

namespace rt::report {

namespace {

struct State {
    std::mutex m;
    std::optional<Printer> current;
    Printer fallback{kPdfPrinter, {}};
    std::shared_ptr<PrintSink> sink;
};

State& state() {
    static State s;
    return s;
}

bool endsWithPdf(const std::string& s) {
    if (s.size() < 4) return false;
    std::string tail = s.substr(s.size() - 4);
    std::transform(tail.begin(), tail.end(), tail.begin(), [](unsigned char c) { return std::tolower(c); });
    return tail == ".pdf";
}

}  // namespace

Printer printerFromDialog(const std::string& answer) {
    if (answer == kPdfPrinter) return Printer{kPdfPrinter, {}};
    if (endsWithPdf(answer)) return Printer{kPdfPrinter, answer};
    return Printer{answer, {}};
}

std::string dialogText(const Printer& p) { return p.isPdf() && !p.pdfFile.empty() ? p.pdfFile : p.name; }

Printer currentPrinter() {
    auto& s = state();
    std::lock_guard lk(s.m);
    return s.current ? *s.current : s.fallback;
}

void setCurrentPrinter(const Printer& p) {
    auto& s = state();
    std::lock_guard lk(s.m);
    s.current = p;
}

void setDefaultPrinter(const Printer& p) {
    auto& s = state();
    std::lock_guard lk(s.m);
    s.fallback = p;
}

std::shared_ptr<PrintSink> setPrintSink(std::shared_ptr<PrintSink> sink) {
    auto& s = state();
    std::lock_guard lk(s.m);
    std::swap(s.sink, sink);
    return sink;
}

std::shared_ptr<PrintSink> printSink() {
    auto& s = state();
    std::lock_guard lk(s.m);
    return s.sink;
}

bool sendToPrinter(PrintJob job, std::string& error) {
    error.clear();
    if (job.pages.empty()) return true;
    auto sink = printSink();
    if (!sink) {
        error = "No printer is available.";
        return false;
    }
    if (job.printer.name.empty()) job.printer = currentPrinter();
    if (job.printer.isPdf() && job.printer.pdfFile.empty()) {
        std::string file;
        if (!rt::fileDialog(kPdfPrinter, file, "PDF Files (*.pdf)|*.pdf|All Files (*.*)|*.*", true) ||
            file.empty()) {
            error = "No file was chosen for the PDF.";
            return false;
        }
        if (!endsWithPdf(file)) file += ".pdf";
        job.printer.pdfFile = file;
        if (currentPrinter().isPdf()) setCurrentPrinter(job.printer);
    }
    return sink->print(job, error);
}

bool RecorderSink::print(const PrintJob& job, std::string& error) {
    std::lock_guard lk(m_);
    if (!fail_.empty()) {
        error = fail_;
        return false;
    }
    Job j{job, {}};
    for (const auto& p : job.pages) {
        std::ifstream in(p, std::ios::binary);
        std::ostringstream ss;
        if (in) ss << in.rdbuf();
        j.texts.push_back(ss.str());
    }
    jobs_.push_back(std::move(j));
    return true;
}

std::vector<RecorderSink::Job> RecorderSink::jobs() const {
    std::lock_guard lk(m_);
    return jobs_;
}

void RecorderSink::clear() {
    std::lock_guard lk(m_);
    jobs_.clear();
}

void RecorderSink::failWith(std::string reason) {
    std::lock_guard lk(m_);
    fail_ = std::move(reason);
}

}  // namespace rt::report
