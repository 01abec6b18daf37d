#pragma once
// Pictures for the logo tests: JPEG files of every colour kind made with libjpeg, and a PNG.
// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace labels_test {

enum class JpegKind { Rgb, Grey, AdobeCmyk, PlainCmyk };

// A picture of one colour (0xRRGGBB; for Grey the red part), `width` x `height`. AdobeCmyk is
// written as Adobe's programs write it: inks inverted, with their APP14 segment; PlainCmyk
// without that segment, inks as they are. A gradient in the first rows keeps the file from
// being trivially small.
inline std::vector<std::uint8_t> EncodeJpeg(int width, int height, JpegKind kind = JpegKind::Rgb,
                                            std::uint32_t rgb = 0xC83214) {
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    const bool cmyk = kind == JpegKind::AdobeCmyk || kind == JpegKind::PlainCmyk;
    info.input_components = kind == JpegKind::Grey ? 1 : cmyk ? 4 : 3;
    info.in_color_space = kind == JpegKind::Grey ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_set_defaults(&info);
    info.write_Adobe_marker = kind == JpegKind::AdobeCmyk ? TRUE : FALSE;
    jpeg_set_quality(&info, 95, TRUE);
    jpeg_start_compress(&info, TRUE);
    const int r = static_cast<int>((rgb >> 16) & 0xFF), g = static_cast<int>((rgb >> 8) & 0xFF),
              b = static_cast<int>(rgb & 0xFF);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * static_cast<std::size_t>(info.input_components));
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < width; ++x) {
            const bool gradient = info.next_scanline < 2;
            const int rr = gradient ? x % 256 : r, gg = gradient ? static_cast<int>(info.next_scanline) : g,
                      bb = gradient ? 200 : b;
            std::uint8_t* p = row.data() + static_cast<std::size_t>(x) * static_cast<std::size_t>(info.input_components);
            if (kind == JpegKind::Grey) {
                p[0] = static_cast<std::uint8_t>(rr);
            } else if (cmyk) {
                // The simplest inks: no black, each colour's complement.
                const int c = 255 - rr, m = 255 - gg, y = 255 - bb, k = 0;
                const bool inverted = kind == JpegKind::AdobeCmyk;
                p[0] = static_cast<std::uint8_t>(inverted ? 255 - c : c);
                p[1] = static_cast<std::uint8_t>(inverted ? 255 - m : m);
                p[2] = static_cast<std::uint8_t>(inverted ? 255 - y : y);
                p[3] = static_cast<std::uint8_t>(inverted ? 255 - k : k);
            } else {
                p[0] = static_cast<std::uint8_t>(rr);
                p[1] = static_cast<std::uint8_t>(gg);
                p[2] = static_cast<std::uint8_t>(bb);
            }
        }
        JSAMPROW rp = row.data();
        jpeg_write_scanlines(&info, &rp, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

inline std::vector<std::uint8_t> EncodePng(int width, int height, std::uint32_t rgb) {
    QImage img(width, height, QImage::Format_RGB32);
    img.fill(QColor::fromRgb(rgb));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    img.save(&buffer, "PNG");
    return {bytes.begin(), bytes.end()};
}

inline void WriteBytes(const std::string& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace labels_test
