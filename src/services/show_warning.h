#pragma once
// Kept for code written against the old file name; include "services/ShowWarning.h".
#include "services/ShowWarning.h"
