#pragma once
// Kept for code written against the old file name; include "services/RegistryValue.h".
#include "services/RegistryValue.h"
