#pragma once
// JPEG pictures decoded with libjpeg-turbo into plain RGB, for the logos of the reports and the
// pictures the renderers draw:
//
//     rt::report::RgbPicture p;
//     if (rt::report::decodeJpeg(bytes.data(), bytes.size(), 1024, p)) ...p.rgb has p.width * p.height * 3 bytes
//
// Colour (YCbCr or RGB), greyscale, CMYK and YCCK pictures are read; CMYK as Adobe's programs
// write it (inverted, marked by their APP14 segment) and plain. A picture cut off before its end
// is not read: one that cannot be read whole is not drawn at all.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace rt::report {

struct RgbPicture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // width * height * 3 bytes, rows top to bottom
};

// The largest side and the most pixels a decoded picture may have.
constexpr int kMaxPictureSide = 20000;
constexpr long long kMaxPicturePixels = 64LL * 1024 * 1024;

// Whether the bytes start like a JPEG file.
bool looksLikeJpeg(const std::uint8_t* data, std::size_t size);

// Decodes JPEG bytes, scaled down on the way by halves (to an eighth at most) until no side is
// longer than `maxSide` (0: full size). False when the bytes are not a JPEG picture that can
// be read whole, or the picture is larger than the limits above.
bool decodeJpeg(const std::uint8_t* data, std::size_t size, int maxSide, RgbPicture& out);

}  // namespace rt::report
