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
#include <optional>
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

// The answer of a printer dialog as a printer. A file (the dialog's PDF output) is the PDF
// printer writing that file, whatever its ending; a name without an ending gets ".pdf". A
// printer's name is that printer (the PDF printer's own name: the PDF printer, no file yet).
Printer printerFromDialog(const std::string& answer, bool toFile);
// The PDF file a name stands for: ".pdf" added when the name has no ending.
std::string pdfFileName(const std::string& name);

// The printer dialog titled `title`, starting at `start`: the printer chosen, or nothing when
// the host cancelled. A PDF printer starts with its file, or with `folder` proposed.
std::optional<Printer> askPrinter(const std::string& title, const Printer& start, const std::string& folder = {});

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

// One job drawn a few pages at a time, so that the program can show how far it got, serve
// its windows meanwhile (the caller gives up the baton around step()) and stop it.
class PrintRun {
public:
    virtual ~PrintRun() = default;
    // Draws pages for about `ms` milliseconds (at least one page). False once the job failed
    // (error() says why); true while it goes on and when it is done.
    virtual bool step(int ms) = 0;
    virtual bool finished() const = 0;
    virtual int pagesDone() const = 0;
    virtual int pages() const = 0;
    // Stops the job: nothing more is drawn, a PDF file is not written, a printer's job is
    // withdrawn. What a finished job wrote stays.
    virtual void cancel() = 0;
    virtual const std::string& error() const = 0;
};

class PrintSink {
public:
    virtual ~PrintSink() = default;
    // Sends one job; false with a reason when it could not start or failed.
    virtual bool print(const PrintJob& job, std::string& error) = 0;
    // The job as a run; by default its first step prints the whole job with print().
    virtual std::unique_ptr<PrintRun> start(const PrintJob& job);
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

// Sends a job to the installed sink (a job without a printer goes to the current one), giving
// up the baton while it prints. False with a reason when there is no sink, a PDF job names no
// file, or the sink failed; an empty job prints nothing and succeeds.
bool sendToPrinter(PrintJob job, std::string& error);
// The same job as a run, stepped by the caller; null with a reason when it cannot start.
std::unique_ptr<PrintRun> startPrint(PrintJob job, std::string& error);

}  // namespace rt::report
