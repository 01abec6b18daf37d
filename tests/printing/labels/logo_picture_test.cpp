// The slip logo: decoded once, scaled down, refused when it cannot be read.
#include <gtest/gtest.h>

// clang-format off
#include <cstdio>
#include <jpeglib.h>
// clang-format on
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "printing/LogoPicture.h"
#include "support/data_fixture.h"

namespace {

std::vector<std::uint8_t> EncodeJpeg(int width, int height) {
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<std::uint8_t> row(static_cast<std::size_t>(width) * 3);
    while (info.next_scanline < info.image_height) {
        for (int x = 0; x < width; ++x) {
            row[static_cast<std::size_t>(x) * 3] = static_cast<std::uint8_t>(x);
            row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<std::uint8_t>(info.next_scanline);
            row[static_cast<std::size_t>(x) * 3 + 2] = 200;
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    free(buffer);
    return out;
}

void Write(const std::string& file, const std::vector<std::uint8_t>& bytes) {
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

std::string Head(const std::string& file, std::size_t n) {
    std::ifstream in(file, std::ios::binary);
    std::string s(n, '\0');
    in.read(s.data(), static_cast<std::streamsize>(n));
    s.resize(static_cast<std::size_t>(in.gcount()));
    return s;
}

TEST(LogoPicture, JpegIsDecodedOnceIntoAPictureOfTheRun) {
    fixture::TempFolder dir;
    const std::string logo = dir.file("logo.jpg");
    Write(logo, EncodeJpeg(40, 30));
    const std::string ready = PrepareLogo(logo, dir.path());
    EXPECT_EQ(ready, dir.file("logo.ppm"));
    EXPECT_EQ(Head(ready, 13), "P6\n40 30\n255\n");
    std::ifstream in(ready, std::ios::binary | std::ios::ate);
    EXPECT_EQ(static_cast<long>(in.tellg()), 13 + 40 * 30 * 3);
}

TEST(LogoPicture, LargePicturesAreScaledDownOnTheWay) {
    const auto bytes = EncodeJpeg(3000, 1600);
    DecodedPicture p;
    ASSERT_TRUE(DecodeJpeg(bytes.data(), bytes.size(), p));
    EXPECT_EQ(p.width, 750);
    EXPECT_EQ(p.height, 400);
    EXPECT_EQ(p.rgb.size(), 750u * 400u * 3u);
}

TEST(LogoPicture, UnreadableLogosGiveNoPicture) {
    fixture::TempFolder dir;
    auto jpeg = EncodeJpeg(40, 30);
    struct Case {
        const char* why;
        std::vector<std::uint8_t> bytes;
        bool passedOn;  // not a JPEG: the renderers read it as it is
    };
    const Case cases[] = {
        {"cut after the header mark", {jpeg.begin(), jpeg.begin() + 20}, false},
        {"only the start marker", {0xFF, 0xD8, 0xFF}, false},
        {"empty file", {}, false},
        {"a PNG", {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'}, true},
    };
    for (const Case& c : cases) {
        const std::string file = dir.file("logo.bin");
        Write(file, c.bytes);
        EXPECT_EQ(PrepareLogo(file, dir.path()), c.passedOn ? file : std::string()) << c.why;
        DecodedPicture p;
        EXPECT_FALSE(DecodeJpeg(c.bytes.data(), c.bytes.size(), p)) << c.why;
    }
    EXPECT_EQ(PrepareLogo(dir.file("missing.jpg"), dir.path()), "");
    EXPECT_EQ(PrepareLogo("   ", dir.path()), "");
    EXPECT_EQ(PrepareLogo(dir.path(), dir.path()), "") << "a folder is no picture";
}

}  // namespace
