#include "runtime/report/jpeg_picture.h"

// clang-format off
#include <cstdio>
#include <jpeglib.h>
#include <jerror.h>
// clang-format on
#include <csetjmp>

namespace rt::report {

namespace {

struct ErrorManager {
    jpeg_error_mgr base;
    std::jmp_buf jump;
    bool cutOff = false;  // the data ended before the picture did
};

void onError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 1); }

void onMessage(j_common_ptr info, int level) {
    // Warnings only; a picture cut off is padded by the library, which is no picture to print.
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) reinterpret_cast<ErrorManager*>(info->err)->cutOff = true;
}

void noOutput(j_common_ptr) {}

// One row of CMYK as the decoder gives it into RGB. Adobe's programs store the inks inverted.
void cmykRow(const JSAMPLE* in, std::uint8_t* out, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, in += 4, out += 3) {
        const int c = inverted ? in[0] : 255 - in[0], m = inverted ? in[1] : 255 - in[1];
        const int y = inverted ? in[2] : 255 - in[2], k = inverted ? in[3] : 255 - in[3];
        out[0] = static_cast<std::uint8_t>((c * k + 127) / 255);
        out[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        out[2] = static_cast<std::uint8_t>((y * k + 127) / 255);
    }
}

// Only plain C values live between setjmp and longjmp: the rows go straight into `rgb` and
// `cmyk`, whose sizes are set before the jump point can be reached again.
bool decode(const std::uint8_t* data, std::size_t size, int maxSide, int& width, int& height,
            std::vector<std::uint8_t>& rgb, std::vector<JSAMPLE>& cmyk) {
    jpeg_decompress_struct info;
    ErrorManager err;
    info.err = jpeg_std_error(&err.base);
    err.base.error_exit = onError;
    err.base.emit_message = onMessage;
    err.base.output_message = noOutput;
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
    const bool inks = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = inks ? JCS_CMYK : JCS_RGB;
    info.scale_num = 1;
    info.scale_denom = 1;
    while (maxSide > 0 && info.scale_denom < 8 &&
           (info.image_width / info.scale_denom > static_cast<unsigned>(maxSide) ||
            info.image_height / info.scale_denom > static_cast<unsigned>(maxSide)))
        info.scale_denom *= 2;
    jpeg_calc_output_dimensions(&info);
    const long long pixels = static_cast<long long>(info.output_width) * info.output_height;
    if (info.output_width == 0 || info.output_height == 0 || info.output_width > kMaxPictureSide ||
        info.output_height > kMaxPictureSide || pixels > kMaxPicturePixels ||
        (maxSide > 0 && (info.output_width > 2u * maxSide || info.output_height > 2u * maxSide)) ||
        info.output_components != (inks ? 4 : 3)) {
        jpeg_destroy_decompress(&info);
        return false;
    }
    width = static_cast<int>(info.output_width);
    height = static_cast<int>(info.output_height);
    rgb.assign(static_cast<std::size_t>(pixels) * 3, 0);
    cmyk.assign(inks ? static_cast<std::size_t>(width) * 4 : 0, 0);
    const bool inverted = info.saw_Adobe_marker;
    jpeg_start_decompress(&info);
    while (info.output_scanline < info.output_height) {
        std::uint8_t* out = rgb.data() + static_cast<std::size_t>(info.output_scanline) * static_cast<std::size_t>(width) * 3;
        JSAMPROW row = inks ? cmyk.data() : out;
        if (jpeg_read_scanlines(&info, &row, 1) != 1) break;
        if (inks) cmykRow(cmyk.data(), out, info.output_width, inverted);
    }
    const bool whole = info.output_scanline == info.output_height && !err.cutOff;
    if (whole) jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return whole && !err.cutOff;
}

}  // namespace

bool looksLikeJpeg(const std::uint8_t* data, std::size_t size) {
    return size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF;
}

bool decodeJpeg(const std::uint8_t* data, std::size_t size, int maxSide, RgbPicture& out) {
    out = RgbPicture{};
    if (!looksLikeJpeg(data, size)) return false;
    int w = 0, h = 0;
    std::vector<std::uint8_t> rgb;
    std::vector<JSAMPLE> cmyk;
    if (!decode(data, size, maxSide, w, h, rgb, cmyk)) return false;
    out.width = w;
    out.height = h;
    out.rgb = std::move(rgb);
    return true;
}

}  // namespace rt::report
