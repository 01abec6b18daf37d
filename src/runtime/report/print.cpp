#include "runtime/report/print.h"

#include <algorithm>
#include <fstream>
#include <optional>
#include <sstream>

#include "runtime/thread/thread.h"
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

// A job that its first step prints whole, through the sink's print().
class WholeJob : public PrintRun {
public:
    WholeJob(PrintSink& sink, PrintJob job) : sink_(sink), job_(std::move(job)) {}
    bool step(int) override {
        if (done_) return error_.empty();
        done_ = true;
        return sink_.print(job_, error_);
    }
    bool finished() const override { return done_; }
    int pagesDone() const override { return done_ ? pages() : 0; }
    int pages() const override { return static_cast<int>(job_.pages.size()); }
    void cancel() override { done_ = true; }
    const std::string& error() const override { return error_; }

private:
    PrintSink& sink_;
    PrintJob job_;
    bool done_ = false;
    std::string error_;
};

// The job as it goes to the sink: the current printer when it names none; false with a
// reason when it cannot go.
bool prepare(PrintJob& job, std::string& error) {
    if (job.printer.name.empty()) job.printer = currentPrinter();
    if (job.printer.isPdf() && job.printer.pdfFile.empty()) {
        error = "No file was chosen for the PDF.";
        return false;
    }
    return true;
}

}  // namespace

std::string pdfFileName(const std::string& name) {
    if (name.empty()) return name;
    const std::size_t slash = name.find_last_of('/');
    const std::string base = slash == std::string::npos ? name : name.substr(slash + 1);
    // "x.pdf", "x.PDF" and "x.v2" keep their endings; "x" and "x." become PDFs by name too.
    const std::size_t dot = base.find_last_of('.');
    if (dot != std::string::npos && dot > 0 && dot + 1 < base.size()) return name;
    if (!base.empty() && base.back() == '.') return name + "pdf";
    return base.empty() ? name : name + ".pdf";
}

Printer printerFromDialog(const std::string& answer, bool toFile) {
    if (toFile) return Printer{kPdfPrinter, pdfFileName(answer)};
    if (answer == kPdfPrinter) return Printer{kPdfPrinter, {}};
    return Printer{answer, {}};
}

std::optional<Printer> askPrinter(const std::string& title, const Printer& start, const std::string& folder) {
    bool toFile = start.isPdf();
    std::string answer = !toFile                  ? start.name
                         : !start.pdfFile.empty() ? start.pdfFile
                         : folder.empty()         ? std::string()
                                                  : folder + (folder.back() == '/' ? "" : "/");
    if (!rt::printerDialog(title, answer, toFile)) return std::nullopt;
    if (!toFile && answer.empty()) return std::nullopt;  // no printer named: as cancelled
    return printerFromDialog(answer, toFile);
}

std::unique_ptr<PrintRun> PrintSink::start(const PrintJob& job) { return std::make_unique<WholeJob>(*this, job); }

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
    if (!prepare(job, error)) return false;
    // Drawing takes a while: the program's other windows go on meanwhile.
    WaitOutside outside;
    return sink->print(job, error);
}

std::unique_ptr<PrintRun> startPrint(PrintJob job, std::string& error) {
    error.clear();
    auto sink = printSink();
    if (!sink) {
        error = "No printer is available.";
        return nullptr;
    }
    if (!prepare(job, error)) return nullptr;
    auto run = sink->start(job);
    if (!run) error = "The print could not be started.";
    return run;
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
