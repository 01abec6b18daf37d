#pragma once
// The logo of the request slips, made ready once per print run: a JPEG (colour, greyscale, or
// CMYK as print shops hand it out) is decoded here (rt::report::decodeJpeg, scaled down on the
// way to at most kMaxLogoPixels a side) and written as a plain picture file that every page of
// the run refers to; other picture files are left to the renderers, which read them with Qt's
// image readers. A file that cannot be read whole gives no logo.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int kMaxLogoPixels = 1024;

struct DecodedPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes
};

// Decodes JPEG bytes; false when they are not a JPEG picture this program can read (too large
// even at one eighth, damaged or cut off, or not a JPEG at all).
bool DecodeJpeg(const std::uint8_t* data, std::size_t size, DecodedPicture& out);

// Whether the bytes start like a JPEG file.
bool LooksLikeJpeg(const std::uint8_t* data, std::size_t size);

// The picture file the slips print for `logo`, written into `folder` when it has to be
// decoded; "" when there is no usable logo, or when it must be decoded and `folder` is blank.
std::string PrepareLogo(const std::string& logo, const std::string& folder);
