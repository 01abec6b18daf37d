#pragma once
// MAKEID: the two-letter manufacturer codes ("MAKEID.TPS"). The program never creates this
// file. The class is MakeId: a class named MAKEID would hide its own MAKEID field.
#include "runtime/record/record.h"

struct MakeIdRecord {
    rt::Text<2> MAKEID;      // the first two characters of a disc id
    rt::Text<30> MAKEDESC;   // description

    template <class V>
    void fields(V& v) { v("MAKEID", MAKEID); v("MAKEDESC", MAKEDESC); }
};

class MakeId : public rt::File<MakeId, MakeIdRecord> {
public:
    static inline const rt::Key KMAKEID{"KMAKEID", {"MAKEID"}};
    static inline const rt::Key KMAKEDESC{"KMAKEDESC", {"MAKEDESC"}};

    static rt::FileDeclaration declaration();
};

extern thread_local MakeId MAK;
