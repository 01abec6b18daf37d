#pragma once
// Kept for code written against the old file name; include "services/SplitFilePath.h".
#include "services/SplitFilePath.h"
