#include "data/genre.h"

#include "data/globals.h"

rt::FileDeclaration Genre::declaration() {
    return {"Genre", "GEN", [] { return GenreFileName.str(); }, rt::CreateWhenMissing,
            {&KGENRE}, {}};
}

thread_local Genre GEN;
