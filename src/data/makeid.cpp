#include "data/makeid.h"

#include "data/globals.h"

rt::FileDeclaration MakeId::declaration() {
    return {"MAKEID", "MAK", [] { return MakeIdFileName.str(); }, rt::NoAttribute,
            {&KMAKEID, &KMAKEDESC}, {}};
}

thread_local MakeId MAK;
