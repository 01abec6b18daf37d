#pragma once
// Kept for code written against the old file name; include "services/OpenWithShell.h".
#include "services/OpenWithShell.h"
