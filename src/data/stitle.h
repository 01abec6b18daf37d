#pragma once
// sTitle: the distinct master titles ("STITLE.TPS").
#include "runtime/record/record.h"

struct STitleRecord {
    rt::Text<40> TITLE;

    template <class V>
    void fields(V& v) { v("TITLE", TITLE); }
};

class sTitle : public rt::File<sTitle, STitleRecord> {
public:
    static inline const rt::Key KTITLE{"KTITLE", {"TITLE"}};

    static rt::FileDeclaration declaration();
};

extern thread_local sTitle STI;
