#include "exchange/ImportQueues.h"

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/view/view.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"

namespace {

// The folder of this thread's import queues (set while an ImportWork lives).
thread_local std::string ImportWorkFolder;

constexpr int kLockSeconds = 5;
// The import's work folder in the temporary folder: cantorelle-import-XXXXXX.
constexpr const char* kWorkPrefix = "cantorelle-import";

}  // namespace

rt::FileDeclaration ImportQueFile::declaration() {
    return {"ImportQue", "IMP", [] { return ImportWorkFolder + "/ImportQue"; }, rt::CreateWhenMissing | rt::WorkFile,
            {&KTRACK, &KALTDISKID}, {}};
}

rt::FileDeclaration ConflictQueFile::declaration() {
    return {"ConflictQue", "BAD", [] { return ImportWorkFolder + "/ConflictQue"; }, rt::CreateWhenMissing | rt::WorkFile,
            {&KORDER}, {}};
}

thread_local ImportQueFile IMP;
thread_local ConflictQueFile BAD;
PathText ImportFileName;
CustomIdClaims ImportQueClaims;

std::string ImportDiscId(const CsvListing& row) {
    return row.UNQDISKID.blank() ? row.ALTDISKID.str() : row.UNQDISKID.str();
}

// --- the queues ---

ImportWork::ImportWork() {
    // The system's temporary folder; what a killed import left there goes first.
    const std::string root = rt::temporaryFolder();
    rt::WorkFolder::removeLeftovers(root, kWorkPrefix);
    if (const int e = folder_.make(root, kWorkPrefix)) {
        problem_ = "The import cannot keep its work files in the temporary folder " + root + ": " +
                   std::string(std::strerror(e)) + ".";
        return;
    }
    ImportWorkFolder = folder_.path();
    ImportQueClaims.clear();
    for (rt::RecordFile* f : {static_cast<rt::RecordFile*>(&IMP), static_cast<rt::RecordFile*>(&BAD)}) {
        f->create();
        if (rt::errorCode() == rt::NoError) f->open(rt::ReadWrite | rt::DenyAll);
        if (rt::errorCode() != rt::NoError) {
            problem_ = "The import cannot keep its work files in the temporary folder: " + rt::error() + ".";
            rt::clearError();
            return;
        }
    }
    ready_ = true;
}

ImportWork::~ImportWork() {
    if (rt::inTransaction()) rt::rollback();
    IMP.close();
    BAD.close();
    rt::clearError();
    ImportQueClaims.clear();
    ImportWorkFolder.clear();
}

// --- what the rows claim ---

void CustomIdClaims::clear() {
    held_.clear();
    complete_ = true;
}

void CustomIdClaims::claim(const std::string& customId, const std::string& disc) {
    if (rt::clip(customId).empty()) return;
    const std::string key = rt::upper(rt::clip(customId));
    if (held_.count(key)) return;
    if (held_.size() >= kHeld) {
        complete_ = false;
        return;
    }
    held_.emplace(key, rt::upper(rt::clip(disc)));
}

bool CustomIdClaims::owner(const std::string& customId, std::string& disc) const {
    disc.clear();
    auto it = held_.find(rt::upper(rt::clip(customId)));
    if (it != held_.end()) {
        disc = it->second;
        return true;
    }
    if (complete_) return true;
    IMP.clearBuffer();
    IMP.ALTDISKID = customId;
    IMP.get(ImportQueFile::KALTDISKID);
    if (rt::errorCode() == rt::NoError) {
        disc = rt::upper(IMP.DISC.str());
        return true;
    }
    const bool missing = rt::errorCode() == rt::RecordNotFound;
    if (missing) rt::clearError();
    return missing;
}

bool SongBookKeys::load() {
    tracks_.clear();
    customIds_.clear();
    rt::View listings(SBK, SongBook::KUNQDISKID);
    if (!ReadEveryRecord(listings, "SongBook", [&] {
            tracks_.emplace_back(rt::upper(SBK.UNQDISKID.str()), SBK.DISKTRACKNO);
            return true;
        }))
        return false;
    std::sort(tracks_.begin(), tracks_.end());
    tracks_.shrink_to_fit();
    rt::View discs(SBD, SBDiscs::KALTDISKID);
    return ReadEveryRecord(discs, "SBDiscs", [&] {
        customIds_.emplace(rt::upper(SBD.ALTDISKID.str()), rt::upper(SBD.UNQDISKID.str()));
        return true;
    });
}

bool SongBookKeys::hasTrack(const std::string& disc, std::uint32_t track) const {
    return std::binary_search(tracks_.begin(), tracks_.end(), std::make_pair(rt::upper(rt::clip(disc)), track));
}

const std::string* SongBookKeys::customIdOwner(const std::string& customId) const {
    auto it = customIds_.find(rt::upper(rt::clip(customId)));
    return it == customIds_.end() ? nullptr : &it->second;
}

namespace {

// Whether a row bound for the SongBook has the row's disc id and track: error 35 aside, a read
// error is a clash that cannot be told.
ImportClash trackClaimed(const CsvListing& row) {
    IMP.clearBuffer();
    IMP.DISC = ImportDiscId(row);
    IMP.DISKTRACKNO = row.DISKTRACKNO;
    IMP.get(ImportQueFile::KTRACK);
    if (rt::errorCode() == rt::NoError) return ImportClash::Track;
    if (rt::errorCode() != rt::RecordNotFound) return ImportClash::ReadError;
    rt::clearError();
    return ImportClash::None;
}

// The custom disc id's clash with the SongBook's discs and with ImportQue's.
ImportClash customIdClash(const CsvListing& row, const SongBookKeys* keys) {
    if (row.ALTDISKID.blank()) return ImportClash::None;  // blank ids are no key
    const std::string disc = rt::upper(ImportDiscId(row));
    if (keys) {
        if (const std::string* owner = keys->customIdOwner(row.ALTDISKID.str()); owner && *owner != disc)
            return ImportClash::CustomId;
    } else {
        SBD.clearBuffer();
        SBD.ALTDISKID = row.ALTDISKID;
        SBD.get(SBDiscs::KALTDISKID);
        if (rt::errorCode() == rt::NoError) {
            if (rt::upper(SBD.UNQDISKID.str()) != disc) return ImportClash::CustomId;
        } else if (rt::errorCode() != rt::RecordNotFound) {
            return ImportClash::ReadError;
        }
        rt::clearError();
    }
    std::string owner;
    if (!ImportQueClaims.owner(row.ALTDISKID.str(), owner)) return ImportClash::ReadError;
    if (!owner.empty() && owner != disc) return ImportClash::CustomId;
    return ImportClash::None;
}

}  // namespace

ImportClash TestImportRow(const CsvListing& row, const SongBookKeys* keys) {
    const std::string disc = ImportDiscId(row);
    if (keys) {
        if (keys->hasTrack(disc, row.DISKTRACKNO)) return ImportClash::Track;
    } else {
        SBK.clearBuffer();
        SBK.UNQDISKID = disc;
        SBK.DISKTRACKNO = row.DISKTRACKNO;
        SBK.get(SongBook::KUNQDISKID);
        if (rt::errorCode() == rt::NoError) return ImportClash::Track;
        if (rt::errorCode() != rt::RecordNotFound) return ImportClash::ReadError;
        rt::clearError();
    }
    if (const ImportClash c = trackClaimed(row); c != ImportClash::None) return c;
    return customIdClash(row, keys);
}

bool QueueImportRow(const ImportRecord& row) {
    IMP.record() = row;
    IMP.DISC = ImportDiscId(row);
    IMP.add();
    if (rt::errorCode() != rt::NoError) return false;
    ImportQueClaims.claim(row.ALTDISKID.str(), IMP.DISC.str());
    return true;
}

// --- the analysis ---

ImportAnalysis::ImportAnalysis(rt::CsvReader& reader) : reader_(reader) {}

ImportAnalysis::~ImportAnalysis() {
    if (inTransaction_ && rt::inTransaction()) rt::rollback();
}

bool ImportAnalysis::fail(const std::string& what) {
    failure_ = what + "  Error: " + WarningErrorPart() + ".";
    if (inTransaction_ && rt::inTransaction()) rt::rollback();
    inTransaction_ = false;
    rt::clearError();
    return false;
}

bool ImportAnalysis::start() {
    if (!keys_.load()) {
        songBookError_ = true;
        return false;
    }
    if (!rt::logout(kLockSeconds, {&IMP, &BAD})) return fail("The import's work files could not be written.");
    inTransaction_ = true;
    return true;
}

void ImportAnalysis::note(long long line, const std::string& why) {
    if (problems_.size() < kNamedImportProblems) problems_.push_back("Line " + std::to_string(line) + ": " + why + ".");
}

bool ImportAnalysis::step() {
    if (!inTransaction_ || !reader_.next(fields_)) return false;
    ++rows_;
    ImportRecord row;
    std::string why;
    switch (ReadCsvListing(fields_, reader_.wellFormed(), row, why)) {
    case CsvRowResult::Unreadable:
        ++unreadable_;
        note(reader_.lineNumber(), why);
        break;
    case CsvRowResult::BadDate:
        ++badDates_;
        note(reader_.lineNumber(), why);
        break;
    case CsvRowResult::Ok: {
        row.LINE = reader_.lineNumber();
        // The SongBook's keys are in memory; a track that a row before it claimed fails to
        // go into ImportQue, which makes it a clash as well (no read per row).
        ImportClash clash = keys_.hasTrack(ImportDiscId(row), row.DISKTRACKNO) ? ImportClash::Track
                                                                             : customIdClash(row, &keys_);
        if (clash == ImportClash::None) {
            if (QueueImportRow(row)) {
                ++queued_;
                break;
            }
            if (rt::errorCode() != rt::DuplicateKey) return fail("The import's work files could not be written.");
            rt::clearError();
            clash = ImportClash::Track;
        }
        if (clash == ImportClash::ReadError) return fail("The import's work files could not be read.");
        BAD.record() = row;
        BAD.DISC = ImportDiscId(row);
        BAD.add();
        if (rt::errorCode() != rt::NoError) return fail("The import's work files could not be written.");
        ++conflicts_;
        break;
    }
    }
    return true;
}

bool ImportAnalysis::finish() {
    if (!inTransaction_) return failure_.empty() && !songBookError_;
    inTransaction_ = false;
    rt::commit();
    if (rt::errorCode() == rt::NoError) return true;
    failure_ = "The import's work files could not be written.  Error: " + WarningErrorPart() + ".";
    rt::clearError();
    return false;
}

int ImportAnalysis::percent() const {
    const std::uint64_t size = reader_.size();
    if (size == 0) return 100;
    return static_cast<int>(std::min<std::uint64_t>(100, reader_.bytesRead() * 100 / size));
}

std::string ImportProblemsText(const ImportAnalysis& a) {
    std::string text;
    if (a.readError())
        text += "The import file could not be read to its end (" + std::string(std::strerror(a.readError())) +
                "); only the rows before the error are listed.||";
    const long long left = a.unreadable() + a.badDates();
    if (left == 0) return text;
    if (a.unreadable())
        text += std::to_string(a.unreadable()) + (a.unreadable() == 1 ? " row" : " rows") +
                " could not be read and will not be imported.|";
    if (a.badDates())
        text += std::to_string(a.badDates()) + (a.badDates() == 1 ? " row has" : " rows have") +
                " an invalid date and will not be imported.|";
    text += "|";
    for (const std::string& p : a.problems()) text += p + "|";
    if (static_cast<long long>(a.problems().size()) < left)
        text += "and " + std::to_string(left - static_cast<long long>(a.problems().size())) + " more.";
    while (!text.empty() && text.back() == '|') text.pop_back();
    return text;
}
