#pragma once
// Listing and disc files of older layouts, read when a SongBook of the previous version is
// converted or a listing file of the previous layout is repaired, and the repair's target.
#include <cstdint>

#include "data/globals.h"
#include "data/songbook.h"
#include "runtime/record/record.h"

// The previous version's pair (".sbk"/".sbd", kept as ".sxk"/".sxd" after a conversion) and the
// repair's source (the listing file being repaired) and target ("CONV0001").
extern PathText OldSongBookFileName;
extern PathText OldSBDiscsFileName;
extern PathText RepairSourceFileName;
extern PathText RepairTargetFileName;

// SongBook11: the previous version's listings. A track of 0 marks a listing without a disc,
// whose number stands in the disc id field.
struct SongBook11Record {
    rt::Text<40> TITLE;
    rt::Date DATEADDED;
    rt::Text<20> LOCATION;
    rt::Text<40> ARTIST;
    std::uint16_t DISKTRACKNO = 0;
    rt::Text<15> UNQDISKID;

    template <class V>
    void fields(V& v) {
        v("TITLE", TITLE); v("DATEADDED", DATEADDED); v("LOCATION", LOCATION); v("ARTIST", ARTIST);
        v("DISKTRACKNO", DISKTRACKNO); v("UNQDISKID", UNQDISKID);
    }
};

class SongBook11 : public rt::File<SongBook11, SongBook11Record> {
public:
    static inline const rt::Key KTITLE{"KTITLE", {"TITLE", "ARTIST", "DISKTRACKNO", "DATEADDED"}};
    static inline const rt::Key KMATCHSONG{"KMATCHSONG", {"TITLE", "ARTIST"}};
    static inline const rt::Key KDISKID{"KDISKID", {"UNQDISKID"}};
    static inline const rt::Key ARTISTKEY{"ARTISTKEY", {"ARTIST"}};
    static inline const rt::Key TITLEKEY{"TITLEKEY", {"TITLE"}};
    static inline const rt::Key KDATEADDED{"KDATEADDED", {"DATEADDED"}};
    static inline const rt::Key KLOCATION{"KLOCATION", {"LOCATION"}};
    static inline const rt::Key KARTIST{"KARTIST", {"ARTIST", "TITLE", "DISKTRACKNO", "DATEADDED"}};
    // Unlike the current layout, one disc id and track may be held by several listings.
    static inline const rt::Key KUNQDISKID{"KUNQDISKID", {"UNQDISKID", "DISKTRACKNO"}};

    static rt::FileDeclaration declaration();
};
extern thread_local SongBook11 SBK1;

// OldSBDiscs: the previous version's discs.
struct OldSBDiscsRecord {
    rt::Text<15> UNQDISKID;
    std::int32_t MAKEID = 0;
    rt::Text<15> ALTDISKID;

    template <class V>
    void fields(V& v) { v("UNQDISKID", UNQDISKID); v("MAKEID", MAKEID); v("ALTDISKID", ALTDISKID); }
};

class OldSBDiscs : public rt::File<OldSBDiscs, OldSBDiscsRecord> {
public:
    static inline const rt::Key KUNQDISKID{"KUNQDISKID", {"UNQDISKID"}};
    static inline const rt::Key KMAKEID{"KMAKEID", {"MAKEID"}};
    static inline const rt::Key KALTDISKID{"KALTDISKID", {"ALTDISKID"}, true};

    static rt::FileDeclaration declaration();
};
extern thread_local OldSBDiscs SBD1;

// RepairSourceFile: a SongBook listing file of the previous listing layout (16-bit tracks).
struct RepairSourceRecord {
    rt::Text<40> TITLE;
    rt::Text<40> ARTIST;
    rt::Text<15> UNQDISKID;
    std::uint16_t DISKTRACKNO = 0;
    rt::Text<40> GENRE;
    rt::Text<1> DUET;
    rt::Text<1> PRINT;
    rt::Date DATEADDED;
    rt::Text<20> LOCATION;
    rt::Text<2> MAKEID;

    template <class V>
    void fields(V& v) {
        v("TITLE", TITLE); v("ARTIST", ARTIST); v("UNQDISKID", UNQDISKID);
        v("DISKTRACKNO", DISKTRACKNO); v("GENRE", GENRE); v("DUET", DUET); v("PRINT", PRINT);
        v("DATEADDED", DATEADDED); v("LOCATION", LOCATION); v("MAKEID", MAKEID);
    }
};

class RepairSourceFile : public rt::File<RepairSourceFile, RepairSourceRecord> {
public:
    static rt::FileDeclaration declaration();
};
extern thread_local RepairSourceFile IN;

// RepairTargetFile: the current listing layout under the repair's work name.
class RepairTargetFile : public rt::File<RepairTargetFile, SongBookRecord> {
public:
    static rt::FileDeclaration declaration();
};
extern thread_local RepairTargetFile REPAIRTARGET;
