#include "library/TagGlobals.h"

std::uint8_t BatchConfirmed = 0;
std::uint8_t BATCHADDTYPE = 0;
std::int64_t BATCHSTARTINGNUMBER = 0;
rt::Text<3> BATCHPRE;
rt::Text<3> BATCHSUF;
std::uint8_t SkipCustomDiscIdQuery = 0;
