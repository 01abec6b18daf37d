#pragma once
// A font and the colours, as windows and reports both give them.
#include <cstdint>
#include <string>

namespace rt {

// Colours as 0x00BBGGRR (red in the low byte); kNoColor means "the default".
constexpr std::uint32_t kNoColor = 0xFF000000u;

struct Font {
    std::string name;
    int size = 0;          // points, 0 = default
    int weight = 0;        // 0 default, 400 normal, 700 bold
    bool italic = false;
    std::uint32_t color = kNoColor;
};

}  // namespace rt
