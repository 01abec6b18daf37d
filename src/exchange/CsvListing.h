#pragma once
// The CSV listing file: one listing a line, eleven fields, no header line, CR LF line ends.
//
//     CsvListing l;                      // the BAS record
//     l.TITLE = "Say \"Hi\"";  l.DISKTRACKNO = 3;  l.DATEADDED = rt::date(1, 5, 2004);
//     out.write(CsvListingLine(l));      // "Say ""Hi""","","",3,"","","","",0,""," 1/05/04"
//
//     CsvListing in;
//     std::string why;
//     switch (ReadCsvListing(fields, reader.wellFormed(), in, why)) { ... }
//
// Fields, in this order: title, artist, custom disc id, track (a number), disc id, genre,
// duet flag, manufacturer code, brand number (a number, may be negative), manufacturer type
// (always written empty), date added as month/day/two-digit year with a blank for a leading
// zero of the month (" 1/05/04"; a listing without a date gets "  /  /"). Texts are quoted,
// numbers bare (rt::CsvLine).
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/date/date.h"
#include "runtime/files/csv.h"
#include "runtime/text/text.h"

struct CsvListing {
    rt::Text<40> TITLE;
    rt::Text<40> ARTIST;
    rt::Text<15> ALTDISKID;
    std::uint32_t DISKTRACKNO = 0;
    rt::Text<15> UNQDISKID;
    rt::Text<40> GENRE;
    rt::Text<1> DUET;
    rt::Text<2> SBKMAKEID;
    std::int32_t MAKEID = 0;
    rt::Text<2> MAKETYPE;
    rt::DayNumber DATEADDED = 0;
};

constexpr int kCsvListingFields = 11;

rt::CsvLine CsvListingLine(const CsvListing& l);

// The same from texts held elsewhere (the export writes straight from the record buffers).
struct CsvListingTexts {
    std::string_view title, artist, customId;
    std::uint32_t track = 0;
    std::string_view discId, genre, duet, make;
    std::int32_t brand = 0;
    rt::DayNumber date = 0;
};
void CsvListingLine(rt::CsvLine& line, const CsvListingTexts& l);

enum class CsvRowResult {
    Ok,
    Unreadable,  // not eleven fields, a quote not closed, a number that is no number, no disc id
    BadDate,     // a date text that is no date
};

// Reads one row of fields (as rt::CsvReader gives them). Texts longer than their field are
// cut; extra fields are allowed only when they are empty (a spreadsheet's trailing column).
// `why` says what is wrong.
CsvRowResult ReadCsvListing(const std::vector<std::string>& fields, bool wellFormed, CsvListing& out,
                            std::string& why);
