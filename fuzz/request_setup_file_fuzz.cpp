// Request setup files (".rsf") of any content: recalling one never crashes, a refused file
// changes nothing, and an accepted one leaves sizes and styles a slip can print, and saves and
// recalls unchanged without a complaint.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "printing/RequestSlipSettings.h"

namespace {

std::string settings() {
    return SongRequestHeaderText.str() + "|" + SongRequestHeaderFont.str() + "|" +
           std::to_string(SongRequestHeaderFontSize) + "|" + std::to_string(SongRequestHeaderFontStyle) + "|" +
           std::to_string(SongRequestHeaderColor) + "|" + SongRequestFooterText.str() + "|" +
           SongRequestFooterFont.str() + "|" + std::to_string(SongRequestFooterFontSize) + "|" +
           std::to_string(SongRequestFooterFontStyle) + "|" + std::to_string(SongRequestFooterColor) + "|" +
           SongRequestLogoFilename.str() + "|" + std::to_string(UseHashMarks) + "|" + REQUESTSLIPLINE1.str() + "|" +
           REQUESTSLIPLINE2.str() + "|" + REQUESTSLIPLINE3.str() + "|" + REQUESTSLIPLINE4.str();
}

bool printable(std::int32_t size, std::int32_t style) {
    const std::int32_t weight = style >= kItalicStyle ? style - kItalicStyle : style;
    return size >= 1 && size <= kMaxFontSize && weight >= 0 && weight <= 1000;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string file = "/tmp/request_setup_fuzz_" + std::to_string(::getpid()) + ".rsf";
    static const std::string again = file + ".again.rsf";
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    ResetRequestSlipSettings();
    ResetRequestSlipLines();
    const std::string before = settings();
    if (!ReadRequestSetupFile(file).isType) {
        if (settings() != before) __builtin_trap();
        return 0;
    }
    if (!printable(SongRequestHeaderFontSize, SongRequestHeaderFontStyle) ||
        !printable(SongRequestFooterFontSize, SongRequestFooterFontStyle) || SongRequestHeaderColor > 0xFFFFFF ||
        SongRequestFooterColor > 0xFFFFFF || UseHashMarks > 1)
        __builtin_trap();
    const std::string recalled = settings();
    std::remove(again.c_str());
    if (WriteRequestSetupFile(again) != 0) __builtin_trap();
    ResetRequestSlipSettings();
    const SetupRead r = ReadRequestSetupFile(again);
    if (!r.isType || !r.problems.empty() || settings() != recalled) __builtin_trap();
    return 0;
}
