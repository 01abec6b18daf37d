// Update files of any bytes through the block decoder: it never reads past the input, every
// piece it hands on fits the output buffer, a success hands on one piece per block, a failure
// says why, and what a success hands on packs and expands back to itself. The decoder writes
// nothing but through its callback, which here only collects.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "library/DecompressUpdateFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // A copy of exactly the input's size, so that reading past it is caught.
    const std::string in(reinterpret_cast<const char*>(data), size);
    std::string out;
    int pieces = 0;
    const UpdateExpansion r = ExpandUpdateBlocks(in, [&](std::string_view bytes) {
        if (bytes.size() > kUpdateBlockExpanded) std::abort();
        out.append(bytes);
        ++pieces;
        return true;
    });
    if (r.ok != r.problem.empty()) std::abort();
    if (r.blocks != pieces) std::abort();
    if (r.ok) {
        if (pieces < 1) std::abort();
        std::string again;
        const UpdateExpansion back = ExpandUpdateBlocks(PackUpdateBlocks(out), [&](std::string_view bytes) {
            again.append(bytes);
            return true;
        });
        if (!back.ok || again != out) std::abort();
    }
    return 0;
}
