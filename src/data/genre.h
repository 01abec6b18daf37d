#pragma once
// Genre: the genre names offered for listings ("GENRE.TPS").
#include "runtime/record/record.h"

struct GenreRecord {
    rt::Text<40> GENRE;

    template <class V>
    void fields(V& v) { v("GENRE", GENRE); }
};

class Genre : public rt::File<Genre, GenreRecord> {
public:
    static inline const rt::Key KGENRE{"KGENRE", {"GENRE"}};

    static rt::FileDeclaration declaration();
};

extern thread_local Genre GEN;
