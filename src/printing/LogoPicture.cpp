#include "printing/LogoPicture.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <csetjmp>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "runtime/files/folder.h"
#include "runtime/text/text.h"

namespace {

// Logo files larger than this are not pictures a host puts on a slip.
constexpr std::uintmax_t kMaxLogoFileBytes = 32u * 1024 * 1024;

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void OnError(j_common_ptr info) {
    auto* err = reinterpret_cast<ErrorManager*>(info->err);
    std::longjmp(err->jump, 1);
}

void NoMessage(j_common_ptr) {}

// Only plain C values live between setjmp and longjmp: the rows go straight into `rgb`, whose
// size is set before the jump point can be reached again.
bool Decode(const std::uint8_t* data, std::size_t size, int& width, int& height, std::vector<std::uint8_t>& rgb) {
    jpeg_decompress_struct info;
    ErrorManager err;
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = OnError;
    err.base.output_message = NoMessage;
    if (setjmp(err.jump)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
    if (jpeg_read_header(&info, TRUE) != JPEG_HEADER_OK) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    info.out_color_space = JCS_RGB;
    // Scale down on the way: a logo prints little more than half an inch wide.
    info.scale_num = 1;
    info.scale_denom = 1;
    while (info.scale_denom < 8 && (info.image_width / info.scale_denom > kMaxLogoPixels ||
                                    info.image_height / info.scale_denom > kMaxLogoPixels))
        info.scale_denom *= 2;
    jpeg_calc_output_dimensions(&info);
    if (info.output_width == 0 || info.output_height == 0 || info.output_width > 2u * kMaxLogoPixels ||
        info.output_height > 2u * kMaxLogoPixels || info.output_components != 3) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    width = static_cast<int>(info.output_width);
    height = static_cast<int>(info.output_height);
    rgb.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3, 0);
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = rgb.data() + static_cast<std::size_t>(info.output_scanline) * static_cast<std::size_t>(width) * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

}  // namespace

bool LooksLikeJpeg(const std::uint8_t* data, std::size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool DecodeJpeg(const std::uint8_t* data, std::size_t size, DecodedPicture& out) {
    out = DecodedPicture{};
    if (!LooksLikeJpeg(data, size)) return false;
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgb;
    if (!Decode(data, size, w, h, rgb)) return false;
    out.width = w;
    out.height = h;
    out.rgb = std::move(rgb);
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
