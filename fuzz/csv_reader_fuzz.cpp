// The CSV reader and the listing rows of the import on arbitrary bytes: whatever a file holds,
// reading it neither crashes nor reads outside its buffer, each field comes back as valid UTF-8
// without control characters, and a row read as a listing keeps to its fields' widths.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/CsvListing.h"
#include "runtime/files/csv.h"
#include "runtime/text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    rt::CsvReader reader;
    reader.openBuffer(bytes);
    std::vector<std::string> fields;
    while (reader.next(fields)) {
        for (const std::string& f : fields) {
            for (char c : f)
                if (static_cast<unsigned char>(c) < 0x20) std::abort();
            if (rt::fromCodePoints(rt::codePoints(f)) != f) std::abort();  // not valid UTF-8
        }
        CsvListing listing;
        std::string why;
        if (ReadCsvListing(fields, reader.wellFormed(), listing, why) == CsvRowResult::Ok) {
            if (rt::length(listing.TITLE.str()) > 40 || rt::length(listing.UNQDISKID.str()) > 15) std::abort();
            // What was read writes back as one line.
            if (CsvListingLine(listing).str().find_first_of("\r\n") != std::string::npos) std::abort();
        }
    }
    return 0;
}
