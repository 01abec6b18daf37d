#pragma once
// Kept for code written against the old file name; include "services/SafeUpdate.h".
#include "services/SafeUpdate.h"
