#include "printing/styles/ReadSongBookSelection.h"

#include <array>
#include <cstring>
#include <unordered_map>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/files/spill_sort.h"
#include "services/ReadEveryRecord.h"

namespace {

template <class E>
auto texts(E& e) {
    return std::array{&e.TITLE, &e.UPPERTITLE, &e.ARTIST, &e.UPPERARTIST, &e.DISKTRACKNO, &e.UNQDISKID, &e.GENRE, &e.MAKEID};
}

// An entry's bytes in the sort's runs: its texts, each with its length, and its numbers.
struct EntryCodec {
    static std::size_t bytes(const SelectionEntry& e) {
        std::size_t n = sizeof(SelectionEntry);
        for (const std::string* t : texts(e))
            if (t->capacity() > 15) n += t->capacity() + 1;
        return n;
    }
    static void write(const SelectionEntry& e, std::string& out) {
        for (const std::string* t : texts(e)) {
            const auto n = static_cast<std::uint16_t>(std::min<std::size_t>(t->size(), 0xFFFF));
            out.append(reinterpret_cast<const char*>(&n), 2);
            out.append(t->data(), n);
        }
        out.append(reinterpret_cast<const char*>(&e.MAKEPREF), sizeof e.MAKEPREF);
        out.append(reinterpret_cast<const char*>(&e.track), sizeof e.track);
    }
    static bool read(std::string_view in, SelectionEntry& e) {
        for (std::string* t : texts(e)) {
            std::uint16_t n = 0;
            if (in.size() < 2) return false;
            std::memcpy(&n, in.data(), 2);
            in.remove_prefix(2);
            if (in.size() < n) return false;
            t->assign(in.data(), n);
            in.remove_prefix(n);
        }
        if (in.size() != sizeof e.MAKEPREF + sizeof e.track) return false;
        std::memcpy(&e.MAKEPREF, in.data(), sizeof e.MAKEPREF);
        std::memcpy(&e.track, in.data() + sizeof e.MAKEPREF, sizeof e.track);
        return true;
    }
};

}  // namespace

struct SongBookSelection::Sort {
    Sort(bool titleOrder, std::size_t runBytes)
        : sorted([titleOrder](const SelectionEntry& a, const SelectionEntry& b) { return EntryBefore(a, b, titleOrder); },
                 runBytes) {}
    rt::SpillSort<SelectionEntry, EntryCodec> sorted;
};

SongBookSelection::SongBookSelection(const PrintSettings& s, std::size_t runBytes)
    : s_(s), sort_(std::make_unique<Sort>(s.titleOrder(), runBytes)) {}

SongBookSelection::~SongBookSelection() = default;

bool SongBookSelection::add(const SongBookRecord& listing) {
    if (!PassesFileFilter(listing, s_)) return true;
    auto entry = SelectEntry(listing, s_);
    return !entry || sort_->sorted.add(std::move(*entry));
}

bool SongBookSelection::finish() {
    if (!sort_->sorted.finish()) return false;
    if (s_.RemoveDuplicates != 1) {
        count_ = sort_->sorted.size();
        return true;
    }
    // The entries to print are those left once the duplicates are gone: counted through once.
    count_ = 0;
    SelectionEntry e, last;
    for (bool first = true; sort_->sorted.next(e); first = false) {
        if (!first && SameSong(last, e)) continue;
        ++count_;
        std::swap(last, e);
    }
    return sort_->sorted.rewind();
}

bool SongBookSelection::read() {
    // A failed read is the caller's to tell, once what was read is in order.
    RecordReader listings(SBK, RecordReader::Quiet);
    while (listings.next())
        if (!add(SBK.record())) break;
    finish();
    return !listings.failed();
}

bool SongBookSelection::next(SelectionEntry& e) {
    for (;;) {
        if (!sort_->sorted.next(e)) return false;
        if (s_.RemoveDuplicates == 1 && !first_ && SameSong(last_, e)) continue;
        first_ = false;
        if (s_.RemoveDuplicates == 1) {
            last_.UPPERTITLE = e.UPPERTITLE;
            last_.UPPERARTIST = e.UPPERARTIST;
        }
        return true;
    }
}

const std::string& SongBookSelection::error() const { return sort_->sorted.error(); }

DiscLookup SongBookDiscLookup() {
    // The discs found so far, up to a bound (then forgotten and found again).
    constexpr std::size_t kRemembered = 65536;
    auto known = std::make_shared<std::unordered_map<std::string, std::string>>();
    return [known](const std::string& disc) {
        auto found = known->find(disc);
        if (found != known->end()) return found->second;
        SBD.clearBuffer();
        SBD.UNQDISKID = disc;
        SBD.get(SBDiscs::KUNQDISKID);
        std::string alt = rt::errorCode() == rt::NoError ? SBD.ALTDISKID.str() : std::string();
        if (rt::errorCode() != rt::NoError) SBD.clearBuffer();
        if (known->size() >= kRemembered) known->clear();
        known->emplace(disc, alt);
        return alt;
    };
}
