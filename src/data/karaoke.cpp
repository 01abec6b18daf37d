#include "data/karaoke.h"

#include "data/globals.h"

rt::FileDeclaration KARAOKE::declaration() {
    return {"KARAOKE", "KAR", [] { return KaraokeFileName.str(); },
            rt::CreateWhenMissing | rt::ReclaimSpace,
            {&KTITLE, &KUNQDISKID, &KARTIST, &KDISK, &KMAKE}, {}};
}

thread_local KARAOKE KAR;
