#pragma once
// TagFile: the discs last tagged in the CD label setup ("TAGFILE" in the SongBook folder),
// read by the label reports.
#include "runtime/record/record.h"

struct TagFileRecord {
    rt::Text<15> UNQDISKID;  // disc id
    rt::Text<15> ALTDISKID;  // custom disc id

    template <class V>
    void fields(V& v) { v("UNQDISKID", UNQDISKID); v("ALTDISKID", ALTDISKID); }
};

class TagFile : public rt::File<TagFile, TagFileRecord> {
public:
    static inline const rt::Key KUNQDISKID{"KUNQDISKID", {"UNQDISKID"}};
    static inline const rt::Key KALTDISKID{"KALTDISKID", {"ALTDISKID"}};

    static rt::FileDeclaration declaration();
};

// The tag file's name: "TAGFILE" beside the open SongBook (blank when none is open).
std::string TagFileName();

extern thread_local TagFile TAG;
