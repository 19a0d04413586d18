// Dates of RSS items: "Mon, 07 Dec 2026 22:03:49 GMT" to a day number.
#pragma once

#include <string_view>

// English three-letter month abbreviations; entries 1 to 12 ("Jan" to "Dec"),
// entry 0 is empty and never matches.
extern const std::string_view MonthNames[13];

// 1 to 12 for an English month name, abbreviated ("Dec", also "Sept") or in
// full ("December"), in any letter case; 0 for any other text.
int MonthIndex(std::string_view name);

// The day number (whole days from 1899-12-30) of a pubDate text, written
// - as RFC 822 and RFC 2822 write it: an optional weekday, the day, the
//   month's name and the year ("Mon, 07 Dec 2026 22:03:49 GMT"), or the
//   month's name before the day ("Sat, Dec 16 2023 02:02:33 PM");
// - or as RFC 3339 writes it ("2018-09-19T05:11:22.000Z").
// The text is split into items at blanks (codes 1 to 32) and commas,
// double-quoted items kept whole; the time and zone are not looked at. Day
// and year are integers; a year of two digits is 2000-2049 for 00-49 and
// 1950-1999 for 50-99, one of three digits counts from 1900.
// Raises EConvertError when the text holds no such date, when the month's
// name is none of the above, or when the date does not exist.
double ParseRssDate(std::string_view text);

// ParseRssDate that answers false instead of raising.
bool TryParseRssDate(std::string_view text, double& date);
