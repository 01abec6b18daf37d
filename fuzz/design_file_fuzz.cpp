// Print design files on arbitrary bytes: recalling one never crashes, a refused file changes
// nothing, an accepted one leaves every setting in its range (the style exists), saves and
// recalls unchanged without a complaint, and the rows of its style come out whole.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "printing/PrintDesignFile.h"
#include "printing/styles/StyleRows.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/design_file_fuzz_" + std::to_string(::getpid()) + ".psf";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    PrintSettings s;
    s.PrintFormat = 77;
    if (!ReadDesignFile(path, s).isType) {
        if (s.PrintFormat != 77) std::abort();  // refused files change nothing
        return 0;
    }
    if (s.SetFonts < 1 || s.SetFonts > 3 || s.PAGEBREAKOFFSET < -5 || s.PAGEBREAKOFFSET > 5) std::abort();
    if (s.Offset > 500 || s.PaperType < 1 || s.PaperType > 2) std::abort();
    const StyleLayout* style = FindStyle(s.PrintFormat, s.PrintSort);
    if (!style) std::abort();  // a recalled design always prints
    // Saved and recalled, the design is the same: written afresh once more, the same file.
    static const std::string again = path + ".again.psf", twice = path + ".twice.psf";
    std::remove(again.c_str());
    std::remove(twice.c_str());
    if (WriteDesignFile(s, again) != 0) std::abort();
    PrintSettings back;
    const SetupRead r = ReadDesignFile(again, back);
    if (!r.isType || !r.problems.empty()) std::abort();
    if (WriteDesignFile(back, twice) != 0) std::abort();
    std::ifstream a(again, std::ios::binary), b(twice, std::ios::binary);
    if (std::string(std::istreambuf_iterator<char>(a), {}) != std::string(std::istreambuf_iterator<char>(b), {}))
        std::abort();
    std::vector<SelectionEntry> entries;
    for (int i = 0; i < 130; ++i) {
        SongBookRecord r;
        r.TITLE = "Song " + std::to_string(i) + (i % 9 == 0 ? " with a title long enough to wrap twice over" : "");
        r.ARTIST = "Artist " + std::to_string(i / 4);
        r.UNQDISKID = i % 17 == 0 ? "*" : "SC" + std::to_string(i / 10);
        r.DISKTRACKNO = static_cast<std::uint32_t>(i % 12);
        if (auto e = SelectEntry(r, s)) entries.push_back(*e);
    }
    OrderEntries(entries, s.titleOrder());
    const std::size_t selected = entries.size();
    StyleRows rows(*style, s, std::move(entries), [](const std::string&) { return std::string("101"); });
    PageRow row;
    long n = 0;
    while (rows.next(row))
        if (++n > 100000) std::abort();  // rows never run away
    if (selected > 0 && n == 0) std::abort();
    return 0;
}
