#include "printing/LogoPicture.h"

#include <fstream>

#include "runtime/files/folder.h"
#include "runtime/files/input_file.h"
#include "runtime/report/jpeg_picture.h"
#include "runtime/text/text.h"

namespace {

// Logo files larger than this are not pictures a host puts on a slip.
constexpr std::uintmax_t kMaxLogoFileBytes = 32u * 1024 * 1024;

}  // namespace

bool LooksLikeJpeg(const std::uint8_t* data, std::size_t size) { return rt::report::looksLikeJpeg(data, size); }

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, DecodedPicture& out) {
    out = DecodedPicture{};
    rt::report::RgbPicture p;
    if (!rt::report::decodeJpeg(data, size, kMaxLogoPixels, p)) return false;
    out.width = p.width;
    out.height = p.height;
    out.rgb = std::move(p.rgb);
    return true;
}

std::string PrepareLogo(const std::string& logo, const std::string& folder) {
    const std::string path = rt::absolutePath(rt::trim(logo));
    if (rt::trim(logo).empty()) return {};
    // Only a file, and one of a logo's size: the name may be anything the host typed.
    rt::InputFile in;
    std::string bytes;
    if (!in.open(path, kMaxLogoFileBytes) || !in.readAll(bytes) || bytes.empty()) return {};
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    if (!LooksLikeJpeg(data, bytes.size())) return path;  // the renderers read it as it is

    // No folder of the run's own (it could not be made): nowhere to write the decoded picture.
    if (folder.empty()) return {};
    DecodedPicture picture;
    if (!DecodeJpeg(data, bytes.size(), picture)) return {};
    // A binary PPM: read by the renderers without decoding again on every page.
    const std::string out = folder + "/logo.ppm";
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << "P6\n" << picture.width << ' ' << picture.height << "\n255\n";
    file.write(reinterpret_cast<const char*>(picture.rgb.data()), static_cast<std::streamsize>(picture.rgb.size()));
    file.close();
    if (!file) return {};
    return out;
}
