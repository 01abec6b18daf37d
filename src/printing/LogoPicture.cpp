#include "printing/LogoPicture.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "runtime/files/folder.h"
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
    namespace fs = std::filesystem;
    const std::string path = rt::absolutePath(rt::trim(logo));
    if (rt::trim(logo).empty()) return {};
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) return {};
    const std::uintmax_t bytes = fs::file_size(path, ec);
    if (ec || bytes == 0 || bytes > kMaxLogoFileBytes) return {};
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!LooksLikeJpeg(data.data(), data.size())) return path;  // the renderers read it as it is

    DecodedPicture picture;
    if (!DecodeJpeg(data.data(), data.size(), picture)) return {};
    // A binary PPM: read by the renderers without decoding again on every page.
    const std::string out = folder + "/logo.ppm";
    std::ofstream file(out, std::ios::binary | std::ios::trunc);
    file << "P6\n" << picture.width << ' ' << picture.height << "\n255\n";
    file.write(reinterpret_cast<const char*>(picture.rgb.data()), static_cast<std::streamsize>(picture.rgb.size()));
    file.close();
    if (!file) return {};
    return out;
}
