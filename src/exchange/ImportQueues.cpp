#include "exchange/ImportQueues.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <type_traits>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"
#include "runtime/view/view.h"
#include "services/ReadEveryRecord.h"
#include "services/ShowWarning.h"

namespace {

// The folder of this thread's import work files (set while an ImportWork lives).
thread_local std::string ImportWorkFolder;

constexpr int kLockSeconds = 5;
// The import's work folder in the temporary folder: cantorelle-import-XXXXXX.
constexpr const char* kWorkPrefix = "cantorelle-import";

// A disc id or custom disc id as the keys compare it: without trailing blanks, in upper case.
std::string claimKey(std::string_view s) { return rt::upper(rt::clip(s)); }

// What a map entry of a claim takes besides its key's characters (node, bucket, index).
constexpr std::size_t kEntryBytes = 88;

std::size_t keyBytes(const std::string& key) { return key.size() < 16 ? 0 : key.size() + 1; }

// The first slot of a key in a table of `mask` + 1 slots (a power of two): the high bits of
// a multiplicative hash, which every bit of the key moves.
std::size_t slotOf(std::uint64_t key, std::size_t mask) {
    const int bits = std::popcount(static_cast<std::uint64_t>(mask));
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ull) >> (64 - bits));
}

// A queued row in bytes: each field in order, a text as its length (two bytes) and its bytes,
// a number as its bytes.
struct PutField {
    std::string& out;
    template <std::size_t N>
    void operator()(const char*, const rt::Text<N>& t) {
        const auto n = static_cast<std::uint16_t>(std::min<std::size_t>(t.str().size(), 0xFFFF));
        out.append(reinterpret_cast<const char*>(&n), 2);
        out.append(t.str().data(), n);
    }
    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    void operator()(const char*, const T& v) {
        out.append(reinterpret_cast<const char*>(&v), sizeof v);
    }
};

struct GetField {
    std::string_view in;
    bool ok = true;
    template <std::size_t N>
    void operator()(const char*, rt::Text<N>& t) {
        std::uint16_t n = 0;
        if (!take(&n, 2) || in.size() < n) {
            ok = false;
            return;
        }
        t = in.substr(0, n);
        in.remove_prefix(n);
    }
    template <class T, std::enable_if_t<std::is_integral_v<T>, int> = 0>
    void operator()(const char*, T& v) {
        if (!take(&v, sizeof v)) ok = false;
    }
    bool take(void* into, std::size_t n) {
        if (in.size() < n) return false;
        std::memcpy(into, in.data(), n);
        in.remove_prefix(n);
        return true;
    }
};

// The row's fields that go to ImportQue (its DISC follows from them).
template <class Row, class V>
void queuedFields(Row& r, V& v) {
    v("TITLE", r.TITLE); v("ARTIST", r.ARTIST); v("ALTDISKID", r.ALTDISKID); v("DISKTRACKNO", r.DISKTRACKNO);
    v("UNQDISKID", r.UNQDISKID); v("GENRE", r.GENRE); v("DUET", r.DUET); v("SBKMAKEID", r.SBKMAKEID);
    v("MAKEID", r.MAKEID); v("MAKETYPE", r.MAKETYPE); v("DATEADDED", r.DATEADDED); v("LINE", r.LINE);
}

void appendRow(std::string& out, const ImportRecord& row) {
    const std::size_t at = out.size();
    out.append(4, '\0');
    PutField put{out};
    queuedFields(row, put);
    const auto n = static_cast<std::uint32_t>(out.size() - at - 4);
    std::memcpy(out.data() + at, &n, 4);
}

bool readRow(std::string_view bytes, ImportRecord& row) {
    GetField get{bytes};
    queuedFields(row, get);
    if (!get.ok || !get.in.empty()) return false;
    row.DISC = ImportDiscId(row);
    return true;
}

}  // namespace

rt::FileDeclaration ConflictQueFile::declaration() {
    return {"ConflictQue", "BAD", [] { return ImportWorkFolder + "/ConflictQue"; }, rt::CreateWhenMissing | rt::WorkFile,
            {&KORDER}, {}};
}

rt::FileDeclaration ImportKeysFile::declaration() {
    return {"ImportKeys", "IMK", [] { return ImportWorkFolder + "/ImportKeys"; }, rt::CreateWhenMissing | rt::WorkFile,
            {&KTRACK, &KALTDISKID}, {}};
}

thread_local ConflictQueFile BAD;
thread_local ImportKeysFile IMK;
thread_local ImportQueList ImportQue;
thread_local ImportClaims ImportQueClaims;
PathText ImportFileName;

std::string ImportDiscId(const CsvListing& row) {
    return row.UNQDISKID.blank() ? row.ALTDISKID.str() : row.UNQDISKID.str();
}

// --- claims held in memory ---

void ClaimTable::clear() {
    ClaimTable empty(limit_);  // the memory goes too, not only the claims
    std::swap(*this, empty);
}

std::uint32_t ClaimTable::disc(const std::string& key) {
    auto [it, added] = discs_.try_emplace(key, static_cast<std::uint32_t>(discNames_.size()));
    if (added) {
        discNames_.push_back(&it->first);
        bytes_ += kEntryBytes + keyBytes(key);
    }
    return it->second;
}

bool ClaimTable::growthPassesLimit() const {
    const bool grows = (trackCount_ + 1) * 10 > tracks_.size() * 7;
    return grows && bytes_ + (tracks_.empty() ? 1024 : tracks_.size()) * sizeof(std::uint64_t) > limit_;
}

void ClaimTable::grow() {
    std::vector<std::uint64_t> old;
    old.swap(tracks_);
    tracks_.assign(old.empty() ? 1024 : old.size() * 2, 0);
    const std::size_t mask = tracks_.size() - 1;
    for (const std::uint64_t k : old) {
        if (!k) continue;
        std::size_t i = slotOf(k, mask);
        while (tracks_[i]) i = (i + 1) & mask;
        tracks_[i] = k;
    }
    bytes_ += (tracks_.size() - old.size()) * sizeof(std::uint64_t);
}

void ClaimTable::claimTrack(std::string_view discId, std::uint32_t track) {
    const std::uint64_t key = (static_cast<std::uint64_t>(disc(claimKey(discId))) + 1) << 32 | track;
    if ((trackCount_ + 1) * 10 > tracks_.size() * 7) grow();
    const std::size_t mask = tracks_.size() - 1;
    std::size_t i = slotOf(key, mask);
    for (; tracks_[i]; i = (i + 1) & mask)
        if (tracks_[i] == key) return;
    tracks_[i] = key;
    ++trackCount_;
}

bool ClaimTable::hasTrack(std::string_view discId, std::uint32_t track) const {
    if (tracks_.empty()) return false;
    const auto d = discs_.find(claimKey(discId));
    if (d == discs_.end()) return false;
    const std::uint64_t key = (static_cast<std::uint64_t>(d->second) + 1) << 32 | track;
    const std::size_t mask = tracks_.size() - 1;
    for (std::size_t i = slotOf(key, mask); tracks_[i]; i = (i + 1) & mask)
        if (tracks_[i] == key) return true;
    return false;
}

void ClaimTable::claimCustomId(std::string_view customId, std::string_view discId) {
    std::string key = claimKey(customId);
    if (key.empty() || customIds_.count(key)) return;
    const std::uint32_t d = disc(claimKey(discId));
    bytes_ += kEntryBytes + keyBytes(key);
    customIds_.emplace(std::move(key), d);
}

const std::string* ClaimTable::customIdOwner(std::string_view customId) const {
    const auto it = customIds_.find(claimKey(customId));
    return it == customIds_.end() ? nullptr : discNames_[it->second];
}

// --- what the queued rows claim ---

void ImportClaims::clear() {
    held_.clear();
    if (fileOpen_) IMK.close();
    fileOpen_ = false;
}

ImportClash ImportClaims::trackClash(const CsvListing& row) const {
    const std::string disc = ImportDiscId(row);
    if (held_.hasTrack(disc, row.DISKTRACKNO)) return ImportClash::Track;
    if (!fileOpen_) return ImportClash::None;
    IMK.clearBuffer();
    IMK.DISC = disc;
    IMK.DISKTRACKNO = row.DISKTRACKNO;
    IMK.get(ImportKeysFile::KTRACK);
    if (rt::errorCode() == rt::NoError) return ImportClash::Track;
    if (rt::errorCode() != rt::RecordNotFound) return ImportClash::ReadError;
    rt::clearError();
    return ImportClash::None;
}

ImportClash ImportClaims::customIdClash(const CsvListing& row) const {
    if (row.ALTDISKID.blank()) return ImportClash::None;  // blank ids are no key
    const std::string disc = claimKey(ImportDiscId(row));
    if (const std::string* owner = held_.customIdOwner(row.ALTDISKID.str()))
        return *owner == disc ? ImportClash::None : ImportClash::CustomId;
    if (!fileOpen_) return ImportClash::None;
    IMK.clearBuffer();
    IMK.ALTDISKID = row.ALTDISKID;
    IMK.get(ImportKeysFile::KALTDISKID);
    if (rt::errorCode() == rt::NoError) return claimKey(IMK.DISC.str()) == disc ? ImportClash::None : ImportClash::CustomId;
    if (rt::errorCode() != rt::RecordNotFound) return ImportClash::ReadError;
    rt::clearError();
    return ImportClash::None;
}

bool ImportClaims::readyForNext() {
    if (fileOpen_ || !inFile()) return true;
    IMK.create();
    if (rt::errorCode() == rt::NoError) IMK.open(rt::ReadWrite | rt::DenyAll);
    if (rt::errorCode() != rt::NoError) return false;
    fileOpen_ = true;
    return true;
}

bool ImportClaims::claim(const CsvListing& row) {
    const std::string disc = ImportDiscId(row);
    if (!held_.full()) {
        held_.claimTrack(disc, row.DISKTRACKNO);
        held_.claimCustomId(row.ALTDISKID.str(), disc);
        return true;
    }
    if (!readyForNext()) return false;
    IMK.clearBuffer();
    IMK.DISC = disc;
    IMK.DISKTRACKNO = row.DISKTRACKNO;
    IMK.ALTDISKID = row.ALTDISKID;
    IMK.add();
    return rt::errorCode() == rt::NoError;
}

// --- the queue of rows to add ---

void ImportQueList::clear() {
    file_.reset();
    reader_.reset();
    std::string().swap(held_);
    heldAt_ = 0;
    count_ = 0;
    error_.clear();
}

bool ImportQueList::add(const ImportRecord& row) {
    if (!error_.empty()) return false;
    if (held_.size() >= kHeldBytes) {
        if (!file_) file_ = std::make_unique<rt::spill::File>();
        if (!file_->append(held_)) {
            error_ = file_->error();
            return false;
        }
        held_.clear();
    }
    hold(row);
    return true;
}

void ImportQueList::hold(const ImportRecord& row) {
    appendRow(held_, row);
    ++count_;
}

void ImportQueList::rewind() {
    reader_.reset();
    if (file_) reader_ = std::make_unique<rt::spill::RunReader>(*file_, 0, file_->size());
    heldAt_ = 0;
}

bool ImportQueList::next(ImportRecord& row) {
    if (!error_.empty()) return false;
    std::string_view bytes;
    if (reader_ && reader_->next(bytes)) {
        if (readRow(bytes, row)) return true;
        error_ = "The rows to import are damaged in their temporary file";
        return false;
    }
    if (reader_ && reader_->failed()) {
        error_ = file_->error().empty() ? "The rows to import are damaged in their temporary file" : file_->error();
        return false;
    }
    reader_.reset();
    if (heldAt_ + 4 > held_.size()) return false;
    std::uint32_t n = 0;
    std::memcpy(&n, held_.data() + heldAt_, 4);
    if (!readRow(std::string_view(held_).substr(heldAt_ + 4, n), row)) {
        error_ = "The rows to import are damaged in memory";
        return false;
    }
    heldAt_ += 4 + n;
    return true;
}

// --- the work of one import ---

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
    ImportQue.clear();
    ImportQueClaims.clear();
    BAD.create();
    if (rt::errorCode() == rt::NoError) BAD.open(rt::ReadWrite | rt::DenyAll);
    if (rt::errorCode() != rt::NoError) {
        problem_ = "The import cannot keep its work files in the temporary folder: " + rt::error() + ".";
        rt::clearError();
        return;
    }
    ready_ = true;
}

ImportWork::~ImportWork() {
    if (rt::inTransaction()) rt::rollback();
    BAD.close();
    ImportQueClaims.clear();  // ImportKeys closed
    ImportQue.clear();
    rt::clearError();
    ImportWorkFolder.clear();
}

bool SongBookKeys::load() {
    table_.clear();
    rt::View listings(SBK, SongBook::KUNQDISKID);
    if (!ReadEveryRecord(listings, "SongBook", [&] {
            table_.claimTrack(SBK.UNQDISKID.str(), SBK.DISKTRACKNO);
            return true;
        }))
        return false;
    rt::View discs(SBD, SBDiscs::KALTDISKID);
    return ReadEveryRecord(discs, "SBDiscs", [&] {
        table_.claimCustomId(SBD.ALTDISKID.str(), SBD.UNQDISKID.str());
        return true;
    });
}

namespace {

// The custom disc id's clash with the SongBook's discs, read from SBD when no keys are given.
ImportClash songBookCustomIdClash(const CsvListing& row, const SongBookKeys* keys) {
    if (row.ALTDISKID.blank()) return ImportClash::None;  // blank ids are no key
    const std::string disc = claimKey(ImportDiscId(row));
    if (keys) {
        const std::string* owner = keys->customIdOwner(row.ALTDISKID.str());
        return owner && *owner != disc ? ImportClash::CustomId : ImportClash::None;
    }
    SBD.clearBuffer();
    SBD.ALTDISKID = row.ALTDISKID;
    SBD.get(SBDiscs::KALTDISKID);
    if (rt::errorCode() == rt::NoError) return claimKey(SBD.UNQDISKID.str()) != disc ? ImportClash::CustomId : ImportClash::None;
    if (rt::errorCode() != rt::RecordNotFound) return ImportClash::ReadError;
    rt::clearError();
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
    if (const ImportClash c = ImportQueClaims.trackClash(row); c != ImportClash::None) return c;
    if (const ImportClash c = songBookCustomIdClash(row, keys); c != ImportClash::None) return c;
    return ImportQueClaims.customIdClash(row);
}

// --- the analysis ---

ImportAnalysis::ImportAnalysis(rt::CsvReader& reader) : reader_(reader) {}

ImportAnalysis::~ImportAnalysis() {
    if (inTransaction_ && rt::inTransaction()) rt::rollback();
}

bool ImportAnalysis::fail(const std::string& what, const std::string& detail) {
    failure_ = what + "  Error: " + (detail.empty() ? WarningErrorPart() : detail) + ".";
    if (inTransaction_ && rt::inTransaction()) rt::rollback();
    inTransaction_ = false;
    rt::clearError();
    return false;
}

// The transaction over the work files of the analysis: ConflictQue, and ImportKeys once the
// claims go there.
bool ImportAnalysis::begin() {
    const bool ok = ImportQueClaims.fileOpen() ? rt::logout(kLockSeconds, {&BAD, &IMK}) : rt::logout(kLockSeconds, {&BAD});
    if (!ok) return fail("The import's work files could not be written.");
    inTransaction_ = true;
    return true;
}

bool ImportAnalysis::start() {
    if (!keys_.load()) {
        songBookError_ = true;
        return false;
    }
    return begin();
}

void ImportAnalysis::note(long long line, const std::string& why) {
    if (problems_.size() < kNamedImportProblems) problems_.push_back("Line " + std::to_string(line) + ": " + why + ".");
}

bool ImportAnalysis::queue(const ImportRecord& row, ImportClash& clash) {
    if (ImportQueClaims.inFile() && !ImportQueClaims.fileOpen()) {
        // From here on the claims are written to ImportKeys, in a transaction that takes it in.
        inTransaction_ = false;
        rt::commit();
        if (rt::errorCode() != rt::NoError) return fail("The import's work files could not be written.");
        if (!ImportQueClaims.readyForNext()) return fail("The import's work files could not be made.");
        if (!begin()) return false;
    }
    if (!ImportQueClaims.claim(row)) {
        if (rt::errorCode() != rt::DuplicateKey) return fail("The import's work files could not be written.");
        rt::clearError();
        clash = ImportClash::Track;
        return true;
    }
    if (!ImportQue.add(row)) return fail("The import's work files could not be written.", ImportQue.error());
    return true;
}

bool ImportAnalysis::step() {
    if (!inTransaction_ || !reader_.next(fields_)) return false;
    ++rows_;
    ImportRecord& row = row_;
    switch (ReadCsvListing(fields_, reader_.wellFormed(), row, why_)) {
    case CsvRowResult::Unreadable:
        ++unreadable_;
        note(reader_.lineNumber(), why_);
        break;
    case CsvRowResult::BadDate:
        ++badDates_;
        note(reader_.lineNumber(), why_);
        break;
    case CsvRowResult::Ok: {
        row.LINE = reader_.lineNumber();
        row.DISC = ImportDiscId(row);
        // The SongBook's keys are in memory, and so are the claims of the rows bound for it
        // (up to their share).
        ImportClash clash = TestImportRow(row, &keys_);
        if (clash == ImportClash::None) {
            if (!queue(row, clash)) return false;
            if (clash == ImportClash::None) {
                ++queued_;
                break;
            }
        }
        if (clash == ImportClash::ReadError) return fail("The import's work files could not be read.");
        BAD.record() = row;
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
