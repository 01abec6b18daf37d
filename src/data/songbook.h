#pragma once
// SongBook: one listing per song track of the open SongBook (the ".2bk" file).
#include <cstdint>

#include "runtime/record/record.h"

struct SongBookRecord {
    rt::Text<40> TITLE;
    rt::Text<40> ARTIST;
    rt::Text<15> UNQDISKID;        // disc id; "*" for a discless track
    std::uint32_t DISKTRACKNO = 0; // 0: the disc id alone names the song
    rt::Text<40> GENRE;
    rt::Text<1> DUET;              // "X" = duet
    rt::Text<1> PRINT;             // "X" = left out of printed SongBooks
    rt::Date DATEADDED;
    rt::Text<20> LOCATION;
    rt::Text<2> MAKEID;            // first two characters of the disc id, upper case

    template <class V>
    void fields(V& v) {
        v("TITLE", TITLE); v("ARTIST", ARTIST); v("UNQDISKID", UNQDISKID);
        v("DISKTRACKNO", DISKTRACKNO); v("GENRE", GENRE); v("DUET", DUET); v("PRINT", PRINT);
        v("DATEADDED", DATEADDED); v("LOCATION", LOCATION); v("MAKEID", MAKEID);
    }
};

class SongBook : public rt::File<SongBook, SongBookRecord> {
public:
    static inline const rt::Key KTITLE{"KTITLE", {"TITLE", "ARTIST", "DISKTRACKNO", "DATEADDED"}};
    static inline const rt::Key KGENRE{"KGENRE", {"GENRE"}};
    static inline const rt::Key KMATCHSONG{"KMATCHSONG", {"TITLE", "ARTIST"}};
    static inline const rt::Key KDISKID{"KDISKID", {"UNQDISKID"}};
    static inline const rt::Key ARTISTKEY{"ARTISTKEY", {"ARTIST"}};
    static inline const rt::Key TITLEKEY{"TITLEKEY", {"TITLE"}};
    static inline const rt::Key KDATEADDED{"KDATEADDED", {"DATEADDED"}};
    static inline const rt::Key KLOCATION{"KLOCATION", {"LOCATION"}};
    static inline const rt::Key KARTIST{"KARTIST", {"ARTIST", "TITLE", "DISKTRACKNO", "DATEADDED"}};
    // (disc id, track) is the identity of a listing.
    static inline const rt::Key KUNQDISKID{"KUNQDISKID", {"UNQDISKID", "DISKTRACKNO"}, true};

    static rt::FileDeclaration declaration();
};

// This thread's instance: SBK.TITLE is its buffer's field, SBK.next() an operation.
extern thread_local SongBook SBK;
