// Recalling a request setup file (".rsf") of any content.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "printing/RequestSlipSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = "/tmp/request_setup_fuzz_" + std::to_string(::getpid()) + ".rsf";
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    if (ReadRequestSetupFile(file) && (SongRequestHeaderFontSize <= 0 || SongRequestFooterFontSize <= 0))
        __builtin_trap();
    return 0;
}
