#pragma once
// Where printed pages go. A print job is a list of page files sent as one document to a
// printer: a CUPS printer by name, or the PDF printer that writes one PDF file. The job goes
// to the installed print sink: the renderers' sink (render/render.h) in the program, a
// RecorderSink in tests.
//
//     auto recorder = std::make_shared<rt::report::RecorderSink>();
//     rt::report::setPrintSink(recorder);
//     ... print ...
//     recorder->jobs()[0].pages  // the page files of the first job, in order
//
// The current printer is program-wide, as the printer set-up of a desktop is.
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace rt::report {

// The name the PDF printer goes by in the printer dialogs.
inline constexpr char kPdfPrinter[] = "Print to File (PDF)";

struct Printer {
    std::string name;     // a CUPS printer's name, or kPdfPrinter
    std::string pdfFile;  // the PDF printer: the file the next job writes ("" asks)
    bool isPdf() const { return name == kPdfPrinter; }
    bool operator==(const Printer&) const = default;
};

// The answer of a printer dialog as a printer: a path ending in ".pdf" (any case) or the PDF
// printer's name means the PDF printer; anything else is a CUPS printer's name.
Printer printerFromDialog(const std::string& answer);
// What a printer dialog starts with for `p`.
std::string dialogText(const Printer& p);

// The device name the program shows for the current printer.
Printer currentPrinter();
void setCurrentPrinter(const Printer& p);
// The printer the program starts with (the system's default printer, or the PDF printer),
// used until setCurrentPrinter() is called. The renderers set it.
void setDefaultPrinter(const Printer& p);

struct PrintJob {
    std::string title;                  // the document name
    bool landscape = false;
    std::vector<std::string> pages;     // page files, in order
    Printer printer;
};

class PrintSink {
public:
    virtual ~PrintSink() = default;
    // Sends one job; false with a reason when it could not start or failed.
    virtual bool print(const PrintJob& job, std::string& error) = 0;
};

// Records the jobs instead of printing (tests).
class RecorderSink : public PrintSink {
public:
    struct Job {
        PrintJob job;
        std::vector<std::string> texts;  // each page file's content at the time it was printed
    };
    bool print(const PrintJob& job, std::string& error) override;
    std::vector<Job> jobs() const;
    void clear();
    // The next jobs fail with this reason ("" to succeed again).
    void failWith(std::string reason);

private:
    mutable std::mutex m_;
    std::vector<Job> jobs_;
    std::string fail_;
};

// Installs a sink (null: none); returns the one it replaces.
std::shared_ptr<PrintSink> setPrintSink(std::shared_ptr<PrintSink> sink);
std::shared_ptr<PrintSink> printSink();

// Sends a job to the installed sink. A job for the PDF printer with no file set asks for one
// with a file dialog (on the calling program thread) and keeps it in the current printer.
// False with a reason when there is no sink, the user gave no file, or the sink failed; an
// empty job prints nothing and succeeds.
bool sendToPrinter(PrintJob job, std::string& error);

}  // namespace rt::report
