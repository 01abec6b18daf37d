#pragma once
// DMake: brands and series ("DMAKE.TPS").
#include <cstdint>

#include "runtime/record/record.h"

struct DMakeRecord {
    rt::Text<40> MAKE;        // name
    std::int32_t MAKEID = 0;  // number; 1 the lowest used

    template <class V>
    void fields(V& v) { v("MAKE", MAKE); v("MAKEID", MAKEID); }
};

class DMake : public rt::File<DMake, DMakeRecord> {
public:
    static inline const rt::Key KMAKE{"KMAKE", {"MAKE"}};
    static inline const rt::Key KMAKEID{"KMAKEID", {"MAKEID"}};

    static rt::FileDeclaration declaration();
};

extern thread_local DMake BRA;
