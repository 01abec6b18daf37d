// Web setup files on arbitrary bytes: recalling one never crashes, a refused file changes
// nothing, whatever a recalled file held saves and recalls to the same settings, and the pieces of a page made from the
// recalled texts stay well formed (file codes hold no separator, escaped text no markup).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "exchange/HtmlPageSet.h"
#include "exchange/WebSettings.h"

namespace {

const std::string& folder() {
    static const std::string f = [] {
        char tmpl[] = "/tmp/web-setup-fuzz-XXXXXX";
        return std::string(::mkdtemp(tmpl));
    }();
    return f;
}

std::string settings() {
    std::string s = HTMLOutputDirectory.str() + "\n" + WebTitle.str() + "\n" + WebHeading.str() + "\n" +
                    HTMLHomeURL.str() + "\n" + WebEmbedHeader.str() + "\n" + WebEmbedBodyTag.str() + "\n" +
                    WebEmbedBody.str();
    for (std::uint32_t c : {webbackgroundcolor, webtablecolor, webheadingcolor, webcaptioncolor, webcaptionbackground,
                            websonglistingcolor, WebTableFill, weblinkcolor, webactivecolor, webvlinkcolor})
        s += "\n" + ColorToHexText(c);
    return s;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string in = folder() + "/in.wsf", out = folder() + "/out.wsf";
    std::FILE* f = std::fopen(in.c_str(), "wb");
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    ResetWebSettings();
    const std::string before = settings();
    if (!ReadWebSetup(in).isType) {
        if (settings() != before) std::abort();  // refused files change nothing
        return 0;
    }
    const std::string recalled = settings();
    std::remove(out.c_str());
    if (WriteWebSetup(out) != 0) std::abort();
    ResetWebSettings();
    const SetupRead r = ReadWebSetup(out);
    if (!r.isType || !r.problems.empty() || settings() != recalled) std::abort();

    for (const std::string& text : {WebTitle.str(), WebHeading.str(), WebEmbedBody.str()}) {
        const std::string code = html::fileCode(html::letterOf(text));
        if (code.find_first_of("/\\.") != std::string::npos) std::abort();
        if (html::escape(text).find_first_of("<>\"") != std::string::npos) std::abort();
    }
    return 0;
}
