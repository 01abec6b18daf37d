#include "data/sbdiscs.h"

#include "data/globals.h"

rt::FileDeclaration SBDiscs::declaration() {
    return {"SBDiscs", "SBD", [] { return SBDiscsFileName.str(); }, rt::CreateWhenMissing,
            {&KUNQDISKID, &KMAKEID, &KALTDISKID}, {}};
}

thread_local SBDiscs SBD;
