// The CSV reader on arbitrary bytes: whatever a file holds, reading it neither crashes nor
// reads outside its buffer, and each field comes back as valid UTF-8 without control
// characters.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

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
    }
    return 0;
}
