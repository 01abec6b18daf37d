#include "runtime/report/render/render.h"

#include <QFile>
#include <QFileInfo>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <QPrinterInfo>
#include <cstdio>
#include <filesystem>
#include <system_error>

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

// Draws every page onto a paged device (PDF writer or printer) that `begin` started.
template <class Device>
bool paintPages(Device& device, const std::vector<std::string>& pages, std::string& error) {
    QPainter painter;
    bool first = true;
    for (const std::string& path : pages) {
        PageFile page;
        readPageFile(path, page);  // unreadable: a blank Letter page
        if (first) {
            device.setPageLayout(layoutOf(page));
            if (!painter.begin(&device)) {
                error = "could not be started";
                return false;
            }
            first = false;
        } else {
            device.setPageLayout(layoutOf(page));
            if (!device.newPage()) {
                error = "could not start a new page";
                return false;
            }
        }
        const QRect full = painter.viewport();
        paintPage(painter, page, QRectF(full));
    }
    if (!first && !painter.end()) {
        error = "could not be finished";
        return false;
    }
    return true;
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
    namespace fs = std::filesystem;
    const fs::path target = fs::absolute(file);
    const std::string temp = (target.parent_path() / ("." + target.filename().string() + ".part")).string();
    bool ok = false;
    std::string why;
    onGuiHost([&] {
        QPdfWriter pdf(qs(temp));
        pdf.setTitle(qs(title));
        pdf.setCreator("Cantorelle");
        pdf.setResolution(1200);
        if (pages.empty()) {
            // An empty document still gets one blank page, so the file opens.
            ok = paintPages(pdf, {std::string()}, why);
        } else {
            ok = paintPages(pdf, pages, why);
        }
    });
    std::error_code ec;
    if (ok && QFileInfo(qs(temp)).size() > 0) {
        fs::rename(temp, target, ec);
        if (!ec) return true;
        why = ec.message();
    } else if (why.empty()) {
        why = "could not be written";
    }
    fs::remove(temp, ec);
    error = "The PDF file " + target.string() + " could not be written (" + why + ").";
    return false;
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
    if (job.printer.isPdf()) return writePdf(job.pages, job.printer.pdfFile, job.title, error);
    bool ok = false;
    std::string why;
    onGuiHost([&] {
        const QPrinterInfo info = QPrinterInfo::printerInfo(qs(job.printer.name));
        if (info.isNull()) {
            why = "is not available";
            return;
        }
        QPrinter printer(info, QPrinter::HighResolution);
        printer.setDocName(qs(job.title.empty() ? std::string("Cantorelle") : job.title));
        printer.setFullPage(true);
        printer.setCopyCount(1);  // copies are made by repeating pages
        ok = paintPages(printer, job.pages, why);
    });
    if (!ok) error = "The printer " + job.printer.name + " " + (why.empty() ? "failed" : why) + ".";
    return ok;
}

}  // namespace rt::report::render
