#include "exchange/ImportQueues.h"

#include <algorithm>
#include <cstring>

#include "data/sbdiscs.h"
#include "data/songbook.h"
#include "runtime/error/error.h"
#include "runtime/text/text.h"

std::vector<ImportRow> ImportQue;
std::vector<ImportRow> ConflictQue;
PathText ImportFileName;
ImportClaims ImportQueClaims;

std::string ImportDiscId(const CsvListing& row) {
    return row.UNQDISKID.blank() ? row.ALTDISKID.str() : row.UNQDISKID.str();
}

void ImportClaims::clear() {
    tracks_.clear();
    customIds_.clear();
}

void ImportClaims::claim(const CsvListing& row) {
    const std::string disc = rt::upper(ImportDiscId(row));
    tracks_.insert({disc, row.DISKTRACKNO});
    if (!row.ALTDISKID.blank()) customIds_.emplace(rt::upper(row.ALTDISKID.str()), disc);
}

bool ImportClaims::trackClaimed(const CsvListing& row) const {
    return tracks_.count({rt::upper(ImportDiscId(row)), row.DISKTRACKNO}) > 0;
}

std::string ImportClaims::customIdOwner(const std::string& customId) const {
    auto it = customIds_.find(rt::upper(rt::clip(customId)));
    return it == customIds_.end() ? std::string() : it->second;
}

bool SongBookKeys::load() {
    tracks_.clear();
    customIds_.clear();
    SBK.set(SongBook::KUNQDISKID);
    for (SBK.next(); rt::errorCode() == rt::NoError; SBK.next())
        tracks_.emplace(rt::upper(SBK.UNQDISKID.str()), SBK.DISKTRACKNO);
    if (rt::errorCode() != rt::NoRecord) return false;
    SBD.set(SBDiscs::KALTDISKID);
    for (SBD.next(); rt::errorCode() == rt::NoError; SBD.next())
        customIds_.emplace(rt::upper(SBD.ALTDISKID.str()), rt::upper(SBD.UNQDISKID.str()));
    if (rt::errorCode() != rt::NoRecord) return false;
    rt::clearError();
    return true;
}

bool SongBookKeys::hasTrack(const std::string& disc, std::uint32_t track) const {
    return tracks_.count({rt::upper(rt::clip(disc)), track}) > 0;
}

const std::string* SongBookKeys::customIdOwner(const std::string& customId) const {
    auto it = customIds_.find(rt::upper(rt::clip(customId)));
    return it == customIds_.end() ? nullptr : &it->second;
}

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
    if (ImportQueClaims.trackClaimed(row)) return ImportClash::Track;
    if (row.ALTDISKID.blank()) return ImportClash::None;  // blank ids are no key
    if (keys) {
        if (const std::string* owner = keys->customIdOwner(row.ALTDISKID.str()); owner && *owner != rt::upper(disc))
            return ImportClash::CustomId;
    } else {
        SBD.clearBuffer();
        SBD.ALTDISKID = row.ALTDISKID;
        SBD.get(SBDiscs::KALTDISKID);
        if (rt::errorCode() == rt::NoError) {
            if (!rt::equalNoCase(SBD.UNQDISKID.str(), disc)) return ImportClash::CustomId;
        } else if (rt::errorCode() != rt::RecordNotFound) {
            return ImportClash::ReadError;
        }
        rt::clearError();
    }
    const std::string owner = ImportQueClaims.customIdOwner(row.ALTDISKID.str());
    if (!owner.empty() && owner != rt::upper(disc)) return ImportClash::CustomId;
    return ImportClash::None;
}

void SortConflictQue() {
    std::stable_sort(ConflictQue.begin(), ConflictQue.end(), [](const ImportRow& a, const ImportRow& b) {
        const int c = rt::compareNoCase(a.ALTDISKID.str(), b.ALTDISKID.str());
        if (c != 0) return c < 0;
        return a.DISKTRACKNO < b.DISKTRACKNO;
    });
}

namespace {

void note(ImportAnalysis& a, long long line, const std::string& why) {
    if (a.problems.size() < kNamedImportProblems) a.problems.push_back("Line " + std::to_string(line) + ": " + why + ".");
}

}  // namespace

ImportAnalysis AnalyzeImportFile(rt::CsvReader& reader) {
    ImportAnalysis a;
    a.encoding = reader.encoding();
    ImportQue.clear();
    ConflictQue.clear();
    ImportQueClaims.clear();
    SongBookKeys keys;
    if (!keys.load()) {
        a.songBookError = true;
        return a;
    }
    std::vector<std::string> fields;
    while (reader.next(fields)) {
        ++a.rows;
        ImportRow row;
        std::string why;
        switch (ReadCsvListing(fields, reader.wellFormed(), row, why)) {
        case CsvRowResult::Unreadable:
            ++a.unreadable;
            note(a, reader.lineNumber(), why);
            continue;
        case CsvRowResult::BadDate:
            ++a.badDates;
            note(a, reader.lineNumber(), why);
            continue;
        case CsvRowResult::Ok:
            break;
        }
        row.line = reader.lineNumber();
        switch (TestImportRow(row, &keys)) {
        case ImportClash::None:
            ImportQueClaims.claim(row);
            ImportQue.push_back(std::move(row));
            break;
        case ImportClash::Track:
        case ImportClash::CustomId:
            ConflictQue.push_back(std::move(row));
            break;
        case ImportClash::ReadError:
            a.songBookError = true;
            return a;
        }
    }
    a.readError = reader.error();
    SortConflictQue();
    return a;
}

std::string ImportProblemsText(const ImportAnalysis& a) {
    std::string text;
    if (a.readError)
        text += "The import file could not be read to its end (" + std::string(std::strerror(a.readError)) +
                "); only the rows before the error are listed.||";
    const long long left = a.unreadable + a.badDates;
    if (left == 0) return text;
    if (a.unreadable)
        text += std::to_string(a.unreadable) + (a.unreadable == 1 ? " row" : " rows") +
                " could not be read and will not be imported.|";
    if (a.badDates)
        text += std::to_string(a.badDates) + (a.badDates == 1 ? " row has" : " rows have") +
                " an invalid date and will not be imported.|";
    text += "|";
    for (const std::string& p : a.problems) text += p + "|";
    if (static_cast<long long>(a.problems.size()) < left)
        text += "and " + std::to_string(left - static_cast<long long>(a.problems.size())) + " more.";
    while (!text.empty() && text.back() == '|') text.pop_back();
    return text;
}
