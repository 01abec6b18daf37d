#pragma once
// Kept for code written against the old file name; include "services/OpenDataFile.h".
#include "services/OpenDataFile.h"
