// Page files on arbitrary bytes: reading one never crashes, every item read writes back to a
// line that reads as the same item, and stamping keeps the file's length and changes nothing
// but the text of the first page-number line (a host's text stays as it is).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "runtime/report/page_file.h"

namespace rep = rt::report;

namespace {
bool same(const rep::PageItem& a, const rep::PageItem& b) {
    return a.kind == b.kind && a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h && a.text == b.text &&
           a.pageNumbers == b.pageNumbers &&
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
    const int stamped = rep::stampPageNumber(path, 3, 12);
    if (stamped < 0 || std::filesystem::file_size(path) != size) std::abort();
    std::ifstream in(path, std::ios::binary);
    const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::size_t first = 0;
    while (first < size && after[first] == text[first]) ++first;
    if ((first == size) != (stamped == 0)) std::abort();
    if (stamped == 1) {
        // Only the 19 bytes of a placeholder that ends a "P" line changed (the stamped text
        // starts with a blank, the placeholder does not).
        const std::size_t at = first;
        const std::size_t nl = at == 0 ? std::string::npos : text.rfind('\n', at - 1);
        const std::size_t lineStart = nl == std::string::npos ? 0 : nl + 1;
        if (at + 19 > size || text.compare(at, 19, rep::kPagePlaceholder) != 0 || text.compare(lineStart, 2, "P|") != 0 ||
            after.compare(at + 19, std::string::npos, text, at + 19) != 0 ||
            after.substr(at, 19) != rep::pageNumberText(3, 12) || (at + 19 < size && text[at + 19] != '\n'))
            std::abort();
    }
    return 0;
}
