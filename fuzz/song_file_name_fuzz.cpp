// MP3+G song file names of any bytes, read by each of the four naming forms as the builder
// reads them: a name never crashes the reader, and what it reads is a listing the SongBook can
// hold: valid UTF-8 without control characters, a title and an artist that are not blank and
// carry no blanks at either end, a disc id of at most 15 characters in capitals (forms 1 and
// 2) with the manufacturer code its first two, and no disc in forms 3 and 4.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>

#include "exchange/Mp3gSongBookBuilder.h"
#include "runtime/text/text.h"

namespace {

void fault(const char* what, const std::string& name, int form) {
    std::fprintf(stderr, "form %d, name \"%s\": %s\n", form, name.c_str(), what);
    std::abort();
}

bool wellFormedText(const std::string& s) {
    if (!rt::isValidUtf8(s)) return false;
    for (char32_t c : rt::codePoints(s))
        if (rt::isControlChar(c)) return false;
    return true;
}

bool trimmed(const std::string& s) { return !s.empty() && s.front() != ' ' && s.back() != ' '; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name = rt::utf8OrCp1252(std::string(reinterpret_cast<const char*>(data), size));
    for (int form = 1; form <= 4; ++form) {
        const auto read = ParseSongFileName(name, form);
        if (!read) continue;
        if (!wellFormedText(read->title) || !wellFormedText(read->artist) || !wellFormedText(read->discId))
            fault("a text that is not clean UTF-8", name, form);
        if (!trimmed(read->title) || !trimmed(read->artist)) fault("a blank or untrimmed title or artist", name, form);
        if (form <= 2) {
            if (read->discId.empty() || rt::length(read->discId) > 15 || read->discId != rt::upper(read->discId))
                fault("a disc id the SongBook cannot hold", name, form);
            if (read->makeId != rt::cut(read->discId, 2)) fault("a manufacturer code not of the disc id", name, form);
            if (read->track > 0xFFFFFFFFul) fault("a track past its field", name, form);
        } else if (!read->discId.empty() || read->track != 0 || !read->makeId.empty()) {
            fault("a disc in a discless form", name, form);
        }
    }
    return 0;
}
