// Dates of RSS items: "Mon, 07 Dec 2026 22:03:49 GMT" to a day number.
#pragma once

#include <string_view>

// English three-letter month abbreviations; entries 1 to 12 ("Jan" to "Dec"),
// entry 0 is empty and never matches.
extern const std::string_view MonthNames[13];

// 1 to 12 for a name equal to a MonthNames entry (case-sensitive, whole
// text); 1 (January) for any other text.
int MonthIndex(std::string_view name);

// The day number (whole days from 1899-12-30) of a pubDate text. The text is
// split into items at blanks (codes 1 to 32) and commas, double-quoted items
// kept whole; item 1 is the day, item 2 the month name, item 3 the year. The
// weekday, time and zone are not looked at.
// Raises EConvertError when there are fewer than four items, when the day or
// year is not an integer, or when the date does not exist.
double ParseRssDate(std::string_view text);
