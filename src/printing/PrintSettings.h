#pragma once
// The print settings: program-wide values that describe how a printed SongBook looks and
// what it holds. The SongBook Designer edits them; a print run copies them when it starts
// (PrintSettingsSnapshot), so a change made in the Designer meanwhile leaves the run alone.
// They live only in memory: Save Design and Recall Design (PrintDesignFile.h) keep them in
// print design files.
//
// Values recalled from a file are kept as read; whoever uses one that has a range reads it
// through the accessors at the end (fontSize(), rowsOffset(), ...), so a stray value never
// reaches a layout.
#include <cstdint>
#include <string>

#include "runtime/date/date.h"
#include "runtime/text/text.h"

struct PrintSettings {
    std::uint16_t PrintSort = 1;          // 1 title order, 2 artist order
    std::uint16_t PrintFormat = 1;        // 1 Plain, 2 Shaded, 3 Formatted, 4 Indented, 5/6 two columns
    rt::Text<35> ReportHeader;
    rt::Text<20> HeaderFont = "Arial";
    std::int32_t HeaderSetBold = 0;
    std::int32_t HeaderSetItalic = 0;
    std::uint32_t HeaderColor = 0;
    std::uint32_t HeaderBackgroundColor = 0xFFFFFF;
    rt::Text<20> PrintFont = "Arial";
    std::uint8_t TitleBold = 0, TitleItalics = 0;
    std::uint8_t ArtistBold = 0, ArtistItalics = 0;
    std::uint8_t MfrBold = 0, MfrItalics = 0;
    std::uint8_t DiskTrackBold = 0, DiskTrackItalics = 0;
    std::uint8_t WordWrap = 0;            // 1 = Paper Saver: no continuation lines
    std::uint8_t ShowTM = 0;              // 1 = no by-line
    std::uint16_t SetFonts = 3;           // 1 Small (8 pt), 2 Medium (10 pt), 3 Large (12 pt)
    std::uint16_t CaseStyle = 1;          // 1 as stored, 2 All Caps
    std::uint32_t BodyColor = 0;
    std::uint32_t BodyBackgroundColor = 0xFFFFFF;
    std::uint16_t NameFormat = 0;         // 1 = "Last, First" printed as "First Last"
    rt::Text<35> ReportFooter;
    rt::Text<20> FooterFont = "Arial";
    std::uint16_t FooterSetBold = 0, FooterSetItalic = 0;
    std::uint32_t FooterColor = 0;
    std::uint32_t FooterBackgroundColor = 0xFFFFFF;
    std::uint16_t FilterReport = 0;       // 1 = only listings added from StartDate to EndDate
    rt::DayNumber StartDate = 0;
    rt::DayNumber EndDate = 0;
    std::uint16_t RemoveDuplicates = 0;
    std::uint32_t ColumnBarFill = 0;
    std::uint32_t ColumnBarBorderColor = 0;
    std::uint32_t ColumnBarTextColor = 0xFFFFFF;
    rt::Text<20> ColumnBarFont = "Arial";
    std::int16_t ColumnBarSetBold = 0, ColumnBarSetItalic = 0;
    std::uint16_t StartingPageNumber = 1;
    std::uint8_t RemoveVocals = 0;
    std::uint8_t OffsetPages = 0;
    std::uint16_t Offset = 0;             // binding offset, thousandths of an inch
    std::uint16_t PaperType = 1;          // 1 US Letter, 2 A4
    std::uint8_t ShowMake = 0;            // 1 = manufacturer column printed empty
    std::uint8_t FilterGenre = 0;
    rt::Text<40> PrintGenre;
    std::uint8_t FilterDuets = 0;
    std::uint8_t ignoreomits = 0;         // 1 = print listings marked to be omitted as well
    std::int16_t PAGEBREAKOFFSET = 0;     // GLO:PAGEBREAKOFFSET, key "PageBreakOffset"
    rt::Text<2> Pref1, Pref2, Pref3, Pref4, Pref5, Pref6, Pref7, Pref8;

    // Not kept in design files.
    rt::Text<20> PrefCodes = "SCCBPITH"; // what the reports search: set from Pref1..8 on Print SongBook
    rt::Text<35> PRINTFOOTER;            // the footer the reports print: set on Print SongBook
    std::uint8_t SHOWSONGNUM = 0;         // 1 = song number column printed empty

    // --- the values as a layout may use them ---
    // Body font size choice 1..3 (Large for anything else).
    int fontSize() const { return SetFonts >= 1 && SetFonts <= 3 ? SetFonts : 3; }
    // A4 for PaperType 2, Letter for anything else.
    bool a4() const { return PaperType == 2; }
    // The correction of the rows per page, -5..+5.
    int rowsOffset() const { return PAGEBREAKOFFSET < -5 ? -5 : PAGEBREAKOFFSET > 5 ? 5 : PAGEBREAKOFFSET; }
    // The binding offset, 0..500, or 0 when pages are not offset.
    int bindingOffset() const { return OffsetPages == 0 ? 0 : Offset > 500 ? 500 : Offset; }
    bool titleOrder() const { return PrintSort == 1; }
    // The preference codes as the reports search them: eight pairs, blanks kept, padded to 20.
    std::string prefCodesPadded() const { return PrefCodes.padded(); }
};

// The program's settings, shared by every thread (only one program thread runs at a time).
extern PrintSettings PrintSetup;

// The settings as they stand, for a print run to work on.
inline PrintSettings PrintSettingsSnapshot() { return PrintSetup; }

// The eight brand preferences joined, two characters each with blanks kept (16 characters).
std::string JoinedPreferences(const PrintSettings& s);
