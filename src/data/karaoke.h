#pragma once
// KARAOKE: one master track ("MAIN.TPS" in the installation folder).
#include <cstdint>

#include "runtime/record/record.h"

struct KaraokeRecord {
    rt::Text<40> TITLE;
    rt::Text<40> ARTIST;
    rt::Text<10> DISKID;           // disc number within the brand
    std::uint16_t DISKTRACKNO = 0;
    std::int32_t MAKEID = 0;       // brand/series number (DMake)
    rt::Text<15> UNQDISKID;        // the manufacturer's disc id

    template <class V>
    void fields(V& v) {
        v("TITLE", TITLE); v("ARTIST", ARTIST); v("DISKID", DISKID);
        v("DISKTRACKNO", DISKTRACKNO); v("MAKEID", MAKEID); v("UNQDISKID", UNQDISKID);
    }
};

class KARAOKE : public rt::File<KARAOKE, KaraokeRecord> {
public:
    static inline const rt::Key KTITLE{"KTITLE", {"TITLE"}};
    static inline const rt::Key KUNQDISKID{"KUNQDISKID", {"UNQDISKID"}};
    static inline const rt::Key KARTIST{"KARTIST", {"ARTIST"}};
    static inline const rt::Key KDISK{"KDISK", {"UNQDISKID", "DISKTRACKNO"}};
    static inline const rt::Key KMAKE{"KMAKE", {"MAKEID"}};

    static rt::FileDeclaration declaration();
};

extern thread_local KARAOKE KAR;
