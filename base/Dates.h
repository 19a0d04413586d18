// Day numbers: whole days counted from 30 December 1899 (day 0), in the
// Gregorian calendar, for the years 1 to 9999.
#pragma once

#include <limits>
#include <string>
#include <string_view>

// The day number of a date that is missing or cannot be read.
inline constexpr double kNoDate = std::numeric_limits<double>::quiet_NaN();
inline bool IsNoDate(double date) { return date != date; }

// False when year, month or day make no date of the years 1 to 9999.
bool TryEncodeDate(int year, int month, int day, double& date);

// Raises EConvertError "Invalid argument to date encode" for an impossible date.
double EncodeDate(int year, int month, int day);

// The calendar date of a day number (its fractional part is dropped).
void DecodeDate(double date, int& year, int& month, int& day);

// "yyyy-mm-dd"; the empty text for kNoDate.
std::string FormatDateYmd(double date);

// A text that begins with a date written "yyyy-mm-dd" (as RFC 3339 and ISO
// 8601 write it), followed by nothing or by anything but a digit: the time
// of "2018-09-19T05:11:22.000Z" is dropped. False for any other text and
// for a date that does not exist.
bool TryParseYmdDate(std::string_view text, double& date);

bool IsLeapYear(int year);
int DaysInMonth(int year, int month);
