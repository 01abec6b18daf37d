#pragma once
// Every shared data file and the program-wide variables, for code that uses several of them.
#include "data/discs.h"
#include "data/dmake.h"
#include "data/genre.h"
#include "data/globals.h"
#include "data/karaoke.h"
#include "data/makeid.h"
#include "data/sartist.h"
#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "data/stitle.h"
