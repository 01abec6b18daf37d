// The slip logo: decoded once, scaled down, refused when it cannot be read.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "printing/LogoPicture.h"
#include "printing/labels/test_pictures.h"
#include "support/data_fixture.h"

namespace {

using labels_test::EncodeJpeg;
using labels_test::JpegKind;

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

// Every colour kind a print shop hands out decodes to its colour: RGB, greyscale, CMYK as
// Adobe's programs write it (inverted) and plain CMYK.
TEST(LogoPicture, EveryColourKindDecodesToItsColour) {
    struct Case {
        const char* name;
        JpegKind kind;
        std::uint32_t colour, expected;
    } cases[] = {
        {"RGB", JpegKind::Rgb, 0xC83214, 0xC83214},
        {"greyscale", JpegKind::Grey, 0x3C0000, 0x3C3C3C},
        {"Adobe CMYK", JpegKind::AdobeCmyk, 0xC83214, 0xC83214},
        {"plain CMYK", JpegKind::PlainCmyk, 0x1478C8, 0x1478C8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bytes = EncodeJpeg(64, 48, c.kind, c.colour);
        DecodedPicture p;
        ASSERT_TRUE(DecodeJpeg(bytes.data(), bytes.size(), p));
        ASSERT_EQ(p.width, 64);
        ASSERT_EQ(p.height, 48);
        const std::size_t centre = (static_cast<std::size_t>(24) * 64 + 32) * 3;
        for (int i = 0; i < 3; ++i)
            EXPECT_NEAR(p.rgb[centre + static_cast<std::size_t>(i)], (c.expected >> (16 - 8 * i)) & 0xFF, 6) << i;
    }
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
        {"cut in the middle of the picture", {jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() * 2 / 3)}, false},
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
    // A name that is no file is not read: a FIFO would wait for a writer, a device never end.
    ASSERT_EQ(::mkfifo(dir.file("pipe.jpg").c_str(), 0600), 0);
    EXPECT_EQ(PrepareLogo(dir.file("pipe.jpg"), dir.path()), "");
    EXPECT_EQ(PrepareLogo("/dev/zero", dir.path()), "");
    EXPECT_EQ(PrepareLogo("   ", dir.path()), "");
    EXPECT_EQ(PrepareLogo(dir.path(), dir.path()), "") << "a folder is no picture";
    // A run whose own folder could not be made decodes nowhere (not beside "/").
    Write(dir.file("logo.jpg"), jpeg);
    EXPECT_EQ(PrepareLogo(dir.file("logo.jpg"), ""), "");
}

}  // namespace
