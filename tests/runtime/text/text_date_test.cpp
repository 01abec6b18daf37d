#include <gtest/gtest.h>

#include "runtime/date/date.h"
#include "runtime/text/text.h"

namespace {

TEST(Text, FieldsCutToTheirWidthInCharactersAndDropTrailingBlanks) {
    rt::Text<5> t = "Éloïse Brun";
    EXPECT_EQ(t.str(), "Éloïs");
    EXPECT_EQ(rt::length(t.str()), 5u);
    t = "ab   ";
    EXPECT_EQ(t.str(), "ab");
    EXPECT_TRUE(t == "ab  ");
    EXPECT_EQ(t.padded(), "ab   ");
    rt::Text<3> blank = "   ";
    EXPECT_TRUE(blank.blank());
}

TEST(Text, UpperCaseCoversAccentedLatinLetters) {
    struct Case { const char* in; const char* out; } cases[] = {
        {"abc", "ABC"}, {"élan", "ÉLAN"}, {"zoë", "ZOË"}, {"ÿ", "Ÿ"}, {"ß", "ß"},
        {"łódź", "ŁÓDŹ"}, {"straße 9", "STRAßE 9"},
        {"", ""}, {"`az{ @AZ[ 09", "`AZ{ @AZ[ 09"}, {"abc déjà", "ABC DÉJÀ"}, {"ab\x7F", "AB\x7F"},
    };
    for (auto& c : cases) EXPECT_EQ(rt::upper(c.in), c.out) << c.in;
    EXPECT_EQ(rt::lower("ÉLAN Ÿ"), "élan ÿ");
}

TEST(Text, KeyComparisonIgnoresCaseAndTrailingBlanks) {
    struct Case { const char* a; const char* b; int sign; } cases[] = {
        {"abc", "ABC", 0}, {"abc  ", "ABC", 0}, {"élan", "ÉLAN", 0}, {"abc", "abd", -1},
        {"ab", "abc", -1}, {" ab", "ab", -1}, {"Zoë", "ZOE", 1},
    };
    for (auto& c : cases) {
        int r = rt::compareNoCase(c.a, c.b);
        EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
    }
}

TEST(Text, Windows1252RoundTrip) {
    const std::string utf8 = "» café €";
    EXPECT_EQ(rt::toCp1252(utf8), std::string("\xBB caf\xE9 \x80"));
    EXPECT_EQ(rt::fromCp1252(rt::toCp1252(utf8)), utf8);
}

// Every byte has one reading, and it writes back as the same byte: the five the code page
// leaves undefined are the control characters of their number, as Windows reads them.
TEST(Text, EveryWindows1252ByteConvertsAndBack) {
    struct Case { unsigned char byte; std::string utf8; } cases[] = {
        {0x41, "A"},          {0x80, "\u20AC"},     {0x81, "\xC2\x81"}, {0x8A, "\u0160"},
        {0x8D, "\xC2\x8D"}, {0x8F, "\xC2\x8F"}, {0x90, "\xC2\x90"}, {0x93, "\u201C"},
        {0x9D, "\xC2\x9D"}, {0x9F, "\u0178"},     {0xA0, "\u00A0"},    {0xE9, "\u00E9"},
        {0xFF, "\u00FF"},
    };
    for (const Case& c : cases) {
        const std::string byte(1, static_cast<char>(c.byte));
        EXPECT_EQ(rt::fromCp1252(byte), c.utf8) << int(c.byte);
        EXPECT_EQ(rt::toCp1252(c.utf8), byte) << int(c.byte);
    }
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const std::string utf8 = rt::fromCp1252(byte);
        EXPECT_TRUE(rt::isValidUtf8(utf8)) << b;
        EXPECT_TRUE(rt::fitsCp1252(utf8)) << b;
        std::string back;
        EXPECT_TRUE(rt::toCp1252Exactly(utf8, back)) << b;
        EXPECT_EQ(back, byte) << b;
    }
    std::string out;
    EXPECT_FALSE(rt::toCp1252Exactly("caf\xC3\xA9 \xE6\x97\xA5", out));
    EXPECT_EQ(rt::toCp1252("\xE6\x97\xA5 \xFF"), "? ?");
}

TEST(Text, ControlCharactersBecomeBlanks) {
    struct Case { std::string in, out; } cases[] = {
        {"a\tb\r\nc", "a b  c"}, {"\x7F", " "}, {"x\xC2\x81y", "x y"}, {"\xC2\x9F", " "},
        {"\xC2\xA0" "caf\xC3\xA9", "\xC2\xA0" "caf\xC3\xA9"},  // a no-break space is no control
        {"ab\xC2", "ab\xC2"}, {"\x01\x02", "  "},
    };
    for (const Case& c : cases) EXPECT_EQ(rt::blankControls(c.in), c.out) << c.in;
    std::string out = "x";
    rt::appendBlankControls("a\nb\r\xC2\x85" "c", out, true);  // the line feed stays
    EXPECT_EQ(out, "xa\nb  c");
    EXPECT_TRUE(rt::isControlChar(0x81));
    EXPECT_FALSE(rt::isControlChar(0xA0));
}

TEST(Text, Utf8IsTakenAsItIsAndAnythingElseAsWindows1252) {
    struct Case { std::string bytes; bool valid; std::string text; } cases[] = {
        {"caf\xC3\xA9", true, "café"},
        {"caf\xE9", false, "café"},
        {"\xC3", false, "Ã"},                       // cut short
        {"\xC0\xAF", false, "À¯"},                  // overlong "/"
        {"\xED\xA0\x80", false, "í\xC2\xA0€"},     // a surrogate
        {"\xF4\x90\x80\x80", false, "ô\xC2\x90€€"},  // past U+10FFFF (0x90: the control U+0090)
        {"\xF0\x9F\x8E\xA4 mic", true, "\xF0\x9F\x8E\xA4 mic"},
        {"", true, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rt::isValidUtf8(c.bytes), c.valid) << c.text;
        EXPECT_EQ(rt::utf8OrCp1252(c.bytes), c.text) << c.text;
    }
}

TEST(Dates, DayNumbersCountFromTheEighteenHundredEpoch) {
    struct Case { int m, d, y; rt::DayNumber n; } cases[] = {
        {1, 1, 1801, 4}, {12, 28, 1800, 0}, {12, 31, 1800, 3}, {1, 1, 1900, 36163}, {2, 29, 2000, 72746},
    };
    for (auto& c : cases) {
        EXPECT_EQ(rt::date(c.m, c.d, c.y), c.n) << c.m << "/" << c.d << "/" << c.y;
        EXPECT_EQ(rt::monthOf(c.n), c.m);
        EXPECT_EQ(rt::dayOf(c.n), c.d);
        EXPECT_EQ(rt::yearOf(c.n), c.y);
    }
    EXPECT_EQ(rt::date(13, 1, 2003), rt::date(1, 1, 2004));
}

TEST(Dates, MonthDayYearTextHasABlankForALeadingZeroOfTheMonth) {
    EXPECT_EQ(rt::formatMDY(rt::date(1, 5, 2004)), " 1/05/04");
    EXPECT_EQ(rt::formatMDY(rt::date(10, 31, 2023)), "10/31/23");
    EXPECT_EQ(rt::formatMDY(0), "");
    EXPECT_EQ(rt::formatShortDate(rt::date(1, 5, 2004)), "1/5/2004");
}

TEST(Dates, TwoDigitYearsLieEightyYearsBackToNineteenAhead) {
    rt::setToday(rt::date(6, 1, 2026));
    struct Case { const char* text; rt::DayNumber n; } cases[] = {
        {" 1/05/04", rt::date(1, 5, 2004)}, {"12/31/45", rt::date(12, 31, 2045)},
        {"1/1/46", rt::date(1, 1, 1946)},   {"3/4/1999", rt::date(3, 4, 1999)},
        {"2/30/04", 0}, {"13/1/04", 0}, {"abc", 0}, {"", 0},
    };
    for (auto& c : cases) EXPECT_EQ(rt::parseMDY(c.text), c.n) << c.text;
    rt::setToday(0);
}

// Dates at and past their bounds: what reads as a date, and whether it writes back as the
// same date with its two-digit year.
TEST(Dates, DatesAtAndPastTheirBounds) {
    rt::setToday(rt::date(6, 1, 2026));
    struct Case { const char* text; rt::DayNumber n; bool fits; } cases[] = {
        {"12/31/2045", rt::date(12, 31, 2045), true},  // the last year a two-digit year reaches
        {"1/1/2046", rt::date(1, 1, 2046), false},      // a date, but " 1/01/46" is 1946
        {"1/1/1946", rt::date(1, 1, 1946), true},
        {"12/31/1945", rt::date(12, 31, 1945), false},
        {"12/29/1800", 1, false},                        // the first day there is
        {"12/28/1800", 0, false},                        // day 0: no date
        {"1/1/0001", 0, false},
        {"2/29/2024", rt::date(2, 29, 2024), true},
        {"2/29/2023", 0, false},
        {"4/31/04", 0, false},
        {"0/1/04", 0, false},
        {"1/0/04", 0, false},
        {"1/32/04", 0, false},
        {"1/5/4", rt::date(1, 5, 2004), true},
        {" 1/05/123", 0, false},                         // three year digits
        {"1/05/99999", 0, false},                        // five
        {"4294967297/1/2004", 0, false},                 // past a 32-bit number
        {"1/4294967297/2004", 0, false},
        {"1/1/99999999999999999999", 0, false},
        {"001/5/04", 0, false},
        {"1/5/04/7", 0, false},
        {"1/5", 0, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(rt::parseMDY(c.text), c.n) << c.text;
        EXPECT_EQ(rt::fitsMDY(rt::parseMDY(c.text)), c.fits) << c.text;
    }
    rt::setToday(0);
}

}  // namespace
