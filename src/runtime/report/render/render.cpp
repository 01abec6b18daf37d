#include "runtime/report/render/render.h"

#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "runtime/files/file_util.h"
#include "runtime/files/work_folder.h"
#include "runtime/report/page_file.h"
#include "runtime/report/render/gui_host.h"
#include "runtime/report/render/painter.h"

namespace rt::report::render {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

QPageSize pageSizeOf(const PageFile& p) {
    // Always portrait sizes; landscape pages get the orientation.
    const long w = std::min(p.width, p.height), h = std::max(p.width, p.height);
    return QPageSize(QSizeF(static_cast<qreal>(w) / 1000.0, static_cast<qreal>(h) / 1000.0), QPageSize::Inch,
                     QString(), QPageSize::ExactMatch);
}

QPageLayout layoutOf(const PageFile& p) {
    return QPageLayout(pageSizeOf(p), p.width > p.height ? QPageLayout::Landscape : QPageLayout::Portrait,
                       QMarginsF(0, 0, 0, 0));
}

// The PDF's bytes on their way to a work file beside the target, every write checked: the PDF
// writer does not report failed writes, not even from QPainter::end(), so a full disc would
// otherwise end in a cut-off file taken for a whole one.
class WorkFileDevice : public QIODevice {
public:
    // 0 or an errno value.
    int create(const std::string& target) {
        if (int e = file_.create(target)) return e;
        open(QIODevice::WriteOnly);
        return 0;
    }
    // The first write that failed: 0 or an errno value.
    int error() const { return error_; }
    // Writes what is left, flushes the file to the disc and puts it in place of the target:
    // 0 or an errno value (the work file gone then, the target as it was).
    int commit() {
        flushBuffer();
        close();
        if (error_) {
            file_.discard();
            return error_;
        }
        if (int e = file_.commit()) return e;
        const std::string& target = file_.finalPath();
        return syncFolder(target.substr(0, target.rfind('/') + 1));
    }
    void discard() {
        close();
        buffer_.clear();
        file_.discard();
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 len) override {
        if (error_) return -1;
        buffer_.append(data, static_cast<std::size_t>(len));
        if (buffer_.size() >= kBlock) flushBuffer();
        return error_ ? -1 : len;
    }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    void flushBuffer() {
        if (error_ == 0 && !buffer_.empty()) error_ = writeAll(file_.fd(), buffer_.data(), buffer_.size());
        buffer_.clear();
    }

    TempFile file_;
    std::string buffer_;
    int error_ = 0;
};

std::string reason(int errnoValue) { return std::generic_category().message(errnoValue); }

// A job drawn page by page onto a PDF writer or a printer. The devices and the painter live on
// the thread that draws (onGuiHost), and are only touched there.
class PageRun : public PrintRun {
public:
    explicit PageRun(PrintJob job) : job_(std::move(job)) {
        // An empty document still gets one blank page, so the file opens.
        if (job_.pages.empty() && job_.printer.isPdf()) job_.pages.push_back(std::string());
    }
    ~PageRun() override { cancel(); }

    bool step(int ms) override {
        if (done_) return error_.empty();
        onGuiHost([&] {
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
            if (!device_ && !begin()) return;
            do {
                if (!drawPage(job_.pages[static_cast<std::size_t>(next_)])) return;
                ++next_;
            } while (next_ < pages() && std::chrono::steady_clock::now() < until);
            if (next_ == pages()) finish();
        });
        return error_.empty();
    }
    bool finished() const override { return done_; }
    int pagesDone() const override { return next_; }
    int pages() const override { return static_cast<int>(job_.pages.size()); }
    const std::string& error() const override { return error_; }

    void cancel() override {
        if (!device_ && done_) return;
        onGuiHost([&] { drop(); });
        done_ = true;
    }

private:
    bool begin() {
        if (job_.printer.isPdf()) {
            if (job_.printer.pdfFile.empty()) return fail("No file name was given for the PDF.");
            target_ = std::filesystem::absolute(job_.printer.pdfFile).string();
            removeLeftovers();
            out_ = std::make_unique<WorkFileDevice>();
            if (int e = out_->create(target_)) return fail(failure(reason(e)));
            auto pdf = std::make_unique<QPdfWriter>(out_.get());
            pdf->setTitle(qs(job_.title));
            pdf->setCreator("Cantorelle");
            pdf->setResolution(1200);
            device_ = std::move(pdf);
        } else {
            const QPrinterInfo info = QPrinterInfo::printerInfo(qs(job_.printer.name));
            if (info.isNull()) return fail("The printer " + job_.printer.name + " is not available.");
            auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
            printer->setDocName(qs(job_.title.empty() ? std::string("Cantorelle") : job_.title));
            printer->setFullPage(true);
            printer->setCopyCount(1);  // copies are made by repeating pages
            printer_ = printer.get();
            device_ = std::move(printer);
        }
        return true;
    }

    bool drawPage(const std::string& path) {
        PageFile page;
        readPageFile(path, page);  // unreadable: a blank Letter page
        device_->setPageLayout(layoutOf(page));
        if (!painter_.isActive()) {
            if (!painter_.begin(device_.get())) return fail(failure("could not be started"));
        } else if (!device_->newPage()) {
            return fail(failure("could not start a new page"));
        }
        paintPage(painter_, page, QRectF(painter_.viewport()));
        // The writer sends each page out as the next one begins: stop at the first failed write.
        if (out_ && out_->error()) return fail(failure(reason(out_->error())));
        return true;
    }

    void finish() {
        if (painter_.isActive() && !painter_.end()) {
            fail(failure("could not be finished"));
            return;
        }
        device_.reset();
        printer_ = nullptr;
        if (out_) {
            const int e = out_->commit();
            out_.reset();
            if (e) {
                fail(failure(reason(e)));
                return;
            }
        }
        done_ = true;
    }

    // Ends the job without printing: the printer's job withdrawn, the PDF's work file removed.
    void drop() {
        if (printer_ && painter_.isActive()) printer_->abort();
        if (painter_.isActive()) painter_.end();
        device_.reset();
        printer_ = nullptr;
        if (out_) out_->discard();
        out_.reset();
    }

    // What a print to this name cut off by a kill or a power cut left beside it, also under
    // the name earlier versions gave their work file.
    void removeLeftovers() const {
        removeTempLeftovers(target_);
        const std::filesystem::path t(target_);
        const std::filesystem::path old = t.parent_path() / ("." + t.filename().string() + ".part");
        std::error_code ec;
        if (std::filesystem::is_regular_file(std::filesystem::symlink_status(old, ec))) std::filesystem::remove(old, ec);
    }

    std::string failure(const std::string& why) const {
        return job_.printer.isPdf() ? "The PDF file " + target_ + " could not be written (" + why + ")."
                                    : "The printer " + job_.printer.name + " " + why + ".";
    }
    bool fail(const std::string& why) {
        error_ = why;
        drop();
        done_ = true;
        return false;
    }

    PrintJob job_;
    std::unique_ptr<WorkFileDevice> out_;  // of a PDF; outlives the writer drawing into it
    std::unique_ptr<QPagedPaintDevice> device_;
    QPrinter* printer_ = nullptr;
    QPainter painter_;
    std::string target_;
    int next_ = 0;
    bool done_ = false;
    std::string error_;
};

// A whole job at once.
bool runWhole(const PrintJob& job, std::string& error) {
    PageRun run(job);
    while (!run.finished())
        if (!run.step(1000)) break;
    error = run.error();
    return error.empty();
}

}  // namespace

void install() {
    if (!printSink()) setPrintSink(std::make_shared<RenderSink>());
    auto printers = systemPrinters();
    setDefaultPrinter(printers.empty() ? Printer{kPdfPrinter, {}} : Printer{printers.front(), {}});
}

std::vector<std::string> systemPrinters() {
    std::vector<std::string> out;
    onGuiHost([&] {
        const QString def = QPrinterInfo::defaultPrinterName();
        if (!def.isEmpty()) out.push_back(def.toStdString());
        for (const QString& name : QPrinterInfo::availablePrinterNames())
            if (name != def) out.push_back(name.toStdString());
    });
    return out;
}

bool writePdf(const std::vector<std::string>& pages, const std::string& file, const std::string& title,
              std::string& error) {
    error.clear();
    if (file.empty()) {
        error = "No file name was given for the PDF.";
        return false;
    }
    return runWhole(PrintJob{title, false, pages, Printer{kPdfPrinter, file}}, error);
}

bool writePng(const std::string& page, const std::string& file, int dpi, std::string& error) {
    bool ok = false;
    onGuiHost([&] {
        const QSizeF inches = pageInches(page);
        QImage img = pageImage(page, static_cast<int>(inches.width() * dpi + 0.5));
        ok = img.save(qs(file), "PNG");
    });
    if (!ok) error = "The picture " + file + " could not be written.";
    return ok;
}

bool printJob(const PrintJob& job, std::string& error) {
    error.clear();
    if (job.pages.empty()) return true;
    return runWhole(job, error);
}

std::unique_ptr<PrintRun> RenderSink::start(const PrintJob& job) { return std::make_unique<PageRun>(job); }

}  // namespace rt::report::render
