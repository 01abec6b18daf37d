// The request slips' logo decoder on any bytes.
#include <cstddef>
#include <cstdint>

#include "printing/LogoPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    DecodedPicture picture;
    if (DecodeJpeg(data, size, picture) &&
        picture.rgb.size() != static_cast<std::size_t>(picture.width) * static_cast<std::size_t>(picture.height) * 3)
        __builtin_trap();
    return 0;
}
