#pragma once
// Discs: one master disc ("DISCS.TPS").
#include <cstdint>

#include "runtime/record/record.h"

struct DiscsRecord {
    std::int32_t MAKEID = 0;  // brand/series number
    rt::Text<10> DISKID;
    rt::Text<15> UNQDISKID;

    template <class V>
    void fields(V& v) { v("MAKEID", MAKEID); v("DISKID", DISKID); v("UNQDISKID", UNQDISKID); }
};

class Discs : public rt::File<Discs, DiscsRecord> {
public:
    static inline const rt::Key KMAKEID{"KMAKEID", {"MAKEID", "DISKID"}};
    static inline const rt::Key KUNQDISKID{"KUNQDISKID", {"UNQDISKID"}};
    static inline const rt::Key KDISKID{"KDISKID", {"DISKID"}};

    static rt::FileDeclaration declaration();
};

extern thread_local Discs DIS;
