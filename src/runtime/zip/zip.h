#pragma once
// Zip archives in the manner of the program's zip library: one archive open per thread,
// members ordered, then compressed (deflate) with a comment, or extracted.
// Every call returns 0 on success, non-zero on failure with zGetLastErrorAsText() telling why.
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
// land outside the folder are refused (nothing written for them) and the call fails.
int zExtractAll(const std::string& folder, const std::string& unused1, int unused2, int unused3,
                int unused4, int unused5, int unused6);
int zCloseZipFile();
std::string zGetLastErrorAsText();

// Helpers: the comment and member names of an archive on disk ("" / {} when unreadable).
std::string zArchiveComment(const std::string& archive);
std::vector<std::string> zMemberNames(const std::string& archive);

}  // namespace rt
