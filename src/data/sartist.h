#pragma once
// sArtist: the distinct master artists ("SARTIST.TPS").
#include "runtime/record/record.h"

struct SArtistRecord {
    rt::Text<25> ARTIST;

    template <class V>
    void fields(V& v) { v("ARTIST", ARTIST); }
};

class sArtist : public rt::File<sArtist, SArtistRecord> {
public:
    static inline const rt::Key KARTIST{"KARTIST", {"ARTIST"}};

    static rt::FileDeclaration declaration();
};

extern thread_local sArtist SAR;
