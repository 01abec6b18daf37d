#pragma once
// Kept for code written against the old file name; include "services/SafeDelete.h".
#include "services/SafeDelete.h"
