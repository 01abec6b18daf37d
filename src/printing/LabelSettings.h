#pragma once
// The label settings: program-wide, shared by every thread without a guard, not saved.
#include <cstdint>

#include "runtime/text/text.h"

// 0 full-size CD labels, 1 mini-labels.
extern std::uint8_t LABELTYPE;
// Printed at the foot of every label.
extern rt::Text<30> LABELFOOTER;
// Colours (0x00BBGGRR): the label texts, and the fill of the CD label circles.
extern std::uint32_t LabelTextColor;
extern std::uint32_t LabelBackColor;
