// The CSV reader and the listing rows of the import on arbitrary bytes: whatever a file holds,
// reading it neither crashes nor reads outside its buffer, records come in line order, each
// field comes back as valid UTF-8 without control characters (but the line breaks of quoted
// fields), and a row read as a listing keeps to its fields' widths, on one line, with a date
// that writes back unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "exchange/CsvListing.h"
#include "runtime/date/date.h"
#include "runtime/files/csv.h"
#include "runtime/text/text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    rt::CsvReader reader;
    reader.openBuffer(bytes);
    std::vector<std::string> fields;
    long long line = 0;
    while (reader.next(fields)) {
        // Records come in the order of their lines, each on a later line than the one before.
        if (reader.lineNumber() <= line) std::abort();
        line = reader.lineNumber();
        for (const std::string& f : fields) {
            // Line breaks of quoted fields stay as "\n"; no other control character comes back.
            for (std::size_t i = 0; i < f.size(); ++i) {
                const auto c = static_cast<unsigned char>(f[i]);
                if ((c < 0x20 && c != '\n') || c == 0x7F) std::abort();
                // C1 controls, U+0080..U+009F.
                if (c == 0xC2 && i + 1 < f.size() && (static_cast<unsigned char>(f[i + 1]) & 0xE0) == 0x80) std::abort();
            }
            if (!rt::isValidUtf8(f)) std::abort();
        }
        CsvListing listing;
        std::string why;
        if (ReadCsvListing(fields, reader.wellFormed(), listing, why) == CsvRowResult::Ok) {
            if (rt::length(listing.TITLE.str()) > 40 || rt::length(listing.UNQDISKID.str()) > 15) std::abort();
            if (listing.TITLE.str().find('\n') != std::string::npos) std::abort();
            // A date read is one that writes back as itself.
            if (listing.DATEADDED != 0 && !rt::fitsMDY(listing.DATEADDED)) std::abort();
            // What was read writes back as one line.
            if (CsvListingLine(listing).str().find_first_of("\r\n") != std::string::npos) std::abort();
        }
    }
    return 0;
}
