#include "data/dmake.h"

#include "data/globals.h"

rt::FileDeclaration DMake::declaration() {
    return {"DMake", "BRA", [] { return DMakeFileName.str(); },
            rt::CreateWhenMissing | rt::ReclaimSpace, {&KMAKE, &KMAKEID}, {}};
}

thread_local DMake BRA;
