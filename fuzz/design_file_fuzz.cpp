// Print design files on arbitrary bytes: recalling one never crashes, a refused file changes
// nothing, and whatever values an accepted file holds, the rows of the style it names come
// out whole (ranges are made safe where the values are used).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
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
    if (!ReadDesignFile(path, s)) {
        if (s.PrintFormat != 77) std::abort();  // refused files change nothing
        return 0;
    }
    if (s.fontSize() < 1 || s.fontSize() > 3 || s.rowsOffset() < -5 || s.rowsOffset() > 5) std::abort();
    if (s.bindingOffset() < 0 || s.bindingOffset() > 500) std::abort();
    const StyleLayout* style = FindStyle(s.PrintFormat, s.PrintSort);
    if (!style) return 0;
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
