#include "data/oldsongbook.h"

PathText OldSongBookFileName;
PathText OldSBDiscsFileName;
PathText RepairSourceFileName;
PathText RepairTargetFileName;

namespace {
// The current listing layout's keys, which the previous listing layout had too.
std::vector<const rt::Key*> listingKeys() {
    return {&SongBook::KTITLE, &SongBook::KGENRE, &SongBook::KMATCHSONG, &SongBook::KDISKID,
            &SongBook::ARTISTKEY, &SongBook::TITLEKEY, &SongBook::KDATEADDED, &SongBook::KLOCATION,
            &SongBook::KARTIST, &SongBook::KUNQDISKID};
}
}  // namespace

rt::FileDeclaration SongBook11::declaration() {
    return {"SongBook11", "SBK1", [] { return OldSongBookFileName.str(); }, rt::NoAttribute,
            {&KTITLE, &KMATCHSONG, &KDISKID, &ARTISTKEY, &TITLEKEY, &KDATEADDED, &KLOCATION, &KARTIST, &KUNQDISKID},
            "previous-version"};
}

rt::FileDeclaration OldSBDiscs::declaration() {
    return {"OldSBDiscs", "SBD1", [] { return OldSBDiscsFileName.str(); }, rt::NoAttribute,
            {&KUNQDISKID, &KMAKEID, &KALTDISKID}, "previous-version"};
}

// The repaired file is a SongBook listing file all the same: same label, older record.
rt::FileDeclaration RepairSourceFile::declaration() {
    return {"SongBook", "IN", [] { return RepairSourceFileName.str(); }, rt::NoAttribute, listingKeys(), {}};
}

rt::FileDeclaration RepairTargetFile::declaration() {
    return {"SongBook", "SBK", [] { return RepairTargetFileName.str(); }, rt::NoAttribute, listingKeys(), {}};
}

thread_local SongBook11 SBK1;
thread_local OldSBDiscs SBD1;
thread_local RepairSourceFile IN;
thread_local RepairTargetFile REPAIRTARGET;
