#pragma once
#include "services/ShowHelpTopic.h"
