#include "data/sartist.h"

#include "data/globals.h"

rt::FileDeclaration sArtist::declaration() {
    return {"sArtist", "SAR", [] { return SArtistFileName.str(); }, rt::CreateWhenMissing,
            {&KARTIST}, {}};
}

thread_local sArtist SAR;
