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

TEST(Text, Utf8IsTakenAsItIsAndAnythingElseAsWindows1252) {
    struct Case { std::string bytes; bool valid; std::string text; } cases[] = {
        {"caf\xC3\xA9", true, "café"},
        {"caf\xE9", false, "café"},
        {"\xC3", false, "Ã"},                       // cut short
        {"\xC0\xAF", false, "À¯"},                  // overlong "/"
        {"\xED\xA0\x80", false, "í\xC2\xA0€"},     // a surrogate
        {"\xF4\x90\x80\x80", false, "ô\xEF\xBF\xBD€€"},  // past U+10FFFF (0x90 has no character)
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

}  // namespace
