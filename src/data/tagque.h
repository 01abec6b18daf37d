#pragma once
// TagQue: the one in-memory list of tagged discs and tracks, shared by every thread without a
// lock (only one program thread runs at a time). It has one record buffer: reading an entry
// copies it into the buffer, adding an entry adds the buffer's contents.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "runtime/text/text.h"

struct TagQueRecord {
    rt::Text<17> QUEUNQDISKID;  // the manufacturer's disc id
    rt::Text<17> DISKID;        // the custom disc id it is to carry
    std::uint16_t TRACKNO = 0;
    rt::Text<40> QUEGENRE;
};

enum class TagField { QUEUNQDISKID, DISKID, TRACKNO, QUEGENRE };

class TagQueue : public TagQueRecord {
public:
    std::size_t records() const { return entries_.size(); }
    // Reads the entry at a position from 1; false (buffer unchanged) when there is none.
    bool get(std::size_t position);
    // Reads the first entry whose named fields equal the buffer's (texts without trailing
    // blanks, letter case counting); false when none does.
    bool getBy(std::initializer_list<TagField> fields);
    // Adds the buffer at the end, or at the place the named fields give it among the entries
    // already there (after entries with equal values).
    void add();
    void addInOrder(std::initializer_list<TagField> fields);
    // Writes back or deletes the entry read last; false when there is none.
    bool put();
    bool del();
    // Empties the list (the buffer keeps its values).
    void free();
    // Position of the entry read or added last, 0 when none.
    std::size_t pointer() const { return pointer_; }
    void clearBuffer() { static_cast<TagQueRecord&>(*this) = TagQueRecord{}; }
    const TagQueRecord& entry(std::size_t position) const { return entries_.at(position - 1); }

private:
    std::vector<TagQueRecord> entries_;
    std::size_t pointer_ = 0;
};

extern TagQueue TagQue;
