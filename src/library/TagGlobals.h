#pragma once
// The answers and the switch of the custom disc id dialogs, shared by every thread without a
// guard (only one program thread runs at a time). DialogCancelled, the answer of the custom
// disc id dialog, lives in data/globals.h because the multi-listing edit uses it too.
#include <cstdint>

#include "runtime/text/text.h"

// Answer of MultiTagOptionsDialog: 1 confirmed, 0 cancelled.
extern std::uint8_t BatchConfirmed;
// Numbering method of a whole-brand tagging: 0 none chosen, 1 AutoNumber, 2 one disc at a
// time, 3 the manufacturer disc id.
extern std::uint8_t BATCHADDTYPE;
// The first number of AutoNumber. 64 bits wide: custom ids carry numbers far above 65535,
// and a narrower value would wrap and propose a number that is not above the others.
extern std::int64_t BATCHSTARTINGNUMBER;
// Prefix and suffix of AutoNumber ids.
extern rt::Text<3> BATCHPRE;
extern rt::Text<3> BATCHSUF;
// 1: no custom disc id is asked; each tagged disc keeps its manufacturer disc id.
extern std::uint8_t SkipCustomDiscIdQuery;
