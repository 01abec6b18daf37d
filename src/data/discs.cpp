#include "data/discs.h"

#include "data/globals.h"

rt::FileDeclaration Discs::declaration() {
    return {"Discs", "DIS", [] { return DiscsFileName.str(); }, rt::CreateWhenMissing,
            {&KMAKEID, &KUNQDISKID, &KDISKID}, {}};
}

thread_local Discs DIS;
