#include "data/tagque.h"

TagQueue TagQue;

namespace {
int compareField(const TagQueRecord& a, const TagQueRecord& b, TagField f) {
    switch (f) {
    case TagField::QUEUNQDISKID: return a.QUEUNQDISKID.str().compare(b.QUEUNQDISKID.str());
    case TagField::DISKID: return a.DISKID.str().compare(b.DISKID.str());
    case TagField::TRACKNO: return a.TRACKNO < b.TRACKNO ? -1 : a.TRACKNO > b.TRACKNO ? 1 : 0;
    case TagField::QUEGENRE: return a.QUEGENRE.str().compare(b.QUEGENRE.str());
    }
    return 0;
}

int compare(const TagQueRecord& a, const TagQueRecord& b, std::initializer_list<TagField> fields) {
    for (TagField f : fields)
        if (int c = compareField(a, b, f)) return c;
    return 0;
}
}  // namespace

bool TagQueue::get(std::size_t position) {
    if (position < 1 || position > entries_.size()) return false;
    static_cast<TagQueRecord&>(*this) = entries_[position - 1];
    pointer_ = position;
    return true;
}

bool TagQueue::getBy(std::initializer_list<TagField> fields) {
    for (std::size_t i = 0; i < entries_.size(); ++i)
        if (compare(entries_[i], *this, fields) == 0) return get(i + 1);
    return false;
}

void TagQueue::add() {
    entries_.push_back(*this);
    pointer_ = entries_.size();
}

void TagQueue::addInOrder(std::initializer_list<TagField> fields) {
    std::size_t at = 0;
    while (at < entries_.size() && compare(entries_[at], *this, fields) <= 0) ++at;
    entries_.insert(entries_.begin() + static_cast<std::ptrdiff_t>(at), *this);
    pointer_ = at + 1;
}

bool TagQueue::put() {
    if (pointer_ < 1 || pointer_ > entries_.size()) return false;
    entries_[pointer_ - 1] = *this;
    return true;
}

bool TagQueue::del() {
    if (pointer_ < 1 || pointer_ > entries_.size()) return false;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(pointer_ - 1));
    pointer_ = 0;
    return true;
}

void TagQueue::free() {
    entries_.clear();
    pointer_ = 0;
}
