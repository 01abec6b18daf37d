#include "printing/LabelSettings.h"

std::uint8_t LABELTYPE = 0;
rt::Text<30> LABELFOOTER;
std::uint32_t LabelTextColor = 0;
std::uint32_t LabelBackColor = 0xFFFFFF;
