#pragma once
// Zip archives in the manner of the program's zip library: one archive open per thread,
// members ordered, then compressed (deflate) with a comment, or extracted.
// Every call returns 0 on success, non-zero on failure with zGetLastErrorAsText() telling why.
#include <functional>
#include <string>
#include <vector>

namespace rt {

// Creates (or truncates) an archive and opens it for ordering.
int zCreateNewZip(const std::string& archive);
// Opens an existing archive, to add members or to extract.
int zOpenZipFile(const std::string& archive);
// Orders the file source into the archive as storedName (a bare name when empty); a member of
// that name already in the archive is replaced. A missing source fails.
int zOrderFile(const std::string& source, const std::string& storedName, int flags);
// Writes the ordered members with the archive comment. The string and int arguments other
// than level and comment are accepted for the library's signature and ignored.
int zCompressFiles(const std::string& unused1, const std::string& unused2, int level, int unused3,
                   int unused4, const std::string& comment, int unused5);
// Extracts every member into folder. Members whose names are absolute, contain "..", or would
// land outside the folder are refused and the call fails; so is an archive whose members would
// not fit on the disc or announce far more than any backup holds. Members are unpacked into a
// temporary folder inside the target and moved into place only when all of them came out
// whole: on failure the folder is as it was.
int zExtractAll(const std::string& folder, const std::string& unused1, int unused2, int unused3,
                int unused4, int unused5, int unused6);
int zCloseZipFile();
std::string zGetLastErrorAsText();

// Why extracting the archive into folder would be refused ("" when it would not), found from
// the member names and sizes alone, before anything is written.
std::string zExtractionProblem(const std::string& archive, const std::string& folder);

struct ZipMember {
    std::string name;
    unsigned long long size = 0;  // as the archive announces it
};
// The members of an archive on disk with their sizes; false when it cannot be read.
bool zArchiveMembers(const std::string& archive, std::vector<ZipMember>& out);

// Called on the calling thread while zExtractAll writes: bytes written and bytes in all;
// returning false stops the extraction (it then fails with "Cancelled", nothing changed).
void zSetExtractProgress(std::function<bool(unsigned long long, unsigned long long)> report);

// Helpers: the comment and member names of an archive on disk ("" / {} when unreadable).
std::string zArchiveComment(const std::string& archive);
std::vector<std::string> zMemberNames(const std::string& archive);

}  // namespace rt
