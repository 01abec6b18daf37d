#pragma once
// Text files written one line at a time (web pages and the like):
//
//     rt::LineFile page;
//     if (int e = page.create(folder + "/index.htm")) { ... e is an errno value ... }
//     page.write("<HTML>");
//     ...
//     if (int e = page.close()) { ... the file was not written; e says why ... }
//
// Each line loses its trailing blanks and ends with carriage return and line feed; lines are
// never cut. The text goes to a temporary file beside the final name, which close() renames
// over it in one step, so a page that fails half-way never replaces a good one; a file that
// is dropped (discard() or the destructor without close()) leaves no trace. Files that are to
// replace others together are finished into sealed temporary files instead:
//
//     rt::TempFile done;
//     if (int e = page.finish(done)) { ... }
//     ... more files ...
//     if (int e = done.commit()) { ... }      // now it replaces the old page
#include <string>
#include <string_view>

#include "runtime/files/file_util.h"

namespace rt {

class LineFile {
public:
    LineFile() = default;
    LineFile(const LineFile&) = delete;
    LineFile& operator=(const LineFile&) = delete;
    ~LineFile() { discard(); }

    // Starts a new file for `path` (absolute, or relative to the current folder); a file
    // open before is dropped. 0 or an errno value, which also goes to the thread's error state.
    int create(const std::string& path);
    bool isOpen() const { return open_; }
    // The final name the file gets.
    const std::string& name() const { return name_; }

    // Queues one line; errors show at close().
    void write(std::string_view line);
    // Writes what is queued and puts the file in place of any file of that name.
    // 0 or an errno value (also in the thread's error state).
    int close();
    // Writes what is queued and syncs it, handing the file over under its temporary name
    // (sealed: `done` puts it in place with commit()). 0 or an errno value (also in the
    // thread's error state); after an error nothing is left of the file.
    int finish(TempFile& done);
    void discard();

private:
    int flush();

    TempFile file_;
    std::string name_;
    std::string buffer_;
    int error_ = 0;
    bool open_ = false;
};

}  // namespace rt
