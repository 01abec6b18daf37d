#include "data/songbook.h"

#include "data/globals.h"

rt::FileDeclaration SongBook::declaration() {
    return {"SongBook", "SBK", [] { return SongBookFileName.str(); }, rt::CreateWhenMissing,
            {&KTITLE, &KGENRE, &KMATCHSONG, &KDISKID, &ARTISTKEY, &TITLEKEY, &KDATEADDED,
             &KLOCATION, &KARTIST, &KUNQDISKID}, {}};
}

thread_local SongBook SBK;
