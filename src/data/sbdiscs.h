#pragma once
// SBDiscs: one record per disc of the open SongBook (the ".2bd" file beside the ".2bk").
#include <cstdint>

#include "runtime/record/record.h"

struct SBDiscsRecord {
    rt::Text<15> UNQDISKID;   // equal to the listings' SBK.UNQDISKID
    rt::Text<2> MAKETYPE;     // manufacturer code; "CU" for a custom disc
    std::int32_t MAKEID = 0;  // brand/series number (a DMake record), 1 the lowest used
    rt::Text<15> ALTDISKID;   // the host's custom disc id

    template <class V>
    void fields(V& v) {
        v("UNQDISKID", UNQDISKID); v("MAKETYPE", MAKETYPE); v("MAKEID", MAKEID);
        v("ALTDISKID", ALTDISKID);
    }
};

class SBDiscs : public rt::File<SBDiscs, SBDiscsRecord> {
public:
    static inline const rt::Key KUNQDISKID{"KUNQDISKID", {"UNQDISKID"}};
    static inline const rt::Key KMAKEID{"KMAKEID", {"MAKEID"}};
    static inline const rt::Key KALTDISKID{"KALTDISKID", {"ALTDISKID"}, true};

    static rt::FileDeclaration declaration();
};

extern thread_local SBDiscs SBD;
