#include "data/stitle.h"

#include "data/globals.h"

rt::FileDeclaration sTitle::declaration() {
    return {"sTitle", "STI", [] { return STitleFileName.str(); }, rt::CreateWhenMissing,
            {&KTITLE}, {}};
}

thread_local sTitle STI;
