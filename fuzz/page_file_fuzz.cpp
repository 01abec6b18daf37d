// Page files on arbitrary bytes: reading one never crashes, every item read writes back to a
// line that reads as the same item, and stamping keeps the file's length.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "runtime/report/page_file.h"

namespace rep = rt::report;

namespace {
bool same(const rep::PageItem& a, const rep::PageItem& b) {
    return a.kind == b.kind && a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h && a.text == b.text &&
           (a.kind != 'T' || (a.align == b.align && a.clip == b.clip && a.size == b.size && a.weight == b.weight &&
                              a.italic == b.italic && a.color == b.color));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    rep::PageFile page;
    if (rep::parsePage(text, page)) {
        if (page.width <= 0 || page.height <= 0) std::abort();
        for (const auto& it : page.items) {
            if (it.font.find('|') != std::string::npos) continue;  // a font name never holds one when written
            rep::PageFile again;
            if (!rep::parsePage(rep::pageHeaderLine(page.width, page.height) + "\n" + rep::pageLine(it), again) ||
                again.items.size() != 1 || !same(again.items[0], it))
                std::abort();
        }
    }
    static const std::string path = "/tmp/page_file_fuzz_" + std::to_string(::getpid()) + ".cpage";
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << text;
    }
    if (rep::stampPageNumber(path, 3, 12) < 0 || std::filesystem::file_size(path) != size) std::abort();
    return 0;
}
