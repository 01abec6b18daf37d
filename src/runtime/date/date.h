#pragma once
// Dates as day numbers: 1 January 1801 is day 4 (day 0 is 28 December 1800).
#include <cstdint>
#include <string>
#include <string_view>

namespace rt {

using DayNumber = std::int32_t;

// The day number of a calendar date; out-of-range months and days roll over.
DayNumber date(int month, int day, int year);
int dayOf(DayNumber d);
int monthOf(DayNumber d);
int yearOf(DayNumber d);

// Today's day number: the system's date unless a test has set one.
DayNumber today();
void setToday(DayNumber d);  // 0 goes back to the system's date

// Month/day/two-digit-year with a blank for a leading zero of the month: " 1/05/04".
// A day number of 0 gives an empty text.
std::string formatMDY(DayNumber d);
// The same with four year digits, without the blank: "1/05/2004" (the short date form).
std::string formatShortDate(DayNumber d);
// Reads month/day/year (a year of one or two digits, or four); a two-digit year lies within
// 80 years back and 19 years ahead of the current year. 0 when the text is not a date: a
// month or day out of range, a year of three or more than four digits, a day before day 1.
DayNumber parseMDY(std::string_view text);
// Whether formatMDY(d) reads back as d: its year lies within the hundred years a two-digit
// year stands for. A date outside them cannot be written as text and read back unchanged.
bool fitsMDY(DayNumber d);

}  // namespace rt
