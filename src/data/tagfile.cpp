#include "data/tagfile.h"

#include "data/globals.h"
#include "runtime/text/text.h"

std::string TagFileName() {
    // Beside the SongBook rather than in the current folder, which other windows move.
    const std::string book = rt::clip(SongBookFileName.str());
    if (book.empty()) return {};
    const auto slash = book.find_last_of('/');
    return (slash == std::string::npos ? std::string() : book.substr(0, slash + 1)) + "TAGFILE";
}

rt::FileDeclaration TagFile::declaration() {
    return {"TagFile", "TAG", [] { return TagFileName(); }, rt::CreateWhenMissing,
            {&KUNQDISKID, &KALTDISKID}, {}};
}

thread_local TagFile TAG;
